// Formatted output to standard output and to the channels, and the fatal
// error exits that take a format.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <zrlshared.h>

#include "support/console.h"
#include "support/hooks.h"

namespace {

using zrl_test::Hooks;

// typeff and typefl write to standard output, cut at 132 characters.
TEST(Typeff, WritesFilledFormatToStandardOutputCutAt132Characters) {
    EXPECT_EQ(zrl_test::capture_stdout([] { typeff("#^-'-#^", 4, "JAN", 26); }), " 4-JAN-26");
    const std::string long_text(200, 'q');
    EXPECT_EQ(zrl_test::capture_stdout([&] { typefl("'", long_text.c_str()); }),
              long_text.substr(0, 132) + "\n");
}

// Each member reaches only its channel and returns the channel's result, not
// the count; the text is cut at 1023 characters.
TEST(ChannelFormat, EachMemberReachesOnlyItsChannel) {
    Hooks hooks(true);
    const std::pair<int (*)(const char *, ...), char> members[] = {
        {QV_Ctypeff, 'C'}, {QV_Ctypefl, 'C'}, {QV_Ltypeff, 'L'}, {QV_Ltypefl, 'L'},
        {QV_Mtypeff, 'M'}, {QV_Mtypefl, 'M'}, {QV_Ttypeff, 'T'}, {QV_Ttypefl, 'T'},
    };
    int newline = 0;
    for (const auto &[member, channel] : members) {
        Hooks::sent.clear();
        Hooks::result = 40 + channel;
        EXPECT_EQ(member("##^:'", 5, "ok"), 40 + channel);
        ASSERT_EQ(Hooks::sent.size(), 1u);
        EXPECT_EQ(Hooks::sent[0].channel, channel);
        EXPECT_EQ(Hooks::sent[0].text, "  5:ok");
        EXPECT_EQ(Hooks::sent[0].newline, newline) << channel;
        newline = 1 - newline;
    }
    Hooks::sent.clear();
    const std::string long_text(2000, 'z');
    QV_Ttypefl("<'", long_text.c_str());
    EXPECT_EQ(Hooks::sent[0].text, "<" + long_text.substr(0, 1022));
}

// The message line of a real error comes first; the message buffer holds 256
// bytes, so a message keeps its first 255 characters.  errtestfmt stops on
// any nonzero status only.
TEST(ErrorExit, FormatsMessageAndStopsWithSevere) {
    Hooks hooks;
    const std::string long_text(300, 'm');
    zrl_error = 2;
    EXPECT_EQ(zrl_test::capture_stdout([] { errexitfmt("cannot open '' (#)", "REPORT", 3); }),
              std::string(libmsg(2)) + "\n?\?\?-cannot open REPORT (3)<exit 4>");
    zrl_error = 0;
    EXPECT_EQ(zrl_test::capture_stdout([&] { errexitfmt("ab'", long_text.c_str()); }),
              "?\?\?-ab" + long_text.substr(0, 253) + "<exit 4>");
    EXPECT_EQ(zrl_test::capture_stdout([] { errtestfmt("failed #", 9); }), "");
    for (int status : {-1, 22}) {
        zrl_error = status;
        EXPECT_EQ(zrl_test::capture_stdout([] { errtestfmt("failed #", 9); }),
                  (status > 0 ? std::string(libmsg(status)) + "\n" : "") +
                      "?\?\?-failed 9<exit 4>");
    }
    EXPECT_EQ(Hooks::exits, (std::vector<int>{4, 4, 4, 4}));
}

} // namespace
