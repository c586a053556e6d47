// Directory enumeration on POSIX with the wildcard rules of the Windows
// enumeration (wildcard.h).
#ifndef _WIN32
#define _FILE_OFFSET_BITS 64

#include "guard.h"
#include "posix_names.h"
#include "wildcard.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <vector>

#include <utf8fs.h>

namespace utf8fs::posix {
namespace {

constexpr std::uint32_t kSearchMagic = 0x55384653; // "U8FS"

// An enumeration: a directory stream and the compiled pattern, or, for a
// pattern without wildcards, nothing more to deliver.
struct Search {
    std::uint32_t magic = kSearchMagic;
    DIR *dir = nullptr;
    std::optional<wildcard::Matcher> matcher;
};

Search *search_of(UTF8FS_HANDLE handle) {
    auto *search = static_cast<Search *>(handle);
    if (handle == nullptr || handle == UTF8FS_INVALID_HANDLE || search->magic != kSearchMagic) {
        errno = EBADF;
        return nullptr;
    }
    return search;
}

UTF8FS_FILETIME filetime(const struct timespec &when) {
    // 100-nanosecond units from 1601-01-01 to 1970-01-01.
    constexpr std::int64_t kEpochShift = 116444736000000000;
    std::int64_t ticks =
        static_cast<std::int64_t>(when.tv_sec) * 10000000 + when.tv_nsec / 100 + kEpochShift;
    if (ticks < 0) ticks = 0;
    const auto value = static_cast<std::uint64_t>(ticks);
    return {static_cast<std::uint32_t>(value), static_cast<std::uint32_t>(value >> 32)};
}

bool fill(WIN32_FIND_DATA_UTF8 &data, std::string_view name, const struct stat &st) {
    if (name.size() >= sizeof data.cFileName) return false;
    data = WIN32_FIND_DATA_UTF8{};
    const bool directory = S_ISDIR(st.st_mode);
    if (directory)
        data.dwFileAttributes = UTF8FS_FILE_ATTRIBUTE_DIRECTORY;
    else if ((st.st_mode & S_IWUSR) == 0)
        data.dwFileAttributes = UTF8FS_FILE_ATTRIBUTE_READONLY;
    else
        data.dwFileAttributes = UTF8FS_FILE_ATTRIBUTE_NORMAL;
    data.ftCreationTime = filetime(st.st_ctim);
    data.ftLastAccessTime = filetime(st.st_atim);
    data.ftLastWriteTime = filetime(st.st_mtim);
    if (!directory) {
        const auto size = static_cast<std::uint64_t>(st.st_size);
        data.nFileSizeHigh = static_cast<std::uint32_t>(size >> 32);
        data.nFileSizeLow = static_cast<std::uint32_t>(size);
    }
    std::memcpy(data.cFileName, name.data(), name.size());
    data.cFileName[name.size()] = '\0';
    return true;
}

// The next entry of the stream that the pattern matches, into data.  Entries
// that vanish between reading and inspecting are passed over.
bool next_match(Search &search, WIN32_FIND_DATA_UTF8 &data) {
    if (search.dir == nullptr) return false;
    while (const dirent *entry = ::readdir(search.dir)) {
        const std::string_view name = entry->d_name;
        if (!search.matcher->matches(name)) continue;
        struct stat st;
        const int dir_fd = ::dirfd(search.dir);
        if (::fstatat(dir_fd, entry->d_name, &st, 0) != 0 &&
            ::fstatat(dir_fd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        if (fill(data, name, st)) return true;
    }
    return false;
}

void release(Search *search) {
    if (search->dir != nullptr) ::closedir(search->dir);
    search->magic = 0;
    delete search;
}

struct Release {
    void operator()(Search *search) const { release(search); }
};
using SearchPtr = std::unique_ptr<Search, Release>;

UTF8FS_HANDLE find_first(const char *pattern, WIN32_FIND_DATA_UTF8 *data) {
    std::string native;
    if (!take_name(pattern, native)) return UTF8FS_INVALID_HANDLE;
    if (data == nullptr) {
        errno = EINVAL;
        return UTF8FS_INVALID_HANDLE;
    }
    const std::size_t slash = native.rfind('/');
    const std::string name = slash == std::string::npos ? native : native.substr(slash + 1);
    const std::string directory = slash == std::string::npos ? "."
                                  : slash == 0               ? "/"
                                                             : native.substr(0, slash);
    // A pattern that ends with a separator names no entry, as on Windows.
    if (name.empty()) {
        errno = ENOENT;
        return UTF8FS_INVALID_HANDLE;
    }
    if (name.find_first_of("*?") == std::string::npos) {
        struct stat st;
        if (::stat(native.c_str(), &st) != 0 && ::lstat(native.c_str(), &st) != 0)
            return UTF8FS_INVALID_HANDLE;
        if (!fill(*data, name, st)) {
            errno = ENAMETOOLONG;
            return UTF8FS_INVALID_HANDLE;
        }
        return new Search{};
    }
    SearchPtr search(new Search{});
    search->matcher.emplace(name);
    search->dir = ::opendir(directory.c_str());
    if (search->dir == nullptr) return UTF8FS_INVALID_HANDLE;
    if (!next_match(*search, *data)) {
        search.reset();
        errno = ENOENT;
        return UTF8FS_INVALID_HANDLE;
    }
    return search.release();
}

} // namespace
} // namespace utf8fs::posix

using namespace utf8fs::posix;

extern "C" UTF8FS_API UTF8FS_HANDLE FindFirstFile_utf8(const char *pattern,
                                                       WIN32_FIND_DATA_UTF8 *data) {
    return utf8fs::guard(UTF8FS_INVALID_HANDLE, [&] { return find_first(pattern, data); });
}

extern "C" UTF8FS_API int FindNextFile_utf8(UTF8FS_HANDLE handle, WIN32_FIND_DATA_UTF8 *data) {
    Search *search = search_of(handle);
    if (search == nullptr) return 0;
    if (data == nullptr) {
        errno = EINVAL;
        return 0;
    }
    return utf8fs::guard(0, [&] {
        if (next_match(*search, *data)) return 1;
        errno = ENOENT;
        return 0;
    });
}

extern "C" UTF8FS_API int FindClose_utf8(UTF8FS_HANDLE handle) {
    Search *search = search_of(handle);
    if (search == nullptr) return 0;
    release(search);
    return 1;
}

#endif
