/*
** render_modes_test.cpp -- the model primitives in a real window: the
** display-list step and its release, unusual input to the mode recipes, the
** normalization cube map's texels and bump mode's light.
*/
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <math.h>

#include "dkernel.h"
#include "gl_window.h"
#include "model.h"

namespace {

/* One triangle covering the whole window under identity matrices (or a
** mesh without faces), with a unit tangent frame at every vertex. */
struct TestModel {
    Model  model = {};
    Mesh   mesh = {};
    Vertex v[3] = {};
    Face   face = {};

    explicit TestModel(bool withFace = true)
    {
        const float p[3][2] = { { -1, -1 }, { 3, -1 }, { -1, 3 } };
        for (int i = 0; i < 3; i++) {
            v[i].position = Vector{ p[i][0], p[i][1], 0 };
            v[i].tangent = Vector{ 1, 0, 0 };
            v[i].binormal = Vector{ 0, 1, 0 };
            v[i].normal = face.normal = Vector{ 0, 0, 1 };
            face.index[i] = (unsigned short)i;
        }
        mesh = Mesh{ "tri", withFace ? 1 : 0, 3, 0, &face, v, nullptr, 0, nullptr, 0 };
        model.meshes = &mesh;
        model.mesh_count = 1;
    }
};

bool drawnWhite()
{
    Rgb c = readPixel(32, 32);
    return c.r == 255 && c.g == 255 && c.b == 255;
}

void clear()
{
    openTestWindow(64, 64, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glColor4f(1, 1, 1, 1);
    glDisable(GL_TEXTURE_2D);
}

/* The primitives share one list step; the cubes of
** ModelSections.EachDrawsWhatItsScriptSays draw the others through it. */
TEST(RenderModes, AListIsCompiledOnceKeepsWhatItFirstSentAndStaysWhileTheSectionCanRunAgain)
{
    for (int lists = 1; lists >= 0; lists--) {
        demoSystem.display_lists = lists;
        TestModel m;
        unsigned int slot = 0;
        clear();
        render_normal3ds(&m.model, &slot);
        EXPECT_TRUE(drawnWhite());
        unsigned int first = slot;
        EXPECT_EQ(first != 0, lists == 1);
        for (Vertex& v : m.v) v.position.x += 10.0f;   /* off screen now */
        clear();
        render_normal3ds(&m.model, &slot);
        EXPECT_EQ(slot, first);
        EXPECT_EQ(drawnWhite(), lists == 1) << "a list replays the model as first sent";
        for (int* setting : { &demoSystem.debug, &demoSystem.loop }) {   /* the section can run again */
            *setting = 1;
            model_releaseLists(&slot, 1);
            EXPECT_TRUE(slot == first && (lists == 0 || glIsList(first))) << "kept";
            *setting = 0;
        }
        model_releaseLists(&slot, 1);   /* neither debug nor loop: released */
        EXPECT_EQ(slot, 0u);
        EXPECT_FALSE(glIsList(first));
    }
    demoSystem.display_lists = 1;
}

TEST(RenderModes, EmptyModelsUnknownModesAndBadSizesAreHarmless)
{
    TestModel empty(false), full;
    for (int mode = RENDER_VERTEXES; mode <= RENDER_BUMP; mode++) {
        unsigned int slot = 0;
        clear();
        model_render(&empty.model, mode, 0.0f, -1, &slot);   /* width 0: refused by GL */
        EXPECT_FALSE(drawnWhite()) << "mode " << mode;
        EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR) << "mode " << mode;
        glDeleteLists(slot, 1);
    }
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D)) << "the recipes leave 2-D texturing on";
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    for (int mode : { -1, 0, 12, 1 << 30 }) {
        clear();
        model_render(&full.model, mode, 1.0f, -1, nullptr);
        EXPECT_FALSE(drawnWhite()) << "mode " << mode;
    }
}

TEST(RenderModes, CubeMapTexelsPointThroughTheirFace)
{
    /* row 2, column 27 (s = 11.5, t = -13.5) of +x, -x, +y, -y, +z, -z */
    const unsigned char expected[6][3] = {
        { 212, 199, 66 }, { 42, 199, 188 }, { 188, 212, 55 },
        { 188, 42, 199 }, { 188, 199, 212 }, { 66, 199, 42 },
    };
    for (int f = 0; f < 6; f++) {
        unsigned char rgb[3];
        model_cubeTexel(f, 2, 27, rgb);
        for (int k = 0; k < 3; k++) EXPECT_EQ(rgb[k], expected[f][k]) << "face " << f << " channel " << k;
    }
}

TEST(RenderModes, BumpLightComesFromTheEyeTurnedIntoTheModel)
{
    TestModel m;
    m.v[0].position = Vector{ 0, 0, 0 };
    const float identity[16] = { 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1 };
    /* a quarter turn about y (model x goes to eye -z), and a translation */
    const float turned[16] = { 0, 0, -1, 0, 0, 1, 0, 0, 1, 0, 0, 0, 5, 6, 7, 1 };
    const float k = 2.0f / sqrtf(5.0f);
    struct Case { const float* modelview; float time; Vector light; };
    const Case cases[] = {
        { identity, 0.0f, { 0, 0, 1 } },                   /* from (0, 0, 500) */
        { identity, (float)M_PI / 2, { k, 0, k / 2 } },    /* from (1000, 0, 500) */
        { turned, 0.0f, { -1, 0, 0 } },
    };
    for (const Case& c : cases) {
        model_bumpLight(&m.model, c.modelview, c.time);
        EXPECT_NEAR(m.v[0].light_vector.x, c.light.x, 1e-5);
        EXPECT_NEAR(m.v[0].light_vector.y, c.light.y, 1e-5);
        EXPECT_NEAR(m.v[0].light_vector.z, c.light.z, 1e-5);
    }
}

}  // namespace
