// Formatted output to standard output and to the channels, and the fatal
// error exits that take a format.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include <zrlshared.h>

#include "support/console.h"

namespace {

// What each channel received.
struct Received {
    std::vector<std::string> texts;
    std::vector<int> newlines;
};
std::array<Received, 4> received;
int channel_result = 7;

template <int Index> int record(const char *text, int newline) {
    received[Index].texts.emplace_back(text);
    received[Index].newlines.push_back(newline);
    return channel_result;
}

std::vector<int> exit_statuses;
void record_exit(int status) {
    exit_statuses.push_back(status);
}

// Records the exits (and, when asked, the channels) and puts the hooks and
// state back afterwards.
struct Hooks {
    ZRL_OutputFn c = ZRL_COutput, l = ZRL_LOutput, m = ZRL_MOutput, t = ZRL_TOutput;
    ZRL_ExitFn exit = ZRL_ExitHandler;
    const char *ident = programident;
    int status = zrl_error;
    Hooks() {
        received = {};
        exit_statuses.clear();
        ZRL_ExitHandler = record_exit;
    }
    ~Hooks() {
        ZRL_COutput = c, ZRL_LOutput = l, ZRL_MOutput = m, ZRL_TOutput = t;
        ZRL_ExitHandler = exit;
        programident = ident;
        zrl_error = status;
    }
    void record_channels() {
        ZRL_COutput = record<0>, ZRL_LOutput = record<1>, ZRL_MOutput = record<2>;
        ZRL_TOutput = record<3>;
    }
};

// The program name and hyphen in front of every fatal message, by default.
const std::string kPrefix = std::string("???") + "-";

int flag_call(zrl_word value, char *buffer) {
    *reinterpret_cast<bool *>(value) = true;
    buffer[0] = '\0';
    return 0;
}

} // namespace

TEST(Typeff, WritesFilledFormatToStandardOutputCutAt132Characters) {
    EXPECT_EQ(zrl_test::capture_stdout([] { typeff("#^-'-#^", 4, "JAN", 26); }), " 4-JAN-26");
    int result = -5;
    EXPECT_EQ(zrl_test::capture_stdout([&] { result = typefl("\x1b[#;#H", 3, 14); }),
              "\x1b[3;14H\n");
    EXPECT_GE(result, 0);
    const std::string long_text(200, 'q');
    EXPECT_EQ(zrl_test::capture_stdout([&] { typeff("'", long_text.c_str()); }),
              long_text.substr(0, 132));
    EXPECT_EQ(zrl_test::capture_stdout([&] { typefl("'", long_text.c_str()); }),
              long_text.substr(0, 132) + "\n");
}

// Each member reaches only its channel and returns the channel's result, not
// the count; the text is cut at 1023 characters.
TEST(ChannelFormat, EachMemberReachesOnlyItsChannel) {
    Hooks hooks;
    hooks.record_channels();
    using Member = int (*)(const char *, ...);
    const std::pair<Member, int> members[] = {
        {QV_Ctypeff, 0}, {QV_Ctypefl, 0}, {QV_Ltypeff, 1}, {QV_Ltypefl, 1},
        {QV_Mtypeff, 2}, {QV_Mtypefl, 2}, {QV_Ttypeff, 3}, {QV_Ttypefl, 3},
    };
    int newline = 0;
    for (const auto &[member, channel] : members) {
        received = {};
        channel_result = 40 + channel;
        EXPECT_EQ(member("##^:'", 5, "ok"), 40 + channel);
        for (int i = 0; i < 4; ++i) {
            const Received want = i == channel ? Received{{"  5:ok"}, {newline}} : Received{};
            EXPECT_EQ(received[i].texts, want.texts) << "channel " << i;
            EXPECT_EQ(received[i].newlines, want.newlines) << "channel " << i;
        }
        newline = 1 - newline;
    }
    received = {};
    const std::string long_text(2000, 'z');
    QV_Ttypefl("<'", long_text.c_str());
    EXPECT_EQ(received[3].texts, std::vector<std::string>{"<" + long_text.substr(0, 1022)});
}

TEST(ChannelFormat, DefaultChannelWritesToStandardOutput) {
    Hooks hooks;
    int result = 0;
    EXPECT_EQ(zrl_test::capture_stdout([&] { result = QV_Ctypefl("#", 42); }), "42\n");
    EXPECT_EQ(result, 1);
    EXPECT_EQ(zrl_test::capture_stderr([&] { result = QV_Mtypeff("<#>", -3); }), "<-3>");
    EXPECT_EQ(result, 1);
}

// The message line of a real error comes first; the message buffer holds 256
// bytes, so a message keeps its first 255 characters.
TEST(ErrorExit, FormatsMessageAndStopsWithSevere) {
    Hooks hooks;
    const std::string long_text(300, 'm');
    const std::string cut = long_text.substr(0, 255);
    const struct {
        int status;
        const char *format, *program;
        std::string text, want;
    } cases[] = {
        {0, "cannot open '' (#)", nullptr, "REPORT", kPrefix + "cannot open REPORT (3)"},
        {2, "cannot open '' (#)", nullptr, "REPORT",
         std::string(libmsg(2)) + "\n" + kPrefix + "cannot open REPORT (3)"},
        {0, "'", nullptr, cut, kPrefix + cut},
        {0, "'", nullptr, long_text.substr(0, 256), kPrefix + cut},
        {0, "ab'", nullptr, long_text, kPrefix + "ab" + long_text.substr(0, 253)},
        {-1, "bad key '", "SORT", "x", "SORT-bad key x"},
    };
    for (const auto &c : cases) {
        exit_statuses.clear();
        if (c.program != nullptr) errfacil(c.program);
        zrl_error = c.status;
        EXPECT_EQ(zrl_test::capture_stdout([&] { errexitfmt(c.format, c.text.c_str(), 3); }),
                  c.want);
        EXPECT_EQ(exit_statuses, std::vector<int>{4});
    }
}

TEST(ErrorTest, StopsOnAnyNonzeroStatusOnly) {
    Hooks hooks;
    zrl_error = 0;
    bool called = false;
    EXPECT_EQ(zrl_test::capture_stdout(
                  [&] { errtestfmt("%", reinterpret_cast<zrl_word>(&called), flag_call); }),
              "");
    EXPECT_FALSE(called);
    EXPECT_TRUE(exit_statuses.empty());
    const std::pair<int, std::string> rows[] = {
        {-1, kPrefix + "failed 9"},
        {22, std::string(libmsg(22)) + "\n" + kPrefix + "failed 9"},
    };
    for (const auto &[status, want] : rows) {
        exit_statuses.clear();
        zrl_error = status;
        EXPECT_EQ(zrl_test::capture_stdout([] { errtestfmt("failed #", 9); }), want);
        EXPECT_EQ(exit_statuses, std::vector<int>{4}) << status;
    }
}
