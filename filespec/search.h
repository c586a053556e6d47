// The wildcard search shared by fsinit, ffspec and the directory scan: the
// bounded path texts they build, the list of a search context and how it
// grows, and the scan of one directory into that list.
#pragma once

#include <cstddef>
#include <string_view>

#include "filespec/fields.h"
#include <zrlshared.h>

namespace zrl {

// Bytes of one slot of a context's list, and of its pattern text.
inline constexpr std::size_t kSlotSize = ZRL_SEARCH_SLOT;

// A path being built in a fixed buffer of kSlotSize bytes, so at most
// kSlotSize - 1 characters: the longest name the UTF-8 layer takes.  A text
// that does not fit is marked as such instead of being cut, because a cut
// path would name another file.
class PathText {
  public:
    PathText() { text_[0] = '\0'; }
    PathText(const PathText &) = delete;
    PathText &operator=(const PathText &) = delete;

    PathText &append(std::string_view part);
    PathText &append(char c) { return append(std::string_view(&c, 1)); }
    // Appends the native separator unless the text already ends with one.
    PathText &separate();

    bool fits() const { return fits_; }
    std::size_t size() const { return size_; }
    char *data() { return text_; }
    const char *c_str() const { return text_; }
    std::string_view view() const { return {text_, size_}; }

  private:
    char text_[kSlotSize];
    std::size_t size_ = 0;
    bool fits_ = true;
};

inline bool ends_with_separator(std::string_view text) {
    return !text.empty() && is_native_separator(text.back());
}

// What the scan knew of an entry's kind, kept in its slot behind the path's
// NUL (the mark, the path's length in two bytes and a guard byte) where the
// slot has room: fsearch then marks a directory without a status call.  A
// slot without a valid mark (a path of more than 4090 characters, or a slot
// that a caller rewrote) is looked up as before.
enum class EntryMark : unsigned char { kUnknown = 0, kOther = 'F', kDirectory = 'D' };

inline constexpr std::size_t kMarkBytes = 4;

inline void write_mark(char *slot, std::size_t length, EntryMark mark) {
    if (length + 1 + kMarkBytes > kSlotSize) return;
    slot[length + 1] = static_cast<char>(mark);
    slot[length + 2] = static_cast<char>(length & 0xFF);
    slot[length + 3] = static_cast<char>(length >> 8);
    slot[length + 4] = 'Z';
}

inline EntryMark read_mark(const char *slot, std::size_t length) {
    if (length + 1 + kMarkBytes > kSlotSize || slot[length + 4] != 'Z' ||
        slot[length + 2] != static_cast<char>(length & 0xFF) ||
        slot[length + 3] != static_cast<char>(length >> 8))
        return EntryMark::kUnknown;
    const auto mark = static_cast<EntryMark>(slot[length + 1]);
    return mark == EntryMark::kOther || mark == EntryMark::kDirectory ? mark : EntryMark::kUnknown;
}

// The list of a search context while fsinit fills it (search_list.cpp): the
// slots in use are the context's count, the slots allocated are known only
// here and in the block's header, because the context has no field for them.
class SearchList {
  public:
    explicit SearchList(ZRL_SEARCH &context) : context_(context) {}

    // Gives the context a list when it has none; false, with the status -1,
    // when that cannot be allocated.
    bool ready();
    // Appends a path of fewer than kSlotSize characters with its mark.  A
    // full list first doubles; when that fails the list is released, count
    // is 0, the status is -1 and the result is false.
    bool append(std::string_view path, EntryMark mark) { return append(path, {}, mark); }
    // The same for a path given in two parts, written one after the other.
    bool append(std::string_view head, std::string_view tail, EntryMark mark);
    // Whether the list has been lost to a failed allocation.
    bool failed() const { return failed_; }
    // Drops the list: released, count 0, the status -1.
    void release();

  private:
    bool grow();
    char *next_slot();

    ZRL_SEARCH &context_;
    std::size_t capacity_ = 0;
    bool failed_ = false;
};

// Gives back a list that a search obtained (null is ignored).
void release_list(char *list);

// Appends to the list every entry of directory that name_pattern matches,
// each as its full path.  A directory that cannot be enumerated, or no
// match, appends nothing and sets no status.  An entry whose name holds a
// character that the file system reads as a separator is passed over: its
// path would name another file.  False when the search text is longer than
// the layer takes.
bool scan_directory(SearchList &list, std::string_view directory, std::string_view name_pattern);

// ffspec's lookup: the full path of the file that spec (completed from def)
// names, or of its first match, into out (kSlotSize + 1 bytes); its length,
// or 0 when nothing was found.  `refusal` is ENAMETOOLONG when the name could
// not be held, else 0.  zrl_error is left as it was.
int find_first(char *out, const char *spec, const char *def, int &refusal);

} // namespace zrl
