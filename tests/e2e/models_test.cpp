/*
** models_test.cpp -- camera, light, object, objectMatrix and objectShader
** sections played by the real player; probes captured frames.
**
** The camera sits at z = 1.5 looking at the origin with a 90-degree field of
** view in a 320 x 240 window: the front face of the unit cube (z = 0.5, one
** unit away) fills x 100..220 and y 60..180, and the side faces lie behind
** it.  Each section has its own second; frame n is drawn at n / 25 s.
*/
#include "harness.h"
#include "unit/tds_writer.h"

#include <array>
#include <string>

using namespace tds;

namespace {

/* A unit cube centred on the origin, four vertices per face so every face
** has its own texture square, all faces in material "m". */
Bytes cube(const Bytes& materialChunk)
{
    std::vector<P3> ps;
    std::vector<std::array<float, 2>> uv;
    std::vector<F> fs;
    std::vector<unsigned> all;
    /* normal n and two axes u, v with u x v = n, in the player's Y-up frame */
    const int axes[6][3][3] = {
        { { 0, 0, 1 }, { 1, 0, 0 }, { 0, 1, 0 } },   { { 0, 0, -1 }, { -1, 0, 0 }, { 0, 1, 0 } },
        { { 1, 0, 0 }, { 0, 0, -1 }, { 0, 1, 0 } },  { { -1, 0, 0 }, { 0, 0, 1 }, { 0, 1, 0 } },
        { { 0, 1, 0 }, { 1, 0, 0 }, { 0, 0, -1 } },  { { 0, -1, 0 }, { 1, 0, 0 }, { 0, 0, 1 } },
    };
    const float corner[4][2] = { { -1, -1 }, { 1, -1 }, { 1, 1 }, { -1, 1 } };
    for (const auto& a : axes) {
        unsigned base = (unsigned)ps.size();
        for (const auto& c : corner) {
            float p[3];
            for (int k = 0; k < 3; k++) p[k] = 0.5f * (a[0][k] + c[0] * a[1][k] + c[1] * a[2][k]);
            ps.push_back({ p[0], -p[2], p[1] });   /* the file is Z-up */
            uv.push_back({ (c[0] + 1) / 2, (c[1] + 1) / 2 });
        }
        for (unsigned t : { 0u, 2u }) {
            all.push_back((unsigned)fs.size());
            fs.push_back({ base, base + 1 + t / 2, base + 2 + t / 2, 7 });
        }
    }
    return file(materialChunk,
                object("cube", triMesh(vertices(ps), texcoords(uv), faces(fs, group("m", all)))));
}

std::string section(const std::string& head, int start, const std::string& body)
{
    return e2e_section(head, start, start + 1, body);
}

std::string object(const std::string& mode, const std::string& file, const std::string& params,
                   const std::string& extra = "")
{
    return "layer 5\nstring " + mode + "\nstring models/\nstring " + file + "\nparam " + params +
           "\n" + extra + "spline still.spl\n";
}

std::string playModelDemo(E2eRun& run)
{
    std::string shader = "layer 5\nstring models/\nstring plain.3ds\nstring ";
    std::string dir = e2e_demo(
        "gl_width 320\ngl_height 240\ngl_panoramic 0\nsound 0\nrecord 1\nrecord_fps 25\ndemo_end 13\n",
        "[camera]\nstart 0\nend 9\nlayer 1\nspline view.spl\n" +
        section("object", 0, object("color", "plain.3ds", "1 0 0 1 0.5 0 0")) +
        section("light", 1, "layer 2\nparam 0\nspline colour.spl\nspline axis.spl\n") +
        "[object]\nstart 1\nend 3\n" + object("flat", "lit.3ds", "1 0 1 1 1 0 0") +
        section("object", 3, object("texture", "mapped.3ds", "1 0 1 1 1 0 0")) +
        section("object", 4, object("cell", "plain.3ds", "6 1 1 0 0 0 0", "string ramp.tga\n")) +
        section("objectShader", 5, shader + "wire.sha\nspline still.spl\n") +
        section("objectShader", 6, shader + "back.sha\nspline still.spl\n") +
        section("objectShader", 7, shader + "back.sha\nparam 1\nspline still.spl\n") +
        section("objectMatrix", 8,
                "layer 5\nparam 2.5 0 1 1 0\nstring black.tga\nstring models/\n"
                "string plain.3ds\nstring color\nspline first.spl\nspline next.spl\n") +
        section("object", 9, object("color", "plain.3ds", "1 0 1 1 1 0 0")) +
        "[camera]\nstart 10\nend 13\nlayer 1\nspline view.spl\n" +
        section("object", 10, "layer 5\nstring color\nstring models/\nstring plain.3ds\n"
                              "param 1 0 1 0.5 0 0 0\nspline turn.spl\n") +
        "[light]\nstart 11\nend 13\nlayer 2\nparam 0\nspline colour.spl\nspline slant.spl\n" +
        section("objectShader", 11, "layer 5\nstring models/\nstring lit.3ds\nstring flat.sha\nspline still.spl\n") +
        section("objectShader", 12, "layer 5\nstring models/\nstring lit.3ds\nstring shaded.sha\nspline still.spl\n"));
    e2e_writeTga(dir, "models/quad.tga", e2e_quadrants(2));
    e2e_writeTga(dir, "ramp.tga", e2e_solid(4, 1, 0, 200, 0));
    e2e_writeTga(dir, "blue.tga", e2e_solid(4, 1, 0, 0, 255));
    save(dir + "/models/plain.3ds", cube(material(matName("m"))));
    save(dir + "/models/lit.3ds",
         cube(material(matName("m"), chunk(0xA010, color24(0x0011, 0, 0, 0)),
                          chunk(0xA020, color24(0x0011, 128, 255, 64)))));
    save(dir + "/models/mapped.3ds", cube(material(matName("m"), chunk(0xA200, mapFile("quad.tga")))));
    e2e_writeFile(dir, "view.spl", "0 0 1.5  0 0 0  0 0 0  90 0.1 100\n");
    e2e_writeFile(dir, "still.spl", "1 1 1  0 0 0  0 0 0\n");
    /* light: no ambient, diffuse (0.8, 0.6, 1), no specular, from +z */
    e2e_writeFile(dir, "colour.spl", "0 0 0  0.8 0.6 1  0 0 0\n");
    e2e_writeFile(dir, "axis.spl", "0 0 1\n");
    e2e_writeFile(dir, "slant.spl", "0.6 0 0.8\n");
    /* scale, then turn, then move in the scaled, turned frame: half size,
    ** a quarter turn about z, one unit along x, which is now 0.5 up */
    e2e_writeFile(dir, "turn.spl", "0.5 0.5 0.5  0 0 90  1 0 0\n");
    e2e_writeFile(dir, "flat.sha", "{\nmode flat\ncolor 1 0.5 0.25 1\n}\n");
    e2e_writeFile(dir, "shaded.sha", "{\nmode shaded\ncolor 0.5 1 1 1\n}\n");
    /* copies 0.2 wide from x = -0.6, each 2.5 of its own units (0.5) on */
    e2e_writeFile(dir, "first.spl", "0.2 0.2 0.2  0 0 0  -0.6 0 0\n");
    e2e_writeFile(dir, "next.spl", "1 1 1  0 0 0  2.5 0 0\n");
    e2e_writeFile(dir, "wire.sha",
                  "; a cel pass with a plain ramp picture, then the wire frame on top\n"
                  "{\nmode cell\ntexture blue.tga\n}\n"
                  "{\nmode wireframe\ncolor 1 1 0 1\nlinewidth 3\n}\n");
    e2e_writeFile(dir, "back.sha",
                  "{\nmode color\ncolor 0 0 1 1\n}\n{\nmode color\ncullface front\ncolor 1 0 0 1\n}\n");

    run = e2e_run(dir, 60.0);
    return dir;
}

/* What one pixel of the frame in the middle of a second must show. */
struct Probe {
    int second, x, y, r, g, b, tolerance;
    const char* what;
};

const Probe probes[] = {
    { 0, 160, 120, 0, 255, 128, 2, "color: the silhouette is filled" },
    { 0, 104, 64, 0, 255, 128, 2, "color: to its corners" },
    { 0, 96, 120, 0, 0, 0, 2, "color: and no further" },
    { 1, 160, 120, 102, 153, 64, 3, "flat: diffuse (128, 255, 64) times light (0.8, 0.6, 1)" },
    { 2, 160, 120, 0, 0, 0, 2, "flat: dark once the light section has ended" },
    { 3, 130, 150, 255, 0, 0, 12, "texture: the map's four quarters" },
    { 3, 130, 90, 0, 0, 255, 12, "texture" },
    { 4, 160, 120, 0, 200, 0, 4, "cell: the ramp's shade, also on the front face's diagonal" },
    { 4, 110, 120, 0, 200, 0, 4, "cell: no outline inside the silhouette" },
    { 4, 98, 120, 255, 0, 0, 4, "cell: the 6-pixel outline sticks out past the silhouette" },
    { 4, 90, 120, 0, 0, 0, 2, "cell: no further" },
    { 5, 160, 120, 255, 255, 0, 4, "shader: the wire frame's diagonal over the fill" },
    { 5, 160, 80, 0, 0, 255, 2, "shader: the fill, shaded by a ramp loaded as a plain picture" },
    { 6, 160, 120, 0, 0, 255, 2, "shader: back faces stay behind the first pass" },
    { 7, 160, 120, 255, 0, 0, 2, "shader: unless every pass starts on a cleared depth buffer" },
    /* 2.5 copies at x = -0.6, -0.1, 0.4, 1.4 units away, 17 pixels wide */
    { 8, 109, 120, 0, 255, 255, 2, "objectMatrix: copy 0" },
    { 8, 194, 120, 0, 255, 255, 2, "objectMatrix: copy 2" },
    { 8, 237, 120, 0, 0, 0, 2, "objectMatrix: no copy 3" },
    /* the camera has ended: the cube is drawn under the identity again, half
       the window wide, not under the camera the frames before left behind */
    { 9, 85, 120, 255, 255, 255, 2, "no camera: the identity's wider cube" },
    /* front face 1.375 away, 87 pixels a unit: centred 44 pixels up, 44 wide */
    { 10, 160, 76, 255, 128, 0, 2, "spline: the cube half size, half a unit up" },
    { 10, 175, 64, 255, 128, 0, 2, "spline: to its corner" },
    /* light 0 in the pass's colour, from the light section's direction:
    ** diffuse (128, 255, 64) x colour x 0.8 */
    { 11, 160, 120, 102, 102, 13, 3, "flat pass: light 0 in the pass's colour" },
    { 12, 160, 120, 51, 204, 51, 3, "shaded pass: light 0 in the pass's colour" },
};

TEST(ModelSections, EachDrawsWhatItsScriptSays)
{
    E2eRun run;
    std::string dir = playModelDemo(run);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    for (const Probe& p : probes) {
        E2eImage f = e2e_frame(dir, p.second * 25 + 12);
        ASSERT_TRUE(f.ok()) << "second " << p.second << " in " << dir;
        EXPECT_TRUE(e2e_rgbNear(f, p.x, p.y, p.r, p.g, p.b, p.tolerance))
            << p.what << " (second " << p.second << ", " << p.x << ", " << p.y << ")";
    }
}

}  // namespace
