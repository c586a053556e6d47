// Compact binary integers: the documented encodings, a round trip over a
// dense sample of values (all limits of every length), and decoding from a
// file.
#include <zrlshared.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <string>
#include <vector>

#include "fileio/record_files.h"

namespace {

using zrl_test::ScratchFile;

std::vector<unsigned char> encode(std::int32_t value) {
    unsigned char buffer[8];
    const int count = fmtcbin(buffer, value);
    return std::vector<unsigned char>(buffer, buffer + count);
}

// The shortest two's-complement length with the first byte's 7 bits signed.
int expected_count(std::int32_t v) {
    const std::int64_t x = v;
    if (x >= -64 && x <= 63) return 1;
    if (x >= -8192 && x <= 8191) return 2;
    if (x >= -1048576 && x <= 1048575) return 3;
    if (x >= -134217728 && x <= 134217727) return 4;
    return 5;
}

TEST(Fmtcbin, DocumentedEncodings) {
    const struct {
        std::int32_t value;
        std::vector<unsigned char> bytes;
    } cases[] = {
        {-1, {0x7F}},
        {300, {0x82, 0x2C}},
        {-65, {0xFF, 0x3F}},
        {8192, {0x80, 0xC0, 0x00}},
        {INT32_MIN, {0xF8, 0x80, 0x80, 0x80, 0x00}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(encode(c.value), c.bytes);
        std::int32_t decoded = 12345;
        EXPECT_EQ(defmtcbin(c.bytes.data(), &decoded), static_cast<int>(c.bytes.size()));
        EXPECT_EQ(decoded, c.value);
    }
}

// Every value of a dense sample: the encoding has the shortest length, only
// its last byte has bit 7 clear, nothing is written past it, and decoding
// gives the value and the length back.
TEST(Fmtcbin, RoundTripOverDenseSample) {
    std::vector<std::int32_t> values;
    for (std::int32_t v = -70000; v <= 70000; ++v) values.push_back(v);
    for (std::int64_t limit : {64LL, 8192LL, 1048576LL, 134217728LL, 2147483648LL}) {
        for (std::int64_t d = -300; d <= 300; ++d) {
            for (std::int64_t base : {limit, -limit}) {
                const std::int64_t v = base + d;
                if (v >= INT32_MIN && v <= INT32_MAX) values.push_back(static_cast<std::int32_t>(v));
            }
        }
    }
    std::uint32_t seed = 7;
    for (int i = 0; i < 200000; ++i) {
        seed = seed * 1664525u + 1013904223u;
        values.push_back(static_cast<std::int32_t>(seed >> (seed % 32)));
        values.push_back(static_cast<std::int32_t>(seed));
    }
    for (std::int32_t v : values) {
        unsigned char buffer[8];
        std::fill(std::begin(buffer), std::end(buffer), 0xAA);
        const int count = fmtcbin(buffer, v);
        ASSERT_EQ(count, expected_count(v)) << v;
        for (int i = 0; i < count - 1; ++i) ASSERT_TRUE(buffer[i] & 0x80) << v;
        ASSERT_FALSE(buffer[count - 1] & 0x80) << v;
        for (int i = count; i < 8; ++i) ASSERT_EQ(buffer[i], 0xAA) << v;
        std::int32_t decoded = 0;
        ASSERT_EQ(defmtcbin(buffer, &decoded), count) << v;
        ASSERT_EQ(decoded, v);
    }
}

TEST(Defmtcbin, DecodesLongerThanNeededEncodingsAndStopsAfterFiveBytes) {
    const unsigned char zero_in_two[] = {0x80, 0x00};
    const unsigned char endless[8] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    std::int32_t value = 5;
    EXPECT_EQ(defmtcbin(zero_in_two, &value), 2);
    EXPECT_EQ(value, 0);
    EXPECT_EQ(defmtcbin(endless, &value), 5);
    EXPECT_EQ(value, -1);
}

// The values, the last across the first buffer's end, then an encoding cut
// short by the end of the file.
TEST(Fgetcbin, ReadsEncodedValuesUntilEndOfFile) {
    const std::int32_t values[] = {0, -1, 64, -65, 300, -1048577, INT32_MAX, INT32_MIN};
    std::string contents(16381, '\0'); // each the value 0; 64 straddles the boundary
    for (std::int32_t v : values)
        for (unsigned char b : encode(v)) contents.push_back(static_cast<char>(b));
    contents += "\x82";
    ScratchFile file("cbin.dat", contents);
    FDB *fdb = file.open(fopenr);
    for (int i = 0; i < 16381; ++i) ASSERT_EQ(fgetcbin(fdb), 0);
    for (std::int32_t v : values) {
        EXPECT_EQ(fgetcbin(fdb), v);
        EXPECT_EQ(zrl_error, 0);
    }
    EXPECT_EQ(fgetcbin(fdb), 0);
    EXPECT_EQ(zrl_error, -1);
}

} // namespace
