// The library frame: the output channels and their QV_ members, plain
// console output and line input, status texts, stopping the program and the
// punched-tape conversion.
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <numeric>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <zrlshared.h>

#include "support/console.h"
#include "support/hooks.h"

namespace {

using namespace zrl_test; // capture_stdout, capture_stderr, Hooks, Sent, StdinFeed

using Passing = int (*)(const char *);
struct Channel {
    char letter;
    int (*printf)(const char *, ...), (*typeff)(const char *, ...), (*typefl)(const char *, ...);
    int (*vprintf)(const char *, va_list);
    Passing type, trm_type, typeln, trm_typln;
};
// The members of channel c, C to T.
// clang-format off
#define CHANNEL(c) {#c[0], QV_##c##printf, QV_##c##typeff, QV_##c##typefl, QV_##c##vprintf, \
    QV_##c##type, QV_##c##trm_type, QV_##c##typeln, QV_##c##trm_typln}
// clang-format on
const Channel kChannels[] = {CHANNEL(C), CHANNEL(L), CHANNEL(M), CHANNEL(T)};

int call_v(int (*member)(const char *, va_list), const char *format, ...) {
    va_list args;
    va_start(args, format);
    const int result = member(format, args);
    va_end(args);
    return result;
}

// printf members return the formatted length, or -1 when the channel fails
// or the text passes 1023 characters (it is cut there); passing members hand
// on the caller's pointer, and the format-language members their text,
// returning the channel's result.  Each sends exactly once.
TEST(Channels, EachMemberSendsOnlyToItsOwnChannel) {
    Hooks hooks(true);
    const char typed[] = "as typed";
    for (int result : {7, 0}) {
        Hooks::result = result;
        for (const Channel &ch : kChannels) {
            Hooks::sent.clear();
            EXPECT_EQ(ch.printf("%s=%d", "n", 42) + call_v(ch.vprintf, "%d", 5), result ? 5 : -2);
            for (Passing member : {ch.type, ch.trm_type, ch.typeln, ch.trm_typln})
                EXPECT_EQ(member(typed), result) << ch.letter;
            EXPECT_EQ(ch.typeff("#^:'", 5, "ok") + ch.typefl("#^:'", 5, "ok"), 2 * result);
            std::string seen; // "*" for the member's own channel
            for (const Sent &s : Hooks::sent)
                seen += (s.channel == ch.letter ? "*" : std::string{s.channel}) +
                        std::to_string(s.newline) + (s.pointer == typed ? "=" : s.text);
            EXPECT_EQ(seen, "*0n=42*05*0=*0=*1=*1=*0 5:ok*1 5:ok");
        }
    }
    Hooks::result = 1;
    EXPECT_EQ(QV_Lprintf("%s", std::string(1023, 'a').c_str()), 1023);
    EXPECT_EQ(QV_Lprintf("%s", std::string(1024, 'a').c_str()), -1);
    EXPECT_EQ(Hooks::sent.back().text, std::string(1023, 'a'));
}

// C starts on standard output, the others on standard error, each member
// returning the stream's result; type and typeln write to standard output, a
// null text as an empty one.  The default exit handler is the runtime's exit.
TEST(DefaultChannelsDeathTest, WriteToTheirStreamsAndExit) {
    for (const Channel &ch : kChannels) {
        int result = 0;
        std::string err;
        const std::string out = capture_stdout([&] {
            err = capture_stderr(
                [&] { result = ch.typeln("abc") + ch.type("abc") + ch.printf("%d-%s|", 5, "x"); });
        });
        EXPECT_EQ(out + "/" + err + std::to_string(result),
                  ch.letter == 'C' ? "abc\nabc5-x|/6" : "/abc\nabc5-x|6");
    }
    EXPECT_EQ(capture_stdout([] { type("a\nb"); }), "a\nb");
    EXPECT_EQ(capture_stdout([] { typeln(nullptr); }), "\n");
    EXPECT_EXIT(exits(9), ::testing::ExitedWithCode(9), "");
}

// getlin prompts as given and sets no status; sgetlin adds a space and sets
// status 5 at the end of input, 0 otherwise.  A line end is LF or CR LF; a
// line keeps at most 255 characters and the rest is skipped; at the end both
// store an empty line.  Nothing but the NUL is written behind the text.
TEST(LineReaders, PromptAndReadOneLineAtATime) {
    const std::string longest(5000, 'a'), cut(255, 'a');
    const std::string lines[] = {"first", "", "mid\rdle", cut, cut, "\r\rx", "last", "", ""};
    for (auto reader : {getlin, sgetlin}) {
        StdinFeed feed("first\n\nmid\rdle\r\n" + cut + "\n" + longest + "\n\r\rx\nlast");
        for (std::size_t i = 0; i < std::size(lines); ++i) {
            std::string buffer(512, '#');
            zrl_error = 77;
            int result = -1;
            EXPECT_EQ(capture_stdout([&] { result = reader(buffer.data(), "Name:"); }),
                      reader == getlin ? "Name:" : "Name: ");
            const std::size_t n = lines[i].size();
            EXPECT_EQ(buffer + "/" + std::to_string(result),
                      lines[i] + '\0' + std::string(511 - n, '#') + "/" + std::to_string(n))
                << i;
            EXPECT_EQ(zrl_error, reader == getlin ? 77 : i < 7 ? 0 : 5) << i;
        }
    }
    zrl_error = 0;
}

void announce(const char *message) {
    std::printf("<action %s>", message);
}
void reenter(const char *message) {
    announce(message);
    errexit("inner");
}

// libmsg has fixed texts for success and end of file, the runtime's for
// error numbers, and other codes undefined with a trailing space; it leaves
// the status alone (in errexit it reads the status itself, so only a call of
// its own shows that).  errexit writes the status line first, for real errors
// only; then the action, the program's name and the message, and the severe
// exit; the status is left alone.  The action is taken out before it runs,
// so one that calls errexit does not recurse.  The name starts as "???".
// errexitfmt keeps the first 255 characters of its message; errtestfmt stops
// on a nonzero status only.
TEST(Errexit, PrintsStatusLineActionNameAndMessage) {
    Hooks hooks;
    zrl_error = 33;
    EXPECT_EQ(std::string(libmsg(0)) + "/" + libmsg(-1) + "/" + libmsg(INT_MIN),
              "No error/End of file/UNDEFINED ERROR -2147483648 ");
    EXPECT_EQ(zrl_error, 33);
    const std::pair<int, std::string> cases[] = {
        {22, std::string(std::strerror(22)) + "\n"}, {0, ""}, {-1, ""}};
    for (const auto &[status, line] : cases) {
        erractio(announce);
        zrl_error = status;
        EXPECT_EQ(capture_stdout([] { errexit("no report"); }),
                  line + "<action no report>?\?\?-no report<exit 4>");
        EXPECT_EQ(zrl_error, status);
    }
    erractio(reenter);
    EXPECT_EQ(capture_stdout([] { errexit("outer"); }),
              "<action outer>?\?\?-inner<exit 4>?\?\?-outer<exit 4>");
    // The action stays out; erractio returns the action it replaces.
    EXPECT_NE(erractio(announce), reenter);
    EXPECT_EQ(erractio(announce), announce);
    errfacil("REPORT");
    const std::string cut = "ab" + std::string(253, 'm');
    zrl_error = 0;
    EXPECT_EQ(capture_stdout([] {
                  errexitfmt("ab'", std::string(300, 'm').c_str());
                  errtestfmt("failed #", 9);
                  for (void (*stop)() : {exitnormal, exitwarn, exiterror, exitsevere})
                      stop();
              }),
              "<action " + cut + ">REPORT-" + cut + "<exit 4><exit 0><exit 1><exit 2><exit 4>");
    zrl_error = -1;
    EXPECT_EQ(capture_stdout([] { errtestfmt("failed #", 9); }), "REPORT-failed 9<exit 4>");
}

// Every code, into another buffer and in place, against the table written out
// independently of the library's; nothing is written past count bytes.
TEST(Eitoas, ConvertsEveryCodeOfTheTable) {
    const char codes[] =
        "01 02 04 07 08 0B 0E 10 13 15 16 19 1A 20 23 25 26 29 2A 31 32 34 37 38 3B "
        "3E 40 43 45 46 49 4A 51 52 54 57 58 61 62 64 67 68 6B 70 73 75 76 79 7F 80";
    const char chars[] = "12478%& 3569(0TVWZ\b/SUXY,\t-LNOR)JKMPQABDGH.+CEFI\x7f\n";
    std::vector<unsigned char> want(258, 0), ascii(258, '#'), in_place(256);
    for (std::size_t i = 0; i + 1 < sizeof chars; ++i)
        want[std::stoul(codes + 3 * i, nullptr, 16)] = static_cast<unsigned char>(chars[i]);
    std::iota(in_place.begin(), in_place.end(), 0);
    eitoas(in_place.data(), ascii.data(), 256);
    eitoas(in_place.data(), in_place.data(), 256);
    want[256] = want[257] = '#';
    EXPECT_EQ(ascii, want);
    EXPECT_EQ(in_place, std::vector<unsigned char>(want.begin(), want.begin() + 256));
}

} // namespace
