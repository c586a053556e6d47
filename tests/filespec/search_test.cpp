// Wildcard search on real directories: the search context (fsinit, fsearch,
// fsfree), search lists of logical names, ffspec and the light search.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
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

// Runs a search to its end and checks what every search must do: lengths
// that match the text, nothing written behind the NUL, and an end that
// reports -1 with an empty out on every later call.
Search run(const std::string &spec, const char *def = nullptr) {
    Search result;
    zrl_error = 99;
    ZRL_SEARCH *context = fsinit(nullptr, spec.c_str(), def);
    EXPECT_NE(context, nullptr);
    if (context == nullptr) return result;
    result.status = zrl_error;
    result.count = context->count;
    result.pattern = context->pattern;
    EXPECT_EQ(context->next, 0);
    for (;;) {
        GuardedBuffer out(kOut);
        const int n = fsearch(context, out.data());
        if (n == 0) {
            EXPECT_EQ(out.text(), "");
            EXPECT_EQ(zrl_error, -1);
            break;
        }
        EXPECT_EQ(zrl_error, 0);
        EXPECT_EQ(static_cast<std::size_t>(n), out.text().size());
        EXPECT_TRUE(out.untouched_from(n + 1));
        result.entries.push_back(out.text());
    }
    EXPECT_EQ(static_cast<int>(result.entries.size()), result.count);
    char again[kOut] = "x";
    EXPECT_EQ(fsearch(context, again), 0);
    EXPECT_EQ(zrl_error, -1);
    EXPECT_STREQ(again, "");
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

struct SearchCase {
    std::string spec;
    std::string def;
    std::vector<std::string> expected; // '/' written, below the tree
};

TEST(WildcardSearch, MatchesInTheLastComponentAndMarksDirectories) {
    Tree tree;
    for (const char *f : {"FILE1.TXT", "FILE12.TXT", "DATA.DAT", "OLD.TXT/INNER.TXT", "v1.2/x.y.z",
                          "v1.2/a.b", "d%/x1", "d%/x22"})
        tree.file(f);
    tree.dir("EMPTY.DIR");

    const std::vector<SearchCase> cases = {
        {tree.at("FILE%.TXT"), "", {"FILE1.TXT"}},
        {tree.at("FILE*.TXT"), "", {"FILE1.TXT", "FILE12.TXT"}},
        {tree.at("*.TXT"), "", {"FILE1.TXT", "FILE12.TXT", "OLD.TXT/"}},
        {tree.at("*.DIR"), "", {"EMPTY.DIR/"}},
        {tree.at("*.DAT"), "", {"DATA.DAT"}},
        {tree.at("DATA.DAT"), "", {"DATA.DAT"}},
        {tree.at("v1.2/*.z"), "", {"v1.2/x.y.z"}},
        {tree.at("v1.2/*"), "", {"v1.2/x.y.z", "v1.2/a.b"}},
        {tree.at("v1.2/"), "*.z", {"v1.2/x.y.z"}},
        // A '%' above the last component is a plain character.
        {tree.at("d%/x%"), "", {"d%/x1"}},
        {tree.at("OLD.TXT"), "", {"OLD.TXT/"}},
        {tree.at("OLD.TXT/"), "", {"OLD.TXT/"}},
        {tree.at("EMPTY.DIR/*"), "", {}},
        {tree.at("*.none"), "", {}},
        {tree.at("nodir/*.TXT"), "", {}},
        // Name from spec, directory and type from the default.
        {"FILE1", tree.at("x.TXT"), {"FILE1.TXT"}},
        {"*.DAT", tree.root() + kSep, {"DATA.DAT"}},
    };
    for (const SearchCase &c : cases) {
        const Search s = run(c.spec, c.def.c_str());
        EXPECT_EQ(s.status, 0) << c.spec;
        EXPECT_EQ(sorted(s.entries), paths(tree, c.expected)) << c.spec << " " << c.def;
    }
}

TEST(WildcardSearch, PatternIsTheMergeWithoutItsClosingSeparator) {
    Tree tree;
    tree.file("OLD/a.txt");
    EXPECT_EQ(run(tree.at("OLD/")).pattern, tree.at("OLD"));
    EXPECT_EQ(run("a.txt", tree.at("OLD/").c_str()).pattern, tree.at("OLD/a.txt"));
    EXPECT_EQ(run(tree.at("*.q")).pattern, tree.at("*.q"));
}

TEST(WildcardSearch, RelativeSpecificationsSearchTheCurrentDirectory) {
    Tree tree;
    tree.file("a.txt");
    tree.file("sub/b.txt");
    InDirectory here(tree.root());
    EXPECT_EQ(run("*.txt").entries, paths(tree, {"a.txt"}));
    EXPECT_EQ(run(native("sub/*.txt")).entries, paths(tree, {"sub/b.txt"}));
    EXPECT_EQ(run("sub").entries, paths(tree, {"sub/"}));
}

TEST(WildcardSearch, FindsNamesWrittenInUtf8) {
    Tree tree;
    const std::string dir = "\xe6\x97\xa5\xe6\x9c\xac \xc3\xa9"; // "日本 é"
    for (const char *name : {"\xc3\x9f.txt", "\xc3\xa9\x31.txt", "x.dat"})
        tree.file(dir + "/" + name);
    EXPECT_EQ(sorted(run(tree.at(dir + "/*.txt")).entries),
              paths(tree, {dir + "/\xc3\x9f.txt", dir + "/\xc3\xa9\x31.txt"}));
    // '%' stands for one character, however many bytes it takes.
    EXPECT_EQ(run(tree.at(dir + "/%.txt")).entries, paths(tree, {dir + "/\xc3\x9f.txt"}));
    EXPECT_EQ(run(tree.at("\xe6\x97\xa5*")).entries, paths(tree, {dir + "/"}));
}

TEST(WildcardSearch, ListGrowsByDoublingAndKeepsEveryPathInItsSlot) {
    for (int files : {1, 2, 3, 5, 300}) {
        Tree tree;
        std::vector<std::string> names;
        for (int i = 0; i < files; ++i) {
            names.push_back("f" + std::to_string(i) + ".dat");
            tree.file(names.back());
        }
        tree.file("other.txt");
        ZRL_SEARCH *context = fsinit(nullptr, tree.at("*.dat").c_str(), nullptr);
        ASSERT_NE(context, nullptr);
        ASSERT_EQ(context->count, files);
        std::vector<std::string> slots;
        for (int i = 0; i < context->count; ++i) {
            const char *slot = context->list + static_cast<std::size_t>(i) * ZRL_SEARCH_SLOT;
            ASSERT_NE(std::memchr(slot, '\0', ZRL_SEARCH_SLOT), nullptr);
            slots.push_back(slot);
        }
        EXPECT_EQ(sorted(slots), paths(tree, names)) << files;
        fsfree(context);
    }
}

TEST(WildcardSearch, ContextFromTheCallerIsFilledAndReleased) {
    auto *context = static_cast<ZRL_SEARCH *>(std::malloc(sizeof(ZRL_SEARCH)));
    ASSERT_NE(context, nullptr);
    std::memset(context, 0x5A, sizeof *context);
    Tree tree;
    tree.file("a.txt");
    EXPECT_EQ(fsinit(context, tree.at("*.txt").c_str(), nullptr), context);
    EXPECT_EQ(context->next, 0);
    EXPECT_EQ(context->count, 1);
    char out[kOut];
    EXPECT_EQ(fsearch(context, out), static_cast<int>(tree.at("a.txt").size()));
    EXPECT_EQ(context->next, 1);
    EXPECT_EQ(fsfree(context), 0);
}

TEST(WildcardSearch, EndsAtOnceWithoutAContext) {
    char out[kOut] = "x";
    zrl_error = 0;
    EXPECT_EQ(fsearch(nullptr, out), 0);
    EXPECT_EQ(zrl_error, -1);
    EXPECT_STREQ(out, "");
    EXPECT_EQ(fsfree(nullptr), 0);
}

TEST(WildcardSearch, BareDriveYieldsItsRootWhereTheSystemHasDrives) {
    if (!kWindows) {
        // No drive letters: the bare-drive forms name nothing.
        for (const char *spec : {"C:", "C:\\"}) {
            const Search s = run(spec);
            EXPECT_EQ(s.status, 0) << spec;
            EXPECT_TRUE(s.entries.empty()) << spec;
        }
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

TEST(WildcardSearch, ResultsDoNotFollowLaterChanges) {
    Tree tree;
    tree.dir("gone.TXT");
    tree.file("left.TXT");
    ZRL_SEARCH *context = fsinit(nullptr, tree.at("*.TXT").c_str(), nullptr);
    ASSERT_NE(context, nullptr);
    ASSERT_EQ(context->count, 2);
    fs::remove(os_path(tree.at("gone.TXT")));
    fs::remove(os_path(tree.at("left.TXT")));
    tree.file("new.TXT");
    std::vector<std::string> found;
    char out[kOut];
    while (fsearch(context, out) > 0)
        found.push_back(out);
    fsfree(context);
    // A directory that has vanished can no longer be told from a file.
    EXPECT_EQ(sorted(found), paths(tree, {"gone.TXT", "left.TXT"}));
}

TEST(WildcardSearch, UnreadableDirectoryGivesNoEntries) {
    Tree tree;
    tree.file("locked/a.txt");
    const fs::path locked = os_path(tree.at("locked"));
    fs::permissions(locked, fs::perms::none);
    std::error_code error;
    const bool readable = fs::directory_iterator(locked, error) != fs::directory_iterator();
    if (readable || !error) {
        fs::permissions(locked, fs::perms::owner_all);
        GTEST_SKIP() << "this user reads every directory";
    }
    const Search s = run(tree.at("locked/*.txt"));
    fs::permissions(locked, fs::perms::owner_all);
    EXPECT_EQ(s.status, 0);
    EXPECT_TRUE(s.entries.empty());
}

TEST(WildcardSearch, OverlongSpecificationFindsNothingAndStaysInItsBuffers) {
    Tree tree;
    const std::string spec = tree.at(std::string(5000, 'a') + "*");
    ZRL_SEARCH *context = fsinit(nullptr, spec.c_str(), nullptr);
    ASSERT_NE(context, nullptr);
    EXPECT_EQ(zrl_error, 0);
    EXPECT_EQ(context->count, 0);
    EXPECT_EQ(std::strlen(context->pattern), static_cast<std::size_t>(ZRL_SEARCH_SLOT - 1));
    fsfree(context);
    GuardedBuffer out(kOut);
    zrl_error = 7;
    EXPECT_EQ(ffspec(out.data(), spec.c_str(), nullptr), 0);
    EXPECT_EQ(zrl_error, 7);
    EXPECT_TRUE(out.untouched_from(kOut));
}

// ---- Search lists ----

TEST(SearchList, SearchesEachElementInTurn) {
    Tree tree;
    for (const char *f :
         {"A/1.TXT", "A/2.TXT", "B/3.TXT", "A/SUB/4.TXT", "B/SUB/5.TXT", "B/SUB/6.DAT"})
        tree.file(f);
    const std::string list = logical("LIST");
    define(list, tree.at("A") + "," + tree.at("missing") + "," + tree.at("B") + kSep);

    const Search top = run(list + ":*.TXT");
    EXPECT_EQ(top.status, 0);
    ASSERT_EQ(top.entries.size(), 3u);
    EXPECT_EQ(sorted({top.entries[0], top.entries[1]}), paths(tree, {"A/1.TXT", "A/2.TXT"}));
    EXPECT_EQ(top.entries[2], tree.at("B/3.TXT"));
    EXPECT_EQ(top.pattern, tree.at("B/")); // the directory of the last element

    for (const std::string &spec :
         {list + ":SUB" + kSep + "*.TXT", list + ":" + kSep + "SUB" + kSep + "*.TXT"}) {
        const Search sub = run(spec);
        EXPECT_EQ(sub.entries,
                  (std::vector<std::string>{tree.at("A/SUB/4.TXT"), tree.at("B/SUB/5.TXT")}))
            << spec;
        EXPECT_EQ(sub.pattern, tree.at("B/SUB")) << spec;
    }
    // The logical device may come from the default.
    EXPECT_EQ(run("3", (list + ":.TXT").c_str()).entries,
              std::vector<std::string>{tree.at("B/3.TXT")});
    // Directories of a search list are marked like any other.
    EXPECT_EQ(run(list + ":S*").entries,
              (std::vector<std::string>{tree.at("A/SUB/"), tree.at("B/SUB/")}));
}

TEST(SearchList, Utf8ElementsAreSearched) {
    Tree tree;
    const std::string dir = "\xc3\xa9t\xc3\xa9"; // "été"
    tree.file(dir + "/\xe2\x82\xac.txt");        // "€.txt"
    define(logical("UTF8"), tree.at(dir));
    EXPECT_EQ(run(logical("UTF8") + ":*.txt").entries, paths(tree, {dir + "/\xe2\x82\xac.txt"}));
}

TEST(SearchList, UndefinedNameGivesStatus22AndAnEmptyPattern) {
    const Search s = run(logical("NEVER_DEFINED") + ":*.TXT");
    EXPECT_EQ(s.status, 22);
    EXPECT_EQ(s.count, 0);
    EXPECT_EQ(s.pattern, "");
    char out[kOut];
    zrl_error = 3;
    EXPECT_EQ(ffspec(out, (logical("NEVER_DEFINED") + ":x.txt").c_str(), nullptr), 0);
    EXPECT_EQ(zrl_error, 3);
}

TEST(SearchList, EmptyTranslationGivesNothingWithStatus0) {
    const std::string name = logical("EMPTY");
    define(name, "");
    if (getenv_utf8(name.c_str()) == nullptr)
        GTEST_SKIP() << "this environment drops variables with empty values";
    const Search s = run(name + ":*.TXT");
    EXPECT_EQ(s.status, 0);
    EXPECT_EQ(s.count, 0);
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
    struct Case {
        std::string translation;
        std::vector<std::string> expected;
    };
    const std::vector<Case> cases = {
        {empty + ",", {}},         {empty, {}}, {empty + ",,", {top_path}}, {",", {top_path}},
        {"," + empty, {top_path}},
    };
    // A name of its own for each case: a redefined name would leave the old
    // definition's text to the environment.
    int serial = 0;
    for (const Case &c : cases) {
        const std::string name = logical("ROOTS" + std::to_string(++serial));
        define(name, c.translation);
        EXPECT_EQ(run(name + ":" + top).entries, c.expected) << c.translation;
    }
}

// ---- ffspec ----

TEST(Ffspec, ResolvesAnExistingEntryOrTheFirstMatch) {
    Tree tree;
    for (const char *f : {"FILE1.TXT", "DATA.DAT", "sub/in.txt"})
        tree.file(f);
    struct Case {
        std::string spec;
        std::string def;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {tree.at("FILE1.TXT"), "", tree.at("FILE1.TXT")},
        {tree.at("sub"), "", tree.at("sub/")},
        {tree.at("sub/"), "", tree.at("sub/")},
        {"FILE1", tree.at(".TXT"), tree.at("FILE1.TXT")},
        {tree.at("FILE%.TXT"), "", tree.at("FILE1.TXT")},
        {tree.at("*.DAT"), "", tree.at("DATA.DAT")},
        {tree.at("sub/*"), "", tree.at("sub/in.txt")},
        {tree.at("s?b"), "", tree.at("sub/")},
    };
    for (const Case &c : cases) {
        GuardedBuffer out(kOut);
        zrl_error = 42;
        const int n = ffspec(out.data(), c.spec.c_str(), c.def.c_str());
        EXPECT_EQ(out.text(), c.expected) << c.spec;
        EXPECT_EQ(n, static_cast<int>(c.expected.size())) << c.spec;
        EXPECT_TRUE(out.untouched_from(n + 1)) << c.spec;
        EXPECT_EQ(zrl_error, 42) << c.spec;
    }
}

TEST(Ffspec, RelativeNameBecomesAFullPath) {
    Tree tree;
    tree.file("a.txt");
    InDirectory here(tree.root());
    char out[kOut];
    EXPECT_GT(ffspec(out, "a.txt", nullptr), 0);
    EXPECT_EQ(std::string(out), tree.at("a.txt"));
}

TEST(Ffspec, NothingFoundGivesZeroAndKeepsTheStatus) {
    Tree tree;
    tree.file("a.txt");
    for (const std::string &spec : {tree.at("*.none"), tree.at("none.txt"), tree.at("no/*.txt")}) {
        char out[kOut];
        zrl_error = 1234;
        EXPECT_EQ(ffspec(out, spec.c_str(), nullptr), 0) << spec;
        EXPECT_EQ(zrl_error, 1234) << spec;
    }
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

TEST(LightSearch, ListsEveryEntryButDotNames) {
    Tree tree;
    for (const char *f : {"a.txt", "b.dat", "sub/in.txt", ".hidden", ".dir/x"})
        tree.file(f);
    const std::string root = tree.root();
    const std::string prefix = root + kSep;
    const std::vector<std::string> all = {prefix + "a.txt", prefix + "b.dat", prefix + "sub"};
    EXPECT_EQ(light(root.c_str(), nullptr), all);
    EXPECT_EQ(light(prefix.c_str(), nullptr), all);
    EXPECT_EQ(light(root.c_str(), ""), all);
    EXPECT_EQ(light(root.c_str(), "*.*"), all);
    EXPECT_EQ(light(root.c_str(), "*.txt"), std::vector<std::string>{prefix + "a.txt"});
    EXPECT_EQ(light(root.c_str(), "?.dat"), std::vector<std::string>{prefix + "b.dat"});
    // A spec with a '*' is the search itself; the pattern is ignored.
    EXPECT_EQ(light((prefix + "*.dat").c_str(), "*.txt"),
              std::vector<std::string>{prefix + "b.dat"});
    EXPECT_EQ(light((prefix + "sub" + kSep + "*").c_str(), "X"),
              std::vector<std::string>{prefix + "sub" + kSep + "in.txt"});
}

TEST(LightSearch, KeepsThePrefixAsWritten) {
    Tree tree;
    tree.file("sub/in.txt");
    InDirectory here(tree.root());
    EXPECT_EQ(light("sub", nullptr), std::vector<std::string>{"sub" + kSepText + "in.txt"});
    // A '*' without a separator lists the current directory by bare names.
    EXPECT_EQ(light("s*", nullptr), std::vector<std::string>{"sub"});
}

TEST(LightSearch, ListsUtf8Names) {
    Tree tree;
    const std::string name = "\xe6\x97\xa5\xe6\x9c\xac.txt";
    tree.file(name);
    EXPECT_EQ(light(tree.root().c_str(), nullptr), std::vector<std::string>{tree.at(name)});
    EXPECT_EQ(light(tree.root().c_str(), "*.txt"), std::vector<std::string>{tree.at(name)});
}

TEST(LightSearch, MissingDirectoryGivesAnEmptyList) {
    Tree tree;
    EXPECT_TRUE(light(tree.at("none").c_str(), nullptr).empty());
    EXPECT_TRUE(light(tree.at("none/*.txt").c_str(), nullptr).empty());
}

TEST(LightSearch, NullHandleIsHarmless) {
    char out[kOut] = "x";
    EXPECT_EQ(ffsearch(nullptr, out), 0);
    EXPECT_STREQ(out, "x");
    EXPECT_EQ(ffsfree(nullptr), 0);
}

} // namespace
