// The example demo in bench mode: the player runs in this process on a copy
// of examples/showcase with `bench 1`, in wall-clock time, and reports its
// score line, the frames per second it kept up over the whole run and in
// its slowest two seconds (and the demo second that window starts at).
// Compare with the bare clear-and-swap loop of frame_bench.
#include "dk_loop.h"
#include "dkernel.h"

#include <SDL/SDL.h>
#include <benchmark/benchmark.h>

#include <stdio.h>
#include <stdlib.h>
#include <string>
#include <unistd.h>
#include <vector>

#ifndef LUMENO_SOURCE_DIR
#define LUMENO_SOURCE_DIR "."
#endif

namespace {

/* The clock asks for the wall time once a frame: each call marks a frame
** finished, at the demo second it showed. */
struct FrameMark {
    unsigned int ticks;
    float second;
};
std::vector<FrameMark> marks;

unsigned int markingTicks(void)
{
    unsigned int now = SDL_GetTicks();
    marks.push_back({ now, demoSystem.time });
    return now;
}

/* The fewest frames finished in any window of `ms` milliseconds that lies
** wholly inside the run, as frames a second; `second` gets the demo second
** the window starts at.  Windows start after the first frame: the loading
** screen's hold comes before it. */
double slowestWindow(unsigned int ms, float* second)
{
    double worst = 0.0;
    size_t start = 0;
    while (start < marks.size() && marks[start].second <= demoSystem.demo_start) start++;
    size_t last = start;
    for (size_t first = start; first < marks.size(); first++) {
        if (marks.back().ticks - marks[first].ticks < ms) break;
        if (last < first) last = first;
        while (last < marks.size() && marks[last].ticks - marks[first].ticks < ms) last++;
        double fps = (double)(last - first) * 1000.0 / ms;
        if (worst == 0.0 || fps < worst) {
            worst = fps;
            *second = marks[first].second;
        }
    }
    return worst;
}

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
    marks.clear();
    dkernel_ticks = markingTicks;
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
    float at = 0.0f;
    state.counters["slowest_2s_fps"] = slowestWindow(2000, &at);
    state.counters["slowest_2s_at"] = at;
}
// The demo closes the windowing layer when it ends: run it once.
BENCHMARK(BM_showcase)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
