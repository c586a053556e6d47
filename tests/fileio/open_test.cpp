// The opens and closes: what a create, a backup, an allocation request and
// each close do to the files of a scratch tree; logical devices; refusals;
// the ownership of FDBs; terminals; backups of writers that never get to
// their close; and the plain openers without FDB.
#include <cerrno>
#include <cstdint>
#include <filesystem>

#if !defined(_WIN32)
#include <cstdlib>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif
#include <utf8fs.h>

#include "fileio/record_files.h"
#include "support/hooks.h"

namespace fs = std::filesystem;

namespace {

using namespace zrl_test; // Joined as J, first_byte, Tree and its changes, Hooks

struct Scene {
    const char *attributes;
    std::string files, name; // the files hold "old"; "L=R": L is a second name of R; the
                             // name is opened with the default ".lis"; empty: skipped
    const char *while_open;  // the changes while the file is open; null: not checked
    int (*close)(FDB *);     // after storing "new"; null: fclrename to renamed.txt
    const char *after;       // the changes after the close
    int status = 0;          // of the open
    Opener open = fopenw;
};

// An open from attribute text in a tree that also holds the files a wrong
// resolution would hit, among them names that a pattern character ('@' in the
// table) of the file's own name would match; every change to the tree is
// stated.  Backups lie beside the file, the dots of its name and type made
// '_', under the first free name counted up from ".bak"; a close drops the
// backup, fcldelete puts it back.  A second name of the file shows whether a
// create truncated the old file or deleted it first (FAST_FILE_TRANSFER).  A
// create through a logical device makes its file in the first directory of
// the translation; an undefined device is dropped and the file created in
// the current directory.
// A status left over from before an open changes nothing.  Names that do not
// fit the FDB's or the open's buffers are refused, never cut: nothing is
// created under a shortened name.
TEST(Opens, ChangeExactlyTheFilesTheyAreMeantTo) {
    const std::string pattern = kWindows ? "a%b" : "a?b";
    const std::string n5000 = std::string(5000, 'n') + ".txt", x3500 = std::string(3500, 'x');
    // A name that fits while the four characters more of its backup name do
    // not, where paths this long can be made (every scene has the same root).
    const std::string root = Tree("scene").root();
    std::string deep;
    while (root.size() + deep.size() + 208 < ZRL_FDB_SPEC - 4)
        deep += std::string(200, 'd') + "/";
    deep += std::string(ZRL_FDB_SPEC - 11 - root.size() - deep.size(), 'e') + "/R.TXT";
    std::error_code too_long;
    fs::create_directories(os_path(Tree("scene").at(deep.substr(0, deep.rfind('/')))), too_long);
    if (too_long) deep.clear();
    const Scene scenes[] = {
        {"B", "R.TXT R_TXT.bak", "R.TXT", "*R.TXT +R_TXT.bal", fclosx, "*R.TXT"},
        {"B", "R.TXT R_TXT.bak R_TXT.bal", "R.TXT", "*R.TXT +R_TXT.bbl", fcldelete, ""},
        {"B", "R.TXT R_TXT.bak R_TXT.bal R_TXT.bbl R_TXT.cbl", "R.TXT", "", nullptr, "", EEXIST},
        {"B", "R.TXT R_TXT.bal", "R.TXT", "*R.TXT +R_TXT.bak", fcldelete, ""},
        {"B", "v1.2/R.TXT", "v1.2/R.TXT", "*v1.2/R.TXT +v1.2/R_TXT.bak", fcldelete, ""},
        {"B", "d/a.b.c", "d/a.b.c", "*d/a.b.c +d/a_b_c.bak", fclosx, "*d/a.b.c"},
        {"B", "R_TXT.bak", "R.TXT", "+R.TXT", fclosx, "+R.TXT"},
        {"B", "@.txt", "@.txt", "*@.txt +@_txt.bak", fclosx, "*@.txt"},
        {"B", "@.txt", "@.txt", "*@.txt +@_txt.bak", fcldelete, ""},
        {"FA", "@.txt", "@.txt", "*@.txt", fclosx, "*@.txt"},
        {"", "@.txt", "@.txt", "*@.txt", fcldelete, "-@.txt"},
        {"", "@.txt", "@.txt", "*@.txt", nullptr, "-@.txt +renamed.txt"},
        {"", "R.TXT L.TXT=R.TXT", "R.TXT", "*L.TXT *R.TXT", fclosx, "*L.TXT *R.TXT"},
        {"FA", "R.TXT L.TXT=R.TXT", "R.TXT", "*R.TXT", fclosx, "*R.TXT"},
        {"B", "R.TXT L.TXT=R.TXT", "R.TXT", "*R.TXT +R_TXT.bak", fclosx, "*R.TXT"},
        {"A=-1/B", "R.TXT", "R.TXT", "", nullptr, "", 27},
        {"", "", "none.txt", "", nullptr, "", 2, fopenr},
        {"", "", "t.txt", nullptr, fclosx, "", 0, fopent},
        {"", "", "ZRLOUTDEV:list.txt", "+dirA/list.txt", fclosx, "+dirA/list.txt"},
        {"", "", "ZRLNOSUCH:list.txt", "+list.txt", fclosx, "+list.txt"},
        {"", "", "report", "+report.lis", fclosx, "+report.lis"},
        {"", "", n5000, "", nullptr, "", ENAMETOOLONG},
        {"", "", "ZRLFITDEV:" + x3500 + ".txt", "", nullptr, "", ENAMETOOLONG},
        {"B", deep, deep, "", nullptr, "", ENAMETOOLONG},
    };
    const auto named = [&](std::string text) {
        for (auto at = text.find('@'); at != std::string::npos; at = text.find('@'))
            text.replace(at, 1, pattern);
        return text;
    };
    for (const Scene &s : scenes) {
        if (s.name.empty()) continue;
        const std::string name = named(s.name);
        SCOPED_TRACE(std::string(s.attributes) + " " + name.substr(0, 40));
        Tree dir("scene");
        const std::string &top = dir.root();
        define("ZRLFITDEV", top + "/" + std::string(1000 - top.size(), 'd'));
        define("ZRLOUTDEV", top + "/dirA/," + top + "/dirB");
        InDirectory here(top);
        for (const char *decoy : {"axb.txt", "a!b.txt", "axb_txt.bak", "a!b_txt.bak", "a_b_txt.bak",
                                  "dirA/list", "dirB/list"})
            dir.file(decoy, "decoy");
        std::istringstream files(s.files);
        std::error_code linked;
        for (std::string f; files >> f;) {
            if (const auto eq = f.find('='); eq != std::string::npos)
                fs::create_hard_link(os_path(dir.at(f.substr(eq + 1))),
                                     os_path(dir.at(f.substr(0, eq))), linked);
            else
                dir.file(named(f), "old");
        }
        if (linked) continue; // no second names here
        const std::string spec = name.find(':') == std::string::npos ? dir.at(name) : name;
        const Tree::Snapshot before = dir.snapshot();
        zrl_error = 27;
        FDB *fdb = s.open(s.attributes, spec.c_str(), ".lis", nullptr);
        ASSERT_NE(fdb, nullptr);
        if (s.status == 27 && devinfo(top.c_str(), "AVAILABLE") == 0x7FFFFFFFu) {
            fclosx(fdb); // the space cannot be read: nothing to refuse
            continue;
        }
        EXPECT_EQ(zrl_error, s.status);
        if (s.while_open != nullptr) {
            EXPECT_EQ(changes(before, dir.snapshot()), named(s.while_open));
        }
        if (fdb->handle < 0) {
            // Not open, marked, and released by the close as made from text.
            EXPECT_EQ((J() << first_byte(fdb) << fclosx(fdb)).str(), "255 22 ");
            continue;
        }
        EXPECT_EQ(fputm(fdb, "new", 3), 0);
        EXPECT_EQ(s.close ? s.close(fdb) : fclrename(fdb, dir.at("renamed.txt").c_str(), nullptr),
                  0);
        EXPECT_EQ(changes(before, dir.snapshot()), named(s.after));
    }
    for (const char *device : {"ZRLFITDEV", "ZRLOUTDEV"})
        define(device, "");
}

// Who owns an FDB: one made from text keeps the open's status, not the
// keyword's; the old closes close; the closes of an FDB that is not open
// refuse it.  (What every open clears, and the refused open of an FDB that is
// open, are checked by the record I/O model.)
TEST(Opens, OwnershipOfTheFdbAndTheClosesThatRefuse) {
    Tree dir("open_fdb");
    dir.file("f.bin", "0123456789");
    FDB *fdb = fdballoc();
    const std::uint32_t from_text = ZRL_FDB_TEMPORARY_FDB | ZRL_FDB_SEQUENTIAL;
    J got;
    capture_stdout([&] {
        FDB *text = fopenw("SEQ/XYZ", dir.at("t.txt").c_str(), nullptr, nullptr);
        got << zrl_error << (text->f_flags & from_text) << fcleof(text);
        ASSERT_GE(fopenw(fdb, dir.at("t.txt").c_str(), nullptr, nullptr)->handle, 0);
        got << fclspool(fdb) << fclspool(fdb) << fcldelete(fdb)
            << fclrename(fdb, dir.at("other").c_str(), ".dat");
    });
    EXPECT_EQ(got.str(), (J() << 0 << from_text << 0 << 0 << 22 << 22 << 22).str());
    // A new name too long to hold closes the file under its old name.
    ASSERT_GE(fopena(fdb, dir.at("t.txt").c_str(), nullptr, nullptr)->handle, 0);
    EXPECT_EQ((J() << fclrename(fdb, std::string(5000, 'n').c_str(), ".dat") << fdb->handle
                   << changes({}, dir.snapshot()))
                  .str(),
              (J() << ENAMETOOLONG << -1 << "+f.bin +t.txt").str());
    // Given a message, a failed open reports the status and ends the program.
    Hooks hooks;
    EXPECT_EQ(capture_stdout(
                  [&] { fopenr(fdb, dir.at("none.txt").c_str(), nullptr, "cannot open report"); }),
              std::string(libmsg(2)) + "\n?\?\?-cannot open report<exit 4>");
    fdbfree(fdb);
}

#if !defined(_WIN32)
// A create keeps the permissions of the file it replaces.  A create that
// fails after the backup was made (every descriptor in use, in a child) leaves
// everything as it was.  (What a writer that never gets to its close leaves
// behind, the old version under its backup name, is what the scenes above see
// while the file is open; the next create takes the next name, and its close
// removes only its own backup.)
TEST(Backup, KeepsPermissionsAndFailedCreatesChangeNothing) {
    Tree dir("backup_fail");
    dir.file("R.TXT", "version 1");
    const std::string path = dir.at("R.TXT");
    const auto perms = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
    fs::permissions(path, perms);
    EXPECT_EQ(fclosx(fopenw("B", path.c_str(), nullptr, nullptr)), 0);
    EXPECT_EQ(fs::status(path).permissions() & fs::perms::all, perms);
    const Tree::Snapshot before = dir.snapshot();
    const pid_t child = fork();
    if (child == 0) {
        const rlimit none{};
        if (setrlimit(RLIMIT_NOFILE, &none) != 0) _exit(200);
        _exit(fopenw("B", path.c_str(), nullptr, nullptr)->handle < 0 ? zrl_error : 0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status), EMFILE);
    EXPECT_EQ(changes(before, dir.snapshot()), "");
}
#endif

#if defined(__linux__)
// A pseudo-terminal stands in for the user's terminal: the open marks it, a
// line written reaches the device before fputstr returns, and one typed line
// fills the buffer without waiting for more.  The alarm ends the test program
// instead of letting a regression hang it.
TEST(Opens, MarkATerminalAndFillFromItALineAtATime) {
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) GTEST_SKIP() << "no pty";
    FDB *fdb = fopenw(nullptr, ptsname(master), nullptr, nullptr);
    ASSERT_GE(fdb->handle, 0);
    alarm(20);
    char shown[8] = {};
    EXPECT_EQ((J() << fdbinfo(fdb, "T") << fputstr(fdb, "abc") << read(master, shown, 7) << shown
                   << fclosx(fdb))
                  .str(),
              "256 3 5 abc\r\n 0 ");
    ASSERT_GE(fopenu(fdb, ptsname(master), nullptr, nullptr)->handle, 0);
    ASSERT_EQ(write(master, "line\n", 5), 5);
    fflushx(fdb); // no seek is tried on a terminal, and the close reads nothing more
    EXPECT_EQ((J() << zrl_error << std::string(fdb->bufptr, fdb->endptr) << fclosx(fdb)).str(),
              "0 line\n 0 ");
    alarm(0);
    fdbfree(fdb);
    close(master);
}
#endif

