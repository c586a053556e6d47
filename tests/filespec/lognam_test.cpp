// Logical names: definition through the environment layer, one translation,
// chains of translations and their limits.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "format/guarded_buffer.h"
#include "support/tree.h"
#include <utf8fs.h>
#include <zrlshared.h>

namespace {

using zrl_test::GuardedBuffer;

// Every name of this file starts with this prefix, so that nothing else in the
// environment is touched.
std::string logical(const std::string &stem) {
    return "ZRLT_LOG_" + stem;
}

// deflognam hands its "name=value" text to the environment for good; the
// replaced texts are kept here so that a leak checker reports only real leaks.
void keep_replaced_text(const std::string &name) {
    static auto *replaced = new std::vector<const char *>;
    if (const char *value = getenv_utf8(name.c_str())) replaced->push_back(value);
}

void define(const std::string &name, const std::string &value) {
    keep_replaced_text(name);
    ASSERT_EQ(deflognam(name.c_str(), value.c_str()), 0) << name;
}

std::string translate_once(const std::string &name, int *length = nullptr) {
    std::vector<char> out(name.size() + 4096, '\x5A');
    const int n = lognam(name.c_str(), out.data());
    if (length != nullptr) *length = n;
    EXPECT_EQ(static_cast<std::size_t>(n), std::string(out.data()).size());
    return out.data();
}

std::string translate_fully(const std::string &name, int *length = nullptr) {
    GuardedBuffer out(256);
    const int n = reclognam(name.c_str(), out.data());
    if (length != nullptr) *length = n;
    EXPECT_TRUE(out.untouched_from(256)) << name;
    EXPECT_EQ(static_cast<std::size_t>(n), out.text().size());
    return out.text();
}

TEST(Lognam, TranslatesOnceAndReclognamFollowsTheChain) {
    define(logical("A"), logical("B"));
    define(logical("B"), logical("C"));
    define(logical("LIST"), "C:\\DATA,D:\\DATA");
    define(logical("UTF8"), "Z\xc3\xbcrich");
    define(logical("TO_EMPTY"), logical("EMPTY")); // an empty translation ends
    define(logical("EMPTY"), "");                  // the chain before it
    define(logical("P"), logical("Q"));            // loops stop after 100 translations
    define(logical("Q"), logical("P"));
    struct Case {
        std::string name, once, fully;
    };
    const Case cases[] = {
        {logical("A"), logical("B"), logical("C")},
        {logical("C"), "", ""},
        {logical("LIST"), "C:\\DATA,D:\\DATA", "C:\\DATA,D:\\DATA"},
        {logical("UTF8"), "Z\xc3\xbcrich", "Z\xc3\xbcrich"},
        {logical("TO_EMPTY"), logical("EMPTY"), logical("EMPTY")},
        {logical("EMPTY"), "", ""},
        {logical("P"), logical("Q"), logical("P")},
        {"", "", ""},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(translate_once(c.name), c.once) << c.name;
        EXPECT_EQ(translate_fully(c.name), c.fully) << c.name;
    }
    define(logical("A"), "Z:\\NEW\\");
    EXPECT_EQ(translate_once(logical("A")), "Z:\\NEW\\");
}

// CH_0 -> CH_1 -> ... -> CH_101, which is undefined: from CH_0 the hundredth
// translation gives CH_100, although CH_100 has a translation of its own.
TEST(Reclognam, ChainsEndAtTheHundredthTranslation) {
    const auto link = [](int i) { return logical("CH_" + std::to_string(i)); };
    for (int i = 0; i <= 100; ++i)
        define(link(i), link(i + 1));
    EXPECT_EQ(translate_fully(link(0)), link(100));
    EXPECT_EQ(translate_fully(link(1)), link(101));
    EXPECT_EQ(translate_fully(link(101)), "");
}

// Translations of up to 255 characters are held; a longer one is cut to the
// 255 that the work buffer holds and ends the chain, even when the cut text
// is itself defined.  lognam has no such bound.
TEST(Reclognam, HoldsTranslationsOf255CharactersAndCutsLongerOnes) {
    const std::string name255 = std::string(255 - 9, 'N') + "_ZRLT_255";
    define(logical("TO_255"), name255);
    define(name255, "END");
    EXPECT_EQ(translate_fully(logical("TO_255")), "END");
    int n = -1;
    define(logical("VALUE_255"), std::string(255, 'v'));
    EXPECT_EQ(translate_fully(logical("VALUE_255"), &n), std::string(255, 'v'));
    EXPECT_EQ(n, 255);

    const std::string cut = std::string(255 - 9, 'L') + "_ZRLT_CUT";
    define(cut, "MUST_NOT_BE_REACHED");
    define(logical("TO_LONG"), logical("LONG"));
    for (std::size_t extra : {1u, 745u}) {
        const std::string value = cut + std::string(extra, 'x');
        define(logical("LONG"), value);
        EXPECT_EQ(translate_fully(logical("LONG"), &n), cut) << extra;
        EXPECT_EQ(n, 255);
        EXPECT_EQ(translate_fully(logical("TO_LONG")), cut) << extra;
        EXPECT_EQ(translate_once(logical("LONG"), &n), value);
        EXPECT_EQ(n, static_cast<int>(value.size()));
    }
}

TEST(Deflognam, PassesNameEqualsValueToTheEnvironmentAndReportsRefusals) {
    define(logical("DEF"), "C:\\A,D:\\B");
    ASSERT_NE(getenv_utf8(logical("DEF").c_str()), nullptr);
    EXPECT_STREQ(getenv_utf8(logical("DEF").c_str()), "C:\\A,D:\\B");
    // The empty value reaches the layer as 'name='; what that means is the
    // environment's affair.
    define(logical("DEF"), "");
    keep_replaced_text(logical("DEF_NULL"));
    EXPECT_EQ(deflognam(logical("DEF_NULL").c_str(), nullptr), 0);
    EXPECT_EQ(translate_once(logical("DEF")), "");
    EXPECT_EQ(translate_once(logical("DEF_NULL")), "");
    // POSIX keeps the variable, empty; Windows drops it.
    EXPECT_EQ(getenv_utf8(logical("DEF_NULL").c_str()) != nullptr, !zrl_test::kWindows);
    EXPECT_EQ(deflognam("", "value"), -1);
    EXPECT_EQ(deflognam(nullptr, "value"), -1);
}

TEST(Lognam, NamesAreUsedUnchanged) {
    define(logical("Case"), "mixed");
    // The colon is part of the name: callers strip it.
    EXPECT_EQ(translate_once(logical("Case") + ":"), "");
    EXPECT_EQ(translate_once(logical("CASE")), zrl_test::kWindows ? "mixed" : "");
}

TEST(Lognam, LeavesTheStatusAloneAndGivesNothingForNullArguments) {
    define(logical("STATUS"), "x");
    char out[256] = "xxxxxxx";
    zrl_error = 42;
    EXPECT_EQ(lognam(nullptr, out), 0);
    EXPECT_STREQ(out, "");
    out[0] = 'x';
    EXPECT_EQ(reclognam(nullptr, out), 0);
    EXPECT_STREQ(out, "");
    EXPECT_EQ(lognam(logical("STATUS").c_str(), nullptr), 0);
    EXPECT_EQ(reclognam(logical("STATUS").c_str(), nullptr), 0);
    lognam(logical("STATUS").c_str(), out);
    reclognam(logical("NEVER_DEFINED").c_str(), out);
    deflognam("", "refused");
    EXPECT_EQ(zrl_error, 42);
}

} // namespace
