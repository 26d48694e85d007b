/*
** dk_sound.cpp -- the kernel's thin wrapper over the audio library.
**
** Start-up, playback control and the timing overlay reach the music only
** through these calls; each is one call into audio/.
*/
#include "dkernel.h"

void  sound_init(void) {}
void  sound_play(void) {}
void  sound_pause(void) {}
void  sound_update(void) {}
void  sound_stop(void) {}
void  sound_end(void) {}
float sound_cpu(void) { return 0.0f; }
int   sound_channels(void) { return 0; }
