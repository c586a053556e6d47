// File specifications and switches taken from the command line, and the
// normalisation that makes a typed line into the form the parsers read.
//
// Each command line is run to its end and written up as a transcript: every
// specification handed out, the switches applied with it, and a failure with
// its status and message.  One table of transcripts covers the scanner.
#include <cstring>
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
    char *width_value = nullptr;
    char *x_value = nullptr;
    std::string number;
    void clear() { *this = Received{}; }
};
Received got;

// Takes decimal digits only; anything else is refused with status 34.
void take_number(const char *value, void *dest) {
    for (const char *p = value; *p != '\0'; ++p)
        if (*p < '0' || *p > '9') {
            zrl_error = 34;
            return;
        }
    *static_cast<std::string *>(dest) = value;
}

const ZRL_SWITCH kTable[] = {
    {"L*OG", &got.log, nullptr, nullptr},
    {"W*IDTH", &got.width, nullptr, &got.width_value},
    {"X", nullptr, nullptr, &got.x_value},
    {"NUM*BER", nullptr, take_number, &got.number},
    {"NOTE", &got.note, nullptr, nullptr},
    {nullptr, nullptr, nullptr, nullptr},
};

std::string applied() {
    std::string out;
    if (got.log >= 0) out += " log=" + std::to_string(got.log);
    if (got.width >= 0) out += " width=" + std::to_string(got.width);
    if (got.width_value != nullptr) out += " width:'" + std::string(got.width_value) + "'";
    if (got.x_value != nullptr) out += " x:'" + std::string(got.x_value) + "'";
    if (!got.number.empty()) out += " number:" + got.number;
    if (got.note >= 0) out += " note=" + std::to_string(got.note);
    return out;
}

// errexit runs with a handler that returns, so that a failure shows up in
// the transcript and the parser's result after it can be checked.
std::vector<int> stops;
void record_stop(int status) {
    stops.push_back(status);
}

