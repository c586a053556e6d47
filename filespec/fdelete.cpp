// fdelete: deletes the file that a specification names, found as ffspec
// finds it, so the name may be relative, carry a logical device or hold
// wildcards.  Only the first match goes per call: callers delete every match
// by calling again until the status is not 0.
#include <cerrno>

#include "filespec/fields.h"
#include "frame/status.h"
#include <utf8fs.h>
#include <zrlshared.h>

namespace zrl {

int delete_file(const char *spec) {
    set_status(kSuccess);
    char resolved[kSpecMax + 1];
    if (ffspec(resolved, spec, nullptr) == 0) return set_status(kInvalid);
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
