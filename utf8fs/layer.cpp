// The UTF-8 file-system layer.  Its calls arrive with the file-specification
// work; until then the library is built and loaded but exports nothing.
#include <utf8fs.h>

namespace utf8fs {
[[maybe_unused]] static constexpr int kInterfaceVersion = 1;
}
