// Pages on POSIX: anonymous private mappings.  On Linux a block of a
// megabyte or more is advised for transparent huge pages, which turns the
// first touch of ten thousand 4 KB slots from ten thousand page faults into
// a few dozen, and growth is an mremap, which moves page tables, not bytes.
#include "platform/platform.h"

#include <cstring>
#include <sys/mman.h>

namespace zrl::platform {
namespace {

constexpr std::size_t kLargeBlock = std::size_t{1} << 20;

void advise(void *block, std::size_t bytes) {
#ifdef MADV_HUGEPAGE
    if (bytes >= kLargeBlock) ::madvise(block, bytes, MADV_HUGEPAGE);
#else
    (void)block;
    (void)bytes;
#endif
}

} // namespace

void *pages_obtain(std::size_t bytes) {
    void *block = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (block == MAP_FAILED) return nullptr;
    advise(block, bytes);
    return block;
}

void *pages_resize(void *block, std::size_t old_bytes, std::size_t new_bytes) {
#ifdef MREMAP_MAYMOVE
    void *moved = ::mremap(block, old_bytes, new_bytes, MREMAP_MAYMOVE);
    if (moved == MAP_FAILED) return nullptr;
    advise(moved, new_bytes);
    return moved;
#else
    void *grown = pages_obtain(new_bytes);
    if (grown == nullptr) return nullptr;
    std::memcpy(grown, block, old_bytes < new_bytes ? old_bytes : new_bytes);
    pages_release(block, old_bytes);
    return grown;
#endif
}

void pages_release(void *block, std::size_t bytes) {
    ::munmap(block, bytes);
}

} // namespace zrl::platform
