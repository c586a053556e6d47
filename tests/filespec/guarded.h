// A text buffer with a filler behind the room a writer may use, so that a
// test sees whether anything was written past the NUL or past the room.
#pragma once

#include <string>

namespace filespec_test {

struct Guarded {
    std::string bytes;
    explicit Guarded(int room) : bytes(static_cast<std::size_t>(room) + 32, 'Z') {}
    char *data() { return bytes.data(); }
    std::string text() const { return bytes.c_str(); } // up to the first NUL
    bool untouched_from(int from) const {
        return bytes.find_first_not_of('Z', static_cast<std::size_t>(from)) == std::string::npos;
    }
};

} // namespace filespec_test
