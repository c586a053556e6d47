// Reading through the FDB's buffer: bytes, little-endian integers, memory
// blocks and text lines; raw block reads that bypass the buffer; and the
// queries for the position, the end of the file and the file's name.
#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "fileio/bytes.h"
#include "fileio/fdb.h"
#include "fileio/position.h"
#include "frame/status.h"
#include "platform/platform.h"

namespace zrl {

namespace {

constexpr char kLineFeed = '\n';
constexpr char kReturn = '\r';
constexpr int kLineMax = 255; // the characters fgetstr stores at most

// The bytes that stop a line copy: the line ends, and for fgetstr the NUL.
struct StopTable {
    bool stops[256];
};
constexpr StopTable make_stops(bool nul_stops) {
    StopTable t{};
    t.stops[static_cast<unsigned char>(kLineFeed)] = true;
    t.stops[static_cast<unsigned char>(kReturn)] = true;
    t.stops[0] = nul_stops;
    return t;
}
constexpr StopTable kTextStops = make_stops(true);  // fgetstr
constexpr StopTable kLineStops = make_stops(false); // fgetnstr

// The first byte in [p, bound) that ends fgetstr's copy (a line feed, a
// carriage return or a NUL), or bound.  Eight bytes are tested at a time: a
// byte equal to one of the three becomes zero after an exclusive or, and the
// lowest byte flagged by the zero-byte test is always a true zero (a borrow
// only flags bytes above one), so the first flag is the first stop.
const char *find_text_stop(const char *p, const char *bound) {
#if defined(__SSE2__)
    // Where the processor has 16-byte compares, sixteen bytes at a time.
    const __m128i line_feed = _mm_set1_epi8(kLineFeed);
    const __m128i carriage_return = _mm_set1_epi8(kReturn);
    const __m128i nul = _mm_setzero_si128();
    while (bound - p >= 16) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
        const __m128i hits = _mm_or_si128(
            _mm_or_si128(_mm_cmpeq_epi8(block, line_feed), _mm_cmpeq_epi8(block, carriage_return)),
            _mm_cmpeq_epi8(block, nul));
        const auto mask = static_cast<unsigned>(_mm_movemask_epi8(hits));
        if (mask != 0) return p + std::countr_zero(mask);
        p += 16;
    }
#endif
    if constexpr (std::endian::native == std::endian::little) {
        constexpr std::uint64_t kOnes = 0x0101010101010101u;
        constexpr std::uint64_t kHighs = 0x8080808080808080u;
        const auto zero_bytes = [](std::uint64_t x) { return (x - kOnes) & ~x & kHighs; };
        while (bound - p >= 8) {
            std::uint64_t word;
            std::memcpy(&word, p, sizeof word);
            const std::uint64_t hits = zero_bytes(word) | zero_bytes(word ^ (kOnes * kLineFeed)) |
                                       zero_bytes(word ^ (kOnes * kReturn));
            if (hits != 0) return p + std::countr_zero(hits) / 8;
            p += 8;
        }
    }
    while (p < bound && !kTextStops.stops[static_cast<unsigned char>(*p)])
        ++p;
    return p;
}

bool buffer_used_up(const FDB &fdb) {
    return fdb.datptr >= fdb.endptr || has_flag(fdb, ZRL_FDB_EOF);
}

// Refills a used-up buffer; false (status in zrl_error) when nothing came.
// The fill itself keeps the position of an output area and takes new data
// after the end of the file.
bool refill(FDB &fdb) {
    if (fill_buffer(fdb) != kSuccess) return false;
    if (fdb.datptr < fdb.endptr) return true;
    set_status(kEndOfFile);
    return false;
}

// Reads the little-endian integer of `width` bytes; false on the first
// failing byte.
template <class U> bool get_little_endian(FDB &fdb, int width, U &value) {
    value = 0;
    for (int i = 0; i < width; ++i) {
        unsigned char byte;
        if (!get_byte(fdb, byte)) return false;
        value |= static_cast<U>(byte) << (8 * i);
    }
    return true;
}

// The end of one line after its stored part: bytes are read and dropped up to
// the line end, which is consumed (a carriage return with a line feed right
// after it counts as one).  Reading stops without a refill once the
// end-of-file flag is up.  True when a line end was read.
bool skip_to_line_end(FDB &fdb) {
    unsigned char byte;
    for (;;) {
        if (has_flag(fdb, ZRL_FDB_EOF)) {
            set_status(kEndOfFile);
            return false;
        }
        if (!get_byte(fdb, byte)) return false;
        if (byte == kLineFeed) return true;
        if (byte == kReturn) break;
    }
    if (!has_flag(fdb, ZRL_FDB_EOF) && get_byte(fdb, byte) && byte != kLineFeed) --fdb.datptr;
    return true;
}

// One line into `to` (the caller has checked the FDB): at most `max`
// characters, copied by whole runs of the buffer.  fgetstr's form stops at a
// NUL byte of the file as well.
int read_line(FDB &fdb, char *to, int max, bool text) {
    const StopTable &table = text ? kTextStops : kLineStops;
    int stored = 0;
    bool failed = false;
    while (stored < max) {
        if (buffer_used_up(fdb) && !refill(fdb)) {
            failed = true;
            break;
        }
        const char *const begin = fdb.datptr;
        const char *const bound =
            begin + std::min<std::ptrdiff_t>(fdb.endptr - begin, max - stored);
        const char *stop = begin;
        if (text) {
            stop = find_text_stop(begin, bound);
        } else {
            while (stop < bound && !table.stops[static_cast<unsigned char>(*stop)]) ++stop;
        }
        std::memcpy(to + stored, begin, static_cast<std::size_t>(stop - begin));
        stored += static_cast<int>(stop - begin);
        fdb.datptr = const_cast<char *>(stop);
        if (stop < bound) break; // on the line end (or fgetstr's NUL byte)
    }
    if (stored < max || text) to[stored] = '\0';
    if (failed) {
        if (stored > 0) set_status(kSuccess);
        return stored;
    }
    // The usual end of a line, a line feed in the buffer, is taken at once.
    if (fdb.datptr < fdb.endptr && *fdb.datptr == kLineFeed && !has_flag(fdb, ZRL_FDB_EOF)) {
        ++fdb.datptr;
        set_status(kSuccess);
        return stored;
    }
    const bool line_end = skip_to_line_end(fdb);
    if (stored > 0 || line_end) set_status(kSuccess);
    return stored;
}

} // namespace

