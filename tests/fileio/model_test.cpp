// The record I/O against a model of its documented behaviour: a file is a
// string of bytes and a position; reads take bytes from the position on and
// report the end of the file when none are left; writes overwrite or extend
// (a write past the end fills the gap with zeros); positioning sets the
// position.  Random sequences of every kind of read (bytes, integers of 2, 4
// and 8 bytes, blocks, both line readers, compact integers), of write,
// positioning (absolute, skips, saved contexts), flushes, queries,
// close/reopen cycles and growth of the file by another writer run on one FDB
// opened by each open, with the default and the sequential buffer, over files
// of several buffers; results, status and position are compared after every
// step and the file's bytes at every close and at the end.
#include <zrlshared.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <deque>
#include <fstream>
#include <random>
#include <string>

#include "fileio/record_files.h"
#include "support/tree.h"

namespace {

struct Outcome {
    std::int64_t result = 0;
    int status = 0;
    std::string data; // what a block or line read delivered
    bool operator==(const Outcome &) const = default;
};

std::string describe(const Outcome &o) {
    return "result " + std::to_string(o.result) + " status " + std::to_string(o.status) + " data " +
           testing::PrintToString(o.data.substr(0, 40)) + (o.data.size() > 40 ? "..." : "");
}

// The documented behaviour, with nothing of buffers in it.
class Model {
  public:
    explicit Model(std::string file) : file_(std::move(file)) {}

    const std::string &file() const { return file_; }
    std::int64_t position() const { return pos_; }
    std::int64_t size() const { return static_cast<std::int64_t>(file_.size()); }

    Outcome get_integer(int width) {
        std::uint64_t value = 0;
        for (int i = 0; i < width; ++i) {
            if (pos_ >= size()) return {0, -1, {}};
            value |= std::uint64_t{static_cast<unsigned char>(file_[pos_++])} << (8 * i);
        }
        if (width == 4) return {static_cast<std::int32_t>(value), 0, {}};
        return {static_cast<std::int64_t>(value), 0, {}};
    }
    Outcome get_block(int count) {
        if (count <= 0) return {0, 0, {}};
        const std::int64_t got = std::max<std::int64_t>(0, std::min<std::int64_t>(count, size() - pos_));
        Outcome o{got, got > 0 ? 0 : -1, file_.substr(static_cast<std::size_t>(std::min(pos_, size())),
                                                       static_cast<std::size_t>(got))};
        pos_ += got;
        return o;
    }
    // A line ends at LF, CR or CR LF; at most `max` characters are stored,
    // fgetstr's (text) up to a NUL byte.  fgetnstr's data ends with the byte
    // after the stored ones: its NUL, or the untouched '#' when it stored max.
    Outcome get_line(std::size_t max, bool text) {
        if (pos_ >= size()) return {0, -1, text ? "" : std::string(1, '\0')};
        std::size_t i = static_cast<std::size_t>(pos_);
        std::string stored;
        bool nul = false;
        while (i < file_.size() && file_[i] != '\n' && file_[i] != '\r') {
            nul = nul || (text && file_[i] == '\0');
            if (!nul && stored.size() < max) stored.push_back(file_[i]);
            ++i;
        }
        const bool line_end = i < file_.size();
        if (line_end) i += (file_[i] == '\r' && i + 1 < file_.size() && file_[i + 1] == '\n') ? 2 : 1;
        pos_ = static_cast<std::int64_t>(i);
        Outcome o{static_cast<std::int64_t>(stored.size()), (!stored.empty() || line_end) ? 0 : -1, stored};
        if (!text) o.data.push_back(stored.size() < max || max == 0 ? '\0' : '#');
        return o;
    }
    // 7-bit groups, the first signed, bit 7 set on all but the last; at most
    // five bytes, the low 32 bits kept; 0 when a byte is missing.
    Outcome get_compact() {
        std::uint32_t value = 0;
        for (int n = 0; n < 5; ++n) {
            const Outcome b = get_integer(1);
            if (b.status != 0) return b;
            const auto byte = static_cast<std::uint32_t>(b.result);
            value = n == 0 ? (byte & 0x7F) - ((byte & 0x40) != 0 ? 0x80 : 0) : (value << 7) + (byte & 0x7F);
            if ((byte & 0x80) == 0) break;
        }
        return {static_cast<std::int32_t>(value), 0, {}};
    }
    // A write of nothing leaves a position past the end as a gap to come.
    void put(const std::string &bytes) {
        if (bytes.empty()) return;
        if (pos_ > size()) file_.resize(static_cast<std::size_t>(pos_), '\0');
        const auto at = static_cast<std::size_t>(pos_);
        file_.replace(at, std::min(bytes.size(), file_.size() - at), bytes);
        pos_ += static_cast<std::int64_t>(bytes.size());
    }
    void move_to(std::int32_t p) { pos_ = p == -1 ? size() : p; }
    void reopen(zrl_test::Opener opener) {
        if (opener == fopenw) file_.clear();
        pos_ = opener == fopena ? size() : 0;
    }
    // Another writer appends; the FDB's position stays.
    void grow(const std::string &bytes) { file_ += bytes; }

