/*
** syncproto_fuzz.cpp -- libFuzzer target for the sync editor's command
** stream.
**
** The bytes are what an editor sent after the greeting, cut into commands
** as the client cuts them and applied to four tracks as the client applies
** them, until a command is refused or the bytes end mid-command.  Every
** track must then hold finite values in strictly rising rows.
*/
#include "dk_track.h"
#include "st_syncproto.h"

#include <math.h>
#include <stdint.h>
#include <stdlib.h>

#define FUZZ_TRACKS 4

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Track tracks[FUZZ_TRACKS] = {};
    size_t at = 0;
    for (;;) {
        SyncCommand command;
        const char* why = nullptr;
        int used = syncproto_decode(data + at, size - at, FUZZ_TRACKS, &command, &why);
        if (used < 0 && !why)
            abort();
        if (used <= 0)
            break;
        at += (size_t)used;
        if (at > size)
            abort();
        if (command.type == SYNC_SET_KEY) {
            if (command.track >= FUZZ_TRACKS || command.interpolation > TRACK_RAMP || !isfinite(command.value))
                abort();
            track_setKey(&tracks[command.track], command.row, command.value, command.interpolation);
        } else if (command.type == SYNC_DELETE_KEY) {
            track_deleteKey(&tracks[command.track], command.row);
        } else if (command.type == SYNC_SET_ROW) {
            for (Track& t : tracks)
                if (!isfinite(track_value(&t, command.row + 0.25)))
                    abort();
        }
    }
    for (Track& t : tracks) {
        for (int k = 1; k < t.key_count; k++)
            if (t.keys[k].row <= t.keys[k - 1].row)
                abort();
        free(t.keys);
    }
    return 0;
}
