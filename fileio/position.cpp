// Moving the logical position of an FDB: to an offset, the start, the end, by
// a number of items, back to a saved context, or to a 512-byte block of an
// image-access file.
#include <cerrno>
#include <cstdint>
#include <cstdio>

#include "fileio/fdb.h"
#include "fileio/position.h"
#include "frame/status.h"
#include "platform/platform.h"

namespace zrl {

namespace {

constexpr std::int32_t kEndOfFilePosition = -1;
constexpr std::int64_t kBlockBytes = 512;

// Inside the buffered part of the file the move is a pointer change; the
// unwritten bytes stay where they are.  Positions are unsigned 32-bit
// offsets, and the distance from the buffer's start wraps with them.
bool inside_buffer(const FDB &fdb, std::int32_t pos) {
    if (!has_flag(fdb, ZRL_FDB_READ)) return false;
    const auto start = static_cast<std::uint32_t>(fdb.position);
    const auto target = static_cast<std::uint32_t>(pos);
    const auto filled = static_cast<std::uint32_t>(fdb.endptr - fdb.bufptr);
    return target - start < filled;
}

// The skips: the distance is added to the logical position in 32-bit
// arithmetic, wrapping, so a negative distance moves backwards and a target
// of all bits set means the end of the file.  -1 when the FDB is not open or
// has image access (after both the FGETP and the FPUTP message): the caller
// tests zrl_error.
std::int32_t skip(FDB *fdb, std::uint32_t distance) {
    if (!is_open(fdb)) return set_status(kInvalid), -1;
    const std::int32_t here = logical_position(fdb);
    const bool known = zrl_error == kSuccess;
    const auto target = static_cast<std::int32_t>(static_cast<std::uint32_t>(here) + distance);
    const std::int32_t result = move_to(fdb, target);
    return known ? result : -1;
}

} // namespace

std::int32_t move_to(FDB *fdb, std::int32_t pos) {
    set_status(kSuccess);
    if (!is_open(fdb)) return set_status(kInvalid), pos;
    if (has_flag(*fdb, ZRL_FDB_IMAGE)) {
        std::printf("%s - FPUTP on file %s not allowed with image access.\n", programident,
                    fdb->filspc);
        set_status(kIoFailure);
        return pos;
    }
    if (inside_buffer(*fdb, pos)) {
        fdb->datptr = fdb->bufptr + (static_cast<std::uint32_t>(pos) -
                                     static_cast<std::uint32_t>(fdb->position));
        fdb->f_flags &= ~ZRL_FDB_EOF;
        return pos;
    }
    flush_buffer(*fdb);
    // The buffer is emptied: bytes that could not be written (no write
    // access) are gone, so they no longer count as unwritten either.
    fdb->datptr = fdb->endptr = fdb->bufptr;
    fdb->f_flags &= ~ZRL_FDB_UNWRITTEN;
    errno = 0;
    // A position is an unsigned offset: every value but -1 (the end) up to
    // 4 GiB - 2 can be reached.
    const std::int64_t offset =
        pos == kEndOfFilePosition
            ? platform::fd_seek(fdb->handle, 0, 2)
            : platform::fd_seek(fdb->handle, static_cast<std::uint32_t>(pos), 0);
    if (offset < 0) {
        set_status(io_status(errno));
        fdb->position = -1;
    } else {
        fdb->position = static_cast<std::int32_t>(static_cast<std::uint32_t>(offset));
    }
    fdb->f_flags |= ZRL_FDB_READ;
    fdb->f_flags &= ~ZRL_FDB_EOF;
    return pos;
}

} // namespace zrl

using namespace zrl;

extern "C" ZRL_API int32_t fputp(FDB *fdb, int32_t position) {
    return move_to(fdb, position);
}

// A null context moves nothing and gives status 22.
extern "C" ZRL_API void fputctx(FDB *fdb, const int32_t *context) {
    if (context == nullptr) {
        set_status(kInvalid);
        return;
    }
    move_to(fdb, *context);
}

extern "C" ZRL_API int frewind(FDB *fdb) {
    if (!is_open(fdb)) return set_status(kInvalid), -1;
    move_to(fdb, 0);
    return 0;
}

extern "C" ZRL_API int ftoeof(FDB *fdb) {
    if (!is_open(fdb)) return set_status(kInvalid), -1;
    move_to(fdb, kEndOfFilePosition);
    return 0;
}

extern "C" ZRL_API int32_t fskipb(FDB *fdb, int32_t count) {
    return skip(fdb, static_cast<std::uint32_t>(count));
}

extern "C" ZRL_API int32_t fskipw(FDB *fdb, int32_t count) {
    return skip(fdb, static_cast<std::uint32_t>(count) * 2u);
}

extern "C" ZRL_API int32_t fskipl(FDB *fdb, int32_t count) {
    return skip(fdb, static_cast<std::uint32_t>(count) * 4u);
}

extern "C" ZRL_API int32_t fskipm(FDB *fdb, int32_t count, int32_t size) {
    return skip(fdb, static_cast<std::uint32_t>(count) * static_cast<std::uint32_t>(size));
}

// The descriptor to (block - 1) x 512, computed in 64 bits so that no block
// number overflows.  Returns the new offset (its low 32 bits), or -1 when it
// fails: status 22 for an FDB that is not open or has no image access, else
// the failed seek's number (block 0 and below ask for a negative offset).
extern "C" ZRL_API int32_t fsetblk(FDB *fdb, int32_t block) {
    set_status(kSuccess);
    if (!is_open(fdb) || !has_flag(*fdb, ZRL_FDB_IMAGE)) return set_status(kInvalid), -1;
    errno = 0;
    const std::int64_t offset =
        platform::fd_seek(fdb->handle, (static_cast<std::int64_t>(block) - 1) * kBlockBytes, 0);
    if (offset < 0) return set_status(io_status(errno)), -1;
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(offset));
}
