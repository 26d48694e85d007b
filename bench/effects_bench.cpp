/*
** effects_bench.cpp -- what each post-processing section costs per frame
** at 640 x 480: the kernel's frame with the effect as its only section,
** next to the empty frame and next to the effect's floor, the frame copies
** and textured screen quads it cannot do without, priced by two
** calibration loops in the same window.  `make bench` prints the table.
*/
#include "bench_gl.h"
#include "dkernel.h"
#include "dk_spline.h"
#include "camera.h"
#include "gldrv.h"
#include "tex.h"

#include <benchmark/benchmark.h>
#include <GL/gl.h>

#include <map>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <vector>

namespace {

struct EffectCase {
    const char*        label;
    const char*        type;
    std::vector<float> params;
    std::vector<std::vector<float>> splines;   /* one key each */
    const char*        inner;                  /* efxRepeat's string 1 */
    int                copies;                 /* the floor: frame copies ... */
    int                quads;                  /* ... and full-screen quads */
};

const EffectCase kCases[] = {
    { "efxBoxBlur radius 8", "efxBoxBlur", { 8 }, {}, nullptr, 8, 8 },
    { "efxHighPassFilter passes 4", "efxHighPassFilter", { 0.5f, 0.5f, 0.5f, 4 }, {}, nullptr, 1, 3 },
    { "efxGlow passes 4 radius 8", "efxGlow", { 0.5f, 0.5f, 0.5f, 4, 8 }, {}, nullptr, 10, 20 },
    { "efxRadialBlur count 8", "efxRadialBlur", { 8, 0, 0.3f, 0.3f, 0.02f, 0.02f, 0.5f, 0.5f, 0.5f, 0.5f }, {}, nullptr, 1, 8 },
    { "efxRadialBlur count 8 accumulated", "efxRadialBlur", { 8, 1, 0.3f, 0.3f, 0.02f, 0.02f, 0.5f, 0.5f, 0.5f, 0.5f }, {}, nullptr, 8, 8 },
    { "efxRadialGlow passes 2 count 8", "efxRadialGlow", { 0.5f, 0.5f, 0.5f, 2, 8, 0, 0.3f, 0.3f, 0.02f, 0.02f, 0.5f, 0.5f, 0.5f, 0.5f }, {}, nullptr, 3, 11 },
    { "efxMotionBlur", "efxMotionBlur", { 0.8f, 0.8f }, {}, nullptr, 1, 1 },
    { "efxMotionBlurAccum (3 accum ops)", "efxMotionBlurAccum", { 0.8f }, {}, nullptr, 0, 0 },
    { "efxAccum count 4", "efxAccum", { 4, 0.5f, 0.5f }, {}, nullptr, 1, 4 },
    { "efxRepeat of efxInverse", "efxRepeat", { 1, 1, 0 }, {}, "efxInverse", 0, 1 },
    { "efxDeform 5 points 16 x 16", "efxDeform", { 5, 16, 16 }, { { 2, 2, 30, 20, 0 } }, nullptr, 1, 1 },
    { "efxSwirl", "efxSwirl", { 0, 1, 1 }, { { 0.5f, 0.5f, 0.4f, 4 } }, nullptr, 1, 1 },
    { "efxRenderMesh mode 3", "efxRenderMesh", { 3, 1, 1 }, {}, nullptr, 1, 1 },
    { "efxViewport coloured", "efxViewport", {}, { { 0.1f, 0.1f, 0.8f, 0.8f }, { 0.2f, 0.2f, 0.2f, 1 } }, nullptr, 0, 1 },
    { "efxFog", "efxFog", { 0.5f, 0.5f, 0.5f, 1, 1, 0.1f }, {}, nullptr, 0, 0 },
};

const int kCalibration = 16;   /* copies or quads per calibration frame */

std::map<std::string, double> msPerFrame;

/* 640 x 480 as the showcase plays */
void openPlayer()
{
    if (bench_openGL("effects bench", BENCH_GL_NARROW | BENCH_GL_ACCUM)) demoSystem.bpm = 120.0f;
}

Spline* oneKeySpline(const std::vector<float>& values)
{
    Spline* spline = (Spline*)calloc(1, sizeof(Spline));
    spline->keys = (Key*)calloc(1, sizeof(Key));
    spline->key_count = 1;
    spline->channel_count = (int)values.size();
    for (size_t c = 0; c < values.size(); c++) spline->keys[0].values[c] = values[c];
    return spline;
}

Section* makeSection(const EffectCase& c)
{
    Section* s = (Section*)calloc(1, sizeof(Section));
    s->type = getSectionByName(c.type);
    s->start = 0.0f;
    s->end = s->duration = 1.0e6f;
    s->layer = 40;
    s->blend_on = 1;
    s->blend_src = GL_SRC_ALPHA;
    s->blend_dst = GL_ONE_MINUS_SRC_ALPHA;
    s->param_count = (int)c.params.size();
    for (size_t k = 0; k < c.params.size(); k++) s->params[k] = c.params[k];
    if (c.inner) {
        s->string_count = 1;
        s->strings[0] = strdup(c.inner);
    }
    s->spline_count = (int)c.splines.size();
    for (size_t k = 0; k < c.splines.size(); k++) s->splines[k] = oneKeySpline(c.splines[k]);
    return s;
}

/* The kernel's frames with `s` (or nothing) as the demo's only section. */
void runFrames(benchmark::State& state, Section* s)
{
    openPlayer();
    bench_setSections(s);
    for (auto _ : state) dkernel_doExec();
    bench_setSections(nullptr);   /* ends it: fog and the like switch off again */
}

void BM_empty(benchmark::State& state) { runFrames(state, nullptr); }

/* Each case loads once: the library calls a benchmark several times while
   it settles on an iteration count. */
void BM_effect(benchmark::State& state, const EffectCase* c)
{
    openPlayer();
    static std::map<const EffectCase*, Section*> loaded;
    static std::map<int, bool> preloaded;
    Section*& s = loaded[c];
    if (!s) {
        s = makeSection(*c);
        if (!preloaded[s->type]) {
            preloaded[s->type] = true;
            sectionFunction[s->type].preload();
        }
        section_load(s);
    }
    runFrames(state, s);
}

/* A bare frame with `quads` blended textured screen quads, each after a
** frame copy when `copies` is set: a copy waits for the drawing before it,
** so it is priced where the effects make it, between quads. */
void calibrationFrame(int quads, bool copies)
{
    gldrv_initRender(1);
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    camera_set2d();
    tex_reset_bind();
    tex_bind(demoSystem.rtt_texture);
    glColor4f(1.0f, 1.0f, 1.0f, 0.5f);
    for (int k = 0; k < quads; k++) {
        if (copies) gldrv_copyColorBuffer();
        gldrv_texscreenquad();
    }
    camera_restore();
    glDisable(GL_BLEND);
    glEnable(GL_DEPTH_TEST);
    gldrv_initRender(0);
    gldrv_endRender();
    gldrv_swap();
}

void BM_bare(benchmark::State& state, int quads, bool copies)
{
    openPlayer();
    for (auto _ : state) calibrationFrame(quads, copies);
}

class TableReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs)
            if (r.iterations > 0)
                msPerFrame[r.run_name.function_name] =
                    r.real_accumulated_time * 1000.0 / (double)r.iterations;
    }
};

