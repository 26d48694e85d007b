/*
** audio.h -- the player's audio library: music streams mixed on SDL's
** audio thread.
**
** The kernel (kernel/dk_sound.cpp, kernel/sec_sound.cpp) calls these from
** the main thread only.  Streams decode from a file image the caller keeps
** in memory for the stream's whole life; they survive audio_close() and
** play again after the next audio_init().  Failing calls record an error
** code readable with audio_getError() and printable with
** audio_errorString().
*/
#ifndef AUDIO_H
#define AUDIO_H

#define AUDIO_VERSION         3.80f

/* channel selectors */
#define AUDIO_FREE            (-1)   /* audio_streamPlay: any free channel */
#define AUDIO_ALL             (-3)   /* audio_setPaused, audio_stopSound: every channel */

/* outputs for audio_setOutput */
#define AUDIO_OUTPUT_AUTO     (-1)   /* the system's default device */
#define AUDIO_OUTPUT_NONE     0      /* no device: the caller mixes with audio_mixOffline */
#define AUDIO_OUTPUT_SYSTEM   10     /* the system's default device */

/* stream open modes (bits) */
#define AUDIO_MODE_NORMAL     0x00130  /* default sample format: 16-bit signed */
#define AUDIO_MODE_MEMORY     0x08000  /* the data argument is the file image itself */
#define AUDIO_MODE_ACCURATE   0x20000  /* scan compressed frames at open for exact seeking */

/* error codes */
enum {
    AUDIO_ERR_NONE = 0,
    AUDIO_ERR_BUSY,            /* 1 */
    AUDIO_ERR_UNINITIALIZED,   /* 2 */
    AUDIO_ERR_INIT,            /* 3 */
    AUDIO_ERR_ALLOCATED,       /* 4 */
    AUDIO_ERR_PLAY,            /* 5 */
    AUDIO_ERR_OUTPUT_FORMAT,   /* 6 */
    AUDIO_ERR_COOPERATIVE,     /* 7 */
    AUDIO_ERR_CREATE_BUFFER,   /* 8 */
    AUDIO_ERR_FILE_NOTFOUND,   /* 9 */
    AUDIO_ERR_FILE_FORMAT,     /* 10 */
    AUDIO_ERR_FILE_BAD,        /* 11 */
    AUDIO_ERR_MEMORY,          /* 12 */
    AUDIO_ERR_VERSION,         /* 13 */
    AUDIO_ERR_INVALID_PARAM,   /* 14 */
    AUDIO_ERR_NO_EAX,          /* 15 */
    AUDIO_ERR_CHANNEL_ALLOC,   /* 16 */
    AUDIO_ERR_RECORD,          /* 17 */
    AUDIO_ERR_MEDIAPLAYER      /* 18 */
};

struct AudioStream;

/* ---- library and device (aud_device.cpp) ---- */
float audio_getVersion(void);
int   audio_setOutput(int output);          /* before audio_init; non-zero on success */
int   audio_setDriver(int driver);          /* 0: the output's default device */
int   audio_init(int rate, int channels, unsigned flags);
void  audio_close(void);                    /* safe when not initialised */
void  audio_update(void);                   /* once per frame */
float audio_getCPUUsage(void);              /* decoding and mixing, percent of wall time */
int   audio_getChannelsPlaying(void);

/* ---- mixing without a device (aud_mixer.cpp) ---- */
/* Mixes the next `frames` stereo frames of every playing channel into out
** (interleaved 16-bit, 2 * frames shorts) on the caller's thread, exactly
** as a device would have been given them.  Only with AUDIO_OUTPUT_NONE:
** non-zero on success; with a device open, or before audio_init, nothing
** is mixed and out is left alone. */
int   audio_mixOffline(short* out, int frames);

/* ---- analysis of the mixed signal (aud_onset.cpp) ---- */
/* How strongly the music mixed so far has just struck a note: 0 (steady
** or silent) to 1 (the strongest attack of the last seconds), rising at
** once on an attack and falling off over about a fifth of a second, so
** that it follows drums and clicks without flickering.  0 before
** audio_init. */
float audio_getOnset(void);

/* ---- channels (aud_channel.cpp) ---- */
void  audio_setPaused(int channel, int paused);
void  audio_stopSound(int channel);

/* ---- streams (aud_stream.cpp) ---- */
AudioStream* audio_streamOpen(const void* data, unsigned mode, int offset, int length);
int   audio_streamSetTime(AudioStream* stream, int ms);
int   audio_streamPlay(int channel, AudioStream* stream);   /* the channel, negative on failure */
void  audio_streamStop(AudioStream* stream);                /* and rewind to the start */
void  audio_streamClose(AudioStream* stream);

/* ---- errors (aud_error.cpp) ---- */
int         audio_getError(void);
const char* audio_errorString(int code);

#endif
