/*
** particle_test.cpp -- the particle library's update step, the ray's bolt
** steps, and pathway and particleObject drawn in a real window without a
** camera (identity projection: clip units map straight onto the window).
*/
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <math.h>
#include <fstream>
#include <string>
#include <vector>

#include "dk_spline.h"
#include "dkernel.h"
#include "gl_window.h"
#include "particle.h"
#include "dk_random.h"
#include "sec_ray.h"
#include "sectiontypes.h"
#include "tds_writer.h"
#include "testutil.h"
#include "tex.h"
#include "tga.h"

namespace {

TEST(ParticleUpdate, MovesAgesAndFadesActiveParticlesOnly)
{
    struct Case { const char* what; float life, dt; int active; float life_after, alpha_after; };
    const Case cases[] = {
        { "life left", 2.0f, 0.5f, 1, 1.5f, 1.0f - 0.5f / 1.5f },
        { "life ends within the step", 0.3f, 0.5f, 0, -0.2f, 1.0f + 0.5f / 0.2f },
        { "life ends exactly: faded, no division by zero", 0.5f, 0.5f, 1, 0.0f, 0.0f },
        { "no time passes at life 0", 0.0f, 0.0f, 1, 0.0f, 1.0f },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ParticleSystem* ps = particlesystem_init(2, 1.0f);
        for (int i = 0; i < 2; i++) {
            particle_speed(ps, i, 2, 0, 0);
            particle_acceleration(ps, i, 4, 0, 0);
            particle_duration(ps, i, c.life);
            particle_color(ps, i, 1, 1, 1, 1);
        }
        ps->particles[0].active = 1;
        particle_update(c.dt, ps);
        const Particle& p = ps->particles[0];
        /* the position moves with the speed from before the step */
        EXPECT_FLOAT_EQ(p.position[0], 2 * c.dt);
        EXPECT_FLOAT_EQ(p.speed[0], 2 + 4 * c.dt);
        EXPECT_EQ(p.active, c.active);
        EXPECT_FLOAT_EQ(p.life, c.life_after);
        EXPECT_FLOAT_EQ(p.color[3], c.alpha_after);
        EXPECT_EQ(ps->particles[1].life, c.life) << "inactive particles stay";
        particlesystem_end(ps);
    }
}

TEST(RayLines, StackedWidthsFadeFromWideToThin)
{
    float w[RAY_MAX_LINES], a[RAY_MAX_LINES];
    ASSERT_EQ(ray_lineStack(2.5f, w, a), 3);
    const float widths[] = { 2.5f, 1.5f, 0.5f }, alphas[] = { 0.4f, 0.8f, 1.2f };
    for (int k = 0; k < 3; k++) {
        EXPECT_FLOAT_EQ(w[k], widths[k]);
        EXPECT_FLOAT_EQ(a[k], alphas[k]);
    }
    for (float none : { 0.0f, -3.0f, NAN })
        EXPECT_EQ(ray_lineStack(none, w, a), 0) << none;
    /* a huge width is cut to the widest stack, still ending opaque */
    ASSERT_EQ(ray_lineStack(1e9f, w, a), RAY_MAX_LINES);
    EXPECT_FLOAT_EQ(w[0], (float)RAY_MAX_LINES);
    EXPECT_FLOAT_EQ(a[RAY_MAX_LINES - 1], 1.0f);
}

TEST(RayBolt, StraightWithoutJitterAnchoredOnTheEndPointBoundedWhenReseeded)
{
    float offsets[5][3] = {}, points[5][3] = {};
    RayVars ray = {};
    ray.segments = 4;
    ray.offsets = offsets;
    ray.points = points;
    ray.end[0] = 4.0f;
    rand_seed(0, 0);
    ray_bolt(&ray);
    for (int s = 0; s <= 4; s++)
        EXPECT_EQ(points[s][0], (float)s) << "without jitter a bolt is straight";
    ray.amplitude = 0.5f;
    ray.anchored = 1;
    ray_bolt(&ray);
    EXPECT_EQ(points[4][0], 4.0f);
    EXPECT_EQ(points[4][1], 0.0f);
    EXPECT_NE(points[2][1], 0.0f) << "inner points are jittered";

    auto largestOffset = [&](int bolts) {
        float largest = 0;
        for (int b = 0; b < bolts; b++) {
            ray_bolt(&ray);
            for (auto& o : offsets)
                for (float v : o) largest = fmaxf(largest, fabsf(v));
        }
        return largest;
    };
    ray.anchored = 0;
    ray.reseed = 1.0f;
    /* reseeded within 0.999, plus one jitter of at most 0.099 */
    EXPECT_LE(largestOffset(300), 1.098f * 0.5f);
    ray.reseed = 0.0f;
    EXPECT_GT(largestOffset(3000), 1.2f * 0.5f);
}

/* A section of the given type drawn in a 256 x 256 window. */
class ParticleDrawing : public ::testing::Test {
protected:
    TempDir dir;
    Section section = {};

