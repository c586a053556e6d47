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
#define TEST_EXPORT __declspec(dllexport)
#else
#define TEST_EXPORT __attribute__((visibility("default")))
#endif

extern "C" TEST_EXPORT int zrl_test_own_symbol(void) {
    return 42;
}

namespace {

using namespace zrl_test;

// The mark of the plug-in that the lookup of zrlplug_mark loaded, 0 when
// none was; what the lookup wrote to standard error goes to err.
int mark_of(const std::string &image, std::string *err = nullptr) {
    void *address = nullptr;
    const std::string text =
        capture_stderr([&] { address = find_image_symbol(image.c_str(), "zrlplug_mark"); });
    if (err != nullptr) *err = text;
    return address != nullptr ? reinterpret_cast<int (*)()>(address)() : 0;
}

void copy_plugin(const std::string &to) {
    std::filesystem::copy_file(os_path(program_directory() + "zrlplug.so"), os_path(to));
}

// The two lines of a failed load with the platform's number (-1: the POSIX
// loader gives none, any is taken; it may explain itself on a third line).
void expect_load_failure(std::string got, int number, const std::string &file) {
    const std::string lines = "LoadLibrary did not succeed : " + std::to_string(number) +
                              "\nCould not load shared object " + file + "\n";
    const std::size_t at = std::min<std::size_t>(got.size(), 30); // where the number starts
    if (number < 0) got.replace(at, got.find_first_not_of("-0123456789", at) - at, "-1");
    EXPECT_EQ(got.substr(0, lines.size()), lines);
    const std::string rest = got.substr(std::min(got.size(), lines.size()));
    EXPECT_TRUE(rest.empty() || (!kWindows && rest.find('\n') == rest.size() - 1)) << rest;
}

// A loaded image answers to a name without a directory that matches its file
// name (Windows; the plug-ins' own name on POSIX), so the cases that must not
// find the tree's copy come before it is loaded, and the ordinary search for
// zrlplug.dll comes after it was loaded by its path.  A failed load writes two
// messages naming the last file tried; long names are not cut.
TEST(FindImageSymbol, ResolvesImageNamesSearchPathsAndSymbols) {
    const std::string bin = program_directory(), long_name(4092, 'n'); // 4096 with ".dll"
    Tree tree("images");
    tree.dir("empty");
    copy_plugin(tree.at("zrltree.dll"));
    ASSERT_EQ(deflognam("ZRL_TEST_PLUG_SO", (bin + "zrlplug.so").c_str()), 0);
    ASSERT_EQ(deflognam("ZRL_TEST_PLUG_BARE", "zrltree"), 0);
    const struct {
        std::string search_path; // "" for none
        std::string image;
        int mark;
        std::string failed = "";          // the file a failed load names
        int number = kWindows ? 126 : -1; // ERROR_MOD_NOT_FOUND
    } cases[] = {
        {"", "zrl_no_such_image", 0, "zrl_no_such_image.dll"},
        {"", long_name, 0, long_name + ".dll", kWindows ? 206 : ENAMETOOLONG},
        {"", bin + "zrlplug", 1},
        // Missing from the search path: the ordinary search, which finds the
        // plug-in loaded before, but not the tree's copy.
        {tree.at("empty"), "zrlplug", 1},
        {"", "zrltree", 0, "zrltree.dll"},
        {tree.at("empty"), "ZRL_TEST_PLUG_BARE", 0, "zrltree.dll"},
        // The search path (given without its final separator) is tried first,
        // with ".dll" for a name without type.
        {tree.root(), "zrltree", 2},
        // A name with a type of its own keeps it.
        {bin, "zrlplug.so", 2},
        {tree.root(), "zrl_no_such_image.lib", 0, "zrl_no_such_image.lib"},
        // Logical names, one level; a name that is none is used as it is.
        {"", "ZRL_TEST_PLUG_SO", 2},
        {tree.root(), "ZRL_TEST_PLUG_BARE", 2},
    };
    for (const auto &c : cases) {
        set_image_search_path(c.search_path.empty() ? nullptr : c.search_path.c_str());
        std::string err;
        EXPECT_EQ(mark_of(c.image, &err), c.mark) << c.search_path << " " << c.image;
        if (c.mark == 0) expect_load_failure(err, c.number, c.failed);
        EXPECT_TRUE(c.mark == 0 || err.empty()) << err;
    }
    // A search path of 506 characters is taken; one more turns the search
    // path off, rather than keeping the last one.
    copy_plugin(tree.at("zrlpath.dll"));
    const std::size_t left = 506 - tree.root().size() - 2;
    const std::string deep = std::string(left / 2, 'd') + "/" + std::string(left - left / 2, 'e');
    const std::string longest = tree.at(deep);
    ASSERT_EQ(longest.size(), 506u);
    if (!kWindows) { // Windows cannot load from a path that long
        tree.dir(deep);
        copy_plugin(longest + kSep + "zrldeep.dll");
        set_image_search_path(longest.c_str());
        EXPECT_EQ(mark_of("zrldeep"), 2);
    }
    set_image_search_path(tree.root().c_str());
    set_image_search_path((longest + "d").c_str());
    EXPECT_EQ(mark_of("zrlpath"), 0);
    set_image_search_path(nullptr);
    // A missing symbol gives null without a message, also in the program itself
    // (a null image), which stays usable.
    const std::string image = bin + "zrlplug_c";
    void *const own = reinterpret_cast<void *>(&zrl_test_own_symbol);
    EXPECT_EQ(capture_stderr([&] {
                  EXPECT_EQ(find_image_symbol(image.c_str(), "zrl_no_such_symbol"), nullptr);
                  EXPECT_EQ(find_image_symbol(nullptr, "zrl_test_own_symbol"), own);
                  EXPECT_EQ(find_image_symbol(nullptr, "zrl_no_such_symbol"), nullptr);
                  EXPECT_EQ(find_image_symbol(nullptr, "zrl_test_own_symbol"), own);
              }),
              "");
    void *address = find_image_symbol(image.c_str(), "zrlplug_twice");
    ASSERT_NE(address, nullptr);
    EXPECT_EQ(reinterpret_cast<int (*)(int)>(address)(21), 42);
}

} // namespace
