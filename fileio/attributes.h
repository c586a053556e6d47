// Attribute text and the diagnostic dump of an FDB, inside the library.
#pragma once

#include <zrlshared.h>

namespace zrl {

// Applies the attribute keywords of `text` (null counts as empty) to the FDB
// in order and sets the marker unless the FDB is open.  zrl_error is 22 when a
// keyword was not known, 12 when a buffer could not be resized, else left as
// the caller set it.
void apply_attributes(FDB &fdb, const char *text);

// The four-line dump of an FDB to standard error; nothing for a null FDB.
void dump_fdb(const FDB *fdb);

} // namespace zrl
