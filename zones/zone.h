// Internal layout of a memory zone: the zone header, chunks, free-list nodes
// and the numbers that follow from the width of a word.
#pragma once

#include "zones/chunk_index.h"

#include <zrlshared.h>

#include <bit>
#include <cstddef>
#include <cstdint>

namespace zrl::zones {

// Every number of the zone layout follows from the width of one word.  A
// free-list node and a chunk header are two words each, and blocks are handed
// out in multiples of a node so that any freed block can hold one.  The
// default chunk is 8192 bytes, header included, on every build.  A counted
// block starts with one length word and its length is a multiple of a word,
// so that the caller's bytes are word-aligned too.
inline constexpr std::size_t word = sizeof(zrl_word);
inline constexpr std::size_t granule = 2 * word;
inline constexpr std::size_t chunk_header = 2 * word;
inline constexpr std::size_t default_chunk = 8192;
inline constexpr std::size_t default_extension = default_chunk - chunk_header;
inline constexpr std::size_t count_word = word;
inline constexpr std::size_t count_unit = word;

static_assert(granule == 8 || granule == 16);
static_assert(sizeof(std::size_t) == word && sizeof(void *) == word,
              "zone fields are one word wide, whether they hold a size or a pointer");

// Bits of the flags given at creation.
enum Flag : unsigned {
    kInitial = 1,   // the size argument is also a first chunk
    kExtension = 2, // the size argument is the extension size
    kRelease = 4,   // a chunk whose body is wholly free goes back at once
    kFixed = 0x80,  // never obtain chunks after creation
};

// Placed at the start of every free region: its size in bytes (a multiple of
// the granule) and the next free node in address order.
struct Node {
    std::size_t size;
    Node *next;
};

// The first two words of every chunk: its total size in bytes, header
// included, and the chunk obtained before it.
struct Chunk {
    std::size_t size;
    Chunk *next;
};

static_assert(sizeof(Node) == granule && sizeof(Chunk) == chunk_header);

} // namespace zrl::zones

// The zone header: eight words in this order.  Callers hold it as the opaque
// ZRL_ZONE.
struct ZRL_ZoneHeader {
    zrl::zones::Node *rover;   // where the next search starts
    zrl::zones::Chunk *chunks; // newest chunk, null when none is held
    ZRL_ZoneHeader *self;      // the header's own address while the zone lives
    std::size_t total;         // bytes of all chunks held, headers included
    zrl::zones::Node base;     // size 0, always on the free list
    zrl_word flags;            // as given at creation
    std::size_t extension;     // smallest chunk body obtained when growing
};

static_assert(sizeof(ZRL_ZoneHeader) == 8 * sizeof(zrl_word));
static_assert(offsetof(ZRL_ZoneHeader, rover) == 0 * sizeof(zrl_word));
static_assert(offsetof(ZRL_ZoneHeader, chunks) == 1 * sizeof(zrl_word));
static_assert(offsetof(ZRL_ZoneHeader, self) == 2 * sizeof(zrl_word));
static_assert(offsetof(ZRL_ZoneHeader, total) == 3 * sizeof(zrl_word));
static_assert(offsetof(ZRL_ZoneHeader, base) == 4 * sizeof(zrl_word));
static_assert(offsetof(ZRL_ZoneHeader, flags) == 6 * sizeof(zrl_word));
static_assert(offsetof(ZRL_ZoneHeader, extension) == 7 * sizeof(zrl_word));

namespace zrl::zones {

// A zone as obtained with malloc: the documented header words first, so that
// the caller's handle points at them, then the index of the chunk bodies.
struct ZoneBlock {
    ZRL_ZoneHeader header;
    ChunkIndex bodies;
};

static_assert(offsetof(ZoneBlock, header) == 0);

inline ChunkIndex &bodies_of(ZRL_ZoneHeader &zone) {
    return reinterpret_cast<ZoneBlock &>(zone).bodies;
}
inline const ChunkIndex &bodies_of(const ZRL_ZoneHeader &zone) {
    return reinterpret_cast<const ZoneBlock &>(zone).bodies;
}

// The map of node starts of a body, in the words that follow it.
inline NodeMap map_of(Body &body) {
    return {reinterpret_cast<std::uint64_t *>(body.end), &body.room,
            (body.end - body.begin) / granule, body.begin,
            static_cast<unsigned>(std::countr_zero(granule))};
}

// True while `zone` points at a live zone header.
bool valid(const ZRL_ZoneHeader *zone);

// The chunk body that holds [block, block + length) wholly, when the block
// starts a granule of it, as every block the zone hands out does; null
// otherwise.
Body *body_holding(const ZRL_ZoneHeader &zone, Address block, std::size_t length);

// The block length for a requested size: rounded up to the granule in
// unsigned 32-bit arithmetic, so that 0 means "none" both for a size of 0 and
// for a size so large that the rounding wraps.
constexpr std::uint32_t block_length(std::uint32_t size) {
    constexpr std::uint32_t mask = granule - 1;
    return static_cast<std::uint32_t>(size + mask) & ~mask;
}

// The operations behind zrl_zalloc and zrl_zfree, self check included.
void *allocate(ZRL_ZoneHeader *zone, std::uint32_t size);
int deallocate(ZRL_ZoneHeader *zone, void *block, std::uint32_t size);

} // namespace zrl::zones
