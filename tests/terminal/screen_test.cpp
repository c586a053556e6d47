// Screen control: the exact bytes of every operation, also within a scrolling
// region, and the attached state.
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

// What erasing each row from top to bottom writes (top at least once).
std::string erased(int top, int bottom) {
    std::string out;
    for (int row = top; row == top || row <= bottom; ++row)
        out += "\033[" + std::to_string(row) + "H\033[K";
    return out;
}

// Sets the scrolling region, erases, and scrolls by 0, -2 and 3 lines.
void in_region(int top, int bottom) {
    trm_setregion(top, bottom), trm_erase(), trm_scroll(0), trm_scroll(-2), trm_scroll(3);
}
// What in_region's scrolls write: twice to the top row and two lines up there,
// then to the bottom row and three lines down.
std::string scrolled(int top, int bottom) {
    const std::string at_top = "\033[" + std::to_string(top) + ";1H";
    return at_top + at_top + "\033M\r\033M\r\033[" + std::to_string(bottom) +
           ";1H\033D\r\033D\r\033D\r";
}

TEST(Screen, OperationsWriteTheirExactSequences) {
    const std::string x300(300, 'x');
    const struct {
        std::function<void()> op;
        std::string out;
    } cases[] = {
        {[] { trm_beep(), trm_cr(), trm_clreol(), trm_savcur(), trm_rescur(); },
         "\a\r\033[K\0337\0338"},
        {[] { trm_keypad(1), trm_keypad(0); }, "\033=\033>\033[?1l"},
        {[] { trm_forw(0), trm_forw(1), trm_forw(12), trm_forw(-1), trm_forw(-3); },
         "\033[C\033[12C\b\033[3D"},
        {[] { trm_setcursor(3, 10), trm_type("ab\033c"); }, "\033[3;10Hab\033c"},
        // Fields: width cuts or pads, width -1 erases the rest of the line
        // (video 0) or pads to 79 columns between the rendition sequences.
        {[] { trm_showfield("abc", 3, 10, 2, 0); }, "\033[3;10Hab"},
        {[] { trm_showfield("abc", 3, 10, -1, 0); }, "\033[3;10Habc\033[K"},
        // Beyond the 133 columns of one piece the field is written whole.
        {[&] { trm_showfield(x300.c_str(), 1, 1, 0, 0); }, "\033[1;1H" + x300},
        {[] { trm_showfield("ab", 1, 1, 200, 0); }, "\033[1;1Hab" + std::string(198, ' ')},
        {[&] { trm_showfield(x300.c_str(), 1, 1, -1, 4); },
         "\033[1;1H" + sgr("1") + std::string(79, 'x') + sgr("0")},
        // Runs keep their rendition; a NUL run is empty; only the four
        // attribute bits of an index count.
        {[] { trm_typch('*', 5, 3), trm_typch(0, 8, 4), trm_typch('*', -1, 1); },
         sgr("1;4") + "***" + sgr("5") + sgr("5;1;7;4") + "*"},
        {[] { trm_typch('=', 0, 300); }, std::string(300, '=')},
        // On Windows the colours are the console's attribute, and captured
        // output is no console; elsewhere the reverse and normal rows.
        {[] { trm_setvideo(2), trm_setvideo(0); }, zrl_test::kWindows ? "" : sgr("7") + sgr("0")},
        // The region as set decides what erase and scroll write: the whole
        // screen only for exactly rows 1 to 24, the bottom row never above 24.
        {[] { in_region(2, 30); }, "\033[2;24r" + erased(2, 24) + scrolled(2, 24)},
        {[] { in_region(1, 23); }, "\033[1;23r" + erased(1, 23) + scrolled(1, 23)},
        {[] { in_region(5, 3); }, "\033[5;3r" + erased(5, 3) + scrolled(5, 3)},
        {[] { in_region(1, 24); }, "\033[1;24r\033[2J" + scrolled(1, 24)},
    };
    for (const auto &c : cases)
        EXPECT_EQ(capture_stdout(c.op), c.out) << &c - cases;
    const char *table[16] = {"0", "4",   "7",   "7;4",   "1",   "1;4",   "1;7",   "1;7;4",
                             "5", "5;4", "5;7", "5;7;4", "5;1", "5;1;4", "5;1;7", "5;1;7;4"};
    for (int video = 1; video < 16; ++video)
        EXPECT_EQ(capture_stdout([&] { trm_showfield("x", 2, 2, 1, video); }),
                  "\033[2;2H" + sgr(table[video]) + "x" + sgr("0"))
            << video;
}

TEST(AttachDeathTest, AttachTestsOnlyWhenDetachedAndNeedsATerminal) {
    _zrl_attach = 1;
    trm_attach(); // standard input need not be a terminal: nothing is tested
    EXPECT_EQ(_zrl_attach, 1);
    EXPECT_EQ(capture_stdout(trm_detach), "");
    EXPECT_EQ(_zrl_attach, 0);
    EXPECT_EQ(trm_flush(), 0);
    zrl_test::StdinFeed feed("");
    EXPECT_EXIT(
        {
            trm_attach();
            std::_Exit(_zrl_attach == 0 ? 101 : 102);
        },
        ::testing::ExitedWithCode(zrl_test::kWindows ? -1 : 255),
        "^ERROR : stdin or stdout not a tty\n$");
}

} // namespace
