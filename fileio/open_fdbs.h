// The FDBs that are open.  The first byte of an open FDB is the low byte of
// its datptr and may be anything, attribute text included, so an open cannot
// tell an open FDB from text by looking at it; it asks here instead.  Only
// the addresses are compared: nothing is read through a pointer that may be
// a short text.
#pragma once

#include <zrlshared.h>

namespace zrl {

// Records an FDB that was opened; false when memory runs out.
bool note_open(const FDB *fdb);
// Forgets an FDB that is no longer open (closed, reset or released).
void note_closed(const FDB *fdb);
// Whether p is the address of an open FDB.
bool is_open_fdb(const void *p);

} // namespace zrl
