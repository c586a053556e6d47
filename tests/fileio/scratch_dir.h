// A fresh directory for one test, removed with everything in it at the end,
// and small helpers to make and read its files.
#pragma once

#include <algorithm>
#include <cstddef>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <utf8fs.h>
#include <zrlshared.h>

#include "support/console.h"

namespace zrl_test {

class ScratchDir {
  public:
    explicit ScratchDir(const std::string &stem) : root_(temp_path(stem)) {
        std::filesystem::create_directories(root_);
    }
    ~ScratchDir() {
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }
    ScratchDir(const ScratchDir &) = delete;
    ScratchDir &operator=(const ScratchDir &) = delete;

    // The full name of `name` inside the directory, with the native separator.
    std::string path(const std::string &name) const { return (root_ / name).string(); }
    std::string root() const { return root_.string(); }

    void write(const std::string &name, const std::string &content) const {
        std::ofstream out(root_ / name, std::ios::binary | std::ios::trunc);
        out << content;
    }
    std::string read(const std::string &name) const {
        std::ifstream in(root_ / name, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    bool exists(const std::string &name) const { return std::filesystem::exists(root_ / name); }
    // The entries of the directory, sorted, as one text "a b c".
    std::string listing() const {
        std::string names;
        std::vector<std::string> all;
        for (const auto &entry : std::filesystem::directory_iterator(root_))
            all.push_back(entry.path().filename().string());
        std::sort(all.begin(), all.end());
        for (const auto &n : all)
            names += (names.empty() ? "" : " ") + n;
        return names;
    }

  private:
    std::filesystem::path root_;
};

// Stores bytes into an open FDB's buffer as a writer does: at datptr, which
// moves on, with the unwritten flag set.  The text must fit the room left.
inline void store_bytes(FDB *fdb, const std::string &bytes) {
    ASSERT_LE(static_cast<std::ptrdiff_t>(bytes.size()), fdb->endptr - fdb->datptr);
    for (char c : bytes)
        *fdb->datptr++ = c;
    fdb->f_flags |= ZRL_FDB_UNWRITTEN;
}

// The first byte of an FDB, the marker while it is not open.
inline unsigned first_byte(const FDB *fdb) {
    return *reinterpret_cast<const unsigned char *>(fdb);
}

// Runs the body in another current directory and comes back.
template <class Body> void in_directory(const std::string &dir, Body body) {
    char saved[4096];
    ASSERT_NE(getcwd_utf8(saved, sizeof saved), nullptr);
    ASSERT_EQ(chdir_utf8(dir.c_str()), 0);
    body();
    ASSERT_EQ(chdir_utf8(saved), 0);
}

} // namespace zrl_test
