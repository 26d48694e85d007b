/*
** dk_random.cpp -- the shared pseudo-random generator.
**
** Two 16-bit multiply-with-carry generators combined into one 32-bit word.
** It is deliberately not the C library's rand(): the sequence must be the
** same on every platform so that recorded demos match frame for frame.
*/
#include "dk_random.h"

uint32_t SEED_X = DEF_SEED_X;
uint32_t SEED_Y = DEF_SEED_Y;

uint32_t myRand(void)
{
    /* all arithmetic is on unsigned 32-bit words and wraps on purpose */
    SEED_X = 23553u * (SEED_X & 0xFFFFu) + (SEED_X >> 16);
    SEED_Y = 24699u * (SEED_Y & 0xFFFFu) + (SEED_Y >> 16);
    return (SEED_X << 16) + (SEED_Y & 0xFFFFu);
}

void rand_seed(uint32_t x, uint32_t y)
{
    /* a zero word would lock its generator at zero, so 0 means "default" */
    SEED_X = x != 0 ? x : DEF_SEED_X;
    SEED_Y = y != 0 ? y : DEF_SEED_Y;
}
