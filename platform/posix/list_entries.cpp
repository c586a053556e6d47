// Directory listings on POSIX: readdir with the Windows wildcard rules, each
// entry's kind taken from the directory entry itself (d_type), so that a
// listing of twenty thousand names makes no status call per name.  A
// backslash separates directories here as it does in the UTF-8 layer.
#define _FILE_OFFSET_BITS 64

#include "platform/platform.h"

#include <cstring>
#include <dirent.h>
#include <string>
#include <string_view>
#include <sys/stat.h>

#include "utf8fs/wildcard.h"

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

EntryKind kind_of(unsigned char type) {
    switch (type) {
    case DT_DIR:
        return EntryKind::kDirectory;
    case DT_UNKNOWN:
    case DT_LNK:
        return EntryKind::kUnknown; // what a link leads to needs its status
    default:
        return EntryKind::kOther;
    }
}

bool is_match_all(std::string_view last) {
    return last == "*" || last == "*.*";
}

} // namespace

void list_entries(const char *pattern, EntrySink sink, void *context) {
    if (pattern == nullptr) return;
    const std::size_t length = strnlen(pattern, kPathMax);
    if (length >= kPathMax) return;
    std::string path(pattern, length);
    for (char &c : path)
        if (c == '\\') c = '/';
    const std::size_t slash = path.rfind('/');
    const std::string_view last = slash == std::string::npos
                                      ? std::string_view(path)
                                      : std::string_view(path).substr(slash + 1);
    if (last.empty()) return; // a pattern that ends with a separator names no entry

    if (last.find_first_of("*?") == std::string_view::npos) {
        struct stat st;
        if (::stat(path.c_str(), &st) != 0 && ::lstat(path.c_str(), &st) != 0) return;
        sink(context, last.data(), last.size(),
             S_ISDIR(st.st_mode) ? EntryKind::kDirectory : EntryKind::kOther);
        return;
    }

    const std::string directory = slash == std::string::npos ? "."
                                  : slash == 0               ? "/"
                                                             : path.substr(0, slash);
    const Directory dir(directory.c_str());
    if (dir.get() == nullptr) return;
    const bool every_name = is_match_all(last);
    utf8fs::wildcard::Matcher matcher(every_name ? std::string_view() : last);
    while (const dirent *entry = ::readdir(dir.get())) {
        const std::size_t size = std::strlen(entry->d_name);
        if (!every_name && !matcher.matches({entry->d_name, size})) continue;
        if (!sink(context, entry->d_name, size, kind_of(entry->d_type))) break;
    }
}

} // namespace zrl::platform
