// The list of a search context: one page block (page_block.h) of fixed
// slots, doubled whenever it is full.  A slot is a page of its own, so ten
// thousand matches touch ten thousand pages: the block is touched only where
// a path is written, and growth remaps instead of copying.
#include "filespec/search.h"

#include <climits>
#include <cstdint>
#include <cstring>

#include "frame/status.h"
#include "filespec/page_block.h"

namespace zrl {
namespace {

// The most slots a list may have: count is an int, and the block's size in
// bytes must fit in a size_t (on a 32-bit build the tighter of the two).
constexpr std::size_t kMaxSlots = static_cast<std::size_t>(INT_MAX) < SIZE_MAX / kSlotSize - 1
                                      ? static_cast<std::size_t>(INT_MAX)
                                      : SIZE_MAX / kSlotSize - 1;
constexpr std::size_t kMostBytes = (kMaxSlots + 1) * kSlotSize;

std::size_t slots_of(const PageBlock *block) {
    return body_bytes(block) / kSlotSize;
}

} // namespace

void release_list(char *list) {
    give_back_block(block_of(list));
}

bool SearchList::ready() {
    if (failed_) return false;
    if (context_.list != nullptr) return true;
    PageBlock *block = obtain_block();
    if (block == nullptr) {
        failed_ = true;
        set_status(kEndOfFile);
        return false;
    }
    context_.list = body_of(block);
    capacity_ = slots_of(block);
    context_.count = 0;
    return true;
}

void SearchList::release() {
    release_list(context_.list);
    context_.list = nullptr;
    context_.count = 0;
    capacity_ = 0;
    failed_ = true;
    set_status(kEndOfFile);
}

bool SearchList::grow() {
    PageBlock *block = grow_block(block_of(context_.list), kMostBytes);
    if (block == nullptr) return false;
    context_.list = body_of(block);
    capacity_ = slots_of(block);
    return true;
}

char *SearchList::next_slot() {
    if (!ready()) return nullptr;
    if (static_cast<std::size_t>(context_.count) == capacity_ && !grow()) {
        release();
        return nullptr;
    }
    return context_.list + static_cast<std::size_t>(context_.count) * kSlotSize;
}

bool SearchList::append(std::string_view head, std::string_view tail, EntryMark mark) {
    char *slot = next_slot();
    if (slot == nullptr) return false;
    const std::size_t h = head.size() < kSlotSize ? head.size() : kSlotSize - 1;
    const std::size_t t = tail.size() < kSlotSize - h ? tail.size() : kSlotSize - 1 - h;
    std::memcpy(slot, head.data(), h);
    std::memcpy(slot + h, tail.data(), t);
    const std::size_t n = h + t;
    slot[n] = '\0';
    write_mark(slot, n, mark);
    ++context_.count;
    return true;
}

} // namespace zrl
