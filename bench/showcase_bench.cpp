// The example demo in bench mode: the player runs in this process on a copy
// of examples/showcase with `bench 1`, in wall-clock time, and reports its
// score line and the frames per second it kept up.  Compare with the bare
// clear-and-swap loop of frame_bench.
#include "dkernel.h"

#include <benchmark/benchmark.h>

#include <stdio.h>
#include <stdlib.h>
#include <string>
#include <unistd.h>

#ifndef LUMENO_SOURCE_DIR
#define LUMENO_SOURCE_DIR "."
#endif

namespace {

bool prepareCopy(std::string& dir)
{
    char tmpl[] = "/tmp/lumeno-showcase-XXXXXX";
    if (!mkdtemp(tmpl)) return false;
    dir = tmpl;
    std::string source = std::string(LUMENO_SOURCE_DIR) + "/examples/showcase";
    std::string cmd = "cp -r '" + source + "/.' '" + dir + "' && "
                      "sed -i 's/^debug 0$/debug 0\\nbench 1/' '" + dir + "/showcase.lum'";
    return system(cmd.c_str()) == 0;
}

void BM_showcase(benchmark::State& state)
{
    std::string dir;
    if (!prepareCopy(dir)) {
        state.SkipWithError("cannot copy examples/showcase");
        return;
    }
    char cwd[4096];
    if (!getcwd(cwd, sizeof(cwd)) || chdir(dir.c_str()) != 0) {
        state.SkipWithError("cannot enter the copy");
        return;
    }
    for (auto _ : state) {
        char name[] = "player";
        char* argv[] = { name, nullptr };
        SDL_main(1, argv);   // prints "Score: ..." on the standard output
    }
    if (chdir(cwd) != 0) perror("chdir");
    std::string cleanup = "rm -rf '" + dir + "'";
    if (system(cleanup.c_str()) != 0) perror("rm");

    float seconds = demoSystem.time - demoSystem.demo_start;
    state.counters["frames"] = demoSystem.frames;
    state.counters["fps"] = seconds > 0.0f ? demoSystem.frames / seconds : 0.0;
}
// The demo closes the windowing layer when it ends: run it once.
BENCHMARK(BM_showcase)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
