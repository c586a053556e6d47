// Fuzzes attribute text: fdbset on a fresh FDB and on one that already has a
// buffer, and fdbinfo with the same text as its keyword.  Whatever the text,
// the FDB stays not open, keeps one of the two buffer sizes (the large one
// exactly when SEQUENTIAL is set), carries the marker, and its buffer holds
// bufsize + 1 bytes.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fileio/attributes.h"
#include "fileio/fdb.h"
#include <zrlshared.h>

namespace {

void check(const FDB *fdb) {
    if (fdb == nullptr) std::abort();
    if (fdb->handle != -1) std::abort();
    if (fdb->bufsize != zrl::kDefaultBufferSize && fdb->bufsize != zrl::kSequentialBufferSize)
        std::abort();
    const bool sequential = (fdb->f_flags & ZRL_FDB_SEQUENTIAL) != 0;
    if (sequential != (fdb->bufsize == zrl::kSequentialBufferSize)) std::abort();
    if (!zrl::has_marker(fdb)) std::abort();
    if (zrl_error != 0 && zrl_error != 22) std::abort();
    if (fdb->bufptr != nullptr) {
        // Every byte of the block is there (the address checker sees to it).
        volatile char last = fdb->bufptr[fdb->bufsize];
        (void)last;
        fdb->bufptr[0] = 'x';
    }
    if (fdb->bakspc[0] != '\0') std::abort();
}

// A reused FDB: it has a buffer and some state from earlier attributes.
FDB *reused = nullptr;

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    // The invalid-keyword messages would flood the fuzzer's output.
    if (std::freopen("/dev/null", "w", stdout) == nullptr) return 0;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const std::string text(reinterpret_cast<const char *>(data), size);

    FDB *fresh = fdbset(nullptr, text.c_str());
    check(fresh);
    zrl::release_fdb(fresh);

    if (reused == nullptr) {
        reused = fdballoc();
        if (reused == nullptr || !zrl::set_buffer_size(*reused, reused->bufsize)) std::abort();
        zrl::set_marker(*reused);
    }
    if (fdbset(reused, text.c_str()) != reused) std::abort();
    check(reused);

    zrl_error = 0;
    const int answer = fdbinfo(reused, text.c_str());
    // A fixed answer, 0 blocks of the closed descriptor, or the refusal.
    if (answer != 0 && answer != 1 && answer != 22) std::abort();
    zrl::dump_fdb(nullptr);
    return 0;
}
