// Integer and RAD-50 conversions: parsers, writers in both calling styles,
// the 32-bit wrap, the documented buffer sizes and the RAD-50 round trip.
#include "format/guarded_buffer.h"

#include <zrlshared.h>

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <string>
#include <vector>

namespace {

using zrl_test::GuardedBuffer;

// ---- Parsers -------------------------------------------------------------

struct IntParseCase {
    const char *text;
    int value;
    int consumed;
};

TEST(Convai, ReadsSignAndDigitsUpToTheFirstNonDigit) {
    const IntParseCase cases[] = {
        {"-12x", -12, 3},
        {"+", 0, 1},
        {"-", 0, 1},
        {" 5", 0, 0},
        {"", 0, 0},
        {"x1", 0, 0},
        {"0", 0, 1},
        {"007", 7, 3},
        {"+17+", 17, 3},
        {"--5", 0, 1},
        {"12 34", 12, 2},
        {"2147483647", INT_MAX, 10},
        {"-2147483648", INT_MIN, 11},
        {"-0", 0, 2},
    };
    for (const auto &c : cases) {
        for (auto parse : {convai, conval}) {
            int value = 12345;
            EXPECT_EQ(parse(c.text, &value), c.consumed) << c.text;
            EXPECT_EQ(value, c.value) << c.text;
        }
    }
}

TEST(Convai, WrapsModulo2To32) {
    const IntParseCase cases[] = {
        {"2147483648", INT_MIN, 10},
        {"4294967295", -1, 10},
        {"4294967296", 0, 10},
        {"4294967297", 1, 10},
        {"-4294967297", -1, 11},
        {"-2147483649", INT_MAX, 11},
        {"99999999999999999999", static_cast<int>(UINT32_C(1661992959)), 20},
    };
    for (const auto &c : cases) {
        int value = 0;
        EXPECT_EQ(convai(c.text, &value), c.consumed) << c.text;
        EXPECT_EQ(value, c.value) << c.text;
    }
}

TEST(Convax, ReadsHexDigitsKeepingTheLow32Bits) {
    struct Case {
        const char *text;
        unsigned value;
        int consumed;
    } const cases[] = {
        {"1fG", 31u, 2},
        {"x1", 0u, 0},
        {"", 0u, 0},
        {"-1", 0u, 0},
        {" F", 0u, 0},
        {"0x1F", 0u, 1},
        {"aBcDeF", 0xABCDEFu, 6},
        {"FFFFFFFF", 0xFFFFFFFFu, 8},
        {"123456789", 0x23456789u, 9},
        {"abcdef0123", 0xCDEF0123u, 10},
        {"100000000", 0u, 9},
        {"00000000000000000001", 1u, 20},
    };
    for (const auto &c : cases) {
        unsigned value = 12345u;
        EXPECT_EQ(convax(c.text, &value), c.consumed) << c.text;
        EXPECT_EQ(value, c.value) << c.text;
        EXPECT_EQ(atox(c.text), c.value) << c.text;
    }
}

// ---- Writers ---------------------------------------------------------------

// Runs a writer in a guarded buffer of the documented room and checks the
// result against the text, the NUL and the untouched bytes behind it.
template <class Write>
void expect_written(int room, const std::string &expected, const std::string &label, Write write) {
    GuardedBuffer buffer(room);
    const int n = write(buffer.data());
    EXPECT_EQ(buffer.text(), expected) << label;
    EXPECT_EQ(n, static_cast<int>(expected.size())) << label;
    EXPECT_LT(n, room) << label;
    EXPECT_TRUE(buffer.untouched_from(n + 1)) << label;
}

TEST(Convia, WritesSignedDecimalInBothNames) {
    const std::pair<int, const char *> cases[] = {
        {0, "0"},
        {9, "9"},
        {10, "10"},
        {-1, "-1"},
        {99, "99"},
        {100, "100"},
        {-100, "-100"},
        {123456789, "123456789"},
        {1000000000, "1000000000"},
        {-1000000000, "-1000000000"},
        {INT_MAX, "2147483647"},
        {INT_MIN, "-2147483648"},
    };
    for (const auto &c : cases) {
        const auto value = c.first;
        const char *text = c.second;
        expect_written(12, text, text, [&](char *b) { return convia(&value, b); });
        expect_written(12, text, text, [&](char *b) { return convla(&value, b); });
    }
}

TEST(Convua, WritesUnsignedDecimalWithoutLeadingZeros) {
    const std::pair<unsigned, const char *> cases[] = {
        {0u, "0"},
        {1u, "1"},
        {10u, "10"},
        {100u, "100"},
        {2147483648u, "2147483648"},
        {4000000000u, "4000000000"},
        {UINT_MAX, "4294967295"},
    };
    for (const auto &c : cases) {
        const auto value = c.first;
        const char *text = c.second;
        expect_written(12, text, text, [&](char *b) { return convua(&value, b); });
        expect_written(12, text, text, [&](char *b) { return utoa(value, b); });
    }
}

TEST(Convoa, WritesOctalWithoutLeadingZeros) {
    const std::pair<unsigned, const char *> cases[] = {
        {0u, "0"},
        {7u, "7"},
        {8u, "10"},
        {511u, "777"},
        {512u, "1000"},
        {0x40000000u, "10000000000"},
        {0x80000000u, "20000000000"},
        {UINT_MAX, "37777777777"},
    };
    for (const auto &c : cases) {
        const auto value = c.first;
        const char *text = c.second;
        expect_written(12, text, text, [&](char *b) { return convoa(&value, b); });
        expect_written(12, text, text, [&](char *b) { return otoa(value, b); });
    }
}

TEST(Convxa, WritesExactlyEightUpperCaseHexDigits) {
    const std::pair<unsigned, const char *> cases[] = {
        {0u, "00000000"},          {255u, "000000FF"},        {0xDEADBEEFu, "DEADBEEF"},
        {0x0A0B0C0Du, "0A0B0C0D"}, {0x80000000u, "80000000"}, {UINT_MAX, "FFFFFFFF"},
    };
    for (const auto &c : cases) {
        const auto value = c.first;
        const char *text = c.second;
        expect_written(9, text, text, [&](char *b) { return convxa(&value, b); });
        expect_written(9, text, text, [&](char *b) { return xtoa(value, b); });
    }
}

TEST(Convha, PlacesThePointBeforeTheLastTwoDigits) {
    const std::pair<int, const char *> cases[] = {
        {12345, "123.45"},
        {-12345, "-123.45"},
        {100, "1.00"},
        {45, "0.45"},
        {-45, "-0.45"},
        {10, "0.10"},
        {7, "0.07"},
        {-5, "-0.05"},
        {0, "0.00"},
        {INT_MAX, "21474836.47"},
        {INT_MIN, "-21474836.48"},
    };
    for (const auto &c : cases) {
        const auto value = c.first;
        const char *text = c.second;
        expect_written(13, text, text, [&](char *b) { return convha(&value, b); });
        expect_written(13, text, text, [&](char *b) { return htoa(value, b); });
    }
}

TEST(Convlg, PadsToMindigitsAndStripsLowOrderZeros) {
    struct Case {
        int value;
        int mindigits;
        int strip;
        const char *text;
    } const cases[] = {
        {500, 4, 1, "05"},
        {500, 4, 0, "0500"},
        {5, 3, 0, "005"},
        {0, 0, 0, ""},
        {0, 0, 1, ""},
        {0, 3, 1, ""},
        {0, 3, 0, "000"},
        {123, 0, 0, "123"},
        {123, 2, 0, "123"},
        {120, 0, 1, "12"},
        {10, 5, 1, "0001"},
        {-500, 4, 1, "-05"},
        {-7, 2, 0, "-07"},
        {1000000000, 0, 1, "1"},
        {1000000000, 12, 0, "001000000000"},
        {INT_MAX, 0, 0, "2147483647"},
        {7, -3, 0, "7"},
        {0, -1, 0, ""},
    };
    for (const auto &c : cases) {
        const std::string label =
            std::to_string(c.value) + "/" + std::to_string(c.mindigits) + (c.strip ? "/strip" : "");
        expect_written(18, c.text, label,
                       [&](char *b) { return convlg(&c.value, b, c.mindigits, c.strip); });
    }
}

// The most negative int is written with its full magnitude, as convia does.
TEST(Convlg, WritesTheMostNegativeIntWithItsMagnitude) {
    const int value = INT_MIN;
    for (int strip : {0, 1}) {
        expect_written(18, "-2147483648", "INT_MIN",
                       [&](char *b) { return convlg(&value, b, 0, strip); });
        expect_written(18, "-002147483648", "INT_MIN/12",
                       [&](char *b) { return convlg(&value, b, 12, strip); });
    }
}

// The work area holds 16 digits: a larger minimum is clamped to it, so the
// text never exceeds a sign and 16 digits.
TEST(Convlg, ClampsMindigitsToSixteen) {
    struct Case {
        int value;
        int mindigits;
        int strip;
        const char *text;
    } const cases[] = {
        {5, 16, 0, "0000000000000005"},
        {5, 17, 0, "0000000000000005"},
        {5, 1000, 0, "0000000000000005"},
        {-1, INT_MAX, 0, "-0000000000000001"},
        {50, 100, 1, "000000000000005"},
        {0, 100, 0, "0000000000000000"},
        {0, 100, 1, ""},
        {INT_MIN, 40, 0, "-0000002147483648"},
    };
    for (const auto &c : cases) {
        const std::string label = std::to_string(c.value) + "/" + std::to_string(c.mindigits);
        expect_written(18, c.text, label,
                       [&](char *b) { return convlg(&c.value, b, c.mindigits, c.strip); });
    }
}

// Both calling styles agree over a spread of values, the extremes included.
TEST(IntegerWriters, ByPointerAndByValueGiveTheSameText) {
    std::vector<std::uint32_t> values = {0u,   1u,          7u,          8u,         99u,
                                         100u, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu};
    for (std::uint32_t v = 1; v < 0x80000000u; v = v * 3 + 1)
        values.push_back(v);
    for (std::uint32_t u : values) {
        const int s = static_cast<int>(u);
        char a[13], b[13];
        EXPECT_EQ(convua(&u, a), utoa(u, b));
        EXPECT_STREQ(a, b);
        EXPECT_EQ(convoa(&u, a), otoa(u, b));
        EXPECT_STREQ(a, b);
        EXPECT_EQ(convxa(&u, a), xtoa(u, b));
        EXPECT_STREQ(a, b);
        EXPECT_EQ(convha(&s, a), htoa(s, b));
        EXPECT_STREQ(a, b);
        EXPECT_EQ(convia(&s, a), convla(&s, b));
        EXPECT_STREQ(a, b);
        // What a writer prints its parser reads back.
        int back = 0;
        convia(&s, a);
        EXPECT_EQ(convai(a, &back), static_cast<int>(std::string(a).size()));
        EXPECT_EQ(back, s);
        xtoa(u, a);
        EXPECT_EQ(atox(a), u);
    }
}

// ---- RAD-50 ----------------------------------------------------------------

constexpr char kRad50Set[] = " ABCDEFGHIJKLMNOPQRSTUVWXYZ$.?0123456789";

TEST(Conva5, PacksThreeCharactersPerWordPaddingWithBlanks) {
    struct Case {
        const char *text;
        std::vector<std::uint16_t> words;
    } const cases[] = {
        {"", {}},
        {"A", {1600}},
        {"AB", {1680}},
        {"ab", {1680}},
        {"ABC", {1683}},
        {"abc", {1683}},
        {"ABCD", {1683, 6400}},
        {"   ", {0}},
        {"999", {39 * 1600 + 39 * 40 + 39}},
        {"$.?", {27 * 1600 + 28 * 40 + 29}},
        {"FILE.DAT", {6 * 1600 + 9 * 40 + 12, 5 * 1600 + 28 * 40 + 4, 1 * 1600 + 20 * 40}},
    };
    for (const auto &c : cases) {
        std::vector<std::uint16_t> words(c.words.size() + 2, 0xBEEF);
        zrl_error = 99;
        EXPECT_EQ(conva5(c.text, words.data()), static_cast<int>(c.words.size())) << c.text;
        EXPECT_EQ(std::vector<std::uint16_t>(words.begin(), words.end() - 2), c.words) << c.text;
        EXPECT_EQ(words[c.words.size()], 0xBEEF) << c.text;
        if (c.text[0] != '\0') {
            EXPECT_EQ(zrl_error, 0) << c.text;
        }
    }
}

TEST(Conva5, WritesOneWordPerThreeCharactersRoundedUp) {
    for (int length = 0; length <= 10; ++length) {
        const std::string text(static_cast<std::size_t>(length), 'Z');
        std::vector<std::uint16_t> words(8, 0xBEEF);
        const int expected = (length + 2) / 3;
        EXPECT_EQ(conva5(text.c_str(), words.data()), expected) << length;
        EXPECT_EQ(words[static_cast<std::size_t>(expected)], 0xBEEF) << length;
    }
}

// A character outside the set counts as code 40 with status 22; the sums wrap
// at 16 bits, and the status tells about the last character looked up.
TEST(Conva5, GivesCodeFortyAndStatus22ForCharactersOutsideTheSet) {
    struct Case {
        const char *text;
        std::uint16_t word;
        int status;
    } const cases[] = {
        {"A#B", 1 * 1600 + 40 * 40 + 2, 0},
        {"AB#", 1 * 1600 + 2 * 40 + 40, 22},
        {"#AB", 40 * 1600 + 1 * 40 + 2, 0},
        {"A#", 1 * 1600 + 40 * 40, 22},
        {"###", static_cast<std::uint16_t>(40 * 1600 + 40 * 40 + 40), 22},
        {"{", static_cast<std::uint16_t>(40 * 1600), 22},
        {"\xC4", static_cast<std::uint16_t>(40 * 1600), 22},
        {"_", static_cast<std::uint16_t>(40 * 1600), 22},
    };
    for (const auto &c : cases) {
        std::uint16_t word = 0;
        zrl_error = 0;
        EXPECT_EQ(conva5(c.text, &word), 1) << c.text;
        EXPECT_EQ(word, c.word) << c.text;
        EXPECT_EQ(zrl_error, c.status) << c.text;
    }
    EXPECT_EQ(static_cast<std::uint16_t>(40 * 1600 + 40 * 40 + 40), 104);
}

TEST(Conv5a, WritesThreeCharactersPerWordBlanksIncluded) {
    const std::uint16_t ab = 1680;
    expect_written(4, "AB ", "AB", [&](char *b) { return conv5a(b, &ab, 1); });
    expect_written(1, "", "count 0", [&](char *b) { return conv5a(b, &ab, 0); });
    const std::uint16_t words[] = {0, 1683, 63999};
    expect_written(10, "   ABC999", "three words", [&](char *b) { return conv5a(b, words, 3); });
}

// Words from 64000 up take each code modulo 40.
TEST(Conv5a, WrapsWordsFrom64000AroundTheSet) {
    const std::pair<std::uint16_t, const char *> cases[] = {
        {64000, "   "}, {64001, "  A"}, {64040, " A "}, {65535, " 8O"}, {63999, "999"},
    };
    for (const auto &c : cases)
        expect_written(4, c.second, c.second, [&](char *b) { return conv5a(b, &c.first, 1); });
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

TEST(Rad50, TheWholeSetRoundTripsWithTwoPaddingBlanks) {
    std::uint16_t words[14] = {};
    ASSERT_EQ(conva5(kRad50Set, words), 14);
    for (int i = 0; i < 13; ++i)
        EXPECT_EQ(words[i], (3 * i) * 1600 + (3 * i + 1) * 40 + (3 * i + 2)) << i;
    EXPECT_EQ(words[13], 39 * 1600);
    char text[43];
    EXPECT_EQ(conv5a(text, words, 14), 42);
    EXPECT_EQ(std::string(text), std::string(kRad50Set) + "  ");
}

} // namespace
