// Stopping the program: exit handler, error action and the fatal error exit.
#include <climits>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <zrlshared.h>

#include "support/console.h"
#include "support/hooks.h"

namespace {

using zrl_test::Hooks;

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

// The status line comes first, for real errors only; then the action, then
// the program's name and the message, and the severe exit.  The status is
// left alone.  A null message does nothing at all.
TEST(Errexit, PrintsStatusLineActionNameAndMessage) {
    Hooks hooks;
    const std::pair<int, std::string> cases[] = {{2, std::string(std::strerror(2)) + "\n"},
                                                 {-7, "UNDEFINED ERROR -7 \n"},
                                                 {0, ""},
                                                 {-1, ""}};
    for (const auto &[status, line] : cases) {
        erractio(announce);
        zrl_error = status;
        EXPECT_EQ(zrl_test::capture_stdout([] { errexit("no report"); }),
                  line + "<action no report>?\?\?-no report<exit 4>")
            << status;
        EXPECT_EQ(zrl_error, status);
    }
    action_calls = 0;
    EXPECT_EQ(zrl_test::capture_stdout([] { errexit(nullptr); }), "");
    EXPECT_EQ(action_calls, 0);
    EXPECT_EQ(Hooks::exits, (std::vector<int>{4, 4, 4, 4}));
}

// The action is taken out before it runs: it runs once, and one that calls
// errexit does not recurse.
TEST(Errexit, RunsTheActionOnce) {
    Hooks hooks;
    erractio(reenter);
    zrl_error = 0;
    action_calls = 0;
    EXPECT_EQ(zrl_test::capture_stdout([] {
                  errexit("outer");
                  errexit("again");
              }),
              "<reenter outer>?\?\?-inner<exit 4>?\?\?-outer<exit 4>?\?\?-again<exit 4>");
    EXPECT_EQ(action_calls, 1);
    EXPECT_NE(erractio(announce), reenter);
    EXPECT_EQ(erractio(announce), announce) << "erractio returns the action it replaces";
}

// The name starts as "???" and is not copied; a cleared name prints as nothing.
TEST(Errfacil, NamesTheProgramWithoutCopying) {
    Hooks hooks;
    EXPECT_STREQ(programident, "???");
    static const char name[] = "REPORT";
    errfacil(name);
    EXPECT_EQ(programident, name);
    zrl_error = 0;
    EXPECT_EQ(zrl_test::capture_stdout([] { errexit("no input"); }), "REPORT-no input<exit 4>");
    errfacil(nullptr);
    EXPECT_EQ(zrl_test::capture_stdout([] { errexit("m"); }), "-m<exit 4>");
}

TEST(Exits, PassTheirStatusToTheHandler) {
    Hooks hooks;
    zrl_test::capture_stdout([] {
        exitnormal();
        exitwarn();
        exiterror();
        exitsevere();
        exits(INT_MIN);
    });
    EXPECT_EQ(Hooks::exits, (std::vector<int>{0, 1, 2, 4, INT_MIN}));
}

// A cleared handler falls back to the runtime's exit.
TEST(ExitsDeathTest, DefaultHandlerEndsTheProcessWithTheStatus) {
    EXPECT_EXIT(exits(9), ::testing::ExitedWithCode(9), "");
    EXPECT_EXIT(
        {
            zrl_error = 0;
            errexit("stopped by test\n");
        },
        ::testing::ExitedWithCode(4), "");
    EXPECT_EXIT(
        {
            ZRL_ExitHandler = nullptr;
            exits(6);
        },
        ::testing::ExitedWithCode(6), "");
}

} // namespace
