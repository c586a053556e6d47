// Directory enumeration on Windows: FindFirstFileW / FindNextFileW with the
// entries converted into the layer's UTF-8 record.
#ifdef _WIN32

#include "win32_text.h"

#include <cerrno>
#include <windows.h>

using namespace utf8fs::win32;

namespace {

UTF8FS_FILETIME filetime(const FILETIME &time) {
    return {static_cast<std::uint32_t>(time.dwLowDateTime),
            static_cast<std::uint32_t>(time.dwHighDateTime)};
}

// False for an entry whose name has no exact UTF-8 form (a lone surrogate);
// such entries are left out of the enumeration.
bool fill(WIN32_FIND_DATA_UTF8 &data, const WIN32_FIND_DATAW &found) {
    WIN32_FIND_DATA_UTF8 entry{};
    if (to_utf8(found.cFileName, -1, entry.cFileName, sizeof entry.cFileName) < 0) return false;
    entry.dwFileAttributes = static_cast<std::uint32_t>(found.dwFileAttributes);
    entry.ftCreationTime = filetime(found.ftCreationTime);
    entry.ftLastAccessTime = filetime(found.ftLastAccessTime);
    entry.ftLastWriteTime = filetime(found.ftLastWriteTime);
    entry.nFileSizeHigh = static_cast<std::uint32_t>(found.nFileSizeHigh);
    entry.nFileSizeLow = static_cast<std::uint32_t>(found.nFileSizeLow);
    data = entry;
    return true;
}

// The next convertible entry after the current one; false at the end.
bool next(HANDLE search, WIN32_FIND_DATA_UTF8 &data) {
    WIN32_FIND_DATAW found;
    do {
        if (!FindNextFileW(search, &found)) return false;
    } while (!fill(data, found));
    return true;
}

} // namespace

extern "C" UTF8FS_API UTF8FS_HANDLE FindFirstFile_utf8(const char *pattern,
                                                       WIN32_FIND_DATA_UTF8 *data) {
    WideName wide(pattern);
    if (!wide.ok()) return UTF8FS_INVALID_HANDLE;
    if (data == nullptr) {
        fail(EINVAL, ERROR_INVALID_PARAMETER);
        return UTF8FS_INVALID_HANDLE;
    }
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(wide.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        errno = ENOENT;
        return UTF8FS_INVALID_HANDLE;
    }
    if (!fill(*data, found) && !next(search, *data)) {
        FindClose(search);
        fail(ENOENT, ERROR_FILE_NOT_FOUND);
        return UTF8FS_INVALID_HANDLE;
    }
    return search;
}

extern "C" UTF8FS_API int FindNextFile_utf8(UTF8FS_HANDLE search, WIN32_FIND_DATA_UTF8 *data) {
    if (data == nullptr) {
        fail(EINVAL, ERROR_INVALID_PARAMETER);
        return 0;
    }
    return next(static_cast<HANDLE>(search), *data) ? 1 : 0;
}

extern "C" UTF8FS_API int FindClose_utf8(UTF8FS_HANDLE search) {
    return FindClose(static_cast<HANDLE>(search)) ? 1 : 0;
}

#endif
