// The format engine: the picture-style format language and its older
// word-block dialect.  Every exported formatting entry of the library ends here.
#pragma once

#include <cstdarg>
#include <span>

#include <zrlshared.h>

namespace zrl {

// The limit of fmtstr and vfmtstr.
inline constexpr int kFormatLimit = 65536;

// A formatting function may write this many bytes, its NUL included.
inline constexpr int kFormatterBytes = 132;

// The two arguments of a "%" field: the value, then the function.
struct FormatterArg {
    zrl_word value;
    ZRL_FormatFn function;
};

// A source of arguments that knows their types: the engine asks for exactly
// the kind each field it meets needs, in format order.  The exported entries
// read a va_list; tests and the fuzzer derive from this class instead, so
// that no argument is ever read with the wrong type.
class FormatArgs {
  public:
    virtual int next_int() = 0;
    virtual double next_double() = 0;
    virtual const char *next_string() = 0;
    virtual FormatterArg next_formatter() = 0;

  protected:
    ~FormatArgs() = default;
};

// Fills `format` into `out`, whose last byte is reserved for the NUL: at most
// out.size() - 1 characters are written.  An empty span writes nothing.
// Returns the number of characters before the NUL.
int format_typed(std::span<char> out, const char *format, FormatArgs &args);

// The same from a va_list; `out` holds max + 1 bytes.  A negative max writes
// nothing at all (there is no byte for the NUL).
int format_va(char *out, int max, const char *format, va_list args);

// The older dialect: block[0] is the format, block[1] onward the argument
// words ended by a zero word.  by_value selects fmt2v ("#" takes the int
// itself) over fmt2 ("#" takes a pointer to the int).
int format_words(const zrl_word *block, char *out, bool by_value);

} // namespace zrl
