// Stopping the program: exit handler, error action and the fatal error exit.
#include <climits>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <zrlshared.h>

#include "support/console.h"

namespace {

// The name printed before fatal messages until a program sets its own.
const std::string kName = "???";

std::vector<int> exit_statuses;
int action_calls = 0;

// A handler that returns, and marks its place in standard output.
void record_exit(int status) {
    exit_statuses.push_back(status);
    std::printf("<exit %d>", status);
}

void announce(const char *message) {
    ++action_calls;
    std::printf("<action %s>", message);
}

void reenter(const char *message) {
    ++action_calls;
    std::printf("<reenter %s>", message);
    errexit("inner");
}

// Each test runs with a returning exit handler and the announcing action, and
// leaves the handler, action, name and status as it found them.
class Stopping : public ::testing::Test {
  protected:
    void SetUp() override {
        exit_statuses.clear();
        action_calls = 0;
        saved_handler_ = ZRL_ExitHandler;
        saved_name_ = programident;
        saved_status_ = zrl_error;
        ZRL_ExitHandler = record_exit;
        saved_action_ = erractio(announce);
    }
    void TearDown() override {
        ZRL_ExitHandler = saved_handler_;
        erractio(saved_action_);
        errfacil(saved_name_);
        zrl_error = saved_status_;
    }

  private:
    ZRL_ExitFn saved_handler_ = nullptr;
    ZRL_ErrorAction saved_action_ = nullptr;
    const char *saved_name_ = nullptr;
    int saved_status_ = 0;
};

TEST_F(Stopping, ProgramNameStartsAsQuestionMarks) {
    EXPECT_STREQ(programident, "???");
}

TEST_F(Stopping, ErrexitPrintsStatusLineOnlyForRealErrors) {
    const struct {
        int status;
        std::string line;
    } cases[] = {
        {2, std::string(std::strerror(2)) + "\n"},
        {22, std::string(std::strerror(22)) + "\n"},
        {-7, "UNDEFINED ERROR -7 \n"},
        {0, ""},
        {-1, ""},
    };
    for (const auto &c : cases) {
        exit_statuses.clear();
        erractio(announce);
        zrl_error = c.status;
        const std::string out = zrl_test::capture_stdout([] { errexit("cannot open report"); });
        EXPECT_EQ(out,
                  c.line + "<action cannot open report>" + kName + "-cannot open report<exit 4>")
            << "status " << c.status;
        EXPECT_EQ(exit_statuses, std::vector<int>{4}) << "status " << c.status;
        EXPECT_EQ(zrl_error, c.status) << "errexit leaves the status alone";
    }
}

TEST_F(Stopping, ErrexitWithNullMessageDoesNothing) {
    zrl_error = 2;
    const std::string out = zrl_test::capture_stdout([] { errexit(nullptr); });
    EXPECT_EQ(out, "");
    EXPECT_TRUE(exit_statuses.empty());
    EXPECT_EQ(action_calls, 0);
    EXPECT_EQ(erractio(announce), announce) << "the action stays installed";
}

TEST_F(Stopping, ErrexitReturnsWhenHandlerReturns) {
    zrl_error = 0;
    bool returned = false;
    zrl_test::capture_stdout([&] {
        errexit("m");
        returned = true;
    });
    EXPECT_TRUE(returned);
}

TEST_F(Stopping, ActionRunsOnceAndIsThenReplacedByNothing) {
    zrl_error = 0;
    const std::string out = zrl_test::capture_stdout([] {
        errexit("first");
        errexit("second");
    });
    EXPECT_EQ(out, "<action first>" + kName + "-first<exit 4>" + kName + "-second<exit 4>");
    EXPECT_EQ(action_calls, 1);
    EXPECT_NE(erractio(announce), announce);
}

TEST_F(Stopping, ActionThatCallsErrexitDoesNotRecurse) {
    erractio(reenter);
    zrl_error = 5;
    const std::string status = std::string(std::strerror(5)) + "\n";
    const std::string out = zrl_test::capture_stdout([] { errexit("outer"); });
    EXPECT_EQ(out, status + "<reenter outer>" + status + kName + "-inner<exit 4>" + kName +
                       "-outer<exit 4>");
    EXPECT_EQ(action_calls, 1);
    EXPECT_EQ(exit_statuses, (std::vector<int>{4, 4}));
}

TEST_F(Stopping, ErrfacilNamesTheProgramWithoutCopying) {
    static const char name[] = "REPORT";
    errfacil(name);
    EXPECT_EQ(programident, name);
    zrl_error = 0;
    const std::string out = zrl_test::capture_stdout([] { errexit("no input"); });
    EXPECT_EQ(out, "<action no input>REPORT-no input<exit 4>");
}

TEST_F(Stopping, ClearedProgramNamePrintsAsNothing) {
    errfacil(nullptr);
    zrl_error = 0;
    const std::string out = zrl_test::capture_stdout([] { errexit("m"); });
    EXPECT_EQ(out, "<action m>-m<exit 4>");
}

TEST_F(Stopping, ErractioReturnsTheActionItReplaces) {
    EXPECT_EQ(erractio(reenter), announce);
    EXPECT_EQ(erractio(announce), reenter);
}

TEST_F(Stopping, ExitOperationsPassTheirStatusAndReturn) {
    const struct {
        const char *name;
        void (*stop)();
        int status;
    } cases[] = {
        {"exitnormal", exitnormal, 0},
        {"exitwarn", exitwarn, 1},
        {"exiterror", exiterror, 2},
        {"exitsevere", exitsevere, 4},
        {"exits(0)", [] { exits(0); }, 0},
        {"exits(3)", [] { exits(3); }, 3},
        {"exits(-5)", [] { exits(-5); }, -5},
        {"exits(256)", [] { exits(256); }, 256},
        {"exits(INT_MIN)", [] { exits(INT_MIN); }, INT_MIN},
    };
    for (const auto &c : cases) {
        exit_statuses.clear();
        zrl_test::capture_stdout(c.stop);
        EXPECT_EQ(exit_statuses, std::vector<int>{c.status}) << c.name;
    }
    EXPECT_EQ(action_calls, 0) << "only errexit runs the error action";
}

TEST(StoppingDeathTest, DefaultHandlerEndsTheProcessWithTheStatus) {
    EXPECT_EXIT(exitnormal(), ::testing::ExitedWithCode(0), "");
    EXPECT_EXIT(exitwarn(), ::testing::ExitedWithCode(1), "");
    EXPECT_EXIT(exiterror(), ::testing::ExitedWithCode(2), "");
    EXPECT_EXIT(exitsevere(), ::testing::ExitedWithCode(4), "");
    EXPECT_EXIT(exits(9), ::testing::ExitedWithCode(9), "");
    EXPECT_EXIT(
        {
            zrl_error = 0;
            errexit("stopped by test\n");
        },
        ::testing::ExitedWithCode(4), "");
}

TEST(StoppingDeathTest, ClearedHandlerFallsBackToRuntimeExit) {
    EXPECT_EXIT(
        {
            ZRL_ExitHandler = nullptr;
            exits(6);
        },
        ::testing::ExitedWithCode(6), "");
}

} // namespace
