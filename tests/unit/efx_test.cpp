// efx_test.cpp -- the load checks of the effect, particle and model sections
// (each message form once, in the order load reports them, and efxRepeat's
// checks of its inner section), the render mesh's formulas where the GL must
// never see what they give, and efxRepeat's schedule frame by frame, read from an
// inner efxFog that is on exactly while its run lasts.
#include "dkernel.h"
#include "effects.h"
#include "gl_window.h"
#include "gldrv.h"
#include "sectiontypes.h"

#include <gtest/gtest.h>

#include "testutil.h"

#include <cmath>
#include <string>
#include <utility>
#include <vector>

namespace {

struct CheckCase {
    const char*              type;
    std::vector<float>       params;
    std::vector<const char*> strings;
    int                      splines;
    int                      accum;
    const char*              error;   // full message after "Error: ", or nullptr
};

const CheckCase kCases[] = {
    { "efxBoxBlur", {}, {}, 0, 0, "efxBoxBlur (4, 0.000000 -> 1.000000): 1 param or spline needed" },
    { "efxBoxBlur", { 1, 2 }, {}, 1, 0, nullptr },
    { "efxMotionBlurAccum", { 0.5f, 1 }, {}, 0, 0, "efxMotionBlurAccum (4, 0.000000 -> 1.000000): accum buffer is not active" },
    { "efxMotionBlurAccum", { 0.5f, 1 }, {}, 0, 1, "efxMotionBlurAccum (4, 0.000000 -> 1.000000): 1 param needed, 2 given" },
    { "efxRepeat", { 5, 2 }, {}, 0, 0, "efxRepeat (4, 0.000000 -> 1.000000): 3 float(s) needed, 2 given" },
    { "efxRepeat", { 5, 2, 0 }, {}, 0, 0, "efxRepeat (4, 0.000000 -> 1.000000): 1 string(s) needed, 0 given" },
    { "efxRepeat", { 5, 2, 0 }, { "efxNothing" }, 0, 0, "efxRepeat (4, 0.000000 -> 1.000000): unknown section 'efxNothing'" },
    { "efxRepeat", { 5, 2, 0 }, { "EFXREPEAT" }, 0, 0, "efxRepeat (4, 0.000000 -> 1.000000): cannot repeat section 'EFXREPEAT'" },
    { "efxRepeat", { 0, 2, 0 }, { "efxInverse" }, 0, 0, "efxRepeat (4, 0.000000 -> 1.000000): period must be greater than 0" },
    { "efxRepeat", { 5, NAN, 0 }, { "efxInverse" }, 0, 0, "efxRepeat (4, 0.000000 -> 1.000000): run length must be greater than 0" },
    // the inner section is checked as itself: its type, its span, its counts
    { "efxRepeat", { 5, 2, 0, 1, 1, 1 }, { "efxFader" }, 0, 0, "efxFader (4, 0.000000 -> 2.000000): 8 params needed, 3 given" },
    { "efxRepeat", { 5, 2, 0, 0, 1, 1 }, { "efxSwirl" }, 1, 0, nullptr },
    { "efxDeform", { 257, 8, 8 }, {}, 0, 0, "efxDeform (4, 0.000000 -> 1.000000): at least 2 control points needed" },
    { "efxDeform", { 4, 8, 256 }, {}, 0, 0, "efxDeform (4, 0.000000 -> 1.000000): at least 1 evaluation step needed" },
    { "efxDeform", { 2, 1, 1 }, {}, 2, 0, nullptr },
    { "efxViewport", {}, {}, 3, 0, "efxViewport (4, 0.000000 -> 1.000000): 1 or 2 splines needed, 3 given" },
    { "efxFog", { 0, 0, 0, 1, 1 }, {}, 0, 0, "efxFog (4, 0.000000 -> 1.000000): invalid number of params, 5 given" },
    { "efxFog", { 0, 0, 0, 1, 0.5f, 1 }, {}, 0, 0, "efxFog (4, 0.000000 -> 1.000000): invalid fog mode" },
    { "efxFog", { 0, 0, 0, 1, 2, -0.1f }, {}, 0, 0, "efxFog (4, 0.000000 -> 1.000000): invalid fog density" },
    { "particleMatrix", { 0, 0.5f, 0, 0 }, { "x.tga" }, 3, 0, "particleMatrix (4, 0.000000 -> 1.000000): invalid modulation" },
    { "particleTex", { 0, 0, 0.9f, 0, 0, 0, 0, 0, 0 }, { "x.tga", "x.tga" }, 0, 0, "particleTex (4, 0.000000 -> 1.000000): invalid scatter range" },
    { "particleTex", { 0, 0, 1, 0, 0, 0, 0, 0, 0 }, { "x.tga", "x.tga" }, 0, 0, nullptr },
    { "particleObject", { 0, 0 }, { "x.tga", "x.tga", "x.tga" }, 2, 0, "particleObject (4, 0.000000 -> 1.000000): 1 float needed, 2 given" },
    { "particleObject", { 0 }, { "x.tga", "x.tga", "x.tga" }, 1, 0, "particleObject (4, 0.000000 -> 1.000000): at least 2 splines needed, 1 given" },
    { "object", { 1, 0, 1, 1, 1, 0, 0 }, { "sparkle", "models/", "cube.3ds" }, 1, 0, "object (4, 0.000000 -> 1.000000): unknown render mode 'sparkle'" },
    { "object", { 1, 0, 1, 1, 1, 0, 0 }, { "environment", "models/", "cube.3ds" }, 1, 0, "object (4, 0.000000 -> 1.000000): 4 strings needed, 3 given" },
    { "objectMatrix", { 3, 1, 1, 1, 0 }, { "color", "models/", "cube.3ds" }, 2, 0, "objectMatrix (4, 0.000000 -> 1.000000): 4 strings needed, 3 given" },
    { "objectMatrix", { 3, 1, 1, 1, 0 }, { "env.tga", "models/", "cube.3ds", "glitter" }, 2, 0, "objectMatrix (4, 0.000000 -> 1.000000): unknown render mode 'glitter'" },
    { "objectMatrix", { 3, 1, 1, 1, 0 }, { "env.tga", "models/", "cube.3ds", "flat" }, 2, 0, "objectMatrix (4, 0.000000 -> 1.000000): render mode not implemented yet" },
    { "objectMatrix", { 3, 1, 1, 1, 0 }, { "env.tga", "models/", "cube.3ds", "ENVIRONMENT" }, 2, 0, nullptr },
    { "light", { 8 }, {}, 2, 0, "light (4, 0.000000 -> 1.000000): Invalid light index" },
    { "light", { -1 }, {}, 2, 0, "light (4, 0.000000 -> 1.000000): Invalid light index" },
    { "light", { NAN }, {}, 2, 0, "light (4, 0.000000 -> 1.000000): Invalid light index" },
    { "light", { 7.9f }, {}, 2, 0, nullptr },     // light 7
    { "light", { -0.5f }, {}, 2, 0, nullptr },    // truncated toward zero: light 0
    { "objectShader", { 1, 1 }, { "models/", "cube.3ds", "passes.sha" }, 1, 0, "objectShader (4, 0.000000 -> 1.000000): as much one single param needed, 2 given" },
};

/* Each message once, with the checks whose order matters; a section's own
** counts are constants of its check, and the gallery examples pass them. */
TEST(SectionChecks, EveryMessageInItsOrder)
{
    for (const CheckCase& c : kCases) {
        SCOPED_TRACE(std::string(c.type) + (c.error ? std::string(": ") + c.error : " passes"));
        Section s = test_section(c.type, c.params, { c.strings.begin(), c.strings.end() }, c.splines, 4);
        ASSERT_GE(s.type, 0);
        demoSystem = DemoSystem();
        glDriver.accum = c.accum;
        mySection = &s;
        if (c.error) {
            EXPECT_EXIT(FATAL(sectionCheck[s.type]()), ::testing::ExitedWithCode(1),
                        ::testing::Matcher<const std::string&>("Error: " + std::string(c.error) + "\n"));
        } else {
            sectionCheck[s.type]();
            EXPECT_EQ(mySection, &s);   // the inner check hands the section back
        }
    }
}

TEST(RenderMesh, FormulasKeepTheirShapeAndStayFinite)
{
    double a, b;
    for (int i = 0; i <= 20; i++)
        for (int j = 0; j <= 20; j++) {
            // mode 4 turns about the middle: the distance to it is kept
            efx_meshCoord(4, i, j, 0.0f, 120.0f, &a, &b);
            EXPECT_NEAR(std::hypot(a - 0.5, b - 0.5), std::hypot(i / 20.0 - 0.5, j / 20.0 - 0.5), 1e-12);
        }
    // at 120 bpm Q is the time; at 1.1 s the logarithm's argument
    // sin(cos(tan Q)) is below 0: b has no value and stays undistorted,
    // while a still ripples
    const float T = 1.1f;
    ASSERT_LT(std::sin(std::cos(std::tan((double)T))), 0.0);
    efx_meshCoord(7, 7, 9, T, 120.0f, &a, &b);
    EXPECT_EQ(b, 9 / 20.0);
    EXPECT_NEAR(a, 7 / 20.0, 0.001);
    for (float t = 0.0f; t < 20.0f; t += 0.37f) {
        efx_meshCoord(7, 20, 20, t, 137.0f, &a, &b);
        EXPECT_TRUE(std::isfinite(a) && std::isfinite(b)) << t;
    }
}

using Frame = std::pair<float, bool>;   // second, fog on

// Plays the repeat's frames as the kernel does: render, then elapsed.
void expectRuns(Section* outer, std::initializer_list<Frame> frames)
{
    for (const auto& [second, on] : frames) {
        demoSystem.time = second;
        mySection = outer;
        render_efxRepeat();
        outer->elapsed = demoSystem.time - outer->start;
        EXPECT_EQ(glIsEnabled(GL_FOG) == GL_TRUE, on) << "second " << second;
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
    expectRuns(s, { { 0.0f, true }, { 1.0f, true }, { 2.0f, true }, { 2.25f, false }, { 4.75f, false },
                    { 5.0f, true }, { 7.0f, true }, { 7.25f, false }, { 10.5f, true } });
    mySection = s;
    end_efxRepeat();
    EXPECT_FALSE(glIsEnabled(GL_FOG));

    // after a jump the first run starts on a whole number of run lengths
    demoSystem.time = 13.25f;
    mySection = s;
    init_efxRepeat();
    expectRuns(s, { { 13.25f, true }, { 14.0f, true }, { 14.25f, false }, { 17.0f, true } });
    mySection = s;
    end_efxRepeat();

    // a run longer than the period is cut at the next one
    s = repeatOfFog(5.0f, 7.0f);
    expectRuns(s, { { 0.0f, true }, { 5.0f, true }, { 5.25f, false }, { 5.5f, true }, { 10.0f, true }, { 10.25f, false } });
    mySection = s;
    end_efxRepeat();
}

}  // namespace
