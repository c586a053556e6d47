// The write-back at a close, beside the fill and fflushx of fileio/fdb.h.
#pragma once

#include <zrlshared.h>

namespace zrl {

// fflushx for an FDB that is about to be closed: the same write-back, but an
// update buffer is not filled again from the file.  The close discards the
// buffer anyway, and the refill would read from the file for nothing: on a
// terminal it would wait for the user to type, and a failing read would fail
// a close whose data had all been written.  The status in zrl_error.
void flush_before_close(FDB &fdb);

} // namespace zrl
