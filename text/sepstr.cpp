// sepstr: split a string in place into fields.
//
// The separator chooses the mode:
//   any byte but NUL and blank  fields run up to the next separator, which
//                               becomes NUL; empty fields are kept, but a
//                               separator at the very end adds none;
//   blank                       runs of blanks between fields become NULs;
//                               fields are never empty;
//   NUL                         blank-or-comma lists: blanks are skipped, a
//                               comma right behind a word (blanks between
//                               allowed) only ends the word, any other comma
//                               is an empty field.
// When the string ends before the slots do, every slot left over points at the
// string's terminating NUL, so the caller may read all of them.  When the slots
// run out first, the rest of the string stays as it is; in blank-or-comma mode
// the last field is not even cut and runs on to the end of the string.
#include "text/strings.h"

#include <cstddef>

#include <zrlshared.h>

namespace zrl {

namespace {

using Slots = std::span<char *>;

// Fields ended by one given separator.  Returns the end position reached.
char *split_on_char(char *p, char sep, Slots fields, std::size_t &count) {
    while (count < fields.size() && *p != '\0') {
        fields[count++] = p;
        while (*p != sep && *p != '\0')
            ++p;
        if (*p == sep) *p++ = '\0';
    }
    return p;
}

// Fields between runs of blanks.
char *split_on_blanks(char *p, Slots fields, std::size_t &count) {
    while (count < fields.size()) {
        while (*p == ' ')
            *p++ = '\0';
        if (*p == '\0') break;
        fields[count++] = p;
        while (*p != ' ' && *p != '\0')
            ++p;
        if (*p == ' ') *p++ = '\0';
    }
    return p;
}

// Fields separated by blanks, commas or both.  The byte that ends a word is
// only cut when the next field is scanned, which leaves the last word whole
// when the slots run out.
char *split_on_blanks_or_commas(char *p, Slots fields, std::size_t &count) {
    bool after_word = false;
    while (count < fields.size()) {
        while (*p == ' ')
            *p++ = '\0';
        if (*p == '\0') break;
        if (*p == ',') {
            *p = '\0';
            if (!after_word) fields[count++] = p; // an empty field
            after_word = false;                   // a comma behind a word just ends it
            ++p;
            continue;
        }
        fields[count++] = p;
        after_word = true;
        while (*p != ' ' && *p != ',' && *p != '\0')
            ++p;
    }
    return p;
}

} // namespace

int sep_str(char *str, char sep, Slots fields) {
    std::size_t count = 0;
    char *end;
    if (sep == '\0')
        end = split_on_blanks_or_commas(str, fields, count);
    else if (sep == ' ')
        end = split_on_blanks(str, fields, count);
    else
        end = split_on_char(str, sep, fields, count);
    // Only a string that ended leaves slots over, and then end is its NUL.
    for (std::size_t i = count; i < fields.size(); ++i)
        fields[i] = end;
    return static_cast<int>(count);
}

} // namespace zrl

extern "C" ZRL_API int sepstr(char *str, char sep, char **fields, int n) {
    if (n <= 0) return 0;
    return zrl::sep_str(str, sep, std::span<char *>(fields, static_cast<std::size_t>(n)));
}
