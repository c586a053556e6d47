// Screen control: the exact bytes of every operation, also within a scrolling
// region.
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
        // attribute bits of an index count.  The bits for blink, bold,
        // reverse and underline come in that order.
        {[] { trm_typch('*', 5, 3), trm_typch(0, 10, 4), trm_typch('*', -1, 1); },
         sgr("1;4") + "***" + sgr("5;7") + sgr("5;1;7;4") + "*"},
        // On Windows the colours are the console's attribute, and captured
        // output is no console; elsewhere the reverse and normal rows.
        {[] { trm_setvideo(2), trm_setvideo(0); }, zrl_test::kWindows ? "" : sgr("7") + sgr("0")},
    };
    for (const auto &c : cases)
        EXPECT_EQ(capture_stdout(c.op), c.out) << &c - cases;
    // The region as set decides what erase and scroll write: the whole screen
    // only for exactly rows 1 to 24, else each row, the bottom row never
    // above 24.  Scrolling by 0, -2 and 3 lines goes twice to the top row and
    // two lines up there, then to the bottom row and three lines down.
    for (const auto &region : {std::pair{2, 30}, {1, 23}, {1, 24}}) {
        const int top = region.first, bottom = region.second, low = bottom < 24 ? bottom : 24;
        const bool whole = top == 1 && low == 24;
        const std::string t = std::to_string(top), b = std::to_string(low);
        std::string out = "\033[" + t + ";" + b + "r" + (whole ? "\033[2J" : "");
        for (int row = top; row <= low && !whole; ++row)
            out += "\033[" + std::to_string(row) + "H\033[K";
        out += "\033[" + t + ";1H\033[" + t + ";1H\033M\r\033M\r\033[" + b +
               ";1H\033D\r\033D\r\033D\r";
        EXPECT_EQ(capture_stdout([&] {
                      trm_setregion(top, bottom), trm_erase();
                      trm_scroll(0), trm_scroll(-2), trm_scroll(3);
                  }),
                  out)
            << top << "-" << bottom;
    }
}

} // namespace
