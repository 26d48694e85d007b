/*
** dk_loop.h -- internals of the main loop and the clock that the loading
** phase and the tests reach: the tick source, the record-rate check, the
** bench score.
*/
#ifndef DK_LOOP_H
#define DK_LOOP_H

/* Millisecond tick source of the clock; SDL_GetTicks unless a test swaps it. */
extern unsigned int (*dkernel_ticks)(void);

/* Fatal error when record mode is on without a positive record_fps. */
void timer_checkRate(void);

/* frames / seconds * 10000 / 60 in single precision. */
float dkernel_benchScore(int frames, float seconds);

#endif
