// The UTF-8 file-system layer, checked against the file system itself: what
// the layer creates must be there for std::filesystem, and what
// std::filesystem creates must be found, read and enumerated by the layer,
// with names outside ASCII intact.  Paths given to the layer are written with
// backslashes, which separate directories on every platform.
#include <utf8fs.h>

#include "utf8fs/wildcard.h"

#include <algorithm>
#include <cerrno>
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
using namespace zrl_test; // Tree, InDirectory, kSep, kWindows

namespace {

#if defined(_WIN32)
void close_fd(int fd) {
    _close(fd);
}
void close_handle(UTF8FS_HANDLE h) {
    CloseHandle(h);
}
#else
void close_fd(int fd) {
    close(fd);
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

// Every name that an enumeration of pattern delivers.
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

TEST(Utf8Names, FilesCarryTheirNamesBetweenTheSystemAndTheLayer) {
    Tree t("utf8fs");
    std::multiset<std::string> expected = {".", ".."};
    for (const std::string name : {"plain.txt", "Straße.txt", "日本.txt", "smile😀.txt"}) {
        t.file("日本/" + name, "text of " + name);
        FILE *stream = fopen_utf8(at(t, "日本\\" + name).c_str(), "rb");
        ASSERT_NE(stream, nullptr) << name;
        char buffer[64] = {};
        std::fread(buffer, 1, sizeof buffer - 1, stream);
        std::fclose(stream);
        EXPECT_EQ(std::string(buffer), "text of " + name);
        const int fd = open_utf8((t.root() + "/日本/new_" + name).c_str(),
                                 UTF8FS_O_RDWR | UTF8FS_O_CREAT | UTF8FS_O_BINARY, 0666);
        ASSERT_GE(fd, 0) << name;
        close_fd(fd);
        expected.insert({name, "new_" + name});
    }
    EXPECT_EQ(find_all(at(t, "日本\\*")), expected);
}

// Windows keeps names in UTF-16, so bytes that are not UTF-8 name nothing
// there; POSIX hands names to the system as they are.
TEST(Utf8Names, BytesThatAreNotUtf8FailOnlyWhereNamesMustBeConverted) {
    Tree t("utf8fs");
    const std::string bad = at(t, "bad\xff\xfe.txt");
    FILE *stream = fopen_utf8(bad.c_str(), "wb");
    if (!kWindows) {
        ASSERT_NE(stream, nullptr);
        std::fclose(stream);
        EXPECT_EQ(find_all(at(t, "bad*")), std::multiset<std::string>{"bad\xff\xfe.txt"});
        EXPECT_EQ(remove_utf8(bad.c_str()), 0);
        return;
    }
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
    const struct {
        const char *pattern;
        std::multiset<std::string> names;
        bool posix_only = false;
    } rows[] = {
        {"*", all},
        {"*.*", all},
        {"?.txt", {"a.txt", "b.txt", "é.txt"}},
        {"a?c.*", {"abc.log"}},
        {"nodir\\*", {}},
        {"*.TXT", {}, true},
        {"*.", {".", "..", "noext", "sub"}, true},
        {"a?.txt", {"a.txt", "ab.txt"}, true},
    };
    for (const auto &r : rows) {
        if (!r.posix_only || !kWindows) {
            EXPECT_EQ(find_all(at(t, r.pattern)), r.names) << r.pattern;
        }
    }
    WIN32_FIND_DATA_UTF8 data;
    EXPECT_EQ(FindFirstFile_utf8((t.root() + "\\").c_str(), &data), UTF8FS_INVALID_HANDLE);
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
            ASSERT_EQ(matcher.matches(name), matcher.matches_by_tokens(name)) << pattern << " " << name;
        }
    }
}

