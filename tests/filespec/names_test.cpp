// Names as text: file specifications and logical names.  File
// specifications: the documented examples of the field merge, the
// canonical form and fparseio, on each platform.  The fuzzer in fuzz/ holds
// fparse, fparsemax and fparseio to a plain model of the same rules on any
// text, in every syntax, at every max (in blocks of exactly the room, so a
// write past it is caught), and with out the spec's own buffer.  Logical
// names: definition through the environment layer, one translation, chains
// of translations and their limits.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "filespec/guarded.h"
#include "support/tree.h"
#include <utf8fs.h>
#include <zrlshared.h>

namespace {

using filespec_test::Guarded;

constexpr int kUntouched = 7; // zrl_error before each call

// fparse, or fparseio when there is a related specification, into a
// guarded buffer, checking the length and that nothing was written behind
// the NUL.
std::string parse(const char *spec, const char *def, const char *fields,
                  const char *related = nullptr) {
    Guarded out(4097);
    const int n = related ? fparseio(out.data(), spec, def, related, fields)
                          : fparse(out.data(), spec, def, fields);
    EXPECT_TRUE(out.untouched_from(n + 1));
    EXPECT_EQ(static_cast<std::size_t>(n), out.text().size());
    return out.text();
}

// Where there are no drives (POSIX) a colon after one letter is part of a
// name and a leading separator, or two, is the root directory; there a slash
// separates too.  Windows reads a leading slash as a device and any other as
// part of a name.  fparseio
// takes only name and type from its related specification (the last
// column), cut at 132, and its related default is the default column.
TEST(Fparse, DocumentedExamplesOnEachPlatform) {
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
        {"\\\\SERVER\\SHARE\\X.TXT", nullptr, "dev", "", "\\\\"},
        {"\\\\SERVER\\SHARE\\X.TXT", nullptr, "dir", "\\\\SERVER\\SHARE\\", "SERVER\\SHARE\\"},
        {"ARCHIVE.TAR.GZ", nullptr, "nam", "ARCHIVE.TAR", "ARCHIVE.TAR"},
        {"ARCHIVE.TAR.GZ", nullptr, "typ", ".GZ", ".GZ"},
        {".profile", nullptr, "typ", ".profile", ".profile"},
        {"file.txt;3", nullptr, "typ", ".txt;3", ".txt;3"},
        {"node::x", "DEF::D:[X]Y.Z;4", "NODE,VERSION", "", ""},
        // A field of spec replaces the default's whole.
        {"sub\\new.lis", "C:\\DATA\\old.txt", nullptr, "sub\\new.lis", "C:sub\\new.lis"},
        {nullptr, nullptr, nullptr, "", ""},
        // The canonical form: device upper-cased, name and type lower-cased;
        // refused unless every syntax agrees.
        {"sys:File.DAT", nullptr, "CANONICAL", "SYS:file.dat", "SYS:file.dat", 0},
        {"c:\\x\\file.dat", nullptr, "can", "", "", 22},
        // fparseio
        {"C:\\OUT\\", nullptr, nullptr, "C:\\OUT\\prog.c", "C:\\OUT\\prog.c", 7, "prog.c"},
        {".lis", nullptr, nullptr, "prog.lis", "prog.lis", 7, "D:\\SRC\\prog.c"},
        {"sys:x", nullptr, "can", "SYS:x.c", "SYS:x.c", 0, "prog.C"},
        {"C:\\OUT\\", nullptr, nullptr, long_want.c_str(), long_want.c_str(), 7,
         long_related.c_str()},
    };
    for (const auto &r : rows) {
        const char *want = zrl_test::kWindows ? r.windows : r.posix;
        SCOPED_TRACE(std::string(r.spec ? r.spec : "(null)") + " | " + (r.def ? r.def : "(null)") +
                     " | " + (r.fields ? r.fields : "(null)"));
        zrl_error = kUntouched;
        EXPECT_EQ(parse(r.spec, r.def, r.fields, r.related), want);
        EXPECT_EQ(zrl_error, r.status);
    }
}

// Defines ZRLT_LOG_<stem> (so nothing else in the environment is touched)
// and gives the name.  deflognam hands its "name=value" text to the
// environment for good; replaced texts are kept so that a leak checker
// reports only real leaks.
std::string define(const std::string &stem, const std::string &value) {
    static auto *replaced = new std::vector<const char *>;
    const std::string name = "ZRLT_LOG_" + stem;
    if (const char *old = getenv_utf8(name.c_str())) replaced->push_back(old);
    EXPECT_EQ(deflognam(name.c_str(), value.c_str()), 0) << name;
    return name;
}

