// The current directory and full and long paths on Windows.
#ifdef _WIN32

#include "cwd_result.h"
#include "win32_text.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <direct.h>
#include <windows.h>

using namespace utf8fs::win32;

namespace {

// A path of the Get...PathNameW calls has fitted when n is below the room
// (n is the size needed otherwise, and 0 on failure).
std::uint32_t deliver(const wchar_t *wide, DWORD n, char *buffer, std::uint32_t size) {
    if (n == 0) {
        errno = ENOENT;
        return 0;
    }
    if (n >= UTF8FS_PATH_MAX) {
        fail(ENAMETOOLONG, ERROR_FILENAME_EXCED_RANGE);
        return 0;
    }
    return put_path(wide, n, buffer, size);
}

} // namespace

extern "C" UTF8FS_API char *getcwd_utf8(char *buffer, int size) {
    if (buffer != nullptr && size <= 0) {
        errno = EINVAL;
        return nullptr;
    }
    wchar_t *wide = _wgetcwd(nullptr, 0); // from malloc, as long as needed
    if (wide == nullptr) return nullptr;
    char path[UTF8FS_PATH_MAX];
    const int length = to_utf8(wide, -1, path, sizeof path);
    std::free(wide);
    if (length < 0) return nullptr;
    return utf8fs::cwd_result({path, static_cast<std::size_t>(length)}, buffer, size);
}

extern "C" UTF8FS_API int chdir_utf8(const char *path) {
    WideName wide(path);
    if (!wide.ok()) return -1;
    return _wchdir(wide.c_str());
}

extern "C" UTF8FS_API std::uint32_t GetFullPathName_utf8(const char *name, std::uint32_t size,
                                                         char *buffer, char **name_part) {
    WideName wide(name);
    if (!wide.ok()) return 0;
    if (buffer == nullptr) {
        fail(EINVAL, ERROR_INVALID_PARAMETER);
        return 0;
    }
    wchar_t full[UTF8FS_PATH_MAX];
    const DWORD n = GetFullPathNameW(wide.c_str(), UTF8FS_PATH_MAX, full, nullptr);
    const std::uint32_t length = deliver(full, n, buffer, size);
    if (length != 0 && name_part != nullptr) {
        // The name part starts behind the last separator; a path ending with
        // one has none.
        std::uint32_t last = length;
        while (last > 0 && buffer[last - 1] != '\\' && buffer[last - 1] != '/')
            --last;
        *name_part = last < length ? buffer + last : nullptr;
    }
    return length;
}

extern "C" UTF8FS_API std::uint32_t GetLongPathName_utf8(const char *short_name, char *long_name,
                                                         std::uint32_t size) {
    WideName wide(short_name); // converted first: long_name may be the same buffer
    if (!wide.ok()) return 0;
    if (long_name == nullptr) {
        fail(EINVAL, ERROR_INVALID_PARAMETER);
        return 0;
    }
    wchar_t full[UTF8FS_PATH_MAX];
    const DWORD n = GetLongPathNameW(wide.c_str(), full, UTF8FS_PATH_MAX);
    return deliver(full, n, long_name, size);
}

#endif
