/*
** playback_test.cpp -- debug-mode playback driven by real key events on a
** private X server: pause, play, fast-forward, rewind, restart, screenshot,
** plus what only the screen shows: the loading screen's final state and the
** low-quality stretch.
*/
#include "harness.h"

#include <stdlib.h>
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

}  // namespace
