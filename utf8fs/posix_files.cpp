// Opening, inspecting, renaming and removing files on POSIX, with the
// Windows runtime's flag values and outcomes where the two systems differ.
#ifndef _WIN32
#define _FILE_OFFSET_BITS 64

#include "guard.h"
#include "posix_names.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <fcntl.h>
#include <limits>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include <utf8fs.h>

namespace utf8fs::posix {
namespace {

// Windows opens no directory as a file: the runtime reports EACCES.
bool refuse_directory(int fd) {
    struct stat st;
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        errno = EACCES;
        return true;
    }
    return false;
}

int system_open_flags(int flags) {
    int result = 0;
    switch (flags & 3) {
    case UTF8FS_O_RDONLY:
        result = O_RDONLY;
        break;
    case UTF8FS_O_WRONLY:
        result = O_WRONLY;
        break;
    case UTF8FS_O_RDWR:
        result = O_RDWR;
        break;
    default:
        return -1;
    }
    if (flags & UTF8FS_O_APPEND) result |= O_APPEND;
    if (flags & UTF8FS_O_CREAT) result |= O_CREAT;
    if (flags & UTF8FS_O_TRUNC) result |= O_TRUNC;
    if (flags & UTF8FS_O_EXCL) result |= O_EXCL;
    if (flags & UTF8FS_O_NOINHERIT) result |= O_CLOEXEC;
    return result;
}

// Seconds as a 32-bit time, or -1 when they do not fit.
std::int32_t time32(time_t seconds) {
    const auto value = static_cast<std::int64_t>(seconds);
    return value >= std::numeric_limits<std::int32_t>::min() &&
                   value <= std::numeric_limits<std::int32_t>::max()
               ? static_cast<std::int32_t>(value)
               : -1;
}

std::uint16_t mode_kind(mode_t mode) {
    if (S_ISDIR(mode)) return UTF8FS_S_IFDIR;
    if (S_ISREG(mode)) return UTF8FS_S_IFREG;
    if (S_ISCHR(mode)) return UTF8FS_S_IFCHR;
    if (S_ISFIFO(mode)) return UTF8FS_S_IFIFO;
    return 0;
}

int access_flags(std::uint32_t access) {
    const bool read = (access & (UTF8FS_GENERIC_READ | UTF8FS_GENERIC_ALL)) != 0;
    const bool write = (access & (UTF8FS_GENERIC_WRITE | UTF8FS_GENERIC_ALL)) != 0;
    return write ? (read ? O_RDWR : O_WRONLY) : O_RDONLY;
}

} // namespace
} // namespace utf8fs::posix

using namespace utf8fs::posix;

extern "C" UTF8FS_API FILE *fopen_utf8(const char *name, const char *mode) {
    return utf8fs::guard(static_cast<FILE *>(nullptr), [&]() -> FILE * {
        std::string native;
        if (!take_name(name, native)) return nullptr;
        if (mode == nullptr) {
            errno = EINVAL;
            return nullptr;
        }
        FILE *stream = std::fopen(native.c_str(), mode);
        if (stream == nullptr) {
            if (errno == EISDIR) errno = EACCES;
            return nullptr;
        }
        if (refuse_directory(fileno(stream))) {
            std::fclose(stream);
            errno = EACCES;
            return nullptr;
        }
        return stream;
    });
}

extern "C" UTF8FS_API int open_utf8(const char *name, int flags, int permissions) {
    return utf8fs::guard(-1, [&]() -> int {
        std::string native;
        if (!take_name(name, native)) return -1;
        const int system_flags = system_open_flags(flags);
        if (system_flags < 0) {
            errno = EINVAL;
            return -1;
        }
        const int fd =
            ::open(native.c_str(), system_flags, static_cast<mode_t>(permissions & 0777));
        if (fd < 0) {
            if (errno == EISDIR) errno = EACCES;
            return -1;
        }
        if (refuse_directory(fd)) {
            ::close(fd);
            errno = EACCES;
            return -1;
        }
        // Windows deletes a temporary file when its last descriptor closes; the
        // closest POSIX equivalent is to drop the name at once, which frees the
        // file at the same moment.
        if (flags & UTF8FS_O_TEMPORARY) ::unlink(native.c_str());
        return fd;
    });
}

