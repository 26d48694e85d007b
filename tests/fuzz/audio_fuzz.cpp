/*
** audio_fuzz.cpp -- libFuzzer target for the audio library's streams: any
** byte string, handed over as the player hands a music file, is refused
** with a known error code or opened, played, positioned and played again
** on the device-less output, a bounded number of frames at a time, without
** crash, hang or access outside the file image.
**
** The decoder libraries are not instrumented: a bad access inside them
** shows as a crash rather than a report; every access of ours is checked.
*/
#include <stdint.h>
#include <stdlib.h>

#include "audio.h"

/* the player's open mode: default format, file image in memory, exact seeking */
#define FUZZ_MODE (AUDIO_MODE_NORMAL | AUDIO_MODE_MEMORY | AUDIO_MODE_ACCURATE)
#define FUZZ_FRAMES 1024

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    if (!audio_setOutput(AUDIO_OUTPUT_NONE) || !audio_init(44100, 32, 0)) abort();
    return 0;
}

static void play(int rounds)
{
    static short out[2 * FUZZ_FRAMES];
    for (int i = 0; i < rounds; i++)
        if (!audio_mixOffline(out, FUZZ_FRAMES)) abort();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0 || size > 1 << 20) return 0;
    AudioStream* s = audio_streamOpen(data, FUZZ_MODE, 0, (int)size);
    if (!s) {
        int error = audio_getError();
        if (error != AUDIO_ERR_FILE_FORMAT && error != AUDIO_ERR_FILE_BAD &&
            error != AUDIO_ERR_VERSION && error != AUDIO_ERR_MEMORY)
            abort();
        return 0;
    }
    if (audio_streamPlay(AUDIO_FREE, s) < 0) abort();
    play(2);
    /* a position inside the music, one far past its end, and the start */
    const int positions[] = { 50, 3600000, 0 };
    for (int ms : positions) {
        audio_streamSetTime(s, ms);
        if (audio_streamPlay(AUDIO_FREE, s) < 0) abort();
        play(1);
    }
    audio_streamStop(s);
    audio_streamClose(s);
    if (audio_getChannelsPlaying() != 0) abort();
    return 0;
}
