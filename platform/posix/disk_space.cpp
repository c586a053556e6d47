// Disk space and the current directory on POSIX.  Paths arrive in the form
// the library builds them, with backslashes where Windows has them, and are
// turned into '/' paths as the UTF-8 layer turns the names it is given.
#define _FILE_OFFSET_BITS 64

#include "platform/platform.h"

#include <cstring>
#include <string>
#include <sys/statvfs.h>

#include <utf8fs.h>

namespace zrl::platform {

bool disk_space(const char *where, DiskSpace &space) {
    if (where == nullptr || *where == '\0') return false;
    std::string path(where);
    for (char &c : path)
        if (c == '\\') c = '/';
    struct statvfs info {};
    if (::statvfs(path.c_str(), &info) != 0) return false;
    // The fragment size is the unit that f_blocks and f_bavail count in;
    // f_bavail leaves out the blocks reserved for the superuser, as Windows
    // leaves out what a quota withholds.
    space.unit_bytes = info.f_frsize != 0 ? info.f_frsize : info.f_bsize;
    space.free_units = info.f_bavail;
    space.total_units = info.f_blocks;
    return true;
}

bool current_directory(char *buffer, std::size_t size) {
    if (buffer == nullptr || size == 0) return false;
    const int room =
        size < static_cast<std::size_t>(UTF8FS_PATH_MAX) ? static_cast<int>(size) : UTF8FS_PATH_MAX;
    if (getcwd_utf8(buffer, room) == nullptr) {
        buffer[0] = '\0';
        return false;
    }
    for (char *c = buffer; *c != '\0'; ++c)
        if (*c == '\\') *c = '/';
    return true;
}

} // namespace zrl::platform
