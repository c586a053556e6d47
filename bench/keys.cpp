// trm_key decoding a 1 MB stream of mixed keys (characters, cursor and
// keypad keys with both introducers, VT220 editing and function keys) from
// standard input, against a plain getchar loop over the same bytes.  The
// stream sits in a file that becomes standard input for each iteration; both
// loops read exactly the keys (or bytes) it holds, never past its end.
#include <zrlshared.h>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>

namespace {

std::string scratch() {
    return (std::filesystem::temp_directory_path() / "zrl_bench_keys.txt").string();
}

struct Stream {
    std::string path;
    std::size_t keys = 0, bytes = 0;
};

const Stream &stream() {
    static const Stream s = [] {
        static const char *const sequences[] = {"a", "Z", "7", " ", "\x1b[A", "\x1bOB", "\x1b[C",
                                                "\x1bOP", "\x1bOq", "\x1b[2~", "\x1b[6~",
                                                "\x1b[17~", "\x7f", "\t", "q"};
        Stream out{scratch()};
        std::string text;
        std::uint32_t seed = 9;
        while (text.size() < (1u << 20)) {
            seed = seed * 1664525u + 1013904223u;
            text += sequences[(seed >> 8) % (sizeof sequences / sizeof *sequences)];
            ++out.keys;
        }
        out.bytes = text.size();
        std::FILE *f = std::fopen(out.path.c_str(), "wb");
        std::fwrite(text.data(), 1, text.size(), f);
        std::fclose(f);
        return out;
    }();
    return s;
}

struct RemoveStream {
    ~RemoveStream() { std::remove(scratch().c_str()); }
} remove_stream;

void BM_TrmKey(benchmark::State &state) {
    const Stream &s = stream();
    for (auto _ : state) {
        if (std::freopen(s.path.c_str(), "rb", stdin) == nullptr) state.SkipWithError("no input");
        long sum = 0;
        for (std::size_t i = 0; i < s.keys; ++i)
            sum += trm_key();
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * s.keys));
}
BENCHMARK(BM_TrmKey)->Unit(benchmark::kMillisecond);

void BM_Getchar(benchmark::State &state) {
    const Stream &s = stream();
    for (auto _ : state) {
        if (std::freopen(s.path.c_str(), "rb", stdin) == nullptr) state.SkipWithError("no input");
        long sum = 0;
        for (std::size_t i = 0; i < s.bytes; ++i)
            sum += std::getchar();
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * s.keys));
}
BENCHMARK(BM_Getchar)->Unit(benchmark::kMillisecond);

// The least that any decoder of this stream does: a getchar per byte and a
// branch on each ESC, introducer and final byte, with no pending bytes, no
// modifier state and no unknown sequences.  On a random mix of keys its
// branches cannot be predicted, which sets the floor that trm_key is
// measured against beside the getchar loop.
int bare_key() {
    int c = std::getchar();
    if (c != 0x1b) return c == 0x7f ? 278 : c;
    std::getchar(); // 'O' or '['
    c = std::getchar();
    if (c < '1' || c > '6') return 256 + c;
    int n = c - '0';
    c = std::getchar();
    if (c != '~') {
        n = 10 * n + c - '0';
        std::getchar();
    }
    return 300 + n;
}

void BM_BareDecoder(benchmark::State &state) {
    const Stream &s = stream();
    for (auto _ : state) {
        if (std::freopen(s.path.c_str(), "rb", stdin) == nullptr) state.SkipWithError("no input");
        long sum = 0;
        for (std::size_t i = 0; i < s.keys; ++i)
            sum += bare_key();
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * s.keys));
}
BENCHMARK(BM_BareDecoder)->Unit(benchmark::kMillisecond);

} // namespace