    void SetUp() override
    {
        openTestWindow(256, 256, 0);
        std::vector<unsigned char> white(8 * 8 * 3, 255);
        tga_save(path("white.tga"), white.data(), 8, 8, 0);
        mySection = &section;
    }
    /* Three seconds long, adding its colour. */
    void use(const char* type, const std::vector<float>& params, const std::vector<std::string>& strings)
    {
        section = test_section(type, params, strings, 0, 0, 0, 3);
        section.blend_on = 1;
        section.blend_src = GL_SRC_ALPHA;
        section.blend_dst = GL_ONE;
    }
    char* path(const std::string& name) { return strdup((dir.path + name).c_str()); }
    void spline(int index, const std::string& rows)
    {
        char* file = path("s.spl");
        std::ofstream(file) << rows;
        section.splines[index] = motion_load(file);
        motion_setDuration(section.splines[index], section.duration);
        section.spline_count = std::max(section.spline_count, index + 1);
    }
    void frame(void (*render)(void))
    {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        tex_reset_bind();
        render();
    }
};

TEST_F(ParticleDrawing, PathwayReleasesElevenParticlesInTheFirstSecondAndAHalfTenth)
{
    use("pathway", { 10, 0.02f, 1, 1, 1 }, { dir.path + "white.tga" });
    spline(0, "-0.9 0 0\n0.9 0 0\n");
    load_pathway();
    init_pathway();
    section.elapsed = 1.05f;
    frame(render_pathway);
    /* released at k / 10 s, at x = -0.9 + 0.06 k, i.e. 7.68 pixels apart */
    for (int k = 0; k < 14; k++) {
        Rgb p = readPixel((int)lroundf(12.8f + 7.68f * k), 128);
        if (k <= 10) EXPECT_GT(p.r, 200) << "particle " << k;
        else EXPECT_EQ(p.r, 0) << "particle " << k;
    }
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
}

TEST_F(ParticleDrawing, ObjectVertexFadesInAfreshWhenItReentersTheWindow)
{
    /* file (x, y, z) becomes (x, z, -y): vertex 2 lands at (0.5, 0.5, 0) */
    tds::save(path("tri.3ds"), tds::file(tds::object("tri", tds::triMesh(
        tds::vertices({ { -0.5f, 0, -0.5f }, { -0.5f, 0, 0.5f }, { 0.5f, 0, 0.5f } }),
        tds::faces({ { 0, 1, 2, 0 } })))));
    tds::save(path("empty.3ds"), tds::file(tds::object("none", tds::triMesh())));
    use("particleObject", { 0.05f }, { dir.path, "tri.3ds", dir.path + "white.tga" });
    spline(0, "1 1 1 0 0 0 0 0 0\n");
    spline(1, "0 1\n");
    Spline* whole = section.splines[1];
    spline(1, "0 0.5\n");
    Spline* half = section.splines[1];
    load_particleObject();
    init_particleObject();
    demoSystem.frame_time = 0.75f;

    /* alpha = age * (2/3 - 0) / (1 - 0): 0 when it enters, 0.5 a frame later */
    const struct { Spline* window; int red; } frames[] = {
        { whole, 0 }, { whole, 128 }, { half, 0 }, { whole, 0 }, { whole, 128 },
    };
    for (const auto& f : frames) {
        section.splines[1] = f.window;
        frame(render_particleObject);
        EXPECT_NEAR(readPixel(192, 192).r, f.red, 2);
    }
    section.strings[1] = strdup("empty.3ds");
    load_particleObject();
    init_particleObject();
    frame(render_particleObject);
    EXPECT_EQ(readPixel(192, 192).r, 0) << "a model without vertices draws nothing";
}

}  // namespace
