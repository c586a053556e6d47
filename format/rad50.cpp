// RAD-50: three characters of a 40-character set packed into a 16-bit word as
// c1 * 1600 + c2 * 40 + c3.
#include "format/convert.h"
#include "text/strings.h"

#include <zrlshared.h>

namespace zrl {

namespace {

// The set in code order; its length, 40, is the code a missing character gets.
constexpr char kRad50Set[] = " ABCDEFGHIJKLMNOPQRSTUVWXYZ$.?0123456789";
static_assert(sizeof kRad50Set == 41);

// The code of one character: lower-case letters fold to upper case, and the
// lookup is the string search, so a character outside the set gives 40 with
// status 22 and every lookup resets the status first.
std::uint32_t rad50_code(char c) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return static_cast<std::uint32_t>(chr_str(c, kRad50Set));
}

} // namespace

// Groups of three characters, the last one padded with code 0; sums beyond
// 16 bits (possible only with codes of 40) wrap.
int conva5(const char *text, std::uint16_t *words) {
    int count = 0;
    const char *p = text;
    while (*p != '\0') {
        std::uint32_t word = 0;
        for (int place = 0; place < 3; ++place) {
            word *= 40;
            if (*p != '\0') word += rad50_code(*p++);
        }
        words[count++] = static_cast<std::uint16_t>(word);
    }
    return count;
}

// Each word gives the characters of codes (w / 1600) mod 40, (w / 40) mod 40
// and w mod 40, so words from 64000 up wrap around the set.
int conv5a(char *out, const std::uint16_t *words, int count) {
    int n = 0;
    for (int i = 0; i < count; ++i) {
        const std::uint32_t w = words[i];
        out[n++] = kRad50Set[(w / 1600) % 40];
        out[n++] = kRad50Set[(w / 40) % 40];
        out[n++] = kRad50Set[w % 40];
    }
    out[n] = '\0';
    return n;
}

} // namespace zrl

// ---- exported entries ----

extern "C" {

ZRL_API int conva5(const char *text, uint16_t *words) {
    return zrl::conva5(text, words);
}

ZRL_API int conv5a(char *buffer, const uint16_t *words, int count) {
    return zrl::conv5a(buffer, words, count);
}

} // extern "C"
