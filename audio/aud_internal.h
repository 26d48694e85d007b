/*
** aud_internal.h -- state shared by the audio library's own files.
**
** One mutex guards the channel table and every stream's decoding state:
** the mixer holds it for a whole callback, the API calls for their few
** field updates, so the main thread never sees a half-mixed stream.
*/
#ifndef AUD_INTERNAL_H
#define AUD_INTERNAL_H

#include <stdio.h>

#include <atomic>
#include <mutex>

#include "audio.h"

#define AUD_MAX_CHANNELS   64
#define AUD_DECODE_FRAMES  4096   /* frames decoded per refill of a stream's buffer */
#define AUD_DEVICE_SAMPLES 1024   /* frames per SDL callback: 23 ms at 44100 Hz */

/* A decoder turns a file image into interleaved 16-bit frames of one or two
** channels at the file's own rate. */
struct AudCodec {
    const char* name;
    int   (*probe)(const unsigned char* data, long length);
    /* returns the decoder state or null with *error set */
    void* (*open)(const unsigned char* data, long length, unsigned mode,
                  int* rate, int* channels, long long* frames, int* error);
    /* frames decoded into out (room for max frames); 0 at the end, -1 on a decoding error */
    long  (*read)(void* state, short* out, long max);
    int   (*seek)(void* state, long long frame);   /* non-zero on success */
    void  (*close)(void* state);
};

extern const AudCodec aud_vorbisCodec;
extern const AudCodec aud_wavCodec;
extern const AudCodec aud_mp3Codec;

struct AudioStream {
    const AudCodec* codec;
    void*      decoder;
    int        rate;
    int        channels;        /* of the source: 1 or 2 */
    long long  frames;          /* length in source frames */
    long long  position;        /* source frame the next decode starts at */
    int        channel;         /* mixer channel playing it, -1 when stopped */
    int        ended;           /* the decoder has nothing more */
    /* decoded source frames not yet consumed */
    short      buffer[AUD_DECODE_FRAMES * 2];
    int        buffer_frames;
    int        buffer_pos;
    /* linear resampler: output lies between frames a and b at fraction frac */
    int        a[2];
    int        b[2];
    double     frac;
    int        primed;          /* a and b hold the frames at the current position */
    int        last;            /* b repeats a: the source has no frame after a */
    int        drained;         /* every frame has been mixed */
};

struct AudChannel {
    AudioStream* stream;        /* null when free */
    int          paused;
};

/* The onset detector's running state (aud_onset.cpp); the mixer feeds it
** every frame it produces, under aud_lock. */
struct AudOnset {
    int    hop;             /* frames per analysis step: 10 ms */
    int    filled;          /* frames summed into the current step */
    double sum;             /* sum of squared mono samples of the current step */
    double recent[4];       /* mean square of the last steps, newest first */
    float  peak;            /* the largest recent rise, in dB: what counts as 1 */
    float  strength;        /* the smoothed level handed out */
    float  release;         /* per step: how much of the level is left */
    float  peak_decay;      /* per step: how fast an old loud attack is forgotten */
};

struct AudState {
    int         initialized;
    int         output;
    int         driver;
    int         rate;
    int         channel_count;
    int         device_open;     /* an SDL device calls aud_mix on its thread */
    AudChannel  channels[AUD_MAX_CHANNELS];
    /* load measurement, written by the mixer, read by audio_update */
    std::atomic<long long> busy_ns;
    long long   window_start_ns;
    std::atomic<float>     cpu;
    AudOnset               onset;
    std::atomic<float>     onset_level;   /* onset.strength, for the main thread */
};

extern AudState   aud;
extern std::mutex aud_lock;

/* fseek within a file image in memory, for the decoders' I/O callbacks,
** which differ only in what their library wants returned: the new
** position, or -1 with the position unchanged when it would leave the image. */
inline long long aud_imageSeek(long* pos, long size, long long offset, int whence)
{
    long long base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? *pos : size;
    long long target = base + offset;
    if (target < 0 || target > size)
        return -1;
    *pos = (long)target;
    return target;
}

/* aud_error.cpp */
void aud_setError(int code);

/* aud_mixer.cpp */
void      aud_mix(short* out, int frames);   /* mixes every playing channel; takes aud_lock */
long long aud_nowNs(void);
short     aud_clip(int sample);

/* aud_onset.cpp: called with aud_lock held */
void aud_onsetReset(int rate);
void aud_onsetFeed(const short* mixed, int frames);

/* aud_stream.cpp: called with aud_lock held */
int  aud_streamPull(AudioStream* stream, int* mix, int frames, int out_rate);
int  aud_streamRewind(AudioStream* stream, long long frame);   /* non-zero when positioned */
void aud_channelStop(int channel);   /* aud_channel.cpp: detaches the stream, keeps its position */

#endif
