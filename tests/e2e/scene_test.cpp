/*
** scene_test.cpp -- the scene section played by the real player: an
** animated corpus camera looks where lib3ds puts it, and a written
** scene shows its camera cuts, shader lists, dummies, transparent pass,
** camera roll, lights and texture maps until its pick file runs out.
**
** At 32 frames per second every second is an exact binary fraction.  Frame
** n is drawn at n / 32 s; a section sees the elapsed time of the frame
** before, and the scene evaluates the animation frame it computed one
** render earlier still.
*/
#include "harness.h"
#include "scene_writer.h"
#include "testutil.h"

#include <algorithm>
#include <string>

namespace {

/* Cameras A and B stand at the origin: A looks down -y rolled by 90
** degrees, B up +y.  At distance 100 one unit is 2.9 pixels. */
bool writeCutScene(const std::string& path)
{
    Lib3dsFile* f = lib3ds_file_new();
    const float origin[3] = { 0, 0, 0 }, south[3] = { 0, -100, 0 }, north[3] = { 0, 100, 0 };
    sw::camera(f, "A", 1, origin, south, 45, 90);
    sw::camera(f, "B", 3, origin, north, 45, 0);
    sw::material(f, "Clear", 1, 1, 1, 0.3f);
    sw::material(f, "RedMat", 1, 0, 0);
    sw::material(f, "Checked", 1, 1, 1, 0, "CHECK.TGA");   /* the file is check.tga */
    struct { const char* name; float y, x0, x1, z0, z1; const char* material; int parent; } walls[] = {
        { "Red", -100, -10, 10, -10, 10, "", -1 },
        { "Marker", -100, -40, -25, -5, 5, "", -1 },   /* right of A's centre before the roll */
        { "Green", 100, -10, 10, -10, 10, "", -1 },
        { "GreenKid", 100, 25, 40, -5, 5, "", 12 },
        { "$$$DUMMY", 100, -10, 10, 20, 30, "", -1 },
        { "DummyKid", 100, -40, -25, -5, 5, "", 14 },
        { "Glass", 90, -5, 5, -5, 5, "Clear", -1 },
        { "Lit", 100, -10, 10, -30, -20, "RedMat", -1 },
        { "Tex", 100, 25, 40, 20, 30, "Checked", -1 },
        { "Plain", 100, -40, -25, 20, 30, "", -1 },
    };
    int id = 10;
    for (const auto& w : walls) {
        sw::wall(f, w.name, w.y, w.x0, w.x1, w.z0, w.z1, w.material);
        sw::objectNode(f, w.name, id++, w.parent < 0 ? LIB3DS_NO_PARENT : w.parent);
    }
    /* a white lamp 50 in front of Lit, and eight dark lights: one more
    ** than GL has */
    const float lamp[3] = { 0, 50, -25 }, far[3] = { 0, 0, 1000 };
    sw::light(f, "ALamp", 30, lamp, 1);
    for (int i = 1; i <= 8; i++) sw::light(f, ("Dark" + std::to_string(i)).c_str(), -1, far, 0);
    return sw::save(f, path);
}

std::string corpus() { return testdata_path("3ds/TargetCameraAnim.3ds"); }

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

/* A demo playing `sections` beside the written scene cuts.3ds, its map and
** its shader list. */
std::string sceneDemo(const std::string& globals, const std::string& sections)
{
    std::string dir = e2e_demo(globals, sections);
    e2e_writeTga(dir, "check.tga", e2e_solid(8, 8, 255, 0, 255));
    EXPECT_TRUE(writeCutScene(dir + "/cuts.3ds"));
    e2e_writeFile(dir, "cuts.shd", kCutShaders);
    return dir;
}

/* Second 0-2: the corpus scene in red, its 300 frames spread over the two
** seconds; second 2-4: the same at 30 frames a second (param -1), drawn
** by a pass whose node line names no node; second 4-6: the written scene,
** whose cuts end at its second 1. */
std::string playScenes(E2eRun& run)
{
    std::string dir = sceneDemo(
        "gl_width 320\ngl_height 240\ngl_panoramic 0\nsound 0\nrecord 1\nrecord_fps 32\ndemo_end 6\n",
        "[scene]\nstart 0\nend 2\nlayer 22\nparam 1\nstring " + corpus() + "\nstring red.shd\n"
        "[scene]\nstart 2\nend 4\nlayer 22\nparam -1\nstring " + corpus() + "\nstring all.shd\n"
        "[scene]\nstart 4\nend 6\nlayer 22\nparam 0\nstring cuts.3ds\nstring cuts.shd\n"
        "string cuts.cam\n");
    e2e_writeFile(dir, "red.shd", "{\nmode color\ncolor 1 0 0 1\n}\n");
    e2e_writeFile(dir, "all.shd", "{\nnode\nmode color\ncolor 1 0 0 1\n}\n");
    e2e_writeFile(dir, "cuts.cam", "; A for half a second, then B\n{\ncamera A\nstart 0\nend 0.5\n}\n"
                                   "{\ncamera B\nstart 0.5\nend 1\n}\n");
    run = e2e_run(dir, 60.0);
    return dir;
}

TEST(SceneSection, PlaysCorpusAndWrittenScenes)
{
    E2eRun run;
    std::string dir = playScenes(run);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("Error: scene (22, 4.000000 -> 6.000000): no camera defined for second 1.00 (script './demo.lum', line 29)\n"),
              std::string::npos) << run.err;
    EXPECT_EQ(run.err.find("Error in OpenGL"), std::string::npos) << run.err;

