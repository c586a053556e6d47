// List merge sort, list merge and array Shell sort.
#include <zrlshared.h>

#include <gtest/gtest.h>

#include <algorithm>
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
};

// The compare calls, as pairs of sequence numbers (indices for shsort), while
// g_log is set.
std::vector<std::pair<int, int>> g_calls;
bool g_log = false;

int by_key(zrl_word a, zrl_word b) {
    const auto *x = reinterpret_cast<const Record *>(a);
    const auto *y = reinterpret_cast<const Record *>(b);
    if (g_log) g_calls.emplace_back(x->seq, y->seq);
    return (x->key > y->key) - (x->key < y->key);
}

// Records with the given keys, numbered and linked in order.
struct List {
    std::vector<Record> records;
    explicit List(const std::vector<int> &keys) : records(keys.size()) {
        for (std::size_t i = 0; i < keys.size(); ++i)
            records[i] = {i + 1 < keys.size() ? &records[i + 1] : nullptr, keys[i],
                          static_cast<int>(i)};
    }
    Record *head() { return records.empty() ? nullptr : records.data(); }
    // The sequence numbers of a stable sort by key.
    std::vector<int> stable_sorted() const {
        std::vector<int> seqs(records.size());
        std::iota(seqs.begin(), seqs.end(), 0);
        std::stable_sort(seqs.begin(), seqs.end(),
                         [&](int a, int b) { return records[a].key < records[b].key; });
        return seqs;
    }
};

// The sequence numbers along a list; at most `limit` + 1 nodes, so that a
// cycle shows up as a wrong length instead of a hang.
std::vector<int> walk(void *head, std::size_t limit) {
    std::vector<int> seqs;
    for (auto *r = static_cast<Record *>(head); r != nullptr && seqs.size() <= limit; r = r->next)
        seqs.push_back(r->seq);
    return seqs;
}

std::vector<int> random_keys(std::mt19937 &rng, std::size_t n, int range) {
    std::vector<int> keys(n);
    for (auto &k : keys)
        k = static_cast<int>(rng() % static_cast<unsigned>(range));
    return keys;
}

// The first n/2 nodes are cut off, the second part is sorted before the
// first, then the two are merged: the order of the compare calls shows it.
TEST(Lmsort, CutsOffFirstHalfAndSortsSecondPartFirst) {
    const std::pair<std::vector<int>, std::vector<std::pair<int, int>>> cases[] = {
        {{3, 2, 1}, {{1, 2}, {0, 2}, {0, 1}}},
        {{1, 2, 3, 4}, {{2, 3}, {0, 1}, {0, 2}, {1, 2}}},
        {{5, 4, 3, 2, 1}, {{3, 4}, {2, 4}, {2, 3}, {0, 1}, {1, 4}, {1, 3}, {1, 2}}},
    };
    for (const auto &[keys, calls] : cases) {
        List list(keys);
        g_calls.clear();
        g_log = true;
        lmsort(list.head(), static_cast<int>(keys.size()), by_key);
        g_log = false;
        EXPECT_EQ(g_calls, calls) << "n = " << keys.size();
    }
}

// Few distinct keys, so that most nodes have equal neighbours.  An
// overstated count still sorts; a count below 2 leaves the list as it is.
TEST(Lmsort, IsStableForEveryLengthUpTo1000AndAMillion) {
    std::mt19937 rng(12345);
    std::vector<std::size_t> sizes(1001);
    std::iota(sizes.begin(), sizes.end(), 0);
    sizes.push_back(1000000);
    for (std::size_t n : sizes) {
        List list(random_keys(rng, n, static_cast<int>(n / 4 + 1)));
        const int count = static_cast<int>(n % 7 == 0 ? n * 3 + 1 : n);
        ASSERT_EQ(walk(lmsort(list.head(), count, by_key), n), list.stable_sorted()) << n;
    }
    for (int count : {0, 1}) {
        List list({3, 2, 1});
        EXPECT_EQ(walk(lmsort(list.head(), count, by_key), 3), (std::vector<int>{0, 1, 2}));
    }
}

// Ties go to the first list; an empty side gives the other list untouched.
TEST(Lmerge, RelinksNodesStablyWithFirstListWinningTies) {
    std::mt19937 rng(2024);
    for (int round = 0; round < 500; ++round) {
        const std::size_t na = rng() % 40;
        std::vector<int> keys = random_keys(rng, na + rng() % 40, 8);
        std::sort(keys.begin(), keys.begin() + static_cast<std::ptrdiff_t>(na));
        std::sort(keys.begin() + static_cast<std::ptrdiff_t>(na), keys.end());
        List all(keys);
        Record *b = na < keys.size() ? &all.records[na] : nullptr;
        if (na > 0) all.records[na - 1].next = nullptr;
        ASSERT_EQ(walk(lmerge(na > 0 ? all.head() : nullptr, b, by_key), keys.size()),
                  all.stable_sorted());
    }
    List list({4, 1, 9});
    EXPECT_EQ(lmerge(list.head(), nullptr, by_key), list.head());
    EXPECT_EQ(lmerge(nullptr, list.head(), by_key), list.head());
    EXPECT_EQ(lmerge(nullptr, nullptr, by_key), nullptr);
    EXPECT_EQ(walk(list.head(), 3), (std::vector<int>{0, 1, 2}));
}

// For shsort the words are indices into g_keys.
std::vector<int> g_keys;

int by_indexed_key(zrl_word a, zrl_word b) {
    g_calls.emplace_back(static_cast<int>(a), static_cast<int>(b));
    const int x = g_keys[static_cast<std::size_t>(a)], y = g_keys[static_cast<std::size_t>(b)];
    return (x > y) - (x < y);
}

// Equal keys end up in an order that depends on every gap used, and the
// compare calls show every step; both must match a Shell sort written from
// the gap list itself: every gap of 1, 4, 13, 40, ... not above n, largest
// first, each an insertion pass that moves an element down past everything
// not greater than it.
TEST(Shsort, UsesExactlyTheGapsOneFourThirteenForty) {
    std::mt19937 rng(4711);
    std::vector<std::size_t> sizes(401);
    std::iota(sizes.begin(), sizes.end(), 0);
    sizes.insert(sizes.end(), {1093u, 1094u, 3280u, 3281u});
    for (std::size_t n : sizes) {
        g_keys = random_keys(rng, n, 4);
        std::vector<zrl_word> expected(n), words(n);
        std::iota(expected.begin(), expected.end(), zrl_word{0});
        std::iota(words.begin(), words.end(), zrl_word{0});
        std::vector<std::size_t> gaps;
        for (std::size_t h = 1; h <= n; h = 3 * h + 1)
            gaps.insert(gaps.begin(), h);
        g_calls.clear();
        for (std::size_t gap : gaps) {
            for (std::size_t i = gap; i < n; ++i) {
                const zrl_word x = expected[i];
                std::size_t j = i;
                for (; j >= gap && by_indexed_key(x, expected[j - gap]) <= 0; j -= gap)
                    expected[j] = expected[j - gap];
                expected[j] = x;
            }
        }
        const auto expected_calls = g_calls;
        g_calls.clear();
        shsort(words.data(), static_cast<int>(n), by_indexed_key);
        ASSERT_EQ(words, expected) << "n = " << n;
        ASSERT_EQ(g_calls, expected_calls) << "n = " << n;
    }
}

} // namespace
