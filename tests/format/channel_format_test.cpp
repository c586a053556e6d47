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

// Saves and restores the hooks and state the tests replace.
class Hooks {
  public:
    Hooks()
        : c_(ZRL_COutput), l_(ZRL_LOutput), m_(ZRL_MOutput), t_(ZRL_TOutput),
          exit_(ZRL_ExitHandler), ident_(programident), status_(zrl_error) {
        for (Received &r : received)
            r = {};
        exit_statuses.clear();
        channel_result = 7;
    }
    ~Hooks() {
        ZRL_COutput = c_;
        ZRL_LOutput = l_;
        ZRL_MOutput = m_;
        ZRL_TOutput = t_;
        ZRL_ExitHandler = exit_;
        programident = ident_;
        zrl_error = status_;
    }
    Hooks(const Hooks &) = delete;
    Hooks &operator=(const Hooks &) = delete;

    void record_channels() {
        ZRL_COutput = record<0>;
        ZRL_LOutput = record<1>;
        ZRL_MOutput = record<2>;
        ZRL_TOutput = record<3>;
    }

  private:
    ZRL_OutputFn c_, l_, m_, t_;
    ZRL_ExitFn exit_;
    const char *ident_;
    int status_;
};

// The program name and hyphen in front of every fatal message, by default.
const std::string kPrefix = std::string("???") + "-";

int flag_call(zrl_word value, char *buffer) {
    *reinterpret_cast<bool *>(value) = true;
    buffer[0] = '\0';
    return 0;
}

} // namespace

TEST(Typeff, WritesFilledFormatToStandardOutput) {
    EXPECT_EQ(zrl_test::capture_stdout([] { typeff("#^-'-#^", 4, "JAN", 26); }), " 4-JAN-26");
    int result = -5;
    EXPECT_EQ(zrl_test::capture_stdout([&] { result = typefl("\x1b[#;#H", 3, 14); }),
              "\x1b[3;14H\n");
    EXPECT_GE(result, 0);
}

TEST(Typeff, CutsTextAt132Characters) {
    const std::string long_text(200, 'q');
    EXPECT_EQ(zrl_test::capture_stdout([&] { typeff("'", long_text.c_str()); }),
              long_text.substr(0, 132));
    EXPECT_EQ(zrl_test::capture_stdout([&] { typefl("'", long_text.c_str()); }),
              long_text.substr(0, 132) + "\n");
}

TEST(ChannelFormat, EachMemberReachesOnlyItsChannel) {
    Hooks hooks;
    hooks.record_channels();
    using Member = int (*)(const char *, ...);
    struct Row {
        Member member;
        int channel;
        int newline;
    };
    const std::vector<Row> rows = {
        {QV_Ctypeff, 0, 0}, {QV_Ctypefl, 0, 1}, {QV_Ltypeff, 1, 0}, {QV_Ltypefl, 1, 1},
        {QV_Mtypeff, 2, 0}, {QV_Mtypefl, 2, 1}, {QV_Ttypeff, 3, 0}, {QV_Ttypefl, 3, 1},
    };
    for (const Row &row : rows) {
        for (Received &r : received)
            r = {};
        channel_result = 40 + row.channel;
        EXPECT_EQ(row.member("##^:'", 5, "ok"), 40 + row.channel);
        for (int i = 0; i < 4; ++i) {
            if (i == row.channel) {
                ASSERT_EQ(received[i].texts.size(), 1u);
                EXPECT_EQ(received[i].texts[0], "  5:ok");
                EXPECT_EQ(received[i].newlines[0], row.newline);
            } else {
                EXPECT_TRUE(received[i].texts.empty()) << "channel " << i;
            }
        }
    }
}

TEST(ChannelFormat, ResultIsTheChannelsNotTheCount) {
    Hooks hooks;
    hooks.record_channels();
    channel_result = 0;
    EXPECT_EQ(QV_Ltypeff("'", "some text"), 0);
    channel_result = 1;
    EXPECT_EQ(QV_Ltypeff("'", "some text"), 1);
}

