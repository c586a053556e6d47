// fparse completing a short specification from a default of the usual
// 'DEV:\dir\name.typ' length, against the obvious alternative: split both
// texts into std::string fields and join the chosen ones.  Both write the same
// text into the same 4097-byte buffer.
#include <zrlshared.h>

#include <benchmark/benchmark.h>

#include <array>
#include <cstring>
#include <string>

namespace {

constexpr const char *kSpec = "report";
constexpr const char *kDefault = "DATA:\\work\\default.lis";
constexpr const char *kFull = "DATA:\\work\\old\\report.lis";

// Device through a colon not preceded by a separator, directory through the
// last separator, name up to the last dot, type the rest.
std::array<std::string, 4> naive_split(const std::string &text) {
    std::array<std::string, 4> fields;
    std::string rest = text;
    const std::size_t colon = rest.find(':');
    const std::size_t first_sep = rest.find_first_of("\\/");
    if (colon != std::string::npos && (first_sep == std::string::npos || first_sep > colon)) {
        fields[0] = rest.substr(0, colon + 1);
        rest = rest.substr(colon + 1);
    }
    const std::size_t last_sep = rest.find_last_of("\\/");
    if (last_sep != std::string::npos) {
        fields[1] = rest.substr(0, last_sep + 1);
        rest = rest.substr(last_sep + 1);
    }
    const std::size_t dot = rest.rfind('.');
    fields[2] = rest.substr(0, dot);
    if (dot != std::string::npos) fields[3] = rest.substr(dot);
    return fields;
}

int naive_merge(char *out, const char *spec, const char *def) {
    const auto s = naive_split(spec);
    const auto d = naive_split(def);
    std::string result;
    for (std::size_t f = 0; f < s.size(); ++f)
        result += s[f].empty() ? d[f] : s[f];
    const std::size_t n = result.size() < 4096 ? result.size() : 4096;
    std::memcpy(out, result.data(), n);
    out[n] = '\0';
    return static_cast<int>(n);
}

void BM_Fparse(benchmark::State &state) {
    char out[4097];
    for (auto _ : state) {
        benchmark::DoNotOptimize(fparse(out, kSpec, kDefault, nullptr));
        benchmark::ClobberMemory();
    }
    if (std::strcmp(out, "DATA:\\work\\report.lis") != 0)
        state.SkipWithError("fparse gave the wrong text");
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Fparse);

void BM_NaiveStringMerge(benchmark::State &state) {
    char out[4097];
    for (auto _ : state) {
        benchmark::DoNotOptimize(naive_merge(out, kSpec, kDefault));
        benchmark::ClobberMemory();
    }
    if (std::strcmp(out, "DATA:\\work\\report.lis") != 0)
        state.SkipWithError("the naive merge gave the wrong text");
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_NaiveStringMerge);

// Taking fields out of a full specification by field list.
void BM_FparseFieldList(benchmark::State &state) {
    char out[4097];
    for (auto _ : state) {
        benchmark::DoNotOptimize(fparse(out, kFull, nullptr, "NAM,TYP"));
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FparseFieldList);

void BM_FparseCanonical(benchmark::State &state) {
    char out[4097];
    for (auto _ : state) {
        benchmark::DoNotOptimize(fparse(out, "sys:Report.LIS", "tt:", "CANONICAL"));
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FparseCanonical);

} // namespace
