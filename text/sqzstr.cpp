// sqzstr: turn a typed line into canonical command text, in place.
//
// The steps run in a fixed order, each over the whole string, because later
// steps see what earlier ones left: a backspace that removes a word's last
// letter may leave two blanks side by side, and those stay.
#include "text/strings.h"

#include <cstddef>

#include <zrlshared.h>

namespace zrl {

namespace {

constexpr char kBackspace = 8;
constexpr char kTab = 9;
constexpr char kLineFeed = 10;

// Tabs become blanks, runs of blanks one blank, and a trailing blank goes.
std::size_t collapse_blanks(char *str) {
    std::size_t out = 0;
    for (std::size_t in = 0; str[in] != '\0'; ++in) {
        const char c = str[in] == kTab ? ' ' : str[in];
        if (c == ' ' && out > 0 && str[out - 1] == ' ') continue;
        str[out++] = c;
    }
    if (out > 0 && str[out - 1] == ' ') --out;
    str[out] = '\0';
    return out;
}

// Drops one leading blank and every line feed, and lets each backspace take
// back the character kept before it.
std::size_t apply_edits(char *str) {
    std::size_t out = 0;
    std::size_t in = str[0] == ' ' ? 1 : 0;
    for (; str[in] != '\0'; ++in) {
        const char c = str[in];
        if (c == kBackspace) {
            if (out > 0) --out;
        } else if (c != kLineFeed) {
            str[out++] = c;
        }
    }
    if (out > 0 && str[out - 1] == ' ') --out;
    str[out] = '\0';
    return out;
}

} // namespace

int sqz_str(char *str) {
    if (str[0] == '\0') return 0;
    collapse_blanks(str);
    const std::size_t len = apply_edits(str);
    for (std::size_t i = 0; i < len; ++i) {
        if (str[i] >= 'a' && str[i] <= 'z') str[i] = static_cast<char>(str[i] - 'a' + 'A');
    }
    return static_cast<int>(len);
}

} // namespace zrl

extern "C" ZRL_API int sqzstr(char *str) {
    return zrl::sqz_str(str);
}
