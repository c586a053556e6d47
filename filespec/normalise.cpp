// The command cursor and the normalisation of a command line.
#include "filespec/command_line.h"

namespace zrl {

char *command_cursor = nullptr;

namespace {

bool is_blank(char c) {
    return c == ' ' || c == '\t';
}

} // namespace

// The result is never longer than the text it is written over, so the copy
// runs in place: the write position never passes the read position.
void normalise_command(char *text) {
    const char *from = text;
    char *to = text;
    while (is_blank(*from))
        ++from;
    // Parentheses do not nest here: the first ')' ends them.
    bool in_parentheses = false;
    bool in_quotes = false;
    while (*from != '\0') {
        const char c = *from;
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
