/*
** kernel_test.cpp -- the real player end to end in record mode: the
** fixed-step clock, and layer and start order drawn with the colour
** effects.  Fatal load messages: SceneSection and the cli tests; the
** low-quality capture: Playback.LowQualityStretchesOnScreenNotInTheCapture.
*/
#include "harness.h"

#include <string>

namespace {

const char* kRecord = "record 1\nsound 0\n";

/* A fader from colour `from` to `to` (the same colour when not given). */
std::string fader(float start, float end, int layer, const char* from, const char* to = nullptr)
{
    return "[efxFader]\nstart " + std::to_string(start) + "\nend " + std::to_string(end) +
           "\nlayer " + std::to_string(layer) + "\nparam " + from + " " + (to ? to : from) + "\n";
}

/* One timeline, 25 frames a second: every frame is 0.04 s of demo time,
   and frame n shows its sections at the previous frame's time. */
TEST(Kernel, LayersStartOrderAndColourEffects)
{
    std::string script =
        fader(0, 2, 0, "1 0 0 1") +                              /* red base */
        "[efxInverse]\nstart 0.4\nend 1.2\nlayer 5\n" +          /* cyan */
        "[efxInverse]\nstart 0.8\nend 1.2\nlayer 6\n" +          /* cancels: red */
        fader(1.2f, 1.6f, 3, "0 0 1 0", "0 0 1 1") +             /* blue fading in */
        fader(1.6f, 2, 2, "0 1 0 1") +                           /* A: green */
        fader(1.7f, 2, 2, "0 0 1 1") +                           /* B: later, drawn first */
        fader(1.8f, 2, 4, "1 1 1 1") +                           /* C: white */
        fader(1.8f, 2, 4, "1 1 0 1");                            /* D: same frame, drawn first */
    std::string dir = e2e_demo(std::string(kRecord) + "demo_end 1.99\n", script);
    E2eRun run = e2e_run(dir);
    ASSERT_EQ(run.status, 0) << run.err;
    const int expect[][4] = { { 5, 255, 0, 0 }, { 15, 0, 255, 255 }, { 25, 255, 0, 0 }, { 35, 153, 0, 102 },
                              { 41, 0, 255, 0 }, { 44, 0, 255, 0 }, { 48, 255, 255, 255 } };
    for (auto& e : expect)
        EXPECT_TRUE(e2e_rgbNear(e2e_frame(dir, e[0]), 320, 240, e[1], e[2], e[3], 2)) << "frame " << e[0];
}

/* Frames also read back run-length encoded.  From second 0.2 efxColor
   leaves its colour current for the sections drawn after it: a blended
   background takes its alpha from it (texture colour, current alpha), and
   three params keep the alpha an earlier four-param one set. */
TEST(Kernel, BlackWhiteAndColourCarriedToLaterSections)
{
    std::string dir = e2e_demo(std::string(kRecord) + "demo_end 0.4\ncompress_tga 1\n",
        fader(0, 0.2f, 0, "0.8 0.4 0.2 1") + "[efxBlackWhite]\nstart 0\nend 0.2\nlayer 1\nparam 1 1\n"
        "[efxColor]\nstart 0.2\nend 1\nlayer 0\nparam 1 1 1 0.5\n"
        "[efxColor]\nstart 0.2\nend 1\nlayer 1\nparam 1 0 0\n"
        "[background]\nstart 0.2\nend 1\nlayer 2\nblend SRC_ALPHA ONE_MINUS_SRC_ALPHA\nstring white.tga\n");
    e2e_writeTga(dir, "white.tga", e2e_solid(8, 8, 255, 255, 255));
    E2eRun run = e2e_run(dir);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(e2e_readFile(dir + "/video/00000004.tga").substr(0, 3), std::string("\0\0\n", 3)) << "compressed";
    E2eImage f = e2e_frame(dir, 4);
    EXPECT_TRUE(e2e_rgbNear(f, 320, 240, 204, 204, 204, 2)) << "black and white takes the red";
    EXPECT_TRUE(e2e_rgbNear(f, 320, 30, 0, 0, 0, 0)) << "letterbox stays black";
    EXPECT_TRUE(e2e_rgbNear(e2e_frame(dir, 8), 320, 240, 128, 128, 128, 2)) << "colour carried";
}

}  // namespace
