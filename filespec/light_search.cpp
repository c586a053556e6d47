// The light search: one directory listed into a list of paths, with no
// defaults, no logical names and no path resolution.  Each path is the
// directory prefix as the caller wrote it followed by an entry name; names
// that start with a dot ("." and ".." among them) are left out.
//
// Where the system offers a listing of names alone, the platform layer gives
// it (basic information and large fetches on Windows 7 and later, a plain
// directory read on POSIX); otherwise the UTF-8 layer enumerates.
//
// A specification with a '*' is the search text itself, and its prefix runs
// through its last separator; when it has none, the prefix runs through a
// drive's colon ('C:*.TXT' gives 'C:NAME.TXT'; where there are no drives
// that colon belongs to the names), or is empty, so that the paths are the
// bare names of the current directory, where the enumeration looked.
//
// A name that holds a character the file system reads as a separator is
// left out as well: prefix + name would be the path of another file.
#include <cstring>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "filespec/fields.h"
#include "platform/platform.h"
#include <utf8fs.h>
#include <zrlshared.h>

struct ZRL_LightSearch {
    std::vector<std::string> paths;
    std::size_t cursor = 0;
};

namespace zrl {
namespace {

struct Listing {
    ZRL_LightSearch &search;
    std::string_view prefix;

    void add(const char *name) {
        if (name[0] == '.') return;
        for (const char *c = name; *c != '\0'; ++c)
            if (is_native_separator(*c)) return;
        std::string path;
        path.reserve(prefix.size() + std::strlen(name));
        path.append(prefix).append(name);
        search.paths.push_back(std::move(path));
    }
};

bool add_name(void *listing, const char *name) {
    static_cast<Listing *>(listing)->add(name);
    return true;
}

// The layer's enumeration, closed however the listing ends.
void enumerate(const char *search_text, Listing &listing) {
    WIN32_FIND_DATA_UTF8 data;
    const UTF8FS_HANDLE handle = FindFirstFile_utf8(search_text, &data);
    if (handle == UTF8FS_INVALID_HANDLE) return;
    struct Close {
        UTF8FS_HANDLE handle;
        ~Close() { FindClose_utf8(handle); }
    } close{handle};
    do
        listing.add(data.cFileName);
    while (FindNextFile_utf8(handle, &data));
}

// The prefix of a specification that holds a '*'.
std::string_view star_prefix(std::string_view spec) {
    std::size_t end = spec.size();
    while (end > 0 && !is_native_separator(spec[end - 1]))
        --end;
    if (end == 0 && paths::kDrivesAndShares && spec.size() >= 2 && spec[1] == ':') end = 2;
    return spec.substr(0, end);
}

void fill(ZRL_LightSearch &search, std::string_view spec, const char *pattern) {
    std::string prefix;
    std::string text;
    if (spec.find('*') != std::string_view::npos) {
        text = spec;
        prefix = star_prefix(spec);
    } else {
        prefix = spec;
        if (prefix.empty() || !is_native_separator(prefix.back())) prefix += kNativeSeparator;
        text = prefix;
        text += pattern != nullptr && pattern[0] != '\0' ? pattern : "*";
    }
    Listing listing{search, prefix};
    if (!platform::list_names(text.c_str(), add_name, &listing)) enumerate(text.c_str(), listing);
}

} // namespace
} // namespace zrl

extern "C" {

// The first argument is not used.  Null when memory runs out, whether for
// the object or for its paths.
ZRL_API ZRL_LIGHT_SEARCH ffsinit(void *, const char *spec, const char *pattern) {
    ZRL_LightSearch *search = new (std::nothrow) ZRL_LightSearch;
    if (search == nullptr) return nullptr;
    try {
        zrl::fill(*search, spec != nullptr ? spec : "", pattern);
    } catch (const std::bad_alloc &) {
        delete search;
        return nullptr;
    }
    return search;
}

// A null handle or out gives 0 and moves nothing.
ZRL_API int ffsearch(ZRL_LIGHT_SEARCH search, char *out) {
    if (search == nullptr || out == nullptr || search->cursor >= search->paths.size()) return 0;
    const std::string &path = search->paths[search->cursor++];
    std::memcpy(out, path.c_str(), path.size() + 1);
    return 1;
}

ZRL_API int ffsfree(ZRL_LIGHT_SEARCH search) {
    delete search;
    return 0;
}

} // extern "C"
