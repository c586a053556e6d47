// The command line: a program's arguments joined or a line typed at its
// prompt, the normalisation, and the specifications and switches that fspec
// and pspec take from it, each line run to its end as a transcript.  The
// fuzzer fuzz/filespec/fuzz_command.cpp checks that the parse stays inside
// the text and ends.
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <zrlshared.h>

#include "support/console.h"
#include "support/hooks.h"

namespace {

using namespace zrl_test; // capture_stdout, Hooks, StdinFeed

int32_t log_flag = -1;
char *width = nullptr;
std::string numbers;

// Takes decimal digits only; anything else is refused with status 34.
void take_number(const char *value, void *) {
    if (std::string(value).find_first_not_of("0123456789") != std::string::npos)
        zrl_error = 34;
    else
        numbers += " n:" + std::string(value);
}

const ZRL_SWITCH kTable[] = {{"L*OG", &log_flag, nullptr, nullptr},
                             {"W*IDTH", nullptr, nullptr, &width},
                             {"NUM*BER", nullptr, take_number, &numbers},
                             {nullptr, nullptr, nullptr, nullptr}};

std::string applied() {
    std::string out = log_flag < 0 ? "" : " log=" + std::to_string(log_flag);
    out += (width == nullptr ? "" : " w:'" + std::string(width) + "'") + numbers;
    log_flag = -1, width = nullptr, numbers.clear();
    return out;
}

// fspec until it gives null: "'spec' switches | ... | end", a failure
// "!status".  With pspec first, each step starts with "p:" and what the
// switches at the cursor applied.
std::string transcript(const std::string &text, bool pspec_first) {
    std::vector<char> line(text.c_str(), text.c_str() + text.size() + 1);
    setcmd(line.data());
    std::string out;
    for (int step = 0; step < 10; ++step, out += " | ") {
        char *spec = nullptr;
        const std::string printed = capture_stdout([&] {
            if (pspec_first) pspec(kTable, "bad");
            if (pspec_first) out += "p:" + applied() + " ";
            if (Hooks::exits.empty()) spec = fspec(kTable, "bad");
        });
        if (!Hooks::exits.empty()) {
            EXPECT_TRUE(spec == nullptr && printed.ends_with("\nT-bad<exit 4>")) << printed;
            Hooks::exits.clear();
            return out + "!" + std::to_string(zrl_error) + applied();
        }
        if (spec == nullptr) return out + (zrl_error == 0 ? "end" : "?");
        out += "'" + std::string(spec) + "'" + applied();
    }
    return out + "...";
}

TEST(CommandLine, FspecAndPspecTakeSpecificationsAndSwitchesApart) {
    Hooks hooks;
    errfacil("T");
    const std::pair<const char *, std::string> cases[] = {
        // Normalised first: blank runs become commas outside quotes and
        // parentheses (which do not nest there) and go before a switch.
        {"  COPY  A.DAT\t B.DAT /LOG  ", "'COPY' | 'A.DAT' | 'B.DAT' log=1 | end"},
        {"F(A (B C) D) \"(a b\" c", "'F(A (B C)' | 'D)' | '(a b' | 'c' | end"},
        {"A.DAT/LOG/W=80,B.DAT/nolog/w:132", "'A.DAT' log=1 w:'80' | 'B.DAT' log=0 w:'132' | end"},
        {"A/W=(1,2),B/W=((1),(2))/LOG", "'A' w:'1,2' | 'B' log=1 w:'(1),(2)' | end"},
        {"A/W=[P,Q]Z.DAT,B/NUM=42/LOG", "'A' w:'[P,Q]Z.DAT' | 'B' log=1 n:42 | end"},
        {",[DIR,SUB]X.DAT,<D>Y", "'' | '[DIR,SUB]X.DAT' | '<D>Y' | end"},
        {"/LOG/W=5,A.DAT/NOLOG", "p: log=1 w:'5' 'A.DAT' log=0 | p: end"},
        {"/ZZZ", "p: !22"},
        {"\"A", "!22"},
        {"A/LOG=1", "!22 log=1"}, // a value for an entry without destination
        {"A/NUM=4X/LOG", "!34"}}; // the switches after a refused value are not applied
    for (const auto &[line, expected] : cases)
        EXPECT_EQ(transcript(line, expected.starts_with("p:")), expected) << line;
    setcmd(nullptr);
}

// Arguments are joined with single blanks and taken whole into 4096 bytes;
// without arguments the prompt asks for the line (an empty answer ends the
// program with the severe status, a line too long is refused and asked
// again).  The prompt names the facility.
TEST(CommandLine, TheCommandComesFromTheArgumentsOrThePrompt) {
    Hooks hooks;
    std::string a(4000, 'a'), b94(94, 'b'), c1 = "c", q5000(5000, 'q');
    const std::string too_long = "Command line too long (at most 4095 characters): ignored.";
    struct {
        std::vector<char *> argv; // argv[0] is null
        std::string input, text, shown;
    } cases[] = {
        {{nullptr, a.data(), b94.data()}, "", a + "," + b94, ""}, // 4095 characters
        {{nullptr, a.data(), b94.data(), c1.data()}, "", a, ""},  // fits, but not with its blank
        {{nullptr}, "  a   b \nnext\n", "a,b", "COPY> "},
        {{nullptr}, "\n", "", "COPY> <exit 4>"},
        {{nullptr}, q5000 + "\nb c\n", "b,c", "COPY> " + too_long + "\nCOPY> "}};
    for (auto &c : cases) {
        errfacil("KEEP");
        StdinFeed feed(c.input);
        char *text = nullptr;
        EXPECT_EQ(capture_stdout([&] {
                      text = getcmd_arg("COPY", static_cast<int>(c.argv.size()), c.argv.data());
                  }),
                  c.shown);
        EXPECT_EQ(std::string(text), c.text);
        EXPECT_STREQ(programident, "COPY");
    }
    std::string b95 = b94 + "b", x = "x.txt", y = "y.txt";
    char *argv[] = {nullptr, x.data(), y.data(), a.data(), b95.data()};
    EXPECT_EQ(getcml_arg(3, argv + 2), a + " "); // ends with the blank of the last one that fit
    EXPECT_STREQ(getcmu_arg("COPY", 3, argv), "x.txt y.txt");
    EXPECT_STREQ(fspec(nullptr, "x"), "x.txt y.txt");
    // setcmd gives back the line before, so that a program can parse a
    // second text and return to the first where it stopped.
    char first[] = "A,B", second[] = "p1 \"q r\"";
    setcmd(first);
    EXPECT_STREQ(fspec(nullptr, "x"), "A");
    char *const back = setcmd(second);
    EXPECT_STREQ(fspec(nullptr, "x"), "p1");
    EXPECT_EQ(setcmd(back), second + 3); // behind the comma that normalising put there
    EXPECT_STREQ(fspec(nullptr, "x"), "B");
    setcmd(nullptr);
}

} // namespace
