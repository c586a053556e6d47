// The UTF-8 file-system layer in what the library relies on, checked against
// the file system itself: what the layer creates, renames or removes must be
// so for std::filesystem, and what std::filesystem creates must be found,
// read and enumerated by the layer, with names outside ASCII intact.  Paths
// given to the layer are written with backslashes, which separate
// directories on every platform.
#include <utf8fs.h>

#include "utf8fs/wildcard.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <deque>
#include <functional>
#include <random>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/tree.h"

#if defined(_WIN32)
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

using namespace zrl_test; // Tree, InDirectory, find_all, kSep, kWindows

namespace {

// A path below the tree's root as handed to the layer.
std::string at(const Tree &t, const std::string &name) {
    return t.root() + "\\" + name;
}

// Patterns match the last component as Windows does.  Some rows have another
// answer on Windows (names there ignore case) or follow Windows rules that
// wine's emulation does not keep: they run on POSIX only.
TEST(Utf8Find, PatternsMatchTheLastComponentAsWindowsDoes) {
    Tree t("utf8fs");
    for (const char *name : {"a.txt", "b.txt", "ab.txt", "abc.log", "noext", "é.txt", "x.tar.gz"})
        t.file(name);
    t.dir("sub");
    const std::multiset<std::string> all = {".",       "..",    "a.txt", "b.txt",    "ab.txt",
                                            "abc.log", "noext", "é.txt", "x.tar.gz", "sub"};
    // "" is the directory with a final separator.
    // clang-format off
    const std::pair<const char *, std::multiset<std::string>> rows[] = {
        {"*", all}, {"*.*", all}, {"?.txt", {"a.txt", "b.txt", "é.txt"}}, {"a?c.*", {"abc.log"}},
        {"nodir\\*", {}}, {"", {}}, {"*.TXT", {}}, {"*.", {".", "..", "noext", "sub"}},
        {"a?.txt", {"a.txt", "ab.txt"}},
    };
    // clang-format on
    for (std::size_t i = 0; i < (kWindows ? 6 : std::size(rows)); ++i) // POSIX only from 6 on
        EXPECT_EQ(find_all(at(t, rows[i].first)), rows[i].second) << rows[i].first;
}

// The shortcut for a '*' and a plain ending gives what the tokens give, on
// random endings and names over an alphabet of dots, letters and a two-byte
// character.
TEST(Utf8Find, TheEndingShortcutAgreesWithTheTokens) {
    const std::string alphabet[] = {".", "a", "b", "\xc3\xa9"};
    std::mt19937 random(7);
    auto text = [&](std::size_t most) {
        std::string out;
        for (std::size_t n = random() % (most + 1); n > 0; --n)
            out += alphabet[random() % 4];
        return out;
    };
    for (int i = 0; i < 20000; ++i) {
        const std::string pattern = "*" + text(4);
        utf8fs::wildcard::Matcher matcher(pattern);
        for (int j = 0; j < 8; ++j) {
            const std::string name = text(7);
            ASSERT_EQ(matcher.matches(name), matcher.matches_by_tokens(name)) << pattern << name;
        }
    }
}

// Full paths of names relative to a current directory with a UTF-8 name,
// the long form in place; nothing written when a result does not fit.
TEST(Utf8FullPath, ResolvesRelativeNamesAgainstTheCurrentDirectory) {
    Tree t("utf8fs");
    t.file("日本 é/日本語.txt");
    InDirectory in(at(t, "日本 é"));
    const std::string cwd = current_directory();
    const std::string root = cwd.substr(0, cwd.find(kSep) + 1); // "/" or "C:\"
    const std::pair<std::string, std::string> rows[] = {
        // clang-format off
        {"日本\\..\\é.txt", cwd + kSep + "é.txt"}, {root + "a\\b\\..\\.\\c", root + native("a/c")},
        {"..\\..\\..\\..\\..\\..\\..\\..\\..\\..\\..\\..\\..\\..", root},
        // clang-format on
    };
    for (const auto &[name, full] : rows) {
        char out[UTF8FS_PATH_MAX];
        EXPECT_EQ(GetFullPathName_utf8(name.c_str(), sizeof out, out, nullptr), full.size());
        EXPECT_EQ(std::string(out), full) << name;
    }
    const std::string full = cwd + kSep + "日本語.txt";
    std::vector<char> out(full.size() + 8, '#');
    const auto room = static_cast<uint32_t>(full.size()); // one short for the NUL
    EXPECT_EQ(GetFullPathName_utf8("日本語.txt", room, out.data(), nullptr), 0u);
    EXPECT_EQ(errno, ENAMETOOLONG);
    EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](char c) { return c == '#'; }));
    EXPECT_EQ(GetFullPathName_utf8("日本語.txt", room + 1, out.data(), nullptr), room);
    EXPECT_EQ(GetLongPathName_utf8(out.data(), out.data(), room + 1), room);
    EXPECT_EQ(std::string(out.data()), full);
}

