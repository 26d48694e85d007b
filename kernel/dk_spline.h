/*
** dk_spline.h -- splines: key rows read from motion files, spread over a
** duration and sampled with Kochanek-Bartels / Catmull-Rom interpolation.
**
** A section owns its splines (section_free frees them with it).  The loading phase calls
** motion_loadSection for every section that will play; section types then
** sample through dkernel_getSpline (declared in dkernel.h).
*/
#ifndef DK_SPLINE_H
#define DK_SPLINE_H

#include "dkernel.h"

#define SPLINE_MAX_CHANNELS 16

struct Key {
    float values[SPLINE_MAX_CHANNELS];
    float tension;
    float continuity;
    float bias;
    int   linear;      /* non-zero: the segment ending at this key is linear */
    float time;        /* seconds, set by motion_setDuration */
};

struct Spline {
    Key*  keys;
    int   key_count;
    float duration;
    int   channel_count;
    /* Non-null for `spline sync:GROUP`: no keys, channel c is the track
    ** GROUP:c+1 (index tracks[c] of the sync store), sampled at the demo's
    ** row.  Its channels are attached as the section type asks for them
    ** (section_needChannels). */
    char* sync_group;
    int   tracks[SPLINE_MAX_CHANNELS];
};

/* Reads a motion file; fatal error on a missing or malformed file. */
Spline* motion_load(const char* path);
/* A spline from motion_load or motion_open; none does nothing. */
void    motion_free(Spline* spline);

/* Does a spline line name tracks ("sync:GROUP") rather than a file? */
int motion_isSync(const char* name);

/* The spline a spline line names: tracks for "sync:GROUP", else the file. */
Spline* motion_open(const char* name);

/* Spreads the keys evenly over `duration` seconds (first at 0, last at duration). */
void motion_setDuration(Spline* spline, float duration);

/* Loads every spline file a section names and places its keys over the
** duration the script gave it. */
void motion_loadSection(Section* section);

/* Writes the spline's channel_count values at time t into out.  A spline
** without keys leaves out untouched. */
void MotionCalcStep(const Spline* spline, float* out, float t);

#endif
