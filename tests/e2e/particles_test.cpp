/*
** particles_test.cpp -- the particle-based sections played by the real
** player: a picture gathered into its particles, a half-painted picture,
** and the same frames again after a restart (F1).
**
** No camera section: the projection is the identity, so in the 320 x 240
** window one clip unit is 160 pixels across and 120 down.
*/
#include "harness.h"

#include <string>
#include <vector>

namespace {

const char* kWindow =
    "gl_width 320\ngl_height 240\ngl_panoramic 0\nsound 0\nrecord 1\nrecord_fps 20\n";

/* 8 x 4: five pixels brighter than 152 (red + green + blue); (0, 0) sums
** to exactly 152 and stays dark. */
struct Bright { int column, row, r, g, b; };
const Bright kBright[] = {
    { 1, 0, 51, 51, 51 }, { 2, 0, 255, 0, 0 }, { 6, 1, 0, 255, 0 },
    { 3, 3, 0, 0, 200 }, { 7, 3, 255, 255, 255 },
};

/* A demo playing `sections`, with the pictures and the spline they read. */
std::string makeFolder(const std::string& globals, const std::string& sections)
{
    std::string dir = e2e_demo(kWindow + globals, sections);
    E2eImage sparse = e2e_rect(e2e_solid(8, 4, 30, 30, 30), 0, 0, 1, 1, 52, 50, 50);
    for (const Bright& b : kBright) sparse = e2e_rect(sparse, b.column, b.row, b.column + 1, b.row + 1, b.r, b.g, b.b);
    e2e_writeTga(dir, "white.tga", e2e_solid(8, 8, 255, 255, 255));
    e2e_writeTga(dir, "sparse.tga", sparse);
    /* 64 x 32: left half red, right half green */
    e2e_writeTga(dir, "halves.tga", e2e_rect(e2e_solid(64, 32, 0, 200, 0), 0, 0, 32, 32, 200, 0, 0));
    /* paintex: 0.02 x 0.03 clip units per picture unit, centred */
    e2e_writeFile(dir, "paint.spl", "0.02 0.03 1  0 0 0  0 0 0\n");
    return dir;
}

/* One particle per bright pixel at its column and row, 0.1 clip units a
** pixel, scattering within +-2 units from frame 0 on. */
const char* kScatter = "param 0.1 0.03 3  0 0 0  1 1  0\nstring sparse.tga\nstring white.tga\n";

TEST(ParticleSections, GatheredPictureHalfPaintedOneAndAChain)
{
    std::string dir = makeFolder("demo_end 3\n",
                                 e2e_section("particleTex", 0, 1, kScatter) +
                                 e2e_section("paintex", 1, 2, "param 3\nstring halves.tga\nstring white.tga\n"
                                                              "spline paint.spl\n") +
                                 e2e_section("particleMatrix", 2, 3, "param 3 1 0 0.05\nstring white.tga\n"
                                             "spline origin.spl\nspline step.spl\nspline orange.spl\n"));
    /* a chain of 3 sprites 0.05 units in size from x = -0.5, each 0.5 on,
    ** turned 30 degrees more about the vertical each time, tinted orange */
    e2e_writeFile(dir, "origin.spl", "-0.5 0 0\n");
    e2e_writeFile(dir, "step.spl", "0.5 30 0\n");
    e2e_writeFile(dir, "orange.spl", "1 0.5 0 1\n");
    E2eRun run = e2e_run(dir);
    ASSERT_EQ(run.status, 0) << run.err;

    /* frame 0 draws at elapsed 0: fully gathered */
    E2eImage gathered = e2e_frame(dir, 0);
    ASSERT_TRUE(gathered.ok());
    int lit = 0;
    for (int cell = 0; cell < 32; cell++)
        lit += !e2e_rgbNear(gathered, 96 + 16 * (cell % 8), 96 + 12 * (cell / 8), 0, 0, 0, 0);
    EXPECT_EQ(lit, 5) << "one particle per pixel above 152";
    for (const Bright& b : kBright)
        EXPECT_TRUE(e2e_rgbNear(gathered, 96 + 16 * b.column, 96 + 12 * b.row, b.r, b.g, b.b, 3));

    /* frame 31 draws paintex at elapsed 0.5: the left half only */
    E2eImage half = e2e_frame(dir, 31);
    ASSERT_TRUE(half.ok());
    EXPECT_TRUE(e2e_rgbNear(half, 140, 130, 200, 0, 0, 6));
    EXPECT_TRUE(e2e_rgbNear(half, 190, 120, 0, 0, 0, 0));
    EXPECT_TRUE(e2e_rgbNear(e2e_frame(dir, 38), 190, 120, 0, 200, 0, 6)) << "painting on";

    /* x = -0.5, -0.5 + 0.5 sin 30, that + 0.5 sin 60; a fourth would be at 0.68 */
    E2eImage chain = e2e_frame(dir, 50);
    const int probes[][3] = { { 80, 120, 1 }, { 120, 120, 1 }, { 189, 120, 1 }, { 269, 120, 0 }, { 80, 128, 0 } };
    for (const auto& p : probes)
        EXPECT_TRUE(e2e_rgbNear(chain, p[0], p[1], 255 * p[2], 128 * p[2], 0, 2)) << p[0] << ", " << p[1];
}

/* The frame count once it reached `least` and stood still for a second
** (the demo paused at its end: paused frames are not recorded). */
int settledFrames(const std::string& dir, int least)
{
    int last = -1, still = 0;
    for (int i = 0; i < 240 && still < 4; i++) {
        e2e_sleep(0.25);
        int now = e2e_frameCount(dir);
        still = now >= least && now == last ? still + 1 : 0;
        last = now;
    }
    return still >= 4 ? last : -1;
}

TEST(ParticleSections, RestartReplaysTheFirstStartsFrames)
{
    std::string dir = makeFolder("debug 1\ndemo_end 1\n",
                                 e2e_section("particleTex", 0, 1, kScatter) +
                                 e2e_section("pathway", 0, 1, "param 40 0.02 1 0.5 0\nstring white.tga\n"
                                                              "spline path.spl\n") +
                                 e2e_section("ray", 0, 1, "param 0 12\nspline wild.spl\nspline bolt_colour.spl\n"));
    e2e_writeFile(dir, "path.spl", "-0.8 -0.5 0\n0.8 0.5 0\n");
    e2e_writeFile(dir, "wild.spl", "-0.8 0.5 0  0.8 -0.5 0  0.05 2 0.3 3\n");
    e2e_writeFile(dir, "bolt_colour.spl", "0.5 0.5 0.5\n");
    E2eProc p = e2e_start(dir);
    ASSERT_TRUE(e2e_waitOutput(p, "main demo loop!")) << e2e_currentOutput(p);
    int count = settledFrames(dir, 1);
    std::vector<E2eImage> first;
    for (int n = 0; n < count; n++) first.push_back(e2e_frame(dir, n));
    e2e_shell("rm -f '" + dir + "'/video/*.tga");
    ASSERT_TRUE(e2e_key(p, "F1"));
    int again = settledFrames(dir, count);
    e2e_key(p, "Escape");
    E2eRun run = e2e_finish(p);
    ASSERT_EQ(run.status, 0) << run.err;
    ASSERT_GT(count, 15);
    ASSERT_EQ(again, count);
    for (int n = 0; n < count; n++) {
        E2eImage replay = e2e_frame(dir, n);
        ASSERT_TRUE(first[n].ok() && replay.ok()) << "frame " << n;
        EXPECT_TRUE(first[n].rgb == replay.rgb) << "frame " << n << " differs after F1";
    }
}

}  // namespace
