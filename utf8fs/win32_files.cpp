// Opening, inspecting, renaming and removing files on Windows: the wide C
// runtime calls and CreateFileW, with the names converted from UTF-8.
#ifdef _WIN32

#include "win32_text.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <fcntl.h>
#include <io.h>
#include <limits>
#include <sys/stat.h>
#include <windows.h>

using namespace utf8fs::win32;

namespace {

bool is_separator(wchar_t c) {
    return c == L'\\' || c == L'/';
}

std::int32_t time32(std::int64_t seconds) {
    return seconds >= std::numeric_limits<std::int32_t>::min() &&
                   seconds <= std::numeric_limits<std::int32_t>::max()
               ? static_cast<std::int32_t>(seconds)
               : -1;
}

} // namespace

extern "C" UTF8FS_API FILE *fopen_utf8(const char *name, const char *mode) {
    WideName wide_name(name);
    if (!wide_name.ok()) return nullptr;
    WideName wide_mode(mode);
    if (!wide_mode.ok()) return nullptr;
    return _wfopen(wide_name.c_str(), wide_mode.c_str());
}

// The runtime knows only the owner's read and write bits; newer runtimes
// reject any other bit, so the rest of a POSIX-style mode is dropped here.
extern "C" UTF8FS_API int open_utf8(const char *name, int flags, int permissions) {
    WideName wide(name);
    if (!wide.ok()) return -1;
    return _wopen(wide.c_str(), flags, permissions & (_S_IREAD | _S_IWRITE));
}

// The 64-bit stat, narrowed here, gives the same outcome on every runtime:
// a size that does not fit fails with EOVERFLOW, a time that does not fit is
// -1.  One separator at the end is taken off first (the old runtime fails on
// "dir\"), and then requires a directory.
extern "C" UTF8FS_API int stat32_utf8(const char *name, struct utf8fs_stat32 *record) {
    WideName wide(name);
    if (!wide.ok()) return -1;
    if (record == nullptr) {
        errno = EINVAL;
        return -1;
    }
    wchar_t *text = wide.data();
    std::size_t length = 0;
    while (text[length] != L'\0')
        ++length;
    bool wants_directory = false;
    if (length > 1 && is_separator(text[length - 1]) && text[length - 2] != L':' &&
        !is_separator(text[length - 2])) {
        text[length - 1] = L'\0';
        wants_directory = true;
    }
    struct _stat64 st;
    if (_wstat64(text, &st) != 0) return -1;
    if (wants_directory && (st.st_mode & _S_IFDIR) == 0) {
        errno = ENOENT;
        return -1;
    }
    if (st.st_size > std::numeric_limits<std::int32_t>::max()) {
        errno = EOVERFLOW;
        return -1;
    }
    *record = utf8fs_stat32{};
    record->st_dev = static_cast<std::uint32_t>(st.st_dev);
    record->st_ino = static_cast<std::uint16_t>(st.st_ino);
    record->st_mode = static_cast<std::uint16_t>(st.st_mode);
    record->st_nlink = static_cast<std::int16_t>(st.st_nlink);
    record->st_uid = static_cast<std::int16_t>(st.st_uid);
    record->st_gid = static_cast<std::int16_t>(st.st_gid);
    record->st_rdev = static_cast<std::uint32_t>(st.st_rdev);
    record->st_size = static_cast<std::int32_t>(st.st_size);
    record->st_atime32 = time32(st.st_atime);
    record->st_mtime32 = time32(st.st_mtime);
    record->st_ctime32 = time32(st.st_ctime);
    return 0;
}

extern "C" UTF8FS_API int rename_utf8(const char *old_name, const char *new_name) {
    WideName from(old_name);
    if (!from.ok()) return -1;
    WideName to(new_name);
    if (!to.ok()) return -1;
    return _wrename(from.c_str(), to.c_str());
}

extern "C" UTF8FS_API int remove_utf8(const char *name) {
    WideName wide(name);
    if (!wide.ok()) return -1;
    return _wremove(wide.c_str());
}

extern "C" UTF8FS_API UTF8FS_HANDLE CreateFile_utf8(const char *name, std::uint32_t access,
                                                    std::uint32_t share_mode, void *security,
                                                    std::uint32_t disposition,
                                                    std::uint32_t flags_and_attributes,
                                                    UTF8FS_HANDLE template_file) {
    WideName wide(name);
    if (!wide.ok()) return UTF8FS_INVALID_HANDLE;
    return CreateFileW(wide.c_str(), access, share_mode,
                       static_cast<LPSECURITY_ATTRIBUTES>(security), disposition,
                       flags_and_attributes, static_cast<HANDLE>(template_file));
}

#endif
