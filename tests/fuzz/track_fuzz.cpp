/*
** track_fuzz.cpp -- libFuzzer target for the track-file reader.
**
** A file the reader takes must hold finite values in strictly rising rows
** and write back to the very same bytes; one it refuses must leave the
** track as it was.  Sampling then runs over the keys it read.
*/
#include "dk_track.h"

#include <math.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Track track = {};
    track_setKey(&track, 5, 1.0f, TRACK_LINEAR);
    const char* why = track_parse(&track, data, size);
    if (why) {
        if (track.key_count != 1 || track.keys[0].row != 5)
            abort();
    } else {
        for (int k = 0; k < track.key_count; k++)
            if (!isfinite(track.keys[k].value) || track.keys[k].interpolation > TRACK_RAMP ||
                (k > 0 && track.keys[k].row <= track.keys[k - 1].row))
                abort();
        size_t again = 0;
        unsigned char* bytes = track_encode(&track, &again);
        if (!bytes || again != size || memcmp(bytes, data, size) != 0)
            abort();
        free(bytes);
        for (int k = 0; k < track.key_count; k++) {
            float v = track_value(&track, track.keys[k].row + 0.5);
            if (!isfinite(v))
                abort();
        }
    }
    free(track.keys);
    return 0;
}
