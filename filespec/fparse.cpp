// The field merge, the canonical form, and fparse, fparsemax and fparseio.
// Nothing here allocates: every text is built by a writer that knows its room,
// in the caller's buffer or in a fixed work buffer on the stack.
#include "filespec/fields.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>

#include "frame/status.h"
#include "text/bounded_text.h"
#include <zrlshared.h>

namespace zrl {
namespace {

using SpecOut = BoundedText;

std::string_view text_of(const char *text) {
    return text != nullptr ? text : "";
}

bool overlaps(const char *out, std::size_t bytes, std::string_view text) {
    const auto o = reinterpret_cast<std::uintptr_t>(out);
    const auto t = reinterpret_cast<std::uintptr_t>(text.data());
    const std::uintptr_t end = bytes > UINTPTR_MAX - o ? UINTPTR_MAX : o + bytes;
    return o < t + text.size() && t < end;
}

std::size_t merge_into(char *out, std::size_t max, std::string_view spec, std::string_view def,
                       unsigned mask, Syntax syntax) {
    SpecOut result(out, max);
    for (int f = 0; f < kFieldCount; ++f) {
        const std::size_t s = field_extent(spec, f, syntax);
        const std::size_t d = field_extent(def, f, syntax);
        if ((mask & field_bit(f)) != 0) {
            if (s != 0)
                result.append(spec.substr(0, s));
            else if (d != 0)
                result.append(def.substr(0, d));
        }
        spec.remove_prefix(s);
        def.remove_prefix(d);
    }
    return result.finish();
}

// The fields that are present in text under syntax, as a mask.
unsigned present_fields(std::string_view text, Syntax syntax) {
    unsigned mask = 0;
    const Fields fields = split_fields(text, syntax);
    for (int f = 0; f < kFieldCount; ++f)
        if (!fields[static_cast<std::size_t>(f)].empty()) mask |= field_bit(f);
    return mask;
}

char upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}
char lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

} // namespace

std::size_t merge_fields(char *out, std::size_t max, std::string_view spec, std::string_view def,
                         unsigned mask, Syntax syntax) {
    if (!overlaps(out, max + 1, spec) && !overlaps(out, max + 1, def))
        return merge_into(out, max, spec, def, mask, syntax);
    char work[kSpecMax + 1];
    const std::size_t n = merge_into(work, std::min(max, kSpecMax), spec, def, mask, syntax);
    std::memcpy(out, work, n + 1);
    return n;
}

std::size_t canonical_form(char *out, std::string_view spec, std::string_view def) {
    char work[kSpecMax + 1];
    const std::string_view text(
        work, merge_into(work, kSpecMax, spec, def, kAllFields, Syntax::kGeneric));

    // Only a text that every syntax splits alike, into nothing but a device,
    // a name and a type, has a canonical form.
    constexpr unsigned kAllowed = field_bit(kDevice) | field_bit(kName) | field_bit(kType);
    const unsigned bracket = present_fields(text, Syntax::kBracket);
    if ((bracket & ~kAllowed) != 0 || present_fields(text, Syntax::kSlash) != bracket ||
        present_fields(text, Syntax::kBackslash) != bracket ||
        present_fields(text, Syntax::kColon) != bracket) {
        set_status(kInvalid);
        out[0] = '\0';
        return 0;
    }
    set_status(kSuccess);
    const std::size_t device = field_extent(text, kDevice, Syntax::kBracket);
    for (std::size_t i = 0; i < text.size(); ++i)
        out[i] = i < device ? upper(text[i]) : lower(text[i]);
    out[text.size()] = '\0';
    return text.size();
}

std::size_t parse_spec(char *out, const char *spec, const char *def, const char *fields) {
    if (is_canonical_mode(fields)) return canonical_form(out, text_of(spec), text_of(def));
    return merge_fields(out, kSpecMax, text_of(spec), text_of(def), field_mask(fields),
                        kNativeSyntax);
}

int merge_name(char *out, const char *spec, const char *def, std::size_t &length) {
    length = merge_fields(out, kSpecMax, text_of(spec), text_of(def), kAllFields, kNativeSyntax);
    if (length <= kNameMax) return kSuccess;
    out[0] = '\0';
    length = 0;
    return ENAMETOOLONG;
}

} // namespace zrl

// A null out receives nothing and gives 0.  A negative max of fparsemax
// leaves no byte for the NUL, so it too writes nothing and gives 0.
extern "C" {

ZRL_API int fparse(char *out, const char *spec, const char *defspec, const char *fields) {
    if (out == nullptr) return 0;
    return static_cast<int>(zrl::parse_spec(out, spec, defspec, fields));
}

ZRL_API int fparsemax(char *out, int max, const char *spec, const char *defspec,
                      const char *fields) {
    if (out == nullptr || max < 0) return 0;
    return static_cast<int>(zrl::merge_fields(out, static_cast<std::size_t>(max),
                                              zrl::text_of(spec), zrl::text_of(defspec),
                                              zrl::field_mask(fields), zrl::kNativeSyntax));
}

// The related specification lends its name and type only: they are merged
// first, cut at 132 characters, and become the default of spec.
ZRL_API int fparseio(char *out, const char *spec, const char *related_default,
                     const char *related_spec, const char *fields) {
    if (out == nullptr) return 0;
    char related[zrl::kRelatedMax + 1];
    zrl::merge_fields(related, zrl::kRelatedMax, zrl::text_of(related_spec),
                      zrl::text_of(related_default),
                      zrl::field_bit(zrl::kName) | zrl::field_bit(zrl::kType), zrl::kNativeSyntax);
    return static_cast<int>(zrl::parse_spec(out, spec, related, fields));
}

} // extern "C"
