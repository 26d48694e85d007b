// OpenGL driver: the viewport rule, start-up state, letterbox edges, the
// frame copy and textured screen quad, frame grabs, and refusal of
// impossible window and render-target sizes.
#include "gldrv.h"

#include "camera.h"
#include "gl_window.h"
#include "tex.h"

#include <gtest/gtest.h>

#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

namespace {

GlDriver settings(int w, int h, int panoramic, int rw, int rh)
{
    GlDriver d = {};
    d.width = w;
    d.height = h;
    d.panoramic = panoramic;
    d.rtt_width = rw;
    d.rtt_height = rh;
    return d;
}

TEST(GlViewport, LetterboxFullAndLowQuality)
{
    GlDriver d = settings(640, 480, 1, 1024, 512);
    gldrv_computeViewport(&d);
    EXPECT_EQ(d.lowquality, 0);
    EXPECT_EQ(d.vp_width, 640);
    EXPECT_EQ(d.vp_height, 360);
    EXPECT_EQ(d.vp_y, 60);
    EXPECT_FLOAT_EQ(d.rtt_extent_s, 0.625f);
    EXPECT_FLOAT_EQ(d.rtt_extent_t, 0.703125f);
    EXPECT_FLOAT_EQ(d.aspect, 1.7777778f);

    d = settings(640, 480, 0, 1024, 512);
    gldrv_computeViewport(&d);
    EXPECT_EQ(d.vp_height, 480);
    EXPECT_EQ(d.vp_y, 0);
    EXPECT_FLOAT_EQ(d.rtt_extent_t, 0.9375f);
    EXPECT_FLOAT_EQ(d.aspect, 1.3333334f);

    // ceil(800 / 1.7777778) = 450, offset truncated: (601 - 450) / 2 = 75
    d = settings(800, 601, 1, 1024, 1024);
    gldrv_computeViewport(&d);
    EXPECT_EQ(d.vp_height, 450);
    EXPECT_EQ(d.vp_y, 75);

    d = settings(1280, 1024, 1, 1024, 512);
    gldrv_computeViewport(&d);
    EXPECT_EQ(d.lowquality, 1);
    EXPECT_EQ(d.vp_width, 1024);
    EXPECT_EQ(d.vp_height, 512);
    EXPECT_EQ(d.vp_y, 0);
    EXPECT_EQ(d.lq_height, 720);
    EXPECT_EQ(d.rtt_extent_s, 1.0f);

    // a requested low-quality mode stays on even when the window would fit
    d = settings(640, 480, 1, 1024, 512);
    d.lowquality = 1;
    gldrv_computeViewport(&d);
    EXPECT_EQ(d.vp_width, 1024);
    EXPECT_EQ(d.lq_height, 360);
}

TEST(GlDefaults, CreateStoresTheSettings)
{
    GlDriver saved = glDriver;
    glDriver = GlDriver();
    gldrv_create();
    EXPECT_EQ(glDriver.panoramic, 1);
    EXPECT_EQ(glDriver.width, 640);
    EXPECT_EQ(glDriver.height, 480);
    EXPECT_EQ(glDriver.bpp, 32);
    EXPECT_EQ(glDriver.zbuffer, 32);
    EXPECT_EQ(glDriver.rtt_width, 1024);
    EXPECT_EQ(glDriver.rtt_height, 512);
    EXPECT_EQ(glDriver.multisampling, 0);
    EXPECT_FLOAT_EQ(glDriver.aspect, 16.0f / 9.0f);
    glDriver = saved;
}

TEST(GlInfo, SpacedStringPrintsOneTokenPerLine)
{
    char text[] = "GL_A, GL_B\tGL_C\n\n  GL_D ";
    testing::internal::CaptureStdout();
    writeSpacedString(text);
    writeSpacedString(nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "   GL_A\n   GL_B\n   GL_C\n   GL_D\n");
    EXPECT_STREQ(text, "GL_A, GL_B\tGL_C\n\n  GL_D ");
}

// One window for the process: 640 x 480, letterboxed, with settings that
// the driver must correct.
class GlDriverWindow : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        gldrv_create();
        glDriver.multisampling = 3;
        glDriver.bpp = 16;
        demoSystem.demo_name = (char*)"lumeno test";
        demoSystem.gamma = 1.0f;
        gldrv_init();
    }
    void SetUp() override
    {
        gldrv_initRender(1);
        tex_reset_bind();
    }

    // paints the drawing viewport's unit square in one colour
    static void fillViewport(float r, float g, float b)
    {
        glDisable(GL_TEXTURE_2D);
        glDisable(GL_DEPTH_TEST);
        camera_set2d();
        glColor3f(r, g, b);
        glBegin(GL_QUADS);
        glVertex2f(0, 0); glVertex2f(1, 0); glVertex2f(1, 1); glVertex2f(0, 1);
        glEnd();
        camera_restore();
        glEnable(GL_DEPTH_TEST);
        glEnable(GL_TEXTURE_2D);
    }
};

