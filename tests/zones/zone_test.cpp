// Memory zones, observed through the exported operations and through the
// documented layout of the zone header, chunk headers and free-list nodes.
#include <zrlshared.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <random>
#include <utility>
#include <vector>

namespace {

using Addr = std::uintptr_t;

constexpr std::size_t W = sizeof(zrl_word);

// The documented numbers for each word width.
struct Geometry {
    std::size_t granule, chunk_header, default_chunk, extension, count_word, count_unit;
};
constexpr Geometry kGeometry =
    W == 4 ? Geometry{8, 8, 8192, 8184, 4, 4} : Geometry{16, 16, 8192, 8176, 8, 8};
constexpr std::size_t G = kGeometry.granule;
constexpr std::size_t H = kGeometry.chunk_header;
constexpr std::size_t kChunk = kGeometry.default_chunk;
constexpr std::size_t E = kGeometry.extension;

constexpr std::size_t round_up(std::size_t n, std::size_t unit) {
    return (n + unit - 1) / unit * unit;
}

// The zone header's eight words, and the two words of a chunk header or a
// free-list node.
struct Header {
    zrl_word rover, chunks, self, total, base_size, base_next, flags, extension;
    bool operator==(const Header &) const = default;
};
struct Pair {
    zrl_word size, next;
};

Header &header(ZRL_ZONE zone) {
    return *reinterpret_cast<Header *>(zone);
}
Addr addr(const void *p) {
    return reinterpret_cast<Addr>(p);
}
Addr base_of(ZRL_ZONE zone) {
    return addr(zone) + 4 * W;
}
const Pair &pair_at(Addr a) {
    return *reinterpret_cast<const Pair *>(a);
}

struct Span {
    Addr begin, end;
    bool operator==(const Span &) const = default;
};

std::vector<Addr> chunk_list(ZRL_ZONE zone) {
    std::vector<Addr> chunks;
    for (Addr c = static_cast<Addr>(header(zone).chunks); c != 0 && chunks.size() < 100000;
         c = static_cast<Addr>(pair_at(c).next))
        chunks.push_back(c);
    return chunks;
}

std::vector<Span> chunk_bodies(ZRL_ZONE zone) {
    std::vector<Span> bodies;
    for (Addr c : chunk_list(zone))
        bodies.push_back({c + H, c + static_cast<std::size_t>(pair_at(c).size)});
    return bodies;
}

// The free nodes after the base node, in list order.
std::vector<Span> free_nodes(ZRL_ZONE zone) {
    std::vector<Span> nodes;
    const Addr base = base_of(zone);
    for (Addr n = static_cast<Addr>(header(zone).base_next); n != base && nodes.size() < 1000000;
         n = static_cast<Addr>(pair_at(n).next))
        nodes.push_back({n, n + static_cast<std::size_t>(pair_at(n).size)});
    return nodes;
}

bool inside_a_body(const std::vector<Span> &bodies, Span s) {
    return std::any_of(bodies.begin(), bodies.end(),
                       [&](Span b) { return b.begin <= s.begin && s.end <= b.end; });
}

// Live blocks by address: [begin, end) of the bytes the zone reserved.
using Live = std::map<Addr, Addr>;

// Checks everything the zone's bookkeeping promises: the chunk sizes add up
// to the total, the free list is circular and ascending with one wrap, every
// free node lies in a chunk body, no two free nodes touch (merging is
// complete), live blocks lie in chunk bodies and overlap nothing, and with a
// complete set of live blocks, free and live bytes add up to the bodies.
testing::AssertionResult consistent(ZRL_ZONE zone, const Live *live = nullptr) {
    const Header &h = header(zone);
    if (h.self != static_cast<zrl_word>(addr(zone))) return testing::AssertionFailure() << "self";
    const std::vector<Span> bodies = chunk_bodies(zone);
    std::size_t chunk_bytes = 0, body_bytes = 0;
    for (Span b : bodies) {
        chunk_bytes += b.end - b.begin + H;
        body_bytes += b.end - b.begin;
        if ((b.end - b.begin) % G != 0 || b.end - b.begin < static_cast<std::size_t>(h.extension))
            return testing::AssertionFailure() << "chunk body of " << b.end - b.begin << " bytes";
    }
    if (chunk_bytes != static_cast<std::size_t>(h.total))
        return testing::AssertionFailure()
               << "total " << h.total << " but chunks hold " << chunk_bytes;
    if (h.base_size != 0) return testing::AssertionFailure() << "base node size " << h.base_size;

    const std::vector<Span> nodes = free_nodes(zone);
    std::vector<Span> ring{{base_of(zone), base_of(zone)}};
    ring.insert(ring.end(), nodes.begin(), nodes.end());
    int wraps = 0;
    std::size_t free_bytes = 0;
    for (std::size_t i = 0; i < ring.size(); ++i) {
        const Span cur = ring[i], next = ring[(i + 1) % ring.size()];
        if (next.begin <= cur.begin) {
            ++wraps;
        } else if (cur.end >= next.begin) {
            return testing::AssertionFailure() << "free nodes touch or overlap at " << cur.end;
        }
        if (i == 0) continue;
        free_bytes += cur.end - cur.begin;
        if (cur.end == cur.begin || (cur.end - cur.begin) % G != 0 || !inside_a_body(bodies, cur))
            return testing::AssertionFailure() << "bad free node at " << cur.begin;
    }
    if (wraps != 1) return testing::AssertionFailure() << wraps << " wrap points in the free list";
    const Addr rover = static_cast<Addr>(h.rover);
    if (std::none_of(ring.begin(), ring.end(), [&](Span s) { return s.begin == rover; }))
        return testing::AssertionFailure() << "rover is not on the free list";

    if (live != nullptr) {
        std::vector<Span> spans(nodes);
        std::size_t live_bytes = 0;
        for (auto [begin, end] : *live) {
            if (!inside_a_body(bodies, {begin, end}))
                return testing::AssertionFailure() << "live block outside the chunks";
            spans.push_back({begin, end});
            live_bytes += end - begin;
        }
        std::sort(spans.begin(), spans.end(), [](Span a, Span b) { return a.begin < b.begin; });
        for (std::size_t i = 1; i < spans.size(); ++i)
            if (spans[i].begin < spans[i - 1].end)
                return testing::AssertionFailure() << "blocks overlap at " << spans[i].begin;
        if (free_bytes + live_bytes != body_bytes)
            return testing::AssertionFailure() << "free " << free_bytes << " + live " << live_bytes
                                               << " != bodies " << body_bytes;
    }
    return testing::AssertionSuccess();
}

// True when every chunk the zone holds is exactly one free node: the
// bookkeeping is consistent with no live block at all.
testing::AssertionResult every_chunk_wholly_free(ZRL_ZONE zone) {
    const Live none;
    return consistent(zone, &none);
}

// Owns a zone for the length of a test.
struct Zone {
    ZRL_ZONE z;
    Zone(int flags, unsigned size) : z(zrl_zcreate(flags, size)) {}
    ~Zone() {
        if (z != nullptr) {
            EXPECT_EQ(zrl_zdelete(z), 0);
        }
    }
    Zone(const Zone &) = delete;
    Zone &operator=(const Zone &) = delete;
    operator ZRL_ZONE() const { return z; }
};

// A new zone holds the base node alone; flag 2 takes the extension from the
// size (when above the default), flag 1 obtains a first chunk of that size.
TEST(ZoneCreate, TakesExtensionAndInitialChunkFromTheFlags) {
    const struct {
        int flags;
        unsigned size;
        std::size_t extension;
        std::size_t first_chunk; // 0: none
    } cases[] = {
        {0, 20000, E, 0},
        {2, 100, E, 0},
        {2, 20001, 20001, 0},
        {1, 100, E, kChunk},
        {3, 20001, 20001, round_up(20001, G) + H},
        {0x81, 100, E, kChunk},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << "flags " << c.flags << " size " << c.size);
        Zone zone(c.flags, c.size);
        ASSERT_NE(zone.z, nullptr);
        const Header &h = header(zone);
        EXPECT_EQ(h.flags, c.flags);
        EXPECT_EQ(h.extension, static_cast<zrl_word>(c.extension));
        EXPECT_EQ(h.total, static_cast<zrl_word>(c.first_chunk));
        EXPECT_EQ(chunk_list(zone).size(), c.first_chunk != 0 ? 1u : 0u);
        EXPECT_TRUE(every_chunk_wholly_free(zone));
        if (c.first_chunk == 0) {
            EXPECT_EQ(h.base_next, static_cast<zrl_word>(base_of(zone)));
            EXPECT_EQ(h.rover, static_cast<zrl_word>(base_of(zone)));
        }
    }
}