// The plain descriptor openers pass the caller's flags on (a sequential hint
// must not turn into the delete-at-close flag); the creates truncate and read
// as well.  An image-access FDB carries their descriptors.
TEST(PlainOpeners, PassTheCallersFlagsAndCreateTruncated) {
    Tree dir("plain");
    FDB *fdb = fdbset(nullptr, "IMAGE");
    J got;
    char text[8] = {};
    const decltype(&creatx_asc) creates[] = {creatx_asc, creatx_bin, creatx_asc_seq,
                                             creatx_bin_seq};
    const decltype(&open_asc) opens[] = {open_asc, open_bin, open_asc_seq, open_bin_seq};
    // Each create: written, read back, closed; each open: the size, closed;
    // then the file.
    for (int i = 0; i < 4; ++i) {
        dir.file("s.txt", "stream");
        fdb->handle = creates[i](dir.at("s.txt").c_str(), UTF8FS_O_WRONLY, 0644);
        got << fputblk(fdb, "xy", 2) << fsetblk(fdb, 1) << fgetblk(fdb, text, 8) << fclosx(fdb);
        fdb->handle = opens[i](dir.at("s.txt").c_str(), UTF8FS_O_SEQUENTIAL);
        got << fgeteof(fdb) << fclosx(fdb) << dir.content("s.txt");
    }
    fdbfree(fdb);
    EXPECT_EQ(got.str(), "2 0 2 0 2 0 xy 2 0 2 0 2 0 xy 2 0 2 0 2 0 xy 2 0 2 0 2 0 xy ");
}

} // namespace
