// The compile driver: one run from the banner to the MIDI file.
#pragma once

// 0 after a complete compile; -1 when the start-up failed (its message
// printed). A fatal error throws MMabort.
int MM_compile();
