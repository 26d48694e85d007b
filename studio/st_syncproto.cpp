/*
** st_syncproto.cpp -- coding and checking the sync editor's commands.
**
** Everything an editor may send is checked here, before any of it reaches
** the tracks or the clock: a command byte we do not know, a track we did
** not ask for, an interpolation out of range, a value that is no finite
** number and a pause flag other than 0 or 1 all end the connection.
*/
#include "st_syncproto.h"

#include <math.h>
#include <string.h>

const char syncproto_hello[20] = "hello, synctracker!";
const char syncproto_welcome[13] = "hello, demo!";

static uint32_t readBe32(const unsigned char* b)
{
    return (uint32_t)b[0] << 24 | (uint32_t)b[1] << 16 | (uint32_t)b[2] << 8 | (uint32_t)b[3];
}

static void appendBe32(std::string& out, uint32_t v)
{
    char b[4] = { (char)(v >> 24), (char)(v >> 16), (char)(v >> 8), (char)v };
    out.append(b, 4);
}

int syncproto_decode(const unsigned char* data, size_t size, uint32_t tracks, SyncCommand* command,
                     const char** why)
{
    static const size_t lengths[] = { 14, 9, 0, 5, 2, 1 };
    if (size == 0)
        return 0;
    int type = data[0];
    if (type > SYNC_SAVE_TRACKS || type == SYNC_GET_TRACK) {
        *why = "an unknown command";
        return -1;
    }
    size_t length = lengths[type];
    if (size < length)
        return 0;
    memset(command, 0, sizeof *command);
    command->type = type;
    switch (type) {
    case SYNC_SET_KEY:
    case SYNC_DELETE_KEY:
        command->track = readBe32(data + 1);
        command->row = readBe32(data + 5);
        if (command->track >= tracks) {
            *why = "a track it was not asked for";
            return -1;
        }
        if (type == SYNC_SET_KEY) {
            uint32_t bits = readBe32(data + 9);
            memcpy(&command->value, &bits, sizeof(float));
            command->interpolation = data[13];
            if (!isfinite(command->value)) {
                *why = "a value that is not a finite number";
                return -1;
            }
            if (command->interpolation > 3) {
                *why = "an unknown interpolation";
                return -1;
            }
        }
        break;
    case SYNC_SET_ROW:
        command->row = readBe32(data + 1);
        break;
    case SYNC_PAUSE:
        if (data[1] > 1) {
            *why = "a pause flag other than 0 or 1";
            return -1;
        }
        command->pause = data[1];
        break;
    default:
        break;
    }
    return (int)length;
}

void syncproto_getTrack(std::string& out, const char* name)
{
    size_t n = strlen(name);
    out += (char)SYNC_GET_TRACK;
    appendBe32(out, (uint32_t)n);
    out.append(name, n);
}

void syncproto_setRow(std::string& out, uint32_t row)
{
    out += (char)SYNC_SET_ROW;
    appendBe32(out, row);
}
