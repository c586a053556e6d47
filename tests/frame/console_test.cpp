// Plain console output and line input.
#include <algorithm>
#include <cstring>
#include <string>

#include <gtest/gtest.h>
#include <zrlshared.h>

#include "support/console.h"

namespace {

TEST(Type, WritesTheTextWithoutLineEnd) {
    const struct {
        const char *text;
        const char *out;
    } cases[] = {{"abc", "abc"}, {"", ""}, {"two\nlines", "two\nlines"}, {nullptr, ""}};
    for (const auto &c : cases) {
        EXPECT_EQ(zrl_test::capture_stdout([&] { type(c.text); }), c.out)
            << (c.text ? c.text : "(null)");
    }
}

TEST(Typeln, WritesTheTextAndOneLineEnd) {
    const struct {
        const char *text;
        const char *out;
    } cases[] = {{"abc", "abc\n"}, {"", "\n"}, {nullptr, "\n"}};
    for (const auto &c : cases) {
        int result = -1;
        EXPECT_EQ(zrl_test::capture_stdout([&] { result = typeln(c.text); }), c.out)
            << (c.text ? c.text : "(null)");
        EXPECT_GE(result, 0);
    }
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

TEST(Getlin, PromptsAndReadsOneLineAtATime) {
    zrl_test::StdinFeed feed("first\n\nthird line\nlast without end");
    zrl_error = 77;
    char buffer[64];
    const struct {
        int result;
        const char *text;
    } lines[] = {{5, "first"}, {0, ""}, {10, "third line"}, {16, "last without end"}};
    for (const auto &line : lines) {
        std::memset(buffer, 'x', sizeof buffer);
        const Reply reply = ask(getlin, buffer, "Name: ");
        EXPECT_EQ(reply.prompt_out, "Name: ");
        EXPECT_EQ(reply.result, line.result);
        EXPECT_STREQ(buffer, line.text);
    }
    EXPECT_EQ(zrl_error, 77) << "getlin sets no status";
}

TEST(Getlin, StoresAnEmptyLineAndReturnsZeroAtEndOfInput) {
    zrl_test::StdinFeed feed("only\n");
    char buffer[16];
    zrl_error = 77;
    EXPECT_EQ(ask(getlin, buffer, "").result, 4);
    for (int round = 0; round < 2; ++round) {
        std::memset(buffer, 'x', sizeof buffer);
        const Reply reply = ask(getlin, buffer, "> ");
        EXPECT_EQ(reply.result, 0);
        EXPECT_EQ(reply.prompt_out, "> ");
        EXPECT_STREQ(buffer, "");
        EXPECT_EQ(buffer[1], 'x') << "nothing but the NUL is written";
    }
    EXPECT_EQ(zrl_error, 77);
}

TEST(Sgetlin, PromptsWithASpaceAndSetsStatus) {
    zrl_test::StdinFeed feed("alpha\n\n");
    char buffer[16];
    const struct {
        int result;
        const char *text;
        int status;
    } replies[] = {{5, "alpha", 0}, {0, "", 0}, {0, "", 5}, {0, "", 5}};
    for (const auto &r : replies) {
        zrl_error = 99;
        std::memset(buffer, 'x', sizeof buffer);
        const Reply reply = ask(sgetlin, buffer, "Prompt");
        EXPECT_EQ(reply.prompt_out, "Prompt ");
        EXPECT_EQ(reply.result, r.result);
        EXPECT_STREQ(buffer, r.text);
        EXPECT_EQ(zrl_error, r.status);
    }
    zrl_error = 0;
}

TEST(LineReaders, KeepAtMost255CharactersAndSkipTheRestOfTheLine) {
    std::string pattern;
    for (int i = 0; i < 5000; ++i)
        pattern += static_cast<char>('a' + i % 26);
    for (auto reader : {getlin, sgetlin}) {
        for (int length : {254, 255, 256, 300, 5000}) {
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

TEST(LineReaders, TakeCarriageReturnLineFeedAsOneLineEnd) {
    zrl_test::StdinFeed feed("dos\r\nmid\rdle\r\n\r\n\r\rx\n");
    const char *expected[] = {"dos", "mid\rdle", "", "\r\rx"};
    char buffer[32];
    for (const char *text : expected) {
        EXPECT_EQ(ask(getlin, buffer, "").result, static_cast<int>(std::strlen(text)));
        EXPECT_EQ(std::string(buffer), text);
    }
}

TEST(LineReaders, NullPromptWritesNoPromptText) {
    zrl_test::StdinFeed feed("a\nb\n");
    char buffer[8];
    EXPECT_EQ(ask(getlin, buffer, nullptr).prompt_out, "");
    EXPECT_EQ(ask(sgetlin, buffer, nullptr).prompt_out, " ");
    EXPECT_STREQ(buffer, "b");
    zrl_error = 0;
}

} // namespace
