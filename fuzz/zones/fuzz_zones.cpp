// Drives one or two zones through allocate/free/counted/reset sequences read
// from the input and checks them against a model of the live blocks: blocks
// never overlap, stay inside the zone's chunks and keep their contents; every
// free of a live block succeeds; a free of free space, of memory given back,
// of the stack, of another zone's block, past a chunk's end or off a granule
// start is refused and leaves the zone as it was; the free list stays
// ordered, merged and inside the chunks.  Beside each zone runs the reference
// of the documented walks (tests/zones/reference_zone.h): every result, the
// rover, the total, the chunk list and the free list must equal its own.
#include "tests/zones/reference_zone.h"
#include "zones/zone.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <vector>

namespace {

using zrl::zones::Chunk;
using zrl::zones::granule;
using zrl::zones::Node;
using Addr = std::uintptr_t;

[[noreturn]] void fail() {
    std::abort();
}
void require(bool ok) {
    if (!ok) fail();
}

Addr at(const void *p) {
    return reinterpret_cast<Addr>(p);
}

struct Reader {
    const std::uint8_t *data;
    std::size_t size;
    std::uint8_t byte() {
        if (size == 0) return 0;
        --size;
        return *data++;
    }
    std::uint32_t u16() { return byte() | std::uint32_t{byte()} << 8; }
    std::uint32_t u32() { return u16() | u16() << 16; }
};

struct Block {
    Addr end;             // end of the bytes the zone reserved
    unsigned char *bytes; // the caller's bytes
    std::size_t used;
    std::uint32_t size; // as passed to zrl_zalloc; 0 for a counted block
    unsigned char fill;
};

struct Model {
    ZRL_ZONE zone = nullptr;
    zrl_test::ReferenceZone ref;
    int flags = 0;
    std::map<Addr, Block> live;                          // by the first reserved byte
    std::vector<std::pair<void *, std::uint32_t>> freed; // size 0: counted
};

struct Span {
    Addr begin, end;
};

std::vector<Span> bodies(const ZRL_ZoneHeader &zone) {
    std::vector<Span> out;
    for (const Chunk *c = zone.chunks; c != nullptr; c = c->next)
        out.push_back({at(c) + zrl::zones::chunk_header, at(c) + c->size});
    return out;
}

bool inside(const std::vector<Span> &spans, Addr begin, Addr end) {
    return std::any_of(spans.begin(), spans.end(),
                       [&](Span s) { return s.begin <= begin && end <= s.end; });
}

bool overlaps_live(const Model &m, Addr begin, Addr end) {
    auto after = m.live.lower_bound(begin);
    if (after != m.live.end() && after->first < end) return true;
    return after != m.live.begin() && std::prev(after)->second.end > begin;
}

bool intact(const Block &b) {
    for (std::size_t i = 0; i < b.used; ++i)
        if (b.bytes[i] != b.fill) return false;
    return true;
}

// The zone's own bookkeeping against its chunks and the model.
void check(const Model &m) {
    const ZRL_ZoneHeader &zone = *m.zone;
    require(zone.self == m.zone && zone.base.size == 0);
    const std::vector<Span> chunk_bodies = bodies(zone);
    std::size_t total = 0, body_bytes = 0;
    for (Span b : chunk_bodies) {
        total += b.end - b.begin + zrl::zones::chunk_header;
        body_bytes += b.end - b.begin;
    }
    require(total == zone.total);

    std::size_t free_bytes = 0;
    int wraps = 0;
    bool rover_seen = false;
    const Node *n = &zone.base;
    do {
        const Node *next = n->next;
        rover_seen |= n == zone.rover;
        if (at(next) <= at(n))
            ++wraps;
        else
            require(at(n) + n->size < at(next)); // apart and not touching
        if (n != &zone.base) {
            require(n->size != 0 && n->size % granule == 0);
            require(inside(chunk_bodies, at(n), at(n) + n->size));
            require(!overlaps_live(m, at(n), at(n) + n->size));
            free_bytes += n->size;
        }
        n = next;
    } while (n != &zone.base);
    require(wraps == 1 && rover_seen);

    std::size_t live_bytes = 0;
    for (const auto &[begin, b] : m.live) {
        require(inside(chunk_bodies, begin, b.end));
        live_bytes += b.end - begin;
    }
    require(free_bytes + live_bytes == body_bytes);
}

// The zone against the reference: rover, total, chunks and, with `all`, the
// free list.
void same(const Model &m, bool all) {
    const ZRL_ZoneHeader &zone = *m.zone;
    require(at(zone.rover) == m.ref.rover() && zone.total == m.ref.total());
    std::vector<zrl_test::ReferenceZone::Chunk> chunks;
    for (const Chunk *c = zone.chunks; c != nullptr; c = c->next)
        chunks.push_back({at(c), c->size});
    require(chunks == m.ref.chunks());
    if (!all) return;
    std::vector<std::pair<Addr, std::size_t>> list;
    for (const Node *n = zone.base.next; n != &zone.base; n = n->next)
        list.emplace_back(at(n), n->size);
    require(list == m.ref.free_list());
}

// The chunk the zone obtained in the operation the reference now repeats:
// its newest, when the reference does not hold it yet and it has the size.
zrl_test::ReferenceZone::Obtain obtained_by(const Model &m) {
    return [&m](std::size_t size) -> Addr {
        const Chunk *head = m.zone->chunks;
        if (head == nullptr || head->size != size) return 0;
        for (const auto &c : m.ref.chunks())
            if (c.at == at(head)) return 0;
        return at(head);
    };
}

// What a refused free must leave as it was: the header words and the free list.
std::vector<Addr> snapshot(const ZRL_ZoneHeader &zone) {
    std::vector<Addr> words{at(zone.rover), at(zone.chunks), zone.total};
    const Node *n = &zone.base;
    do {
        words.push_back(at(n));
        words.push_back(n->size);
        n = n->next;
    } while (n != &zone.base);
    return words;
}

void add(Model &m, std::vector<Model> &all, unsigned char *bytes, std::size_t used,
         std::uint32_t size, Addr begin, Addr end, unsigned char fill) {
    for (const Model &other : all)
        require(!overlaps_live(other, begin, end));
    require(inside(bodies(*m.zone), begin, end));
    std::memset(bytes, fill, used);
    m.live[begin] = Block{end, bytes, used, size, fill};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    Reader in{data, size};
    static const int kFlags[] = {0, 1, 2, 3, 4, 5, 6, 7, 0x80, 0x81, 0x85, 0x83};
    std::vector<Model> zones(1 + in.byte() % 2);
    for (Model &m : zones) {
        m.flags = kFlags[in.byte() % std::size(kFlags)];
        const std::uint32_t size = in.u16() * 2;
        m.zone = zrl_zcreate(m.flags, size);
        require(m.zone != nullptr);
        require(m.ref.create(m.flags, size, at(&m.zone->base), obtained_by(m)));
    }

    unsigned char fill = 1;
    for (int step = 0; in.size > 0; ++step) {
        const std::uint8_t op = in.byte();
        Model &m = zones[in.byte() % zones.size()];
        const bool fixed = (m.flags & zrl::zones::kFixed) != 0;
        fill = static_cast<unsigned char>(fill % 251 + 1);
        switch (op % 16) {
        case 0:
        case 1:
        case 2:
        case 3:
        case 4: { // allocate
            std::uint32_t asked = op % 16 == 4 ? in.u16() : 1 + in.byte() % 128;
            if (op >= 0xF0) asked = 0xFFFFFFFFu - in.byte() % (granule - 1); // rounds past 2^32
            const std::uint32_t length = zrl::zones::block_length(asked);
            auto *p = static_cast<unsigned char *>(zrl_zalloc(m.zone, asked));
            require(at(p) == m.ref.alloc(asked));
            if (p == nullptr) {
                require(length == 0 || fixed);
                break;
            }
            require(length != 0 && at(p) % granule == 0);
            add(m, zones, p, asked, asked, at(p), at(p) + length, fill);
            break;
        }
        case 5:
        case 6: { // counted allocate
            std::uint32_t count = in.byte() % 64, each = in.u16() % 1024;
            if (op >= 0xF0) count = in.u32(), each = in.u32(); // products beyond 32 bits
            const std::uint64_t used = std::uint64_t{count} * each;
            const std::uint64_t length =
                ((used + zrl::zones::count_unit - 1) & ~std::uint64_t{zrl::zones::count_unit - 1}) +
                zrl::zones::count_word;
            const bool fits = length <= 0xFFFFFFFFu;
            if (fits && used > (1u << 20)) break; // real, but too big to try
            auto *p = static_cast<unsigned char *>(zrl_zcalloc(m.zone, count, each));
            require(at(p) == m.ref.calloc(count, each));
            if (p == nullptr) {
                require(!fits || fixed);
                break;
            }
            require(fits && at(p) % zrl::zones::word == 0);
            for (std::uint64_t i = 0; i < used; ++i)
                require(p[i] == 0);
            const Addr begin = at(p) - zrl::zones::count_word;
            add(m, zones, p, used, 0, begin,
                begin + zrl::zones::block_length(static_cast<std::uint32_t>(length)), fill);
            break;
        }
        case 7:
        case 8:
        case 9:
        case 10:
        case 11: { // free a live block
            if (m.live.empty()) break;
            auto it = m.live.begin();
            std::advance(it, in.u16() % m.live.size());
            const Block b = it->second;
            require(intact(b));
            require((b.size != 0 ? zrl_zfree(m.zone, b.bytes, b.size)
                                 : zrl_zcfree(m.zone, b.bytes)) == 0);
            require((b.size != 0 ? m.ref.free(at(b.bytes), b.size) : m.ref.cfree(at(b.bytes))) ==
                    0);
            if (m.freed.size() < 64) m.freed.emplace_back(b.bytes, b.size);
            m.live.erase(it);
            break;
        }
        case 12: { // free again what was freed: free space now, or given back
            if (m.freed.empty()) break;
            const std::size_t i = in.byte() % m.freed.size();
            auto [block, asked] = m.freed[i];
            m.freed[i] = m.freed.back();
            m.freed.pop_back();
            // A counted block's word must be free for the free to be refused.
            const Addr begin = at(block) - (asked == 0 ? zrl::zones::count_word : 0);
            const Addr end = begin + (asked == 0 ? granule : zrl::zones::block_length(asked));
            if (overlaps_live(m, begin, end)) break; // handed out again
            const std::vector<Addr> before = snapshot(*m.zone);
            require((asked != 0 ? zrl_zfree(m.zone, block, asked) : zrl_zcfree(m.zone, block)) ==
                    -1);
            require((asked != 0 ? m.ref.free(at(block), asked) : m.ref.cfree(at(block))) == -1);
            require(snapshot(*m.zone) == before);
            break;
        }
        case 13: { // arguments that are refused or accepted without effect
            const int held = m.zone->total != 0;
            require(zrl_zfree(m.zone, nullptr, 0) == (held ? 0 : -1));
            require(zrl_zfree(m.zone, nullptr, 1 + in.byte()) == -1);
            require(zrl_zcfree(m.zone, nullptr) == -1);
            if (!m.live.empty()) require(zrl_zfree(m.zone, m.live.begin()->second.bytes, 0) == -1);
            break;
        }
        case 15: { // misuse: blocks that are not this zone's, or not whole
            const std::vector<Addr> before = snapshot(*m.zone);
            alignas(64) unsigned char stack[8 * granule] = {};
            const zrl_word length = granule;
            std::memcpy(stack + 2 * granule, &length, sizeof length);
            require(zrl_zfree(m.zone, stack + 2 * granule, granule) == -1);
            require(zrl_zcfree(m.zone, stack + 2 * granule + zrl::zones::word) == -1);
            if (zones.size() == 2) {
                const Model &other = &m == &zones[0] ? zones[1] : zones[0];
                if (!other.live.empty()) {
                    const Block &b = other.live.begin()->second;
                    require((b.size != 0 ? zrl_zfree(m.zone, b.bytes, b.size)
                                         : zrl_zcfree(m.zone, b.bytes)) == -1);
                }
            }
            if (!m.live.empty()) {
                auto it = m.live.begin();
                std::advance(it, in.u16() % m.live.size());
                const Block &b = it->second;
                if (b.size != 0) {
                    const std::vector<Span> chunk_bodies = bodies(*m.zone);
                    const Span body =
                        *std::find_if(chunk_bodies.begin(), chunk_bodies.end(), [&](Span s) {
                            return s.begin <= it->first && it->first < s.end;
                        });
                    const std::uint32_t past = static_cast<std::uint32_t>(
                        body.end - it->first + granule * (1 + in.byte() % 4));
                    require(zrl_zfree(m.zone, b.bytes, past) == -1);
                    require(zrl_zfree(m.zone, b.bytes + zrl::zones::word, b.size) == -1);
                    require(zrl_zcfree(m.zone, b.bytes) == -1);
                }
            }
            require(snapshot(*m.zone) == before);
            break;
        }
        case 14: // reset, now and then
            if (op != 14) break;
            require(zrl_zreset(m.zone) == 0);
            require(m.ref.reset() == 0);
            m.live.clear();
            m.freed.clear();
            if ((m.flags & zrl::zones::kRelease) != 0) require(m.zone->total == 0);
            break;
        }
        same(m, step % 16 == 0);
        if (step % 16 == 0) check(m);
    }

    for (Model &m : zones) {
        check(m);
        for (const auto &[begin, b] : m.live) {
            require(intact(b));
            require((b.size != 0 ? zrl_zfree(m.zone, b.bytes, b.size)
                                 : zrl_zcfree(m.zone, b.bytes)) == 0);
            require((b.size != 0 ? m.ref.free(at(b.bytes), b.size) : m.ref.cfree(at(b.bytes))) ==
                    0);
        }
        m.live.clear();
        check(m);
        same(m, true);
        require(zrl_zdelete(m.zone) == 0);
        require(zrl_zdelete(m.zone) == -1);
    }
    return 0;
}