class CommandLine : public ::testing::Test {
  protected:
    void SetUp() override {
        saved_handler_ = ZRL_ExitHandler;
        ZRL_ExitHandler = record_stop;
        saved_name_ = programident;
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
    ZRL_ExitFn saved_handler_ = nullptr;
    const char *saved_name_ = nullptr;
};

// Runs fspec over text until it gives null; each step is "spec{switches}",
// a failure "!status".
std::string transcript(std::string text, const ZRL_SWITCH *table = kTable) {
    std::vector<char> line(text.begin(), text.end());
    line.push_back('\0');
    setcmd(line.data());
    std::string out;
    for (int step = 0; step < 10; ++step) {
        got.clear();
        stops.clear();
        std::string printed;
        char *spec = nullptr;
        printed = zrl_test::capture_stdout([&] { spec = fspec(table, "bad command"); });
        if (!out.empty()) out += " | ";
        if (!stops.empty()) {
            EXPECT_EQ(spec, nullptr) << text;
            EXPECT_NE(printed.find("T-bad command"), std::string::npos) << printed;
            return out + "!" + std::to_string(zrl_error) + applied();
        }
        if (spec == nullptr) {
            EXPECT_EQ(zrl_error, 0) << text;
            return out + "end";
        }
        EXPECT_TRUE(spec >= line.data() && spec < line.data() + line.size()) << text;
        out += "'" + std::string(spec) + "'" + applied();
    }
    return out + " ...";
}

TEST_F(CommandLine, FspecHandsOutSpecificationsAndAppliesTheirSwitches) {
    const struct {
        const char *line;
        const char *expected;
    } cases[] = {
        {"A.DAT,B.DAT", "'A.DAT' | 'B.DAT' | end"},
        {"", "end"},
        {"A.DAT/LOG/W=80,B.DAT", "'A.DAT' log=1 width=1 width:'80' | 'B.DAT' | end"},
        {"A.DAT/NOLOG", "'A.DAT' log=0 | end"},
        {"A.DAT/nolog/w:132", "'A.DAT' log=0 width=1 width:'132' | end"},
        {"A/NOTE", "'A' note=1 | end"},          // the whole keyword wins over NO
        {"A/NONOTE", "'A' note=0 | end"},
        {"A/X=(1,2),B", "'A' x:'1,2' | 'B' | end"},
        {"A/X=((1),(2))/LOG", "'A' log=1 x:'(1),(2)' | end"},
        {"A/X=[P,Q]Z.DAT,B", "'A' x:'[P,Q]Z.DAT' | 'B' | end"},
        {"A/X=(1,2", "'A' x:'(1,2' | end"},       // an open parenthesis runs to the end
        {"A/X=", "'A' x:'' | end"},
        {"A/NUM=42/LOG", "'A' log=1 number:42 | end"},
        {"\"MY FILE.DAT\"/LOG", "'MY FILE.DAT' log=1 | end"},
        {"\"A,B\",C", "'A,B' | 'C' | end"},
        {"X\"Y/LOG\"", "'X\"Y' log=1 | end"},     // a switch ends the name even in quotes
        {"[DIR,SUB]X.DAT,Y", "'[DIR,SUB]X.DAT' | 'Y' | end"},
        {"<D>X,Y", "'<D>X' | 'Y' | end"},
        {"/LOG,A.DAT", "'' log=1 | 'A.DAT' | end"},
        {",A", "'' | 'A' | end"},
        {"A,", "'A' | end"},
        {"A/LOG.X,B", "'A' log=1 | 'B' | end"},
        // Failures: status 22, or the converter's own.
        {"A/ZZZ", "!22"},
        {"A/LOG/ZZZ", "!22 log=1"},
        {"A]", "!22"},
        {"[A[B]]", "!22"},
        {"[A\"B]\"", "!22"},
        {"\"A", "!22"},
        {"[A", "!22"},
        {"A/", "!22"},
        {"A/NO", "!22"},
        {"A/LOG=1", "!22 log=1"}, // a value for an entry without destination
        {"A/NUM=4X,B", "!34"},
        {"A/NUM=4X/LOG", "!34"},  // the switches after a refused value are not applied
    };
    for (const auto &c : cases)
        EXPECT_EQ(transcript(c.line), c.expected) << c.line;
}

TEST_F(CommandLine, AnySwitchWithoutATableFails) {
    EXPECT_EQ(transcript("A/LOG", nullptr), "!22");
    EXPECT_EQ(transcript("A,B", nullptr), "'A' | 'B' | end");
    // With a null message errexit returns at once: fspec gives null.
    char text[] = "A/LOG";
    setcmd(text);
    EXPECT_EQ(fspec(nullptr, nullptr), nullptr);
    EXPECT_EQ(zrl_error, 22);
    EXPECT_TRUE(stops.empty());
}

TEST_F(CommandLine, PspecAppliesOnlySwitchesAtTheCursor) {
    char text[] = "/LOG/W=5,A.DAT/NOLOG";
    setcmd(text);
    got.clear();
    pspec(kTable, "bad");
    EXPECT_EQ(applied(), " log=1 width=1 width:'5'");
    got.clear();
    pspec(kTable, "bad"); // the cursor stands at 'A.DAT': nothing happens
    EXPECT_EQ(applied(), "");
    got.clear();
    EXPECT_STREQ(fspec(kTable, "bad"), "A.DAT");
    EXPECT_EQ(applied(), " log=0");

    char wrong[] = "/ZZZ";
    setcmd(wrong);
    const std::string printed = zrl_test::capture_stdout([] { pspec(kTable, "bad switch"); });
    EXPECT_EQ(stops, std::vector<int>{4});
    EXPECT_EQ(zrl_error, 22);
    EXPECT_NE(printed.find("T-bad switch"), std::string::npos);

    stops.clear();
    char no_table[] = "/LOG";
    setcmd(no_table);
    zrl_test::capture_stdout([] { pspec(nullptr, "no table"); });
    EXPECT_EQ(stops, std::vector<int>{4});

    // Without a current command line neither parser reads anything.
    setcmd(nullptr);
    pspec(kTable, "x");
    EXPECT_EQ(fspec(kTable, "x"), nullptr);
    EXPECT_EQ(zrl_error, 0);
}

// ---- Normalisation ----

std::string normalised(std::string text) {
    std::vector<char> line(text.begin(), text.end());
    line.push_back('\0');
    char *previous = setcmd(line.data());
    setcmd(previous);
    return line.data();
}

TEST_F(CommandLine, NormalisationTurnsBlankRunsIntoCommas) {
    const struct {
        const char *in, *out;
    } cases[] = {
        {"COPY  A.DAT   B.DAT /LOG", "COPY,A.DAT,B.DAT/LOG"},
        {"  A   B  ", "A,B"},
        {"A /X", "A/X"},
        {"A\t\t/X \tB", "A/X,B"},
        {"F(A B)", "F(A B)"},
        {"F(A (B C) D)", "F(A (B C),D)"}, // parentheses do not nest here
        {"p1 \"q r\" (s t)", "p1,\"q r\",(s t)"},
        {"\"(a b\" c", "\"(a b\",c"},
        {"(\"a b) c", "(\"a b),c"},
        {"A , B", "A,,,B"},
        {"\t", ""},
        {"", ""},
    };
    for (const auto &c : cases)
        EXPECT_EQ(normalised(c.in), c.out) << c.in;
}

// Over random texts: the result is never longer, keeps every character but
// blanks and commas in order, and a second pass changes nothing.
TEST_F(CommandLine, NormalisationIsStableOnAnyText) {
    std::mt19937 rng(7);
    const char alphabet[] = " \t\"()/,ab";
    for (int round = 0; round < 20000; ++round) {
        std::string text(rng() % 24, ' ');
        for (char &c : text)
            c = alphabet[rng() % (sizeof alphabet - 1)];
        const std::string once = normalised(text);
        ASSERT_LE(once.size(), text.size()) << text;
        ASSERT_EQ(normalised(once), once) << text;
        std::string kept, expected_kept;
        for (char c : once)
            if (c != ' ' && c != '\t' && c != ',') kept += c;
        for (char c : text)
            if (c != ' ' && c != '\t' && c != ',') expected_kept += c;
        ASSERT_EQ(kept, expected_kept) << text;
    }
}

} // namespace
