/*
** draw_test.cpp -- the drawing helpers and the macroBox section drawn in a
** real window, with the current camera set by the test (no camera section).
*/
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <math.h>
#include <string>
#include <unistd.h>

#include "camera.h"
#include "dkernel.h"
#include "draw.h"
#include "gl_window.h"
#include "sectiontypes.h"
#include "tex.h"
#include "tga.h"

TEST(Rect3D, CentredOnTheOriginAtThePictureSize)
{
    Rect3D r;
    rect3d_init(&r, 7, 256.0f, 128.0f);
    const float corners[4][3] = { { -128, 64, 0 }, { 128, 64, 0 }, { 128, -64, 0 }, { -128, -64, 0 } };
    const float tc[4][2] = { { 0, 0 }, { 1, 0 }, { 1, 1 }, { 0, 1 } };
    for (int k = 0; k < 4; k++) {
        for (int c = 0; c < 3; c++)
            EXPECT_EQ(r.corners[k][c], corners[k][c]);
        EXPECT_EQ(r.texcoords[k][0], tc[k][0]);
        EXPECT_EQ(r.texcoords[k][1], tc[k][1]);
    }
    EXPECT_EQ(r.rect[0], -128.0f);
    EXPECT_EQ(r.rect[1], 64.0f);
    EXPECT_EQ(r.texture, 7);
}

TEST(Skybox, FaceFilesAndGeometry)
{
    const char* expected[6] = { "boxrt.tga", "boxlf.tga", "boxbk.tga", "boxft.tga", "boxup.tga", "boxdn.tga" };
    char name[64];
    for (int f = 0; f < 6; f++) {
        skybox_faceName(name, sizeof(name), "box", SKYBOX_FORMAT_TGA, f);
        EXPECT_STREQ(name, expected[f]);
    }
    skybox_faceName(name, sizeof(name), "sky/space", SKYBOX_FORMAT_JPG, 0);
    EXPECT_STREQ(name, "sky/spacert.jpg");
    skybox_faceName(name, sizeof(name), "sky", 9, 4);
    EXPECT_STREQ(name, "skyup");

    /* Every face lies on its own plane of the cube: one coordinate fixed. */
    Skybox sky = {};
    skybox_geometry(&sky);
    const int axis[6] = { 1, 1, 0, 0, 2, 2 };
    const float value[6] = { -10, 10, -10, 10, 10, -10 };
    for (int f = 0; f < 6; f++) {
        EXPECT_EQ(sky.faces[f].texture, f);
        for (int k = 0; k < 4; k++)
            EXPECT_EQ(sky.vertices[sky.faces[f].indices[k]][axis[f]], value[f]) << "face " << f;
    }
}

class MacroBoxDrawing : public ::testing::Test {
protected:
    static std::string picture;
    Section section = {};
    Camera* camera = nullptr;

    static void SetUpTestSuite()
    {
        openTestWindow(64, 64, 0);
        picture = "/tmp/lumeno_draw_test_" + std::to_string(getpid()) + ".tga";
        unsigned char pixels[8 * 8 * 3];
        for (int i = 0; i < 64; i++) {
            pixels[i * 3] = 0; pixels[i * 3 + 1] = 0; pixels[i * 3 + 2] = 200;
        }
        tga_save(picture.c_str(), pixels, 8, 8, 0);
    }
    static void TearDownTestSuite() { unlink(picture.c_str()); }

    void SetUp() override
    {
        section.type = 25;
        section.start = 0.0f;
        section.end = 10.0f;
        section.duration = 10.0f;
        section.elapsed = 5.0f;
        section.param_count = 3;
        section.string_count = 1;
        section.strings[0] = (char*)picture.c_str();
        section.blend_on = 1;
        section.blend_src = GL_SRC_ALPHA;
        section.blend_dst = GL_ONE;
        camera = camera_init(0);
        camera_fov_aspect(camera, 90.0f, 1.0f);
        camera_locate(camera, 30.0f, -20.0f, 50.0f);
        demoSystem.current_camera = camera;
        mySection = &section;
    }
    void TearDown() override
    {
        demoSystem.current_camera = nullptr;
        camera_free(camera);
    }

    /* Loads the section with the given layer count and alpha fade. */
    void load(float layers, float alphaStart, float alphaEnd)
    {
        section.params[0] = layers;
        section.params[1] = alphaStart;
        section.params[2] = alphaEnd;
        mySection = &section;
        load_macroBox();
    }
    /* Draws one frame and returns the centre pixel.  Like a camera section,
    ** the test loads the camera's matrices first unless asked to scramble
    ** them. */
    Rgb render(bool scrambled = false)
    {
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
        mySection = &section;
        render_macroBox();
        return readPixel(32, 32);
    }
    Rgb draw(float layers, float alphaStart, float alphaEnd, bool scrambled = false)
    {
        load(layers, alphaStart, alphaEnd);
        return render(scrambled);
    }

