// Writing through the FDB's buffer: bytes, little-endian integers, memory
// blocks and text lines; raw block writes that bypass the buffer.
#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "fileio/bytes.h"
#include "fileio/fdb.h"
#include "frame/status.h"
#include "platform/platform.h"

namespace zrl {

namespace {

void report_no_write_access() {
    typeln("ERROR: Trying to write in a file not opened for write access");
    set_status(kIoFailure);
}

// Copies `count` bytes into the buffer in runs as large as the room allows,
// writing the buffer out between runs.  Returns the status; what was copied
// before a failure stays in the buffer.
int put_run(FDB &fdb, const char *from, std::size_t count) {
    while (count > 0) {
        if (fdb.datptr >= fdb.endptr && !make_room(fdb)) return zrl_error;
        const auto run = std::min<std::size_t>(static_cast<std::size_t>(fdb.endptr - fdb.datptr), count);
        std::memcpy(fdb.datptr, from, run);
        fdb.datptr += run;
        fdb.f_flags |= ZRL_FDB_UNWRITTEN;
        from += run;
        count -= run;
    }
    return kSuccess;
}

// The bytes of a little-endian integer, lowest first, up to the first failure.
void put_little_endian(FDB &fdb, std::uint32_t value, int width) {
    for (int i = 0; i < width; ++i)
        if (!put_byte(fdb, static_cast<unsigned char>(value >> (8 * i)))) return;
}

// A line written to a terminal goes to the device at once.
bool end_line(FDB &fdb) {
    if (!put_byte(fdb, '\n')) return false;
    if (has_flag(fdb, ZRL_FDB_TERMINAL)) flush_buffer(fdb);
    return zrl_error == kSuccess;
}

} // namespace

// Without write access nothing can make room: the bytes already stored are
// never written, and the ones that do not fit are refused with the same line
// and status the flush gives for them.  (Flushing first would not help: with
// unwritten bytes it reports just that, and without them it leaves the buffer
// full, as an FDB opened for reading is at the end of its data.)
bool make_room(FDB &fdb) {
    if (!has_flag(fdb, ZRL_FDB_WRITE)) {
        report_no_write_access();
        return false;
    }
    flush_buffer(fdb);
    if (zrl_error != kSuccess) return false;
    if (fdb.datptr < fdb.endptr) return true;
    set_status(kIoFailure);
    return false;
}

} // namespace zrl

using namespace zrl;

extern "C" ZRL_API void fputb(FDB *fdb, char byte) {
    set_status(kSuccess);
    if (!is_open(fdb)) {
        set_status(kInvalid);
        return;
    }
    put_byte(*fdb, static_cast<unsigned char>(byte));
}

extern "C" ZRL_API void fputw(FDB *fdb, int value) {
    set_status(kSuccess);
    if (!is_open(fdb)) {
        set_status(kInvalid);
        return;
    }
    put_little_endian(*fdb, static_cast<std::uint32_t>(value), 2);
}

extern "C" ZRL_API void fputl(FDB *fdb, int32_t value) {
    set_status(kSuccess);
    if (!is_open(fdb)) {
        set_status(kInvalid);
        return;
    }
    put_little_endian(*fdb, static_cast<std::uint32_t>(value), 4);
}

// A count of 0 or below stores nothing and returns 0.
extern "C" ZRL_API int fputm(FDB *fdb, const void *from, int count) {
    set_status(kSuccess);
    if (!is_open(fdb)) return set_status(kInvalid);
    if (count <= 0) return kSuccess;
    return put_run(*fdb, static_cast<const char *>(from), static_cast<std::size_t>(count));
}

extern "C" ZRL_API int fputstr(FDB *fdb, const char *text) {
    set_status(kSuccess);
    if (!is_open(fdb)) {
        set_status(kInvalid);
        return 0;
    }
    const std::size_t length = std::strlen(text);
    if (put_run(*fdb, text, length) != kSuccess || !end_line(*fdb)) return 0;
    return static_cast<int>(length);
}

// A count below 0 is taken as 0: only the line feed is written.
extern "C" ZRL_API int fputnstr(FDB *fdb, const char *text, int count) {
    set_status(kSuccess);
    if (!is_open(fdb)) {
        set_status(kInvalid);
        return 0;
    }
    count = std::max(count, 0);
    if (put_run(*fdb, text, static_cast<std::size_t>(count)) != kSuccess || !end_line(*fdb)) return 0;
    return count;
}

// Straight to the descriptor, one runtime write; a count below 0 writes
// nothing.  A short write with no error number gives status 5.
extern "C" ZRL_API int fputblk(FDB *fdb, const void *from, int count) {
    set_status(kSuccess);
    if (!is_open(fdb)) {
        set_status(kInvalid);
        return 0;
    }
    const auto wanted = static_cast<std::size_t>(std::max(count, 0));
    errno = 0;
    const long written = platform::fd_write(fdb->handle, from, wanted);
    if (written < 0)
        set_status(io_status(errno));
    else if (static_cast<std::size_t>(written) != wanted)
        set_status(kIoFailure);
    return static_cast<int>(written);
}
