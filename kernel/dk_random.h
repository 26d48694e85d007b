/*
** dk_random.h -- the player's own pseudo-random generator.
**
** Every random effect draws from this one generator so that a demo plays
** the same way on every run and after every restart (the kernel reseeds it
** with rand_seed(0, 0) whenever it resets its playback variables).
*/
#ifndef DK_RANDOM_H
#define DK_RANDOM_H

#include <stdint.h>

#define DEF_SEED_X 521288629u
#define DEF_SEED_Y 362436069u

/* generator state; both words hold their defaults at program start */
extern uint32_t SEED_X;
extern uint32_t SEED_Y;

uint32_t myRand(void);
void     rand_seed(uint32_t x, uint32_t y);

#endif
