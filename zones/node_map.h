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
// node shrinks or goes, so it may be too high; a search that finds a part of
// the body holding nothing as large as it bounds lowers its room to what it
// found.  So the first node of at least a size is found without looking at
// the parts whose room is smaller, and allocation, which only shrinks nodes,
// never touches the map.
#pragma once

#include <bit>
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

    // Marks granule i as a node start; true when the map was empty before.
    // Most marks go into a word that has others: one store, no climb.
    bool set(std::size_t i) {
        std::uint64_t &w = words[i / 64];
        const std::uint64_t was = w;
        w = was | std::uint64_t{1} << (i % 64);
        return was == 0 && set_above(i / 64);
    }
    // Clears the mark of granule i; true when the map is empty after.
    bool clear(std::size_t i) {
        std::uint64_t &w = words[i / 64];
        w &= ~(std::uint64_t{1} << (i % 64));
        return w == 0 && clear_above(i / 64);
    }
    // The highest marked granule below i, or none.  Mostly it is in i's own
    // word, and the levels above are not looked at.
    std::size_t below(std::size_t i) const {
        const std::uint64_t lower = words[i / 64] & ((std::uint64_t{1} << (i % 64)) - 1);
        if (lower != 0) return (i & ~std::size_t{63}) + 63 - std::countl_zero(lower);
        return below_word(i / 64);
    }
    // The levels above word w of level 0, after w became non-empty (set) or
    // empty (clear); true when the whole map was or is empty.
    bool set_above(std::size_t w);
    bool clear_above(std::size_t w);
    // The highest marked granule, or none.
    std::size_t highest() const;
    // Notes that the node at granule i is now `size` bytes large.
    // Mostly the room of i's word is large enough already, and nothing
    // changes.
    void raise(std::size_t i, std::size_t size) {
        const std::size_t n0 = words_over(granules);
        const std::size_t room = n0 == 1 ? *top_room : rooms_after(words, n0)[i / 64];
        if (room < size >> shift) raise_levels(i, size);
    }
    // The first marked granule at or after i whose node holds at least
    // `size` bytes, or none.
    std::size_t first_fit(std::size_t i, std::size_t size);
    // Clears every mark and room.
    void clear_all();

  private:
    // The highest marked granule below word w of level 0, or none.
    std::size_t below_word(std::size_t w) const;
    // Raises the rooms of every level over granule i to `size` bytes, as far
    // up as they are smaller.
    void raise_levels(std::size_t i, std::size_t size);
};

} // namespace zrl::zones
