// spawn_nc of /bin/true, waited for, against posix_spawn and waitpid of the
// same program; and find_image_symbol of a symbol in an image already loaded
// (the library itself), for the cost of one lookup.
#include <zrlshared.h>

#include <benchmark/benchmark.h>

#include <spawn.h>
#include <sys/wait.h>

extern char **environ;

namespace {

void BM_SpawnNc(benchmark::State &state) {
    for (auto _ : state)
        if (spawn_nc("/bin/true", nullptr, nullptr) != 0) state.SkipWithError("spawn_nc failed");
}
BENCHMARK(BM_SpawnNc)->Unit(benchmark::kMicrosecond);

void BM_PosixSpawn(benchmark::State &state) {
    char program[] = "/bin/true";
    char *argv[] = {program, nullptr};
    for (auto _ : state) {
        pid_t pid;
        int status = 0;
        if (posix_spawn(&pid, program, nullptr, nullptr, argv, environ) != 0 ||
            waitpid(pid, &status, 0) != pid)
            state.SkipWithError("posix_spawn failed");
    }
}
BENCHMARK(BM_PosixSpawn)->Unit(benchmark::kMicrosecond);

void BM_FindImageSymbol(benchmark::State &state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(find_image_symbol("libZRLShared.so", "fmtstr"));
    if (find_image_symbol("libZRLShared.so", "fmtstr") == nullptr)
        state.SkipWithError("fmtstr not found");
}
BENCHMARK(BM_FindImageSymbol);

} // namespace
