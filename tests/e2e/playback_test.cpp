/*
** playback_test.cpp -- debug-mode playback driven by real key events on a
** private X server: leaving during loading, and what only the screen shows:
** the loading screen's final state and the low-quality stretch (against the
** unstretched capture).  The key handler's state rules and the clock are
** pinned by clock_test; the sound and overlay tests press the keys for real,
** and the particles' restart records, pauses and records again.
*/
#include "harness.h"

#include <chrono>
#include <string>

namespace {

/* Bar (0.25, 0.1)-(0.75, 0.2) in green, frame (0.2, 0.05)-(0.8, 0.3) in
   white 0.01 of the width (6.4 px), red picture fading to blue.  The loading
   screen covers the whole window; y in the script grows upwards.  Probes
   keep away from the window edges, where the clamped pictures darken. */
TEST(Playback, LoadingScreenFinalStateHoldsTwoSeconds)
{
    std::string dir = e2e_makeDemo();
    e2e_writeTga(dir, "red.tga", e2e_solid(8, 8, 255, 0, 0));
    e2e_writeTga(dir, "blue.tga", e2e_solid(8, 8, 0, 0, 255));
    e2e_writeFile(dir, "demo.lum",
        "sound 0\ndemo_end 0\n[loading]\nstart 0\nend 1\n"
        "param 0 1 0 1 0.25 0.1 0.75 0.2\nparam 1 1 1 1 0.2 0.05 0.8 0.3 0.01\n"
        "string red.tga\nstring blue.tga\n"
        "[efxFader]\nstart 0\nend 100\nparam 1 1 0 1 1 1 0 1\n");
    E2eProc p = e2e_start(dir);
    /* the full bar and no further; the frame's left edge about 6 px wide and
       its top edge; the faded-in picture around them */
    ::testing::AssertionResult s = e2e_waitScreen(p, { { 320, 100, 0, 0, 255 }, { 470, 408, 0, 255, 0 },
        { 490, 408, 0, 0, 255 }, { 128, 408, 255, 255, 255 }, { 138, 408, 0, 0, 255 }, { 320, 336, 255, 255, 255 } });
    auto shown = std::chrono::steady_clock::now();
    EXPECT_TRUE(s) << "final loading state never shown";
    ::testing::AssertionResult demo = e2e_waitScreen(p, { { 320, 240, 255, 255, 0 } });
    double held = std::chrono::duration<double>(std::chrono::steady_clock::now() - shown).count();
    EXPECT_TRUE(demo) << "the demo never started";
    EXPECT_GT(held, 1.5) << "the finished loading screen stays for two seconds";
    e2e_key(p, "Escape");
    E2eRun run = e2e_finish(p);
    EXPECT_EQ(run.status, 0) << run.err;
}

/* Low quality (render-to-texture smaller than the window): drawn at 256 x 128
   and stretched over the 640 x 360 picture area, rows 60 to 419; the
   recorded frame holds the unstretched picture in the lower-left corner. */
TEST(Playback, LowQualityStretchesOnScreenNotInTheCapture)
{
    std::string dir = e2e_demo("debug 1\nsound 0\nrecord 1\ndemo_end 0.2\ngl_rttWidth 256\ngl_rttHeight 128\n",
                               "[efxFader]\nstart 0\nend 100\nparam 0 1 1 1 0 1 1 1\n");
    E2eProc p = e2e_start(dir);
    EXPECT_TRUE(e2e_waitScreen(p, { { 0, 59, 0, 0, 0 }, { 0, 61, 0, 255, 255 }, { 639, 418, 0, 255, 255 },
                                    { 639, 420, 0, 0, 0 } }, 10.0));
    e2e_key(p, "Escape");
    E2eRun run = e2e_finish(p);
    EXPECT_EQ(run.status, 0) << run.err;
    E2eImage f = e2e_frame(dir, 2);
    EXPECT_TRUE(e2e_rgbNear(f, 0, 479, 0, 255, 255, 0));
    EXPECT_TRUE(e2e_rgbNear(f, 255, 352, 0, 255, 255, 0));
    EXPECT_TRUE(e2e_rgbNear(f, 256, 479, 0, 0, 0, 0));
    EXPECT_TRUE(e2e_rgbNear(f, 0, 351, 0, 0, 0, 0));
}

/* Escape between two loading steps ends the player with status 0 before
   the demo starts.  Thousands of sections make the loading phase long
   enough to be interrupted. */
TEST(Playback, EscapeDuringLoadingEndsCleanly)
{
    std::string sections;
    for (int i = 0; i < 3000; i++) sections += "[efxInverse]\nstart 0\nend 10\n";
    E2eProc p = e2e_start(e2e_demo("debug 1\nsound 0\ndemo_end 0\n", sections));
    ASSERT_TRUE(e2e_waitOutput(p, "sections to be loaded")) << e2e_currentOutput(p);
    e2e_key(p, "Escape");
    E2eRun run = e2e_finish(p);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out.find("sections loaded"), std::string::npos) << "stopped inside the loading phase";
    EXPECT_EQ(run.out.find("main demo loop!"), std::string::npos);
}

}  // namespace
