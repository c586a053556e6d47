// The command line: a program's arguments joined or a line typed at its
// prompt, the normalisation, and the specifications and switches that fspec
// and pspec take from it.  Each command line is run to its end and written
// up as a transcript, so one table covers the scanner.
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <zrlshared.h>

#include "support/console.h"

namespace {

// ---- A switch table that records what it receives ----

struct Received {
    int32_t log = -1, width = -1, note = -1;
    char *width_value = nullptr, *x_value = nullptr;
    std::string number;
} got;

// Takes decimal digits only; anything else is refused with status 34.
void take_number(const char *value, void *dest) {
    for (const char *p = value; *p != '\0'; ++p)
        if (*p < '0' || *p > '9') return void(zrl_error = 34);
    *static_cast<std::string *>(dest) = value;
}

const ZRL_SWITCH kTable[] = {
    {"L*OG", &got.log, nullptr, nullptr},       {"W*IDTH", &got.width, nullptr, &got.width_value},
    {"X", nullptr, nullptr, &got.x_value},      {"NUM*BER", nullptr, take_number, &got.number},
    {"NOTE", &got.note, nullptr, nullptr},      {nullptr, nullptr, nullptr, nullptr}};

std::string applied() {
    std::string out;
    if (got.log >= 0) out += " log=" + std::to_string(got.log);
    if (got.width_value != nullptr) out += " w:'" + std::string(got.width_value) + "'";
    if (got.x_value != nullptr) out += " x:'" + std::string(got.x_value) + "'";
    if (!got.number.empty()) out += " n:" + got.number;
    if (got.note >= 0) out += " note=" + std::to_string(got.note);
    got = Received{};
    return out;
}

// errexit runs with a handler that returns, so that a failure shows up in the
// transcript and what the parser gives after it can be checked.
std::vector<int> stops;
void record_stop(int status) {
    stops.push_back(status);
}

class CommandLine : public ::testing::Test {
  protected:
    void SetUp() override {
        ZRL_ExitHandler = record_stop;
        errfacil("T");
        stops.clear();
    }
    void TearDown() override {
        ZRL_ExitHandler = saved_handler_;
        errfacil(saved_name_);
        setcmd(nullptr);
        zrl_error = 0;
    }