// Blocks are cut from the top of a chunk's free body, in whole granules; a
// request beyond the extension gets a chunk sized for it, whose whole body
// is the block.
TEST(ZoneAlloc, CutsWholeGranulesFromTheTopOfTheChunk) {
    Zone zone(0, 0);
    char *first = static_cast<char *>(zrl_zalloc(zone, 1));
    ASSERT_NE(first, nullptr);
    const std::vector<Addr> chunks = chunk_list(zone);
    ASSERT_EQ(chunks.size(), 1u);
    EXPECT_EQ(pair_at(chunks[0]).size, static_cast<zrl_word>(kChunk));
    EXPECT_EQ(pair_at(chunks[0]).next, 0);
    EXPECT_EQ(header(zone).total, static_cast<zrl_word>(kChunk));
    EXPECT_EQ(addr(first), chunks[0] + kChunk - G);
    EXPECT_EQ(free_nodes(zone), (std::vector<Span>{{chunks[0] + H, addr(first)}}));
    char *above = first;
    for (unsigned size : {1u, unsigned(G - 1), unsigned(G), unsigned(G + 1), 9u, 100u, 4001u}) {
        char *block = static_cast<char *>(zrl_zalloc(zone, size));
        EXPECT_EQ(block, above - round_up(size, G)) << size;
        above = block;
    }
    EXPECT_TRUE(consistent(zone));
    for (unsigned size : {static_cast<unsigned>(E) + 1, 100000u}) {
        void *big = zrl_zalloc(zone, size);
        ASSERT_NE(big, nullptr);
        const Addr newest = chunk_list(zone).front();
        EXPECT_EQ(pair_at(newest).size, static_cast<zrl_word>(round_up(size, G) + H)) << size;
        EXPECT_EQ(addr(big), newest + H) << size;
        std::memset(big, 0x5A, size);
    }
    EXPECT_EQ(header(zone).total,
              static_cast<zrl_word>(kChunk + 2 * H + round_up(E + 1, G) + round_up(100000, G)));
    EXPECT_TRUE(consistent(zone));
}

