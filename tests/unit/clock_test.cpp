/*
** clock_test.cpp -- the demo clock with a fake tick source, the bench score,
** playback state transitions from synthetic key events, and one frame's
** end-of-demo, rewind and fast-forward rules in a small GL window.
*/
#include <gtest/gtest.h>

#include "dkernel.h"
#include "dk_loop.h"

#include <SDL/SDL.h>
#include <string>

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

SDL_Event key(int type, int sym)
{
    SDL_Event e = {};   /* zeroed: no modifier, unicode or scancode for the handler to act on */
    e.type = (Uint8)type;
    e.key.type = (Uint8)type;
    e.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    e.key.keysym.sym = (SDLKey)sym;
    return e;
}
void press(int sym) { eventHandler(key(SDL_KEYDOWN, sym)); }
void release(int sym) { eventHandler(key(SDL_KEYUP, sym)); }

class Clock : public ::testing::Test {
protected:
    void SetUp() override { resetKernel(); }
};

TEST_F(Clock, WallClockFrames)
{
    fakeNow = 1000;
    init_timer();
    EXPECT_FLOAT_EQ(demoSystem.last_ticks, 1.0f);
    fakeNow = 1040;
    process_timer();
    EXPECT_NEAR(demoSystem.frame_time, 0.04f, 1e-5);
    EXPECT_EQ(demoSystem.step, demoSystem.frame_time);
    EXPECT_NEAR(demoSystem.time, 0.04f, 1e-5);
    EXPECT_FLOAT_EQ(demoSystem.now_ticks, 1.04f);
    EXPECT_EQ(demoSystem.frames, 1);

    fakeNow = 1540;   /* paused: the wall clock runs, the demo does not */
    pause_timer();
    EXPECT_NEAR(demoSystem.frame_time, 0.5f, 1e-5);
    EXPECT_EQ(demoSystem.step, 0.0f);
    EXPECT_NEAR(demoSystem.time, 0.04f, 1e-5);
    EXPECT_EQ(demoSystem.frames, 2);
}

TEST_F(Clock, RecordModeStepsFixedWhateverTheFrameTook)
{
    demoSystem.record = 1;
    init_timer();
    for (int i = 0; i < 50; i++) {
        fakeNow += (i % 3) * 700;   /* slow and fast frames alike */
        process_timer();
        EXPECT_EQ(demoSystem.frame_time, 1.0f / 25.0f);
    }
    EXPECT_NEAR(demoSystem.time, 2.0f, 1e-4);
    EXPECT_EQ(demoSystem.frames, 50);

    /* a pause or rewind right after measures only its own frame */
    fakeNow += 30;
    pause_timer();
    EXPECT_NEAR(demoSystem.frame_time, 0.03f, 1e-4);
}

TEST_F(Clock, FrameRateWindow)
{
    calculate_fps(0.25f);
    EXPECT_EQ(demoSystem.fps_value, 0.0f);
    EXPECT_EQ(demoSystem.fps_frames, 1);
    calculate_fps(0.15f);   /* window passes 0.3 s: 2 frames in 0.4 s */
    EXPECT_FLOAT_EQ(demoSystem.fps_value, 5.0f);
    EXPECT_EQ(demoSystem.fps_frames, 0);
    EXPECT_EQ(demoSystem.fps_time, 0.0f);
}

TEST(ClockDeath, RecordRateMustBePositive)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    resetKernel();
    demoSystem.record = 1;
    demoSystem.record_fps = 0;
    EXPECT_EXIT(init_timer(), ::testing::ExitedWithCode(1),
                "^Error: record_fps must be greater than 0 in record mode \\(got 0\\)\n$");
    demoSystem.record_fps = -5;
    EXPECT_EXIT(init_timer(), ::testing::ExitedWithCode(1), "got -5");
}

TEST(ClockDeath, BenchScoreLine)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    auto closeAndShow = [](float time, int frames) {
        resetKernel();
        demoSystem.bench = 1;
        demoSystem.time = time;
        demoSystem.frames = frames;
        ::testing::internal::CaptureStdout();
        dkernel_closeDemo();
        dkernel_closeDemo();   /* a second close prints and closes nothing */
        fprintf(stderr, "[%s]", ::testing::internal::GetCapturedStdout().c_str());
        exit(0);
    };
    EXPECT_EXIT(closeAndShow(30.0f, 1500), ::testing::ExitedWithCode(0), "^\\[Score: 8333.33\n\\]$");
    EXPECT_EXIT(closeAndShow(0.0f, 0), ::testing::ExitedWithCode(0), "^\\[\\]$");
}

TEST_F(Clock, KeysOutsideDebugMode)
{
    press(SDLK_SPACE);
    press(SDLK_F2);
    press(SDLK_F1);
    press(SDLK_f);
    EXPECT_EQ(demoSystem.state, 0);
    EXPECT_EQ(demoSystem.fps, 0);
    EXPECT_EQ(demoSystem.keys[SDLK_SPACE], 1);
    release(SDLK_SPACE);
    EXPECT_EQ(demoSystem.keys[SDLK_SPACE], 0);
    release(SDLK_F2);       /* play while playing: nothing */
    EXPECT_EQ(demoSystem.state, 0);
    press(SDLK_ESCAPE);
    EXPECT_EQ(demoSystem.exit_flag, 1);
}