std::string once(const std::string &name) {
    std::vector<char> out(name.size() + 4096, '\x5A');
    const int n = lognam(name.c_str(), out.data());
    EXPECT_EQ(static_cast<std::size_t>(n), std::string(out.data()).size());
    return out.data();
}

// reclognam writes at most 256 bytes.
std::string fully(const std::string &name) {
    Guarded out(256);
    const int n = reclognam(name.c_str(), out.data());
    EXPECT_TRUE(out.untouched_from(256)) << name;
    EXPECT_EQ(static_cast<std::size_t>(n), out.text().size());
    return out.text();
}

// Names are used unchanged (the colon is the caller's to strip; case as the
// environment has it).  A chain ends at an empty translation, or after 100
// translations: CH_0 -> ... -> CH_101, undefined, gives CH_100 from CH_0.
TEST(Lognam, DefinesTranslatesOnceAndFollowsChains) {
    zrl_error = 42;
    const std::string a = define("A", define("B", "ZRLT_LOG_C"));
    const std::string to_empty = define("TO_EMPTY", define("EMPTY", ""));
    const std::string p = define("P", "ZRLT_LOG_Q"), q = define("Q", p);
    const std::string mixed = define("Case", "Z\xc3\xbcrich");
    for (int i = 0; i <= 100; ++i)
        define("CH_" + std::to_string(i), "ZRLT_LOG_CH_" + std::to_string(i + 1));
    const std::string rows[][3] = {
        {a, "ZRLT_LOG_B", "ZRLT_LOG_C"},
        {define("LIST", "C:\\DATA,D:\\DATA"), "C:\\DATA,D:\\DATA", "C:\\DATA,D:\\DATA"},
        {to_empty, "ZRLT_LOG_EMPTY", "ZRLT_LOG_EMPTY"},
        {p, q, p},
        {define("SELF", "ZRLT_LOG_SELF"), "ZRLT_LOG_SELF", "ZRLT_LOG_SELF"},
        {mixed, "Z\xc3\xbcrich", "Z\xc3\xbcrich"},
        {mixed + ":", "", ""},
        {"ZRLT_LOG_CH_0", "ZRLT_LOG_CH_1", "ZRLT_LOG_CH_100"},
        {"ZRLT_LOG_CH_1", "ZRLT_LOG_CH_2", "ZRLT_LOG_CH_101"},
        {"", "", ""},
    };
    for (const auto &[name, one, all] : rows) {
        EXPECT_EQ(once(name), one) << name;
        EXPECT_EQ(fully(name), all) << name;
    }

    // Translations of up to 255 characters are held; a longer one is cut to
    // the 255 that the work buffer holds and ends the chain, even when the
    // cut text is itself defined.  lognam has no such bound.
    const std::string held = std::string(246, 'N') + "_ZRLT_255";
    EXPECT_EQ(deflognam(held.c_str(), "END"), 0);
    EXPECT_EQ(fully(define("TO_255", held)), "END");
    const std::string cut = std::string(246, 'L') + "_ZRLT_CUT";
    EXPECT_EQ(deflognam(cut.c_str(), "MUST_NOT_BE_REACHED"), 0);
    const std::string value = cut + std::string(745, 'x');
    const std::string long_name = define("LONG", value);
    EXPECT_EQ(fully(long_name), cut);
    EXPECT_EQ(fully(define("TO_LONG", long_name)), cut);
    EXPECT_EQ(once(long_name), value);

    // deflognam passes "name=value" on; nothing here touches the status.
    EXPECT_EQ(deflognam("ZRLT_LOG_DEF_NULL", nullptr), 0);
    // POSIX keeps the variable, empty; Windows drops it.
    EXPECT_EQ(getenv_utf8("ZRLT_LOG_DEF_NULL") != nullptr, !zrl_test::kWindows);
    EXPECT_EQ(deflognam("", "value") + deflognam(nullptr, "value"), -2);
    char out[2][8] = {"x", "x"};
    EXPECT_EQ(lognam(nullptr, out[0]) + reclognam(nullptr, out[1]), 0);
    EXPECT_EQ(lognam("ZRLT_LOG_A", nullptr) + reclognam("ZRLT_LOG_A", nullptr), 0);
    EXPECT_EQ(std::string(out[0]) + out[1], "");
    EXPECT_EQ(zrl_error, 42);
}

} // namespace
