// The opens, the create path with logical devices, the allocation check,
// backups, and the closes.
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <list>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#if defined(__linux__)
#include <cstdlib>
#include <fcntl.h>
#endif
#if !defined(_WIN32)
#include <sys/wait.h>
#include <unistd.h>
#endif
#include <utf8fs.h>
#include <zrlshared.h>

#include "fileio/record_files.h"
#include "support/tree.h"
#include "support/console.h"
#include "support/hooks.h"

namespace fs = std::filesystem;

namespace {

using zrl_test::first_byte;
using zrl_test::Tree;
using zrl_test::store_bytes;

// A logical name defined for one test and emptied afterwards.  The texts
// handed to the environment stay alive (and reachable) for the whole run, as
// the environment may keep using them.
class LogicalName {
  public:
    LogicalName(const char *name, const std::string &value) : name_(name) { define(value); }
    ~LogicalName() { define(""); }

  private:
    void define(const std::string &value) {
        static std::list<std::string> texts;
        texts.push_back(std::string(name_) + "=" + value);
        EXPECT_EQ(putenv_utf8(texts.back().c_str()), 0);
    }
    const char *name_;
};

bool same_file(const std::string &a, const std::string &b) {
    std::error_code ec;
    return fs::equivalent(a, b, ec);
}

// ---- Opening existing files and creating new ones ---------------------------

TEST(Fopenr, ReportsAMissingFileOrEndsTheProgramWhenGivenAMessage) {
    Tree dir("open_missing");
    zrl_error = 0;
    FDB *fdb = fopenr(nullptr, dir.at("none.txt").c_str(), nullptr, nullptr);
    ASSERT_NE(fdb, nullptr);
    EXPECT_EQ(fdb->handle, -1);
    EXPECT_EQ(zrl_error, 2);
    EXPECT_EQ(first_byte(fdb), 0xFFu);
    EXPECT_EQ(fdb->f_flags & ZRL_FDB_TEMPORARY_FDB, 0u) << "a null FDB is the caller's";
    fdbfree(fdb);

    // Given a message, the failed open ends the program.
    zrl_test::Hooks hooks;
    const std::string out = zrl_test::capture_stdout([&] {
        fdb = fopenr(nullptr, dir.at("none.txt").c_str(), nullptr, "cannot open report");
    });
    EXPECT_EQ(hooks.exits, std::vector<int>{4});
    EXPECT_NE(out.find(std::string(libmsg(2)) + "\n"), std::string::npos) << out;
    EXPECT_NE(out.find("?\?\?-cannot open report"), std::string::npos) << out;
    ASSERT_NE(fdb, nullptr);
    fdbfree(fdb);
}

struct ModeCase {
    const char *name;
    FDB *(*open)(const void *, const char *, const char *, const char *);
    std::uint32_t flags;   // the access and end-of-file bits after the open
    std::int32_t position; // of a 10-byte file
    bool output_area;      // endptr at bufptr + bufsize
    bool stores;           // a stored byte reaches the file
    const char *after;     // the file after storing 'Z' and closing; null: gone
};

TEST(Opens, SetTheAccessOfTheirMode) {
    constexpr std::uint32_t kAccess = ZRL_FDB_READ | ZRL_FDB_WRITE | ZRL_FDB_EOF;
    const ModeCase cases[] = {
        {"fopenr", fopenr, ZRL_FDB_READ, 0, false, false, "0123456789"},
        {"fopenu", fopenu, ZRL_FDB_READ | ZRL_FDB_WRITE, 0, false, false, "0123456789"},
        {"fopena", fopena, ZRL_FDB_WRITE | ZRL_FDB_EOF, 10, true, true, "0123456789Z"},
        {"fopenw", fopenw, ZRL_FDB_WRITE | ZRL_FDB_EOF, 0, true, true, "Z"},
        {"fopent", fopent, ZRL_FDB_WRITE | ZRL_FDB_EOF, 0, true, true, nullptr},
    };
    for (const ModeCase &c : cases) {
        SCOPED_TRACE(c.name);
        Tree dir("open_modes");
        dir.file("f.bin", "0123456789");
        FDB *fdb = fdballoc();
        // Left-overs of an earlier use that every open clears.
        fdb->f_flags |= ZRL_FDB_EOF | ZRL_FDB_DELETE | ZRL_FDB_UNWRITTEN | ZRL_FDB_TERMINAL;
        zrl_error = 99;
        ASSERT_EQ(c.open(fdb, dir.at("f.bin").c_str(), nullptr, nullptr), fdb);
        ASSERT_GE(fdb->handle, 0);
        EXPECT_EQ(zrl_error, 0);
        EXPECT_EQ(fdb->f_flags & kAccess, c.flags);
        EXPECT_EQ(fdb->f_flags & (ZRL_FDB_DELETE | ZRL_FDB_UNWRITTEN | ZRL_FDB_TERMINAL), 0u);
        EXPECT_EQ(fdb->position, c.position);
        EXPECT_EQ(fdb->datptr, fdb->bufptr);
        EXPECT_EQ(fdb->endptr - fdb->bufptr, c.output_area ? fdb->bufsize : 0);
        if (c.stores) store_bytes(fdb, "Z");
        EXPECT_EQ(fclosx(fdb), 0);
        EXPECT_EQ(fdb->handle, -1);
        EXPECT_EQ(first_byte(fdb), 0xFFu);
        if (c.after != nullptr)
            EXPECT_EQ(dir.content("f.bin"), c.after);
        else
            EXPECT_FALSE(dir.exists("f.bin")) << "a temporary file goes at its close";
        fdbfree(fdb);
    }
}

// A create through a logical device makes its file in the first directory of
// the translation (@ stands for the scratch directory); an undefined device
// and, where there are no drives, a one-letter device are part of the name,
// which is created in the current directory.  Nothing else appears.
TEST(Fopenw, CreatesInTheFirstDirectoryOfALogicalDevice) {
    const struct {
        const char *device, *translation, *spec, *def;
        const char *created; // below the scratch directory; "=": filspc is the spec itself
    } cases[] = {
        {"ZRLOUTDEV", "@/dirA/,@/dirB", "ZRLOUTDEV:list.txt", nullptr, "dirA/list.txt"},
        {"ZRLOUTDEV", "@/dirA", "ZRLOUTDEV:list.txt", nullptr, "dirA/list.txt"},
        {"ZRLOUTDEV", "@/dirB,", "ZRLOUTDEV:list.txt", nullptr, "dirB/list.txt"},
        {"ZRLNOSUCH", "", "ZRLNOSUCH:list.txt", nullptr, "=list.txt"},
        {"ZRLOUTDEV", "", "report", ".lis", "=report.lis"}, // the default's type is merged
        {"C", zrl_test::kWindows ? nullptr : "@/dirA/", "C:x.txt", nullptr, "=C:x.txt"},
    };
    for (const auto &c : cases) {
        if (c.translation == nullptr) continue;
        SCOPED_TRACE(c.spec);
        Tree dir("open_logical");
        dir.dir("dirA");
        dir.dir("dirB");
        std::string value = c.translation;
        for (auto at = value.find('@'); at != std::string::npos; at = value.find('@'))
            value.replace(at, 1, dir.root());
        LogicalName out(c.device, value);
        const Tree::Snapshot before = dir.snapshot();
        zrl_test::InDirectory here(dir.root());
        FDB *fdb = fopenw(nullptr, c.spec, c.def, nullptr);
        ASSERT_GE(fdb->handle, 0) << zrl_error;
        const bool as_named = c.created[0] == '=';
        const std::string created = as_named ? c.created + 1 : c.created;
        if (as_named) {
            EXPECT_EQ(std::string(fdb->filspc), created);
        }
        EXPECT_TRUE(same_file(fdb->filspc, dir.at(created))) << fdb->filspc;
        fclosx(fdb);
        fdbfree(fdb);
        EXPECT_EQ(zrl_test::changes(before, dir.snapshot()), "+" + created);
    }
}

TEST(Opens, RefuseNamesThatDoNotFitTheirBuffers) {
    Tree dir("open_long");
    const std::string long_spec = dir.root() + "/" + std::string(5000, 'n') + ".txt";
    LogicalName huge("ZRLHUGEDEV", dir.root() + "/" + std::string(1100, 'd'));
    LogicalName fits("ZRLFITDEV", dir.root() + "/" + std::string(1000 - dir.root().size(), 'd'));
    const struct {
        const char *label;
        FDB *(*open)(const void *, const char *, const char *, const char *);
        std::string spec;
    } cases[] = {
        {"read, long path", fopenr, long_spec},
        {"read, long translation", fopenr, "ZRLHUGEDEV:" + std::string(3500, 'x') + ".txt"},
        {"create, long path", fopenw, long_spec},
        {"create, translation and name too long together", fopenw,
         "ZRLFITDEV:" + std::string(3500, 'x') + ".txt"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.label);
        FDB *fdb = c.open(nullptr, c.spec.c_str(), nullptr, nullptr);
        ASSERT_NE(fdb, nullptr);
        EXPECT_EQ(fdb->handle, -1);
        EXPECT_EQ(zrl_error, ENAMETOOLONG);
        EXPECT_EQ(first_byte(fdb), 0xFFu);
        fdbfree(fdb);
    }
    EXPECT_EQ(dir.listing(), "") << "nothing created under a shortened name";
}

#if !defined(_WIN32)
TEST(Fopenw, KeepsThePermissionsOfTheFileItReplaces) {
    Tree dir("open_perms");
    dir.file("p.txt", "old");
    fs::permissions(dir.at("p.txt"),
                    fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    FDB *fdb = fopenw(nullptr, dir.at("p.txt").c_str(), nullptr, nullptr);
    ASSERT_GE(fdb->handle, 0);
    fclosx(fdb);
    fdbfree(fdb);
    EXPECT_EQ(fs::status(dir.at("p.txt")).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

#endif

TEST(Fopenw, RefusesAnAllocationTheDeviceCannotHold) {
    Tree dir("open_alloc");
    dir.file("kept.txt", "kept");
    const struct {
        const char *attributes;
        const char *name;
    } cases[] = {
        {"A=2147483646", "new.txt"},
        {"ALLOCATED=-1", "new.txt"},
        {"A=-1/B", "kept.txt"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.attributes);
        FDB *fdb = fopenw(c.attributes, dir.at(c.name).c_str(), nullptr, nullptr);
        ASSERT_NE(fdb, nullptr);
        if (devinfo(dir.root().c_str(), "AVAILABLE") == 0x7FFFFFFFu) GTEST_SKIP() << "no space";
        EXPECT_EQ(zrl_error, 27);
        EXPECT_EQ(fdb->handle, -1);
        EXPECT_EQ(fclosx(fdb), 22) << "not open; released as made from text";
    }
    EXPECT_EQ(dir.listing(), "kept.txt") << "nothing created, no backup made";
    EXPECT_EQ(dir.content("kept.txt"), "kept");

    // A small request passes, whatever status an earlier call left.
    zrl_error = 27;
    FDB *fdb = fopenw("A=1", dir.at("small.txt").c_str(), nullptr, nullptr);
    ASSERT_GE(fdb->handle, 0);
    EXPECT_EQ(zrl_error, 0);
    EXPECT_EQ(fclosx(fdb), 0);
}

TEST(Opens, ReleaseAnFdbMadeFromAttributeTextAtItsClose) {
    Tree dir("open_text");
    FDB *fdb = nullptr;
    const std::string out = zrl_test::capture_stdout(
        [&] { fdb = fopenw("SEQ/XYZ", dir.at("t.txt").c_str(), nullptr, nullptr); });
    EXPECT_EQ(out, "FDBSET - Invalid keyword: SEQ/XYZ\n");
    ASSERT_GE(fdb->handle, 0);
    EXPECT_EQ(zrl_error, 0) << "the open's own result replaces the keyword's 22";
    EXPECT_EQ(fdb->f_flags & (ZRL_FDB_TEMPORARY_FDB | ZRL_FDB_SEQUENTIAL),
              ZRL_FDB_TEMPORARY_FDB | ZRL_FDB_SEQUENTIAL);
    store_bytes(fdb, "x");
    EXPECT_EQ(fclosx(fdb), 0); // and the record is gone (the leak checker would say)
    EXPECT_EQ(dir.content("t.txt"), "x");

    // A failed open from text leaves the FDB to the close, which releases it.
    fdb = fopenr("B", dir.at("none.txt").c_str(), nullptr, nullptr);
    ASSERT_NE(fdb, nullptr);
    EXPECT_EQ(fdb->handle, -1);
    EXPECT_EQ(fclosx(fdb), 22);
}

// An open given an FDB that is open already refuses it with 22 and leaves
// it as it was, whatever its first byte (the low byte of datptr) happens to
// be: here once as it comes, once the marker's 0xFF.
TEST(Opens, RefuseAnFdbThatIsOpenAlready) {
    for (const bool marker_byte : {false, true}) {
        SCOPED_TRACE(marker_byte);
        Tree dir("open_open");
        dir.file("a.txt", std::string(600, 'a'));
        dir.file("b.txt", "b");
        FDB *fdb = fopenr(nullptr, dir.at("a.txt").c_str(), nullptr, nullptr);
        ASSERT_GE(fdb->handle, 0);
        while (marker_byte && first_byte(fdb) != 0xFFu)
            ASSERT_EQ(fgetb(fdb), 'a');
        const std::vector<char> record(reinterpret_cast<const char *>(fdb),
                                       reinterpret_cast<const char *>(fdb + 1));
        const Tree::Snapshot before = dir.snapshot();
        for (auto open : {fopenr, fopenw}) {
            FDB *result = nullptr;
            EXPECT_EQ(zrl_test::capture_stdout(
                          [&] { result = open(fdb, dir.at("b.txt").c_str(), nullptr, nullptr); }),
                      "");
            EXPECT_EQ(result, fdb);
            EXPECT_EQ(zrl_error, 22);
            EXPECT_TRUE(
                std::equal(record.begin(), record.end(), reinterpret_cast<const char *>(fdb)));
        }
        EXPECT_EQ(zrl_test::changes(before, dir.snapshot()), "");
        EXPECT_EQ(fgetb(fdb), 'a') << "still reading its own file";
        EXPECT_EQ(fclosx(fdb), 0);
        fdbfree(fdb);
    }
}

TEST(Opens, FailWithNoResultWhenTheBufferCannotBeHad) {
    Tree dir("open_nobuffer");
    dir.file("r.txt", "r");
    FDB *fdb = fdballoc();
    fdb->bufsize = -1; // no allocator gives a buffer of this size
    EXPECT_EQ(fopenr(fdb, dir.at("r.txt").c_str(), nullptr, nullptr), nullptr);
    EXPECT_EQ(zrl_error, 12);
    EXPECT_EQ(fdb->handle, -1);
    EXPECT_EQ(first_byte(fdb), 0xFFu) << "the caller's FDB is left not open";
    EXPECT_EQ(fopenw(fdb, dir.at("w.txt").c_str(), nullptr, nullptr), nullptr);
    EXPECT_FALSE(dir.exists("w.txt"));
    fdbfree(fdb);
}

#if defined(__linux__)
// A pseudo-terminal stands in for the user's terminal.
TEST(Opens, MarkATerminalAndFillFromItALineAtATime) {
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) GTEST_SKIP() << "no pty";
    const std::string name = ptsname(master);
    FDB *fdb = fopenu(nullptr, name.c_str(), nullptr, nullptr);
    ASSERT_GE(fdb->handle, 0);
    EXPECT_NE(fdb->f_flags & ZRL_FDB_TERMINAL, 0u);
    EXPECT_EQ(fdbinfo(fdb, "TERMINAL"), 0x0100);

    // One typed line fills the buffer; the fill does not wait for more.  The
    // alarm ends the test program instead of letting a regression hang it.
    ASSERT_EQ(write(master, "line\n", 5), 5);
    alarm(20);
    fflushx(fdb);
    EXPECT_EQ(zrl_error, 0) << "no seek is tried on a terminal";
    ASSERT_EQ(fdb->endptr - fdb->bufptr, 5);
    EXPECT_EQ(std::string(fdb->bufptr, 5), "line\n");
    EXPECT_EQ(fclosx(fdb), 0) << "the close reads nothing more from the terminal";
    alarm(0);

    // Written lines reach the terminal, and the position counts them.
    ASSERT_GE(fopenw(fdb, name.c_str(), nullptr, nullptr)->handle, 0);
    zrl_test::store_bytes(fdb, "hi\n");
    fflushx(fdb);
    EXPECT_EQ(zrl_error, 0);
    EXPECT_EQ(fdb->position, 3);
    // The terminal echoed the typed line first.
    std::string shown;
    alarm(20);
    while (shown.find("hi") == std::string::npos) {
        char chunk[64];
        const auto n = read(master, chunk, sizeof chunk);
        if (n <= 0) break;
        shown.append(chunk, static_cast<std::size_t>(n));
    }
    alarm(0);
    EXPECT_NE(shown.find("hi"), std::string::npos) << shown;
    EXPECT_EQ(fclosx(fdb), 0);
    fdbfree(fdb);
    close(master);
}
#endif

// ---- Closing ---------------------------------------------------------------

TEST(Fclosx, RefusesAnFdbThatIsNotOpen) {
    Tree dir("close_twice");
    EXPECT_EQ(fclosx(nullptr), 22);
    FDB *fdb = fdballoc();
    EXPECT_EQ(fclosx(fdb), 22) << "never opened";
    ASSERT_GE(fopenw(fdb, dir.at("c.txt").c_str(), nullptr, nullptr)->handle, 0);
    EXPECT_EQ(fclosx(fdb), 0);
    EXPECT_EQ(fclosx(fdb), 22) << "closed already";
    EXPECT_EQ(zrl_error, 22);
    EXPECT_EQ(fdbinfo(fdb, "STREAM"), 1) << "a null FDB of the open is still the caller's";
    fdbfree(fdb);
}

TEST(Fcldelete, DeletesTheFileAndFclrenameRenamesIt) {
    Tree dir("close_delete");
    FDB *fdb = fopenw(nullptr, dir.at("d.txt").c_str(), nullptr, nullptr);
    ASSERT_GE(fdb->handle, 0);
    store_bytes(fdb, "abc");
    EXPECT_EQ(fcldelete(fdb), 0);
    EXPECT_EQ(fdb->handle, -1);
    EXPECT_EQ(dir.listing(), "");
    EXPECT_EQ(fcldelete(fdb), 22) << "not open";

    // A temporary file is gone already: deleting it is no failure.
    ASSERT_GE(fopent(fdb, dir.at("t.txt").c_str(), nullptr, nullptr)->handle, 0);
    EXPECT_EQ(fcldelete(fdb), 0);
    EXPECT_EQ(dir.listing(), "");

    ASSERT_GE(fopenw(fdb, dir.at("old.tmp").c_str(), nullptr, nullptr)->handle, 0);
    store_bytes(fdb, "data");
    EXPECT_EQ(fclrename(fdb, dir.at("new").c_str(), ".dat"), 0);
    EXPECT_EQ(dir.listing(), "new.dat");
    EXPECT_EQ(dir.content("new.dat"), "data");
    EXPECT_EQ(fclrename(fdb, dir.at("other").c_str(), ".dat"), 22) << "not open";
    EXPECT_EQ(dir.listing(), "new.dat");

    // A new name too long to hold closes the file under its old name.
    ASSERT_GE(fopena(fdb, dir.at("new.dat").c_str(), nullptr, nullptr)->handle, 0);
    EXPECT_EQ(fclrename(fdb, std::string(5000, 'n').c_str(), ".dat"), ENAMETOOLONG);
    EXPECT_EQ(fdb->handle, -1);
    EXPECT_EQ(dir.listing(), "new.dat");
    fdbfree(fdb);
}

TEST(Fcleof, ClosesWithItsNotice) {
    const struct {
        const char *label;
        int (*close)(FDB *);
        const char *notice;
    } cases[] = {
        {"fcleof", fcleof, "FCLEOF: new file i/o executes FCLOSX instead of FCLEOF.\n"},
        {"fclspool", fclspool, "FCLSPOOL: new file i/o executes FCLOSX instead of FCLSPOOL.\n"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.label);
        Tree dir("close_notice");
        FDB *fdb = fopenw(nullptr, dir.at("n.txt").c_str(), nullptr, nullptr);
        store_bytes(fdb, "n");
        int result = -2;
        const std::string out = zrl_test::capture_stdout([&] { result = c.close(fdb); });
        EXPECT_EQ(out, c.notice);
        EXPECT_EQ(result, 0);
        EXPECT_EQ(dir.content("n.txt"), "n");
        EXPECT_EQ(zrl_test::capture_stdout([&] { result = c.close(fdb); }), c.notice);
        EXPECT_EQ(result, 22);
        fdbfree(fdb);
    }
}

// ---- Backups ---------------------------------------------------------------

// One FDB through every way a backup ends: a close drops it, fcldelete puts
// it back, and a reused FDB makes a backup of its own again each time.
TEST(Backup, KeepsThePreviousVersionUntilTheCloseAndRestoresItOnDelete) {
    Tree dir("backup_close");
    dir.file("R.TXT", "old");
    FDB *fdb = fdbset(nullptr, "B");
    ASSERT_GE(fopenw(fdb, dir.at("R.TXT").c_str(), nullptr, nullptr)->handle, 0);
    EXPECT_TRUE(same_file(fdb->bakspc, dir.at("R_TXT.bak"))) << fdb->bakspc;
    EXPECT_EQ(dir.listing(), "R.TXT R_TXT.bak");
    EXPECT_EQ(dir.content("R_TXT.bak"), "old");
    EXPECT_EQ(dir.content("R.TXT"), "");
    store_bytes(fdb, "new");
    EXPECT_EQ(fclosx(fdb), 0);
    EXPECT_EQ(dir.listing(), "R.TXT");
    EXPECT_EQ(dir.content("R.TXT"), "new");

    // Deleting the new file brings the backup back, as often as the FDB is
    // used again.
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        ASSERT_GE(fopenw(fdb, dir.at("R.TXT").c_str(), nullptr, nullptr)->handle, 0);
        EXPECT_EQ(dir.listing(), "R.TXT R_TXT.bak");
        EXPECT_EQ(dir.content("R_TXT.bak"), "new");
        store_bytes(fdb, "newer");
        EXPECT_EQ(fcldelete(fdb), 0);
        EXPECT_EQ(dir.listing(), "R.TXT");
        EXPECT_EQ(dir.content("R.TXT"), "new");
    }
    fdbfree(fdb);
}

// The backup lies beside the file, the dots of its name and type made '_'
// (not those of its directory), under the first free name counted up from
// ".bak"; without a free name the create fails and the old file stays; with
// no file there is nothing to keep.  While the new file is open exactly the
// file and its backup have changed, and fcldelete puts everything back.
TEST(Backup, TakesTheNextFreeNameBesideTheFile) {
    const struct {
        const char *file;
        std::vector<std::string> taken;
        const char *chosen; // empty: the create fails; null: there is no file
    } cases[] = {
        {"R.TXT", {}, "R_TXT.bak"},
        {"R.TXT", {"R_TXT.bak"}, "R_TXT.bal"},
        {"R.TXT", {"R_TXT.bak", "R_TXT.bal"}, "R_TXT.bbl"},
        {"R.TXT", {"R_TXT.bak", "R_TXT.bal", "R_TXT.bbl"}, "R_TXT.cbl"},
        {"R.TXT", {"R_TXT.bak", "R_TXT.bal", "R_TXT.bbl", "R_TXT.cbl"}, ""},
        {"R.TXT", {"R_TXT.bal"}, "R_TXT.bak"},
        {"v1.2/R.TXT", {}, "v1.2/R_TXT.bak"},
        {"d/a.b.c", {}, "d/a_b_c.bak"},
        {"R.TXT", {"R_TXT.bak"}, nullptr},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.file) + " " + (c.chosen ? c.chosen : "(no file)"));
        Tree dir("backup_names");
        dir.dir("v1.2");
        dir.dir("d");
        if (c.chosen != nullptr) dir.file(c.file, "old");
        for (const std::string &name : c.taken)
            dir.file(name, "taken");
        const Tree::Snapshot before = dir.snapshot();
        FDB *fdb = fopenw("B", dir.at(c.file).c_str(), nullptr, nullptr);
        if (c.chosen != nullptr && c.chosen[0] == '\0') {
            EXPECT_EQ(fdb->handle, -1);
            EXPECT_EQ(zrl_error, EEXIST);
            EXPECT_EQ(zrl_test::changes(before, dir.snapshot()), "");
            EXPECT_EQ(fclosx(fdb), 22);
            continue;
        }
        ASSERT_GE(fdb->handle, 0);
        if (c.chosen == nullptr) {
            EXPECT_STREQ(fdb->bakspc, "");
            EXPECT_EQ(zrl_test::changes(before, dir.snapshot()), std::string("+") + c.file);
        } else {
            EXPECT_TRUE(same_file(fdb->bakspc, dir.at(c.chosen))) << fdb->bakspc;
            EXPECT_EQ(dir.content(c.chosen), "old");
            EXPECT_EQ(zrl_test::changes(before, dir.snapshot()),
                      std::string("*") + c.file + " +" + c.chosen);
        }
        EXPECT_EQ(fcldelete(fdb), 0);
        EXPECT_EQ(zrl_test::changes(before, dir.snapshot()), "");
    }
}

