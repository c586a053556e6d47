// Line input for the library's own prompts, with the caller's buffer size.
#pragma once

#include <cstddef>
#include <span>

namespace zrl {

struct Line {
    bool read; // false at end of input or on a read failure
    bool cut;  // the line held more characters than the buffer kept
    std::size_t length;
};

// Writes prompt on standard output as getlin does, then reads one line into
// text: at most text.size() - 1 characters and the NUL; the rest of a longer
// line is read and dropped.  text must not be empty.
Line prompt_line(const char *prompt, std::span<char> text);

} // namespace zrl
