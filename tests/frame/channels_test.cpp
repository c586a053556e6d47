// The four output channels with the QV_ members that write to them, and the
// plain console output and line input beside them.
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <zrlshared.h>

#include "support/console.h"
#include "support/hooks.h"

namespace {

using zrl_test::capture_stdout;
using zrl_test::Hooks;

int call_v(int (*member)(const char *, va_list), const char *format, ...) {
    va_list args;
    va_start(args, format);
    const int result = member(format, args);
    va_end(args);
    return result;
}

using Passing = int (*)(const char *);
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
// channel's result.  Each sends exactly once; a cleared channel counts as
// failed output.  The text is cut at 1023 characters and the member returns
// -1.  A conversion the C runtime cannot perform (a wide character the C
// locale cannot encode) sends the text formatted before it, never what an
// earlier call left in the buffer, and returns -1.
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
                EXPECT_EQ(Hooks::sent[i].channel, ch.letter) << i;
                EXPECT_EQ(Hooks::sent[i].newline, i >= 4 ? 1 : 0) << i;
                EXPECT_EQ(Hooks::sent[i].pointer == typed, i >= 2) << i;
            }
            EXPECT_EQ(Hooks::sent[0].text + Hooks::sent[1].text, "n=42n=42");
        }
    }
    Hooks::sent.clear();
    ZRL_MOutput = nullptr;
    EXPECT_EQ(QV_Mprintf("text"), -1);
    EXPECT_EQ(QV_Mtypeln("text"), 0);
    EXPECT_TRUE(Hooks::sent.empty());
    Hooks::result = 1;
    for (int length : {1023, 1024}) {
        const std::string text(static_cast<std::size_t>(length), 'a');
        Hooks::sent.clear();
        EXPECT_EQ(QV_Lprintf("%s", text.c_str()), length == 1023 ? 1023 : -1);
        EXPECT_EQ(Hooks::sent.at(0).text, text.substr(0, 1023)) << length;
    }
    const auto smiley = static_cast<wint_t>(0x263A);
    char probe[16];
    const int runtime = std::snprintf(probe, sizeof probe, "x%lcy", smiley);
    Hooks::sent.clear();
    EXPECT_EQ(call_v(QV_Tvprintf, "x%lcy", smiley), runtime < 0 ? -1 : runtime);
    EXPECT_EQ(Hooks::sent.at(0).text, runtime < 0 ? "x" : probe);
}

// C starts on standard output, the others on standard error; type and
// typeln write to standard output, a null text as an empty one.
TEST(DefaultChannels, WriteToTheirStreams) {
    for (const Channel &ch : kChannels) {
        std::vector<int> results(3);
        std::string err;
        const std::string out = capture_stdout([&] {
            err = zrl_test::capture_stderr([&] {
                results = {ch.typeln("abc"), ch.type("abc"), ch.printf("%d-%s|", 5, "x")};
            });
        });
        EXPECT_EQ(ch.letter == 'C' ? out : err, "abc\nabc5-x|") << ch.letter;
        EXPECT_EQ(ch.letter == 'C' ? err : out, "") << ch.letter;
        EXPECT_EQ(results, (std::vector<int>{1, 1, 4})) << ch.letter;
    }
    int result = -1;
    EXPECT_EQ(capture_stdout([&] {
                  type("a\nb");
                  type(nullptr);
                  result = typeln(nullptr);
                  ZRL_OutputToStdOut(nullptr, 1);
              }),
              "a\nb\n\n");
    EXPECT_GE(result, 0);
}

// In the child standard output can only be read, so every write fails; the
// exit code names the checks that went wrong.
TEST(DefaultChannelsDeathTest, ReportFailureWhenTheStreamRefusesText) {
    const std::string path = zrl_test::temp_path("readonly");
    std::fclose(std::fopen(path.c_str(), "wb"));
    EXPECT_EXIT(
        {
            if (std::freopen(path.c_str(), "r", stdout) == nullptr) std::_Exit(100);
            std::_Exit((ZRL_OutputToStdOut("", 1) != 0 ? 1 : 0) | (QV_Ctypeln("abc") != 0 ? 2 : 0) |
                       (QV_Cprintf("abc") != -1 ? 4 : 0) | (typeln("abc") != -1 ? 8 : 0));
        },
        ::testing::ExitedWithCode(0), "");
    std::remove(path.c_str());
}

// getlin prompts as given and sets no status; sgetlin adds a space and sets
// status 5 at the end of input, 0 otherwise.  A line end is LF or CR LF; a
// line keeps at most 255 characters and the rest is skipped; at the end both
// store an empty line.  Nothing but the NUL is written behind the text.
TEST(LineReaders, PromptAndReadOneLineAtATime) {
    std::string longest;
    for (int i = 0; i < 5000; ++i)
        longest += static_cast<char>('a' + i % 26);
    const std::string input = "first\n\nmid\rdle\r\n" + longest.substr(0, 255) + "\n" + longest +
                              "\n\r\rx\nlast without end";
    const std::string lines[] = {"first",
                                 "",
                                 "mid\rdle",
                                 longest.substr(0, 255),
                                 longest.substr(0, 255),
                                 "\r\rx",
                                 "last without end",
                                 "",
                                 ""};
    for (auto reader : {getlin, sgetlin}) {
        zrl_test::StdinFeed feed(input);
        for (std::size_t i = 0; i < std::size(lines); ++i) {
            char buffer[512];
            std::memset(buffer, '#', sizeof buffer);
            zrl_error = 77;
            int result = -1;
            EXPECT_EQ(capture_stdout([&] { result = reader(buffer, "Name:"); }),
                      reader == getlin ? "Name:" : "Name: ");
            EXPECT_EQ(result, static_cast<int>(lines[i].size())) << i;
            EXPECT_EQ(std::string(buffer), lines[i]) << i;
            EXPECT_EQ(std::string(buffer + result + 1, buffer + sizeof buffer),
                      std::string(sizeof buffer - result - 1, '#'))
                << i;
            EXPECT_EQ(zrl_error, reader == getlin ? 77 : i < 7 ? 0 : 5) << i;
        }
    }
    zrl_test::StdinFeed feed("a\nb\n");
    char buffer[8];
    EXPECT_EQ(capture_stdout([&] { getlin(buffer, nullptr); }), "");
    EXPECT_EQ(capture_stdout([&] { sgetlin(buffer, nullptr); }), " ");
    zrl_error = 0;
}

} // namespace
