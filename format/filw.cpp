// filw: fills a run of 16-bit words with one value.
#include <algorithm>
#include <cstdint>

#include <zrlshared.h>

extern "C" ZRL_API void filw(int value, uint16_t *dest, int count) {
    if (count <= 0) return;
    std::fill_n(dest, count, static_cast<std::uint16_t>(value));
}
