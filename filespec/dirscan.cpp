// The scan of one directory into a search context's list, and the list's
// growth: one block of fixed slots, doubled whenever it is full.
#include "filespec/search.h"

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "frame/status.h"
#include "platform/platform.h"
#include <utf8fs.h>

namespace zrl {
namespace {

// The most slots a list may have: count is an int, and the block's size in
// bytes must fit in a size_t (on a 32-bit build the tighter of the two).
constexpr std::size_t kMaxSlots = static_cast<std::size_t>(INT_MAX) < SIZE_MAX / kSlotSize
                                      ? static_cast<std::size_t>(INT_MAX)
                                      : SIZE_MAX / kSlotSize;

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

// Closes the layer's enumeration however the scan ends.
class Enumeration {
  public:
    Enumeration(const char *pattern, WIN32_FIND_DATA_UTF8 &data)
        : handle_(FindFirstFile_utf8(pattern, &data)) {}
    ~Enumeration() {
        if (found()) FindClose_utf8(handle_);
    }
    Enumeration(const Enumeration &) = delete;
    Enumeration &operator=(const Enumeration &) = delete;
    bool found() const { return handle_ != UTF8FS_INVALID_HANDLE; }
    bool next(WIN32_FIND_DATA_UTF8 &data) { return FindNextFile_utf8(handle_, &data) != 0; }

  private:
    UTF8FS_HANDLE handle_;
};

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

bool SearchList::ready() {
    if (failed_) return false;
    if (context_.list != nullptr) return true;
    context_.list = static_cast<char *>(std::malloc(kSlotSize));
    if (context_.list == nullptr) {
        failed_ = true;
        set_status(kEndOfFile);
        return false;
    }
    capacity_ = 1;
    context_.count = 0;
    return true;
}

void SearchList::release() {
    std::free(context_.list);
    context_.list = nullptr;
    context_.count = 0;
    capacity_ = 0;
    failed_ = true;
    set_status(kEndOfFile);
}

bool SearchList::append(std::string_view path) {
    if (!ready()) return false;
    const auto count = static_cast<std::size_t>(context_.count);
    if (count == capacity_) {
        // Twice the entries held; the bound keeps both the new count and the
        // block's size in bytes from overflowing.
        if (capacity_ > kMaxSlots / 2) {
            release();
            return false;
        }
        void *grown = std::realloc(context_.list, 2 * capacity_ * kSlotSize);
        if (grown == nullptr) {
            release();
            return false;
        }
        context_.list = static_cast<char *>(grown);
        capacity_ *= 2;
    }
    char *slot = context_.list + count * kSlotSize;
    const std::size_t n = path.size() < kSlotSize ? path.size() : kSlotSize - 1;
    std::memcpy(slot, path.data(), n);
    slot[n] = '\0';
    ++context_.count;
    return true;
}

bool scan_directory(SearchList &list, std::string_view directory, std::string_view name_pattern) {
    if (!list.ready()) return true;

    if (is_bare_drive(directory) && name_pattern.empty()) {
        const char root[] = {directory[0], ':', '\\', '\0'};
        if (platform::drive_type(root) != platform::DriveType::kNoRootDirectory) list.append(root);
        return true;
    }

    PathText search;
    search.append(directory).separate().append(name_pattern);
    if (!search.fits()) return false;
    // '%' is a wildcard of the last component only; a '%' in a directory
    // name above it stays a plain character.
    for (std::size_t i = search.size(); i > 0 && !is_native_separator(search.data()[i - 1]); --i)
        if (search.data()[i - 1] == '%') search.data()[i - 1] = '?';

    WIN32_FIND_DATA_UTF8 data;
    Enumeration enumeration(search.c_str(), data);
    if (!enumeration.found()) return true;
    do {
        const std::string_view name = data.cFileName;
        if (is_dot_entry(name) || holds_separator(name)) continue;
        PathText joined;
        joined.append(directory).separate().append(name);
        char full[kSlotSize];
        if (!joined.fits() ||
            GetFullPathName_utf8(joined.c_str(), static_cast<std::uint32_t>(kSlotSize), full,
                                 nullptr) == 0)
            continue;
        if (!list.append(full)) return true;
    } while (enumeration.next(data));
    return true;
}

} // namespace zrl
