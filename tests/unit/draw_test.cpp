/*
** draw_test.cpp -- the drawing helpers and the macroBox section drawn in a
** real window, with the current camera set by the test (no camera section).
*/
#include <gtest/gtest.h>

#include "testutil.h"

#include <GL/gl.h>
#include <math.h>
#include <string>

#include "camera.h"
#include "dkernel.h"
#include "draw.h"
#include "gl_window.h"
#include "sectiontypes.h"
#include "tex.h"
#include "tga.h"

/* Counts from params are converted without leaving the int range. */
TEST(DrawHelpers, CountsStayInRange)
{
    struct { float value; int count; } counts[] = {
        { 2.9f, 2 }, { -3.0f, 0 }, { NAN, 0 }, { 3e9f, 7 }, { -3e9f, 0 }, { INFINITY, 7 },
    };
    for (auto& c : counts)
        EXPECT_EQ(draw_count(c.value, 7), c.count) << c.value;
}

/* A blue macroBox in layer 3, half way through its ten seconds, in a
** 64 x 64 window. */
class MacroBoxDrawing : public ::testing::Test {
protected:
    TempDir dir;
    Section section = test_section("macroBox", { 1, 0, 1 }, { dir.path + "blue.tga" }, 0, 3, 0, 10);
    Camera* camera = camera_init(0);

    void SetUp() override
    {
        openTestWindow(64, 64, 0);
        unsigned char pixels[8 * 8 * 3] = {};
        for (int i = 0; i < 64; i++) pixels[i * 3 + 2] = 200;
        tga_save(section.strings[0], pixels, 8, 8, 0);
        GTEST_FLAG_SET(death_test_style, "threadsafe");
        section.elapsed = 5.0f;
        section.blend_on = 1;
        section.blend_src = GL_SRC_ALPHA;
        section.blend_dst = GL_ONE;
        camera_fov_aspect(camera, 90.0f, 1.0f);
        camera_locate(camera, 30.0f, -20.0f, 50.0f);
        demoSystem.current_camera = camera;
    }
    void TearDown() override
    {
        demoSystem.current_camera = nullptr;
        camera_free(camera);
    }

    /* Loads and draws one frame; returns the centre pixel.  Like a camera
    ** section, the test loads the camera's matrices first unless asked to
    ** scramble them. */
    Rgb draw(float layers, float alphaStart, float alphaEnd, bool scrambled = false)
    {
        section.params[0] = layers, section.params[1] = alphaStart, section.params[2] = alphaEnd;
        mySection = &section;
        load_macroBox();
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        camera_glprojection(camera);
        camera_glmatrix(camera);
        if (scrambled) {
            glMatrixMode(GL_PROJECTION);
            glLoadIdentity();
            glScalef(0.5f, 0.5f, 0.5f);
            glMatrixMode(GL_MODELVIEW);
            glLoadIdentity();
        }
        tex_reset_bind();
        render_macroBox();
        return readPixel(32, 32);
    }
};

/* Alpha half way from 0 to 1; each layer surrounds the eye once, far from
** the world origin, so the whole view is covered (the clamped border only
** darkens where faces meet).  The default GL state is restored. */
TEST_F(MacroBoxDrawing, LayersAddTheBoxAtTheFadedAlpha)
{
    Rgb one = draw(1, 0.0f, 1.0f);
    EXPECT_TRUE(one.r == 0 && abs(one.b - 100) <= 4) << one.b;
    EXPECT_NEAR(draw(2, 0.0f, 1.0f).b, 200, 6);
    GLboolean depthMask = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthMask);
    EXPECT_TRUE(!glIsEnabled(GL_BLEND) && glIsEnabled(GL_DEPTH_TEST) && depthMask);

    /* no layer draws nothing but still reloads the camera */
    EXPECT_EQ(draw(0.9f, 1.0f, 1.0f, true).b, 0);
    float got[16];
    glGetFloatv(GL_PROJECTION_MATRIX, got);
    EXPECT_NEAR(got[0], 1.0f, 1e-5f) << "the camera's 90-degree projection, not the scrambled one";
    glGetFloatv(GL_MODELVIEW_MATRIX, got);
    EXPECT_TRUE(fabsf(got[12] + 30) < 1e-4f && fabsf(got[13] - 20) < 1e-4f && fabsf(got[14] + 50) < 1e-4f);
}

TEST_F(MacroBoxDrawing, StopsWithoutACamera)
{
    demoSystem.current_camera = nullptr;
    EXPECT_EXIT(FATAL(draw(1, 0, 1)), ::testing::ExitedWithCode(1),
                stderrIs("Error: macroBox (3, 0.000000 -> 10.000000): no camera\n"));
}

TEST(AxisDrawing, OnlyWithDebugAndTiming)
{
    openTestWindow(64, 64, 0);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    demoSystem.debug = 1;
    for (int timing = 0; timing < 2; timing++) {
        glClear(GL_COLOR_BUFFER_BIT);
        demoSystem.timing = timing;
        AxisDrawing();
        /* on the red x axis and the green y axis */
        EXPECT_EQ(readPixel(48, 32).r > 200 && readPixel(32, 48).g > 200, timing == 1);
        EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    }
    demoSystem.debug = demoSystem.timing = 0;
}