TEST(ZoneFixed, NeverObtainsMoreThanItsInitialChunk) {
    Zone empty(0x80, 0);
    EXPECT_EQ(zrl_zalloc(empty, 1), nullptr);
    EXPECT_EQ(header(empty).total, 0);

    Zone zone(0x81, 1);
    std::vector<void *> blocks;
    for (std::size_t i = 0; i < (kChunk - H) / G; ++i) {
        blocks.push_back(zrl_zalloc(zone, 1));
        ASSERT_NE(blocks.back(), nullptr) << i;
    }
    EXPECT_TRUE(free_nodes(zone).empty());
    EXPECT_EQ(zrl_zalloc(zone, 1), nullptr);
    EXPECT_EQ(zrl_zalloc(zone, 100000), nullptr);
    EXPECT_EQ(chunk_list(zone).size(), 1u);
    EXPECT_EQ(header(zone).total, static_cast<zrl_word>(kChunk));
    // Room freed is room again.
    EXPECT_EQ(zrl_zfree(zone, blocks[7], 1), 0);
    EXPECT_EQ(zrl_zalloc(zone, 1), blocks[7]);
    EXPECT_EQ(zrl_zalloc(zone, 1), nullptr);
}

// Arguments that name no block: a null address, or a size that rounds to
// nothing, or a zone that holds no chunk.
TEST(ZoneFree, RefusesArgumentsThatNameNoBlock) {
    Zone zone(0, 0);
    Zone empty(0, 0);
    void *a = zrl_zalloc(zone, G);
    const struct {
        ZRL_ZONE z;
        void *block;
        unsigned size;
        int result;
    } arguments[] = {
        {zone, nullptr, 0, 0},  {zone, nullptr, 0xFFFFFFFFu, 0}, // rounds to nothing
        {zone, a, 0, -1},       {zone, a, 0xFFFFFFFFu, -1},
        {zone, nullptr, 1, -1}, {empty, nullptr, 0, -1}, // a zone without chunks takes nothing
        {empty, a, 1, -1},      {nullptr, a, 1, -1},
    };
    for (const auto &x : arguments)
        EXPECT_EQ(zrl_zfree(x.z, x.block, x.size), x.result) << x.block << " " << x.size;
    EXPECT_EQ(zrl_zfree(zone, a, G), 0);
    EXPECT_TRUE(every_chunk_wholly_free(zone));
}

// What a zone's behaviour depends on: the header words, the chunks and the
// free nodes.
struct State {
    Header words;
    std::vector<Span> chunks, free;
    bool operator==(const State &) const = default;
};

State state_of(ZRL_ZONE zone) {
    State s{header(zone), {}, free_nodes(zone)};
    for (Addr c : chunk_list(zone))
        s.chunks.push_back({c, c + static_cast<std::size_t>(pair_at(c).size)});
    return s;
}

// Where a block lies in its zone: its chunk's place in the chunk list and its
// offset in that chunk, so that blocks of two zones can be compared.
std::pair<std::size_t, Addr> place(ZRL_ZONE zone, const void *p) {
    const std::vector<Addr> chunks = chunk_list(zone);
    for (std::size_t i = 0; i < chunks.size(); ++i)
        if (chunks[i] <= addr(p) && addr(p) < chunks[i] + pair_at(chunks[i]).size)
            return {i, addr(p) - chunks[i]};
    return {SIZE_MAX, addr(p)};
}

