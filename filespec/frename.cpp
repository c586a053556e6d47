// frename: renames the file that the old specification names (found as ffspec
// finds it) to the new name, which goes through the device translation below.
//
// The device translation makes a name whose device is a logical name into a
// name the file system knows: the device's translation is looked up once and
// its first element (the first directory of a search list) takes the
// device's place.  A new file can go to one place only, so the rest of a
// search list is not used.
//
// Names are held in texts of 4096 bytes, as fdelete holds them, so frename
// takes every name the UTF-8 layer takes; a new name that would not fit whole
// is refused with the runtime's ENAMETOOLONG rather than cut, because a cut
// name would name another file.  A device of more than 254 characters is not
// taken for a logical name: only the first 255 characters are searched for
// the device's colon.
#include <cerrno>
#include <cstring>
#include <string_view>

#include "filespec/fields.h"
#include "filespec/search.h"
#include "frame/status.h"
#include <utf8fs.h>
#include <zrlshared.h>

namespace zrl {
namespace {

// How far into a name the colon of a logical device is looked for.
constexpr std::size_t kDeviceWindow = 255;
// Every field but the DEVICE.
constexpr const char *kAllButDevice = "NODE DIRECTORY NAME TYPE VERSION";

// The length of the logical name that starts text, or 0 when it starts with
// none: the first slash, backslash or colon is a colon at the third character
// or later.  One-letter drives and names that start with a directory stand.
std::size_t logical_device(std::string_view text) {
    const std::size_t at = text.substr(0, kDeviceWindow).find_first_of("/\\:");
    return at != std::string_view::npos && at >= 2 && text[at] == ':' ? at : 0;
}

// The first element of the translation of name (a search list's first
// directory) into element, with a separator behind it unless it is empty or
// has one; an undefined name gives the empty element.  False when the
// element does not fit in kSpecMax - 1 characters.
bool first_element(const char *name, char *element) {
    const char *value = getenv_utf8(name);
    std::string_view first = value != nullptr ? value : "";
    first = first.substr(0, first.find(','));
    if (first.size() >= kSpecMax - 1) return false;
    std::memcpy(element, first.data(), first.size());
    std::size_t n = first.size();
    if (n > 0 && !is_native_separator(element[n - 1])) element[n++] = kNativeSeparator;
    element[n] = '\0';
    return true;
}

// The device translation of spec completed from def with the field list, into
// out (kSpecMax + 1 bytes).  The translation supplies the device and, when the
// rest of the name has no directory of its own, the directory; a directory in
// the name replaces the translation's instead of being added to it.  A device
// without a translation is dropped.  Returns the length, or -1 (ENAMETOOLONG)
// when the name cannot be held whole.
int translate_device(char *out, const char *spec, const char *def, const char *fields) {
    std::size_t length = parse_spec(out, spec, def, fields);
    // Checked before the translation, which may shorten a cut name into one
    // that fits.
    if (length > kNameMax) return -1;
    const std::size_t device = logical_device({out, length});
    if (device != 0) {
        char name[kDeviceWindow + 1];
        std::memcpy(name, out, device);
        name[device] = '\0';
        char element[kSpecMax + 1];
        if (!first_element(name, element)) return -1;
        char rest[kSpecMax + 1];
        parse_spec(rest, out, nullptr, kAllButDevice);
        length = parse_spec(out, rest, element, fields);
    }
    return length <= kNameMax ? static_cast<int>(length) : -1;
}

} // namespace

int rename_file(const char *old_spec, const char *new_spec) {
    set_status(kSuccess);
    char from[kSpecMax + 1];
    int refusal = kSuccess;
    if (find_first(from, old_spec, nullptr, refusal) == 0)
        return set_status(refusal != kSuccess ? refusal : kInvalid);
    char to[kSpecMax + 1];
    const int length = translate_device(to, new_spec, nullptr, nullptr);
    if (length < 0) return set_status(ENAMETOOLONG);
    // An empty new name (no name given, or only a device without translation)
    // names nothing to rename to: that is refused, not reported as done.
    if (length == 0) return set_status(kInvalid);
    errno = 0;
    if (rename_utf8(from, to) != 0) return set_status(status_from_errno(errno));
    return kSuccess;
}

} // namespace zrl

extern "C" ZRL_API int frename(const char *old_spec, const char *new_spec) {
    return zrl::rename_file(old_spec, new_spec);
}
