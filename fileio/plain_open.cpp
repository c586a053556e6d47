// Plain openers without an FDB: thin passes to the UTF-8 layer with fixed
// runtime flags (the Windows runtime's values, which open_utf8 takes on every
// platform).  The text/binary and plain/sequential names differ only in the
// flags shown here.  No status is set.
//
// The fixed bits are set with a bitwise or.  For the flags callers pass
// (access bits, with or without create and truncate) that is the same as
// adding them; where a caller already gave one of the bits, adding would carry
// into the next flag (a sequential hint given twice would become the
// temporary flag, and the file would be deleted at its close).
#include <cstdio>

#include <utf8fs.h>
#include <zrlshared.h>

namespace zrl {
namespace {

constexpr int kSequentialBuffer = 32768;
constexpr int kSequentialFlags = UTF8FS_O_SEQUENTIAL;
constexpr int kBinarySequentialFlags = UTF8FS_O_BINARY | UTF8FS_O_SEQUENTIAL;
constexpr int kCreateFlags = UTF8FS_O_RDWR | UTF8FS_O_CREAT | UTF8FS_O_TRUNC | UTF8FS_O_BINARY;

FILE *open_stream_sequential(const char *name, const char *mode) {
    FILE *stream = fopen_utf8(name, mode);
    if (stream != nullptr && std::setvbuf(stream, nullptr, _IOFBF, kSequentialBuffer) != 0)
        std::printf("fopen_asc_seq: setvbuf failed \n");
    return stream;
}

int create(const char *name, int flags, int permissions) {
    return open_utf8(name, (flags & ~UTF8FS_O_WRONLY) | kCreateFlags, permissions);
}

} // namespace
} // namespace zrl

extern "C" {

ZRL_API FILE *fopen_asc(const char *name, const char *mode) {
    return fopen_utf8(name, mode);
}
ZRL_API FILE *fopen_bin(const char *name, const char *mode) {
    return fopen_utf8(name, mode);
}
ZRL_API FILE *fopen_asc_seq(const char *name, const char *mode) {
    return zrl::open_stream_sequential(name, mode);
}
ZRL_API FILE *fopen_bin_seq(const char *name, const char *mode) {
    return zrl::open_stream_sequential(name, mode);
}

ZRL_API int open_asc(const char *name, int flags) {
    return open_utf8(name, flags, 0);
}
ZRL_API int open_bin(const char *name, int flags) {
    return open_utf8(name, flags, 0);
}
ZRL_API int open_asc_seq(const char *name, int flags) {
    return open_utf8(name, flags | zrl::kSequentialFlags, 0);
}
ZRL_API int open_bin_seq(const char *name, int flags) {
    return open_utf8(name, flags | zrl::kBinarySequentialFlags, 0);
}

ZRL_API int creatx_asc(const char *name, int flags, int permissions) {
    return zrl::create(name, flags, permissions);
}
ZRL_API int creatx_asc_seq(const char *name, int flags, int permissions) {
    return zrl::create(name, flags, permissions);
}
ZRL_API int creatx_bin(const char *name, int flags, int permissions) {
    return zrl::create(name, flags, permissions);
}
ZRL_API int creatx_bin_seq(const char *name, int flags, int permissions) {
    return zrl::create(name, flags, permissions);
}

} // extern "C"
