/*
** dk_timer.cpp -- the demo clock: wall-clock or fixed-step frame times.
*/
#include "dkernel.h"
#include "dk_timer.h"
#include <SDL/SDL.h>

unsigned int (*dkernel_ticks)(void) = SDL_GetTicks;

void init_timer(void) {}
void process_timer(void) {}
void pause_timer(void) {}
void calculate_fps(float) {}
