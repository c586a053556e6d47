// lmsort against std::list::sort on a million nodes, shsort against std::sort
// on a million words.  Keys are random; every iteration starts from the same
// unsorted order, restored outside the timing.
#include <zrlshared.h>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <list>
#include <random>
#include <vector>

namespace {

constexpr int kCount = 1000000;

struct Node {
    Node *next;
    std::int32_t key;
};

std::vector<std::int32_t> random_keys() {
    std::mt19937 rng(42);
    std::vector<std::int32_t> keys(kCount);
    for (auto &k : keys)
        k = static_cast<std::int32_t>(rng());
    return keys;
}

int node_compare(zrl_word a, zrl_word b) {
    const std::int32_t x = reinterpret_cast<const Node *>(a)->key;
    const std::int32_t y = reinterpret_cast<const Node *>(b)->key;
    return (x > y) - (x < y);
}

int word_compare(zrl_word a, zrl_word b) {
    return (a > b) - (a < b);
}

void BM_Lmsort(benchmark::State &state) {
    const auto keys = random_keys();
    std::vector<Node> nodes(kCount);
    for (int i = 0; i < kCount; ++i)
        nodes[i].key = keys[i];
    for (auto _ : state) {
        state.PauseTiming();
        // Relink in array order: the same random key order each time.
        for (int i = 0; i < kCount; ++i)
            nodes[i].next = i + 1 < kCount ? &nodes[i + 1] : nullptr;
        state.ResumeTiming();
        benchmark::DoNotOptimize(lmsort(nodes.data(), kCount, node_compare));
    }
    state.SetItemsProcessed(state.iterations() * kCount);
}

// The list is built once; sorting it back by original position between
// iterations restores both the random key order and the nodes' allocation
// order, so that both sorts walk nodes laid out alike.
struct Item {
    std::int32_t key;
    std::int32_t position;
};

void BM_StdListSort(benchmark::State &state) {
    const auto keys = random_keys();
    std::list<Item> list;
    for (int i = 0; i < kCount; ++i)
        list.push_back({keys[i], i});
    for (auto _ : state) {
        state.PauseTiming();
        list.sort([](const Item &x, const Item &y) { return x.position < y.position; });
        state.ResumeTiming();
        list.sort([](const Item &x, const Item &y) { return x.key < y.key; });
        benchmark::DoNotOptimize(list.front());
    }
    state.SetItemsProcessed(state.iterations() * kCount);
}

std::vector<zrl_word> random_words() {
    const auto keys = random_keys();
    return std::vector<zrl_word>(keys.begin(), keys.end());
}

// Sorts a fresh copy of the same random words in every iteration.
template <class Sort> void sort_words(benchmark::State &state, Sort sort) {
    const auto original = random_words();
    std::vector<zrl_word> words;
    for (auto _ : state) {
        state.PauseTiming();
        words = original;
        state.ResumeTiming();
        sort(words);
        benchmark::DoNotOptimize(words.data());
    }
    state.SetItemsProcessed(state.iterations() * kCount);
}

void BM_Shsort(benchmark::State &state) {
    sort_words(state,
               [](std::vector<zrl_word> &words) { shsort(words.data(), kCount, word_compare); });
}

void BM_StdSort(benchmark::State &state) {
    sort_words(state, [](std::vector<zrl_word> &words) { std::sort(words.begin(), words.end()); });
}

} // namespace

BENCHMARK(BM_Lmsort)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StdListSort)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Shsort)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StdSort)->Unit(benchmark::kMillisecond);
