/*
** spline_fuzz.cpp -- libFuzzer target for spline files: any byte string is
** read as a spline or refused through the fatal path, and what was read is
** placed over a duration and sampled inside, before and past its keys,
** without crash, leak or access outside the key rows.
*/
#include "fuzz_support.h"
#include "fuzz_kernel.h"
#include "dk_spline.h"

#include <math.h>

/* the sync tracks share the spline module; this target reads files only */
void section_needFile(const char*) {}


static void sample(const Spline* spline, float duration)
{
    float out[SPLINE_MAX_CHANNELS];
    const float times[] = { -1.0f, 0.0f, duration * 0.37f, duration, duration + 1.0f, NAN };
    for (float t : times) {
        for (float& v : out) v = 0.0f;
        MotionCalcStep(spline, out, t);
    }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const char* path = fuzz_inputFile(data, size);
    Spline* spline = nullptr;
    if (!fuzz_run([&] { spline = motion_load(path); }))
        return 0;
    if (spline->channel_count < 0 || spline->channel_count > SPLINE_MAX_CHANNELS) abort();
    /* the last data byte as the duration: zero and short durations too */
    float duration = size ? data[size - 1] / 16.0f : 0.0f;
    motion_setDuration(spline, duration);
    sample(spline, duration);
    free(spline->keys);
    free(spline);
    return 0;
}
