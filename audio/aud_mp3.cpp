/*
** aud_mp3.cpp -- MPEG audio streams (layers 1 to 3) through libmpg123,
** reading the file image through replaced I/O.
**
** With AUDIO_MODE_ACCURATE the whole image is scanned at open, which makes
** the length exact and every seek land on the very sample asked for, also
** in files without a seek table.
*/
#include <new>
#include <string.h>
#include <mpg123.h>

#include "aud_internal.h"

struct Mp3State {
    mpg123_handle*       handle;
    const unsigned char* data;
    long                 size;
    long                 pos;
    int                  channels;
    long                 rate;
    int                  stopped;   /* the layout changed mid-stream */
};

static mpg123_ssize_t memRead(void* source, void* buffer, size_t bytes)
{
    Mp3State* m = (Mp3State*)source;
    size_t left = (size_t)(m->size - m->pos);
    if (bytes > left)
        bytes = left;
    memcpy(buffer, m->data + m->pos, bytes);
    m->pos += (long)bytes;
    return (mpg123_ssize_t)bytes;
}

static off_t memSeek(void* source, off_t offset, int whence)
{
    Mp3State* m = (Mp3State*)source;
    return (off_t)aud_imageSeek(&m->pos, m->size, offset, whence);
}

/* a plausible MPEG audio frame header: sync, a known version and layer, a
** bit-rate index that is neither free nor invalid, a known sample rate */
static int frameHeader(const unsigned char* p)
{
    return p[0] == 0xFF && (p[1] & 0xE0) == 0xE0 && (p[1] & 0x18) != 0x08 && (p[1] & 0x06) != 0
        && (p[2] & 0xF0) != 0xF0 && (p[2] & 0xF0) != 0 && (p[2] & 0x0C) != 0x0C;
}

static int mp3Probe(const unsigned char* data, long length)
{
    if (length >= 10 && memcmp(data, "ID3", 3) == 0)
        return 1;
    return length >= 4 && frameHeader(data);
}

static int initLibrary(void)
{
    /* needed by older library versions, harmless on newer ones */
    static int result = mpg123_init();
    return result == MPG123_OK;
}

static void* mp3Open(const unsigned char* data, long length, unsigned mode,
                     int* rate, int* channels, long long* frames, int* error)
{
    *error = AUDIO_ERR_FILE_BAD;
    if (!initLibrary())
        return nullptr;
    Mp3State* m = new (std::nothrow) Mp3State{};
    if (!m) {
        *error = AUDIO_ERR_MEMORY;
        return nullptr;
    }
    m->data = data;
    m->size = length;
    m->handle = mpg123_new(nullptr, nullptr);
    if (!m->handle) {
        delete m;
        *error = AUDIO_ERR_MEMORY;
        return nullptr;
    }
    mpg123_handle* h = m->handle;
    int encoding = 0;
    int chans = 0;
    long sampleRate = 0;
    off_t total = 0;
    /* one output format for everything: 16-bit at the file's own rate and
    ** channel count; gapless so that positions count real samples */
    const long* rates = nullptr;
    size_t rateCount = 0;
    mpg123_rates(&rates, &rateCount);
    int ok = mpg123_param(h, MPG123_ADD_FLAGS, MPG123_QUIET | MPG123_GAPLESS, 0) == MPG123_OK
          && mpg123_format_none(h) == MPG123_OK;
    for (size_t i = 0; ok && i < rateCount; i++)
        ok = mpg123_format(h, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16) == MPG123_OK;
    ok = ok && mpg123_replace_reader_handle(h, memRead, memSeek, nullptr) == MPG123_OK
            && mpg123_open_handle(h, m) == MPG123_OK
            && mpg123_getformat(h, &sampleRate, &chans, &encoding) == MPG123_OK
            && (!(mode & AUDIO_MODE_ACCURATE) || mpg123_scan(h) == MPG123_OK);
    if (ok) {
        total = mpg123_length(h);
        ok = total >= 0 && (chans == 1 || chans == 2) && sampleRate >= 1000;
    }
    if (!ok) {
        mpg123_delete(h);
        delete m;
        return nullptr;
    }
    m->channels = chans;
    m->rate = sampleRate;
    *rate = (int)sampleRate;
    *channels = chans;
    *frames = total;
    return m;
}

static long mp3Read(void* state, short* out, long max)
{
    Mp3State* m = (Mp3State*)state;
    size_t want = (size_t)max * 2 * m->channels;
    size_t have = 0;
    if (m->stopped)
        return 0;
    while (have < want) {
        size_t done = 0;
        int result = mpg123_read(m->handle, (unsigned char*)out + have, want - have, &done);
        have += done;
        if (result == MPG123_DONE)
            break;
        if (result == MPG123_NEW_FORMAT) {
            /* a file that switches between mono and stereo or changes rate
            ** would play garbled from here on: end the music instead */
            long sampleRate = 0;
            int chans = 0, encoding = 0;
            if (mpg123_getformat(m->handle, &sampleRate, &chans, &encoding) != MPG123_OK
                || chans != m->channels || sampleRate != m->rate) {
                m->stopped = 1;
                break;
            }
            continue;
        }
        if (result != MPG123_OK)
            return have > 0 ? (long)(have / (2 * m->channels)) : -1;
        if (done == 0)
            break;
    }
    return (long)(have / (2 * m->channels));
}

static int mp3Seek(void* state, long long frame)
{
    Mp3State* m = (Mp3State*)state;
    m->stopped = 0;
    return mpg123_seek(m->handle, (off_t)frame, SEEK_SET) >= 0;
}

static void mp3Close(void* state)
{
    Mp3State* m = (Mp3State*)state;
    mpg123_close(m->handle);
    mpg123_delete(m->handle);
    delete m;
}

const AudCodec aud_mp3Codec = { "mp3", mp3Probe, mp3Open, mp3Read, mp3Seek, mp3Close };
