/*
** dk_loop.h -- internals of the main loop and the clock that the loading
** phase and the tests reach: the tick source, the record-rate check, the
** bench score and the fatal path's recovery point.
*/
#ifndef DK_LOOP_H
#define DK_LOOP_H

#include <setjmp.h>

/* Millisecond tick source of the clock; SDL_GetTicks unless a test swaps it. */
extern unsigned int (*dkernel_ticks)(void);

/* Fatal error when record mode is on without a positive record_fps. */
void timer_checkRate(void);

/* A line dkernel_error prints after "Error: ...", for the few errors whose
** way out is not obvious from the message; null for none. */
extern const char* dkernel_errorHint;

/* While set, dkernel_error prints its message and jumps here instead of
** closing the player: a live reload that fails keeps the demo it had.
** Cleared by the jump, so an error while recovering is fatal again. */
extern jmp_buf* dkernel_recovery;

/* frames / seconds * 10000 / 60 in single precision. */
float dkernel_benchScore(int frames, float seconds);

#endif
