/*
** st_spawn.h -- the system side of a video run: finding the encoder and
** starting it with two inputs fed by the player, waiting for it or
** killing it, the private X server a Linux run without a display plays
** on, and cleaning up on an interrupt.  One encoder at a time.
*/
#ifndef ST_SPAWN_H
#define ST_SPAWN_H

#include <stddef.h>
#include <string>
#include <vector>

/* Finds an executable by name along PATH (on Windows also beside the
** player, and with ".exe" added); an allocated path or null. */
char* spawn_findProgram(const char* name);
/* What to tell a user whose system has no encoder. */
extern const char* const spawn_missingHint;

/* The name the encoder reads its second input (the music) by. */
std::string spawn_secondInput(void);
/* Starts `program` with `args` (args[0] its name): standard input fed by
** spawn_write(0, ...), with `second` also the second input fed by
** spawn_write(1, ...); standard output discarded, standard error into the
** file `log`.  Fatal error when it cannot start. */
void spawn_start(const char* program, const std::vector<std::string>& args, const char* log, int second);
/* Writes all of it; 0 when the program has gone (closed the input or died). */
int  spawn_write(int input, const void* data, size_t size);
/* Closes the inputs and waits; non-zero when the program exited with 0. */
int  spawn_finish(void);
/* Kills the program if it runs, and the private X server; safe in a
** signal handler and more than once. */
void spawn_kill(void);

/* Makes sure the window has somewhere to open: without DISPLAY a Linux
** run starts a private X server of at least width x height. */
void spawn_display(int width, int height);
/* Calls fn when the run is interrupted (Ctrl-C, termination), then ends
** as the interrupt would; a pipe the encoder closed is no signal. */
void spawn_onInterrupt(void (*fn)(void));

#endif
