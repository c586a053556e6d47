// The record I/O against a model of its documented behaviour: a file is a
// string of bytes and a position; reads take bytes from the position on and
// report the end of the file when none are left; writes overwrite or extend
// (a write past the end fills the gap with zeros); positioning sets the
// position.  Random sequences of every kind of read (bytes, integers of 2, 4
// and 8 bytes, blocks, both line readers, compact integers), of write,
// positioning (absolute, skips, saved contexts), flushes, queries,
// close/reopen cycles, refused opens of the open FDB and growth of the file
// by another writer run on one FDB opened by each open, with the default and
// the sequential buffer, over files of several buffers; results, status and
// position are compared after every step and the file's bytes at every close
// and at the end.  And the encoder of compact integers.
#include <algorithm>
#include <cstdint>
#include <fstream>
#include <random>
#include <tuple>
#include <utility>

#include "fileio/record_files.h"

namespace {

using namespace zrl_test; // Opener, ScratchFile, kWindows

// A result, the status, and what a block or line read delivered.
using Outcome = std::tuple<std::int64_t, int, std::string>;

// The documented behaviour, with nothing of buffers in it.
class Model {
  public:
    std::string file;
    std::int64_t pos = 0;

    std::int64_t size() const { return static_cast<std::int64_t>(file.size()); }
    Outcome get_integer(int width) {
        std::uint64_t value = 0;
        for (int i = 0; i < width; ++i, ++pos) {
            if (pos >= size()) return {0, -1, ""};
            value |= std::uint64_t{static_cast<unsigned char>(file[pos])} << (8 * i);
        }
        return {width == 4 ? static_cast<std::int32_t>(value) : static_cast<std::int64_t>(value), 0,
                ""};
    }
    Outcome get_block(int count) {
        const std::int64_t got = std::clamp<std::int64_t>(size() - pos, 0, std::max(count, 0));
        const std::string data = got > 0 ? file.substr(pos, got) : "";
        pos += got;
        return {got, got > 0 || count <= 0 ? 0 : -1, data};
    }
    // A line ends at LF, CR or CR LF; at most `max` characters are stored,
    // fgetstr's (text) up to a NUL byte.  The data ends with the byte after
    // the stored ones: the NUL, or the untouched '#' when fgetnstr stored max.
    Outcome get_line(std::size_t max, bool text) {
        const std::string after(1, '\0');
        if (pos >= size()) return {0, -1, after};
        auto i = static_cast<std::size_t>(pos);
        std::string stored;
        for (bool nul = false; i < file.size() && file[i] != '\n' && file[i] != '\r'; ++i) {
            nul = nul || (text && file[i] == '\0');
            if (!nul && stored.size() < max) stored.push_back(file[i]);
        }
        const bool line_end = i < file.size();
        if (line_end) i += file[i] == '\r' && i + 1 < file.size() && file[i + 1] == '\n' ? 2 : 1;
        pos = static_cast<std::int64_t>(i);
        const int status = !stored.empty() || line_end ? 0 : -1;
        return {stored.size(), status,
                stored + (text || stored.size() < max || max == 0 ? after : "#")};
    }
    // 7-bit groups, the first signed, bit 7 set on all but the last; at most
    // five bytes, the low 32 bits kept; 0 when a byte is missing.
    Outcome get_compact() {
        std::uint32_t value = 0;
        for (int n = 0; n < 5; ++n) {
            if (pos >= size()) return {0, -1, ""};
            const std::uint32_t byte = static_cast<unsigned char>(file[pos++]);
            value =
                n == 0 ? (byte & 0x7F) - (byte & 0x40 ? 0x80 : 0) : (value << 7) + (byte & 0x7F);
            if ((byte & 0x80) == 0) break;
        }
        return {static_cast<std::int32_t>(value), 0, ""};
    }
    // A write of nothing leaves a position past the end as a gap to come.
    void put(const std::string &bytes) {
        if (bytes.empty()) return;
        if (pos > size()) file.resize(static_cast<std::size_t>(pos), '\0');
        const auto at = static_cast<std::size_t>(pos);
        file.replace(at, std::min(bytes.size(), file.size() - at), bytes);
        pos += static_cast<std::int64_t>(bytes.size());
    }
    void move_to(std::int32_t p) { pos = p == -1 ? size() : p; }
    void reopen(Opener opener) {
        if (opener == fopenw) file.clear();
        pos = opener == fopena ? size() : 0;
    }
};

class ModelRun {
  public:
    ModelRun(std::uint32_t seed, Opener opener, bool sequential)
        : rng_(seed), bufsize_(sequential ? 65536 : 16384),
          opener_(opener), model_{random_bytes(bufsize_ * 5 / 2 + next(bufsize_ * 3 / 2))},
          file_("model.dat", model_.file), fdb_(fdbset(nullptr, sequential ? "SEQ" : "")) {
        opener(fdb_, file_.path.c_str(), nullptr, nullptr);
        model_.reopen(opener);
    }
    ~ModelRun() { fdbfree(fdb_); }

