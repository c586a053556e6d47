// The boundary of the layer: no C++ exception may leave a C entry.  The only
// ones the layer can raise are allocation failures, reported as ENOMEM with
// the entry's failure result.
#pragma once

#include <cerrno>

namespace utf8fs {

template <class Result, class Body> Result guard(Result failure, Body body) {
    try {
        return body();
    } catch (...) {
        errno = ENOMEM;
        return failure;
    }
}

} // namespace utf8fs
