// The keyboard input state of the process.
#include "terminal/key_decoder.h"

namespace zrl {

KeyInput &key_input() {
    static KeyInput input;
    return input;
}

} // namespace zrl
