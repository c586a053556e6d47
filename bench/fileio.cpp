// The record I/O's writers against the C library's stdio on the same files:
// lines written with fputstr and fputs, 64-byte records written with fputm and
// fwrite.  (The readers are measured in reading.cpp.)
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

// 100,000 lines of 0 to 120 characters, the same text for both writers.
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
