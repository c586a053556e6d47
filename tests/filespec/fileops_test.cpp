// Devices, directories, delete and rename on real directories: devinfo
// against the system's own account of the space, setdir, fdelete and frename
// with wildcards, search-list devices and the device translation of new names.
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "format/guarded_buffer.h"
#include "support/console.h"
#include "support/tree.h"
#include <utf8fs.h>
#include <zrlshared.h>

namespace {

namespace fs = std::filesystem;
using zrl_test::GuardedBuffer;

using namespace zrl_test; // Tree, InDirectory, native paths
constexpr unsigned kUnknownSpace = 0x7FFFFFFF;
constexpr unsigned kMostBlocks = 0x7FFFFFFE;

// Restores the current directory that setdir may change.
class KeepDirectory {
  public:
    KeepDirectory() : saved_(current_directory()) {}
    ~KeepDirectory() { chdir_utf8(saved_.c_str()); }
    KeepDirectory(const KeepDirectory &) = delete;
    KeepDirectory &operator=(const KeepDirectory &) = delete;

  private:
    std::string saved_;
};

void define(const std::string &name, const std::string &value) {
    ASSERT_EQ(deflognam(name.c_str(), value.c_str()), 0) << name;
}

// ---- devinfo ----

// The space the C++ library reports for the same place, in 512-byte blocks,
// as devinfo gives it.
unsigned expected_blocks(std::uintmax_t bytes) {
    const std::uintmax_t blocks = bytes / 512;
    return blocks < kMostBlocks ? static_cast<unsigned>(blocks) : kMostBlocks;
}

// Free space moves while the machine works; a few megabytes either way is
// the same answer.
void expect_near_blocks(unsigned actual, unsigned expected, const std::string &what) {
    const unsigned slack = 64 * 2048; // 64 MiB
    const unsigned low = expected > slack ? expected - slack : 0;
    EXPECT_GE(actual, low) << what;
    EXPECT_LE(actual, expected + slack) << what;
}

TEST(Devinfo, AnswersEveryQueryWordAndItsAbbreviations) {
    Tree tree;
    tree.file("X.DAT");
    const fs::space_info space = fs::space(os_path(tree.root()));
    const unsigned free_blocks = expected_blocks(space.available);
    const unsigned total_blocks = expected_blocks(space.capacity);
    ASSERT_GT(total_blocks, 0u);

    struct Case {
        const char *query;
        bool total;
    };
    const Case cases[] = {
        {"FREE", false}, {"FREEBLOCKS", false}, {"free", false},      {"FreeB", false},
        {"AVAI", false}, {"AVAILABLE", false},  {"available", false}, {"AVAILABLEBLOCKS", false},
        {"MAX", true},   {"maxblocks", true},   {"/MAX", true},
    };
    const std::string spec = tree.at("X.DAT");
    for (const Case &c : cases) {
        zrl_error = 7;
        const unsigned blocks = devinfo(spec.c_str(), c.query);
        EXPECT_EQ(zrl_error, 7) << c.query << ": a reading leaves the status alone";
        if (c.total)
            EXPECT_EQ(blocks, total_blocks) << c.query;
        else
            expect_near_blocks(blocks, free_blocks, c.query);
        EXPECT_LE(blocks, total_blocks) << c.query;
    }
}

TEST(Devinfo, RefusesWordsTheQueryTableDoesNotHold) {
    Tree tree;
    const std::string spec = tree.at("X.DAT");
    for (const char *query : {"SIZE", "FRE", "AVA", "MA", "FREEBLOCKSX", "MAXIMUM", "", "7"}) {
        zrl_error = 0;
        EXPECT_EQ(devinfo(spec.c_str(), query), 0u) << query;
        EXPECT_EQ(zrl_error, 22) << query;
    }
    zrl_error = 0;
    EXPECT_EQ(devinfo(spec.c_str(), nullptr), 0u);
    EXPECT_EQ(zrl_error, 22);
}

TEST(Devinfo, WithoutADeviceReportsOnTheCurrentDirectory) {
    Tree tree;
    InDirectory here(tree.root());
    const unsigned total = expected_blocks(fs::space(os_path(tree.root())).capacity);
    for (const char *spec : {"", "X.DAT", "*.*"})
        EXPECT_EQ(devinfo(spec, "MAX"), total) << spec;
    EXPECT_EQ(devinfo(nullptr, "MAX"), total);
}

TEST(Devinfo, ReportsTheFileSystemOfTheNamedPlace) {
    Tree tree;
    tree.dir("sub");
    const unsigned total = expected_blocks(fs::space(os_path(tree.root())).capacity);
    EXPECT_EQ(devinfo((tree.at("sub") + kSep).c_str(), "MAX"), total);
    if (kWindows) {
        // The drive of the specification, whatever its directory.
        const std::string drive = tree.root().substr(0, 2);
        EXPECT_EQ(devinfo((drive + "\\nowhere\\x.dat").c_str(), "MAX"), total);
        EXPECT_EQ(devinfo(drive.c_str(), "MAX"), total);
    }
#ifndef _WIN32
    // Another file system, where the machine has one.
    std::error_code none;
    if (fs::is_directory("/dev/shm", none)) {
        const fs::space_info shm = fs::space("/dev/shm");
        EXPECT_EQ(devinfo("/dev/shm/x.dat", "MAX"), expected_blocks(shm.capacity));
    }
#endif
}

TEST(Devinfo, CannotReadTheSpaceOfADeviceThatIsNoDrive) {
    Tree tree;
    // Logical names are not translated: the device must be a drive.
    define("ZRLT_FOPS_DEVLOG", tree.root());
    for (const char *spec : {"ZRLT_FOPS_DEVLOG:X.DAT", "NOSUCHDEVICE:X.DAT", "\\\\SRV\\SHARE\\X"}) {
        zrl_error = 9;
        EXPECT_EQ(devinfo(spec, "FREE"), kUnknownSpace) << spec;
        EXPECT_EQ(devinfo(spec, "MAX"), kUnknownSpace) << spec;
        EXPECT_EQ(zrl_error, 9) << spec;
    }
}

// ---- setdir ----

TEST(Setdir, ChangesToAnExistingDirectoryAndReportsItWithAFinalSeparator) {
    Tree tree;
    tree.dir("sub/inner");
    KeepDirectory keep;
    ASSERT_LT(tree.root().size() + 10, 79u) << "the test needs a short temporary directory";

    struct Case {
        std::string path;     // what setdir is given
        std::string expected; // the directory it reports
    };
    const Case cases[] = {
        {tree.root(), tree.root() + kSep},
        {tree.at("sub") + kSep, tree.at("sub") + kSep},
        {"inner", tree.at("sub/inner") + kSep},
        {"..", tree.at("sub") + kSep},
        {native("../sub/inner/"), tree.at("sub/inner") + kSep},
        {"", tree.at("sub/inner") + kSep},
        {tree.at("no/such/dir"), tree.at("sub/inner") + kSep},
    };
    for (const Case &c : cases) {
        GuardedBuffer buffer(81);
        std::copy(c.path.begin(), c.path.end(), buffer.data());
        buffer.data()[c.path.size()] = '\0';
        const int n = setdir(buffer.data());
        EXPECT_EQ(buffer.text(), c.expected) << c.path;
        EXPECT_EQ(n, static_cast<int>(c.expected.size())) << c.path;
        EXPECT_TRUE(buffer.untouched_from(std::max<int>(n, static_cast<int>(c.path.size())) + 1))
            << c.path;
        EXPECT_EQ(current_directory() + (kWindows ? "\\" : "/"), c.expected) << c.path;
    }
}

TEST(Setdir, TakesANameEndingWithAColonAsTheRootOfThatDevice) {
    KeepDirectory keep;
    char buffer[81];
    if (kWindows) {
        const std::string drive = current_directory().substr(0, 2);
        std::snprintf(buffer, sizeof buffer, "%s", drive.c_str());
        EXPECT_EQ(setdir(buffer), 3);
        EXPECT_EQ(std::string(buffer), drive + "\\");
    } else {
        // No drives here: 'D:' is the directory 'D:/', below the current one.
        Tree tree;
        tree.dir("D:");
        InDirectory here(tree.root());
        std::snprintf(buffer, sizeof buffer, "D:");
        const std::string expected = tree.at("D:") + "/";
        EXPECT_EQ(setdir(buffer), static_cast<int>(expected.size()));
        EXPECT_EQ(std::string(buffer), expected);
    }
}

TEST(Setdir, GivesNothingWhenTheCurrentDirectoryIsTooLongToReport) {
    Tree tree;
    std::string deep = "d123456789";
    while (tree.at(deep).size() < 100)
        deep += "/d123456789";
    tree.dir(deep);
    KeepDirectory keep;

    // Changing there succeeds, but the report does not fit in 79 characters.
    GuardedBuffer buffer(81);
    const std::string target = tree.at(deep);
    ASSERT_LT(target.size(), 200u);
    GuardedBuffer big(256);
    std::copy(target.begin(), target.end(), big.data());
    big.data()[target.size()] = '\0';
    EXPECT_EQ(setdir(big.data()), 0);
    EXPECT_EQ(big.text(), "");
    EXPECT_EQ(current_directory(), target);

    buffer.data()[0] = '\0';
    EXPECT_EQ(setdir(buffer.data()), 0);
    EXPECT_EQ(buffer.text(), "");
    EXPECT_TRUE(buffer.untouched_from(1));

    // A directory of exactly 79 characters still fits, with its separator.
    std::string edge = tree.root() + kSep;
    if (edge.size() < 79) {
        edge.resize(79, 'e');
        fs::create_directories(os_path(edge));
        std::copy(edge.begin(), edge.end(), big.data());
        big.data()[edge.size()] = '\0';
        EXPECT_EQ(setdir(big.data()), 80);
        EXPECT_EQ(big.text(), edge + kSep);
    }
}

// ---- fdelete ----

TEST(Fdelete, DeletesOneMatchPerCallUntilNoneIsLeft) {
    Tree tree;
    for (const char *f : {"A.TMP", "B.TMP", "C.TMP", "KEEP.TXT", "TMP.DAT"})
        tree.file(f);
    InDirectory here(tree.root());

    int deleted = 0;
    for (int call = 0; call < 10; ++call) {
        zrl_error = 99;
        const int status = fdelete("*.TMP");
        EXPECT_EQ(zrl_error, status);
        if (status != 0) {
            EXPECT_EQ(status, 22);
            break;
        }
        ++deleted;
    }
    EXPECT_EQ(deleted, 3);
    for (const char *f : {"A.TMP", "B.TMP", "C.TMP"})
        EXPECT_FALSE(tree.exists(f)) << f;
    EXPECT_TRUE(tree.exists("KEEP.TXT"));
    EXPECT_TRUE(tree.exists("TMP.DAT"));
}

TEST(Fdelete, FindsTheFileByRelativeFullAndPercentNames) {
    Tree tree;
    for (const char *f : {"sub/ONE.DAT", "TWO.DAT", "FILE1.LIS", "FILE12.LIS"})
        tree.file(f);
    InDirectory here(tree.root());

    EXPECT_EQ(fdelete(native("sub/ONE.DAT").c_str()), 0);
    EXPECT_FALSE(tree.exists("sub/ONE.DAT"));
    EXPECT_EQ(fdelete(tree.at("TWO.DAT").c_str()), 0);
    EXPECT_FALSE(tree.exists("TWO.DAT"));
    EXPECT_EQ(fdelete("FILE%.LIS"), 0);
    EXPECT_FALSE(tree.exists("FILE1.LIS"));
    EXPECT_EQ(fdelete("FILE%.LIS"), 22);
    EXPECT_TRUE(tree.exists("FILE12.LIS"));
}

TEST(Fdelete, DeleteLoopWorksThroughEveryDirectoryOfASearchList) {
    Tree tree;
    for (const char *f : {"a/X.LIS", "a/Y.LIS", "a/KEEP.TXT", "b/Z.LIS", "b/KEEP.TXT"})
        tree.file(f);
    define("ZRLT_FOPS_DEL", tree.at("a") + "," + tree.at("b"));

    // The first directory's matches go first.
    EXPECT_EQ(fdelete("ZRLT_FOPS_DEL:*.LIS"), 0);
    EXPECT_EQ(fdelete("ZRLT_FOPS_DEL:*.LIS"), 0);
    EXPECT_FALSE(tree.exists("a/X.LIS"));
    EXPECT_FALSE(tree.exists("a/Y.LIS"));
    EXPECT_TRUE(tree.exists("b/Z.LIS"));
    EXPECT_EQ(fdelete("ZRLT_FOPS_DEL:*.LIS"), 0);
    EXPECT_FALSE(tree.exists("b/Z.LIS"));
    EXPECT_EQ(fdelete("ZRLT_FOPS_DEL:*.LIS"), 22);
    EXPECT_EQ(zrl_error, 22);
    EXPECT_TRUE(tree.exists("a/KEEP.TXT"));
    EXPECT_TRUE(tree.exists("b/KEEP.TXT"));
}

TEST(Fdelete, ReportsWhatCannotBeDeleted) {
    Tree tree;
    tree.dir("SUB.DIR");
    tree.file("SUB.DIR/INNER.TXT");
    InDirectory here(tree.root());

    struct Case {
        const char *spec;
        int status;
    };
    const Case cases[] = {
        {"MISSING.TXT", 22},
        {"*.NONE", 22},
        {"ZRLT_FOPS_UNDEFINED_LOG:X.TXT", 22},
        {"", 22},
        // A directory resolves to a name with a final separator, which remove
        // refuses with the runtime's number for denied access.
        {"SUB.DIR", EACCES},
        {"SUB.*", EACCES},
    };
    for (const Case &c : cases) {
        zrl_error = 0;
        EXPECT_EQ(fdelete(c.spec), c.status) << c.spec;
        EXPECT_EQ(zrl_error, c.status) << c.spec;
    }
    zrl_error = 0;
    EXPECT_EQ(fdelete(nullptr), 22);
    EXPECT_TRUE(tree.exists("SUB.DIR/INNER.TXT"));
}

// ---- frename ----

TEST(Frename, RenamesInTheCurrentDirectory) {
    Tree tree;
    tree.file("A.TXT", "alpha");
    InDirectory here(tree.root());

    zrl_error = 99;
    EXPECT_EQ(frename("A.TXT", "B.TXT"), 0);
    EXPECT_EQ(zrl_error, 0);
    EXPECT_FALSE(tree.exists("A.TXT"));
    EXPECT_EQ(tree.content("B.TXT"), "alpha");

    // The old name may be a wildcard (its first match) or a full path; the
    // new one is taken from the current directory when it has no directory.
    tree.file("sub/ONLY1.DAT", "one");
    EXPECT_EQ(frename(native("sub/ONLY*.DAT").c_str(), "MOVED.DAT"), 0);
    EXPECT_EQ(tree.content("MOVED.DAT"), "one");
    EXPECT_EQ(frename(tree.at("MOVED.DAT").c_str(), native("sub/BACK.DAT").c_str()), 0);
    EXPECT_EQ(tree.content("sub/BACK.DAT"), "one");
}

TEST(Frename, ReportsFailuresWithTheRuntimesErrorNumbers) {
    Tree tree;
    tree.file("A.TXT", "alpha");
    tree.file("TAKEN.TXT", "taken");
    InDirectory here(tree.root());

    struct Case {
        const char *from;
        const char *to;
        int status;
    };
    const Case cases[] = {
        {"MISSING.TXT", "B.TXT", 22},
        {"*.NONE", "B.TXT", 22},
        {"ZRLT_FOPS_UNDEFINED_LOG:A.TXT", "B.TXT", 22},
        // The target exists: the file system's refusal, nothing replaced.
        {"A.TXT", "TAKEN.TXT", EEXIST},
        // The target's directory does not exist.
        {"A.TXT", "NODIR/B.TXT", ENOENT},
        // No new name: nothing to rename to.
        {"A.TXT", "", 22},
        {"A.TXT", "ZRLT_FOPS_UNDEFINED_LOG:", 22},
    };
    for (const Case &c : cases) {
        zrl_error = 0;
        const std::string to = native(c.to);
        EXPECT_EQ(frename(c.from, to.c_str()), c.status) << c.from << " -> " << c.to;
        EXPECT_EQ(zrl_error, c.status) << c.from << " -> " << c.to;
        EXPECT_EQ(tree.content("A.TXT"), "alpha") << c.from << " -> " << c.to;
        EXPECT_EQ(tree.content("TAKEN.TXT"), "taken");
    }
    EXPECT_EQ(frename(nullptr, "B.TXT"), 22);
    EXPECT_EQ(frename("A.TXT", nullptr), 22);
}

TEST(Frename, PutsANewNameWithALogicalDeviceIntoTheFirstDirectoryOfItsTranslation) {
    Tree tree;
    tree.dir("archive");
    tree.dir("old");
    tree.dir("sub");
    InDirectory here(tree.root());
    define("ZRLT_FOPS_ARCH", tree.at("archive") + "," + tree.at("old"));
    define("ZRLT_FOPS_SEP", tree.at("old") + kSep);
    define("ZRLT_FOPS_EMPTY", "");

    struct Case {
        std::string to;       // the new specification
        std::string lands_at; // where the file is then, below the tree
    };
    const Case cases[] = {
        {"ZRLT_FOPS_ARCH:A.BAK", "archive/A.BAK"},
        // A translation that ends with a separator gets no second one.
        {"ZRLT_FOPS_SEP:A.BAK", "old/A.BAK"},
        // A directory of the name's own replaces the translation's.
        {"ZRLT_FOPS_ARCH:" + native("sub/A.BAK"), "sub/A.BAK"},
        // A device without translation is dropped from the name.
        {"ZRLT_FOPS_NOTDEFINED:A.BAK", "A.BAK"},
        {"ZRLT_FOPS_EMPTY:A.BAK", "A.BAK"},
    };
    for (const Case &c : cases) {
        tree.file("A.TXT", "alpha");
        EXPECT_EQ(frename("A.TXT", c.to.c_str()), 0) << c.to;
        EXPECT_FALSE(tree.exists("A.TXT")) << c.to;
        EXPECT_EQ(tree.content(c.lands_at), "alpha") << c.to;
        fs::remove(os_path(tree.at(c.lands_at)));
    }
}

TEST(Frename, MovesAcrossTheDirectoriesOfASearchListDevice) {
    Tree tree;
    tree.file("a/KEEP.TXT", "keep");
    tree.file("b/REPORT.LIS", "report");
    define("ZRLT_FOPS_LIST", tree.at("a") + "," + tree.at("b"));

    // The old name is looked for in every directory of the list, the new one
    // goes to the first.
    EXPECT_EQ(frename("ZRLT_FOPS_LIST:REPORT.LIS", "ZRLT_FOPS_LIST:REPORT.OLD"), 0);
    EXPECT_FALSE(tree.exists("b/REPORT.LIS"));
    EXPECT_EQ(tree.content("a/REPORT.OLD"), "report");

    // And back into the second directory by its own name.
    EXPECT_EQ(frename("ZRLT_FOPS_LIST:*.OLD", tree.at("b/REPORT.LIS").c_str()), 0);
    EXPECT_EQ(tree.content("b/REPORT.LIS"), "report");
    EXPECT_EQ(frename("ZRLT_FOPS_LIST:*.OLD", "X"), 22);
}

TEST(Frename, RefusesANewNameTooLongToHoldWhole) {
    Tree tree;
    tree.file("A.TXT", "alpha");
    InDirectory here(tree.root());
    define("ZRLT_FOPS_LONG", std::string(5000, 'x'));

    const std::string long_name(4200, 'n');
    for (const std::string &to : {long_name, std::string("ZRLT_FOPS_LONG:A.BAK")}) {
        zrl_error = 0;
        EXPECT_EQ(frename("A.TXT", to.c_str()), ENAMETOOLONG) << to.substr(0, 20);
        EXPECT_EQ(zrl_error, ENAMETOOLONG);
        EXPECT_EQ(tree.content("A.TXT"), "alpha");
    }
}

} // namespace
