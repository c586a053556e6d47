// fdelete: deletes the file that a specification names, found as ffspec
// finds it, so the name may be relative, carry a logical device or hold
// wildcards.  Only the first match goes per call: callers delete every match
// by calling again until the status is not 0.
//
// A read-only file (no write permission for its owner) is not deleted: the
// status is the runtime's EACCES, as the Windows runtime refuses it.  POSIX
// would let the owner of the directory remove it; a program written for the
// system relies on the read-only mark protecting its file.
#include <cerrno>

#include "filespec/fields.h"
#include "filespec/search.h"
#include "frame/status.h"
#include <utf8fs.h>
#include <zrlshared.h>

namespace zrl {
namespace {
constexpr int kOwnerWrite = 0200;
}

int delete_file(const char *spec) {
    set_status(kSuccess);
    char resolved[kSpecMax + 1];
    int refusal = kSuccess;
    if (find_first(resolved, spec, nullptr, refusal) == 0)
        return set_status(refusal != kSuccess ? refusal : kInvalid);
    utf8fs_stat32 record;
    if (stat32_utf8(resolved, &record) == 0 && (record.st_mode & UTF8FS_S_IFDIR) == 0 &&
        (record.st_mode & kOwnerWrite) == 0)
        return set_status(EACCES);
    // A directory resolves to a name with a final separator; the layer
    // removes files only and refuses it with the runtime's number.
    errno = 0;
    if (remove_utf8(resolved) != 0) return set_status(status_from_errno(errno));
    return kSuccess;
}

} // namespace zrl

extern "C" ZRL_API int fdelete(const char *spec) {
    return zrl::delete_file(spec);
}
