// The UTF-8 file-system layer, checked against the file system itself: what
// the layer creates must be there for std::filesystem, and what
// std::filesystem creates must be found, read and enumerated by the layer,
// with names outside ASCII intact.  Paths given to the layer are written with
// backslashes, which separate directories on every platform.
#include <utf8fs.h>

#include "utf8fs/wildcard.h"

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <filesystem>
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

namespace fs = std::filesystem;
using zrl_test::current_directory;
using zrl_test::InDirectory;
using zrl_test::kSep;
using zrl_test::kWindows;
using zrl_test::Tree;

namespace {

#if defined(_WIN32)
int close_fd(int fd) {
    return _close(fd);
}
int write_fd(int fd, const char *from, unsigned n) {
    return _write(fd, from, n);
}
void close_handle(UTF8FS_HANDLE h) {
    CloseHandle(h);
}
#else
int close_fd(int fd) {
    return close(fd);
}
int write_fd(int fd, const char *from, unsigned n) {
    return static_cast<int>(write(fd, from, n));
}
void close_handle(UTF8FS_HANDLE h) {
    close(UTF8FS_HANDLE_FD(h));
}
#endif

// A path below the tree's root as handed to the layer.
std::string at(const Tree &t, const std::string &name) {
    return t.root() + "\\" + name;
}

// A path written with backslashes as the layer hands it back.
std::string sys(std::string text) {
    std::replace(text.begin(), text.end(), '\\', kSep);
    return text;
}

// Every name that an enumeration of pattern delivers, or none when
// FindFirstFile_utf8 gives the invalid handle.
std::multiset<std::string> find_all(const std::string &pattern) {
    std::multiset<std::string> names;
    WIN32_FIND_DATA_UTF8 data;
    UTF8FS_HANDLE search = FindFirstFile_utf8(pattern.c_str(), &data);
    if (search == UTF8FS_INVALID_HANDLE) return names;
    do
        names.insert(data.cFileName);
    while (FindNextFile_utf8(search, &data));
    EXPECT_NE(FindClose_utf8(search), 0);
    return names;
}

// ---- Names outside ASCII -------------------------------------------------------

TEST(Utf8Names, FilesCarryTheirNamesBetweenTheSystemAndTheLayer) {
    const std::vector<std::string> names = {"plain.txt", "Straße.txt", "日本.txt", "smile😀.txt"};
    Tree t("utf8fs");
    std::multiset<std::string> expected = {".", ".."};
    for (const std::string &name : names) {
        SCOPED_TRACE(name);
        t.file(name, "text of " + name);
        FILE *stream = fopen_utf8(at(t, name).c_str(), "rb");
        ASSERT_NE(stream, nullptr);
        char buffer[64] = {};
        const std::size_t n = std::fread(buffer, 1, sizeof buffer, stream);
        std::fclose(stream);
        EXPECT_EQ(std::string(buffer, n), "text of " + name);
        struct utf8fs_stat32 st;
        ASSERT_EQ(stat32_utf8(at(t, name).c_str(), &st), 0);
        EXPECT_EQ(st.st_size, static_cast<int32_t>(n));

        stream = fopen_utf8(at(t, "new_" + name).c_str(), "wb");
        ASSERT_NE(stream, nullptr);
        std::fputs(name.c_str(), stream);
        std::fclose(stream);
        EXPECT_EQ(t.content("new_" + name), name);
        const int fd =
            open_utf8(at(t, "fd_" + name).c_str(),
                      UTF8FS_O_RDWR | UTF8FS_O_CREAT | UTF8FS_O_TRUNC | UTF8FS_O_BINARY, 0666);
        ASSERT_GE(fd, 0);
        EXPECT_EQ(write_fd(fd, "xy", 2), 2);
        close_fd(fd);
        EXPECT_EQ(t.content("fd_" + name), "xy");
        expected.insert({name, "new_" + name, "fd_" + name});
    }
    EXPECT_EQ(find_all(at(t, "*")), expected);
}

TEST(Utf8Names, ForwardSlashesAndBackslashesBothSeparate) {
    Tree t("utf8fs");
    t.file("日本/inner.txt", "in");
    struct utf8fs_stat32 st;
    EXPECT_EQ(stat32_utf8(at(t, "日本\\inner.txt").c_str(), &st), 0);
    EXPECT_EQ(stat32_utf8((t.root() + "/日本/inner.txt").c_str(), &st), 0);
    EXPECT_EQ(find_all(at(t, "日本\\*.txt")), std::multiset<std::string>{"inner.txt"});
}

// Windows keeps names in UTF-16, so bytes that are not UTF-8 name nothing
// there; POSIX hands names to the system as they are.
TEST(Utf8Names, BytesThatAreNotUtf8FailOnlyWhereNamesMustBeConverted) {
    Tree t("utf8fs");
    const std::string bad = at(t, "bad\xff\xfe.txt");
    FILE *stream = fopen_utf8(bad.c_str(), "wb");
    if (kWindows) {
        EXPECT_EQ(stream, nullptr);
        EXPECT_EQ(errno, EINVAL);
        EXPECT_EQ(open_utf8(bad.c_str(), UTF8FS_O_RDONLY, 0), -1);
        EXPECT_EQ(errno, EINVAL);
        WIN32_FIND_DATA_UTF8 data;
        EXPECT_EQ(FindFirstFile_utf8(bad.c_str(), &data), UTF8FS_INVALID_HANDLE);
        char out[UTF8FS_PATH_MAX];
        EXPECT_EQ(GetFullPathName_utf8(bad.c_str(), sizeof out, out, nullptr), 0u);
        EXPECT_EQ(getenv_utf8("BAD\xff"), nullptr);
        EXPECT_EQ(putenv_utf8("UTF8FS_BAD=\xff"), -1);
    } else {
        ASSERT_NE(stream, nullptr);
        std::fclose(stream);
        EXPECT_EQ(find_all(at(t, "bad*")), std::multiset<std::string>{"bad\xff\xfe.txt"});
        EXPECT_EQ(remove_utf8(bad.c_str()), 0);
    }
}

// ---- Enumeration -----------------------------------------------------------------

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
    const struct {
        const char *pattern;
        std::multiset<std::string> names;
        bool posix_only;
    } cases[] = {
        {"*", all, false},
        {"*.*", all, false},
        {"?.txt", {"a.txt", "b.txt", "é.txt"}, false},
        {"a*", {"a.txt", "ab.txt", "abc.log"}, false},
        {"a?c.*", {"abc.log"}, false},
        {"missing.txt", {}, false},
        {"nodir\\*", {}, false},
        {"*.TXT", {}, true},
        {"*.", {".", "..", "noext", "sub"}, true},
        {"a?.txt", {"a.txt", "ab.txt"}, true},
    };
    for (const auto &c : cases) {
        if (c.posix_only && kWindows) continue;
        EXPECT_EQ(find_all(at(t, c.pattern)), c.names) << c.pattern;
    }
    WIN32_FIND_DATA_UTF8 data;
    EXPECT_EQ(FindFirstFile_utf8((t.root() + "\\").c_str(), &data), UTF8FS_INVALID_HANDLE);
    EXPECT_EQ(FindClose_utf8(UTF8FS_INVALID_HANDLE), 0);
}

