// The fill and the write-back of an FDB's buffer.
//
// Buffer states.  With read access (0x0002) the buffer mirrors the file from
// `position` on and `endptr` marks the end of what was read; without it the
// buffer is an output area that ends at `bufptr` + `bufsize`.  The unwritten
// flag (0x4000) says the buffer holds bytes the file has not got yet, the
// end-of-file flag (0x2000) that nothing more can be read into it.  The
// logical file position is always `position` + (`datptr` - `bufptr`).
//
// `position` is a 32-bit field: it holds the low 32 bits of the offset, and
// every step on it is an unsigned addition that wraps.  The descriptor's own
// offset is 64 bits wide, and the write-back moves it by distances within the
// buffer only, never to an offset made from `position`, so reading, writing
// and updating stay in place in files of any size; only the positions that
// callers see and give are cut to 32 bits.
#include <cerrno>
#include <cstddef>
#include <cstdint>

#include "fileio/buffer.h"
#include "fileio/fdb.h"
#include "frame/status.h"
#include "platform/platform.h"
#include <zrlshared.h>

namespace zrl {
namespace {

constexpr const char *kNoWriteAccess =
    "ERROR: Trying to write in a file not opened for write access";

std::int32_t used_bytes(const FDB &fdb) {
    return static_cast<std::int32_t>(fdb.endptr - fdb.bufptr);
}

std::int32_t consumed_bytes(const FDB &fdb) {
    return static_cast<std::int32_t>(fdb.datptr - fdb.bufptr);
}

// Moves `position` on by a count of buffer bytes, wrapping at 32 bits.
void advance_position(FDB &fdb, std::int32_t bytes) {
    fdb.position = static_cast<std::int32_t>(static_cast<std::uint32_t>(fdb.position) +
                                             static_cast<std::uint32_t>(bytes));
}

// Keeps the first failure of a run of steps that all go on after a failure.
class FirstFailure {
  public:
    void note(int status) {
        if (status_ == kSuccess) status_ = status;
    }
    void note_errno() { note(io_status(errno)); }
    int status() const { return status_; }

  private:
    int status_ = kSuccess;
};

// Writes all of [from, from + count) at the descriptor's offset; the count
// written.  A short write is continued; a write that makes no progress
// without an error number is an input/output failure.
std::int32_t write_all(int handle, const char *from, std::int32_t count, FirstFailure &failure) {
    std::int32_t written = 0;
    while (written < count) {
        errno = 0;
        const long n = platform::fd_write(handle, from + written,
                                          static_cast<std::size_t>(count - written));
        if (n <= 0) {
            failure.note(n < 0 ? io_status(errno) : static_cast<int>(kIoFailure));
            break;
        }
        written += static_cast<std::int32_t>(n);
    }
    return written;
}

// Moves the descriptor by `distance` from where it is; the low 32 bits of
// the new offset, -1 on failure.
std::int32_t seek_by(int handle, std::int64_t distance, FirstFailure &failure) {
    errno = 0;
    const std::int64_t result = platform::fd_seek(handle, distance, 1);
    if (result < 0) {
        failure.note_errno();
        return -1;
    }
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(result));
}

} // namespace