// Allocations and frees after the misuse, every block written in full; the
// places of the blocks and the total describe what the zone did.
std::vector<std::pair<std::size_t, Addr>> later_use(ZRL_ZONE zone) {
    std::vector<std::pair<std::size_t, Addr>> places;
    std::vector<std::pair<char *, unsigned>> blocks;
    for (unsigned size : {1u, unsigned(G), unsigned(3 * G), 100u, unsigned(E), 20000u, 5u}) {
        char *p = static_cast<char *>(zrl_zalloc(zone, size));
        std::memset(p, 0x5A, size);
        places.push_back(place(zone, p));
        blocks.emplace_back(p, size);
    }
    for (std::size_t i = 0; i < blocks.size(); i += 2)
        EXPECT_EQ(zrl_zfree(zone, blocks[i].first, blocks[i].second), 0) << i;
    for (unsigned size : {unsigned(2 * G), 1u}) {
        char *p = static_cast<char *>(zrl_zalloc(zone, size));
        std::memset(p, 0x5A, size);
        places.push_back(place(zone, p));
    }
    char *c = static_cast<char *>(zrl_zcalloc(zone, 3, 5));
    places.push_back(place(zone, c));
    places.push_back({static_cast<std::size_t>(header(zone).total), 0});
    EXPECT_TRUE(consistent(zone));
    return places;
}

// The blocks a misuse case works on, and memory that is no block of the zone.
struct Scene {
    ZRL_ZONE zone;
    std::vector<char *> b;
    char *foreign;         // a live block of G bytes of another zone
    char *foreign_counted; // a live counted block of another zone
    char *stack;           // granule-aligned bytes on the stack
};

void store_word(char *at, std::size_t value) {
    const zrl_word w = static_cast<zrl_word>(value);
    std::memcpy(at, &w, sizeof w);
}

// Blocks from the top of one chunk down: b0 (the chunk's last granule), b1
// (4 granules, holding words that look like a length at W and at its end),
// b2 counted, b3 freed again, b4 just below b3.
void busy(Scene &s) {
    ZRL_ZONE z = s.zone;
    s.b = {static_cast<char *>(zrl_zalloc(z, 1)), static_cast<char *>(zrl_zalloc(z, 4 * G)),
           static_cast<char *>(zrl_zcalloc(z, 5, 7)), static_cast<char *>(zrl_zalloc(z, G)),
           static_cast<char *>(zrl_zalloc(z, G))};
    store_word(s.b[1] + W, G);
    store_word(s.b[1] + 4 * G - W, G);
    ASSERT_EQ(zrl_zfree(z, s.b[3], G), 0);
}

// With flag 4: b0 in the first chunk; b1 and the counted b2 each had a chunk
// of their own, which went back to the C runtime when they were freed.
void released(Scene &s) {
    ZRL_ZONE z = s.zone;
    s.b = {static_cast<char *>(zrl_zalloc(z, 1)), static_cast<char *>(zrl_zalloc(z, 20000)),
           static_cast<char *>(zrl_zcalloc(z, 1, 20000))};
    ASSERT_EQ(zrl_zfree(z, s.b[1], 20000), 0);
    ASSERT_EQ(zrl_zcfree(z, s.b[2]), 0);
    ASSERT_EQ(header(z).total, static_cast<zrl_word>(kChunk));
}