void printTable()
{
    double empty = msPerFrame["empty frame"];
    double bare = msPerFrame["bare frame"];
    double quad = (msPerFrame["bare frame, 16 quads"] - bare) / kCalibration;
    double copy = (msPerFrame["bare frame, 16 copies and quads"] - bare) / kCalibration - quad;
    printf("\nper full-screen pass at 640 x 480: frame copy %.3f ms, textured screen quad %.3f ms\n",
           copy, quad);
    printf("%-36s %9s %9s %15s %9s %7s\n", "effect", "frame ms", "empty ms", "copies + quads",
           "floor ms", "/floor");
    for (const EffectCase& c : kCases) {
        if (!msPerFrame.count(c.label)) continue;
        double frame = msPerFrame[c.label];
        double floor = empty + c.copies * copy + c.quads * quad;
        char passes[32];
        snprintf(passes, sizeof passes, "%d + %d", c.copies, c.quads);
        printf("%-36s %9.3f %9.3f %15s %9.3f %7.2f\n", c.label, frame, empty, passes, floor,
               frame / floor);
    }
}

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    benchmark::RegisterBenchmark("empty frame", BM_empty)->UseRealTime()->MinTime(1.0);
    benchmark::RegisterBenchmark("bare frame", BM_bare, 0, false)->UseRealTime()->MinTime(1.0);
    benchmark::RegisterBenchmark("bare frame, 16 quads", BM_bare, kCalibration, false)
        ->UseRealTime()->MinTime(1.0);
    benchmark::RegisterBenchmark("bare frame, 16 copies and quads", BM_bare, kCalibration, true)
        ->UseRealTime()->MinTime(1.0);
    for (const EffectCase& c : kCases)
        benchmark::RegisterBenchmark(c.label, BM_effect, &c)->UseRealTime()->MinTime(1.0)->Unit(benchmark::kMillisecond);
    TableReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    printTable();
    benchmark::Shutdown();
    dkernel_closeDemo();
    return 0;
}