bool get_byte_slow(FDB &fdb, unsigned char &byte) {
    if (!refill(fdb)) return false;
    byte = static_cast<unsigned char>(*fdb.datptr++);
    return true;
}

// The logical position; -1 with status 22 (not open) or 5 (image access,
// after the FGETP message) when there is none to give, because -1 is no
// position a caller could have read at.
std::int32_t logical_position(FDB *fdb) {
    set_status(kSuccess);
    if (!is_open(fdb)) {
        set_status(kInvalid);
        return -1;
    }
    if (has_flag(*fdb, ZRL_FDB_IMAGE)) {
        std::printf("%s - FGETP on file %s not allowed with image access.\n", programident,
                    fdb->filspc);
        set_status(kIoFailure);
        return -1;
    }
    const auto offset = static_cast<std::uint32_t>(fdb->datptr - fdb->bufptr);
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(fdb->position) + offset);
}

} // namespace zrl

using namespace zrl;

extern "C" ZRL_API char fgetb(FDB *fdb) {
    set_status(kSuccess);
    if (!is_open(fdb)) {
        set_status(kInvalid);
        return 0;
    }
    unsigned char byte;
    return get_byte(*fdb, byte) ? static_cast<char>(byte) : 0;
}

// The integer readers give 0 when a byte is missing; zrl_error tells why.
extern "C" ZRL_API int fgetw(FDB *fdb) {
    set_status(kSuccess);
    if (!is_open(fdb)) return set_status(kInvalid), 0;
    std::uint32_t value;
    return get_little_endian(*fdb, 2, value) ? static_cast<int>(value) : 0;
}

extern "C" ZRL_API int32_t fgetl(FDB *fdb) {
    set_status(kSuccess);
    if (!is_open(fdb)) return set_status(kInvalid), 0;
    std::uint32_t value;
    return get_little_endian(*fdb, 4, value) ? static_cast<std::int32_t>(value) : 0;
}

extern "C" ZRL_API int64_t fgetll(FDB *fdb) {
    set_status(kSuccess);
    if (!is_open(fdb)) return set_status(kInvalid), 0;
    std::uint64_t value;
    return get_little_endian(*fdb, 8, value) ? static_cast<std::int64_t>(value) : 0;
}

