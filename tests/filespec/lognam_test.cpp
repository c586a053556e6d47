// Logical names: definition through the environment layer, one translation,
// chains of translations and their limits.
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "format/guarded_buffer.h"
#include <utf8fs.h>
#include <zrlshared.h>

namespace {

using zrl_test::GuardedBuffer;

// Every name of this file starts with this prefix, so that nothing else in the
// environment is touched.
std::string logical(const std::string &stem) {
    return "ZRLT_LOG_" + stem;
}

// deflognam hands its "name=value" text to the environment for good, so a
// redefinition leaves the previous text to nobody, by design.  The tests keep
// those texts here, so that a leak checker reports only real leaks.
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

struct Translation {
    std::string name;
    std::string once;  // lognam
    std::string fully; // reclognam
};

void expect_translations(const std::vector<Translation> &cases) {
    for (const Translation &c : cases) {
        int once = -1, fully = -1;
        EXPECT_EQ(translate_once(c.name, &once), c.once) << c.name;
        EXPECT_EQ(once, static_cast<int>(c.once.size())) << c.name;
        EXPECT_EQ(translate_fully(c.name, &fully), c.fully) << c.name;
        EXPECT_EQ(fully, static_cast<int>(c.fully.size())) << c.name;
    }
}

TEST(Lognam, TranslatesOnceAndReclognamFollowsTheChain) {
    define(logical("A"), logical("B"));
    define(logical("B"), logical("C"));
    define(logical("LIST"), "C:\\DATA,D:\\DATA");
    define(logical("EQ"), "b=c");
    define(logical("UTF8"), "Z\xc3\xbcrich");
    expect_translations({
        {logical("A"), logical("B"), logical("C")},
        {logical("B"), logical("C"), logical("C")},
        {logical("C"), "", ""},
        {logical("LIST"), "C:\\DATA,D:\\DATA", "C:\\DATA,D:\\DATA"},
        {logical("EQ"), "b=c", "b=c"},
        {logical("UTF8"), "Z\xc3\xbcrich", "Z\xc3\xbcrich"},
        {logical("NEVER_DEFINED"), "", ""},
        {"", "", ""},
    });
}

TEST(Lognam, RedefinitionReplacesTheTranslation) {
    define(logical("X"), "Y");
    EXPECT_EQ(translate_once(logical("X")), "Y");
    define(logical("X"), "Z:\\NEW\\");
    EXPECT_EQ(translate_once(logical("X")), "Z:\\NEW\\");
}

// An empty translation stops the chain; out keeps the translation before it.
TEST(Reclognam, EmptyTranslationEndsTheChain) {
    define(logical("TO_EMPTY"), logical("EMPTY"));
    define(logical("EMPTY"), "");
    define(logical("EMPTY_START"), "");
    expect_translations({
        {logical("TO_EMPTY"), logical("EMPTY"), logical("EMPTY")},
        {logical("EMPTY"), "", ""},
        {logical("EMPTY_START"), "", ""},
    });
}

TEST(Reclognam, LoopsStopAfterOneHundredTranslations) {
    define(logical("P"), logical("Q"));
    define(logical("Q"), logical("P"));
    define(logical("SELF"), logical("SELF"));
    expect_translations({
        {logical("P"), logical("Q"), logical("P")},
        {logical("Q"), logical("P"), logical("Q")},
        {logical("SELF"), logical("SELF"), logical("SELF")},
    });
}

// CH_0 -> CH_1 -> ... -> CH_101, which is undefined: from CH_0 the hundredth
// translation gives CH_100, although CH_100 has a translation of its own.
TEST(Reclognam, ChainsEndAtTheHundredthTranslation) {
    const auto link = [](int i) { return logical("CH_" + std::to_string(i)); };
    for (int i = 0; i <= 100; ++i)
        define(link(i), link(i + 1));
    struct Case {
        int start;
        int end; // -1: no translation at all
    };
    const Case cases[] = {{0, 100}, {1, 101}, {2, 101}, {50, 101}, {100, 101}, {101, -1}};
    for (const Case &c : cases) {
        const std::string want = c.end < 0 ? "" : link(c.end);
        EXPECT_EQ(translate_fully(link(c.start)), want) << c.start;
        EXPECT_EQ(translate_once(link(c.start)), c.start <= 100 ? link(c.start + 1) : "");
    }
}

TEST(Reclognam, HoldsTranslationsOfUpTo255Characters) {
    const std::string name255 = std::string(255 - 9, 'N') + "_ZRLT_255";
    ASSERT_EQ(name255.size(), 255u);
    define(logical("TO_255"), name255);
    define(name255, "END");
    define(logical("VALUE_255"), std::string(255, 'v'));
    int n = -1;
    EXPECT_EQ(translate_fully(logical("TO_255")), "END");
    EXPECT_EQ(translate_fully(logical("VALUE_255"), &n), std::string(255, 'v'));
    EXPECT_EQ(n, 255);
}

// A translation of 256 characters or more is cut to the 255 that the work
// buffer holds and ends the chain, even when the cut text is itself defined.
TEST(Reclognam, CutsLongerTranslationsAndStops) {
    const std::string cut = std::string(255 - 9, 'L') + "_ZRLT_CUT";
    define(cut, "MUST_NOT_BE_REACHED");
    for (std::size_t extra : {1u, 2u, 745u}) {
        const std::string value = cut + std::string(extra, 'x');
        define(logical("LONG"), value);
        int n = -1;
        EXPECT_EQ(translate_fully(logical("LONG"), &n), cut) << extra;
        EXPECT_EQ(n, 255);
        // lognam has no bound: it gives all of it.
        EXPECT_EQ(translate_once(logical("LONG"), &n), value);
        EXPECT_EQ(n, static_cast<int>(value.size()));
    }
    // A long translation in the middle of a chain ends it just the same.
    define(logical("TO_LONG"), logical("LONG"));
    EXPECT_EQ(translate_fully(logical("TO_LONG")), cut);
}

TEST(Deflognam, PassesNameEqualsValueToTheEnvironment) {
    keep_replaced_text(logical("DEF"));
    EXPECT_EQ(deflognam(logical("DEF").c_str(), "C:\\A,D:\\B"), 0);
    const char *value = getenv_utf8(logical("DEF").c_str());
    ASSERT_NE(value, nullptr);
    EXPECT_STREQ(value, "C:\\A,D:\\B");

    // The empty value reaches the layer as 'name='; what that means is the
    // environment's affair.
    keep_replaced_text(logical("DEF"));
    EXPECT_EQ(deflognam(logical("DEF").c_str(), ""), 0);
    keep_replaced_text(logical("DEF_NULL"));
    EXPECT_EQ(deflognam(logical("DEF_NULL").c_str(), nullptr), 0);
#ifdef _WIN32
    EXPECT_EQ(getenv_utf8(logical("DEF").c_str()), nullptr);
#else
    ASSERT_NE(getenv_utf8(logical("DEF").c_str()), nullptr);
    EXPECT_STREQ(getenv_utf8(logical("DEF").c_str()), "");
    ASSERT_NE(getenv_utf8(logical("DEF_NULL").c_str()), nullptr);
    EXPECT_STREQ(getenv_utf8(logical("DEF_NULL").c_str()), "");
#endif
    EXPECT_EQ(translate_once(logical("DEF")), "");
}

TEST(Deflognam, ReportsWhatTheLayerRefuses) {
    EXPECT_EQ(deflognam("", "value"), -1);
    EXPECT_EQ(deflognam(nullptr, "value"), -1);
}

TEST(Lognam, NamesAreUsedUnchanged) {
    define(logical("Case"), "mixed");
    EXPECT_EQ(translate_once(logical("Case")), "mixed");
    // The colon is part of the name: callers strip it.
    EXPECT_EQ(translate_once(logical("Case") + ":"), "");
#ifdef _WIN32
    EXPECT_EQ(translate_once(logical("CASE")), "mixed");
#else
    EXPECT_EQ(translate_once(logical("CASE")), "");
    EXPECT_EQ(translate_fully(logical("CASE")), "");
#endif
}

TEST(Lognam, StatusIsLeftAlone) {
    define(logical("STATUS"), "x");
    char out[256];
    zrl_error = 42;
    lognam(logical("STATUS").c_str(), out);
    reclognam(logical("STATUS").c_str(), out);
    lognam(logical("NEVER_DEFINED").c_str(), out);
    reclognam(logical("NEVER_DEFINED").c_str(), out);
    deflognam("", "refused");
    EXPECT_EQ(zrl_error, 42);
}

TEST(Lognam, NullArgumentsGiveNothing) {
    char out[8] = "xxxxxxx";
    EXPECT_EQ(lognam(nullptr, out), 0);
    EXPECT_STREQ(out, "");
    std::memcpy(out, "xxxxxxx", 8);
    EXPECT_EQ(reclognam(nullptr, out), 0);
    EXPECT_STREQ(out, "");
    EXPECT_EQ(lognam(logical("A").c_str(), nullptr), 0);
    EXPECT_EQ(reclognam(logical("A").c_str(), nullptr), 0);
}

} // namespace
