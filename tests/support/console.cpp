#include "support/console.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#include <process.h>
#else
#include <pty.h>
#include <termios.h>
#include <unistd.h>
#endif

namespace zrl_test {

// Named by process and serial, so that test programs run at the same time
// in one temporary directory never share a path.
std::string temp_path(const std::string &stem) {
    static int serial = 0;
#if defined(_WIN32)
    const long process = _getpid();
#else
    const long process = getpid();
#endif
    auto dir = std::filesystem::temp_directory_path();
    return (dir /
            ("zrl_test_" + std::to_string(process) + "_" + std::to_string(++serial) + "_" + stem))
        .string();
}

std::string file_content(const std::string &path) {
    std::ifstream in(std::filesystem::path(std::u8string(path.begin(), path.end())),
                     std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<Feed> feeds() {
#if defined(_WIN32)
    return {Feed::kFile, Feed::kPipe};
#else
    return {Feed::kFile, Feed::kPipe, Feed::kTerminal};
#endif
}

const char *feed_name(Feed feed) {
    return feed == Feed::kFile ? "file" : feed == Feed::kPipe ? "pipe" : "terminal";
}

namespace {

// The descriptor from which standard input will read `text`.
int feed_descriptor(const std::string &text, Feed how, const std::string &path, int &master) {
    int ends[2] = {-1, -1};
#if defined(_WIN32)
    (void)master; // no terminal feed here
    if (how == Feed::kPipe && _pipe(ends, 65536, _O_BINARY) != 0) return -1;
#else
    if (how == Feed::kPipe && pipe(ends) != 0) return -1;
    if (how == Feed::kTerminal) {
        if (text.size() >= 4096 || openpty(&master, &ends[0], nullptr, nullptr, nullptr) != 0)
            return -1;
        termios mode{};
        tcgetattr(ends[0], &mode);
        cfmakeraw(&mode);
        tcsetattr(ends[0], TCSANOW, &mode);
        ends[1] = dup(master);
    }
#endif
    if (ends[1] >= 0) {
        EXPECT_EQ(write(ends[1], text.data(), static_cast<unsigned>(text.size())),
                  static_cast<int>(text.size()));
        close(ends[1]);
        return ends[0];
    }
    std::FILE *f = std::fopen(path.c_str(), "w+b");
    std::fwrite(text.data(), 1, text.size(), f);
    std::rewind(f); // the duplicate shares the position
    const int fd = dup(fileno(f));
    std::fclose(f);
    return fd;
}

} // namespace

StdinFeed::StdinFeed(const std::string &text, Feed how) : path_(temp_path("stdin")) {
    std::fflush(stdin);
    saved_ = dup(fileno(stdin));
    const int fd = feed_descriptor(text, how, path_, master_);
    EXPECT_GE(fd, 0) << feed_name(how);
    dup2(fd, fileno(stdin));
    close(fd);
    std::clearerr(stdin);
}

StdinFeed::~StdinFeed() {
    dup2(saved_, fileno(stdin));
    close(saved_);
    if (master_ >= 0) close(master_);
    std::clearerr(stdin);
    std::remove(path_.c_str());
}

} // namespace zrl_test
