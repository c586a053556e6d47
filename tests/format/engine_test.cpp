// The format language: fields, patterns, placement, limits and the older
// word-block dialect.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include <zrlshared.h>

namespace {

// Fills a format with fmtstr and returns the text; the count must agree.
template <class... Args> std::string fill(const char *format, Args... args) {
    std::vector<char> out(4096, '\x7f');
    const int n = fmtstr(out.data(), format, args...);
    EXPECT_EQ(n, static_cast<int>(std::strlen(out.data()))) << format;
    return {out.data()};
}

// fmtstrmax into a buffer of exactly max + 1 bytes followed by guard bytes;
// fails the test if anything is written past the NUL's byte.
template <class... Args> std::string fill_max(int max, const char *format, Args... args) {
    constexpr int kGuard = 256;
    std::vector<char> out(static_cast<std::size_t>(max) + 1 + kGuard, '\x7f');
    const int n = fmtstrmax(out.data(), max, format, args...);
    for (int i = max + 1; i < max + 1 + kGuard; ++i)
        EXPECT_EQ(out[static_cast<std::size_t>(i)], '\x7f') << "written past the limit at " << i;
    EXPECT_LE(n, max);
    EXPECT_EQ(n, static_cast<int>(std::strlen(out.data())));
    return {out.data()};
}

// ---- Formatting functions for "%" fields ----

int write_value(zrl_word value, char *buffer) {
    std::snprintf(buffer, 32, "v%d", static_cast<int>(value));
    return 99; // ignored
}

int write_run(zrl_word, char *buffer) {
    std::memset(buffer, 'x', 131);
    buffer[131] = '\0';
    return 0;
}

// Writes nothing at all, not even a NUL.
int write_nothing(zrl_word, char *) {
    return 0;
}

struct Point {
    int x, y;
};
int write_point(zrl_word value, char *buffer) {
    const Point *p = reinterpret_cast<const Point *>(value);
    std::snprintf(buffer, 32, "(%d,%d)", p->x, p->y);
    return 0;
}

zrl_word word(const void *p) {
    return reinterpret_cast<zrl_word>(p);
}

struct Case {
    const char *what;
    std::string got;
    const char *want;
};

void check(const std::vector<Case> &cases) {
    for (const Case &c : cases)
        EXPECT_EQ(c.got, c.want) << c.what;
}

const char *const kNull = nullptr;

} // namespace

// One case per behaviour of each field kind.  Illegal patterns place
// "<illegal>" in the run at their start, take no argument and read what
// follows that run as further format text; near misses are integer fields.
TEST(FormatLanguage, PlacesEachFieldKind) {
    const Point p{3, -4};
    check({
        {"time", fill("#^:#^:#^", 9, 5, 3), " 9: 5: 3"},
        {"right run of carets", fill("##^^|", 7), "   7|"},
        {"most negative int", fill("#", std::numeric_limits<int>::min()), "-2147483648"},
        {"truncated integer", fill("#~", 123), "1"},
        {"truncated right-justified keeps first digits", fill("##^~|", 12345), "123|"},
        {"right-justified string", fill("'''^", "ab"), "  ab"},
        {"string truncated", fill("'''~|", "abcdef"), "abc|"},
        {"caret after string run joins it", fill("'^'", "a", "b"), " ab"},
        {"tilde and caret after literal printed", fill("a~b^c", 0), "a~b^c"},
        {"null string widens", fill("'|", kNull), "<nil>|"},
        {"cursor sequence", fill("\x1b[#;#H", 12, 40), "\x1b[12;40H"},
        {"#^#^", fill("#^#^", 7), "<illegal> 7"},
        {"#^~# truncates the marker", fill("#^~#", 7), "<i7"},
        {"#~#", fill("#~#", 7), "<7"},
        {"illegal takes no argument", fill("#~^'", "s"), "<^s"},
        {"#^~ then literal", fill("#^~x", 7), " 7x"},
        {"#^^# is two integer fields", fill("#^^#", 7, 8), "  78"},
        {"#^&#^# stays apart", fill("#^&#^#", 1, 2.5), " 12.5"},
        {"fraction cut not rounded", fill("###^##", 2.678), "  2.67"},
        {"fraction filled with zeros", fill("######^##", 123456.75), "123456.80"},
        {"tiny negative", fill("##^##", -1.0e-7), "-0.00"},
        {"negative below one truncated overflows", fill("#^##~|", -0.5), "#.##|"},
        {"truncated real too wide", fill("###^#~", 1234.5), "###.#"},
        {"overflow wider than seven gets blanks", fill("#########^#", 1.0e8), "  #######.#"},
        {"infinity overflows", fill("#^##", std::numeric_limits<double>::infinity()), "#######.##"},
        {"argument order", fill("'=#=%=##^#=''", "a", 1, zrl_word{5}, write_value, 2.5, "b"),
         "a=1=v5= 2.5=b "},
        {"pointer argument", fill("% at %", word(&p), write_point, zrl_word{-1}, write_value),
         "(3,-4) at v-1"},
        {"formatter truncates", fill("%%~|", zrl_word{123}, write_value), "v1|"},
        {"no text written counts as empty", fill("%%^|", zrl_word{0}, write_nothing), "   |"},
        {"null function", fill("%|", zrl_word{0}, static_cast<ZRL_FormatFn>(nullptr)), "<nil>|"},
    });
}

