// List merge sort, list merge and array Shell sort.
#include <zrlshared.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
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

TEST(Lmsort, NullAndSingleNodeListsComeBackUnchanged) {
    g_calls.clear();
    EXPECT_EQ(lmsort(nullptr, 0, by_key_logged), nullptr);
    auto records = make_records({7});
    Record *head = link(records);
    EXPECT_EQ(lmsort(head, 1, by_key_logged), head);
    EXPECT_EQ(head->next, nullptr);
    EXPECT_TRUE(g_calls.empty());
}

TEST(Lmsort, TwoEqualNodesKeepTheirOrder) {
    auto records = make_records({3, 3});
    void *sorted = lmsort(link(records), 2, by_key);
    const auto nodes = walk(sorted, 2);
    ASSERT_EQ(nodes.size(), 2u);
    EXPECT_EQ(nodes[0]->seq, 0);
    EXPECT_EQ(nodes[1]->seq, 1);
}

// The first n/2 nodes are cut off, the second part is sorted before the
// first, then the two are merged: the order of the compare calls shows it.
TEST(Lmsort, CutsOffFirstHalfAndSortsSecondPartFirst) {
    struct Case {
        std::vector<int> keys;
        std::vector<std::pair<int, int>> calls;
    };
    const Case cases[] = {
        {{1, 2, 3}, {{1, 2}, {0, 1}}},
        {{3, 2, 1}, {{1, 2}, {0, 2}, {0, 1}}},
        {{1, 2, 3, 4}, {{2, 3}, {0, 1}, {0, 2}, {1, 2}}},
        {{1, 2, 3, 4, 5}, {{3, 4}, {2, 3}, {0, 1}, {0, 2}, {1, 2}}},
        {{5, 4, 3, 2, 1}, {{3, 4}, {2, 4}, {2, 3}, {0, 1}, {1, 4}, {1, 3}, {1, 2}}},
    };
    for (const auto &c : cases) {
        auto records = make_records(c.keys);
        g_calls.clear();
        const auto nodes =
            walk(lmsort(link(records), static_cast<int>(c.keys.size()), by_key_logged), 10);
        EXPECT_EQ(g_calls, c.calls) << "n = " << c.keys.size();
        ASSERT_EQ(nodes.size(), c.keys.size());
        EXPECT_TRUE(
            std::is_sorted(nodes.begin(), nodes.end(),
                           [](const Record *x, const Record *y) { return x->key < y->key; }));
    }
}

TEST(Lmsort, IsStableForEveryLengthUpTo1000) {
    std::mt19937 rng(12345);
    for (std::size_t n = 0; n <= 1000; ++n) {
        // Few distinct keys, so that most nodes have equal neighbours.
        auto records = make_records(random_keys(rng, n, static_cast<int>(n / 4 + 1)));
        std::vector<Record *> expected;
        for (auto &r : records)
            expected.push_back(&r);
        std::stable_sort(expected.begin(), expected.end(),
                         [](const Record *x, const Record *y) { return x->key < y->key; });

        const auto nodes = walk(lmsort(link(records), static_cast<int>(n), by_key), n);
        ASSERT_EQ(nodes, expected) << "n = " << n;
        ASSERT_TRUE(payload_intact(records)) << "n = " << n;
    }
}

TEST(Lmsort, SortsAMillionNodes) {
    constexpr std::size_t n = 1000000;
    std::mt19937 rng(7);
    auto records = make_records(random_keys(rng, n, 1 << 20));
    const auto nodes = walk(lmsort(link(records), static_cast<int>(n), by_key), n);
    ASSERT_EQ(nodes.size(), n);
    for (std::size_t i = 1; i < n; ++i) {
        const bool ordered =
            nodes[i - 1]->key < nodes[i]->key ||
            (nodes[i - 1]->key == nodes[i]->key && nodes[i - 1]->seq < nodes[i]->seq);
        ASSERT_TRUE(ordered) << "at " << i;
    }
}

// The split walk stops at the end of the list, so an overstated count still
// sorts; a count below 2 leaves the list as it is.
TEST(Lmsort, OverstatedCountStillSortsAndSmallCountLeavesListAlone) {
    std::mt19937 rng(99);
    for (int n : {2, 3, 10, 37, 100}) {
        auto records = make_records(random_keys(rng, static_cast<std::size_t>(n), 5));
        std::vector<Record *> expected;
        for (auto &r : records)
            expected.push_back(&r);
        std::stable_sort(expected.begin(), expected.end(),
                         [](const Record *x, const Record *y) { return x->key < y->key; });
        EXPECT_EQ(walk(lmsort(link(records), n * 3 + 1, by_key), 1000), expected) << "n = " << n;

        Record *head = link(records);
        std::vector<Record *> unchanged;
        for (auto &r : records)
            unchanged.push_back(&r);
        EXPECT_EQ(walk(lmsort(head, 1, by_key), 1000), unchanged);
        EXPECT_EQ(walk(lmsort(head, 0, by_key), 1000), unchanged);
    }
}

// ---- lmerge ------------------------------------------------------------------

TEST(Lmerge, EmptySideGivesTheOtherList) {
    auto records = make_records({4, 1, 9});
    Record *head = link(records);
    g_calls.clear();
    EXPECT_EQ(lmerge(head, nullptr, by_key_logged), head);
    EXPECT_EQ(lmerge(nullptr, head, by_key_logged), head);
    EXPECT_EQ(lmerge(nullptr, nullptr, by_key_logged), nullptr);
    EXPECT_TRUE(g_calls.empty());
    EXPECT_EQ(walk(head, 3).size(), 3u); // untouched, even though unsorted
}

