/*
** studio.h -- the authoring tools around the player: the command line,
** the checking run, video rendering, live reload, the beat and the sync
** editor's client.  They reach the kernel through its hooks (kernelHooks),
** which studio_install sets; the kernel itself never calls up into this
** folder.
*/
#ifndef STUDIO_H
#define STUDIO_H

#include "dkernel.h"

/* Points the kernel's hooks at the tools; the player's entry calls it
** before SDL_main. */
void studio_install(void);

/* ---- the beat level (st_beat.cpp) ---- */
/* Sets `beat` for the frame about to be drawn, from beat_source. */
void  beat_update(void);
/* The bpm pulse at a demo second: 1 on each beat (counted from second 0),
** falling to 0 three quarters of the way to the next one; 0 without a tempo. */
float beat_pulse(float time, float bpm);

#endif
