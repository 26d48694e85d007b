/*
** dk_timer.h -- the clock's tick source.
*/
#ifndef DK_TIMER_H
#define DK_TIMER_H

/* Millisecond tick source of the clock; SDL_GetTicks unless a test swaps it. */
extern unsigned int (*dkernel_ticks)(void);

#endif
