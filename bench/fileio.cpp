// The record I/O against the C library's stdio on the same files: lines read
// with fgetstr and fgets, lines written with fputstr and fputs, single bytes
// read with fgetb and getc, 64-byte records written with fputm and fwrite.
// Each pair does the same work per iteration; compare the times pairwise.
#include <zrlshared.h>

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr int kLines = 100000;
constexpr std::size_t kMegabyte = 1 << 20;
constexpr int kRecord = 64;
constexpr int kRecords = static_cast<int>(kMegabyte / kRecord);

std::string scratch(const char *name) {
    return (std::filesystem::temp_directory_path() / name).string();
}

// The input files are made once and removed when the program ends.
struct RemoveInputs {
    ~RemoveInputs() {
        std::remove(scratch("zrl_bench_lines.txt").c_str());
        std::remove(scratch("zrl_bench_bytes.dat").c_str());
    }
} remove_inputs;

// 100,000 lines of 0 to 120 characters, the same text for both readers.
const std::vector<std::string> &line_texts() {
    static const std::vector<std::string> lines = [] {
        std::vector<std::string> v;
        std::uint32_t seed = 3;
        for (int i = 0; i < kLines; ++i) {
            seed = seed * 1664525u + 1013904223u;
            v.emplace_back((seed >> 8) % 121, static_cast<char>('a' + i % 26));
        }
        return v;
    }();
    return lines;
}

const std::string &lines_file() {
    static const std::string path = [] {
        const std::string p = scratch("zrl_bench_lines.txt");
        std::FILE *f = std::fopen(p.c_str(), "wb");
        for (const auto &l : line_texts()) {
            std::fputs(l.c_str(), f);
            std::fputc('\n', f);
        }
        std::fclose(f);
        return p;
    }();
    return path;
}

const std::string &megabyte_file() {
    static const std::string path = [] {
        const std::string p = scratch("zrl_bench_bytes.dat");
        std::FILE *f = std::fopen(p.c_str(), "wb");
        for (std::size_t i = 0; i < kMegabyte; ++i) std::fputc(static_cast<int>(i * 7 % 256), f);
        std::fclose(f);
        return p;
    }();
    return path;
}

void BM_Fgetstr(benchmark::State &state) {
    char line[256];
    for (auto _ : state) {
        FDB *fdb = fopenr(nullptr, lines_file().c_str(), nullptr, nullptr);
        int count = 0;
        while (fgetstr(fdb, line) > 0 || zrl_error == 0) ++count;
        fclosx(fdb);
        fdbfree(fdb);
        benchmark::DoNotOptimize(count);
    }
    state.SetItemsProcessed(state.iterations() * kLines);
}
BENCHMARK(BM_Fgetstr)->Unit(benchmark::kMillisecond);

void BM_Fgets(benchmark::State &state) {
    char line[256];
    for (auto _ : state) {
        std::FILE *f = std::fopen(lines_file().c_str(), "rb");
        int count = 0;
        while (std::fgets(line, sizeof line, f) != nullptr) ++count;
        std::fclose(f);
        benchmark::DoNotOptimize(count);
    }
    state.SetItemsProcessed(state.iterations() * kLines);
}
BENCHMARK(BM_Fgets)->Unit(benchmark::kMillisecond);

void BM_Fputstr(benchmark::State &state) {
    const std::string path = scratch("zrl_bench_out.txt");
    const auto &lines = line_texts();
    for (auto _ : state) {
        FDB *fdb = fopenw(nullptr, path.c_str(), nullptr, nullptr);
        for (const auto &l : lines) fputstr(fdb, l.c_str());
        fclosx(fdb);
        fdbfree(fdb);
    }
    state.SetItemsProcessed(state.iterations() * kLines);
    std::remove(path.c_str());
}
BENCHMARK(BM_Fputstr)->Unit(benchmark::kMillisecond);

void BM_Fputs(benchmark::State &state) {
    const std::string path = scratch("zrl_bench_out.txt");
    const auto &lines = line_texts();
    for (auto _ : state) {
        std::FILE *f = std::fopen(path.c_str(), "wb");
        for (const auto &l : lines) {
            std::fputs(l.c_str(), f);
            std::fputc('\n', f);
        }
        std::fclose(f);
    }
    state.SetItemsProcessed(state.iterations() * kLines);
    std::remove(path.c_str());
}
BENCHMARK(BM_Fputs)->Unit(benchmark::kMillisecond);

void BM_Fgetb(benchmark::State &state) {
    for (auto _ : state) {
        FDB *fdb = fopenr(nullptr, megabyte_file().c_str(), nullptr, nullptr);
        unsigned sum = 0;
        for (std::size_t i = 0; i < kMegabyte; ++i) sum += static_cast<unsigned char>(fgetb(fdb));
        fclosx(fdb);
        fdbfree(fdb);
        benchmark::DoNotOptimize(sum);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kMegabyte));
}
BENCHMARK(BM_Fgetb)->Unit(benchmark::kMillisecond);

void BM_Getc(benchmark::State &state) {
    for (auto _ : state) {
        std::FILE *f = std::fopen(megabyte_file().c_str(), "rb");
        unsigned sum = 0;
        for (std::size_t i = 0; i < kMegabyte; ++i) sum += static_cast<unsigned>(std::getc(f));
        std::fclose(f);
        benchmark::DoNotOptimize(sum);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kMegabyte));
}
BENCHMARK(BM_Getc)->Unit(benchmark::kMillisecond);

void BM_Fputm(benchmark::State &state) {
    const std::string path = scratch("zrl_bench_records.dat");
    char record[kRecord];
    for (int i = 0; i < kRecord; ++i) record[i] = static_cast<char>(i);
    for (auto _ : state) {
        FDB *fdb = fopenw(nullptr, path.c_str(), nullptr, nullptr);
        for (int i = 0; i < kRecords; ++i) fputm(fdb, record, kRecord);
        fclosx(fdb);
        fdbfree(fdb);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kMegabyte));
    std::remove(path.c_str());
}
BENCHMARK(BM_Fputm)->Unit(benchmark::kMillisecond);

void BM_Fwrite(benchmark::State &state) {
    const std::string path = scratch("zrl_bench_records.dat");
    char record[kRecord];
    for (int i = 0; i < kRecord; ++i) record[i] = static_cast<char>(i);
    for (auto _ : state) {
        std::FILE *f = std::fopen(path.c_str(), "wb");
        for (int i = 0; i < kRecords; ++i) std::fwrite(record, 1, kRecord, f);
        std::fclose(f);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kMegabyte));
    std::remove(path.c_str());
}
BENCHMARK(BM_Fwrite)->Unit(benchmark::kMillisecond);

} // namespace
