/*
** render_modes_test.cpp -- the model primitives and mode recipes in a real
** window: the display-list step, list release, the normalization cube map
** and bump mode's light, and what the recipes do with unusual input.
*/
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <math.h>
#include <stdlib.h>
#include <string.h>

#include "dkernel.h"
#include "gl_window.h"
#include "model.h"

namespace {

/* One mesh of one triangle covering the whole window under identity
** matrices, or a mesh without faces. */
struct TestModel {
    Model  model = {};
    Mesh   mesh = {};
    Vertex vertices[3] = {};
    Face   face = {};

    explicit TestModel(bool withFace = true)
    {
        const float p[3][3] = { { -1, -1, 0 }, { 3, -1, 0 }, { -1, 3, 0 } };
        for (int i = 0; i < 3; i++) {
            vertices[i].position = Vector{ p[i][0], p[i][1], p[i][2] };
            vertices[i].normal = Vector{ 0, 0, 1 };
            face.index[i] = (unsigned short)i;
        }
        face.normal = Vector{ 0, 0, 1 };
        strcpy(mesh.name, "tri");
        mesh.vertices = vertices;
        mesh.vertex_count = 3;
        mesh.faces = withFace ? &face : nullptr;
        mesh.face_count = withFace ? 1 : 0;
        model.meshes = &mesh;
        model.mesh_count = 1;
    }
    void moveAway()
    {
        for (Vertex& v : vertices) v.position.x += 10.0f;
    }
};

class RenderModes : public ::testing::Test {
protected:
    static void SetUpTestSuite() { openTestWindow(64, 64, 0); }
    void SetUp() override
    {
        demoSystem.display_lists = 1;
        demoSystem.debug = 0;
        demoSystem.loop = 0;
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glViewport(0, 0, 64, 64);
    }
    static bool drawnWhite()
    {
        Rgb c = readPixel(32, 32);
        return c.r == 255 && c.g == 255 && c.b == 255;
    }
    static void clear()
    {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glColor4f(1, 1, 1, 1);
        glDisable(GL_TEXTURE_2D);
    }
};

struct Cached {
    const char* name;
    void (*draw)(Model*, unsigned int*);
};
const Cached cached[] = {
    { "fast", render_fast3ds },     { "flat", render_flat3ds },
    { "smooth", render_smooth3ds }, { "normal", render_normal3ds },
};

TEST_F(RenderModes, AListIsCompiledOnceAndKeepsWhatItFirstSent)
{
    for (const Cached& c : cached) {
        SCOPED_TRACE(c.name);
        TestModel m;
        unsigned int slot = 0;
        clear();
        c.draw(&m.model, &slot);
        ASSERT_NE(slot, 0u);
        EXPECT_TRUE(glIsList(slot));
        EXPECT_TRUE(drawnWhite());
        unsigned int first = slot;
        m.moveAway();
        clear();
        c.draw(&m.model, &slot);
        EXPECT_EQ(slot, first);
        EXPECT_TRUE(drawnWhite()) << "the list still holds the triangle where it was";
        glDeleteLists(slot, 1);
    }
}

TEST_F(RenderModes, WithoutListsEveryCallDrawsTheModelAsItIsNow)
{
    demoSystem.display_lists = 0;
    for (const Cached& c : cached) {
        SCOPED_TRACE(c.name);
        TestModel m;
        unsigned int slot = 0;
        clear();
        c.draw(&m.model, &slot);
        EXPECT_TRUE(drawnWhite());
        m.moveAway();
        clear();
        c.draw(&m.model, &slot);
        EXPECT_FALSE(drawnWhite());
        EXPECT_EQ(slot, 0u);
    }
}

TEST_F(RenderModes, ListsAreReleasedUnlessTheSectionCanRunAgain)
{
    TestModel m;
    for (int setting = 0; setting < 3; setting++) {
        demoSystem.debug = setting == 1;
        demoSystem.loop = setting == 2;
        unsigned int slots[2] = { 0, 0 };
        render_fast3ds(&m.model, &slots[0]);
        unsigned int list = slots[0];
        model_releaseLists(slots, 2);
        EXPECT_EQ(slots[0] != 0, setting != 0) << "setting " << setting;
        EXPECT_EQ(glIsList(list) == GL_TRUE, setting != 0);
        EXPECT_EQ(slots[1], 0u);
        glDeleteLists(list, 1);
    }
}

TEST_F(RenderModes, ModelsWithoutFacesAndUnknownModesDrawNothing)
{
    TestModel empty(false), full;
    for (int mode = RENDER_VERTEXES; mode <= RENDER_BUMP; mode++) {
        unsigned int slot = 0;
        clear();
        model_render(&empty.model, mode, 1.0f, -1, &slot);
        EXPECT_FALSE(drawnWhite()) << "mode " << mode;
        EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR) << "mode " << mode;
        if (slot) glDeleteLists(slot, 1);
    }
    for (int mode : { -1, 0, 12, 1 << 30 }) {
        unsigned int slot = 0;
        clear();
        model_render(&full.model, mode, 1.0f, -1, &slot);
        EXPECT_FALSE(drawnWhite()) << "mode " << mode;
        EXPECT_EQ(slot, 0u);
    }
    /* a line width GL would refuse draws at width 1 without a GL error */
    clear();
    unsigned int slot = 0;
    model_render(&full.model, RENDER_WIREFRAME, 0.0f, -1, &slot);
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
    glDeleteLists(slot, 1);
    /* the recipes leave 2-D texturing on and lighting off */
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
}

