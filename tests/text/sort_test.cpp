// List merge sort, list merge and array Shell sort.
#include <zrlshared.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <numeric>
#include <random>
#include <utility>
#include <vector>

namespace {

// A caller record: the link first, then data the sorts must not touch.
struct Record {
    Record *next;
    int key;
    int seq;
    unsigned char payload[8];
};

const Record *as_record(zrl_word w) {
    return reinterpret_cast<const Record *>(w);
}

int by_key(zrl_word a, zrl_word b) {
    const int x = as_record(a)->key;
    const int y = as_record(b)->key;
    return (x > y) - (x < y);
}

// Compare calls of the list sorts, as pairs of sequence numbers.
std::vector<std::pair<int, int>> g_calls;

int by_key_logged(zrl_word a, zrl_word b) {
    g_calls.emplace_back(as_record(a)->seq, as_record(b)->seq);
    return by_key(a, b);
}

std::vector<Record> make_records(const std::vector<int> &keys) {
    std::vector<Record> records(keys.size());
    for (std::size_t i = 0; i < keys.size(); ++i) {
        records[i].key = keys[i];
        records[i].seq = static_cast<int>(i);
        std::memset(records[i].payload, 0xA0 + static_cast<int>(i % 16), sizeof records[i].payload);
    }
    return records;
}

// Links the records in vector order and returns the head (null when empty).
Record *link(std::vector<Record> &records) {
    for (std::size_t i = 0; i < records.size(); ++i)
        records[i].next = i + 1 < records.size() ? &records[i + 1] : nullptr;
    return records.empty() ? nullptr : &records[0];
}

// The nodes of a list in order; stops after `limit` + 1 nodes so that a
// cycle shows up as a wrong length instead of a hang.
std::vector<Record *> walk(void *head, std::size_t limit) {
    std::vector<Record *> nodes;
    for (auto *r = static_cast<Record *>(head); r != nullptr && nodes.size() <= limit; r = r->next)
        nodes.push_back(r);
    return nodes;
}

bool payload_intact(const std::vector<Record> &records) {
    for (const auto &r : records)
        for (unsigned char byte : r.payload)
            if (byte != 0xA0 + r.seq % 16) return false;
    return true;
}

std::vector<int> random_keys(std::mt19937 &rng, std::size_t n, int range) {
    std::uniform_int_distribution<int> dist(0, range - 1);
    std::vector<int> keys(n);
    for (auto &k : keys)
        k = dist(rng);
    return keys;
}

// ---- lmsort ------------------------------------------------------------------

// The first n/2 nodes are cut off, the second part is sorted before the
// first, then the two are merged: the order of the compare calls shows it.
TEST(Lmsort, CutsOffFirstHalfAndSortsSecondPartFirst) {
    const struct {
        std::vector<int> keys;
        std::vector<std::pair<int, int>> calls;
    } cases[] = {
        {{1, 2, 3}, {{1, 2}, {0, 1}}},
        {{3, 2, 1}, {{1, 2}, {0, 2}, {0, 1}}},
        {{1, 2, 3, 4}, {{2, 3}, {0, 1}, {0, 2}, {1, 2}}},
        {{1, 2, 3, 4, 5}, {{3, 4}, {2, 3}, {0, 1}, {0, 2}, {1, 2}}},
        {{5, 4, 3, 2, 1}, {{3, 4}, {2, 4}, {2, 3}, {0, 1}, {1, 4}, {1, 3}, {1, 2}}},
    };
    for (const auto &c : cases) {
        auto records = make_records(c.keys);
        g_calls.clear();
        lmsort(link(records), static_cast<int>(c.keys.size()), by_key_logged);
        EXPECT_EQ(g_calls, c.calls) << "n = " << c.keys.size();
    }
}

std::vector<Record *> pointers(std::vector<Record> &records) {
    std::vector<Record *> nodes;
    for (auto &r : records)
        nodes.push_back(&r);
    return nodes;
}

std::vector<Record *> stable_sorted(std::vector<Record> &records) {
    auto nodes = pointers(records);
    std::stable_sort(nodes.begin(), nodes.end(),
                     [](const Record *x, const Record *y) { return x->key < y->key; });
    return nodes;
}

// Few distinct keys, so that most nodes have equal neighbours.  The split
// walk stops at the end of the list, so an overstated count still sorts; a
// count below 2 leaves the list as it is.
TEST(Lmsort, IsStableForEveryLengthUpTo1000AndAMillion) {
    std::mt19937 rng(12345);
    std::vector<std::size_t> sizes(1001);
    std::iota(sizes.begin(), sizes.end(), 0);
    sizes.push_back(1000000);
    for (std::size_t n : sizes) {
        auto records = make_records(random_keys(rng, n, static_cast<int>(n / 4 + 1)));
        const auto expected = stable_sorted(records);
        const int count = static_cast<int>(n % 7 == 0 ? n * 3 + 1 : n);
        ASSERT_EQ(walk(lmsort(link(records), count, by_key), n), expected) << "n = " << n;
        ASSERT_TRUE(payload_intact(records)) << "n = " << n;
    }
    auto records = make_records({3, 2, 1});
    g_calls.clear();
    for (int count : {0, 1})
        EXPECT_EQ(walk(lmsort(link(records), count, by_key_logged), 3), pointers(records));
    EXPECT_TRUE(g_calls.empty());
}

// ---- lmerge ------------------------------------------------------------------

TEST(Lmerge, RelinksNodesStablyWithFirstListWinningTies) {
    std::mt19937 rng(2024);
    std::uniform_int_distribution<std::size_t> size(0, 60);
    for (int round = 0; round < 500; ++round) {
        const auto na = static_cast<std::ptrdiff_t>(size(rng));
        auto keys = random_keys(rng, static_cast<std::size_t>(na) + size(rng), 8);
        std::sort(keys.begin(), keys.begin() + na);
        std::sort(keys.begin() + na, keys.end());
        auto records = make_records(keys);
        std::vector<Record> a(records.begin(), records.begin() + na);
        std::vector<Record> b(records.begin() + na, records.end());
        std::vector<Record *> pa = pointers(a), pb = pointers(b), expected;
        std::merge(pa.begin(), pa.end(), pb.begin(), pb.end(), std::back_inserter(expected),
                   [](const Record *x, const Record *y) { return x->key < y->key; });
        const auto nodes = walk(lmerge(link(a), link(b), by_key), keys.size());
        ASSERT_EQ(nodes, expected) << "sizes " << a.size() << " and " << b.size();
        ASSERT_TRUE(payload_intact(a) && payload_intact(b));
    }
    // An empty side gives the other list untouched, even unsorted.
    auto records = make_records({4, 1, 9});
    Record *head = link(records);
    g_calls.clear();
    EXPECT_EQ(lmerge(head, nullptr, by_key_logged), head);
    EXPECT_EQ(lmerge(nullptr, head, by_key_logged), head);
    EXPECT_EQ(lmerge(nullptr, nullptr, by_key_logged), nullptr);
    EXPECT_TRUE(g_calls.empty());
    EXPECT_EQ(walk(head, 3), pointers(records));
}

// ---- shsort --------------------------------------------------------------------

// For shsort the words are indices into g_keys; the calls are logged as the
// index pairs the compare function received.
std::vector<int> g_keys;

int key_of(zrl_word w) {
    return g_keys[static_cast<std::size_t>(w)];
}

int by_indexed_key(zrl_word a, zrl_word b) {
    g_calls.emplace_back(static_cast<int>(a), static_cast<int>(b));
    return (key_of(a) > key_of(b)) - (key_of(a) < key_of(b));
}

int by_value(zrl_word a, zrl_word b) {
    return (a > b) - (a < b);
}

std::vector<zrl_word> identity(std::size_t n) {
    std::vector<zrl_word> words(n);
    for (std::size_t i = 0; i < n; ++i)
        words[i] = static_cast<zrl_word>(i);
    return words;
}

// A Shell sort written from the gap list itself: every gap of 1, 4, 13, 40,
// ... that is not above n, largest first, each an insertion pass that moves
// an element down past everything not greater than it.
std::vector<zrl_word> reference_shell(std::vector<zrl_word> words,
                                      const std::vector<std::size_t> &gaps) {
    for (std::size_t gap : gaps) {
        for (std::size_t i = gap; i < words.size(); ++i) {
            const zrl_word x = words[i];
            std::size_t j = i;
            while (j >= gap && by_indexed_key(x, words[j - gap]) <= 0) {
                words[j] = words[j - gap];
                j -= gap;
            }
            words[j] = x;
        }
    }
    return words;
}

std::vector<std::size_t> documented_gaps(std::size_t n) {
    std::vector<std::size_t> gaps;
    for (std::size_t h = 1; h <= n; h = 3 * h + 1)
        gaps.insert(gaps.begin(), h);
    return gaps;
}

// Full-range words and large counts come out as std::sort has them.
TEST(Shsort, SortsLikeStdSort) {
    std::mt19937 rng(31337);
    for (std::size_t n : {5u, 1093u, 100000u}) {
        std::vector<zrl_word> words(n);
        for (auto &w : words)
            w = static_cast<std::int32_t>(rng());
        auto expected = words;
        std::sort(expected.begin(), expected.end());
        shsort(words.data(), static_cast<int>(n), by_value);
        ASSERT_EQ(words, expected) << "n = " << n;
    }
}

// Equal keys end up in an order that depends on every gap used, and the
// compare calls show every step; both must match a Shell sort that uses
// exactly the documented gaps.
TEST(Shsort, UsesExactlyTheGapsOneFourThirteenForty) {
    std::mt19937 rng(4711);
    std::vector<std::size_t> sizes(401);
    std::iota(sizes.begin(), sizes.end(), 0);
    sizes.insert(sizes.end(), {1092u, 1093u, 1094u, 3280u, 3281u});
    for (std::size_t n : sizes) {
        g_keys = random_keys(rng, n, 4);
        g_calls.clear();
        const auto expected = reference_shell(identity(n), documented_gaps(n));
        const auto expected_calls = g_calls;

        g_calls.clear();
        auto words = identity(n);
        shsort(words.data(), static_cast<int>(n), by_indexed_key);
        ASSERT_EQ(words, expected) << "n = " << n;
        ASSERT_EQ(g_calls, expected_calls) << "n = " << n;
    }
}

} // namespace
