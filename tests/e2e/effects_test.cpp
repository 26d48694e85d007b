/*
** effects_test.cpp -- the post-processing sections played by the real
** player over pictures whose pixels make the result computable: blur taps,
** the high-pass filter, effects that must reproduce the frame, motion-blur
** trails, the viewport and linear fog.  efxRepeat's schedule is pinned
** frame by frame by efx_gl_test.
**
** One run covers every check, each in its own span.  The 256 x 256 window
** shows a 256 x 256 background pixel for pixel, and 8 frames a second keep
** every frame time exact in binary.
*/
#include "harness.h"

#include <cstdlib>
#include <map>
#include <string>

namespace {

const int kSize = 256;

E2eImage verticalLine()
{
    E2eImage img = e2e_solid(kSize, kSize, 0, 0, 0);
    for (int y = 0; y < kSize; y++)
        for (int c = 0; c < 3; c++) img.rgb[(size_t)(y * kSize + 128) * 3 + c] = 255;
    return img;
}

/* Four bands of grey, 64 pixels each. */
E2eImage greyBands()
{
    const int levels[4] = { 100, 140, 160, 200 };
    E2eImage img = e2e_solid(kSize, kSize, 0, 0, 0);
    for (size_t p = 0; p < (size_t)kSize * kSize; p++)
        for (int c = 0; c < 3; c++) img.rgb[p * 3 + c] = (unsigned char)levels[(p % kSize) / 64];
    return img;
}

/* 8 x 8 blocks of pseudo-random colours: any shift or stretch shows. */
E2eImage blocks()
{
    E2eImage img = e2e_solid(kSize, kSize, 0, 0, 0);
    unsigned state = 12345;
    unsigned char colours[32 * 32][3];
    for (auto& colour : colours)
        for (unsigned char& v : colour) v = (unsigned char)((state = state * 1664525u + 1013904223u) >> 24);
    for (int y = 0; y < kSize; y++)
        for (int x = 0; x < kSize; x++)
            for (int c = 0; c < 3; c++)
                img.rgb[(size_t)(y * kSize + x) * 3 + c] = colours[(y / 8) * 32 + x / 8][c];
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

std::string playEffectsDemo(E2eRun& run)
{
    std::string dir = e2e_makeDemo();
    e2e_writeTga(dir, "black.tga", e2e_solid(4, 4, 0, 0, 0));
    e2e_writeTga(dir, "red.tga", e2e_solid(4, 4, 255, 0, 0));
    e2e_writeTga(dir, "green.tga", e2e_solid(4, 4, 0, 255, 0));
    e2e_writeTga(dir, "line.tga", verticalLine());
    e2e_writeTga(dir, "bands.tga", greyBands());
    e2e_writeTga(dir, "blocks.tga", blocks());
    e2e_writeFile(dir, "swirl.spl", "0.5 0.5 0.3 0\n");
    e2e_writeFile(dir, "outside.spl", "5 0 40 40 0\n0 -1 40 40 0\n");
    e2e_writeFile(dir, "full.spl", "0 0 1 1\n");
    e2e_writeFile(dir, "red.spl", "1 0 0 1\n");
    /* the 4-unit plate scaled to the whole screen, half-way to the far plane */
    e2e_writeFile(dir, "far.spl", "0.5 0.5 1  0 0 0  0 0 -0.5\n");

    std::string s = "gl_width 256\ngl_height 256\ngl_panoramic 0\ngl_accum 1\nsound 0\n"
                    "record 1\nrecord_fps 8\ndemo_end 15\n" + e2e_loadingSection("black.tga");
    s += picture("line.tga", 0, 3) + effect("efxBoxBlur", 0, "param 1\n") +
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
    e2e_writeFile(dir, "demo.lum", s);
    run = e2e_run(dir, 120.0);
    return dir;
}

/* The blur's taps: [1/4 1/2 1/4] at 1, 2, 4 ... texels and at the radius. */
std::map<int, double> boxKernel(float radius)
{
    std::map<int, double> kernel = { { 0, 1.0 } };
    for (float step = 1.0f;; step = step * 2.0f > radius ? radius : step * 2.0f) {
        std::map<int, double> next;
        for (auto [x, w] : kernel)
            for (int d : { -1, 0, 1 }) next[x + d * (int)step] += w * (d == 0 ? 0.5 : 0.25);
        kernel = next;
        if (!(step < radius)) return kernel;
    }
}

void checkBoxBlurSpreadsTheLineByItsTaps(const std::string& dir)
{
    for (float radius : { 1.0f, 3.0f }) {
        SCOPED_TRACE("radius " + std::to_string(radius));
        E2eImage f = at(dir, radius == 1.0f ? 0.5f : 1.5f);
        std::map<int, double> kernel = boxKernel(radius);
        for (int x = 118; x <= 138; x++) {
            int expected = kernel.count(x - 128) ? (int)(255.0 * kernel[x - 128] + 0.5) : 0;
            EXPECT_TRUE(e2e_rgbNear(f, x, 100, expected, expected, expected, 3)) << "x " << x;
        }
    }
}

void checkGlowAddsTheSingleUnitBlur(const std::string& dir)
{
    /* 0.33 F(x+1) + 0.335 F(x-1) + 0.335 F(x), then the frame added back */
    E2eImage f = at(dir, 2.5f);
    const int expected[5] = { 0, 84, 255, 85, 0 };
    for (int k = 0; k < 5; k++)
        EXPECT_TRUE(e2e_rgbNear(f, 126 + k, 60, expected[k], expected[k], expected[k], 2)) << k;
}

void checkHighPassKeepsWhatIsAboveTheThresholdFiveTimes(const std::string& dir)
{
    E2eImage f = at(dir, 3.5f);
    const int expected[4] = { 0, 63, 163, 255 };   /* 5 (grey - 127.5), clamped */
    for (int band = 0; band < 4; band++) {
        int v = expected[band];
        EXPECT_TRUE(e2e_rgbNear(f, band * 64 + 32, 128, v, v, v, 6)) << "band " << band;
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

void checkMotionBlurStartsWithoutATrail(const std::string& dir)
{
    EXPECT_TRUE(e2e_rgbNear(at(dir, 12.0f), 128, 128, 255, 0, 0, 1));
    /* each older frame's weight shrinks by 0.9 per frame */
    EXPECT_TRUE(e2e_rgbNear(at(dir, 12.25f), 128, 128, 230, 26, 0, 3));
    EXPECT_TRUE(e2e_rgbNear(at(dir, 12.375f), 128, 128, 207, 48, 0, 4));
}

void checkViewportIsOnePixelSmaller(const std::string& dir)
{
    E2eImage f = at(dir, 13.5f);
    EXPECT_TRUE(e2e_rgbNear(f, 0, 255, 255, 0, 0, 1));
    EXPECT_TRUE(e2e_rgbNear(f, 254, 1, 255, 0, 0, 1));
    EXPECT_TRUE(e2e_rgbNear(f, 255, 128, 0, 0, 0, 1));   /* right column */
    EXPECT_TRUE(e2e_rgbNear(f, 128, 0, 0, 0, 0, 1));     /* top row */
}

void checkLinearFogHalvesAPlateHalfWayOut(const std::string& dir)
{
    EXPECT_TRUE(e2e_rgbNear(at(dir, 14.5f), 128, 128, 128, 0, 128, 3));
}

TEST(Effects, EachEffectDrawsWhatItsParamsSay)
{
    E2eRun run;
    std::string dir = playEffectsDemo(run);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    checkBoxBlurSpreadsTheLineByItsTaps(dir);
    checkGlowAddsTheSingleUnitBlur(dir);
    checkHighPassKeepsWhatIsAboveTheThresholdFiveTimes(dir);
    checkIdentitiesReproduceTheFrame(dir);
    checkMotionBlurStartsWithoutATrail(dir);
    checkViewportIsOnePixelSmaller(dir);
    checkLinearFogHalvesAPlateHalfWayOut(dir);
}

}  // namespace
