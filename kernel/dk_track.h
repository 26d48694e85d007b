/*
** dk_track.h -- one sync track: keys on the rows of the music's beat grid,
** its value at a (fractional) row, the track file's bytes and the file
** name a track is saved under.
**
** Nothing here touches the demo: the store of a running demo is in
** dk_sync.h, the editor connection in studio/.  Tests and fuzzers drive
** these functions directly.
*/
#ifndef DK_TRACK_H
#define DK_TRACK_H

#include <stddef.h>
#include <stdint.h>

/* interpolation of the stretch that starts at a key */
#define TRACK_STEP   0
#define TRACK_LINEAR 1
#define TRACK_SMOOTH 2
#define TRACK_RAMP   3

/* A key on every row for an hour of music at 16 rows a second, and few
** enough that a key set in the middle of a full track (a move of what
** follows) stays well under a millisecond. */
#define TRACK_MAX_KEYS 65536
/* A track name: a group of at most 250 characters, ':' and a channel. */
#define TRACK_MAX_NAME 255
/* "sync_", each character as at most three, ".track" and the terminator */
#define TRACK_MAX_FILE_NAME (5 + 3 * TRACK_MAX_NAME + 6 + 1)
/* bytes a key takes in a track file */
#define TRACK_KEY_BYTES 9

struct TrackKey {
    uint32_t row;
    float    value;
    int      interpolation;   /* TRACK_STEP ... TRACK_RAMP */
};

struct Track {
    char*     name;
    TrackKey* keys;           /* in row order, no row twice */
    int       key_count;
    int       key_capacity;
    /* the stretch the last value came from: frames sample rows that rise
    ** slowly, so the next one is nearly always the same stretch or the
    ** one after it, found without a search */
    mutable int last;
};

/* The value at `row`: 0 without keys, the first key's before it, the last
** key's at or after it, otherwise the stretch from the key at or before
** the row to the next one, shaped by the first key's interpolation. */
float track_value(const Track* track, double row);

/* Sets the key on `row`, replacing one already there.  0 when the track
** already holds TRACK_MAX_KEYS keys (nothing changes then). */
int  track_setKey(Track* track, uint32_t row, float value, int interpolation);
void track_deleteKey(Track* track, uint32_t row);
void track_clear(Track* track);

/* Reads a track file's bytes into `track`'s keys.  Returns null on
** success; otherwise why the file is refused, and the track is unchanged. */
const char* track_parse(Track* track, const unsigned char* data, size_t size);

/* The track file's bytes, malloc'ed; *size set.  Null when out of memory. */
unsigned char* track_encode(const Track* track, size_t* size);

/* "sync_" + the name with every character other than letters, digits,
** '.', '_' and '/' written as '-' and two upper-case hex digits, +
** ".track".  `out` holds TRACK_MAX_FILE_NAME bytes. */
void track_fileName(const char* name, char* out);

#endif