TEST(ChannelFormat, DefaultChannelWritesToStandardOutput) {
    Hooks hooks;
    int result = 0;
    EXPECT_EQ(zrl_test::capture_stdout([&] { result = QV_Ctypefl("#", 42); }), "42\n");
    EXPECT_EQ(result, 1);
    EXPECT_EQ(zrl_test::capture_stderr([&] { result = QV_Mtypeff("<#>", -3); }), "<-3>");
    EXPECT_EQ(result, 1);
}

TEST(ChannelFormat, TextIsCutAt1023Characters) {
    Hooks hooks;
    hooks.record_channels();
    const std::string long_text(2000, 'z');
    EXPECT_EQ(QV_Ttypefl("<'", long_text.c_str()), 7);
    ASSERT_EQ(received[3].texts.size(), 1u);
    EXPECT_EQ(received[3].texts[0], "<" + long_text.substr(0, 1022));
}

TEST(ErrorExit, FormatsMessageAndStopsWithSevere) {
    Hooks hooks;
    ZRL_ExitHandler = record_exit;
    zrl_error = 0;
    EXPECT_EQ(zrl_test::capture_stdout([] { errexitfmt("cannot open '' (#)", "REPORT", 3); }),
              kPrefix + "cannot open REPORT (3)");
    EXPECT_EQ(exit_statuses, std::vector<int>{4});

    exit_statuses.clear();
    zrl_error = 2;
    EXPECT_EQ(zrl_test::capture_stdout([] { errexitfmt("#^ files", 7); }),
              std::string(libmsg(2)) + "\n" + kPrefix + " 7 files");
    EXPECT_EQ(exit_statuses, std::vector<int>{4});
}

TEST(ErrorExit, UsesProgramIdentInFront) {
    Hooks hooks;
    ZRL_ExitHandler = record_exit;
    zrl_error = -1;
    errfacil("SORT");
    EXPECT_EQ(zrl_test::capture_stdout([] { errexitfmt("bad key '", "x"); }), "SORT-bad key x");
    EXPECT_EQ(exit_statuses, std::vector<int>{4});
}

// The message buffer holds 256 bytes: a message that fills to more keeps its
// first 255 characters.
TEST(ErrorExit, CutsLongMessageAt255Characters) {
    Hooks hooks;
    ZRL_ExitHandler = record_exit;
    zrl_error = 0;
    const std::string long_text(300, 'm');
    for (int length : {254, 255, 256, 300}) {
        const std::string part = long_text.substr(0, static_cast<std::size_t>(length));
        EXPECT_EQ(zrl_test::capture_stdout([&] { errexitfmt("'", part.c_str()); }),
                  kPrefix + long_text.substr(0, std::min(length, 255)))
            << length;
    }
    EXPECT_EQ(zrl_test::capture_stdout([&] { errexitfmt("ab'", long_text.c_str()); }),
              kPrefix + "ab" + long_text.substr(0, 253));
}

TEST(ErrorTest, DoesNothingWithoutStatus) {
    Hooks hooks;
    ZRL_ExitHandler = record_exit;
    zrl_error = 0;
    bool called = false;
    EXPECT_EQ(zrl_test::capture_stdout(
                  [&] { errtestfmt("%", reinterpret_cast<zrl_word>(&called), flag_call); }),
              "");
    EXPECT_FALSE(called);
    EXPECT_TRUE(exit_statuses.empty());
}

TEST(ErrorTest, StopsOnAnyNonzeroStatus) {
    Hooks hooks;
    ZRL_ExitHandler = record_exit;
    struct Row {
        int status;
        std::string want;
    };
    const std::vector<Row> rows = {
        {-1, kPrefix + "failed 9"},
        {22, std::string(libmsg(22)) + "\n" + kPrefix + "failed 9"},
    };
    for (const Row &row : rows) {
        exit_statuses.clear();
        zrl_error = row.status;
        EXPECT_EQ(zrl_test::capture_stdout([] { errtestfmt("failed #", 9); }), row.want);
        EXPECT_EQ(exit_statuses, std::vector<int>{4}) << row.status;
    }
}
