// Every way of writing a name reaches the file it names and no other: each
// form of one file's name (native, written the Windows way, through a logical
// name whose translation uses either separator, with wildcards) is handed to
// each operation that takes a name, in a scratch tree that also holds the
// files a wrong resolution would hit.  The whole tree is compared before and
// after, so a file touched by mistake shows up wherever it lies.
#include <algorithm>
#include <cerrno>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/tree.h"
#include <utf8fs.h>
#include <zrlshared.h>

namespace {

using namespace zrl_test; // Tree, InDirectory, changes, native paths

// deflognam hands its "name=value" text to the environment for good; a
// replaced text is kept here so that the leak checker reports only real leaks.
void define(const std::string &name, const std::string &value) {
    static auto *replaced = new std::vector<const char *>;
    if (const char *old = getenv_utf8(name.c_str())) replaced->push_back(old);
    ASSERT_EQ(deflognam(name.c_str(), value.c_str()), 0) << name;
}

std::string with_backslashes(std::string text) {
    std::replace(text.begin(), text.end(), '/', '\\');
    return text;
}

// The tree: the file everything below names, its neighbours, and the decoys.
// A pattern's device put in front of a found full path lands below the tree
// at the tree's own path again; a name cut short or a separator read in a
// file's name lands on the others.
struct DecoyTree {
    Tree tree{"resolve"};
    std::string root_below; // the tree's path without its root or drive
    DecoyTree() {
        const std::string root = tree.root();
        const std::size_t after_root = kWindows ? 3 : 1;
        root_below = root.substr(after_root);
        tree.file("data/a.txt", "target");
        tree.file("data/b.txt", "neighbour");
        tree.file(with_slashes(root_below) + "/data/a.txt", "decoy: the path doubled");
        tree.file("a.txt", "decoy: the current directory");
        tree.file("data/a.txt.bak", "decoy: a longer name");
        // Where a colon may be part of a name, a file in the current
        // directory can bear the very text of a logical name and its file.
        if (!kWindows) {
            tree.file("ZRLT_RES_FWD:a.txt", "decoy: the logical name's text");
            tree.file("ZRLT_RES_ROOT:data/a.txt", "decoy: the logical name's text as a directory");
        }
    }
    static std::string with_slashes(std::string text) {
        std::replace(text.begin(), text.end(), '\\', '/');
        return text;
    }
};

struct Form {
    const char *what;
    std::string spec;
};

// The forms of the name of data/a.txt that the platform reads.
std::vector<Form> forms_of_target(const DecoyTree &d) {
    const std::string root = d.tree.root();
    const std::string below = with_backslashes(DecoyTree::with_slashes(d.root_below));
    define("ZRLT_RES_FWD", DecoyTree::with_slashes(root) + "/data/");
    define("ZRLT_RES_BACK", with_backslashes(root) + "\\data");
    define("ZRLT_RES_LIST", with_backslashes(root) + "\\none," + root + kSep + "data");
    std::vector<Form> forms = {
        {"native", d.tree.at("data/a.txt")},
        {"native wildcard", d.tree.at("data/a.t?t")},
        {"native '%'", d.tree.at("data/a.t%t")},
        {"leading backslash", "\\" + below + "\\data\\a.txt"},
        {"leading backslash, wildcard", "\\" + below + "\\data\\a.?xt"},
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
        forms.push_back({"doubled leading backslash", "\\\\" + below + "\\data\\a.txt"});
        forms.push_back({"doubled leading backslash, wildcard", "\\\\" + below + "\\data\\a*.txt"});
        forms.push_back({"mixed separators", "/" + below + "\\data/a.txt"});
        // Windows takes a path with a separator as it stands when it opens
        // (where this one names nothing); here its device is still a logical name.
        define("ZRLT_RES_ROOT", root);
        forms.push_back({"logical, then a directory", "ZRLT_RES_ROOT:data/a.txt"});
    }
    return forms;
}

TEST(NameResolution, EveryFormOfANameReachesThatFileAndNoOther) {
    DecoyTree d;
    InDirectory here(d.tree.root());
    const std::string target = full_path(d.tree.at("data/a.txt"));
    for (const Form &form : forms_of_target(d)) {
        SCOPED_TRACE(std::string(form.what) + ": " + form.spec);
        const char *spec = form.spec.c_str();

        char found[4097];
        EXPECT_GT(ffspec(found, spec, nullptr), 0);
        EXPECT_EQ(std::string(found), target);

        ZRL_SEARCH *context = fsinit(nullptr, spec, nullptr);
        ASSERT_NE(context, nullptr);
        char first[4097];
        EXPECT_GT(fsearch(context, first), 0);
        EXPECT_EQ(std::string(first), target);
        fsfree(context);

        // An open takes a path with a separator as it stands, wildcards and
        // all; every other name is looked up.
        if (form.spec.find_first_of("*?%") == std::string::npos) {
            FDB *fdb = fopenr(nullptr, spec, nullptr, nullptr);
            ASSERT_NE(fdb, nullptr);
            char line[256];
            EXPECT_GT(fgetstr(fdb, line), 0);
            EXPECT_STREQ(line, "target");
            fclosx(fdb);
            fdbfree(fdb);
        }

        // Destructive operations, each checked against the whole tree.
        const struct {
            const char *operation;
            std::function<int()> run;
            std::string expected;
        } operations[] = {
            {"fdelete", [&] { return fdelete(spec); }, "-data/a.txt"},
            {"frename", [&] { return frename(spec, "moved.txt"); }, "-data/a.txt +moved.txt"},
        };
        for (const auto &op : operations) {
            const Tree::Snapshot before = d.tree.snapshot();
            EXPECT_EQ(op.run(), 0) << op.operation;
            EXPECT_EQ(changes(before, d.tree.snapshot()), op.expected) << op.operation;
            d.tree.file("data/a.txt", "target");
            std::error_code ignored;
            std::filesystem::remove(os_path(d.tree.at("moved.txt")), ignored);
        }
    }
}

// The new name of a rename goes exactly where its own text says, written
// either way.
TEST(NameResolution, RenamedFilesLandWhereTheNewNameSays) {
    DecoyTree d;
    InDirectory here(d.tree.root());
    const std::string below = with_backslashes(DecoyTree::with_slashes(d.root_below));
    std::vector<std::string> new_names = {d.tree.at("data/n.txt"), "ZRLT_RES_BACK:n.txt",
                                          "ZRLT_RES_FWD:n.txt", "\\" + below + "\\data\\n.txt"};
    forms_of_target(d); // defines the logical names
    if (!kWindows) new_names.push_back("\\\\" + below + "\\data\\n.txt");
    for (const std::string &name : new_names) {
        const Tree::Snapshot before = d.tree.snapshot();
        EXPECT_EQ(frename(d.tree.at("data/b.txt").c_str(), name.c_str()), 0) << name;
        EXPECT_EQ(changes(before, d.tree.snapshot()), "-data/b.txt +data/n.txt") << name;
        EXPECT_EQ(frename(d.tree.at("data/n.txt").c_str(), d.tree.at("data/b.txt").c_str()), 0);
    }
}

// Where there are no drives, a colon after one letter is part of a name,
// and a name may hold a backslash, which the layer would read as a
// separator: such a file is passed over, never taken for the file that
// its name would then name.
TEST(NameResolution, OneLetterDevicesAndBackslashesInNamesWhereThereAreNoDrives) {
    if (kWindows) GTEST_SKIP() << "drive letters and backslashes are the system's own";
    Tree tree{"resolve_posix"};
    tree.file("C:a.TXT", "named");
    tree.file("C:/a.TXT", "decoy: a directory named C:");
    tree.file("a\\b", "unreachable");
    tree.file("a/b", "decoy: what a\\b would name");
    InDirectory here(tree.root());
    const struct {
        const char *spec;
        int status;
        const char *expected;
    } cases[] = {
        {"C:*.TXT", 0, "-C:a.TXT"},
        {"C:a.TXT", 0, "-C:a.TXT"},
        {"a?b", 22, ""},
        {"a*", EACCES, ""}, // 'a\b' is passed over, the directory 'a' refused
    };
    for (const auto &c : cases) {
        const Tree::Snapshot before = tree.snapshot();
        EXPECT_EQ(fdelete(c.spec), c.status) << c.spec;
        EXPECT_EQ(changes(before, tree.snapshot()), c.expected) << c.spec;
        tree.file("C:a.TXT", "named");
    }
    ZRL_LIGHT_SEARCH light = ffsinit(nullptr, tree.root().c_str(), "a?b");
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
    const std::string logical(60, 'L');
    define("ZRLT_RES_" + logical, ".");
    const std::string device = "ZRLT_RES_" + logical + ":";
    std::string dirs;
    while (dirs.size() + 201 <= 4096 - device.size() - 10 - 5)
        dirs += std::string(200, 'd') + "/";
    dirs += std::string(4096 - device.size() - 10 - dirs.size() - 1, 'e') + "/";
    ASSERT_EQ(device.size() + dirs.size() + 10, 4096u);
    std::error_code made;
    std::filesystem::create_directories(os_path(tree.at(dirs)), made);
    if (made) GTEST_SKIP() << "the file system takes no path this long: " << made.message();
    tree.file(dirs + "victim.txt", "must stay");
    InDirectory here(tree.root());
    const std::string spec = device + native(dirs) + "victim.txtX";
    const std::string wild = device + native(dirs) + "victim.tx*X";
    const Tree::Snapshot before = tree.snapshot();

    for (const std::string &name : {spec, wild}) {
        SCOPED_TRACE(name.substr(name.size() - 12));
        zrl_error = 0;
        ZRL_SEARCH *context = fsinit(nullptr, name.c_str(), nullptr);
        EXPECT_EQ(zrl_error, ENAMETOOLONG);
        EXPECT_EQ(context->count, 0);
        EXPECT_STREQ(context->pattern, "");
        fsfree(context);
        char out[4097];
        zrl_error = 7;
        EXPECT_EQ(ffspec(out, name.c_str(), nullptr), 0);
        EXPECT_EQ(zrl_error, 7);
        EXPECT_EQ(fdelete(name.c_str()), ENAMETOOLONG);
        EXPECT_EQ(frename(name.c_str(), "moved.txt"), ENAMETOOLONG);
    }
    tree.file("other.txt", "other");
    const Tree::Snapshot with_other = tree.snapshot();
    EXPECT_EQ(frename("other.txt", spec.c_str()), ENAMETOOLONG);
    EXPECT_EQ(changes(with_other, tree.snapshot()), "");
    std::filesystem::remove(os_path(tree.at("other.txt")));
    EXPECT_EQ(changes(before, tree.snapshot()), "");
}

} // namespace
