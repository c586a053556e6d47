// The documented zone algorithm, written as plainly as it reads: a free
// walks the address-ordered free list from the rover, an allocation walks it
// for the first fit.  It keeps its own bookkeeping (free nodes and chunks by
// address) and touches no memory, so a library zone driven through the same
// operations can be compared with it step by step.
//
// The address order of the chunks and of the base node decides where a walk
// goes, so the reference is given the addresses the library's zone got: the
// base node's at creation, and each chunk's when it grows (`obtain` answers
// with the address of the chunk the library obtained in the same operation,
// or 0 when it obtained none).  Everything else it decides alone.
#pragma once

#include <zrlshared.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <iterator>
#include <map>
#include <utility>
#include <vector>

namespace zrl_test {

class ReferenceZone {
  public:
    using Addr = std::uintptr_t;
    static constexpr std::size_t W = sizeof(zrl_word);
    static constexpr std::size_t G = 2 * W; // granule: a free-list node
    static constexpr std::size_t H = 2 * W; // chunk header
    static constexpr std::size_t kDefaultExtension = 8192 - H;

    struct Chunk {
        Addr at;
        std::size_t size;
        bool operator==(const Chunk &) const = default;
    };

    // A chunk of `size` bytes, header included; its address or 0.
    using Obtain = std::function<Addr(std::size_t size)>;

    // Create, once on a fresh reference: false when the initial chunk cannot
    // be obtained.
    bool create(int flags, std::uint32_t size, Addr base, Obtain obtain) {
        flags_ = flags;
        obtain_ = std::move(obtain);
        extension_ =
            (flags & 2) != 0 ? std::max<std::size_t>(size, kDefaultExtension) : kDefaultExtension;
        base_ = base;
        reset(); // holds no chunk yet: just the base node
        const std::uint32_t initial = (flags & 1) != 0 ? size : 0;
        // The fixed flag stops growth after creation only: the initial size
        // is how a fixed zone gets its memory at all.
        return initial == 0 || grow(initial, true);
    }

    Addr alloc(std::uint32_t size) {
        const std::size_t n = round(size);
        if (n == 0) return 0;
        Addr prev = rover_;
        Addr p = next(prev);
        while (nodes_[p] < n) {
            if (p == rover_) {
                if (!grow(n)) return 0;
                prev = rover_;
                p = next(prev);
                continue;
            }
            prev = p;
            p = next(p);
        }
        nodes_[p] -= n;
        Addr block;
        if (nodes_[p] == 0) {
            nodes_.erase(p);
            block = p;
        } else {
            block = p + nodes_[p];
        }
        rover_ = prev;
        return block;
    }

    int free(Addr block, std::uint32_t size) {
        // A size of nothing is accepted only with no block, by a zone that
        // holds memory; a block at address 0 is held by no chunk.
        const std::size_t m = round(size);
        if (m == 0) return block == 0 && total_ != 0 ? 0 : -1;
        return insert(block, m, (flags_ & 4) != 0);
    }

    // The counted operations keep the lengths they stored by address.
    Addr calloc(std::uint32_t count, std::uint32_t size) {
        const std::uint64_t bytes = std::uint64_t{count} * size;
        const std::uint64_t length = (bytes + W - 1) / W * W + W;
        if (length > UINT32_MAX) return 0;
        const Addr block = alloc(static_cast<std::uint32_t>(length));
        if (block == 0) return 0;
        counted_[block] = static_cast<std::uint32_t>(length);
        return block + W;
    }
    int cfree(Addr block) {
        auto it = counted_.find(block - W);
        if (it == counted_.end()) return -1;
        const std::uint32_t length = it->second;
        counted_.erase(it);
        return free(block - W, length);
    }

    int reset() {
        nodes_ = {{base_, 0}};
        rover_ = base_;
        counted_.clear();
        const std::vector<Chunk> chunks = chunks_;
        for (const Chunk &c : chunks)
            if (insert(c.at + H, c.size - H, (flags_ & 4) != 0) != 0) return -1;
        return 0;
    }

    std::size_t extension() const { return extension_; }
    Addr rover() const { return rover_; }
    std::size_t total() const { return total_; }
    const std::vector<Chunk> &chunks() const { return chunks_; } // newest first
    // The free nodes in list order from the base node's next, base excluded.
    std::vector<std::pair<Addr, std::size_t>> free_list() const {
        std::vector<std::pair<Addr, std::size_t>> list;
        for (Addr p = next(base_); p != base_; p = next(p))
            list.emplace_back(p, nodes_.at(p));
        return list;
    }

  private:
    static std::size_t round(std::uint32_t size) {
        return static_cast<std::uint32_t>(size + (G - 1)) & ~static_cast<std::uint32_t>(G - 1);
    }

    // The node after p on the circular list in ascending address order.
    Addr next(Addr p) const {
        auto it = nodes_.upper_bound(p);
        return it == nodes_.end() ? nodes_.begin()->first : it->first;
    }

    bool grow(std::uint64_t n, bool creating = false) {
        if ((flags_ & 0x80) != 0 && !creating) return false;
        const std::uint64_t body = (std::max<std::uint64_t>(n, extension_) + G - 1) / G * G;
        if (body + H > SIZE_MAX) return false;
        const Addr at = obtain_(static_cast<std::size_t>(body + H));
        if (at == 0) return false;
        chunks_.insert(chunks_.begin(), Chunk{at, static_cast<std::size_t>(body + H)});
        total_ += body + H;
        insert(at + H, static_cast<std::size_t>(body), false);
        return true;
    }

    // The free algorithm from its walk on.  Refused (-1) before any change:
    // a block that is not wholly inside one chunk body at a granule start,
    // or that overlaps the free nodes on either side of its place.
    int insert(Addr block, std::size_t m, bool may_release) {
        const bool held = std::any_of(chunks_.begin(), chunks_.end(), [&](const Chunk &c) {
            return c.at + H <= block && block < c.at + c.size && (block - c.at - H) % G == 0 &&
                   m <= c.at + c.size - block;
        });
        if (!held) return -1;
        const Addr start = rover_;
        // The walk stops at the node p the block follows: between p and its
        // next, or past the list's highest node (or below its lowest).
        Addr prev = start, p = start, nx = next(p);
        while (!(p <= block && block <= nx) && !(p >= nx && (block > p || block < nx))) {
            prev = std::exchange(p, nx);
            nx = next(p);
        }
        if (p <= block && block < p + nodes_[p]) return -1;
        if (block <= nx && block + m > nx) return -1;

        Addr node = block;
        std::size_t size = m;
        if (block + m == nx) {
            size += nodes_[nx];
            nodes_.erase(nx);
        }
        nodes_[node] = size;
        Addr rover = p;
        if (p + nodes_[p] == block) {
            nodes_[p] += size;
            nodes_.erase(block);
            node = p;
            rover = prev;
        }
        if (may_release && nodes_[node] >= extension_ && node != start) {
            auto c = std::find(chunks_.begin(), chunks_.end(), Chunk{node - H, nodes_[node] + H});
            if (c != chunks_.end()) {
                total_ -= c->size;
                chunks_.erase(c);
                nodes_.erase(node);
            }
        }
        rover_ = rover;
        return 0;
    }

    int flags_ = 0;
    Obtain obtain_;
    std::size_t extension_ = kDefaultExtension;
    Addr base_ = 0;
    std::map<Addr, std::size_t> nodes_; // free nodes by address, base node included
    Addr rover_ = 0;
    std::vector<Chunk> chunks_;
    std::size_t total_ = 0;
    std::map<Addr, std::uint32_t> counted_;
};

} // namespace zrl_test
