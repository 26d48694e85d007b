/*
** bench_gl.h -- the window, GL and kernel state every drawing benchmark
** starts from, opened once per process and shared by its benchmarks.
*/
#pragma once

struct Section;

enum {
    BENCH_GL_NARROW = 1,   /* 640 x 480 without the panoramic letterbox */
    BENCH_GL_ACCUM = 2,    /* with an accumulation buffer */
};

/* The first call resets the demo state (named `caption`, gamma 1, a 25 fps
** recording rate, no end of its own), opens the window with `flags` and
** readies an empty frame loop; it returns true.  Later calls do nothing
** and return false, so a caller prepares its own data once. */
bool bench_openGL(const char* caption, int flags = 0);

/* Makes `list` the demo's sections from time 0: the sections running
** before are ended, the clock and the random sequence start again. */
void bench_setSections(Section* list);
