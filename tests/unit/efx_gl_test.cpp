// efx_gl_test.cpp -- effect code that needs a GL context but no player run:
// the single-unit passes no section type uses (they must agree with the
// two-unit ones), and efxRepeat's schedule frame by frame, read from an
// inner efxFog that is on exactly while its run lasts.
#include "gl_window.h"
#include "testutil.h"

#include "camera.h"
#include "effects.h"
#include "sectiontypes.h"
#include "tex.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

const int kLevels[4] = { 100, 140, 160, 200 };   // four grey bands, 64 pixels each

void drawBands()
{
    gldrv_initRender(1);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_TEXTURE_2D);
    camera_set2d();
    for (int band = 0; band < 4; band++) {
        float g = kLevels[band] / 255.0f, x = band * 0.25f;
        glColor4f(g, g, g, 1.0f);
        glRectf(x, 0.0f, x + 0.25f, 1.0f);
    }
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
}

void finishPass()
{
    camera_restore();
    glDisable(GL_BLEND);
    glEnable(GL_DEPTH_TEST);
    tex_reset_bind();
}

TEST(Passes, SingleUnitHighPassMatchesTheTwoUnitOne)
{
    openTestWindow(256, 256, 0);
    // passes 2: the plain filter adds T twice, the two-unit one adds 2 T once
    int plain[4], twoUnit[4];
    for (int* out : { plain, twoUnit }) {
        drawBands();
        if (out == plain)
            render_highpassfilter(demoSystem.rtt_texture, 0.5f, 0.5f, 0.5f, 2);
        else
            render_highpassfilter_ext(demoSystem.rtt_texture, 0.5f, 0.5f, 0.5f, 2);
        finishPass();
        for (int band = 0; band < 4; band++) out[band] = readPixel(band * 64 + 32, 128).g;
    }
    for (int band = 0; band < 4; band++) {
        int expected = std::min(255, std::max(0, (int)(3 * (kLevels[band] - 127.5))));
        EXPECT_NEAR(plain[band], expected, 4) << "band " << band;
        EXPECT_NEAR(twoUnit[band], plain[band], 2) << "band " << band;
    }
}

TEST(Passes, OldOffsetQuadShiftsTheVertices)
{
    openTestWindow(256, 256, 0);
    drawBands();
    glDisable(GL_BLEND);
    tex_bind(demoSystem.rtt_texture);
    gldrv_copyColorBuffer();
    glBegin(GL_QUADS);
    drawOffsetQuad_old(0.25f, 0.0f, 1.0f);   // one band to the right
    glEnd();
    finishPass();
    for (int band = 1; band < 4; band++)
        EXPECT_NEAR(readPixel(band * 64 + 32, 128).g, kLevels[band - 1], 1) << "band " << band;
}

struct Frame {
    float time;
    bool  on;
};

// Plays the repeat's frames as the kernel does: render, then elapsed.
void expectRuns(Section* outer, const Frame* frames, int count)
{
    for (int k = 0; k < count; k++) {
        demoSystem.time = frames[k].time;
        mySection = outer;
        render_efxRepeat();
        outer->elapsed = demoSystem.time - outer->start;
        EXPECT_EQ(glIsEnabled(GL_FOG) == GL_TRUE, frames[k].on) << "second " << frames[k].time;
    }
}

Section* repeatOfFog(float period, float length)
{
    openTestWindow(256, 256, 0);
    Section* s = new Section(
        test_section("efxRepeat", { period, length, 0, 0.2f, 0.2f, 0.3f, 1, 1, 0.05f }, { "efxFog" }, 0, 0, 0, 100));
    section_load(s);
    demoSystem.time = 0.0f;
    mySection = s;
    init_efxRepeat();
    return s;
}

TEST(Repeat, RunsForItsLengthEveryPeriodAndEndsEachRun)
{
    Section* s = repeatOfFog(5.0f, 2.0f);
    const Frame frames[] = {
        { 0.0f, true }, { 1.0f, true }, { 2.0f, true }, { 2.25f, false }, { 4.75f, false },
        { 5.0f, true }, { 7.0f, true }, { 7.25f, false }, { 10.5f, true },
    };
    expectRuns(s, frames, (int)(sizeof frames / sizeof frames[0]));
    mySection = s;
    end_efxRepeat();
    EXPECT_FALSE(glIsEnabled(GL_FOG));

    // after a jump the first run starts on a whole number of run lengths
    demoSystem.time = 13.25f;
    mySection = s;
    init_efxRepeat();
    const Frame resumed[] = { { 13.25f, true }, { 14.0f, true }, { 14.25f, false }, { 17.0f, true } };
    expectRuns(s, resumed, 4);
    mySection = s;
    end_efxRepeat();
}

TEST(Repeat, RunLongerThanThePeriodIsCut)
{
    Section* s = repeatOfFog(5.0f, 7.0f);
    const Frame frames[] = {
        { 0.0f, true }, { 5.0f, true }, { 5.25f, false }, { 5.5f, true }, { 10.0f, true }, { 10.25f, false },
    };
    expectRuns(s, frames, (int)(sizeof frames / sizeof frames[0]));
    mySection = s;
    end_efxRepeat();
}

}  // namespace