  private:
    std::string file_;
    std::int64_t pos_ = 0;
};

class ModelRun {
  public:
    ModelRun(std::uint32_t seed, zrl_test::Opener opener, const char *attributes, int bufsize)
        : rng_(seed), bufsize_(bufsize), opener_(opener),
          model_(random_bytes(bufsize * 5 / 2 + next(bufsize * 3 / 2))),
          file_("model.dat", model_.file()) {
        fdb_ = file_.open(opener, attributes);
        model_.reopen(opener);
    }

    void run(int steps) {
        ASSERT_GE(fdb_->handle, 0);
        ASSERT_EQ(fdb_->bufsize, bufsize_);
        for (int i = 0; i < steps && !testing::Test::HasFatalFailure(); ++i)
            step();
        ASSERT_EQ(fclosx(fdb_), 0);
        EXPECT_EQ(file_.contents(), model_.file());
    }

  private:
    std::uint32_t next(std::uint32_t bound) { return bound == 0 ? 0 : static_cast<std::uint32_t>(rng_() % bound); }

    // Bytes rich in line ends and NUL bytes, so that the line readers meet
    // every case, with bytes of any value for the compact integers, and now
    // and then a line longer than fgetstr stores.
    char random_byte() {
        const std::uint32_t r = next(100);
        if (r < 6) return '\n';
        if (r < 10) return '\r';
        if (r < 12) return '\0';
        if (r < 30) return static_cast<char>(next(256));
        return static_cast<char>(' ' + next(95));
    }
    std::string random_bytes(std::uint32_t n) {
        std::string s;
        while (s.size() < n)
            s += next(300) == 0 ? std::string(250 + next(20), 'L') : std::string(1, random_byte());
        s.resize(n);
        return s;
    }
    // Block sizes: mostly small, sometimes past a whole buffer.
    int random_count() {
        const std::uint32_t r = next(10);
        if (r < 6) return static_cast<int>(next(64));
        if (r < 9) return static_cast<int>(next(2000));
        return static_cast<int>(next(static_cast<std::uint32_t>(bufsize_) * 2));
    }
    // Targets of positioning: anywhere, near a buffer boundary, the end, a
    // little past the end.
    std::int32_t random_target() {
        const auto size = static_cast<std::uint32_t>(model_.size());
        const auto buffer = static_cast<std::uint32_t>(bufsize_);
        switch (next(6)) {
        case 0: return -1;
        case 1: return static_cast<std::int32_t>(size + next(20));
        case 2: return static_cast<std::int32_t>(std::max<std::int64_t>(0, std::int64_t{next(size / buffer + 1)} * buffer + next(9) - 4));
        case 3: return static_cast<std::int32_t>(std::max<std::int64_t>(0, model_.position() + next(41) - 20));
        default: return static_cast<std::int32_t>(next(size + 1));
        }
    }

    void check(const std::string &what, const Outcome &real, const Outcome &expected) {
        log_.push_back(what);
        if (log_.size() > 25) log_.pop_front();
        if (real == expected && fgetp(fdb_) == model_.position() && zrl_error == 0) return;
        std::string trail;
        for (const auto &l : log_) trail += "  " + l + "\n";
        FAIL() << what << ": got " << describe(real) << ", expected " << describe(expected)
               << "\nposition " << fgetp(fdb_) << " expected " << model_.position() << "\nlast steps:\n"
               << trail;
    }
    void check_write(const std::string &what, const std::string &bytes, Outcome real, std::int64_t result = 0) {
        model_.put(bytes);
        check(what, {real.result, zrl_error, {}}, {result, 0, {}});
    }

