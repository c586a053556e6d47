// Pages on Windows: VirtualAlloc'd blocks.  Growth obtains the larger block
// and copies, since a reservation cannot be widened in place; large pages
// need a privilege that programs seldom hold and are not asked for.
#include "platform/platform.h"

#include <cstring>
#include <windows.h>

namespace zrl::platform {

void *pages_obtain(std::size_t bytes) {
    return VirtualAlloc(nullptr, bytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
}

void *pages_resize(void *block, std::size_t old_bytes, std::size_t new_bytes) {
    void *grown = pages_obtain(new_bytes);
    if (grown == nullptr) return nullptr;
    std::memcpy(grown, block, old_bytes < new_bytes ? old_bytes : new_bytes);
    pages_release(block, old_bytes);
    return grown;
}

void pages_release(void *block, std::size_t) {
    VirtualFree(block, 0, MEM_RELEASE);
}

} // namespace zrl::platform
