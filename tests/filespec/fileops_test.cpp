// Devices, directories, delete and rename on real directories: devinfo
// against the system's own account of the space, setdir, and what fdelete and
// frename do beyond finding their file (which the resolution tests check for
// every form of a name): one match per call, refusals, and where a new name
// goes.
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "filespec/guarded.h"
#include "support/tree.h"
#include <zrlshared.h>

namespace {

namespace fs = std::filesystem;
using namespace zrl_test; // Tree, InDirectory, native paths
using filespec_test::Guarded;

void define(const std::string &name, const std::string &value) {
    ASSERT_EQ(deflognam(name.c_str(), value.c_str()), 0) << name;
}

// The capacity or free space the C++ library reports, in 512-byte blocks.
unsigned blocks_of(const std::string &place, bool total) {
    const fs::space_info space = fs::space(os_path(place));
    const std::uintmax_t blocks = (total ? space.capacity : space.available) / 512;
    return static_cast<unsigned>(std::min<std::uintmax_t>(blocks, 0x7FFFFFFE));
}

// Query words and their abbreviations, on the named drive or the current
// directory's; logical names are not translated, so a device that is no
// drive has no space to read.
TEST(Devinfo, ReportsTheSpaceOfTheNamedDriveOrTheCurrentOne) {
    Tree tree;
    tree.dir("sub");
    InDirectory here(tree.root());
    define("ZRLT_FOPS_DEVLOG", tree.root());
    const unsigned total = blocks_of(tree.root(), true), free = blocks_of(tree.root(), false);
    const std::string file = tree.at("X.DAT"), sub = tree.at("sub") + kSep;
    constexpr unsigned kUnreadable = 0x7FFFFFFF, kRefused = 0;
    const struct {
        const char *spec, *query;
        unsigned want;
    } rows[] = {
        {file.c_str(), "FreeB", free},   {"", "AVAI", free},
        {"*.*", "maxblocks", total},     {sub.c_str(), "/MAX", total},
        {nullptr, "MAX", total},         {file.c_str(), "FRE", kRefused},
        {file.c_str(), "MA", kRefused},  {file.c_str(), "FREEBLOCKSX", kRefused},
        {file.c_str(), nullptr, kRefused}, {"ZRLT_FOPS_DEVLOG:X.DAT", "FREE", kUnreadable},
        {"NOSUCHDEVICE:X.DAT", "MAX", kUnreadable}, {"\\\\SRV\\SHARE\\X", "MAX", kUnreadable},
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(std::string(r.spec ? r.spec : "(null)") + " " + (r.query ? r.query : "(null)"));
        zrl_error = 7;
        const unsigned blocks = devinfo(r.spec, r.query);
        EXPECT_EQ(zrl_error, r.want == kRefused ? 22 : 7);
        // Free space moves while the machine works: 64 MiB either way will do.
        const unsigned slack = r.want == free && free != total ? 64 * 2048 : 0;
        EXPECT_LE(blocks, r.want + slack);
        EXPECT_GE(blocks + slack, r.want);
    }
    // The drive of the specification, whatever its directory; another file system.
    const std::string other = kWindows ? tree.root().substr(0, 2) + "\\nowhere\\x.dat" : "/dev/shm/x.dat";
    if (kWindows || fs::is_directory("/dev/shm")) {
        EXPECT_EQ(devinfo(other.c_str(), "MAX"), kWindows ? total : blocks_of("/dev/shm", true));
    }
}

// setdir on a copy of path in a guarded buffer; the text it leaves there.
std::string setdir_text(const std::string &path, int *length, int size = 81) {
    Guarded buffer(size);
    std::memcpy(buffer.data(), path.c_str(), path.size() + 1);
    *length = setdir(buffer.data());
    EXPECT_TRUE(buffer.untouched_from(std::max<int>(*length, static_cast<int>(path.size())) + 1));
    EXPECT_EQ(*length, static_cast<int>(buffer.text().size()));
    return buffer.text();
}

// A failed change reports the directory that stays current; one too long to
// report in 79 characters gives nothing, one of exactly 79 still fits.
TEST(Setdir, ChangesDirectoryAndReportsTheCurrentOneWithAFinalSeparator) {
    Tree tree;
    tree.dir("sub/inner");
    if (!kWindows) tree.dir("D:");
    InDirectory keep(current_directory()); // setdir changes it
    ASSERT_LT(tree.root().size() + 10, 79u) << "the test needs a short temporary directory";
    const std::pair<std::string, std::string> rows[] = {
        {tree.at("sub") + kSep, tree.at("sub") + kSep},
        {native("inner"), tree.at("sub/inner") + kSep},
        {"", tree.at("sub/inner") + kSep},
        {tree.at("no/such/dir"), tree.at("sub/inner") + kSep},
        {native("../.."), tree.root() + kSep},
        // A name ending with a colon is the root of that device; without
        // drives it is a directory below the current one.
        {kWindows ? tree.root().substr(0, 2) : "D:",
         kWindows ? tree.root().substr(0, 3) : tree.at("D:") + kSep},
    };
    int n = -1;
    for (const auto &[path, expected] : rows) {
        EXPECT_EQ(setdir_text(path, &n), expected) << path;
        std::string now = current_directory();
        EXPECT_EQ(now.back() == kSep ? now : now + kSep, expected) << path;
    }
    std::string edge = tree.root() + kSep;
    edge.resize(79, 'e');
    fs::create_directories(os_path(edge + kSep + std::string(30, 'f')));
    EXPECT_EQ(setdir_text(edge, &n), edge + kSep);
    EXPECT_EQ(n, 80);
    EXPECT_EQ(setdir_text(edge + kSep + std::string(30, 'f'), &n, 256), "");
    EXPECT_EQ(n, 0);
    EXPECT_EQ(current_directory(), edge + kSep + std::string(30, 'f'));
}

// One match per call, the first directory of a search list first; a
// directory and a read-only file are refused as the Windows runtime refuses
// them, and nothing else changes.
TEST(Fdelete, DeletesOneMatchPerCallAndRefusesDirectoriesAndReadOnlyFiles) {
    Tree tree;
    for (const char *f : {"a/X.LIS", "a/Y.LIS", "a/LIS.DAT", "b/Z.LIS", "SUB.DIR/IN.TXT", "RO.TXT"})
        tree.file(f);
    fs::permissions(os_path(tree.at("RO.TXT")),
                    fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    define("ZRLT_FOPS_DEL", tree.at("a") + "," + tree.at("b"));
    InDirectory here(tree.root());
    const Tree::Snapshot before = tree.snapshot();
    for (int call = 0; call < 3; ++call) {
        zrl_error = 99;
        EXPECT_EQ(fdelete("ZRLT_FOPS_DEL:*.LIS"), 0);
        EXPECT_EQ(zrl_error, 0);
        if (call == 1) { // the first directory's matches go first
            EXPECT_EQ(changes(before, tree.snapshot()), "-a/X.LIS -a/Y.LIS");
        }
    }
    const Tree::Snapshot after = tree.snapshot();
    const std::pair<const char *, int> refused[] = {
        {"ZRLT_FOPS_DEL:*.LIS", 22}, {"MISSING.TXT", 22}, {"ZRLT_FOPS_UNDEFINED:X.TXT", 22},
        {nullptr, 22},               {"SUB.*", EACCES},   {"RO.TXT", EACCES}};
    for (const auto &[spec, status] : refused) {
        zrl_error = 0;
        EXPECT_EQ(fdelete(spec), status) << (spec ? spec : "(null)");
        EXPECT_EQ(zrl_error, status) << (spec ? spec : "(null)");
    }
    EXPECT_EQ(changes(before, after), "-a/X.LIS -a/Y.LIS -b/Z.LIS");
    EXPECT_EQ(changes(after, tree.snapshot()), "");
}

// Failures give the runtime's numbers and replace nothing: a new name too
// long to hold whole is refused, never cut.
TEST(Frename, ReportsFailuresAndReplacesNothing) {
    Tree tree;
    tree.file("A.TXT", "alpha");
    tree.file("TAKEN.TXT", "taken");
    InDirectory here(tree.root());
    const Tree::Snapshot before = tree.snapshot();
    define("ZRLT_FOPS_LONG", std::string(5000, 'x'));
    const std::string too_long(4200, 'n'), no_dir = native("NODIR/B.TXT");
    const struct {
        const char *from, *to;
        int status;
    } rows[] = {
        {"MISSING.TXT", "B.TXT", 22},
        {"ZRLT_FOPS_UNDEFINED:A.TXT", "B.TXT", 22},
        {"A.TXT", "TAKEN.TXT", EEXIST},
        {"A.TXT", no_dir.c_str(), ENOENT},
        {"A.TXT", "", 22},
        {"A.TXT", "ZRLT_FOPS_UNDEFINED:", 22},
        {"A.TXT", nullptr, 22},
        {"A.TXT", too_long.c_str(), ENAMETOOLONG},
        {"A.TXT", "ZRLT_FOPS_LONG:A.BAK", ENAMETOOLONG},
    };
    for (const auto &r : rows) {
        const std::string what = std::string(r.from) + " -> " + (r.to ? r.to : "(null)");
        zrl_error = 0;
        EXPECT_EQ(frename(r.from, r.to), r.status) << what.substr(0, 60);
        EXPECT_EQ(zrl_error, r.status) << what.substr(0, 60);
        EXPECT_EQ(changes(before, tree.snapshot()), "") << what.substr(0, 60);
    }
}

// A new name without directory goes to the current one; a logical device to
// the first directory of its translation, unless the name has a directory of
// its own; a device without translation is dropped.
TEST(Frename, PutsTheNewNameWhereItsDeviceAndDirectorySay) {
    Tree tree;
    for (const char *dir : {"archive", "old", "sub"})
        tree.dir(dir);
    InDirectory here(tree.root());
    define("ZRLT_FOPS_ARCH", tree.at("archive") + "," + tree.at("old"));
    define("ZRLT_FOPS_EMPTY", "");
    const std::pair<std::string, std::string> rows[] = {
        {"B.TXT", "B.TXT"},
        {"ZRLT_FOPS_ARCH:A.BAK", "archive/A.BAK"},
        {"ZRLT_FOPS_ARCH:" + native("sub/A.BAK"), "sub/A.BAK"},
        {"ZRLT_FOPS_NOTDEFINED:A.BAK", "A.BAK"},
        {"ZRLT_FOPS_EMPTY:A.BAK", "A.BAK"},
    };
    for (const auto &[to, lands_at] : rows) {
        tree.file("A.TXT", "alpha");
        const Tree::Snapshot before = tree.snapshot();
        zrl_error = 99;
        EXPECT_EQ(frename("A.T*", to.c_str()), 0) << to;
        EXPECT_EQ(zrl_error, 0) << to;
        EXPECT_EQ(changes(before, tree.snapshot()), "-A.TXT +" + lands_at) << to;
        fs::remove(os_path(tree.at(lands_at)));
    }
}

} // namespace
