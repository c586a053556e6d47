// Closing an FDB: write back what is left, close the descriptor, drop or put
// back the backup of a created file, and delete or rename the file.
//
// The write-back is fflushx's, without its refill of an update buffer: the
// buffer is discarded at the close, and a terminal would be read for nothing.
// A failed write-back keeps the file open, so that nothing written is lost
// without the caller knowing (unless the file is being deleted anyway).  Once
// the descriptor has been handed to the runtime's close it is gone whatever
// the close reports, so the FDB is then marked not open even when the status
// is not 0: keeping the number would let a later close hit a descriptor that
// the runtime has given to another file.  An FDB made from attribute text is
// released only by a close that reports 0; after a failure it stays valid,
// and the next fclosx (or fdbfree) releases it.
#include <cerrno>
#include <cstring>

#include "fileio/backup.h"
#include "fileio/buffer.h"
#include "fileio/exact_names.h"
#include "fileio/fdb.h"
#include "fileio/open_fdbs.h"
#include "filespec/fields.h"
#include "frame/status.h"
#include "platform/platform.h"
#include <zrlshared.h>

namespace zrl {

int close_fdb(FDB *fdb) {
    set_status(kSuccess);
    if (fdb == nullptr) return set_status(kInvalid);
    if (fdb->handle < 0) {
        if (has_flag(*fdb, ZRL_FDB_TEMPORARY_FDB)) release_fdb(fdb);
        return set_status(kInvalid);
    }

    if (!has_flag(*fdb, ZRL_FDB_IMAGE)) flush_before_close(*fdb);

    const bool deleting = has_flag(*fdb, ZRL_FDB_DELETE);
    char name[ZRL_FDB_SPEC];
    if (deleting) {
        set_status(kSuccess);
        std::memcpy(name, fdb->filspc, sizeof name);
        name[sizeof name - 1] = '\0';
    } else if (zrl_error != kSuccess) {
        return zrl_error;
    }

    errno = 0;
    if (platform::fd_close(fdb->handle) != 0) set_status(io_status(errno));
    const int close_status = zrl_error;
    fdb->handle = -1;
    note_closed(fdb);
    set_marker(*fdb);

    if (deleting) {
        // The file is to go, and its previous version comes back.  A file
        // that is already gone (a temporary file the runtime removed at the
        // close) is no failure.
        const int deleted = exact_remove(name);
        set_status(close_status);
        if (deleted != kSuccess && deleted != ENOENT && zrl_error == kSuccess)
            set_status(deleted);
        const int restored = restore_backup(*fdb);
        if (restored != kSuccess && zrl_error == kSuccess) set_status(restored);
    } else if (close_status == kSuccess) {
        // The new file is complete.  After a failed close it may not be, so
        // the previous version stays where it is.
        drop_backup(*fdb);
    }

    if (zrl_error == kSuccess && has_flag(*fdb, ZRL_FDB_TEMPORARY_FDB)) release_fdb(fdb);
    return zrl_error;
}

int close_and_delete(FDB *fdb) {
    if (fdb == nullptr) return zrl_error;
    fdb->f_flags |= ZRL_FDB_DELETE;
    close_fdb(fdb);
    return zrl_error;
}

int close_and_rename(FDB *fdb, const char *new_spec, const char *defspec) {
    char old_name[ZRL_FDB_SPEC];
    old_name[0] = '\0';
    if (fdb != nullptr) {
        std::memcpy(old_name, fdb->filspc, sizeof old_name);
        old_name[sizeof old_name - 1] = '\0';
    }
    // A new name too long to hold is refused whole, never cut; the file is
    // still closed under its old name.
    char new_name[kSpecMax + 1];
    std::size_t length = 0;
    const int merged = merge_name(new_name, new_spec, defspec, length);
    if (close_fdb(fdb) != kSuccess) return zrl_error;
    set_status(merged != kSuccess ? io_status(merged) : exact_rename_to_spec(old_name, new_name));
    return zrl_error;
}

} // namespace zrl

extern "C" {

ZRL_API int fclosx(FDB *fdb) {
    return zrl::close_fdb(fdb);
}

ZRL_API int fcldelete(FDB *fdb) {
    return zrl::close_and_delete(fdb);
}

ZRL_API int fclrename(FDB *fdb, const char *new_spec, const char *defspec) {
    return zrl::close_and_rename(fdb, new_spec, defspec);
}

ZRL_API int fcleof(FDB *fdb) {
    typeln("FCLEOF: new file i/o executes FCLOSX instead of FCLEOF.");
    return zrl::close_fdb(fdb);
}

ZRL_API int fclspool(FDB *fdb) {
    typeln("FCLSPOOL: new file i/o executes FCLOSX instead of FCLSPOOL.");
    return zrl::close_fdb(fdb);
}

} // extern "C"
