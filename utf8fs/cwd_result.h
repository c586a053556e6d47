// How getcwd_utf8 hands the current directory to its caller on every
// platform: into the caller's buffer of size bytes, or into a block from
// malloc (at least size bytes) when the buffer is null.
#pragma once

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace utf8fs {

// Null with errno ERANGE when the text and its NUL do not fit the caller's
// buffer, ENOMEM when no block can be had.
inline char *cwd_result(std::string_view text, char *buffer, int size) {
    const std::size_t need = text.size() + 1;
    if (buffer == nullptr) {
        const std::size_t room = size > 0 && static_cast<std::size_t>(size) > need
                                     ? static_cast<std::size_t>(size)
                                     : need;
        buffer = static_cast<char *>(std::malloc(room));
        if (buffer == nullptr) {
            errno = ENOMEM;
            return nullptr;
        }
    } else if (need > static_cast<std::size_t>(size)) {
        errno = ERANGE;
        return nullptr;
    }
    std::memcpy(buffer, text.data(), text.size());
    buffer[text.size()] = '\0';
    return buffer;
}

} // namespace utf8fs
