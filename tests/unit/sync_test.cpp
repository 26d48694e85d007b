/*
** sync_test.cpp -- sync tracks: key order, edges and deleting, damaged
** track files, file names, the editor's commands checked, and a synced
** spline sampled through a section at the demo's row.
*/
#include <gtest/gtest.h>

#include <math.h>
#include <string.h>
#include <string>

#include "dk_spline.h"
#include "dk_sync.h"
#include "st_syncproto.h"

namespace {

std::string le32(uint32_t v) { return std::string{ (char)v, (char)(v >> 8), (char)(v >> 16), (char)(v >> 24) }; }
std::string be32(uint32_t v) { return std::string{ (char)(v >> 24), (char)(v >> 16), (char)(v >> 8), (char)v }; }
uint32_t bits(float f) { uint32_t b; memcpy(&b, &f, 4); return b; }
std::string key(uint32_t row, float value, int interpolation) { return le32(row) + le32(bits(value)) + (char)interpolation; }

/* The interpolations themselves are seen end to end in the Sync tests. */
TEST(SyncTrack, KeysInAnyOrderEdgesAndDeleting)
{
    Track t = {};
    EXPECT_EQ(track_value(&t, 5.0), 0.0f) << "no keys";
    track_setKey(&t, 40, 1.0f, TRACK_STEP);    /* inserted out of order on purpose */
    track_setKey(&t, 10, 0.2f, TRACK_STEP);
    track_setKey(&t, 20, 0.6f, TRACK_LINEAR);
    track_setKey(&t, 30, 0.2f, TRACK_SMOOTH);
    const struct { double row; float want; } table[] = {
        { -3, 0.2f }, { 19.9, 0.2f }, { 25, 0.4f }, { 1e9, 1.0f }, { NAN, 0.2f },
    };
    for (const auto& c : table) EXPECT_NEAR(track_value(&t, c.row), c.want, 1e-6) << c.row;
    track_deleteKey(&t, 30);
    track_deleteKey(&t, 31);   /* no key there: nothing happens */
    EXPECT_EQ(t.key_count, 3);
    EXPECT_NEAR(track_value(&t, 30), 0.8f, 1e-6) << "linear from 20 to 40 now";
    free(t.keys);
}

/* Sound files are written and read back by the Sync tests end to end. */
TEST(SyncTrack, DamagedFilesAreRefused)
{
    std::string sound = le32(2) + key(3, 1.5f, 1) + key(7, -2.0f, 3);
    const struct { std::string bytes; const char* why; } table[] = {
        { "", "too short for its key count" },
        { sound + "x", "longer than its key count says" },
        { le32(0xFFFFFFFFu) + key(1, 1, 0), "negative key count" },
        { le32(0x7FFFFFFF), "more keys than a track may hold" },
        { le32(2) + key(7, 1, 0) + key(7, 2, 0), "rows out of order or repeated" },
        { le32(1) + key(7, NAN, 0), "a value that is not a finite number" },
        { le32(1) + key(7, 1, 4), "an unknown interpolation" },
    };
    for (const auto& c : table) {
        Track t = {};
        track_setKey(&t, 99, 9.0f, 0);
        const char* why = track_parse(&t, (const unsigned char*)c.bytes.data(), c.bytes.size());
        EXPECT_STREQ(why, c.why) << c.bytes.size();
        EXPECT_EQ(t.key_count, 1) << "a refused file leaves the track as it was";
        free(t.keys);
    }
    char name[TRACK_MAX_FILE_NAME];
    track_fileName("a b/C_d.e\xff", name);
    EXPECT_STREQ(name, "sync_a-20b/C_d.e-FF.track");
}

TEST(SyncProtocol, CommandsAreCheckedBeforeUse)
{
    const struct { std::string bytes; int used; const char* why; } table[] = {
        { std::string(1, '\1') + be32(2) + be32(7), 9, nullptr },
        { std::string(1, '\0') + be32(2) + be32(7) + be32(bits(0.5f)), 0, nullptr },   /* not complete */
        { std::string(1, '\0') + be32(3) + be32(7) + be32(bits(0.5f)) + '\0', -1, "a track it was not asked for" },
        { std::string(1, '\1') + be32(0xFFFFFFFFu) + be32(7), -1, "a track it was not asked for" },
        { std::string(1, '\0') + be32(0) + be32(7) + be32(bits(NAN)) + '\0', -1, "a value that is not a finite number" },
        { std::string(1, '\0') + be32(0) + be32(7) + be32(bits(1)) + '\4', -1, "an unknown interpolation" },
        { std::string("\4\2", 2), -1, "a pause flag other than 0 or 1" },
    };
    for (const auto& c : table) {
        SyncCommand command;
        const char* why = nullptr;
        EXPECT_EQ(syncproto_decode((const unsigned char*)c.bytes.data(), c.bytes.size(), 3, &command, &why), c.used)
            << (int)c.bytes[0];
        EXPECT_STREQ(why, c.why);
    }
}

/* a section started later than the demo reads the demo's row */
TEST(SyncSpline, ChannelsAreTracksSampledAtTheDemosRow)
{
    demoSystem.bpm = 120.0f;   /* 16 rows a second */
    demoSystem.rows_per_beat = 8;
    static Section s = {};
    mySection = &s;
    s.spline_count = 1;
    s.spline_files[0] = (char*)"sync:unit test";
    motion_loadSection(&s);
    section_needChannels(1, 1);
    int x = sync_useTrack("unit test:1");
    track_setKey(&syncState.tracks[x], 16, 1.0f, TRACK_LINEAR);
    track_setKey(&syncState.tracks[x], 32, 3.0f, TRACK_STEP);
    /* the section's clock says 0.5 s, the demo's row 24: the row wins */
    s.elapsed = 0.5f;
    demoSystem.time = 1.5f;
    float out[1] = { -1 };
    dkernel_getSpline(0, 0.5f, out);
    EXPECT_FLOAT_EQ(out[0], 2.0f);
    dkernel_getSpline(0, 0.0f, out);   /* half a second before now */
    EXPECT_FLOAT_EQ(out[0], 1.0f);
}

}  // namespace
