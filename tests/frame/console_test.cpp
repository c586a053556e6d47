// Plain console output and line input.
#include <algorithm>
#include <cstring>
#include <string>

#include <gtest/gtest.h>
#include <zrlshared.h>

#include "support/console.h"

namespace {

// A null text writes as an empty one.
TEST(Type, WritesTheTextWithOrWithoutOneLineEnd) {
    EXPECT_EQ(zrl_test::capture_stdout([] { type("two\nlines"); }), "two\nlines");
    EXPECT_EQ(zrl_test::capture_stdout([] { type(nullptr); }), "");
    int result = -1;
    EXPECT_EQ(zrl_test::capture_stdout([&] { result = typeln(nullptr); }), "\n");
    EXPECT_GE(result, 0);
}

// Runs one line reader with its output captured.
struct Reply {
    int result;
    std::string prompt_out;
};

template <class Reader> Reply ask(Reader reader, char *buffer, const char *prompt) {
    Reply reply{};
    reply.prompt_out = zrl_test::capture_stdout([&] { reply.result = reader(buffer, prompt); });
    return reply;
}

// getlin prompts as given and sets no status; sgetlin adds a space and sets
// status 5 at the end of input.  At the end both store an empty line, and
// nothing but the NUL is written.
TEST(LineReaders, PromptAndReadOneLineAtATime) {
    const struct {
        int (*reader)(char *, const char *);
        const char *prompt_out;
        int end_status;
    } readers[] = {{getlin, "Name: ", 77}, {sgetlin, "Name:  ", 5}};
    for (const auto &r : readers) {
        zrl_test::StdinFeed feed("first\n\nthird line\nlast without end");
        const struct {
            int result;
            const char *text;
            int status;
        } lines[] = {{5, "first", 0},       {0, "", 0},
                     {10, "third line", 0}, {16, "last without end", 0},
                     {0, "", r.end_status}, {0, "", r.end_status}};
        for (const auto &line : lines) {
            char buffer[64];
            std::memset(buffer, 'x', sizeof buffer);
            zrl_error = 77;
            const Reply reply = ask(r.reader, buffer, "Name: ");
            EXPECT_EQ(reply.prompt_out, r.prompt_out);
            EXPECT_EQ(reply.result, line.result);
            EXPECT_STREQ(buffer, line.text);
            EXPECT_EQ(buffer[line.result + 1], 'x');
            EXPECT_EQ(zrl_error, r.reader == getlin ? 77 : line.status) << line.text;
        }
    }
    zrl_error = 0;
}

TEST(LineReaders, KeepAtMost255CharactersAndSkipTheRestOfTheLine) {
    std::string pattern;
    for (int i = 0; i < 5000; ++i)
        pattern += static_cast<char>('a' + i % 26);
    for (auto reader : {getlin, sgetlin}) {
        for (int length : {255, 5000}) {
            const std::string line = pattern.substr(0, length);
            zrl_test::StdinFeed feed(line + "\nnext\n");
            char buffer[512];
            std::memset(buffer, '#', sizeof buffer);
            const int kept = std::min(length, 255);
            EXPECT_EQ(ask(reader, buffer, "").result, kept) << length;
            EXPECT_EQ(std::string(buffer), line.substr(0, kept)) << length;
            EXPECT_TRUE(std::all_of(buffer + kept + 1, buffer + sizeof buffer,
                                    [](char c) { return c == '#'; }))
                << "nothing written past the NUL, length " << length;
            EXPECT_EQ(ask(reader, buffer, "").result, 4) << length;
            EXPECT_STREQ(buffer, "next") << length;
        }
    }
    zrl_error = 0;
}

// A carriage return ends a line only before a line feed; a null prompt
// writes no prompt text (sgetlin still its space).
TEST(LineReaders, TakeCarriageReturnLineFeedAsOneLineEnd) {
    zrl_test::StdinFeed feed("dos\r\nmid\rdle\r\n\r\n\r\rx\na\nb\n");
    char buffer[32];
    for (const char *text : {"dos", "mid\rdle", "", "\r\rx"}) {
        EXPECT_EQ(ask(getlin, buffer, "").result, static_cast<int>(std::strlen(text)));
        EXPECT_EQ(std::string(buffer), text);
    }
    EXPECT_EQ(ask(getlin, buffer, nullptr).prompt_out, "");
    EXPECT_EQ(ask(sgetlin, buffer, nullptr).prompt_out, " ");
    EXPECT_STREQ(buffer, "b");
    zrl_error = 0;
}

} // namespace