int fill_buffer(FDB &fdb) {
    set_status(kSuccess);
    if (!is_open(&fdb)) return set_status(kInvalid);
    // An image-access FDB has no buffer to fill.
    if (fdb.bufptr == nullptr) return set_status(kInvalid);

    if (has_flag(fdb, ZRL_FDB_UNWRITTEN)) {
        flush_buffer(fdb);
        // A failed write-back keeps its own status.  An update buffer has
        // been refilled by it; an output area at the end of the file reads
        // on below, so that data another writer appended after the end is
        // read like any other.
        if (zrl_error != kSuccess) return zrl_error;
        if (has_flag(fdb, ZRL_FDB_READ) || !has_flag(fdb, ZRL_FDB_EOF)) {
            if (has_flag(fdb, ZRL_FDB_EOF)) set_status(kEndOfFile);
            return zrl_error;
        }
    }

    // With read access the whole buffer has been consumed.  An output area
    // (no read access) holds no file data: only the bytes passed over count,
    // so that a read at the end of a file being written never moves the
    // position past the end and leaves a gap at the next write.
    advance_position(fdb, has_flag(fdb, ZRL_FDB_READ) ? used_bytes(fdb) : consumed_bytes(fdb));
    fdb.datptr = fdb.bufptr;
    fdb.endptr = fdb.bufptr;

    int status = kSuccess;
    for (;;) {
        const std::int32_t room = fdb.bufsize - used_bytes(fdb);
        if (room <= 0) break;
        errno = 0;
        const long n = platform::fd_read(fdb.handle, fdb.endptr, static_cast<std::size_t>(room));
        if (n == 0) break;
        if (n < 0) {
            status = io_status(errno);
            break;
        }
        fdb.endptr += n;
        // A terminal hands over one line per read; waiting for a full buffer
        // would keep the reader from seeing the line it typed.
        if (has_flag(fdb, ZRL_FDB_TERMINAL)) break;
    }

    if (fdb.endptr != fdb.bufptr) {
        // Data that came after the end of the file had been met (the file
        // grew) is read like any other: the next byte comes from the buffer,
        // not from another fill that would pass over it.  The buffer now
        // holds file data, also in what was an output area, so a store into
        // it is written back where that data came from.
        fdb.f_flags &= ~ZRL_FDB_EOF;
        fdb.f_flags |= ZRL_FDB_READ;
    } else {
        // Nothing came: the end of the file, also when the read failed.
        fdb.f_flags |= ZRL_FDB_EOF;
        status = kEndOfFile;
        if (has_flag(fdb, ZRL_FDB_WRITE)) {
            // A writer that read to the end appends from here on.
            fdb.f_flags &= ~ZRL_FDB_READ;
            fdb.endptr = fdb.bufptr + fdb.bufsize;
        }
    }
    return set_status(status);
}

namespace {

// A terminal has no file positions: its write-back makes no seeks (each would
// fail and fail the write with it) and counts the position instead.  The
// write-back at a close does not resynchronise either, as nothing follows.
void write_back(FDB &fdb, bool refill) {
    set_status(kSuccess);
    // An image-access FDB has no buffer: nothing can be waiting in it.
    if (fdb.bufptr == nullptr) return;

    if (!has_flag(fdb, ZRL_FDB_WRITE)) {
        if (has_flag(fdb, ZRL_FDB_UNWRITTEN)) {
            typeln(kNoWriteAccess);
            set_status(kIoFailure);
        }
        return;
    }

    FirstFailure failure;
    const bool read_access = has_flag(fdb, ZRL_FDB_READ);
    const bool seekable = !has_flag(fdb, ZRL_FDB_TERMINAL);
    const bool resync = seekable && refill;
    // Where the descriptor stands, counted from the place of bufptr: after
    // the bytes read into an update buffer, at the start of an output area.
    std::int32_t descriptor = read_access ? used_bytes(fdb) : 0;
    const auto to_logical_position = [&] {
        if (resync)
            fdb.position =
                seek_by(fdb.handle, consumed_bytes(fdb) - std::int64_t{descriptor}, failure);
        else
            advance_position(fdb, consumed_bytes(fdb));
    };
    if (has_flag(fdb, ZRL_FDB_UNWRITTEN)) {
        // An update buffer goes back whole to where it was read from; an
        // output area holds only what was stored before datptr.
        std::int32_t length = consumed_bytes(fdb);
        if (read_access) {
            length = used_bytes(fdb);
            errno = 0;
            if (seekable) {
                if (platform::fd_seek(fdb.handle, -static_cast<std::int64_t>(length), 1) < 0)
                    failure.note_errno();
                else
                    descriptor = 0;
            }
        }
        if (length > 0) descriptor += write_all(fdb.handle, fdb.bufptr, length, failure);
        fdb.f_flags &= ~ZRL_FDB_UNWRITTEN;
        to_logical_position();
    } else if (read_access) {
        to_logical_position();
    } else {
        advance_position(fdb, consumed_bytes(fdb));
    }

    fdb.datptr = fdb.bufptr;
    if (!read_access) {
        fdb.endptr = fdb.bufptr + fdb.bufsize;
        set_status(failure.status());
        return;
    }
    fdb.endptr = fdb.bufptr;
    if (refill) {
        // The end of the file met here is no failure of the write-back.
        const int fill = fill_buffer(fdb);
        failure.note(fill == kEndOfFile ? kSuccess : fill);
    }
    set_status(failure.status());
}

} // namespace

void flush_buffer(FDB &fdb) {
    write_back(fdb, true);
}

void flush_before_close(FDB &fdb) {
    write_back(fdb, false);
}

} // namespace zrl

extern "C" ZRL_API void fflushx(FDB *fdb) {
    if (!zrl::is_open(fdb)) {
        zrl::set_status(zrl::kInvalid);
        return;
    }
    zrl::flush_buffer(*fdb);
}
