// Operations that act on real directories by name.  Every way of writing a
// name reaches the file it names and no other: each form of one file's name
// (native, written the Windows way, through a logical name whose translation
// uses either separator, with wildcards) is handed to each operation that
// takes a name, in a scratch tree that also holds the files a wrong
// resolution would hit; the whole tree is compared before and after.  Then
// what delete and rename do beyond finding their file, devinfo against the
// system's own account of the space, and setdir.
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "filespec/guarded.h"
#include "support/tree.h"
#include <utf8fs.h>
#include <zrlshared.h>

namespace {

namespace fs = std::filesystem;
using namespace zrl_test; // Tree, InDirectory, changes, native paths

// deflognam hands its "name=value" text to the environment for good; a
// replaced text is kept here so that the leak checker reports only real leaks.
void define(const std::string &name, const std::string &value) {
    static auto *replaced = new std::vector<const char *>;
    if (const char *old = getenv_utf8(name.c_str())) replaced->push_back(old);
    ASSERT_EQ(deflognam(name.c_str(), value.c_str()), 0) << name;
}

std::string with(char separator, std::string text) {
    std::replace(text.begin(), text.end(), separator == '/' ? '\\' : '/', separator);
    return text;
}

// Puts the tree back as the snapshot shows it.
void restore(const Tree &tree, const Tree::Snapshot &to) {
    std::error_code ignored;
    for (const auto &entry : tree.snapshot())
        if (to.count(entry.first) == 0) fs::remove_all(os_path(tree.at(entry.first)), ignored);
    for (const auto &[path, content] : to)
        if (content == "<dir>")
            tree.dir(path);
        else if (!tree.exists(path) || tree.content(path) != content)
            tree.file(path, content);
}

// The tree: the file everything below names, its neighbour, and the decoys.
// A pattern's device put in front of a found full path lands below the tree
// at the tree's own path again; a name cut short or a separator read in a
// file's name lands on the others.
struct DecoyTree {
    Tree tree{"resolve"};
    std::string below; // the tree's path without its root or drive, '\' written
    DecoyTree() {
        below = with('\\', tree.root().substr(kWindows ? 3 : 1));
        tree.file("data/a.txt", "target");
        tree.file("data/b.txt", "neighbour");
        tree.file(with('/', below) + "/data/a.txt", "decoy: the path doubled");
        tree.file("a.txt", "decoy: the current directory");
        tree.file("data/a.txt.bak", "decoy: a longer name");
        // Where a colon may be part of a name, a file in the current
        // directory can bear the very text of a logical name and its file.
        // Where there are no drives, a colon after one letter is part of a
        // name too, and a name may hold a backslash.
        if (!kWindows) {
            tree.file("ZRLT_RES_FWD:a.txt", "decoy: the logical name's text");
            tree.file("ZRLT_RES_ROOT:data/a.txt", "decoy: the logical name's text as a directory");
            tree.file("C:a.TXT", "named");
            tree.file("C:/a.TXT", "decoy: a directory named C:");
            tree.file("q\\b", "unreachable");
            tree.file("q/b", "decoy: what q\\b would name");
        }
        tree.file("ro.txt", "read-only");
        fs::permissions(os_path(tree.at("ro.txt")),
                        fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                        fs::perm_options::remove);
        const std::string root = tree.root();
        define("ZRLT_RES_FWD", with('/', root) + "/data/");
        define("ZRLT_RES_BACK", with('\\', root) + "\\data");
        define("ZRLT_RES_LIST", with('\\', root) + "\\none," + root + kSep + "data");
        define("ZRLT_RES_FIRST", root + kSep + "data," + root);
        define("ZRLT_RES_ROOT", root);
        define("ZRLT_RES_EMPTY", "");
        define("ZRLT_RES_LONG", std::string(5000, 'x'));
    }
};

struct Form {
    const char *what;
    std::string spec;
};

// The forms of the name of data/a.txt that the platform reads.
std::vector<Form> forms_of_target(const DecoyTree &d) {
    std::vector<Form> forms = {
        {"native", d.tree.at("data/a.txt")},
        {"native wildcard", d.tree.at("data/a.t?t")},
        {"native '%'", d.tree.at("data/a.t%t")},
        {"leading backslash", "\\" + d.below + "\\data\\a.txt"},
        {"leading backslash, wildcard", "\\" + d.below + "\\data\\a.?xt"},
        {"relative", native("data/a.txt")},
        {"relative wildcard", native("data/a.tx?")},
        {"logical, '/' translation", "ZRLT_RES_FWD:a.txt"},
        {"logical, '\\' translation", "ZRLT_RES_BACK:a.txt"},
        {"logical, '\\' translation, wildcard", "ZRLT_RES_BACK:a.t?t"},
        {"search list", "ZRLT_RES_LIST:a.txt"},
    };
    if (!kWindows) {
        // The Windows way of writing a POSIX path: every separator a
        // backslash, one or two in front.
        forms.push_back({"doubled leading backslash", "\\\\" + d.below + "\\data\\a.txt"});
        forms.push_back(
            {"doubled leading backslash, wildcard", "\\\\" + d.below + "\\data\\a*.txt"});
        forms.push_back({"mixed separators", "/" + d.below + "\\data/a.txt"});
        // Windows takes a path with a separator as it stands when it opens
        // (where this one names nothing); here its device is still a logical name.
        forms.push_back({"logical, then a directory", "ZRLT_RES_ROOT:data/a.txt"});
    }
    return forms;
}

TEST(NameResolution, EveryFormOfANameReachesThatFileAndNoOther) {
    DecoyTree d;
    InDirectory here(d.tree.root());
    const std::string target = full_path(d.tree.at("data/a.txt"));
    const Tree::Snapshot start = d.tree.snapshot();
    for (const Form &form : forms_of_target(d)) {
        SCOPED_TRACE(std::string(form.what) + ": " + form.spec);
        const char *spec = form.spec.c_str();
        char found[4097];
        EXPECT_GT(ffspec(found, spec, nullptr), 0);
        EXPECT_EQ(std::string(found), target);
        ZRL_SEARCH *context = fsinit(nullptr, spec, nullptr);
        EXPECT_GT(fsearch(context, found), 0);
        EXPECT_EQ(std::string(found), target);
        fsfree(context);
        // An open takes a path with a separator as it stands, wildcards and
        // all; every other name is looked up.
        if (form.spec.find_first_of("*?%") == std::string::npos) {
            FDB *fdb = fopenr(nullptr, spec, nullptr, nullptr);
            ASSERT_NE(fdb, nullptr);
            EXPECT_GT(fgetstr(fdb, found), 0);
            EXPECT_STREQ(found, "target");
            fclosx(fdb);
            fdbfree(fdb);
        }
        const struct {
            std::function<int()> run;
            std::string expected;
        } operations[] = {
            {[&] { return fdelete(spec); }, "-data/a.txt"},
            {[&] { return frename(spec, "moved.txt"); }, "-data/a.txt +moved.txt"},
        };
        for (const auto &op : operations) {
            EXPECT_EQ(op.run(), 0) << op.expected;
            EXPECT_EQ(changes(start, d.tree.snapshot()), op.expected);
            restore(d.tree, start);
        }
    }
}

// Each delete or rename changes exactly what it names and reports failures
// with the runtime's numbers, also in the status.  A new name goes where its
// own text says, written either way: a logical device to the first directory
// of its translation (with a separator put between unless it ends with one),
// unless the name has a directory of its own; a device without translation
// is dropped; a name too long to hold whole is refused, never cut.  Delete
// takes one match per call, the first directory of a search list first, and
// refuses directories and read-only files as the Windows runtime does.  A
// name with a backslash, where there are no drives, is passed over.
TEST(NameResolution, DeleteAndRenameChangeExactlyWhatTheyName) {
    DecoyTree d;
    InDirectory here(d.tree.root());
    const Tree::Snapshot start = d.tree.snapshot();
    const std::string b = native("data/b.t*"), n = native("data/n.txt");
    const std::string to_n = "-data/b.txt +data/n.txt";
    struct Row {
        std::string op, from, to; // "del2": two deletes
        int status;
        std::string changes;
    };
    std::vector<Row> rows = {
        {"ren", b, d.tree.at("data/n.txt"), 0, to_n},
        {"ren", b, "ZRLT_RES_BACK:n.txt", 0, to_n},
        {"ren", b, "ZRLT_RES_FWD:n.txt", 0, to_n},
        {"ren", b, "\\" + d.below + "\\data\\n.txt", 0, to_n},
        {"ren", b, "ZRLT_RES_FIRST:n.txt", 0, to_n},
        {"ren", b, "ZRLT_RES_ROOT:" + n, 0, to_n},
        {"ren", b, "ZRLT_RES_UNDEFINED:" + n, 0, to_n},
        {"ren", b, "ZRLT_RES_EMPTY:" + n, 0, to_n},
        {"ren", b, "n.txt", 0, "-data/b.txt +n.txt"},
        {"ren", "MISSING.TXT", "n.txt", 22, ""},
        {"ren", "ZRLT_RES_UNDEFINED:a.txt", "n.txt", 22, ""},
        {"ren", b, native("data/a.txt"), EEXIST, ""},
        {"ren", b, native("none/n.txt"), ENOENT, ""},
        {"ren", b, "", 22, ""},
        {"ren", b, "ZRLT_RES_UNDEFINED:", 22, ""},
        {"ren", b, "(null)", 22, ""},
        {"ren", b, std::string(4200, 'n'), ENAMETOOLONG, ""},
        {"ren", b, "ZRLT_RES_LONG:n.txt", ENAMETOOLONG, ""},
        {"del2", "ZRLT_RES_FIRST:*.txt", "", 0, "-data/a.txt -data/b.txt"},
        {"del", "MISSING.TXT", "", 22, ""},
        {"del", "ZRLT_RES_UNDEFINED:a.txt", "", 22, ""},
        {"del", "(null)", "", 22, ""},
        {"del", "dat?", "", EACCES, ""},
        {"del", "ro.txt", "", EACCES, ""},
    };
    if (!kWindows) {
        rows.push_back({"ren", b, "\\\\" + d.below + "\\data\\n.txt", 0, to_n});
        rows.push_back({"del", "C:*.TXT", "", 0, "-C:a.TXT"});
        rows.push_back({"del", "C:a.TXT", "", 0, "-C:a.TXT"});
        rows.push_back({"del", "q?b", "", 22, ""});
        rows.push_back({"del", "q*", "", EACCES, ""}); // 'q\b' passed over, the directory refused
    }
    const auto arg = [](const std::string &s) { return s == "(null)" ? nullptr : s.c_str(); };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.op + " " + r.from + " -> " + r.to.substr(0, 60));
        zrl_error = -5;
        int status = r.op == "ren" ? frename(arg(r.from), arg(r.to)) : fdelete(arg(r.from));
        if (r.op == "del2") status += fdelete(arg(r.from));
        EXPECT_EQ(status, r.status);
        EXPECT_EQ(zrl_error, r.status);
        EXPECT_EQ(changes(start, d.tree.snapshot()), r.changes);
        restore(d.tree, start);
    }
    ZRL_LIGHT_SEARCH light = ffsinit(nullptr, d.tree.root().c_str(), "q?b");
    char out[4097];
    EXPECT_EQ(ffsearch(light, out), 0) << out;
    ffsfree(light);
}

