/*
** render_bench.cpp -- what a big model costs on screen: whole player frames
** (queues, render pass, swap) of a camera, a light and a 60 000-triangle
** sphere in shaded mode, with display lists on and off, next to the empty
** frame loop, in one 640 x 480 window.  The "ratio" printed at the end is
** the model frame's time over the empty frame's.
*/
#include "bench_gl.h"
#include "dkernel.h"
#include "dk_spline.h"

#include <benchmark/benchmark.h>
#include <math.h>
#include <stdio.h>

#include <string>

#include "unit/tds_writer.h"

using namespace tds;

namespace {

TempDir folder;
Section cameraSection, lightSection, objectSection;
double emptyTime = 0, listTime = 0, immediateTime = 0;

/* A sphere of 150 rings of 200 quads: 60 000 triangles, 30 351 vertices. */
void writeSphere(const std::string& path)
{
    const unsigned rings = 150, segments = 200;
    std::vector<P3> ps;
    for (unsigned r = 0; r <= rings; r++)
        for (unsigned s = 0; s <= segments; s++) {
            double theta = M_PI * r / rings, phi = 2 * M_PI * s / segments;
            ps.push_back({ (float)(sin(theta) * cos(phi)), (float)(sin(theta) * sin(phi)), (float)cos(theta) });
        }
    std::vector<F> fs;
    std::vector<unsigned> all;
    for (unsigned r = 0; r < rings; r++)
        for (unsigned s = 0; s < segments; s++) {
            unsigned a = r * (segments + 1) + s, b = a + segments + 1;
            all.push_back((unsigned)fs.size());
            fs.push_back({ a, b, a + 1, 7 });
            all.push_back((unsigned)fs.size());
            fs.push_back({ a + 1, b, b + 1, 7 });
        }
    Bytes bytes = file(material(matName("stone"), chunk(0xA020, color24(0x0011, 200, 180, 160))),
                       object("sphere", triMesh(vertices(ps), faces(fs, group("stone", all)))));
    if (!save(path, bytes)) abort();
}

void makeSection(Section* s, const char* type, const std::vector<std::string>& splines)
{
    static std::vector<std::string> files;
    s->type = getSectionByName(type);
    s->start = 0.0f;
    s->end = 1e6f;
    s->duration = s->end;
    s->spline_count = (int)splines.size();
    for (size_t i = 0; i < splines.size(); i++) {
        std::string path = folder.path + type + std::to_string(i) + ".spl";
        FILE* f = fopen(path.c_str(), "w");
        if (!f) abort();
        fputs(splines[i].c_str(), f);
        fclose(f);
        s->spline_files[i] = strdup(path.c_str());
        s->spline_durations[i] = s->duration;
    }
    motion_loadSection(s);
}

/* 640 x 480, panoramic */
void openPlayer()
{
    if (!bench_openGL("render bench")) return;
    demoSystem.display_lists = 1;
    writeSphere(folder.path + "sphere.3ds");
    /* the sphere fills the middle third of the window */
    makeSection(&cameraSection, "camera", { "0 0 3  0 0 0  0 0 0  60 0.1 100\n" });
    makeSection(&lightSection, "light", { "0 0 0  1 1 1  0 0 0\n", "0.3 0.5 1\n" });
    makeSection(&objectSection, "object", { "1 1 1  0 0 0  0 0 0\n" });
    lightSection.param_count = 1;
    lightSection.layer = 1;
    objectSection.layer = 2;
    static std::string dir = folder.path;
    static char mode[] = "shaded", name[] = "sphere.3ds";
    objectSection.param_count = 7;
    objectSection.string_count = 3;
    objectSection.strings[0] = mode;
    objectSection.strings[1] = &dir[0];
    objectSection.strings[2] = name;
    cameraSection.next = &lightSection;
    lightSection.next = &objectSection;
    for (Section* s : { &cameraSection, &lightSection, &objectSection }) section_load(s);
}

/* Plays frames of the given section list for as long as the benchmark asks. */
void playFrames(benchmark::State& state, Section* list)
{
    openPlayer();
    bench_setSections(list);         /* ends the last run's sections: lists released */
    for (int i = 0; i < 3; i++) dkernel_doExec();   /* compile, warm up */
    for (auto _ : state) dkernel_doExec();
    state.counters["fps"] = benchmark::Counter((double)state.iterations(), benchmark::Counter::kIsRate);
}

void BM_emptyFrame(benchmark::State& state) { playFrames(state, nullptr); }

void BM_shadedModel(benchmark::State& state)
{
    demoSystem.display_lists = (int)state.range(0);
    playFrames(state, &cameraSection);
    demoSystem.display_lists = 1;
}

BENCHMARK(BM_emptyFrame)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();
BENCHMARK(BM_shadedModel)->ArgName("lists")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)
    ->MinTime(2.0)->UseRealTime();

/* Keeps each run's time per frame to print the ratios at the end. */
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs) {
            if (r.iterations == 0) continue;
            double perFrame = r.real_accumulated_time / (double)r.iterations;
            std::string name = r.benchmark_name();
            if (name.find("emptyFrame") != std::string::npos) emptyTime = perFrame;
            else if (name.find("lists:1") != std::string::npos) listTime = perFrame;
            else if (name.find("lists:0") != std::string::npos) immediateTime = perFrame;
        }
    }
};

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    if (emptyTime > 0 && listTime > 0 && immediateTime > 0)
        printf("empty frame %.2f ms; shaded 60000 triangles: lists %.2f ms (ratio %.2f), "
               "immediate %.2f ms (ratio %.2f)\n",
               emptyTime * 1e3, listTime * 1e3, listTime / emptyTime, immediateTime * 1e3,
               immediateTime / emptyTime);
    benchmark::Shutdown();
    dkernel_closeDemo();
    return 0;
}
