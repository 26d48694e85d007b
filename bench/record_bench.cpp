/*
** record_bench.cpp -- record mode's frame capture against its floor: the
** same 640 x 480 frame drawn, read back and written as raw bytes, which no
** capture can beat by much.  Prints the capture's share of the floor's
** frames per second; record mode should keep 80 % or more of it.
*/
#include "bench_gl.h"
#include "dkernel.h"
#include "gldrv.h"

#include <benchmark/benchmark.h>
#include <GL/gl.h>
#include <SDL/SDL.h>

#include <stdio.h>
#include <stdlib.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

const int FRAMES = 30;   /* per iteration, so the last writes are waited for */
const int FILES = 8;     /* frame names are reused, the disk does not fill */
double floorFps = 0;
double captureFps = 0;

void openWindow()
{
    if (!bench_openGL("record bench", BENCH_GL_NARROW)) return;
    static char dir[] = "/tmp/record_benchXXXXXX";
    if (!mkdtemp(dir) || chdir(dir) != 0) abort();
    mkdir("video", 0755);
    demoSystem.record = 1;
}

/* a frame with some structure: a gradient quad over a cleared window */
void drawFrame(int n)
{
    glViewport(0, 0, glDriver.width, glDriver.height);
    glClearColor(0.1f, 0.2f, 0.3f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glDisable(GL_TEXTURE_2D);
    glBegin(GL_QUADS);
    float s = (float)(n % 50) / 100.0f;
    glColor3f(1, 0, 0); glVertex2f(-0.5f - s, -0.5f);
    glColor3f(0, 1, 0); glVertex2f(0.5f, -0.5f);
    glColor3f(0, 0, 1); glVertex2f(0.5f, 0.5f + s);
    glColor3f(1, 1, 1); glVertex2f(-0.5f, 0.5f);
    glEnd();
    glEnable(GL_TEXTURE_2D);
}

void writeRaw(int n, std::vector<unsigned char>& pixels)
{
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, glDriver.width, glDriver.height, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    char name[32];
    snprintf(name, sizeof name, "video/raw%d.bin", n % FILES);
    FILE* f = fopen(name, "wb");
    if (!f) abort();
    fwrite(pixels.data(), 1, pixels.size(), f);
    fclose(f);
}

void BM_readAndWriteRaw(benchmark::State& state)
{
    openWindow();
    std::vector<unsigned char> pixels((size_t)glDriver.width * glDriver.height * 3);
    int n = 0;
    for (auto _ : state) {
        for (int i = 0; i < FRAMES; i++, n++) {
            drawFrame(n);
            writeRaw(n, pixels);
            SDL_GL_SwapBuffers();
        }
    }
    state.counters["fps"] = benchmark::Counter((double)state.iterations() * FRAMES,
                                               benchmark::Counter::kIsRate);
}

void BM_recordCapture(benchmark::State& state)
{
    openWindow();
    int n = 0;
    for (auto _ : state) {
        for (int i = 0; i < FRAMES; i++, n++) {
            drawFrame(n);
            demoSystem.frames = n % FILES;
            gldrv_capture();
            SDL_GL_SwapBuffers();
        }
    }
    state.counters["fps"] = benchmark::Counter((double)state.iterations() * FRAMES,
                                               benchmark::Counter::kIsRate);
}

BENCHMARK(BM_readAndWriteRaw)->Unit(benchmark::kMillisecond)->MinTime(3.0)->UseRealTime();
BENCHMARK(BM_recordCapture)->Unit(benchmark::kMillisecond)->MinTime(3.0)->UseRealTime();

class ShareReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs) {
            double seconds = r.real_accumulated_time;
            if (seconds <= 0 || r.iterations == 0) continue;
            double fps = r.iterations * FRAMES / seconds;
            if (r.benchmark_name().find("readAndWriteRaw") != std::string::npos) floorFps = fps;
            if (r.benchmark_name().find("recordCapture") != std::string::npos) captureFps = fps;
        }
    }
};

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    ShareReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    if (floorFps > 0 && captureFps > 0)
        printf("record capture: %.1f fps, read back and write raw: %.1f fps, share %.0f %%\n",
               captureFps, floorFps, 100.0 * captureFps / floorFps);
    benchmark::Shutdown();
    dkernel_closeDemo();
    return 0;
}
