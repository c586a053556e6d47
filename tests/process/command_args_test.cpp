// A program's command line: its arguments joined, or a line typed at its
// prompt, made the current command line.
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <zrlshared.h>

#include "support/console.h"

namespace {

std::vector<int> stops;
void record_stop(int status) {
    stops.push_back(status);
}

class CommandArgs : public ::testing::Test {
  protected:
    void SetUp() override {
        saved_handler_ = ZRL_ExitHandler;
        ZRL_ExitHandler = record_stop;
        saved_name_ = programident;
        stops.clear();
    }
    void TearDown() override {
        ZRL_ExitHandler = saved_handler_;
        errfacil(saved_name_);
        setcmd(nullptr);
    }

  private:
    ZRL_ExitFn saved_handler_ = nullptr;
    const char *saved_name_ = nullptr;
};

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

// Arguments are joined with single blanks and taken whole: the first one
// that does not fit, with its blank and the NUL, in 4096 bytes ends the text.
TEST_F(CommandArgs, ArgumentsAreJoinedWholeWithinTheBuffer) {
    const std::string a4000(4000, 'a');
    const struct {
        std::vector<std::string> args;
        std::string joined;
    } cases[] = {
        {{}, ""},
        {{"a b", "c"}, "a b c"},
        {{"x", "", "y"}, "x  y"},
        {{a4000, std::string(94, 'b')}, a4000 + " " + std::string(94, 'b')}, // 4095
        {{a4000, std::string(95, 'b')}, a4000 + " "},                        // one over
        {{a4000, std::string(93, 'b'), "c"}, a4000 + " " + std::string(93, 'b') + " "},
        {{a4000, std::string(94, 'b'), "c"}, a4000 + " "}, // fits, but not with its blank
        {{std::string(5000, 'z'), "y"}, ""},
    };
    for (const auto &c : cases) {
        Args args(c.args);
        const char *text = getcml_arg(args.argc(), args.argv());
        EXPECT_EQ(text, c.joined) << c.args.size();
    }
    EXPECT_STREQ(getcml_arg(3, nullptr), "");
}

TEST_F(CommandArgs, ArgumentsBecomeTheCurrentCommandLine) {
    Args copy({"x.txt", "y.txt"});
    std::string shown = zrl_test::capture_stdout([&] {
        EXPECT_STREQ(getcmu_arg("COPY", copy.argc(), copy.argv()), "x.txt y.txt");
    });
    EXPECT_EQ(shown, "") << "no prompt when there are arguments";
    EXPECT_STREQ(programident, "COPY");
    Args copy_again({"x.txt", "y.txt"});
    EXPECT_STREQ(getcmd_arg("COPY", copy_again.argc(), copy_again.argv()), "x.txt,y.txt");
    EXPECT_STREQ(fspec(nullptr, "bad"), "x.txt");
    EXPECT_STREQ(fspec(nullptr, "bad"), "y.txt");
    EXPECT_EQ(fspec(nullptr, "bad"), nullptr);

    Args with_switch({"x.txt", "/LOG"});
    EXPECT_STREQ(getcmd_arg("COPY", with_switch.argc(), with_switch.argv()), "x.txt/LOG");

    // A null prompt neither asks nor names the facility.
    errfacil("KEEP");
    Args none({});
    shown = zrl_test::capture_stdout(
        [&] { EXPECT_STREQ(getcmd_arg(nullptr, none.argc(), none.argv()), ""); });
    EXPECT_EQ(shown, "");
    EXPECT_STREQ(programident, "KEEP");
}

// Without arguments the prompt asks for the line.  An empty answer or the
// end of input ends the program with the severe status; a line too long for
// the buffer is refused whole and the prompt asked again; a long prompt is
// shown cut to 77 characters.
TEST_F(CommandArgs, WithoutArgumentsThePromptAsksForTheLine) {
    const std::string long_prompt(100, 'P');
    const std::string too_long(5000, 'q');
    const struct {
        std::string prompt, input, text, shown;
        std::vector<int> stops;
    } cases[] = {
        {"COPY", "  a   b \nnext\n", "a,b", "COPY> ", {}},
        {"COPY", "x.txt /LOG\r\n", "x.txt/LOG", "COPY> ", {}},
        {"COPY", "\n", "", "COPY> ", {4}},
        {"COPY", "", "", "COPY> ", {4}},
        {long_prompt, "a\n", "a", std::string(77, 'P') + "> ", {}},
        {"COPY", too_long + "\nb c\n", "b,c",
         "COPY> Command line too long (at most 4095 characters): ignored.\nCOPY> ", {}},
        {"COPY", std::string(4095, 'r') + "\n", std::string(4095, 'r'), "COPY> ", {}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.prompt.substr(0, 8) + " / " + c.input.substr(0, 12));
        stops.clear();
        zrl_test::StdinFeed feed(c.input);
        Args none({});
        char *text = nullptr;
        const std::string shown = zrl_test::capture_stdout(
            [&] { text = getcmd_arg(c.prompt.c_str(), none.argc(), none.argv()); });
        EXPECT_EQ(shown, c.shown);
        EXPECT_EQ(stops, c.stops);
        ASSERT_NE(text, nullptr);
        EXPECT_EQ(std::string(text), c.text);
        EXPECT_EQ(programident, c.prompt.c_str());
    }
}

// setcmd makes any text the current line and gives back the one before, so
// that a program can parse a second text and return to the first.
TEST_F(CommandArgs, SetcmdSwitchesBetweenCommandLines) {
    setcmd(nullptr);
    char first[] = "A,B";
    EXPECT_EQ(setcmd(first), nullptr);
    EXPECT_STREQ(fspec(nullptr, "x"), "A");
    char second[] = "p1 \"q r\" (s t)";
    char *const back = setcmd(second);
    EXPECT_STREQ(second, "p1,\"q r\",(s t)");
    EXPECT_STREQ(fspec(nullptr, "x"), "p1");
    EXPECT_STREQ(fspec(nullptr, "x"), "q r");
    EXPECT_EQ(setcmd(back), second + 9);
    EXPECT_STREQ(fspec(nullptr, "x"), "B");
    EXPECT_EQ(fspec(nullptr, "x"), nullptr);
}

} // namespace