TEST(Lmerge, RelinksNodesStablyWithFirstListWinningTies) {
    std::mt19937 rng(2024);
    std::uniform_int_distribution<std::size_t> size(0, 60);
    for (int round = 0; round < 500; ++round) {
        const std::size_t na = size(rng);
        const std::size_t nb = size(rng);
        auto keys = random_keys(rng, na + nb, 8);
        std::sort(keys.begin(), keys.begin() + static_cast<std::ptrdiff_t>(na));
        std::sort(keys.begin() + static_cast<std::ptrdiff_t>(na), keys.end());
        auto records = make_records(keys);
        std::vector<Record> a(records.begin(), records.begin() + static_cast<std::ptrdiff_t>(na));
        std::vector<Record> b(records.begin() + static_cast<std::ptrdiff_t>(na), records.end());
        std::vector<Record *> pa, pb, expected;
        for (auto &r : a)
            pa.push_back(&r);
        for (auto &r : b)
            pb.push_back(&r);
        std::merge(pa.begin(), pa.end(), pb.begin(), pb.end(), std::back_inserter(expected),
                   [](const Record *x, const Record *y) { return x->key < y->key; });

        const auto nodes = walk(lmerge(link(a), link(b), by_key), na + nb);
        ASSERT_EQ(nodes, expected) << "sizes " << na << " and " << nb;
        ASSERT_TRUE(payload_intact(a) && payload_intact(b));
    }
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

TEST(Shsort, LeavesZeroOrOneWordAlone) {
    g_keys = {5};
    g_calls.clear();
    shsort(nullptr, 0, by_indexed_key);
    zrl_word one[] = {0};
    shsort(one, 1, by_indexed_key);
    EXPECT_EQ(one[0], 0);
    EXPECT_TRUE(g_calls.empty());
}

// Two words take one pass with gap 1: one compare call, and two equal words
// trade places.
TEST(Shsort, TwoWordsTakeOnePassAndEqualWordsTradePlaces) {
    struct Case {
        std::vector<int> keys;
        std::vector<zrl_word> result;
    };
    const Case cases[] = {{{2, 1}, {1, 0}}, {{1, 2}, {0, 1}}, {{3, 3}, {1, 0}}};
    for (const auto &c : cases) {
        g_keys = c.keys;
        g_calls.clear();
        auto words = identity(2);
        shsort(words.data(), 2, by_indexed_key);
        EXPECT_EQ(words, c.result);
        EXPECT_EQ(g_calls, (std::vector<std::pair<int, int>>{{1, 0}}));
    }
}

TEST(Shsort, MovesAnElementInFrontOfTheEqualOnesBeforeIt) {
    g_keys = {5, 5, 5, 1};
    auto words = identity(4);
    shsort(words.data(), 4, by_indexed_key);
    EXPECT_EQ(words, (std::vector<zrl_word>{3, 2, 1, 0}));
}

TEST(Shsort, SortsLikeStdSort) {
    std::mt19937 rng(31337);
    std::uniform_int_distribution<std::int32_t> any(INT32_MIN, INT32_MAX);
    std::uniform_int_distribution<int> few(-3, 3);
    std::vector<std::size_t> sizes;
    for (std::size_t n = 0; n <= 300; ++n)
        sizes.push_back(n);
    for (std::size_t n : {1093u, 3280u, 3281u, 10007u, 100000u})
        sizes.push_back(n);
    for (std::size_t n : sizes) {
        // Runs of equal words cost quadratic time (each moves in front of
        // the ones before it), so ties are tried on the smaller sizes only.
        for (bool ties : {false, true}) {
            if (ties && n > 10007) continue;
            std::vector<zrl_word> words(n);
            for (auto &w : words)
                w = ties ? few(rng) : any(rng);
            auto expected = words;
            std::sort(expected.begin(), expected.end());
            shsort(words.data(), static_cast<int>(n), by_value);
            ASSERT_EQ(words, expected) << "n = " << n << (ties ? " with ties" : "");
        }
    }
}

// Equal keys end up in an order that depends on every gap used, and the
// compare calls show every step; both must match a Shell sort that uses
// exactly the documented gaps.
TEST(Shsort, UsesExactlyTheGapsOneFourThirteenForty) {
    std::mt19937 rng(4711);
    std::vector<std::size_t> sizes;
    for (std::size_t n = 2; n <= 400; ++n)
        sizes.push_back(n);
    for (std::size_t n : {1092u, 1093u, 1094u, 3280u, 3281u})
        sizes.push_back(n);
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

// The check above can tell a neighbouring gap choice apart: the final order
// of equal keys alone already differs.
TEST(Shsort, GapCheckDistinguishesOtherGapChoices) {
    std::mt19937 rng(4711);
    constexpr std::size_t n = 200;
    g_keys = random_keys(rng, n, 4);
    const auto documented = reference_shell(identity(n), documented_gaps(n));
    const std::vector<std::vector<std::size_t>> others = {
        {40, 13, 4, 1}, {121, 40, 13, 4, 2, 1}, {121, 40, 13, 1}, {1}, {121, 40, 13, 4}};
    for (const auto &gaps : others)
        EXPECT_NE(reference_shell(identity(n), gaps), documented) << "first gap " << gaps.front();
    auto words = identity(n);
    shsort(words.data(), static_cast<int>(n), by_indexed_key);
    EXPECT_EQ(words, documented);
}

} // namespace
