// Scratch files for the tests of the record I/O, checked against the bytes
// on disk and not against the library's own view of them; and small helpers
// on open FDBs.
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

using Opener = FDB *(*)(const void *, const char *, const char *, const char *);

// A scratch file with given contents, opened into an FDB of its own
// (attributes such as "SEQ" or "IMAGE" first when given); closed, released
// and removed at the end of the test.
class ScratchFile : public Tree {
  public:
    ScratchFile(const std::string &stem, const std::string &contents)
        : Tree(stem), name_(stem), path_(at(stem)) {
        file(stem, contents);
    }
    ~ScratchFile() { close(); }
    FDB *open(Opener opener, const char *attributes = "") {
        close();
        fdb_ = fdbset(nullptr, attributes);
        opener(fdb_, path_.c_str(), nullptr, nullptr);
        return fdb_;
    }
    // Closes and releases the FDB; the status of the close.
    int close() {
        const int status = fdb_ != nullptr && fdb_->handle >= 0 ? fclosx(fdb_) : 0;
        fdbfree(fdb_);
        fdb_ = nullptr;
        return status;
    }
    const std::string &path() const { return path_; }
    std::string contents() const { return content(name_); }

  private:
    std::string name_, path_;
    FDB *fdb_ = nullptr;
};

} // namespace zrl_test
