// The four output channels and the QV_ members that write to them.
#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
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

// Puts back the four channel pointers a test replaces.
class SavedChannels {
  public:
    SavedChannels() : c_(ZRL_COutput), l_(ZRL_LOutput), m_(ZRL_MOutput), t_(ZRL_TOutput) {}
    ~SavedChannels() {
        ZRL_COutput = c_;
        ZRL_LOutput = l_;
        ZRL_MOutput = m_;
        ZRL_TOutput = t_;
    }
    SavedChannels(const SavedChannels &) = delete;
    SavedChannels &operator=(const SavedChannels &) = delete;

  private:
    ZRL_OutputFn c_, l_, m_, t_;
};

// Each test runs with all four channels recording what they receive.
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

  private:
    SavedChannels saved_;
};

const char kTyped[] = "as typed";

enum Kind { Formatting, Passing };

struct Member {
    const char *name;
    char channel;
    Kind kind;
    int newline;
    int (*call)();
};

// Formatting members format "%s=%d" with "n" and 42 (text "n=42");
// passing members hand on kTyped.
const Member kMembers[] = {
    {"QV_Cprintf", 'C', Formatting, 0, [] { return QV_Cprintf("%s=%d", "n", 42); }},
    {"QV_Lprintf", 'L', Formatting, 0, [] { return QV_Lprintf("%s=%d", "n", 42); }},
    {"QV_Mprintf", 'M', Formatting, 0, [] { return QV_Mprintf("%s=%d", "n", 42); }},
    {"QV_Tprintf", 'T', Formatting, 0, [] { return QV_Tprintf("%s=%d", "n", 42); }},
    {"QV_Cvprintf", 'C', Formatting, 0, [] { return call_v(QV_Cvprintf, "%s=%d", "n", 42); }},
    {"QV_Lvprintf", 'L', Formatting, 0, [] { return call_v(QV_Lvprintf, "%s=%d", "n", 42); }},
    {"QV_Mvprintf", 'M', Formatting, 0, [] { return call_v(QV_Mvprintf, "%s=%d", "n", 42); }},
    {"QV_Tvprintf", 'T', Formatting, 0, [] { return call_v(QV_Tvprintf, "%s=%d", "n", 42); }},
    {"QV_Ctype", 'C', Passing, 0, [] { return QV_Ctype(kTyped); }},
    {"QV_Ltype", 'L', Passing, 0, [] { return QV_Ltype(kTyped); }},
    {"QV_Mtype", 'M', Passing, 0, [] { return QV_Mtype(kTyped); }},
    {"QV_Ttype", 'T', Passing, 0, [] { return QV_Ttype(kTyped); }},
    {"QV_Ctrm_type", 'C', Passing, 0, [] { return QV_Ctrm_type(kTyped); }},
    {"QV_Ltrm_type", 'L', Passing, 0, [] { return QV_Ltrm_type(kTyped); }},
    {"QV_Mtrm_type", 'M', Passing, 0, [] { return QV_Mtrm_type(kTyped); }},
    {"QV_Ttrm_type", 'T', Passing, 0, [] { return QV_Ttrm_type(kTyped); }},
    {"QV_Ctypeln", 'C', Passing, 1, [] { return QV_Ctypeln(kTyped); }},
    {"QV_Ltypeln", 'L', Passing, 1, [] { return QV_Ltypeln(kTyped); }},
    {"QV_Mtypeln", 'M', Passing, 1, [] { return QV_Mtypeln(kTyped); }},
    {"QV_Ttypeln", 'T', Passing, 1, [] { return QV_Ttypeln(kTyped); }},
    {"QV_Ctrm_typln", 'C', Passing, 1, [] { return QV_Ctrm_typln(kTyped); }},
    {"QV_Ltrm_typln", 'L', Passing, 1, [] { return QV_Ltrm_typln(kTyped); }},
    {"QV_Mtrm_typln", 'M', Passing, 1, [] { return QV_Mtrm_typln(kTyped); }},
    {"QV_Ttrm_typln", 'T', Passing, 1, [] { return QV_Ttrm_typln(kTyped); }},
};

TEST_F(RecordedChannels, EachMemberSendsOnlyToItsOwnChannel) {
    channel_result = 7;
    for (const Member &m : kMembers) {
        received.clear();
        const int result = m.call();
        ASSERT_EQ(received.size(), 1u) << m.name;
        EXPECT_EQ(received[0].channel, m.channel) << m.name;
        EXPECT_EQ(received[0].newline, m.newline) << m.name;
        if (m.kind == Formatting) {
            EXPECT_EQ(received[0].text, "n=42") << m.name;
            EXPECT_EQ(result, 4) << m.name << " returns the formatted length";
        } else {
            EXPECT_EQ(received[0].pointer, kTyped) << m.name << " passes the caller's pointer";
            EXPECT_EQ(result, 7) << m.name << " returns the channel's result";
        }
    }
}

