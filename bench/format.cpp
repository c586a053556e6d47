// The format engine against the C runtime's snprintf on the same line: a
// left-justified string, a right-justified integer and a left-justified one.
// Compare the items per second of BM_Fmtstr and BM_Snprintf.
#include <benchmark/benchmark.h>

#include <cstdio>

#include <zrlshared.h>

namespace {

const char *const kNames[] = {"REPORT", "DATA", "LISTING", "X"};

void BM_Fmtstr(benchmark::State &state) {
    char out[128];
    int i = 0;
    for (auto _ : state) {
        const int n =
            fmtstr(out, "File: ''''''''  blocks: #####^  used: ######", kNames[i & 3], i * 37, -i);
        benchmark::DoNotOptimize(n);
        benchmark::DoNotOptimize(out);
        ++i;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Fmtstr);

void BM_Snprintf(benchmark::State &state) {
    char out[128];
    int i = 0;
    for (auto _ : state) {
        const int n = std::snprintf(out, sizeof out, "File: %-8s  blocks: %6d  used: %-6d",
                                    kNames[i & 3], i * 37, -i);
        benchmark::DoNotOptimize(n);
        benchmark::DoNotOptimize(out);
        ++i;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Snprintf);

void BM_FmtstrIntegers(benchmark::State &state) {
    char out[64];
    int i = 0;
    for (auto _ : state) {
        const int n = fmtstr(out, "#^:#^:#^ #", i % 24, i % 60, i % 61, i);
        benchmark::DoNotOptimize(n);
        benchmark::DoNotOptimize(out);
        ++i;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FmtstrIntegers);

void BM_SnprintfIntegers(benchmark::State &state) {
    char out[64];
    int i = 0;
    for (auto _ : state) {
        const int n = std::snprintf(out, sizeof out, "%2d:%2d:%2d %d", i % 24, i % 60, i % 61, i);
        benchmark::DoNotOptimize(n);
        benchmark::DoNotOptimize(out);
        ++i;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SnprintfIntegers);

} // namespace
