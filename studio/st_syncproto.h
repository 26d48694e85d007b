/*
** st_syncproto.h -- the bytes a sync editor and the player exchange: the
** greeting, the commands the editor sends (decoded and checked here) and
** the two the player sends.  Integers are big-endian unsigned 32 bit,
** values the bits of an IEEE single, big-endian.
**
** No sockets here: the client (st_sync.cpp) and the fuzzer feed bytes in.
*/
#ifndef ST_SYNCPROTO_H
#define ST_SYNCPROTO_H

#include <stddef.h>
#include <stdint.h>
#include <string>

#define SYNC_SET_KEY     0
#define SYNC_DELETE_KEY  1
#define SYNC_GET_TRACK   2
#define SYNC_SET_ROW     3
#define SYNC_PAUSE       4
#define SYNC_SAVE_TRACKS 5

/* what the player says first, and the only answer it accepts (no zero
** byte after either) */
extern const char syncproto_hello[20];    /* 19 bytes and the terminator */
extern const char syncproto_welcome[13];  /* 12 bytes and the terminator */

struct SyncCommand {
    int      type;            /* SYNC_SET_KEY ... SYNC_SAVE_TRACKS */
    uint32_t track;           /* SET_KEY, DELETE_KEY */
    uint32_t row;             /* SET_KEY, DELETE_KEY, SET_ROW */
    float    value;           /* SET_KEY: finite */
    int      interpolation;   /* SET_KEY: 0 ... 3 */
    int      pause;           /* PAUSE: 1 pause, 0 play */
};

/* Decodes the editor command at the front of data[0..size).  Returns the
** bytes it takes, 0 when the command is not complete yet, or -1 for a
** command that must drop the connection (`*why` says what was wrong).
** Track numbers must be below `tracks`, the tracks asked for so far. */
int syncproto_decode(const unsigned char* data, size_t size, uint32_t tracks, SyncCommand* command,
                     const char** why);

/* Appends GET_TRACK for `name` / SET_ROW for `row` to out. */
void syncproto_getTrack(std::string& out, const char* name);
void syncproto_setRow(std::string& out, uint32_t row);

#endif
