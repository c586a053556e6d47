// The search context (fsinit, fsearch, fsfree) and ffspec, the first-match
// lookup built on it.
//
// fsinit merges the specification with its default, splits off the last
// component as the name pattern and enumerates every match at once.  A device
// of two or more characters is a logical name; its translation is split at
// commas into a search list, and the same name pattern is looked for in each
// element, in order.  fsearch only copies the entries out, marking
// directories with a trailing separator.
//
// A name longer than the UTF-8 layer takes (the merge, or a search-list
// element with what follows the logical name) is refused as a whole: status
// ENAMETOOLONG, no entries, an empty pattern text.  Searching a cut name
// would find another file.  With a search list the pattern text ends up as
// the directory of the last element searched.
#include "filespec/search.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "frame/status.h"
#include <utf8fs.h>

namespace zrl {
namespace {

constexpr unsigned kDeviceAndDirectory = field_bit(kDevice) | field_bit(kDirectory);

// Copies text, which is never longer than kNameMax, into the context's
// pattern field.
void set_pattern(ZRL_SEARCH &context, std::string_view text) {
    std::memcpy(context.pattern, text.data(), text.size());
    context.pattern[text.size()] = '\0';
}

// Ends a search that met a name it cannot hold: no entries, no pattern.
ZRL_SEARCH *refuse_search(ZRL_SEARCH *context, SearchList &list, int status) {
    list.release();
    context->pattern[0] = '\0';
    set_status(status);
    return context;
}

// The text of a NUL-terminated field of at most `room` bytes; a field that a
// caller left without its NUL ends at the field's end.
std::string_view bounded(const char *text, std::size_t room) {
    const void *nul = std::memchr(text, '\0', room);
    return {text, nul != nullptr ? static_cast<std::size_t>(static_cast<const char *>(nul) - text)
                                 : room};
}

// The length of the logical name that starts directory, or 0 when it starts
// with none: a colon at the third character or later with no separator
// between the third character and it.  One-letter drives never qualify.
// Without drives and shares a separator anywhere before the colon rules it
// out, because a leading separator is the root directory there.
std::size_t logical_name_length(std::string_view directory) {
    const std::size_t from = paths::kDrivesAndShares ? 2 : 0;
    for (std::size_t i = from; i < directory.size(); ++i) {
        if (directory[i] == ':') return i >= 2 ? i : 0;
        if (is_native_separator(directory[i])) return 0;
    }
    return 0;
}

// Scans each element of a search list for the name pattern.  `below` is what
// followed the logical name's colon, a leading separator dropped, so that
// 'LOG:SUB' and 'LOG:\SUB' both search element + 'SUB'.  Elements are split
// at commas as written: an empty element between two commas is the root
// directory, a trailing comma adds none.  False when an element gives a name
// longer than the layer takes.
bool scan_search_list(ZRL_SEARCH &context, SearchList &list, std::string_view translation,
                      std::string_view below, std::string_view name_pattern) {
    if (!below.empty() && is_native_separator(below.front())) below.remove_prefix(1);
    while (!translation.empty() && !list.failed()) {
        const std::size_t comma = translation.find(',');
        const std::string_view element = translation.substr(0, comma);
        translation =
            comma == std::string_view::npos ? std::string_view() : translation.substr(comma + 1);
        PathText directory;
        directory.append(element).separate().append(below);
        if (!directory.fits()) return false;
        set_pattern(context, directory.view());
        if (!scan_directory(list, directory.view(), name_pattern)) return false;
    }
    return true;
}

} // namespace

ZRL_SEARCH *start_search(ZRL_SEARCH *context, const char *spec, const char *def) {
    if (context == nullptr) {
        context = static_cast<ZRL_SEARCH *>(std::malloc(sizeof(ZRL_SEARCH)));
        if (context == nullptr) {
            set_status(kEndOfFile);
            return nullptr;
        }
    }
    set_status(kSuccess);
    context->next = 0;
    context->count = 0;
    context->list = nullptr;

    SearchList list(*context);
    char merged[kSpecMax + 1];
    std::size_t length = 0;
    if (const int status = merge_name(merged, spec, def, length); status != kSuccess)
        return refuse_search(context, list, status);
    if (length > 0 && is_native_separator(merged[length - 1])) merged[--length] = '\0';
    const std::string_view pattern(merged, length);
    set_pattern(*context, pattern);

    // The directory and the name pattern of the last component.
    std::string_view directory;
    std::string_view name_pattern;
    static constexpr char kRoot[] = {kNativeSeparator, '\0'};
    std::size_t cut = pattern.size();
    while (cut > 0 && !is_native_separator(pattern[cut - 1]))
        --cut;
    if (cut > 0) {
        directory = cut > 1 ? pattern.substr(0, cut - 1) : std::string_view(kRoot);
        name_pattern = pattern.substr(cut);
    } else if (const std::size_t colon = pattern.rfind(':');
               colon != std::string_view::npos && field_extent(pattern, kDevice, kNativeSyntax) != 0) {
        directory = pattern.substr(0, colon + 1);
        name_pattern = pattern.substr(colon + 1);
    } else {
        directory = ".";
        name_pattern = pattern;
    }

    const std::size_t logical = logical_name_length(directory);
    if (logical == 0) {
        if (!scan_directory(list, directory, name_pattern))
            return refuse_search(context, list, ENAMETOOLONG);
        return context;
    }

    // The logical name is translated once; its text must be NUL-terminated
    // for the environment, and it is shorter than the merge it came from.
    char name[kSpecMax + 1];
    std::memcpy(name, directory.data(), logical);
    name[logical] = '\0';
    const char *translation = getenv_utf8(name);
    if (translation == nullptr) {
        context->pattern[0] = '\0';
        set_status(kInvalid);
        return context;
    }
    if (!scan_search_list(*context, list, translation, directory.substr(logical + 1), name_pattern))
        return refuse_search(context, list, ENAMETOOLONG);
    return context;
}

int next_entry(ZRL_SEARCH *context, char *out) {
    if (context == nullptr || context->list == nullptr || context->count <= 0 ||
        context->next < 0 || context->next >= context->count) {
        set_status(kEndOfFile);
        if (out != nullptr) out[0] = '\0';
        return 0;
    }
    if (out == nullptr) {
        set_status(kInvalid);
        return 0;
    }
    set_status(kSuccess);
    const char *slot = context->list + static_cast<std::size_t>(context->next) * kSlotSize;
    ++context->next;

    // A slot that the scan wrote holds a full path, which the merge below
    // leaves as it is, and the entry's kind: it is copied out at once.
    const std::string_view entry = bounded(slot, kSlotSize);
    if (const EntryMark mark = read_mark(slot, entry.size()); mark != EntryMark::kUnknown) {
        std::size_t length = entry.size();
        std::memcpy(out, entry.data(), length);
        if (mark == EntryMark::kDirectory && length > 0 && length < kSpecMax && !is_native_separator(out[length - 1]))
            out[length++] = kNativeSeparator;
        out[length] = '\0';
        return static_cast<int>(length);
    }

    // A device or directory that the entry lacks comes from the pattern; the
    // full paths of the list already have both and pass unchanged.
    char where[kSpecMax + 1];
    const std::size_t where_length =
        merge_fields(where, kSpecMax, bounded(context->pattern, kSlotSize), {}, kDeviceAndDirectory,
                     kNativeSyntax);
    std::size_t length = merge_fields(out, kSpecMax, bounded(slot, kSlotSize),
                                      {where, where_length}, kAllFields, kNativeSyntax);

    utf8fs_stat32 status;
    if (length < kSpecMax && length > 0 && !is_native_separator(out[length - 1]) &&
        stat32_utf8(out, &status) == 0 && (status.st_mode & UTF8FS_S_IFDIR) != 0) {
        out[length++] = kNativeSeparator;
        out[length] = '\0';
    }
    return static_cast<int>(length);
}

int free_search(ZRL_SEARCH *context) {
    if (context != nullptr) {
        release_list(context->list);
        std::free(context);
    }
    return 0;
}

namespace {

bool is_wild(std::string_view spec) {
    return spec.find_first_of("*?%") != std::string_view::npos;
}

// '\\SERVER\SHARE' names a share only with its closing backslash.  Where
// there are no shares a leading '\\' is the root directory.
bool is_bare_share(std::string_view spec) {
    if (!paths::kDrivesAndShares || spec.size() < 3 || spec[0] != '\\' || spec[1] != '\\') return false;
    const std::size_t more = spec.find('\\', 2);
    return more != std::string_view::npos && spec.find('\\', more + 1) == std::string_view::npos;
}

// The full long path of the existing entry that spec names, in out; 0 when
// it does not exist or cannot be resolved (nothing found), -1 when it exists
// but its long form cannot be had (the lookup ends with 0 then).
int existing_entry(char *out, char *spec, std::size_t length) {
    if (is_bare_share({spec, length})) {
        spec[length++] = '\\';
        spec[length] = '\0';
    }
    utf8fs_stat32 status;
    if (stat32_utf8(spec, &status) != 0) return 0;
    std::uint32_t n =
        GetFullPathName_utf8(spec, static_cast<std::uint32_t>(kSlotSize), out, nullptr);
    if (n == 0) return 0;
    if ((status.st_mode & UTF8FS_S_IFDIR) != 0 && !is_native_separator(out[n - 1])) {
        out[n++] = kNativeSeparator;
        out[n] = '\0';
    }
    n = GetLongPathName_utf8(out, out, static_cast<std::uint32_t>(kSlotSize));
    return n != 0 ? static_cast<int>(n) : -1;
}

} // namespace

int find_first(char *out, const char *spec, const char *def, int &refusal) {
    refusal = kSuccess;
    out[0] = '\0';
    // One byte more than a merge needs, for the backslash of a bare share.
    char merged[kSpecMax + 2];
    std::size_t length = 0;
    refusal = merge_name(merged, spec, def, length);
    if (refusal != kSuccess) return 0;

    // A name whose device is a logical name is found through its
    // translation.  Without drives a text such as 'DATA:x' could also be the
    // name of a file in the current directory, which the caller did not mean;
    // Windows looks the text up first, as its own calls do.
    const bool logical =
        !paths::kDrivesAndShares && field_extent({merged, length}, kDevice, kNativeSyntax) != 0;
    if (!logical && !is_wild({merged, length})) {
        const int found = existing_entry(out, merged, length);
        if (found > 0) return found;
        if (found < 0) {
            out[0] = '\0';
            return 0;
        }
    }
    if (spec != nullptr && spec[0] != '\0' && spec[1] == '\0' && is_native_separator(spec[0])) {
        out[0] = spec[0];
        out[1] = '\0';
        return 1;
    }

    const int saved = zrl_error;
    int result = 0;
    ZRL_SEARCH *context = start_search(nullptr, spec, def);
    if (context != nullptr) {
        if (zrl_error == kSuccess) result = next_entry(context, out);
        if (zrl_error == ENAMETOOLONG) refusal = ENAMETOOLONG;
        free_search(context);
    }
    if (result == 0) out[0] = '\0';
    set_status(saved);
    return result;
}

} // namespace zrl

// A null out of fsearch or ffspec receives nothing: fsearch then reports the
// end (-1) or, with entries left, 22 without moving on; ffspec gives 0.
extern "C" {

ZRL_API ZRL_SEARCH *fsinit(ZRL_SEARCH *context, const char *spec, const char *defspec) {
    return zrl::start_search(context, spec, defspec);
}

ZRL_API int fsearch(ZRL_SEARCH *context, char *out) {
    return zrl::next_entry(context, out);
}

ZRL_API int fsfree(ZRL_SEARCH *context) {
    return zrl::free_search(context);
}

ZRL_API int ffspec(char *out, const char *spec, const char *defspec) {
    int refusal = 0;
    return out != nullptr ? zrl::find_first(out, spec, defspec, refusal) : 0;
}

} // extern "C"
