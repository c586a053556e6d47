// Blocks from the system's page allocator for the lists that searches fill:
// touched only where written, given large pages where they are megabytes
// long, grown by remapping, and kept for the next search when given back.
#pragma once

#include <cstddef>
#include <cstdint>

#include <zrlshared.h>

namespace zrl {

// The first ZRL_SEARCH_SLOT bytes of a block: a mark and the block's size,
// so that a block can be given back knowing only its address.  The body
// follows, so a search's slots stay page-aligned.
struct PageBlock {
    std::uint32_t mark;
    std::size_t bytes;
};

inline constexpr std::size_t kBlockHeaderBytes = ZRL_SEARCH_SLOT;

inline char *body_of(PageBlock *block) {
    return reinterpret_cast<char *>(block) + kBlockHeaderBytes;
}
inline std::size_t body_bytes(const PageBlock *block) {
    return block->bytes - kBlockHeaderBytes;
}
// The block whose body starts at `body`; null when it is none of ours.
PageBlock *block_of(char *body);

// A block with a body of at least 60 KB, or null when none can be had.
PageBlock *obtain_block();
// The block at twice its size, contents kept (maybe moved); null, with the
// block as it was, when it cannot grow or its size would pass `most_bytes`.
PageBlock *grow_block(PageBlock *block, std::size_t most_bytes);
// Gives a block back (null is ignored).
void give_back_block(PageBlock *block);

} // namespace zrl
