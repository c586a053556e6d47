// Reading as a program reads a large file: fgetstr against fgets over a
// 200 MB text file of lines of 1 to 255 characters of mixed text, and fgetb
// against getc over 50 MB, a call per byte.  The files are written once and
// removed when the program ends; each pair reads the same file per iteration.
#include <zrlshared.h>

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr std::size_t kTextBytes = 200u << 20;
constexpr std::size_t kByteFile = 50u << 20;

std::string scratch(const char *name) {
    return (std::filesystem::temp_directory_path() / name).string();
}

struct RemoveInputs {
    ~RemoveInputs() {
        std::remove(scratch("zrl_bench_text.txt").c_str());
        std::remove(scratch("zrl_bench_50mb.dat").c_str());
    }
} remove_inputs;

std::size_t text_lines = 0;

// Letters of both cases, digits, blanks and punctuation, in lines of 1 to
// 255 characters.
const std::string &text_file() {
    static const std::string path = [] {
        const std::string p = scratch("zrl_bench_text.txt");
        static const char alphabet[] =
            "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789      .,;:-_()/";
        std::vector<char> data;
        data.reserve(kTextBytes + 256);
        std::uint64_t seed = 12345;
        auto next = [&seed] {
            seed = seed * 6364136223846793005u + 1442695040888963407u;
            return static_cast<std::uint32_t>(seed >> 33);
        };
        while (data.size() < kTextBytes) {
            const std::uint32_t length = 1 + next() % 255;
            for (std::uint32_t i = 0; i < length; ++i)
                data.push_back(alphabet[next() % (sizeof alphabet - 1)]);
            data.push_back('\n');
            ++text_lines;
        }
        std::FILE *f = std::fopen(p.c_str(), "wb");
        std::fwrite(data.data(), 1, data.size(), f);
        std::fclose(f);
        return p;
    }();
    return path;
}

const std::string &byte_file() {
    static const std::string path = [] {
        const std::string p = scratch("zrl_bench_50mb.dat");
        std::vector<char> data(kByteFile);
        for (std::size_t i = 0; i < kByteFile; ++i)
            data[i] = static_cast<char>(i * 7 % 256);
        std::FILE *f = std::fopen(p.c_str(), "wb");
        std::fwrite(data.data(), 1, data.size(), f);
        std::fclose(f);
        return p;
    }();
    return path;
}

void BM_Fgetstr(benchmark::State &state) {
    const std::string &path = text_file();
    char line[256];
    std::size_t count = 0;
    for (auto _ : state) {
        FDB *fdb = fopenr(nullptr, path.c_str(), nullptr, nullptr);
        count = 0;
        while (fgetstr(fdb, line) > 0 || zrl_error == 0)
            ++count;
        fclosx(fdb);
        fdbfree(fdb);
        benchmark::DoNotOptimize(count);
    }
    if (count != text_lines) state.SkipWithError("fgetstr read another number of lines");
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kTextBytes));
}
BENCHMARK(BM_Fgetstr)->Unit(benchmark::kMillisecond);

void BM_Fgets(benchmark::State &state) {
    const std::string &path = text_file();
    char line[257];
    std::size_t count = 0;
    for (auto _ : state) {
        std::FILE *f = std::fopen(path.c_str(), "rb");
        count = 0;
        while (std::fgets(line, sizeof line, f) != nullptr)
            ++count;
        std::fclose(f);
        benchmark::DoNotOptimize(count);
    }
    if (count != text_lines) state.SkipWithError("fgets read another number of lines");
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kTextBytes));
}
BENCHMARK(BM_Fgets)->Unit(benchmark::kMillisecond);

void BM_Fgetb(benchmark::State &state) {
    const std::string &path = byte_file();
    for (auto _ : state) {
        FDB *fdb = fopenr(nullptr, path.c_str(), nullptr, nullptr);
        unsigned sum = 0;
        for (std::size_t i = 0; i < kByteFile; ++i)
            sum += static_cast<unsigned char>(fgetb(fdb));
        fclosx(fdb);
        fdbfree(fdb);
        benchmark::DoNotOptimize(sum);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kByteFile));
}
BENCHMARK(BM_Fgetb)->Unit(benchmark::kMillisecond);

void BM_Getc(benchmark::State &state) {
    const std::string &path = byte_file();
    for (auto _ : state) {
        std::FILE *f = std::fopen(path.c_str(), "rb");
        unsigned sum = 0;
        for (std::size_t i = 0; i < kByteFile; ++i)
            sum += static_cast<unsigned>(std::getc(f));
        std::fclose(f);
        benchmark::DoNotOptimize(sum);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kByteFile));
}
BENCHMARK(BM_Getc)->Unit(benchmark::kMillisecond);

} // namespace