TEST(Utf8Find, EntriesCarryKindSizeAndTime) {
    Tree t("utf8fs");
    t.file("five.bin", "12345");
    t.dir("dir");
    WIN32_FIND_DATA_UTF8 data;
    UTF8FS_HANDLE h = FindFirstFile_utf8(at(t, "five.bin").c_str(), &data);
    ASSERT_NE(h, UTF8FS_INVALID_HANDLE);
    EXPECT_EQ(data.dwFileAttributes & UTF8FS_FILE_ATTRIBUTE_DIRECTORY, 0u);
    EXPECT_EQ(data.nFileSizeLow, 5u);
    EXPECT_EQ(data.nFileSizeHigh, 0u);
    struct utf8fs_stat32 st;
    ASSERT_EQ(stat32_utf8(at(t, "five.bin").c_str(), &st), 0);
    const uint64_t ticks = (static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                           data.ftLastWriteTime.dwLowDateTime;
    const int64_t seconds = static_cast<int64_t>(ticks / 10000000) - 11644473600LL;
    EXPECT_LE(std::abs(seconds - st.st_mtime32), 2);
    EXPECT_EQ(FindNextFile_utf8(h, &data), 0);
    EXPECT_EQ(FindNextFile_utf8(h, &data), 0);
    EXPECT_NE(FindClose_utf8(h), 0);

    h = FindFirstFile_utf8(at(t, "dir").c_str(), &data);
    ASSERT_NE(h, UTF8FS_INVALID_HANDLE);
    EXPECT_NE(data.dwFileAttributes & UTF8FS_FILE_ATTRIBUTE_DIRECTORY, 0u);
    EXPECT_STREQ(data.cFileName, "dir");
    FindClose_utf8(h);
}

// ---- Full and long paths -------------------------------------------------------

TEST(Utf8FullPath, ResolvesRelativeNamesAgainstTheCurrentDirectory) {
    Tree t("utf8fs");
    t.dir("sub");
    InDirectory in(at(t, "sub"));
    const std::string cwd = current_directory();
    ASSERT_FALSE(cwd.empty());
    const std::string parent = cwd.substr(0, cwd.rfind(kSep));
    const std::string root = cwd.substr(0, cwd.find(kSep) + 1); // "\" or "C:\"
    const struct {
        std::string name, full;
        std::string name_part; // empty: none
    } cases[] = {
        {"日本\\..\\é.txt", sys(cwd + "\\é.txt"), "é.txt"},
        {"a/b\\c", sys(cwd + "\\a\\b\\c"), "c"},
        {"a\\", sys(cwd + "\\a\\"), ""},
        {".", cwd, "sub"},
        {"..", parent, parent.substr(parent.rfind(kSep) + 1)},
        {root + "a\\b\\..\\c", sys(root + "a\\c"), "c"},
        {"..\\..\\..\\..\\..\\..\\..\\..\\..\\..\\..\\..\\..\\..", root, ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        char out[UTF8FS_PATH_MAX];
        char *name_part = out;
        const uint32_t n = GetFullPathName_utf8(c.name.c_str(), sizeof out, out, &name_part);
        ASSERT_EQ(n, c.full.size());
        EXPECT_EQ(std::string(out), c.full);
        if (c.name_part.empty())
            EXPECT_EQ(name_part, nullptr);
        else
            EXPECT_STREQ(name_part, c.name_part.c_str());
    }
    // A path that does not fit is not written.
    const std::string full = cwd + kSep + "name.txt";
    std::vector<char> out(full.size() + 8, '#');
    const uint32_t room = static_cast<uint32_t>(full.size()); // one short for the NUL
    EXPECT_EQ(GetFullPathName_utf8("name.txt", room, out.data(), nullptr), 0u);
    EXPECT_EQ(errno, ENAMETOOLONG);
    EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](char c) { return c == '#'; }));
    EXPECT_EQ(GetFullPathName_utf8("name.txt", room + 1, out.data(), nullptr), room);
    EXPECT_EQ(GetFullPathName_utf8("", room + 1, out.data(), nullptr), 0u);
}

