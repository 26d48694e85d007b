/*
** sec_ray.h -- the `ray` section's record and the steps of one bolt: the
** reseeding of its offsets, their per-frame jitter and the stack of lines
** that draws each segment.  Drawing is in sec_ray.cpp.
*/
#ifndef SEC_RAY_H
#define SEC_RAY_H

/* Limits that keep a script's extreme values from stalling a frame (the
** worst case stays a few million pixels): more segments or bolts than these
** cannot be told apart, and lines this wide already cover a bolt's glow. */
#define RAY_MAX_SEGMENTS 256
#define RAY_MAX_BOLTS    32
#define RAY_MAX_LINES    16

struct RayVars {
    float         start[3];       /* spline 1, channels 1-3 */
    float         end[3];         /* spline 1, channels 4-6 */
    float         color[3];       /* spline 2 */
    int           segments;       /* param 2 */
    float         amplitude;      /* spline 1, channel 7; 0 until the first frame */
    float         width;          /* spline 1, channel 8 */
    unsigned char anchored;       /* param 1 */
    float         reseed;         /* spline 1, channel 9: chance per bolt */
    float       (*offsets)[3];    /* segments + 1, kept across frames */
    int           bolts;          /* spline 1, channel 10 */
    float       (*points)[3];     /* segments + 1: the bolt being drawn */
};

/* A fresh offset for every segment, within +-0.999 of the amplitude. */
void recalculateRaySeed(RayVars* ray);
/* One bolt: the reseed draw, then each offset's jitter and the bolt's
** segments + 1 points into ray->points. */
void ray_bolt(RayVars* ray);
/* The stacked lines of one segment, widest and faintest first: fills at
** most RAY_MAX_LINES widths and alphas and returns how many. */
int  ray_lineStack(float width, float* widths, float* alphas);

#endif
