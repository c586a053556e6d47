// The previous version of a file that is created over an existing one: kept
// under a backup name while the new file is written, dropped when the new
// file is closed, put back when the create fails or the file is closed with
// deletion.
#pragma once

#include <zrlshared.h>

namespace zrl {

// Before the create of fdb.filspc, over an existing file of exactly that
// name: with BACKUP moves it to a free backup name, kept in fdb.bakspc; with
// FAST_FILE_TRANSFER (and no BACKUP) removes it.  A backup name left from an
// earlier use of the FDB is forgotten first.  0 when the create may go on;
// otherwise the status that fails it, with the file untouched: the rename's,
// ENAMETOOLONG when the backup name cannot be formed whole, EEXIST when every
// backup name is taken.  zrl_error is left as it was.
int prepare_replacement(FDB &fdb);

// Renames fdb.bakspc back to fdb.filspc when a backup name is set, and then
// forgets the name.  The rename's status (0 when there was nothing to do);
// zrl_error is left as it was.
int restore_backup(FDB &fdb);

// The new file is complete: deletes the backup and makes bakspc empty.
// zrl_error is left as it was.
void drop_backup(FDB &fdb);

} // namespace zrl