    // For the last 500 steps the buffer of the open file grows to the
    // sequential size (or stays there): its pointers and the bytes in it move
    // with it, no marker is written into datptr, and the address checker sees
    // a store into its extra byte.
    void run(int steps) {
        ASSERT_EQ((std::pair{fdb_->handle >= 0, fdb_->bufsize}), (std::pair{true, bufsize_}));
        for (int i = 0; i < steps && !testing::Test::HasFatalFailure(); ++i) {
            if (i == steps - 500) {
                fdbset(fdb_, "SEQ");
                fdb_->bufptr[65536] = '\0';
                check("fdbset SEQ", fdb_->bufsize, {65536, 0, ""});
            }
            step();
        }
        ASSERT_EQ(fclosx(fdb_), 0);
        EXPECT_EQ(file_.contents(), model_.file);
    }

  private:
    std::uint32_t next(std::uint32_t bound) {
        return bound == 0 ? 0 : static_cast<std::uint32_t>(rng_() % bound);
    }
    // Bytes rich in line ends and NUL bytes, so that the line readers meet
    // every case, with bytes of any value for the compact integers, and now
    // and then a line longer than fgetstr stores.
    std::string random_bytes(std::uint32_t n) {
        std::string s;
        while (s.size() < n) {
            const std::uint32_t r = next(300);
            s += r == 0   ? std::string(250 + next(20), 'L')
                 : r < 54 ? std::string(1, "\n\n\n\r\r\0"[r % 6])
                          : std::string(1, static_cast<char>(r < 100 ? next(256) : ' ' + r % 95));
        }
        s.resize(n);
        return s;
    }
    // Block sizes: mostly small, sometimes past a whole buffer.
    int random_count() {
        const std::uint32_t r = next(10);
        return static_cast<int>(next(r < 6 ? 64 : r < 9 ? 2000 : 2 * bufsize_));
    }
    // Targets of positioning: the end, a little past it, near a buffer
    // boundary, near the position, anywhere.
    std::int32_t random_target() {
        const auto size = static_cast<std::uint32_t>(model_.size());
        const std::int64_t near[] = {std::int64_t{size} + next(20),
                                     std::int64_t{next(size / bufsize_ + 1)} * bufsize_ - 4,
                                     model_.pos - 20 + next(33), next(size + 1), next(size + 1)};
        const std::uint32_t pick = next(6);
        return pick == 5
                   ? -1
                   : static_cast<std::int32_t>(std::max<std::int64_t>(0, near[pick] + next(9)));
    }

    // The outcome of a step (its result, the status and what it delivered),
    // then the position: from fgetp, or saved by fgetctx for a later fputctx.
    void check(const std::string &what, std::int64_t result, const Outcome &expected,
               const std::string &delivered = "") {
        const Outcome real{result, zrl_error, delivered};
        const std::int32_t here = next(2) != 0 ? fgetp(fdb_) : (fgetctx(fdb_, &context_), context_);
        ASSERT_EQ((std::tuple{real, std::int64_t{here}, zrl_error}),
                  (std::tuple{expected, model_.pos, 0}))
            << what << ", after " << last_;
        last_ = what;
    }
    void check_write(const std::string &what, const std::string &bytes, int result, int expected) {
        model_.put(bytes);
        check(what, result, {expected, 0, ""});
    }

