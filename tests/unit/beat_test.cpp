/*
** beat_test.cpp -- mixing without a device, the onset strength of the mix,
** the bpm pulse, and record mode's frame-by-frame music in the kernel.
*/
#include <gtest/gtest.h>

#include <math.h>
#include <vector>

#include "audio.h"
#include "audio_signal.h"
#include "dkernel.h"
#include "studio.h"

static const unsigned MODE = AUDIO_MODE_NORMAL | AUDIO_MODE_MEMORY | AUDIO_MODE_ACCURATE;
static const int RATE = 44100;

struct BeatTest : ::testing::Test {
    void SetUp() override { ASSERT_TRUE(audio_setOutput(AUDIO_OUTPUT_NONE)); }
    void TearDown() override { audio_close(); }
};

/* Short decaying bursts of a 1 kHz tone at the given frames, over a faint hum. */
static std::vector<short> clickTrack(long frames, const std::vector<long>& clicks)
{
    std::vector<short> pcm((size_t)frames);
    for (long i = 0; i < frames; i++)
        pcm[i] = (short)(300.0 * sin(2 * M_PI * 110.0 * i / RATE));
    for (long at : clicks)
        for (long i = 0; i < 440 && at + i < frames; i++)
            pcm[at + i] = (short)(20000.0 * exp(-i / 80.0) * sin(2 * M_PI * 1000.0 * i / RATE));
    return pcm;
}

/* The onset rises at each click within one 10 ms step, reaches 1 there,
** and falls without rising again until the next click. */
TEST_F(BeatTest, OnsetPeaksAtClicksAndFallsSmoothly)
{
    const std::vector<long> clicks = { 13230, 35280, 44100, 70560 };   /* 0.3, 0.8, 1.0, 1.6 s */
    std::vector<short> pcm = clickTrack(2 * RATE, clicks);
    std::vector<unsigned char> image = sig_wav16(pcm, 1, RATE);
    AudioStream* s = audio_streamOpen(image.data(), MODE, 0, (int)image.size());
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(audio_getOnset(), 0.0f);
    ASSERT_TRUE(audio_init(RATE, 32, 0));
    ASSERT_GE(audio_streamPlay(AUDIO_FREE, s), 0);

    const int block = 147;   /* 3.3 ms: finer than the detector's steps */
    std::vector<float> level;
    short out[2 * block];
    for (long done = 0; done < 2 * RATE; done += block) {
        ASSERT_TRUE(audio_mixOffline(out, block));
        level.push_back(audio_getOnset());
    }
    auto blockOf = [&](long frame) { return (size_t)(frame / block); };
    for (size_t c = 0; c < clicks.size(); c++) {
        SCOPED_TRACE("click " + std::to_string(c));
        size_t at = blockOf(clicks[c]);
        size_t end = c + 1 < clicks.size() ? blockOf(clicks[c + 1]) : level.size();
        float before = level[at - 1];
        float best = 0;
        size_t bestAt = 0;
        for (size_t i = at; i < at + 6; i++) {
            if (level[i] > best) {
                best = level[i];
                bestAt = i;
            }
        }
        EXPECT_LT(before, 0.3f);
        EXPECT_FLOAT_EQ(best, 1.0f);
        EXPECT_LE((bestAt - at) * block, (size_t)RATE / 100 + block);
        for (size_t i = bestAt + 1; i < end; i++)
            ASSERT_LE(level[i], level[i - 1] + 1e-6f) << "rises again at block " << i;
        /* a fifth of a second later the pulse is nearly gone */
        if (end > bestAt + RATE / 5 / block) {
            EXPECT_LT(level[bestAt + RATE / 5 / block], 0.1f);
        }
    }
    for (float v : level) {
        ASSERT_GE(v, 0.0f);
        ASSERT_LE(v, 1.0f);
    }
    audio_close();
    EXPECT_EQ(audio_getOnset(), 0.0f);
    audio_streamClose(s);
}

TEST(BeatPulse, OnEachBeatFromSecondZero)
{
    struct Case { float time, bpm, want; };
    const Case cases[] = {
        { 0.0f, 120, 1.0f }, { 0.5f, 120, 1.0f }, { 10.0f, 120, 1.0f }, { 0.25f, 60, 0.444444f },
        { 0.1875f, 120, 0.25f }, { 0.375f, 120, 0.0f }, { 0.49f, 120, 0.0f }, { 1.0f, 0, 0.0f },
        { 1.0f, -60, 0.0f }, { -0.5f, 120, 1.0f }, { 3600.25f, 240, 1.0f },
    };
    for (const Case& c : cases)
        EXPECT_NEAR(beat_pulse(c.time, c.bpm), c.want, 1e-4f) << c.time << " s at " << c.bpm;
}

TEST(BeatLevel, FollowsTheSourceKey)
{
    demoSystem = DemoSystem();
    demoSystem.bpm = 120;
    demoSystem.time = 0.6875f;   /* three eighths into the second beat */
    demoSystem.beat_source = 1;
    beat_update();
    EXPECT_NEAR(demoSystem.beat, 0.25f, 1e-5f);
    demoSystem.beat_source = 0;
    beat_update();
    EXPECT_EQ(demoSystem.beat, 0.0f);
    demoSystem.beat_source = 2;   /* sound off: no music, no beat */
    demoSystem.sound = 0;
    demoSystem.beat = 0.5f;
    beat_update();
    EXPECT_EQ(demoSystem.beat, 0.0f);
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
