/*
** aud_onset.cpp -- onset strength of the mixed signal: how hard the music
** has just struck, for pictures that pulse with it.
**
** The mix is cut into 10 ms steps.  A step's loudness is compared with the
** average of the four before it; a rise in decibels is an attack.  Rises
** are measured against the largest one of the last seconds, so a quiet
** track pulses as fully as a loud one, and the result jumps up at once but
** falls off smoothly, so that it never flickers from step to step.
*/
#include <math.h>

#include "aud_internal.h"

#define ONSET_STEP_SECONDS    0.010
#define ONSET_SILENCE         1e-7    /* mean square of -70 dB: quieter counts as silence */
#define ONSET_MAX_RISE_DB     30.0f   /* a click out of silence counts no more than this */
#define ONSET_MIN_PEAK_DB     6.0f    /* a rise this large always reaches 1 */
#define ONSET_STEADY_DB       1.5f    /* rises below this are a steady sound wavering */
#define ONSET_RELEASE_SECONDS 0.06    /* time constant of the fall after an attack */
#define ONSET_PEAK_HALF_LIFE  4.0     /* seconds until a loud attack counts half */
#define ONSET_HISTORY         4

void aud_onsetReset(int rate)
{
    AudOnset* o = &aud.onset;
    *o = AudOnset{};
    o->hop = (int)(rate * ONSET_STEP_SECONDS);
    if (o->hop < 1)
        o->hop = 1;
    for (double& r : o->recent)
        r = ONSET_SILENCE;
    o->peak = ONSET_MIN_PEAK_DB;
    o->release = (float)exp(-ONSET_STEP_SECONDS / ONSET_RELEASE_SECONDS);
    o->peak_decay = (float)pow(0.5, ONSET_STEP_SECONDS / ONSET_PEAK_HALF_LIFE);
    aud.onset_level = 0.0f;
}

static float decibels(double meanSquare)
{
    return 10.0f * (float)log10(meanSquare > ONSET_SILENCE ? meanSquare : ONSET_SILENCE);
}

static void finishStep(AudOnset* o)
{
    double now = o->sum / ((double)o->filled * 32768.0 * 32768.0);
    double before = 0.0;
    for (double r : o->recent)
        before += r;
    before /= ONSET_HISTORY;

    float rise = decibels(now) - decibels(before) - ONSET_STEADY_DB;
    if (rise < 0.0f)
        rise = 0.0f;
    if (rise > ONSET_MAX_RISE_DB)
        rise = ONSET_MAX_RISE_DB;
    for (int i = ONSET_HISTORY - 1; i > 0; i--)
        o->recent[i] = o->recent[i - 1];
    o->recent[0] = now;

    float peak = o->peak * o->peak_decay;
    if (peak < ONSET_MIN_PEAK_DB)
        peak = ONSET_MIN_PEAK_DB;
    if (rise > peak)
        peak = rise;
    o->peak = peak;

    float level = rise / peak;
    float held = o->strength * o->release;
    o->strength = level > held ? level : held;
    /* settle on exactly 0 instead of creeping through denormals */
    if (o->strength < 1e-3f)
        o->strength = 0.0f;
    aud.onset_level = o->strength;
}

void aud_onsetFeed(const short* mixed, int frames)
{
    AudOnset* o = &aud.onset;
    if (o->hop < 1)
        return;   /* not reset yet: nothing to measure against */
    for (int i = 0; i < frames; i++) {
        double mono = 0.5 * ((double)mixed[2 * i] + (double)mixed[2 * i + 1]);
        o->sum += mono * mono;
        if (++o->filled == o->hop) {
            finishStep(o);
            o->sum = 0.0;
            o->filled = 0;
        }
    }
}

float audio_getOnset(void)
{
    return aud.initialized ? aud.onset_level.load() : 0.0f;
}
