/*
** scene_test.cpp -- the scene section played by the real player: an
** animated corpus camera looks where lib3ds evaluates it, and a written
** scene shows its camera cuts, shader lists, dummies, transparent pass,
** camera roll, lights and texture maps, until its pick file runs out.
**
** Record mode at 32 frames per second keeps every second an exact binary
** fraction.  Frame n is drawn at n / 32 s; a section sees the elapsed time
** of the frame before, and the scene evaluates its animation at the frame
** it computed one render earlier still.
*/
#include "harness.h"
#include "scene_writer.h"
#include "testdata.h"

#include <lib3ds/vector.h>
#include <math.h>

#include <array>
#include <fstream>
#include <iterator>
#include <string>

namespace {

const int kWidth = 320, kHeight = 240;

std::string section(const std::string& head, float start, float end, const std::string& body)
{
    return "[" + head + "]\nstart " + std::to_string(start) + "\nend " + std::to_string(end) +
           "\n" + body;
}

/* Cameras A and B stand at the origin: A looks down -y with a roll of 90
** degrees, B looks up +y.  Distances are 100, where one unit is 2.9 pixels. */
bool writeCutScene(const std::string& path)
{
    Lib3dsFile* f = lib3ds_file_new();
    f->frames = 10;
    const float origin[3] = { 0, 0, 0 }, south[3] = { 0, -100, 0 }, north[3] = { 0, 100, 0 };
    sw::camera(f, "A", 1, origin, south, 45, 90);
    sw::camera(f, "B", 3, origin, north, 45, 0);
    sw::material(f, "Clear", 1, 1, 1, 0.3f);
    sw::material(f, "RedMat", 1, 0, 0);

    sw::wall(f, "Red", -100, -10, 10, -10, 10);
    sw::objectNode(f, "Red", 10);
    sw::wall(f, "Marker", -100, -40, -25, -5, 5);   /* right of A's centre before the roll */
    sw::objectNode(f, "Marker", 11);
    sw::wall(f, "Green", 100, -10, 10, -10, 10);
    sw::objectNode(f, "Green", 12);
    sw::wall(f, "GreenKid", 100, 25, 40, -5, 5);
    sw::objectNode(f, "GreenKid", 13, 12);
    sw::wall(f, "$$$DUMMY", 100, -10, 10, 20, 30);
    sw::objectNode(f, "$$$DUMMY", 14);
    sw::wall(f, "DummyKid", 100, -40, -25, -5, 5);
    sw::objectNode(f, "DummyKid", 15, 14);
    sw::wall(f, "Glass", 90, -5, 5, -5, 5, "Clear");
    sw::objectNode(f, "Glass", 16);
    sw::wall(f, "Lit", 100, -10, 10, -30, -20, "RedMat");
    sw::objectNode(f, "Lit", 17);
    sw::material(f, "Checked", 1, 1, 1, 0, "CHECK.TGA");   /* the file is check.tga */
    sw::wall(f, "Tex", 100, 25, 40, 20, 30, "Checked");
    sw::objectNode(f, "Tex", 18);
    sw::wall(f, "Plain", 100, -40, -25, 20, 30);
    sw::objectNode(f, "Plain", 19);

    /* one white lamp 50 in front of Lit, and eight dark lights: nine in all,
    ** one more than GL has */
    const float lamp[3] = { 0, 50, -25 };
    sw::light(f, "ALamp", 20, lamp, 1, 1, 1);
    for (int i = 1; i <= 8; i++) {
        const float far[3] = { 0, 0, 1000.0f * i };
        sw::light(f, ("Dark" + std::to_string(i)).c_str(), -1, far, 0, 0, 0);
    }
    return sw::save(f, path);
}

const char* kCutShaders =
    "; one pass per node\n"
    "{\nnode Red\nmode color\ncolor 1 0 0 1\n}\n"
    "{\nnode Marker\nmode color\ncolor 1 1 0 1\n}\n"
    "{\nnode green\nmode color\ncolor 0 1 0 1\n}\n"
    "{\nnode $$$DUMMY\nmode color\ncolor 0 0 1 1\n}\n"
    "{\nnode Glass\nmode color\ncolor 1 1 1 0.5\nblend ONE ZERO\n}\n"
    "{\nnode Lit\nmode flat\n}\n"
    "{\nnode Tex\nmode texture\ncolor 1 1 1 1\n}\n"
    "{\nnode Plain\nmode texture\ncolor 1 0.5 0 1\n}\n";

const char* kCuts =
    "; A for the first half second, then B\n"
    "{\ncamera A\nstart 0\nend 0.5\n}\n"
    "{\ncamera B\nstart 0.5\nend 1\n}\n";

/* Second 0-2: the corpus scene in red, its 300 frames spread over the two
** seconds; second 2-4: the written scene, whose cuts end at its second 1. */
std::string playScenes(E2eRun& run)
{
    std::string dir = e2e_makeDemo();
    e2e_writeTga(dir, "black.tga", e2e_solid(4, 4, 0, 0, 0));
    e2e_writeTga(dir, "check.tga", e2e_solid(8, 8, 255, 0, 255));
    std::ifstream corpus(testdata_path("3ds/TargetCameraAnim.3ds"), std::ios::binary);
    e2e_writeFile(dir, "corpus/target.3ds", std::string(std::istreambuf_iterator<char>(corpus), {}));
    EXPECT_TRUE(writeCutScene(dir + "/cuts.3ds"));
    e2e_writeFile(dir, "red.shd", "{\nmode color\ncolor 1 0 0 1\n}\n");
    e2e_writeFile(dir, "cuts.shd", kCutShaders);
    e2e_writeFile(dir, "cuts.cam", kCuts);
    e2e_writeFile(dir, "demo.lum",
                  "gl_width 320\ngl_height 240\ngl_panoramic 0\nsound 0\nrecord 1\n"
                  "record_fps 32\ndemo_end 4\n" + e2e_loadingSection("black.tga") +
                  section("scene", 0, 2, "layer 22\nparam 1\nstring corpus/target.3ds\nstring red.shd\n") +
                  section("scene", 2, 4, "layer 22\nparam 0\nstring cuts.3ds\nstring cuts.shd\nstring cuts.cam\n"));
    run = e2e_run(dir, 60.0);
    return dir;
}

/* ---- where the corpus camera looks ---- */

struct Box {
    float left = 1e9f, right = -1e9f, top = 1e9f, bottom = -1e9f;
    /* which edges lie inside the window, so clipping cannot move them */
    bool inLeft = false, inRight = false, inTop = false, inBottom = false;
};

typedef std::array<float, 3> V3;
V3 sub(V3 a, V3 b) { return { a[0] - b[0], a[1] - b[1], a[2] - b[2] }; }
float dot(V3 a, V3 b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
V3 cross(V3 a, V3 b)
{
    return { a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0] };
}
V3 unit(V3 a)
{
    float l = sqrtf(dot(a, a));
    return { a[0] / l, a[1] / l, a[2] / l };
}

/* The window box of the corpus scene's mesh at animation frame `frame`,
** from lib3ds's evaluation and a look-at of our own: eye at the camera,
** looking at the target, the scene's +z up, the camera's vertical field of
** view. */
Box expectedBox(const std::string& path, float frame)
{
    Box box;
    Lib3dsFile* f = lib3ds_file_load(path.c_str());
    if (!f) {
        ADD_FAILURE() << "lib3ds cannot read " << path;
        return box;
    }
    lib3ds_file_eval(f, frame);
    Lib3dsNode* cam = lib3ds_file_node_by_name(f, "Camera01", LIB3DS_CAMERA_NODE);
    Lib3dsNode* tgt = lib3ds_file_node_by_name(f, "Camera01", LIB3DS_TARGET_NODE);
    Lib3dsNode* obj = lib3ds_file_node_by_name(f, "Box01", LIB3DS_OBJECT_NODE);
    Lib3dsMesh* mesh = lib3ds_file_mesh_by_name(f, "Box01");
    EXPECT_TRUE(cam && tgt && obj && mesh);
    if (!(cam && tgt && obj && mesh)) return box;

    V3 eye = { cam->data.camera.pos[0], cam->data.camera.pos[1], cam->data.camera.pos[2] };
    V3 at = { tgt->data.target.pos[0], tgt->data.target.pos[1], tgt->data.target.pos[2] };
    V3 fwd = unit(sub(at, eye)), right = unit(cross(fwd, V3{ 0, 0, 1 })), up = cross(right, fwd);
    float focal = 1.0f / tanf(cam->data.camera.fov * 0.5f * (float)M_PI / 180.0f);

    Lib3dsMatrix m, inverse;
    lib3ds_matrix_copy(m, obj->matrix);
    const float* pivot = obj->data.object.pivot;
    lib3ds_matrix_translate_xyz(m, -pivot[0], -pivot[1], -pivot[2]);
    lib3ds_matrix_copy(inverse, mesh->matrix);
    lib3ds_matrix_inv(inverse);
    lib3ds_matrix_mult(m, inverse);
    for (Lib3dsDword i = 0; i < mesh->points; i++) {
        Lib3dsVector w;
        lib3ds_vector_transform(w, m, mesh->pointL[i].pos);
        V3 d = sub(V3{ w[0], w[1], w[2] }, eye);
        float depth = dot(d, fwd);
        float x = (0.5f + 0.5f * focal * dot(d, right) / depth * kHeight / kWidth) * kWidth;
        float y = (0.5f - 0.5f * focal * dot(d, up) / depth) * kHeight;
        bool inX = x > 2 && x < kWidth - 2, inY = y > 2 && y < kHeight - 2;
        if (x < box.left) { box.left = x; box.inLeft = inY; }
        if (x > box.right) { box.right = x; box.inRight = inY; }
        if (y < box.top) { box.top = y; box.inTop = inX; }
        if (y > box.bottom) { box.bottom = y; box.inBottom = inX; }
    }
    box.inLeft &= box.left > 2;
    box.inRight &= box.right < kWidth - 2;
    box.inTop &= box.top > 2;
    box.inBottom &= box.bottom < kHeight - 2;
    lib3ds_file_free(f);
    return box;
}

/* The red pixels' box, as edges between pixel centres. */
Box redBox(const E2eImage& img)
{
    Box box;
    for (int y = 0; y < img.height; y++)
        for (int x = 0; x < img.width; x++) {
            if (e2e_channel(img, x, y, 0) < 128 || e2e_channel(img, x, y, 1) > 64) continue;
            box.left = fminf(box.left, (float)x);
            box.right = fmaxf(box.right, x + 1.0f);
            box.top = fminf(box.top, (float)y);
            box.bottom = fmaxf(box.bottom, y + 1.0f);
        }
    return box;
}

void checkCorpusCameraLooksWhereLib3dsEvaluatesIt(const std::string& dir)
{
    for (int n : { 10, 14 }) {
        float frame = (float)(n - 2) / 32.0f * 150.0f;
        SCOPED_TRACE("video frame " + std::to_string(n) + ", animation frame " + std::to_string(frame));
        Box want = expectedBox(dir + "/corpus/target.3ds", frame);
        Box got = redBox(e2e_frame(dir, n));
        int edges = 0;
        if (want.inLeft) { EXPECT_NEAR(got.left, want.left, 1.5f); edges++; }
        if (want.inRight) { EXPECT_NEAR(got.right, want.right, 1.5f); edges++; }
        if (want.inTop) { EXPECT_NEAR(got.top, want.top, 1.5f); edges++; }
        if (want.inBottom) { EXPECT_NEAR(got.bottom, want.bottom, 1.5f); edges++; }
        EXPECT_GE(edges, 2);
    }
}

/* ---- the written scene ---- */

void checkPickFileCutsAtTheBoundary(const std::string& dir)
{
    /* the section starts at frame 64; frame 64 + k sees second (k - 1) / 32 */
    EXPECT_TRUE(e2e_rgbNear(e2e_frame(dir, 80), 150, 120, 255, 0, 0, 3));      /* 0.46875: A */
    EXPECT_TRUE(e2e_rgbNear(e2e_frame(dir, 81), 150, 120, 128, 255, 128, 3));  /* 0.5: B */
    EXPECT_TRUE(e2e_rgbNear(e2e_frame(dir, 96), 150, 120, 128, 255, 128, 3));  /* 0.96875: B */
    EXPECT_FALSE(e2e_exists(dir + "/video/00000097.tga"));                      /* 1.0: none */
}

void checkRollTurnsTheViewByDegrees(const std::string& dir)
{
    E2eImage a = e2e_frame(dir, 70);
    ASSERT_TRUE(a.ok());
    bool above = e2e_rgbNear(a, 160, 26, 255, 255, 0, 3);
    bool below = e2e_rgbNear(a, 160, 214, 255, 255, 0, 3);
    EXPECT_NE(above, below) << "the marker 94 pixels right of the centre, turned a quarter";
    EXPECT_TRUE(e2e_rgbNear(a, 254, 120, 0, 0, 0, 3));
}

void checkShadersFollowTheHierarchyAndPasses(const std::string& dir)
{
    E2eImage b = e2e_frame(dir, 90);
    ASSERT_TRUE(b.ok());
    EXPECT_TRUE(e2e_rgbNear(b, 182, 120, 0, 255, 0, 3));      /* Green, named in lower case */
    EXPECT_TRUE(e2e_rgbNear(b, 254, 120, 0, 255, 0, 3));      /* GreenKid inherits it */
    EXPECT_TRUE(e2e_rgbNear(b, 66, 120, 0, 0, 255, 3));       /* DummyKid inherits the dummy's */
    EXPECT_TRUE(e2e_rgbNear(b, 160, 48, 0, 0, 0, 3));         /* the dummy itself: never */
    /* Glass (30 % transparent) over Green: alpha-blended whatever its shader says */
    EXPECT_TRUE(e2e_rgbNear(b, 160, 120, 128, 255, 128, 3));
    /* Lit, flat: the lamp 50 in front; each face takes its last corner's
    ** light, (1 + 0.01 d) attenuated: 255 x 0.976 / 1.512 */
    EXPECT_TRUE(e2e_rgbNear(b, 160, 192, 165, 0, 0, 4));
    /* texture mode: the map found beside the scene in another letter case;
    ** a face without a map in the pass's colour */
    EXPECT_TRUE(e2e_rgbNear(b, 254, 48, 255, 0, 255, 3));
    EXPECT_TRUE(e2e_rgbNear(b, 66, 48, 255, 128, 0, 3));
}

TEST(SceneSection, PlaysCorpusAndWrittenScenes)
{
    E2eRun run;
    std::string dir = playScenes(run);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("Error: scene (22, 2.000000 -> 4.000000): no camera defined for second 1.00\n"),
              std::string::npos) << run.err;
    EXPECT_EQ(run.err.find("Error in OpenGL"), std::string::npos) << run.err;
    {
        SCOPED_TRACE("CorpusCameraLooksWhereLib3dsEvaluatesIt");
        checkCorpusCameraLooksWhereLib3dsEvaluatesIt(dir);
    }
    {
        SCOPED_TRACE("PickFileCutsAtTheBoundary");
        checkPickFileCutsAtTheBoundary(dir);
    }
    {
        SCOPED_TRACE("RollTurnsTheViewByDegrees");
        checkRollTurnsTheViewByDegrees(dir);
    }
    {
        SCOPED_TRACE("ShadersFollowTheHierarchyAndPasses");
        checkShadersFollowTheHierarchyAndPasses(dir);
    }
}

}  // namespace
