// Wildcard search on real directories: the search context (fsinit, fsearch,
// fsfree), search lists of logical names, ffspec and the light search.
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
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
const std::string kSepText(1, kSep);
constexpr int kOut = 4097; // the out buffer of fsearch and ffspec

struct Search {
    int status = 0; // zrl_error after fsinit
    int count = 0;
    std::string pattern;
    std::vector<std::string> entries; // in the order fsearch gave them
};

// Runs a search one call past its end, checking what every search must do:
// lengths that match the text, nothing written behind the NUL, and an end
// that reports -1 with an empty out on every call.
Search run(const std::string &spec, const char *def = nullptr) {
    zrl_error = 99;
    ZRL_SEARCH *context = fsinit(nullptr, spec.c_str(), def);
    if (context == nullptr) {
        ADD_FAILURE() << spec;
        return {};
    }
    Search result{zrl_error, context->count, context->pattern, {}};
    EXPECT_EQ(context->next, 0);
    for (int call = 0; call < result.count + 2; ++call) {
        GuardedBuffer out(kOut);
        const int n = fsearch(context, out.data());
        EXPECT_EQ(n, static_cast<int>(out.text().size())) << spec;
        EXPECT_TRUE(out.untouched_from(n + 1)) << spec;
        EXPECT_EQ(n > 0, call < result.count) << spec;
        EXPECT_EQ(zrl_error, n > 0 ? 0 : -1) << spec;
        if (n > 0) result.entries.push_back(out.text());
    }
    EXPECT_EQ(fsfree(context), 0);
    return result;
}

std::vector<std::string> sorted(std::vector<std::string> texts) {
    std::sort(texts.begin(), texts.end());
    return texts;
}

// The expected full paths of names below the tree, '/' written, a trailing
// '/' marking a directory.
std::vector<std::string> paths(const Tree &tree, const std::vector<std::string> &relative) {
    std::vector<std::string> out;
    for (const std::string &r : relative)
        out.push_back(tree.at(r));
    return sorted(out);
}

std::string logical(const std::string &stem) {
    return "ZRLT_SRCH_" + stem;
}

void define(const std::string &name, const std::string &value) {
    ASSERT_EQ(deflognam(name.c_str(), value.c_str()), 0) << name;
}

// ---- The search context ----

TEST(WildcardSearch, MatchesInTheLastComponentAndMarksDirectories) {
    Tree tree;
    const std::string utf8 = "\xe6\x97\xa5\xe6\x9c\xac \xc3\xa9"; // "日本 é"
    for (const char *f : {"FILE1.TXT", "FILE12.TXT", "DATA.DAT", "OLD.TXT/IN.TXT", "v1.2/x.y.z",
                          "v1.2/a.b", "d%/x1", "d%/x22"})
        tree.file(f);
    for (const char *name : {"/\xc3\x9f.txt", "/\xc3\xa9\x31.txt", "/x.dat"})
        tree.file(utf8 + name);
    tree.dir("EMPTY.DIR");
    InDirectory here(tree.root());
    const struct {
        std::string spec, def;
        std::vector<std::string> expected; // '/' written, below the tree
    } cases[] = {
        {"FILE%.TXT", "", {"FILE1.TXT"}},
        {tree.at("*.TXT"), "", {"FILE1.TXT", "FILE12.TXT", "OLD.TXT/"}},
        {native("v1.2/*"), "", {"v1.2/x.y.z", "v1.2/a.b"}},
        {tree.at("v1.2/"), "*.z", {"v1.2/x.y.z"}},
        {tree.at("d%/x%"), "", {"d%/x1"}}, // '%' above the last component is plain
        {"OLD.TXT", "", {"OLD.TXT/"}},
        {tree.at("EMPTY.DIR/*"), "", {}},
        {"FILE1", tree.at("x.TXT"), {"FILE1.TXT"}}, // directory and type from the default
        {tree.at(utf8 + "/*.txt"), "", {utf8 + "/\xc3\x9f.txt", utf8 + "/\xc3\xa9\x31.txt"}},
        // '%' stands for one character, however many bytes it takes.
        {tree.at(utf8 + "/%.txt"), "", {utf8 + "/\xc3\x9f.txt"}},
        {"\xe6\x97\xa5*", "", {utf8 + "/"}},
    };
    for (const auto &c : cases) {
        const Search s = run(c.spec, c.def.c_str());
        EXPECT_EQ(s.status, 0) << c.spec;
        EXPECT_EQ(sorted(s.entries), paths(tree, c.expected)) << c.spec << " " << c.def;
    }
    // The pattern is the merge, without a closing separator.
    EXPECT_EQ(run("OLD.TXT" + kSepText).pattern, "OLD.TXT");
    EXPECT_EQ(run("IN.TXT", native("OLD.TXT/").c_str()).pattern, native("OLD.TXT/IN.TXT"));
}

