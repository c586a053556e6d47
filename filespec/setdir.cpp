// setdir: changes the current directory and reports the one now current.
//
// The report is read with a size of 80 bytes, so a current directory of more
// than 79 characters cannot be reported; with the separator appended the
// caller's buffer receives at most 81 bytes.  The separator is the native one
// ('\' on Windows, '/' on POSIX), and so are the separators of the report.
#include <cstring>

#include "filespec/fields.h"
#include "filespec/search.h"
#include <utf8fs.h>
#include <zrlshared.h>

namespace zrl {
namespace {

// The size setdir reads the current directory with, NUL included.
constexpr int kReportSize = 80;

// Makes path the current directory; a failure is not reported.  'D:' means
// the root of D, so a path ending with a colon gets a separator.  It is
// added in a copy: the caller's buffer need not have room for one more byte
// behind a name of its full size.
void change_to(const char *path) {
    const std::size_t length = std::strlen(path);
    if (length == 0 || length >= kSpecMax)
        return; // nothing asked for, or longer than any name the layer takes
    char target[kSpecMax + 1];
    std::memcpy(target, path, length + 1);
    if (path[length - 1] == ':') {
        target[length] = kNativeSeparator;
        target[length + 1] = '\0';
    }
    chdir_utf8(target);
}

} // namespace

int set_directory(char *path) {
    if (path == nullptr) return 0; // nowhere to report to
    change_to(path);
    char current[kReportSize + 1];
    if (getcwd_utf8(current, kReportSize) == nullptr) {
        path[0] = '\0';
        return 0;
    }
    std::size_t length = std::strlen(current);
    if (!ends_with_separator({current, length})) {
        current[length++] = kNativeSeparator;
        current[length] = '\0';
    }
    std::memcpy(path, current, length + 1);
    return static_cast<int>(length);
}

} // namespace zrl

extern "C" ZRL_API int setdir(char *path) {
    return zrl::set_directory(path);
}
