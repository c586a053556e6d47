// File specifications: one row per rule of the field scanner, the field
// lists, the merge with defaults, the canonical form, the cuts at max and
// fparseio's related specification.  The fuzzer in fuzz/ holds every
// operation to a plain model of the same rules on any text; these rows pin
// the documented examples and the platform differences.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "filespec/guarded.h"
#include "support/tree.h"
#include <zrlshared.h>

namespace {

using filespec_test::Guarded;

constexpr int kSpecBytes = 4097;
constexpr int kUntouched = 7; // zrl_error before each call

// fparse, or fparseio when there is a related specification, into a
// guarded buffer, checking the length and that nothing was written behind
// the NUL.
std::string parse(const char *spec, const char *def, const char *fields,
                  const char *related = nullptr) {
    Guarded out(kSpecBytes);
    const int n = related ? fparseio(out.data(), spec, def, related, fields)
                          : fparse(out.data(), spec, def, fields);
    EXPECT_TRUE(out.untouched_from(n + 1));
    EXPECT_EQ(static_cast<std::size_t>(n), out.text().size());
    return out.text();
}

// Where there are no drives (POSIX) a colon after one letter is part of a
// name and a leading separator, or two, is the root directory; there a slash
// separates too.  Windows reads a leading slash as a device and any other as
// part of a name.  A null result: the row does not apply there.  fparseio
// takes only name and type from its related specification (the last
// column), cut at 132, and its related default is the default column.
TEST(Fparse, OneRowPerRule) {
    const std::string long_name(200, 'r'), long_related = long_name + ".typ";
    const std::string long_want = "C:\\OUT\\" + long_name.substr(0, 132);
    const struct {
        const char *spec, *def, *fields, *posix, *windows;
        int status = kUntouched;
        const char *related = nullptr;
    } rows[] = {
        {"file", "C:\\DATA\\*.TXT", nullptr, "C:\\DATA\\file.TXT", "C:\\DATA\\file.TXT"},
        {"C:\\DATA\\FILE.TXT", nullptr, "DEV,DIR", "C:\\DATA\\", "C:\\DATA\\"},
        {"C:\\DATA\\FILE.TXT", nullptr, "dev", "", "C:"},
        {"C:\\DATA\\FILE.TXT", nullptr, "dir", "C:\\DATA\\", "\\DATA\\"},
        {"C:\\DATA\\FILE.TXT", nullptr, "xyz", "", ""},
        {"\\\\SERVER\\SHARE\\X.TXT", nullptr, "dev", "", "\\\\"},
        {"\\\\SERVER\\SHARE\\X.TXT", nullptr, "dir", "\\\\SERVER\\SHARE\\", "SERVER\\SHARE\\"},
        {"\\USR\\X.TXT", nullptr, "dev", "", "\\USR\\"},
        {"ARCHIVE.TAR.GZ", nullptr, "nam", "ARCHIVE.TAR", "ARCHIVE.TAR"},
        {"ARCHIVE.TAR.GZ", nullptr, "typ", ".GZ", ".GZ"},
        {".profile", nullptr, "typ", ".profile", ".profile"},
        {"file.txt;3", nullptr, "typ", ".txt;3", ".txt;3"},
        {"node::x", "DEF::D:[X]Y.Z;4", "VERSION", "", ""},
        {"node::x", "DEF::D:[X]Y.Z;4", "NODE", "", ""},
        {"a:b:c.d", nullptr, "nam", "a:b:c", "b:c"},
        {"/usr/lib/libc.so.6", nullptr, "dev,dir", "/usr/lib/", "/usr/"},
        {"mixed\\dir/x.y", nullptr, "dir", "mixed\\dir/", "mixed\\"},
        // Field lists: abbreviated words, the fields in their own order.
        {"DEV:\\DIR\\NAME.TYP", nullptr, "typ,nam", "NAME.TYP", "NAME.TYP"},
        {"DEV:\\DIR\\NAME.TYP", nullptr, "di", "", ""},
        // A field of spec replaces the default's whole; one of neither stays out.
        {"sub\\new.lis", "C:\\DATA\\old.txt", nullptr, "sub\\new.lis", "C:sub\\new.lis"},
        {"D:", "C:\\DATA\\old.txt", nullptr, "C:\\DATA\\D:.txt", "D:\\DATA\\old.txt"},
        {"\\OTHER\\", "C:\\DATA\\old.txt", nullptr, "\\OTHER\\old.txt", "\\OTHER\\\\DATA\\old.txt"},
        {"name", "C:", nullptr, "name", "C:name"},
        {"/other/", "DATA:/data/old.txt", nullptr, "DATA:/other/old.txt", nullptr},
        {nullptr, nullptr, nullptr, "", ""},
        // The canonical form: device upper-cased, name and type lower-cased;
        // refused unless every syntax agrees.
        {"sys:File.DAT", nullptr, "CANONICAL", "SYS:file.dat", "SYS:file.dat", 0},
        {"File.DAT", "tt:", "can", "TT:file.dat", "TT:file.dat", 0},
        {"a.b.c", nullptr, "/can", "a.b.c", "a.b.c", 0},
        {"sys:File.DAT", nullptr, "Canon,nam", "SYS:file.dat", "SYS:file.dat", 0},
        {nullptr, nullptr, "can", "", "", 0},
        {"c:\\x\\file.dat", nullptr, "can", "", "", 22},
        {"node::x", nullptr, "can", "", "", 22},
        {"a/b.c", nullptr, "can", "", "", 22},
        {"[d]x.y", nullptr, "can", "", "", 22},
        // The mode word counts at the start of the list only.
        {"sys:File.DAT", nullptr, "nam,can", "File", "File"},
        {"sys:File.DAT", nullptr, "ca", "", ""},
        // fparseio
        {"C:\\OUT\\", nullptr, nullptr, "C:\\OUT\\prog.c", "C:\\OUT\\prog.c", 7, "prog.c"},
        {".lis", nullptr, nullptr, "prog.lis", "prog.lis", 7, "D:\\SRC\\prog.c"},
        {"", "E:\\LIB\\", nullptr, "prog.c", "prog.c", 7, "D:\\SRC\\prog.c"},
        {"out\\", "main.c", nullptr, "out\\main.h", "out\\main.h", 7, ".h"},
        {"C:\\OUT\\", nullptr, "nam", "prog", "prog", 7, "prog.c"},
        {"sys:x", nullptr, "can", "SYS:x.c", "SYS:x.c", 0, "prog.C"},
        {"C:\\OUT\\", nullptr, nullptr, long_want.c_str(), long_want.c_str(), 7,
         long_related.c_str()},
    };
    for (const auto &r : rows) {
        const char *want = zrl_test::kWindows ? r.windows : r.posix;
        if (want == nullptr) continue;
        SCOPED_TRACE(std::string(r.spec ? r.spec : "(null)") + " | " + (r.def ? r.def : "(null)") +
                     " | " + (r.fields ? r.fields : "(null)"));
        zrl_error = kUntouched;
        EXPECT_EQ(parse(r.spec, r.def, r.fields, r.related), want);
        EXPECT_EQ(zrl_error, r.status);
    }
}

// Every max from below 0 (nothing written) to past the text, and one above
// fparse's 4096; fparsemax knows no canonical mode.
TEST(Fparsemax, CutsAtMaxAndWritesNothingBeyond) {
    const std::string full = "C:\\DATA\\file.TXT";
    for (int max = -2; max <= static_cast<int>(full.size()) + 2; ++max) {
        Guarded out(max < 0 ? 0 : max + 1);
        const int n = fparsemax(out.data(), max, "file", "C:\\DATA\\*.TXT", nullptr);
        const std::string want = max < 0 ? "" : full.substr(0, static_cast<std::size_t>(max));
        EXPECT_EQ(n, static_cast<int>(want.size())) << max;
        EXPECT_TRUE(out.untouched_from(max < 0 ? 0 : n + 1)) << max;
        EXPECT_EQ(out.text(), want) << max;
    }
    const std::string dir = std::string(5000, 'd') + "\\";
    Guarded out(6001);
    EXPECT_EQ(fparsemax(out.data(), 6000, "name.typ", dir.c_str(), nullptr), 5009);
    EXPECT_EQ(out.text(), dir + "name.typ");
    zrl_error = kUntouched;
    EXPECT_EQ(fparsemax(out.data(), 4096, "sys:File.DAT", nullptr, "can,typ"), 4);
    EXPECT_EQ(out.text(), ".DAT");
    EXPECT_EQ(zrl_error, kUntouched);
}

// fparse and its canonical form cut at 4096, also when out is the spec.
TEST(Fparse, CutsAt4096AndMayWriteOverItsSpecification) {
    const std::string dir = "C:\\" + std::string(5000, 'd') + "\\";
    EXPECT_EQ(parse((dir + "x.y").c_str(), nullptr, nullptr), dir.substr(0, 4096));
    EXPECT_EQ(parse(("DEV:" + std::string(5000, 'N')).c_str(), nullptr, "can"),
              "DEV:" + std::string(4092, 'n'));
    std::vector<char> buffer(dir.begin(), dir.end());
    buffer.resize(8000, '\0');
    EXPECT_EQ(fparse(buffer.data(), buffer.data(), "z.z", nullptr), 4096);
    EXPECT_EQ(std::string(buffer.data()), dir.substr(0, 4096));
    char def[kSpecBytes] = "DK:\\DATA\\old.txt";
    EXPECT_EQ(fparse(def, "new", def, nullptr), 16);
    EXPECT_STREQ(def, "DK:\\DATA\\new.txt");
}

} // namespace
