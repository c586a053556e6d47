// The single-byte paths of the record I/O, inline so that every reader and
// writer moves one byte with a comparison, a load or store and an increment,
// and leaves the buffer only when it is used up.  Callers have checked that
// the FDB is open (a closed FDB's datptr holds the marker, not a pointer).
#pragma once

#include <cstdint>

#include "fileio/fdb.h"

namespace zrl {

// Refills the buffer and takes its first byte; false, with the fill's status
// in zrl_error, when nothing can be read.
bool get_byte_slow(FDB &fdb, unsigned char &byte);

// The next byte of the file into `byte`; false (status in zrl_error) at the
// end of the file or on a failure.  Does not clear zrl_error on success.
inline bool get_byte(FDB &fdb, unsigned char &byte) {
    if (fdb.datptr < fdb.endptr && !has_flag(fdb, ZRL_FDB_EOF)) {
        byte = static_cast<unsigned char>(*fdb.datptr++);
        return true;
    }
    return get_byte_slow(fdb, byte);
}

// Makes room in a full buffer: writes it out, or reports that the FDB has no
// write access.  False, with the status in zrl_error, when no room came.
bool make_room(FDB &fdb);

// Stores one byte at the current place; false (status in zrl_error) when the
// buffer was full and could not be written out, the byte is then dropped.
inline bool put_byte(FDB &fdb, unsigned char byte) {
    if (fdb.datptr >= fdb.endptr && !make_room(fdb)) return false;
    *fdb.datptr++ = static_cast<char>(byte);
    fdb.f_flags |= ZRL_FDB_UNWRITTEN;
    return true;
}

} // namespace zrl
