/*
** frame_bench.cpp -- what one frame of the player costs: the kernel's frame
** (queues, render pass, letterbox edges, swap) with nothing to draw, next to
** a bare SDL clear-and-swap loop in the same 640 x 480 window, and their
** ratio.  Both run in this process so they share the window and the GL.
*/
#include "bench_gl.h"
#include "dkernel.h"
#include "dk_loop.h"
#include "gldrv.h"

#include <benchmark/benchmark.h>
#include <GL/gl.h>
#include <SDL/SDL.h>

#include <stdio.h>

namespace {

double playerFps = 0;
double bareFps = 0;

/* 640 x 480, panoramic, with no sections: an empty frame loop */
void openPlayer() { bench_openGL("frame bench"); }

void BM_playerFrame(benchmark::State& state)
{
    openPlayer();
    for (auto _ : state) dkernel_doExec();
    state.counters["fps"] = benchmark::Counter((double)state.iterations(), benchmark::Counter::kIsRate);
}

void BM_bareClearSwap(benchmark::State& state)
{
    openPlayer();
    glViewport(0, 0, glDriver.width, glDriver.height);
    for (auto _ : state) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        SDL_GL_SwapBuffers();
    }
    state.counters["fps"] = benchmark::Counter((double)state.iterations(), benchmark::Counter::kIsRate);
}

BENCHMARK(BM_playerFrame)->Unit(benchmark::kMicrosecond)->MinTime(2.0)->UseRealTime();
BENCHMARK(BM_bareClearSwap)->Unit(benchmark::kMicrosecond)->MinTime(2.0)->UseRealTime();

/* Keeps the frames per second of each run to print the ratio at the end. */
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs) {
            double seconds = r.real_accumulated_time;
            if (seconds <= 0 || r.iterations == 0) continue;
            double fps = r.iterations / seconds;
            if (r.benchmark_name().find("playerFrame") != std::string::npos) playerFps = fps;
            if (r.benchmark_name().find("bareClearSwap") != std::string::npos) bareFps = fps;
        }
    }
};

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    if (playerFps > 0 && bareFps > 0)
        printf("player frame: %.1f fps, bare clear and swap: %.1f fps, ratio %.3f\n",
               playerFps, bareFps, playerFps / bareFps);
    benchmark::Shutdown();
    dkernel_closeDemo();
    return 0;
}
