// The four output channels and the QV_ members that write to them.
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <zrlshared.h>

#include "support/console.h"
#include "support/hooks.h"

namespace {

using zrl_test::Hooks;

int call_v(int (*member)(const char *, va_list), const char *format, ...) {
    va_list args;
    va_start(args, format);
    const int result = member(format, args);
    va_end(args);
    return result;
}

using Passing = int (*)(const char *);

// The members of one channel: the formatting ones, then the ones that pass
// the text on (without and with a line end).
struct Channel {
    char letter;
    int (*printf)(const char *, ...);
    int (*vprintf)(const char *, va_list);
    Passing type, trm_type, typeln, trm_typln;
};
const Channel kChannels[] = {
    {'C', QV_Cprintf, QV_Cvprintf, QV_Ctype, QV_Ctrm_type, QV_Ctypeln, QV_Ctrm_typln},
    {'L', QV_Lprintf, QV_Lvprintf, QV_Ltype, QV_Ltrm_type, QV_Ltypeln, QV_Ltrm_typln},
    {'M', QV_Mprintf, QV_Mvprintf, QV_Mtype, QV_Mtrm_type, QV_Mtypeln, QV_Mtrm_typln},
    {'T', QV_Tprintf, QV_Tvprintf, QV_Ttype, QV_Ttrm_type, QV_Ttypeln, QV_Ttrm_typln},
};

// Formatting members return the formatted length, or -1 when the channel
// fails; passing members hand on the caller's pointer and return the
// channel's result.  Each sends exactly once, without retrying.  A cleared
// channel counts as failed output.
TEST(Channels, EachMemberSendsOnlyToItsOwnChannel) {
    Hooks hooks(true);
    const char typed[] = "as typed";
    for (int result : {7, 0}) {
        Hooks::result = result;
        for (const Channel &ch : kChannels) {
            SCOPED_TRACE(testing::Message() << ch.letter << " result " << result);
            Hooks::sent.clear();
            EXPECT_EQ(ch.printf("%s=%d", "n", 42), result ? 4 : -1);
            EXPECT_EQ(call_v(ch.vprintf, "%s=%d", "n", 42), result ? 4 : -1);
            for (Passing member : {ch.type, ch.trm_type, ch.typeln, ch.trm_typln})
                EXPECT_EQ(member(typed), result);
            ASSERT_EQ(Hooks::sent.size(), 6u);
            for (std::size_t i = 0; i < 6; ++i) {
                const zrl_test::Sent &s = Hooks::sent[i];
                EXPECT_EQ(s.channel, ch.letter) << i;
                EXPECT_EQ(s.newline, i >= 4 ? 1 : 0) << i;
                if (i < 2)
                    EXPECT_EQ(s.text, "n=42") << i;
                else
                    EXPECT_EQ(s.pointer, typed) << i;
            }
        }
    }
    Hooks::sent.clear();
    ZRL_MOutput = nullptr;
    EXPECT_EQ(QV_Mprintf("text"), -1);
    EXPECT_EQ(QV_Mtypeln("text"), 0);
    EXPECT_TRUE(Hooks::sent.empty());
}

// The text is cut at 1023 characters, and the member then returns -1.  A
// conversion the C runtime cannot perform (a wide character that the C locale
// cannot encode) still reaches the channel, with the text formatted before it
// and never with what an earlier call left in the buffer; the member returns
// -1.  A runtime that can encode the character formats it.
TEST(Channels, SendWhatFitsAndWhatWasFormatted) {
    Hooks hooks(true);
    for (int length : {1023, 1024}) {
        const std::string text(static_cast<std::size_t>(length), 'a');
        Hooks::sent.clear();
        EXPECT_EQ(QV_Mprintf("%s", text.c_str()), length == 1023 ? 1023 : -1);
        ASSERT_EQ(Hooks::sent.size(), 1u);
        EXPECT_EQ(Hooks::sent[0].text, text.substr(0, 1023)) << length;
    }
    const auto smiley = static_cast<wint_t>(0x263A);
    char probe[16];
    const int runtime = std::snprintf(probe, sizeof probe, "x%lcy", smiley);
    for (bool listed : {false, true}) {
        QV_Lprintf("%s", std::string(1000, 's').c_str());
        Hooks::sent.clear();
        EXPECT_EQ(listed ? call_v(QV_Tvprintf, "x%lcy", smiley) : QV_Cprintf("x%lcy", smiley),
                  runtime < 0 ? -1 : runtime);
        ASSERT_EQ(Hooks::sent.size(), 1u);
        EXPECT_EQ(Hooks::sent[0].text, runtime < 0 ? "x" : probe);
    }
}

// C starts on standard output, the others on standard error.
TEST(DefaultChannels, WriteToTheirStreams) {
    for (const Channel &ch : kChannels) {
        int results[3] = {};
        std::string err;
        const std::string out = zrl_test::capture_stdout([&] {
            err = zrl_test::capture_stderr([&] {
                results[0] = ch.typeln("abc");
                results[1] = ch.type("abc");
                results[2] = ch.printf("%d-%s|", 5, "x");
            });
        });
        EXPECT_EQ(ch.letter == 'C' ? out : err, "abc\nabc5-x|") << ch.letter;
        EXPECT_EQ(ch.letter == 'C' ? err : out, "") << ch.letter;
        EXPECT_EQ(std::vector<int>(results, results + 3), (std::vector<int>{1, 1, 4})) << ch.letter;
    }
    EXPECT_EQ(zrl_test::capture_stdout([] { ZRL_OutputToStdOut(nullptr, 1); }), "\n");
}

// In the child, standard output can only be read, so every write fails; the
// exit code names the checks that went wrong.
TEST(DefaultChannelsDeathTest, ReportFailureWhenTheStreamRefusesText) {
    const std::string path = zrl_test::temp_path("readonly");
    std::FILE *f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fclose(f);
    EXPECT_EXIT(
        {
            if (std::freopen(path.c_str(), "r", stdout) == nullptr) std::_Exit(100);
            std::_Exit((ZRL_OutputToStdOut("", 1) != 0 ? 1 : 0) | (QV_Ctypeln("abc") != 0 ? 2 : 0) |
                       (QV_Cprintf("abc") != -1 ? 4 : 0) | (typeln("abc") != -1 ? 8 : 0));
        },
        ::testing::ExitedWithCode(0), "");
    std::remove(path.c_str());
}

} // namespace