TEST_F(GlDriverWindow, StartUpStateAndCorrectedSettings)
{
    EXPECT_EQ(glDriver.multisampling, 0);
    EXPECT_NE(glDriver.bpp, 16) << "a window takes the desktop depth";
    EXPECT_EQ(glDriver.vp_y, 60);
    EXPECT_TRUE(glDriver.ext_multitexture && glDriver.ext_generate_mipmap);
    EXPECT_GT(glDriver.max_texture_size, 0);
    EXPECT_EQ(gldrv_checkEXT("GL_ARB_multi"), 1) << "substring test";
    EXPECT_EQ(gldrv_checkEXT("GL_LUMENO_nothing"), 0);

    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_ALPHA_TEST));
    EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
    EXPECT_FALSE(glIsEnabled(GL_MULTISAMPLE));
    GLint v = 0;
    glGetIntegerv(GL_DEPTH_FUNC, &v);
    EXPECT_EQ(v, GL_LEQUAL);
    glGetIntegerv(GL_SHADE_MODEL, &v);
    EXPECT_EQ(v, GL_FLAT);
    GLint vp[4];
    glGetIntegerv(GL_VIEWPORT, vp);
    EXPECT_EQ(vp[1], 60);
    EXPECT_EQ(vp[2], 640);
    EXPECT_EQ(vp[3], 360);
}

TEST_F(GlDriverWindow, UnitQuadFillsTheViewportAndEdgesAreDrawnBlack)
{
    glClearColor(1, 0, 0, 0);   // the whole window red, the picture green
    gldrv_initRender(1);
    glClearColor(0, 0, 0, 0);
    fillViewport(0, 1, 0);
    gldrv_initRender(0);
    EXPECT_EQ(readPixel(5, 59).r, 255);
    EXPECT_EQ(readPixel(5, 60).g, 255);
    EXPECT_EQ(readPixel(639, 419).g, 255);
    EXPECT_EQ(readPixel(5, 420).r, 255);

    gldrv_endRender();
    for (int x : {0, 100, 639}) {
        Rgb below = readPixel(x, 59), top = readPixel(x, 419);
        EXPECT_EQ(below.r + below.g + below.b, 0) << "row under the picture, x " << x;
        EXPECT_EQ(top.r + top.g + top.b, 0) << "picture's top row, x " << x;
    }
    EXPECT_EQ(readPixel(100, 58).r, 255);
    EXPECT_EQ(readPixel(100, 60).g, 255);
    EXPECT_EQ(readPixel(100, 418).g, 255);
    EXPECT_EQ(readPixel(100, 420).r, 255);
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
}

TEST_F(GlDriverWindow, CopiedFrameComesBackThroughTheTexturedQuad)
{
    // left half blue, right half yellow
    glDisable(GL_TEXTURE_2D);
    camera_set2d();
    glBegin(GL_QUADS);
    glColor3f(0, 0, 1);
    glVertex2f(0, 0); glVertex2f(0.5f, 0); glVertex2f(0.5f, 1); glVertex2f(0, 1);
    glColor3f(1, 1, 0);
    glVertex2f(0.5f, 0); glVertex2f(1, 0); glVertex2f(1, 1); glVertex2f(0.5f, 1);
    glEnd();
    glEnable(GL_TEXTURE_2D);
    tex_bind(demoSystem.rtt_texture);
    gldrv_copyColorBuffer();

    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    gldrv_texscreenquad();
    camera_restore();
    EXPECT_EQ(readPixel(10, 70).b, 255);
    EXPECT_EQ(readPixel(10, 70).r, 0);
    EXPECT_EQ(readPixel(630, 410).r, 255);
    EXPECT_EQ(readPixel(630, 410).b, 0);
    EXPECT_EQ(readPixel(300, 200).b, 255);
    EXPECT_EQ(readPixel(340, 200).g, 255);
}

TEST_F(GlDriverWindow, MultitextureHelpersLeaveUnitZeroTextured)
{
    gldrv_enable_multitexture();
    GLint unit = 0;
    glGetIntegerv(GL_ACTIVE_TEXTURE, &unit);
    EXPECT_EQ(unit, GL_TEXTURE1);
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    gldrv_disable_multitexture();
    glGetIntegerv(GL_ACTIVE_TEXTURE, &unit);
    EXPECT_EQ(unit, GL_TEXTURE0);
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    glActiveTexture(GL_TEXTURE1);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    glActiveTexture(GL_TEXTURE0);
    EXPECT_EQ(tex_current, -1);
}

