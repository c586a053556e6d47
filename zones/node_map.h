// Which granules of one chunk body start a free node, and how large the free
// nodes under each part of the body may be.
//
// One bit per granule, with summary levels above it (one bit per word of the
// level below, up to a single word), so that the nearest node below a place
// and the highest node of the chunk are found in one step per level whatever
// the chunk's size.  Beside every word of bits below the top, the room of
// that word: a bound on the size (in granules) of the nodes it covers; the
// top word's room is the chunk's, kept in the index of chunk bodies.  A room
// is raised whenever a node grows or appears and is left as it is when a
// node shrinks or goes (a word left with no node gets none), so it may be too
// high; a search that finds a part of the body holding nothing as large as it
// bounds lowers its room to what it found.  So the first node of at least a
// size is found without looking at the parts whose room is smaller, and
// allocation, which only shrinks nodes or uses them up, never raises a room.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zrl::zones {

// A view of the words that follow a chunk's body in the chunk's own
// allocation.
struct NodeMap {
    std::uint64_t *words;
    std::size_t *top_room;
    std::size_t granules;
    std::uintptr_t begin; // the body's first byte; a node's size is its first word
    unsigned shift;       // log2 of the granule

    static constexpr std::size_t none = SIZE_MAX;

    // The layout after the body, level by level: the words of bits over n
    // granules (or words of the level below), the 32-bit rooms that follow
    // `count` words of bits, and the next level's bits after those rooms.
    static constexpr std::size_t words_over(std::size_t n) { return (n + 63) / 64; }
    static std::uint32_t *rooms_after(std::uint64_t *bits, std::size_t count) {
        return reinterpret_cast<std::uint32_t *>(bits + count);
    }
    static std::uint64_t *level_after(std::uint64_t *bits, std::size_t count) {
        return bits + count + (count + 1) / 2;
    }

    // The bytes a map of `granules` granules takes after the body.
    static std::size_t bytes_for(std::size_t granules);

    // The levels above word w of level 0, after w became non-empty (set) or
    // empty (clear); true when the whole map was or is empty.
    bool set_above(std::size_t w);
    bool clear_above(std::size_t w);
    // The highest marked granule, or none.
    std::size_t highest() const;
    // The highest marked granule below word w of level 0, or none.  The
    // caller has looked at word w itself already.
    std::size_t below_word(std::size_t w) const;
    // Raises the rooms of every level over granule i to `size` bytes, as far
    // up as they are smaller.  The caller has found the room of i's word
    // short already.
    void raise_levels(std::size_t i, std::size_t size);
    // The first marked granule at or after i whose node holds at least
    // `size` bytes, or none.
    std::size_t first_fit(std::size_t i, std::size_t size);
    // Clears every mark and room.
    void clear_all();
};

} // namespace zrl::zones
