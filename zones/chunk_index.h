// The index of the chunk bodies a zone holds, sorted by address: it tells a
// free whether its block is memory of this zone before anything is written,
// and which chunks hold free nodes, so that the free node nearest below a
// place is found without walking the free list.
#pragma once

#include "zones/node_map.h"

#include <cstddef>
#include <cstdint>

namespace zrl::zones {

using Address = std::uintptr_t;

// The body of one chunk, [begin, end).  An entry whose chunk is being given
// back during deletion is marked by an empty span.  The chunk's map of node
// starts follows its body in the chunk's own allocation; the room of its top
// level is kept here, where a search along the index reads it.
struct Body {
    Address begin, end;
    std::size_t room; // bounds the size of the chunk's free nodes, in granules
};

// Lives in the zone's own allocation, after the header words; the entries
// and the bits of the chunks that hold free nodes (one bit per entry, in the
// same order) are malloc blocks of their own that double as chunks are
// added.  A plain record that starts empty (all zero), with no constructor,
// because the zone that holds it is obtained with malloc.
struct ChunkIndex {
    Body *entries;
    std::uint64_t *occupied;
    std::size_t count;
    std::size_t capacity;
    // Which entry held an address of each 8 KB window lately, as position
    // + 1 (0: not known), in 4 slots per entry the index has room for,
    // picked by the window's low bits: the chunks of one heap lie mostly
    // side by side, so their windows take different slots.  A chunk spans
    // two or three windows, so most frees find their chunk here, whatever
    // order they come in.  Forgotten whenever entries move.
    std::uint32_t *recent;
    std::size_t recent_mask; // the number of slots less one (a power of two)

    static constexpr std::size_t none = SIZE_MAX;

    // Room for one more body; false when the memory for it is not there.
    bool reserve_one();
    // Adds a body after reserve_one, keeping the order by address; it holds
    // no free node yet.
    void add(Body body);
    // The position of the first body that begins at or above `a` (count
    // when there is none).
    std::size_t first_from(Address a) const;
    // The body that starts exactly at `begin`, or null.
    Body *starting_at(Address begin);
    // The body that holds the byte at `a`, or null.
    Body *holding(Address a) const {
        if (count == 0) return nullptr;
        const std::size_t slot = recent_slot(a);
        const std::uint32_t known = recent[slot];
        if (known != 0) {
            // A window that a chunk boundary crosses holds two chunks, the
            // one noted and its neighbour.
            Body *noted = entries + (known - 1);
            Body *body = noted + ((a >= noted->end) & (known < count));
            if (body->begin <= a && a < body->end) return body;
        }
        return search_holding(a, slot);
    }
    // Drops the body that `body` points at.
    void remove(Body *body);
    // Drops every body marked empty; every free node has been forgotten
    // before (clear_occupied), so no bit has to move.
    void drop_marked();
    // Frees the entries; the index is empty again.
    void release();

    // Records whether the body at position i holds a free node.
    void mark(std::size_t i, bool holds_nodes);
    // The highest position below i whose body holds a free node, or none.
    std::size_t occupied_below(std::size_t i) const;
    // Forgets every free node: no body holds one.
    void clear_occupied();

    static constexpr unsigned window_bits = 13; // 8 KB windows
    std::size_t recent_slot(Address a) const {
        return static_cast<std::size_t>(a >> window_bits) & recent_mask;
    }
    Body *search_holding(Address a, std::size_t slot) const;
    void forget_recent();
};

} // namespace zrl::zones
