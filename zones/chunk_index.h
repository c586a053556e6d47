// The index of the chunk bodies a zone holds, sorted by address: it tells a
// free whether its block is memory of this zone before anything is written.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zrl::zones {

using Address = std::uintptr_t;

// The body of one chunk, [begin, end).  An entry whose chunk is being given
// back during deletion is marked by an empty span.
struct Body {
    Address begin, end;
};

// Lives in the zone's own allocation, after the header words; the entries
// are a malloc block of their own that doubles as chunks are added.  A plain
// record that starts empty (all zero), with no constructor, because the zone
// that holds it is obtained with malloc.
struct ChunkIndex {
    Body *entries;
    std::size_t count;
    std::size_t capacity;
    // The entry that `holding` found last: frees near each other mostly
    // fall in one chunk, which is then told without a search.
    mutable std::size_t last_found;

    // Room for one more body; false when the memory for it is not there.
    bool reserve_one();
    // Adds a body after reserve_one, keeping the order by address.
    void add(Body body);
    // The body that starts exactly at `begin`, or null.
    Body *starting_at(Address begin);
    // The body that holds the byte at `a`, or null.
    const Body *holding(Address a) const;
    // Drops the body that `body` points at.
    void remove(Body *body);
    // Drops every body marked empty.
    void drop_marked();
    // Frees the entries; the index is empty again.
    void release();
};

} // namespace zrl::zones
