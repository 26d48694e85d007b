// OpenGL driver: an unknown multisampling setting, the missing video folder and
// screenshot numbering, and refusal of impossible window and render-target
// sizes. Captured frames, the letterbox, low quality, the frame copy and the
// textured quad are read by the end-to-end runs.
#include "gldrv.h"

#include "gl_window.h"
#include "testutil.h"
#include "tex.h"

#include <gtest/gtest.h>

#include <stdio.h>

#include <string>

namespace {

class GlWindow : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        gldrv_create();
        glDriver.multisampling = 3;   // no such setting: off
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

TEST_F(GlWindow, UnknownMultisamplingStaysOff)
{
    EXPECT_FALSE(glIsEnabled(GL_MULTISAMPLE));
}

TEST_F(GlWindow, ExtensionsMatchWholeNames)
{
    EXPECT_EQ(gldrv_checkEXT("GL_ARB_multitexture"), 1);
    for (const char* name : { "GL_ARB_multi", "ARB_multitexture", "", "GL_LUMENO_none" })
        EXPECT_EQ(gldrv_checkEXT(name), 0) << name;
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

    writeFile("screen01.tga", "");
    gldrv_screenshot();   // the gap is filled first
    EXPECT_EQ(readFile("screen00.tga").size(), 18u + 640 * 480 * 3);
}

void initWith(int w, int h, int rw)
{
    gldrv_create();
    glDriver.width = w, glDriver.height = h, glDriver.rtt_width = rw;
    gldrv_init();
}

TEST(GlDeath, ImpossibleSizes)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(FATAL(initWith(0, 480, 1024)), testing::ExitedWithCode(1),
                "^Error: Set video mode failed: invalid window size 0 x 480");
    EXPECT_EXIT(FATAL(initWith(640, 480, 0)), testing::ExitedWithCode(1),
                "^Error: Invalid render-to-texture size 0 x 512");
}

}  // namespace
