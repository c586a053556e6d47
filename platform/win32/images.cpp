// Shared images on Windows: LoadLibraryExA with LOAD_WITH_ALTERED_SEARCH_PATH
// for an image found through the search path, LoadLibraryA for the ordinary
// search, GetModuleHandleA for the program itself, GetProcAddress and
// FreeLibrary.  The error number of a failed load is GetLastError; the loader
// gives no text of its own.
#include "platform/images.h"

#include <windows.h>

namespace zrl::platform {

void *load_image(const char *file, bool own_directory_first, LoadFailure &failure) {
    HMODULE image = own_directory_first
                        ? LoadLibraryExA(file, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH)
                        : LoadLibraryA(file);
    if (image == nullptr) failure.number = static_cast<int>(GetLastError());
    return reinterpret_cast<void *>(image);
}

void *own_image() {
    return reinterpret_cast<void *>(GetModuleHandleA(nullptr));
}

void *image_symbol(void *image, const char *name) {
    return reinterpret_cast<void *>(GetProcAddress(static_cast<HMODULE>(image), name));
}

void release_image(void *image) {
    FreeLibrary(static_cast<HMODULE>(image));
}

int image_name_too_long() {
    return ERROR_FILENAME_EXCED_RANGE;
}

} // namespace zrl::platform
