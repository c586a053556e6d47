// Memory zones: private heaps carved from large chunks obtained with malloc.
//
// Free space is a circular list of nodes in ascending address order that
// always holds the zone's base node (size 0) as an anchor.  Searches start at
// the rover, which each operation leaves just before the place it worked on,
// so that allocations and frees near each other stay short.  Blocks carry no
// header; the caller states the size again when it frees one.
//
// Nothing a caller passes to a free is written to before it is known to be
// memory of this zone: the chunk bodies the zone holds are indexed by
// address, and a block must lie wholly inside one of them, at a granule
// start, and clear of free space.  So a block freed twice, after its chunk
// went back, with too large a size, from another zone or from anywhere else
// is refused with -1 and the zone stays as it was.
#include "zones/zone.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

// The self check reads the header of a zone that may already have been
// deleted: that is how a stale handle is told apart (deletion clears the self
// word before releasing the header).  Address checking is turned off for that
// one read only.
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ZRL_ZONE_SELF_CHECK __attribute__((no_sanitize("address")))
#endif
#endif
#if !defined(ZRL_ZONE_SELF_CHECK) && defined(__SANITIZE_ADDRESS__)
#define ZRL_ZONE_SELF_CHECK __attribute__((no_sanitize("address")))
#endif
#if !defined(ZRL_ZONE_SELF_CHECK)
#define ZRL_ZONE_SELF_CHECK
#endif