// The list grows past its first allocation, in a context the caller gave.
TEST(WildcardSearch, FillsTheCallersContextWithEveryPathInItsSlot) {
    Tree tree;
    std::vector<std::string> names;
    for (int i = 0; i < 300; ++i) {
        names.push_back("f" + std::to_string(i) + ".dat");
        tree.file(names.back());
    }
    tree.file("other.txt");
    auto *context = static_cast<ZRL_SEARCH *>(std::malloc(sizeof(ZRL_SEARCH)));
    ASSERT_NE(context, nullptr);
    std::memset(context, 0x5A, sizeof *context);
    EXPECT_EQ(fsinit(context, tree.at("*.dat").c_str(), nullptr), context);
    ASSERT_EQ(context->count, 300);
    EXPECT_EQ(context->next, 0);
    std::vector<std::string> slots;
    for (int i = 0; i < context->count; ++i) {
        const char *slot = context->list + static_cast<std::size_t>(i) * ZRL_SEARCH_SLOT;
        ASSERT_NE(std::memchr(slot, '\0', ZRL_SEARCH_SLOT), nullptr);
        slots.push_back(slot);
    }
    EXPECT_EQ(sorted(slots), paths(tree, names));
    char out[kOut];
    EXPECT_GT(fsearch(context, out), 0);
    EXPECT_EQ(context->next, 1);
    EXPECT_EQ(fsfree(context), 0);
}

TEST(WildcardSearch, NullContextEndsAtOnce) {
    char out[kOut] = "x";
    zrl_error = 0;
    EXPECT_EQ(fsearch(nullptr, out), 0);
    EXPECT_EQ(zrl_error, -1);
    EXPECT_STREQ(out, "");
    EXPECT_EQ(fsfree(nullptr), 0);
    out[0] = 'x';
    EXPECT_EQ(ffsearch(nullptr, out), 0); // the light search leaves out alone
    EXPECT_EQ(out[0], 'x');
    EXPECT_EQ(ffsfree(nullptr), 0);
}

TEST(WildcardSearch, BareDriveYieldsItsRootWhereTheSystemHasDrives) {
    if (!kWindows) {
        // No drive letters: the bare-drive forms name nothing.
        for (const char *spec : {"C:", "C:\\"})
            EXPECT_TRUE(run(spec).entries.empty()) << spec;
        return;
    }
    const std::string drive = full_path(zrl_test::temp_path("d")).substr(0, 2);
    for (const std::string &spec : {drive, drive + "\\"})
        EXPECT_EQ(run(spec).entries, std::vector<std::string>{drive + "\\"}) << spec;
    for (char letter = 'Y'; letter > 'M'; --letter) {
        const std::string unused = std::string(1, letter) + ":";
        std::error_code error;
        if (!fs::exists(unused + "\\", error)) {
            EXPECT_TRUE(run(unused).entries.empty()) << unused;
            break;
        }
    }
}

TEST(WildcardSearch, UnreadableDirectoryGivesNoEntries) {
    Tree tree;
    tree.file("locked/a.txt");
    const fs::path locked = os_path(tree.at("locked"));
    fs::permissions(locked, fs::perms::none);
    std::error_code error; // the tree gives the rights back when it goes
    if (fs::directory_iterator(locked, error) != fs::directory_iterator() || !error)
        GTEST_SKIP() << "this user reads every directory";
    const Search s = run(tree.at("locked/*.txt"));
    EXPECT_EQ(s.status, 0);
    EXPECT_TRUE(s.entries.empty());
}