// A free of anything but a live block of the zone, whole and at its start,
// is refused without touching the zone: its state stays as it was, and it
// goes on exactly as a twin zone that saw no misuse.  Under AddressSanitizer
// a write into memory the zone does not own (a released chunk, the stack,
// past a chunk's end) fails the test at once.
TEST(ZoneFree, RefusesWhatIsNotALiveBlockWithoutTouchingTheZone) {
    const struct {
        const char *what;
        int flags;
        void (*prepare)(Scene &);
        int (*misuse)(Scene &);
    } cases[] = {
        {"freed twice", 0, busy, [](Scene &s) { return zrl_zfree(s.zone, s.b[3], G); }},
        {"freed twice, merged with the free space below it", 0,
         [](Scene &s) {
             busy(s);
             ASSERT_EQ(zrl_zfree(s.zone, s.b[4], G), 0);
             ASSERT_EQ(zrl_zfree(s.zone, s.b[0], G), 0); // free space above it too
         },
         [](Scene &s) { return zrl_zfree(s.zone, s.b[4], G); }},
        {"reaching into free space", 0, busy,
         [](Scene &s) { return zrl_zfree(s.zone, s.b[4], 2 * G); }},
        {"running past the end of its chunk", 0, busy,
         [](Scene &s) { return zrl_zfree(s.zone, s.b[0], 4 * G); }},
        {"larger than what follows it in memory", 0, busy,
         [](Scene &s) { return zrl_zfree(s.zone, s.b[0], 0xFFFFFFF0u); }},
        {"inside a block, not at a granule start", 0, busy,
         [](Scene &s) { return zrl_zfree(s.zone, s.b[1] + W, G); }},
        {"counted, its word inside a block, not at a granule start", 0, busy,
         [](Scene &s) { return zrl_zcfree(s.zone, s.b[1] + 2 * W); }},
        {"a plain block freed as counted", 0, busy,
         [](Scene &s) { return zrl_zcfree(s.zone, s.b[0]); }},
        {"on the stack", 0, busy, [](Scene &s) { return zrl_zfree(s.zone, s.stack + 2 * G, G); }},
        {"counted, on the stack", 0, busy,
         [](Scene &s) { return zrl_zcfree(s.zone, s.stack + 2 * G + W); }},
        {"of another zone", 0, busy, [](Scene &s) { return zrl_zfree(s.zone, s.foreign, G); }},
        {"counted, of another zone", 0, busy,
         [](Scene &s) { return zrl_zcfree(s.zone, s.foreign_counted); }},
        {"freed again after its chunk went back", 4, released,
         [](Scene &s) { return zrl_zfree(s.zone, s.b[1], 20000); }},
        {"counted, freed again after its chunk went back", 4, released,
         [](Scene &s) { return zrl_zcfree(s.zone, s.b[2]); }},
    };
    alignas(64) char stack[8 * 64] = {};
    store_word(stack + 2 * G, G);
    Zone other(0, 0);
    char *foreign = static_cast<char *>(zrl_zalloc(other, G));
    char *foreign_counted = static_cast<char *>(zrl_zcalloc(other, 1, 8));
    const State other_before = state_of(other);
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        Zone zone(c.flags, 0), twin(c.flags, 0);
        Scene scene{zone, {}, foreign, foreign_counted, stack}, twin_scene{twin, {}, {}, {}, {}};
        c.prepare(scene);
        c.prepare(twin_scene);
        ASSERT_FALSE(HasFatalFailure());
        const State before = state_of(zone);
        char stack_before[sizeof stack];
        std::memcpy(stack_before, stack, sizeof stack);

        EXPECT_EQ(c.misuse(scene), -1);
        EXPECT_TRUE(state_of(zone) == before);
        EXPECT_TRUE(state_of(other) == other_before);
        EXPECT_EQ(std::memcmp(stack, stack_before, sizeof stack), 0);
        EXPECT_EQ(later_use(zone), later_use(twin));
    }
}

// With flag 4 a chunk whose body becomes one free node goes back, unless
// that node was the rover: freeing the top block a first leaves the rover on
// the chunk's node, and freeing b then merges into that very node.
TEST(ZoneRelease, GivesBackChunksThatBecomeFreeUnlessTheRoverKeepsThem) {
    for (bool top_first : {true, false}) {
        SCOPED_TRACE(top_first);
        Zone zone(4, 0);
        void *a = zrl_zalloc(zone, G);
        void *b = zrl_zalloc(zone, G);
        EXPECT_EQ(zrl_zfree(zone, top_first ? a : b, G), 0);
        EXPECT_EQ(header(zone).total, static_cast<zrl_word>(kChunk));
        EXPECT_EQ(zrl_zfree(zone, top_first ? b : a, G), 0);
        EXPECT_EQ(header(zone).total, static_cast<zrl_word>(top_first ? kChunk : 0));
        EXPECT_TRUE(every_chunk_wholly_free(zone));
        // A reset releases the chunk the rover kept.
        EXPECT_EQ(zrl_zreset(zone), 0);
        EXPECT_EQ(header(zone).total, 0);
        EXPECT_EQ(header(zone).rover, static_cast<zrl_word>(base_of(zone)));
        // The zone holds nothing now, so it takes nothing back, and grows again.
        EXPECT_EQ(zrl_zfree(zone, a, G), -1);
    }
    Zone zone(4, 0);
    void *a = zrl_zalloc(zone, 1);
    void *big = zrl_zalloc(zone, 20000); // second chunk
    void *b = zrl_zalloc(zone, 1);       // first chunk again
    EXPECT_EQ(zrl_zfree(zone, a, 1), 0);
    EXPECT_EQ(chunk_list(zone).size(), 2u);
    EXPECT_EQ(zrl_zfree(zone, big, 20000), 0);
    EXPECT_EQ(header(zone).total, static_cast<zrl_word>(kChunk));
    EXPECT_EQ(zrl_zfree(zone, b, 1), 0);
    EXPECT_EQ(header(zone).total, 0);
    EXPECT_EQ(header(zone).chunks, 0);
    EXPECT_NE(zrl_zalloc(zone, 1), nullptr);
}

