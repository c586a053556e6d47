// Screen control: the exact bytes of every operation, the scrolling region's
// rows, and the attached state.
#include <cstdio>
#include <functional>
#include <string>

#include <gtest/gtest.h>
#include <zrlshared.h>

#include "support/console.h"
#include "support/tree.h"

namespace {

using zrl_test::capture_stdout;

std::string sgr(const char *row) {
    return std::string("\033[") + row + "m";
}

TEST(Screen, OperationsWriteTheirExactSequences) {
    const std::string blanks76(76, ' ');
    const std::string long_text(300, 'x');
    const struct {
        const char *label;
        std::function<void()> op;
        std::string out;
    } cases[] = {
        {"beep", trm_beep, "\a"},
        {"cr", trm_cr, "\r"},
        {"clreol", trm_clreol, "\033[K"},
        {"rescur", trm_rescur, "\0338"},
        {"keypad 1", [] { trm_keypad(1); }, "\033="},
        {"keypad 0", [] { trm_keypad(0); }, "\033>\033[?1l"},
        {"forw 0", [] { trm_forw(0); }, ""},
        {"forw 1", [] { trm_forw(1); }, "\033[C"},
        {"forw 2", [] { trm_forw(2); }, "\033[2C"},
        {"forw -1", [] { trm_forw(-1); }, "\b"},
        {"forw -2", [] { trm_forw(-2); }, "\033[2D"},
        {"setcursor", [] { trm_setcursor(3, 10); }, "\033[3;10H"},
        {"type", [] { trm_type("ab\033c"); }, "ab\033c"},
        {"typln", [] { EXPECT_GE(trm_typln("ab"), 0); }, "ab\n"},
        {"getinfo", [] { EXPECT_EQ(trm_getinfo(), 0); }, ""},
        {"keyslo", trm_keyslo, ""},
        {"setshape", trm_setshape, ""},
        // Fields: width cuts or pads, width -1 erases the rest of the line
        // (video 0) or pads to 79 columns between the rendition sequences.
        {"field pad", [] { trm_showfield("abc", 3, 10, 5, 0); }, "\033[3;10Habc  "},
        {"field cut", [] { trm_showfield("abc", 3, 10, 2, 0); }, "\033[3;10Hab"},
        {"field erase", [] { trm_showfield("abc", 3, 10, -1, 0); }, "\033[3;10Habc\033[K"},
        {"field 79", [] { trm_showfield("abc", 3, 10, -1, 2); },
         "\033[3;10H" + sgr("7") + "abc" + blanks76 + sgr("0")},
        {"field null text", [] { trm_showfield(nullptr, 1, 2, 2, 0); }, "\033[1;2H  "},
        // Beyond the 133 columns of one piece the field is written whole.
        {"field 300", [&] { trm_showfield(long_text.c_str(), 1, 1, 0, 0); },
         "\033[1;1H" + long_text},
        {"field 200 wide", [] { trm_showfield("ab", 1, 1, 200, 0); },
         "\033[1;1Hab" + std::string(198, ' ')},
        {"field 79 of 300", [&] { trm_showfield(long_text.c_str(), 1, 1, -1, 4); },
         "\033[1;1H" + sgr("1") + std::string(79, 'x') + sgr("0")},
        // Runs keep their rendition; a NUL run is empty.
        {"typch", [] { trm_typch('*', 5, 3); }, sgr("1;4") + "***"},
        {"typch NUL", [] { trm_typch(0, 8, 4); }, sgr("5")},
        {"typch negative", [] { trm_typch('*', 0, -4); }, ""},
        {"typch 300", [] { trm_typch('=', 0, 300); }, std::string(300, '=')},
        // Only the four attribute bits of an index count.
        {"typch video -1", [] { trm_typch('*', -1, 1); }, sgr("5;1;7;4") + "*"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(capture_stdout(c.op), c.out) << c.label;
}

TEST(Screen, VideoAttributeTableHasOneRowPerCombination) {
    const char *rows[16] = {"0", "4",   "7",   "7;4",   "1",   "1;4",   "1;7",   "1;7;4",
                            "5", "5;4", "5;7", "5;7;4", "5;1", "5;1;4", "5;1;7", "5;1;7;4"};
    for (int video = 1; video < 16; ++video) {
        EXPECT_EQ(capture_stdout([&] { trm_typch('x', video, 1); }), sgr(rows[video]) + "x")
            << video;
        EXPECT_EQ(capture_stdout([&] { trm_showfield("x", 2, 2, 1, video); }),
                  "\033[2;2H" + sgr(rows[video]) + "x" + sgr(rows[0]))
            << video;
    }
}

// On Windows the colours are the console's attribute: output that is no
// console (captured here) gets nothing, call after call.  Elsewhere the
// reverse and normal rows of the video table are written.
TEST(Screen, SetVideoSwitchesBetweenInverseAndNormal) {
    const struct {
        int inverse;
        const char *out;
    } cases[] = {{1, "\033[7m"}, {0, "\033[0m"}, {-1, "\033[0m"}, {99, "\033[7m"}};
    for (const auto &c : cases)
        EXPECT_EQ(capture_stdout([&] { trm_setvideo(c.inverse); }), zrl_test::kWindows ? "" : c.out)
            << c.inverse;
}

std::string erased_rows(int top, int bottom) {
    std::string out;
    int row = top;
    do
        out += "\033[" + std::to_string(row) + "H\033[K";
    while (++row <= bottom);
    return out;
}

std::string repeat(const char *s, int n) {
    std::string out;
    for (int i = 0; i < n; ++i)
        out += s;
    return out;
}

// The region as set decides what erase and scroll write: the whole screen
// only for exactly rows 1 to 24, the bottom row never above 24.
TEST(Screen, ScrollingRegionBoundsEraseAndScroll) {
    const struct {
        int top, bottom;
        const char *set;
        std::string erase;
        int stored_top, stored_bottom;
    } cases[] = {
        {1, 24, "\033[1;24r", "\033[2J", 1, 24},
        {2, 30, "\033[2;24r", erased_rows(2, 24), 2, 24},
        {1, 23, "\033[1;23r", erased_rows(1, 23), 1, 23},
        {5, 3, "\033[5;3r", "\033[5H\033[K", 5, 3},
        {24, 24, "\033[24;24r", "\033[24H\033[K", 24, 24},
        {0, 24, "\033[0;24r", erased_rows(0, 24), 0, 24},
    };
    for (const auto &c : cases) {
        const std::string label = std::to_string(c.top) + "-" + std::to_string(c.bottom);
        EXPECT_EQ(capture_stdout([&] { trm_setregion(c.top, c.bottom); }), c.set) << label;
        EXPECT_EQ(capture_stdout(trm_erase), c.erase) << label;
        const std::string at_top = "\033[" + std::to_string(c.stored_top) + ";1H";
        const std::string at_bottom = "\033[" + std::to_string(c.stored_bottom) + ";1H";
        for (int n : {-2, -1, 0, 1, 3}) {
            const std::string out =
                n > 0 ? at_bottom + repeat("\033D\r", n) : at_top + repeat("\033M\r", -n);
            EXPECT_EQ(capture_stdout([&] { trm_scroll(n); }), out) << label << " scroll " << n;
        }
    }
    capture_stdout([] { trm_setregion(1, 24); });
}

TEST(Attach, DetachClearsTheFlagAndAttachedSkipsTheTest) {
    _zrl_attach = 1;
    trm_attach(); // standard input need not be a terminal: nothing is tested
    EXPECT_EQ(_zrl_attach, 1);
    EXPECT_EQ(capture_stdout(trm_detach), "");
    EXPECT_EQ(_zrl_attach, 0);
    EXPECT_EQ(trm_flush(), 0);
}

TEST(AttachDeathTest, EndsTheProgramWhenStandardInputIsNoTerminal) {
    const std::string path = zrl_test::temp_path("notatty");
    std::FILE *f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fclose(f);
    EXPECT_EXIT(
        {
            if (std::freopen(path.c_str(), "rb", stdin) == nullptr) std::_Exit(100);
            trm_attach();
            std::_Exit(_zrl_attach == 0 ? 101 : 102);
        },
        ::testing::ExitedWithCode(zrl_test::kWindows ? -1 : 255),
        "^ERROR : stdin or stdout not a tty\n$");
    std::remove(path.c_str());
}

} // namespace
