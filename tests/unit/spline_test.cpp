/*
** spline_test.cpp -- motion files, key placement, interpolation and the
** BEAT modifier of dkernel_getSpline.
*/
#include <gtest/gtest.h>

#include <string>

#include "dk_spline.h"
#include "dkernel.h"
#include "testutil.h"

namespace {

TempDir files;
int written = 0;

std::string writeSpline(const std::string& text)
{
    std::string path = files.path + std::to_string(written++) + ".spl";
    writeFile(path, text);
    return path;
}

Spline* loadSpline(const std::string& text, float duration)
{
    Spline* s = motion_load(writeSpline(text).c_str());
    motion_setDuration(s, duration);
    return s;
}

float sample(const Spline* s, float t, int channel = 0)
{
    float out[SPLINE_MAX_CHANNELS] = { 0 };
    MotionCalcStep(s, out, t);
    return out[channel];
}

}  // namespace

TEST(SplineFile, RowsKeysAndTheirTimes)
{
    Spline* s = loadSpline("; a comment\n\n{1, 2, 3}\r\n4 5 6\n\t7,8,-9\n", 1.0f);
    ASSERT_TRUE(s->key_count == 3 && s->channel_count == 3);
    EXPECT_FLOAT_EQ(s->keys[2].values[2], -9.0f);
    /* keys spread evenly over the duration; each is hit exactly, the last
    ** holds past the end */
    s = loadSpline("0 5\n3 -1\n-2 7\n8 8\n1 0\n", 8.0f);
    for (int k = 0; k < 5; k++) {
        EXPECT_TRUE(sample(s, 2.0f * k, 0) == s->keys[k].values[0] && sample(s, 2.0f * k, 1) == s->keys[k].values[1]) << k;
    }
    EXPECT_EQ(sample(s, 10.0f), 1.0f);
    /* each section loads its own copy, with its own duration */
    Section a = {}, b = {};
    std::string path = writeSpline("0\n1\n2\n");
    for (Section* x : { &a, &b }) {
        x->spline_count = 1;
        x->spline_files[0] = (char*)path.c_str();
    }
    a.spline_durations[0] = 2.0f;
    b.spline_durations[0] = 10.0f;
    motion_loadSection(&a);
    motion_loadSection(&b);
    EXPECT_TRUE(a.splines[0]->keys[2].time == 2.0f && b.splines[0]->keys[2].time == 10.0f);
}

TEST(SplineInterpolation, CatmullRomWithChordEndTangentsAndDegenerateSplines)
{
    /* Inner segments: Catmull-Rom, 0.5 (2 p1 + (p2 - p0) u + (2 p0 - 5 p1 +
    ** 4 p2 - p3) u^2 + (3 p1 - p0 - 3 p2 + p3) u^3), worked out by hand. */
    Spline* s = loadSpline("0\n0\n2\n0\n1\n", 4.0f);
    EXPECT_NEAR(sample(s, 1.5f), 1.125f, 1e-5);
    EXPECT_NEAR(sample(s, 2.3f), 1.5995f, 1e-5);
    /* First segment: tangent leaving key 0 is the chord 2, tangent arriving
    ** at key 1 is (2 - 0) / 2 = 1; at u = 0.5: 1 + 0.125 * 2 - 0.125 * 1.
    ** Last segment: leaving key 1 with (2 - 0) / 2, arriving with chord 0. */
    s = loadSpline("0\n2\n2\n", 2.0f);
    EXPECT_NEAR(sample(s, 0.5f), 1.125f, 1e-6);
    EXPECT_NEAR(sample(s, 1.5f), 2.0f + 0.125f * 1.0f, 1e-6);
    /* Two keys are a line in time, also before the first. */
    EXPECT_NEAR(sample(loadSpline("1\n5\n", 2.0f), -1.0f), -1.0f, 1e-5);
    /* A linear key makes its segment straight. */
    s = loadSpline("0\n0\n4\n4\n", 3.0f);
    s->keys[2].linear = 1;
    EXPECT_NEAR(sample(s, 1.25f), 1.0f, 1e-6);
    EXPECT_NEAR(sample(s, 1.5f), 2.0f, 1e-6);
    /* Uneven keys scale the tangents: segment 1 -> 2, delta 0.75, leaving
    ** tangent sA * (1 + 2) with sA = 0.75 / 1, arriving is the chord 2.  Half
    ** way the Hermite weights are 1/2, 1/2, 1/8, -1/8: 0.5 + 1.5 + 2.25 / 8 - 2 / 8. */
    s = loadSpline("0\n1\n3\n", 1.0f);
    s->keys[1].time = 0.25f;
    s->keys[2].time = 1.0f;
    EXPECT_NEAR(sample(s, 0.625f), 2.03125f, 1e-5);

    /* no key leaves the output alone */
    Spline* none = loadSpline("; nothing but a comment\n", 5.0f);
    EXPECT_EQ(none->key_count, 0);
    float out[3] = { 1.5f, 2.5f, 3.5f };
    MotionCalcStep(none, out, 1.0f);
    EXPECT_TRUE(out[0] == 1.5f && out[2] == 3.5f);
    /* A spline line placed before the section's end gets no duration: past
    ** every key, so the last, not NaN. */
    EXPECT_EQ(sample(loadSpline("1\n2\n3\n", 0.0f), 0.5f), 3.0f);
}

TEST(SplineSection, BeatModifierAddsToItsChannelOnly)
{
    Section s = {};
    s.spline_count = 2;
    s.splines[0] = loadSpline("1 2 3\n", 1.0f);
    s.splines[1] = loadSpline("1 2 3\n", 1.0f);
    s.modifier_count = 4;
    s.modifiers[0] = { 1, 3, 1 };    /* BEAT on spline 1, channel 3 */
    s.modifiers[1] = { 1, 1, 0 };    /* not BEAT: no effect */
    s.modifiers[2] = { 1, 4, 1 };    /* past the channels: ignored */
    s.modifiers[3] = { 1, 0, 1 };    /* channel 0: ignored */
    Section* saved = mySection;
    mySection = &s;
    demoSystem.beat = 0.5f;
    float out[4] = { 0, 0, 0, -1 };
    dkernel_getSpline(0, 0.5f, out);
    EXPECT_TRUE(out[0] == 1.0f && out[1] == 2.0f && out[2] == 8.0f && out[3] == -1.0f);
    dkernel_getSpline(1, 0.5f, out);
    EXPECT_EQ(out[2], 3.0f);
    demoSystem.beat = 0.0f;
    mySection = saved;
}

TEST(SplineFileDeathTest, BadFilesAreFatal)
{
    EXPECT_EXIT(FATAL(motion_load("/nonexistent/lumeno/path.spl")), ::testing::ExitedWithCode(1),
                stderrIs("Error: Spline: error loading '/nonexistent/lumeno/path.spl'\n"));
    /* a first row of letters; a row cut short by a number past the float
    ** range */
    const std::pair<const char*, std::string> cases[] = {
        { "incorrect format in '%s'", "; header\nposition 1 2\n" },
        { "incorrect channel in '%s'", "1 2 3\n7 8 " + std::string(45, '9') + "\n" },
    };
    for (auto& c : cases) {
        std::string path = writeSpline(c.second), message = c.first;
        message.replace(message.find("%s"), 2, path);
        EXPECT_EXIT(FATAL(motion_load(path.c_str())), ::testing::ExitedWithCode(1), stderrIs("Error: Spline: " + message + "\n"));
    }
}