    void step() {
        const std::uint32_t op = next(110);
        // A reader writes nothing: what becomes of stores without write access
        // has a test of its own.
        if (opener_ == fopenr && op >= 34 && op < 62) return;
        if (op < 10) {
            const char c = fgetb(fdb_);
            check("fgetb", {static_cast<unsigned char>(c), zrl_error, {}}, model_.get_integer(1));
        } else if (op < 15) {
            const int width = op < 12 ? 2 : op < 14 ? 4 : 8;
            const std::int64_t v = width == 2 ? fgetw(fdb_) : width == 4 ? fgetl(fdb_) : fgetll(fdb_);
            check("fget" + std::to_string(width), {v, zrl_error, {}}, model_.get_integer(width));
        } else if (op < 24) {
            const int count = random_count();
            std::string to(static_cast<std::size_t>(count), '\0');
            const int got = fgetm(fdb_, to.data(), count);
            to.resize(static_cast<std::size_t>(std::max(got, 0)));
            check("fgetm " + std::to_string(count), {got, zrl_error, to}, model_.get_block(count));
        } else if (op < 34) {
            const bool text = op < 29;
            const int max = text ? 255 : static_cast<int>(next(4) == 0 ? next(4) : next(300));
            // With nothing to store, the end-of-file flag stops the reading of
            // the line before any fill, also when another writer has appended.
            if (max == 0 && (fdb_->f_flags & ZRL_FDB_EOF) != 0) return;
            std::string to(static_cast<std::size_t>(max) + 1, '#');
            const int got = text ? fgetstr(fdb_, to.data()) : fgetnstr(fdb_, to.data(), max);
            to.resize(static_cast<std::size_t>(got) + (text ? 0 : 1));
            check(text ? "fgetstr" : "fgetnstr " + std::to_string(max), {got, zrl_error, to},
                  model_.get_line(static_cast<std::size_t>(max), text));
        } else if (op < 42) {
            const char c = random_byte();
            fputb(fdb_, c);
            check_write("fputb", std::string(1, c), {});
        } else if (op < 47) {
            const auto v = static_cast<std::uint32_t>(rng_());
            std::string bytes = {static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
                                 static_cast<char>(v >> 24)};
            if (op < 44) {
                fputw(fdb_, static_cast<int>(v));
                bytes.resize(2);
            } else {
                fputl(fdb_, static_cast<std::int32_t>(v));
            }
            check_write(op < 44 ? "fputw" : "fputl", bytes, {});
        } else if (op < 56) {
            const std::string bytes = random_bytes(static_cast<std::uint32_t>(random_count()));
            const int status = fputm(fdb_, bytes.data(), static_cast<int>(bytes.size()));
            check_write("fputm " + std::to_string(bytes.size()), bytes, {status, 0, {}});
        } else if (op < 62) {
            // fputstr stops at a NUL, fputnstr writes its count of bytes.
            const std::string text = random_bytes(next(300));
            const bool counted = op < 59;
            const int written = counted ? fputnstr(fdb_, text.data(), static_cast<int>(text.size()))
                                        : fputstr(fdb_, text.c_str());
            const std::string line = counted ? text : text.substr(0, text.find('\0'));
            check_write(counted ? "fputnstr" : "fputstr", line + "\n", {written, 0, {}},
                        static_cast<std::int64_t>(line.size()));
        } else if (op < 72) {
            const std::int32_t target = random_target();
            const std::int32_t result = fputp(fdb_, target);
            model_.move_to(target);
            check("fputp " + std::to_string(target), {result, zrl_error, {}}, {target, 0, {}});
        } else if (op < 75) {
            const int result = op < 74 ? frewind(fdb_) : ftoeof(fdb_);
            model_.move_to(op < 74 ? 0 : -1);
            check(op < 74 ? "frewind" : "ftoeof", {result, zrl_error, {}}, {});
        } else if (op < 84) {
            skip(op);
        } else if (op < 88) {
            fflushx(fdb_);
            check("fflushx", {0, zrl_error, {}}, {});
        } else if (op < 91) {
            const std::int32_t p = fgetp(fdb_);
            check("fgetp", {p, zrl_error, {}}, {model_.position(), 0, {}});
        } else if (op < 94) {
            zrl_error = 0;
            const std::int32_t size = fgeteof(fdb_);
            check("fgeteof", {size, zrl_error, {}}, {model_.size(), 0, {}});
        } else if (op < 99) {
            const std::int32_t value = fgetcbin(fdb_);
            check("fgetcbin", {value, zrl_error, {}}, model_.get_compact());
        } else if (op < 103) {
            // The saved context goes on pointing at the same offset, whatever
            // happened in between.
            if (op < 101) {
                fgetctx(fdb_, &context_);
                check("fgetctx", {context_, zrl_error, {}}, {model_.position(), 0, {}});
            } else {
                fputctx(fdb_, &context_);
                model_.move_to(context_);
                check("fputctx " + std::to_string(context_), {0, zrl_error, {}}, {});
            }
        } else if (op < 105) {
            ASSERT_EQ(fclosx(fdb_), 0);
            ASSERT_EQ(file_.contents(), model_.file()) << "after close";
            opener_(fdb_, file_.path().c_str(), nullptr, nullptr);
            ASSERT_GE(fdb_->handle, 0);
            model_.reopen(opener_);
            check("reopen", {0, zrl_error, {}}, {});
        } else if (!zrl_test::kWindows) {
            // Another writer appends to the file.  (A Windows runtime may
            // keep a descriptor's end of file until the next seek, so that a
            // read after it gives nothing new: not there.)  Bytes still in the
            // buffer go out first, so that the file on disk is the model's.
            if ((fdb_->f_flags & ZRL_FDB_UNWRITTEN) != 0) fflushx(fdb_);
            ASSERT_EQ(zrl_error, 0);
            const std::string bytes = random_bytes(next(3) == 0 ? static_cast<std::uint32_t>(random_count()) : next(8) + 1);
            std::ofstream(file_.path(), std::ios::binary | std::ios::app) << bytes;
            model_.grow(bytes);
            check("grow " + std::to_string(bytes.size()), {0, zrl_error, {}}, {});
        }
    }

