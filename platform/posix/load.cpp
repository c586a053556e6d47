// A POSIX shared object has no per-thread load notifications to turn off, and
// the library does nothing else when it is loaded: all its state is static data
// with fixed initial values.  This file keeps the POSIX layer a real target.
#include "platform/platform.h"
