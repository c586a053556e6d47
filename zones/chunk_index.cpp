// The sorted index of a zone's chunk bodies.
#include "zones/chunk_index.h"

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <cstring>

namespace zrl::zones {

namespace {

constexpr std::size_t first_capacity = 4;
constexpr std::size_t slots_per_entry = 4;
constexpr std::size_t bits = 64;

constexpr std::size_t words_for(std::size_t entries) {
    return (entries + bits - 1) / bits;
}

bool before(const Body &body, Address a) {
    return body.begin < a;
}

std::uint64_t bit(std::size_t i) {
    return std::uint64_t{1} << (i % bits);
}

} // namespace

bool ChunkIndex::reserve_one() {
    if (count < capacity) return true;
    const std::size_t grown = capacity == 0 ? first_capacity : 2 * capacity;
    if (grown > SIZE_MAX / sizeof(Body)) return false;
    const std::size_t had = words_for(capacity), words = words_for(grown);
    auto *bits_more =
        static_cast<std::uint64_t *>(std::realloc(occupied, words * sizeof(std::uint64_t)));
    if (bits_more == nullptr) return false;
    std::memset(bits_more + had, 0, (words - had) * sizeof(std::uint64_t));
    occupied = bits_more;
    auto *slots = static_cast<std::uint32_t *>(
        std::realloc(recent, slots_per_entry * grown * sizeof(std::uint32_t)));
    if (slots == nullptr) return false;
    recent = slots;
    auto *more = static_cast<Body *>(std::realloc(entries, grown * sizeof(Body)));
    if (more == nullptr) return false;
    entries = more;
    capacity = grown;
    recent_mask = slots_per_entry * grown - 1;
    forget_recent();
    return true;
}

void ChunkIndex::forget_recent() {
    if (recent != nullptr) std::memset(recent, 0, (recent_mask + 1) * sizeof *recent);
}

// Entries move by one position on every add and remove; their bits move with
// them, a word at a time.
void ChunkIndex::add(Body body) {
    const std::size_t i = first_from(body.begin);
    Body *at = entries + i;
    std::memmove(at + 1, at, (count - i) * sizeof(Body));
    *at = body;
    ++count;
    forget_recent();
    const std::size_t first = i / bits;
    for (std::size_t w = words_for(count) - 1; w > first; --w)
        occupied[w] = occupied[w] << 1 | occupied[w - 1] >> (bits - 1);
    const std::uint64_t low = bit(i) - 1;
    occupied[first] = (occupied[first] & low) | (occupied[first] & ~low) << 1;
}

std::size_t ChunkIndex::first_from(Address a) const {
    return static_cast<std::size_t>(std::lower_bound(entries, entries + count, a, before) -
                                    entries);
}

Body *ChunkIndex::starting_at(Address begin) {
    const std::size_t i = first_from(begin);
    return i != count && entries[i].begin == begin ? entries + i : nullptr;
}

// The last body that begins at or below a is the only one that can hold it.
// The halving search picks its half without a branch, as the places freed
// in any order give a branch predictor nothing to learn.
Body *ChunkIndex::search_holding(Address a, std::size_t slot) const {
    if (a < entries[0].begin) return nullptr;
    const Body *low = entries;
    for (std::size_t n = count; n > 1;) {
        const std::size_t half = n / 2;
        low = low[half].begin <= a ? low + half : low;
        n -= half;
    }
    if (a >= low->end) return nullptr;
    // The slot notes the lowest chunk of the window, so that it serves the
    // chunk above too (see holding).
    const Address window = a >> window_bits << window_bits;
    const Body *lowest = low != entries && low[-1].end > window ? low - 1 : low;
    recent[slot] = static_cast<std::uint32_t>(lowest - entries + 1);
    return const_cast<Body *>(low);
}

void ChunkIndex::remove(Body *body) {
    const std::size_t i = static_cast<std::size_t>(body - entries);
    std::memmove(body, body + 1, (count - (i + 1)) * sizeof(Body));
    const std::size_t first = i / bits, last = words_for(count) - 1;
    const std::uint64_t low = bit(i) - 1;
    occupied[first] = (occupied[first] & low) | ((occupied[first] >> 1) & ~low);
    for (std::size_t w = first; w < last; ++w) {
        occupied[w] |= occupied[w + 1] << (bits - 1);
        occupied[w + 1] >>= 1;
    }
    --count;
    forget_recent();
}

void ChunkIndex::drop_marked() {
    count = static_cast<std::size_t>(
        std::remove_if(entries, entries + count, [](const Body &b) { return b.begin == b.end; }) -
        entries);
    forget_recent();
}

void ChunkIndex::release() {
    std::free(entries);
    std::free(occupied);
    std::free(recent);
    recent = nullptr;
    entries = nullptr;
    occupied = nullptr;
    count = 0;
    capacity = 0;
}

void ChunkIndex::mark(std::size_t i, bool holds_nodes) {
    if (holds_nodes)
        occupied[i / bits] |= bit(i);
    else
        occupied[i / bits] &= ~bit(i);
}

std::size_t ChunkIndex::occupied_below(std::size_t i) const {
    std::size_t w = i / bits;
    std::uint64_t word = occupied[w] & (bit(i) - 1);
    for (;;) {
        if (word != 0)
            return w * bits + bits - 1 - static_cast<std::size_t>(std::countl_zero(word));
        if (w == 0) return none;
        word = occupied[--w];
    }
}

void ChunkIndex::clear_occupied() {
    if (occupied == nullptr) return;
    std::memset(occupied, 0, words_for(capacity) * sizeof(std::uint64_t));
}

} // namespace zrl::zones