    // A skip by items of 1, 2, 4 or n bytes to a target in the file or just
    // past it; now and then a skip that wraps to all bits set: the end.
    void skip(std::uint32_t op) {
        const std::int64_t here = model_.position();
        const std::int32_t width = op < 78 ? 1 : op < 80 ? 2 : op < 82 ? 4 : static_cast<std::int32_t>(next(9) + 1);
        std::int64_t target;
        if (next(8) == 0) {
            target = -1;
            if ((here + 1) % width != 0) return; // no whole count of items reaches it
        } else {
            target = random_target();
            if (target == -1) target = model_.size();
            target -= (target - here) % width;
        }
        const auto count = static_cast<std::int32_t>((target - here) / width);
        std::int32_t result;
        switch (width) {
        case 1: result = fskipb(fdb_, count); break;
        case 2: result = fskipw(fdb_, count); break;
        case 4: result = fskipl(fdb_, count); break;
        default: result = fskipm(fdb_, count, width); break;
        }
        model_.move_to(static_cast<std::int32_t>(target));
        check("skip " + std::to_string(count) + " x " + std::to_string(width),
              {result, zrl_error, {}}, {target, 0, {}});
    }

    std::mt19937 rng_;
    int bufsize_;
    zrl_test::Opener opener_;
    Model model_;
    zrl_test::ScratchFile file_;
    FDB *fdb_ = nullptr;
    std::int32_t context_ = 0;
    std::deque<std::string> log_;
};

// Twelve runs with the default buffer, four with the sequential one; the
// opens take turns.
TEST(RecordIoModel, DefaultAndSequentialBuffersFollowTheModel) {
    const zrl_test::Opener opens[] = {fopenu, fopena, fopenr, fopenw};
    for (std::uint32_t seed = 1; seed <= 16; ++seed) {
        SCOPED_TRACE(seed);
        if (seed <= 12)
            ModelRun(seed, opens[seed % 4], "", 16384).run(2500);
        else
            ModelRun(seed + 92, opens[seed % 4], "SEQ", 65536).run(2500);
        if (HasFatalFailure()) return;
    }
}

} // namespace
