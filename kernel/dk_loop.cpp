/*
** dk_loop.cpp -- main loop, events, playback control, closing and the fatal path.
*/
#include "dkernel.h"
#include <SDL/SDL.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>

void dkernel_mainLoop(void) {}
void dkernel_doExec(void) {}
void eventHandler(SDL_Event) {}
void dkernel_play(void) {}
void dkernel_pause(void) {}
void dkernel_rewind(void) {}
void dkernel_fastforward(void) {}
void dkernel_restart(void) {}
void dkernel_closeDemo(void) {}

void dkernel_error(const char* format, ...)
{
    char msg[1024];
    va_list ap;
    va_start(ap, format);
    vsnprintf(msg, sizeof msg, format, ap);
    va_end(ap);
    dkernel_closeDemo();
    fprintf(stderr, "Error: %s\n", msg);
    exit(1);
}