// A formatting function writes straight into the output when 132 characters
// of room are left, otherwise into a scratch buffer; either way the placed
// text is the same and nothing passes the limit.
TEST(FormatLanguage, FormatterWritesInPlaceOnlyWithRoomFor132Bytes) {
    const std::string full = "ab" + std::string(131, 'x');
    for (int max = 0; max <= 140; ++max)
        EXPECT_EQ(fill_max(max, "ab%", zrl_word{0}, write_run),
                  full.substr(0, static_cast<std::size_t>(max)))
            << max;
    // With "~" the field keeps one column; what the function wrote past it
    // shows whether it wrote in place.
    for (int room : {131, 132}) {
        std::vector<char> out(static_cast<std::size_t>(room) + 1, '-');
        EXPECT_EQ(fmtstrmax(out.data(), room, "%~", zrl_word{0}, write_run), 1);
        EXPECT_EQ(std::string(out.data()), "x");
        EXPECT_EQ(out[2] == 'x', room >= 132) << room;
    }
}

// Without right-justification every limit gives a prefix of the full text; a
// negative limit writes nothing at all.
TEST(FormatLanguage, EveryLimitGivesPrefixOfLeftJustifiedText) {
    const std::string full[] = {"xab  y-12  z", "[v5    ]a1", "<<i^4>", "#######.##"};
    for (int max = 0; max <= 14; ++max) {
        const auto cut = [&](int i) { return full[i].substr(0, static_cast<std::size_t>(max)); };
        EXPECT_EQ(fill_max(max, "x''''y#####z", "ab", -12), cut(0)) << max;
        EXPECT_EQ(fill_max(max, "[%%%%%%]&'~#~", zrl_word{5}, write_value, "abc", 12), cut(1))
            << max;
        EXPECT_EQ(fill_max(max, "<##~^#>", 4), cut(2)) << max;
        EXPECT_EQ(fill_max(max, "#^##", 1.0e8), cut(3)) << max;
    }
    char out[2] = {'a', 'b'};
    EXPECT_EQ(fmtstrmax(out, -1, "xyz"), 0);
    EXPECT_EQ(out[0], 'a');
    EXPECT_EQ(fmtstrmax(out, 3, nullptr), 0);
    EXPECT_EQ(out[0], '\0');
}

// A right-justified field cut by the limit is justified within the columns
// written: the text moves right by the fill that fitted.
TEST(FormatLanguage, CutRightJustifiedFieldJustifiesWithinLimit) {
    const std::vector<std::string> want = {"",      "7",      " 7",      " 7-",     " 7-4",
                                           " 7-42", " 7- 42", " 7-  42", " 7-   42"};
    for (int max = 0; max < static_cast<int>(want.size()); ++max)
        EXPECT_EQ(fill_max(max, "#^-####^", 7, 42), want[static_cast<std::size_t>(max)]) << max;
    EXPECT_EQ(fill_max(3, "####^##", 2.5), "  2");
    EXPECT_EQ(fill_max(5, "###^##", 2.678), "  2.6");
}

TEST(FormatLanguage, VariantsShareTheEngine) {
    char out[64];
    auto via_list = [&](int max, const char *format, ...) {
        va_list args;
        va_start(args, format);
        const int n = max < 0 ? vfmtstr(out, format, args) : vfmtstrmax(out, max, format, args);
        va_end(args);
        return n;
    };
    EXPECT_EQ(via_list(-1, "#^-'", 4, "JAN"), 6);
    EXPECT_STREQ(out, " 4-JAN");
    EXPECT_EQ(via_list(3, "#^-'", 4, "JAN"), 3);
    EXPECT_STREQ(out, " 4-");
}

// ---- The older dialect ----

// Fields take words until a zero word, with no pattern check, no real field
// and only the first field character of a format counting.
TEST(Fmt2, FieldsTakeWordsUntilAZeroWord) {
    const int seven = 7, minus = -30;
    const Point p{1, 2};
    const struct {
        const char *what;
        std::vector<zrl_word> block;
        bool by_value;
        const char *want;
    } blocks[] = {
        {"pointer then zero", {word("#-#"), word(&seven), 0}, false, "7-#"},
        {"right-justified", {word("###^|##|"), word(&minus), word(&seven), 0}, false, " -30|7 |"},
        {"no pattern check", {word("#^#^"), 1, 2, 0}, true, " 1 2"},
        {"no real field", {word("#^##"), 1, 2, 0}, true, " 12 "},
        {"formatter",
         {word("[%%%^]"), word(&p), reinterpret_cast<zrl_word>(write_point), 0},
         true,
         "[(1,2)]"},
        {"formatter without function", {word("%-#"), 9, 0}, true, "<nil>-#"},
        {"later field characters literal", {word("#'%&'"), 5, 0}, true, "5'%'"},
        {"no format", {0}, true, ""},
    };
    for (const auto &b : blocks) {
        char out[128];
        std::memset(out, '\x7f', sizeof out);
        const int n = b.by_value ? fmt2v(b.block.data(), out) : fmt2(b.block.data(), out);
        EXPECT_STREQ(out, b.want) << b.what;
        EXPECT_EQ(n, static_cast<int>(std::strlen(b.want))) << b.what;
    }
}

// Each field has a room of 65536 characters; the text as a whole has no limit.
TEST(Fmt2, FieldRoomIs65536WithNoOverallLimit) {
    const std::string long_text(70000, 's');
    const std::string format = std::string(70000, '-') + "'";
    const zrl_word block[] = {word(format.c_str()), word(long_text.c_str()), 0};
    std::vector<char> out(70000 + 65536 + 1);
    EXPECT_EQ(fmt2(block, out.data()), 70000 + 65536);
    EXPECT_EQ(std::strlen(out.data()), 70000u + 65536u);
}

TEST(Filw, WritesLow16BitsIntoCountWords) {
    std::vector<std::uint16_t> words(4, 0xAAAA);
    filw(0x12345, words.data(), 3);
    filw(-1, words.data(), -5);
    EXPECT_EQ(words, (std::vector<std::uint16_t>{0x2345, 0x2345, 0x2345, 0xAAAA}));
}
