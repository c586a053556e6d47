// Devices, directories, delete and rename on real directories: devinfo
// against the system's own account of the space, setdir, fdelete and frename
// with wildcards, search-list devices and the device translation of new names.
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "format/guarded_buffer.h"
#include "support/tree.h"
#include <utf8fs.h>
#include <zrlshared.h>

namespace {

namespace fs = std::filesystem;
using zrl_test::GuardedBuffer;
using namespace zrl_test; // Tree, InDirectory, native paths

void define(const std::string &name, const std::string &value) {
    ASSERT_EQ(deflognam(name.c_str(), value.c_str()), 0) << name;
}

// ---- devinfo ----

// The capacity or free space the C++ library reports for a place, in
// 512-byte blocks, as devinfo gives it.
unsigned blocks_of(const std::string &place, bool total) {
    const fs::space_info space = fs::space(os_path(place));
    const std::uintmax_t blocks = (total ? space.capacity : space.available) / 512;
    return static_cast<unsigned>(std::min<std::uintmax_t>(blocks, 0x7FFFFFFE));
}

TEST(Devinfo, AnswersTheQueryWordsAndTheirAbbreviationsAndRefusesOthers) {
    Tree tree;
    const std::string spec = tree.at("X.DAT");
    const unsigned total = blocks_of(tree.root(), true);
    const unsigned free_blocks = blocks_of(tree.root(), false);
    ASSERT_GT(total, 0u);
    enum Kind { Free, Total, Refused };
    const std::pair<const char *, Kind> cases[] = {
        {"FreeB", Free},  {"AVAI", Free},    {"maxblocks", Total},     {"/MAX", Total},
        {"FRE", Refused}, {"MA", Refused},   {"FREEBLOCKSX", Refused}, {nullptr, Refused},
    };
    for (const auto &[query, kind] : cases) {
        const std::string what = query ? query : "(null)";
        zrl_error = 7;
        const unsigned blocks = devinfo(spec.c_str(), query);
        EXPECT_EQ(zrl_error, kind == Refused ? 22 : 7) << what;
        // Free space moves while the machine works: 64 MiB either way will do.
        const unsigned want = kind == Total ? total : kind == Free ? free_blocks : 0;
        const unsigned slack = kind == Free ? 64 * 2048 : 0;
        EXPECT_LE(blocks, want + slack) << what;
        EXPECT_GE(blocks + slack, want) << what;
    }
}

TEST(Devinfo, ReportsOnTheNamedDriveOrTheCurrentDirectoryButNotOnOtherDevices) {
    Tree tree;
    tree.dir("sub");
    InDirectory here(tree.root());
    const unsigned total = blocks_of(tree.root(), true);
    for (const std::string &spec : {std::string(""), std::string("*.*"), tree.at("sub") + kSep})
        EXPECT_EQ(devinfo(spec.c_str(), "MAX"), total) << spec;
    EXPECT_EQ(devinfo(nullptr, "MAX"), total);
    if (kWindows) {
        // The drive of the specification, whatever its directory.
        const std::string drive = tree.root().substr(0, 2);
        EXPECT_EQ(devinfo((drive + "\\nowhere\\x.dat").c_str(), "MAX"), total);
        EXPECT_EQ(devinfo(drive.c_str(), "MAX"), total);
    } else if (fs::is_directory("/dev/shm")) { // another file system
        EXPECT_EQ(devinfo("/dev/shm/x.dat", "MAX"), blocks_of("/dev/shm", true));
    }
    // Logical names are not translated: a device that is no drive has no
    // space to read.
    define("ZRLT_FOPS_DEVLOG", tree.root());
    for (const char *spec : {"ZRLT_FOPS_DEVLOG:X.DAT", "NOSUCHDEVICE:X.DAT", "\\\\SRV\\SHARE\\X"}) {
        zrl_error = 9;
        EXPECT_EQ(devinfo(spec, "FREE"), 0x7FFFFFFFu) << spec;
        EXPECT_EQ(devinfo(spec, "MAX"), 0x7FFFFFFFu) << spec;
        EXPECT_EQ(zrl_error, 9) << spec;
    }
}

// ---- setdir ----

// setdir on a copy of path in a guarded buffer of the given size; the text
// it leaves there.
std::string setdir_text(const std::string &path, int *length, int size = 81) {
    GuardedBuffer buffer(size);
    std::memcpy(buffer.data(), path.c_str(), path.size() + 1);
    *length = setdir(buffer.data());
    EXPECT_TRUE(buffer.untouched_from(std::max<int>(*length, static_cast<int>(path.size())) + 1));
    EXPECT_EQ(*length, static_cast<int>(buffer.text().size()));
    return buffer.text();
}

TEST(Setdir, ChangesToAnExistingDirectoryAndReportsItWithAFinalSeparator) {
    Tree tree;
    tree.dir("sub/inner");
    if (!kWindows) tree.dir("D:");
    InDirectory keep(current_directory()); // setdir changes it
    ASSERT_LT(tree.root().size() + 10, 79u) << "the test needs a short temporary directory";
    const std::pair<std::string, std::string> cases[] = {
        {tree.root(), tree.root() + kSep},
        {tree.at("sub") + kSep, tree.at("sub") + kSep},
        {"inner", tree.at("sub/inner") + kSep},
        {native("../inner/"), tree.at("sub/inner") + kSep},
        {"", tree.at("sub/inner") + kSep},
        {tree.at("no/such/dir"), tree.at("sub/inner") + kSep},
        {native("../.."), tree.root() + kSep},
        // A name ending with a colon is the root of that device; without
        // drives it is a directory below the current one.
        {kWindows ? tree.root().substr(0, 2) : "D:",
         kWindows ? tree.root().substr(0, 3) : tree.at("D:") + kSep},
    };
    for (const auto &[path, expected] : cases) {
        int n = -1;
        EXPECT_EQ(setdir_text(path, &n), expected) << path;
        std::string now = current_directory();
        if (now.back() != kSep) now += kSep;
        EXPECT_EQ(now, expected) << path;
    }
}

TEST(Setdir, GivesNothingWhenTheCurrentDirectoryIsTooLongToReport) {
    Tree tree;
    std::string deep = "d123456789";
    while (tree.at(deep).size() < 100)
        deep += "/d123456789";
    tree.dir(deep);
    InDirectory keep(current_directory()); // setdir changes it
    // Changing there succeeds, but the report does not fit in 79 characters.
    int n = -1;
    EXPECT_EQ(setdir_text(tree.at(deep), &n, 256), "");
    EXPECT_EQ(n, 0);
    EXPECT_EQ(current_directory(), tree.at(deep));
    EXPECT_EQ(setdir_text("", &n), "");
    // A directory of exactly 79 characters still fits, with its separator.
    std::string edge = tree.root() + kSep;
    if (edge.size() < 79) {
        edge.resize(79, 'e');
        fs::create_directories(os_path(edge));
        EXPECT_EQ(setdir_text(edge, &n), edge + kSep);
        EXPECT_EQ(n, 80);
    }
}

// ---- fdelete ----

TEST(Fdelete, DeletesOneMatchPerCallThroughEveryDirectoryOfASearchList) {
    Tree tree;
    for (const char *f : {"a/X.LIS", "a/Y.LIS", "a/KEEP.TXT", "a/LIS.DAT", "b/Z.LIS", "b/KEEP.TXT"})
        tree.file(f);
    define("ZRLT_FOPS_DEL", tree.at("a") + "," + tree.at("b"));
    const Tree::Snapshot before = tree.snapshot();
    // The first directory's matches go first.
    for (int call = 0; call < 2; ++call) {
        zrl_error = 99;
        EXPECT_EQ(fdelete("ZRLT_FOPS_DEL:*.LIS"), 0);
        EXPECT_EQ(zrl_error, 0);
    }
    EXPECT_EQ(changes(before, tree.snapshot()), "-a/X.LIS -a/Y.LIS");
    EXPECT_EQ(fdelete("ZRLT_FOPS_DEL:*.LIS"), 0);
    EXPECT_EQ(fdelete("ZRLT_FOPS_DEL:*.LIS"), 22);
    EXPECT_EQ(fdelete(tree.at("a/KEEP.TXT").c_str()), 0);
    EXPECT_EQ(changes(before, tree.snapshot()), "-a/KEEP.TXT -a/X.LIS -a/Y.LIS -b/Z.LIS");
}

TEST(Fdelete, ReportsWhatCannotBeDeleted) {
    Tree tree;
    tree.file("SUB.DIR/INNER.TXT");
    tree.file("READONLY.TXT");
    fs::permissions(os_path(tree.at("READONLY.TXT")),
                    fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    InDirectory here(tree.root());
    const Tree::Snapshot before = tree.snapshot();
    // A directory resolves to a name with a final separator, which remove
    // refuses with the runtime's number for denied access; a read-only file
    // is refused the same way, as the Windows runtime refuses it.
    const std::pair<const char *, int> cases[] = {{"MISSING.TXT", 22},
                                                  {"*.NONE", 22},
                                                  {"ZRLT_FOPS_UNDEFINED_LOG:X.TXT", 22},
                                                  {nullptr, 22},
                                                  {"SUB.*", EACCES},
                                                  {"READONLY.TXT", EACCES}};
    for (const auto &[spec, status] : cases) {
        zrl_error = 0;
        EXPECT_EQ(fdelete(spec), status) << (spec ? spec : "(null)");
        EXPECT_EQ(zrl_error, status) << (spec ? spec : "(null)");
    }
    EXPECT_EQ(changes(before, tree.snapshot()), "");
}

// ---- frename ----

TEST(Frename, ReportsFailuresWithTheRuntimesErrorNumbersAndReplacesNothing) {
    Tree tree;
    tree.file("A.TXT", "alpha");
    tree.file("TAKEN.TXT", "taken");
    InDirectory here(tree.root());
    const Tree::Snapshot before = tree.snapshot();
    define("ZRLT_FOPS_LONG", std::string(5000, 'x'));
    const std::string too_long(4200, 'n');
    const struct {
        const char *from, *to;
        int status;
    } cases[] = {
        {"MISSING.TXT", "B.TXT", 22},
        {"ZRLT_FOPS_UNDEFINED_LOG:A.TXT", "B.TXT", 22},
        {"A.TXT", "TAKEN.TXT", EEXIST},
        {"A.TXT", "NODIR/B.TXT", ENOENT},
        {"A.TXT", "", 22},
        {"A.TXT", "ZRLT_FOPS_UNDEFINED_LOG:", 22},
        {"A.TXT", nullptr, 22},
        // A new name too long to hold whole is refused, never cut.
        {"A.TXT", too_long.c_str(), ENAMETOOLONG},
        {"A.TXT", "ZRLT_FOPS_LONG:A.BAK", ENAMETOOLONG},
    };
    for (const auto &c : cases) {
        const std::string to = c.to ? native(c.to) : "";
        const std::string what =
            std::string(c.from ? c.from : "(null)") + " -> " + to.substr(0, 30);
        zrl_error = 0;
        EXPECT_EQ(frename(c.from, c.to ? to.c_str() : nullptr), c.status) << what;
        EXPECT_EQ(zrl_error, c.status) << what;
        EXPECT_EQ(changes(before, tree.snapshot()), "") << what;
    }
}

// The old name is a path or its first match; a new name without directory
// goes to the current one, a logical device to the first directory of its
// translation.
TEST(Frename, PutsTheNewNameWhereItsDeviceAndDirectorySay) {
    Tree tree;
    for (const char *dir : {"archive", "old", "sub"})
        tree.dir(dir);
    InDirectory here(tree.root());
    define("ZRLT_FOPS_ARCH", tree.at("archive") + "," + tree.at("old"));
    define("ZRLT_FOPS_SEP", tree.at("old") + kSep);
    define("ZRLT_FOPS_EMPTY", "");
    const struct {
        std::string from, to, lands_at; // where the file is then, below the tree
    } cases[] = {
        {"A.T*", "B.TXT", "B.TXT"},
        {tree.at("A.TXT"), native("sub/B.TXT"), "sub/B.TXT"},
        {"A.TXT", "ZRLT_FOPS_ARCH:A.BAK", "archive/A.BAK"},
        // A translation that ends with a separator gets no second one.
        {"A.TXT", "ZRLT_FOPS_SEP:A.BAK", "old/A.BAK"},
        // A directory of the name's own replaces the translation's.
        {"A.TXT", "ZRLT_FOPS_ARCH:" + native("sub/A.BAK"), "sub/A.BAK"},
        // A device without translation is dropped from the name.
        {"A.TXT", "ZRLT_FOPS_NOTDEFINED:A.BAK", "A.BAK"},
        {"A.TXT", "ZRLT_FOPS_EMPTY:A.BAK", "A.BAK"},
    };
    for (const auto &c : cases) {
        tree.file("A.TXT", "alpha");
        const Tree::Snapshot before = tree.snapshot();
        zrl_error = 99;
        EXPECT_EQ(frename(c.from.c_str(), c.to.c_str()), 0) << c.to;
        EXPECT_EQ(zrl_error, 0) << c.to;
        EXPECT_EQ(changes(before, tree.snapshot()), "-A.TXT +" + c.lands_at) << c.to;
        fs::remove(os_path(tree.at(c.lands_at)));
    }
}

TEST(Frename, MovesAcrossTheDirectoriesOfASearchListDevice) {
    Tree tree;
    tree.file("a/KEEP.TXT", "keep");
    tree.file("b/REPORT.LIS", "report");
    define("ZRLT_FOPS_LIST", tree.at("a") + "," + tree.at("b"));
    const Tree::Snapshot before = tree.snapshot();
    // The old name is looked for in every directory of the list, the new one
    // goes to the first.
    EXPECT_EQ(frename("ZRLT_FOPS_LIST:REPORT.LIS", "ZRLT_FOPS_LIST:REPORT.OLD"), 0);
    EXPECT_EQ(changes(before, tree.snapshot()), "-b/REPORT.LIS +a/REPORT.OLD");
    // And back into the second directory by its own name.
    EXPECT_EQ(frename("ZRLT_FOPS_LIST:*.OLD", tree.at("b/REPORT.LIS").c_str()), 0);
    EXPECT_EQ(tree.content("b/REPORT.LIS"), "report");
    EXPECT_EQ(frename("ZRLT_FOPS_LIST:*.OLD", "X"), 22);
}

} // namespace
