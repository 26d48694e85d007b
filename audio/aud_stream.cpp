/*
** aud_stream.cpp -- music streams: opening a file image, positioning,
** starting and stopping, and pulling resampled frames for the mixer.
**
** A stream decodes on demand from the caller's memory; nothing is decoded
** ahead beyond one buffer, so a seek costs only the decoder's own seek.
*/
#include <new>
#include <math.h>

#include "aud_internal.h"

/* probed in this order; each probe looks only at the first bytes */
static const AudCodec* const codecs[] = { &aud_vorbisCodec, &aud_wavCodec, &aud_mp3Codec };

static void resetPlayback(AudioStream* s, long long frame)
{
    s->position = frame;
    s->ended = 0;
    s->buffer_frames = 0;
    s->buffer_pos = 0;
    s->frac = 0.0;
    s->primed = 0;
    s->last = 0;
    s->drained = 0;
}

AudioStream* audio_streamOpen(const void* data, unsigned mode, int offset, int length)
{
    if (!data || !(mode & AUDIO_MODE_MEMORY) || offset < 0 || length < 0 || offset > length) {
        aud_setError(AUDIO_ERR_INVALID_PARAM);
        return nullptr;
    }
    const unsigned char* image = (const unsigned char*)data + offset;
    long size = length - offset;
    const AudCodec* codec = nullptr;
    for (const AudCodec* c : codecs)
        if (c->probe(image, size)) {
            codec = c;
            break;
        }
    if (!codec) {
        aud_setError(AUDIO_ERR_FILE_FORMAT);
        return nullptr;
    }
    AudioStream* s = new (std::nothrow) AudioStream{};
    if (!s) {
        aud_setError(AUDIO_ERR_MEMORY);
        return nullptr;
    }
    int error = AUDIO_ERR_FILE_BAD;
    s->decoder = codec->open(image, size, mode, &s->rate, &s->channels, &s->frames, &error);
    if (!s->decoder) {
        delete s;
        aud_setError(error);
        return nullptr;
    }
    s->codec = codec;
    s->channel = -1;
    resetPlayback(s, 0);
    return s;
}

/* seeks the decoder and forgets what was buffered; aud_lock held.
** Beyond the end the stream is positioned at its end and plays silence:
** a music section may well outlast its music. */
int aud_streamRewind(AudioStream* s, long long frame)
{
    if (frame > s->frames)
        frame = s->frames;
    if (!s->codec->seek(s->decoder, frame)) {
        /* the decoder lost its place: play nothing rather than garbage */
        resetPlayback(s, s->frames);
        s->ended = 1;
        return 0;
    }
    resetPlayback(s, frame);
    return 1;
}

int audio_streamSetTime(AudioStream* s, int ms)
{
    if (!s || ms < 0) {
        aud_setError(AUDIO_ERR_INVALID_PARAM);
        return 0;
    }
    std::lock_guard<std::mutex> hold(aud_lock);
    if (!aud_streamRewind(s, (long long)ms * s->rate / 1000)) {
        aud_setError(AUDIO_ERR_FILE_BAD);
        return 0;
    }
    return 1;
}

int audio_streamPlay(int channel, AudioStream* s)
{
    if (!aud.initialized) {
        aud_setError(AUDIO_ERR_UNINITIALIZED);
        return -1;
    }
    if (!s || (channel != AUDIO_FREE && (channel < 0 || channel >= aud.channel_count))) {
        aud_setError(AUDIO_ERR_INVALID_PARAM);
        return -1;
    }
    std::lock_guard<std::mutex> hold(aud_lock);
    /* one decoding position cannot feed two channels */
    if (s->channel >= 0)
        aud_channelStop(s->channel);
    if (channel == AUDIO_FREE) {
        for (int i = 0; i < aud.channel_count; i++)
            if (!aud.channels[i].stream) {
                channel = i;
                break;
            }
        if (channel == AUDIO_FREE) {
            aud_setError(AUDIO_ERR_CHANNEL_ALLOC);
            return -1;
        }
    } else {
        aud_channelStop(channel);
    }
    aud.channels[channel].stream = s;
    aud.channels[channel].paused = 0;
    s->channel = channel;
    return channel;
}

void audio_streamStop(AudioStream* s)
{
    if (!s)
        return;
    std::lock_guard<std::mutex> hold(aud_lock);
    if (s->channel >= 0)
        aud_channelStop(s->channel);
    /* a stopped stream starts again from its beginning */
    aud_streamRewind(s, 0);
}

void audio_streamClose(AudioStream* s)
{
    if (!s)
        return;
    {
        std::lock_guard<std::mutex> hold(aud_lock);
        if (s->channel >= 0)
            aud_channelStop(s->channel);
    }
    s->codec->close(s->decoder);
    delete s;
}

/* the next source frame as a stereo pair; 0 when the decoder is done */
static int fetchFrame(AudioStream* s, int* frame)
{
    if (s->buffer_pos >= s->buffer_frames) {
        if (s->ended)
            return 0;
        long got = s->codec->read(s->decoder, s->buffer, AUD_DECODE_FRAMES);
        if (got <= 0) {
            s->ended = 1;
            return 0;
        }
        s->buffer_frames = (int)got;
        s->buffer_pos = 0;
    }
    const short* p = s->buffer + s->buffer_pos * s->channels;
    frame[0] = p[0];
    frame[1] = s->channels == 2 ? p[1] : p[0];
    s->buffer_pos++;
    s->position++;
    return 1;
}

int aud_streamPull(AudioStream* s, int* mix, int frames, int out_rate)
{
    if (!s->primed) {
        if (!fetchFrame(s, s->a)) {
            s->drained = 1;
        } else if (!fetchFrame(s, s->b)) {
            s->b[0] = s->a[0];
            s->b[1] = s->a[1];
            s->last = 1;
        }
        s->frac = 0.0;
        s->primed = 1;
    }
    /* linear interpolation between neighbouring source frames; at equal
    ** rates frac stays 0 and the source frames pass unchanged */
    double step = (double)s->rate / out_rate;
    int n = 0;
    while (n < frames && !s->drained) {
        for (int c = 0; c < 2; c++)
            mix[2 * n + c] += s->a[c] + (int)lrint((s->b[c] - s->a[c]) * s->frac);
        n++;
        s->frac += step;
        while (s->frac >= 1.0) {
            s->frac -= 1.0;
            if (s->last) {
                s->drained = 1;
                break;
            }
            s->a[0] = s->b[0];
            s->a[1] = s->b[1];
            if (!fetchFrame(s, s->b)) {
                s->b[0] = s->a[0];
                s->b[1] = s->a[1];
                s->last = 1;
            }
        }
    }
    return n;
}
