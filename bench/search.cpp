// fsinit + fsearch, and the light search (ffsinit + ffsearch), over a
// directory of 20,000 files, half of them matching, against the plain loop a
// POSIX program would write: readdir, fnmatch and the path of each match
// formed in a buffer.  All find the same 10,000 names.  Each row also
// reports its page faults per iteration (getrusage), since a slot is a page.
//
// BM_SlotBlock is the floor that the search context's layout sets: the same
// 10,000 paths written into 4096-byte slots of a block doubled when full, and
// read back.  Each slot is a page of its own, so this measures what the first
// touch of 10,000 pages costs on the machine at hand.
#include <zrlshared.h>

#include <benchmark/benchmark.h>

#include <dirent.h>
#include <sys/resource.h>
#include <fnmatch.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

constexpr int kFiles = 20000;
constexpr int kMatches = kFiles / 2;

// The directory of the run, made once and removed when the program ends.
class Files {
  public:
    Files()
        : dir_((std::filesystem::temp_directory_path() /
                ("zrl_bench_search_" + std::to_string(::getpid())))
                   .string()) {
        std::filesystem::create_directories(dir_);
        char name[32];
        for (int i = 0; i < kFiles; ++i) {
            std::snprintf(name, sizeof name, "f%05d.%s", i, i % 2 == 0 ? "txt" : "dat");
            std::ofstream(dir_ + "/" + name);
        }
    }
    ~Files() {
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }
    const std::string &dir() const { return dir_; }

  private:
    std::string dir_;
};

const Files &files() {
    static const Files made;
    return made;
}

long minor_faults() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_minflt;
}

// Page faults per iteration, as a counter of the row.
class FaultCount {
  public:
    explicit FaultCount(benchmark::State &state) : state_(state), start_(minor_faults()) {}
    ~FaultCount() {
        state_.counters["faults"] = benchmark::Counter(
            static_cast<double>(minor_faults() - start_), benchmark::Counter::kAvgIterations);
    }

  private:
    benchmark::State &state_;
    long start_;
};

void BM_Fsearch(benchmark::State &state) {
    const FaultCount faults(state);
    const std::string spec = files().dir() + "/*.txt";
    char out[4097];
    for (auto _ : state) {
        ZRL_SEARCH *context = fsinit(nullptr, spec.c_str(), nullptr);
        int found = 0;
        while (fsearch(context, out) > 0)
            ++found;
        fsfree(context);
        if (found != kMatches) state.SkipWithError("fsearch found the wrong number of files");
        benchmark::DoNotOptimize(out);
    }
    state.SetItemsProcessed(state.iterations() * kFiles);
}

void BM_LightSearch(benchmark::State &state) {
    const FaultCount faults(state);
    char out[4097];
    for (auto _ : state) {
        ZRL_LIGHT_SEARCH search = ffsinit(nullptr, files().dir().c_str(), "*.txt");
        int found = 0;
        while (ffsearch(search, out) > 0)
            ++found;
        ffsfree(search);
        if (found != kMatches) state.SkipWithError("ffsearch found the wrong number of files");
        benchmark::DoNotOptimize(out);
    }
    state.SetItemsProcessed(state.iterations() * kFiles);
}

void BM_ReaddirFnmatch(benchmark::State &state) {
    const FaultCount faults(state);
    const std::string &dir = files().dir();
    char out[4097];
    for (auto _ : state) {
        DIR *stream = ::opendir(dir.c_str());
        int found = 0;
        while (const dirent *entry = ::readdir(stream)) {
            if (::fnmatch("*.txt", entry->d_name, 0) != 0) continue;
            std::snprintf(out, sizeof out, "%s/%s", dir.c_str(), entry->d_name);
            ++found;
        }
        ::closedir(stream);
        if (found != kMatches) state.SkipWithError("the loop found the wrong number of files");
        benchmark::DoNotOptimize(out);
    }
    state.SetItemsProcessed(state.iterations() * kFiles);
}

void BM_SlotBlock(benchmark::State &state) {
    const FaultCount faults(state);
    constexpr std::size_t kSlot = ZRL_SEARCH_SLOT;
    char path[4097];
    std::snprintf(path, sizeof path, "%s/f00000.txt", files().dir().c_str());
    const std::size_t length = std::strlen(path);
    for (auto _ : state) {
        std::size_t capacity = 1;
        char *block = static_cast<char *>(std::malloc(kSlot));
        for (std::size_t i = 0; i < kMatches; ++i) {
            if (i == capacity) {
                capacity *= 2;
                block = static_cast<char *>(std::realloc(block, capacity * kSlot));
            }
            std::memcpy(block + i * kSlot, path, length + 1);
        }
        std::size_t total = 0;
        for (std::size_t i = 0; i < kMatches; ++i)
            total += std::strlen(block + i * kSlot);
        std::free(block);
        benchmark::DoNotOptimize(total);
    }
    state.SetItemsProcessed(state.iterations() * kFiles);
}

BENCHMARK(BM_Fsearch)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LightSearch)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReaddirFnmatch)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SlotBlock)->Unit(benchmark::kMillisecond);

} // namespace
