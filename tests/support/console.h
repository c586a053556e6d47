// Test helpers for what the library writes to and reads from the console.
#pragma once

#include <string>

namespace zrl_test {

// Runs `body` with standard output (or standard error) captured and returns
// what it wrote.
template <class Body> std::string capture_stdout(Body body);
template <class Body> std::string capture_stderr(Body body);

// Replaces standard input with `text` until the object goes out of scope.
class StdinFeed {
  public:
    explicit StdinFeed(const std::string &text);
    ~StdinFeed();
    StdinFeed(const StdinFeed &) = delete;
    StdinFeed &operator=(const StdinFeed &) = delete;

  private:
    std::string path_;
    int saved_ = -1;
};

// A fresh file name in the temporary directory, unique within the run.
std::string temp_path(const std::string &stem);

} // namespace zrl_test

#include <gtest/gtest.h>

namespace zrl_test {
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
} // namespace zrl_test
