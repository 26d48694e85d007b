/*
** dk_track.cpp -- keys of one track, its value at a row, and its file.
**
** Sampling runs for every channel of every synced spline every frame: a
** binary search and one interpolation, no allocation.  Everything a file
** or an editor brings is checked before it becomes a key, so a track
** always holds finite values in strictly rising rows.
*/
#include "dk_track.h"

#include <math.h>
#include <stdlib.h>
#include <string.h>

float track_value(const Track* track, double row)
{
    int n = track->key_count;
    if (n == 0)
        return 0.0f;
    const TrackKey* keys = track->keys;
    /* a row that is no number at all reads as before the first key */
    if (!(row >= (double)keys[0].row))
        return keys[0].value;
    if (row >= (double)keys[n - 1].row)
        return keys[n - 1].value;

    /* keys[lo].row <= row < keys[lo + 1].row; rows are whole, so the key at
    ** or before floor(row) is the key at or before row */
    int lo = track->last;
    if (lo < 0 || lo >= n - 1 || !((double)keys[lo].row <= row))
        lo = 0;
    if (!(row < (double)keys[lo + 1].row)) {
        if (lo + 2 < n && row < (double)keys[lo + 2].row) {
            lo++;
        } else {
            int hi = n - 1;
            while (hi - lo > 1) {
                int mid = lo + (hi - lo) / 2;
                if ((double)keys[mid].row <= row)
                    lo = mid;
                else
                    hi = mid;
            }
        }
    }
    track->last = lo;
    const TrackKey* k0 = &keys[lo];
    const TrackKey* k1 = &keys[lo + 1];
    double t = (row - (double)k0->row) / ((double)k1->row - (double)k0->row);
    switch (k0->interpolation) {
    case TRACK_STEP:
        return k0->value;
    case TRACK_SMOOTH:
        t = t * t * (3.0 - 2.0 * t);
        break;
    case TRACK_RAMP:
        t = t * t;
        break;
    default:
        break;
    }
    /* in double: the difference of two large floats of opposite sign does
    ** not fit a float, the result between them does */
    return (float)((double)k0->value + ((double)k1->value - (double)k0->value) * t);
}

/* Index of the first key whose row is not below `row`. */
static int findRow(const Track* track, uint32_t row)
{
    int lo = 0, hi = track->key_count;
    while (lo < hi) {
        int mid = lo + (hi - lo) / 2;
        if (track->keys[mid].row < row)
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo;
}

int track_setKey(Track* track, uint32_t row, float value, int interpolation)
{
    int at = findRow(track, row);
    TrackKey key = { row, value, interpolation };
    if (at < track->key_count && track->keys[at].row == row) {
        track->keys[at] = key;
        return 1;
    }
    if (track->key_count >= TRACK_MAX_KEYS)
        return 0;
    if (track->key_count == track->key_capacity) {
        int capacity = track->key_capacity ? track->key_capacity * 2 : 16;
        if (capacity > TRACK_MAX_KEYS)
            capacity = TRACK_MAX_KEYS;
        TrackKey* grown = (TrackKey*)realloc(track->keys, (size_t)capacity * sizeof(TrackKey));
        if (!grown)
            return 0;
        track->keys = grown;
        track->key_capacity = capacity;
    }
    memmove(&track->keys[at + 1], &track->keys[at], (size_t)(track->key_count - at) * sizeof(TrackKey));
    track->keys[at] = key;
    track->key_count++;
    return 1;
}

void track_deleteKey(Track* track, uint32_t row)
{
    int at = findRow(track, row);
    if (at >= track->key_count || track->keys[at].row != row)
        return;
    memmove(&track->keys[at], &track->keys[at + 1], (size_t)(track->key_count - at - 1) * sizeof(TrackKey));
    track->key_count--;
}

void track_clear(Track* track)
{
    track->key_count = 0;
}

static uint32_t readLe32(const unsigned char* b)
{
    return (uint32_t)b[0] | (uint32_t)b[1] << 8 | (uint32_t)b[2] << 16 | (uint32_t)b[3] << 24;
}

static void writeLe32(unsigned char* b, uint32_t v)
{
    b[0] = (unsigned char)v;
    b[1] = (unsigned char)(v >> 8);
    b[2] = (unsigned char)(v >> 16);
    b[3] = (unsigned char)(v >> 24);
}

const char* track_parse(Track* track, const unsigned char* data, size_t size)
{
    if (size < 4)
        return "too short for its key count";
    int32_t count = (int32_t)readLe32(data);
    if (count < 0)
        return "negative key count";
    if (count > TRACK_MAX_KEYS)
        return "more keys than a track may hold";
    size_t want = 4 + (size_t)count * TRACK_KEY_BYTES;
    if (size < want)
        return "shorter than its key count says";
    if (size > want)
        return "longer than its key count says";

    /* every key is checked before the track is touched */
    const unsigned char* p = data + 4;
    for (int k = 0; k < count; k++, p += TRACK_KEY_BYTES) {
        uint32_t bits = readLe32(p + 4);
        float value;
        memcpy(&value, &bits, sizeof value);
        if (!isfinite(value))
            return "a value that is not a finite number";
        if (p[8] > TRACK_RAMP)
            return "an unknown interpolation";
        if (k > 0 && readLe32(p) <= readLe32(p - TRACK_KEY_BYTES))
            return "rows out of order or repeated";
    }
    TrackKey* keys = nullptr;
    if (count > 0) {
        keys = (TrackKey*)malloc((size_t)count * sizeof(TrackKey));
        if (!keys)
            return "out of memory";
    }
    p = data + 4;
    for (int k = 0; k < count; k++, p += TRACK_KEY_BYTES) {
        uint32_t bits = readLe32(p + 4);
        keys[k].row = readLe32(p);
        memcpy(&keys[k].value, &bits, sizeof(float));
        keys[k].interpolation = p[8];
    }
    free(track->keys);
    track->keys = keys;
    track->key_count = count;
    track->key_capacity = count;
    return nullptr;
}

unsigned char* track_encode(const Track* track, size_t* size)
{
    *size = 4 + (size_t)track->key_count * TRACK_KEY_BYTES;
    unsigned char* data = (unsigned char*)malloc(*size);
    if (!data)
        return nullptr;
    writeLe32(data, (uint32_t)track->key_count);
    unsigned char* p = data + 4;
    for (int k = 0; k < track->key_count; k++, p += TRACK_KEY_BYTES) {
        const TrackKey* key = &track->keys[k];
        uint32_t bits;
        memcpy(&bits, &key->value, sizeof bits);
        writeLe32(p, key->row);
        writeLe32(p + 4, bits);
        p[8] = (unsigned char)key->interpolation;
    }
    return data;
}

void track_fileName(const char* name, char* out)
{
    static const char hex[] = "0123456789ABCDEF";
    char* o = out;
    memcpy(o, "sync_", 5);
    o += 5;
    /* names are ASCII-tested byte by byte: no locale decides what a letter is */
    for (size_t i = 0; name[i] && i < TRACK_MAX_NAME; i++) {
        unsigned char c = (unsigned char)name[i];
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
            c == '_' || c == '/') {
            *o++ = (char)c;
        } else {
            *o++ = '-';
            *o++ = hex[c >> 4];
            *o++ = hex[c & 15];
        }
    }
    memcpy(o, ".track", 7);
}
