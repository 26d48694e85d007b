/*
** playback_test.cpp -- debug-mode playback driven by real key events on a
** private X server: pause, play, fast-forward, rewind, restart, screenshot,
** plus what only the screen shows: the loading screen's final state and the
** low-quality stretch.
*/
#include "harness.h"

#include <stdlib.h>
#include <chrono>
#include <sstream>
#include <string>
#include <vector>

namespace {

/* Presses Return and returns the demo time the player printed for it. */
double timeNow(const E2eProc& p)
{
    size_t before = e2e_currentOutput(p).size();
    e2e_key(p, "Return");
    for (int i = 0; i < 300; i++) {
        std::string out = e2e_currentOutput(p);
        size_t nl = out.find('\n', before);
        if (nl != std::string::npos) return atof(out.substr(before, nl - before).c_str());
        e2e_sleep(0.01);
    }
    ADD_FAILURE() << "no time printed";
    return -1;
}

void hold(const E2eProc& p, const char* key, double seconds)
{
    e2e_keyDown(p, key);
    e2e_sleep(seconds);
    e2e_keyUp(p, key);
}

TEST(Playback, DebugKeysPausePlayWindRestart)
{
    std::string dir = e2e_makeDemo();
    e2e_writeTga(dir, "black.tga", e2e_solid(8, 8, 0, 0, 0));
    e2e_writeFile(dir, "demo.lum", "debug 1\nsound 0\ndemo_end 0\n" + e2e_loadingSection("black.tga") +
                  "[efxFader]\nstart 0\nend 1000\nparam 0 1 0 1 0 1 0 1\n");
    E2eProc p = e2e_start(dir);
    ASSERT_TRUE(e2e_waitOutput(p, "main demo loop!")) << e2e_currentOutput(p);

    e2e_sleep(0.3);
    double t1 = timeNow(p);
    EXPECT_GT(t1, 0.1);

    e2e_key(p, "space");
    double t2 = timeNow(p);
    e2e_sleep(0.4);
    double t3 = timeNow(p);
    EXPECT_EQ(t2, t3) << "paused time must stand still";

    e2e_key(p, "space");
    e2e_sleep(0.4);
    double t4 = timeNow(p);
    EXPECT_GT(t4, t3 + 0.2);

    hold(p, "F3", 0.5);      /* ten times real speed */
    double t5 = timeNow(p);
    EXPECT_GT(t5, t4 + 3.0);
    hold(p, "F2", 0.2);
    double t6 = timeNow(p);
    EXPECT_LT(t6, t5 - 1.0);
    e2e_sleep(0.2);
    EXPECT_GT(timeNow(p), t6) << "releasing F2 returns to playing";

    e2e_key(p, "F1");
    double t7 = timeNow(p);
    EXPECT_LT(t7, 0.5) << "restart goes back to demo_start";
    hold(p, "F2", 0.6);     /* rewinding below the start stops there, paused */
    EXPECT_EQ(timeNow(p), 0.0);
    e2e_sleep(0.2);
    EXPECT_EQ(timeNow(p), 0.0);

    e2e_key(p, "s");
    e2e_sleep(0.5);
    e2e_key(p, "Escape");
    E2eRun run = e2e_finish(p);
    EXPECT_EQ(run.status, 0) << run.err;
    E2eImage shot = e2e_readTga(dir + "/screen00.tga");
    ASSERT_TRUE(shot.ok());
    EXPECT_EQ(shot.width, 640);
    EXPECT_TRUE(e2e_rgbNear(shot, 320, 240, 0, 255, 0, 2));
    EXPECT_TRUE(e2e_rgbNear(shot, 320, 20, 0, 0, 0, 2));
}

/* Polls the private server's screen until `ready` holds for it. */
template <typename Pred>
E2eImage waitScreen(const E2eProc& p, Pred ready, double timeoutSeconds = 20.0)
{
    auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(timeoutSeconds);
    while (std::chrono::steady_clock::now() < until) {
        E2eImage img = e2e_screen(p);
        if (img.ok() && ready(img)) return img;
        e2e_sleep(0.01);
    }
    if (getenv("LUMENO_E2E_KEEP")) e2e_writeTga(p.dir, "lastscreen.tga", e2e_screen(p));
    return E2eImage();
}

bool pixelIs(const E2eImage& img, int x, int y, int r, int g, int b)
{
    return e2e_rgbNear(img, x, y, r, g, b, 3);
}

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
    auto finalState = [](const E2eImage& s) {
        return pixelIs(s, 320, 100, 0, 0, 255) && pixelIs(s, 320, 408, 0, 255, 0);
    };
    E2eImage s = waitScreen(p, finalState);
    auto shown = std::chrono::steady_clock::now();
    if (!s.ok()) {
        e2e_key(p, "Escape");
        FAIL() << "final loading state never shown; " << e2e_finish(p).err;
    }
    EXPECT_TRUE(e2e_rgbNear(s, 170, 408, 0, 255, 0, 3)) << "bar starts at x0";
    EXPECT_TRUE(e2e_rgbNear(s, 470, 408, 0, 255, 0, 3)) << "bar reaches x1";
    EXPECT_TRUE(e2e_rgbNear(s, 490, 408, 0, 0, 255, 3)) << "and stops there";
    EXPECT_TRUE(e2e_rgbNear(s, 128, 408, 255, 255, 255, 3)) << "left frame edge";
    EXPECT_TRUE(e2e_rgbNear(s, 118, 408, 0, 0, 255, 3));
    EXPECT_TRUE(e2e_rgbNear(s, 138, 408, 0, 0, 255, 3)) << "frame is about 6 px wide";
    EXPECT_TRUE(e2e_rgbNear(s, 320, 336, 255, 255, 255, 3)) << "top frame edge";

