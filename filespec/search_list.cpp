// The list of a search context: one block of fixed slots from the system's
// page allocator, doubled whenever it is full.  A slot is a page of its own,
// so ten thousand matches touch ten thousand pages: the block is touched
// only where a path is written, a block of megabytes gets large pages where
// the system offers them, and growth remaps instead of copying.
//
// The block's first slot is its header (a mark and the block's size), so that
// fsfree can give back a list knowing only its address.  The last block that
// fsfree gives back is kept, when it is no larger than kSpareMax, for the
// next search, as malloc keeps freed memory; its contents are discarded, so
// the system may take its pages back.  The block is handed from one owner to
// the next by an atomic exchange, so searches in several threads never share
// one.
#include "filespec/search.h"

#include <atomic>
#include <climits>
#include <cstdint>
#include <cstring>

#include "frame/status.h"
#include "platform/platform.h"

namespace zrl {
namespace {

constexpr std::uint32_t kBlockMark = 0x5A534C42; // "ZSLB"
constexpr std::size_t kFirstBlock = 16 * kSlotSize;
constexpr std::size_t kSpareMax = std::size_t{64} << 20;

// The most slots a list may have: count is an int, and the block's size in
// bytes must fit in a size_t (on a 32-bit build the tighter of the two).
constexpr std::size_t kMaxSlots = static_cast<std::size_t>(INT_MAX) < SIZE_MAX / kSlotSize - 1
                                      ? static_cast<std::size_t>(INT_MAX)
                                      : SIZE_MAX / kSlotSize - 1;

struct BlockHeader {
    std::uint32_t mark;
    std::size_t bytes;
};

std::atomic<BlockHeader *> spare_block{nullptr};

BlockHeader *header_of(char *list) {
    return reinterpret_cast<BlockHeader *>(list - kSlotSize);
}

char *list_of(BlockHeader *block) {
    return reinterpret_cast<char *>(block) + kSlotSize;
}

std::size_t slots_of(const BlockHeader *block) {
    return block->bytes / kSlotSize - 1;
}

// A block of at least kFirstBlock bytes: the spare one, or a new one.
BlockHeader *obtain_block() {
    if (BlockHeader *spare = spare_block.exchange(nullptr)) return spare;
    void *pages = platform::pages_obtain(kFirstBlock);
    if (pages == nullptr) return nullptr;
    auto *block = static_cast<BlockHeader *>(pages);
    block->mark = kBlockMark;
    block->bytes = kFirstBlock;
    return block;
}

} // namespace

void release_list(char *list) {
    if (list == nullptr) return;
    BlockHeader *block = header_of(list);
    if (block->mark != kBlockMark) return; // never a block of this allocator
    if (block->bytes > kSpareMax) {
        platform::pages_release(block, block->bytes);
        return;
    }
    if (BlockHeader *older = spare_block.exchange(block))
        platform::pages_release(older, older->bytes);
}

bool SearchList::ready() {
    if (failed_) return false;
    if (context_.list != nullptr) return true;
    BlockHeader *block = obtain_block();
    if (block == nullptr) {
        failed_ = true;
        set_status(kEndOfFile);
        return false;
    }
    context_.list = list_of(block);
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
    BlockHeader *block = header_of(context_.list);
    if (capacity_ > kMaxSlots / 2) return false;
    const std::size_t bytes = 2 * block->bytes;
    void *pages = platform::pages_resize(block, block->bytes, bytes);
    if (pages == nullptr) return false;
    block = static_cast<BlockHeader *>(pages);
    block->bytes = bytes;
    context_.list = list_of(block);
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
