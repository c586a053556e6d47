// The text work of the spawning operations, driven directly: spawn_nc's scan
// of the background marker and the redirections, spawn's background marker,
// and the split into arguments checked against an independent model of the
// Windows rules on random texts.  The fuzzer fuzz/process/command_scan.cpp
// checks that the scan stays inside its texts.
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "process/command_scan.h"

namespace {

std::string shown(const char *name) {
    return name != nullptr ? "'" + std::string(name) + "'" : "-";
}

// spawn_nc's scan as "program text|output|error", with "&" at the end for a
// background start and "!" in front for a command that is refused.
TEST(ScanNoConsole, FindsRedirectionsAndBackground) {
    const std::string o504(504, 'o'); // "prog > " and these fill the 511 characters taken
    const std::pair<std::string, std::string> cases[] = {
        // Right to left: a stream named twice keeps its leftmost name.
        {"prog arg 1> one 2> two > three", "prog arg|'one'|'two'"},
        // The marker and the white space around it go first; one marker only.
        {"prog > out &  \t", "prog|'out'|-&"},
        {"prog & &", "prog &|-|-&"},
        // Names skip leading white space and keep the rest.
        {"prog 2>  e  > o", "prog|'o'|'e '"},
        // A '>' that is no redirection stays; the search goes on to its left.
        {"prog > out a>b", "prog|'out a>b'|-"},
        {"prog\t> out 12> x", "prog\t> out 12> x|-|-"},
        // The working buffer's length; a longer command is refused whole,
        // leaving nothing of the one before.
        {"prog > " + o504, "prog|'" + o504 + "'|-"},
        {"prog > o" + o504, "!|-|-"}};
    zrl::NoConsoleScan scan;
    for (const auto &[command, expected] : cases) {
        const bool taken = zrl::scan_no_console(command.c_str(), scan);
        EXPECT_EQ((taken ? "" : "!") + std::string(scan.text) + "|" + shown(scan.output) + "|" +
                      shown(scan.error) + (scan.background ? "&" : ""),
                  expected)
            << command;
    }
    // spawn's background marker: the text before the trailing blanks and
    // markers is kept, and only when a marker is there.
    std::string kept;
    for (const std::string command : {"prog & &", "a b  & ", "& &", "a &b", "prog ", "prog\t&"})
        kept += command.substr(0, zrl::background_length(command)) + "|";
    EXPECT_EQ(kept, "prog|a b||||prog\t|");
}

// An independent reading of the Windows rules: after the program name (quotes
// toggle, nothing else counts), a state machine that counts backslashes as
// they come and decides on a quote inside quotes when it sees the next one.
std::vector<std::string> model_split(const std::string &s) {
    auto blank = [](char c) { return c == ' ' || c == '\t'; };
    std::vector<std::string> out;
    std::size_t i = s.find_first_not_of(" \t");
    if (i == std::string::npos) return out;
    std::string word;
    for (bool quoted = false; i < s.size() && (quoted || !blank(s[i])); ++i)
        s[i] == '"' ? void(quoted = !quoted) : void(word += s[i]);
    out.push_back(word);
    word.clear();
    enum { kBetween, kPlain, kQuoted, kMaybeClose } state = kBetween;
    std::size_t backslashes = 0;
    for (; i <= s.size(); ++i) {
        const char c = i < s.size() ? s[i] : '\0';
        if (state == kMaybeClose && c == '"') {
            state = kQuoted, word += '"';
            continue;
        }
        if (state == kMaybeClose) state = kPlain;
        if (c == '\\' || c == '"') {
            if (state == kBetween) state = kPlain;
            if (c == '\\' && ++backslashes) continue;
            word.append(backslashes / 2, '\\');
            if (backslashes % 2 == 1)
                word += '"';
            else
                state = state == kQuoted ? kMaybeClose : kQuoted;
            backslashes = 0;
            continue;
        }
        word.append(backslashes, '\\');
        backslashes = 0;
        if (c == '\0' || (blank(c) && state != kQuoted)) {
            if (state != kBetween) out.push_back(word);
            word.clear();
            state = kBetween;
        } else {
            state = state == kBetween ? kPlain : state;
            word += c;
        }
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
