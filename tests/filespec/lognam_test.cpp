// Logical names: definition through the environment layer, one translation,
// chains of translations and their limits.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "filespec/guarded.h"
#include "support/tree.h"
#include <utf8fs.h>
#include <zrlshared.h>

namespace {

// Every name here starts with ZRLT_LOG_, so nothing else in the environment
// is touched.  deflognam hands its "name=value" text to the environment for
// good; replaced texts are kept so that a leak checker reports only real leaks.
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
    filespec_test::Guarded out(256);
    const int n = reclognam(name.c_str(), out.data());
    EXPECT_TRUE(out.untouched_from(256)) << name;
    EXPECT_EQ(static_cast<std::size_t>(n), out.text().size());
    return out.text();
}

TEST(Lognam, TranslatesOnceAndReclognamFollowsTheChain) {
    const std::string a = define("A", "ZRLT_LOG_B"), b = define("B", "ZRLT_LOG_C");
    const std::string list = define("LIST", "C:\\DATA,D:\\DATA");
    const std::string to_empty = define("TO_EMPTY", define("EMPTY", ""));
    const std::string p = define("P", "ZRLT_LOG_Q");
    define("Q", p);
    const std::string self = define("SELF", "ZRLT_LOG_SELF");
    const std::string mixed = define("Case", "mixed");
    const struct {
        std::string name, once, fully;
    } rows[] = {
        {a, b, "ZRLT_LOG_C"},
        {"ZRLT_LOG_C", "", ""},
        {list, "C:\\DATA,D:\\DATA", "C:\\DATA,D:\\DATA"},
        {to_empty, "ZRLT_LOG_EMPTY", "ZRLT_LOG_EMPTY"}, // an empty translation ends the chain
        {p, "ZRLT_LOG_Q", p},                         // a loop stops after 100 translations
        {self, self, self},
        {mixed + ":", "", ""}, // names are used unchanged: callers strip the colon
        {"ZRLT_LOG_CASE", zrl_test::kWindows ? "mixed" : "", zrl_test::kWindows ? "mixed" : ""},
        {"", "", ""},
    };
    for (const auto &r : rows) {
        EXPECT_EQ(once(r.name), r.once) << r.name;
        EXPECT_EQ(fully(r.name), r.fully) << r.name;
    }
    // CH_0 -> ... -> CH_101, undefined: the hundredth translation is CH_100.
    for (int i = 0; i <= 100; ++i)
        define("CH_" + std::to_string(i), "ZRLT_LOG_CH_" + std::to_string(i + 1));
    EXPECT_EQ(fully("ZRLT_LOG_CH_0"), "ZRLT_LOG_CH_100");
    EXPECT_EQ(fully("ZRLT_LOG_CH_1"), "ZRLT_LOG_CH_101");
}

// Translations of up to 255 characters are held; a longer one is cut to the
// 255 that the work buffer holds and ends the chain, even when the cut text
// is itself defined.  lognam has no such bound.
TEST(Reclognam, HoldsTranslationsOf255CharactersAndCutsLongerOnes) {
    const std::string held = std::string(246, 'N') + "_ZRLT_255";
    define("TO_255", held);
    EXPECT_EQ(deflognam(held.c_str(), "END"), 0);
    EXPECT_EQ(fully("ZRLT_LOG_TO_255"), "END");
    const std::string cut = std::string(246, 'L') + "_ZRLT_CUT";
    EXPECT_EQ(deflognam(cut.c_str(), "MUST_NOT_BE_REACHED"), 0);
    const std::string value = cut + std::string(745, 'x');
    const std::string to_long = define("TO_LONG", define("LONG", value));
    EXPECT_EQ(fully("ZRLT_LOG_LONG"), cut);
    EXPECT_EQ(fully(to_long), cut);
    EXPECT_EQ(once("ZRLT_LOG_LONG"), value);
}

// deflognam passes "name=value" on; nothing here touches the status.
TEST(Deflognam, DefinesThroughTheEnvironmentAndRefusesNoName) {
    zrl_error = 42;
    const std::string def = define("DEF", "C:\\A,D:\\B");
    EXPECT_STREQ(getenv_utf8(def.c_str()), "C:\\A,D:\\B");
    define("DEF", "");
    EXPECT_EQ(once(def), "");
    EXPECT_EQ(deflognam("ZRLT_LOG_DEF_NULL", nullptr), 0);
    // POSIX keeps the variable, empty; Windows drops it.
    EXPECT_EQ(getenv_utf8("ZRLT_LOG_DEF_NULL") != nullptr, !zrl_test::kWindows);
    EXPECT_EQ(deflognam("", "value"), -1);
    EXPECT_EQ(deflognam(nullptr, "value"), -1);
    char out[256] = "x";
    EXPECT_EQ(lognam(nullptr, out), 0);
    EXPECT_STREQ(out, "");
    out[0] = 'x';
    EXPECT_EQ(reclognam(nullptr, out), 0);
    EXPECT_STREQ(out, "");
    EXPECT_EQ(lognam(def.c_str(), nullptr), 0);
    EXPECT_EQ(reclognam(def.c_str(), nullptr), 0);
    EXPECT_EQ(zrl_error, 42);
}

} // namespace
