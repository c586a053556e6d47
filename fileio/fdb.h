// The FDB inside the library: its states, the buffer it owns, and the fill
// and write-back that every reader and writer goes through.
#pragma once

#include <cstdint>

#include <zrlshared.h>

namespace zrl {

inline constexpr std::int32_t kDefaultBufferSize = 16384;
inline constexpr std::int32_t kSequentialBufferSize = 65536;
inline constexpr unsigned char kMarker = 0xFF;

inline bool is_open(const FDB *fdb) {
    return fdb != nullptr && fdb->handle >= 0;
}

inline bool has_flag(const FDB &fdb, std::uint32_t flag) {
    return (fdb.f_flags & flag) != 0;
}

// Writes the marker into the FDB's first byte (the lowest-addressed byte of
// datptr); callers do so only while the FDB is not open.
void set_marker(FDB &fdb);
// Whether the first byte of p is the marker: an FDB rather than attribute text.
bool has_marker(const void *p);

// The reset: pointers to bufptr, handle -1, position, alloc and flags 0,
// bufsize 16384 (resizing a buffer that exists), bakspc empty, the marker.
void reset_fdb(FDB &fdb);
// A new record with no buffer, reset; null when memory runs out.
FDB *new_fdb();
// Gives the FDB a buffer of `size` + 1 bytes, or resizes the one it has;
// false when memory runs out (the FDB keeps its old buffer then).
bool set_buffer_size(FDB &fdb, std::int32_t size);
// Releases the buffer and the record.
void release_fdb(FDB *fdb);

// The status for a failed runtime call: its error number, 5 when it gave none.
int io_status(int error_number);

// The fill: refills the buffer from the file (or writes it back when it holds
// unwritten bytes).  Sets zrl_error and returns it: 0 when bytes came, -1 at
// the end of the file, 22 when not open, else the runtime's error number.
int fill_buffer(FDB &fdb);

// fflushx for an FDB known to be open; the status in zrl_error.
void flush_buffer(FDB &fdb);

} // namespace zrl
