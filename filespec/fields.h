// File specifications as text: the field scanner, field lists and the field
// merge that fparse, the wildcard search and the file operations share.
//
// A specification is up to six consecutive fields, NODE, DEVICE, DIRECTORY,
// NAME, TYPE and VERSION, each keeping its own delimiters (the device its
// colon, the directory its closing separator, the type its dot, the version
// its semicolon), so that the fields joined in order give back the text.  The
// extent of each field is found from the end of the previous one by the rules
// of a syntax.
//
// Native paths.  The exported operations read specifications in the native
// syntax, which follows the path rules of platform/path_rules.h.  On Windows
// that is the backslash syntax.  A POSIX build reads a name as the UTF-8 layer
// reads it, so that a text written the Windows way and its '/' twin name the
// same file and split alike:
//   - a slash or a backslash ends a directory;
//   - a leading separator (or two) starts the root directory, not a device,
//     so '/usr/lib/x.so' and '\usr\lib\x.so' have no DEVICE and the DIRECTORY
//     '/usr/lib/' or '\usr\lib\';
//   - a DEVICE is a logical name: two or more characters through the first
//     colon, with no separator before it ('DATA:x.lis', search lists
//     included, work as on Windows);
//   - there are no drives: 'C:x.txt' is the name 'C:x' of the type '.txt',
//     and 'C:\DATA\X.TXT' the directory 'C:\DATA\' below the current one,
//     which is where the layer finds them.
// The canonical form is the same on every platform: it checks its text under
// the four documented syntaxes, never under the native one.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

#include "platform/path_rules.h"

namespace zrl {

// The fields in their fixed order; a field's bit in a mask is 1 << field.
enum Field : int { kNode, kDevice, kDirectory, kName, kType, kVersion, kFieldCount };

inline constexpr unsigned field_bit(int field) {
    return 1u << field;
}
inline constexpr unsigned kAllFields = 63;

enum class Syntax : int {
    kBackslash, // the Windows form: devices, '\' directories, name and type
    kGeneric,   // device through the first colon, then name and type only
    kBracket,   // node '::', device ':', '[dir]' or '<dir>', name, type, ';version'
    kSlash,     // as backslash, with '/' alone as the separator
    kColon,     // device and directory both end at colons
    kPosix,     // '/' and '\' paths, logical devices only (see above)
};

inline constexpr Syntax kNativeSyntax =
    paths::kDrivesAndShares ? Syntax::kBackslash : Syntax::kPosix;
inline constexpr char kNativeSeparator = paths::kSeparator;

// Whether c ends a directory in the native syntax.
inline constexpr bool is_native_separator(char c) {
    return paths::ends_directory(c);
}

// The most characters fparse, fparseio and the canonical form write.
inline constexpr std::size_t kSpecMax = 4096;
// The longest name the UTF-8 layer takes; a name that would be longer is
// refused with the runtime's ENAMETOOLONG, never cut, because a cut name
// names another file.
inline constexpr std::size_t kNameMax = kSpecMax - 1;
// The most characters of the related name and type that fparseio keeps.
inline constexpr std::size_t kRelatedMax = 132;

// The extent of `field` at the start of `rest` (the text behind the previous
// field, up to the NUL) under `syntax`; 0 when the field is absent there and
// for a field or syntax outside the enumerations.
std::size_t field_extent(std::string_view rest, int field, Syntax syntax);

// The text split into its six fields, each a view into it.  Together they
// cover the whole text.
using Fields = std::array<std::string_view, kFieldCount>;
Fields split_fields(std::string_view text, Syntax syntax);

// The mask of a field list such as "nam,typ" or "NODE DIRECTORY": each word is
// matched against "NOD*E", "DEV*ICE", "DIR*ECTORY", "NAM*E", "TYP*E",
// "VER*SION"; words the table does not hold are passed over.  A null or empty
// list gives all fields.
unsigned field_mask(const char *list);

// Whether the field list starts with the mode keyword "CAN*ONICAL".
bool is_canonical_mode(const char *list);

// The field merge: every field of the mask from spec when spec has it, else
// from def, cut to `max` characters, into out, which holds max + 1 bytes.
// Returns the number of characters before the NUL.  out may overlap spec or
// def (fparse(buf, buf, ...)); the merge then goes through a work text of
// kSpecMax characters, which also bounds its result.
std::size_t merge_fields(char *out, std::size_t max, std::string_view spec, std::string_view def,
                         unsigned mask, Syntax syntax);

// The canonical form of spec completed from def: 'DEVICE:name.type', device
// upper case, the rest lower case, into out (kSpecMax + 1 bytes).  Sets
// zrl_error to 0, or to 22 with an empty out for a text that any of the
// bracket, slash, backslash and colon syntaxes splits differently or that has
// a node, directory or version.
std::size_t canonical_form(char *out, std::string_view spec, std::string_view def);

// fparse: the canonical form when the field list starts with CANONICAL, else
// the native merge with max kSpecMax.  Null texts count as empty.
std::size_t parse_spec(char *out, const char *spec, const char *def, const char *fields);

// The merge of spec with def over all fields in the native syntax, as the
// search, the lookup and the file operations take a name: into out
// (kSpecMax + 1 bytes), with its length in `length`.  The status is 0, or
// ENAMETOOLONG with an empty out when the name has more than kNameMax
// characters.  This is the one place where the length of a caller's name is
// checked.
int merge_name(char *out, const char *spec, const char *def, std::size_t &length);

} // namespace zrl
