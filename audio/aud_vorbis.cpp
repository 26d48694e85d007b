/*
** aud_vorbis.cpp -- Ogg Vorbis streams, decoded straight from the file
** image through vorbisfile's callback interface.
*/
#include <new>
#include <string.h>
#include <vorbis/vorbisfile.h>

#include "aud_internal.h"

struct VorbisState {
    OggVorbis_File       file;
    const unsigned char* data;
    long                 size;
    long                 pos;
    int                  channels;
    long                 rate;
    int                  stopped;   /* a later chain link changed the layout */
};

static size_t memRead(void* ptr, size_t size, size_t count, void* source)
{
    VorbisState* v = (VorbisState*)source;
    if (size == 0)
        return 0;
    size_t left = (size_t)(v->size - v->pos) / size;
    if (count > left)
        count = left;
    memcpy(ptr, v->data + v->pos, count * size);
    v->pos += (long)(count * size);
    return count;
}

static int memSeek(void* source, ogg_int64_t offset, int whence)
{
    VorbisState* v = (VorbisState*)source;
    return aud_imageSeek(&v->pos, v->size, offset, whence) < 0 ? -1 : 0;
}

static long memTell(void* source)
{
    return ((VorbisState*)source)->pos;
}

static int vorbisProbe(const unsigned char* data, long length)
{
    return length >= 4 && memcmp(data, "OggS", 4) == 0;
}

/* an intact first Ogg page whose packet is not a Vorbis header: an Ogg
** file of another codec, a format we do not know rather than a damaged one */
static int otherCodec(const unsigned char* data, long length)
{
    if (length < 27 || data[4] != 0 || data[26] == 0)
        return 0;
    long body = 27L + data[26];
    if (body + 7 > length)
        return 0;
    return memcmp(data + body, "\x01vorbis", 7) != 0;
}

static void* vorbisOpen(const unsigned char* data, long length, unsigned mode,
                        int* rate, int* channels, long long* frames, int* error)
{
    (void)mode;
    VorbisState* v = new (std::nothrow) VorbisState{};
    if (!v) {
        *error = AUDIO_ERR_MEMORY;
        return nullptr;
    }
    v->data = data;
    v->size = length;
    ov_callbacks io = { memRead, memSeek, nullptr, memTell };
    int result = ov_open_callbacks(v, &v->file, nullptr, 0, io);
    if (result < 0) {
        *error = result == OV_EVERSION ? AUDIO_ERR_VERSION
               : otherCodec(data, length) ? AUDIO_ERR_FILE_FORMAT
                                          : AUDIO_ERR_FILE_BAD;
        delete v;
        return nullptr;
    }
    vorbis_info* info = ov_info(&v->file, -1);
    ogg_int64_t total = ov_pcm_total(&v->file, -1);
    if (!info || info->channels < 1 || info->channels > 2 || info->rate < 1000 || info->rate > 192000
        || total < 0) {
        *error = info && (info->channels < 1 || info->channels > 2) ? AUDIO_ERR_FILE_FORMAT : AUDIO_ERR_FILE_BAD;
        ov_clear(&v->file);
        delete v;
        return nullptr;
    }
    v->channels = info->channels;
    v->rate = info->rate;
    *rate = (int)info->rate;
    *channels = info->channels;
    *frames = total;
    return v;
}

static long vorbisRead(void* state, short* out, long max)
{
    VorbisState* v = (VorbisState*)state;
    const int bigEndian = __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__;
    long frameBytes = 2L * v->channels;
    long want = max * frameBytes;
    long have = 0;
    if (v->stopped)
        return 0;
    while (have < want) {
        int link = 0;
        long got = ov_read(&v->file, (char*)out + have, (int)(want - have), bigEndian, 2, 1, &link);
        if (got == OV_HOLE)
            continue;   /* a gap in the data: skip it and go on playing */
        if (got < 0)
            return have > 0 ? have / frameBytes : -1;
        if (got == 0)
            break;
        /* a chained file whose later links change the layout would be
        ** played at the wrong speed: end the music there instead */
        vorbis_info* info = ov_info(&v->file, link);
        if (!info || info->channels != v->channels || info->rate != v->rate) {
            v->stopped = 1;
            break;
        }
        have += got;
    }
    return have / frameBytes;
}

static int vorbisSeek(void* state, long long frame)
{
    VorbisState* v = (VorbisState*)state;
    v->stopped = 0;
    return ov_pcm_seek(&v->file, frame) == 0;
}

static void vorbisClose(void* state)
{
    VorbisState* v = (VorbisState*)state;
    ov_clear(&v->file);
    delete v;
}

const AudCodec aud_vorbisCodec = { "vorbis", vorbisProbe, vorbisOpen, vorbisRead, vorbisSeek, vorbisClose };
