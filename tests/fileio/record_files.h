// Scratch files for the tests of the record I/O, checked against the bytes
// on disk and not against the library's own view of them; and small helpers:
// an FDB's marker byte and results joined into one text.
#pragma once

#include <gtest/gtest.h>
#include <zrlshared.h>

#include <sstream>
#include <string>

#include "support/console.h"
#include "support/tree.h"

namespace zrl_test {

// The first byte of an FDB, the marker while it is not open.
inline unsigned first_byte(const FDB *fdb) {
    return *reinterpret_cast<const unsigned char *>(fdb);
}

// Values joined into one text, each followed by a space, to compare a whole
// result at once.  The operands of << are evaluated left to right, which the
// arguments of a function (or a tuple) are not.
struct Joined {
    std::ostringstream text;
    template <class T> Joined &operator<<(const T &value) {
        text << value << ' ';
        return *this;
    }
    std::string str() const { return text.str(); }
};
using J = Joined;

using Opener = FDB *(*)(const void *, const char *, const char *, const char *);

// A scratch file with given contents in a tree of its own.
class ScratchFile : public Tree {
  public:
    ScratchFile(const std::string &name, const std::string &contents) : Tree(name), path(at(name)) {
        file(name, contents);
    }
    std::string contents() const { return file_content(path); }

    const std::string path;
};

} // namespace zrl_test
