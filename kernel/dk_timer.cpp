/*
** dk_timer.cpp -- the demo clock: wall-clock or fixed-step frame times and
** the frame-rate window.
**
** The tick source is a pointer so tests can drive the clock arithmetic with
** a fake clock instead of waiting on real time.
*/
#include "dkernel.h"
#include "dk_loop.h"
#include <SDL/SDL.h>

static unsigned int sdlTicks(void) { return SDL_GetTicks(); }

unsigned int (*dkernel_ticks)(void) = sdlTicks;

static float wallSeconds(void)
{
    return (float)dkernel_ticks() * 0.001f;
}

void timer_checkRate(void)
{
    /* A fixed step of 1/record_fps needs a positive rate; catching it before
       loading keeps a bad script from turning the clock into inf or NaN. */
    if (demoSystem.record && !(demoSystem.record_fps > 0.0f))
        dkernel_error("record_fps must be greater than 0 in record mode (got %g)",
                      (double)demoSystem.record_fps);
}

void init_timer(void)
{
    timer_checkRate();
    demoSystem.last_ticks = wallSeconds();
}

void calculate_fps(float seconds)
{
    demoSystem.fps_frames += 1;
    demoSystem.fps_time += seconds;
    if (demoSystem.fps_time > 0.3f) {
        demoSystem.fps_value = (float)demoSystem.fps_frames / demoSystem.fps_time;
        demoSystem.fps_frames = 0;
        demoSystem.fps_time = 0.0f;
    }
}

void process_timer(void)
{
    /* The wall clock is followed in record mode too: rewinding and pausing
       measure from last_ticks, and a stale one would make the first rewound
       frame jump by ten times the whole recording so far. */
    float now = wallSeconds();
    if (demoSystem.record) demoSystem.frame_time = 1.0f / demoSystem.record_fps;
    else demoSystem.frame_time = now - demoSystem.last_ticks;
    demoSystem.last_ticks = now;
    demoSystem.now_ticks = now;
    demoSystem.step = demoSystem.frame_time;
    demoSystem.frames += 1;
    demoSystem.time += demoSystem.frame_time;
    calculate_fps(demoSystem.frame_time);
}

void pause_timer(void)
{
    float now = wallSeconds();
    demoSystem.step = 0.0f;
    demoSystem.frames += 1;
    demoSystem.frame_time = now - demoSystem.last_ticks;
    demoSystem.last_ticks = now;
    demoSystem.now_ticks = now;
    calculate_fps(demoSystem.frame_time);
}
