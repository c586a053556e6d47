// Deleting and renaming by exact name, through the UTF-8 layer.
//
// frename finds its old file as a pattern.  A name without pattern
// characters is found as exactly itself; a name with them is first moved to
// a name of the same directory without them, which frename then takes, and
// moved back when frename fails.  The new name's rules stay frename's alone.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "fileio/exact_names.h"
#include "filespec/fields.h"
#include "frame/status.h"
#include <utf8fs.h>
#include <zrlshared.h>

namespace zrl {
namespace {

bool has_pattern_character(const char *name) {
    return std::strpbrk(name, "*?%") != nullptr;
}

// Keeps zrl_error across calls that set it on their own.
class KeepStatus {
  public:
    KeepStatus() : saved_(zrl_error) {}
    ~KeepStatus() { zrl_error = saved_; }
    KeepStatus(const KeepStatus &) = delete;
    KeepStatus &operator=(const KeepStatus &) = delete;

  private:
    int saved_;
};

// A free name without pattern characters beside `name` (its directory part
// kept), into out (kSpecMax + 1 bytes); false when there is none: the
// directory part holds pattern characters itself, or no name fits or is free.
bool free_plain_name(const char *name, char *out) {
    std::size_t directory = std::strlen(name);
    while (directory > 0 && !is_native_separator(name[directory - 1]) && name[directory - 1] != ':')
        --directory;
    if (std::string_view(name, directory).find_first_of("*?%") != std::string_view::npos)
        return false;
    for (int n = 0; n < 100; ++n) {
        char stem[32];
        const int length = std::snprintf(stem, sizeof stem, "zrl_rename_%02d.tmp", n);
        if (directory + static_cast<std::size_t>(length) > kSpecMax) return false;
        std::memcpy(out, name, directory);
        std::memcpy(out + directory, stem, static_cast<std::size_t>(length) + 1);
        if (!exact_exists(out)) return true;
    }
    return false;
}

} // namespace

bool exact_exists(const char *name) {
    utf8fs_stat32 record;
    errno = 0;
    return stat32_utf8(name, &record) == 0 || errno == EOVERFLOW;
}

int exact_remove(const char *name) {
    errno = 0;
    return remove_utf8(name) == 0 ? kSuccess : status_from_errno(errno);
}

int exact_rename(const char *from, const char *to) {
    errno = 0;
    return rename_utf8(from, to) == 0 ? kSuccess : status_from_errno(errno);
}

int exact_rename_to_spec(const char *from, const char *new_spec) {
    KeepStatus keep;
    if (!has_pattern_character(from)) return frename(from, new_spec);
    char plain[kSpecMax + 1];
    if (!free_plain_name(from, plain)) return kInvalid;
    const int moved = exact_rename(from, plain);
    if (moved != kSuccess) return moved;
    const int renamed = frename(plain, new_spec);
    if (renamed != kSuccess) exact_rename(plain, from);
    return renamed;
}

} // namespace zrl
