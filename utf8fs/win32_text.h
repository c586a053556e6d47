// Conversions between the layer's UTF-8 and the UTF-16 of the Windows calls.
// The Windows side works in fixed buffers and malloc only: nothing in it can
// throw, and the DLL needs no C++ runtime support beyond what it links in.
#pragma once
#ifdef _WIN32

#include <cstddef>
#include <cstdint>

#include <utf8fs.h>

namespace utf8fs::win32 {

// Longest environment text the layer converts, in UTF-8 bytes (the system's
// limit of 32767 UTF-16 units, at most three bytes each).
constexpr std::size_t kEnvironmentMax = 32767 * 3;

// Sets errno and the Win32 reason together.
void fail(int error, unsigned long reason);

// A name in UTF-16, converted when made.  A null name (EINVAL), one of more
// than 4095 bytes (ENAMETOOLONG) or one that is not UTF-8 (EINVAL) gives a
// WideName that is not ok(), with errno and the Win32 reason set.  A name of
// at most 4095 bytes needs at most 4095 UTF-16 units.
class WideName {
  public:
    explicit WideName(const char *utf8);
    bool ok() const { return ok_; }
    const wchar_t *c_str() const { return text_; }
    wchar_t *data() { return text_; }

  private:
    wchar_t text_[UTF8FS_PATH_MAX];
    bool ok_ = false;
};

// utf8 in UTF-16 in a block from malloc (to be released with free), for the
// environment's longer texts; null with errno as for WideName.
wchar_t *wide_copy(const char *utf8, std::size_t limit);

// units UTF-16 units of wide (-1: through its NUL) as UTF-8 with a NUL in out
// (room bytes).  The length, or -1 with ENAMETOOLONG when it does not fit and
// EINVAL when the text holds a lone surrogate.
int to_utf8(const wchar_t *wide, int units, char *out, int room);

// A path from the wide calls (units long) in UTF-8 in the caller's buffer of
// size bytes; its length, or 0 with ENAMETOOLONG or EINVAL.
std::uint32_t put_path(const wchar_t *wide, unsigned long units, char *buffer, std::uint32_t size);

} // namespace utf8fs::win32

#endif
