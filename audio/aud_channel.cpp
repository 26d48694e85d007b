/*
** aud_channel.cpp -- the mixer's channels: pausing and stopping them.
**
** A channel is only a slot that plays one stream; the stream keeps the
** decoding position, so a paused channel resumes exactly where it was.
*/
#include "aud_internal.h"

void aud_channelStop(int channel)
{
    AudChannel* c = &aud.channels[channel];
    if (c->stream)
        c->stream->channel = -1;
    c->stream = nullptr;
    c->paused = 0;
}

void audio_setPaused(int channel, int paused)
{
    if (!aud.initialized) {
        aud_setError(AUDIO_ERR_UNINITIALIZED);
        return;
    }
    std::lock_guard<std::mutex> hold(aud_lock);
    if (channel == AUDIO_ALL) {
        for (int i = 0; i < aud.channel_count; i++)
            if (aud.channels[i].stream)
                aud.channels[i].paused = paused != 0;
    } else if (channel >= 0 && channel < aud.channel_count && aud.channels[channel].stream) {
        aud.channels[channel].paused = paused != 0;
    } else {
        aud_setError(AUDIO_ERR_INVALID_PARAM);
    }
}

void audio_stopSound(int channel)
{
    if (!aud.initialized) {
        aud_setError(AUDIO_ERR_UNINITIALIZED);
        return;
    }
    std::lock_guard<std::mutex> hold(aud_lock);
    if (channel == AUDIO_ALL) {
        for (int i = 0; i < aud.channel_count; i++)
            aud_channelStop(i);
    } else if (channel >= 0 && channel < aud.channel_count) {
        aud_channelStop(channel);
    } else {
        aud_setError(AUDIO_ERR_INVALID_PARAM);
    }
}