    E2eImage demo = waitScreen(p, [](const E2eImage& img) { return pixelIs(img, 320, 240, 255, 255, 0); });
    double held = std::chrono::duration<double>(std::chrono::steady_clock::now() - shown).count();
    ASSERT_TRUE(demo.ok()) << "the demo never started";
    EXPECT_GT(held, 1.5) << "the finished loading screen stays for two seconds";
    e2e_key(p, "Escape");
    E2eRun run = e2e_finish(p);
    EXPECT_EQ(run.status, 0) << run.err;
}

/* Low quality (render-to-texture smaller than the window): drawn at 256 x 128
   and stretched over the 640 x 360 picture area of the window. */
TEST(Playback, LowQualityStretchesToThePictureArea)
{
    std::string dir = e2e_makeDemo();
    e2e_writeTga(dir, "black.tga", e2e_solid(8, 8, 0, 0, 0));
    e2e_writeFile(dir, "demo.lum", "debug 1\nsound 0\ndemo_end 0\ngl_rttWidth 256\ngl_rttHeight 128\n" +
                  e2e_loadingSection("black.tga") +
                  "[efxFader]\nstart 0\nend 100\nparam 0 1 1 1 0 1 1 1\n");
    E2eProc p = e2e_start(dir);
    /* rows 60 to 419 hold the picture, the bars above and below stay black */
    auto stretched = [](const E2eImage& img) {
        for (int x : { 0, 639 })
            if (!pixelIs(img, x, 59, 0, 0, 0) || !pixelIs(img, x, 61, 0, 255, 255) ||
                !pixelIs(img, x, 418, 0, 255, 255) || !pixelIs(img, x, 420, 0, 0, 0))
                return false;
        return pixelIs(img, 320, 240, 0, 255, 255);
    };
    E2eImage s = waitScreen(p, stretched, 10.0);
    if (!s.ok()) {
        E2eImage last = e2e_screen(p);
        for (int x : { 0, 639 })
            for (int y : { 59, 61, 418, 420 })
                EXPECT_TRUE(e2e_rgbNear(last, x, y, 0, y > 60 && y < 420 ? 255 : 0, y > 60 && y < 420 ? 255 : 0, 3));
    }
    e2e_key(p, "Escape");
    E2eRun run = e2e_finish(p);
    EXPECT_EQ(run.status, 0) << run.err;
}

/* Escape between two loading steps ends the player with status 0 before
   the demo starts.  Thousands of sections make the loading phase long
   enough to be interrupted. */
TEST(Playback, EscapeDuringLoadingEndsCleanly)
{
    std::string dir = e2e_makeDemo();
    e2e_writeTga(dir, "black.tga", e2e_solid(8, 8, 0, 0, 0));
    std::string script = "debug 1\nsound 0\ndemo_end 0\n" + e2e_loadingSection("black.tga");
    for (int i = 0; i < 3000; i++) script += "[efxInverse]\nstart 0\nend 10\n";
    e2e_writeFile(dir, "demo.lum", script);
    E2eProc p = e2e_start(dir);
    ASSERT_TRUE(e2e_waitOutput(p, "sections to be loaded")) << e2e_currentOutput(p);
    e2e_key(p, "Escape");
    E2eRun run = e2e_finish(p);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out.find("sections loaded"), std::string::npos) << "stopped inside the loading phase";
    EXPECT_EQ(run.out.find("main demo loop!"), std::string::npos);
}

/* Recording in debug mode: the demo pauses at its end, and the paused frames
   are not written again and again; Space plays one more frame, which is. */
TEST(Playback, RecordingStopsWhilePaused)
{
    std::string dir = e2e_makeDemo();
    e2e_writeTga(dir, "black.tga", e2e_solid(8, 8, 0, 0, 0));
    e2e_writeFile(dir, "demo.lum", "debug 1\nsound 0\nrecord 1\nrecord_fps 25\ndemo_end 1\n" +
                  e2e_loadingSection("black.tga") +
                  "[efxFader]\nstart 0\nend 5\nparam 0 0 1 1 0 0 1 1\n");
    E2eProc p = e2e_start(dir);
    ASSERT_TRUE(e2e_waitOutput(p, "main demo loop!")) << e2e_currentOutput(p);
    e2e_sleep(1.5);
    int atEnd = e2e_frameCount(dir);
    EXPECT_GE(atEnd, 25);
    EXPECT_LE(atEnd, 27);
    e2e_sleep(0.5);
    EXPECT_EQ(e2e_frameCount(dir), atEnd) << "paused frames are not recorded";
    e2e_key(p, "space");
    e2e_sleep(0.5);
    EXPECT_EQ(e2e_frameCount(dir), atEnd + 1);
    e2e_key(p, "Escape");
    E2eRun run = e2e_finish(p);
    EXPECT_EQ(run.status, 0) << run.err;
}

}  // namespace
