// Shared images: load one by file name, take the running program itself,
// find a symbol, release an image.  The portable side (process/image.cpp)
// resolves the names and writes the messages.
#pragma once

namespace zrl::platform {

// Why a load failed: the system's error number and, where the loader
// explains itself, its own text (null otherwise; valid until the next load).
struct LoadFailure {
    int number = 0;
    const char *text = nullptr;
};

// The image in `file`; null, with failure filled, when it cannot be loaded.
// own_directory_first: the image's own directory is searched first for the
// images it needs itself (Windows: LOAD_WITH_ALTERED_SEARCH_PATH); otherwise
// the system's ordinary search applies to a name without a directory.
void *load_image(const char *file, bool own_directory_first, LoadFailure &failure);

// The running program's own image; never released.
void *own_image();

// The address of the exported symbol, or null.
void *image_symbol(void *image, const char *name);

void release_image(void *image);

// The error number for a name too long for the image lookup's texts.
int image_name_too_long();

} // namespace zrl::platform