TEST_F(RecordedChannels, FailedChannelMakesFormattingMembersReturnMinusOne) {
    channel_result = 0;
    for (const Member &m : kMembers) {
        received.clear();
        EXPECT_EQ(m.call(), m.kind == Formatting ? -1 : 0) << m.name;
        EXPECT_EQ(received.size(), 1u) << m.name << " sends once, without retrying";
    }
}

TEST_F(RecordedChannels, FormattedTextIsCutAt1023Characters) {
    std::string pattern;
    for (int i = 0; i < 2000; ++i)
        pattern += static_cast<char>('a' + i % 26);
    for (int length : {0, 1, 1022, 1023, 1024, 1025, 2000}) {
        const std::string text = pattern.substr(0, length);
        for (auto member : {QV_Mprintf, QV_Cprintf}) {
            received.clear();
            const int result = member("%s", text.c_str());
            ASSERT_EQ(received.size(), 1u) << length;
            EXPECT_EQ(received[0].text, pattern.substr(0, std::min(length, 1023))) << length;
            EXPECT_EQ(result, length <= 1023 ? length : -1) << length;
        }
        received.clear();
        EXPECT_EQ(call_v(QV_Tvprintf, "%s", text.c_str()), length <= 1023 ? length : -1);
        EXPECT_EQ(received.at(0).text.size(), static_cast<std::size_t>(std::min(length, 1023)));
    }
}

TEST_F(RecordedChannels, FormattingMembersOfAllChannelsShareOneBuffer) {
    QV_Cprintf("first");
    QV_Lprintf("second");
    call_v(QV_Mvprintf, "third");
    QV_Tprintf("%d", 4);
    ASSERT_EQ(received.size(), 4u);
    for (const Received &r : received)
        EXPECT_EQ(r.pointer, received[0].pointer);
    EXPECT_STREQ(received[0].pointer, "4") << "the next formatting call overwrites the text";
}

TEST_F(RecordedChannels, ReplacementTakesEffectAtTheNextOutput) {
    QV_Ltype("one");
    ZRL_LOutput = record<'x'>;
    QV_Ltype("two");
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[0].channel, 'L');
    EXPECT_EQ(received[1].channel, 'x');
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

TEST(DefaultChannels, StartOnStandardOutputAndStandardError) {
    EXPECT_EQ(ZRL_COutput, ZRL_OutputToStdOut);
    EXPECT_EQ(ZRL_LOutput, ZRL_OutputToStdErr);
    EXPECT_EQ(ZRL_MOutput, ZRL_OutputToStdErr);
    EXPECT_EQ(ZRL_TOutput, ZRL_OutputToStdErr);
}

TEST(DefaultChannels, WriteToTheirStreams) {
    const struct {
        char channel;
        bool to_stdout;
        int (*type)(const char *);
        int (*typeln)(const char *);
        int (*print)(const char *, ...);
    } channels[] = {
        {'C', true, QV_Ctype, QV_Ctypeln, QV_Cprintf},
        {'L', false, QV_Ltype, QV_Ltypeln, QV_Lprintf},
        {'M', false, QV_Mtype, QV_Mtypeln, QV_Mprintf},
        {'T', false, QV_Ttype, QV_Ttypeln, QV_Tprintf},
    };
    for (const auto &ch : channels) {
        int results[3] = {};
        std::string err;
        const std::string out = zrl_test::capture_stdout([&] {
            err = zrl_test::capture_stderr([&] {
                results[0] = ch.typeln("abc");
                results[1] = ch.type("abc");
                results[2] = ch.print("%d-%s|", 5, "x");
            });
        });
        const std::string expected = "abc\nabc5-x|";
        EXPECT_EQ(ch.to_stdout ? out : err, expected) << ch.channel;
        EXPECT_EQ(ch.to_stdout ? err : out, "") << ch.channel;
        EXPECT_EQ(results[0], 1) << ch.channel;
        EXPECT_EQ(results[1], 1) << ch.channel;
        EXPECT_EQ(results[2], 4) << ch.channel;
    }
}

TEST(DefaultChannels, NullTextWritesOnlyTheLineEnd) {
    int result = 0;
    const std::string out =
        zrl_test::capture_stdout([&] { result = ZRL_OutputToStdOut(nullptr, 1); });
    EXPECT_EQ(out, "\n");
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