// ---- Search lists ----

TEST(SearchList, SearchesEachElementInTurn) {
    Tree tree;
    const std::string utf8 = "\xc3\xa9t\xc3\xa9"; // "été"
    for (const char *f :
         {"A/1.TXT", "A/2.TXT", "B/3.TXT", "A/SUB/4.TXT", "B/SUB/5.TXT", "B/SUB/6.DAT"})
        tree.file(f);
    tree.file(utf8 + "/\xe2\x82\xac.TXT"); // "€.TXT"
    const std::string list = logical("LIST");
    define(list, tree.at("A") + "," + tree.at("missing") + "," + tree.at("B") + kSep + "," +
                     tree.at(utf8));

    const Search top = run(list + ":*.TXT");
    EXPECT_EQ(top.status, 0);
    ASSERT_EQ(top.entries.size(), 4u);
    EXPECT_EQ(sorted({top.entries[0], top.entries[1]}), paths(tree, {"A/1.TXT", "A/2.TXT"}));
    EXPECT_EQ(top.entries[2], tree.at("B/3.TXT"));
    EXPECT_EQ(top.entries[3], tree.at(utf8 + "/\xe2\x82\xac.TXT"));
    EXPECT_EQ(top.pattern, tree.at(utf8 + "/")); // the last element's directory

    const std::vector<std::string> in_sub = {tree.at("A/SUB/4.TXT"), tree.at("B/SUB/5.TXT")};
    EXPECT_EQ(run(list + ":SUB" + kSep + "*.TXT").entries, in_sub);
    EXPECT_EQ(run(list + ":" + kSep + "SUB" + kSep + "*.TXT").entries, in_sub);
    // The logical device may come from the default.
    EXPECT_EQ(run("3", (list + ":.TXT").c_str()).entries,
              std::vector<std::string>{tree.at("B/3.TXT")});
    // Directories of a search list are marked like any other.
    EXPECT_EQ(run(list + ":S*").entries,
              (std::vector<std::string>{tree.at("A/SUB/"), tree.at("B/SUB/")}));
}

// An element that leaves no room for the name pattern is refused whole:
// with the separator it fills 4095 characters, and the search text of
// element, separator and a one-character pattern would be 4096.
TEST(SearchList, ElementThatLeavesNoRoomForThePatternIsRefused) {
    define(logical("FULL"), kSepText + std::string(4093, 'a'));
    const Search s = run(logical("FULL") + ":x");
    EXPECT_EQ(s.status, ENAMETOOLONG);
    EXPECT_EQ(s.count, 0);
    EXPECT_EQ(s.pattern, "");
}

TEST(SearchList, UndefinedNameGivesStatus22AndAnEmptyTranslationNothing) {
    const Search s = run(logical("NEVER_DEFINED") + ":*.TXT");
    EXPECT_EQ(s.status, 22);
    EXPECT_EQ(s.count, 0);
    EXPECT_EQ(s.pattern, "");
    char out[kOut];
    zrl_error = 3;
    EXPECT_EQ(ffspec(out, (logical("NEVER_DEFINED") + ":x.txt").c_str(), nullptr), 0);
    EXPECT_EQ(zrl_error, 3);

    define(logical("EMPTY"), "");
    if (getenv_utf8(logical("EMPTY").c_str()) == nullptr)
        GTEST_SKIP() << "this environment drops variables with empty values";
    EXPECT_EQ(run(logical("EMPTY") + ":*.TXT").status, 0);
}

