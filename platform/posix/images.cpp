// Shared images on POSIX, through the dynamic loader.
//
// A name is read as the UTF-8 layer reads it: a backslash separates
// directories as a slash does.  A name without a directory is looked for by
// the loader's ordinary search (LD_LIBRARY_PATH, the run path of the library,
// the system's directories), a name with one is taken as it stands.  There is
// no way to make the loader search an image's own directory for the images
// it needs: an ELF image names that place itself, in its run path ($ORIGIN),
// so the request for that search asks nothing more of dlopen.
//
// Images are loaded with all their references bound at once (as Windows
// binds imports at the load) and their symbols kept to themselves
// (RTLD_LOCAL), as a Windows DLL's exports are.  The error number of a failed
// load is errno as the loader leaves it; the loader does not promise one (a
// missing file may leave ENOENT or nothing, an image it cannot use leaves
// nothing), so it is 0 when there is none, and the loader's own text, which
// always says why, comes with it.
#include "platform/images.h"

#include <cerrno>
#include <dlfcn.h>
#include <string>

namespace zrl::platform {

void *load_image(const char *file, bool, LoadFailure &failure) {
    std::string native(file);
    for (char &c : native)
        if (c == '\\') c = '/';
    dlerror();
    errno = 0;
    void *image = dlopen(native.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (image == nullptr) {
        failure.number = errno;
        failure.text = dlerror();
    }
    return image;
}

void *own_image() {
    return dlopen(nullptr, RTLD_NOW);
}

void *image_symbol(void *image, const char *name) {
    return dlsym(image, name);
}

void release_image(void *image) {
    dlclose(image);
}

int image_name_too_long() {
    return ENAMETOOLONG;
}

} // namespace zrl::platform
