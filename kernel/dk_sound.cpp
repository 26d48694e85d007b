/*
** dk_sound.cpp -- the kernel's thin wrapper over the audio library.
**
** Start-up, playback control and the timing overlay reach the music only
** through these calls; each is one call into audio/.  The callers check the
** `sound` key; the two queries are safe without an initialised library.
*/
#include "dkernel.h"
#include "dk_loop.h"
#include "audio.h"

/* the oldest library whose streams, seeking and error codes we rely on */
#define SOUND_MIN_VERSION 3.741f

static void soundFail(void)
{
    dkernel_error("%s", audio_errorString(audio_getError()));
}

void sound_init(void)
{
    if (audio_getVersion() < SOUND_MIN_VERSION)
        soundFail();
    if (!audio_setOutput(AUDIO_OUTPUT_SYSTEM))
        soundFail();
    if (!audio_setDriver(0))
        soundFail();
    if (!audio_init(44100, 32, 0)) {
        /* no sound card or sound server: say how to play on regardless */
        dkernel_errorHint = "Hint: no audio output could be opened. Put \"sound 0\" in a script to play "
                            "without music, or start the player with SDL_AUDIODRIVER=dummy to play it silently.";
        soundFail();
    }
}

void sound_play(void)
{
    audio_setPaused(AUDIO_ALL, 0);
}

void sound_pause(void)
{
    audio_setPaused(AUDIO_ALL, 1);
}

void sound_update(void)
{
    audio_update();
}

void sound_stop(void)
{
    audio_stopSound(AUDIO_ALL);
}

void sound_end(void)
{
    audio_close();
}

float sound_cpu(void)
{
    return audio_getCPUUsage();
}

int sound_channels(void)
{
    return audio_getChannelsPlaying();
}
