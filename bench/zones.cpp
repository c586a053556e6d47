// Zone allocate + free against malloc + free, for blocks of 16 to 64 bytes.
// Each iteration allocates a batch of blocks and frees them again, either in
// the reverse order (LIFO) or in a shuffled order; both contenders run the
// same pre-generated sizes and orders.  Items/s counts allocate+free pairs.
//
// A shuffled run takes a different order each iteration, from enough orders
// that 65,536 frees pass before one comes round again.  Repeating one order
// of a few thousand frees lets the processor's branch predictor learn every
// outcome of it, which no program's frees allow: on the machine this was
// measured on, a zone's frees in random order then took half the time they
// take in fresh orders, while malloc's took the same.
// CallsOnly makes the same calls on a null zone: the cost of the calls alone.
// ListWorkOnly (and ListWorkOnlyLifo) does the documented free-list work of
// the shuffled (or LIFO) run inline, with no call and no search: what the rest
// of a zone row pays for is finding a block's chunk and the free node before
// it.  MapModelOnly (and MapModelOnlyLifo) adds to that list work the least
// a map of node starts costs, still inline and without the call: together
// with CallsOnly, the floor of any zone that finds a free's place from such a
// map.
//
// Replace: N blocks stay live; each step frees one of them chosen at random
// and allocates a block of a new size in its place, so that the free space
// is fragmented as in a long-running program.
#include <zrlshared.h>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <bit>
#include <cstddef>
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
    std::vector<std::vector<int>> free_orders;
};

const Workload &workload(int blocks, bool shuffled) {
    static std::map<std::pair<int, bool>, Workload> made;
    Workload &w = made[{blocks, shuffled}];
    if (w.sizes.empty()) {
        std::mt19937 random(12345 + blocks);
        std::uniform_int_distribution<unsigned> size(16, 64);
        for (int i = 0; i < blocks; ++i)
            w.sizes.push_back(size(random));
        std::vector<int> order(blocks);
        std::iota(order.rbegin(), order.rend(), 0);
        w.free_orders.assign(shuffled ? std::max(1, (1 << 16) / blocks) : 1, order);
        if (shuffled)
            for (std::vector<int> &o : w.free_orders)
                std::shuffle(o.begin(), o.end(), random);
    }
    return w;
}

// Which of the free orders the next iteration takes.
std::size_t next_order(const Workload &w, std::size_t &round) {
    return round++ % w.free_orders.size();
}

// With `calls_only`, the same calls on a null zone, which return at once:
// what calling through the shared library costs, the floor of every zone row.
void run_zone(benchmark::State &state, bool shuffled, bool calls_only = false) {
    const Workload &w = workload(static_cast<int>(state.range(0)), shuffled);
    ZRL_ZONE zone = calls_only ? nullptr : zrl_zcreate(0, 0);
    std::vector<void *> blocks(w.sizes.size());
    std::size_t round = 0;
    for (auto _ : state) {
        for (std::size_t i = 0; i < blocks.size(); ++i)
            blocks[i] = zrl_zalloc(zone, w.sizes[i]);
        benchmark::DoNotOptimize(blocks.data());
        for (int i : w.free_orders[next_order(w, round)])
            zrl_zfree(zone, blocks[i], w.sizes[i]);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(blocks.size()));
    if (zone != nullptr) zrl_zdelete(zone);
}

void run_malloc(benchmark::State &state, bool shuffled) {
    const Workload &w = workload(static_cast<int>(state.range(0)), shuffled);
    std::vector<void *> blocks(w.sizes.size());
    std::size_t round = 0;
    for (auto _ : state) {
        for (std::size_t i = 0; i < blocks.size(); ++i)
            blocks[i] = std::malloc(w.sizes[i]);
        benchmark::DoNotOptimize(blocks.data());
        for (int i : w.free_orders[next_order(w, round)])
            std::free(blocks[i]);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(blocks.size()));
}

// The free list of a zone with one body, and the documented steps on it.
struct ListModel {
    struct Node {
        std::size_t size;
        Node *next;
    };
    Node base{0, &base};
    Node *rover = &base;

