// Names, the current directory and full paths on POSIX.
#ifndef _WIN32
#define _FILE_OFFSET_BITS 64

#include "posix_names.h"
#include "cwd_result.h"
#include "guard.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include <utf8fs.h>

namespace utf8fs::posix {

int native_name(const char *name, std::string &out) {
    if (name == nullptr) return EINVAL;
    const std::size_t length = strnlen(name, UTF8FS_PATH_MAX);
    if (length >= UTF8FS_PATH_MAX) return ENAMETOOLONG;
    out.assign(name, length);
    for (char &c : out)
        if (c == '\\') c = '/';
    return 0;
}

bool take_name(const char *name, std::string &out) {
    const int error = native_name(name, out);
    if (error != 0) errno = error;
    return error == 0;
}

namespace {

bool current_directory(std::string &out) {
    char cwd[UTF8FS_PATH_MAX];
    if (::getcwd(cwd, sizeof cwd) == nullptr) {
        if (errno == ERANGE) errno = ENAMETOOLONG;
        return false;
    }
    out = cwd;
    return true;
}

// The full path of name (system form) against the directory base: the
// components of both, with "." dropped, ".." taking back the component before
// it (never above the root) and empty components (repeated separators)
// dropped.  A separator at the end of name stays, as it does on Windows.
std::string resolve(std::string_view base, std::string_view name) {
    std::vector<std::string_view> parts;
    auto add = [&parts](std::string_view text) {
        while (!text.empty()) {
            const std::size_t slash = text.find('/');
            const std::string_view part = text.substr(0, slash);
            text = slash == std::string_view::npos ? std::string_view() : text.substr(slash + 1);
            if (part.empty() || part == ".") continue;
            if (part == "..") {
                if (!parts.empty()) parts.pop_back();
                continue;
            }
            parts.push_back(part);
        }
    };
    if (name.front() != '/') add(base);
    add(name);
    std::string full;
    for (std::string_view part : parts) {
        full += '/';
        full += part;
    }
    if (full.empty() || name.back() == '/') full += '/';
    return full;
}

// Copies text and its NUL into buffer when both fit in size bytes (and in the
// layer's limit); returns the length, or 0 with errno ENAMETOOLONG.
std::uint32_t put_path(const std::string &text, char *buffer, std::uint32_t size) {
    if (text.size() >= UTF8FS_PATH_MAX || text.size() >= size) {
        errno = ENAMETOOLONG;
        return 0;
    }
    std::memmove(buffer, text.c_str(), text.size() + 1);
    return static_cast<std::uint32_t>(text.size());
}

} // namespace
} // namespace utf8fs::posix

using namespace utf8fs::posix;

extern "C" UTF8FS_API char *getcwd_utf8(char *buffer, int size) {
    return utf8fs::guard(static_cast<char *>(nullptr), [&]() -> char * {
        if (buffer != nullptr && size <= 0) {
            errno = EINVAL;
            return nullptr;
        }
        std::string cwd;
        if (!current_directory(cwd)) return nullptr;
        return utf8fs::cwd_result(cwd, buffer, size);
    });
}

extern "C" UTF8FS_API int chdir_utf8(const char *path) {
    return utf8fs::guard(-1, [&]() -> int {
        std::string native;
        if (!take_name(path, native)) return -1;
        return ::chdir(native.c_str()) == 0 ? 0 : -1;
    });
}

extern "C" UTF8FS_API std::uint32_t GetFullPathName_utf8(const char *name, std::uint32_t size,
                                                         char *buffer, char **name_part) {
    return utf8fs::guard(std::uint32_t{0}, [&]() -> std::uint32_t {
        std::string native;
        if (!take_name(name, native)) return 0;
        if (buffer == nullptr) {
            errno = EINVAL;
            return 0;
        }
        if (native.empty()) {
            errno = ENOENT;
            return 0;
        }
        std::string base;
        if (native.front() != '/' && !current_directory(base)) return 0;
        const std::string full = resolve(base, native);
        const std::uint32_t length = put_path(full, buffer, size);
        if (length != 0 && name_part != nullptr) {
            // The last component starts behind the last slash; a path that
            // ends with one (the root among them) has no name part.
            const std::size_t last = full.rfind('/') + 1;
            *name_part = last < full.size() ? buffer + last : nullptr;
        }
        return length;
    });
}

extern "C" UTF8FS_API std::uint32_t GetLongPathName_utf8(const char *short_name, char *long_name,
                                                         std::uint32_t size) {
    return utf8fs::guard(std::uint32_t{0}, [&]() -> std::uint32_t {
        std::string native;
        if (!take_name(short_name, native)) return 0;
        if (long_name == nullptr) {
            errno = EINVAL;
            return 0;
        }
        // POSIX names have no short form: the long form of an existing name is the
        // name as given.  Like the Win32 call, a name that does not exist fails.
        struct stat st;
        if (::stat(native.c_str(), &st) != 0 && ::lstat(native.c_str(), &st) != 0) return 0;
        return put_path(std::string(short_name), long_name, size);
    });
}

#endif
