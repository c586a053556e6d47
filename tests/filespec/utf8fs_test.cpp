// The UTF-8 file-system layer, checked against the file system itself: what
// the layer creates must be there for std::filesystem, and what
// std::filesystem creates must be found, read and enumerated by the layer,
// with names outside ASCII intact.  Paths are written with backslashes, which
// separate directories on every platform.
#include <utf8fs.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "support/console.h"

#if defined(_WIN32)
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {

#if defined(_WIN32)
constexpr bool kWindows = true;
int close_fd(int fd) {
    return _close(fd);
}
int read_fd(int fd, char *to, unsigned n) {
    return _read(fd, to, n);
}
int write_fd(int fd, const char *from, unsigned n) {
    return _write(fd, from, n);
}
void close_handle(UTF8FS_HANDLE h) {
    CloseHandle(h);
}
#else
constexpr bool kWindows = false;
int close_fd(int fd) {
    return close(fd);
}
int read_fd(int fd, char *to, unsigned n) {
    return static_cast<int>(read(fd, to, n));
}
int write_fd(int fd, const char *from, unsigned n) {
    return static_cast<int>(write(fd, from, n));
}
void close_handle(UTF8FS_HANDLE h) {
    close(UTF8FS_HANDLE_FD(h));
}
#endif

// The separator of the paths the layer hands back.
constexpr char kSep = kWindows ? '\\' : '/';

// A path written with backslashes as the layer hands it back.
std::string sys(std::string text) {
    std::replace(text.begin(), text.end(), '\\', kSep);
    return text;
}

// A UTF-8 path (backslashes allowed) as std::filesystem reads it.
fs::path os_path(std::string utf8) {
    if (!kWindows) std::replace(utf8.begin(), utf8.end(), '\\', '/');
    return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

// A fresh directory for one test, removed with everything in it afterwards.
class Scratch {
  public:
    Scratch() : dir_(zrl_test::temp_path("utf8fs")) { fs::create_directories(os_path(dir_)); }
    ~Scratch() {
        std::error_code ignored;
        fs::remove_all(os_path(dir_), ignored);
    }
    Scratch(const Scratch &) = delete;
    Scratch &operator=(const Scratch &) = delete;

    const std::string &dir() const { return dir_; }
    std::string at(const std::string &name) const { return dir_ + "\\" + name; }

    void file(const std::string &name, const std::string &content = "") const {
        std::ofstream out(os_path(at(name)), std::ios::binary);
        out << content;
    }
    void subdir(const std::string &name) const { fs::create_directories(os_path(at(name))); }
    bool exists(const std::string &name) const { return fs::exists(os_path(at(name))); }
    std::string content(const std::string &name) const {
        std::ifstream in(os_path(at(name)), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

  private:
    std::string dir_;
};

// Changes the current directory for one test and puts the old one back.
class CwdGuard {
  public:
    CwdGuard() : saved_(fs::current_path()) {}
    ~CwdGuard() { fs::current_path(saved_); }
    CwdGuard(const CwdGuard &) = delete;
    CwdGuard &operator=(const CwdGuard &) = delete;

  private:
    fs::path saved_;
};

std::string current_directory() {
    char buffer[UTF8FS_PATH_MAX];
    const char *cwd = getcwd_utf8(buffer, sizeof buffer);
    return cwd != nullptr ? cwd : "";
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

const std::vector<std::string> kNames = {"plain.txt", "café.txt", "Straße.txt", "日本.txt",
                                         "smile😀.txt"};

// ---- Names outside ASCII -------------------------------------------------------

TEST(Utf8Names, FilesMadeByTheSystemAreReadThroughTheLayer) {
    Scratch s;
    for (const std::string &name : kNames)
        s.file(name, "text of " + name);
    for (const std::string &name : kNames) {
        SCOPED_TRACE(name);
        FILE *stream = fopen_utf8(s.at(name).c_str(), "rb");
        ASSERT_NE(stream, nullptr);
        char buffer[64] = {};
        const std::size_t n = std::fread(buffer, 1, sizeof buffer, stream);
        std::fclose(stream);
        EXPECT_EQ(std::string(buffer, n), "text of " + name);

        const int fd = open_utf8(s.at(name).c_str(), UTF8FS_O_RDONLY | UTF8FS_O_BINARY, 0);
        ASSERT_GE(fd, 0);
        EXPECT_EQ(read_fd(fd, buffer, sizeof buffer), static_cast<int>(n));
        close_fd(fd);

        struct utf8fs_stat32 st;
        ASSERT_EQ(stat32_utf8(s.at(name).c_str(), &st), 0);
        EXPECT_EQ(st.st_size, static_cast<int32_t>(n));
    }
    std::multiset<std::string> expected(kNames.begin(), kNames.end());
    expected.insert({".", ".."});
    EXPECT_EQ(find_all(s.at("*")), expected);
}

TEST(Utf8Names, FilesMadeByTheLayerCarryTheirNames) {
    Scratch s;
    for (const std::string &name : kNames) {
        SCOPED_TRACE(name);
        FILE *stream = fopen_utf8(s.at("new_" + name).c_str(), "wb");
        ASSERT_NE(stream, nullptr);
        std::fputs(name.c_str(), stream);
        std::fclose(stream);
        EXPECT_EQ(s.content("new_" + name), name);

        const int fd =
            open_utf8(s.at("fd_" + name).c_str(),
                      UTF8FS_O_WRONLY | UTF8FS_O_CREAT | UTF8FS_O_TRUNC | UTF8FS_O_BINARY, 0666);
        ASSERT_GE(fd, 0);
        EXPECT_EQ(write_fd(fd, "xy", 2), 2);
        close_fd(fd);
        EXPECT_EQ(s.content("fd_" + name), "xy");
    }
}

TEST(Utf8Names, ForwardSlashesAndBackslashesBothSeparate) {
    Scratch s;
    s.subdir("日本");
    s.file("日本\\inner.txt", "in");
    std::string slashed = s.dir() + "/日本/inner.txt";
    struct utf8fs_stat32 st;
    EXPECT_EQ(stat32_utf8(s.at("日本\\inner.txt").c_str(), &st), 0);
    EXPECT_EQ(stat32_utf8(slashed.c_str(), &st), 0);
    EXPECT_EQ(find_all(s.at("日本\\*.txt")), std::multiset<std::string>{"inner.txt"});
}

// Windows keeps names in UTF-16, so bytes that are not UTF-8 name nothing
// there; POSIX hands names to the system as they are.
TEST(Utf8Names, BytesThatAreNotUtf8FailOnlyWhereNamesMustBeConverted) {
    Scratch s;
    const std::string bad = s.at("bad\xff\xfe.txt");
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
        EXPECT_EQ(find_all(s.at("bad*")), std::multiset<std::string>{"bad\xff\xfe.txt"});
        EXPECT_EQ(remove_utf8(bad.c_str()), 0);
    }
}

// ---- Enumeration -----------------------------------------------------------------

struct FindCase {
    const char *pattern;
    std::multiset<std::string> names;
    // Rows whose answer is another one on Windows (names there ignore case) or
    // that follow Windows rules which wine's emulation does not keep.
    bool posix_only;
};

TEST(Utf8Find, PatternsMatchTheLastComponentAsWindowsDoes) {
    Scratch s;
    for (const char *name :
         {"a.txt", "b.txt", "ab.txt", "abc.log", "noext", "é.txt", "x.tar.gz", "c.h"})
        s.file(name);
    s.subdir("sub");
    const std::vector<FindCase> cases = {
        {"*",
         {".", "..", "a.txt", "b.txt", "ab.txt", "abc.log", "noext", "é.txt", "x.tar.gz", "c.h",
          "sub"},
         false},
        {"*.txt", {"a.txt", "b.txt", "ab.txt", "é.txt"}, false},
        {"?.txt", {"a.txt", "b.txt", "é.txt"}, false},
        {"a*", {"a.txt", "ab.txt", "abc.log"}, false},
        {"*.gz", {"x.tar.gz"}, false},
        {"a?c.*", {"abc.log"}, false},
        {"ab.txt", {"ab.txt"}, false},
        {"sub", {"sub"}, false},
        {"zzz*", {}, false},
        {"missing.txt", {}, false},
        {"*.TXT", {}, true},
        {"*.*",
         {".", "..", "a.txt", "b.txt", "ab.txt", "abc.log", "noext", "é.txt", "x.tar.gz", "c.h",
          "sub"},
         false},
        {"*.", {".", "..", "noext", "sub"}, true},
        {"a?.txt", {"a.txt", "ab.txt"}, true},
        {"*.?", {".", "..", "noext", "sub", "c.h"}, true},
        {"x.*", {"x.tar.gz"}, false},
    };
    for (const FindCase &c : cases) {
        if (c.posix_only && kWindows) continue;
        SCOPED_TRACE(c.pattern);
        EXPECT_EQ(find_all(s.at(c.pattern)), c.names);
    }
}

TEST(Utf8Find, EntriesCarryKindSizeAndTime) {
    Scratch s;
    s.file("five.bin", "12345");
    s.subdir("dir");
    WIN32_FIND_DATA_UTF8 data;
    UTF8FS_HANDLE h = FindFirstFile_utf8(s.at("five.bin").c_str(), &data);
    ASSERT_NE(h, UTF8FS_INVALID_HANDLE);
    EXPECT_EQ(data.dwFileAttributes & UTF8FS_FILE_ATTRIBUTE_DIRECTORY, 0u);
    EXPECT_EQ(data.nFileSizeLow, 5u);
    EXPECT_EQ(data.nFileSizeHigh, 0u);
    struct utf8fs_stat32 st;
    ASSERT_EQ(stat32_utf8(s.at("five.bin").c_str(), &st), 0);
    const uint64_t ticks = (static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                           data.ftLastWriteTime.dwLowDateTime;
    const int64_t seconds = static_cast<int64_t>(ticks / 10000000) - 11644473600LL;
    EXPECT_LE(std::abs(seconds - st.st_mtime32), 2);
    EXPECT_EQ(FindNextFile_utf8(h, &data), 0);
    EXPECT_EQ(FindNextFile_utf8(h, &data), 0);
    EXPECT_NE(FindClose_utf8(h), 0);

    h = FindFirstFile_utf8(s.at("dir").c_str(), &data);
    ASSERT_NE(h, UTF8FS_INVALID_HANDLE);
    EXPECT_NE(data.dwFileAttributes & UTF8FS_FILE_ATTRIBUTE_DIRECTORY, 0u);
    EXPECT_STREQ(data.cFileName, "dir");
    FindClose_utf8(h);
}

TEST(Utf8Find, MissingDirectoriesAndEmptyNamesFindNothing) {
    Scratch s;
    WIN32_FIND_DATA_UTF8 data;
    for (const std::string &pattern : {s.at("nodir\\*"), s.at("nodir\\x.txt"), s.dir() + "\\"}) {
        SCOPED_TRACE(pattern);
        EXPECT_EQ(FindFirstFile_utf8(pattern.c_str(), &data), UTF8FS_INVALID_HANDLE);
    }
    EXPECT_EQ(FindClose_utf8(UTF8FS_INVALID_HANDLE), 0);
}

// ---- Full and long paths -------------------------------------------------------

TEST(Utf8FullPath, ResolvesRelativeNamesAgainstTheCurrentDirectory) {
    Scratch s;
    s.subdir("sub");
    CwdGuard restore;
    ASSERT_EQ(chdir_utf8(s.at("sub").c_str()), 0);
    const std::string cwd = current_directory();
    ASSERT_FALSE(cwd.empty());
    const std::string parent = cwd.substr(0, cwd.rfind(kSep));
    const std::string root = cwd.substr(0, cwd.find(kSep) + 1); // "\" or "C:\"
    const std::string parent_name = parent.substr(parent.rfind(kSep) + 1);
    struct Case {
        std::string name, full;
        std::string name_part; // empty: none
    };
    const std::vector<Case> cases = {
        {"x.txt", sys(cwd + "\\x.txt"), "x.txt"},
        {"日本\\..\\é.txt", sys(cwd + "\\é.txt"), "é.txt"},
        {".\\a\\.\\b", sys(cwd + "\\a\\b"), "b"},
        {"a/b\\c", sys(cwd + "\\a\\b\\c"), "c"},
        {"a\\", sys(cwd + "\\a\\"), ""},
        {".", cwd, "sub"},
        {"..", parent, parent_name},
        {"..\\sub\\*.txt", sys(cwd + "\\*.txt"), "*.txt"},
        {root + "a\\b\\..\\c", sys(root + "a\\c"), "c"},
        {"..\\..\\..\\..\\..\\..\\..\\..\\..\\..\\..\\..\\..\\..", root, ""},
    };
    for (const Case &c : cases) {
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
}

TEST(Utf8FullPath, APathThatDoesNotFitIsNotWritten) {
    CwdGuard restore;
    Scratch s;
    ASSERT_EQ(chdir_utf8(s.dir().c_str()), 0);
    const std::string full = current_directory() + "\\name.txt";
    std::vector<char> out(full.size() + 8, '#');
    const uint32_t room = static_cast<uint32_t>(full.size()); // one short for the NUL
    EXPECT_EQ(GetFullPathName_utf8("name.txt", room, out.data(), nullptr), 0u);
    EXPECT_EQ(errno, ENAMETOOLONG);
    EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](char c) { return c == '#'; }));
    EXPECT_EQ(GetFullPathName_utf8("name.txt", room + 1, out.data(), nullptr), room);
    EXPECT_EQ(GetFullPathName_utf8("", room + 1, out.data(), nullptr), 0u);
}

TEST(Utf8LongPath, GivesTheNameOfAnExistingFileInPlace) {
    Scratch s;
    s.file("日本語のファイル.txt");
    char buffer[UTF8FS_PATH_MAX];
    const std::string name = s.at("日本語のファイル.txt");
    uint32_t n = GetFullPathName_utf8(name.c_str(), sizeof buffer, buffer, nullptr);
    ASSERT_NE(n, 0u);
    const std::string full = buffer;
    n = GetLongPathName_utf8(buffer, buffer, sizeof buffer);
    EXPECT_EQ(n, full.size());
    EXPECT_EQ(std::string(buffer), full);
    EXPECT_EQ(GetLongPathName_utf8(s.at("missing.txt").c_str(), buffer, sizeof buffer), 0u);
    EXPECT_EQ(GetLongPathName_utf8(full.c_str(), buffer, static_cast<uint32_t>(full.size())), 0u);
}

// ---- Files -------------------------------------------------------------------

TEST(Utf8Files, StatReportsKindPermissionsAndSize) {
    Scratch s;
    s.file("ß.dat", "1234567");
    s.subdir("目录");
    struct utf8fs_stat32 st;
    ASSERT_EQ(stat32_utf8(s.at("ß.dat").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & UTF8FS_S_IFMT, UTF8FS_S_IFREG);
    EXPECT_EQ(st.st_size, 7);
    EXPECT_NE(st.st_mode & 0200, 0);
    ASSERT_EQ(stat32_utf8(s.at("目录").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & UTF8FS_S_IFMT, UTF8FS_S_IFDIR);
    EXPECT_EQ(stat32_utf8(s.at("目录\\").c_str(), &st), 0);
    EXPECT_NE(stat32_utf8(s.at("ß.dat\\").c_str(), &st), 0);
    EXPECT_EQ(stat32_utf8(s.at("missing").c_str(), &st), -1);
    EXPECT_EQ(errno, ENOENT);
}

TEST(Utf8Files, RecordHasTheLayoutOfTheRuntimes32BitStat) {
    EXPECT_EQ(sizeof(struct utf8fs_stat32), 36u);
    EXPECT_EQ(offsetof(struct utf8fs_stat32, st_mode), 6u);
    EXPECT_EQ(offsetof(struct utf8fs_stat32, st_size), 20u);
    EXPECT_EQ(offsetof(struct utf8fs_stat32, st_ctime32), 32u);
}

TEST(Utf8Files, RenameMovesWithoutReplacing) {
    Scratch s;
    s.file("café.txt", "old");
    s.file("taken.txt", "keep");
    EXPECT_EQ(rename_utf8(s.at("café.txt").c_str(), s.at("日本.txt").c_str()), 0);
    EXPECT_FALSE(s.exists("café.txt"));
    EXPECT_EQ(s.content("日本.txt"), "old");
    EXPECT_NE(rename_utf8(s.at("日本.txt").c_str(), s.at("taken.txt").c_str()), 0);
    EXPECT_EQ(s.content("日本.txt"), "old");
    EXPECT_EQ(s.content("taken.txt"), "keep");
    EXPECT_NE(rename_utf8(s.at("missing").c_str(), s.at("other").c_str()), 0);
    EXPECT_EQ(errno, ENOENT);
}

TEST(Utf8Files, RemoveDeletesFilesButNotDirectories) {
    Scratch s;
    s.file("😀.tmp", "x");
    s.subdir("dir");
    EXPECT_EQ(remove_utf8(s.at("😀.tmp").c_str()), 0);
    EXPECT_FALSE(s.exists("😀.tmp"));
    EXPECT_NE(remove_utf8(s.at("😀.tmp").c_str()), 0);
    EXPECT_EQ(errno, ENOENT);
    EXPECT_NE(remove_utf8(s.at("dir").c_str()), 0);
    EXPECT_EQ(errno, EACCES);
    EXPECT_TRUE(s.exists("dir"));
}

TEST(Utf8Files, OpenFlagsTakeTheRuntimesValues) {
    Scratch s;
    s.file("there.txt", "abc");
    s.subdir("dir");
    struct Case {
        const char *name;
        int flags;
        int result_errno; // 0: opens
    };
    const std::vector<Case> cases = {
        {"there.txt", UTF8FS_O_RDONLY | UTF8FS_O_BINARY, 0},
        {"there.txt", UTF8FS_O_RDWR | UTF8FS_O_SEQUENTIAL, 0},
        {"there.txt", UTF8FS_O_WRONLY | UTF8FS_O_CREAT | UTF8FS_O_EXCL, EEXIST},
        {"missing.txt", UTF8FS_O_RDONLY, ENOENT},
        {"dir", UTF8FS_O_RDONLY, EACCES},
        {"new.txt", UTF8FS_O_RDWR | UTF8FS_O_CREAT | UTF8FS_O_TRUNC | UTF8FS_O_BINARY, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const int fd = open_utf8(s.at(c.name).c_str(), c.flags, 0666);
        if (c.result_errno == 0) {
            EXPECT_GE(fd, 0);
            close_fd(fd);
        } else {
            EXPECT_EQ(fd, -1);
            EXPECT_EQ(errno, c.result_errno);
        }
    }
    EXPECT_TRUE(s.exists("new.txt"));
    EXPECT_EQ(s.content("there.txt"), "abc");
    EXPECT_EQ(fopen_utf8(s.at("dir").c_str(), "rb"), nullptr);
    EXPECT_EQ(fopen_utf8(s.at("missing.txt").c_str(), "rb"), nullptr);
}

TEST(Utf8Files, TemporaryFilesVanishWhenClosed) {
    Scratch s;
    const int fd = open_utf8(s.at("temp.tmp").c_str(),
                             UTF8FS_O_TEMPORARY | UTF8FS_O_RDWR | UTF8FS_O_CREAT | UTF8FS_O_TRUNC |
                                 UTF8FS_O_BINARY,
                             0666);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(write_fd(fd, "data", 4), 4);
    close_fd(fd);
    EXPECT_FALSE(s.exists("temp.tmp"));
}

TEST(Utf8Files, CreatedFilesTakeTheRequestedPermissions) {
    Scratch s;
    const int fd = open_utf8(s.at("ro.txt").c_str(), UTF8FS_O_WRONLY | UTF8FS_O_CREAT, 0444);
    ASSERT_GE(fd, 0);
    close_fd(fd);
    struct utf8fs_stat32 st;
    ASSERT_EQ(stat32_utf8(s.at("ro.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0222, 0);
    fs::permissions(os_path(s.at("ro.txt")), fs::perms::owner_write, fs::perm_options::add);
}

TEST(Utf8Files, CreateFileFollowsTheDisposition) {
    Scratch s;
    s.file("full.txt", "content");
    struct Case {
        const char *name;
        uint32_t access, disposition;
        bool opens;
        const char *content_after; // null: the file must not exist
    };
    const std::vector<Case> cases = {
        {"日本.out", UTF8FS_GENERIC_WRITE, UTF8FS_CREATE_ALWAYS, true, ""},
        {"full.txt", UTF8FS_GENERIC_WRITE, UTF8FS_CREATE_NEW, false, "content"},
        {"full.txt", UTF8FS_GENERIC_READ, UTF8FS_OPEN_EXISTING, true, "content"},
        {"absent.txt", UTF8FS_GENERIC_READ, UTF8FS_OPEN_EXISTING, false, nullptr},
        {"always.txt", UTF8FS_GENERIC_READ | UTF8FS_GENERIC_WRITE, UTF8FS_OPEN_ALWAYS, true, ""},
        {"full.txt", UTF8FS_GENERIC_WRITE, UTF8FS_TRUNCATE_EXISTING, true, ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.name) + " " + std::to_string(c.disposition));
        UTF8FS_HANDLE h =
            CreateFile_utf8(s.at(c.name).c_str(), c.access, UTF8FS_FILE_SHARE_READ, nullptr,
                            c.disposition, UTF8FS_FILE_ATTRIBUTE_NORMAL, nullptr);
        EXPECT_EQ(h != UTF8FS_INVALID_HANDLE, c.opens);
        if (h != UTF8FS_INVALID_HANDLE) close_handle(h);
        if (c.content_after == nullptr)
            EXPECT_FALSE(s.exists(c.name));
        else
            EXPECT_EQ(s.content(c.name), c.content_after);
    }
}

#if !defined(_WIN32)
// Like a Win32 handle, the descriptor goes to child programs only when the
// security attributes ask for it.
TEST(Utf8Files, CreatedDescriptorsAreInheritedOnlyOnRequest) {
    Scratch s;
    UTF8FS_SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, 1};
    for (UTF8FS_SECURITY_ATTRIBUTES *security :
         {static_cast<UTF8FS_SECURITY_ATTRIBUTES *>(nullptr), &inherit}) {
        UTF8FS_HANDLE h = CreateFile_utf8(s.at("inherit.txt").c_str(), UTF8FS_GENERIC_WRITE, 0,
                                          security, UTF8FS_CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(h, UTF8FS_INVALID_HANDLE);
        const bool closes_on_exec = (fcntl(UTF8FS_HANDLE_FD(h), F_GETFD) & FD_CLOEXEC) != 0;
        EXPECT_EQ(closes_on_exec, security == nullptr);
        close_handle(h);
    }
}

// Truncating needs write access, as the Win32 call documents (wine lets it
// pass, so this is checked where the layer decides).
TEST(Utf8Files, TruncatingNeedsWriteAccess) {
    Scratch s;
    s.file("full.txt", "content");
    EXPECT_EQ(CreateFile_utf8(s.at("full.txt").c_str(), UTF8FS_GENERIC_READ, 0, nullptr,
                              UTF8FS_TRUNCATE_EXISTING, 0, nullptr),
              UTF8FS_INVALID_HANDLE);
    EXPECT_EQ(errno, EACCES);
    EXPECT_EQ(s.content("full.txt"), "content");
}
#endif

// ---- Environment -------------------------------------------------------------------

TEST(Utf8Env, ValuesRoundTripInUtf8) {
    EXPECT_EQ(putenv_utf8("UTF8FS_TEST_VALUE=日本é😀"), 0);
    const char *value = getenv_utf8("UTF8FS_TEST_VALUE");
    ASSERT_NE(value, nullptr);
    EXPECT_STREQ(value, "日本é😀");
    EXPECT_EQ(getenv_utf8("UTF8FS_TEST_VALUE"), value); // unchanged: the same text
    EXPECT_EQ(putenv_utf8("UTF8FS_TEST_VALUE=C:\\A,D:\\B"), 0);
    EXPECT_STREQ(getenv_utf8("UTF8FS_TEST_VALUE"), "C:\\A,D:\\B");

    EXPECT_EQ(putenv_utf8("UTF8FS_ÉTÉ=été"), 0);
    EXPECT_STREQ(getenv_utf8("UTF8FS_ÉTÉ"), "été");
    EXPECT_EQ(getenv_utf8("UTF8FS_NEVER_DEFINED"), nullptr);
    EXPECT_NE(getenv_utf8("PATH"), nullptr); // inherited, not defined here
}

TEST(Utf8Env, MalformedDefinitionsAreRefused) {
    for (const char *text : {"UTF8FS_NO_EQUALS", "=value"}) {
        SCOPED_TRACE(text);
        EXPECT_EQ(putenv_utf8(text), -1);
        EXPECT_EQ(errno, EINVAL);
    }
    EXPECT_EQ(putenv_utf8(nullptr), -1);
    EXPECT_EQ(getenv_utf8(nullptr), nullptr);
}

// The Windows runtime removes a variable given an empty value; POSIX keeps it.
TEST(Utf8Env, AnEmptyValueFollowsThePlatform) {
    ASSERT_EQ(putenv_utf8("UTF8FS_EMPTY=x"), 0);
    ASSERT_EQ(putenv_utf8("UTF8FS_EMPTY="), 0);
    const char *value = getenv_utf8("UTF8FS_EMPTY");
    if (kWindows) {
        EXPECT_EQ(value, nullptr);
    } else {
        ASSERT_NE(value, nullptr);
        EXPECT_STREQ(value, "");
    }
}

// ---- Current directory -------------------------------------------------------

TEST(Utf8Cwd, ChangesIntoDirectoriesWithUtf8Names) {
    Scratch s;
    s.subdir("日本 é");
    CwdGuard restore;
    const std::string before = current_directory();
    ASSERT_FALSE(before.empty());
    ASSERT_EQ(chdir_utf8(s.at("日本 é").c_str()), 0);
    const std::string inside = current_directory();
    EXPECT_EQ(inside.substr(inside.rfind(kSep) + 1), "日本 é");
    EXPECT_EQ(std::count(inside.begin(), inside.end(), kWindows ? '/' : '\\'), 0);

    // The directory now holds relative names.
    FILE *stream = fopen_utf8("ß.txt", "wb");
    ASSERT_NE(stream, nullptr);
    std::fclose(stream);
    EXPECT_TRUE(s.exists("日本 é\\ß.txt"));

    EXPECT_EQ(chdir_utf8(s.at("missing").c_str()), -1);
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

    char *copy = getcwd_utf8(nullptr, 0);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(std::string(copy), cwd);
    std::free(copy);
}

// ---- Limits ----------------------------------------------------------------------

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
        SCOPED_TRACE(what);
        errno = 0;
        EXPECT_TRUE(fails());
        EXPECT_EQ(errno, ENAMETOOLONG);
    }
    // One byte less is a name the layer passes on: the system decides (the
    // name is too long for one component, so it is not found).
    EXPECT_EQ(stat32_utf8(longest.c_str(), &st), -1);
    EXPECT_NE(errno, 0);
}

TEST(Utf8Limits, FullPathsLongerThan4095BytesAreRefused) {
    CwdGuard restore;
    Scratch s;
    ASSERT_EQ(chdir_utf8(s.dir().c_str()), 0);
    const std::string name(UTF8FS_PATH_MAX - 4, 'n'); // fits alone, not behind the directory
    std::vector<char> out(2 * UTF8FS_PATH_MAX, '#');
    EXPECT_EQ(
        GetFullPathName_utf8(name.c_str(), static_cast<uint32_t>(out.size()), out.data(), nullptr),
        0u);
    EXPECT_EQ(errno, ENAMETOOLONG);
    EXPECT_EQ(out[0], '#');
}

} // namespace
