/*
** aud_wav.cpp -- uncompressed RIFF WAVE streams: integer PCM of 8, 16, 24
** or 32 bits and 32-bit float, one or two channels, read in place from the
** file image.
*/
#include <new>
#include <string.h>

#include "aud_internal.h"

struct WavState {
    const unsigned char* samples;    /* first byte of the data chunk */
    long long            frames;
    long long            position;
    int                  channels;
    int                  bytes;      /* per sample */
    int                  isFloat;
};

static unsigned readLe16(const unsigned char* p) { return p[0] | p[1] << 8; }
static unsigned readLe32(const unsigned char* p) { return p[0] | p[1] << 8 | p[2] << 16 | (unsigned)p[3] << 24; }

static int wavProbe(const unsigned char* data, long length)
{
    return length >= 12 && memcmp(data, "RIFF", 4) == 0 && memcmp(data + 8, "WAVE", 4) == 0;
}

static void* wavOpen(const unsigned char* data, long length, unsigned mode,
                     int* rate, int* channels, long long* frames, int* error)
{
    (void)mode;
    const unsigned char* fmt = nullptr;
    unsigned fmtSize = 0;
    const unsigned char* samples = nullptr;
    long long dataSize = 0;
    /* walk the chunks; sizes come from the file, so every step is checked
    ** against the image's end before anything is read */
    long pos = 12;
    while (pos + 8 <= length) {
        unsigned size = readLe32(data + pos + 4);
        const unsigned char* body = data + pos + 8;
        long long room = length - (pos + 8);
        if (memcmp(data + pos, "fmt ", 4) == 0) {
            if (size < 16 || size > room) {
                *error = AUDIO_ERR_FILE_BAD;
                return nullptr;
            }
            fmt = body;
            fmtSize = size;
        } else if (memcmp(data + pos, "data", 4) == 0) {
            samples = body;
            /* a truncated file, or one written while recording, plays what it holds */
            dataSize = size > room ? room : size;
            if (fmt)
                break;
        }
        if (size > room)
            break;
        pos += 8 + (long)size + (size & 1);
    }
    if (!fmt || !samples) {
        *error = AUDIO_ERR_FILE_BAD;
        return nullptr;
    }
    unsigned tag = readLe16(fmt);
    unsigned chans = readLe16(fmt + 2);
    unsigned long sampleRate = readLe32(fmt + 4);
    unsigned align = readLe16(fmt + 12);
    unsigned bits = readLe16(fmt + 14);
    if (tag == 0xFFFE) {
        /* extensible: the real format is the first two bytes of the sub-format */
        if (fmtSize < 40 || readLe16(fmt + 16) < 22) {
            *error = AUDIO_ERR_FILE_BAD;
            return nullptr;
        }
        tag = readLe16(fmt + 24);
    }
    int isFloat = tag == 3;
    if ((tag != 1 && tag != 3) || (isFloat && bits != 32)
        || (!isFloat && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        || chans < 1 || chans > 2) {
        *error = AUDIO_ERR_FILE_FORMAT;
        return nullptr;
    }
    if (align != chans * bits / 8 || sampleRate < 1000 || sampleRate > 192000) {
        *error = AUDIO_ERR_FILE_BAD;
        return nullptr;
    }
    WavState* w = new (std::nothrow) WavState{};
    if (!w) {
        *error = AUDIO_ERR_MEMORY;
        return nullptr;
    }
    w->samples = samples;
    w->frames = dataSize / align;
    w->channels = (int)chans;
    w->bytes = (int)bits / 8;
    w->isFloat = isFloat;
    *rate = (int)sampleRate;
    *channels = (int)chans;
    *frames = w->frames;
    return w;
}

static short convertSample(const WavState* w, const unsigned char* p)
{
    switch (w->bytes) {
    case 1:
        return (short)((p[0] - 128) * 256);
    case 2:
        return (short)readLe16(p);
    case 3:
        return (short)(p[1] | p[2] << 8);
    default:
        if (w->isFloat) {
            unsigned raw = readLe32(p);
            float f;
            memcpy(&f, &raw, 4);
            if (!(f > -1.0f))   /* also catches NaN */
                return f == f ? -32768 : 0;
            if (f >= 1.0f)
                return 32767;
            return (short)(f * 32768.0f);
        }
        return (short)(p[2] | p[3] << 8);
    }
}

static long wavRead(void* state, short* out, long max)
{
    WavState* w = (WavState*)state;
    long long left = w->frames - w->position;
    long n = left < max ? (long)left : max;
    const unsigned char* p = w->samples + w->position * w->channels * w->bytes;
    for (long i = 0; i < n * w->channels; i++, p += w->bytes)
        out[i] = convertSample(w, p);
    w->position += n;
    return n;
}

static int wavSeek(void* state, long long frame)
{
    WavState* w = (WavState*)state;
    if (frame < 0 || frame > w->frames)
        return 0;
    w->position = frame;
    return 1;
}

static void wavClose(void* state)
{
    delete (WavState*)state;
}

const AudCodec aud_wavCodec = { "wav", wavProbe, wavOpen, wavRead, wavSeek, wavClose };
