// Fuzzes the specification parser: the field scanner under every syntax, field
// lists, fparse, fparsemax, fparseio and the canonical form, each against a
// plain std::string model of the same rules.  The input is one byte of
// options, two bytes of max, then spec, default and field list separated by
// NULs (the related specification of fparseio is the default's partner: the
// spec and the default swap roles).  Every output sits in a heap block of
// exactly max + 1 or 4097 bytes, so that a write past the NUL is caught.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "filespec/fields.h"
#include <zrlshared.h>

namespace {

using std::string;
constexpr std::size_t npos = string::npos;

void check(bool ok) {
    if (!ok) std::abort();
}

// ---- The model: the rules written out plainly ----

bool sep(char c, int syntax) {
    switch (syntax) {
    case 0:
        return c == '\\' || c == '/';
    case 3:
        return c == '/';
    case 5:
        return c == '\\' || c == '/';
    default:
        return false;
    }
}

std::size_t model_device(const string &t, int syntax) {
    if (t.empty()) return 0;
    const std::size_t colon = t.find(':');
    switch (syntax) {
    case 1:
    case 2:
        return colon == npos ? 0 : colon + 1;
    case 4:
        return t[0] == ':' || colon == npos ? 0 : colon + 1;
    case 5: // a logical name only: two or more characters, no separator before the colon
        if (colon == npos || colon < 2) return 0;
        for (std::size_t i = 0; i < colon; ++i)
            if (sep(t[i], syntax)) return 0;
        return colon + 1;
    default:
        break;
    }
    if (sep(t[0], syntax)) {
        for (std::size_t i = 1; i < t.size(); ++i)
            if (sep(t[i], syntax)) return i + 1;
        return t.size();
    }
    if (colon == npos) return 0;
    for (std::size_t i = 0; i < colon; ++i)
        if (sep(t[i], syntax)) return 0;
    return colon + 1;
}

std::size_t model_directory(const string &t, int syntax) {
    std::size_t last = npos;
    switch (syntax) {
    case 0:
        last = t.rfind('\\');
        break;
    case 3:
        last = t.rfind('/');
        break;
    case 4:
        last = t.rfind(':');
        break;
    case 5:
        last = t.find_last_of("\\/");
        break;
    case 2: {
        if (t.empty() || (t[0] != '[' && t[0] != '<')) return 0;
        std::size_t done = 0;
        for (std::size_t i = 1; i < t.size(); ++i) {
            if (t[i] != ']' && t[i] != '>') continue;
            done = i + 1;
            if (t[i - 1] != '.') break;
        }
        return done;
    }
    default:
        return 0;
    }
    return last == npos ? 0 : last + 1;
}

std::size_t model_extent(const string &t, int field, int syntax) {
    if (syntax < 0 || syntax > 5) return 0;
    const bool bracket = syntax == 2;
    switch (field) {
    case 0: {
        const std::size_t colon = t.find(':');
        return bracket && colon != npos && colon + 1 < t.size() && t[colon + 1] == ':' ? colon + 2
                                                                                       : 0;
    }
    case 1:
        return model_device(t, syntax);
    case 2:
        return model_directory(t, syntax);
    case 3: {
        const std::size_t end = bracket ? t.find_first_of(";.") : t.rfind('.');
        return end == npos ? t.size() : end;
    }
    case 4:
        if (t.empty() || t[0] != '.') return 0;
        return bracket && t.find(';') != npos ? t.find(';') : t.size();
    case 5:
        return bracket && !t.empty() && t[0] == ';' ? t.size() : 0;
    default:
        return 0;
    }
}

bool keyword_char(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '$';
}

string upper_word(const string &w) {
    string u = w;
    for (char &c : u)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    return u;
}

bool abbreviates(const string &word, const char *full, std::size_t minimum) {
    const string u = upper_word(word);
    return u.size() >= minimum && u.size() <= std::strlen(full) && string(full).rfind(u, 0) == 0;
}

// Every run of keyword characters in the list is a word.
unsigned model_mask(const string &list, bool null_list) {
    if (null_list || list.empty()) return 63;
    static const char *const kFull[] = {"NODE", "DEVICE", "DIRECTORY", "NAME", "TYPE", "VERSION"};
    unsigned mask = 0;
    for (std::size_t i = 0; i < list.size();) {
        if (!keyword_char(list[i])) {
            ++i;
            continue;
        }
        std::size_t j = i;
        while (j < list.size() && keyword_char(list[j]))
            ++j;
        for (int f = 0; f < 6; ++f)
            if (abbreviates(list.substr(i, j - i), kFull[f], 3)) {
                mask |= 1u << f;
                break;
            }
        i = j;
    }
    return mask;
}

bool model_canonical_mode(const string &list, bool null_list) {
    if (null_list || list.empty()) return false;
    std::size_t i = keyword_char(list[0]) ? 0 : 1;
    std::size_t j = i;
    while (j < list.size() && keyword_char(list[j]))
        ++j;
    return j > i && abbreviates(list.substr(i, j - i), "CANONICAL", 3);
}

string model_merge(string spec, string def, unsigned mask, int syntax, std::size_t max) {
    string out;
    for (int f = 0; f < 6; ++f) {
        const std::size_t s = model_extent(spec, f, syntax);
        const std::size_t d = model_extent(def, f, syntax);
        if (mask & (1u << f)) out += s != 0 ? spec.substr(0, s) : def.substr(0, d);
        spec.erase(0, s);
        def.erase(0, d);
    }
    return out.substr(0, max);
}

unsigned model_present(string t, int syntax) {
    unsigned mask = 0;
    for (int f = 0; f < 6; ++f) {
        const std::size_t n = model_extent(t, f, syntax);
        if (n != 0) mask |= 1u << f;
        t.erase(0, n);
    }
    return mask;
}

// The canonical text, or npos-marked failure through `ok`.
string model_canonical(const string &spec, const string &def, bool &ok) {
    const string work = model_merge(spec, def, 63, 1, 4096);
    const unsigned b = model_present(work, 2);
    ok = (b & ~26u) == 0 && model_present(work, 3) == b && model_present(work, 0) == b &&
         model_present(work, 4) == b;
    if (!ok) return "";
    string out = work;
    const std::size_t device = model_extent(work, 1, 2);
    for (std::size_t i = 0; i < out.size(); ++i) {
        char &c = out[i];
        if (i < device && c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 32);
        else if (i >= device && c >= 'A' && c <= 'Z')
            c = static_cast<char>(c + 32);
    }
    return out;
}

constexpr int kNative = zrl::kNativeSyntax == zrl::Syntax::kPosix ? 5 : 0;

string model_fparse(const string &spec, const string &def, const string &fields, bool null_fields,
                    int &status) {
    if (model_canonical_mode(fields, null_fields)) {
        bool ok = false;
        const string out = model_canonical(spec, def, ok);
        status = ok ? 0 : 22;
        return out;
    }
    return model_merge(spec, def, model_mask(fields, null_fields), kNative, 4096);
}

// ---- Running the library ----

struct Heap {
    explicit Heap(std::size_t n) : bytes(new char[n]), size(n) {
        std::memset(bytes.get(), 0x5A, n);
    }
    std::unique_ptr<char[]> bytes;
    std::size_t size;
    char *data() { return bytes.get(); }
};

// The 4097-byte output of fparse and fparseio, one block kept for all runs
// (a fresh block each time costs more than the parsing).
Heap &spec_out() {
    static Heap out(4097);
    return out;
}

void check_text(Heap &out, int n, const string &want) {
    check(n >= 0 && static_cast<std::size_t>(n) < out.size);
    check(static_cast<std::size_t>(n) == want.size());
    check(std::memcmp(out.data(), want.data(), want.size()) == 0 && out.data()[n] == '\0');
}

void check_scanner(const string &text) {
    for (int syntax = 0; syntax < 6; ++syntax) {
        const auto s = static_cast<zrl::Syntax>(syntax);
        const zrl::Fields fields = zrl::split_fields(text, s);
        string joined;
        string rest = text;
        for (int f = 0; f < 6; ++f) {
            const std::size_t want = model_extent(rest, f, syntax);
            check(zrl::field_extent(rest, f, s) == want);
            check(fields[static_cast<std::size_t>(f)].size() == want);
            joined += fields[static_cast<std::size_t>(f)];
            rest.erase(0, want);
        }
        check(joined == text);
        check(zrl::field_extent(text, -1, s) == 0 && zrl::field_extent(text, 6, s) == 0);
    }
    check(zrl::field_extent(text, 1, static_cast<zrl::Syntax>(6)) == 0);
    check(zrl::field_extent(text, 3, static_cast<zrl::Syntax>(-1)) == 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    if (size < 3) return 0;
    const unsigned options = data[0];
    int max = (data[1] | (data[2] << 8)) % 4400;
    if (options & 1) max = -1 - (max % 3);
    const string rest(reinterpret_cast<const char *>(data + 3), size - 3);
    std::size_t a = rest.find('\0');
    const string spec = rest.substr(0, a);
    string def, fields;
    if (a != npos) {
        const std::size_t b = rest.find('\0', a + 1);
        def = rest.substr(a + 1, b == npos ? npos : b - a - 1);
        if (b != npos) fields = rest.substr(b + 1);
    }
    fields.resize(std::strlen(fields.c_str()));
    const bool null_spec = (options & 2) && spec.empty();
    const bool null_def = (options & 4) && def.empty();
    const bool null_fields = (options & 8) && fields.empty();
    const char *spec_p = null_spec ? nullptr : spec.c_str();
    const char *def_p = null_def ? nullptr : def.c_str();
    const char *fields_p = null_fields ? nullptr : fields.c_str();

    check_scanner(spec);
    check(zrl::field_mask(fields_p) == model_mask(fields, null_fields));
    check(zrl::is_canonical_mode(fields_p) == model_canonical_mode(fields, null_fields));

    // fparsemax: any max, the field merge only, status untouched.
    zrl_error = 1234;
    {
        Heap out(max < 0 ? 1 : static_cast<std::size_t>(max) + 1);
        char *at = max < 0 ? out.data() + 1 : out.data(); // a negative max: no room at all
        const int n = fparsemax(at, max, spec_p, def_p, fields_p);
        if (max < 0) {
            check(n == 0 && out.data()[0] == 0x5A);
        } else {
            const string want = model_merge(spec, def, model_mask(fields, null_fields), kNative,
                                            static_cast<std::size_t>(max));
            check_text(out, n, want);
        }
    }
    check(zrl_error == 1234);

    // fparse, then the same with out as the spec's own buffer.
    int status = 1234;
    const string want = model_fparse(spec, def, fields, null_fields, status);
    {
        Heap &out = spec_out();
        const int n = fparse(out.data(), spec_p, def_p, fields_p);
        check_text(out, n, want);
        check(zrl_error == status);
    }
    if (spec.size() <= 4096 && !null_spec) {
        Heap &out = spec_out();
        std::memcpy(out.data(), spec.c_str(), spec.size() + 1);
        zrl_error = 1234;
        const int n = fparse(out.data(), out.data(), def_p, fields_p);
        check_text(out, n, want);
        check(zrl_error == status);
    }

    // fparseio with the default as the related specification and the spec as
    // its related default.
    {
        const string related = model_merge(def, spec, 24, kNative, 132);
        zrl_error = 1234;
        int io_status = 1234;
        const string io_want = model_fparse(spec, related, fields, null_fields, io_status);
        Heap &out = spec_out();
        const int n = fparseio(out.data(), spec_p, spec_p, def_p, fields_p);
        check_text(out, n, io_want);
        check(zrl_error == io_status);
    }

    // The canonical form whatever the field list says.
    {
        bool ok = false;
        const string canonical = model_canonical(spec, def, ok);
        Heap &out = spec_out();
        const int n = fparse(out.data(), spec_p, def_p, "can");
        check_text(out, n, canonical);
        check(zrl_error == (ok ? 0 : 22));
    }
    return 0;
}
