// Zone allocate + free against malloc + free, for blocks of 16 to 64 bytes.
// Each iteration allocates a batch of blocks and frees them again, either in
// the reverse order (LIFO) or in a shuffled order; both contenders run the
// same pre-generated sizes and order.  Items/s counts allocate+free pairs.
// CallsOnly makes the same calls on a null zone: the cost of the calls alone.
//
// Replace: N blocks stay live; each step frees one of them chosen at random
// and allocates a block of a new size in its place, so that the free space
// is fragmented as in a long-running program.
#include <zrlshared.h>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <numeric>
#include <random>
#include <utility>
#include <vector>

namespace {

struct Workload {
    std::vector<unsigned> sizes;
    std::vector<int> free_order;
};

const Workload &workload(int blocks, bool shuffled) {
    static std::map<std::pair<int, bool>, Workload> made;
    Workload &w = made[{blocks, shuffled}];
    if (w.sizes.empty()) {
        std::mt19937 random(12345 + blocks);
        std::uniform_int_distribution<unsigned> size(16, 64);
        for (int i = 0; i < blocks; ++i)
            w.sizes.push_back(size(random));
        w.free_order.resize(blocks);
        std::iota(w.free_order.rbegin(), w.free_order.rend(), 0);
        if (shuffled) std::shuffle(w.free_order.begin(), w.free_order.end(), random);
    }
    return w;
}

// With `calls_only`, the same calls on a null zone, which return at once:
// what calling through the shared library costs, the floor of every zone row.
void run_zone(benchmark::State &state, bool shuffled, bool calls_only = false) {
    const Workload &w = workload(static_cast<int>(state.range(0)), shuffled);
    ZRL_ZONE zone = calls_only ? nullptr : zrl_zcreate(0, 0);
    std::vector<void *> blocks(w.sizes.size());
    for (auto _ : state) {
        for (std::size_t i = 0; i < blocks.size(); ++i)
            blocks[i] = zrl_zalloc(zone, w.sizes[i]);
        benchmark::DoNotOptimize(blocks.data());
        for (int i : w.free_order)
            zrl_zfree(zone, blocks[i], w.sizes[i]);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(blocks.size()));
    if (zone != nullptr) zrl_zdelete(zone);
}

void run_malloc(benchmark::State &state, bool shuffled) {
    const Workload &w = workload(static_cast<int>(state.range(0)), shuffled);
    std::vector<void *> blocks(w.sizes.size());
    for (auto _ : state) {
        for (std::size_t i = 0; i < blocks.size(); ++i)
            blocks[i] = std::malloc(w.sizes[i]);
        benchmark::DoNotOptimize(blocks.data());
        for (int i : w.free_order)
            std::free(blocks[i]);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(blocks.size()));
}

// The replacement run: which live block each step replaces, and the new size.
struct Replacements {
    std::vector<unsigned> first_sizes, size;
    std::vector<std::uint32_t> slot;
};

const Replacements &replacements(int live) {
    static std::map<int, Replacements> made;
    Replacements &r = made[live];
    if (r.slot.empty()) {
        constexpr std::size_t steps = 1 << 16;
        std::mt19937 random(live);
        std::uniform_int_distribution<unsigned> size(16, 64);
        std::uniform_int_distribution<std::uint32_t> slot(0, static_cast<std::uint32_t>(live - 1));
        for (int i = 0; i < live; ++i)
            r.first_sizes.push_back(size(random));
        for (std::size_t i = 0; i < steps; ++i) {
            r.size.push_back(size(random));
            r.slot.push_back(slot(random));
        }
    }
    return r;
}

template <class Get, class Put> void replace(benchmark::State &state, Get get, Put put) {
    const Replacements &r = replacements(static_cast<int>(state.range(0)));
    std::vector<unsigned> sizes = r.first_sizes;
    std::vector<void *> blocks(sizes.size());
    for (std::size_t i = 0; i < blocks.size(); ++i)
        blocks[i] = get(sizes[i]);
    std::size_t step = 0;
    for (auto _ : state) {
        for (int k = 0; k < 256; ++k) {
            const std::uint32_t i = r.slot[step];
            put(blocks[i], sizes[i]);
            sizes[i] = r.size[step];
            blocks[i] = get(sizes[i]);
            step = (step + 1) % r.slot.size();
        }
        benchmark::DoNotOptimize(blocks.data());
    }
    state.SetItemsProcessed(state.iterations() * 256);
    for (std::size_t i = 0; i < blocks.size(); ++i)
        put(blocks[i], sizes[i]);
}

void BM_ZoneLifo(benchmark::State &state) {
    run_zone(state, false);
}
void BM_MallocLifo(benchmark::State &state) {
    run_malloc(state, false);
}
void BM_ZoneCallsOnly(benchmark::State &state) {
    run_zone(state, false, true);
}
void BM_ZoneRandom(benchmark::State &state) {
    run_zone(state, true);
}
void BM_MallocRandom(benchmark::State &state) {
    run_malloc(state, true);
}

void BM_ZoneReplace(benchmark::State &state) {
    ZRL_ZONE zone = zrl_zcreate(0, 0);
    replace(
        state, [zone](unsigned size) { return zrl_zalloc(zone, size); },
        [zone](void *p, unsigned size) { zrl_zfree(zone, p, size); });
    zrl_zdelete(zone);
}
void BM_MallocReplace(benchmark::State &state) {
    replace(
        state, [](unsigned size) { return std::malloc(size); },
        [](void *p, unsigned) { std::free(p); });
}

BENCHMARK(BM_ZoneLifo)->Arg(16)->Arg(256)->Arg(4096);
BENCHMARK(BM_MallocLifo)->Arg(16)->Arg(256)->Arg(4096);
BENCHMARK(BM_ZoneCallsOnly)->Arg(16)->Arg(256)->Arg(4096);
BENCHMARK(BM_ZoneRandom)->Arg(256)->Arg(4096)->Arg(65536);
BENCHMARK(BM_MallocRandom)->Arg(256)->Arg(4096)->Arg(65536);
BENCHMARK(BM_ZoneReplace)->Arg(256)->Arg(4096)->Arg(65536);
BENCHMARK(BM_MallocReplace)->Arg(256)->Arg(4096)->Arg(65536);

} // namespace
