// The library frame: the output channels and their QV_ members, plain
// console output and line input, status texts, stopping the program and the
// punched-tape conversion.
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include <gtest/gtest.h>
#include <zrlshared.h>

#include "support/console.h"
#include "support/hooks.h"

namespace {

using zrl_test::capture_stdout;
using zrl_test::Hooks;

using Passing = int (*)(const char *);
struct Channel {
    char letter;
    int (*printf)(const char *, ...);
    int (*vprintf)(const char *, va_list);
    Passing type, trm_type, typeln, trm_typln;
    int (*typeff)(const char *, ...), (*typefl)(const char *, ...);
};
// The members of channel c, C to T.
// clang-format off
#define CHANNEL(c) {#c[0], QV_##c##printf, QV_##c##vprintf, QV_##c##type, QV_##c##trm_type, \
    QV_##c##typeln, QV_##c##trm_typln, QV_##c##typeff, QV_##c##typefl}
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
// on the caller's pointer, and the format-language members their text cut at
// 1023 characters, returning the channel's result.  Each sends exactly once;
// a cleared channel counts as failed output.
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
            std::string seen;
            for (const zrl_test::Sent &s : Hooks::sent)
                seen += s.channel + std::to_string(s.newline) + (s.pointer == typed ? "=" : s.text);
            EXPECT_EQ(seen, std::string{ch.letter} + "0n=42" + ch.letter + "05" + ch.letter +
                                "0=" + ch.letter + "0=" + ch.letter + "1=" + ch.letter +
                                "1=" + ch.letter + "0 5:ok" + ch.letter + "1 5:ok");
        }
    }
    ZRL_MOutput = nullptr;
    EXPECT_EQ(QV_Mprintf("text") + QV_Mtypeln("text"), -1);
    Hooks::result = 1;
    EXPECT_EQ(QV_Lprintf("%s", std::string(1023, 'a').c_str()), 1023);
    EXPECT_EQ(QV_Lprintf("%s", std::string(1024, 'a').c_str()), -1);
    EXPECT_EQ(Hooks::sent.back().text, std::string(1023, 'a'));
    QV_Ttypefl("<'", std::string(2000, 'z').c_str());
    EXPECT_EQ(Hooks::sent.back().text, "<" + std::string(1022, 'z'));
}

// C starts on standard output, the others on standard error; type and
// typeln write to standard output, a null text as an empty one.  The default
// exit handler is the runtime's exit; a cleared one falls back to it.
TEST(DefaultChannelsDeathTest, WriteToTheirStreamsAndExit) {
    for (const Channel &ch : kChannels) {
        int result = 0;
        std::string err;
        const std::string out = capture_stdout([&] {
            err = zrl_test::capture_stderr(
                [&] { result = ch.typeln("abc") + ch.type("abc") + ch.printf("%d-%s|", 5, "x"); });
        });
        EXPECT_EQ(out + "/" + err, ch.letter == 'C' ? "abc\nabc5-x|/" : "/abc\nabc5-x|");
        EXPECT_EQ(result, 6) << ch.letter;
    }
    EXPECT_EQ(capture_stdout([] {
                  type("a\nb");
                  type(nullptr);
                  typeln(nullptr);
                  ZRL_OutputToStdOut(nullptr, 1);
              }),
              "a\nb\n\n");
    EXPECT_EXIT(exits(9), ::testing::ExitedWithCode(9), "");
    EXPECT_EXIT((ZRL_ExitHandler = nullptr, exits(6)), ::testing::ExitedWithCode(6), "");
}

// getlin prompts as given and sets no status; sgetlin adds a space and sets
// status 5 at the end of input, 0 otherwise.  A line end is LF or CR LF; a
// line keeps at most 255 characters and the rest is skipped; at the end both
// store an empty line.  Nothing but the NUL is written behind the text.
TEST(LineReaders, PromptAndReadOneLineAtATime) {
    const std::string longest(5000, 'a'), cut(255, 'a');
    const std::string lines[] = {"first", "", "mid\rdle", cut, cut, "\r\rx", "last", "", ""};
    for (auto reader : {getlin, sgetlin}) {
        zrl_test::StdinFeed feed("first\n\nmid\rdle\r\n" + cut + "\n" + longest + "\n\r\rx\nlast");
        for (std::size_t i = 0; i < std::size(lines); ++i) {
            char buffer[512];
            std::memset(buffer, '#', sizeof buffer);
            zrl_error = 77;
            int result = -1;
            EXPECT_EQ(capture_stdout([&] { result = reader(buffer, "Name:"); }),
                      reader == getlin ? "Name:" : "Name: ");
            EXPECT_EQ(std::string(buffer) + "/" + std::to_string(result),
                      lines[i] + "/" + std::to_string(lines[i].size()));
            EXPECT_EQ(
                std::string(buffer + result + 1, buffer + sizeof buffer).find_first_not_of('#'),
                std::string::npos)
                << i;
            EXPECT_EQ(zrl_error, reader == getlin ? 77 : i < 7 ? 0 : 5) << i;
        }
    }
    zrl_error = 0;
}

