/*
** spline_test.cpp -- motion files, key placement, interpolation and the
** BEAT modifier of dkernel_getSpline.
*/
#include <gtest/gtest.h>

#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string>
#include <unistd.h>

#include "dk_spline.h"
#include "dkernel.h"

namespace {

std::string writeSpline(const std::string& text)
{
    char path[] = "/tmp/lumeno_spline_XXXXXX";
    int fd = mkstemp(path);
    EXPECT_GE(fd, 0);
    EXPECT_EQ(write(fd, text.data(), text.size()), (ssize_t)text.size());
    close(fd);
    return path;
}

Spline* loadSpline(const std::string& text, float duration)
{
    std::string path = writeSpline(text);
    Spline* s = motion_load(path.c_str());
    unlink(path.c_str());
    motion_setDuration(s, duration);
    return s;
}

float sample(const Spline* s, float t, int channel = 0)
{
    float out[SPLINE_MAX_CHANNELS] = { 0 };
    MotionCalcStep(s, out, t);
    return out[channel];
}

/* Catmull-Rom through four evenly spaced values, written independently of
** the Hermite form the player uses. */
float catmullRom(float p0, float p1, float p2, float p3, float u)
{
    return 0.5f * (2 * p1 + (p2 - p0) * u + (2 * p0 - 5 * p1 + 4 * p2 - p3) * u * u +
                   (3 * p1 - p0 - 3 * p2 + p3) * u * u * u);
}

}  // namespace

TEST(SplineFile, SkipsCommentsAndBlankLinesAndReadsBraces)
{
    Spline* s = loadSpline("; a comment\n\n{1, 2, 3}\r\n4 5 6\n\t7,8,-9\n", 1.0f);
    ASSERT_EQ(s->key_count, 3);
    EXPECT_EQ(s->channel_count, 3);
    EXPECT_FLOAT_EQ(s->keys[2].values[2], -9.0f);
}

TEST(SplineFile, KeysSpreadEvenlyOverTheDuration)
{
    Spline* s = loadSpline("0\n10\n20\n30\n40\n", 8.0f);
    for (int k = 0; k < 5; k++)
        EXPECT_EQ(s->keys[k].time, 2.0f * k);
    EXPECT_EQ(sample(s, 4.0f), 20.0f);    /* exactly key 2 */
    EXPECT_EQ(sample(s, 10.0f), 40.0f);   /* clamped to the last key */
}

TEST(SplineFile, EveryKeyIsHitExactly)
{
    Spline* s = loadSpline("0 5\n3 -1\n-2 7\n8 8\n1 0\n2 2\n", 7.0f);
    for (int k = 0; k < s->key_count; k++) {
        float out[SPLINE_MAX_CHANNELS];
        MotionCalcStep(s, out, s->keys[k].time);
        EXPECT_EQ(out[0], s->keys[k].values[0]) << "key " << k;
        EXPECT_EQ(out[1], s->keys[k].values[1]) << "key " << k;
    }
}

TEST(SplineInterpolation, InteriorSegmentsAreCatmullRom)
{
    Spline* s = loadSpline("0\n0\n2\n0\n1\n", 4.0f);
    for (float u = 0.1f; u < 1.0f; u += 0.2f) {
        EXPECT_NEAR(sample(s, 1.0f + u), catmullRom(0, 0, 2, 0, u), 1e-5) << u;
        EXPECT_NEAR(sample(s, 2.0f + u), catmullRom(0, 2, 0, 1, u), 1e-5) << u;
    }
}

TEST(SplineInterpolation, EndSegmentsUseTheChordAsEndTangent)
{
    Spline* s = loadSpline("0\n2\n2\n", 2.0f);
    /* First segment: tangent leaving key 0 is the chord 2, tangent arriving
    ** at key 1 is (2 - 0) / 2 = 1; at u = 0.5: 1 + 0.125 * 2 - 0.125 * 1. */
    EXPECT_NEAR(sample(s, 0.5f), 1.125f, 1e-6);
    /* Last segment: leaving key 1 with (2 - 0) / 2, arriving with chord 0. */
    EXPECT_NEAR(sample(s, 1.5f), 2.0f + 0.125f * 1.0f, 1e-6);
}

TEST(SplineInterpolation, TwoKeysAreLinearInTime)
{
    Spline* s = loadSpline("1 -4\n5 4\n", 2.0f);
    for (float t = 0.0f; t <= 2.0f; t += 0.25f) {
        EXPECT_NEAR(sample(s, t, 0), 1.0f + 2.0f * t, 1e-5) << t;
        EXPECT_NEAR(sample(s, t, 1), -4.0f + 4.0f * t, 1e-5) << t;
    }
    /* Before the first key the first segment extrapolates. */
    EXPECT_NEAR(sample(s, -1.0f), -1.0f, 1e-5);
}

