// The compile driver: one run from the banner to the MIDI file.
#pragma once

// The whole run after the program-wide set-up: the command line, the compile,
// and the clean-up after any outcome. The exit status: 0 after a complete
// compile, 1 after any error (out of memory included).
int MM_run(int argc, char **argv);

// 0 after a complete compile; -1 when the start-up failed (its message
// printed). A fatal error throws MMabort.
int MM_compile();
