// find_image_symbol and set_image_search_path with the test plug-ins beside
// the test program: zrlplug.dll (mark 1), zrlplug.so (mark 2), zrlplug_c.dll
// (mark 3), and copies in scratch trees.  A plug-in's zrlplug_mark tells
// which file was loaded.
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

// A loaded image answers to a name without a directory that matches its file
// name (Windows; the plug-ins' own name on POSIX), so the cases that must not
// find the tree's copy come before it is loaded, and the ordinary search for
// zrlplug.dll comes after it was loaded by its path.  A failed load names the
// last file tried on standard error.
TEST(FindImageSymbol, ResolvesImageNamesSearchPathsAndSymbols) {
    const std::string bin = program_directory();
    Tree tree("images");
    tree.dir("empty");
    copy_plugin(tree.at("zrltree.dll"));
    const std::string bare = define("ZRL_TEST_PLUG_BARE", "zrltree");
    // A directory whose path has 506 characters.
    const std::size_t left = 506 - tree.root().size() - 2;
    const std::string deep = std::string(left / 2, 'd') + "/" + std::string(left - left / 2, 'e');
    const std::string longest = tree.at(deep);
    if (!kWindows) { // Windows cannot load from a path that long
        tree.dir(deep);
        copy_plugin(longest + kSep + "zrldeep.dll");
    }
    const struct {
        std::string search_path; // "" for none
        std::string image;
        int mark;
        std::string failed = ""; // the file a failed load names
    } cases[] = {
        {"", "zrl_no_such_image", 0, "zrl_no_such_image.dll"},
        {"", bin + "zrlplug", 1},
        // Missing from the search path: the ordinary search, which finds the
        // plug-in loaded before, but not the tree's copy.
        {tree.at("empty"), "zrlplug", 1},
        {tree.at("empty"), bare, 0, "zrltree.dll"},
        // The search path (given without its final separator) is tried first,
        // with ".dll" for a name without type.
        {tree.root(), "zrltree", 2},
        // A name with a type of its own keeps it.
        {bin, "zrlplug.so", 2},
        // Logical names, one level; a name that is none is used as it is.
        {tree.root(), bare, 2},
        // The longest search path taken.
        {longest, "zrldeep", kWindows ? 0 : 2, "zrldeep.dll"},
    };
    for (const auto &c : cases) {
        set_image_search_path(c.search_path.empty() ? nullptr : c.search_path.c_str());
        std::string err;
        EXPECT_EQ(mark_of(c.image, &err), c.mark) << c.search_path << " " << c.image;
        const std::string named = "Could not load shared object " + c.failed + "\n";
        EXPECT_TRUE(c.mark == 0 ? err.find(named) != std::string::npos : err.empty()) << err;
    }
    set_image_search_path(nullptr);
    // A missing symbol gives null without a message, also in the program itself
    // (a null image); an image released after a missing symbol loads again.
    const std::string image = bin + "zrlplug_c";
    void *const own = reinterpret_cast<void *>(&zrl_test_own_symbol);
    EXPECT_EQ(capture_stderr([&] {
                  EXPECT_EQ(find_image_symbol(image.c_str(), "zrl_no_such_symbol"), nullptr);
                  EXPECT_EQ(find_image_symbol(nullptr, "zrl_test_own_symbol"), own);
                  EXPECT_EQ(find_image_symbol(nullptr, "zrl_no_such_symbol"), nullptr);
              }),
              "");
    EXPECT_EQ(mark_of(image), 3);
}

} // namespace