// count x size, rounded to a word, plus one word that holds the length, all
// zeroed even where the memory was used before; a length beyond 32 bits gives
// null, never a block shorter than asked for.
TEST(ZoneCounted, ReservesTheRoundedLengthPlusOneWordAndZeroesIt) {
    const struct {
        unsigned count, size;
        std::size_t length; // stored in the word before the caller's bytes
    } cases[] = {
        {3, 5, W == 4 ? 20 : 24},
        {0, 5, W},
        {10, 100, 1000 + W},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.count << " x " << c.size);
        Zone zone(0, 0);
        void *dirty = zrl_zalloc(zone, 2000);
        std::memset(dirty, 0xA5, 2000);
        ASSERT_EQ(zrl_zfree(zone, dirty, 2000), 0);

        unsigned char *p = static_cast<unsigned char *>(zrl_zcalloc(zone, c.count, c.size));
        ASSERT_NE(p, nullptr);
        zrl_word stored;
        std::memcpy(&stored, p - W, sizeof stored);
        EXPECT_EQ(stored, static_cast<zrl_word>(c.length));
        for (std::size_t i = 0; i < c.length - W; ++i)
            ASSERT_EQ(p[i], 0) << i;
        Live live{{addr(p) - W, addr(p) - W + round_up(c.length, G)}};
        EXPECT_TRUE(consistent(zone, &live));
        EXPECT_EQ(zrl_zcfree(zone, p), 0);
        EXPECT_EQ(zrl_zcfree(zone, p), -1); // its bytes are free space now
        EXPECT_TRUE(every_chunk_wholly_free(zone));
    }
    Zone zone(0, 0);
    const std::pair<unsigned, unsigned> too_long[] = {
        {0x10000, 0x10000},
        {1, 0xFFFFFFFFu - static_cast<unsigned>(W) + 1},
        {3, 0x55555556u}};
    for (const auto &[count, size] : too_long)
        EXPECT_EQ(zrl_zcalloc(zone, count, size), nullptr) << count << " x " << size;
    EXPECT_EQ(header(zone).total, 0);
    void *p = zrl_zcalloc(zone, 2, 3);
    Zone other(0, 0);
    EXPECT_EQ(zrl_zcfree(zone, nullptr), -1);
    EXPECT_EQ(zrl_zcfree(nullptr, p), -1);
    EXPECT_EQ(zrl_zcfree(other, p), -1); // holds no chunk
    EXPECT_EQ(zrl_zcfree(zone, p), 0);
}

// Fills a zone with blocks of assorted sizes across several chunks.
void fill(ZRL_ZONE zone, int count) {
    std::mt19937 random(7);
    for (int i = 0; i < count; ++i)
        zrl_zalloc(zone, 1 + random() % 300);
}

// A reset leaves every chunk wholly free (as good as new: as much again fits
// without growing), or with flag 4 gives every chunk back.
TEST(ZoneReset, LeavesEveryChunkWhollyFreeOrReleasesIt) {
    for (int flags : {0, 4}) {
        Zone zone(flags, 0);
        EXPECT_EQ(zrl_zreset(zone), 0); // nothing to do yet
        fill(zone, 1000);
        const std::size_t chunks = chunk_list(zone).size();
        const zrl_word total = header(zone).total;
        ASSERT_GT(chunks, 3u);
        EXPECT_EQ(zrl_zreset(zone), 0);
        EXPECT_EQ(chunk_list(zone).size(), flags ? 0u : chunks);
        EXPECT_TRUE(every_chunk_wholly_free(zone));
        EXPECT_TRUE(consistent(zone));
        fill(zone, flags ? 1000 : 500);
        EXPECT_EQ(header(zone).total, total);
    }
}