// Fixed texts for success and end of file, the runtime's for error numbers,
// other codes undefined with a trailing space, in one buffer that the next
// undefined code reuses.  The status is left alone.
TEST(Libmsg, GivesTheTextOfEachKindOfCode) {
    zrl_error = 33;
    const char *undefined = libmsg(-7);
    EXPECT_EQ(std::string(libmsg(0)) + "/" + libmsg(-1) + "/" + libmsg(22) + "/" + libmsg(INT_MIN),
              "No error/End of file/" + std::string(std::strerror(22)) +
                  "/UNDEFINED ERROR -2147483648 ");
    EXPECT_STREQ(undefined, "UNDEFINED ERROR -2147483648 ");
    EXPECT_EQ(zrl_error, 33);
    zrl_error = 0;
}

void announce(const char *message) {
    std::printf("<action %s>", message);
}
void reenter(const char *message) {
    announce(message);
    errexit("inner");
}

// The status line comes first, for real errors only; then the action, the
// program's name and the message, and the severe exit; the status is left
// alone.  A null message does nothing at all.  The action is taken out before
// it runs, so one that calls errexit does not recurse.  The name starts as
// "???" and is not copied.  errexitfmt keeps the first 255 characters of its
// message; errtestfmt stops on a nonzero status only.
TEST(Errexit, PrintsStatusLineActionNameAndMessage) {
    Hooks hooks;
    const std::pair<int, std::string> cases[] = {{2, std::string(std::strerror(2)) + "\n"},
                                                 {-7, "UNDEFINED ERROR -7 \n"},
                                                 {0, ""},
                                                 {-1, ""}};
    for (const auto &[status, line] : cases) {
        erractio(announce);
        zrl_error = status;
        EXPECT_EQ(capture_stdout([] { errexit("no report"); }),
                  line + "<action no report>?\?\?-no report<exit 4>");
        EXPECT_EQ(zrl_error, status);
    }
    erractio(reenter);
    EXPECT_EQ(capture_stdout([] {
                  errexit(nullptr);
                  errexit("outer");
                  errexit("again");
              }),
              "<action outer>?\?\?-inner<exit 4>?\?\?-outer<exit 4>?\?\?-again<exit 4>");
    EXPECT_NE(erractio(announce), reenter);
    EXPECT_EQ(erractio(announce), announce) << "erractio returns the action it replaces";
    static const char name[] = "REPORT";
    errfacil(name);
    EXPECT_EQ(programident, name);
    EXPECT_EQ(capture_stdout([] { errexit("no input"); }),
              "<action no input>REPORT-no input<exit 4>");
    capture_stdout([] {
        for (void (*stop)() : {exitnormal, exitwarn, exiterror, exitsevere})
            stop();
        exits(INT_MIN);
    });
    zrl_error = 0;
    EXPECT_EQ(capture_stdout([] {
                  errexitfmt("ab'", std::string(300, 'm').c_str());
                  errtestfmt("failed #", 9);
              }),
              "REPORT-ab" + std::string(253, 'm') + "<exit 4>");
    zrl_error = -1;
    EXPECT_EQ(capture_stdout([] { errtestfmt("failed #", 9); }), "REPORT-failed 9<exit 4>");
    EXPECT_EQ(Hooks::exits, (std::vector<int>{4, 4, 4, 4, 4, 4, 4, 4, 0, 1, 2, 4, INT_MIN, 4, 4}));
}

// Every code, into another buffer and in place, against the table written out
// independently of the library's; exactly count bytes are written.
TEST(Eitoas, ConvertsEveryCodeOfTheTable) {
    const int codes[] = {0x01, 0x02, 0x04, 0x07, 0x08, 0x0B, 0x0E, 0x10, 0x13, 0x15,
                         0x16, 0x19, 0x1A, 0x20, 0x23, 0x25, 0x26, 0x29, 0x2A, 0x31,
                         0x32, 0x34, 0x37, 0x38, 0x3B, 0x3E, 0x40, 0x43, 0x45, 0x46,
                         0x49, 0x4A, 0x51, 0x52, 0x54, 0x57, 0x58, 0x61, 0x62, 0x64,
                         0x67, 0x68, 0x6B, 0x70, 0x73, 0x75, 0x76, 0x79, 0x7F, 0x80};
    const char chars[] = "12478%& 3569(0TVWZ\b/SUXY,\t-LNOR)JKMPQABDGH.+CEFI\x7f\n";
    unsigned char want[258] = {};
    for (std::size_t i = 0; i < std::size(codes); ++i)
        want[codes[i]] = static_cast<unsigned char>(chars[i]);
    unsigned char ascii[258], in_place[256];
    std::memset(ascii, '#', sizeof ascii);
    for (int i = 0; i < 256; ++i)
        in_place[i] = static_cast<unsigned char>(i);
    eitoas(in_place, ascii, 256);
    eitoas(in_place, in_place, 256);
    eitoas(in_place, ascii + 256, -3);
    want[256] = want[257] = '#';
    EXPECT_EQ(std::vector<int>(ascii, ascii + 258), std::vector<int>(want, want + 258));
    EXPECT_EQ(std::vector<int>(in_place, in_place + 256), std::vector<int>(want, want + 256));
}

} // namespace
