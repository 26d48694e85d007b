/*
** st_beat.cpp -- the beat level that BEAT modifiers add to spline channels:
** nothing (the default), a pulse at the script's tempo, or the onsets of
** the music actually playing.
*/
#include "studio.h"

#include <math.h>

/* how far towards the next beat the pulse has died away */
#define BEAT_PULSE_LENGTH 0.75

float beat_pulse(float time, float bpm)
{
    if (!(bpm > 0.0f))
        return 0.0f;
    /* in double: an hour into a demo a float phase would lose the fraction */
    double phase = (double)time * (double)bpm / 60.0;
    double into = (phase - floor(phase)) / BEAT_PULSE_LENGTH;
    if (into >= 1.0)
        return 0.0f;
    return (float)((1.0 - into) * (1.0 - into));
}

void beat_update(void)
{
    switch (demoSystem.beat_source) {
    case 1:
        demoSystem.beat = beat_pulse(demoSystem.time, demoSystem.bpm);
        break;
    case 2:
        demoSystem.beat = demoSystem.sound ? sound_onset() : 0.0f;
        break;
    default:
        /* a reload may have switched the beat off: no pulse left hanging */
        demoSystem.beat = 0.0f;
        break;
    }
}