// A backup that cannot be made fails the create with its status and leaves
// everything as it was.  The rename is stopped by a directory that the
// creating program may not write: run in a child that gives up root's rights
// (a directory's permissions do not stop root).  The child reports the
// open's status as its exit code.
#if !defined(_WIN32)
int create_without_rights(const std::string &path) {
    const pid_t child = fork();
    if (child < 0) return -1;
    if (child == 0) {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(200);
        FDB *fdb = fopenw("B", path.c_str(), nullptr, nullptr);
        _exit(fdb == nullptr ? 201 : fdb->handle >= 0 ? 202 : zrl_error);
    }
    int status = 0;
    if (waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}
#endif

TEST(Backup, ThatCannotBeMadeFailsTheCreateAndKeepsTheOldFile) {
#if !defined(_WIN32)
    {
        SCOPED_TRACE("the rename is refused");
        Tree dir("backup_refused");
        dir.file("ro/R.TXT", "old");
        // Anyone may write the file, nobody but its owner the directory.
        fs::permissions(dir.at("ro/R.TXT"), fs::perms::owner_read | fs::perms::owner_write |
                                                fs::perms::group_read | fs::perms::group_write |
                                                fs::perms::others_read | fs::perms::others_write);
        fs::permissions(dir.at("ro"), fs::perms::owner_all | fs::perms::group_read |
                                          fs::perms::group_exec | fs::perms::others_read |
                                          fs::perms::others_exec);
        fs::permissions(dir.root(), fs::perms::others_exec | fs::perms::others_read,
                        fs::perm_options::add);
        const Tree::Snapshot before = dir.snapshot();
        const int status = create_without_rights(dir.at("ro/R.TXT"));
        if (status == 200) GTEST_SKIP() << "cannot give up root's rights";
        EXPECT_EQ(status, EACCES);
        EXPECT_EQ(zrl_test::changes(before, dir.snapshot()), "");
    }
#endif
    {
        SCOPED_TRACE("the backup name is too long");
        Tree dir("backup_long");
        // A file whose name fits while the four characters more of its
        // backup name do not.
        const std::size_t target = ZRL_FDB_SPEC - 4;
        std::string path = dir.root();
        while (path.size() + 1 + 200 + 1 + 5 < target)
            path += zrl_test::kSep + std::string(200, 'd');
        path += zrl_test::kSep + std::string(target - path.size() - 1 - 5 - 1, 'e');
        path += zrl_test::kSep + std::string("R.TXT");
        ASSERT_EQ(path.size(), target);
        std::error_code ec;
        fs::create_directories(zrl_test::os_path(path).parent_path(), ec);
        if (ec) GTEST_SKIP() << "no paths this long here";
        zrl_test::write_file(path, "old");
        const Tree::Snapshot before = dir.snapshot();
        FDB *fdb = fopenw("B", path.c_str(), nullptr, nullptr);
        EXPECT_EQ(fdb->handle, -1);
        EXPECT_EQ(zrl_error, ENAMETOOLONG);
        EXPECT_EQ(fclosx(fdb), 22);
        EXPECT_EQ(zrl_test::changes(before, dir.snapshot()), "");
    }
}

// The names that the library forms or finds itself (the file it replaces,
// its backup, the FDB's own file at fcldelete and fclrename) are acted on
// exactly: the pattern characters in them match no other file.
TEST(Backup, ActsOnExactlyTheNamesOfItsOwnFiles) {
    const std::vector<std::string> names =
        zrl_test::kWindows ? std::vector<std::string>{"a%b.txt"}
                           : std::vector<std::string>{"a?b.txt", "a%b.txt", "a*b.txt"};
    const struct {
        const char *label;
        const char *attributes;
        int (*close)(FDB *);
        const char *changed; // @ stands for the name
    } cases[] = {
        {"backup, close", "B", fclosx, "*@"},
        {"backup, fcldelete", "B", fcldelete, ""},
        {"fast transfer, close", "FA", fclosx, "*@"},
        {"fcldelete", "", fcldelete, "-@"},
        {"fclrename", "", nullptr, "-@ +renamed.txt"},
    };
    for (const std::string &name : names) {
        for (const auto &c : cases) {
            SCOPED_TRACE(name + ", " + c.label);
            Tree dir("exact_names");
            dir.file(name, "old");
            for (const char *decoy : {"axb.txt", "a!b.txt", "axb_txt.bak", "a!b_txt.bak",
                                      "a_b_txt.bak", "100x.txt"})
                dir.file(decoy, "decoy");
            const Tree::Snapshot before = dir.snapshot();
            FDB *fdb = fdbset(nullptr, c.attributes);
            ASSERT_GE(fopenw(fdb, dir.at(name).c_str(), nullptr, nullptr)->handle, 0);
            store_bytes(fdb, "new");
            if (c.close != nullptr)
                EXPECT_EQ(c.close(fdb), 0);
            else
                EXPECT_EQ(fclrename(fdb, dir.at("renamed.txt").c_str(), nullptr), 0);
            std::string expected = c.changed;
            if (const auto at = expected.find('@'); at != std::string::npos)
                expected.replace(at, 1, name);
            EXPECT_EQ(zrl_test::changes(before, dir.snapshot()), expected);
            fdbfree(fdb);
        }
    }
}

// A second name for the same file shows whether the create truncated the
// old file or deleted it and made a new one.
TEST(FastFileTransfer, DeletesTheOldFileBeforeTheCreate) {
    const struct {
        const char *attributes;
        const char *link_after;   // the content under the second name afterwards
        const char *listing_open; // while the new file is open
    } cases[] = {
        {"", "new", "L.TXT R.TXT"},
        {"FA", "old", "L.TXT R.TXT"},
        {"B", "old", "L.TXT R.TXT R_TXT.bak"},
        {"B/FA", "old", "L.TXT R.TXT R_TXT.bak"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.attributes);
        Tree dir("fast_transfer");
        dir.file("R.TXT", "old");
        std::error_code ec;
        fs::create_hard_link(dir.at("R.TXT"), dir.at("L.TXT"), ec);
        if (ec) GTEST_SKIP() << "no hard links here";
        FDB *fdb = fdbset(nullptr, c.attributes);
        ASSERT_GE(fopenw(fdb, dir.at("R.TXT").c_str(), nullptr, nullptr)->handle, 0);
        EXPECT_EQ(dir.listing(), c.listing_open);
        store_bytes(fdb, "new");
        EXPECT_EQ(fclosx(fdb), 0);
        EXPECT_EQ(dir.content("R.TXT"), "new");
        EXPECT_EQ(dir.content("L.TXT"), c.link_after);
        fdbfree(fdb);
    }
}

} // namespace
