// Name listings on POSIX: a pattern whose last component matches every name
// ("*", or "*.*", which the Windows wildcard rules read the same way) is
// served straight from readdir, without the status call per entry that the
// UTF-8 layer's enumeration makes to fill in sizes and times.  Any other
// pattern is left to the layer, which owns the wildcard rules.  A backslash
// separates directories here as it does in the layer.
#define _FILE_OFFSET_BITS 64

#include "platform/platform.h"

#include <dirent.h>
#include <string>
#include <string_view>

namespace zrl::platform {
namespace {

// Longest name or path the UTF-8 layer takes, with its NUL.
constexpr std::size_t kPathMax = 4096;

class Directory {
  public:
    explicit Directory(const char *path) : dir_(::opendir(path)) {}
    ~Directory() {
        if (dir_ != nullptr) ::closedir(dir_);
    }
    Directory(const Directory &) = delete;
    Directory &operator=(const Directory &) = delete;
    DIR *get() const { return dir_; }

  private:
    DIR *dir_;
};

} // namespace

bool list_names(const char *pattern, NameSink sink, void *context) {
    if (pattern == nullptr) return false;
    std::string path(pattern);
    for (char &c : path)
        if (c == '\\') c = '/';
    const std::size_t slash = path.rfind('/');
    const std::string_view last = slash == std::string::npos
                                      ? std::string_view(path)
                                      : std::string_view(path).substr(slash + 1);
    if (last != "*" && last != "*.*") return false;
    if (path.size() >= kPathMax) return true;
    const std::string directory = slash == std::string::npos ? "."
                                  : slash == 0               ? "/"
                                                             : path.substr(0, slash);
    const Directory dir(directory.c_str());
    if (dir.get() == nullptr) return true;
    while (const dirent *entry = ::readdir(dir.get()))
        if (!sink(context, entry->d_name)) break;
    return true;
}

} // namespace zrl::platform
