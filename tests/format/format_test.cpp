// Number, date and time conversions: the integer writers against snprintf,
// convad against strtod, RAD-50 over every word, the calendar against the
// standard library's civil calendar, the current date and time against the C
// runtime's, the stopwatches, and the edge rows these do not reach.  The
// conversion fuzzer checks every writer in a buffer of exactly its documented
// size and reads the seven-digit texts back; the date fuzzer takes valid
// records through their text and back.
//
// Then the format language, its older word-block dialect and standard output
// (the channel members and formatted error exits are in the frame's tests).
// The engine's fuzzer checks the limit on any format (an exact count, a
// prefix of the uncut text, nothing past the NUL); the rows here pin one
// documented behaviour each.
#include "format/guarded_buffer.h"

#include <zrlshared.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <random>
#include <thread>
#include <tuple>

#include "support/console.h"

namespace {

using namespace zrl_test; // capture_stdout, guarded
using Texts = std::vector<std::string>;

constexpr double kInf = HUGE_VAL;

// A writer's text in a guarded buffer of its room, the value passed as given.
template <class Write, class Value> std::string written(int room, Write write, Value value) {
    return guarded(room, [&](char *b) { return write(value, b); });
}

// No blank skipping, a lone sign consumed, 32-bit wrap; hex digits beyond
// the eighth shift the earlier ones out.  (The conversion fuzzer checks that
// conval and atox agree with convai and convax.)
TEST(Parsers, ReadDecimalAndHexadecimalWrappingModulo2To32) {
    // text; characters read and value of convai, of convax
    const std::pair<const char *, std::vector<int>> cases[] = {
        // clang-format off
        {"-12x", {3, -12, 0, 0}}, {"+", {1, 0, 0, 0}}, {" 5", {0, 0, 0, 0}}, {"1fG", {1, 1, 2, 31}},
        {"-4294967297", {11, -1, 0, 0}}, {"123456789", {9, 123456789, 9, 0x23456789}},
        // clang-format on
    };
    for (const auto &[text, expected] : cases) {
        int value = 99;
        unsigned hex = 99;
        // A braced list is evaluated in order: each count before its value.
        const std::vector<int> got = {convai(text, &value), value, convax(text, &hex), int(hex)};
        EXPECT_EQ(got, expected) << text;
    }
}

// Both calling styles against std::to_string and snprintf over the extremes
// and a spread of values, each in a guarded buffer of its documented room.
TEST(IntegerWriters, MatchPrintfWithinTheDocumentedRoom) {
    std::vector<std::uint32_t> values = {0u, 7u, 99u, 100u, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu};
    for (std::uint32_t v = 1; v < 0x80000000u; v = v * 3 + 1)
        values.push_back(v);
    for (const std::uint32_t u : values) {
        const int s = static_cast<int>(u);
        const unsigned magnitude = s < 0 ? 0u - u : u;
        const std::string dec = std::to_string(s), udec = std::to_string(u);
        char oct[16], hex[16], cents[16];
        std::snprintf(oct, sizeof oct, "%o", u);
        std::snprintf(hex, sizeof hex, "%08X", u);
        std::snprintf(cents, sizeof cents, "%s%u.%02u", s < 0 ? "-" : "", magnitude / 100,
                      magnitude % 100);
        EXPECT_EQ((Texts{written(12, convia, &s), written(12, convla, &s)}), (Texts{dec, dec}));
        EXPECT_EQ((Texts{written(12, convua, &u), written(12, utoa, u)}), (Texts{udec, udec}));
        EXPECT_EQ((Texts{written(12, convoa, &u), written(12, otoa, u)}), (Texts{oct, oct}));
        EXPECT_EQ((Texts{written(9, convxa, &u), written(9, xtoa, u)}), (Texts{hex, hex}));
        EXPECT_EQ((Texts{written(13, convha, &s), written(13, htoa, s)}), (Texts{cents, cents}));
    }
    // convlg pads to mindigits, clamped to its 16 digits of work area; strip
    // removes low-order zeros (all of a zero).
    const std::tuple<int, int, int, const char *> cases[] = {
        // value, mindigits, strip, text
        // clang-format off
        {500, 4, 1, "05"}, {0, 3, 1, ""}, {-7, 2, 0, "-07"}, {-1, 99, 0, "-0000000000000001"},
        // clang-format on
    };
    for (const auto &[value, mindigits, strip, text] : cases)
        EXPECT_EQ(guarded(18, [&](char *b) { return convlg(&value, b, mindigits, strip); }), text);
}

// Every word names three characters of the set, each code taken modulo 40
// from 64000 up (the conversion fuzzer packs the text again and gets the word
// modulo 64000).  Packing folds lower case, pads with blanks, clears the
// status and counts an unknown character as 40 (16-bit sums wrap), status 22
// telling about the last character.
TEST(Rad50, EveryWordNamesThreeCharactersAndUnknownOnesCountAsForty) {
    const char set[] = " ABCDEFGHIJKLMNOPQRSTUVWXYZ$.?0123456789";
    for (std::uint32_t w = 0; w < 65536; ++w) {
        const auto word = static_cast<std::uint16_t>(w);
        const std::string text{set[w / 1600 % 40], set[w / 40 % 40], set[w % 40]};
        ASSERT_EQ(guarded(4, [&](char *b) { return conv5a(b, &word, 1); }), text);
    }
    zrl_error = -1;
    std::uint16_t words[4] = {1, 2, 3, 4};
    // clang-format off
    const std::vector<int> got = {conva5("", words), conva5("abcD", words), zrl_error, words[2],
                                  conva5("AB#", words + 2), zrl_error, conva5("A#B", words + 3),
                                  zrl_error, words[0], words[1], words[2], words[3]};
    // clang-format on
    EXPECT_EQ(got, (std::vector<int>{0, 2, 0, 3, 1, 22, 1, 0, 1683, 6400, 1720, 3202}));
}

// Text without a digit is 0.0 with only a sign consumed; nine significant
// digits enter the mantissa and the tenth rounds it; the value saturates at
// infinity and zero, and exponent text wraps like convai.  The sign travels
// with the integer mantissa, so a zero is always +0.0.  atod reads alike.
//
// convad scales its integer mantissa M by 10.0 one step at a time, which
// gives strtod's correctly rounded M * 10^E exactly when no step but the last
// can round: E >= 0 and M * 5^E < 2^53, or E < 0 and 5^(-E-1) divides M.
// Random texts of up to nine significant digits from that domain.
TEST(Convad, ReadsDecimalTextAndAgreesWithStrtodWhereScalingIsExact) {
    const std::tuple<const char *, double, int> cases[] = {
        // text, value, consumed
        // clang-format off
        {"1e+2x", 100.0, 4}, {"+-1", 0.0, 1}, {"1234567895", 1234567900.0, 10}, {"1e400", kInf, 5},
        {"-0.0", 0.0, 4}, {"1e-2147483648", 0.0, 13}, {"1e4294967297", 10.0, 12},
        // clang-format on
    };
    for (const auto &[text, want, consumed] : cases) {
        double value = -7.0;
        EXPECT_EQ(convad(text, &value), consumed) << text;
        EXPECT_EQ(std::pair(value, atod(text)), std::pair(want, want)) << text;
        EXPECT_EQ(std::signbit(value), std::signbit(want)) << text;
    }
    std::mt19937_64 rng(20240126);
    auto below = [&](std::uint64_t n) { return n == 0 ? 0 : rng() % n; };
    for (int i = 0; i < 200000; ++i) {
        const int e = static_cast<int>(below(36)) - 13;
        const std::uint64_t top = std::stoull(std::string(1 + below(9), '9')); // 1 to 9 digits
        std::uint64_t pow5 = 1;
        for (int k = 0; k < (e >= 0 ? e : -e - 1); ++k)
            pow5 *= 5;
        const std::uint64_t m =
            e >= 0 ? 1 + below(std::min(top, ((std::uint64_t{1} << 53) - 1) / pow5))
                   : pow5 * (1 + below(top / pow5));
        // Up to three leading zeros, the point anywhere among the digits,
        // and the exponent that restores e.
        const std::string digits = std::string(below(4), '0') + std::to_string(m);
        const auto point = static_cast<std::size_t>(below(digits.size() + 1));
        const std::string text = (below(3) == 0 ? "-" : "") +
                                 digits.substr(0, digits.size() - point) + "." +
                                 digits.substr(digits.size() - point) + (below(2) ? "e" : "E") +
                                 std::to_string(e + static_cast<int>(point));
        double value = 0.0;
        ASSERT_EQ(convad(text.c_str(), &value), static_cast<int>(text.size())) << text;
        ASSERT_EQ(value, std::strtod(text.c_str(), nullptr)) << text;
    }
}

// Seven significant digits, fixed notation for 0.001 up to 9999999, rounding
// at the scaling thresholds (2147483647, 214748364.7, 99999995); infinities
// and NaNs print as "INF" and "NAN".  convda_noexp cuts fixed notation to
// eight characters and returns the uncut length; numbers that round to 10^7
// or more, infinities and NaNs give the empty text (a real field's overflow
// fill), and below 10^-6 a zero with the sign kept.
TEST(Convda, WritesSevenSignificantDigits) {
    const std::pair<double, const char *> cases[] = {
        // clang-format off
        {0.0001, "1E-4"}, {12345678.0, "1.234568E7"}, {-0.00123456789, "-0.001234568"}, {-0.0, "0"},
        {0.00099999996, "0.001"}, {9999999.5, "1E7"}, {2147483648.0, "2.147484E9"}, {-NAN, "NAN"},
        {214748364.7, "2.147484E8"}, {99999995.0, "1E8"}, {kInf, "INF"},
        // clang-format on
    };
    for (const auto &[x, text] : cases)
        EXPECT_EQ((Texts{written(16, convda, &x), written(16, dtoa, x)}), (Texts{text, text}));
    const std::tuple<double, const char *, int> cuts[] = {
        // value, text kept, result
        // clang-format off
        {-123456.75, "-123456.", 9}, {-1.234567e-6, "-0.00000", 15}, {0.0, "0", 1}, {kInf, "", 0},
        {-9999999.6, "", 0}, {-1.0e-7, "-0", 2}, {9.9999996e-7, "0.000001", 8}, {-NAN, "", 0},
        // clang-format on
    };
    for (const auto &[value, kept, result] : cuts) {
        int n = -1;
        const auto write = [&](char *b) {
            const int uncut = convda_noexp(&value, b);
            return b[8] == '\0' ? uncut : -1; // a NUL always stored at position 8
        };
        EXPECT_EQ(guarded(16, write, &n, 9), kept);
        EXPECT_EQ(n, result) << kept;
    }
}

namespace chr = std::chrono;
constexpr unsigned char U = 0xEE; // a field the parser must leave alone

// The four bytes of a date or time record.
template <class Record> std::vector<int> bytes(const Record &r) {
    const auto *b = reinterpret_cast<const unsigned char *>(&r);
    return {b[0], b[1], b[2], b[3]};
}

ZRL_DATE make_date(int year, unsigned month, unsigned day) {
    return {static_cast<unsigned char>(year / 100), static_cast<unsigned char>(year % 100),
            static_cast<unsigned char>(month), static_cast<unsigned char>(day)};
}

// A field is stored only when found and in range; parsing stops at the first
// character that does not fit.  The date fuzzer checks that the status is
// never touched and takes well-formed records through their text and back.
TEST(Cvtadt, StoresTheFieldsFoundAndInRange) {
    // text, the record then (starting from one of U bytes), characters
    // consumed; a null text is an empty one
    const std::tuple<const char *, ZRL_DATE, int> cases[] = {
        // clang-format off
        {"12-jan-99", {19, 99, 1, 12}, 9}, {"1/2/50", {20, 50, 2, 1}, 6},
        {"31-Dec-2099 tail", {20, 99, 12, 31}, 11}, {"7-JAN-", {20, 0, 1, 7}, 6},
        {"  7", {U, U, U, U}, 1}, {"5-XYZ-10", {U, U, U, 5}, 2}, {"32-JAN-26", {20, 26, 1, U}, 9},
        {"12-JAN", {U, U, 1, 12}, 6}, {nullptr, {U, U, U, U}, 0},
        // clang-format on
    };
    for (const auto &[text, expected, consumed] : cases) {
        ZRL_DATE d{U, U, U, U};
        EXPECT_EQ(cvtadt(text, &d), consumed) << text;
        EXPECT_EQ(bytes(d), bytes(expected)) << text;
    }
    const std::tuple<const char *, ZRL_TIME, int> times[] = {
        // clang-format off
        {"   12", {12, U, U, U}, 5}, {"12:", {12, 0, U, U}, 3}, {"x", {0, U, U, U}, 0},
        // clang-format on
    };
    for (const auto &[text, expected, consumed] : times) {
        ZRL_TIME t{U, U, U, U};
        EXPECT_EQ(cvtatm(text, &t), consumed) << text;
        EXPECT_EQ(bytes(t), bytes(expected)) << text;
    }
}

// "???" names a month outside 1-12; a field above 99 widens and the text is
// cut at the documented size; a second is taken modulo 100.
TEST(DateTimeText, WritesFixedSizeText) {
    const std::pair<ZRL_DATE, const char *> dates[] = {{{20, 5, 13, 4}, " 4-?\?\?-05"},
                                                       {{20, 123, 1, 4}, " 4-JAN-12"}};
    for (const auto &[date, text] : dates)
        EXPECT_EQ(written(10, cvtdta, &date), text);
    const std::pair<ZRL_TIME, const char *> times[] = {
        {{9, 5, 3, 77}, "09:05:03"}, {{12, 30, 199, 0}, "12:30:99"}, {{100, 5, 3, 0}, "100: 5:3"}};
    for (const auto &[time, text] : times)
        EXPECT_EQ(written(9, cvttma, &time), text);
}

// Every day from 1901 to 2099 against the civil calendar.  Week 1 is the
// Monday-to-Sunday week that holds the year's first Thursday; days before it
// are week 0 and the weeks count on to the year's end (the date fuzzer
// takes valid records through their text and back).  A century other than
// 20 counts as 19 (every other day of the last century is given with
// century 0).
TEST(Calendar, AgreesWithTheCivilCalendarFrom1901To2099) {
    for (chr::sys_days day{chr::year{1901} / 1 / 1}; day <= chr::year{2099} / 12 / 31;
         day += chr::days{1}) {
        const chr::year_month_day ymd{day};
        ZRL_DATE d = make_date(int(ymd.year()), unsigned(ymd.month()), unsigned(ymd.day()));
        if (d.century == 19 && unsigned(ymd.day()) % 2 == 0) d.century = 0; // as good as 19
        const chr::sys_days week1 =
            chr::sys_days{ymd.year() / chr::January / chr::Thursday[1]} - chr::days{3};
        const int week = day < week1 ? 0 : static_cast<int>((day - week1).count() / 7) + 1;
        const int yday = static_cast<int>((day - chr::sys_days{ymd.year() / 1 / 1}).count()) + 1;
        ASSERT_EQ(std::vector<int>({dayyear(&d), dayweek(&d), weekyear(&d)}),
                  std::vector<int>({yday, int(chr::weekday{day}.iso_encoding()), week}))
            << int(ymd.year()) << "-" << unsigned(ymd.month()) << "-" << unsigned(ymd.day());
    }
}

// The library's clock against the C runtime's, read on both sides of the
// call; retried when a second boundary falls in between.  Both stopwatches
// are read first, so that the first calls of the process are the ones that
// check for 0.
TEST(Clocks, DattimGivesTheLocalDateAndTimeAndStopwatchesCountMilliseconds) {
    EXPECT_EQ(std::vector<int>({elapsed(), cputime()}), std::vector<int>(2));
    ZRL_DATE d{U, U, U, U};
    ZRL_TIME t{U, U, U, U};
    std::time_t before = 0;
    do {
        before = std::time(nullptr);
        dattim(&d, nullptr);
        dattim(nullptr, &t);
    } while (before != std::time(nullptr));
    const std::tm now = *std::localtime(&before);
    EXPECT_EQ(bytes(d), bytes(make_date(now.tm_year + 1900, now.tm_mon + 1, now.tm_mday)));
    EXPECT_EQ(bytes(t), (std::vector<int>{now.tm_hour, now.tm_min, now.tm_sec, 0}));
    std::this_thread::sleep_for(chr::milliseconds(50));
    EXPECT_GE(elapsed(), 50);
    EXPECT_LE(cputime(), elapsed() + 100);
}

// ---- The format language.

// Fills a format with fmtstrmax in a guarded buffer of 4001 bytes, all of
// which it may use.
template <class... Args> std::string fill(const char *format, Args... args) {
    const auto write = [&](char *b) { return fmtstrmax(b, 4000, format, args...); };
    return guarded(4001, write, nullptr, 4001);
}

int write_value(zrl_word value, char *buffer) {
    std::snprintf(buffer, 32, "v%d", static_cast<int>(value));
    return 99; // ignored
}
int write_run(zrl_word, char *buffer) {
    std::memset(buffer, 'x', 131);
    buffer[131] = '\0';
    return 0;
}
zrl_word word(const void *p) {
    return reinterpret_cast<zrl_word>(p);
}

// Each kind of field in its place.  Illegal patterns place "<illegal>" in the
// run at their start, take no argument and read what follows that run as
// further format text.
//
// A right-justified field cut by the limit is justified within the columns
// written.  A formatting function writes straight into the output only when
// 132 characters of room are left: with "~" the field keeps one column, and
// what the function wrote past it shows where it wrote.  The entries share
// the engine; typeff and typefl fill 132 characters at most.
TEST(FormatLanguage, PlacesEachFieldKindAndKeepsToTheLimit) {
    EXPECT_EQ(fill("#^:#^:#^|##^^|#|#~|##^~|", 9, 5, 3, 7, INT_MIN, 123, 12345),
              " 9: 5: 3|   7|-2147483648|1|123|");
    EXPECT_EQ(fill("'''^|'''~|'^'|'|", "ab", "abcdef", "a", "b", nullptr), "  ab|abc| ab|<nil>|");
    EXPECT_EQ(fill("a~b^c|#^~x|#^^#", 7, 7, 8), "a~b^c| 7x|  78");
    EXPECT_EQ(fill("#^#^", 7), "<illegal> 7");
    EXPECT_EQ(fill("#^&#^#|###^##|######^##|##^##|", 1, 2.5, 2.678, 123456.75, -1.0e-7),
              " 12.5|  2.67|123456.80|-0.00|");
    EXPECT_EQ(fill("#^##~|###^#~|#########^#|#^##", -0.5, 1234.5, 1.0e8, kInf),
              "#.##|###.#|  #######.#|#######.##");
    EXPECT_EQ(fill("'=#=%=##^#=''", "a", 1, zrl_word{5}, write_value, 2.5, "b"), "a=1=v5= 2.5=b ");
    EXPECT_EQ(fill("%%~|%|", zrl_word{123}, write_value, zrl_word{0}, ZRL_FormatFn{}), "v1|<nil>|");
    const std::string want[] = {"", "7", " 7", " 7-", " 7-4", " 7-42", " 7- 42", " 7-  42"};
    for (int max = 0; max < 8; ++max) {
        const auto write = [&](char *b) { return fmtstrmax(b, max, "#^-####^", 7, 42); };
        EXPECT_EQ(guarded(max + 1, write, nullptr, max + 1), want[max]) << max;
    }
    for (int room : {131, 132}) {
        std::vector<char> out(static_cast<std::size_t>(room) + 1, '-');
        EXPECT_EQ(fmtstrmax(out.data(), room, "%~", zrl_word{0}, write_run), 1);
        EXPECT_EQ(std::string(out.data()) + out[2], room >= 132 ? "xx" : "x-");
    }
    char out[64];
    auto via_list = [&](int max, const char *format, ...) {
        va_list args;
        va_start(args, format);
        const int n = max < 0 ? vfmtstr(out, format, args) : vfmtstrmax(out, max, format, args);
        va_end(args);
        return std::to_string(n) + out;
    };
    EXPECT_EQ(via_list(-1, "#^-'", 4, "JAN"), "6 4-JAN");
    EXPECT_EQ(via_list(3, "#^-'", 4, "JAN"), "3 4-");
    EXPECT_EQ(capture_stdout([] { typeff("#^-'-#^", 4, "JAN", 26); }), " 4-JAN-26");
    EXPECT_EQ(capture_stdout([] { typefl("'", std::string(200, 'q').c_str()); }),
              std::string(132, 'q') + "\n");
}

// Fields take words until a zero word, with no pattern check and no real
// field; fmt2 takes each value through a pointer, fmt2v as the word itself.
// filw stores the low 16 bits of a value count times.
TEST(Fmt2, FieldsTakeWordsUntilAZeroWord) {
    const int seven = 7, minus = -30;
    const zrl_word by_reference[] = {word("###^|##|"), word(&minus), word(&seven), 0};
    const zrl_word by_value[] = {
        word("#^##|[%%%^]|%-#'%&'"), 1, 2, 5, reinterpret_cast<zrl_word>(write_value), 9, 0};
    char out[64];
    EXPECT_EQ(std::to_string(fmt2(by_reference, out)) + out, "8 -30|7 |");
    EXPECT_EQ(std::to_string(fmt2v(by_value, out)) + out, "22 12 |[  v5]|<nil>-#'%'");
    std::vector<std::uint16_t> words(4, 0xAAAA);
    filw(0x12345, words.data(), 3);
    EXPECT_EQ(words, (std::vector<std::uint16_t>{0x2345, 0x2345, 0x2345, 0xAAAA}));
}

} // namespace
