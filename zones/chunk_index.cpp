// The sorted index of a zone's chunk bodies.
#include "zones/chunk_index.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace zrl::zones {

namespace {

constexpr std::size_t first_capacity = 4;

bool before(const Body &body, Address a) {
    return body.begin < a;
}

} // namespace

bool ChunkIndex::reserve_one() {
    if (count < capacity) return true;
    const std::size_t grown = capacity == 0 ? first_capacity : 2 * capacity;
    if (grown > SIZE_MAX / sizeof(Body)) return false;
    auto *more = static_cast<Body *>(std::realloc(entries, grown * sizeof(Body)));
    if (more == nullptr) return false;
    entries = more;
    capacity = grown;
    return true;
}

void ChunkIndex::add(Body body) {
    Body *at = std::lower_bound(entries, entries + count, body.begin, before);
    std::memmove(at + 1, at, static_cast<std::size_t>(entries + count - at) * sizeof(Body));
    *at = body;
    ++count;
}

Body *ChunkIndex::starting_at(Address begin) {
    Body *at = std::lower_bound(entries, entries + count, begin, before);
    return at != entries + count && at->begin == begin ? at : nullptr;
}

const Body *ChunkIndex::holding(Address a) const {
    if (last_found < count && entries[last_found].begin <= a && a < entries[last_found].end)
        return entries + last_found;
    // The last body that begins at or below a is the only one that can hold it.
    const Body *after = std::upper_bound(
        entries, entries + count, a, [](Address x, const Body &body) { return x < body.begin; });
    if (after == entries) return nullptr;
    const Body *body = after - 1;
    if (a >= body->end) return nullptr;
    last_found = static_cast<std::size_t>(body - entries);
    return body;
}

void ChunkIndex::remove(Body *body) {
    std::memmove(body, body + 1,
                 static_cast<std::size_t>(entries + count - (body + 1)) * sizeof(Body));
    --count;
}

void ChunkIndex::drop_marked() {
    count = static_cast<std::size_t>(
        std::remove_if(entries, entries + count, [](const Body &b) { return b.begin == b.end; }) -
        entries);
}

void ChunkIndex::release() {
    std::free(entries);
    entries = nullptr;
    count = 0;
    capacity = 0;
}

} // namespace zrl::zones
