// efx_gl_test.cpp -- efxRepeat's schedule frame by frame, read from an
// inner efxFog that is on exactly while its run lasts (needs a GL context
// but no player run).
#include "gl_window.h"
#include "testutil.h"

#include "effects.h"
#include "sectiontypes.h"

#include <gtest/gtest.h>

namespace {

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