TEST(SearchList, EmptyElementIsTheRootAndATrailingCommaAddsNone) {
    Tree tree;
    tree.dir("empty");
    InDirectory here(tree.root()); // so that the root is on the tree's drive
    // The first component below the root, e.g. "tmp" of "/tmp/zrl_test_1".
    const std::size_t start = tree.root().find(kSep) + 1;
    const std::string top = tree.root().substr(start, tree.root().find(kSep, start) - start);
    const std::string top_path = tree.root().substr(0, start) + top + kSep;
    const std::string empty = tree.at("empty");
    const std::pair<std::string, std::vector<std::string>> cases[] = {{empty + ",", {}},
                                                                      {empty + ",,", {top_path}},
                                                                      {",", {top_path}},
                                                                      {"," + empty, {top_path}}};
    // A name of its own for each case: a redefined name would leave the old
    // definition's text to the environment.
    int serial = 0;
    for (const auto &[translation, expected] : cases) {
        const std::string name = logical("ROOTS" + std::to_string(++serial));
        define(name, translation);
        EXPECT_EQ(run(name + ":" + top).entries, expected) << translation;
    }
}

// ---- ffspec ----

TEST(Ffspec, ResolvesAnExistingEntryOrTheFirstMatchOrNothing) {
    Tree tree;
    for (const char *f : {"FILE1.TXT", "DATA.DAT", "sub/in.txt"})
        tree.file(f);
    InDirectory here(tree.root());
    const std::pair<std::string, std::string> cases[] = {
        {"FILE1.TXT", tree.at("FILE1.TXT")},
        {tree.at("sub"), tree.at("sub/")},
        {tree.at("sub/"), tree.at("sub/")},
        {tree.at("FILE%.TXT"), tree.at("FILE1.TXT")},
        {tree.at("sub/*"), tree.at("sub/in.txt")},
        {tree.at("*.none"), ""},
        {tree.at("no/*.txt"), ""}};
    for (const auto &[spec, expected] : cases) {
        GuardedBuffer out(kOut);
        zrl_error = 42;
        const int n = ffspec(out.data(), spec.c_str(), nullptr);
        EXPECT_EQ(out.text(), expected) << spec;
        EXPECT_EQ(n, static_cast<int>(expected.size())) << spec;
        EXPECT_TRUE(out.untouched_from(n + 1)) << spec;
        EXPECT_EQ(zrl_error, 42) << spec;
    }
    char out[kOut];
    EXPECT_GT(ffspec(out, "FILE1", tree.at(".TXT").c_str()), 0);
    EXPECT_EQ(std::string(out), tree.at("FILE1.TXT"));
}

TEST(Ffspec, SeparatorAloneNamesTheRoot) {
    for (const std::string &spec : {kSepText, std::string("\\")}) {
        char out[kOut];
        const int n = ffspec(out, spec.c_str(), nullptr);
        ASSERT_GT(n, 0) << spec;
        EXPECT_EQ(out[n - 1], kSep) << spec;
        EXPECT_EQ(static_cast<std::size_t>(n), std::strlen(out));
    }
}

// ---- The light search ----

std::vector<std::string> light(const char *spec, const char *pattern) {
    ZRL_LIGHT_SEARCH search = ffsinit(nullptr, spec, pattern);
    EXPECT_NE(search, nullptr);
    std::vector<std::string> found;
    char out[kOut];
    while (ffsearch(search, out) == 1)
        found.push_back(out);
    GuardedBuffer after(16);
    EXPECT_EQ(ffsearch(search, after.data()), 0);
    EXPECT_TRUE(after.untouched_from(0)); // the end leaves out alone
    EXPECT_EQ(ffsfree(search), 0);
    return sorted(found);
}

