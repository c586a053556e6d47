// The text work of the spawning operations, driven directly: spawn_nc's scan
// of the background marker and the redirections together with the split into
// arguments, spawn's background marker, and the split checked against an
// independent model of the Windows rules on random texts.
#include <optional>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "process/command_scan.h"

namespace {

using Words = std::vector<std::string>;
using Name = std::optional<std::string>;

std::string shown(const char *text) {
    return text != nullptr ? "\"" + std::string(text) + "\"" : "none";
}
std::string shown(const Name &name) {
    return name ? "\"" + *name + "\"" : "none";
}

TEST(ScanNoConsole, FindsArgumentsRedirectionsAndBackground) {
    struct Case {
        const char *command;
        Words arguments;
        Name output;
        Name error;
        bool background;
    };
    const Case cases[] = {
        {"prog arg > out.txt 2> err.txt", {"prog", "arg"}, "out.txt", "err.txt", false},
        // Right to left: a stream named twice keeps its leftmost name.
        {"prog > a > b", {"prog"}, "a", {}, false},
        {"prog 1> one 2> two > three", {"prog"}, "one", "two", false},
        // No stream duplication: "&1" is a file name.
        {"prog 2>&1", {"prog"}, {}, "&1", false},
        // The marker and the white space around it go before the
        // redirections are looked for; only one marker is taken.
        {"prog > out &  \t", {"prog"}, "out", {}, true},
        {"prog\n&\n", {"prog"}, {}, {}, true},
        {"prog & &", {"prog", "&"}, {}, {}, true},
        {"&", {}, {}, {}, true},
        {"", {}, {}, {}, false},
        // A trailing " >" names the empty file.
        {"prog >", {"prog"}, "", {}, false},
        // Names skip leading white space and keep the rest, blanks included.
        {"prog >  name with blanks  ", {"prog"}, "name with blanks", {}, false},
        {"prog 2>  e  > o", {"prog"}, "o", "e ", false},
        // A '>' that is no redirection stays; the search goes on to its left.
        {"a>b", {"a>b"}, {}, {}, false},
        {" >x", {}, "x", {}, false},
        {"prog a>b > out", {"prog", "a>b"}, "out", {}, false},
        {"prog > out a>b", {"prog"}, "out a>b", {}, false},
        {"prog\t> out", {"prog", ">", "out"}, {}, {}, false},
        {"prog 12> x", {"prog", "12>", "x"}, {}, {}, false},
        // Redirection names are raw text; the arguments follow the Windows rules.
        {"\"my prog\" \"a b\" c\\\"d > \"o\"", {"my prog", "a b", "c\"d"}, "\"o\"", {}, false},
        {"p \"\" x \"\"", {"p", "", "x", ""}, {}, {}, false},
        // The program name: quotes group, backslashes are plain.
        {"\"C:\\Program Files\\x.exe\" y", {"C:\\Program Files\\x.exe", "y"}, {}, {}, false},
        {"c:\\a\\\"b c", {"c:\\a\\b c"}, {}, {}, false},
        {"\t  prog", {"prog"}, {}, {}, false},
    };
    for (const Case &c : cases) {
        zrl::NoConsoleScan scan;
        ASSERT_TRUE(zrl::scan_no_console(c.command, scan)) << c.command;
        EXPECT_EQ(zrl::split_arguments(scan.text), c.arguments) << c.command;
        EXPECT_EQ(shown(scan.output), shown(c.output)) << c.command;
        EXPECT_EQ(shown(scan.error), shown(c.error)) << c.command;
        EXPECT_EQ(scan.background, c.background) << c.command;
    }
}

// The working buffer takes 511 characters; a longer command is refused whole.
TEST(ScanNoConsole, TakesFiveHundredElevenCharactersAndRefusesMore) {
    zrl::NoConsoleScan scan;
    const std::string fits = "prog " + std::string(506, 'x');
    ASSERT_TRUE(zrl::scan_no_console(fits.c_str(), scan));
    EXPECT_EQ(std::string(scan.text), fits);
    for (std::size_t length : {512u, 513u, 4000u}) {
        const std::string command = "prog > " + std::string(length - 7, 'o');
        EXPECT_FALSE(zrl::scan_no_console(command.c_str(), scan)) << length;
        EXPECT_EQ(scan.output, nullptr);
    }
    EXPECT_TRUE(zrl::scan_no_console(nullptr, scan));
    EXPECT_EQ(std::string(scan.text), "");
    EXPECT_FALSE(scan.background);
}

TEST(SpawnBackground, KeepsTheTextBeforeTheTrailingBlanksAndMarkers) {
    const std::pair<const char *, std::string> cases[] = {
        {"prog & &", "prog"}, {"prog&&", "prog"}, {"a b  & ", "a b"}, {"& &", ""},
        {"a &b", ""},         {"prog ", ""},      {"prog\t&", "prog\t"}, {"prog &\t", ""},
    };
    for (const auto &[command, kept] : cases) {
        const std::size_t n = zrl::background_length(command);
        EXPECT_EQ(std::string(command, n), kept) << command;
    }
}

// An independent reading of the Windows rules: a state machine that counts
// backslashes as they come and decides on a quote inside quotes only when it
// sees the next character.
Words model_split(const std::string &s) {
    auto blank = [](char c) { return c == ' ' || c == '\t'; };
    Words out;
    std::size_t i = 0;
    while (i < s.size() && blank(s[i]))
        ++i;
    if (i == s.size()) return out;
    std::string word;
    bool quoted = false;
    while (i < s.size()) {
        const char c = s[i++];
        if (c == '"') {
            quoted = !quoted;
            continue;
        }
        if (!quoted && blank(c)) break;
        word += c;
    }
    out.push_back(word);
    word.clear();
    enum { kBetween, kPlain, kQuoted, kMaybeClose } state = kBetween;
    int backslashes = 0;
    for (; i <= s.size(); ++i) {
        const char c = i < s.size() ? s[i] : '\0';
        if (state == kMaybeClose) {
            if (c == '"') {
                word += '"';
                state = kQuoted;
                continue;
            }
            state = kPlain;
        }
        if (c == '\\') {
            if (state == kBetween) state = kPlain;
            ++backslashes;
            continue;
        }
        if (c == '"') {
            word.append(backslashes / 2, '\\');
            const bool literal = backslashes % 2 == 1;
            backslashes = 0;
            if (state == kBetween) state = kPlain;
            if (literal)
                word += '"';
            else
                state = state == kQuoted ? kMaybeClose : kQuoted;
            continue;
        }
        word.append(backslashes, '\\');
        backslashes = 0;
        if (c == '\0' || (blank(c) && state != kQuoted)) {
            if (state != kBetween) out.push_back(word);
            word.clear();
            state = kBetween;
            continue;
        }
        if (state == kBetween) state = kPlain;
        word += c;
    }
    return out;
}

TEST(SplitArguments, AgreesWithAModelOfTheWindowsRulesOnRandomTexts) {
    std::mt19937 random(20261207);
    const char alphabet[] = {' ', '\t', '"', '\\', 'a', 'b', '"', '\\'};
    for (int round = 0; round < 20000; ++round) {
        std::string text(random() % 25, ' ');
        for (char &c : text)
            c = alphabet[random() % sizeof alphabet];
        ASSERT_EQ(zrl::split_arguments(text), model_split(text)) << "[" << text << "]";
    }
}

} // namespace
