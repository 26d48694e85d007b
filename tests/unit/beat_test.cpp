/*
** beat_test.cpp -- the bpm pulse, the beat level's source key, and record
** mode's frame-by-frame music in the kernel.
*/
#include <gtest/gtest.h>

#include <math.h>
#include <vector>

#include "dkernel.h"
#include "studio.h"

TEST(BeatPulse, OnEachBeatFromSecondZero)
{
    struct Case { float time, bpm, want; };
    const Case cases[] = {
        { 0.0f, 120, 1.0f }, { 0.25f, 60, 0.444444f }, { 0.49f, 120, 0.0f }, { 1.0f, 0, 0.0f },
        { -0.5f, 120, 1.0f }, { 3600.25f, 240, 1.0f },
    };
    for (const Case& c : cases)
        EXPECT_NEAR(beat_pulse(c.time, c.bpm), c.want, 1e-4f) << c.time << " s at " << c.bpm;
}

/* three eighths into the second beat, sound off: the music (source 2)
** gives no beat then */
TEST(BeatLevel, FollowsTheSourceKey)
{
    const struct { int source; float want; } cases[] = { { 1, 0.25f }, { 0, 0.0f }, { 2, 0.0f } };
    for (auto& c : cases) {
        demoSystem = DemoSystem();
        demoSystem.bpm = 120;
        demoSystem.time = 0.6875f;
        demoSystem.beat_source = c.source;
        demoSystem.beat = 0.5f;
        beat_update();
        EXPECT_NEAR(demoSystem.beat, c.want, 1e-5f) << "source " << c.source;
    }
}

static std::vector<short> sunk;
static void keep(const short* pcm, int frames) { sunk.insert(sunk.end(), pcm, pcm + 2 * frames); }

/* Record mode: each played frame mixes its exact share of 44100 samples
** a second, also at rates that do not divide it; paused frames mix none. */
TEST(RecordMusic, EachFrameMixesItsShare)
{
    for (float fps : { 25.0f, 24.0f, 29.97f }) {
        SCOPED_TRACE(fps);
        demoSystem = DemoSystem();
        demoSystem.sound = 1;
        demoSystem.record = 1;
        demoSystem.record_fps = fps;
        sound_sink = keep;
        sunk.clear();
        sound_init();
        int frames = (int)(fps * 3);
        for (int i = 0; i < frames; i++) {
            demoSystem.step = 1.0f / fps;
            sound_update();
        }
        demoSystem.state = DK_STATE_PAUSED;
        sound_update();
        sound_end();
        sound_sink = nullptr;
        EXPECT_EQ((long long)sunk.size() / 2, llround(frames * 44100.0 / fps));
    }
}
