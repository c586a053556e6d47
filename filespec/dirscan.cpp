// The scan of one directory into a search context's list: each entry that
// the pattern matches, as its full path, with what the listing knew of its
// kind.
#include "filespec/search.h"

#include <cstdint>
#include <cstring>

#include "platform/platform.h"
#include <utf8fs.h>

namespace zrl {
namespace {

bool is_dot_entry(std::string_view name) {
    return name == "." || name == "..";
}

bool holds_separator(std::string_view name) {
    for (const char c : name)
        if (is_native_separator(c)) return true;
    return false;
}

// "C:" alone: a drive, whose root the platform may or may not know.
bool is_bare_drive(std::string_view directory) {
    return paths::kDrivesAndShares && directory.size() == 2 && directory[1] == ':';
}

EntryMark mark_of(platform::EntryKind kind) {
    switch (kind) {
    case platform::EntryKind::kDirectory:
        return EntryMark::kDirectory;
    case platform::EntryKind::kOther:
        return EntryMark::kOther;
    case platform::EntryKind::kUnknown:
        break;
    }
    return EntryMark::kUnknown;
}

// One directory's scan.  Where entries join their directory, its full path
// is resolved once and kept with its final separator (full_directory,
// joined); elsewhere each entry is resolved on its own, exactly as its
// joined text reads.
struct Scan {
    SearchList &list;
    std::string_view directory;
    char full_directory[kSlotSize];
    std::size_t full_length;
    bool joined;
};

bool take_entry(void *context, const char *text, std::size_t length, platform::EntryKind kind) {
    Scan &scan = *static_cast<Scan *>(context);
    const std::string_view name(text, length);
    if (is_dot_entry(name) || holds_separator(name)) return true;
    // The text directory + separator + name must be a name the layer takes.
    const std::size_t separator = ends_with_separator(scan.directory) ? 0 : 1;
    if (scan.directory.size() + separator + length >= kSlotSize) return true;
    if (scan.joined) {
        if (scan.full_length + length >= kSlotSize) return true; // too long to resolve
        return scan.list.append({scan.full_directory, scan.full_length}, name, mark_of(kind));
    }
    PathText joined;
    joined.append(scan.directory).separate().append(name);
    char full[kSlotSize];
    const std::uint32_t n =
        GetFullPathName_utf8(joined.c_str(), static_cast<std::uint32_t>(kSlotSize), full, nullptr);
    if (n == 0) return true;
    return scan.list.append({full, n}, mark_of(kind));
}

} // namespace

PathText &PathText::append(std::string_view part) {
    if (!fits_ || part.size() >= kSlotSize - size_) {
        fits_ = false;
        return *this;
    }
    std::memcpy(text_ + size_, part.data(), part.size());
    size_ += part.size();
    text_[size_] = '\0';
    return *this;
}

PathText &PathText::separate() {
    return ends_with_separator(view()) ? *this : append(kNativeSeparator);
}

bool scan_directory(SearchList &list, std::string_view directory, std::string_view name_pattern) {
    if (!list.ready()) return true;

    if (is_bare_drive(directory) && name_pattern.empty()) {
        const char root[] = {directory[0], ':', '\\', '\0'};
        if (platform::drive_type(root) != platform::DriveType::kNoRootDirectory) list.append(root, EntryMark::kUnknown);
        return true;
    }

    PathText search;
    search.append(directory).separate().append(name_pattern);
    if (!search.fits()) return false;
    // '%' is a wildcard of the last component only; a '%' in a directory
    // name above it stays a plain character.
    for (std::size_t i = search.size(); i > 0 && !is_native_separator(search.data()[i - 1]); --i)
        if (search.data()[i - 1] == '%') search.data()[i - 1] = '?';

    Scan scan{list, directory, {}, 0, false};
    if (paths::kEntriesJoinTheirDirectory) {
        std::size_t n = GetFullPathName_utf8(
            PathText().append(directory).c_str(), static_cast<std::uint32_t>(kSlotSize),
            scan.full_directory, nullptr);
        // Without a full path, or without room for a name behind it, no entry
        // of the directory can be resolved either.
        if (n == 0 || n + 1 >= kSlotSize) return true;
        if (!is_native_separator(scan.full_directory[n - 1])) scan.full_directory[n++] = kNativeSeparator;
        scan.full_length = n;
        scan.joined = true;
    }
    platform::list_entries(search.c_str(), take_entry, &scan);
    return true;
}

} // namespace zrl