// A count of 0 or below copies nothing and returns 0 with status 0.
extern "C" ZRL_API int fgetm(FDB *fdb, void *to, int count) {
    set_status(kSuccess);
    if (!is_open(fdb)) return set_status(kInvalid), 0;
    auto *out = static_cast<char *>(to);
    int copied = 0;
    while (copied < count) {
        if (buffer_used_up(*fdb) && !refill(*fdb)) break;
        const auto run = std::min<std::ptrdiff_t>(fdb->endptr - fdb->datptr, count - copied);
        std::memcpy(out + copied, fdb->datptr, static_cast<std::size_t>(run));
        fdb->datptr += run;
        copied += static_cast<int>(run);
    }
    if (copied > 0) set_status(kSuccess);
    return copied;
}

extern "C" ZRL_API int fgetstr(FDB *fdb, char *to) {
    to[0] = '\0';
    set_status(kSuccess);
    if (!is_open(fdb)) return set_status(kInvalid), 0;
    return read_line(*fdb, to, kLineMax, true);
}

// A maximum below 0 is taken as 0: a NUL in the first byte, one line skipped.
extern "C" ZRL_API int fgetnstr(FDB *fdb, char *to, int max) {
    to[0] = '\0';
    set_status(kSuccess);
    if (!is_open(fdb)) return set_status(kInvalid), 0;
    return read_line(*fdb, to, std::max(max, 0), false);
}

// Straight from the descriptor.  A count of 0 or below reads nothing and so
// reports the end of the file, as an FDB that is not open does.
extern "C" ZRL_API int fgetblk(FDB *fdb, void *to, int count) {
    set_status(kSuccess);
    if (!is_open(fdb) || count <= 0) {
        if (fdb != nullptr) fdb->f_flags |= ZRL_FDB_EOF;
        set_status(kEndOfFile);
        return 0;
    }
    auto *out = static_cast<char *>(to);
    int got = 0;
    int failure = kSuccess;
    while (got < count) {
        errno = 0;
        const long n = platform::fd_read(fdb->handle, out + got, static_cast<std::size_t>(count - got));
        if (n < 0) {
            failure = io_status(errno);
            break;
        }
        if (n == 0) break;
        got += static_cast<int>(n);
    }
    if (got == 0) {
        fdb->f_flags |= ZRL_FDB_EOF;
        set_status(kEndOfFile);
        return 0;
    }
    fdb->f_flags &= ~ZRL_FDB_EOF;
    set_status(failure);
    return got;
}

// The size of the file.  zrl_error is left alone unless something fails: 22
// for an FDB that is not open (result 0), the flush's status, or a failed
// seek's number (result -1 when the end could not be found).
extern "C" ZRL_API int32_t fgeteof(FDB *fdb) {
    if (!is_open(fdb)) return set_status(kInvalid), 0;
    if (has_flag(*fdb, ZRL_FDB_UNWRITTEN)) flush_buffer(*fdb);
    errno = 0;
    const std::int64_t here = platform::fd_seek(fdb->handle, 0, 1);
    if (here < 0) return set_status(io_status(errno)), -1;
    const std::int64_t end = platform::fd_seek(fdb->handle, 0, 2);
    if (end < 0) set_status(io_status(errno));
    errno = 0;
    if (platform::fd_seek(fdb->handle, here, 0) < 0) set_status(io_status(errno));
    return end < 0 ? -1 : static_cast<std::int32_t>(static_cast<std::uint32_t>(end));
}

extern "C" ZRL_API int32_t fgetp(FDB *fdb) {
    return logical_position(fdb);
}

extern "C" ZRL_API void fgetctx(FDB *fdb, int32_t *context) {
    const std::int32_t position = logical_position(fdb);
    if (context != nullptr) *context = position;
}

// A null FDB gives the empty name.
extern "C" ZRL_API int fgetspec(FDB *fdb, char *to) {
    if (fdb == nullptr) {
        to[0] = '\0';
        return 0;
    }
    const void *nul = std::memchr(fdb->filspc, '\0', ZRL_FDB_SPEC - 1);
    const auto length = nul != nullptr ? static_cast<const char *>(nul) - fdb->filspc
                                       : std::ptrdiff_t{ZRL_FDB_SPEC - 1};
    std::memcpy(to, fdb->filspc, static_cast<std::size_t>(length));
    to[length] = '\0';
    return static_cast<int>(length);
}
