// Records what the output channels and the exit handler receive, and puts the
// library's hooks and state back when a test ends.
#pragma once

#include <string>
#include <vector>

#include <zrlshared.h>

namespace zrl_test {

// One text a channel received: the channel's letter (C, L, M or T), the text,
// the pointer it came as and the line-end flag.
struct Sent {
    char channel;
    std::string text;
    const char *pointer;
    int newline;
};

// While a Hooks object lives, the exit handler records the status, writes
// "<exit N>" to standard output to mark its place, and returns; when asked,
// the four channels record what they receive and return `result`.  The
// channels, exit handler, error action, program name and status are put back
// at the end.
class Hooks {
  public:
    explicit Hooks(bool record_channels = false);
    ~Hooks();
    Hooks(const Hooks &) = delete;
    Hooks &operator=(const Hooks &) = delete;

    static std::vector<Sent> sent;
    static std::vector<int> exits;
    static int result;

  private:
    ZRL_OutputFn channels_[4];
    ZRL_ExitFn exit_;
    ZRL_ErrorAction action_;
    const char *ident_;
    int status_;
};

} // namespace zrl_test