    void expectCameraMatrices()
    {
        float got[16], want[16];
        glGetFloatv(GL_PROJECTION_MATRIX, got);
        glPushAttrib(GL_TRANSFORM_BIT);
        glMatrixMode(GL_PROJECTION);
        glPushMatrix();
        camera_glprojection(camera);
        glGetFloatv(GL_PROJECTION_MATRIX, want);
        glPopMatrix();
        glPopAttrib();
        for (int i = 0; i < 16; i++)
            EXPECT_NEAR(got[i], want[i], 1e-5) << "projection " << i;
        glGetFloatv(GL_MODELVIEW_MATRIX, got);
        EXPECT_NEAR(got[12], -30.0f, 1e-4);   /* the camera's view, eye at (30, -20, 50) */
        EXPECT_NEAR(got[13], 20.0f, 1e-4);
        EXPECT_NEAR(got[14], -50.0f, 1e-4);
    }
};
std::string MacroBoxDrawing::picture;

TEST_F(MacroBoxDrawing, LayersAddTheBoxAtTheFadedAlpha)
{
    /* alpha half way from 0 to 1; each layer surrounds the eye once, far
    ** from the world origin, so the whole view is covered (the clamped
    ** border only darkens where faces meet) */
    Rgb one = draw(1, 0.0f, 1.0f);
    EXPECT_NEAR(one.b, 100, 4);
    EXPECT_EQ(one.r, 0);
    for (int q : { 14, 50 }) {
        EXPECT_NEAR(readPixel(q, q).b, 100, 4);
        EXPECT_NEAR(readPixel(q, 64 - q).b, 100, 4);
    }
    Rgb two = draw(2, 0.0f, 1.0f);
    EXPECT_NEAR(two.b, 200, 6);
    Rgb faded = draw(2, 0.2f, 0.2f);
    EXPECT_NEAR(faded.b, 80, 4);
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    GLboolean depthMask = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthMask);
    EXPECT_TRUE(depthMask);
    expectCameraMatrices();
}

TEST_F(MacroBoxDrawing, NoLayerDrawsNothingButReloadsTheCamera)
{
    Rgb none = draw(0.9f, 1.0f, 1.0f, true);   /* truncated to 0 layers */
    EXPECT_EQ(none.b, 0);
    expectCameraMatrices();
    section.params[0] = 1e30f;   /* capped, never converted outside the int range */
    load_macroBox();
}

/* The loading screen lets its pictures go after the loading phase; a
** skybox loaded under the same name keeps drawing it. */
TEST_F(MacroBoxDrawing, PictureSharedWithTheLoadingScreenOutlivesIt)
{
    Section loading = {};
    loading.param_count = 17;
    loading.string_count = 2;
    loading.strings[0] = loading.strings[1] = (char*)picture.c_str();
    mySection = &loading;
    load_loading();
    load(1, 0.0f, 1.0f);
    demoSystem.debug = 1;   /* no pause after loading */
    mySection = &loading;
    end_loading();
    demoSystem.debug = 0;
    EXPECT_NEAR(render().b, 100, 4);
}

/* Counts from params are converted without leaving the int range. */
TEST(DrawCount, TruncatedClampedAndCapped)
{
    struct { float value; int count; } cases[] = {
        { 2.9f, 2 }, { 0.9f, 0 }, { -3.0f, 0 }, { NAN, 0 }, { 7.5f, 7 }, { 3e9f, 7 }, { -3e9f, 0 }, { INFINITY, 7 },
    };
    for (auto& c : cases)
        EXPECT_EQ(draw_count(c.value, 7), c.count) << c.value;
}

TEST(AxisDrawing, OnlyWithDebugAndTiming)
{
    openTestWindow(64, 64, 0);
    int debug = demoSystem.debug, timing = demoSystem.timing;
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    for (int withTiming = 0; withTiming < 2; withTiming++) {
        glClear(GL_COLOR_BUFFER_BIT);
        demoSystem.debug = 1;
        demoSystem.timing = withTiming;
        AxisDrawing();
        Rgb x = readPixel(48, 32);   /* on the red x axis */
        Rgb y = readPixel(32, 48);   /* on the green y axis */
        if (withTiming) {
            EXPECT_GT(x.r, 200);
            EXPECT_GT(y.g, 200);
            EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
        } else {
            EXPECT_EQ(x.r, 0);
            EXPECT_EQ(y.g, 0);
        }
    }
    demoSystem.debug = debug;
    demoSystem.timing = timing;
}
