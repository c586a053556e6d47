// Integer and RAD-50 conversions: parsers, writers in both calling styles,
// the 32-bit wrap, the documented buffer sizes and the RAD-50 round trip.
#include "format/guarded_buffer.h"

#include <zrlshared.h>

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

using zrl_test::GuardedBuffer;

TEST(Convai, ReadsSignAndDigitsAndWrapsModulo2To32) {
    const struct {
        const char *text;
        int value, consumed;
    } cases[] = {
        {"-12x", -12, 3},
        {"+", 0, 1},
        {"", 0, 0},
        {"--5", 0, 1},
        {"-2147483648", INT_MIN, 11},
        {"2147483648", INT_MIN, 10},
        {"-4294967297", -1, 11},
    };
    for (const auto &c : cases) {
        for (auto parse : {convai, conval}) {
            int value = 12345;
            EXPECT_EQ(parse(c.text, &value), c.consumed) << c.text;
            EXPECT_EQ(value, c.value) << c.text;
        }
    }
}

TEST(Convax, ReadsHexDigitsKeepingTheLow32Bits) {
    const struct {
        const char *text;
        unsigned value;
        int consumed;
    } cases[] = {
        {"1fG", 31u, 2},
        {"-1", 0u, 0},
        {"aBcDeF", 0xABCDEFu, 6},
        {"123456789", 0x23456789u, 9},
    };
    for (const auto &c : cases) {
        unsigned value = 12345u;
        EXPECT_EQ(convax(c.text, &value), c.consumed) << c.text;
        EXPECT_EQ(value, c.value) << c.text;
        EXPECT_EQ(atox(c.text), c.value) << c.text;
    }
}

// Runs a writer in a guarded buffer of the documented room and checks the
// text, the count and the untouched bytes behind the NUL.
template <class Write> void expect_written(int room, const std::string &want, Write write) {
    GuardedBuffer buffer(room);
    const int n = write(buffer.data());
    EXPECT_EQ(buffer.text(), want);
    EXPECT_EQ(n, static_cast<int>(want.size())) << want;
    EXPECT_LT(n, room) << want;
    EXPECT_TRUE(buffer.untouched_from(n + 1)) << want;
}

// Both calling styles against snprintf over the extremes and a spread of
// values, each in a buffer of the documented room; what a writer prints its
// parser reads back.
TEST(IntegerWriters, MatchPrintfWithinTheDocumentedRoom) {
    std::vector<std::uint32_t> values = {0u,   7u,          8u,          99u,
                                         100u, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu};
    for (std::uint32_t v = 1; v < 0x80000000u; v = v * 3 + 1)
        values.push_back(v);
    for (const std::uint32_t u : values) {
        const int s = static_cast<int>(u);
        char dec[16], udec[16], oct[16], hex[16];
        std::snprintf(dec, sizeof dec, "%d", s);
        std::snprintf(udec, sizeof udec, "%u", u);
        std::snprintf(oct, sizeof oct, "%o", u);
        std::snprintf(hex, sizeof hex, "%08X", u);
        const std::int64_t magnitude = s < 0 ? -std::int64_t{s} : s;
        const std::string cents = std::to_string(magnitude % 100);
        const std::string hundredths = (s < 0 ? "-" : "") + std::to_string(magnitude / 100) + "." +
                                       (cents.size() < 2 ? "0" : "") + cents;
        expect_written(12, dec, [&](char *b) { return convia(&s, b); });
        expect_written(12, dec, [&](char *b) { return convla(&s, b); });
        expect_written(12, udec, [&](char *b) { return convua(&u, b); });
        expect_written(12, udec, [&](char *b) { return utoa(u, b); });
        expect_written(12, oct, [&](char *b) { return convoa(&u, b); });
        expect_written(12, oct, [&](char *b) { return otoa(u, b); });
        expect_written(9, hex, [&](char *b) { return convxa(&u, b); });
        expect_written(9, hex, [&](char *b) { return xtoa(u, b); });
        expect_written(13, hundredths, [&](char *b) { return convha(&s, b); });
        expect_written(13, hundredths, [&](char *b) { return htoa(s, b); });
        int back = 0;
        EXPECT_EQ(convai(dec, &back), static_cast<int>(std::strlen(dec)));
        EXPECT_EQ(back, s);
        EXPECT_EQ(atox(hex), u);
    }
}

