// What a run stopped by SIGINT, SIGTERM, SIGHUP or SIGPIPE must not leave
// behind: the files listed here are removed, then the process ends as the
// signal asks (the shell sees 128 + the signal number). The list is a fixed
// table of names that their owners keep alive while listed, so the handler
// reads only memory that was ready before the signal came.
#pragma once
#include <csignal>

enum : int {
    MM_GUARD_OUTPUT = 0,   // the MIDI file's temporary name
    MM_GUARD_ROLL = 1,     // the piano roll's temporary name
    MM_GUARD_WORK = 2,     // work file n takes slot MM_GUARD_WORK + n
};
constexpr int MM_GUARD_SLOTS = MM_GUARD_WORK + 10000;

// Installs the handler for the four signals (one that was ignored when the
// program started stays ignored).
void MM_trapStopSignals();
// Lists `name` in `slot`, or empties the slot when `name` is null. Make a file
// and list it inside one MMholdSignals, so no signal falls between the two.
void MM_guard(int slot, const char *name);

// Holds the stop signals back while alive; they arrive when it ends.
class MMholdSignals {
public:
    MMholdSignals();
    ~MMholdSignals();
    MMholdSignals(const MMholdSignals &) = delete;
    MMholdSignals &operator=(const MMholdSignals &) = delete;

private:
    sigset_t saved_;
};
