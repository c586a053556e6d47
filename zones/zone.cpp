// Memory zones: private heaps carved from large chunks obtained with malloc.
//
// Free space is a circular list of nodes in ascending address order that
// always holds the zone's base node (size 0) as an anchor.  Searches start at
// the rover, which each operation leaves just before the place it worked on,
// so that allocations and frees near each other stay short.  Blocks carry no
// header; the caller states the size again when it frees one.
//
// A free finds its place in the list without walking it: each chunk keeps,
// after its body, a map of the granules that start free nodes, and the index
// of chunk bodies knows which chunks hold any.  The node before a place is
// the highest node start below it, in its own chunk or in the nearest lower
// chunk that holds one, unless the base node lies between (or, below every
// node, the highest node of all: the list's wrap point).  That is the node
// the documented walk from the rover would stop at, so every address, merge,
// rover and release comes out the same; a free near the rover still takes
// the walk's first steps, which are cheaper than the maps.
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

// How many nodes a free looks at from the rover before it asks the maps.
constexpr int nearby = 1;

std::size_t position(const ChunkIndex &bodies, const Body *body) {
    return static_cast<std::size_t>(body - bodies.entries);
}
std::size_t granule_of(const Body &body, Address a) {
    return (a - body.begin) / granule;
}

// The free path keeps to the map word of the place it works on; the rest
// of the map (the levels above, the index's marks) changes only when that
// word turns empty or non-empty, and is looked at only when the word holds
// no node below the place.  Those parts are out of line, so that the common
// path needs no map view and few registers.
std::uint64_t *map_words(const Body &body) {
    return reinterpret_cast<std::uint64_t *>(body.end);
}
std::uint64_t bit_of(std::size_t g) {
    return std::uint64_t{1} << (g % 64);
}

[[gnu::noinline]] void note_first_in_word(ZRL_ZoneHeader &zone, Body *body, std::size_t g) {
    ChunkIndex &bodies = bodies_of(zone);
    if (map_of(*body).set_above(g / 64)) bodies.mark(position(bodies, body), true);
}

[[gnu::noinline]] void forget_last_in_word(ZRL_ZoneHeader &zone, Body *body, std::size_t g) {
    ChunkIndex &bodies = bodies_of(zone);
    if (map_of(*body).clear_above(g / 64)) bodies.mark(position(bodies, body), false);
}

// Records that a free node starts at `a`, in `body`.
inline void note_node(ZRL_ZoneHeader &zone, Body *body, Address a) {
    const std::size_t g = granule_of(*body, a);
    std::uint64_t &w = map_words(*body)[g / 64];
    const std::uint64_t was = w;
    w = was | bit_of(g);
    if (was == 0) note_first_in_word(zone, body, g);
}

// Records that the free node at `a`, in `body`, is gone.
inline void forget_node(ZRL_ZoneHeader &zone, Body *body, Address a) {
    const std::size_t g = granule_of(*body, a);
    std::uint64_t &w = map_words(*body)[g / 64];
    const std::uint64_t now = w & ~bit_of(g);
    w = now;
    if (now == 0) forget_last_in_word(zone, body, g);
}

[[gnu::noinline]] void raise_room(Body *body, std::size_t g, std::size_t size) {
    map_of(*body).raise_levels(g, size);
}

// The number of words of bits of level 0 of a body's map; with at most 64 of
// them (bodies up to 64 KB on 64-bit builds) one summary word is the top
// level, and the node below a place is found from it without climbing.
std::size_t word_count(const Body &body) {
    return NodeMap::words_over((body.end - body.begin) / granule);
}
std::uint64_t summary_word(const Body &body, std::size_t words) {
    return *NodeMap::level_after(map_words(body), words);
}