    // `taken_whole` hears of a node that the allocation uses up.
    template <class TakenWhole> void *alloc(std::size_t n, TakenWhole taken_whole) {
        Node *prev = rover, *p = prev->next;
        while (p->size < n) {
            prev = p;
            p = p->next;
        }
        p->size -= n;
        void *block = reinterpret_cast<char *>(p) + p->size;
        if (p->size == 0) prev->next = p->next, block = p, taken_whole(p);
        rover = prev;
        return block;
    }
    void *alloc(std::size_t n) {
        return alloc(n, [](Node *) {});
    }
    // The node the walk from the rover stops at for `block`.
    Node *stop(std::uintptr_t block) {
        for (Node *p = rover;; p = p->next) {
            const auto here = reinterpret_cast<std::uintptr_t>(p);
            const auto next = reinterpret_cast<std::uintptr_t>(p->next);
            if ((here <= block && block <= next) ||
                (here >= next && (block > here || block < next)))
                return p;
        }
    }
    // The free, told the stop node p and the node before it.
    void free(Node *p, Node *before, std::uintptr_t block, std::size_t m) {
        Node *node = reinterpret_cast<Node *>(block);
        Node *after = p->next;
        const bool joins = block + m == reinterpret_cast<std::uintptr_t>(after);
        node->size = joins ? m + after->size : m;
        node->next = joins ? after->next : after;
        if (reinterpret_cast<std::uintptr_t>(p) + p->size == block) {
            p->size += node->size;
            p->next = node->next;
            rover = before;
        } else {
            p->next = node;
            rover = p;
        }
    }
};

// The block length the zone gives a request of `size` bytes on a 64-bit build.
std::size_t model_length(unsigned size) {
    return (size + 15) & ~std::size_t{15};
}

// Makes `memory` one free body of n * 64 bytes, the only node of `list`
// beside its base node.
ListModel::Node *whole_body(ListModel &list, std::vector<std::max_align_t> &memory, std::size_t n) {
    memory.assign(n * 64 / sizeof(std::max_align_t) + 1, {});
    auto *body = reinterpret_cast<ListModel::Node *>(memory.data());
    *body = {n * 64, &list.base};
    list.base.next = body;
    return body;
}

// Ends a model run of n pairs per iteration, whose list must be whole again.
void end_model_run(benchmark::State &state, const ListModel &list, const ListModel::Node *body,
                   std::size_t n) {
    if (list.base.next != body || body->size != n * 64) state.SkipWithError("list not whole again");
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(n));
}

void list_work_only(benchmark::State &state, bool shuffled) {
    const Workload &w = workload(static_cast<int>(state.range(0)), shuffled);
    const std::size_t n = w.sizes.size();
    auto length = [&](std::size_t i) { return model_length(w.sizes[i]); };
    std::vector<std::max_align_t> memory;
    ListModel list;
    ListModel::Node *body = whole_body(list, memory, n);
    // Each free's stop node and the node before that, found once by the walk,
    // for every order; the list is whole again after each.
    std::vector<void *> blocks(n);
    const std::size_t orders = w.free_orders.size();
    std::vector<ListModel::Node *> stop(n * orders), before(n * orders);
    for (std::size_t o = 0; o < orders; ++o) {
        for (std::size_t i = 0; i < n; ++i)
            blocks[i] = list.alloc(length(i));
        for (std::size_t k = 0; k < n; ++k) {
            const int i = w.free_orders[o][k];
            const auto block = reinterpret_cast<std::uintptr_t>(blocks[i]);
            const std::size_t f = o * n + k;
            stop[f] = before[f] = list.stop(block);
            while (before[f]->next != stop[f])
                before[f] = before[f]->next;
            list.free(stop[f], before[f], block, length(i));
        }
    }
    std::size_t round = 0;
    for (auto _ : state) {
        for (std::size_t i = 0; i < n; ++i)
            blocks[i] = list.alloc(length(i));
        benchmark::DoNotOptimize(blocks.data());
        const std::size_t o = next_order(w, round);
        for (std::size_t k = 0; k < n; ++k) {
            const int i = w.free_orders[o][k];
            const std::size_t f = o * n + k;
            list.free(stop[f], before[f], reinterpret_cast<std::uintptr_t>(blocks[i]), length(i));
        }
        benchmark::ClobberMemory();
    }
    end_model_run(state, list, body, n);
}

