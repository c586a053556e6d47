// The four output channels and the QV_ members that write to them.
#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <zrlshared.h>

#include "support/console.h"

namespace {

struct Received {
    char channel;
    std::string text;
    const char *pointer;
    int newline;
};

std::vector<Received> received;
int channel_result = 1;

template <char Letter> int record(const char *text, int newline) {
    received.push_back({Letter, text != nullptr ? text : "", text, newline});
    return channel_result;
}

int call_v(int (*member)(const char *, va_list), const char *format, ...) {
    va_list args;
    va_start(args, format);
    const int result = member(format, args);
    va_end(args);
    return result;
}

// Each test runs with all four channels recording what they receive, and
// puts the channel pointers back afterwards.
class RecordedChannels : public ::testing::Test {
  protected:
    void SetUp() override {
        ZRL_COutput = record<'C'>;
        ZRL_LOutput = record<'L'>;
        ZRL_MOutput = record<'M'>;
        ZRL_TOutput = record<'T'>;
        received.clear();
        channel_result = 1;
    }
    void TearDown() override {
        ZRL_COutput = c_;
        ZRL_LOutput = l_;
        ZRL_MOutput = m_;
        ZRL_TOutput = t_;
    }

  private:
    ZRL_OutputFn c_ = ZRL_COutput, l_ = ZRL_LOutput, m_ = ZRL_MOutput, t_ = ZRL_TOutput;
};

using Passing = int (*)(const char *);
using Formatting = int (*)(const char *, ...);
using FormattingV = int (*)(const char *, va_list);

// The members of one channel: the formatting ones, then the ones that pass
// the text on (without and with a line end).
struct Channel {
    char letter;
    Formatting printf;
    FormattingV vprintf;
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
// channel's result.  Each sends exactly once, without retrying.
TEST_F(RecordedChannels, EachMemberSendsOnlyToItsOwnChannel) {
    const char typed[] = "as typed";
    for (int result : {7, 0}) {
        channel_result = result;
        for (const Channel &ch : kChannels) {
            SCOPED_TRACE(testing::Message() << ch.letter << " result " << result);
            received.clear();
            EXPECT_EQ(ch.printf("%s=%d", "n", 42), result ? 4 : -1);
            EXPECT_EQ(call_v(ch.vprintf, "%s=%d", "n", 42), result ? 4 : -1);
            for (Passing member : {ch.type, ch.trm_type, ch.typeln, ch.trm_typln})
                EXPECT_EQ(member(typed), result);
            ASSERT_EQ(received.size(), 6u);
            for (std::size_t i = 0; i < 6; ++i) {
                EXPECT_EQ(received[i].channel, ch.letter) << i;
                EXPECT_EQ(received[i].newline, i >= 4 ? 1 : 0) << i;
                if (i < 2)
                    EXPECT_EQ(received[i].text, "n=42") << i;
                else
                    EXPECT_EQ(received[i].pointer, typed) << i;
            }
        }
    }
}

TEST_F(RecordedChannels, FormattedTextIsCutAt1023Characters) {
    std::string pattern;
    for (int i = 0; i < 2000; ++i)
        pattern += static_cast<char>('a' + i % 26);
    for (int length : {0, 1022, 1023, 1024, 2000}) {
        const std::string text = pattern.substr(0, length);
        received.clear();
        EXPECT_EQ(QV_Mprintf("%s", text.c_str()), length <= 1023 ? length : -1);
        EXPECT_EQ(call_v(QV_Tvprintf, "%s", text.c_str()), length <= 1023 ? length : -1);
        ASSERT_EQ(received.size(), 2u);
        EXPECT_EQ(received[0].text, pattern.substr(0, std::min(length, 1023))) << length;
        EXPECT_EQ(received[1].text, received[0].text) << length;
    }
}

// A conversion the C runtime cannot perform (here a wide character that the C
// locale cannot encode) still reaches the channel, with the text formatted
// before it and never with what an earlier call left in the buffer; the
// member returns -1.  A runtime that can encode the character formats it.
TEST_F(RecordedChannels, FailedConversionSendsTheTextBeforeIt) {
    const auto smiley = static_cast<wint_t>(0x263A);
    char probe[16];
    const int runtime = std::snprintf(probe, sizeof probe, "x%lcy", smiley);
    const std::string want = runtime < 0 ? "x" : probe;
    const std::string stale(1000, 's');
    for (const Channel &ch : kChannels) {
        for (bool listed : {false, true}) {
            SCOPED_TRACE(testing::Message() << ch.letter << (listed ? " vprintf" : " printf"));
            ch.printf("%s", stale.c_str());
            received.clear();
            const int result =
                listed ? call_v(ch.vprintf, "x%lcy", smiley) : ch.printf("x%lcy", smiley);
            EXPECT_EQ(result, runtime < 0 ? -1 : runtime);
            ASSERT_EQ(received.size(), 1u);
            EXPECT_EQ(received[0].channel, ch.letter);
            EXPECT_EQ(received[0].text, want);
            EXPECT_EQ(received[0].newline, 0);
        }
    }
}

// One buffer for all channels: the next formatting call overwrites the text.
TEST_F(RecordedChannels, FormattingMembersOfAllChannelsShareOneBuffer) {
    QV_Cprintf("first");
    call_v(QV_Mvprintf, "third");
    QV_Tprintf("%d", 4);
    ASSERT_EQ(received.size(), 3u);
    for (const Received &r : received)
        EXPECT_EQ(r.pointer, received[0].pointer);
    EXPECT_STREQ(received[0].pointer, "4");
}

TEST_F(RecordedChannels, ClearedChannelCountsAsFailedOutput) {
    ZRL_MOutput = nullptr;
    std::string err = zrl_test::capture_stderr([] {
        EXPECT_EQ(QV_Mprintf("text"), -1);
        EXPECT_EQ(QV_Mtype("text"), 0);
        EXPECT_EQ(QV_Mtypeln("text"), 0);
    });
    EXPECT_EQ(err, "");
    EXPECT_TRUE(received.empty());
}

// C starts on standard output, the others on standard error.
TEST(DefaultChannels, WriteToTheirStreams) {
    EXPECT_EQ(ZRL_COutput, ZRL_OutputToStdOut);
    EXPECT_EQ(ZRL_LOutput, ZRL_OutputToStdErr);
    EXPECT_EQ(ZRL_MOutput, ZRL_OutputToStdErr);
    EXPECT_EQ(ZRL_TOutput, ZRL_OutputToStdErr);
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
    int result = 0;
    EXPECT_EQ(zrl_test::capture_stdout([&] { result = ZRL_OutputToStdOut(nullptr, 1); }), "\n");
    EXPECT_EQ(result, 1);
}

TEST(DefaultChannelsDeathTest, ReportFailureWhenTheStreamRefusesText) {
    const std::string path = zrl_test::temp_path("readonly");
    std::FILE *f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fclose(f);
    // In the child, standard output can only be read, so every write fails;
    // the exit code names the checks that went wrong.
    EXPECT_EXIT(
        {
            if (std::freopen(path.c_str(), "r", stdout) == nullptr) std::_Exit(100);
            int wrong = 0;
            if (ZRL_OutputToStdOut("abc", 1) != 0) wrong |= 1;
            if (ZRL_OutputToStdOut("", 1) != 0) wrong |= 2;
            if (QV_Ctypeln("abc") != 0) wrong |= 4;
            if (QV_Cprintf("abc") != -1) wrong |= 8;
            if (typeln("abc") != -1) wrong |= 16;
            std::_Exit(wrong);
        },
        ::testing::ExitedWithCode(0), "");
    std::remove(path.c_str());
}

} // namespace
