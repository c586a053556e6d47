// The format engine.  A format is text in which a few characters open fields:
// a run of "#" for an integer, "#" runs around a "^" for a real number, a run
// of "'" for a string, "%" for a caller's formatting function.  The classifier
// decides what stands at the current position; every field kind is then put
// into the output by one placement routine, through a writer that cannot go
// past its limit.
#include "format/engine.h"
#include "text/bounded_text.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "format/convert.h"

namespace zrl {
namespace {

constexpr std::string_view kNil = "<nil>";
constexpr std::string_view kIllegal = "<illegal>";
constexpr std::string_view kOverflow = "#######";

// ---- Bounded output ---------------------------------------------------------

using Out = BoundedText;

// ---- Runs and placement -----------------------------------------------------

// The geometry of one field: its width in columns, right or left
// justification, and whether a longer text is cut ("~") or widens the field.
// Small enough to travel in registers.
struct Field {
    std::size_t width;
    bool right;
    bool truncate;

    // The format after the field's run and its "~", for a run starting at p.
    const char *after(const char *p) const { return p + width + (truncate ? 1 : 0); }
};

// A field's run is its first character and every following character that is
// "^" or repeats the one before it, that is: the first character repeated,
// then any "^".  A "^" at its end right-justifies, and a "~" straight after
// it truncates (and takes no column).
inline Field scan_run(const char *p) {
    const char *q = p + 1;
    while (*q == *p)
        ++q;
    while (*q == '^')
        ++q;
    return {static_cast<std::size_t>(q - p), q[-1] == '^', *q == '~'};
}

// The one placement routine.  Copies the text while it lasts and room remains
// (stopping at the width only when the field truncates), fills the rest of
// the width with `fill`, and if it filled anything in a right-justified field
// moves the text to the right with blanks in front.  When the room ends
// inside the field, the justification works within the columns written, so
// nothing goes beyond the limit.
inline void place(Out &out, std::size_t room, const Field &field, std::string_view text,
                  char fill) {
    room = std::min(room, out.room());
    const std::size_t start = out.size();
    const std::size_t limit = field.truncate ? std::min(field.width, room) : room;
    const std::size_t copied = out.append(text.data(), std::min(text.size(), limit));
    const std::size_t span = std::min(field.width, room);
    if (copied < span) {
        out.fill(fill, span - copied);
        if (field.right) out.right_justify(start, copied);
    }
}

// Length of a caller's text, looked at no further than `bound` characters:
// beyond the room nothing of it can be placed.
std::size_t bounded_length(const char *text, std::size_t bound) {
    std::size_t n = 0;
    while (n < bound && text[n] != '\0')
        ++n;
    return n;
}

// ---- The classifier ---------------------------------------------------------

// What a "#" opens.
enum class Kind { Integer, Real, Illegal };

// At a "#": a "#" run, then "^" and a second "#" run makes a real pattern
// unless another "^" follows; "^" then "~" then "#", or "~" then "^" or "#",
// is illegal; everything else is an integer pattern (the "^" and "~" after
// the first run then belong to the integer field's run).  Only the character
// after the first "^" is looked at, so "#^^#" is an integer field "#^^"
// followed by a second one.
inline Kind classify_number(const char *p) {
    const char *q = p;
    while (*q == '#')
        ++q;
    if (*q == '^') {
        if (q[1] == '#') {
            const char *r = q + 1;
            while (*r == '#')
                ++r;
            return *r == '^' ? Kind::Illegal : Kind::Real;
        }
        return q[1] == '~' && q[2] == '#' ? Kind::Illegal : Kind::Integer;
    }
    return *q == '~' && (q[1] == '^' || q[1] == '#') ? Kind::Illegal : Kind::Integer;
}

// The characters that end a run of literal text.
constexpr auto kOpens = [] {
    std::array<bool, 256> opens{};
    for (unsigned char c : {'\'', '#', '%', '&', '\0'})
        opens[c] = true;
    return opens;
}();

bool opens_directive(char c) {
    return kOpens[static_cast<unsigned char>(c)];
}

// ---- Field kinds --------------------------------------------------------------

// A real field: the integer part right-justified in the columns before the
// "^" (truncated only when the format ends in "~"), a ".", and the fraction
// left-justified in the columns after it, filled with "0" and always cut.
// A number that fixed notation cannot show, or whose integer part does not
// fit a truncated field, shows the overflow fill instead.
// Returns the format after the field.
const char *place_real(Out &out, const char *p, double value) {
    const char *caret = p;
    while (*caret == '#')
        ++caret;
    const char *end = caret + 1;
    while (*end == '#')
        ++end;
    const bool truncate = *end == '~';
    const std::size_t int_width = static_cast<std::size_t>(caret - p);
    const Field int_part{int_width, true, truncate};
    const Field fraction{static_cast<std::size_t>(end - caret - 1), false, true};

    // convda_noexp stores a NUL after at most eight characters.
    char buffer[kRealRoom];
    convda_noexp(value, buffer);
    const std::string_view text(buffer, bounded_length(buffer, 8));
    const std::size_t point = text.find('.');
    const std::string_view int_text = text.substr(0, point);
    const std::string_view frac_text =
        point == std::string_view::npos ? std::string_view{} : text.substr(point + 1);

    if (text.empty() || (truncate && int_text.size() > int_width)) {
        place(out, out.room(), int_part, kOverflow, '#');
        out.put('.');
        place(out, out.room(), fraction, "#", '#');
    } else {
        place(out, out.room(), int_part, int_text, ' ');
        out.put('.');
        place(out, out.room(), fraction, frac_text, '0');
    }
    return end + (truncate ? 1 : 0);
}

// A "%" field.  With room for the whole of what the function may write, it
// writes straight into the output; otherwise into a scratch buffer of that
// size, and the placement cuts the text to the room.
void place_formatter(Out &out, const Field &field, FormatterArg arg) {
    if (arg.function == nullptr) {
        place(out, out.room(), field, kNil, ' ');
        return;
    }
    if (out.room() >= static_cast<std::size_t>(kFormatterBytes)) {
        char *at = out.cursor();
        at[0] = '\0';
        arg.function(arg.value, at);
        place(out, out.room(), field, {at, bounded_length(at, kFormatterBytes)}, ' ');
        return;
    }
    char scratch[kFormatterBytes];
    scratch[0] = '\0';
    arg.function(arg.value, scratch);
    place(out, out.room(), field, {scratch, bounded_length(scratch, kFormatterBytes)}, ' ');
}

// ---- The engine ---------------------------------------------------------------

// The engine's loop.  The character at the current position decides the
// class; at a "#" the pattern classifier decides between an integer, a real
// and an illegal pattern.
template <class Args> std::size_t run(Out &out, const char *p, Args &args) {
    while (*p != '\0' && !out.full()) {
        switch (*p) {
        case '&':
            ++p;
            break;
        case '\'': {
            const Field f = scan_run(p);
            const char *s = args.next_string();
            place(out, out.room(), f,
                  s == nullptr ? kNil : std::string_view{s, bounded_length(s, out.room())}, ' ');
            p = f.after(p);
            break;
        }
        case '%': {
            const Field f = scan_run(p);
            place_formatter(out, f, args.next_formatter());
            p = f.after(p);
            break;
        }
        case '#': {
            const Kind kind = classify_number(p);
            if (kind == Kind::Real) {
                p = place_real(out, p, args.next_double());
                break;
            }
            const Field f = scan_run(p);
            if (kind == Kind::Integer) {
                // The digits go straight to the output when they fit there.
                const int value = args.next_int();
                char digits[kDecimalRoom];
                char *at = out.room() >= kDecimalRoom - 1 ? out.cursor() : digits;
                place(out, out.room(), f, {at, static_cast<std::size_t>(convia(value, at))}, ' ');
            } else {
                // The rest of the pattern after this run is read as further format.
                place(out, out.room(), f, kIllegal, ' ');
            }
            p = f.after(p);
            break;
        }
        default: {
            const char *end = p + 1;
            while (!opens_directive(*end))
                ++end;
            out.append(p, static_cast<std::size_t>(end - p));
            p = end;
            break;
        }
        }
    }
    return out.finish();
}

// Arguments from a va_list, read with the type each field asks for.
class VaArgs {
  public:
    explicit VaArgs(va_list *args) : args_(args) {}

