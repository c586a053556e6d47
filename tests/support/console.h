// Test helpers for what the library writes to and reads from the console.
#pragma once

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace zrl_test {

// Runs `body` with standard output (or standard error) captured and returns
// what it wrote.
template <class Body> std::string capture_stdout(Body body) {
    testing::internal::CaptureStdout();
    body();
    return testing::internal::GetCapturedStdout();
}
template <class Body> std::string capture_stderr(Body body) {
    testing::internal::CaptureStderr();
    body();
    return testing::internal::GetCapturedStderr();
}

// How a feed reaches standard input: a file, a pipe, or a pseudo-terminal
// in raw mode (POSIX only).
enum class Feed { kFile, kPipe, kTerminal };

// The feeds this platform offers.
std::vector<Feed> feeds();
const char *feed_name(Feed feed);

// Replaces standard input with `text` until the object goes out of scope.
// A pipe holds at most 64 KB, a terminal's input queue 4 KB.
class StdinFeed {
  public:
    explicit StdinFeed(const std::string &text, Feed how = Feed::kFile);
    ~StdinFeed();
    StdinFeed(const StdinFeed &) = delete;
    StdinFeed &operator=(const StdinFeed &) = delete;

  private:
    std::string path_;
    int saved_ = -1;
    int master_ = -1; // the terminal side that wrote the text
};

// A fresh file name in the temporary directory, unique within the run.
std::string temp_path(const std::string &stem);

// The whole content of a file ("" when it cannot be read).
std::string file_content(const std::string &path);

} // namespace zrl_test
