/*
** aud_mixer.cpp -- sums every playing channel into the device's 16-bit
** stereo buffer, and hands every mixed frame to the onset detector.
**
** Runs on SDL's audio thread (or on the caller's, for the device-less
** output through audio_mixOffline).  Decoding happens here too, inside aud_streamPull, so the music
** keeps flowing however long the main thread's frames take; the time spent
** is added to the load figure that audio_update turns into a percentage.
*/
#include <chrono>
#include <string.h>

#include "aud_internal.h"

/* frames mixed per pass: bounds the accumulator on the stack */
#define AUD_MIX_CHUNK 1024

long long aud_nowNs(void)
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch()).count();
}

/* loud passages of several channels saturate instead of wrapping round to
** the opposite sign, which would be heard as a crack */
short aud_clip(int sample)
{
    if (sample > 32767)
        return 32767;
    if (sample < -32768)
        return -32768;
    return (short)sample;
}

static void mixUnlocked(short* out, int frames)
{
    int acc[AUD_MIX_CHUNK * 2];
    while (frames > 0) {
        int n = frames < AUD_MIX_CHUNK ? frames : AUD_MIX_CHUNK;
        memset(acc, 0, sizeof(int) * 2 * n);
        if (aud.initialized) {
            for (int i = 0; i < aud.channel_count; i++) {
                AudChannel* c = &aud.channels[i];
                if (!c->stream || c->paused)
                    continue;
                if (aud_streamPull(c->stream, acc, n, aud.rate) < n)
                    aud_channelStop(i);   /* the stream has ended: free the channel */
            }
        }
        for (int i = 0; i < 2 * n; i++)
            out[i] = aud_clip(acc[i]);
        if (aud.initialized)
            aud_onsetFeed(out, n);
        out += 2 * n;
        frames -= n;
    }
}

void aud_mix(short* out, int frames)
{
    long long start = aud_nowNs();
    {
        std::lock_guard<std::mutex> hold(aud_lock);
        mixUnlocked(out, frames);
    }
    aud.busy_ns += aud_nowNs() - start;
}

int audio_mixOffline(short* out, int frames)
{
    if (!aud.initialized) {
        aud_setError(AUDIO_ERR_UNINITIALIZED);
        return 0;
    }
    /* a device thread mixes on its own: a second consumer would steal
    ** frames from what is heard */
    if (aud.device_open || !out || frames < 0) {
        aud_setError(AUDIO_ERR_INVALID_PARAM);
        return 0;
    }
    aud_mix(out, frames);
    return 1;
}
