// Integer conversions: decimal, unsigned, octal, hexadecimal, hundredths and
// decimal with a minimum digit count, and the parsers of decimal and
// hexadecimal text.  All arithmetic is unsigned, so overflow wraps modulo 2^32.
#include "format/convert.h"
#include "format/digits.h"

#include <zrlshared.h>

#include <bit>

namespace zrl {

using digits::decimal_length;
using digits::magnitude;
using digits::put_decimal;

namespace {

constexpr bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

// The value of a hexadecimal digit, or -1.
constexpr int hex_value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// Unsigned decimal without sign into out; the length.
inline int write_unsigned(std::uint32_t v, char *out) {
    const int n = decimal_length(v);
    put_decimal(out, n, v);
    out[n] = '\0';
    return n;
}

} // namespace

int convai(const char *text, int &value) {
    int i = 0;
    const bool negative = text[0] == '-';
    if (text[0] == '-' || text[0] == '+') ++i;
    std::uint32_t v = 0;
    while (is_digit(text[i]))
        v = v * 10u + static_cast<std::uint32_t>(text[i++] - '0');
    value = static_cast<std::int32_t>(negative ? 0u - v : v);
    return i;
}

int convax(const char *text, std::uint32_t &value) {
    int i = 0;
    std::uint32_t v = 0;
    for (int d; (d = hex_value(text[i])) >= 0; ++i)
        v = (v << 4) | static_cast<std::uint32_t>(d);
    value = v;
    return i;
}

int convia(std::int32_t value, char *out) {
    if (value >= 0) return write_unsigned(static_cast<std::uint32_t>(value), out);
    out[0] = '-';
    return 1 + write_unsigned(magnitude(value), out + 1);
}

int convua(std::uint32_t value, char *out) {
    return write_unsigned(value, out);
}

int convoa(std::uint32_t value, char *out) {
    const int n = value == 0 ? 1 : (std::bit_width(value) + 2) / 3;
    for (int i = n - 1; i >= 0; --i) {
        out[i] = static_cast<char>('0' + (value & 7u));
        value >>= 3;
    }
    out[n] = '\0';
    return n;
}

// All eight digits at once: each nibble is spread into a byte of its own,
// bytes of 10 and more get the 7 that lies between '9' and 'A', and the
// bytes are stored most significant first.
int convxa(std::uint32_t value, char *out) {
    std::uint64_t x = value;
    x = (x | (x << 16)) & 0x0000FFFF0000FFFFull;
    x = (x | (x << 8)) & 0x00FF00FF00FF00FFull;
    x = (x | (x << 4)) & 0x0F0F0F0F0F0F0F0Full;
    const std::uint64_t letters = ((x + 0x0606060606060606ull) >> 4) & 0x0101010101010101ull;
    x += 0x3030303030303030ull + letters * 7;
    for (int i = 0; i < 8; ++i)
        out[i] = static_cast<char>(x >> (56 - 8 * i));
    out[8] = '\0';
    return 8;
}

// The decimal text with a point before its last two digits; fewer than three
// digits are padded to "0.0d" or "0.dd".
int convha(std::int32_t value, char *out) {
    int n = 0;
    if (value < 0) out[n++] = '-';
    const std::uint32_t v = magnitude(value);
    const std::uint32_t whole = v / 100;
    const std::uint32_t cents = (v % 100) * 2;
    const int w = decimal_length(whole);
    put_decimal(out + n, w, whole);
    n += w;
    out[n++] = '.';
    out[n++] = digits::kPairs[cents];
    out[n++] = digits::kPairs[cents + 1];
    out[n] = '\0';
    return n;
}

// Digits are produced from the lowest upward, one per step, while fewer than
// mindigits steps have run or value remains; with strip the zeros before the
// first nonzero digit are dropped.  A negative value's magnitude is taken in
// unsigned arithmetic, so the most negative int gives "-2147483648" like
// convia.  The minimum is clamped to the 16 digits of the work area.
int convlg(std::int32_t value, char *out, int mindigits, bool strip) {
    if (mindigits > kMinDigitsMax) mindigits = kMinDigitsMax;
    char work[kMinDigitsMax];
    int kept = 0;
    std::uint32_t v = magnitude(value);
    bool nonzero_seen = false;
    for (int steps = 0; steps < mindigits || v != 0; ++steps) {
        const auto d = static_cast<char>(v % 10);
        v /= 10;
        nonzero_seen = nonzero_seen || d != 0;
        if (strip && !nonzero_seen) continue;
        work[kept++] = static_cast<char>('0' + d);
    }
    int n = 0;
    if (value < 0) out[n++] = '-';
    while (kept > 0)
        out[n++] = work[--kept];
    out[n] = '\0';
    return n;
}

} // namespace zrl

// ---- exported entries ----

extern "C" {

ZRL_API int convai(const char *text, int *value) {
    return zrl::convai(text, *value);
}
ZRL_API int conval(const char *text, int *value) {
    return zrl::convai(text, *value);
}

ZRL_API int convax(const char *text, unsigned int *value) {
    std::uint32_t v = 0;
    const int n = zrl::convax(text, v);
    *value = v;
    return n;
}

ZRL_API unsigned int atox(const char *text) {
    std::uint32_t v = 0;
    zrl::convax(text, v);
    return v;
}

ZRL_API int convia(const int *value, char *buffer) {
    return zrl::convia(*value, buffer);
}
ZRL_API int convla(const int *value, char *buffer) {
    return zrl::convia(*value, buffer);
}

ZRL_API int convua(const unsigned int *value, char *buffer) {
    return zrl::convua(*value, buffer);
}
ZRL_API int utoa(unsigned int value, char *buffer) {
    return zrl::convua(value, buffer);
}

ZRL_API int convoa(const unsigned int *value, char *buffer) {
    return zrl::convoa(*value, buffer);
}
ZRL_API int otoa(unsigned int value, char *buffer) {
    return zrl::convoa(value, buffer);
}

ZRL_API int convxa(const unsigned int *value, char *buffer) {
    return zrl::convxa(*value, buffer);
}
ZRL_API int xtoa(unsigned int value, char *buffer) {
    return zrl::convxa(value, buffer);
}

ZRL_API int convha(const int *value, char *buffer) {
    return zrl::convha(*value, buffer);
}
ZRL_API int htoa(int value, char *buffer) {
    return zrl::convha(value, buffer);
}

ZRL_API int convlg(const int *value, char *buffer, int mindigits, int strip) {
    return zrl::convlg(*value, buffer, mindigits, strip != 0);
}

} // extern "C"
