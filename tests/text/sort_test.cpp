// List merge sort, list merge and array Shell sort against std::stable_sort
// and a Shell sort written from the gap list; the integer scaling operations
// and the rounded square root against wide-integer models.
#include <zrlshared.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <random>

namespace {

// A caller record: the link first, then data the sorts must not touch.
struct Record {
    Record *next;
    int key, seq;
};

// The compare calls, as pairs of sequence numbers.
std::vector<std::pair<int, int>> g_calls;

int by_key(zrl_word a, zrl_word b) {
    const auto *x = reinterpret_cast<const Record *>(a), *y = reinterpret_cast<const Record *>(b);
    g_calls.emplace_back(x->seq, y->seq);
    return (x->key > y->key) - (x->key < y->key);
}

// Records with random keys from few values, numbered and linked in order.
struct List {
    std::vector<Record> records;
    List(std::mt19937 &rng, std::size_t n) : records(n) {
        for (std::size_t i = 0; i < n; ++i)
            records[i] = {i + 1 < n ? &records[i + 1] : nullptr,
                          static_cast<int>(rng() % (n / 4 + 1)), static_cast<int>(i)};
    }
    Record *head() { return records.empty() ? nullptr : records.data(); }
    std::vector<int> stable_sorted() const {
        std::vector<int> seqs(records.size());
        std::iota(seqs.begin(), seqs.end(), 0);
        std::stable_sort(seqs.begin(), seqs.end(),
                         [&](int a, int b) { return records[a].key < records[b].key; });
        return seqs;
    }
};

// The sequence numbers along a list; a cycle shows up as a wrong length.
std::vector<int> walk(void *head, std::size_t limit) {
    std::vector<int> seqs;
    for (auto *r = static_cast<Record *>(head); r != nullptr && seqs.size() <= limit; r = r->next)
        seqs.push_back(r->seq);
    return seqs;
}

// Stable for every length; an overstated count still sorts, a count below 2
// leaves the list as it is.  The first n/2 nodes are cut off, the second
// part is sorted before the first, then the two are merged: the compare
// calls for five descending keys show it.  A merge with an empty side gives
// the other list.
TEST(Lmsort, IsStableAndSplitsAtHalfSortingTheSecondPartFirst) {
    std::mt19937 rng(12345);
    std::vector<std::size_t> sizes(600);
    std::iota(sizes.begin(), sizes.end(), 0);
    sizes.push_back(100000);
    for (std::size_t n : sizes) {
        List list(rng, n);
        g_calls.clear();
        const int count = static_cast<int>(n % 7 == 0 ? n * 3 + 1 : n);
        ASSERT_EQ(walk(lmsort(list.head(), count, by_key), n), list.stable_sorted()) << n;
    }
    List list(rng, 5);
    for (int i = 0; i < 5; ++i)
        list.records[i].key = 5 - i;
    EXPECT_EQ(walk(lmsort(list.head(), 1, by_key), 5), (std::vector<int>{0, 1, 2, 3, 4}));
    g_calls.clear();
    lmsort(list.head(), 5, by_key);
    EXPECT_EQ(g_calls, (std::vector<std::pair<int, int>>{
                           {3, 4}, {2, 4}, {2, 3}, {0, 1}, {1, 4}, {1, 3}, {1, 2}}));
    EXPECT_EQ(lmerge(&list.records[2], nullptr, by_key), &list.records[2]);
    EXPECT_EQ(lmerge(nullptr, &list.records[2], by_key), &list.records[2]);
}

// For shsort the words are indices into g_keys.
std::vector<int> g_keys;

int by_indexed_key(zrl_word a, zrl_word b) {
    const int x = g_keys[static_cast<std::size_t>(a)], y = g_keys[static_cast<std::size_t>(b)];
    return (x > y) - (x < y);
}

// Equal keys end up in an order that depends on every gap used, which must
// match a Shell sort written from the gap list: every gap of 1, 4, 13, 40,
// ... not above n, largest first, each an insertion pass moving an element
// down past all not greater.
TEST(Shsort, UsesExactlyTheGapsOneFourThirteenForty) {
    std::mt19937 rng(4711);
    std::vector<std::size_t> sizes(401);
    std::iota(sizes.begin(), sizes.end(), 0);
    sizes.insert(sizes.end(), {1093u, 1094u, 3280u, 3281u});
    for (std::size_t n : sizes) {
        g_keys.resize(n);
        for (int &k : g_keys)
            k = static_cast<int>(rng() % 4);
        std::vector<zrl_word> expected(n);
        std::iota(expected.begin(), expected.end(), zrl_word{0});
        std::vector<zrl_word> words = expected;
        std::size_t h = 1;
        while (h <= n)
            h = 3 * h + 1;
        while ((h /= 3) > 0) {
            for (std::size_t i = h; i < n; ++i) {
                const zrl_word x = expected[i];
                std::size_t j = i;
                for (; j >= h && by_indexed_key(x, expected[j - h]) <= 0; j -= h)
                    expected[j] = expected[j - h];
                expected[j] = x;
            }
        }
        shsort(words.data(), static_cast<int>(n), by_indexed_key);
        ASSERT_EQ(words, expected) << "n = " << n;
    }
}

// The rounded operations are (2|n|/|d| + 1) / 2 with the sign applied, cut
// to 32 bits; muldiv truncates toward zero and rmuldiv rounds halves away
// from zero, on the low 16 bits of each operand.  Small divisors are common,
// so exact halves occur often; the operands include the most negative values
// (whose magnitude 2^31 takes part) and the powers of two whose products
// reach 2^31 or make halves.  A zero divisor gives 0.
TEST(ScalingOperations, MatchWideIntegerModels) {
    EXPECT_EQ(qrdv(0, INT32_MIN, -3), -1431655765); // the magnitude 2^63
    EXPECT_EQ(qrdv(0x40000000u, 0, INT32_MIN), -1);
    EXPECT_EQ(std::vector<int>({muldiv(5, 5, 0), rmuldiv(5, 5, 0), qrmd(5, 5, 0), qrdv(5, 5, 0)}),
              std::vector<int>(4));
    std::mt19937_64 rng(5);
    std::uniform_int_distribution<std::int64_t> wide(INT64_MIN + 1, INT64_MAX);
    const std::int32_t special[] = {INT32_MIN, -32768, 16384, 65536, 1073741824, -1, 1, 2};
    const auto any = [&] {
        return rng() % 4 == 0 ? special[rng() % 8] : static_cast<std::int32_t>(rng()) >> (rng() % 32);
    };
    auto rounded = [](std::int64_t n, std::int64_t d) {
        const auto mn = static_cast<std::uint64_t>(n < 0 ? -n : n);
        const auto md = static_cast<std::uint64_t>(d < 0 ? -d : d);
        std::uint64_t q = (2 * mn / md + 1) / 2;
        if ((n < 0) != (d < 0)) q = 0 - q;
        return static_cast<std::int32_t>(static_cast<std::uint32_t>(q));
    };
    for (int i = 0; i < 200000; ++i) {
        const std::int64_t n = wide(rng) >> (rng() % 64); // all magnitudes
        std::int32_t d = any();
        if (d == 0) d = 1;
        const auto low = static_cast<unsigned int>(static_cast<std::uint64_t>(n) & 0xFFFFFFFFu);
        ASSERT_EQ(qrdv(low, static_cast<int>(n >> 32), d), rounded(n, d)) << n << " / " << d;
        const std::int32_t a = any(), b = any();
        ASSERT_EQ(qrmd(a, b, d), rounded(std::int64_t{a} * b, d)) << a << " * " << b << " / " << d;
        const std::int32_t p =
            std::int32_t{static_cast<std::int16_t>(a)} * static_cast<std::int16_t>(b);
        const auto c = static_cast<std::int16_t>(d);
        if (c == 0) continue;
        ASSERT_EQ(muldiv(a, b, d), p / c) << a << " * " << b << " / " << d;
        ASSERT_EQ(rmuldiv(a, b, d), static_cast<int>(std::round(static_cast<double>(p) / c)))
            << a << " * " << b << " / " << d;
    }
}

// The argument is read as unsigned; the root passes r + 0.5 between
// r*r + r and r*r + r + 1, checked at every such boundary.
TEST(Lsqrt, RoundsToTheNearestRootOverTheWholeRange) {
    EXPECT_EQ(lsqrt(0), 0);
    EXPECT_EQ(lsqrt(-1), 65536);        // 4294967295
    EXPECT_EQ(lsqrt(INT32_MIN), 46341); // 2^31
    for (std::uint64_t r = 1; r <= 65536; ++r) {
        const std::uint64_t probes[] = {r * r - 1, r * r, r * r + r, r * r + r + 1};
        for (int k = 0; k < 4; ++k) {
            if (probes[k] > 0xFFFFFFFFu) continue;
            const auto n = static_cast<int>(static_cast<std::uint32_t>(probes[k]));
            ASSERT_EQ(lsqrt(n), static_cast<int>(r) + (k == 3) - (k == 0 && r == 1)) << probes[k];
        }
    }
}

} // namespace
