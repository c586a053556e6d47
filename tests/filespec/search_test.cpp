// Wildcard search on real directories: the search context (fsinit, fsearch,
// fsfree) and the light search held to the UTF-8 layer's enumeration, then
// what only they do: defaults, '%', search lists of logical names, ffspec's
// edges and the light search's prefix.
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "filespec/guarded.h"
#include "support/tree.h"
#include <utf8fs.h>
#include <zrlshared.h>

namespace {

using namespace zrl_test; // Tree, InDirectory, native paths
using filespec_test::Guarded;
using Texts = std::vector<std::string>;
const std::string kSepText(1, kSep);
constexpr int kOut = 4097; // the out buffer of fsearch and ffspec

struct Search {
    int status = 0; // zrl_error after fsinit
    std::string pattern;
    Texts entries; // in the order fsearch gave them
};

// Runs a search one call past its end, checking what every search must do:
// lengths that match the text, nothing written behind the NUL, and an end
// that reports -1 with an empty out on every call.
Search run(const std::string &spec, const char *def = nullptr) {
    zrl_error = 99;
    ZRL_SEARCH *context = fsinit(nullptr, spec.c_str(), def);
    Search result{zrl_error, context->pattern, {}};
    for (int call = 0; call < context->count + 2; ++call) {
        Guarded out(kOut);
        const int n = fsearch(context, out.data());
        EXPECT_EQ(n, static_cast<int>(out.text().size())) << spec;
        EXPECT_TRUE(out.untouched_from(n + 1)) << spec;
        EXPECT_EQ(n > 0 ? 0 : -1, zrl_error) << spec;
        EXPECT_EQ(n > 0, call < context->count) << spec;
        if (n > 0) result.entries.push_back(out.text());
    }
    EXPECT_EQ(fsfree(context), 0);
    return result;
}

Texts sorted(Texts texts) {
    std::sort(texts.begin(), texts.end());
    return texts;
}

// The light search's paths, sorted; its end leaves out alone.
Texts light(const std::string &spec, const char *pattern) {
    ZRL_LIGHT_SEARCH search = ffsinit(nullptr, spec.c_str(), pattern);
    Texts found;
    char out[kOut];
    while (ffsearch(search, out) == 1)
        found.push_back(out);
    Guarded after(16);
    EXPECT_EQ(ffsearch(search, after.data()), 0);
    EXPECT_TRUE(after.untouched_from(0));
    EXPECT_EQ(ffsfree(search), 0);
    return sorted(found);
}

std::string define(const std::string &stem, const std::string &value) {
    const std::string name = "ZRLT_SRCH_" + stem;
    EXPECT_EQ(deflognam(name.c_str(), value.c_str()), 0) << name;
    return name;
}

// Both searches list what the layer's enumeration lists, for patterns of
// every shape ('%' being the layer's '?'): the search context each entry's
// full path with a separator after a directory (after a link to one too),
// the light search the prefix and each name that does not start with a dot.
TEST(Listings, AgreeWithTheLayersEnumeration) {
    Tree tree;
    for (const char *f :
         {"a.txt", "b.TXT", "ab.txt", "c.tar.gz", "x.gz.txt", "noext", "e.", ".hidden.txt",
          "file1.txt", "file12.txt", "file.txt", "\xc3\xa9.txt", "sub.txt/in.txt", "z"})
        tree.file(f);
    tree.dir("dir.d");
    std::error_code ignored;
    if (!kWindows)
        std::filesystem::create_directory_symlink(tree.at("dir.d"), tree.at("l.d"), ignored);
    const std::string dir = tree.root(), root = full_path(dir);
    for (std::string pattern :
         {"*", "*.*", "*.txt", "*.TXT", "*.gz", "*.tar.gz", "*z", "*.", "*.d", "?.txt", "%.txt",
          "file?.txt", "file%.txt", "*e*", "a*", "*x*.*", "e.", "z"}) {
        Texts context_expected, light_expected;
        std::string layer_pattern = pattern;
        std::replace(layer_pattern.begin(), layer_pattern.end(), '%', '?');
        WIN32_FIND_DATA_UTF8 data;
        const UTF8FS_HANDLE h = FindFirstFile_utf8((dir + kSep + layer_pattern).c_str(), &data);
        for (bool more = h != UTF8FS_INVALID_HANDLE; more; more = FindNextFile_utf8(h, &data)) {
            const std::string name = data.cFileName;
            if (name == "." || name == "..") continue;
            utf8fs_stat32 st;
            const bool is_dir = stat32_utf8((dir + kSep + name).c_str(), &st) == 0 &&
                                (st.st_mode & UTF8FS_S_IFDIR) != 0;
            context_expected.push_back(root + kSep + name + (is_dir ? kSepText : ""));
            if (name[0] != '.') light_expected.push_back(dir + kSep + name);
        }
        if (h != UTF8FS_INVALID_HANDLE) FindClose_utf8(h);
        EXPECT_EQ(sorted(run(dir + kSep + pattern).entries), sorted(context_expected)) << pattern;
        if (pattern.find('%') == std::string::npos) {
            EXPECT_EQ(light(dir, pattern.c_str()), sorted(light_expected)) << pattern;
        }
    }
}

// The default fills what the spec lacks; '%' above the last component is
// plain; the pattern text is the merge without a closing separator; a bare
// drive names its root where there are drives.  The list grows past its
// first allocation, in a context the caller gave, a path in each slot.
TEST(WildcardSearch, MergesTheDefaultAndFillsTheCallersContext) {
    Tree tree;
    for (const char *f : {"FILE1.TXT", "FILE12.TXT", "d%/x1", "d%/x22", "OLD.TXT/IN.TXT"})
        tree.file(f);
    InDirectory here(tree.root());
    EXPECT_EQ(run("FILE1", tree.at("x.TXT").c_str()).entries, Texts{tree.at("FILE1.TXT")});
    EXPECT_EQ(run(tree.at("d%/x%")).entries, Texts{tree.at("d%/x1")});
    const Search dir = run("OLD.TXT" + kSepText);
    EXPECT_EQ(dir.entries, Texts{tree.at("OLD.TXT/")});
    EXPECT_EQ(dir.pattern, "OLD.TXT");
    EXPECT_EQ(run("IN.TXT", native("OLD.TXT/").c_str()).pattern, native("OLD.TXT/IN.TXT"));
    const std::string drive = kWindows ? tree.root().substr(0, 2) : "C:";
    EXPECT_EQ(run(drive + "\\").entries, kWindows ? Texts{drive + "\\"} : Texts{});

    Texts names, slots;
    for (int i = 0; i < 300; ++i)
        tree.file(names.emplace_back("many/f" + std::to_string(i) + ".dat"));
    auto *context = static_cast<ZRL_SEARCH *>(std::malloc(sizeof(ZRL_SEARCH)));
    std::memset(context, 0x5A, sizeof *context);
    EXPECT_EQ(fsinit(context, tree.at("many/*.dat").c_str(), nullptr), context);
    for (int i = 0; i < context->count; ++i)
        slots.push_back(context->list + static_cast<std::size_t>(i) * ZRL_SEARCH_SLOT);
    for (std::string &name : names)
        name = tree.at(name);
    EXPECT_EQ(sorted(slots), sorted(names));
    EXPECT_EQ(fsfree(context), 0);
}

// Elements in their order (a missing one passed over), the pattern text the
// last element's directory, a directory after the device below each element,
// the device from the default, directories marked.  An undefined name gives
// 22 and an empty pattern; an element that leaves no room for the name
// pattern (with its separator it fills 4095 characters) is refused whole.
TEST(SearchList, SearchesEachElementInTurn) {
    Tree tree;
    const std::string utf8 = "\xc3\xa9t\xc3\xa9"; // "été"
    for (const char *f : {"A/1.TXT", "B/3.TXT", "A/SUB/4.TXT", "B/SUB/5.TXT", "B/SUB/6.DAT"})
        tree.file(f);
    tree.file(utf8 + "/\xe2\x82\xac.TXT"); // "€.TXT"
    const std::string list = define("LIST", tree.at("A") + "," + tree.at("missing") + "," +
                                                tree.at("B") + kSep + "," + tree.at(utf8));
    const Search top = run(list + ":*.TXT");
    EXPECT_EQ(top.status, 0);
    EXPECT_EQ(top.entries,
              (Texts{tree.at("A/1.TXT"), tree.at("B/3.TXT"), tree.at(utf8 + "/\xe2\x82\xac.TXT")}));
    EXPECT_EQ(top.pattern, tree.at(utf8 + "/"));
    const Texts in_sub = {tree.at("A/SUB/4.TXT"), tree.at("B/SUB/5.TXT")};
    EXPECT_EQ(run(list + ":SUB" + kSep + "*.TXT").entries, in_sub);
    EXPECT_EQ(run(list + ":" + kSep + "SUB" + kSep + "*.TXT").entries, in_sub);
    EXPECT_EQ(run("3", (list + ":.TXT").c_str()).entries, Texts{tree.at("B/3.TXT")});
    EXPECT_EQ(run(list + ":S*").entries, (Texts{tree.at("A/SUB/"), tree.at("B/SUB/")}));

    const std::string full = define("FULL", kSepText + std::string(4093, 'a'));
    for (const auto &[spec, status] : {std::pair{std::string("ZRLT_SRCH_NEVER:*.TXT"), 22},
                                       std::pair{full + ":x", ENAMETOOLONG}}) {
        const Search s = run(spec);
        EXPECT_EQ(s.status, status);
        EXPECT_EQ(s.pattern + (s.entries.empty() ? "" : "entries"), "");
    }
    if (!kWindows) { // Windows drops a variable with an empty value
        EXPECT_EQ(run(define("EMPTY", "") + ":*.TXT").status, 0);
    }
}

// An empty element is the root; a trailing comma adds none.
TEST(SearchList, EmptyElementIsTheRootAndATrailingCommaAddsNone) {
    Tree tree;
    tree.dir("empty");
    InDirectory here(tree.root()); // so that the root is on the tree's drive
    // The first component below the root, e.g. "tmp" of "/tmp/zrl_test_1".
    const std::size_t start = tree.root().find(kSep) + 1;
    const std::string top = tree.root().substr(start, tree.root().find(kSep, start) - start);
    const Texts top_path = {tree.root().substr(0, start) + top + kSep};
    const std::string empty = tree.at("empty");
    const std::pair<std::string, Texts> rows[] = {
        {empty + ",", {}}, {empty + ",,", top_path}, {"," + empty, top_path}};
    int serial = 0; // a name of its own for each row, for the leak checker
    for (const auto &[translation, expected] : rows) {
        const std::string name = define("ROOTS" + std::to_string(++serial), translation);
        EXPECT_EQ(run(name + ":" + top).entries, expected) << translation;
    }
}

// A directory gets its separator, a separator alone names the root, and
// nothing found is 0 with the status left alone.
TEST(Ffspec, MarksDirectoriesAndFindsNothingQuietly) {
    Tree tree;
    tree.file("sub/in.txt");
    const std::string root = full_path(kSepText);
    const std::pair<std::string, std::string> rows[] = {{tree.at("sub"), tree.at("sub/")},
                                                        {tree.at("sub/"), tree.at("sub/")},
                                                        {kSepText, root},
                                                        {"\\", root},
                                                        {tree.at("*.none"), ""},
                                                        {"ZRLT_SRCH_NEVER:x.txt", ""}};
    for (const auto &[spec, expected] : rows) {
        Guarded out(kOut);
        zrl_error = 42;
        EXPECT_EQ(ffspec(out.data(), spec.c_str(), nullptr) != 0, !expected.empty()) << spec;
        EXPECT_EQ(out.text(), expected) << spec;
        EXPECT_TRUE(out.untouched_from(static_cast<int>(expected.size()) + 1)) << spec;
        EXPECT_EQ(zrl_error, 42) << spec;
    }
}

// The prefix as written; a spec with a '*' is the search itself and its
// pattern is ignored; a '*' without a separator lists bare names; no
// context ends at once.
TEST(LightSearch, ListsUnderThePrefixAsWritten) {
    Tree tree;
    for (const char *f : {"a.txt", "b.dat", "sub/in.txt", ".hidden", ".dir/x"})
        tree.file(f);
    const std::string prefix = tree.root() + kSep;
    EXPECT_EQ(light(tree.root(), nullptr),
              (Texts{prefix + "a.txt", prefix + "b.dat", prefix + "sub"}));
    EXPECT_EQ(light(prefix + "*.dat", "*.txt"), Texts{prefix + "b.dat"});
    EXPECT_TRUE(light(tree.at("none/*.txt"), nullptr).empty());
    InDirectory here(tree.root());
    EXPECT_EQ(light("sub", nullptr), Texts{"sub" + kSepText + "in.txt"});
    EXPECT_EQ(light("s*", nullptr), Texts{"sub"});
    char out[kOut] = "x";
    EXPECT_EQ(fsearch(nullptr, out) + fsfree(nullptr) + ffsfree(nullptr), 0);
    EXPECT_EQ(zrl_error, -1);
    EXPECT_STREQ(out, "");
}

} // namespace