// Notes that the node at `a`, in `body`, is now `size` bytes large.  With
// one summary word the room of the node's map word and the chunk's room are
// raised to at least its size with no branch: whether a free leaves a node
// larger than all before it under its word is a coin toss in random order.
inline void note_size(Body *body, Address a, std::size_t size) {
    const std::size_t words = word_count(*body);
    const std::size_t n = size / granule;
    if (words > 1) {
        const std::size_t g = granule_of(*body, a);
        std::uint32_t &room = NodeMap::rooms_after(map_words(*body), words)[g / 64];
        if (words > 64) {
            if (room < n) raise_room(body, g, size);
            return;
        }
        room = static_cast<std::uint32_t>(std::max<std::size_t>(room, n));
    }
    body->room = std::max(body->room, n);
}

// The highest free node in `body`, which holds at least one.
Address highest_node(Body &body) {
    return body.begin + map_of(body).highest() * granule;
}

// The highest bit set in a word that is not zero.
std::size_t highest_bit(std::uint64_t w) {
    return 63 - static_cast<std::size_t>(std::countl_zero(w));
}

// node_before when the map word of `a` holds no node below it.
[[gnu::noinline]] Node *node_before_far(ZRL_ZoneHeader &zone, Body *body, Address a) {
    ChunkIndex &bodies = bodies_of(zone);
    const Address base = at(&zone.base);
    Address found = 0;
    const std::size_t words = word_count(*body);
    std::size_t g;
    if (words > 1 && words <= 64) {
        // The nearest lower word that holds a node, from the summary word.
        const std::uint64_t lower =
            summary_word(*body, words) & (bit_of(granule_of(*body, a) / 64) - 1);
        g = lower == 0
                ? NodeMap::none
                : highest_bit(lower) * 64 + highest_bit(map_words(*body)[highest_bit(lower)]);
    } else {
        g = map_of(*body).below_word(granule_of(*body, a) / 64);
    }
    if (g != NodeMap::none) {
        found = body->begin + g * granule;
    } else {
        const std::size_t i = bodies.occupied_below(position(bodies, body));
        if (i != ChunkIndex::none) found = highest_node(bodies.entries[i]);
    }
    if (found != 0) return node_at(base > found && base < a ? base : found);
    if (base < a) return &zone.base;
    // Below every node: the list wraps to its highest node.
    const std::size_t i = bodies.occupied_below(bodies.count);
    if (i == ChunkIndex::none) return &zone.base;
    const Address top = highest_node(bodies.entries[i]);
    return node_at(base > top ? base : top);
}

// The node that precedes address `a` (inside `body`) on the free list: the
// highest node below it, or the highest of all when none is below.  The
// base node precedes `a` instead when it lies between.
inline Node *node_before(ZRL_ZoneHeader &zone, Body *body, Address a) {
    const std::size_t g = granule_of(*body, a);
    const std::uint64_t lower = map_words(*body)[g / 64] & (bit_of(g) - 1);
    if (lower == 0) return node_before_far(zone, body, a);
    const Address found =
        body->begin + ((g | 63) - static_cast<std::size_t>(std::countl_zero(lower))) * granule;
    const Address base = at(&zone.base);
    return node_at(base > found && base < a ? base : found);
}

// Gives back the chunk whose entire body is the free node `node` (preceded
// on the free list by `before`), if there is such a chunk.
[[gnu::noinline]] void release_if_whole(ZRL_ZoneHeader &zone, Body *body, Node *node,
                                        Node *before) {
    if (body->begin != at(node) || body->end != at(node) + node->size) return;
    Chunk **link = &zone.chunks;
    for (Chunk *chunk = zone.chunks; chunk != nullptr; chunk = chunk->next) {
        if (at(chunk) + chunk_header == at(node) && chunk->size == node->size + chunk_header) {
            *link = chunk->next;
            zone.total -= chunk->size;
            before->next = node->next;
            bodies_of(zone).remove(body);
            std::free(chunk);
            return;
        }
        link = &chunk->next;
    }
}

