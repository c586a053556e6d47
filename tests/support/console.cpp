#include "support/console.h"

#include <cstdio>
#include <filesystem>

#if defined(_WIN32)
#include <io.h>
#define dup _dup
#define dup2 _dup2
#define close _close
#define fileno _fileno
#else
#include <unistd.h>
#endif

namespace zrl_test {

std::string temp_path(const std::string &stem) {
    static int serial = 0;
    auto dir = std::filesystem::temp_directory_path();
    return (dir / ("zrl_test_" + std::to_string(++serial) + "_" + stem)).string();
}

StdinFeed::StdinFeed(const std::string &text) : path_(temp_path("stdin")) {
    std::FILE *f = std::fopen(path_.c_str(), "wb");
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
    std::fflush(stdin);
    saved_ = dup(fileno(stdin));
    std::FILE *in = std::fopen(path_.c_str(), "rb");
    dup2(fileno(in), fileno(stdin));
    std::fclose(in);
    std::clearerr(stdin);
}

StdinFeed::~StdinFeed() {
    dup2(saved_, fileno(stdin));
    close(saved_);
    std::clearerr(stdin);
    std::remove(path_.c_str());
}

} // namespace zrl_test