// A name too long for the file system is refused by every operation that
// takes one, with the runtime's number for it; none acts on a shortened
// name.  The decoy lies where the name cut at 4096 characters and then
// shortened by its logical name's translation would lead.
TEST(NameResolution, OverlongNamesAreRefusedNeverCut) {
    Tree tree{"resolve_long"};
    const std::string device = "ZRLT_RES_" + std::string(60, 'L') + ":";
    define(device.substr(0, device.size() - 1), ".");
    std::string dirs;
    while (dirs.size() + 201 <= 4096 - device.size() - 10 - 5)
        dirs += std::string(200, 'd') + "/";
    dirs += std::string(4096 - device.size() - 10 - dirs.size() - 1, 'e') + "/";
    ASSERT_EQ(device.size() + dirs.size() + 10, 4096u);
    std::error_code made;
    fs::create_directories(os_path(tree.at(dirs)), made);
    if (made) GTEST_SKIP() << "the file system takes no path this long: " << made.message();
    tree.file(dirs + "victim.txt", "must stay");
    tree.file("other.txt", "other");
    InDirectory here(tree.root());
    const Tree::Snapshot before = tree.snapshot();
    for (const char *name : {"victim.txtX", "victim.tx*X"}) {
        const std::string spec = device + native(dirs) + name;
        zrl_error = 0;
        fsfree(fsinit(nullptr, spec.c_str(), nullptr));
        EXPECT_EQ(zrl_error, ENAMETOOLONG) << name;
        char out[4097];
        zrl_error = 7;
        EXPECT_EQ(ffspec(out, spec.c_str(), nullptr), 0);
        EXPECT_EQ(zrl_error, 7);
        EXPECT_EQ(fdelete(spec.c_str()), ENAMETOOLONG);
        EXPECT_EQ(frename(spec.c_str(), "moved.txt"), ENAMETOOLONG);
        EXPECT_EQ(frename("other.txt", spec.c_str()), ENAMETOOLONG);
    }
    EXPECT_EQ(changes(before, tree.snapshot()), "");
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
    InDirectory here(tree.root());
    define("ZRLT_FOPS_DEVLOG", tree.root());
    const unsigned total = blocks_of(tree.root(), true), free = blocks_of(tree.root(), false);
    const std::string file = tree.at("X.DAT");
    const std::tuple<const char *, const char *, unsigned, int> rows[] = {
        {file.c_str(), "FreeB", free, 7},
        {"", "AVAI", free, 7},
        {"*.*", "maxblocks", total, 7},
        {nullptr, "/MAX", total, 7},
        {file.c_str(), "FRE", 0, 22},
        {file.c_str(), "FREEBLOCKSX", 0, 22},
        {file.c_str(), nullptr, 0, 22},
        {"ZRLT_FOPS_DEVLOG:X.DAT", "FREE", 0x7FFFFFFF, 7},
        {"\\\\SRV\\SHARE\\X", "MAX", 0x7FFFFFFF, 7},
    };
    for (const auto &[spec, query, want, status] : rows) {
        zrl_error = 7;
        // Free space moves while the machine works: 64 MiB either way will do.
        EXPECT_NEAR(devinfo(spec, query), want, want == free ? 64 * 2048 : 0)
            << (query ? query : "");
        EXPECT_EQ(zrl_error, status) << (query ? query : "");
    }
    // The drive of the specification, whatever its directory; another file system.
    const std::string other = kWindows ? tree.root().substr(0, 2) + "\\nowhere\\x" : "/dev/shm/x";
    if (kWindows || fs::is_directory("/dev/shm")) {
        EXPECT_EQ(devinfo(other.c_str(), "MAX"), kWindows ? total : blocks_of("/dev/shm", true));
    }
}

