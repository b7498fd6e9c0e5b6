// Work files: in file mode each event record goes to its track's work file
// and is read back just before the track is written.
#pragma once
#include <cstdio>
#include "store/track.h"

struct mmevt;

FILE *MMwork_open(mmtrk *track, const char *mode);
int MMwork_put(mmtrk *track, const mmevt *event);
int MMwork_close(mmtrk *track);
int MMwork_load(mmtrk *track);
// Closes the track's work stream and deletes its work file.
void MMwork_remove(mmtrk *track);