TEST(CubeMap, TexelsPointThroughTheirFace)
{
    /* row 2, column 27: s = 11.5, t = -13.5 on each face */
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

TEST_F(RenderModes, CubeMapIsMadeOnceWithPositiveXFirst)
{
    TestModel m;
    unsigned int slot = 0;
    model_render(&m.model, RENDER_BUMP, 1.0f, -1, &slot);
    ASSERT_NE(cube_map, -1);
    int made = cube_map;
    model_render(&m.model, RENDER_BUMP, 1.0f, -1, &slot);
    EXPECT_EQ(cube_map, made);

    std::vector<unsigned char> face(CUBE_MAP_SIZE * CUBE_MAP_SIZE * 3);
    glBindTexture(GL_TEXTURE_CUBE_MAP, (GLuint)cube_map);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_CUBE_MAP_POSITIVE_X, 0, GL_RGB, GL_UNSIGNED_BYTE, face.data());
    /* row 0, column 0: the direction (16, 15.5, 15.5) */
    EXPECT_EQ(face[0], 202);
    EXPECT_EQ(face[1], 200);
    EXPECT_EQ(face[2], 200);
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}

TEST(BumpLight, ComesFromTheEyeTurnedIntoTheModel)
{
    TestModel m;
    for (Vertex& v : m.vertices) {
        v.position = Vector{ 0, 0, 0 };
        v.tangent = Vector{ 1, 0, 0 };
        v.binormal = Vector{ 0, 1, 0 };
        v.normal = Vector{ 0, 0, 1 };
    }
    float identity[16] = { 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1 };
    /* a quarter turn about y: model x goes to eye -z */
    float turned[16] = { 0, 0, -1, 0, 0, 1, 0, 0, 1, 0, 0, 0, 5, 6, 7, 1 };
    struct Case { const float* modelview; float time; Vector light; };
    const float k = 2.0f / sqrtf(5.0f);
    const Case cases[] = {
        { identity, 0.0f, { 0, 0, 1 } },                          /* from (0, 0, 500) */
        { identity, (float)M_PI / 2, { k, 0, k / 2 } },           /* from (1000, 0, 500) */
        { turned, 0.0f, { -1, 0, 0 } },                           /* translation ignored */
    };
    for (const Case& c : cases) {
        model_bumpLight(&m.model, c.modelview, c.time);
        const Vector& l = m.vertices[0].light_vector;
        EXPECT_NEAR(l.x, c.light.x, 1e-5);
        EXPECT_NEAR(l.y, c.light.y, 1e-5);
        EXPECT_NEAR(l.z, c.light.z, 1e-5);
    }
}

}  // namespace
