/*
** effects_test.cpp -- the post-processing sections played by the real
** player over pictures whose pixels make the result computable: blur taps,
** the high-pass filter, effects that must reproduce the frame, motion-blur
** trails, the viewport and linear fog.  efxRepeat's schedule is pinned
** frame by frame by efx_test.
**
** One run covers every check, each in its own span.  The 256 x 256 window
** shows a 256 x 256 background pixel for pixel, and 8 frames a second keep
** every frame time exact in binary.
*/
#include "harness.h"

#include <cstdlib>
#include <string>

namespace {

const int kSize = 256;

/* 8 x 8 blocks of pseudo-random colours: any shift or stretch shows. */
E2eImage blocks()
{
    E2eImage img = e2e_solid(kSize, kSize, 0, 0, 0);
    unsigned state = 12345;
    auto next = [&state] { return (int)((state = state * 1664525u + 1013904223u) >> 24); };
    for (int y = 0; y < kSize; y += 8)
        for (int x = 0; x < kSize; x += 8) {
            int r = next(), g = next(), b = next();
            img = e2e_rect(img, x, y, x + 8, y + 8, r, g, b);
        }
    return img;
}

std::string span(const std::string& type, float start, float end, int layer, const std::string& body)
{
    return e2e_section(type, start, end, "layer " + std::to_string(layer) + "\n" + body);
}

std::string picture(const char* file, float start, float end)
{
    return span("background", start, end, 0, std::string("string ") + file + "\n");
}

std::string effect(const std::string& type, float start, const std::string& body)
{
    return span(type, start, start + 1.0f, 40, body);
}

/* The frame drawn at second t. */
E2eImage at(const std::string& dir, float t)
{
    E2eImage f = e2e_frame(dir, (int)(t * 8.0f));
    EXPECT_TRUE(f.ok()) << "second " << t << " in " << dir;
    return f;
}

const float kIdentityStart = 5.0f;   /* the blocks alone play in [4, 5) */
const char* kIdentities[][2] = {
    { "efxRadialBlur", "param 1 0 1 1 0.2 0.2 0.3 0.3 0.7 0.7\n" },
    { "efxSwirl", "param 0 1 1\nspline swirl.spl\n" },
    { "efxDeform", "param 5 7 9\n" },
    { "efxDeform", "param 5 7 9\nspline outside.spl\n" },   /* names no point of the grid */
    { "efxRenderMesh", "param 9 1 1\n" },
    { "efxFog", "param 0 0 1 1 1 0\n" },
    { "efxMotionBlurAccum", "param 0\n" },
};
const int kIdentityCount = (int)(sizeof kIdentities / sizeof kIdentities[0]);

/* One effect over one picture a second from kProbedStart on, and grey
** levels (r = g = b) the middle of that second must show. */
struct Probed {
    const char* picture;
    const char* type;
    const char* body;
    int probes[2][3];   /* x, y, grey */
};
const float kProbedStart = 15.0f;
const Probed kProbed[] = {
    /* edge.tga turns white at column 136.  Without a blend only the last
    ** quad shows: the frame zoomed by 1 + 2 spread (count - 1)^2 / count,
    ** with its texture shifted by that reach times (centre x - 0.5) */
    { "edge.tga", "efxRadialBlur", "param 3 0 1 1 1.5 1.5 0.5 0.5 0.5 0.5\n", { { 157, 128, 0 }, { 177, 128, 255 } } },
    /* accumulating, quad 2 zooms quad 1's zoom: x 2, then x 5 */
    { "edge.tga", "efxRadialBlur", "param 3 1 1 1 1.5 1.5 0.5 0.5 0.5 0.5\n", { { 195, 128, 0 }, { 215, 128, 255 } } },
    { "edge.tga", "efxRadialBlur", "param 2 0 1 1 1 1 0.55 0.5 0.55 0.5\n", { { 82, 128, 0 }, { 102, 128, 255 } } },
    /* 0.4 pi radians (72 degrees) anticlockwise 25 pixels from the centre:
    ** right of it shows what lay below, left of it what lay above */
    { "top.tga", "efxSwirl", "param 0 1 1\nspline turn.spl\n", { { 154, 128, 0 }, { 102, 128, 255 } } },
    /* grey 40 plus count copies of itself weighted by the blend */
    { "grey.tga", "efxAccum", "blend SRC_ALPHA ONE\nparam 2 0.25 0.25\n", { { 128, 128, 60 }, { 192, 64, 60 } } },
    { "grey.tga", "efxAccum", "blend ONE ONE\nparam 0 1 1\n", { { 128, 128, 40 }, { 192, 192, 40 } } },
};
const int kProbedCount = (int)(sizeof kProbed / sizeof kProbed[0]);

std::string playEffectsDemo(E2eRun& run)
{
    std::string s = picture("line.tga", 0, 3) + effect("efxBoxBlur", 0, "param 1\n") +
                    effect("efxBoxBlur", 1, "param 3\n") + effect("efxGlow", 2, "param 0 0 0 0 1\n");
    s += picture("bands.tga", 3, 4) + effect("efxHighPassFilter", 3, "param 0.5 0.5 0.5 4\n");
    s += picture("blocks.tga", 4, kIdentityStart + kIdentityCount);
    for (int k = 0; k < kIdentityCount; k++)
        s += effect(kIdentities[k][0], kIdentityStart + (float)k, kIdentities[k][1]);
    s += picture("red.tga", 12, 12.25f) + picture("green.tga", 12.25f, 13) +
         effect("efxMotionBlur", 12, "blend SRC_ALPHA ONE_MINUS_SRC_ALPHA\nparam 0.9 0.9\n");
    s += picture("black.tga", 13, 14) + effect("efxViewport", 13, "spline full.spl\nspline red.spl\n");
    s += span("image", 14, 15, 5, "string red.tga\nspline far.spl\n") +
         effect("efxFog", 14, "param 0 0 1 1  0 0 1\n");
    for (int k = 0; k < kProbedCount; k++)
        s += picture(kProbed[k].picture, kProbedStart + (float)k, kProbedStart + (float)k + 1.0f) +
             effect(kProbed[k].type, kProbedStart + (float)k, kProbed[k].body);
    std::string dir = e2e_demo("gl_width 256\ngl_height 256\ngl_panoramic 0\ngl_accum 1\nsound 0\nrecord 1\n"
                               "record_fps 8\ndemo_end " + std::to_string(kProbedStart + kProbedCount) + "\n", s);
    const E2eImage black = e2e_solid(kSize, kSize, 0, 0, 0);
    e2e_writeTga(dir, "red.tga", e2e_solid(4, 4, 255, 0, 0));
    e2e_writeTga(dir, "green.tga", e2e_solid(4, 4, 0, 255, 0));
    e2e_writeTga(dir, "line.tga", e2e_rect(black, 128, 0, 129, kSize, 255, 255, 255));
    E2eImage bands = black;   /* four bands of grey, 64 pixels each */
    const int levels[4] = { 100, 140, 160, 200 };
    for (int band = 0; band < 4; band++)
        bands = e2e_rect(bands, band * 64, 0, band * 64 + 64, kSize, levels[band], levels[band], levels[band]);
    e2e_writeTga(dir, "bands.tga", bands);
    e2e_writeTga(dir, "blocks.tga", blocks());
    e2e_writeTga(dir, "edge.tga", e2e_rect(black, 136, 0, kSize, kSize, 255, 255, 255));
    e2e_writeTga(dir, "top.tga", e2e_rect(black, 0, 0, kSize, 128, 255, 255, 255));
    e2e_writeTga(dir, "grey.tga", e2e_solid(4, 4, 40, 40, 40));
    e2e_writeFile(dir, "turn.spl", "0.5 0.5 0.5 3.14159265\n");
    e2e_writeFile(dir, "swirl.spl", "0.5 0.5 0.3 0\n");
    e2e_writeFile(dir, "outside.spl", "5 0 40 40 0\n0 -1 40 40 0\n");
    e2e_writeFile(dir, "full.spl", "0 0 1 1\n");
    e2e_writeFile(dir, "red.spl", "1 0 0 1\n");
    /* the 4-unit plate scaled to the whole screen, half-way to the far plane */
    e2e_writeFile(dir, "far.spl", "0.5 0.5 1  0 0 0  0 0 -0.5\n");
    run = e2e_run(dir, 120.0);
    return dir;
}

/* The blur's taps, [1/4 1/2 1/4] at 1, 2, 4 ... texels and at the radius,
** spread the one-pixel line over these levels, from 7 pixels left of it to
** 7 right. */
void checkBoxBlurSpreadsTheLineByItsTaps(const std::string& dir)
{
    const int radius1[15] = { 0, 0, 0, 0, 0, 0, 64, 128, 64, 0, 0, 0, 0, 0, 0 };
    const int radius3[15] = { 0, 4, 8, 12, 24, 28, 32, 40, 32, 28, 24, 12, 8, 4, 0 };
    E2eImage one = at(dir, 0.5f), three = at(dir, 1.5f);
    for (int k = 0; k < 15; k++) {
        EXPECT_TRUE(e2e_rgbNear(one, 121 + k, 100, radius1[k], radius1[k], radius1[k], 3)) << "radius 1, " << k;
        EXPECT_TRUE(e2e_rgbNear(three, 121 + k, 100, radius3[k], radius3[k], radius3[k], 3)) << "radius 3, " << k;
    }
}

void checkIdentitiesReproduceTheFrame(const std::string& dir)
{
    E2eImage reference = at(dir, 4.5f);
    ASSERT_TRUE(reference.ok());
    for (int k = 0; k < kIdentityCount; k++) {
        SCOPED_TRACE(kIdentities[k][0]);
        E2eImage f = at(dir, kIdentityStart + (float)k + 0.5f);
        if (!f.ok()) continue;
        /* the mesh's border cells reach past the edge and stretch a little */
        int margin = std::string(kIdentities[k][0]) == "efxRenderMesh" ? 14 : 0;
        int wrong = 0;
        for (int y = margin; y < kSize - margin; y++)
            for (int x = margin; x < kSize - margin; x++)
                for (int c = 0; c < 3; c++)
                    wrong += std::abs(e2e_channel(f, x, y, c) - e2e_channel(reference, x, y, c)) > 2;
        EXPECT_EQ(wrong, 0);
    }
}

/* What a pixel of the frame drawn at second t must show. */
struct Pixel { float t; int x, y, r, g, b, tolerance; };
const Pixel kPixels[] = {
    /* glow: 0.33 F(x+1) + 0.335 F(x-1) + 0.335 F(x), then the frame added back */
    { 2.5f, 126, 60, 0, 0, 0, 2 }, { 2.5f, 127, 60, 84, 84, 84, 2 }, { 2.5f, 128, 60, 255, 255, 255, 2 },
    { 2.5f, 129, 60, 85, 85, 85, 2 }, { 2.5f, 130, 60, 0, 0, 0, 2 },
    /* high pass: 5 (grey - 127.5) in each band, clamped */
    { 3.5f, 32, 128, 0, 0, 0, 6 }, { 3.5f, 96, 128, 63, 63, 63, 6 }, { 3.5f, 160, 128, 163, 163, 163, 6 },
    { 3.5f, 224, 128, 255, 255, 255, 6 },
    /* motion blur starts without a trail; each older frame's weight shrinks by 0.9 per frame */
    { 12.0f, 128, 128, 255, 0, 0, 1 }, { 12.375f, 128, 128, 207, 48, 0, 4 },
    /* the viewport one pixel smaller: its right column and top row stay black */
    { 13.5f, 0, 255, 255, 0, 0, 1 }, { 13.5f, 254, 1, 255, 0, 0, 1 }, { 13.5f, 255, 128, 0, 0, 0, 1 },
    { 13.5f, 128, 0, 0, 0, 0, 1 },
    /* linear fog halves a plate half-way out */
    { 14.5f, 128, 128, 128, 0, 128, 3 },
};

void checkProbedEffects(const std::string& dir)
{
    for (int k = 0; k < kProbedCount; k++) {
        E2eImage f = at(dir, kProbedStart + (float)k + 0.5f);
        for (const auto& p : kProbed[k].probes)
            EXPECT_TRUE(e2e_rgbNear(f, p[0], p[1], p[2], p[2], p[2], 3))
                << kProbed[k].type << " " << kProbed[k].body << "at " << p[0] << ", " << p[1];
    }
}

TEST(Effects, EachEffectDrawsWhatItsParamsSay)
{
    E2eRun run;
    std::string dir = playEffectsDemo(run);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    checkBoxBlurSpreadsTheLineByItsTaps(dir);
    checkIdentitiesReproduceTheFrame(dir);
    for (const Pixel& p : kPixels)
        EXPECT_TRUE(e2e_rgbNear(at(dir, p.t), p.x, p.y, p.r, p.g, p.b, p.tolerance)) << "second " << p.t;
    checkProbedEffects(dir);
}

/* n = 2: the surface is the bilinear sheet between its corners.  With the
** top right corner pushed one window width to the right, the picture's
** red / green border at u = 0.5 runs from x = 64 at the bottom to x = 128
** at the top.  A window this tall puts the sheet 550 units from the eye. */
TEST(Effects, DeformFollowsAMovedCornerInATallWindow)
{
    std::string dir = e2e_demo("gl_width 128\ngl_height 1100\ngl_rttWidth 128\ngl_rttHeight 2048\n"
                               "gl_panoramic 0\nsound 0\nrecord 1\nrecord_fps 4\ndemo_end 1\n",
                               picture("halves.tga", 0, 1) +
                               effect("efxDeform", 0, "param 2 16 16\nspline corner.spl\n"));
    e2e_writeTga(dir, "halves.tga", e2e_rect(e2e_solid(128, 128, 0, 255, 0), 0, 0, 64, 128, 255, 0, 0));
    e2e_writeFile(dir, "corner.spl", "1 1 128 0 0\n");
    E2eRun run = e2e_run(dir);
    ASSERT_EQ(run.status, 0) << run.err;
    E2eImage f = e2e_frame(dir, 2);
    ASSERT_TRUE(f.ok());
    const int probes[][3] = { /* x, y, red */
        { 110, 30, 255 }, { 86, 550, 255 }, { 106, 550, 0 }, { 56, 1070, 255 }, { 76, 1070, 0 },
    };
    for (const auto& p : probes)
        EXPECT_TRUE(e2e_rgbNear(f, p[0], p[1], p[2], 255 - p[2], 0, 4)) << p[0] << ", " << p[1];
}

}  // namespace
