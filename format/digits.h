// Digit tables and the small digit writers shared by the number conversions.
// Decimal digits are written two at a time from a table of the pairs 00..99,
// so a 32-bit number costs at most five divisions.
#pragma once

#include <array>
#include <cstdint>

namespace zrl::digits {

inline constexpr std::array<char, 200> kPairs = [] {
    std::array<char, 200> pairs{};
    for (int i = 0; i < 100; ++i) {
        pairs[2 * i] = static_cast<char>('0' + i / 10);
        pairs[2 * i + 1] = static_cast<char>('0' + i % 10);
    }
    return pairs;
}();

// Number of decimal digits of v (1 for 0).
constexpr int decimal_length(std::uint32_t v) {
    int n = 1;
    for (;;) {
        if (v < 10) return n;
        if (v < 100) return n + 1;
        if (v < 1000) return n + 2;
        if (v < 10000) return n + 3;
        v /= 10000;
        n += 4;
    }
}

// Writes the decimal digits of v into first[0 .. length-1], length being
// decimal_length(v) or more (the extra places at the front are not touched).
inline void put_decimal(char *first, int length, std::uint32_t v) {
    char *p = first + length;
    while (v >= 100) {
        const std::uint32_t pair = (v % 100) * 2;
        v /= 100;
        p -= 2;
        p[0] = kPairs[pair];
        p[1] = kPairs[pair + 1];
    }
    if (v >= 10) {
        p -= 2;
        p[0] = kPairs[v * 2];
        p[1] = kPairs[v * 2 + 1];
    } else {
        *--p = static_cast<char>('0' + v);
    }
}

// The magnitude of a signed value, computed without overflow (INT_MIN gives
// 2147483648).
constexpr std::uint32_t magnitude(std::int32_t v) {
    return v < 0 ? 0u - static_cast<std::uint32_t>(v) : static_cast<std::uint32_t>(v);
}

} // namespace zrl::digits
