// UTF-8 <-> UTF-16 for the Windows layer.  Both directions refuse what cannot
// be converted exactly, so that a name never silently turns into another one.
#ifdef _WIN32

#include "win32_text.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <windows.h>

#ifndef WC_ERR_INVALID_CHARS
#define WC_ERR_INVALID_CHARS 0x80
#endif

namespace utf8fs::win32 {
namespace {

// The length of utf8 when it is shorter than limit bytes; otherwise fails.
bool bounded_length(const char *utf8, std::size_t limit, int &length) {
    if (utf8 == nullptr) {
        fail(EINVAL, ERROR_INVALID_PARAMETER);
        return false;
    }
    std::size_t n = 0;
    while (n < limit && utf8[n] != '\0')
        ++n;
    if (n >= limit) {
        fail(ENAMETOOLONG, ERROR_FILENAME_EXCED_RANGE);
        return false;
    }
    length = static_cast<int>(n);
    return true;
}

// Converts length bytes into out (room units, the NUL included); the number of
// units, or -1 with EINVAL.
int convert(const char *utf8, int length, wchar_t *out, int room) {
    int units = 0;
    if (length > 0) {
        units = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8, length, out, room - 1);
        if (units <= 0) {
            fail(EINVAL, ERROR_NO_UNICODE_TRANSLATION);
            return -1;
        }
    }
    out[units] = L'\0';
    return units;
}

} // namespace

void fail(int error, unsigned long reason) {
    errno = error;
    SetLastError(reason);
}

WideName::WideName(const char *utf8) {
    text_[0] = L'\0';
    int length = 0;
    ok_ = bounded_length(utf8, UTF8FS_PATH_MAX, length) &&
          convert(utf8, length, text_, UTF8FS_PATH_MAX) >= 0;
}

wchar_t *wide_copy(const char *utf8, std::size_t limit) {
    int length = 0;
    if (!bounded_length(utf8, limit, length)) return nullptr;
    auto *out = static_cast<wchar_t *>(
        std::malloc((static_cast<std::size_t>(length) + 1) * sizeof(wchar_t)));
    if (out == nullptr) {
        fail(ENOMEM, ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    if (convert(utf8, length, out, length + 1) < 0) {
        std::free(out);
        return nullptr;
    }
    return out;
}

int to_utf8(const wchar_t *wide, int units, char *out, int room) {
    if (units == 0 || (units < 0 && wide[0] == L'\0')) {
        out[0] = '\0';
        return 0;
    }
    const int bytes = WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, wide, units, out, room,
                                          nullptr, nullptr);
    if (bytes <= 0) {
        if (GetLastError() == ERROR_INSUFFICIENT_BUFFER)
            fail(ENAMETOOLONG, ERROR_FILENAME_EXCED_RANGE);
        else
            fail(EINVAL, ERROR_NO_UNICODE_TRANSLATION);
        return -1;
    }
    // With units -1 the NUL was converted and counted; otherwise add it.
    if (units < 0) return bytes - 1;
    if (bytes >= room) {
        fail(ENAMETOOLONG, ERROR_FILENAME_EXCED_RANGE);
        return -1;
    }
    out[bytes] = '\0';
    return bytes;
}

std::uint32_t put_path(const wchar_t *wide, unsigned long units, char *buffer, std::uint32_t size) {
    if (units >= UTF8FS_PATH_MAX) { // more units than the limit allows bytes
        fail(ENAMETOOLONG, ERROR_FILENAME_EXCED_RANGE);
        return 0;
    }
    char path[UTF8FS_PATH_MAX];
    const int length = to_utf8(wide, static_cast<int>(units), path, sizeof path);
    if (length < 0) return 0;
    if (static_cast<std::uint32_t>(length) >= size) {
        fail(ENAMETOOLONG, ERROR_FILENAME_EXCED_RANGE);
        return 0;
    }
    std::memcpy(buffer, path, static_cast<std::size_t>(length) + 1);
    return static_cast<std::uint32_t>(length);
}

} // namespace utf8fs::win32

#endif
