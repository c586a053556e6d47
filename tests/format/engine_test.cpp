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

template <int N> int write_run(zrl_word, char *buffer) {
    std::memset(buffer, 'x', N);
    buffer[N] = '\0';
    return 0;
}

int write_empty(zrl_word, char *buffer) {
    buffer[0] = '\0';
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
template <class F> zrl_word fn_word(F *f) {
    return reinterpret_cast<zrl_word>(f);
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

} // namespace

TEST(FormatLanguage, GivesTheWorkedResults) {
    check({
        {"time", fill("#^:#^:#^", 9, 5, 3), " 9: 5: 3"},
        {"date", fill("#^-'-#^", 4, "JAN", 26), " 4-JAN-26"},
        {"real 2.678", fill("###^##", 2.678), "  2.67"},
        {"real -2.5", fill("###^##", -2.5), " -2.50"},
        {"real 0.0", fill("###^##", 0.0), "  0.00"},
        {"truncated real too wide", fill("###^#~", 1234.5), "###.#"},
        {"real beyond fixed notation", fill("#^##", 1.0e8), "#######.##"},
        {"truncated integer", fill("#~", 123), "1"},
        {"widened integer", fill("###", 12345), "12345"},
        {"right-justified string", fill("'''^", "ab"), "  ab"},
        {"fraction cut not rounded", fill("#^#", 2.678), "2.6"},
        {"separator", fill("#&#", 1, 2), "12"},
        {"cursor sequence", fill("\x1b[#;#H", 12, 40), "\x1b[12;40H"},
        {"attribute sequence", fill("\x1b['m", "1;7"), "\x1b[1;7m"},
    });
}

TEST(FormatLanguage, EmptyFormatGivesEmptyText) {
    char out[4] = "xyz";
    EXPECT_EQ(fmtstr(out, ""), 0);
    EXPECT_STREQ(out, "");
    EXPECT_EQ(fmtstrmax(out, 3, nullptr), 0);
    EXPECT_STREQ(out, "");
}

TEST(FormatLanguage, PlacesFieldsByWidthJustificationAndTruncation) {
    check({
        {"short integer left", fill("####|", 12), "12  |"},
        {"short integer right", fill("####^|", 12), "   12|"},
        {"right run of carets", fill("##^^|", 7), "   7|"},
        {"negative integer", fill("####^", -42), "  -42"},
        {"most negative int", fill("#", std::numeric_limits<int>::min()), "-2147483648"},
        {"integer widens and moves the line", fill("##|", 123456), "123456|"},
        {"truncated right-justified keeps first digits", fill("##^~|", 12345), "123|"},
        {"exact width", fill("###|", 123), "123|"},
        {"string widens", fill("'|", "abcdef"), "abcdef|"},
        {"string truncated", fill("'''~|", "abcdef"), "abc|"},
        {"string filled", fill("''''|", "ab"), "ab  |"},
        {"empty string", fill("'''^|", ""), "    |"},
        {"two string fields", fill("'''^''", "a", "b"), "   ab "},
        {"caret after string run joins it", fill("'^'", "a", "b"), " ab"},
        {"tilde after field not printed", fill("#~x", 5), "5x"},
        {"tilde and caret after literal printed", fill("a~b^c", 0), "a~b^c"},
        {"second tilde is literal", fill("#~~", 5), "5~"},
    });
}

TEST(FormatLanguage, NullStringPrintsNil) {
    check({
        {"width 1", fill("'|", static_cast<const char *>(nullptr)), "<nil>|"},
        {"wide right", fill("''''''^|", static_cast<const char *>(nullptr)), "  <nil>|"},
        {"truncated", fill("'''~|", static_cast<const char *>(nullptr)), "<ni|"},
    });
}

// Illegal patterns place "<illegal>" in the run at their start and read what
// follows that run as further format text.
TEST(FormatLanguage, IllegalPatternsShowIllegalAndContinue) {
    check({
        {"#^#^", fill("#^#^", 7), "<illegal> 7"},
        {"##^#^", fill("##^#^", 7), "<illegal> 7"},
        {"#^##^ then integer", fill("#^##^", 7), "<illegal>  7"},
        {"#^~# truncates the marker", fill("#^~#", 7), "<i7"},
        {"#~^", fill("#~^|"), "<^|"},
        {"#~#", fill("#~#", 7), "<7"},
        {"##~#", fill("##~#", 7), "<i7"},
        {"###~^", fill("###~^x"), "<il^x"},
        {"illegal takes no argument", fill("#~^'", "s"), "<^s"},
    });
}

TEST(FormatLanguage, ClassifiesNearIllegalPatternsAsIntegers) {
    check({
        {"#^~ then literal", fill("#^~x", 7), " 7x"},
        {"#^^# is two integer fields", fill("#^^#", 7, 8), "  78"},
        {"#^ then literal", fill("#^x", 7), " 7x"},
        {"#~ then literal", fill("#~x", 7), "7x"},
        {"#^&#^# stays apart", fill("#^&#^#", 1, 2.5), " 12.5"},
    });
}

TEST(FormatLanguage, RealFieldsShowFixedNotationAndOverflowFill) {
    const double inf = std::numeric_limits<double>::infinity();
    check({
        {"negative below one widens", fill("#^##|", -0.5), "-0.50|"},
        {"negative below one truncated overflows", fill("#^##~|", -0.5), "#.##|"},
        {"tiny negative", fill("##^##", -1.0e-7), "-0.00"},
        {"integer text fits exactly", fill("######^##", 123456.75), "123456.80"},
        {"fraction filled with zeros", fill("#^########", 1.0 / 3), "0.33333300"},
        {"fraction from cut text", fill("#^######", 1.0 / 3), "0.333333"},
        {"untruncated integer part widens", fill("##^##", 1234.5), "1234.50"},
        {"truncated overflow shows width", fill("##^#~", 1.0e8), "##.#"},
        {"overflow wider than seven", fill("#########^##|", 1.0e8), "  #######.##|"},
        {"overflow narrower widens", fill("##^#", -1.0e9), "#######.#"},
        {"infinity overflows", fill("###^##", inf), "#######.##"},
        {"format continues after tilde", fill("#^#~|", 2.5), "2.5|"},
        {"real then integer", fill("##^#&#", 1.25, 3), " 1.23"},
    });
}

TEST(FormatLanguage, TakesArgumentsInFieldOrder) {
    const Point p{3, -4};
    EXPECT_EQ(fill("'=#=%=##^#=''", "a", 1, zrl_word{5}, write_value, 2.5, "b"), "a=1=v5= 2.5=b ");
    EXPECT_EQ(fill("% at %", word(&p), write_point, zrl_word{-1}, write_value), "(3,-4) at v-1");
}

TEST(FormatLanguage, FormatterFieldsFollowRunRules) {
    check({
        {"right", fill("%%%%^|", zrl_word{7}, write_value), "   v7|"},
        {"widens", fill("%|", zrl_word{123}, write_value), "v123|"},
        {"truncates", fill("%%~|", zrl_word{123}, write_value), "v1|"},
        {"empty text is filled", fill("%%%|", zrl_word{0}, write_empty), "   |"},
        {"no text written counts as empty", fill("%%^|", zrl_word{0}, write_nothing), "   |"},
        {"null function", fill("%|", zrl_word{0}, static_cast<ZRL_FormatFn>(nullptr)), "<nil>|"},
    });
}

// A formatting function writes straight into the output when 132 characters
// of room are left, otherwise into a scratch buffer; either way the placed
// text is the same and nothing passes the limit.
TEST(FormatLanguage, FormatterWritesInPlaceOnlyWithRoomFor132Bytes) {
    const std::string full = "ab" + std::string(131, 'x');
    for (int max = 0; max <= 140; ++max) {
        std::string got = fill_max(max, "ab%", zrl_word{0}, write_run<131>);
        EXPECT_EQ(got, full.substr(0, static_cast<std::size_t>(max))) << max;
    }
    // With "~" the field keeps one column; what the function wrote past it
    // shows whether it wrote in place.
    for (int room : {130, 131, 132, 133}) {
        std::vector<char> out(static_cast<std::size_t>(room) + 1, '-');
        EXPECT_EQ(fmtstrmax(out.data(), room, "%~", zrl_word{0}, write_run<131>), 1);
        EXPECT_EQ(out[0], 'x');
        EXPECT_EQ(out[1], '\0');
        const bool in_place = out[2] == 'x';
        EXPECT_EQ(in_place, room >= 132) << room;
    }
}

TEST(FormatLanguage, LimitCutsTheText) {
    EXPECT_EQ(fill_max(5, "abcdefgh"), "abcde");
    EXPECT_EQ(fill_max(0, "abcdefgh"), "");
    EXPECT_EQ(fill_max(3, "#", 123456), "123");
    EXPECT_EQ(fill_max(4, "###^##", 2.678), "  2.");
    EXPECT_EQ(fill_max(5, "###^##", 2.678), "  2.6");
    EXPECT_EQ(fill_max(3, "##^#", 1.0e8), "###");
}

TEST(FormatLanguage, NegativeLimitWritesNothing) {
    char out[2] = {'a', 'b'};
    EXPECT_EQ(fmtstrmax(out, -1, "xyz"), 0);
    EXPECT_EQ(out[0], 'a');
}

// Without right-justification every limit gives a prefix of the full text.
TEST(FormatLanguage, EveryLimitGivesPrefixOfLeftJustifiedText) {
    struct Format {
        const char *format;
        std::string full;
    };
    const std::vector<Format> formats = {
        {"x''''y#####z", "xab  y-12  z"},
        {"[%%%%%%]&'~#~", "[v5    ]a1"},
        {"<##~^#>", "<<i^4>"},
    };
    for (const Format &f : formats) {
        for (int max = 0; max <= static_cast<int>(f.full.size()) + 2; ++max) {
            std::string got;
            if (f.format[1] == '\'')
                got = fill_max(max, f.format, "ab", -12);
            else if (f.format[1] == '%')
                got = fill_max(max, f.format, zrl_word{5}, write_value, "abc", 12);
            else
                got = fill_max(max, f.format, 4);
            EXPECT_EQ(got, f.full.substr(0, std::min(f.full.size(), static_cast<std::size_t>(max))))
                << f.format << " max " << max;
        }
    }
}

// A right-justified field cut by the limit is justified within the columns
// written: the text moves right by the fill that fitted.
TEST(FormatLanguage, CutRightJustifiedFieldJustifiesWithinLimit) {
    const std::string full = " 7-   42";
    const std::vector<std::string> want = {"",      "7",      " 7",      " 7-",     " 7-4",
                                           " 7-42", " 7- 42", " 7-  42", " 7-   42"};
    for (int max = 0; max < static_cast<int>(want.size()); ++max) {
        const std::string got = fill_max(max, "#^-####^", 7, 42);
        EXPECT_EQ(got, want[static_cast<std::size_t>(max)]) << max;
        EXPECT_EQ(got.size(), std::min(full.size(), static_cast<std::size_t>(max)));
    }
    EXPECT_EQ(fill_max(3, "####^##", 2.5), "  2");
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

TEST(Fmt2, FieldsTakeWordsUntilAZeroWord) {
    const int seven = 7, minus = -30;
    const Point p{1, 2};
    struct Block {
        const char *what;
        std::vector<zrl_word> block;
        bool by_value;
        const char *want;
    };
    const std::vector<Block> blocks = {
        {"pointer then zero", {word("#-#"), word(&seven), 0}, false, "7-#"},
        {"value then zero", {word("#-#"), 7, 0}, true, "7-#"},
        {"zero value cannot print", {word("#x#"), 0}, true, "#x#"},
        {"right-justified", {word("###^|##|"), word(&minus), word(&seven), 0}, false, " -30|7 |"},
        {"string", {word("'''^"), word("ab"), 0}, true, "  ab"},
        {"truncated string", {word("'~|"), word("ab"), 0}, true, "a|"},
        {"separator", {word("#&#"), 1, 2, 0}, true, "12"},
        {"no pattern check", {word("#^#^"), 1, 2, 0}, true, " 1 2"},
        {"no real field", {word("#^##"), 1, 2, 0}, true, " 12 "},
        {"formatter", {word("[%%%^]"), word(&p), fn_word(write_point), 0}, true, "[(1,2)]"},
        {"formatter fills", {word("[%%%%^]"), 9, fn_word(write_value), 0}, true, "[   v9]"},
        {"formatter without function", {word("%-#"), 9, 0}, true, "<nil>-#"},
        {"later field characters literal", {word("#'%&'"), 5, 0}, true, "5'%'"},
        {"no arguments", {word("a#b"), 0}, true, "a#b"},
    };
    for (const Block &b : blocks) {
        char out[128];
        std::memset(out, '\x7f', sizeof out);
        const int n = b.by_value ? fmt2v(b.block.data(), out) : fmt2(b.block.data(), out);
        EXPECT_STREQ(out, b.want) << b.what;
        EXPECT_EQ(n, static_cast<int>(std::strlen(b.want))) << b.what;
    }
}

TEST(Fmt2, EmptyFormatGivesEmptyText) {
    char out[4] = "xyz";
    const zrl_word empty[] = {word(""), 0};
    EXPECT_EQ(fmt2(empty, out), 0);
    EXPECT_STREQ(out, "");
    const zrl_word none[] = {0};
    std::strcpy(out, "xyz");
    EXPECT_EQ(fmt2v(none, out), 0);
    EXPECT_STREQ(out, "");
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

// The block is an array of words: on a 32-bit build four bytes each, the
// format pointer, then each argument (int or pointer) in one word.
TEST(Fmt2, ReadsOneWordPerArgument) {
    static_assert(sizeof(zrl_word) == sizeof(void *));
    const int value = 1234;
    const zrl_word block[] = {word("#,#,'"), word(&value), word(&value), word("end"), 0};
    char out[32];
    EXPECT_EQ(fmt2(block, out), 13);
    EXPECT_STREQ(out, "1234,1234,end");
    if constexpr (sizeof(zrl_word) == 4) {
        std::uint32_t raw[3];
        raw[0] = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>("#|"));
        raw[1] = 0xFFFFFFFFu;
        raw[2] = 0;
        zrl_word words[3];
        std::memcpy(words, raw, sizeof raw);
        EXPECT_EQ(fmt2v(words, out), 3);
        EXPECT_STREQ(out, "-1|");
    }
}

// ---- filw ----

TEST(Filw, WritesLow16BitsIntoCountWords) {
    struct Fill {
        int value;
        int count;
        std::vector<std::uint16_t> want;
    };
    const std::vector<Fill> fills = {
        {0x12345, 3, {0x2345, 0x2345, 0x2345, 0xAAAA}},
        {-1, 1, {0xFFFF, 0xAAAA, 0xAAAA, 0xAAAA}},
        {7, 0, {0xAAAA, 0xAAAA, 0xAAAA, 0xAAAA}},
        {7, -5, {0xAAAA, 0xAAAA, 0xAAAA, 0xAAAA}},
    };
    for (const Fill &f : fills) {
        std::vector<std::uint16_t> words(4, 0xAAAA);
        filw(f.value, words.data(), f.count);
        EXPECT_EQ(words, f.want) << f.value << " x " << f.count;
    }
}
