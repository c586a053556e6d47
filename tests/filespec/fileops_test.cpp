// Names as text (file specifications and logical names), then the operations
// that act on real directories by name: wildcard search, delete, rename,
// devinfo and setdir.
//
// The fuzzer in fuzz/ holds fparse, fparsemax and fparseio to a plain model
// of the same rules on any text, at every max, with the canonical form, and
// with `out` the specification's own buffer; the cases here show that Windows
// merges names by its own syntax.  Logical names: definition through
// the environment layer, one translation, chains of translations and their
// limits.
//
// Every way of writing a name reaches the file it names and no other: each
// form of one file's name (native, written the Windows way, through a logical
// name whose translation uses either separator, with wildcards) is handed to
// delete and to rename, in a scratch tree that also holds the files a wrong
// resolution would hit; the whole tree is compared before and after.  Then
// what delete and rename do beyond finding their file, devinfo against the
// system's own account of the space, setdir, and the searches themselves.
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "format/guarded_buffer.h"
#include "support/tree.h"
#include <utf8fs.h>
#include <zrlshared.h>

namespace {

namespace fs = std::filesystem;
using namespace zrl_test; // Tree, InDirectory, changes, native paths, guarded
using Texts = std::vector<std::string>;
const std::string kSepText(1, kSep);
constexpr int kOut = 4097; // the out buffer of fsearch and ffspec

// ---- Names as text.

// Where a name is read as Windows reads it, a directory of spec replaces the
// default's whole but keeps its drive; where there are no drives "C:" is
// part of a plain name (the fuzzer covers both syntaxes).  fparseio takes
// only name and type from its related specification, cut at 132.
TEST(Fparse, WindowsKeepsTheDefaultsDriveAndTheRelatedNameIsCut) {
    const std::string long_name(200, 'r'), related = long_name + ".typ";
    const auto merged = [](char *out) {
        return fparse(out, "sub\\new.lis", "C:\\DATA\\old.txt", nullptr);
    };
    EXPECT_EQ(guarded(kOut, merged), kWindows ? "C:sub\\new.lis" : "sub\\new.lis");
    const auto cut = [&](char *out) {
        return fparseio(out, "C:\\OUT\\", nullptr, related.c_str(), nullptr);
    };
    EXPECT_EQ(guarded(kOut, cut), "C:\\OUT\\" + long_name.substr(0, 132));
}

// lognam gives the length of the translation it writes.
std::string once(const std::string &name) {
    const auto translate = [&](char *out) { return lognam(name.c_str(), out); };
    return guarded(static_cast<int>(name.size()) + 4096, translate);
}

// reclognam writes at most 256 bytes, its work area among them.
std::string fully(const std::string &name) {
    const auto translate = [&](char *out) { return reclognam(name.c_str(), out); };
    return guarded(256, translate, nullptr, 256);
}

// Names are used unchanged (the colon is the caller's to strip; case as the
// environment has it).  A chain ends at an empty translation, or after 100
// translations: CH_0 -> ... -> CH_101, undefined, gives CH_100 from CH_0.
TEST(Lognam, DefinesTranslatesOnceAndFollowsChains) {
    zrl_error = 42;
    const std::string a = define("ZRLT_LOG_A", define("ZRLT_LOG_B", "ZRLT_LOG_C"));
    const std::string to_empty = define("ZRLT_LOG_TO_EMPTY", define("ZRLT_LOG_EMPTY", ""));
    const std::string mixed = define("ZRLT_LOG_Case", "Z\xc3\xbcrich");
    for (int i = 0; i <= 100; ++i)
        define("ZRLT_LOG_CH_" + std::to_string(i), "ZRLT_LOG_CH_" + std::to_string(i + 1));
    // clang-format off
    const std::string rows[][3] = {
        {a, "ZRLT_LOG_B", "ZRLT_LOG_C"}, {to_empty, "ZRLT_LOG_EMPTY", "ZRLT_LOG_EMPTY"},
        {mixed, "Z\xc3\xbcrich", "Z\xc3\xbcrich"}, {mixed + ":", "", ""}, {"", "", ""},
        {"ZRLT_LOG_CH_0", "ZRLT_LOG_CH_1", "ZRLT_LOG_CH_100"},
        {"ZRLT_LOG_CH_1", "ZRLT_LOG_CH_2", "ZRLT_LOG_CH_101"},
    };
    // clang-format on
    for (const auto &[name, one, all] : rows) {
        EXPECT_EQ(once(name), one) << name;
        EXPECT_EQ(fully(name), all) << name;
    }

    // Translations of up to 255 characters are held; a longer one is cut to
    // the 255 that the work buffer holds and ends the chain, even when the
    // cut text is itself defined.  lognam has no such bound.
    const std::string n255 = "ZRLT_LOG_" + std::string(242, 'N') + "_255";
    EXPECT_EQ(fully(define("ZRLT_LOG_TO_255", define(n255, "END"))), "END");
    const std::string cut = define("ZRLT_LOG_" + std::string(242, 'L') + "_CUT", "NOT_REACHED");
    const std::string value = cut + std::string(745, 'x');
    const std::string long_name = define("ZRLT_LOG_LONG", value);
    EXPECT_EQ(fully(long_name), cut);
    EXPECT_EQ(once(long_name), value);

    // deflognam refuses an empty or null name; a null name translates to
    // nothing.  Nothing here touches the status.
    EXPECT_EQ(deflognam("", "value") + deflognam(nullptr, "value"), -2);
    EXPECT_EQ(guarded(8, [](char *b) { return lognam(nullptr, b) + reclognam(nullptr, b); }), "");
    EXPECT_EQ(zrl_error, 42);
}

// ---- Operations on real directories.

std::string with(char separator, std::string text) {
    std::replace(text.begin(), text.end(), separator == '/' ? '\\' : '/', separator);
    return text;
}

struct Search {
    int status = 0; // zrl_error after fsinit
    std::string pattern;
    Texts entries; // in the order fsearch gave them
};

// Runs a search one call past its end, in a context of the caller's that
// holds garbage before fsinit, checking what every search must do: lengths
// that match the text, nothing written behind the NUL, and an end that
// reports -1 with an empty out on every call.
Search run(const std::string &spec, const char *def = nullptr) {
    SCOPED_TRACE(spec);
    auto *given = static_cast<ZRL_SEARCH *>(std::malloc(sizeof(ZRL_SEARCH)));
    std::memset(given, 0x5A, sizeof *given);
    zrl_error = 99;
    ZRL_SEARCH *context = fsinit(given, spec.c_str(), def);
    EXPECT_EQ(context, given);
    Search result{zrl_error, context->pattern, {}};
    for (int call = 0; call < context->count + 2; ++call) {
        const std::string out = guarded(kOut, [&](char *b) { return fsearch(context, b); });
        EXPECT_EQ(out.empty() ? -1 : 0, zrl_error);
        EXPECT_EQ(!out.empty(), call < context->count);
        if (!out.empty()) result.entries.push_back(out);
    }
    EXPECT_EQ(fsfree(context), 0);
    return result;
}

// ffspec's path in a guarded buffer, "" when nothing is found.
std::string first(const std::string &spec) {
    return guarded(kOut, [&](char *b) { return ffspec(b, spec.c_str(), nullptr); });
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
    char after[] = "x";
    EXPECT_EQ(ffsearch(search, after), 0);
    EXPECT_STREQ(after, "x");
    EXPECT_EQ(ffsfree(search), 0);
    return sorted(found);
}

// Each form of the name of data/a.txt that the platform reads (native,
// with wildcards, a leading backslash, relative, through logical names whose
// translations use either separator, a search list; where there are no
// drives also the Windows way of writing a POSIX path, mixed separators and
// a logical name before a directory, which Windows would take as it stands)
// is what fdelete and frename act on (both find their file as ffspec does).
//
// Each delete or rename changes exactly what it names and reports failures
// with the runtime's numbers, also in the status.  A new name goes where its
// own text says, written either way: a logical device to the first directory
// of its translation (with a separator put between unless it ends with one),
// unless the name has a directory of its own; a device without translation
// is dropped; a name too long to hold whole is refused, never cut.  Delete
// takes one match per call, the first directory of a search list first, and
// refuses directories and read-only files as the Windows runtime does.  A
// name with a backslash, where there are no drives, is passed over.
TEST(NameResolution, EveryNameReachesItsFileAndDeleteAndRenameChangeExactlyThat) {
    Tree tree{"resolve"};
    const std::string root = tree.root(), below = with('\\', root.substr(kWindows ? 3 : 1));
    // The file everything below names, its neighbour, and the decoys (each
    // file holds its own name).  A pattern's device put in front of a found
    // full path lands below the tree at the tree's own path again; a name cut
    // short or a separator read in a file's name lands on the others.  Where
    // a colon may be part of a name, a file in the current directory can bear
    // the very text of a logical name and its file; where there are no
    // drives, a colon after one letter is part of a name too ("C:" a
    // directory), and a name may hold a backslash ("q\b" unreachable, "q/b"
    // what it would name).
    Texts files = {"data/a.txt", "data/b.txt",     with('/', below) + "/data/a.txt",
                   "a.txt",      "data/a.txt.bak", "ro.txt"};
    if (!kWindows)
        files.insert(files.end(), {"ZRLT_RES_FWD:a.txt", "ZRLT_RES_ROOT:data/a.txt", "C:a.TXT",
                                   "C:/a.TXT", "q\\b", "q/b"});
    for (const std::string &file : files)
        tree.file(file, file);
    fs::permissions(os_path(tree.at("ro.txt")), fs::perms::owner_write, fs::perm_options::remove);
    define("ZRLT_RES_FWD", with('/', root) + "/data/");
    define("ZRLT_RES_BACK", with('\\', root) + "\\data");
    define("ZRLT_RES_LIST", with('\\', root) + "\\none," + root + kSep + "data");
    define("ZRLT_RES_FIRST", root + kSep + "data," + root);
    define("ZRLT_RES_ROOT", root);
    define("ZRLT_RES_LONG", std::string(5000, 'x'));
    InDirectory here(root);
    const Tree::Snapshot start = tree.snapshot();
    const std::string b = native("data/b.t*");
    // operation ("del2": two deletes), name, new name, status, changes
    std::vector<std::tuple<std::string, std::string, std::string, int, std::string>> rows = {
        {"ren", b, "n.txt", 0, "-data/b.txt +n.txt"},
        {"ren", "ZRLT_RES_UNDEFINED:a.txt", "n.txt", 22, ""},
        {"ren", b, "ZRLT_RES_UNDEFINED:", 22, ""},
        {"ren", b, native("data/a.txt"), EEXIST, ""},
        {"ren", b, native("none/n.txt"), ENOENT, ""},
        {"ren", b, "ZRLT_RES_LONG:n.txt", ENAMETOOLONG, ""},
        {"del2", "ZRLT_RES_FIRST:*.txt", "", 0, "-data/a.txt -data/b.txt"},
        {"del", "MISSING.TXT", "", 22, ""},
        {"del", "dat?", "", EACCES, ""},
        {"del", "ro.txt", "", EACCES, ""},
    };
    // Each way of writing the new name data/n.txt.
    const std::string n = native("data/n.txt");
    for (const std::string &to :
         Texts{tree.at("data/n.txt"), "ZRLT_RES_BACK:n.txt", "\\" + below + "\\data\\n.txt",
               "ZRLT_RES_FIRST:n.txt", "ZRLT_RES_ROOT:" + n, "ZRLT_RES_UNDEFINED:" + n})
        rows.push_back({"ren", b, to, 0, "-data/b.txt +data/n.txt"});
    Texts forms = {tree.at("data/a.txt"), tree.at("data/a.t?t"), "\\" + below + "\\data\\a.txt",
                   native("data/a.txt"),  "ZRLT_RES_FWD:a.txt",  "ZRLT_RES_BACK:a.txt",
                   "ZRLT_RES_BACK:a.t?t", "ZRLT_RES_LIST:a.txt"};
    if (!kWindows)
        forms.insert(forms.end(), {"\\\\" + below + "\\data\\a.txt", "/" + below + "\\data/a.txt",
                                   "ZRLT_RES_ROOT:data/a.txt"});
    for (const std::string &spec : forms) {
        rows.push_back({"del", spec, "", 0, "-data/a.txt"});
        rows.push_back({"ren", spec, "moved.txt", 0, "-data/a.txt +moved.txt"});
    }
    if (!kWindows) {
        rows.push_back({"del", "C:*.TXT", "", 0, "-C:a.TXT"});
        rows.push_back({"del", "q?b", "", 22, ""});
        rows.push_back({"del", "q*", "", EACCES, ""}); // 'q\b' passed over, the directory refused
    }
    for (const auto &[op, from, to, want, changed] : rows) {
        SCOPED_TRACE(op + " " + from + " -> " + to.substr(0, 60));
        zrl_error = -5;
        int status = op == "ren" ? frename(from.c_str(), to.c_str()) : fdelete(from.c_str());
        if (op == "del2") status += fdelete(from.c_str());
        EXPECT_EQ(status, want);
        EXPECT_EQ(zrl_error, want);
        EXPECT_EQ(changes(start, tree.snapshot()), changed);
        // Back to the start: what is new goes, every file is written again
        // (the read-only one, if still there, keeps its content).
        std::error_code ignored;
        for (const auto &entry : tree.snapshot())
            if (start.count(entry.first) == 0)
                fs::remove_all(os_path(tree.at(entry.first)), ignored);
        for (const auto &[path, content] : start)
            if (content != "<dir>") tree.file(path, content);
    }
}

// A name too long for the file system is refused by delete and by rename,
// as the old name or the new, with the runtime's number for it; none acts on
// a shortened name.  The decoy lies where the name cut at 4096 characters
// and then shortened by its logical name's translation would lead.
TEST(NameResolution, OverlongNamesAreRefusedNeverCut) {
    Tree tree{"resolve_long"};
    const std::string device = define("ZRLT_RES_" + std::string(60, 'L'), ".") + ":";
    std::string dirs;
    for (int i = 0; i < 19; ++i) // with "victim.txt" behind: 4096 characters
        dirs += std::string(200, 'd') + "/";
    dirs += std::string(4096 - device.size() - 10 - dirs.size() - 1, 'e') + "/";
    std::error_code made;
    fs::create_directories(os_path(tree.at(dirs)), made);
    if (made) GTEST_SKIP() << "the file system takes no path this long: " << made.message();
    tree.file(dirs + "victim.txt", "must stay");
    tree.file("other.txt", "other");
    InDirectory here(tree.root());
    // Wine makes such a tree but cannot list it again past 260 characters.
    Tree::Snapshot before;
    try {
        before = tree.snapshot();
    } catch (const fs::filesystem_error &e) {
        GTEST_SKIP() << "the tree cannot be listed: " << e.what();
    }
    for (const char *name : {"victim.txtX", "victim.tx*X"}) {
        const std::string spec = device + native(dirs) + name;
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
// drive has no space to read.  (The keyword matching itself has its own
// fuzzer.)
TEST(Devinfo, ReportsTheSpaceOfTheNamedDriveOrTheCurrentOne) {
    Tree tree;
    InDirectory here(tree.root());
    define("ZRLT_FOPS_DEVLOG", tree.root());
    const unsigned total = blocks_of(tree.root(), true), free = blocks_of(tree.root(), false);
    const std::string file = tree.at("X.DAT");
    // spec, query, blocks, status
    const std::tuple<const char *, const char *, unsigned, int> rows[] = {
        // clang-format off
        {file.c_str(), "FreeB", free, 7}, {"", "AVAI", free, 7}, {nullptr, "/maxblocks", total, 7},
        {file.c_str(), "FRE", 0, 22}, {"ZRLT_FOPS_DEVLOG:X.DAT", "FREE", 0x7FFFFFFF, 7},
        // clang-format on
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
    if (!kWindows && !fs::is_directory("/dev/shm")) return; // no second file system here
    EXPECT_EQ(devinfo(other.c_str(), "MAX"), kWindows ? total : blocks_of("/dev/shm", true));
}

// setdir on a copy of each path in a guarded buffer: the text it leaves
// there and the directory then current.  A failed change reports the
// directory that stays current; one too long to report in 79 characters
// gives nothing, one of exactly 79 still fits, 80 do not.
TEST(Setdir, ChangesDirectoryAndReportsTheCurrentOneWithAFinalSeparator) {
    Tree tree;
    tree.dir("sub/\xc3\xa9t\xc3\xa9");
    InDirectory keep(current_directory()); // setdir changes it
    ASSERT_LT(tree.root().size() + 10, 79u) << "the test needs a short temporary directory";
    const std::string utf8 = tree.at("sub/\xc3\xa9t\xc3\xa9") + kSep;
    const std::string edge = (tree.root() + kSep + std::string(79, 'e')).substr(0, 79);
    const std::string edge80 = edge + 'g';
    for (const std::string &made : {edge, edge80})
        fs::create_directories(os_path(made));
    const std::pair<std::string, std::string> rows[] = {
        // path, what setdir reports: the directory then current, or nothing
        // clang-format off
        {tree.at("sub") + kSep, tree.at("sub") + kSep}, {"\xc3\xa9t\xc3\xa9", utf8}, {"", utf8},
        {tree.at("no/such/dir"), utf8}, {edge, edge + kSep}, {edge80, ""},
        // clang-format on
    };
    for (const auto &[path, reported] : rows) {
        const auto set = [&](char *b) { return setdir(std::strcpy(b, path.c_str())); };
        EXPECT_EQ(guarded(256, set, nullptr, static_cast<int>(path.size()) + 1), reported) << path;
        const std::string now = current_directory();
        EXPECT_EQ(now.back() == kSep ? now : now + kSep, reported.empty() ? path + kSep : reported);
    }
}

// ---- Wildcard search: the search context (fsinit, fsearch, fsfree) and the
// light search held to the UTF-8 layer's enumeration, then what only they
// do: defaults, '%', search lists of logical names, ffspec's edges and the
// light search's prefix.

// Both searches list what the layer's enumeration lists, for patterns of
// every shape ('%' being the layer's '?'): the search context each entry's
// full path with a separator after a directory (after a link to one too),
// the light search the prefix and each name that does not start with a dot.
// The tree holds more entries than the list's first allocation, so that the
// list grows.  Then what only the search context does: the default fills
// what the spec lacks; '%' above the last component is plain; the pattern
// text is the merge without a closing separator.
TEST(Listings, AgreeWithTheLayersEnumeration) {
    Tree tree;
    for (const char *f : {"a.txt", "b.TXT", "ab.txt", "c.tar.gz", "x.gz.txt", "noext", "e.",
                          ".hidden.txt", "file1.txt", "file12.txt", "file.txt", "\xc3\xa9.txt",
                          "sub.txt/in.txt", "z", "d%/x1", "d%/x22"})
        tree.file(f);
    for (int i = 0; i < 300; ++i)
        tree.file("n" + std::to_string(i) + ".dat");
    tree.dir("dir.d");
    std::error_code ignored;
    if (!kWindows) fs::create_directory_symlink(tree.at("dir.d"), tree.at("l.d"), ignored);
    const std::string dir = tree.root(), root = full_path(dir);
    for (std::string pattern :
         {"*", "*.*", "*.txt", "*.TXT", "*.gz", "*.tar.gz", "*z", "*.", "*.d", "?.txt", "%.txt",
          "file?.txt", "file%.txt", "*e*", "a*", "*x*.*", "e.", "z"}) {
        Texts context_expected, light_expected;
        std::string layer_pattern = pattern;
        std::replace(layer_pattern.begin(), layer_pattern.end(), '%', '?');
        for (const std::string &name : find_all(dir + kSep + layer_pattern)) {
            if (name == "." || name == "..") continue;
            const bool is_dir = fs::is_directory(os_path(dir + kSep + name));
            context_expected.push_back(root + kSep + name + (is_dir ? kSepText : ""));
            if (name[0] != '.') light_expected.push_back(dir + kSep + name);
        }
        EXPECT_EQ(sorted(run(dir + kSep + pattern).entries), sorted(context_expected)) << pattern;
        EXPECT_EQ(light(dir, layer_pattern.c_str()), sorted(light_expected)) << pattern;
    }
    InDirectory here(dir);
    // The light search: a spec with a '*' is the search itself and its
    // pattern is ignored; the prefix as written.  A null context of either
    // search ends at once.
    EXPECT_EQ(light(dir + kSep + "*.gz", "*.txt"), Texts{dir + kSep + "c.tar.gz"});
    EXPECT_EQ(light("sub.txt", nullptr), Texts{"sub.txt" + kSepText + "in.txt"});
    char out[kOut] = "x";
    EXPECT_EQ(fsearch(nullptr, out) + fsfree(nullptr) + ffsfree(nullptr), 0);
    // ffspec: a directory gets its separator, a separator alone names the
    // root, and nothing found is 0 and an empty text.
    EXPECT_EQ(first("sub.txt"), tree.at("sub.txt/"));
    EXPECT_EQ(first("\\"), full_path(kSepText));
    EXPECT_EQ(first("*.none") + first("ZRLT_SRCH_NEVER:x"), "");
    EXPECT_EQ(run("file1", tree.at("x.txt").c_str()).entries, Texts{tree.at("file1.txt")});
    EXPECT_EQ(run(tree.at("d%/x%")).entries, Texts{tree.at("d%/x1")});
    EXPECT_EQ(run("sub.txt" + kSepText).pattern, "sub.txt");
    EXPECT_EQ(run("in.txt", native("sub.txt/").c_str()).pattern, native("sub.txt/in.txt"));
}

// Elements in their order (a missing one passed over), the pattern text the
// last element's directory, a directory after the device below each element,
// the device from the default.  An undefined name gives 22 and an empty
// pattern; an element that leaves no room for the name pattern (with its
// separator it fills 4095 characters) is refused whole.
TEST(SearchList, SearchesEachElementInTurn) {
    Tree tree;
    // "été" and "été/€.TXT"
    const std::string utf8 = "\xc3\xa9t\xc3\xa9", euro = utf8 + "/\xe2\x82\xac.TXT";
    for (const char *f : {"A/1.TXT", "B/3.TXT", "A/SUB/4.TXT", "B/SUB/5.TXT", "B/SUB/6.DAT"})
        tree.file(f);
    tree.file(euro);
    const std::string list =
        define("ZRLT_SRCH_LIST", tree.at("A") + "," + tree.at("missing") + "," + tree.at("B") +
                                     kSep + "," + tree.at(utf8));
    const Search top = run(list + ":*.TXT");
    EXPECT_EQ(top.entries, (Texts{tree.at("A/1.TXT"), tree.at("B/3.TXT"), tree.at(euro)}));
    EXPECT_EQ(top.pattern, tree.at(utf8 + "/"));
    EXPECT_EQ(run(list + ":SUB" + kSep + "*.TXT").entries,
              (Texts{tree.at("A/SUB/4.TXT"), tree.at("B/SUB/5.TXT")}));
    EXPECT_EQ(run("3", (list + ":.TXT").c_str()).entries, Texts{tree.at("B/3.TXT")});

    const std::string full = define("ZRLT_SRCH_FULL", kSepText + std::string(4093, 'a'));
    for (const auto &[spec, status] : {std::pair{std::string("ZRLT_SRCH_NEVER:*.TXT"), 22},
                                       std::pair{full + ":x", ENAMETOOLONG}}) {
        const Search s = run(spec);
        EXPECT_EQ(s.status, status);
        EXPECT_EQ(s.pattern + (s.entries.empty() ? "" : "entries"), "");
    }
}

} // namespace
