// File specifications: the field scanner seen through single-field lists, field
// lists, the merge with defaults, the cut at max, the canonical form and
// fparseio's related specification.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "format/guarded_buffer.h"
#include "support/tree.h"
#include <zrlshared.h>

namespace {

using zrl_test::GuardedBuffer;

constexpr int kSpecBytes = 4097;

std::string parse(const char *spec, const char *def, const char *fields, int *length = nullptr) {
    GuardedBuffer out(kSpecBytes);
    const int n = fparse(out.data(), spec, def, fields);
    EXPECT_TRUE(out.untouched_from(n + 1)) << "'" << (spec ? spec : "(null)") << "'";
    if (length != nullptr) *length = n;
    EXPECT_EQ(static_cast<std::size_t>(n), out.text().size());
    return out.text();
}

struct MergeCase {
    const char *spec;
    const char *def;
    const char *fields;
    const char *want;
};

void expect_merges(const std::vector<MergeCase> &cases) {
    for (const MergeCase &c : cases) {
        int n = -1;
        EXPECT_EQ(parse(c.spec, c.def, c.fields, &n), c.want)
            << "spec '" << (c.spec ? c.spec : "(null)") << "' default '"
            << (c.def ? c.def : "(null)") << "' fields '" << (c.fields ? c.fields : "(null)")
            << "'";
        EXPECT_EQ(n, static_cast<int>(std::string(c.want).size()));
    }
}

// The text of one field of spec, taken alone with its field list.
struct SplitCase {
    const char *spec;
    const char *device, *directory, *name, *type;
};

void expect_splits(const std::vector<SplitCase> &cases) {
    for (const SplitCase &c : cases) {
        SCOPED_TRACE(c.spec);
        EXPECT_EQ(parse(c.spec, nullptr, "dev"), c.device);
        EXPECT_EQ(parse(c.spec, nullptr, "dir"), c.directory);
        EXPECT_EQ(parse(c.spec, nullptr, "nam"), c.name);
        EXPECT_EQ(parse(c.spec, nullptr, "typ"), c.type);
        EXPECT_EQ(parse(c.spec, nullptr, "nod"), "");
        EXPECT_EQ(parse(c.spec, nullptr, "ver"), "");
        // The fields joined in order give back the text.
        EXPECT_EQ(parse(c.spec, nullptr, nullptr), c.spec);
    }
}

TEST(Fparse, DocumentedExamplesHoldOnEveryPlatform) {
    expect_merges({
        {"file", "C:\\DATA\\*.TXT", nullptr, "C:\\DATA\\file.TXT"},
        {"C:\\DATA\\FILE.TXT", nullptr, "DEV,DIR", "C:\\DATA\\"},
        {"C:\\DATA\\FILE.TXT", nullptr, "nam", "FILE"},
        {"ARCHIVE.TAR.GZ", nullptr, "typ", ".GZ"},
        {".profile", nullptr, "typ", ".profile"},
        {"file.txt;3", nullptr, "typ", ".txt;3"},
        {"node::x", "DEF::D:[X]Y.Z;4", "VERSION", ""},
        {"C:\\DATA\\FILE.TXT", nullptr, "xyz", ""},
    });
}

// The rules of the Windows syntax, which every platform reads the same way.
TEST(Fparse, SplitsBackslashSpecificationsIntoFields) {
    expect_splits({
        // spec, then its device, directory, name and type
        {"DATA:SUB\\REPORT.LIS", "DATA:", "SUB\\", "REPORT", ".LIS"},
        {"DK:\\DATA\\FILE.TXT", "DK:", "\\DATA\\", "FILE", ".TXT"},
        {"SUB\\DIR\\", "", "SUB\\DIR\\", "", ""},
        {"A\\B:C.D", "", "A\\", "B:C", ".D"},
        {"ab:c:d.e", "ab:", "", "c:d", ".e"},
        {"file.", "", "", "file", "."},
        {"..", "", "", ".", "."},
        {"node::x", "node:", "", ":x", ""},
    });
}

#ifndef _WIN32
// A POSIX build reads '/' and '\\' as directory separators and a leading one
// as the root directory.
TEST(Fparse, SplitsPosixPathsIntoFields) {
    expect_splits({
        // spec, then its device, directory, name and type
        {"/usr/lib/libc.so.6", "", "/usr/lib/", "libc.so", ".6"},
        {"/", "", "/", "", ""},
        {"DATA:/x/y.z", "DATA:", "/x/", "y", ".z"},
        {"//server/share/x.txt", "", "//server/share/", "x", ".txt"},
        {"\\USR/X.TXT", "", "\\USR/", "X", ".TXT"},
        {"mixed\\dir/x.y", "", "mixed\\dir/", "x", ".y"},
    });
}

TEST(Fparse, PosixTwinsOfDocumentedExamples) {
    expect_merges({
        {"file", "/data/*.txt", nullptr, "/data/file.txt"},
        {"file", "DATA:/data/*.txt", nullptr, "DATA:/data/file.txt"},
        {"/data/FILE.TXT", nullptr, "dev", ""},
        {"//server/share/x.txt", nullptr, "dir", "//server/share/"},
        {"sub/new.lis", "DATA:/data/old.txt", nullptr, "DATA:sub/new.lis"},
        {"/other/", "DATA:/data/old.txt", nullptr, "DATA:/other/old.txt"},
        {"rel/", "/data/old.txt", "dir,nam", "rel/old"},
    });
}
#else
// Windows reads a slash as no separator in the backslash syntax: a leading
// one starts a device, any other is part of a name.
TEST(Fparse, WindowsKeepsSlashesOutOfDirectories) {
    expect_splits({
        {"/usr/lib/x.so", "/usr/", "", "lib/x", ".so"},
        {"a/b.c", "", "", "a/b", ".c"},
        {"C:/DATA/X.TXT", "C:", "", "/DATA/X", ".TXT"},
        {"dir.d/file", "", "", "dir", ".d/file"},
    });
}
#endif

// Drives and shares exist on Windows only.  Elsewhere a leading separator (or
// two) is the root directory and a colon after one letter is part of a name:
// each text splits where the UTF-8 layer finds the file of the same text.
TEST(Fparse, DrivesAndSharesOnWindowsOnly) {
    struct Case {
        const char *spec, *def, *fields, *windows, *posix;
    };
    const Case cases[] = {
        {"C:\\DATA\\FILE.TXT", nullptr, "dev", "C:", ""},
        {"C:\\DATA\\FILE.TXT", nullptr, "dir", "\\DATA\\", "C:\\DATA\\"},
        {"\\\\SERVER\\SHARE\\X.TXT", nullptr, "dev", "\\\\", ""},
        {"\\\\SERVER\\SHARE\\X.TXT", nullptr, "dir", "SERVER\\SHARE\\", "\\\\SERVER\\SHARE\\"},
        {"\\USR\\X.TXT", nullptr, "dev", "\\USR\\", ""},
        {"\\USR\\X.TXT", nullptr, "dir", "", "\\USR\\"},
        {"a:b:c.d", nullptr, "nam", "b:c", "a:b:c"},
        {"sub\\new.lis", "C:\\DATA\\old.txt", nullptr, "C:sub\\new.lis", "sub\\new.lis"},
        {"D:", "C:\\DATA\\old.txt", nullptr, "D:\\DATA\\old.txt", "C:\\DATA\\D:.txt"},
        {"OTHER\\", "C:\\DATA\\old.txt", nullptr, "C:OTHER\\old.txt", "OTHER\\old.txt"},
        {"\\OTHER\\", "C:\\DATA\\old.txt", nullptr, "\\OTHER\\\\DATA\\old.txt", "\\OTHER\\old.txt"},
        {"x\\y.", "C:\\DATA\\old.txt", nullptr, "C:x\\y.", "x\\y."},
        {"name", "C:", nullptr, "C:name", "name"},
        {"C:\\OUT\\", "prog.c", "dev,typ", "C:.c", ".c"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(parse(c.spec, c.def, c.fields), zrl_test::kWindows ? c.windows : c.posix)
            << "spec '" << c.spec << "' default '" << (c.def ? c.def : "(null)") << "'";
}

TEST(Fparse, FieldListsSelectByAbbreviatedWords) {
    const char *const spec = "DEV:\\DIR\\NAME.TYP";
    struct Case {
        const char *fields;
        const char *want;
    };
    const Case cases[] = {
        {nullptr, "DEV:\\DIR\\NAME.TYP"},
        {"nam,typ", "NAME.TYP"},
        {"typ,nam", "NAME.TYP"}, // fields keep their order whatever the list's
        {"directoryx", ""},
        {"di", ""},
        {"/nam/typ", "NAME.TYP"},
        {"xyz,typ", ".TYP"},
        {"dev\xe9nam", "DEV:NAME"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(parse(spec, nullptr, c.fields), c.want)
            << "'" << (c.fields ? c.fields : "(null)") << "'";
}

TEST(Fparse, FillsMissingFieldsFromDefault) {
    expect_merges({
        {"new", "DK:\\DATA\\old.txt", nullptr, "DK:\\DATA\\new.txt"},
        {nullptr, "DK:\\DATA\\old.txt", "typ", ".txt"},
        {nullptr, nullptr, nullptr, ""},
        // A field that spec has replaces the default's whole.
        {"DATA:", "DK:\\DATA\\old.txt", nullptr, "DATA:\\DATA\\old.txt"},
        // Neither text has the field: it stays out.
        {"name", "DK:", nullptr, "DK:name"},
    });
}

TEST(Fparse, OutMayBeTheSpecificationItself) {
    char buffer[kSpecBytes] = "file";
    EXPECT_EQ(fparse(buffer, buffer, "DK:\\DATA\\*.TXT", nullptr), 17);
    EXPECT_STREQ(buffer, "DK:\\DATA\\file.TXT");
    EXPECT_EQ(fparse(buffer, buffer, nullptr, "dir,nam"), 10);
    EXPECT_STREQ(buffer, "\\DATA\\file");
    char def[kSpecBytes] = "DK:\\DATA\\old.txt";
    EXPECT_EQ(fparse(def, "new", def, nullptr), 16);
    EXPECT_STREQ(def, "DK:\\DATA\\new.txt");
}

// The documented cut at five, every other length, a negative max (nothing
// written) and a max above the 4096 of fparse.
TEST(Fparsemax, CutsAtMaxAndWritesNothingBeyond) {
    const std::string full = "C:\\DATA\\file.TXT";
    for (int max = -2; max <= static_cast<int>(full.size()) + 2; ++max) {
        GuardedBuffer out(max < 0 ? 0 : max + 1);
        const int n = fparsemax(out.data(), max, "file", "C:\\DATA\\*.TXT", nullptr);
        const std::string want = max < 0 ? "" : full.substr(0, static_cast<std::size_t>(max));
        EXPECT_EQ(n, static_cast<int>(want.size())) << max;
        EXPECT_TRUE(out.untouched_from(max < 0 ? 0 : n + 1)) << max;
        EXPECT_EQ(out.text(), want) << max;
    }
    const std::pair<const char *, const char *> documented[] = {{"C:\\DATA\\FILE.TXT", "C:\\DA"},
                                                                {"/data/FILE.TXT", "/data"}};
    for (const auto &[spec, want] : documented) {
        GuardedBuffer out(6);
        EXPECT_EQ(fparsemax(out.data(), 5, spec, nullptr, nullptr), 5);
        EXPECT_EQ(out.text(), want);
        EXPECT_TRUE(out.untouched_from(6));
    }
    const std::string dir = std::string(5000, 'd') + "\\";
    GuardedBuffer out(6001);
    EXPECT_EQ(fparsemax(out.data(), 6000, "name.typ", dir.c_str(), nullptr), 5009);
    EXPECT_EQ(out.text(), dir + "name.typ");
    // fparsemax has no canonical mode: the word is a field word it lacks.
    zrl_error = 5;
    EXPECT_EQ(fparsemax(out.data(), 4096, "sys:File.DAT", nullptr, "can,typ"), 4);
    EXPECT_EQ(out.text(), ".DAT");
    EXPECT_EQ(zrl_error, 5);
}

TEST(Fparse, CutsLongResultsAt4096) {
    const std::string dir = "C:\\" + std::string(5000, 'd') + "\\";
    for (const char *fields : {static_cast<const char *>(nullptr), "dev,dir", "nam"}) {
        GuardedBuffer out(kSpecBytes);
        const std::string spec =
            fields && std::string(fields) == "nam" ? std::string(6000, 'n') : dir + "x.y";
        const int n = fparse(out.data(), spec.c_str(), nullptr, fields);
        EXPECT_EQ(n, 4096);
        EXPECT_EQ(out.text(), spec.substr(0, 4096));
        EXPECT_TRUE(out.untouched_from(4097));
    }
    // The same through a buffer that is both spec and out.
    std::vector<char> buffer(dir.begin(), dir.end());
    buffer.resize(8000, '\0');
    EXPECT_EQ(fparse(buffer.data(), buffer.data(), "z.z", nullptr), 4096);
    EXPECT_EQ(std::string(buffer.data()), dir.substr(0, 4096));
}

TEST(Fparse, MergeLeavesStatusAlone) {
    zrl_error = 77;
    char out[kSpecBytes];
    fparse(out, "c:\\x\\file.dat", nullptr, nullptr);
    fparsemax(out, 3, "x", nullptr, "xyz");
    fparseio(out, "x", nullptr, "y", nullptr);
    EXPECT_EQ(zrl_error, 77);
}

// ---- Canonical form ----

struct CanonicalCase {
    const char *spec;
    const char *def;
    const char *want; // nullptr: rejected with status 22
};

// The device is upper-cased, name and type lower-cased (bytes from 128 up
// stay as they are).  Each text is accepted only if the bracket, slash,
// backslash and colon syntaxes all find the same fields in it; the comment
// names what decides.
TEST(FparseCanonical, NormalisesDeviceNameAndTypeOfTextsEverySyntaxAgreesOn) {
    const CanonicalCase cases[] = {
        {"sys:File.DAT", nullptr, "SYS:file.dat"},
        {"a.b.c", nullptr, "a.b.c"},
        {nullptr, nullptr, ""},
        {".TYP", "SyS:Name", "SYS:name.typ"},
        {"\xc4U:\xc4X.Y", nullptr, "\xc4U:\xc4x.y"}, // bytes from 128 up stay as they are
        {"c:\\x\\file.dat", nullptr, nullptr},
        {"[d]x.y", nullptr, nullptr},
        {".dat", "c:\\dir\\x", nullptr},
        // The generic syntax has no directory: a default's '\dir\' is a name.
        {"file", "c:\\dir\\", "C:file"},

        {"[abc", nullptr, "[abc"},    // an unclosed bracket makes no directory
        {"x[a]y", nullptr, "x[a]y"},  // a directory only at the start
        {"[a]", nullptr, nullptr},    // bracket directory
        {"[a.]", nullptr, nullptr},   // the complete group before the missing one
        {"a::", nullptr, nullptr},    // bracket node
        {"a:b::c", nullptr, nullptr}, // colon directory
        {"x;", nullptr, nullptr},     // bracket version
        {"/", nullptr, nullptr},      // slash and backslash devices
        {"\\a:", nullptr, "\\A:"},
        {".", nullptr, "."},
        {"..", nullptr, nullptr}, // the bracket name ends at the first dot
        {"", "Tt:", "TT:"},
    };
    for (const CanonicalCase &c : cases) {
        SCOPED_TRACE(c.spec ? c.spec : "(null)");
        GuardedBuffer out(kSpecBytes);
        zrl_error = c.want ? 99 : 0;
        const int n = fparse(out.data(), c.spec, c.def, "CANONICAL");
        const std::string want = c.want ? c.want : "";
        EXPECT_EQ(out.text(), want);
        EXPECT_EQ(n, static_cast<int>(want.size()));
        EXPECT_EQ(zrl_error, c.want ? 0 : 22);
        EXPECT_TRUE(out.untouched_from(n + 1));
    }
}

TEST(FparseCanonical, ModeKeywordOnlyAtStartOfFieldList) {
    // The words that do not select the mode are field words the table lacks.
    const struct {
        const char *fields;
        const char *want;
        int status; // what zrl_error holds afterwards; it starts at 7
    } cases[] = {
        {"canonical", "SYS:file.dat", 0},
        {"/can", "SYS:file.dat", 0},
        {"Canon,nam", "SYS:file.dat", 0},
        {"nam,can", "File", 7},
        {"ca", "", 7},
    };
    for (const auto &c : cases) {
        zrl_error = 7;
        EXPECT_EQ(parse("sys:File.DAT", nullptr, c.fields), c.want) << c.fields;
        EXPECT_EQ(zrl_error, c.status) << c.fields;
    }
}

TEST(FparseCanonical, CutsWorkTextAt4096) {
    const std::string name = std::string(5000, 'N');
    GuardedBuffer out(kSpecBytes);
    const int n = fparse(out.data(), ("DEV:" + name).c_str(), nullptr, "can");
    EXPECT_EQ(n, 4096);
    EXPECT_EQ(out.text(), "DEV:" + std::string(4092, 'n'));
    EXPECT_EQ(zrl_error, 0);
    EXPECT_TRUE(out.untouched_from(4097));
}

// ---- fparseio ----

struct RelatedCase {
    const char *spec;
    const char *related_default;
    const char *related_spec;
    const char *fields;
    const char *want;
};

void expect_related(const std::vector<RelatedCase> &cases) {
    for (const RelatedCase &c : cases) {
        GuardedBuffer out(kSpecBytes);
        const int n = fparseio(out.data(), c.spec, c.related_default, c.related_spec, c.fields);
        EXPECT_EQ(out.text(), c.want) << "'" << (c.spec ? c.spec : "(null)") << "' related '"
                                      << (c.related_spec ? c.related_spec : "(null)") << "'";
        EXPECT_EQ(n, static_cast<int>(std::string(c.want).size()));
        EXPECT_TRUE(out.untouched_from(n + 1));
    }
}

TEST(Fparseio, TakesOnlyNameAndTypeFromRelatedSpecification) {
    expect_related({
        {"C:\\OUT\\", nullptr, "prog.c", nullptr, "C:\\OUT\\prog.c"},
        {".lis", nullptr, "D:\\SRC\\prog.c", nullptr, "prog.lis"},
        {"", "E:\\LIB\\", "D:\\SRC\\prog.c", nullptr, "prog.c"},
        {"out\\", "main.c", ".h", nullptr, "out\\main.h"},
        {"x", "main.c", "D:\\prog", nullptr, "x.c"},
        {"C:\\OUT\\", nullptr, "prog.c", "nam", "prog"},
        {nullptr, nullptr, nullptr, nullptr, ""},
    });
}

#ifndef _WIN32
TEST(Fparseio, PosixTwinsOfDocumentedExamples) {
    expect_related({
        {"/out/", nullptr, "prog.c", nullptr, "/out/prog.c"},
        {".lis", nullptr, "/src/prog.c", nullptr, "prog.lis"},
        {"", "/lib/", "DATA:/src/prog.c", nullptr, "prog.c"},
    });
}
#endif

TEST(Fparseio, CutsRelatedNameAndTypeAt132) {
    const std::string name(200, 'r');
    GuardedBuffer out(kSpecBytes);
    const int n = fparseio(out.data(), "C:\\OUT\\", nullptr, (name + ".typ").c_str(), nullptr);
    EXPECT_EQ(out.text(), "C:\\OUT\\" + name.substr(0, 132));
    EXPECT_EQ(n, 7 + 132);
}

} // namespace