int opened(int fd) {
    return fd < 0 ? -1 : close(fd);
}
int opened(UTF8FS_HANDLE h) {
#if defined(_WIN32)
    return h == UTF8FS_INVALID_HANDLE ? -1 : (CloseHandle(h), 0);
#else
    // The handle, asked for without inheritance, closes when a child
    // program starts.
    EXPECT_TRUE(h == UTF8FS_INVALID_HANDLE || (fcntl(UTF8FS_HANDLE_FD(h), F_GETFD) & FD_CLOEXEC));
    return h == UTF8FS_INVALID_HANDLE ? -1 : close(UTF8FS_HANDLE_FD(h));
#endif
}
int opened(FILE *stream) {
    return stream == nullptr ? -1 : std::fclose(stream);
}

// Each call changes exactly the file it names, or nothing when it fails:
// rename never replaces, remove takes no directory, CreateFile creates or
// truncates.  An error of -1: any.
//
// A name of 4096 bytes or more is refused before the system sees it by
// every call that creates, changes or moves into a file, never cut.  The
// calls that only look or read are left out: a wrong answer there changes no
// file, and the searches refuse such names themselves (see the search list
// test).
TEST(Utf8Files, EachCallChangesExactlyWhatItNames) {
    Tree t("utf8fs");
    t.file("café.txt", "old");
    t.file("taken.txt", "keep");
    t.dir("目录");
    std::deque<std::string> keep;    // the paths handed out stay where they are
    auto p = [&](const char *name) { // a leading '/': written with slashes
        return keep.emplace_back(name[0] == '/' ? t.root() + name : at(t, name)).c_str();
    };
    const int rw = UTF8FS_O_RDWR | UTF8FS_O_CREAT | UTF8FS_O_TRUNC | UTF8FS_O_BINARY;
    const auto create = [&](const char *name) {
        return opened(CreateFile_utf8(p(name), UTF8FS_GENERIC_WRITE, UTF8FS_FILE_SHARE_READ,
                                      nullptr, UTF8FS_CREATE_ALWAYS, UTF8FS_FILE_ATTRIBUTE_NORMAL,
                                      nullptr));
    };
    const std::string overlong_text(UTF8FS_PATH_MAX, 'a');
    const char *overlong = overlong_text.c_str(); // below the root: still too long
    const std::tuple<std::function<int()>, int, const char *> rows[] = {
        {[&] { return opened(fopen_utf8(p("new 😀.txt"), "wb")); }, 0, "+new 😀.txt"},
        {[&] { return opened(open_utf8(p("/目录/ß"), rw, 0666)); }, 0, "+目录/ß"},
        {[&] { return opened(open_utf8(p("目录"), UTF8FS_O_RDONLY, 0)); }, EACCES, ""},
        {[&] { return rename_utf8(p("café.txt"), p("/目录/日本.txt")); }, 0,
         "-café.txt +目录/日本.txt"},
        {[&] { return rename_utf8(p("目录\\日本.txt"), p("taken.txt")); }, -1, ""},
        {[&] { return remove_utf8(p("目录\\日本.txt")); }, 0, "-目录/日本.txt"},
        {[&] { return remove_utf8(p("目录")); }, EACCES, ""},
        {[&] { return create("日本.out"); }, 0, "+日本.out"},
        {[&] { return create("taken.txt"); }, 0, "*taken.txt"},
        {[&] { return rename_utf8(p(overlong), p("taken.txt")); }, ENAMETOOLONG, ""},
        {[&] { return rename_utf8(p("taken.txt"), p(overlong)); }, ENAMETOOLONG, ""},
        {[&] { return remove_utf8(p(overlong)); }, ENAMETOOLONG, ""},
        {[&] { return create(overlong); }, ENAMETOOLONG, ""},
    };
    for (std::size_t row = 0; row < std::size(rows); ++row) {
        const auto &[call, error, expected] = rows[row];
        SCOPED_TRACE(row);
        const Tree::Snapshot before = t.snapshot();
        errno = 0;
        EXPECT_EQ(call() == 0, error == 0);
        EXPECT_EQ(error > 0 ? errno : error, error);
        EXPECT_EQ(changes(before, t.snapshot()), expected);
    }
}

} // namespace
