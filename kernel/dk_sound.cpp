/*
** dk_sound.cpp -- the kernel's thin wrapper over the audio library.
**
** Start-up, playback control and the timing overlay reach the music only
** through these calls; each is one call into audio/.  The callers check the
** `sound` key; the queries are safe without an initialised library.
**
** Record mode plays no device: the demo clock runs at a fixed step however
** long a frame takes, so the music is mixed here frame by frame instead,
** which keeps the beat and any video made of the frames on the music.
*/
#include "dkernel.h"
#include "dk_loop.h"
#include "audio.h"

#include <math.h>

#define SOUND_RATE 44100
/* a frame's worth at the slowest record rate that still makes sense */
#define SOUND_MAX_BLOCK (SOUND_RATE * 2)

void (*sound_sink)(const short* pcm, int frames) = nullptr;

/* sample frames mixed since sound_init, as a running total of the exact
** per-frame share, so 44100 / record_fps need not be whole */
static double mixedSeconds;
static long long mixedFrames;

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
    if (!audio_setOutput(demoSystem.record ? AUDIO_OUTPUT_NONE : AUDIO_OUTPUT_SYSTEM))
        soundFail();
    if (!audio_setDriver(0))
        soundFail();
    if (!audio_init(SOUND_RATE, 32, 0)) {
        /* no sound card or sound server: say how to play on regardless */
        dkernel_errorHint = "Hint: no audio output could be opened. Put \"sound 0\" in a script to play "
                            "without music, or start the player with SDL_AUDIODRIVER=dummy to play it silently.";
        soundFail();
    }
    mixedSeconds = 0.0;
    mixedFrames = 0;
}

/* One played frame of record mode: the music of its fixed step. */
static void mixFrame(void)
{
    static short block[2 * SOUND_MAX_BLOCK];
    /* the exact share of the rate, not the float step, so that a long
    ** recording's music does not drift from its frames */
    mixedSeconds += 1.0 / (double)demoSystem.record_fps;
    long long due = llround(mixedSeconds * SOUND_RATE);
    while (mixedFrames < due) {
        long long left = due - mixedFrames;
        int n = left < SOUND_MAX_BLOCK ? (int)left : SOUND_MAX_BLOCK;
        if (!audio_mixOffline(block, n))
            soundFail();
        mixedFrames += n;
        if (sound_sink)
            sound_sink(block, n);
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
    /* paused, rewinding or fast-forwarding frames are not part of the
    ** recording, and their music is paused too */
    if (demoSystem.record && demoSystem.state == 0 && demoSystem.step > 0.0f)
        mixFrame();
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

float sound_onset(void)
{
    return audio_getOnset();
}
