// Compact binary integers: the documented encodings, and a round trip over
// the limits of every length and a random sample, where the length must be
// the shortest and nothing may be written past it.  (Decoding from a file
// runs in the record I/O model.)
#include <zrlshared.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

TEST(Fmtcbin, DocumentedEncodingsAndRoundTrip) {
    const struct {
        std::int32_t value;
        std::vector<unsigned char> bytes;
    } cases[] = {{-1, {0x7F}},        {-64, {0x40}},
                 {64, {0x80, 0x40}},  {300, {0x82, 0x2C}},
                 {-65, {0xFF, 0x3F}}, {INT32_MIN, {0xF8, 0x80, 0x80, 0x80, 0x00}}};
    std::vector<std::int64_t> values = {INT32_MAX};
    for (const auto &c : cases) {
        unsigned char buffer[8];
        ASSERT_EQ(std::vector<unsigned char>(buffer, buffer + fmtcbin(buffer, c.value)), c.bytes)
            << c.value;
    }
    std::uint32_t seed = 7;
    for (int i = 0; i < 100000; ++i) {
        seed = seed * 1664525u + 1013904223u;
        values.push_back(static_cast<std::int32_t>(seed >> (seed % 32)));
    }
    for (std::int64_t limit = 64; limit <= 2147483648LL; limit <<= 7)
        for (std::int64_t d = -2; d <= 1; ++d)
            values.insert(values.end(), {limit + d, -limit + d});
    for (std::int64_t v : values) {
        if (v < INT32_MIN || v > INT32_MAX) continue;
        int shortest = 1;
        while (v < -(std::int64_t{64} << (7 * (shortest - 1))) ||
               v >= (std::int64_t{64} << (7 * (shortest - 1))))
            ++shortest;
        unsigned char buffer[8] = {0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA};
        const int count = fmtcbin(buffer, static_cast<std::int32_t>(v));
        ASSERT_EQ(count, shortest) << v;
        for (int i = 0; i < 8; ++i)
            ASSERT_EQ(i >= count ? buffer[i] : buffer[i] & 0x80, i >= count      ? 0xAA
                                                                 : i < count - 1 ? 0x80
                                                                                 : 0)
                << v << " byte " << i;
        std::int32_t decoded = 0;
        ASSERT_EQ(defmtcbin(buffer, &decoded), count) << v;
        ASSERT_EQ(decoded, v);
    }
}

} // namespace
