// Record storage of one track. Records are cut from chunks the track owns and
// recycled through free lists by size, so writing an event costs no heap
// allocation of its own; long records (big sysex or text) get their own block.
// The storage knows the work size of the records it holds, so all of them are
// released at once without visiting each.
#pragma once
#include <cstdint>

struct mmevt;
struct mmtrk;

// Zero-filled storage for a record of `length` payload bytes, or null.
mmevt *MMpool_alloc(mmtrk *track, uint32_t length);
// Gives the record's storage back to `track`, which made it.
void MMpool_free(mmtrk *track, mmevt *record);
// Releases all of the track's storage and every record still in it; gives
// the work size those records counted.
int64_t MMpool_release(mmtrk *track);