    /* the corpus camera at animation frames 37.5 and 56.25, reached by each
    ** section at its own rate (video frame n evaluates the animation at the
    ** section time of frame n - 2): the red box's left and top edges where
    ** lib3ds's evaluation of the camera and box, projected with our look-at
    ** (scene +z up, vertical field of view), puts them */
    const struct { int n; float left, top; } frames[] = {
        { 10, 152.7f, 27.2f }, { 14, 143.2f, 95.5f }, { 106, 152.7f, 27.2f }, { 126, 143.2f, 95.5f } };
    for (auto [n, left, top] : frames) {
        SCOPED_TRACE("video frame " + std::to_string(n));
        E2eImage img = e2e_frame(dir, n);
        int redLeft = img.width, redTop = img.height;
        for (int y = 0; y < img.height; y++)
            for (int x = 0; x < img.width; x++)
                if (e2e_channel(img, x, y, 0) > 128 && e2e_channel(img, x, y, 1) < 64) {
                    redLeft = std::min(redLeft, x);
                    redTop = std::min(redTop, y);
                }
        EXPECT_NEAR(redLeft, left, 1.5f);   /* pixel edges, not centres */
        EXPECT_NEAR(redTop, top, 1.5f);
    }

    /* the cuts: the section starts at frame 128, frame 128 + k sees second (k - 1) / 32 */
    EXPECT_TRUE(e2e_rgbNear(e2e_frame(dir, 144), 150, 120, 255, 0, 0, 3));       /* 0.46875: A */
    EXPECT_TRUE(e2e_rgbNear(e2e_frame(dir, 145), 150, 120, 128, 255, 128, 3));   /* 0.5: B */
    EXPECT_TRUE(e2e_rgbNear(e2e_frame(dir, 160), 150, 120, 128, 255, 128, 3));   /* 0.96875: B */
    EXPECT_FALSE(e2e_exists(dir + "/video/00000161.tga"));                        /* 1.0: none */

    /* A's roll of 90 degrees (not radians) turns the marker a quarter round */
    E2eImage a = e2e_frame(dir, 134);
    EXPECT_NE(e2e_rgbNear(a, 160, 26, 255, 255, 0, 3), e2e_rgbNear(a, 160, 214, 255, 255, 0, 3));

    E2eImage b = e2e_frame(dir, 154);
    EXPECT_TRUE(e2e_rgbNear(b, 182, 120, 0, 255, 0, 3));      /* Green, named in lower case */
    EXPECT_TRUE(e2e_rgbNear(b, 254, 120, 0, 255, 0, 3));      /* GreenKid inherits it */
    EXPECT_TRUE(e2e_rgbNear(b, 66, 120, 0, 0, 255, 3));       /* DummyKid inherits the dummy's */
    EXPECT_TRUE(e2e_rgbNear(b, 160, 48, 0, 0, 0, 3));         /* the dummy itself: never */
    /* Glass (30 % transparent) over Green: alpha-blended whatever its pass says */
    EXPECT_TRUE(e2e_rgbNear(b, 160, 120, 128, 255, 128, 3));
    /* Lit, flat: each face takes the light at its last corner, the lamp at
    ** its node's place, attenuated by 1 + 0.01 d: 255 x 0.976 / 1.512 */
    EXPECT_TRUE(e2e_rgbNear(b, 160, 192, 165, 0, 0, 4));
    /* texture mode: the map beside the scene in another letter case; a
    ** face without a map in its pass's colour */
    EXPECT_TRUE(e2e_rgbNear(b, 254, 48, 255, 0, 255, 3));
    EXPECT_TRUE(e2e_rgbNear(b, 66, 48, 255, 128, 0, 3));
}

TEST(SceneSection, PickedCameraMissingFromTheSceneStopsThePlayer)
{
    std::string dir = sceneDemo("gl_width 64\ngl_height 48\nsound 0\nrecord 1\ndemo_end 1\n",
                                "[scene]\nstart 0\nend 1\nlayer 22\nparam 0\nstring cuts.3ds\nstring cuts.shd\n"
                                "string nobody.cam\n");
    e2e_writeFile(dir, "nobody.cam", "{\ncamera Nobody\nstart 0\nend 1\n}\n");
    E2eRun run = e2e_run(dir);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("Error: scene (22, 0.000000 -> 1.000000): camera 'Nobody' not found (script './demo.lum', line 13)\n"),
              std::string::npos) << run.err;
}

}  // namespace
