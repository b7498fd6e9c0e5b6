#include "base/stop_signals.h"

#include <atomic>
#include <unistd.h>

namespace {

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGPIPE};

// Written by the run, read by the handler: each slot is one lock-free store.
std::atomic<const char *> gGuarded[MM_GUARD_SLOTS];
static_assert(std::atomic<const char *>::is_always_lock_free);

// Only async-signal-safe calls: unlink, sigprocmask, raise, _exit.
extern "C" void onStopSignal(int signal)
{
    for (std::atomic<const char *> &slot : gGuarded)
        if (const char *name = slot.load(std::memory_order_relaxed)) unlink(name);
    struct sigaction standard = {};
    standard.sa_handler = SIG_DFL;
    sigaction(signal, &standard, nullptr);
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, signal);
    sigprocmask(SIG_UNBLOCK, &only, nullptr);
    raise(signal);
    _exit(128 + signal);
}

sigset_t stopSet()
{
    sigset_t set;
    sigemptyset(&set);
    for (int signal : kStopSignals) sigaddset(&set, signal);
    return set;
}

}  // namespace

void MM_trapStopSignals()
{
    struct sigaction action = {};
    action.sa_handler = onStopSignal;
    action.sa_mask = stopSet();
    for (int signal : kStopSignals) {
        struct sigaction previous;
        if (sigaction(signal, nullptr, &previous) == 0 && previous.sa_handler == SIG_IGN) continue;
        sigaction(signal, &action, nullptr);
    }
}

void MM_guard(int slot, const char *name)
{
    if (slot >= 0 && slot < MM_GUARD_SLOTS) gGuarded[slot].store(name, std::memory_order_seq_cst);
}

MMholdSignals::MMholdSignals()
{
    sigset_t set = stopSet();
    sigprocmask(SIG_BLOCK, &set, &saved_);
}

MMholdSignals::~MMholdSignals() { sigprocmask(SIG_SETMASK, &saved_, nullptr); }