// Frame grabs run inside a scratch folder.
class GlGrab : public GlDriverWindow {
protected:
    void SetUp() override
    {
        GlDriverWindow::SetUp();
        char buf[4096];
        ASSERT_TRUE(getcwd(buf, sizeof buf));
        home = buf;
        dir = std::string(testing::TempDir()) + "lumeno_grab_" + std::to_string(getpid()) + "_" +
              testing::UnitTest::GetInstance()->current_test_info()->name();
        ASSERT_EQ(mkdir(dir.c_str(), 0755), 0);
        ASSERT_EQ(chdir(dir.c_str()), 0);
    }
    void TearDown() override
    {
        ASSERT_EQ(chdir(home.c_str()), 0);
        std::string cmd = "rm -rf '" + dir + "'";
        ASSERT_EQ(system(cmd.c_str()), 0);
    }
    static bool exists(const char* path)
    {
        struct stat st;
        return stat(path, &st) == 0;
    }
    std::string home, dir;
};

TEST_F(GlGrab, ScreenshotsTakeTheFirstFreeNumber)
{
    fclose(fopen("screen00.tga", "wb"));
    fclose(fopen("screen01.tga", "wb"));
    gldrv_screenshot();
    EXPECT_TRUE(exists("screen02.tga"));
    remove("screen00.tga");
    gldrv_screenshot();
    struct stat st;
    ASSERT_EQ(stat("screen00.tga", &st), 0);
    EXPECT_EQ(st.st_size, 18 + 640 * 480 * 3);
}

TEST_F(GlGrab, RecordFramesAreNumberedAndHoldTheWindow)
{
    ASSERT_EQ(mkdir("video", 0755), 0);
    fillViewport(1, 0, 1);
    demoSystem.frames = 42;
    demoSystem.compress_tga = 0;
    gldrv_capture();
    FILE* f = fopen("video/00000042.tga", "rb");
    ASSERT_NE(f, nullptr);
    std::vector<unsigned char> data(18 + 640 * 480 * 3);
    ASSERT_EQ(fread(data.data(), 1, data.size(), f), data.size());
    EXPECT_EQ(fgetc(f), EOF);
    fclose(f);
    EXPECT_EQ(data[2], 2);
    EXPECT_EQ(data[12] | data[13] << 8, 640);
    EXPECT_EQ(data[14] | data[15] << 8, 480);
    // bottom row (letterbox) black, row 100 magenta in blue, green, red order
    const unsigned char* bar = &data[18];
    EXPECT_EQ(bar[0] + bar[1] + bar[2], 0);
    const unsigned char* pic = &data[18 + (100 * 640 + 10) * 3];
    EXPECT_EQ(pic[0], 255);
    EXPECT_EQ(pic[1], 0);
    EXPECT_EQ(pic[2], 255);
}

TEST_F(GlGrab, MissingVideoFolderWarnsOnce)
{
    testing::internal::CaptureStderr();
    for (int i = 0; i < 3; i++) {
        demoSystem.frames = i;
        gldrv_capture();
    }
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("video/00000000.tga"), std::string::npos) << err;
    EXPECT_EQ(err.find("Warning"), err.rfind("Warning")) << err;
    EXPECT_FALSE(exists("video"));
}

// ---- impossible sizes stop the player with a message ----

class GlDeath : public testing::Test {
protected:
    void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
    static void initWith(int w, int h, int rw, int rh)
    {
        gldrv_create();
        glDriver.width = w;
        glDriver.height = h;
        glDriver.rtt_width = rw;
        glDriver.rtt_height = rh;
        demoSystem.gamma = 1.0f;
        gldrv_init();
    }
};

TEST_F(GlDeath, WindowSizeZeroOrHuge)
{
    EXPECT_EXIT(initWith(0, 480, 1024, 512), testing::ExitedWithCode(1),
                "Error: Set video mode failed: invalid window size 0 x 480");
    EXPECT_EXIT(initWith(100000, 480, 1024, 512), testing::ExitedWithCode(1),
                "Error: Set video mode failed: invalid window size 100000 x 480");
}

TEST_F(GlDeath, RenderTargetSizeZero)
{
    EXPECT_EXIT(initWith(640, 480, 0, 512), testing::ExitedWithCode(1),
                "Error: Invalid render-to-texture size 0 x 512");
}

}  // namespace
