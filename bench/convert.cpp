// Number-to-text conversions against the obvious alternatives: snprintf and
// std::to_chars for integers, snprintf("%.7g") for doubles.  Each benchmark
// converts the same 1024 values per iteration; compare the times per value.
#include <zrlshared.h>

#include <benchmark/benchmark.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <random>
#include <vector>

namespace {

constexpr std::size_t kValues = 1024;

// Integers of every length: random bits shifted right by a random amount.
const std::vector<std::uint32_t> &integers() {
    static const std::vector<std::uint32_t> values = [] {
        std::mt19937 rng(1);
        std::vector<std::uint32_t> v(kValues);
        for (auto &x : v)
            x = static_cast<std::uint32_t>(rng()) >> (rng() % 32);
        return v;
    }();
    return values;
}

// Doubles of mixed magnitude and sign, most of them in the fixed range.
const std::vector<double> &reals() {
    static const std::vector<double> values = [] {
        std::mt19937 rng(2);
        std::uniform_real_distribution<double> mantissa(1.0, 10.0);
        std::vector<double> v(kValues);
        for (auto &x : v) {
            x = mantissa(rng) * std::pow(10.0, static_cast<int>(rng() % 16) - 8);
            if (rng() % 4 == 0) x = -x;
        }
        return v;
    }();
    return values;
}

template <class Convert> void run(benchmark::State &state, Convert convert) {
    char buffer[32];
    for (auto _ : state) {
        for (std::uint32_t u : integers()) {
            benchmark::DoNotOptimize(convert(u, buffer));
            benchmark::ClobberMemory();
        }
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * kValues));
}

template <class Convert> void run_real(benchmark::State &state, Convert convert) {
    char buffer[32];
    for (auto _ : state) {
        for (double x : reals()) {
            benchmark::DoNotOptimize(convert(x, buffer));
            benchmark::ClobberMemory();
        }
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * kValues));
}

// ---- signed decimal ----
void BM_Convia(benchmark::State &state) {
    run(state, [](std::uint32_t u, char *b) {
        const int v = static_cast<int>(u);
        return convia(&v, b);
    });
}
void BM_SnprintfSigned(benchmark::State &state) {
    run(state,
        [](std::uint32_t u, char *b) { return std::snprintf(b, 32, "%d", static_cast<int>(u)); });
}
void BM_ToCharsSigned(benchmark::State &state) {
    run(state, [](std::uint32_t u, char *b) {
        char *end = std::to_chars(b, b + 31, static_cast<int>(u)).ptr;
        *end = '\0';
        return static_cast<int>(end - b);
    });
}

// ---- unsigned decimal ----
void BM_Utoa(benchmark::State &state) {
    run(state, [](std::uint32_t u, char *b) { return utoa(u, b); });
}
void BM_SnprintfUnsigned(benchmark::State &state) {
    run(state, [](std::uint32_t u, char *b) { return std::snprintf(b, 32, "%u", u); });
}
void BM_ToCharsUnsigned(benchmark::State &state) {
    run(state, [](std::uint32_t u, char *b) {
        char *end = std::to_chars(b, b + 31, u).ptr;
        *end = '\0';
        return static_cast<int>(end - b);
    });
}

// ---- eight hexadecimal digits ----
void BM_Xtoa(benchmark::State &state) {
    run(state, [](std::uint32_t u, char *b) { return xtoa(u, b); });
}
void BM_SnprintfHex(benchmark::State &state) {
    run(state, [](std::uint32_t u, char *b) { return std::snprintf(b, 32, "%08X", u); });
}
// to_chars has no fill and writes lower case; this is its bare base-16 speed.
void BM_ToCharsHex(benchmark::State &state) {
    run(state, [](std::uint32_t u, char *b) {
        char *end = std::to_chars(b, b + 31, u, 16).ptr;
        *end = '\0';
        return static_cast<int>(end - b);
    });
}

// ---- seven significant digits ----
void BM_Dtoa(benchmark::State &state) {
    run_real(state, [](double x, char *b) { return dtoa(x, b); });
}
void BM_ConvdaNoexp(benchmark::State &state) {
    run_real(state, [](double x, char *b) { return convda_noexp(&x, b); });
}
void BM_SnprintfReal(benchmark::State &state) {
    run_real(state, [](double x, char *b) { return std::snprintf(b, 32, "%.7g", x); });
}

} // namespace

BENCHMARK(BM_Convia);
BENCHMARK(BM_SnprintfSigned);
BENCHMARK(BM_ToCharsSigned);
BENCHMARK(BM_Utoa);
BENCHMARK(BM_SnprintfUnsigned);
BENCHMARK(BM_ToCharsUnsigned);
BENCHMARK(BM_Xtoa);
BENCHMARK(BM_SnprintfHex);
BENCHMARK(BM_ToCharsHex);
BENCHMARK(BM_Dtoa);
BENCHMARK(BM_ConvdaNoexp);
BENCHMARK(BM_SnprintfReal);
