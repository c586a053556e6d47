// Names as text: file specifications and logical names.  The fuzzer in
// fuzz/ holds fparse, fparsemax and fparseio to a plain model of the same
// rules on any text, in every syntax (the field scanner), at every max (in
// blocks of exactly the room, so a write past it is caught), with the
// canonical form, and with out the spec's own buffer; the rows here show
// that Windows reads names by its own syntax.  Logical names: definition
// through the environment layer, one translation, chains of translations
// and their limits.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "format/guarded_buffer.h"
#include "support/tree.h"
#include <utf8fs.h>
#include <zrlshared.h>

namespace {

constexpr int kUntouched = 7; // zrl_error before each call

// fparse, or fparseio when there is a related specification, into a
// guarded buffer.
std::string parse(const char *spec, const char *def, const char *fields, const char *related) {
    return zrl_test::guarded(4097, [&](char *out) {
        return related ? fparseio(out, spec, def, related, fields) : fparse(out, spec, def, fields);
    });
}

// Where a name is read as Windows reads it: a letter and a colon is a drive,
// a leading pair of separators starts a server's name (the device), and a
// directory of spec replaces the default's whole but keeps its drive; where
// there are no drives all of these are plain names and directories, and
// there the fuzzer decides every row.  fparseio takes only name and type
// from its related specification (the last column), cut at 132.
TEST(Fparse, WindowsReadsDrivesAndServersAndTheRelatedNameIsCut) {
    const std::string long_name(200, 'r'), long_related = long_name + ".typ";
    const std::string long_want = "C:\\OUT\\" + long_name.substr(0, 132);
    const struct {
        const char *spec, *def, *fields, *posix, *windows, *related;
    } rows[] = {
        {"C:\\DATA\\FILE.TXT", nullptr, "dev", "", "C:", nullptr},
        {"\\\\SERVER\\SHARE\\X.TXT", nullptr, "dir", "\\\\SERVER\\SHARE\\", "SERVER\\SHARE\\",
         nullptr},
        {"sub\\new.lis", "C:\\DATA\\old.txt", nullptr, "sub\\new.lis", "C:sub\\new.lis", nullptr},
        {"C:\\OUT\\", nullptr, nullptr, long_want.c_str(), long_want.c_str(), long_related.c_str()},
    };
    for (const auto &r : rows) {
        zrl_error = kUntouched;
        EXPECT_EQ(parse(r.spec, r.def, r.fields, r.related),
                  zrl_test::kWindows ? r.windows : r.posix)
            << r.spec;
        EXPECT_EQ(zrl_error, kUntouched);
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

// lognam gives the length of the translation it writes.
std::string once(const std::string &name) {
    const auto translate = [&](char *out) { return lognam(name.c_str(), out); };
    return zrl_test::guarded(static_cast<int>(name.size()) + 4096, translate);
}

// reclognam writes at most 256 bytes, its work area among them.
std::string fully(const std::string &name) {
    const auto translate = [&](char *out) { return reclognam(name.c_str(), out); };
    return zrl_test::guarded(256, translate, nullptr, 256);
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
    EXPECT_EQ(fully(define("TO_255", define(std::string(242, 'N') + "_255", "END"))), "END");
    const std::string cut = define(std::string(242, 'L') + "_CUT", "MUST_NOT_BE_REACHED");
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