extern "C" UTF8FS_API int stat32_utf8(const char *name, struct utf8fs_stat32 *record) {
    return utf8fs::guard(-1, [&]() -> int {
        std::string native;
        if (!take_name(name, native)) return -1;
        if (record == nullptr) {
            errno = EINVAL;
            return -1;
        }
        struct stat st;
        if (::stat(native.c_str(), &st) != 0) return -1;
        const bool regular = S_ISREG(st.st_mode);
        if (regular && st.st_size > std::numeric_limits<std::int32_t>::max()) {
            errno = EOVERFLOW;
            return -1;
        }
        *record = utf8fs_stat32{};
        record->st_mode = static_cast<std::uint16_t>(mode_kind(st.st_mode) | (st.st_mode & 0777));
        record->st_nlink = static_cast<std::int16_t>(
            st.st_nlink > static_cast<nlink_t>(std::numeric_limits<std::int16_t>::max())
                ? std::numeric_limits<std::int16_t>::max()
                : st.st_nlink);
        record->st_size = regular ? static_cast<std::int32_t>(st.st_size) : 0;
        record->st_atime32 = time32(st.st_atime);
        record->st_mtime32 = time32(st.st_mtime);
        record->st_ctime32 = time32(st.st_ctime);
        return 0;
    });
}

// POSIX rename replaces an existing target; the Windows runtime refuses it.
// The check and the rename are two steps, so a target that appears between
// them is still replaced.
extern "C" UTF8FS_API int rename_utf8(const char *old_name, const char *new_name) {
    return utf8fs::guard(-1, [&]() -> int {
        std::string from, to;
        if (!take_name(old_name, from) || !take_name(new_name, to)) return -1;
        struct stat st;
        if (::lstat(to.c_str(), &st) == 0) {
            errno = EEXIST;
            return -1;
        }
        return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : -1;
    });
}

// remove() would delete an empty directory too; the Windows runtime deletes
// files only and answers EACCES for a directory.
extern "C" UTF8FS_API int remove_utf8(const char *name) {
    return utf8fs::guard(-1, [&]() -> int {
        std::string native;
        if (!take_name(name, native)) return -1;
        if (::unlink(native.c_str()) == 0) return 0;
        const int error = errno;
        struct stat st;
        errno = (error == EISDIR || error == EPERM) && ::stat(native.c_str(), &st) == 0 &&
                        S_ISDIR(st.st_mode)
                    ? EACCES
                    : error;
        return -1;
    });
}

extern "C" UTF8FS_API UTF8FS_HANDLE CreateFile_utf8(const char *name, std::uint32_t access,
                                                    std::uint32_t /*share_mode*/, void *security,
                                                    std::uint32_t disposition,
                                                    std::uint32_t flags_and_attributes,
                                                    UTF8FS_HANDLE /*template_file*/) {
    return utf8fs::guard(UTF8FS_INVALID_HANDLE, [&]() -> UTF8FS_HANDLE {
        std::string native;
        if (!take_name(name, native)) return UTF8FS_INVALID_HANDLE;
        int flags = access_flags(access);
        switch (disposition) {
        case UTF8FS_CREATE_NEW:
            flags |= O_CREAT | O_EXCL;
            break;
        case UTF8FS_CREATE_ALWAYS:
            flags |= O_CREAT | O_TRUNC;
            break;
        case UTF8FS_OPEN_EXISTING:
            break;
        case UTF8FS_OPEN_ALWAYS:
            flags |= O_CREAT;
            break;
        case UTF8FS_TRUNCATE_EXISTING:
            if ((flags & O_ACCMODE) == O_RDONLY) {
                errno = EACCES;
                return UTF8FS_INVALID_HANDLE;
            }
            flags |= O_TRUNC;
            break;
        default:
            errno = EINVAL;
            return UTF8FS_INVALID_HANDLE;
        }
        const auto *attributes = static_cast<const UTF8FS_SECURITY_ATTRIBUTES *>(security);
        if (attributes == nullptr || !attributes->bInheritHandle) flags |= O_CLOEXEC;
        const mode_t mode = (flags_and_attributes & UTF8FS_FILE_ATTRIBUTE_READONLY) ? 0444 : 0666;
        const int fd = ::open(native.c_str(), flags, mode);
        if (fd < 0) {
            if (errno == EISDIR) errno = EACCES;
            return UTF8FS_INVALID_HANDLE;
        }
        if (refuse_directory(fd)) {
            ::close(fd);
            errno = EACCES;
            return UTF8FS_INVALID_HANDLE;
        }
        return UTF8FS_FD_HANDLE(fd);
    });
}

#endif
