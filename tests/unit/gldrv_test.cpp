// OpenGL driver: the viewport rule, corrected start-up settings, the missing
// video folder and screenshot numbering, and refusal of impossible window
// and render-target sizes. Captured frames, the letterbox, the frame copy
// and the textured quad are read by every end-to-end run.
#include "gldrv.h"

#include "gl_window.h"
#include "testutil.h"
#include "tex.h"

#include <gtest/gtest.h>

#include <stdio.h>

#include <string>

namespace {

TEST(GlViewport, LetterboxFullAndLowQuality)
{
    struct { int w, h, pan, rw, rh, lq; int vw, vh, vy, lqh; float s, t; } cases[] = {
        {640, 480, 0, 1024, 512, 0, 640, 480, 0, 0, 0.625f, 0.9375f},
        {800, 601, 1, 1024, 1024, 0, 800, 450, 75, 0, 800 / 1024.0f, 450 / 1024.0f},
        {640, 480, 1, 1024, 512, 1, 1024, 512, 0, 360, 1, 1},     // asked for
    };
    for (auto& c : cases) {
        GlDriver d = {};
        d.width = c.w, d.height = c.h, d.panoramic = c.pan, d.rtt_width = c.rw, d.rtt_height = c.rh;
        d.lowquality = c.lq;
        gldrv_computeViewport(&d);
        SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h));
        EXPECT_EQ(d.lowquality, c.lq || c.rw < c.w || c.rh < c.h);
        EXPECT_TRUE(d.vp_width == c.vw && d.vp_height == c.vh && d.vp_y == c.vy && (!d.lowquality || d.lq_height == c.lqh));
        EXPECT_TRUE(d.rtt_extent_s == c.s && d.rtt_extent_t == c.t && d.aspect == (c.pan ? 16.0f / 9.0f : 4.0f / 3.0f));
    }
}

class GlWindow : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        gldrv_create();
        glDriver.multisampling = 3;   // stored back as 0
        glDriver.bpp = 16;            // a window takes the desktop depth
        demoSystem.demo_name = (char*)"lumeno test";
        demoSystem.gamma = 1.0f;
        gldrv_init();
    }
    void SetUp() override
    {
        gldrv_initRender(1);
        tex_reset_bind();
    }
};

TEST_F(GlWindow, StartUpCorrectsSettings)
{
    EXPECT_EQ(glDriver.multisampling, 0);
    EXPECT_NE(glDriver.bpp, 16);
    EXPECT_EQ(gldrv_checkEXT("GL_ARB_multi"), 1) << "substring test";
    EXPECT_EQ(gldrv_checkEXT("GL_LUMENO_none"), 0);
    EXPECT_FALSE(glIsEnabled(GL_MULTISAMPLE));
}

TEST_F(GlWindow, FrameGrabs)
{
    TempDir dir(true);
    // no video folder: one warning, whatever the number of frames
    testing::internal::CaptureStderr();
    for (demoSystem.frames = 0; demoSystem.frames < 3; demoSystem.frames++) gldrv_capture();
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("video/00000000.tga"), std::string::npos) << err;
    EXPECT_EQ(err.find("Warning"), err.rfind("Warning")) << err;

    writeFile("screen00.tga", "");
    writeFile("screen01.tga", "");
    gldrv_screenshot();
    EXPECT_TRUE(readFile("screen02.tga").size() > 18);
    remove("screen00.tga");
    gldrv_screenshot();   // the gap is filled first
    EXPECT_EQ(readFile("screen00.tga").size(), 18u + 640 * 480 * 3);
}

class GlDeath : public testing::Test {
protected:
    void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
    static void initWith(int w, int h, int rw)
    {
        gldrv_create();
        glDriver.width = w, glDriver.height = h, glDriver.rtt_width = rw;
        gldrv_init();
    }
};

TEST_F(GlDeath, ImpossibleSizes)
{
    EXPECT_EXIT(FATAL(initWith(0, 480, 1024)), testing::ExitedWithCode(1),
                "^Error: Set video mode failed: invalid window size 0 x 480");
    EXPECT_EXIT(FATAL(initWith(640, 480, 0)), testing::ExitedWithCode(1),
                "^Error: Invalid render-to-texture size 0 x 512");
}

}  // namespace