TEST(LightSearch, ListsEveryEntryButDotNamesUnderThePrefixAsWritten) {
    Tree tree;
    const std::string utf8 = "\xe6\x97\xa5\xe6\x9c\xac.txt";
    for (const char *f : {"a.txt", "b.dat", "sub/in.txt", ".hidden", ".dir/x"})
        tree.file(f);
    tree.file(utf8);
    const std::string root = tree.root();
    const std::string prefix = root + kSep;
    const std::vector<std::string> all = {prefix + "a.txt", prefix + "b.dat", prefix + "sub",
                                          prefix + utf8};
    const std::vector<std::string> txt = {prefix + "a.txt", prefix + utf8};
    EXPECT_EQ(light(root.c_str(), nullptr), all);
    EXPECT_EQ(light(root.c_str(), "*.txt"), txt);
    EXPECT_EQ(light(root.c_str(), "?.dat"), std::vector<std::string>{prefix + "b.dat"});
    // A spec with a '*' is the search itself; the pattern is ignored.
    EXPECT_EQ(light((prefix + "*.dat").c_str(), "*.txt"),
              std::vector<std::string>{prefix + "b.dat"});
    EXPECT_EQ(light((prefix + "sub" + kSep + "*").c_str(), "X"),
              std::vector<std::string>{prefix + "sub" + kSep + "in.txt"});
    EXPECT_TRUE(light(tree.at("none/*.txt").c_str(), nullptr).empty());
    // A relative prefix is kept as written; a '*' without a separator lists
    // the current directory by bare names.
    InDirectory here(tree.root());
    EXPECT_EQ(light("sub", nullptr), std::vector<std::string>{"sub" + kSepText + "in.txt"});
    EXPECT_EQ(light("s*", nullptr), std::vector<std::string>{"sub"});
}

// ---- The listings against the layer's enumeration ----

// What the UTF-8 layer's enumeration finds for a pattern: the names, '.' and
// '..' left out, each with whether its status calls it a directory.
std::vector<std::pair<std::string, bool>> enumerated(const std::string &directory,
                                                     const std::string &pattern) {
    std::vector<std::pair<std::string, bool>> found;
    WIN32_FIND_DATA_UTF8 data;
    const UTF8FS_HANDLE h = FindFirstFile_utf8((directory + kSep + pattern).c_str(), &data);
    if (h == UTF8FS_INVALID_HANDLE) return found;
    do {
        const std::string name = data.cFileName;
        if (name == "." || name == "..") continue;
        utf8fs_stat32 st;
        const std::string path = directory + kSep + name;
        found.emplace_back(name, stat32_utf8(path.c_str(), &st) == 0 &&
                                     (st.st_mode & UTF8FS_S_IFDIR) != 0);
    } while (FindNextFile_utf8(h, &data));
    FindClose_utf8(h);
    return found;
}

// Both searches list what the layer's enumeration lists, for patterns of
// every shape (the plain ending that is tested by its end among them): the
// search context each entry's full path with its directory mark, the light
// search the prefix and each name that does not start with a dot.
TEST(Listings, AgreeWithTheLayersEnumeration) {
    Tree tree;
    for (const char *f : {"a.txt", "b.TXT", "ab.txt", "c.tar.gz", "x.gz.txt", "noext", "e.",
                          ".hidden.txt", "file1.txt", "file12.txt", "file.txt", "\xc3\xa9.txt",
                          "sub.txt/in.txt", "z"})
        tree.file(f);
    tree.dir("dir.d");
    std::string directory = tree.root();
    if (!kWindows) {
        // A link to a directory is marked as one; its own entry does not say.
        std::error_code ignored;
        fs::create_directory_symlink(tree.at("dir.d"), tree.at("link.d"), ignored);
    }
    char full[kOut];
    ASSERT_NE(GetFullPathName_utf8(directory.c_str(), kOut, full, nullptr), 0u);
    const std::string root = full;
    for (const char *pattern : {"*", "*.*", "*.txt", "*.TXT", "*.gz", "*.tar.gz", "*z", "*.",
                                "*.d", "?.txt", "file?.txt", "*e*", "a*", "*x*.*", "e.", "z"}) {
        std::vector<std::string> context_expected, light_expected;
        for (const auto &[name, is_directory] : enumerated(directory, pattern)) {
            context_expected.push_back(root + kSep + name + (is_directory ? kSepText : ""));
            if (name[0] != '.') light_expected.push_back(directory + kSep + name);
        }
        EXPECT_EQ(sorted(run(directory + kSep + pattern).entries), sorted(context_expected))
            << pattern;
        EXPECT_EQ(light(directory.c_str(), pattern), sorted(light_expected)) << pattern;
    }
}

} // namespace
