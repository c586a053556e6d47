// Counted blocks: a length word in front of the caller's bytes, so that the
// caller can free the block without stating its size.
#include "zones/zone.h"

#include <cstdint>
#include <cstring>

namespace zrl::zones {

namespace {

// The length of a counted block for `count` elements of `size` bytes: the
// bytes rounded up to a whole word, plus the length word.  The product is
// formed in 64 bits; when it, or the length, does not fit in 32 bits there is
// no such block (0), so a large request never yields a short block.
constexpr std::uint32_t counted_length(std::uint32_t count, std::uint32_t size) {
    const std::uint64_t bytes = std::uint64_t{count} * size;
    const std::uint64_t length =
        ((bytes + (count_unit - 1)) & ~std::uint64_t{count_unit - 1}) + count_word;
    return length > UINT32_MAX ? 0 : static_cast<std::uint32_t>(length);
}

static_assert(counted_length(3, 5) == (word == 4 ? 20 : 24));
static_assert(counted_length(0, 7) == count_word);
static_assert(counted_length(0x10000, 0x10000) == 0);

void *allocate_counted(ZRL_ZoneHeader *zone, std::uint32_t count, std::uint32_t size) {
    const std::uint32_t length = counted_length(count, size);
    if (length == 0) return nullptr;
    auto *word_at = static_cast<zrl_word *>(allocate(zone, length));
    if (word_at == nullptr) return nullptr;
    *word_at = static_cast<zrl_word>(length);
    std::memset(word_at + 1, 0, length - count_word);
    return word_at + 1;
}

// A null address has no length word to read and is refused like any null
// block of non-zero size; so is a length word that no counted block can hold.
// The word is read only when it is where a counted block of this zone keeps
// it, at a granule start inside a chunk body: an address from anywhere else,
// a released chunk included, is refused without reading it.
int free_counted(ZRL_ZoneHeader *zone, void *block) {
    if (!valid(zone) || zone->total == 0 || block == nullptr) return -1;
    const Address word_address = reinterpret_cast<Address>(block) - count_word;
    if (body_holding(*zone, word_address, count_word) == nullptr) return -1;
    const zrl_word *word_at = reinterpret_cast<const zrl_word *>(word_address);
    const zrl_word length = *word_at;
    if (length < static_cast<zrl_word>(count_word) ||
        static_cast<std::uint64_t>(length) > UINT32_MAX)
        return -1;
    return deallocate(zone, const_cast<zrl_word *>(word_at), static_cast<std::uint32_t>(length));
}

} // namespace

} // namespace zrl::zones

extern "C" ZRL_API void *zrl_zcalloc(ZRL_ZONE zone, unsigned int count, unsigned int size) {
    return zrl::zones::allocate_counted(zone, count, size);
}

extern "C" ZRL_API int zrl_zcfree(ZRL_ZONE zone, void *block) {
    return zrl::zones::free_counted(zone, block);
}