// setdir on a copy of each path in a guarded buffer: the text it leaves
// there and the directory then current.  A failed change reports the
// directory that stays current; one too long to report in 79 characters
// gives nothing, one of exactly 79 still fits, 80 do not.  A name ending with a colon
// is the root of that device; without drives it is a directory below the
// current one.
TEST(Setdir, ChangesDirectoryAndReportsTheCurrentOneWithAFinalSeparator) {
    Tree tree;
    tree.dir("sub/\xc3\xa9t\xc3\xa9");
    if (!kWindows) tree.dir("D:");
    InDirectory keep(current_directory()); // setdir changes it
    ASSERT_LT(tree.root().size() + 10, 79u) << "the test needs a short temporary directory";
    const std::string utf8 = tree.at("sub/\xc3\xa9t\xc3\xa9") + kSep;
    std::string edge = tree.root() + kSep;
    edge.resize(79, 'e');
    const std::string deeper = edge + kSep + std::string(30, 'f'), edge80 = edge + 'g';
    fs::create_directories(os_path(deeper));
    fs::create_directories(os_path(edge80));
    const std::tuple<std::string, std::string, std::string> rows[] = {
        // path, what setdir reports, the directory then current
        {tree.at("sub") + kSep, tree.at("sub") + kSep, tree.at("sub")},
        {"\xc3\xa9t\xc3\xa9", utf8, utf8},
        {"", utf8, utf8},
        {tree.at("no/such/dir"), utf8, utf8},
        {native("../.."), tree.root() + kSep, tree.root()},
        {kWindows ? tree.root().substr(0, 2) : "D:",
         kWindows ? tree.root().substr(0, 3) : tree.at("D:") + kSep,
         kWindows ? tree.root().substr(0, 3) : tree.at("D:")},
        {edge, edge + kSep, edge},
        {deeper, "", deeper},
        {edge80, "", edge80},
    };
    for (const auto &[path, reported, current] : rows) {
        filespec_test::Guarded buffer(256);
        std::memcpy(buffer.data(), path.c_str(), path.size() + 1);
        const int n = setdir(buffer.data());
        EXPECT_EQ(buffer.text(), reported) << path;
        EXPECT_EQ(n, static_cast<int>(reported.size()));
        EXPECT_TRUE(buffer.untouched_from(std::max(n, static_cast<int>(path.size())) + 1));
        const std::string now = current_directory();
        EXPECT_EQ(now.back() == kSep ? now : now + kSep,
                  current.back() == kSep ? current : current + kSep);
    }
}

} // namespace
