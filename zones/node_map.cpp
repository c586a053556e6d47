// The map of node starts in one chunk body.
//
// Layout after the body, level by level from level 0 up: the level's words
// of bits, then the rooms of those words (32 bits each, padded to a whole
// 64-bit word).  Level 0, which every operation starts at, thus lies at the
// body's end and right after its bits.  The top level's room is the chunk's,
// kept in the index; its slot here is unused.
#include "zones/node_map.h"

#include <bit>
#include <cstring>

namespace zrl::zones {

namespace {

constexpr std::size_t bits = 64;

// Levels a map can have: a body of 2^32 granules needs six.
constexpr int max_levels = 8;

std::size_t top_bit(std::uint64_t w) {
    return bits - 1 - static_cast<std::size_t>(std::countl_zero(w));
}

std::size_t low_bit(std::uint64_t w) {
    return static_cast<std::size_t>(std::countr_zero(w));
}

// One level of a map: its words of bits, their rooms and their number.
struct Level {
    std::uint64_t *bits;
    std::uint32_t *rooms;
    std::size_t count;

    bool top() const { return count == 1; }
    Level up() const {
        const std::size_t above = NodeMap::words_over(count);
        std::uint64_t *next = NodeMap::level_after(bits, count);
        return {next, NodeMap::rooms_after(next, above), above};
    }
};

Level level0(const NodeMap &map) {
    const std::size_t n = NodeMap::words_over(map.granules);
    return {map.words, NodeMap::rooms_after(map.words, n), n};
}

// Every level of a map, level 0 first.
struct Levels {
    Level at[max_levels];
    int top;
};

Levels levels_of(const NodeMap &map) {
    Levels l;
    l.at[0] = level0(map);
    l.top = 0;
    while (!l.at[l.top].top()) {
        l.at[l.top + 1] = l.at[l.top].up();
        ++l.top;
    }
    return l;
}

std::size_t room_of(const NodeMap &map, const Level &level, std::size_t e) {
    return level.top() ? *map.top_room : level.rooms[e];
}

void set_room(const NodeMap &map, const Level &level, std::size_t e, std::size_t room) {
    if (level.top())
        *map.top_room = room;
    else
        level.rooms[e] = static_cast<std::uint32_t>(room);
}

} // namespace

std::size_t NodeMap::bytes_for(std::size_t granules) {
    std::size_t n = NodeMap::words_over(granules);
    std::size_t words = 0;
    for (;;) {
        words += n + (n + 1) / 2;
        if (n == 1) return words * sizeof(std::uint64_t);
        n = NodeMap::words_over(n);
    }
}

// Level 0 is done by the inline callers; these go on from level 1 with the
// word of level 0 that changed.
bool NodeMap::set_above(std::size_t i) {
    Level level = level0(*this);
    if (level.top()) return true;
    for (level = level.up();; level = level.up()) {
        const std::size_t word = i / bits;
        const std::uint64_t was = level.bits[word];
        level.bits[word] = was | std::uint64_t{1} << (i % bits);
        if (was != 0) return false;
        if (level.top()) return true;
        i = word;
    }
}

// A word left without marks gets no room, so that the next node under it
// raises the rooms above it again: a search lowers a room to the largest of
// the marked words below, and a stale room under an empty word would stop
// that raise short.
bool NodeMap::clear_above(std::size_t i) {
    for (Level level = level0(*this);;) {
        set_room(*this, level, i, 0);
        if (level.top()) return true;
        level = level.up();
        const std::size_t word = i / bits;
        const std::uint64_t now = level.bits[word] & ~(std::uint64_t{1} << (i % bits));
        level.bits[word] = now;
        if (now != 0) return false;
        i = word;
    }
}

// Climbs while the words hold nothing below the place, then goes down the
// highest marks of the summaries it passed.  Word w of level 0 is known to
// hold nothing below the place.
std::size_t NodeMap::below_word(std::size_t w) const {
    const std::uint64_t *passed[max_levels];
    Level level = level0(*this);
    passed[0] = level.bits;
    if (level.top()) return none;
    level = level.up();
    std::size_t i = w;
    for (int k = 1;; ++k) {
        passed[k] = level.bits;
        const std::size_t word = i / bits;
        const std::uint64_t lower = level.bits[word] & ((std::uint64_t{1} << (i % bits)) - 1);
        if (lower != 0) {
            i = word * bits + top_bit(lower);
            while (k > 0) {
                --k;
                i = i * bits + top_bit(passed[k][i]);
            }
            return i;
        }
        if (level.top()) return none;
        level = level.up();
        i = word;
    }
}

std::size_t NodeMap::highest() const {
    const Levels l = levels_of(*this);
    int k = l.top;
    if (l.at[k].bits[0] == 0) return none;
    std::size_t i = top_bit(l.at[k].bits[0]);
    while (k > 0) {
        --k;
        i = i * bits + top_bit(l.at[k].bits[i]);
    }
    return i;
}

namespace {

std::size_t size_at(const NodeMap &map, std::size_t g) {
    return *reinterpret_cast<const std::size_t *>(map.begin + (g << map.shift)) >> map.shift;
}

// The first node of at least n granules under word e of level k, whose room
// is at least n.  When there is none, the room becomes the largest of what
// lies under it: node sizes, or the rooms of the words below.
std::size_t search(const NodeMap &map, const Levels &l, int k, std::size_t e, std::size_t n) {
    std::size_t largest = 0;
    for (std::uint64_t w = l.at[k].bits[e]; w != 0; w &= w - 1) {
        const std::size_t c = e * bits + low_bit(w);
        std::size_t room;
        if (k == 0) {
            room = size_at(map, c);
            if (room >= n) return c;
        } else {
            room = room_of(map, l.at[k - 1], c);
            if (room >= n) {
                const std::size_t found = search(map, l, k - 1, c, n);
                if (found != NodeMap::none) return found;
                room = room_of(map, l.at[k - 1], c);
            }
        }
        if (room > largest) largest = room;
    }
    set_room(map, l.at[k], e, largest);
    return NodeMap::none;
}

} // namespace

void NodeMap::raise_levels(std::size_t i, std::size_t size) {
    const std::size_t room = size >> shift;
    for (Level level = level0(*this);; level = level.up()) {
        i /= bits;
        if (room_of(*this, level, i) >= room) return;
        set_room(*this, level, i, room);
        if (level.top()) return;
    }
}

// From granule i on: the rest of i's word, then the words after it under
// the same summary word, and so on up.
std::size_t NodeMap::first_fit(std::size_t i, std::size_t size) {
    if (i >= granules) return none;
    const Levels l = levels_of(*this);
    const std::size_t n = size >> shift;
    // The whole map: searched from the top, which also lowers the chunk's
    // room when nothing in it is large enough.
    if (i == 0) return *top_room < n ? none : search(*this, l, l.top, 0, n);
    for (int k = 0; k <= l.top; ++k) {
        const std::size_t e = i / bits;
        for (std::uint64_t w = l.at[k].bits[e] & (~std::uint64_t{0} << (i % bits)); w != 0;
             w &= w - 1) {
            const std::size_t c = e * bits + low_bit(w);
            if (k == 0) {
                if (size_at(*this, c) >= n) return c;
            } else if (room_of(*this, l.at[k - 1], c) >= n) {
                const std::size_t found = search(*this, l, k - 1, c, n);
                if (found != none) return found;
            }
        }
        i = e + 1;
        if (i >= l.at[k].count) return none;
    }
    return none;
}

void NodeMap::clear_all() {
    std::memset(words, 0, bytes_for(granules));
    *top_room = 0;
}

} // namespace zrl::zones
