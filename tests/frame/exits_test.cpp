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
    ZRL_ExitFn saved_handler_ = ZRL_ExitHandler;
    ZRL_ErrorAction saved_action_ = nullptr;
    const char *saved_name_ = programident;
    int saved_status_ = zrl_error;
};

// The status line comes first, for real errors only.
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
    // A null message does nothing at all, and the action stays installed.
    exit_statuses.clear();
    action_calls = 0;
    erractio(announce);
    EXPECT_EQ(zrl_test::capture_stdout([] { errexit(nullptr); }), "");
    EXPECT_TRUE(exit_statuses.empty());
    EXPECT_EQ(action_calls, 0);
    EXPECT_EQ(erractio(announce), announce);
}

TEST_F(Stopping, ActionRunsOnceAndIsThenReplacedByNothing) {
    zrl_error = 0;
    const std::string out = zrl_test::capture_stdout([] {
        errexit("first");
        errexit("second");
    });
    EXPECT_EQ(out, "<action first>" + kName + "-first<exit 4>" + kName + "-second<exit 4>");
    EXPECT_EQ(action_calls, 1);
    EXPECT_NE(erractio(reenter), announce);
    EXPECT_EQ(erractio(announce), reenter) << "erractio returns the action it replaces";
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

// The name starts as "???"; a cleared name prints as nothing.
TEST_F(Stopping, ErrfacilNamesTheProgramWithoutCopying) {
    EXPECT_STREQ(programident, "???");
    static const char name[] = "REPORT";
    errfacil(name);
    EXPECT_EQ(programident, name);
    zrl_error = 0;
    EXPECT_EQ(zrl_test::capture_stdout([] { errexit("no input"); }),
              "<action no input>REPORT-no input<exit 4>");
    errfacil(nullptr);
    EXPECT_EQ(zrl_test::capture_stdout([] { errexit("m"); }), "-m<exit 4>");
}

TEST_F(Stopping, ExitOperationsPassTheirStatusAndReturn) {
    const struct {
        const char *name;
        void (*stop)();
        int status;
    } cases[] = {{"exitnormal", exitnormal, 0},
                 {"exitwarn", exitwarn, 1},
                 {"exiterror", exiterror, 2},
                 {"exitsevere", exitsevere, 4},
                 {"exits(256)", [] { exits(256); }, 256},
                 {"exits(INT_MIN)", [] { exits(INT_MIN); }, INT_MIN}};
    for (const auto &c : cases) {
        exit_statuses.clear();
        zrl_test::capture_stdout(c.stop);
        EXPECT_EQ(exit_statuses, std::vector<int>{c.status}) << c.name;
    }
    EXPECT_EQ(action_calls, 0) << "only errexit runs the error action";
}

TEST(StoppingDeathTest, DefaultHandlerEndsTheProcessWithTheStatus) {
    EXPECT_EXIT(exitwarn(), ::testing::ExitedWithCode(1), "");
    EXPECT_EXIT(exits(9), ::testing::ExitedWithCode(9), "");
    EXPECT_EXIT(
        {
            zrl_error = 0;
            errexit("stopped by test\n");
        },
        ::testing::ExitedWithCode(4), "");
    // A cleared handler falls back to the runtime's exit.
    EXPECT_EXIT(
        {
            ZRL_ExitHandler = nullptr;
            exits(6);
        },
        ::testing::ExitedWithCode(6), "");
}

} // namespace