// A zone whose chunks do not add up to its total is refused.  Too small: the
// walk releases the newest chunk, then stops at the next one, which stays
// held with the total it still accounts for.  Too large: every chunk goes,
// the header stays with what is left over, and nothing is released twice.
TEST(ZoneDelete, RefusesAZoneWhoseChunksDoNotAddUpToItsTotal) {
    for (bool too_small : {true, false}) {
        ZRL_ZONE zone = zrl_zcreate(1, 100);
        fill(zone, 100);
        const std::vector<Addr> chunks = chunk_list(zone);
        ASSERT_EQ(chunks.size(), 2u);
        header(zone).total += too_small ? -static_cast<zrl_word>(G) : static_cast<zrl_word>(G);
        EXPECT_EQ(zrl_zdelete(zone), -1);
        EXPECT_EQ(chunk_list(zone), too_small ? std::vector<Addr>{chunks[1]} : std::vector<Addr>{});
        EXPECT_EQ(header(zone).total, static_cast<zrl_word>(too_small ? kChunk - G : G));
        EXPECT_TRUE(free_nodes(zone).empty());
        header(zone).total = too_small ? static_cast<zrl_word>(kChunk) : 0;
        EXPECT_EQ(zrl_zdelete(zone), 0);
        // A second delete of the same zone fails, and so does every operation.
        EXPECT_EQ(zrl_zdelete(zone), -1);
        EXPECT_EQ(zrl_zalloc(zone, 1), nullptr);
        EXPECT_EQ(zrl_zreset(zone), -1);
    }
}

// A chunk list that leads to memory the zone never obtained (a chunk header
// linked behind the zone's one chunk, on the stack or in a block already given
// back to the C runtime) is not followed there: a reset and a delete stop at
// it with -1 without reading, writing or freeing it.
TEST(ZoneDelete, NeverFollowsTheChunkListIntoMemoryItDidNotObtain) {
    for (bool on_stack : {true, false}) {
        SCOPED_TRACE(on_stack ? "on the stack" : "given back");
        constexpr std::size_t kFake = 64 * sizeof(zrl_word);
        alignas(64) zrl_word stack[64] = {static_cast<zrl_word>(kFake), 0};
        zrl_word copy[64];
        std::memcpy(copy, stack, sizeof stack);
        zrl_word *fake = stack;
        if (!on_stack) {
            fake = static_cast<zrl_word *>(std::malloc(kFake));
            std::memcpy(fake, stack, kFake);
            std::free(fake);
        }
        ZRL_ZONE zone = zrl_zcreate(1, 100);
        const Addr chunk = chunk_list(zone).at(0);
        reinterpret_cast<Pair *>(chunk)->next = static_cast<zrl_word>(addr(fake));
        header(zone).total += kFake;
        EXPECT_EQ(zrl_zreset(zone), -1);
        EXPECT_EQ(zrl_zdelete(zone), -1);
        EXPECT_EQ(std::memcmp(copy, stack, sizeof stack), 0);
        EXPECT_EQ(header(zone).chunks, static_cast<zrl_word>(addr(fake)));
        EXPECT_EQ(header(zone).total, static_cast<zrl_word>(kFake));
        header(zone).chunks = 0;
        header(zone).total = 0;
        EXPECT_EQ(zrl_zdelete(zone), 0);
    }
}

// Eight words that are not a zone (the self word does not hold their
// address), or null: refused, and nothing written to them.
TEST(ZoneHandle, EveryOperationRefusesWhatIsNotALiveZone) {
    zrl_word fake[8] = {0, 0, 0, 0, 0, 0, 0, 0};
    fake[2] = static_cast<zrl_word>(addr(&fake[1]));
    zrl_word copy[8];
    std::memcpy(copy, fake, sizeof fake);
    for (ZRL_ZONE zone : {static_cast<ZRL_ZONE>(nullptr), reinterpret_cast<ZRL_ZONE>(fake)}) {
        char block[64] = {};
        EXPECT_EQ(zrl_zalloc(zone, 8), nullptr);
        EXPECT_EQ(zrl_zcalloc(zone, 1, 8), nullptr);
        EXPECT_EQ(zrl_zfree(zone, block, 8), -1);
        EXPECT_EQ(zrl_zcfree(zone, block + 16), -1);
        EXPECT_EQ(zrl_zreset(zone), -1);
        EXPECT_EQ(zrl_zdelete(zone), -1);
    }
    EXPECT_EQ(std::memcmp(copy, fake, sizeof fake), 0);
}

TEST(ZoneLimits, LargestSizesGiveNullNotATinyBlock) {
    Zone zone(0, 0);
    for (unsigned size : {0u, 0xFFFFFFFFu, 0xFFFFFFFFu - static_cast<unsigned>(G) + 2}) {
        EXPECT_EQ(zrl_zalloc(zone, size), nullptr) << size;
        EXPECT_EQ(header(zone).total, 0);
    }
    // Sizes that do round but need more than the fixed zone has.
    Zone fixed(0x81, 100);
    for (unsigned size : {0xFFFFFFFFu - static_cast<unsigned>(G) + 1, 0x80000000u, 8193u}) {
        EXPECT_EQ(zrl_zalloc(fixed, size), nullptr) << size;
        EXPECT_EQ(header(fixed).total, static_cast<zrl_word>(kChunk));
    }
    if (W == 4) {
        // With 32-bit sizes the chunk for the largest block that rounds would
        // need 2^32 bytes: refused before asking the C runtime.
        EXPECT_EQ(zrl_zalloc(zone, 0xFFFFFFF8u), nullptr);
        EXPECT_EQ(header(zone).total, 0);
        EXPECT_EQ(zrl_zcreate(1, 0xFFFFFFF9u), nullptr);
    }
}