// True when the free list's walk stops at p for `block`: the block lies in
// the circular span from p to its next node, ends included.  For every node
// but the wrap point (the highest, whose next is the lowest) that is
// here <= block <= next; for the wrap point it is a block above it or below
// the lowest node.  One unsigned comparison tests both, with one branch that
// is well predicted: in a free in random order the walk's first steps rarely
// stop, while each of the two bounds alone is a coin toss.  It differs from
// the walk's own test only for a block that starts the wrap point or the
// lowest node, which the overlap tests refuse either way, and for a list
// that holds the base node alone, where it is false and the maps answer.
bool stops_at(const Node *p, Address block) {
    const Address here = at(p);
    return block - here <= at(p->next) - here;
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
    Body *const body = body_holding(zone, block, length);
    if (body == nullptr) return -1;
    Node *const start = zone.rover;
    // The walk's node before p, while the walk found p; null when the maps did.
    Node *prev = start;
    Node *p = start;
    for (int step = 0;; ++step) {
        if (stops_at(p, block)) break;
        if (step == nearby) {
            p = node_before(zone, body, block);
            prev = nullptr;
            break;
        }
        prev = p;
        p = p->next;
    }
    const Address here = at(p);
    const Address next = at(p->next);
    if (here <= block && block < here + p->size) return -1;
    if (block <= next && block + length > next) return -1;

    Node *node = node_at(block);
    Node *const after = p->next;
    node->size = length;
    node->next = after;
    const bool joins_after = block + length == next;
    if (joins_after) {
        node->size += after->size;
        node->next = after->next;
    }
    p->next = node;
    Node *before = p;
    if (here + p->size == block) {
        p->size += node->size;
        p->next = node->next;
        node = p;
        // The maps find p's predecessor when the walk did not pass it; p is
        // not the rover then, or the walk's first step would have found it.
        before = prev != nullptr ? prev : node_before(zone, body, here);
    } else {
        note_node(zone, body, block);
    }
    if (joins_after) forget_node(zone, body, next);
    note_size(body, at(node), node->size);

    if (may_release && node->size >= zone.extension && node != start)
        release_if_whole(zone, body, node, before);
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
    const std::uint64_t obtained =
        size + NodeMap::bytes_for(static_cast<std::size_t>(body / granule));
    if (obtained != static_cast<std::size_t>(obtained)) return false;
    ChunkIndex &bodies = bodies_of(zone);
    if (!bodies.reserve_one()) return false;
    // The chunk's map of node starts follows its body, in the same block.
    auto *chunk = static_cast<Chunk *>(std::malloc(static_cast<std::size_t>(obtained)));
    if (chunk == nullptr) return false;
    chunk->size = static_cast<std::size_t>(size);
    chunk->next = zone.chunks;
    zone.chunks = chunk;
    zone.total += chunk->size;
    Body entry{at(chunk) + chunk_header, at(chunk) + chunk->size, 0};
    map_of(entry).clear_all();
    bodies.add(entry);
    // A new chunk is never given straight back, whatever the release flag.
    insert(zone, at(chunk) + chunk_header, static_cast<std::size_t>(body), false);
    return true;
}

} // namespace

ZRL_ZONE_SELF_CHECK bool valid(const ZRL_ZoneHeader *zone) {
    return zone != nullptr && zone->self == zone;
}

Body *body_holding(const ZRL_ZoneHeader &zone, Address block, std::size_t length) {
    Body *body = bodies_of(zone).holding(block);
    if (body == nullptr || (block - body->begin) % granule != 0 || length > body->end - block)
        return nullptr;
    return body;
}

