// find_image_symbol and set_image_search_path with the test plug-ins beside
// the test program: zrlplug.dll (mark 1), zrlplug.so (mark 2), zrlplug_c.dll
// (mark 3), and copies in scratch trees.  A plug-in's zrlplug_mark tells
// which file was loaded.
#include <cerrno>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "process/beside.h"
#include "support/console.h"
#include "support/tree.h"
#include <zrlshared.h>

#if defined(_WIN32)
#include <windows.h>
#define TEST_EXPORT __declspec(dllexport)
#else
#include <dlfcn.h>
#define TEST_EXPORT __attribute__((visibility("default")))
#endif

extern "C" TEST_EXPORT int zrl_test_own_symbol(void) {
    return 42;
}

namespace {

using namespace zrl_test;
using MarkFn = int (*)(void);

// The platform's error numbers for a missing image and a name too long.  The
// POSIX loader promises no number for a failed load (-1 here: any number).
constexpr int kNoImage = kWindows ? 126 : -1; // ERROR_MOD_NOT_FOUND
constexpr int kNameTooLong = kWindows ? 206 : ENAMETOOLONG;

// The mark of the plug-in that the lookup of zrlplug_mark loaded, 0 when
// none was; what the lookup wrote to standard error goes to err.
int mark_of(const std::string &image, std::string *err = nullptr) {
    void *address = nullptr;
    const std::string text =
        capture_stderr([&] { address = find_image_symbol(image.c_str(), "zrlplug_mark"); });
    if (err != nullptr) *err = text;
    return address != nullptr ? reinterpret_cast<MarkFn>(address)() : 0;
}

// The two lines of a failed load, exactly; the POSIX loader explains itself
// on one more line, where it has the text.
void expect_load_failure(std::string err, int number, const std::string &file) {
    const std::string head = "LoadLibrary did not succeed : ";
    ASSERT_EQ(err.substr(0, head.size()), head) << err;
    if (number < 0) {
        std::size_t digits = head.size();
        while (digits < err.size() && err[digits] >= '0' && err[digits] <= '9')
            ++digits;
        ASSERT_GT(digits, head.size()) << err;
        err.replace(head.size(), digits - head.size(), "-1");
    }
    const std::string lines =
        head + std::to_string(number) + "\nCould not load shared object " + file + "\n";
    ASSERT_GE(err.size(), lines.size()) << err;
    EXPECT_EQ(err.substr(0, lines.size()), lines);
    const std::string rest = err.substr(lines.size());
    EXPECT_TRUE(rest.empty() || (!kWindows && rest.find('\n') == rest.size() - 1)) << rest;
}

void define(const std::string &name, const std::string &value) {
    ASSERT_EQ(deflognam(name.c_str(), value.c_str()), 0);
}

TEST(FindImageSymbol, ResolvesNamesThroughLogicalNamesSearchPathAndDefaultType) {
    const std::string bin = program_directory();
    const std::string bin_bare = bin.substr(0, bin.size() - 1);
    Tree tree("images");
    tree.dir("empty");
    std::filesystem::copy_file(os_path(bin + "zrlplug.so"), os_path(tree.at("zrltree.dll")));
    define("ZRL_TEST_PLUG_SO", bin + "zrlplug.so");
    define("ZRL_TEST_PLUG_BARE", "zrltree");
    struct Case {
        const char *search_path; // "bin", "bin-bare", "tree", "empty" or null (off)
        std::string image;
        int mark;
    };
    // A loaded image answers to a name without a directory that matches its
    // file name (Windows; the plug-ins' own name on POSIX), so the cases that
    // must not find the tree's copy come before it is loaded, and the
    // ordinary search for zrlplug.dll comes after it was loaded by its path
    // (the loader's search path on POSIX is not the test's to set).
    const Case cases[] = {
        {nullptr, bin + "zrlplug", 1},
        // Missing from the search path: the ordinary search, which finds the
        // plug-in loaded before, but not the tree's copy.
        {"empty", "zrlplug", 1},
        {nullptr, "zrlplug", 1},
        {nullptr, "zrltree", 0},
        {"empty", "ZRL_TEST_PLUG_BARE", 0},
        // The search path is tried first, with ".dll" for a name without type.
        {"tree", "zrltree", 2},
        {"bin", "zrlplug", 1},
        {"bin-bare", "zrlplug", 1},
        // A name with a type of its own keeps it.
        {"bin", "zrlplug.so", 2},
        {nullptr, bin + "zrlplug.so", 2},
        // Logical names, one level; a name that is none is used as it is.
        {nullptr, "ZRL_TEST_PLUG_SO", 2},
        {"tree", "ZRL_TEST_PLUG_BARE", 2},
    };
    for (const Case &c : cases) {
        const std::string where = c.search_path == nullptr ? "" : c.search_path;
        const std::string path = where == "bin"        ? bin
                                 : where == "bin-bare" ? bin_bare
                                 : where == "tree"     ? tree.root()
                                                       : tree.at("empty");
        set_image_search_path(c.search_path != nullptr ? path.c_str() : nullptr);
        std::string err;
        EXPECT_EQ(mark_of(c.image, &err), c.mark) << where << " " << c.image;
        if (c.mark != 0) {
            EXPECT_EQ(err, "") << c.image;
        }
    }
    set_image_search_path(nullptr);
}

TEST(FindImageSymbol, WritesTheTwoMessagesForAnImageThatCannotBeLoaded) {
    Tree tree("images");
    std::string err;
    set_image_search_path(nullptr);
    EXPECT_EQ(mark_of("zrl_no_such_image", &err), 0);
    expect_load_failure(err, kNoImage, "zrl_no_such_image.dll");
    // From the search path the name is tried there and then as it stands;
    // the message names the last file tried.
    set_image_search_path(tree.root().c_str());
    EXPECT_EQ(mark_of("zrl_no_such_image.lib", &err), 0);
    expect_load_failure(err, kNoImage, "zrl_no_such_image.lib");
    // Names longer than any file name (4095 characters) are not cut.
    const std::string long_name(5000, 'n');
    EXPECT_EQ(mark_of(long_name, &err), 0);
    expect_load_failure(err, kNameTooLong, long_name);
    const std::string just_too_long(4092, 'n'); // 4096 with ".dll"
    set_image_search_path(nullptr);
    EXPECT_EQ(mark_of(just_too_long, &err), 0);
    expect_load_failure(err, kNameTooLong, just_too_long + ".dll");
}

TEST(SetImageSearchPath, TakesFiveHundredSixCharactersAndTurnsOffForMore) {
    // Each name is loaded once at most (see above): zrlpath1 to show that the
    // tree serves, zrlpath2 and zrlpath3 to show that it no longer does.
    Tree tree("images");
    for (const char *name : {"zrlpath1.dll", "zrlpath2.dll", "zrlpath3.dll"})
        std::filesystem::copy_file(os_path(program_directory() + "zrlplug.so"),
                                   os_path(tree.at(name)));
    set_image_search_path(tree.root().c_str());
    EXPECT_EQ(mark_of("zrlpath1"), 2);
    // A directory of 506 characters is taken (Windows cannot load from a path
    // that long: there the path only has to be refused when longer).
    const std::size_t left = 506 - tree.root().size() - 2;
    const std::string deep = std::string(left / 2, 'd') + "/" + std::string(left - left / 2, 'e');
    const std::string longest = tree.at(deep);
    ASSERT_EQ(longest.size(), 506u);
    if (!kWindows) {
        tree.dir(deep);
        std::filesystem::copy_file(os_path(program_directory() + "zrlplug.so"),
                                   os_path(longest + kSep + "zrldeep.dll"));
        set_image_search_path(longest.c_str());
        EXPECT_EQ(mark_of("zrldeep"), 2);
    }
    // One more turns the search path off, rather than keeping the last one.
    set_image_search_path(tree.root().c_str());
    set_image_search_path((longest + "d").c_str());
    EXPECT_EQ(mark_of("zrlpath2"), 0);
    set_image_search_path(tree.root().c_str());
    set_image_search_path(std::string(4000, 'd').c_str());
    EXPECT_EQ(mark_of("zrlpath3"), 0);
    set_image_search_path(nullptr);
}

// Whether the image of that full path is loaded in the process now.
bool loaded(const std::string &path) {
#if defined(_WIN32)
    return GetModuleHandleA(path.c_str()) != nullptr;
#else
    void *image = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (image != nullptr) dlclose(image);
    return image != nullptr;
#endif
}

TEST(FindImageSymbol, ReleasesAnImageWhoseSymbolIsMissingAndKeepsOneThatServed) {
    const std::string image = program_directory() + "zrlplug_c";
    const std::string file = image + ".dll";
    std::string err = capture_stderr([&] {
        EXPECT_EQ(find_image_symbol(image.c_str(), "zrl_no_such_symbol"), nullptr);
        EXPECT_EQ(find_image_symbol(image.c_str(), nullptr), nullptr);
    });
    EXPECT_EQ(err, "");
    EXPECT_FALSE(loaded(file));
    void *address = find_image_symbol(image.c_str(), "zrlplug_twice");
    ASSERT_NE(address, nullptr);
    EXPECT_EQ(reinterpret_cast<int (*)(int)>(address)(21), 42);
    EXPECT_TRUE(loaded(file));
}

TEST(FindImageSymbol, LooksInTheProgramItselfForANullImage) {
    std::string err = capture_stderr([&] {
        EXPECT_EQ(find_image_symbol(nullptr, "zrl_test_own_symbol"),
                  reinterpret_cast<void *>(&zrl_test_own_symbol));
        EXPECT_EQ(find_image_symbol(nullptr, "zrl_no_such_symbol"), nullptr);
        EXPECT_EQ(find_image_symbol(nullptr, std::string(4000, 's').c_str()), nullptr);
        EXPECT_EQ(find_image_symbol(nullptr, "zrl_test_own_symbol"),
                  reinterpret_cast<void *>(&zrl_test_own_symbol));
    });
    EXPECT_EQ(err, "");
}

} // namespace
