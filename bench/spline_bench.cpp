// Spline sampling as section types do it every frame: a 12-channel camera
// spline of 100 keys, sampled through dkernel_getSpline with one BEAT
// modifier, at times spread over the whole duration.
#include "dk_spline.h"
#include "dkernel.h"

#include <benchmark/benchmark.h>

#include <stdlib.h>

namespace {

Spline* makeSpline(int keys, int channels, float duration)
{
    Spline* s = (Spline*)calloc(1, sizeof(Spline));
    s->keys = (Key*)calloc(keys, sizeof(Key));
    s->key_count = keys;
    s->channel_count = channels;
    for (int k = 0; k < keys; k++)
        for (int c = 0; c < channels; c++)
            s->keys[k].values[c] = (float)((k * 37 + c * 11) % 23) - 11.0f;
    motion_setDuration(s, duration);
    return s;
}

void BM_getSpline12x100(benchmark::State& state)
{
    static Section section = {};
    section.spline_count = 1;
    section.splines[0] = makeSpline(100, 12, 60.0f);
    section.modifier_count = 1;
    section.modifiers[0] = { 1, 3, 1 };
    mySection = &section;

    float out[SPLINE_MAX_CHANNELS];
    float t = 0.0f;
    for (auto _ : state) {
        dkernel_getSpline(0, t, out);
        benchmark::DoNotOptimize(out);
        t += 0.0137f;              // walks the whole spline, every segment
        if (t > 60.0f) t -= 60.0f;
    }
    state.SetItemsProcessed(state.iterations());
    state.SetLabel("ns per sample = time column");
}
BENCHMARK(BM_getSpline12x100);

}  // namespace

BENCHMARK_MAIN();