namespace {

// Unlinks node p, used up entirely, whose predecessor is prev; the rover
// becomes prev.  `body` is p's chunk body when the caller knows it already,
// else null.
[[gnu::noinline]] void *take_whole(ZRL_ZoneHeader &zone, Node *prev, Node *p, Body *body) {
    prev->next = p->next;
    forget_node(zone, body != nullptr ? body : bodies_of(zone).holding(at(p)), at(p));
    zone.rover = prev;
    return p;
}

// Takes `length` bytes from node p, whose predecessor is prev: cut from the
// high end so that the node stays where it is; a node used up entirely
// leaves the list.  The rover becomes prev.  Cutting needs no map and no
// chunk, so it stays inline and the allocation that ends here saves no
// registers.
inline void *take(ZRL_ZoneHeader &zone, Node *prev, Node *p, std::size_t length,
                  Body *body = nullptr) {
    const std::size_t left = p->size - length;
    p->size = left;
    if (left == 0) return take_whole(zone, prev, p, body);
    zone.rover = prev;
    return reinterpret_cast<char *>(p) + left;
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

// The first node of at least `length` bytes in the walk's order: after the
// rover up to the highest node, then from the lowest up to the rover itself;
// null when there is none; `found` is then set to the node's chunk body.
// Chunks are passed over by their room, the parts of a chunk by the rooms of
// its map.
[[gnu::noinline]] Node *first_fit(ZRL_ZoneHeader &zone, std::size_t length, Body *&found) {
    ChunkIndex &bodies = bodies_of(zone);
    const Node *rover = zone.rover;
    const std::size_t n = length / granule;
    // The rover's chunk, or the first chunk above the base node; and the
    // first granule after the rover in it.
    std::size_t i;
    std::size_t from = 0;
    if (rover == &zone.base) {
        i = bodies.first_from(at(rover));
    } else {
        Body *body = bodies.holding(at(rover));
        i = position(bodies, body);
        from = granule_of(*body, at(rover)) + 1;
    }
    auto fit_in = [&](std::size_t j, std::size_t start) -> Node * {
        Body &body = bodies.entries[j];
        if (body.room < n) return nullptr;
        const std::size_t g = map_of(body).first_fit(start, length);
        if (g == NodeMap::none) return nullptr;
        found = &body;
        return node_at(body.begin + g * granule);
    };
    for (std::size_t j = i; j < bodies.count; ++j)
        if (Node *p = fit_in(j, j == i ? from : 0)) return p;
    // From the lowest node on; the rover's own chunk again from its start.
    const std::size_t end = rover == &zone.base ? i : i + 1;
    for (std::size_t j = 0; j < end; ++j)
        if (Node *p = fit_in(j, 0)) return p;
    return nullptr;
}

// The first fit when the node after the rover is short: the walk starts
// there again; the rover itself is looked at last, and when it too is short
// the zone grows.  The first few nodes are walked; beyond them the maps find
// the node the walk would stop at.
[[gnu::noinline]] void *allocate_further(ZRL_ZoneHeader &zone, std::size_t length) {
    Node *prev = zone.rover;
    Node *p = prev->next;
    for (int step = 0; p->size < length; ++step) {
        if (p == zone.rover) return grow_and_take(zone, length);
        if (step == nearby) {
            Body *body = nullptr;
            p = first_fit(zone, length, body);
            if (p == nullptr) return grow_and_take(zone, length);
            return take(zone, node_before(zone, body, at(p)), p, length, body);
        }
        prev = p;
        p = p->next;
    }
    return take(zone, prev, p, length);
}

} // namespace

void *allocate(ZRL_ZoneHeader *zone, std::uint32_t size) {
    if (!valid(zone)) return nullptr;
    const std::size_t length = block_length(size);
    if (length == 0) return nullptr;
    // Mostly the node after the rover fits.
    Node *prev = zone->rover;
    Node *p = prev->next;
    if (p->size < length) return allocate_further(*zone, length);
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

// Empties the free list: no node is left but the base node, and no chunk's
// map marks one.
void forget_free_space(ZRL_ZoneHeader &zone) {
    zone.base.next = &zone.base;
    zone.rover = &zone.base;
    ChunkIndex &bodies = bodies_of(zone);
    for (std::size_t i = 0; i < bodies.count; ++i)
        map_of(bodies.entries[i]).clear_all();
    bodies.clear_occupied();
}

// Empties the free list, then frees the whole body of every chunk, newest
// first.  With the release flag every body goes back to the C runtime.
int reset(ZRL_ZoneHeader &zone) {
    forget_free_space(zone);
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
    bool emptied = false;
    Chunk *chunk = zone.chunks;
    while (chunk != nullptr) {
        Body *body = entry_of(zone, chunk);
        if (body == nullptr || remainder < chunk->size) break;
        if (!emptied) forget_free_space(zone);
        emptied = true;
        remainder -= chunk->size;
        Chunk *next = chunk->next;
        body->end = body->begin;
        std::free(chunk);
        chunk = next;
        zone.chunks = chunk;
        zone.total = remainder;
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