// The list work with the least a map of node starts adds to it: one body and
// no call.  The map has a bit per 16-byte granule and two summary levels
// above it, and beside each word of bits its room, a bound on the sizes of
// the nodes under it that a free raises, so that a first fit skips words of
// small fragments.  A free first looks its block up in a table of 8 KB
// windows, as a zone must find the chunk that holds a block before it
// writes (here the table is indexed directly, which no zone's chunks from
// malloc allow), and refuses a block that overlaps free space.  A shuffled
// free then finds the node before its block from the map (and, when it
// merges with that node, the node before that one for the rover); a LIFO
// free walks from the rover, as the zone does.  Both keep the bits as nodes
// appear and go.  This is the least time a free that finds its place from
// such a map can take.
struct MapModel : ListModel {
    struct Window {
        std::uintptr_t begin, end;
        std::uint64_t *bits;
        std::size_t room;
    };
    std::uintptr_t begin = 0;
    std::vector<std::uint64_t> level0, level1;
    std::vector<std::uint32_t> rooms;
    std::uint64_t level2 = 0;
    std::vector<Window> windows;

    static std::uint64_t bit(std::size_t i) { return std::uint64_t{1} << (i % 64); }
    static std::size_t top(std::uint64_t w) { return 63 - std::countl_zero(w); }
    std::size_t granule(const void *a) const {
        return (reinterpret_cast<std::uintptr_t>(a) - begin) / 16;
    }
    Node *node(std::size_t g) const { return reinterpret_cast<Node *>(begin + g * 16); }

    void set(std::size_t g) {
        const std::uint64_t was = level0[g / 64];
        level0[g / 64] = was | bit(g);
        if (was != 0) return;
        const std::uint64_t was1 = level1[g / 4096];
        level1[g / 4096] = was1 | bit(g / 64);
        if (was1 == 0) level2 |= bit(g / 4096);
    }
    void clear(std::size_t g) {
        if ((level0[g / 64] &= ~bit(g)) != 0) return;
        if ((level1[g / 4096] &= ~bit(g / 64)) == 0) level2 &= ~bit(g / 4096);
    }
    // The highest node below granule g, whose word is also bits[g / 64]; the
    // base node, above the body, when there is none.
    Node *below(std::size_t g, const std::uint64_t *bits) {
        if (const std::uint64_t w = bits[g / 64] & (bit(g) - 1))
            return node((g & ~std::size_t{63}) + top(w));
        std::size_t i = g / 64;
        std::uint64_t w1 = level1[i / 64] & (bit(i) - 1);
        if (w1 == 0) {
            const std::uint64_t w2 = level2 & (bit(i / 64) - 1);
            if (w2 == 0) return &base;
            i = top(w2) * 64 + 63;
            w1 = level1[top(w2)];
        }
        const std::size_t j = (i & ~std::size_t{63}) + top(w1);
        return node(j * 64 + top(level0[j]));
    }

    // Maps `body`, the whole free body of n * 64 bytes.  It is this model's
    // one chunk, so every window holds it all: the lookup costs a load on the
    // way to the map, as a zone's does, and finds the same body each time.
    void cover(Node *body, std::size_t n) {
        const std::size_t granules = n * 4;
        begin = reinterpret_cast<std::uintptr_t>(body);
        level0.assign((granules + 63) / 64, 0);
        level1.assign((granules / 64 + 63) / 64, 0);
        rooms.assign(level0.size(), 0);
        windows.assign(n * 64 / 8192 + 1, {begin, begin + n * 64, level0.data(), 0});
        set(0);
    }