// Zeros pad to mindigits, which is clamped to the 16 digits of the work
// area; strip removes low-order zeros (all of a zero).
TEST(Convlg, PadsToMindigitsClampedToSixteenAndStripsLowOrderZeros) {
    const struct {
        int value, mindigits, strip;
        const char *text;
    } cases[] = {
        {500, 4, 1, "05"},
        {0, 3, 1, ""},
        {-7, 2, 0, "-07"},
        {INT_MIN, 0, 1, "-2147483648"},
        {-1, INT_MAX, 0, "-0000000000000001"},
        {50, 100, 1, "000000000000005"},
    };
    for (const auto &c : cases)
        expect_written(18, c.text,
                       [&](char *b) { return convlg(&c.value, b, c.mindigits, c.strip); });
}

// ---- RAD-50 ----------------------------------------------------------------

constexpr char kRad50Set[] = " ABCDEFGHIJKLMNOPQRSTUVWXYZ$.?0123456789";

// Three characters per word, blanks padding the last; a character outside the
// set counts as code 40 (sums wrap at 16 bits), lower case as upper case, and status 22 tells about
// the last character looked up.
TEST(Conva5, PacksThreeCharactersPerWordAndFlagsUnknownOnes) {
    const struct {
        const char *text;
        std::vector<std::uint16_t> words;
        int status;
    } cases[] = {
        {"", {}, 99},
        {"abcD", {1683, 6400}, 0},
        {"A#B", {1 * 1600 + 40 * 40 + 2}, 0},
        {"AB#", {1 * 1600 + 2 * 40 + 40}, 22},
        {"\xC4", {40 * 1600}, 22},
    };
    for (const auto &c : cases) {
        std::vector<std::uint16_t> words(c.words.size() + 2, 0xBEEF);
        zrl_error = 99;
        EXPECT_EQ(conva5(c.text, words.data()), static_cast<int>(c.words.size())) << c.text;
        EXPECT_EQ(std::vector<std::uint16_t>(words.begin(), words.end() - 2), c.words) << c.text;
        EXPECT_EQ(words[c.words.size()], 0xBEEF) << c.text;
        EXPECT_EQ(zrl_error, c.status) << c.text;
    }
}

// Words from 64000 up take each code modulo 40.
TEST(Conv5a, WritesThreeCharactersPerWordWrappingFrom64000) {
    const std::uint16_t words[] = {0, 1683};
    expect_written(7, "   ABC", [&](char *b) { return conv5a(b, words, 2); });
    expect_written(1, "", [&](char *b) { return conv5a(b, words, 0); });
    const std::pair<std::uint16_t, const char *> wrapped[] = {
        {64000, "   "}, {64001, "  A"}, {64040, " A "}, {65535, " 8O"}};
    for (const auto &c : wrapped)
        expect_written(4, c.second, [&](char *b) { return conv5a(b, &c.first, 1); });
}

// Every word below 64000 names three characters of the set, and packing them
// again gives the same word: all 40 characters in all three places.
TEST(Rad50, EveryWordBelow64000RoundTrips) {
    for (std::uint32_t w = 0; w < 64000; ++w) {
        const auto word = static_cast<std::uint16_t>(w);
        char text[4];
        ASSERT_EQ(conv5a(text, &word, 1), 3);
        ASSERT_EQ(text[0], kRad50Set[w / 1600]);
        ASSERT_EQ(text[1], kRad50Set[w / 40 % 40]);
        ASSERT_EQ(text[2], kRad50Set[w % 40]);
        std::uint16_t back = 0;
        zrl_error = -1;
        ASSERT_EQ(conva5(text, &back), 1);
        ASSERT_EQ(back, word);
        ASSERT_EQ(zrl_error, 0);
    }
}

} // namespace