  private:
    ZRL_ExitFn saved_handler_ = ZRL_ExitHandler;
    const char *saved_name_ = programident;
};

// fspec until it gives null: "'spec' switches | ... | end", a failure
// "!status".  With pspec first, each step starts with the switches at the
// cursor ("p:" and what they applied).
std::string transcript(const std::string &text, const ZRL_SWITCH *table, bool pspec_first) {
    std::vector<char> line(text.begin(), text.end());
    line.push_back('\0');
    setcmd(line.data());
    std::string out;
    for (int step = 0; step < 10; ++step, out += " | ") {
        char *spec = nullptr;
        stops.clear();
        std::string printed;
        if (pspec_first) {
            printed = zrl_test::capture_stdout([&] { pspec(table, "bad command"); });
            out += "p:" + applied() + " ";
        }
        if (stops.empty())
            printed = zrl_test::capture_stdout([&] { spec = fspec(table, "bad command"); });
        if (!stops.empty()) {
            EXPECT_EQ(spec, nullptr) << text;
            EXPECT_TRUE(printed.ends_with("\nT-bad command")) << printed;
            return out + "!" + std::to_string(zrl_error) + applied();
        }
        if (spec == nullptr) return zrl_error == 0 ? out + "end" : out + "?";
        EXPECT_TRUE(spec >= line.data() && spec < line.data() + line.size()) << text;
        out += "'" + std::string(spec) + "'" + applied();
    }
    return out + "...";
}

TEST_F(CommandLine, FspecAndPspecTakeSpecificationsAndSwitchesApart) {
    const struct {
        const char *line;
        const char *expected;
        bool pspec_first = false;
        const ZRL_SWITCH *table = kTable;
    } cases[] = {
        {"A.DAT,B.DAT", "'A.DAT' | 'B.DAT' | end"},
        {"A.DAT/LOG/W=80,B.DAT", "'A.DAT' log=1 w:'80' | 'B.DAT' | end"},
        {"A.DAT/nolog/w:132", "'A.DAT' log=0 w:'132' | end"},
        {"A/NOTE,B/NONOTE", "'A' note=1 | 'B' note=0 | end"}, // a whole keyword wins over NO
        {"A/X=(1,2),B", "'A' x:'1,2' | 'B' | end"},
        {"A/X=((1),(2))/LOG", "'A' log=1 x:'(1),(2)' | end"},
        {"A/X=[P,Q]Z.DAT,B", "'A' x:'[P,Q]Z.DAT' | 'B' | end"},
        {"A/X=(1,2", "'A' x:'(1,2' | end"}, // an open parenthesis runs to the end
        {"A/NUM=42/LOG", "'A' log=1 n:42 | end"},
        {"\"MY FILE.DAT\"/LOG", "'MY FILE.DAT' log=1 | end"},
        {"X\"Y/LOG\"", "'X\"Y' log=1 | end"}, // a switch ends the name even in quotes
        {"[DIR,SUB]X.DAT,<D>Y", "'[DIR,SUB]X.DAT' | '<D>Y' | end"},
        {"/LOG,A.DAT", "'' log=1 | 'A.DAT' | end"},
        {"A/LOG.X,B", "'A' log=1 | 'B' | end"},
        {"A,B", "'A' | 'B' | end", false, nullptr},
        {"/LOG/W=5,A.DAT/NOLOG", "p: log=1 w:'5' 'A.DAT' log=0 | p: end", true},
        // Failures: status 22, or the converter's own.
        {"A/LOG", "!22", false, nullptr},
        {"/LOG", "p: !22", true, nullptr},
        {"/ZZZ", "p: !22", true},
        {"A/LOG/ZZZ", "!22 log=1"},
        {"A]", "!22"},
        {"[A[B]]", "!22"},
        {"\"A", "!22"},
        {"A/", "!22"},
        {"A/LOG=1", "!22 log=1"}, // a value for an entry without destination
        {"A/NUM=4X/LOG", "!34"},  // the switches after a refused value are not applied
    };
    for (const auto &c : cases)
        EXPECT_EQ(transcript(c.line, c.table, c.pspec_first), c.expected) << c.line;

    // With a null message errexit returns at once: fspec gives null.
    char text[] = "A/LOG";
    setcmd(text);
    EXPECT_EQ(fspec(nullptr, nullptr), nullptr);
    EXPECT_EQ(zrl_error, 22);
    // Without a current command line neither parser reads anything.
    setcmd(nullptr);
    pspec(kTable, "x");
    EXPECT_EQ(fspec(kTable, "x"), nullptr);
    EXPECT_EQ(zrl_error, 0);
}

std::string normalised(const std::string &text) {
    std::vector<char> line(text.begin(), text.end());
    line.push_back('\0');
    setcmd(line.data());
    return line.data();
}

// A table of the rules, then random texts: never longer, every character but
// blanks and commas kept in order, and a second pass changes nothing.
TEST_F(CommandLine, NormalisationTurnsBlankRunsIntoCommas) {
    const struct {
        const char *in, *out;
    } cases[] = {
        {"COPY  A.DAT   B.DAT /LOG", "COPY,A.DAT,B.DAT/LOG"},
        {"  A\t\t/X \tB  ", "A/X,B"},
        {"F(A (B C) D)", "F(A (B C),D)"}, // parentheses do not nest here
        {"p1 \"q r\" (s t)", "p1,\"q r\",(s t)"},
        {"\"(a b\" c", "\"(a b\",c"},
        {"(\"a b) c", "(\"a b),c"},
        {"\t", ""},
    };
    for (const auto &c : cases)
        EXPECT_EQ(normalised(c.in), c.out) << c.in;

    std::mt19937 rng(7);
    const char alphabet[] = " \t\"()/,ab";
    const auto kept = [](const std::string &s) {
        std::string k;
        for (char c : s)
            if (c != ' ' && c != '\t' && c != ',') k += c;
        return k;
    };
    for (int round = 0; round < 20000; ++round) {
        std::string text(rng() % 24, ' ');
        for (char &c : text)
            c = alphabet[rng() % (sizeof alphabet - 1)];
        const std::string once = normalised(text);
        ASSERT_LE(once.size(), text.size()) << text;
        ASSERT_EQ(normalised(once), once) << text;
        ASSERT_EQ(kept(once), kept(text)) << text;
    }
}

// An argument vector that owns its texts.
struct Args {
    std::vector<std::string> texts;
    std::vector<char *> pointers;
    explicit Args(std::vector<std::string> arguments) : texts(std::move(arguments)) {
        texts.insert(texts.begin(), "prog");
        for (std::string &t : texts)
            pointers.push_back(t.data());
        pointers.push_back(nullptr);
    }
    int argc() const { return static_cast<int>(texts.size()); }
    char **argv() { return pointers.data(); }
};

// Arguments are joined with single blanks and taken whole: the first one that
// does not fit, with its blank and the NUL, in 4096 bytes ends the text.
TEST_F(CommandLine, ArgumentsAreJoinedWholeWithinTheBuffer) {
    const std::string a(4000, 'a'), b93(93, 'b'), b94(94, 'b');
    const struct {
        std::vector<std::string> args;
        std::string joined;
    } cases[] = {
        {{}, ""},
        {{"a b", "c"}, "a b c"},
        {{a, b94}, a + " " + b94},                // 4095 characters
        {{a, b94 + "b"}, a + " "},                // one over
        {{a, b93, "c"}, a + " " + b93 + " "},     // ends after the last blank that fit
        {{a, b94, "c"}, a + " "},                 // fits, but not with its blank
        {{std::string(5000, 'z'), "y"}, ""},
    };
    for (const auto &c : cases) {
        Args args(c.args);
        EXPECT_EQ(getcml_arg(args.argc(), args.argv()), c.joined) << c.args.size();
    }
}

// Without arguments the prompt asks for the line; an empty answer or the end
// of input ends the program with the severe status.  A line too long for the
// buffer is refused whole and the prompt asked again; a long prompt is shown
// cut to 77 characters.  A null prompt neither asks nor names the facility.
TEST_F(CommandLine, TheCommandComesFromTheArgumentsOrThePrompt) {
    const std::string long_prompt(100, 'P');
    const char *const copy = "COPY";
    const struct {
        const char *prompt;
        std::vector<std::string> args;
        std::string input, text, shown;
        std::vector<int> stops;
    } cases[] = {
        {copy, {"x.txt", "y.txt"}, "", "x.txt,y.txt", "", {}},
        {copy, {"x.txt", "/LOG"}, "", "x.txt/LOG", "", {}},
        {nullptr, {}, "typed\n", "", "", {}},
        {copy, {}, "  a   b \nnext\n", "a,b", "COPY> ", {}},
        {copy, {}, "x.txt /LOG\r\n", "x.txt/LOG", "COPY> ", {}},
        {copy, {}, "\n", "", "COPY> ", {4}},
        {long_prompt.c_str(), {}, "a\n", "a", std::string(77, 'P') + "> ", {}},
        {copy, {}, std::string(5000, 'q') + "\nb c\n", "b,c",
         "COPY> Command line too long (at most 4095 characters): ignored.\nCOPY> ", {}},
        {copy, {}, std::string(4095, 'r') + "\n", std::string(4095, 'r'), "COPY> ", {}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.input.substr(0, 12));
        stops.clear();
        errfacil("KEEP");
        zrl_test::StdinFeed feed(c.input);
        Args args(c.args);
        char *text = nullptr;
        EXPECT_EQ(zrl_test::capture_stdout(
                      [&] { text = getcmd_arg(c.prompt, args.argc(), args.argv()); }),
                  c.shown);
        EXPECT_EQ(stops, c.stops);
        EXPECT_EQ(std::string(text), c.text);
        EXPECT_STREQ(programident, c.prompt != nullptr ? c.prompt : "KEEP");
    }
    Args unnormalised({"x.txt", "y.txt"});
    EXPECT_STREQ(getcmu_arg("COPY", unnormalised.argc(), unnormalised.argv()), "x.txt y.txt");
    EXPECT_STREQ(fspec(nullptr, "x"), "x.txt y.txt");
}

// setcmd gives back the line before, so that a program can parse a second
// text and return to the first where it stopped.
TEST_F(CommandLine, SetcmdSwitchesBetweenCommandLines) {
    char first[] = "A,B";
    EXPECT_EQ(setcmd(first), nullptr);
    EXPECT_STREQ(fspec(nullptr, "x"), "A");
    char second[] = "p1 \"q r\"";
    char *const back = setcmd(second);
    EXPECT_STREQ(fspec(nullptr, "x"), "p1");
    EXPECT_STREQ(fspec(nullptr, "x"), "q r");
    EXPECT_EQ(setcmd(back), second + 8);
    EXPECT_STREQ(fspec(nullptr, "x"), "B");
    EXPECT_EQ(fspec(nullptr, "x"), nullptr);
}

} // namespace
