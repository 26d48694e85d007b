/*
** clock_test.cpp -- the frame-rate measure, the bench score, playback
** state transitions from synthetic key events, and one frame's loop,
** rewind and fast-forward rules on a fake tick source in a small GL window.
*/
#include <gtest/gtest.h>

#include "gl_window.h"
#include "testutil.h"

#include "dkernel.h"
#include "dk_loop.h"

#include <SDL/SDL.h>

namespace {

unsigned int fakeNow = 0;
unsigned int fakeTicks() { return fakeNow; }

void resetKernel()
{
    demoSystem = DemoSystem();
    demoSystem.record_fps = 25.0f;
    demoSystem.demo_end = 20.0f;
    dkernel_ticks = fakeTicks;
    fakeNow = 0;
}

/* A key event, zeroed: no modifier, unicode or scancode for the handler. */
void key(int sym, bool down = true)
{
    SDL_Event e = {};
    e.type = e.key.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.key.keysym.sym = (SDLKey)sym;
    eventHandler(e);
}

/* the frame rate is measured over windows of more than 0.3 s */
TEST(Clock, FrameRateOverWindowsOfMoreThanAThirdOfASecond)
{
    resetKernel();
    calculate_fps(0.25f);
    EXPECT_TRUE(demoSystem.fps_value == 0.0f && demoSystem.fps_frames == 1);
    calculate_fps(0.15f);
    EXPECT_FLOAT_EQ(demoSystem.fps_value, 5.0f);
    EXPECT_TRUE(demoSystem.fps_frames == 0 && demoSystem.fps_time == 0.0f);
}

TEST(ClockDeath, RecordRateAndBenchScore)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    resetKernel();
    demoSystem.record = 1;
    demoSystem.record_fps = 0;
    EXPECT_EXIT(FATAL(init_timer()), ::testing::ExitedWithCode(1),
                "^Error: record_fps must be greater than 0 in record mode \\(got 0\\)\n$");

    /* a second close prints and closes nothing; no time, no score */
    auto closeAndShow = [](float time, int frames) {
        resetKernel();
        demoSystem.bench = 1;
        demoSystem.time = time;
        demoSystem.frames = frames;
        ::testing::internal::CaptureStdout();
        dkernel_closeDemo();
        dkernel_closeDemo();
        fprintf(stderr, "[%s]", ::testing::internal::GetCapturedStdout().c_str());
        exit(0);
    };
    EXPECT_EXIT(closeAndShow(30.0f, 1500), ::testing::ExitedWithCode(0), "^\\[Score: 8333.33\n\\]$");
    EXPECT_EXIT(closeAndShow(0.0f, 0), ::testing::ExitedWithCode(0), "^\\[\\]$");
}

/* Key sequences and the playback state, fps and timing flags after each. */
TEST(Clock, KeysDrivePlaybackStateOnlyInDebugMode)
{
    resetKernel();
    struct Step { int debug, sym; bool down; int state, fps, timing; };
    const int P = DK_STATE_PAUSED, R = DK_STATE_REWIND, F = DK_STATE_FFWD;
    const Step steps[] = {
        { 0, SDLK_SPACE, true, 0, 0, 0 }, { 0, SDLK_F2, true, 0, 0, 0 }, { 0, SDLK_f, true, 0, 0, 0 },
        { 0, SDLK_F2, false, 0, 0, 0 },                          /* play while playing: nothing */
        { 1, SDLK_SPACE, true, P, 0, 0 }, { 1, SDLK_F2, true, P | R, 0, 0 },
        { 1, SDLK_F3, true, P | F, 0, 0 },                       /* replaces rewind, keeps paused */
        { 1, SDLK_F3, false, P, 0, 0 }, { 1, SDLK_SPACE, true, 0, 0, 0 }, { 1, SDLK_F3, true, F, 0, 0 },
        { 1, SDLK_F3, false, 0, 0, 0 }, { 1, SDLK_f, true, 0, 1, 0 }, { 1, SDLK_t, true, 0, 0, 1 },
    };
    for (const Step& s : steps) {
        demoSystem.debug = s.debug;
        key(s.sym, s.down);
        EXPECT_TRUE(demoSystem.state == s.state && demoSystem.fps == s.fps && demoSystem.timing == s.timing)
            << "key " << s.sym << (s.down ? " down" : " up") << ": state " << (int)demoSystem.state;
        if (s.sym < DK_KEYS) { EXPECT_EQ(demoSystem.keys[s.sym], s.down ? 1 : 0); }
    }
    int before[DK_KEYS];
    memcpy(before, demoSystem.keys, sizeof before);
    key(SDLK_UP);          /* symbols of 256 and above own no entry */
    EXPECT_EQ(memcmp(before, demoSystem.keys, sizeof before), 0);
    SDL_Event quit;
    quit.type = SDL_QUIT;
    eventHandler(quit);
    EXPECT_EQ(demoSystem.exit_flag, 1);
}

class Frames : public ::testing::Test {
protected:
    void SetUp() override
    {
        openTestWindow(64, 64);
        resetKernel();
    }
};

/* Ending at demo_end is seen in every recorded end-to-end run. */
TEST_F(Frames, EndOfDemoLoops)
{
    demoSystem.loop = 1;
    demoSystem.demo_start = 2.0f;
    demoSystem.time = 20.5f;
    demoSystem.frames = 99;
    dkernel_doExec();
    EXPECT_TRUE(demoSystem.exit_flag == 0 && demoSystem.frames == 1 && demoSystem.state == 0);
    EXPECT_NEAR(demoSystem.time, 2.0f, 0.01f);
}

/* Winding runs at ten times real speed: rewinding stops paused at the
** start, fast-forwarding at the end only when there is one, and even when
** recording it follows the wall clock. */
TEST_F(Frames, WindingAtTenTimesSpeed)
{
    const int P = DK_STATE_PAUSED, R = DK_STATE_REWIND, F = DK_STATE_FFWD;
    const struct { void (*wind)(); float time, end; int record; unsigned ms; float want; int state; } cases[] = {
        { dkernel_rewind, 3.0f, 20, 0, 100, 2.0f, R }, { dkernel_rewind, 1.5f, 20, 0, 100, 1.0f, P },
        { dkernel_fastforward, 19.0f, 20, 0, 200, 20.0f, P }, { dkernel_fastforward, 19.0f, 0, 1, 200, 21.0f, F },
    };
    for (const auto& c : cases) {
        resetKernel();
        demoSystem.demo_start = 1.0f;
        demoSystem.time = c.time;
        demoSystem.demo_end = c.end;
        demoSystem.record = c.record;
        init_timer();
        c.wind();
        fakeNow += c.ms;
        dkernel_doExec();
        EXPECT_NEAR(demoSystem.time, c.want, 1e-4) << "winding from " << c.time;
        EXPECT_EQ(demoSystem.state, c.state) << "winding from " << c.time;
        EXPECT_EQ(demoSystem.step, 0.0f) << "winding from " << c.time;
    }
}

}  // namespace
