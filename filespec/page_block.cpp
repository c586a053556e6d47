// The page blocks of the searches.  The last block given back is kept, when
// it is no larger than kSpareMax, for the next search, as malloc keeps freed
// memory: a program that searches again then touches no new page.  Telling
// the system that its contents may go would cost the next search more than
// the faults it saves, so a program keeps at most kSpareMax of address space
// this way, and only the pages that its largest search wrote are resident.
// The block passes from one owner to the next by an atomic exchange, so
// searches in several threads never share one.
#include "filespec/page_block.h"

#include <atomic>

#include "platform/platform.h"

namespace zrl {
namespace {

constexpr std::uint32_t kBlockMark = 0x5A534C42; // "ZSLB"
constexpr std::size_t kFirstBlock = 16 * kBlockHeaderBytes;
constexpr std::size_t kSpareMax = std::size_t{64} << 20;

std::atomic<PageBlock *> spare_block{nullptr};

} // namespace

PageBlock *block_of(char *body) {
    if (body == nullptr) return nullptr;
    auto *block = reinterpret_cast<PageBlock *>(body - kBlockHeaderBytes);
    return block->mark == kBlockMark ? block : nullptr;
}

PageBlock *obtain_block() {
    if (PageBlock *spare = spare_block.exchange(nullptr)) return spare;
    void *pages = platform::pages_obtain(kFirstBlock);
    if (pages == nullptr) return nullptr;
    auto *block = static_cast<PageBlock *>(pages);
    block->mark = kBlockMark;
    block->bytes = kFirstBlock;
    return block;
}

PageBlock *grow_block(PageBlock *block, std::size_t most_bytes) {
    if (block->bytes > most_bytes / 2) return nullptr;
    const std::size_t bytes = 2 * block->bytes;
    void *pages = platform::pages_resize(block, block->bytes, bytes);
    if (pages == nullptr) return nullptr;
    block = static_cast<PageBlock *>(pages);
    block->bytes = bytes;
    return block;
}

void give_back_block(PageBlock *block) {
    if (block == nullptr) return;
    if (block->bytes > kSpareMax) {
        platform::pages_release(block, block->bytes);
        return;
    }
    if (PageBlock *older = spare_block.exchange(block))
        platform::pages_release(older, older->bytes);
}

} // namespace zrl
