// The format language, its older word-block dialect, and its outlets: standard
// output, the channels and the formatted error exits.  The engine's fuzzer
// checks the limit on any format (an exact count, a prefix of the uncut text,
// nothing past the NUL); the rows here pin one documented behaviour each.
#include "format/guarded_buffer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <limits>

#include <zrlshared.h>

#include "support/console.h"
#include "support/hooks.h"

namespace {

using zrl_test::capture_stdout;
using zrl_test::Hooks;

// Fills a format with fmtstrmax in a guarded buffer of max + 1 bytes.
template <class... Args> std::string fill_max(int max, const char *format, Args... args) {
    zrl_test::GuardedBuffer out(max + 1);
    const int n = fmtstrmax(out.data(), max, format, args...);
    EXPECT_TRUE(out.untouched_from(max + 1)) << format;
    EXPECT_EQ(n, static_cast<int>(out.text().size())) << format;
    return out.text();
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
int write_nothing(zrl_word, char *) {
    return 0;
}
zrl_word word(const void *p) {
    return reinterpret_cast<zrl_word>(p);
}

// Illegal patterns place "<illegal>" in the run at their start, take no
// argument and read what follows that run as further format text.
TEST(FormatLanguage, PlacesEachFieldKind) {
    const char *const null = nullptr;
    EXPECT_EQ(fill("#^:#^:#^", 9, 5, 3), " 9: 5: 3");
    EXPECT_EQ(fill("##^^|", 7), "   7|");
    EXPECT_EQ(fill("#", std::numeric_limits<int>::min()), "-2147483648");
    EXPECT_EQ(fill("#~", 123), "1");
    EXPECT_EQ(fill("##^~|", 12345), "123|");
    EXPECT_EQ(fill("'''^", "ab"), "  ab");
    EXPECT_EQ(fill("'''~|", "abcdef"), "abc|");
    EXPECT_EQ(fill("'^'", "a", "b"), " ab");
    EXPECT_EQ(fill("a~b^c"), "a~b^c");
    EXPECT_EQ(fill("'|", null), "<nil>|");
    EXPECT_EQ(fill("#^#^", 7), "<illegal> 7");
    EXPECT_EQ(fill("#^~#", 7), "<i7");
    EXPECT_EQ(fill("#~^'", "s"), "<^s");
    EXPECT_EQ(fill("#^~x", 7), " 7x");
    EXPECT_EQ(fill("#^^#", 7, 8), "  78");
    EXPECT_EQ(fill("#^&#^#", 1, 2.5), " 12.5");
    EXPECT_EQ(fill("###^##", 2.678), "  2.67");
    EXPECT_EQ(fill("######^##", 123456.75), "123456.80");
    EXPECT_EQ(fill("##^##", -1.0e-7), "-0.00");
    EXPECT_EQ(fill("#^##~|", -0.5), "#.##|");
    EXPECT_EQ(fill("###^#~", 1234.5), "###.#");
    EXPECT_EQ(fill("#########^#", 1.0e8), "  #######.#");
    EXPECT_EQ(fill("#^##", std::numeric_limits<double>::infinity()), "#######.##");
    EXPECT_EQ(fill("'=#=%=##^#=''", "a", 1, zrl_word{5}, write_value, 2.5, "b"), "a=1=v5= 2.5=b ");
    EXPECT_EQ(fill("%%~|", zrl_word{123}, write_value), "v1|");
    EXPECT_EQ(fill("%%^|", zrl_word{0}, write_nothing), "   |");
    EXPECT_EQ(fill("%|", zrl_word{0}, static_cast<ZRL_FormatFn>(nullptr)), "<nil>|");
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
    EXPECT_EQ(fmtstrmax(out, -1, "xyz"), 0);
    EXPECT_EQ(out[0], 'a');
    auto via_list = [&](int max, const char *format, ...) {
        va_list args;
        va_start(args, format);
        const int n = max < 0 ? vfmtstr(out, format, args) : vfmtstrmax(out, max, format, args);
        va_end(args);
        return std::to_string(n) + out;
    };
    EXPECT_EQ(via_list(-1, "#^-'", 4, "JAN"), "6 4-JAN");
    EXPECT_EQ(via_list(3, "#^-'", 4, "JAN"), "3 4-");
    EXPECT_EQ(fmtstr(out, ""), 0);
    EXPECT_EQ(capture_stdout([] { typeff("#^-'-#^", 4, "JAN", 26); }), " 4-JAN-26");
    const std::string long_text(200, 'q');
    EXPECT_EQ(capture_stdout([&] { typefl("'", long_text.c_str()); }),
              long_text.substr(0, 132) + "\n");
}

// Fields take words until a zero word, with no pattern check, no real field,
// and a room of 65536 characters each with no overall limit.
TEST(Fmt2, FieldsTakeWordsUntilAZeroWord) {
    const int seven = 7, minus = -30;
    const struct {
        std::vector<zrl_word> block;
        bool by_value;
        const char *want;
    } blocks[] = {
        // clang-format off
        {{word("#-#"), word(&seven), 0}, false, "7-#"},
        {{word("###^|##|"), word(&minus), word(&seven), 0}, false, " -30|7 |"},
        {{word("#^#^"), 1, 2, 0}, true, " 1 2"}, {{word("#^##"), 1, 2, 0}, true, " 12 "},
        {{word("[%%%^]"), 5, reinterpret_cast<zrl_word>(write_value), 0}, true, "[  v5]"},
        {{word("%-#"), 9, 0}, true, "<nil>-#"}, {{word("#'%&'"), 5, 0}, true, "5'%'"},
        {{0}, true, ""},
        // clang-format on
    };
    for (const auto &b : blocks) {
        char out[128];
        const int n = b.by_value ? fmt2v(b.block.data(), out) : fmt2(b.block.data(), out);
        EXPECT_EQ(std::to_string(n) + out, std::to_string(std::strlen(b.want)) + b.want);
    }
    const std::string long_text(70000, 's'), format = std::string(70000, '-') + "'";
    const zrl_word block[] = {word(format.c_str()), word(long_text.c_str()), 0};
    std::vector<char> out(70000 + 65536 + 1);
    EXPECT_EQ(fmt2(block, out.data()), 70000 + 65536);
    std::vector<std::uint16_t> words(4, 0xAAAA);
    filw(0x12345, words.data(), 3);
    filw(-1, words.data(), -5);
    EXPECT_EQ(words, (std::vector<std::uint16_t>{0x2345, 0x2345, 0x2345, 0xAAAA}));
}

// Each channel member reaches only its channel and returns the channel's
// result, not the count; the text is cut at 1023 characters.  The error
// exits print the status line of a real error first, keep the first 255
// characters of a message, and errtestfmt stops on a nonzero status only.
TEST(ChannelFormat, EachMemberReachesOnlyItsChannelAndErrorExitsStop) {
    Hooks hooks(true);
    int (*const members[])(const char *, ...) = {QV_Ctypeff, QV_Ctypefl, QV_Ltypeff, QV_Ltypefl,
                                                 QV_Mtypeff, QV_Mtypefl, QV_Ttypeff, QV_Ttypefl};
    std::string seen;
    for (int i = 0; i < 8; ++i) {
        Hooks::result = 40 + i;
        EXPECT_EQ(members[i]("#^:'", 5, "ok"), 40 + i);
        seen += Hooks::sent.back().channel + std::to_string(Hooks::sent.back().newline) +
                Hooks::sent.back().text;
    }
    EXPECT_EQ(seen, "C0 5:okC1 5:okL0 5:okL1 5:okM0 5:okM1 5:okT0 5:okT1 5:ok");
    EXPECT_EQ(Hooks::sent.size(), 8u);
    QV_Ttypefl("<'", std::string(2000, 'z').c_str());
    EXPECT_EQ(Hooks::sent.back().text, "<" + std::string(1022, 'z'));
    zrl_error = 2;
    EXPECT_EQ(capture_stdout([] { errexitfmt("cannot open '' (#)", "REPORT", 3); }),
              std::string(libmsg(2)) + "\n?\?\?-cannot open REPORT (3)<exit 4>");
    zrl_error = 0;
    EXPECT_EQ(capture_stdout([] {
                  errexitfmt("ab'", std::string(300, 'm').c_str());
                  errtestfmt("failed #", 9);
              }),
              "?\?\?-ab" + std::string(253, 'm') + "<exit 4>");
    zrl_error = -1;
    EXPECT_EQ(capture_stdout([] { errtestfmt("failed #", 9); }), "?\?\?-failed 9<exit 4>");
    EXPECT_EQ(Hooks::exits, (std::vector<int>{4, 4, 4}));
}

} // namespace