// A model of a zone's live blocks: the bytes the caller owns, the size
// passed to zrl_zalloc (0 for a counted block) and the pattern written in.
struct ModelBlock {
    unsigned char *bytes;
    std::size_t used;
    unsigned size;
    unsigned char fill;
    bool intact() const {
        return std::all_of(bytes, bytes + used, [&](unsigned char b) { return b == fill; });
    }
};

// Random allocations, counted allocations, frees and resets; the bookkeeping
// is checked every 64 steps, the blocks' contents at every free.
void run_model(int flags, unsigned size, unsigned seed, int steps) {
    SCOPED_TRACE(testing::Message() << "flags " << flags << " size " << size << " seed " << seed);
    ZRL_ZONE zone = zrl_zcreate(flags, size);
    ASSERT_NE(zone, nullptr);
    std::mt19937 random(seed);
    std::vector<ModelBlock> blocks;
    Live live;
    unsigned char next_fill = 1;
    auto remember = [&](unsigned char *bytes, std::size_t used, unsigned asked, Addr begin,
                        std::size_t length) {
        // Blocks suit pointers and doubles, counted ones a word on 32-bit builds.
        constexpr std::size_t align = std::max(alignof(double), alignof(void *));
        ASSERT_EQ(begin % G, 0u);
        ASSERT_EQ(addr(bytes) % (asked == 0 && W == 4 ? W : align), 0u) << asked;
        live[begin] = begin + round_up(length, G);
        std::memset(bytes, next_fill, used);
        blocks.push_back({bytes, used, asked, next_fill});
        next_fill = static_cast<unsigned char>(next_fill % 250 + 1);
    };
    auto forget = [&](std::size_t i) {
        const ModelBlock b = blocks[i];
        ASSERT_TRUE(b.intact());
        ASSERT_EQ(b.size != 0 ? zrl_zfree(zone, b.bytes, b.size) : zrl_zcfree(zone, b.bytes), 0);
        live.erase(addr(b.bytes) - (b.size == 0 ? W : 0));
        blocks[i] = blocks.back();
        blocks.pop_back();
    };
    for (int step = 0; step < steps && !testing::Test::HasFatalFailure(); ++step) {
        const unsigned op = random() % 100;
        const unsigned asked = random() % 8 == 0 ? 1 + random() % 20000 : 1 + random() % 200;
        if (op < 55 && blocks.size() < 600) {
            const unsigned count = random() % 20, each = 1 + asked / 20;
            auto *p = static_cast<unsigned char *>(op < 40 ? zrl_zalloc(zone, asked)
                                                           : zrl_zcalloc(zone, count, each));
            if (p == nullptr) {
                ASSERT_TRUE(flags & 0x80) << "allocation of " << asked << " failed";
            } else if (op < 40) {
                remember(p, asked, asked, addr(p), asked);
            } else {
                const std::size_t used = std::size_t{count} * each;
                ASSERT_TRUE(std::all_of(p, p + used, [](unsigned char b) { return b == 0; }));
                remember(p, used, 0, addr(p) - W, round_up(used, kGeometry.count_unit) + W);
            }
        } else if (op < 99) {
            if (!blocks.empty()) forget(random() % blocks.size());
        } else {
            for (const ModelBlock &b : blocks)
                ASSERT_TRUE(b.intact());
            ASSERT_EQ(zrl_zreset(zone), 0);
            blocks.clear();
            live.clear();
            ASSERT_TRUE(every_chunk_wholly_free(zone));
        }
        if (step % 64 == 0) {
            ASSERT_TRUE(consistent(zone, &live)) << "step " << step;
        }
    }
    while (!blocks.empty() && !testing::Test::HasFatalFailure())
        forget(random() % blocks.size());
    EXPECT_TRUE(every_chunk_wholly_free(zone));
    EXPECT_EQ(zrl_zdelete(zone), 0);
}

TEST(ZoneModel, RandomOperationsKeepBlocksApartInsideChunksAndIntact) {
    const std::pair<int, unsigned> cases[] = {{0, 0},     {4, 0},   {2, 12000},     {6, 30000},
                                              {1, 50000}, {5, 100}, {0x81, 200000}, {0x85, 150000}};
    unsigned seed = 1;
    for (const auto &[flags, size] : cases)
        for (int round = 0; round < 3; ++round)
            run_model(flags, size, seed++, 4000);
}

} // namespace
