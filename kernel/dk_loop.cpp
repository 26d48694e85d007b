/*
** dk_loop.cpp -- the main loop, one frame, window events, playback control,
** closing the player and the fatal error path every module uses.
*/
#include "dkernel.h"
#include "dk_loop.h"
#include "gldrv.h"

#include <SDL/SDL.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>

void dkernel_mainLoop(void)
{
    if (demoSystem.debug) {
        printf("\n%s", log_separator);
        printf("main demo loop!\n");
        printf("\n%s", log_separator);
        fflush(stdout);
    }
    while (!demoSystem.exit_flag) {
        SDL_Event event;
        if (SDL_PollEvent(&event)) eventHandler(event);
        else dkernel_doExec();
    }
}

void dkernel_doExec(void)
{
    if (kernelHooks.poll) kernelHooks.poll();
    if (demoSystem.demo_end > 0.0f && demoSystem.time > demoSystem.demo_end) {
        if (demoSystem.loop) {
            dkernel_restart();
        } else if (demoSystem.debug) {
            demoSystem.time = demoSystem.demo_end;
            dkernel_pause();
        } else {
            demoSystem.exit_flag = 1;
            return;
        }
    }

    if (kernelHooks.beat) kernelHooks.beat();
    if (demoSystem.state == 0) {
        process_sectionQueues();
        process_timer();
    } else {
        process_sectionQueues();
        pause_timer();
        if (demoSystem.state & DK_STATE_REWIND) {
            demoSystem.time -= 10.0f * demoSystem.frame_time;
            if (demoSystem.time < demoSystem.demo_start) {
                demoSystem.time = demoSystem.demo_start;
                dkernel_pause();
            }
        } else if (demoSystem.state & DK_STATE_FFWD) {
            demoSystem.time += 10.0f * demoSystem.frame_time;
            if (demoSystem.demo_end > 0.0f && demoSystem.time > demoSystem.demo_end) {
                demoSystem.time = demoSystem.demo_end;
                dkernel_pause();
            }
        }
        reinit_sectionQueues();
    }

    if (demoSystem.sound) sound_update();
}

static void keyDown(int sym)
{
    switch (sym) {
    case SDLK_ESCAPE: demoSystem.exit_flag = 1; return;
    case SDLK_s:      gldrv_screenshot(); return;
    default: break;
    }
    if (!demoSystem.debug) return;
    switch (sym) {
    case SDLK_f:
        demoSystem.fps ^= 1;
        demoSystem.timing = 0;
        break;
    case SDLK_t:
        demoSystem.timing ^= 1;
        demoSystem.fps = 0;
        break;
    case SDLK_RETURN:
        printf("%f\n", (double)demoSystem.time);
        fflush(stdout);
        break;
    case SDLK_SPACE:
        if (demoSystem.state == 0) dkernel_pause();
        else dkernel_play();
        break;
    case SDLK_F1: dkernel_restart(); break;
    case SDLK_F2: dkernel_rewind(); break;
    case SDLK_F3: dkernel_fastforward(); break;
    default: break;
    }
}

void eventHandler(SDL_Event event)
{
    switch (event.type) {
    case SDL_KEYDOWN: {
        int sym = event.key.keysym.sym;
        keyDown(sym);
        if (sym >= 0 && sym < DK_KEYS) demoSystem.keys[sym] = 1;
        break;
    }
    case SDL_KEYUP: {
        int sym = event.key.keysym.sym;
        if (sym == SDLK_F2 || sym == SDLK_F3) {
            if (demoSystem.state & DK_STATE_PAUSED) dkernel_pause();
            else dkernel_play();
        }
        if (sym >= 0 && sym < DK_KEYS) demoSystem.keys[sym] = 0;
        break;
    }
    case SDL_QUIT:
        demoSystem.exit_flag = 1;
        break;
    default:
        break;
    }
}

/* ---- playback control ---- */

void dkernel_play(void)
{
    if (demoSystem.state == 0) return;
    demoSystem.state = 0;
    reinit_sectionQueues();
    if (demoSystem.sound) sound_play();
}

void dkernel_pause(void)
{
    demoSystem.state = DK_STATE_PAUSED;
    demoSystem.step = 0.0f;
    if (demoSystem.sound) sound_pause();
}

void dkernel_rewind(void)
{
    demoSystem.state = (demoSystem.state & DK_STATE_PAUSED) | DK_STATE_REWIND;
    if (demoSystem.sound) sound_pause();
}

void dkernel_fastforward(void)
{
    demoSystem.state = (demoSystem.state & DK_STATE_PAUSED) | DK_STATE_FFWD;
    if (demoSystem.sound) sound_pause();
}

void dkernel_restart(void)
{
    demoSystem.state = 0;
    if (demoSystem.sound) {
        sound_end();
        sound_init();
    }
    init_control_vars();
    reinit_sectionQueues();
    init_timer();
}

/* ---- closing ---- */

float dkernel_benchScore(int frames, float seconds)
{
    return (float)frames / seconds * 10000.0f / 60.0f;
}

/* Closing runs once: a fatal error raised while closing, or a second call
   (error path after a normal close), must not close the libraries again. */
void dkernel_closeDemo(void)
{
    static int closed = 0;
    if (closed) return;
    closed = 1;

    if (demoSystem.sound) sound_end();
    gldrv_close();
    if (demoSystem.bench && demoSystem.time > 0.0f) {
        char score[64];
        snprintf(score, sizeof score, "Score: %.2f",
                 (double)dkernel_benchScore(demoSystem.frames, demoSystem.time));
        printf("%s\n", score);
        fflush(stdout);
    }
    SDL_Quit();
}

const char* dkernel_errorHint = nullptr;
KernelHooks kernelHooks = {};

/* One way out of every fatal error: an exception that the normal run turns
** into the message and status 1 (dkernel_protect), that a run collecting
** problems files and goes on from (dkernel_guard), and that live reload
** catches to keep the demo it had. */
void dkernel_raise(const char* message, const char* brief)
{
    DemoError error;
    snprintf(error.message, sizeof error.message, "%s", message);
    snprintf(error.brief, sizeof error.brief, "%s", brief);
    throw error;
}

void dkernel_error(const char* format, ...)
{
    char msg[1024];
    va_list ap;
    va_start(ap, format);
    vsnprintf(msg, sizeof msg, format, ap);
    va_end(ap);
    dkernel_raise(msg, msg);
}

void dkernel_fail(const DemoError& error)
{
    dkernel_closeDemo();
    char text[2048];
    snprintf(text, sizeof text, "Error: %s\n%s%s", error.message, dkernel_errorHint ? dkernel_errorHint : "",
             dkernel_errorHint ? "\n" : "");
    fputs(text, stderr);
    if (kernelHooks.fatal)
        kernelHooks.fatal(text);
    exit(1);
}

void dkernel_report(const char* script, int line, int warning, const char* format, ...)
{
    if (!kernelHooks.report)
        return;
    char msg[1024];
    va_list ap;
    va_start(ap, format);
    vsnprintf(msg, sizeof msg, format, ap);
    va_end(ap);
    kernelHooks.report(script, line, warning, msg);
}