TEST(Utf8LongPath, GivesTheNameOfAnExistingFileInPlace) {
    Tree t("utf8fs");
    t.file("日本語のファイル.txt");
    char buffer[UTF8FS_PATH_MAX];
    const std::string name = at(t, "日本語のファイル.txt");
    ASSERT_NE(GetFullPathName_utf8(name.c_str(), sizeof buffer, buffer, nullptr), 0u);
    const std::string full = buffer;
    EXPECT_EQ(GetLongPathName_utf8(buffer, buffer, sizeof buffer), full.size());
    EXPECT_EQ(std::string(buffer), full);
    EXPECT_EQ(GetLongPathName_utf8(at(t, "missing.txt").c_str(), buffer, sizeof buffer), 0u);
    EXPECT_EQ(GetLongPathName_utf8(full.c_str(), buffer, static_cast<uint32_t>(full.size())), 0u);
}

// ---- Files -------------------------------------------------------------------

// The record has the layout of the runtime's 32-bit stat.
TEST(Utf8Files, StatReportsKindPermissionsAndSize) {
    EXPECT_EQ(sizeof(struct utf8fs_stat32), 36u);
    EXPECT_EQ(offsetof(struct utf8fs_stat32, st_mode), 6u);
    EXPECT_EQ(offsetof(struct utf8fs_stat32, st_size), 20u);
    EXPECT_EQ(offsetof(struct utf8fs_stat32, st_ctime32), 32u);
    Tree t("utf8fs");
    t.file("ß.dat", "1234567");
    t.dir("目录");
    struct utf8fs_stat32 st;
    ASSERT_EQ(stat32_utf8(at(t, "ß.dat").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & UTF8FS_S_IFMT, UTF8FS_S_IFREG);
    EXPECT_EQ(st.st_size, 7);
    EXPECT_NE(st.st_mode & 0200, 0);
    ASSERT_EQ(stat32_utf8(at(t, "目录").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & UTF8FS_S_IFMT, UTF8FS_S_IFDIR);
    EXPECT_EQ(stat32_utf8(at(t, "目录\\").c_str(), &st), 0);
    EXPECT_NE(stat32_utf8(at(t, "ß.dat\\").c_str(), &st), 0);
    EXPECT_EQ(stat32_utf8(at(t, "missing").c_str(), &st), -1);
    EXPECT_EQ(errno, ENOENT);
}

// Rename moves without replacing; remove deletes files but not directories.
TEST(Utf8Files, RenameAndRemoveNeverLoseAFile) {
    Tree t("utf8fs");
    t.file("café.txt", "old");
    t.file("taken.txt", "keep");
    t.dir("dir");
    EXPECT_EQ(rename_utf8(at(t, "café.txt").c_str(), at(t, "日本.txt").c_str()), 0);
    EXPECT_FALSE(t.exists("café.txt"));
    EXPECT_EQ(t.content("日本.txt"), "old");
    EXPECT_NE(rename_utf8(at(t, "日本.txt").c_str(), at(t, "taken.txt").c_str()), 0);
    EXPECT_EQ(t.content("日本.txt"), "old");
    EXPECT_EQ(t.content("taken.txt"), "keep");
    EXPECT_NE(rename_utf8(at(t, "missing").c_str(), at(t, "other").c_str()), 0);
    EXPECT_EQ(errno, ENOENT);
    EXPECT_EQ(remove_utf8(at(t, "日本.txt").c_str()), 0);
    EXPECT_FALSE(t.exists("日本.txt"));
    EXPECT_NE(remove_utf8(at(t, "日本.txt").c_str()), 0);
    EXPECT_EQ(errno, ENOENT);
    EXPECT_NE(remove_utf8(at(t, "dir").c_str()), 0);
    EXPECT_EQ(errno, EACCES);
    EXPECT_TRUE(t.exists("dir"));
}

// The flags take the runtime's values; temporary files vanish when closed and
// created files take the requested permissions.
TEST(Utf8Files, OpenFlagsTakeTheRuntimesValues) {
    Tree t("utf8fs");
    t.file("there.txt", "abc");
    t.dir("dir");
    const int create = UTF8FS_O_CREAT | UTF8FS_O_TRUNC | UTF8FS_O_BINARY;
    const struct {
        const char *name;
        int flags;
        int result_errno; // 0: opens
    } cases[] = {
        {"there.txt", UTF8FS_O_RDWR | UTF8FS_O_SEQUENTIAL, 0},
        {"there.txt", UTF8FS_O_WRONLY | UTF8FS_O_CREAT | UTF8FS_O_EXCL, EEXIST},
        {"missing.txt", UTF8FS_O_RDONLY, ENOENT},
        {"dir", UTF8FS_O_RDONLY, EACCES},
        {"new.txt", UTF8FS_O_RDWR | create, 0},
        {"temp.tmp", UTF8FS_O_TEMPORARY | UTF8FS_O_RDWR | create, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const int fd = open_utf8(at(t, c.name).c_str(), c.flags, 0666);
        if (c.result_errno == 0) {
            EXPECT_GE(fd, 0);
            EXPECT_EQ(write_fd(fd, "data", 4), 4);
            close_fd(fd);
        } else {
            EXPECT_EQ(fd, -1);
            EXPECT_EQ(errno, c.result_errno);
        }
    }
    EXPECT_EQ(t.content("new.txt"), "data");
    EXPECT_EQ(t.content("there.txt"), "data");
    EXPECT_FALSE(t.exists("temp.tmp"));
    EXPECT_EQ(fopen_utf8(at(t, "dir").c_str(), "rb"), nullptr);

    const int fd = open_utf8(at(t, "ro.txt").c_str(), UTF8FS_O_WRONLY | UTF8FS_O_CREAT, 0444);
    ASSERT_GE(fd, 0);
    close_fd(fd);
    struct utf8fs_stat32 st;
    ASSERT_EQ(stat32_utf8(at(t, "ro.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0222, 0);
    fs::permissions(zrl_test::os_path(t.at("ro.txt")), fs::perms::owner_write,
                    fs::perm_options::add);
}

TEST(Utf8Files, CreateFileFollowsTheDisposition) {
    Tree t("utf8fs");
    t.file("full.txt", "content");
    const struct {
        const char *name;
        uint32_t access, disposition;
        bool opens;
        const char *content_after; // null: the file must not exist
    } cases[] = {
        {"日本.out", UTF8FS_GENERIC_WRITE, UTF8FS_CREATE_ALWAYS, true, ""},
        {"full.txt", UTF8FS_GENERIC_WRITE, UTF8FS_CREATE_NEW, false, "content"},
        {"full.txt", UTF8FS_GENERIC_READ, UTF8FS_OPEN_EXISTING, true, "content"},
        {"absent.txt", UTF8FS_GENERIC_READ, UTF8FS_OPEN_EXISTING, false, nullptr},
        {"always.txt", UTF8FS_GENERIC_READ | UTF8FS_GENERIC_WRITE, UTF8FS_OPEN_ALWAYS, true, ""},
        {"full.txt", UTF8FS_GENERIC_WRITE, UTF8FS_TRUNCATE_EXISTING, true, ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.name) + " " + std::to_string(c.disposition));
        UTF8FS_HANDLE h =
            CreateFile_utf8(at(t, c.name).c_str(), c.access, UTF8FS_FILE_SHARE_READ, nullptr,
                            c.disposition, UTF8FS_FILE_ATTRIBUTE_NORMAL, nullptr);
        EXPECT_EQ(h != UTF8FS_INVALID_HANDLE, c.opens);
        if (h != UTF8FS_INVALID_HANDLE) close_handle(h);
        if (c.content_after == nullptr)
            EXPECT_FALSE(t.exists(c.name));
        else
            EXPECT_EQ(t.content(c.name), c.content_after);
    }
}

#if !defined(_WIN32)
// Like a Win32 handle, the descriptor goes to child programs only when the
// security attributes ask for it.  Truncating needs write access, as the
// Win32 call documents (wine lets it pass, so it is checked here only).
TEST(Utf8Files, CreatedDescriptorsAreInheritedOnlyOnRequest) {
    Tree t("utf8fs");
    UTF8FS_SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, 1};
    for (UTF8FS_SECURITY_ATTRIBUTES *security :
         {static_cast<UTF8FS_SECURITY_ATTRIBUTES *>(nullptr), &inherit}) {
        UTF8FS_HANDLE h = CreateFile_utf8(at(t, "inherit.txt").c_str(), UTF8FS_GENERIC_WRITE, 0,
                                          security, UTF8FS_CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(h, UTF8FS_INVALID_HANDLE);
        const bool closes_on_exec = (fcntl(UTF8FS_HANDLE_FD(h), F_GETFD) & FD_CLOEXEC) != 0;
        EXPECT_EQ(closes_on_exec, security == nullptr);
        close_handle(h);
    }
    t.file("full.txt", "content");
    EXPECT_EQ(CreateFile_utf8(at(t, "full.txt").c_str(), UTF8FS_GENERIC_READ, 0, nullptr,
                              UTF8FS_TRUNCATE_EXISTING, 0, nullptr),
              UTF8FS_INVALID_HANDLE);
    EXPECT_EQ(errno, EACCES);
    EXPECT_EQ(t.content("full.txt"), "content");
}
#endif

// ---- Environment -------------------------------------------------------------------

// Values round-trip in UTF-8, an unchanged value is the same text, malformed
// definitions are refused.  (An empty value: see the logical-name tests.)
TEST(Utf8Env, ValuesRoundTripInUtf8) {
    EXPECT_EQ(putenv_utf8("UTF8FS_TEST_VALUE=日本é😀"), 0);
    const char *value = getenv_utf8("UTF8FS_TEST_VALUE");
    ASSERT_NE(value, nullptr);
    EXPECT_STREQ(value, "日本é😀");
    EXPECT_EQ(getenv_utf8("UTF8FS_TEST_VALUE"), value);
    EXPECT_EQ(putenv_utf8("UTF8FS_ÉTÉ=C:\\A,D:\\B"), 0);
    EXPECT_STREQ(getenv_utf8("UTF8FS_ÉTÉ"), "C:\\A,D:\\B");
    EXPECT_EQ(getenv_utf8("UTF8FS_NEVER_DEFINED"), nullptr);
    EXPECT_NE(getenv_utf8("PATH"), nullptr); // inherited, not defined here
    for (const char *text : {"UTF8FS_NO_EQUALS", "=value"}) {
        EXPECT_EQ(putenv_utf8(text), -1) << text;
        EXPECT_EQ(errno, EINVAL) << text;
    }
    EXPECT_EQ(putenv_utf8(nullptr), -1);
    EXPECT_EQ(getenv_utf8(nullptr), nullptr);
}

// ---- Current directory -------------------------------------------------------

TEST(Utf8Cwd, ChangesIntoDirectoriesWithUtf8Names) {
    Tree t("utf8fs");
    t.dir("日本 é");
    InDirectory in(at(t, "日本 é"));
    const std::string inside = current_directory();
    EXPECT_EQ(inside.substr(inside.rfind(kSep) + 1), "日本 é");
    EXPECT_EQ(std::count(inside.begin(), inside.end(), kWindows ? '/' : '\\'), 0);

    // The directory now holds relative names.
    FILE *stream = fopen_utf8("ß.txt", "wb");
    ASSERT_NE(stream, nullptr);
    std::fclose(stream);
    EXPECT_TRUE(t.exists("日本 é/ß.txt"));

    EXPECT_EQ(chdir_utf8(at(t, "missing").c_str()), -1);
    EXPECT_EQ(current_directory(), inside);
    ASSERT_EQ(chdir_utf8(".."), 0);
    EXPECT_EQ(current_directory(), inside.substr(0, inside.rfind(kSep)));
}

TEST(Utf8Cwd, ABufferTooSmallIsLeftAlone) {
    const std::string cwd = current_directory();
    ASSERT_FALSE(cwd.empty());
    std::vector<char> small(cwd.size(), '#');
    EXPECT_EQ(getcwd_utf8(small.data(), static_cast<int>(small.size())), nullptr);
    EXPECT_EQ(errno, ERANGE);
    EXPECT_TRUE(std::all_of(small.begin(), small.end(), [](char c) { return c == '#'; }));
    EXPECT_EQ(getcwd_utf8(small.data(), 0), nullptr);
    std::vector<char> exact(cwd.size() + 1);
    EXPECT_EQ(getcwd_utf8(exact.data(), static_cast<int>(exact.size())), exact.data());
    EXPECT_EQ(std::string(exact.data()), cwd);
}

// ---- Limits ----------------------------------------------------------------------

// A name of 4096 bytes or more is refused before the system sees it; a full
// path that grows past 4095 bytes behind the directory is refused too.
TEST(Utf8Limits, NamesOfMoreThan4095BytesAreRefused) {
    const std::string longest(UTF8FS_PATH_MAX - 1, 'a');
    const std::string too_long(UTF8FS_PATH_MAX, 'a');
    const char *name = too_long.c_str();
    char out[UTF8FS_PATH_MAX];
    WIN32_FIND_DATA_UTF8 data;
    struct utf8fs_stat32 st;
    const std::vector<std::pair<const char *, std::function<bool()>>> calls = {
        {"fopen", [&] { return fopen_utf8(name, "rb") == nullptr; }},
        {"open", [&] { return open_utf8(name, UTF8FS_O_RDONLY, 0) == -1; }},
        {"stat", [&] { return stat32_utf8(name, &st) == -1; }},
        {"rename from", [&] { return rename_utf8(name, "x") != 0; }},
        {"rename to", [&] { return rename_utf8("x", name) != 0; }},
        {"remove", [&] { return remove_utf8(name) != 0; }},
        {"chdir", [&] { return chdir_utf8(name) != 0; }},
        {"find", [&] { return FindFirstFile_utf8(name, &data) == UTF8FS_INVALID_HANDLE; }},
        {"full path", [&] { return GetFullPathName_utf8(name, sizeof out, out, nullptr) == 0; }},
        {"long path", [&] { return GetLongPathName_utf8(name, out, sizeof out) == 0; }},
        {"create",
         [&] {
             return CreateFile_utf8(name, UTF8FS_GENERIC_READ, 0, nullptr, UTF8FS_OPEN_EXISTING, 0,
                                    nullptr) == UTF8FS_INVALID_HANDLE;
         }},
    };
    for (const auto &[what, fails] : calls) {
        errno = 0;
        EXPECT_TRUE(fails()) << what;
        EXPECT_EQ(errno, ENAMETOOLONG) << what;
    }
    // One byte less is a name the layer passes on: the system decides (the
    // name is too long for one component, so it is not found).
    EXPECT_EQ(stat32_utf8(longest.c_str(), &st), -1);
    EXPECT_NE(errno, 0);

    Tree t("utf8fs");
    InDirectory in(t.root());
    const std::string fits_alone(UTF8FS_PATH_MAX - 4, 'n');
    std::vector<char> full(2 * UTF8FS_PATH_MAX, '#');
    EXPECT_EQ(GetFullPathName_utf8(fits_alone.c_str(), static_cast<uint32_t>(full.size()),
                                   full.data(), nullptr),
              0u);
    EXPECT_EQ(errno, ENAMETOOLONG);
    EXPECT_EQ(full[0], '#');
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
    int shortcut = 0;
    for (int i = 0; i < 20000; ++i) {
        const std::string pattern = "*" + text(4);
        utf8fs::wildcard::Matcher matcher(pattern);
        for (int j = 0; j < 8; ++j) {
            const std::string name = text(7);
            const bool by_tokens = matcher.matches_by_tokens(name);
            ASSERT_EQ(matcher.matches(name), by_tokens) << pattern << " " << name;
        }
        shortcut += pattern.size() > 1 && pattern.back() != '.';
    }
    EXPECT_GT(shortcut, 10000);
}

} // namespace
