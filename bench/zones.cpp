// Zone allocate + free against malloc + free, for blocks of 16 to 64 bytes.
// Each iteration allocates a batch of blocks and frees them again, either in
// the reverse order (LIFO) or in a shuffled order; both contenders run the
// same pre-generated sizes and order.  Items/s counts allocate+free pairs.
#include <zrlshared.h>

#include <benchmark/benchmark.h>

#include <algorithm>
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

void run_zone(benchmark::State &state, bool shuffled) {
    const Workload &w = workload(static_cast<int>(state.range(0)), shuffled);
    ZRL_ZONE zone = zrl_zcreate(0, 0);
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
    zrl_zdelete(zone);
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

void BM_ZoneLifo(benchmark::State &state) {
    run_zone(state, false);
}
void BM_MallocLifo(benchmark::State &state) {
    run_malloc(state, false);
}
void BM_ZoneRandom(benchmark::State &state) {
    run_zone(state, true);
}
void BM_MallocRandom(benchmark::State &state) {
    run_malloc(state, true);
}

BENCHMARK(BM_ZoneLifo)->Arg(16)->Arg(256)->Arg(4096);
BENCHMARK(BM_MallocLifo)->Arg(16)->Arg(256)->Arg(4096);
BENCHMARK(BM_ZoneRandom)->Arg(16)->Arg(256)->Arg(4096);
BENCHMARK(BM_MallocRandom)->Arg(16)->Arg(256)->Arg(4096);

} // namespace