    int next_int() { return va_arg(*args_, int); }
    double next_double() { return va_arg(*args_, double); }
    const char *next_string() { return va_arg(*args_, const char *); }
    FormatterArg next_formatter() {
        const zrl_word value = va_arg(*args_, zrl_word);
        return {value, va_arg(*args_, ZRL_FormatFn)};
    }

  private:
    va_list *args_;
};

int format_list(char *out, int max, const char *format, va_list *args) {
    if (out == nullptr || max < 0) return 0;
    Out writer(out, static_cast<std::size_t>(max));
    VaArgs source(args);
    return static_cast<int>(run(writer, format != nullptr ? format : "", source));
}

} // namespace

int format_typed(std::span<char> out, const char *format, FormatArgs &args) {
    if (out.empty()) return 0;
    Out writer(out.data(), out.size() - 1);
    return static_cast<int>(run(writer, format != nullptr ? format : "", args));
}

int format_va(char *out, int max, const char *format, va_list args) {
    va_list copy;
    va_copy(copy, args);
    const int n = format_list(out, max, format, &copy);
    va_end(copy);
    return n;
}

// The older dialect has no real field and no pattern check: "#", "'" and "%"
// open fields only while the current argument word is nonzero, so a zero word
// ends the arguments (it is never consumed) and every later field character
// prints as itself.  Each field has a room of 65536 characters; the output as
// a whole has no limit, the caller's buffer must hold it.  A "%" whose
// function word is zero shows "<nil>" and leaves that zero word in place.
int format_words(const zrl_word *block, char *out, bool by_value) {
    if (out == nullptr) return 0;
    if (block == nullptr || block[0] == 0) {
        out[0] = '\0';
        return 0;
    }
    constexpr std::size_t kFieldRoom = kFormatLimit;
    Out writer(out, PTRDIFF_MAX / 2);
    const char *p = reinterpret_cast<const char *>(block[0]);
    const zrl_word *arg = block + 1;
    while (*p != '\0') {
        const char c = *p;
        if (c == '&') {
            ++p;
            continue;
        }
        if ((c != '#' && c != '\'' && c != '%') || *arg == 0) {
            writer.put(c);
            ++p;
            continue;
        }
        const Field f = scan_run(p);
        if (c == '#') {
            const zrl_word word = *arg++;
            const int value =
                by_value ? static_cast<int>(word) : *reinterpret_cast<const int *>(word);
            char *at = writer.cursor();
            place(writer, kFieldRoom, f, {at, static_cast<std::size_t>(convia(value, at))}, ' ');
        } else if (c == '\'') {
            const char *s = reinterpret_cast<const char *>(*arg++);
            place(writer, kFieldRoom, f, {s, bounded_length(s, kFieldRoom)}, ' ');
        } else {
            const zrl_word value = *arg++;
            if (*arg == 0) {
                place(writer, kFieldRoom, f, kNil, ' ');
            } else {
                const auto function = reinterpret_cast<ZRL_FormatFn>(*arg++);
                char *at = writer.cursor();
                at[0] = '\0';
                function(value, at);
                place(writer, kFieldRoom, f, {at, bounded_length(at, kFieldRoom)}, ' ');
            }
        }
        p = f.after(p);
    }
    return static_cast<int>(writer.finish());
}

} // namespace zrl

extern "C" ZRL_API int vfmtstrmax(char *out, int max, const char *format, va_list args) {
    return zrl::format_va(out, max, format, args);
}

extern "C" ZRL_API int vfmtstr(char *out, const char *format, va_list args) {
    return zrl::format_va(out, zrl::kFormatLimit, format, args);
}

extern "C" ZRL_API int fmtstr(char *out, const char *format, ...) {
    va_list args;
    va_start(args, format);
    const int n = zrl::format_list(out, zrl::kFormatLimit, format, &args);
    va_end(args);
    return n;
}

extern "C" ZRL_API int fmtstrmax(char *out, int max, const char *format, ...) {
    va_list args;
    va_start(args, format);
    const int n = zrl::format_list(out, max, format, &args);
    va_end(args);
    return n;
}

extern "C" ZRL_API int fmt2(const zrl_word *block, char *out) {
    return zrl::format_words(block, out, false);
}

extern "C" ZRL_API int fmt2v(const zrl_word *block, char *out) {
    return zrl::format_words(block, out, true);
}