TEST_F(Clock, DebugKeysDrivePlaybackState)
{
    demoSystem.debug = 1;
    press(SDLK_SPACE);
    EXPECT_EQ(demoSystem.state, DK_STATE_PAUSED);
    press(SDLK_F2);
    EXPECT_EQ(demoSystem.state, DK_STATE_PAUSED | DK_STATE_REWIND);
    press(SDLK_F3);         /* fast-forward replaces rewind, keeps paused */
    EXPECT_EQ(demoSystem.state, DK_STATE_PAUSED | DK_STATE_FFWD);
    release(SDLK_F3);
    EXPECT_EQ(demoSystem.state, DK_STATE_PAUSED);
    press(SDLK_SPACE);
    EXPECT_EQ(demoSystem.state, 0);
    press(SDLK_F3);
    release(SDLK_F3);
    EXPECT_EQ(demoSystem.state, 0);

    press(SDLK_f);
    EXPECT_EQ(demoSystem.fps, 1);
    press(SDLK_t);
    EXPECT_EQ(demoSystem.timing, 1);
    EXPECT_EQ(demoSystem.fps, 0);

    demoSystem.time = 2.5f;
    ::testing::internal::CaptureStdout();
    press(SDLK_RETURN);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "2.500000\n");

    demoSystem.demo_start = 1.0f;
    demoSystem.frames = 7;
    press(SDLK_F1);
    EXPECT_EQ(demoSystem.time, 1.0f);
    EXPECT_EQ(demoSystem.frames, 0);
    EXPECT_EQ(demoSystem.state, 0);

    int before[DK_KEYS];
    memcpy(before, demoSystem.keys, sizeof before);
    press(SDLK_UP);          /* symbols of 256 and above own no entry */
    EXPECT_EQ(memcmp(before, demoSystem.keys, sizeof before), 0);

    SDL_Event quit;
    quit.type = SDL_QUIT;
    eventHandler(quit);
    EXPECT_EQ(demoSystem.exit_flag, 1);
}

/* Frames need a GL context: a small window of our own. */
class Frames : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
        SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
        ASSERT_NE(SDL_SetVideoMode(64, 64, 0, SDL_OPENGL), nullptr) << SDL_GetError();
    }
    static void TearDownTestSuite() { SDL_Quit(); }
    void SetUp() override { resetKernel(); }
    void frameAfter(unsigned int ms)
    {
        fakeNow += ms;
        dkernel_doExec();
    }
};

TEST_F(Frames, EndOfDemoExitsWithoutDrawing)
{
    demoSystem.time = 20.01f;
    dkernel_doExec();
    EXPECT_EQ(demoSystem.exit_flag, 1);
    EXPECT_EQ(demoSystem.frames, 0);
}

TEST_F(Frames, DebugModePausesAtTheEndAndSpacePlaysOneFrame)
{
    demoSystem.debug = 1;
    demoSystem.time = 19.99f;
    init_timer();
    frameAfter(40);
    EXPECT_NEAR(demoSystem.time, 20.03f, 1e-4);
    frameAfter(40);
    EXPECT_EQ(demoSystem.state, DK_STATE_PAUSED);
    EXPECT_EQ(demoSystem.time, 20.0f);
    EXPECT_EQ(demoSystem.exit_flag, 0);
    frameAfter(40);
    EXPECT_EQ(demoSystem.time, 20.0f);

    press(SDLK_SPACE);
    frameAfter(40);
    EXPECT_EQ(demoSystem.state, 0);
    EXPECT_NEAR(demoSystem.time, 20.04f, 1e-4);
    frameAfter(40);
    EXPECT_EQ(demoSystem.state, DK_STATE_PAUSED);
    EXPECT_EQ(demoSystem.time, 20.0f);
}

TEST_F(Frames, RewindAtTenTimesSpeedStopsPausedAtStart)
{
    demoSystem.demo_start = 1.0f;
    demoSystem.time = 3.0f;
    init_timer();
    dkernel_rewind();
    frameAfter(100);
    EXPECT_NEAR(demoSystem.time, 2.0f, 1e-4);
    EXPECT_EQ(demoSystem.step, 0.0f);
    frameAfter(50);
    EXPECT_NEAR(demoSystem.time, 1.5f, 1e-4);
    frameAfter(100);
    EXPECT_EQ(demoSystem.time, 1.0f);
    EXPECT_EQ(demoSystem.state, DK_STATE_PAUSED);
}

TEST_F(Frames, FastForwardClampsOnlyWithAnEnd)
{
    demoSystem.time = 19.0f;
    init_timer();
    dkernel_fastforward();
    frameAfter(200);
    EXPECT_EQ(demoSystem.time, 20.0f);
    EXPECT_EQ(demoSystem.state, DK_STATE_PAUSED);

    resetKernel();
    demoSystem.demo_end = 0;
    demoSystem.time = 19.0f;
    demoSystem.record = 1;   /* fast-forward runs on the wall clock even when recording */
    init_timer();
    dkernel_fastforward();
    frameAfter(200);
    EXPECT_NEAR(demoSystem.time, 21.0f, 1e-4);
    EXPECT_EQ(demoSystem.state, DK_STATE_FFWD);
}

TEST_F(Frames, LoopRestartsAtDemoStart)
{
    demoSystem.loop = 1;
    demoSystem.demo_start = 2.0f;
    demoSystem.time = 20.5f;
    demoSystem.frames = 99;
    dkernel_doExec();
    EXPECT_EQ(demoSystem.exit_flag, 0);
    EXPECT_EQ(demoSystem.frames, 1);
    EXPECT_EQ(demoSystem.state, 0);
    EXPECT_NEAR(demoSystem.time, 2.0f, 0.01f);
}

}  // namespace
