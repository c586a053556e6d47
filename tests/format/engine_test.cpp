// The format language, its older word-block dialect and standard output (the
// channel members and formatted error exits are in the frame's tests).  The engine's fuzzer
// checks the limit on any format (an exact count, a prefix of the uncut text,
// nothing past the NUL); the rows here pin one documented behaviour each.
#include "format/guarded_buffer.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <limits>

#include <zrlshared.h>

#include "support/console.h"

namespace {

using zrl_test::capture_stdout;

// Fills a format with fmtstrmax in a guarded buffer of max + 1 bytes, all of
// which it may use.
template <class... Args> std::string fill_max(int max, const char *format, Args... args) {
    const auto write = [&](char *b) { return fmtstrmax(b, max, format, args...); };
    return zrl_test::guarded(max + 1, write, nullptr, max + 1);
}
template <class... Args> std::string fill(const char *format, Args... args) {
    return fill_max(4000, format, args...);
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

// Illegal patterns place "<illegal>" in the run at their start, take no
// argument and read what follows that run as further format text.
TEST(FormatLanguage, PlacesEachFieldKind) {
    const char *const null = nullptr;
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(fill("#^:#^:#^|##^^|#|#~|##^~|", 9, 5, 3, 7, INT_MIN, 123, 12345),
              " 9: 5: 3|   7|-2147483648|1|123|");
    EXPECT_EQ(fill("'''^|'''~|'^'|'|", "ab", "abcdef", "a", "b", null), "  ab|abc| ab|<nil>|");
    EXPECT_EQ(fill("a~b^c|#^~x|#^^#", 7, 7, 8), "a~b^c| 7x|  78");
    EXPECT_EQ(fill("#^#^", 7), "<illegal> 7");
    EXPECT_EQ(fill("#^~#", 7), "<i7");
    EXPECT_EQ(fill("#~^'", "s"), "<^s");
    EXPECT_EQ(fill("#^&#^#|###^##|######^##|##^##|", 1, 2.5, 2.678, 123456.75, -1.0e-7),
              " 12.5|  2.67|123456.80|-0.00|");
    EXPECT_EQ(fill("#^##~|###^#~|#########^#|#^##", -0.5, 1234.5, 1.0e8, inf),
              "#.##|###.#|  #######.#|#######.##");
    EXPECT_EQ(fill("'=#=%=##^#=''", "a", 1, zrl_word{5}, write_value, 2.5, "b"), "a=1=v5= 2.5=b ");
    const ZRL_FormatFn write_nothing = [](zrl_word, char *) { return 0; };
    EXPECT_EQ(fill("%%~|%%^|%|", zrl_word{123}, write_value, zrl_word{0}, write_nothing,
                   zrl_word{0}, static_cast<ZRL_FormatFn>(nullptr)),
              "v1|   |<nil>|");
}

// A right-justified field cut by the limit is justified within the columns
// written.  A formatting function writes straight into the output only when
// 132 characters of room are left: with "~" the field keeps one column, and
// what the function wrote past it shows where it wrote.  A negative limit
// writes nothing.  The entries share the engine; typeff and typefl fill 132
// characters at most.
TEST(FormatLanguage, KeepsToTheLimit) {
    const std::string want[] = {"", "7", " 7", " 7-", " 7-4", " 7-42", " 7- 42", " 7-  42"};
    for (int max = 0; max < 8; ++max)
        EXPECT_EQ(fill_max(max, "#^-####^", 7, 42), want[max]) << max;
    EXPECT_EQ(fill_max(5, "###^##", 2.678), "  2.6");
    for (int room : {131, 132}) {
        std::vector<char> out(static_cast<std::size_t>(room) + 1, '-');
        EXPECT_EQ(fmtstrmax(out.data(), room, "%~", zrl_word{0}, write_run), 1);
        EXPECT_EQ(std::string(out.data()) + out[2], room >= 132 ? "xx" : "x-");
    }
    EXPECT_EQ(fill_max(5, "ab%", zrl_word{0}, write_run), "abxxx");
    char out[64] = "ab";
    EXPECT_EQ(std::to_string(fmtstrmax(out, -1, "xyz")) + out, "0ab");
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
    filw(-1, words.data(), -5);
    EXPECT_EQ(words, (std::vector<std::uint16_t>{0x2345, 0x2345, 0x2345, 0xAAAA}));
}

} // namespace