// Full paths of relative names, the name part, the long form in place, and
// no write at all when the result does not fit.
TEST(Utf8FullPath, ResolvesRelativeNamesAgainstTheCurrentDirectory) {
    Tree t("utf8fs");
    t.file("sub/日本語.txt");
    InDirectory in(at(t, "sub"));
    const std::string cwd = current_directory();
    const std::string parent = cwd.substr(0, cwd.rfind(kSep));
    const std::string root = cwd.substr(0, cwd.find(kSep) + 1); // "/" or "C:\"
    const struct {
        std::string name, full;
        std::string name_part; // empty: none
    } rows[] = {
        {"日本\\..\\é.txt", sys(cwd + "\\é.txt"), "é.txt"},
        {"a/b\\c", sys(cwd + "\\a\\b\\c"), "c"},
        {"a\\", sys(cwd + "\\a\\"), ""},
        {".", cwd, "sub"},
        {"..", parent, parent.substr(parent.rfind(kSep) + 1)},
        {root + "a\\b\\..\\c", sys(root + "a\\c"), "c"},
        {"..\\..\\..\\..\\..\\..\\..\\..\\..\\..\\..\\..\\..\\..", root, ""},
    };
    for (const auto &r : rows) {
        char out[UTF8FS_PATH_MAX];
        char *name_part = out;
        EXPECT_EQ(GetFullPathName_utf8(r.name.c_str(), sizeof out, out, &name_part), r.full.size());
        EXPECT_EQ(std::string(out), r.full) << r.name;
        EXPECT_EQ(name_part ? name_part : "", r.name_part) << r.name;
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
    EXPECT_EQ(GetFullPathName_utf8("", room + 1, out.data(), nullptr), 0u);
    EXPECT_EQ(GetLongPathName_utf8(full.c_str(), out.data(), room), 0u);
    EXPECT_EQ(GetLongPathName_utf8("missing.txt", out.data(), room + 1), 0u);
}

// stat tells directories, write permission and the size; rename moves
// without replacing; remove deletes files but not directories.
TEST(Utf8Files, StatRenameAndRemoveNeverLoseAFile) {
    Tree t("utf8fs");
    t.file("café.txt", "old");
    t.file("taken.txt", "keep");
    t.dir("目录");
    struct utf8fs_stat32 st;
    ASSERT_EQ(stat32_utf8(at(t, "café.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & UTF8FS_S_IFMT, UTF8FS_S_IFREG);
    EXPECT_NE(st.st_mode & 0200, 0);
    EXPECT_EQ(st.st_size, 3);
    ASSERT_EQ(stat32_utf8(at(t, "目录\\").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & UTF8FS_S_IFMT, UTF8FS_S_IFDIR);
    EXPECT_NE(stat32_utf8(at(t, "café.txt\\").c_str(), &st), 0);

    EXPECT_EQ(rename_utf8(at(t, "café.txt").c_str(), at(t, "日本.txt").c_str()), 0);
    EXPECT_NE(rename_utf8(at(t, "日本.txt").c_str(), at(t, "taken.txt").c_str()), 0);
    EXPECT_NE(rename_utf8(at(t, "missing").c_str(), at(t, "other").c_str()), 0);
    EXPECT_EQ(errno, ENOENT);
    const Tree::Snapshot before = t.snapshot();
    EXPECT_EQ(remove_utf8(at(t, "日本.txt").c_str()), 0);
    EXPECT_NE(remove_utf8(at(t, "日本.txt").c_str()), 0);
    EXPECT_EQ(errno, ENOENT);
    EXPECT_NE(remove_utf8(at(t, "目录").c_str()), 0);
    EXPECT_EQ(errno, EACCES);
    EXPECT_EQ(changes(before, t.snapshot()), "-日本.txt");
    EXPECT_EQ(t.content("taken.txt"), "keep");
}

// The open flags take the runtime's values (a temporary file vanishes when
// closed, a created file takes the permissions asked for); CreateFile follows
// its disposition.
TEST(Utf8Files, OpenAndCreateFollowFlagsAndDisposition) {
    Tree t("utf8fs");
    t.file("there.txt", "abc");
    t.dir("dir");
    const int create = UTF8FS_O_CREAT | UTF8FS_O_TRUNC | UTF8FS_O_BINARY;
    const struct {
        const char *name;
        int flags, result_errno; // 0: opens
    } opens[] = {
        {"there.txt", UTF8FS_O_RDWR | UTF8FS_O_SEQUENTIAL, 0},
        {"there.txt", UTF8FS_O_WRONLY | UTF8FS_O_CREAT | UTF8FS_O_EXCL, EEXIST},
        {"missing.txt", UTF8FS_O_RDONLY, ENOENT},
        {"dir", UTF8FS_O_RDONLY, EACCES},
        {"temp.tmp", UTF8FS_O_TEMPORARY | UTF8FS_O_RDWR | create, 0},
        {"ro.txt", UTF8FS_O_WRONLY | UTF8FS_O_CREAT, 0},
    };
    for (const auto &o : opens) {
        const int fd = open_utf8(at(t, o.name).c_str(), o.flags, o.name[0] == 'r' ? 0444 : 0666);
        EXPECT_EQ(fd < 0 ? errno : 0, o.result_errno) << o.name;
        if (fd >= 0) close_fd(fd);
    }
    EXPECT_FALSE(t.exists("temp.tmp"));
    EXPECT_EQ(t.content("there.txt"), "abc");
    struct utf8fs_stat32 st;
    ASSERT_EQ(stat32_utf8(at(t, "ro.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0222, 0);
    fs::permissions(os_path(t.at("ro.txt")), fs::perms::owner_write, fs::perm_options::add);

    const struct {
        const char *name;
        uint32_t access, disposition;
        bool opens;
        const char *content_after; // null: the file is not there
    } creates[] = {
        {"日本.out", UTF8FS_GENERIC_WRITE, UTF8FS_CREATE_ALWAYS, true, ""},
        {"there.txt", UTF8FS_GENERIC_WRITE, UTF8FS_CREATE_NEW, false, "abc"},
        {"there.txt", UTF8FS_GENERIC_READ, UTF8FS_OPEN_EXISTING, true, "abc"},
        {"absent.txt", UTF8FS_GENERIC_READ, UTF8FS_OPEN_EXISTING, false, nullptr},
        {"always.txt", UTF8FS_GENERIC_READ | UTF8FS_GENERIC_WRITE, UTF8FS_OPEN_ALWAYS, true, ""},
        {"there.txt", UTF8FS_GENERIC_WRITE, UTF8FS_TRUNCATE_EXISTING, true, ""},
    };
    for (const auto &c : creates) {
        SCOPED_TRACE(std::string(c.name) + " " + std::to_string(c.disposition));
        UTF8FS_HANDLE h = CreateFile_utf8(at(t, c.name).c_str(), c.access, UTF8FS_FILE_SHARE_READ,
                                          nullptr, c.disposition, UTF8FS_FILE_ATTRIBUTE_NORMAL, nullptr);
        EXPECT_EQ(h != UTF8FS_INVALID_HANDLE, c.opens);
        if (h != UTF8FS_INVALID_HANDLE) close_handle(h);
        EXPECT_EQ(t.exists(c.name) ? t.content(c.name) : "(none)", c.content_after ? c.content_after : "(none)");
    }
#if !defined(_WIN32)
    // Like a Win32 handle, the descriptor goes to child programs only when
    // the security attributes ask for it.  Truncating needs write access
    // (wine lets it pass, so it is checked here only).
    UTF8FS_SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, 1};
    for (UTF8FS_SECURITY_ATTRIBUTES *security : {static_cast<UTF8FS_SECURITY_ATTRIBUTES *>(nullptr), &inherit}) {
        UTF8FS_HANDLE h = CreateFile_utf8(at(t, "inherit.txt").c_str(), UTF8FS_GENERIC_WRITE, 0,
                                          security, UTF8FS_CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(h, UTF8FS_INVALID_HANDLE);
        EXPECT_EQ((fcntl(UTF8FS_HANDLE_FD(h), F_GETFD) & FD_CLOEXEC) != 0, security == nullptr);
        close_handle(h);
    }
    t.file("full.txt", "content");
    EXPECT_EQ(CreateFile_utf8(at(t, "full.txt").c_str(), UTF8FS_GENERIC_READ, 0, nullptr,
                              UTF8FS_TRUNCATE_EXISTING, 0, nullptr),
              UTF8FS_INVALID_HANDLE);
    EXPECT_EQ(errno, EACCES);
    EXPECT_EQ(t.content("full.txt"), "content");
#endif
}

// Values round-trip in UTF-8, an unchanged value is the same text, malformed
// definitions are refused.  (An empty value: see the logical-name tests.)
TEST(Utf8Env, ValuesRoundTripInUtf8) {
    EXPECT_EQ(putenv_utf8("UTF8FS_ÉTÉ=日本é😀"), 0);
    const char *value = getenv_utf8("UTF8FS_ÉTÉ");
    EXPECT_STREQ(value, "日本é😀");
    EXPECT_EQ(getenv_utf8("UTF8FS_ÉTÉ"), value);
    EXPECT_EQ(getenv_utf8("UTF8FS_NEVER_DEFINED"), nullptr);
    EXPECT_NE(getenv_utf8("PATH"), nullptr); // inherited, not defined here
    for (const char *text : {"UTF8FS_NO_EQUALS", "=value"}) {
        EXPECT_EQ(putenv_utf8(text), -1) << text;
        EXPECT_EQ(errno, EINVAL) << text;
    }
    EXPECT_EQ(putenv_utf8(nullptr), -1);
    EXPECT_EQ(getenv_utf8(nullptr), nullptr);
}

// Into and out of a directory with a UTF-8 name; a failed change stays; a
// buffer too small for the current directory is left alone.
TEST(Utf8Cwd, ChangesIntoDirectoriesWithUtf8Names) {
    Tree t("utf8fs");
    t.dir("日本 é");
    InDirectory in(at(t, "日本 é"));
    const std::string inside = current_directory();
    EXPECT_EQ(inside, t.at("日本 é"));
    FILE *stream = fopen_utf8("ß.txt", "wb");
    ASSERT_NE(stream, nullptr);
    std::fclose(stream);
    EXPECT_TRUE(t.exists("日本 é/ß.txt"));
    EXPECT_EQ(chdir_utf8(at(t, "missing").c_str()), -1);
    EXPECT_EQ(current_directory(), inside);

    std::vector<char> small(inside.size(), '#');
    EXPECT_EQ(getcwd_utf8(small.data(), static_cast<int>(small.size())), nullptr);
    EXPECT_EQ(errno, ERANGE);
    EXPECT_TRUE(std::all_of(small.begin(), small.end(), [](char c) { return c == '#'; }));
    small.push_back('#');
    EXPECT_EQ(getcwd_utf8(small.data(), static_cast<int>(small.size())), small.data());
    EXPECT_EQ(std::string(small.data()), inside);
    ASSERT_EQ(chdir_utf8(".."), 0);
    EXPECT_EQ(current_directory(), t.root());
}

// A name of 4096 bytes or more is refused before the system sees it, never
// cut; a full path that grows past 4095 bytes behind the directory too.
TEST(Utf8Limits, NamesOfMoreThan4095BytesAreRefused) {
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
        {"create", [&] {
             return CreateFile_utf8(name, UTF8FS_GENERIC_READ, 0, nullptr, UTF8FS_OPEN_EXISTING, 0,
                                    nullptr) == UTF8FS_INVALID_HANDLE;
         }},
    };
    for (const auto &[what, fails] : calls) {
        errno = 0;
        EXPECT_TRUE(fails()) << what;
        EXPECT_EQ(errno, ENAMETOOLONG) << what;
    }
    Tree t("utf8fs");
    InDirectory in(t.root());
    std::vector<char> full(2 * UTF8FS_PATH_MAX, '#');
    EXPECT_EQ(GetFullPathName_utf8(too_long.substr(4).c_str(), static_cast<uint32_t>(full.size()),
                                   full.data(), nullptr),
              0u);
    EXPECT_EQ(errno, ENAMETOOLONG);
    EXPECT_EQ(full[0], '#');
}

} // namespace
