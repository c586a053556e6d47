// The plain openers: streams and descriptors with fixed runtime flags.
#include <cstdio>
#include <string>

#include <gtest/gtest.h>
#include <utf8fs.h>
#include <zrlshared.h>

#include "support/tree.h"
#include "support/console.h"

#if defined(_WIN32)
#include <io.h>
#define close_fd _close
#define read_fd _read
#define write_fd _write
#define seek_fd _lseek
#else
#include <unistd.h>
#define close_fd close
#define read_fd read
#define write_fd write
#define seek_fd lseek
#endif

namespace {

using zrl_test::Tree;

TEST(PlainStreams, OpenThroughTheUtf8Layer) {
    Tree dir("plain_stream");
    dir.file("s.txt", "stream");
    for (auto open : {fopen_asc, fopen_bin, fopen_asc_seq, fopen_bin_seq}) {
        FILE *f = nullptr;
        EXPECT_EQ(zrl_test::capture_stdout([&] { f = open(dir.at("s.txt").c_str(), "rb"); }), "")
            << "setvbuf succeeds";
        ASSERT_NE(f, nullptr);
        char text[16] = {};
        EXPECT_EQ(std::fread(text, 1, sizeof text, f), 6u);
        EXPECT_STREQ(text, "stream");
        std::fclose(f);
        EXPECT_EQ(open(dir.at("none.txt").c_str(), "rb"), nullptr);
    }
}

// Each opener with its own fixed flags: an existing file opened with the
// caller's flags (a hint the caller gave as well must not turn into the
// delete-at-close flag), and the creates, which truncate and read as well.
TEST(PlainDescriptors, OpenWithTheCallersFlagsAndCreateTruncated) {
    const struct {
        const char *label;
        int (*open)(const char *, int);
        int (*create)(const char *, int, int);
    } cases[] = {
        {"asc", open_asc, creatx_asc},
        {"bin", open_bin, creatx_bin},
        {"asc_seq", open_asc_seq, creatx_asc_seq},
        {"bin_seq", open_bin_seq, creatx_bin_seq},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.label);
        Tree dir("plain_fd");
        dir.file("d.txt", "abc");
        for (int flags : {UTF8FS_O_RDONLY, UTF8FS_O_SEQUENTIAL}) {
            const int fd = c.open(dir.at("d.txt").c_str(), flags);
            ASSERT_GE(fd, 0);
            char text[4] = {};
            EXPECT_EQ(read_fd(fd, text, 3), 3);
            EXPECT_STREQ(text, "abc");
            close_fd(fd);
        }
        EXPECT_EQ(c.open(dir.at("none.txt").c_str(), UTF8FS_O_RDONLY), -1);

        for (int flags : {UTF8FS_O_WRONLY, UTF8FS_O_WRONLY | UTF8FS_O_CREAT | UTF8FS_O_TRUNC}) {
            const int fd = c.create(dir.at("d.txt").c_str(), flags, 0644);
            ASSERT_GE(fd, 0);
            EXPECT_EQ(write_fd(fd, "xy", 2), 2);
            EXPECT_EQ(seek_fd(fd, 0, SEEK_SET), 0);
            char text[4] = {};
            EXPECT_EQ(read_fd(fd, text, 3), 2) << "opened for reading as well";
            close_fd(fd);
            EXPECT_EQ(dir.content("d.txt"), "xy") << "truncated";
            dir.file("d.txt", "abc");
        }
        const int made = c.create(dir.at("new.txt").c_str(), UTF8FS_O_WRONLY, 0644);
        ASSERT_GE(made, 0);
        close_fd(made);
        EXPECT_TRUE(dir.exists("new.txt"));
    }
}

} // namespace
