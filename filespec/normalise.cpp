// The command cursor and the normalisation of a command line.
#include "filespec/command_line.h"

#include <array>
#include <cstring>

namespace zrl {

char *command_cursor = nullptr;

namespace {

bool is_blank(char c) {
    return c == ' ' || c == '\t';
}

// The bytes at which the copy has something to decide: blanks, the ones that
// enter or leave the quote and parenthesis states, and the NUL.  Runs of all
// other bytes are taken whole.
constexpr std::array<bool, 256> kDecides = [] {
    std::array<bool, 256> table{};
    for (unsigned char c : {'\0', ' ', '\t', '(', ')', '"'})
        table[c] = true;
    return table;
}();

bool decides(char c) {
    return kDecides[static_cast<unsigned char>(c)];
}

} // namespace

// The result is never longer than the text it is written over, so the copy
// runs in place: the write position never passes the read position, and
// until a blank run is dropped nothing moves at all.
void normalise_command(char *text) {
    // Without a blank or a tab anywhere the text is its own result.
    if (std::strpbrk(text, " \t") == nullptr) return;
    const char *from = text;
    char *to = text;
    while (is_blank(*from))
        ++from;
    // Parentheses do not nest here: the first ')' ends them.
    bool in_parentheses = false;
    bool in_quotes = false;
    for (;;) {
        const char *run = from;
        while (!decides(*from))
            ++from;
        const std::size_t length = static_cast<std::size_t>(from - run);
        if (to != run) std::memmove(to, run, length);
        to += length;

        const char c = *from;
        if (c == '\0') break;
        if (!in_parentheses && !in_quotes && is_blank(c)) {
            while (is_blank(*from))
                ++from;
            if (*from != '/' && *from != '\0') *to++ = ',';
            continue;
        }
        if (c == '(' && !in_quotes) in_parentheses = true;
        else if (c == ')' && in_parentheses) in_parentheses = false;
        else if (c == '"' && !in_parentheses) in_quotes = !in_quotes;
        *to++ = c;
        ++from;
    }
    *to = '\0';
}

} // namespace zrl
