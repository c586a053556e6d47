// The record I/O against a model of its documented behaviour: a file is a
// string of bytes and a position; reads take bytes from the position on and
// report the end of the file when none are left; writes overwrite or extend
// (a write past the end fills the gap with zeros); positioning sets the
// position.  Random sequences of reads, writes, positionings, flushes,
// queries, close/reopen cycles and growth of the file by another writer run on
// one FDB opened for update or append, with the default and the sequential
// buffer, over files of several buffers; results and status are compared
// after every step and the file's bytes at every close and at the end.
#include <zrlshared.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
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
            value |= static_cast<std::uint64_t>(static_cast<unsigned char>(file_[pos_++])) << (8 * i);
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
    Outcome get_line() {
        if (pos_ >= size()) return {0, -1, {}};
        std::size_t i = static_cast<std::size_t>(pos_);
        std::string stored;
        bool nul = false;
        while (i < file_.size() && file_[i] != '\n' && file_[i] != '\r') {
            nul = nul || file_[i] == '\0';
            if (!nul && stored.size() < 255) stored.push_back(file_[i]);
            ++i;
        }
        const bool line_end = i < file_.size();
        if (line_end) i += (file_[i] == '\r' && i + 1 < file_.size() && file_[i + 1] == '\n') ? 2 : 1;
        pos_ = static_cast<std::int64_t>(i);
        return {static_cast<std::int64_t>(stored.size()), (!stored.empty() || line_end) ? 0 : -1, stored};
    }
    // A write of nothing leaves a position past the end as a gap to come.
    void put(const std::string &bytes) {
        if (bytes.empty()) return;
        if (pos_ > size()) file_.resize(static_cast<std::size_t>(pos_), '\0');
        const auto at = static_cast<std::size_t>(pos_);
        const std::size_t overlap = std::min(bytes.size(), file_.size() - at);
        file_.replace(at, overlap, bytes);
        pos_ += static_cast<std::int64_t>(bytes.size());
    }
    void move_to(std::int32_t p) { pos_ = p == -1 ? size() : p; }
    void reopen(bool append) { pos_ = append ? size() : 0; }
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
        model_.reopen(opener == fopena);
    }

    void run(int steps) {
        ASSERT_GE(fdb_->handle, 0);
        ASSERT_EQ(fdb_->bufsize, bufsize_);
        for (int i = 0; i < steps; ++i) {
            step();
            if (testing::Test::HasFatalFailure()) return;
        }
        ASSERT_EQ(fclosx(fdb_), 0);
        EXPECT_EQ(file_.contents(), model_.file());
    }

  private:
    std::uint32_t next(std::uint32_t bound) { return bound == 0 ? 0 : static_cast<std::uint32_t>(rng_() % bound); }

    // Bytes rich in line ends and NUL bytes, so that the line reader meets
    // every case.
    char random_byte() {
        const std::uint32_t r = next(100);
        if (r < 6) return '\n';
        if (r < 10) return '\r';
        if (r < 12) return '\0';
        return static_cast<char>(' ' + next(95));
    }
    std::string random_bytes(std::uint32_t n) {
        std::string s(n, '\0');
        for (auto &c : s) c = random_byte();
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
        switch (next(6)) {
        case 0: return -1;
        case 1: return static_cast<std::int32_t>(size + next(20));
        case 2: {
            const std::uint32_t boundary = next(size / static_cast<std::uint32_t>(bufsize_) + 1) *
                                           static_cast<std::uint32_t>(bufsize_);
            return static_cast<std::int32_t>(std::max<std::int64_t>(0, std::int64_t{boundary} + next(9) - 4));
        }
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

    void step() {
        const std::uint32_t op = next(104);
        if (op < 10) {
            const char c = fgetb(fdb_);
            Outcome real{static_cast<unsigned char>(c), zrl_error, {}};
            Outcome expected = model_.get_integer(1);
            check("fgetb", real, expected);
        } else if (op < 15) {
            const int width = op < 12 ? 2 : 4;
            const std::int64_t v = width == 2 ? fgetw(fdb_) : fgetl(fdb_);
            check(width == 2 ? "fgetw" : "fgetl", {v, zrl_error, {}}, model_.get_integer(width));
        } else if (op < 24) {
            const int count = random_count();
            std::string to(static_cast<std::size_t>(count), '\0');
            const int got = fgetm(fdb_, to.data(), count);
            to.resize(static_cast<std::size_t>(std::max(got, 0)));
            check("fgetm " + std::to_string(count), {got, zrl_error, to}, model_.get_block(count));
        } else if (op < 34) {
            char to[256];
            const int got = fgetstr(fdb_, to);
            check("fgetstr", {got, zrl_error, std::string(to, static_cast<std::size_t>(std::max(got, 0)))},
                  model_.get_line());
        } else if (op < 42) {
            const char c = random_byte();
            fputb(fdb_, c);
            model_.put(std::string(1, c));
            check("fputb", {0, zrl_error, {}}, {});
        } else if (op < 47) {
            const auto v = static_cast<std::uint32_t>(rng_());
            std::string bytes;
            if (op < 44) {
                fputw(fdb_, static_cast<int>(v));
                bytes = {static_cast<char>(v), static_cast<char>(v >> 8)};
            } else {
                fputl(fdb_, static_cast<std::int32_t>(v));
                bytes = {static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
                         static_cast<char>(v >> 24)};
            }
            model_.put(bytes);
            check(op < 44 ? "fputw" : "fputl", {0, zrl_error, {}}, {});
        } else if (op < 56) {
            const std::string bytes = random_bytes(static_cast<std::uint32_t>(random_count()));
            const int status = fputm(fdb_, bytes.data(), static_cast<int>(bytes.size()));
            model_.put(bytes);
            check("fputm " + std::to_string(bytes.size()), {status, zrl_error, {}}, {});
        } else if (op < 62) {
            std::string text = random_bytes(next(300));
            text.erase(std::remove(text.begin(), text.end(), '\0'), text.end());
            const int written = fputstr(fdb_, text.c_str());
            model_.put(text + "\n");
            check("fputstr " + std::to_string(text.size()),
                  {written, zrl_error, {}}, {static_cast<std::int64_t>(text.size()), 0, {}});
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
        } else if (op < 93) {
            const std::int32_t p = fgetp(fdb_);
            check("fgetp", {p, zrl_error, {}}, {model_.position(), 0, {}});
        } else if (op < 98) {
            zrl_error = 0;
            const std::int32_t size = fgeteof(fdb_);
            check("fgeteof", {size, zrl_error, {}}, {model_.size(), 0, {}});
        } else if (op < 100) {
            const int closed = fclosx(fdb_);
            ASSERT_EQ(closed, 0);
            ASSERT_EQ(file_.contents(), model_.file()) << "after close";
            opener_(fdb_, file_.path().c_str(), nullptr, nullptr);
            ASSERT_GE(fdb_->handle, 0);
            model_.reopen(opener_ == fopena);
            check("reopen", {0, zrl_error, {}}, {});
        } else if (!zrl_test::kWindows) {
            // Another writer appends to the file.  (A Windows runtime may
            // keep a descriptor's end of file until the next seek, so that a
            // read after it gives nothing new: not there.)  Bytes still in the buffer
            // go out first, so that the file on disk is the model's.
            if ((fdb_->f_flags & ZRL_FDB_UNWRITTEN) != 0) fflushx(fdb_);
            ASSERT_EQ(zrl_error, 0);
            const std::uint32_t count =
                next(3) == 0 ? static_cast<std::uint32_t>(random_count()) : next(8) + 1;
            const std::string bytes = random_bytes(count);
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
    std::deque<std::string> log_;
};

// Eight runs with the default buffer, four with the sequential one; every
// third opens for append instead of update.
TEST(RecordIoModel, DefaultAndSequentialBuffersFollowTheModel) {
    for (std::uint32_t seed = 1; seed <= 12; ++seed) {
        SCOPED_TRACE(seed);
        const zrl_test::Opener opener = seed % 3 == 0 ? fopena : fopenu;
        if (seed <= 8)
            ModelRun(seed, opener, "", 16384).run(2500);
        else
            ModelRun(seed + 92, opener, "SEQ", 65536).run(2500);
        if (HasFatalFailure()) return;
    }
}

} // namespace
