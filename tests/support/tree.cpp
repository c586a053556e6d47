#include "support/tree.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <vector>

#include <gtest/gtest.h>

#include "support/console.h"
#include <utf8fs.h>
#include <zrlshared.h>

namespace zrl_test {

namespace fs = std::filesystem;

std::string native(std::string path) {
    std::replace(path.begin(), path.end(), '/', kSep);
    return path;
}

fs::path os_path(const std::string &utf8) {
    return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string full_path(const std::string &name) {
    char out[UTF8FS_PATH_MAX];
    EXPECT_NE(GetFullPathName_utf8(name.c_str(), sizeof out, out, nullptr), 0u) << name;
    return out;
}

std::string current_directory() {
    char *cwd = getcwd_utf8(nullptr, 0);
    std::string text = cwd != nullptr ? cwd : "";
    std::free(cwd);
    return text;
}

// deflognam hands its "name=value" text to the environment for good; a
// replaced text is kept here so that the leak checker reports only real leaks.
std::string define(const std::string &name, const std::string &value) {
    static auto *replaced = new std::vector<const char *>;
    if (const char *old = getenv_utf8(name.c_str())) replaced->push_back(old);
    EXPECT_EQ(deflognam(name.c_str(), value.c_str()), 0) << name;
    return name;
}

std::multiset<std::string> find_all(const std::string &pattern) {
    std::multiset<std::string> names;
    WIN32_FIND_DATA_UTF8 data;
    UTF8FS_HANDLE search = FindFirstFile_utf8(pattern.c_str(), &data);
    for (bool more = search != UTF8FS_INVALID_HANDLE; more; more = FindNextFile_utf8(search, &data))
        names.insert(data.cFileName);
    EXPECT_TRUE(search == UTF8FS_INVALID_HANDLE || FindClose_utf8(search) != 0);
    return names;
}

Tree::Tree(const std::string &stem) : root_(full_path(temp_path(stem))) {
    std::error_code ignored;
    fs::remove_all(os_path(root_), ignored);
    fs::create_directories(os_path(root_));
}

Tree::~Tree() {
    std::error_code ignored;
    fs::permissions(os_path(root_), fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(os_path(root_), ignored);
}

std::string Tree::at(const std::string &relative) const {
    return root_ + kSep + native(relative);
}

void Tree::file(const std::string &relative, const std::string &content) const {
    const fs::path path = os_path(at(relative));
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << content;
}

void Tree::dir(const std::string &relative) const {
    fs::create_directories(os_path(at(relative)));
}

std::string Tree::content(const std::string &relative) const {
    return file_content(at(relative));
}

Tree::Snapshot Tree::snapshot() const {
    Snapshot shot;
    for (const auto &entry : fs::recursive_directory_iterator(os_path(root_))) {
        const auto relative = entry.path().lexically_relative(os_path(root_)).generic_u8string();
        const std::string key(relative.begin(), relative.end());
        shot[key] = entry.is_directory() ? "<dir>" : content(key);
    }
    return shot;
}

std::string changes(const Tree::Snapshot &before, const Tree::Snapshot &after) {
    std::string text;
    const auto add = [&](char mark, const std::string &name) {
        text += (text.empty() ? "" : " ") + (mark + name);
    };
    for (const auto &[name, data] : before)
        if (after.count(name) == 0 || after.at(name) != data)
            add(after.count(name) == 0 ? '-' : '*', name);
    for (const auto &entry : after)
        if (before.count(entry.first) == 0) add('+', entry.first);
    return text;
}

InDirectory::InDirectory(const std::string &dir) : saved_(current_directory()) {
    EXPECT_EQ(chdir_utf8(dir.c_str()), 0) << dir;
}

InDirectory::~InDirectory() {
    chdir_utf8(saved_.c_str());
}

} // namespace zrl_test
