// The searches of the string primitives against strstr and strchr, on a
// 64 MB string with the hit near its start and on one without a hit: an
// early hit must cost only the bytes before it.
#include <zrlshared.h>

#include <benchmark/benchmark.h>

#include <cstring>
#include <string>

namespace {

const std::string &text() {
    static const std::string s = "xyz" + std::string(64u << 20, 'a');
    return s;
}

void BM_Posstr(benchmark::State &state) {
    text(); // built before the timing starts
    for (auto _ : state)
        benchmark::DoNotOptimize(posstr("xyz", text().c_str(), 0));
}
BENCHMARK(BM_Posstr);
void BM_Sposstr(benchmark::State &state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(sposstr("xyz", text().c_str()));
}
BENCHMARK(BM_Sposstr);
void BM_Psposstr(benchmark::State &state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(psposstr("xyz", text().c_str()));
}
BENCHMARK(BM_Psposstr);
void BM_Strstr(benchmark::State &state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(std::strstr(text().c_str(), "xyz"));
}
BENCHMARK(BM_Strstr);
void BM_Cposstr(benchmark::State &state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(cposstr('y', text().c_str()));
}
BENCHMARK(BM_Cposstr);
void BM_Strchr(benchmark::State &state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(std::strchr(text().c_str(), 'y'));
}
BENCHMARK(BM_Strchr);

// No hit: both sides read the whole string.
void BM_PosstrMiss(benchmark::State &state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(posstr("ab", text().c_str() + 3, 0));
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text().size()));
}
BENCHMARK(BM_PosstrMiss)->Unit(benchmark::kMillisecond);
void BM_StrstrMiss(benchmark::State &state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(std::strstr(text().c_str() + 3, "ab"));
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text().size()));
}
BENCHMARK(BM_StrstrMiss)->Unit(benchmark::kMillisecond);

} // namespace
