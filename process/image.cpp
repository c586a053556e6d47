// find_image_symbol and set_image_search_path: the names are resolved here
// (logical name, search path, the ".dll" default type); loading and lookup
// are the platform's (platform/images.h).
#include <cstdio>
#include <cstring>
#include <string_view>

#include "filespec/fields.h"
#include "platform/images.h"
#include "platform/path_rules.h"
#include <utf8fs.h>
#include <zrlshared.h>

namespace zrl {
namespace {

// The search path leaves room for the separator and ".dll" in a default
// specification of at most 511 characters.
constexpr std::size_t kSearchPathMax = 506;
// The translated name and the resolved file name may be as long as any name
// the UTF-8 layer takes (4095 characters), so that a directory of the whole
// length of the search path can still hold images.
constexpr std::size_t kImageTextMax = kNameMax;
constexpr std::string_view kDefaultType = ".dll";

// The image search path: on while a path is set, always ending in a
// directory separator.
int search_path_on = 0;
char search_path[512];

// The length of text, but at most limit + 1: enough to tell a text over the
// limit without reading all of it.
std::size_t length_upto(const char *text, std::size_t limit) {
    std::size_t n = 0;
    while (n <= limit && text[n] != '\0')
        ++n;
    return n;
}

// One level of logical-name translation; the name itself when it has none
// (or an empty one).
const char *translated(const char *name) {
    const char *value = getenv_utf8(name);
    return value != nullptr && value[0] != '\0' ? value : name;
}

// The name merged with the default specification `directory` + ".dll" into
// out; false when the result would pass kImageTextMax.
bool resolve(char (&out)[kSpecMax + 1], std::string_view name, std::string_view directory) {
    char defaults[kSearchPathMax + 1 + kDefaultType.size() + 1];
    std::memcpy(defaults, directory.data(), directory.size());
    std::memcpy(defaults + directory.size(), kDefaultType.data(), kDefaultType.size());
    const std::string_view def(defaults, directory.size() + kDefaultType.size());
    return merge_fields(out, kSpecMax, name, def, kAllFields, kNativeSyntax) <= kImageTextMax;
}

void report_failure(int number, const char *file, const char *loader_text) {
    std::fprintf(stderr, "LoadLibrary did not succeed : %d\n", number);
    std::fprintf(stderr, "Could not load shared object %s\n", file);
    if (loader_text != nullptr) std::fprintf(stderr, "%s\n", loader_text);
}

// The named image, or null after the messages.  Names too long for the
// lookup's texts are not cut (a cut name is another file): they fail as an
// image that cannot be loaded, with the platform's "name too long" number.
void *load_named(const char *image) {
    const char *name = translated(image);
    const std::size_t name_length = length_upto(name, kImageTextMax);
    if (name_length > kImageTextMax) {
        report_failure(platform::image_name_too_long(), name, nullptr);
        return nullptr;
    }
    const std::string_view name_text(name, name_length);
    char file[kSpecMax + 1];
    platform::LoadFailure failure;
    if (search_path_on != 0 && resolve(file, name_text, search_path)) {
        if (void *loaded = platform::load_image(file, true, failure)) return loaded;
    }
    if (!resolve(file, name_text, "")) {
        report_failure(platform::image_name_too_long(), file, nullptr);
        return nullptr;
    }
    failure = {};
    void *loaded = platform::load_image(file, false, failure);
    if (loaded == nullptr) report_failure(failure.number, file, failure.text);
    return loaded;
}

void *find_symbol(const char *image, const char *symbol) {
    void *module = image != nullptr ? load_named(image) : platform::own_image();
    if (module == nullptr) return nullptr;
    void *address = symbol != nullptr ? platform::image_symbol(module, symbol) : nullptr;
    if (address == nullptr && image != nullptr) platform::release_image(module);
    return address;
}

// A path too long for the default specification turns the search path off:
// the caller asked for another directory than the one set before, so images
// must not keep coming from there.
void set_search_path(const char *path) {
    search_path_on = 0;
    if (path == nullptr) return;
    const std::size_t n = length_upto(path, kSearchPathMax);
    if (n > kSearchPathMax) return;
    std::memcpy(search_path, path, n);
    std::size_t end = n;
    if (n == 0 || !paths::ends_directory(path[n - 1])) search_path[end++] = '\\';
    search_path[end] = '\0';
    search_path_on = 1;
}

} // namespace
} // namespace zrl

extern "C" {

ZRL_API void *find_image_symbol(const char *image, const char *symbol) {
    return zrl::find_symbol(image, symbol);
}

ZRL_API void set_image_search_path(const char *path) {
    zrl::set_search_path(path);
}

} // extern "C"