    // One step, the kinds weighted by how often they appear in the list.
    void step() {
        const char op = "iiimmllnwwMMMSNppppkkffcog"[next(26)];
        // An open of the FDB, open already, is refused with 22 and leaves it
        // as it was, whatever its first byte (the low byte of datptr) happens
        // to be: tried before each reopen, and whenever it is the marker's.
        if (op == 'o' || first_byte(fdb_) == 0xFFu) {
            const std::string record(reinterpret_cast<const char *>(fdb_), sizeof *fdb_);
            const FDB *same = fopenw(fdb_, file_.path.c_str(), nullptr, nullptr);
            ASSERT_EQ(std::string(reinterpret_cast<const char *>(fdb_), sizeof *fdb_), record);
            check("open while open", same == fdb_, {true, 22, ""});
        }
        // A reader writes nothing: stores without write access have a test
        // of their own.
        if (opener_ == fopenr && std::string("wMSN").find(op) != std::string::npos) return;
        switch (op) {
        case 'i': {
            const int width = 1 << next(4);
            const std::int64_t v = width == 1   ? static_cast<unsigned char>(fgetb(fdb_))
                                   : width == 2 ? fgetw(fdb_)
                                   : width == 4 ? fgetl(fdb_)
                                                : fgetll(fdb_);
            return check("fget" + std::to_string(width), v, model_.get_integer(width));
        }
        case 'm': {
            const int count = random_count();
            std::string to(static_cast<std::size_t>(count), '\0');
            to.resize(static_cast<std::size_t>(fgetm(fdb_, to.data(), count)));
            return check("fgetm " + std::to_string(count), to.size(), model_.get_block(count), to);
        }
        case 'l':
        case 'n': {
            const bool text = op == 'l';
            const int max = text ? 255 : static_cast<int>(next(4) == 0 ? next(4) : next(300));
            // With nothing to store, the end-of-file flag stops the reading
            // of the line before any fill, also when another writer appended.
            if (max == 0 && (fdb_->f_flags & ZRL_FDB_EOF) != 0) return;
            std::string to(static_cast<std::size_t>(max) + 1, '#');
            const int got = text ? fgetstr(fdb_, to.data()) : fgetnstr(fdb_, to.data(), max);
            to.resize(static_cast<std::size_t>(got) + 1);
            return check(text ? "fgetstr" : "fgetnstr " + std::to_string(max), got,
                         model_.get_line(static_cast<std::size_t>(max), text), to);
        }
        case 'w': {
            const auto v = static_cast<std::uint32_t>(rng_());
            const std::size_t width = 1u << next(3);
            if (width == 1) fputb(fdb_, static_cast<char>(v));
            if (width == 2) fputw(fdb_, static_cast<int>(v));
            if (width == 4) fputl(fdb_, static_cast<std::int32_t>(v));
            const std::string bytes = {static_cast<char>(v), static_cast<char>(v >> 8),
                                       static_cast<char>(v >> 16), static_cast<char>(v >> 24)};
            return check_write("fput" + std::to_string(width), bytes.substr(0, width), 0, 0);
        }
        case 'M': {
            // A block of bytes, a third of the time a compact integer encoded
            // by fmtcbin, which the model decodes back from exactly the bytes
            // written (nothing past them is touched).  (The fuzzer checks
            // that the encoding is the shortest.)
            std::string bytes = random_bytes(static_cast<std::uint32_t>(random_count()));
            if (next(3) == 0) {
                const auto value = static_cast<std::int32_t>(rng_()) >> next(32);
                bytes.assign(8, '\xAA');
                const int length = fmtcbin(reinterpret_cast<unsigned char *>(bytes.data()), value);
                Model decoded{bytes};
                ASSERT_EQ((std::tuple{decoded.get_compact(), decoded.pos, bytes[length]}),
                          (std::tuple{Outcome{value, 0, ""}, std::int64_t{length}, '\xAA'}))
                    << "fmtcbin " << value;
                bytes.resize(static_cast<std::size_t>(length));
            }
            const int status = fputm(fdb_, bytes.data(), static_cast<int>(bytes.size()));
            return check_write("fputm " + std::to_string(bytes.size()), bytes, status, 0);
        }
        case 'N':
        case 'S': {
            // fputstr stops at a NUL, fputnstr writes its count of bytes.
            const std::string text = random_bytes(next(300));
            const std::string line = op == 'N' ? text : text.substr(0, text.find('\0'));
            const int written = op == 'N'
                                    ? fputnstr(fdb_, text.data(), static_cast<int>(text.size()))
                                    : fputstr(fdb_, text.c_str());
            return check_write(op == 'N' ? "fputnstr" : "fputstr", line + "\n", written,
                               static_cast<int>(line.size()));
        }
        case 'p': {
            // fputp to a target, frewind to the start, ftoeof to the end,
            // fputctx back to the saved context, which goes on pointing at
            // the same offset whatever happened in between.
            const std::uint32_t how = next(5);
            const std::int32_t target = how == 0   ? 0
                                        : how == 1 ? -1
                                        : how == 2 ? context_
                                                   : random_target();
            const std::int32_t result = how == 0   ? frewind(fdb_)
                                        : how == 1 ? ftoeof(fdb_)
                                        : how == 2 ? (fputctx(fdb_, &context_), 0)
                                                   : fputp(fdb_, target);
            model_.move_to(target);
            return check("position " + std::to_string(target), result,
                         {how < 3 ? 0 : target, 0, ""});
        }
        case 'k': {
            // A skip by items of 1, 2, 4 or n bytes (n and the count both
            // negated now and then) to a target in the file or just past it;
            // now and then a skip that wraps to all bits set: the end, where
            // a whole count of items reaches it.
            const std::int64_t here = model_.pos;
            const std::int32_t width =
                static_cast<std::int32_t>(next(2) == 0 ? 1 << next(3) : next(9) + 1);
            std::int64_t target = next(8) == 0 ? -1 : random_target();
            if (target == -1 && (here + 1) % width != 0) return;
            if (target != -1) target -= (target - here) % width;
            const auto count = static_cast<std::int32_t>((target - here) / width);
            const std::int32_t result = width == 1   ? fskipb(fdb_, count)
                                        : width == 2 ? fskipw(fdb_, count)
                                        : width == 4 ? fskipl(fdb_, count)
                                        : next(2)    ? fskipm(fdb_, count, width)
                                                     : fskipm(fdb_, -count, -width);
            model_.move_to(static_cast<std::int32_t>(target));
            return check("skip " + std::to_string(count) + " x " + std::to_string(width), result,
                         {target, 0, ""});
        }
        case 'f': {
            // Once flushed, the file's size in blocks is the model's, rounded
            // up; fgeteof gives the size, flushed or not; asking leaves the
            // descriptor where it was.
            const bool flush = next(2) == 0;
            if (flush) fflushx(fdb_);
            if (!flush) zrl_error = 0;
            const std::int32_t size = flush ? fdbinfo(fdb_, "BLOCKS") : fgeteof(fdb_);
            return check(flush ? "fflushx" : "fgeteof", size,
                         {flush ? (model_.size() + 511) / 512 : model_.size(), 0, ""});
        }
        case 'c':
            return check("fgetcbin", fgetcbin(fdb_), model_.get_compact());
        case 'o': {
            // Closed (a second close finds nothing open) and opened again:
            // the open clears what an earlier use left in the flags.
            if (next(3) != 0) return;
            const std::uint32_t left = ZRL_FDB_DELETE | ZRL_FDB_UNWRITTEN | ZRL_FDB_TERMINAL;
            ASSERT_EQ((std::pair{fclosx(fdb_), fclosx(fdb_)}), (std::pair{0, 22}));
            ASSERT_EQ(file_.contents(), model_.file) << "after close";
            fdb_->f_flags |= left;
            ASSERT_GE(opener_(fdb_, file_.path.c_str(), nullptr, nullptr)->handle, 0);
            model_.reopen(opener_);
            return check("reopen", fdb_->f_flags & left, {0, 0, ""});
        }
        default: {
            // Another writer appends to the file.  (A Windows runtime may
            // keep a descriptor's end of file until the next seek, so that a
            // read after it gives nothing new: not there.)  Bytes still in the
            // buffer go out first, so that the file on disk is the model's.
            if (kWindows) return;
            if ((fdb_->f_flags & ZRL_FDB_UNWRITTEN) != 0) fflushx(fdb_);
            ASSERT_EQ(zrl_error, 0);
            const std::string bytes = random_bytes(
                next(3) == 0 ? static_cast<std::uint32_t>(random_count()) : next(8) + 1);
            std::ofstream(file_.path, std::ios::binary | std::ios::app) << bytes;
            model_.file += bytes;
            return check("grow " + std::to_string(bytes.size()), 0, {0, 0, ""});
        }
        }
    }

    std::mt19937 rng_;
    int bufsize_;
    Opener opener_;
    Model model_;
    const ScratchFile file_;
    FDB *fdb_;
    std::int32_t context_ = 0;
    std::string last_;
};

// Twelve runs with the default buffer, four with the sequential one; the
// opens take turns.
TEST(RecordIoModel, DefaultAndSequentialBuffersFollowTheModel) {
    const Opener opens[] = {fopenu, fopena, fopenr, fopenw};
    for (std::uint32_t seed = 1; seed <= 16 && !HasFatalFailure(); ++seed) {
        SCOPED_TRACE(seed);
        const bool sequential = seed > 12;
        ModelRun(seed + (sequential ? 92 : 0), opens[seed % 4], sequential).run(2500);
    }
}

} // namespace
