/*
** images_test.cpp -- the picture sections, macroBox and the debug overlay,
** played by the real player; probes captured frames.
**
** The pictures are drawn without a camera section, so the projection is the
** identity: a spline scale of s maps picture units to s clip units, and in
** the 320 x 240 window one clip unit is 160 pixels across and 120 down.
*/
#include "harness.h"

#include <string>

namespace {

const char* kWindow =
    "gl_width 320\ngl_height 240\ngl_panoramic 0\nsound 0\nrecord 1\nrecord_fps 25\n";

/* Four quadrants, top row first: red, green / blue, white. */
E2eImage quadrants(int size)
{
    E2eImage img = e2e_solid(size, size, 0, 0, 0);
    for (int y = 0; y < size; y++) {
        for (int x = 0; x < size; x++) {
            unsigned char* p = &img.rgb[(size_t)(y * size + x) * 3];
            bool right = x >= size / 2, bottom = y >= size / 2;
            int r = (!right || bottom) && !(bottom && !right) ? 255 : 0;
            int g = right ? 255 : 0;
            int b = bottom ? 255 : 0;
            if (!right && !bottom) { r = 255; g = 0; b = 0; }
            if (right && !bottom) { r = 0; g = 255; b = 0; }
            if (!right && bottom) { r = 0; g = 0; b = 255; }
            if (right && bottom) { r = 255; g = 255; b = 255; }
            p[0] = (unsigned char)r; p[1] = (unsigned char)g; p[2] = (unsigned char)b;
        }
    }
    return img;
}

std::string section(const std::string& head, float start, float end, const std::string& body)
{
    return "[" + head + "]\nstart " + std::to_string(start) + "\nend " + std::to_string(end) +
           "\n" + body;
}

/* One run covers every picture section, each in its own second: the
** player runs once and each check below reads its own frames. */
std::string playPictureDemo(E2eRun& run)
{
    std::string dir = e2e_makeDemo();
    e2e_writeTga(dir, "black.tga", e2e_solid(4, 4, 0, 0, 0));
    e2e_writeTga(dir, "quad.tga", quadrants(64));
    e2e_writeTga(dir, "grey.tga", e2e_solid(8, 8, 40, 40, 40));
    e2e_writeTga(dir, "plate.tga", e2e_solid(256, 128, 220, 30, 30));
    e2e_writeTga(dir, "white.tga", e2e_solid(32, 32, 255, 255, 255));
    /* image: 256 x 128 picture units, x scale 1/400 and y scale 1/300
    ** make it 0.64 x 0.43 clip units; it slides from x = -0.5 to 0.5. */
    e2e_writeFile(dir, "slide.spl",
                  "0.0025 0.003333 1  0 0 0  -200 0 0\n"
                  "0.0025 0.003333 1  0 0 0   200 0 0\n");
    /* imageMatrix: first copy at x = -0.6, each next one 0.3 further;
    ** copies are 32 units times 0.005 = 0.16 clip units wide. */
    e2e_writeFile(dir, "base.spl", "0.005 0.005 1  0 0 0  -0.6 0 0\n");
    e2e_writeFile(dir, "step.spl", "1 1 1  0 0 0  60 0 0\n");
    e2e_writeFile(dir, "tint.spl", "1 0 0 1\n0 0 1 1\n");
    /* imagePart: the 64-unit picture over most of the window, showing
    ** the texture window (0, 0) - (2, 2). */
    e2e_writeFile(dir, "part.spl", "0.025 0.03 1  0 0 0  0 0 0\n");
    e2e_writeFile(dir, "window.spl", "0 0 2 2\n");

    std::string script = std::string(kWindow) + "texture_detail 0\ndemo_end 5\n" +
        e2e_loadingSection("black.tga") +
        section("background", 0, 1, "layer 0\nstring quad.tga\n") +
        section("background", 0.5f, 1, "layer 1\nblend ONE ONE\nstring grey.tga\n") +
        section("image", 1, 2, "string plate.tga\nspline slide.spl\n") +
        section("imageMatrix", 2, 3,
                "param 2.5 1 1\nstring white.tga\n"
                "spline base.spl\nspline step.spl\nspline tint.spl\n") +
        section("imagePart", 3, 4, "param 0 0\nstring quad.tga\n"
                "spline part.spl\nspline window.spl\n") +
        section("imagePart", 4, 5, "param 1 1\nstring quad.tga\n"
                "spline part.spl\nspline window.spl\n");
    e2e_writeFile(dir, "demo.lum", script);
    run = e2e_run(dir, 60.0);
    return dir;
}

/* Frame n is drawn at n / 25 s; a section sees the previous frame's
** elapsed time, so these frames sit well inside each span. */
E2eImage frameOf(const std::string& dir, int n)
{
    E2eImage f = e2e_frame(dir, n);
    EXPECT_TRUE(f.ok()) << "frame " << n << " in " << dir;
    return f;
}

void checkBackgroundFillsTheViewportTopRowUp(const std::string& dir)
{
    E2eImage f = frameOf(dir, 5);
    ASSERT_TRUE(f.ok());
    EXPECT_TRUE(e2e_rgbNear(f, 80, 60, 255, 0, 0, 6));
    EXPECT_TRUE(e2e_rgbNear(f, 240, 60, 0, 255, 0, 6));
    EXPECT_TRUE(e2e_rgbNear(f, 80, 180, 0, 0, 255, 6));
    EXPECT_TRUE(e2e_rgbNear(f, 240, 180, 255, 255, 255, 6));
    /* near the corners too: the picture covers the whole viewport (the
    ** outermost pixels blend with the clamped border) */
    EXPECT_TRUE(e2e_rgbNear(f, 5, 5, 255, 0, 0, 6));
    EXPECT_TRUE(e2e_rgbNear(f, 314, 234, 255, 255, 255, 6));
}

void checkAdditiveBackgroundAddsToTheOneBelow(const std::string& dir)
{
    E2eImage f = frameOf(dir, 20);
    ASSERT_TRUE(f.ok());
    EXPECT_TRUE(e2e_rgbNear(f, 80, 60, 255, 40, 40, 6));
    EXPECT_TRUE(e2e_rgbNear(f, 240, 60, 40, 255, 40, 6));
    EXPECT_TRUE(e2e_rgbNear(f, 80, 180, 40, 40, 255, 6));
}

void checkImageLandsWhereItsSplineSaysAtItsFileSize(const std::string& dir)
{
    /* texture_detail 0 shrinks the 256 x 128 plate to a 128 x 128 texture;
    ** the rectangle still has the file's size: 102 x 51 pixels. */
    for (int n : { 30, 38, 46 }) {
        E2eImage f = frameOf(dir, n);
        ASSERT_TRUE(f.ok());
        float elapsed = (n - 1) / 25.0f - 1.0f;   /* within one frame */
        int cx = (int)(160.0f + 160.0f * (-0.5f + elapsed));
        SCOPED_TRACE("frame " + std::to_string(n) + ", centre x " + std::to_string(cx));
        EXPECT_TRUE(e2e_rgbNear(f, cx, 120, 220, 30, 30, 8));
        EXPECT_TRUE(e2e_rgbNear(f, cx - 40, 120 - 20, 220, 30, 30, 8));
        EXPECT_TRUE(e2e_rgbNear(f, cx + 40, 120 + 20, 220, 30, 30, 8));
        EXPECT_TRUE(e2e_rgbNear(f, cx - 62, 120, 0, 0, 0, 8));
        EXPECT_TRUE(e2e_rgbNear(f, cx + 62, 120, 0, 0, 0, 8));
        EXPECT_TRUE(e2e_rgbNear(f, cx, 120 - 33, 0, 0, 0, 8));
        EXPECT_TRUE(e2e_rgbNear(f, cx, 120 + 33, 0, 0, 0, 8));
    }
}

void checkImageMatrixDrawsOneCopyPerWholeStepBelowTheCount(const std::string& dir)
{
    E2eImage f = frameOf(dir, 65);
    ASSERT_TRUE(f.ok());
    /* copies 0, 1, 2 at x = 64, 112, 160; a fourth would be at 208 */
    EXPECT_TRUE(e2e_rgbNear(f, 64, 120, 255, 0, 0, 8));   /* copy 0: tint at time 0 */
    EXPECT_GT(e2e_channel(f, 112, 120, 0) + e2e_channel(f, 112, 120, 2), 200);
    EXPECT_GT(e2e_channel(f, 160, 120, 0) + e2e_channel(f, 160, 120, 2), 200);
    EXPECT_TRUE(e2e_rgbNear(f, 208, 120, 0, 0, 0, 4));
    EXPECT_TRUE(e2e_rgbNear(f, 88, 120, 0, 0, 0, 4));     /* gap between copies */
}

void checkImagePartRepeatsOrClampsTheWindow(const std::string& dir)
{
    /* The rectangle spans x 32..288 and y 5..235; window (0,0)-(2,2). */
    E2eImage repeat = frameOf(dir, 87), clamp = frameOf(dir, 112);
    ASSERT_TRUE(repeat.ok());
    ASSERT_TRUE(clamp.ok());
    /* first tile, top-left quadrant: red in both modes */
    EXPECT_TRUE(e2e_rgbNear(repeat, 64, 34, 255, 0, 0, 10));
    EXPECT_TRUE(e2e_rgbNear(clamp, 64, 34, 255, 0, 0, 10));
    /* second tile across and down: the picture again when repeating ... */
    EXPECT_TRUE(e2e_rgbNear(repeat, 192, 34, 255, 0, 0, 10));
    EXPECT_TRUE(e2e_rgbNear(repeat, 64, 149, 255, 0, 0, 10));
    EXPECT_TRUE(e2e_rgbNear(repeat, 256, 206, 255, 255, 255, 10));
    /* ... and the stretched right or bottom edge when clamping */
    EXPECT_LT(e2e_channel(repeat, 192, 34, 1), 30);
    EXPECT_GT(e2e_channel(clamp, 192, 34, 1), 60);       /* green-edged */
    EXPECT_GT(e2e_channel(clamp, 64, 149, 2), 60);       /* blue-edged */
    EXPECT_LT(e2e_channel(clamp, 64, 149, 0), 200);
}

TEST(PictureSections, EachTypeDrawsWhatItsScriptSays)
{
    E2eRun run;
    std::string dir = playPictureDemo(run);
    ASSERT_EQ(run.status, 0) << run.err;
    {
        SCOPED_TRACE("BackgroundFillsTheViewportTopRowUp");
        checkBackgroundFillsTheViewportTopRowUp(dir);
    }
    {
        SCOPED_TRACE("AdditiveBackgroundAddsToTheOneBelow");
        checkAdditiveBackgroundAddsToTheOneBelow(dir);
    }
    {
        SCOPED_TRACE("ImageLandsWhereItsSplineSaysAtItsFileSize");
        checkImageLandsWhereItsSplineSaysAtItsFileSize(dir);
    }
    {
        SCOPED_TRACE("ImageMatrixDrawsOneCopyPerWholeStepBelowTheCount");
        checkImageMatrixDrawsOneCopyPerWholeStepBelowTheCount(dir);
    }
    {
        SCOPED_TRACE("ImagePartRepeatsOrClampsTheWindow");
        checkImagePartRepeatsOrClampsTheWindow(dir);
    }
}

TEST(MacroBox, StopsWithoutACamera)
{
    std::string dir = e2e_makeDemo();
    e2e_writeTga(dir, "black.tga", e2e_solid(4, 4, 0, 0, 0));
    e2e_writeTga(dir, "sky.tga", e2e_solid(8, 8, 0, 0, 200));
    e2e_writeFile(dir, "demo.lum", std::string(kWindow) + "demo_end 1\n" +
                  e2e_loadingSection("black.tga") +
                  "[macroBox]\nstart 0\nend 1\nlayer 3\nparam 2 0 1\nstring sky.tga\n");
    E2eRun run = e2e_run(dir);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("Error: macroBox (3, 0.000000 -> 1.000000): no camera"),
              std::string::npos) << run.err;
}

