// Status texts, stopping the program (exit handler, error action, the fatal
// error exit) and the punched-tape conversion.
#include <array>
#include <climits>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <zrlshared.h>

#include "support/console.h"
#include "support/hooks.h"

namespace {

using zrl_test::capture_stdout;
using zrl_test::Hooks;

// Fixed texts for success and end of file, the runtime's for error numbers,
// other codes undefined with a trailing space, in one buffer that only the
// next undefined code reuses.  The status is left alone.
TEST(Libmsg, GivesTheTextOfEachKindOfCode) {
    zrl_error = 33;
    const char *undefined = libmsg(-7);
    EXPECT_STREQ(undefined, "UNDEFINED ERROR -7 ");
    EXPECT_STREQ(libmsg(0), "No error");
    EXPECT_STREQ(libmsg(-1), "End of file");
    EXPECT_STREQ(libmsg(22), std::strerror(22));
    EXPECT_STREQ(libmsg(INT_MIN), "UNDEFINED ERROR -2147483648 ");
    EXPECT_EQ(zrl_error, 33);
    EXPECT_STREQ(undefined, "UNDEFINED ERROR -2147483648 ");
    zrl_error = 0;
}

int action_calls = 0;
void announce(const char *message) {
    ++action_calls;
    std::printf("<action %s>", message);
}
void reenter(const char *message) {
    ++action_calls;
    std::printf("<reenter %s>", message);
    errexit("inner");
}

// The status line comes first, for real errors only; then the action, the
// program's name and the message, and the severe exit; the status is left
// alone.  A null message does nothing at all.  The action is taken out before
// it runs, so one that calls errexit does not recurse.  The name starts as
// "???" and is not copied.
TEST(Errexit, PrintsStatusLineActionNameAndMessage) {
    Hooks hooks;
    const std::pair<int, std::string> cases[] = {{2, std::string(std::strerror(2)) + "\n"},
                                                 {-7, "UNDEFINED ERROR -7 \n"},
                                                 {0, ""},
                                                 {-1, ""}};
    for (const auto &[status, line] : cases) {
        erractio(announce);
        zrl_error = status;
        EXPECT_EQ(capture_stdout([] { errexit("no report"); }),
                  line + "<action no report>?\?\?-no report<exit 4>")
            << status;
        EXPECT_EQ(zrl_error, status);
    }
    erractio(reenter);
    action_calls = 0;
    EXPECT_EQ(capture_stdout([] {
                  errexit(nullptr);
                  errexit("outer");
                  errexit("again");
              }),
              "<reenter outer>?\?\?-inner<exit 4>?\?\?-outer<exit 4>?\?\?-again<exit 4>");
    EXPECT_EQ(action_calls, 1);
    EXPECT_NE(erractio(announce), reenter);
    EXPECT_EQ(erractio(announce), announce) << "erractio returns the action it replaces";
    static const char name[] = "REPORT";
    errfacil(name);
    EXPECT_EQ(programident, name);
    EXPECT_EQ(capture_stdout([] { errexit("no input"); }),
              "<action no input>REPORT-no input<exit 4>");
    capture_stdout([] {
        exitnormal();
        exitwarn();
        exiterror();
        exitsevere();
        exits(INT_MIN);
    });
    EXPECT_EQ(Hooks::exits, (std::vector<int>{4, 4, 4, 4, 4, 4, 4, 4, 0, 1, 2, 4, INT_MIN}));
}

// The default handler is the runtime's exit; a cleared one falls back to it.
TEST(ExitsDeathTest, DefaultHandlerEndsTheProcessWithTheStatus) {
    EXPECT_EXIT(exits(9), ::testing::ExitedWithCode(9), "");
    EXPECT_EXIT(
        {
            ZRL_ExitHandler = nullptr;
            exits(6);
        },
        ::testing::ExitedWithCode(6), "");
}

// Every code, into another buffer and in place, against the table written out
// independently of the library's; exactly count bytes are written.
TEST(Eitoas, ConvertsEveryCodeOfTheTable) {
    const std::map<int, char> table = {
        {0x01, '1'}, {0x02, '2'}, {0x04, '4'}, {0x07, '7'}, {0x08, '8'}, {0x0B, '%'}, {0x0E, '&'},
        {0x10, ' '}, {0x13, '3'}, {0x15, '5'}, {0x16, '6'}, {0x19, '9'}, {0x1A, '('}, {0x20, '0'},
        {0x23, 'T'}, {0x25, 'V'}, {0x26, 'W'}, {0x29, 'Z'}, {0x2A, 8},   {0x31, '/'}, {0x32, 'S'},
        {0x34, 'U'}, {0x37, 'X'}, {0x38, 'Y'}, {0x3B, ','}, {0x3E, 9},   {0x40, '-'}, {0x43, 'L'},
        {0x45, 'N'}, {0x46, 'O'}, {0x49, 'R'}, {0x4A, ')'}, {0x51, 'J'}, {0x52, 'K'}, {0x54, 'M'},
        {0x57, 'P'}, {0x58, 'Q'}, {0x61, 'A'}, {0x62, 'B'}, {0x64, 'D'}, {0x67, 'G'}, {0x68, 'H'},
        {0x6B, '.'}, {0x70, '+'}, {0x73, 'C'}, {0x75, 'E'}, {0x76, 'F'}, {0x79, 'I'}, {0x7F, 0x7F},
        {0x80, 10}};
    std::array<unsigned char, 258> ascii{}, in_place{};
    ascii.fill('#');
    for (int i = 0; i < 256; ++i)
        in_place[i] = static_cast<unsigned char>(i);
    eitoas(in_place.data(), ascii.data(), 256);
    eitoas(in_place.data(), in_place.data(), 256);
    eitoas(in_place.data(), ascii.data() + 256, -3);
    for (int code = 0; code < 256; ++code) {
        const auto entry = table.find(code);
        EXPECT_EQ(ascii[code], entry == table.end() ? 0 : entry->second) << "code " << code;
        EXPECT_EQ(in_place[code], ascii[code]) << "code " << code;
    }
    EXPECT_EQ(ascii[256], '#');
    EXPECT_EQ(ascii[257], '#');
}

} // namespace
