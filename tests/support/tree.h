// Test helpers for tests that work on real directories: native paths, a
// scratch tree removed after the test, and a scoped change of directory.
#pragma once

#include <filesystem>
#include <map>
#include <set>
#include <string>

namespace zrl_test {

#ifdef _WIN32
inline constexpr char kSep = '\\';
inline constexpr bool kWindows = true;
#else
inline constexpr char kSep = '/';
inline constexpr bool kWindows = false;
#endif

// A path written with '/' between components, in the native form.
std::string native(std::string path);

// A UTF-8 path as std::filesystem takes it.
std::filesystem::path os_path(const std::string &utf8);

// The full path of a name as the library reports it.
std::string full_path(const std::string &name);

// The current directory as the library reports it.
std::string current_directory();

// Defines the logical name `name` as `value` with deflognam and gives the
// name back.
std::string define(const std::string &name, const std::string &value);

// Every name that the UTF-8 layer's enumeration of a pattern delivers.
std::multiset<std::string> find_all(const std::string &pattern);

// A fresh directory tree for one test, removed with everything in it
// afterwards (made writable first, for tests that take permissions away).
class Tree {
  public:
    explicit Tree(const std::string &stem = "tree");
    ~Tree();
    Tree(const Tree &) = delete;
    Tree &operator=(const Tree &) = delete;

    const std::string &root() const { return root_; }
    // A path below the root, written with '/' and given in native form.
    std::string at(const std::string &relative) const;

    // Creates a file (and the directories above it) holding content.
    void file(const std::string &relative, const std::string &content = "x") const;
    void dir(const std::string &relative) const;
    std::string content(const std::string &relative) const;

    // Every file and directory below the root with its contents (a directory
    // as "<dir>"), keyed by its '/'-written relative path.  A destructive
    // operation is checked by taking one before and one after it and
    // comparing them with `changes`.
    using Snapshot = std::map<std::string, std::string>;
    Snapshot snapshot() const;

  private:
    std::string root_;
};

// What differs between two snapshots, one entry per path: "-a/x" gone,
// "+a/y" new, "*a/z" changed content; removals and changes first, then new
// paths, each in path order, joined by blanks.  A test states the exact set
// of changes it expects, so any other file that an operation touched shows
// up in the failure.
std::string changes(const Tree::Snapshot &before, const Tree::Snapshot &after);

// Stays in a directory while it lives, and goes back to the one it found.
class InDirectory {
  public:
    explicit InDirectory(const std::string &dir);
    ~InDirectory();
    InDirectory(const InDirectory &) = delete;
    InDirectory &operator=(const InDirectory &) = delete;

  private:
    std::string saved_;
};

} // namespace zrl_test