namespace zrl::zones {

namespace {

inline Address at(const void *p) {
    return reinterpret_cast<Address>(p);
}
inline Node *node_at(Address a) {
    return reinterpret_cast<Node *>(a);
}

// Gives back the chunk whose entire body is the free node `node` (preceded
// on the free list by `before`), if there is such a chunk.
[[gnu::noinline]] void release_if_whole(ZRL_ZoneHeader &zone, Node *node, Node *before) {
    ChunkIndex &bodies = bodies_of(zone);
    Body *body = bodies.starting_at(at(node));
    if (body == nullptr || body->end != at(node) + node->size) return;
    Chunk **link = &zone.chunks;
    for (Chunk *chunk = zone.chunks; chunk != nullptr; chunk = chunk->next) {
        if (at(chunk) + chunk_header == at(node) && chunk->size == node->size + chunk_header) {
            *link = chunk->next;
            zone.total -= chunk->size;
            before->next = node->next;
            bodies.remove(body);
            std::free(chunk);
            return;
        }
        link = &chunk->next;
    }
}

// Inserts the region [block, block + length) into the free list, merging it
// with the free space on either side, and leaves the rover just before the
// resulting node.  With `may_release`, a node that turns out to be the whole
// body of a chunk (and not the rover this call started from) gives that chunk
// back to the C runtime.
//
// A region that is not wholly inside one chunk body at a granule start, or
// that overlaps free space, is refused with -1 before anything is written.
// The nodes on either side of the insertion point are the only free space it
// could overlap, so that costs two comparisons and catches a block freed
// twice or freed with a size larger than it had.
int insert(ZRL_ZoneHeader &zone, Address block, std::size_t length, bool may_release) {
    if (!holds(zone, block, length)) return -1;
    Node *const start = zone.rover;
    Node *prev = start;
    Node *p = start;
    for (;;) {
        const Address here = at(p);
        const Address next = at(p->next);
        if (here <= block && block <= next) {
            if (block < here + p->size || block + length > next) return -1;
            break;
        }
        if (here >= next && (block > here || block < next)) {
            // The wrap point: p is the highest node and its next the lowest.
            if (block > here ? block < here + p->size : block + length > next) return -1;
            break;
        }
        prev = p;
        p = p->next;
    }

    Node *node = node_at(block);
    node->size = length;
    node->next = p->next;
    if (block + length == at(p->next)) {
        node->size += p->next->size;
        node->next = p->next->next;
    }
    p->next = node;
    Node *before = p;
    if (at(p) + p->size == block) {
        p->size += node->size;
        p->next = node->next;
        node = p;
        before = prev;
    }

    if (may_release && node->size >= zone.extension && node != start)
        release_if_whole(zone, node, before);
    zone.rover = before;
    return 0;
}

// Obtains one chunk whose body holds at least `want` bytes (and at least the
// extension size) and adds the body to the free list.  The size is worked
// out in 64 bits, so a request near 2^32 is never wrapped into a small chunk;
// a chunk that does not fit the address space fails like malloc would.
bool add_chunk(ZRL_ZoneHeader &zone, std::uint64_t want) {
    const std::uint64_t body = (std::max<std::uint64_t>(want, zone.extension) + (granule - 1)) &
                               ~std::uint64_t{granule - 1};
    const std::uint64_t size = body + chunk_header;
    if (size != static_cast<std::size_t>(size)) return false;
    ChunkIndex &bodies = bodies_of(zone);
    if (!bodies.reserve_one()) return false;
    auto *chunk = static_cast<Chunk *>(std::malloc(static_cast<std::size_t>(size)));
    if (chunk == nullptr) return false;
    chunk->size = static_cast<std::size_t>(size);
    chunk->next = zone.chunks;
    zone.chunks = chunk;
    zone.total += chunk->size;
    bodies.add({at(chunk) + chunk_header, at(chunk) + chunk->size});
    // A new chunk is never given straight back, whatever the release flag.
    insert(zone, at(chunk) + chunk_header, static_cast<std::size_t>(body), false);
    return true;
}

} // namespace

ZRL_ZONE_SELF_CHECK bool valid(const ZRL_ZoneHeader *zone) {
    return zone != nullptr && zone->self == zone;
}

bool holds(const ZRL_ZoneHeader &zone, Address block, std::size_t length) {
    const Body *body = bodies_of(zone).holding(block);
    return body != nullptr && (block - body->begin) % granule == 0 && length <= body->end - block;
}

namespace {

// Takes `length` bytes from node p, whose predecessor is prev: cut from the
// high end so that the node stays where it is; a node used up entirely
// leaves the list.  The rover becomes prev.
void *take(ZRL_ZoneHeader &zone, Node *prev, Node *p, std::size_t length) {
    p->size -= length;
    void *block;
    if (p->size == 0) {
        prev->next = p->next;
        block = p;
    } else {
        block = reinterpret_cast<char *>(p) + p->size;
    }
    zone.rover = prev;
    return block;
}

// The rest of an allocation once the walk has gone round the whole list:
// grow, then go on walking from the rover as the new chunk left it.
[[gnu::noinline]] void *grow_and_take(ZRL_ZoneHeader &zone, std::size_t length) {
    for (;;) {
        if ((zone.flags & kFixed) != 0 || !add_chunk(zone, length)) return nullptr;
        Node *prev = zone.rover;
        Node *p = prev->next;
        for (;;) {
            if (p->size >= length) return take(zone, prev, p, length);
            if (p == zone.rover) break;
            prev = p;
            p = p->next;
        }
    }
}

} // namespace

void *allocate(ZRL_ZoneHeader *zone, std::uint32_t size) {
    if (!valid(zone)) return nullptr;
    const std::size_t length = block_length(size);
    if (length == 0) return nullptr;

    // First fit, starting after the rover; the rover itself is looked at
    // last, and when it too is short the zone grows.
    Node *prev = zone->rover;
    Node *p = prev->next;
    while (p->size < length) {
        if (p == zone->rover) return grow_and_take(*zone, length);
        prev = p;
        p = p->next;
    }
    return take(*zone, prev, p, length);
}

int deallocate(ZRL_ZoneHeader *zone, void *block, std::uint32_t size) {
    if (!valid(zone) || zone->total == 0) return -1;
    const std::size_t length = block_length(size);
    if (length == 0) return block == nullptr ? 0 : -1;
    if (block == nullptr) return -1;
    return insert(*zone, at(block), length, (zone->flags & kRelease) != 0);
}

namespace {

ZRL_ZoneHeader *create(int flags, std::uint32_t size) {
    std::size_t extension = default_extension;
    if ((flags & kExtension) != 0) extension = std::max<std::size_t>(size, default_extension);
    const std::uint32_t initial = (flags & kInitial) != 0 ? size : 0;

    auto *block = static_cast<ZoneBlock *>(std::malloc(sizeof(ZoneBlock)));
    if (block == nullptr) return nullptr;
    block->bodies = ChunkIndex{};
    ZRL_ZoneHeader *zone = &block->header;
    zone->self = zone;
    zone->chunks = nullptr;
    zone->total = 0;
    zone->base.size = 0;
    zone->base.next = &zone->base;
    zone->rover = &zone->base;
    zone->flags = flags;
    zone->extension = extension;

    // The first chunk is obtained even for a fixed zone: the fixed flag stops
    // growth after creation, and the initial size is how a fixed zone gets
    // its memory at all.
    if (initial != 0 && !add_chunk(*zone, initial)) {
        block->bodies.release();
        std::free(block);
        return nullptr;
    }
    return zone;
}

// The index entry of `chunk`, found on the chunk list, when the zone obtained
// that chunk and still holds it with the size it had; null otherwise.  Only
// then is the chunk's header read further or the chunk given back.
Body *entry_of(ZRL_ZoneHeader &zone, const Chunk *chunk) {
    Body *body = bodies_of(zone).starting_at(at(chunk) + chunk_header);
    if (body == nullptr || body->end == body->begin) return nullptr;
    return body->end == at(chunk) + chunk->size ? body : nullptr;
}

// Empties the free list, then frees the whole body of every chunk, newest
// first.  With the release flag every body goes back to the C runtime.
int reset(ZRL_ZoneHeader &zone) {
    zone.base.next = &zone.base;
    zone.rover = &zone.base;
    const bool may_release = (zone.flags & kRelease) != 0;
    for (Chunk *chunk = zone.chunks; chunk != nullptr;) {
        if (entry_of(zone, chunk) == nullptr) return -1;
        Chunk *next = chunk->next;
        if (insert(zone, at(chunk) + chunk_header, chunk->size - chunk_header, may_release) != 0)
            return -1;
        chunk = next;
    }
    return 0;
}

// Releases every chunk and then the header, but only when the chunk sizes add
// up to the total exactly.  On a mismatch the header stays, and the chunk list
// and total keep describing the chunks still held, so that nothing is
// released twice; as soon as one chunk has gone, the free list is emptied so
// that the zone never hands out released memory.  A chunk on the list that
// the index does not hold is a mismatch too: it is never given to free.
// Bodies given back are marked in the index and dropped from it at the end,
// so that giving back many chunks shifts no entries one by one.
int destroy(ZRL_ZoneHeader &zone) {
    ChunkIndex &bodies = bodies_of(zone);
    std::size_t remainder = zone.total;
    Chunk *chunk = zone.chunks;
    while (chunk != nullptr) {
        Body *body = entry_of(zone, chunk);
        if (body == nullptr || remainder < chunk->size) break;
        remainder -= chunk->size;
        Chunk *next = chunk->next;
        body->end = body->begin;
        std::free(chunk);
        chunk = next;
        zone.chunks = chunk;
        zone.total = remainder;
        zone.base.next = &zone.base;
        zone.rover = &zone.base;
    }
    if (chunk != nullptr || remainder != 0) {
        bodies.drop_marked();
        return -1;
    }
    bodies.release();
    // Written through a volatile word: a store into memory released right
    // after would otherwise be dropped as dead, and the handle would still
    // pass the self check.
    ZRL_ZoneHeader *volatile *self = &zone.self;
    *self = nullptr;
    std::free(&reinterpret_cast<ZoneBlock &>(zone));
    return 0;
}

} // namespace

} // namespace zrl::zones

extern "C" ZRL_API ZRL_ZONE zrl_zcreate(int flags, unsigned int size) {
    return zrl::zones::create(flags, size);
}

extern "C" ZRL_API void *zrl_zalloc(ZRL_ZONE zone, unsigned int size) {
    return zrl::zones::allocate(zone, size);
}

extern "C" ZRL_API int zrl_zfree(ZRL_ZONE zone, void *block, unsigned int size) {
    return zrl::zones::deallocate(zone, block, size);
}

extern "C" ZRL_API int zrl_zreset(ZRL_ZONE zone) {
    if (!zrl::zones::valid(zone)) return -1;
    return zrl::zones::reset(*zone);
}

extern "C" ZRL_API int zrl_zdelete(ZRL_ZONE zone) {
    if (!zrl::zones::valid(zone)) return -1;
    return zrl::zones::destroy(*zone);
}