    void *alloc(std::size_t n) {
        return ListModel::alloc(n, [this](Node *p) { clear(granule(p)); });
    }
    bool free(std::uintptr_t block, std::size_t m, bool walk) {
        const std::size_t k = (block - begin) / 8192;
        if (k >= windows.size()) return false;
        Window &w = windows[k];
        if (block < w.begin || m > w.end - block) return false;
        Node *before = nullptr, *p = rover;
        if (walk)
            while (!(reinterpret_cast<std::uintptr_t>(p) <= block &&
                     block <= reinterpret_cast<std::uintptr_t>(p->next)))
                before = p, p = p->next;
        else
            p = below((block - w.begin) / 16, w.bits);
        const auto here = reinterpret_cast<std::uintptr_t>(p);
        const auto next = reinterpret_cast<std::uintptr_t>(p->next);
        if ((here <= block && block < here + p->size) || (block <= next && block + m > next))
            return false;
        Node *node = reinterpret_cast<Node *>(block);
        Node *after = p->next;
        node->size = m;
        node->next = after;
        if (block + m == reinterpret_cast<std::uintptr_t>(after)) {
            node->size += after->size;
            node->next = after->next;
            clear(granule(after));
        }
        if (reinterpret_cast<std::uintptr_t>(p) + p->size == block) {
            p->size += node->size;
            p->next = node->next;
            rover = before != nullptr ? before : below(granule(p), level0.data());
            node = p;
        } else {
            p->next = node;
            set(granule(node));
            rover = p;
        }
        const std::size_t size = node->size / 16;
        std::uint32_t &room = rooms[granule(node) / 64];
        room = static_cast<std::uint32_t>(std::max<std::size_t>(room, size));
        w.room = std::max(w.room, size);
        return true;
    }
};

void map_model_only(benchmark::State &state, bool shuffled) {
    const Workload &w = workload(static_cast<int>(state.range(0)), shuffled);
    const std::size_t n = w.sizes.size();
    auto length = [&](std::size_t i) { return model_length(w.sizes[i]); };
    std::vector<std::max_align_t> memory;
    MapModel list;
    ListModel::Node *body = whole_body(list, memory, n);
    if (reinterpret_cast<std::uintptr_t>(&list.base) < reinterpret_cast<std::uintptr_t>(body)) {
        state.SkipWithError("the base node lies below the body");
        return;
    }
    list.cover(body, n);
    std::vector<void *> blocks(n);
    std::size_t round = 0;
    bool refused = false;
    for (auto _ : state) {
        for (std::size_t i = 0; i < n; ++i)
            blocks[i] = list.alloc(length(i));
        benchmark::DoNotOptimize(blocks.data());
        for (int i : w.free_orders[next_order(w, round)])
            refused |=
                !list.free(reinterpret_cast<std::uintptr_t>(blocks[i]), length(i), !shuffled);
        benchmark::ClobberMemory();
    }
    if (refused) state.SkipWithError("a free was refused");
    end_model_run(state, list, body, n);
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

// A model run in shuffled or in LIFO order.
template <void (*Run)(benchmark::State &, bool), bool Shuffled>
void model_run(benchmark::State &state) {
    Run(state, Shuffled);
}

BENCHMARK(BM_ZoneLifo)->Arg(16)->Arg(256)->Arg(4096);
BENCHMARK(BM_MallocLifo)->Arg(16)->Arg(256)->Arg(4096);
BENCHMARK(BM_ZoneCallsOnly)->Arg(16)->Arg(256)->Arg(4096);
BENCHMARK(model_run<list_work_only, false>)
    ->Name("BM_ListWorkOnlyLifo")
    ->Arg(16)
    ->Arg(256)
    ->Arg(4096);
BENCHMARK(model_run<map_model_only, false>)
    ->Name("BM_MapModelOnlyLifo")
    ->Arg(16)
    ->Arg(256)
    ->Arg(4096);
BENCHMARK(BM_ZoneRandom)->Arg(256)->Arg(4096)->Arg(65536);
BENCHMARK(BM_MallocRandom)->Arg(256)->Arg(4096)->Arg(65536);
BENCHMARK(model_run<list_work_only, true>)
    ->Name("BM_ListWorkOnly")
    ->Arg(256)
    ->Arg(4096)
    ->Arg(65536);
BENCHMARK(model_run<map_model_only, true>)
    ->Name("BM_MapModelOnly")
    ->Arg(256)
    ->Arg(4096)
    ->Arg(65536);
BENCHMARK(BM_ZoneReplace)->Arg(256)->Arg(4096)->Arg(65536);
BENCHMARK(BM_MallocReplace)->Arg(256)->Arg(4096)->Arg(65536);

} // namespace
