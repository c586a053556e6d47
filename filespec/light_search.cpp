// The light search: one directory listed into a list of paths, with no
// defaults, no logical names and no path resolution.  Each path is the
// directory prefix as the caller wrote it followed by an entry name; names
// that start with a dot ("." and ".." among them) are left out.
//
// The platform's listing gives the names alone (basic information and large
// fetches on Windows 7 and later, a plain directory read on POSIX).  The
// paths are kept one after the other, each with its NUL, in one page block
// (page_block.h) that doubles when full, and are handed out in that order,
// so that a listing neither allocates per path nor keeps an index.
//
// A specification with a '*' is the search text itself, and its prefix runs
// through its last separator; when it has none, the prefix runs through a
// drive's colon ('C:*.TXT' gives 'C:NAME.TXT'; where there are no drives
// that colon belongs to the names), or is empty, so that the paths are the
// bare names of the current directory, where the enumeration looked.
//
// A name that holds a character the file system reads as a separator is
// left out as well: prefix + name would be the path of another file.
#include <cstdint>
#include <cstring>
#include <new>
#include <string>
#include <string_view>

#include "filespec/fields.h"
#include "filespec/page_block.h"
#include "platform/platform.h"
#include <zrlshared.h>

struct ZRL_LightSearch {
    zrl::PageBlock *block = nullptr; // the paths, each with its NUL
    std::size_t used = 0;            // bytes of the body they fill
    std::size_t cursor = 0;          // where the next path starts
};

namespace zrl {
namespace {

struct Listing {
    ZRL_LightSearch &search;
    std::string_view prefix;

    void add(std::string_view name) {
        if (name.empty() || name[0] == '.') return;
        for (const char c : name)
            if (is_native_separator(c)) return;
        const std::size_t size = prefix.size() + name.size() + 1;
        if (search.block == nullptr && (search.block = obtain_block()) == nullptr)
            throw std::bad_alloc();
        while (body_bytes(search.block) - search.used < size) {
            PageBlock *grown = grow_block(search.block, SIZE_MAX);
            if (grown == nullptr) throw std::bad_alloc();
            search.block = grown;
        }
        char *path = body_of(search.block) + search.used;
        std::memcpy(path, prefix.data(), prefix.size());
        std::memcpy(path + prefix.size(), name.data(), name.size());
        path[size - 1] = '\0';
        search.used += size;
    }
};

bool add_entry(void *listing, const char *name, std::size_t length, platform::EntryKind) {
    static_cast<Listing *>(listing)->add({name, length});
    return true;
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
    platform::list_entries(text.c_str(), add_entry, &listing);
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
        zrl::give_back_block(search->block);
        delete search;
        return nullptr;
    }
    return search;
}

// A null handle or out gives 0 and moves nothing.
ZRL_API int ffsearch(ZRL_LIGHT_SEARCH search, char *out) {
    if (search == nullptr || out == nullptr || search->cursor >= search->used) return 0;
    const char *path = zrl::body_of(search->block) + search->cursor;
    const std::size_t size = std::strlen(path) + 1;
    std::memcpy(out, path, size);
    search->cursor += size;
    return 1;
}

ZRL_API int ffsfree(ZRL_LIGHT_SEARCH search) {
    if (search != nullptr) zrl::give_back_block(search->block);
    delete search;
    return 0;
}

} // extern "C"