TEST(PictureSectionLoad, CountsAndModulationAreChecked)
{
    struct Case { std::string body; std::string message; };
    const Case cases[] = {
        { "[image]\nstart 0\nend 1\nstring a.tga\n", "image (0, 0.000000 -> 1.000000): 1 spline needed" },
        { "[imageMatrix]\nstart 0\nend 1\nparam 2 0.5 0\nstring a.tga\n"
          "spline s.spl\nspline s.spl\nspline s.spl\n",
          "invalid modulation" },
    };
    for (const Case& c : cases) {
        std::string dir = e2e_makeDemo();
        e2e_writeTga(dir, "black.tga", e2e_solid(4, 4, 0, 0, 0));
        e2e_writeFile(dir, "s.spl", "1 1 1 0 0 0 0 0 0\n");
        e2e_writeFile(dir, "demo.lum", std::string(kWindow) + "demo_end 1\n" +
                      e2e_loadingSection("black.tga") + c.body);
        E2eRun run = e2e_run(dir);
        EXPECT_EQ(run.status, 1) << c.body;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    }
}

TEST(DebugOverlay, FpsCounterIsDrawnInTheTopLeftCorner)
{
    std::string dir = e2e_makeDemo();
    e2e_writeTga(dir, "black.tga", e2e_solid(4, 4, 0, 0, 0));
    e2e_writeFile(dir, "demo.lum",
                  "gl_width 320\ngl_height 240\ngl_panoramic 0\nsound 0\nfps 1\ndebug 1\n" +
                  e2e_loadingSection("black.tga") +
                  "[background]\nstart 0\nend 100\nstring black.tga\n");
    E2eProc p = e2e_start(dir);
    ASSERT_TRUE(e2e_waitOutput(p, "main demo loop!")) << e2e_currentOutput(p);
    e2e_sleep(0.5);
    ASSERT_TRUE(e2e_key(p, "s"));
    for (int i = 0; i < 50 && !e2e_exists(dir + "/screen00.tga"); i++)
        e2e_sleep(0.1);
    e2e_sleep(0.3);
    e2e_key(p, "Escape");
    E2eRun run = e2e_finish(p);
    EXPECT_EQ(run.status, 0) << run.err;

    E2eImage shot = e2e_readTga(dir + "/screen00.tga");
    ASSERT_TRUE(shot.ok());
    /* "fps N": 16-pixel glyphs from the top-left corner; the text is white
    ** added onto black, so lit pixels lie only in that band. */
    int lit = 0, stray = 0;
    for (int y = 0; y < shot.height; y++)
        for (int x = 0; x < shot.width; x++) {
            bool on = e2e_channel(shot, x, y, 0) > 128 && e2e_channel(shot, x, y, 2) > 128;
            if (on && y < 16 && x < 16 * 8) lit++;
            else if (on) stray++;
        }
    EXPECT_GT(lit, 40);
    EXPECT_EQ(stray, 0);
    /* the first glyph, "f", has ink in its cell; the space after "fps" none */
    int fInk = 0, spaceInk = 0;
    for (int y = 0; y < 16; y++)
        for (int x = 0; x < 16; x++) {
            fInk += e2e_channel(shot, x, y, 1) > 128;
            spaceInk += e2e_channel(shot, 48 + x, y, 1) > 128;
        }
    EXPECT_GT(fInk, 5);
    EXPECT_EQ(spaceInk, 0);
}

}  // namespace