TEST(SplineInterpolation, LinearKeyMakesItsSegmentStraight)
{
    Spline* s = loadSpline("0\n0\n4\n4\n", 3.0f);
    s->keys[2].linear = 1;
    EXPECT_NEAR(sample(s, 1.25f), 1.0f, 1e-6);
    EXPECT_NEAR(sample(s, 1.5f), 2.0f, 1e-6);
}

TEST(SplineInterpolation, UnevenKeysScaleTheTangents)
{
    Spline* s = loadSpline("0\n1\n3\n", 1.0f);
    s->keys[1].time = 0.25f;
    s->keys[2].time = 1.0f;
    /* Segment 1 -> 2, delta 0.75: leaving tangent sA * (1 + 2) with
    ** sA = 0.75 / 1, arriving is the chord 2.  Half way the Hermite weights
    ** are 1/2, 1/2, 1/8, -1/8: 0.5 + 1.5 + 2.25 / 8 - 2 / 8. */
    EXPECT_NEAR(sample(s, 0.625f), 2.03125f, 1e-5);
}

TEST(SplineInterpolation, OneKeyIsConstantAndNoKeyChangesNothing)
{
    Spline* one = loadSpline("7 8 9\n", 5.0f);
    for (float t : { -3.0f, 0.0f, 2.5f, 100.0f })
        EXPECT_EQ(sample(one, t, 2), 9.0f);

    Spline* none = loadSpline("; nothing but a comment\n", 5.0f);
    EXPECT_EQ(none->key_count, 0);
    float out[3] = { 1.5f, 2.5f, 3.5f };
    MotionCalcStep(none, out, 1.0f);
    EXPECT_EQ(out[0], 1.5f);
    EXPECT_EQ(out[2], 3.5f);
}

TEST(SplineInterpolation, ZeroDurationGivesAKeyNotNaN)
{
    /* A spline line placed before the section's end gets no duration. */
    Spline* s = loadSpline("1\n2\n3\n", 0.0f);
    float v = sample(s, 0.5f);
    EXPECT_FALSE(isnan(v));
    EXPECT_EQ(v, 3.0f);   /* past every key: the last one */
}

TEST(SplineSection, EachSectionLoadsItsOwnCopyWithItsDuration)
{
    std::string path = writeSpline("0\n1\n2\n");
    Section a = {}, b = {};
    for (Section* s : { &a, &b }) {
        s->spline_count = 1;
        s->spline_files[0] = (char*)path.c_str();
    }
    a.spline_durations[0] = 2.0f;
    b.spline_durations[0] = 10.0f;
    motion_loadSection(&a);
    motion_loadSection(&b);
    unlink(path.c_str());
    ASSERT_NE(a.splines[0], b.splines[0]);
    EXPECT_EQ(a.splines[0]->keys[2].time, 2.0f);
    EXPECT_EQ(b.splines[0]->keys[2].time, 10.0f);
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
    EXPECT_EQ(out[0], 1.0f);
    EXPECT_EQ(out[1], 2.0f);
    EXPECT_EQ(out[2], 8.0f);
    EXPECT_EQ(out[3], -1.0f);
    dkernel_getSpline(1, 0.5f, out);
    EXPECT_EQ(out[2], 3.0f);

    demoSystem.beat = 0.0f;   /* the level nothing writes: BEAT adds nothing */
    dkernel_getSpline(0, 0.5f, out);
    EXPECT_EQ(out[2], 3.0f);
    mySection = saved;
}

TEST(SplineFileDeathTest, BadFilesAreFatal)
{
    EXPECT_EXIT(motion_load("/nonexistent/lumeno/path.spl"), ::testing::ExitedWithCode(1),
                "Error: Spline: error loading '/nonexistent/lumeno/path.spl'");

    std::string letters = writeSpline("; header\nposition 1 2\n");
    EXPECT_EXIT(motion_load(letters.c_str()), ::testing::ExitedWithCode(1),
                "Spline: incorrect format in '" + letters + "'");
    std::string blanks = writeSpline("   \n1 2\n");
    EXPECT_EXIT(motion_load(blanks.c_str()), ::testing::ExitedWithCode(1),
                "Spline: incorrect format in");

    /* a number past the float range ends its row short */
    std::string ragged = writeSpline("1 2 3\n4 5 6\n7 8 " + std::string(45, '9') + "\n");
    EXPECT_EXIT(motion_load(ragged.c_str()), ::testing::ExitedWithCode(1),
                "Spline: incorrect channel in '" + ragged + "'");

    std::string wide = writeSpline("1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17\n");
    EXPECT_EXIT(motion_load(wide.c_str()), ::testing::ExitedWithCode(1),
                "Script: too many floats in vector '1 2 3");
    for (const std::string& p : { letters, blanks, ragged, wide })
        unlink(p.c_str());
}
