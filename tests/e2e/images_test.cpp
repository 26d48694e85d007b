/*
** images_test.cpp -- the picture sections and the debug overlay, played by
** the real player; probes captured frames.
**
** The pictures are drawn without a camera section, so the projection is the
** identity: a spline scale of s maps picture units to s clip units, and in
** the 320 x 240 window one clip unit is 160 pixels across and 120 down.
*/
#include "harness.h"

#include <string>

namespace {

const char* kWindow = "gl_width 320\ngl_height 240\ngl_panoramic 0\nsound 0\n";

/* One run covers every picture section, each in its own second; frame n is
** drawn at n / 25 s and a section sees the previous frame's elapsed time, so
** the frames probed sit well inside each span. */
TEST(PictureSections, EachTypeDrawsWhatItsScriptSays)
{
    std::string dir = e2e_demo(std::string(kWindow) + "record 1\nrecord_fps 25\ntexture_detail 0\ndemo_end 5\n",
        e2e_section("background", 0, 1, "layer 0\nstring quad.tga\n") +
        e2e_section("background", 0.5f, 1, "layer 1\nblend ONE ONE\nstring grey.tga\n") +
        e2e_section("image", 1, 2, "string plate.tga\nspline slide.spl\n") +
        e2e_section("imageMatrix", 2, 3, "param 2.5 1 1\nstring white.tga\nspline base.spl\nspline step.spl\nspline tint.spl\n") +
        e2e_section("imagePart", 3, 4, "param 0 0\nstring quad.tga\nspline part.spl\nspline window.spl\n") +
        e2e_section("imagePart", 4, 5, "param 1 1\nstring quad.tga\nspline part.spl\nspline window.spl\n"));
    e2e_writeTga(dir, "quad.tga", e2e_quadrants(64));
    e2e_writeTga(dir, "grey.tga", e2e_solid(8, 8, 40, 40, 40));
    e2e_writeTga(dir, "plate.tga", e2e_solid(256, 128, 220, 30, 30));
    e2e_writeTga(dir, "white.tga", e2e_solid(32, 32, 255, 255, 255));
    /* image: 256 x 128 picture units, x scale 1/400 and y scale 1/300
    ** make it 0.64 x 0.43 clip units; it slides from x = -0.5 to 0.5. */
    e2e_writeFile(dir, "slide.spl", "0.0025 0.003333 1  0 0 0  -200 0 0\n0.0025 0.003333 1  0 0 0   200 0 0\n");
    /* imageMatrix: first copy at x = -0.6, each next one 0.3 further;
    ** copies are 32 units times 0.005 = 0.16 clip units wide. */
    e2e_writeFile(dir, "base.spl", "0.005 0.005 1  0 0 0  -0.6 0 0\n");
    e2e_writeFile(dir, "step.spl", "1 1 1  0 0 0  60 0 0\n");
    e2e_writeFile(dir, "tint.spl", "1 0 0 1\n0 0 1 1\n");
    /* imagePart: the 64-unit picture over most of the window, showing
    ** the texture window (0, 0) - (2, 2). */
    e2e_writeFile(dir, "part.spl", "0.025 0.03 1  0 0 0  0 0 0\n");
    e2e_writeFile(dir, "window.spl", "0 0 2 2\n");
    E2eRun run = e2e_run(dir, 60.0);
    ASSERT_EQ(run.status, 0) << run.err;

    /* frame, x, y, colour: background fills the viewport top row up (near
    ** the corners too: the outermost pixels blend with the clamped border);
    ** an additive one adds to it */
    const int background[][6] = { { 5, 80, 60, 255, 0, 0 }, { 5, 240, 60, 0, 255, 0 }, { 5, 5, 5, 255, 0, 0 },
                                  { 5, 314, 234, 255, 255, 255 }, { 20, 80, 60, 255, 40, 40 }, { 20, 80, 180, 40, 40, 255 } };
    for (auto& q : background)
        EXPECT_TRUE(e2e_rgbNear(e2e_frame(dir, q[0]), q[1], q[2], q[3], q[4], q[5], 6)) << "frame " << q[0];

    /* image lands where its spline says, at its file's size: texture_detail
    ** 0 shrinks the plate to a 128 x 128 texture, the rectangle is still
    ** 102 x 51 pixels */
    for (int n : { 30, 38, 46 }) {
        E2eImage i = e2e_frame(dir, n);
        int cx = (int)(160.0f + 160.0f * (-0.5f + (n - 1) / 25.0f - 1.0f));
        SCOPED_TRACE("image frame " + std::to_string(n) + ", centre x " + std::to_string(cx));
        const int probes[][5] = { { 0, 0, 220, 30, 30 }, { -40, -20, 220, 30, 30 }, { 40, 20, 220, 30, 30 },
                                  { -62, 0, 0, 0, 0 }, { 62, 0, 0, 0, 0 }, { 0, -33, 0, 0, 0 }, { 0, 33, 0, 0, 0 } };
        for (auto& q : probes) EXPECT_TRUE(e2e_rgbNear(i, cx + q[0], 120 + q[1], q[2], q[3], q[4], 8));
    }

    /* imageMatrix draws one copy per whole step below the count 2.5: copies
    ** 0, 1, 2 at x = 64, 112, 160, none at 208; copy 0 has the tint at time 0 */
    E2eImage m = e2e_frame(dir, 65);
    EXPECT_TRUE(e2e_rgbNear(m, 64, 120, 255, 0, 0, 8));
    EXPECT_GT(e2e_channel(m, 160, 120, 0) + e2e_channel(m, 160, 120, 2), 200);
    EXPECT_TRUE(e2e_rgbNear(m, 208, 120, 0, 0, 0, 4));
    EXPECT_TRUE(e2e_rgbNear(m, 88, 120, 0, 0, 0, 4)) << "gap between copies";

    /* imagePart over x 32..288, y 5..235 with the window (0,0)-(2,2): the
    ** first tile's top-left quadrant is red both ways; across and down the
    ** picture repeats, or its right and bottom edges are stretched */
    E2eImage repeat = e2e_frame(dir, 87), clamp = e2e_frame(dir, 112);
    EXPECT_TRUE(e2e_rgbNear(repeat, 64, 34, 255, 0, 0, 10));
    EXPECT_TRUE(e2e_rgbNear(repeat, 192, 34, 255, 0, 0, 10));
    EXPECT_TRUE(e2e_rgbNear(repeat, 64, 149, 255, 0, 0, 10));
    EXPECT_TRUE(e2e_rgbNear(repeat, 256, 206, 255, 255, 255, 10));
    EXPECT_GT(e2e_channel(clamp, 192, 34, 1), 60);       /* green-edged */
    EXPECT_GT(e2e_channel(clamp, 64, 149, 2), 60);       /* blue-edged */
    EXPECT_LT(e2e_channel(clamp, 64, 149, 0), 200);
}

TEST(DebugOverlay, FpsCounterIsDrawnInTheTopLeftCorner)
{
    std::string dir = e2e_demo(std::string(kWindow) + "fps 1\ndebug 1\n", "[background]\nstart 0\nend 100\nstring black.tga\n");
    E2eProc p = e2e_start(dir);
    ASSERT_TRUE(e2e_waitOutput(p, "main demo loop!")) << e2e_currentOutput(p);
    e2e_sleep(0.5);
    ASSERT_TRUE(e2e_key(p, "s"));
    for (int i = 0; i < 50 && !e2e_exists(dir + "/screen00.tga"); i++) e2e_sleep(0.1);
    e2e_sleep(0.3);
    e2e_key(p, "Escape");
    E2eRun run = e2e_finish(p);
    EXPECT_EQ(run.status, 0) << run.err;

    /* "fps N": 16-pixel glyphs from the top-left corner; the text is white
    ** added onto black, so lit pixels lie only in that band */
    E2eImage shot = e2e_readTga(dir + "/screen00.tga");
    ASSERT_TRUE(shot.ok());
    int lit = 0, stray = 0;
    for (int y = 0; y < shot.height; y++)
        for (int x = 0; x < shot.width; x++) {
            bool on = e2e_channel(shot, x, y, 0) > 128 && e2e_channel(shot, x, y, 2) > 128;
            if (on && y < 16 && x < 16 * 8) lit++;
            else if (on) stray++;
        }
    EXPECT_GT(lit, 40);
    EXPECT_EQ(stray, 0);
}

}  // namespace
