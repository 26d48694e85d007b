/*
** model3ds_test.cpp -- the model reader and preparation: agreement with
** lib3ds on every corpus file; on files written chunk by chunk, the chunk
** loop, materials, normals and tangent frames, the transparent split, maps,
** the model cache and damaged files.  For scenes: which files lib3ds may
** read, the pick-file form and the fatal messages of a scene section's load.
*/
#include <gtest/gtest.h>

#include <lib3ds/file.h>
#include <lib3ds/material.h>
#include <lib3ds/mesh.h>
#include <math.h>
#include <strings.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "dkernel.h"
#include "model.h"
#include "scene.h"
#include "tex.h"
#include "testutil.h"
#include "unit/tds_writer.h"

using namespace tds;

namespace {

/* File coordinates of a point the player stores at (x, y, z). */
P3 yup(float x, float y, float z) { return P3{x, -z, y}; }

Model* readBytes(const Bytes& b)
{
    FILE* f = fmemopen((void*)b.data(), b.size(), "rb");
    Model* m = HRead3dsScene(f);
    fclose(f);
    return m;
}

::testing::AssertionResult vecIs(const Vector& v, float x, float y, float z)
{
    if (fabsf(v.x - x) < 1e-6f && fabsf(v.y - y) < 1e-6f && fabsf(v.z - z) < 1e-6f) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "(" << v.x << ", " << v.y << ", " << v.z << ")";
}

/* One triangle, so files that test material details have an object. */
Bytes triangle(const std::string& name, const Bytes& groups = Bytes(), const std::vector<F>& fs = {{0, 1, 2, 7}})
{
    return object(name, triMesh(vertices({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}), faces(fs, groups)));
}

const std::string corpus = std::string(LUMENO_DATA_DIR) + "/3ds/";

void compareWithLib3ds(const std::string& dir, const std::string& name)
{
    SCOPED_TRACE(name);
    std::string path = dir + name;
    Lib3dsFile* ref = lib3ds_file_load(path.c_str());
    ASSERT_NE(ref, nullptr);
    model_dir = dir.c_str();
    FILE* f = fopen(path.c_str(), "rb");
    ASSERT_NE(f, nullptr);
    Model* ours = HRead3dsScene(f);
    fclose(f);
    ASSERT_NE(ours, nullptr);

    /* materials: every one of lib3ds's, by name */
    int refMaterials = 0;
    for (Lib3dsMaterial* rm = ref->materials; rm; rm = rm->next, refMaterials++) {
        SCOPED_TRACE(rm->name);
        Material* m = ours->materials;
        while (m && strcmp(m->name, rm->name) != 0) m = m->next;
        ASSERT_NE(m, nullptr);
        expectNear(m->diffuse, rm->diffuse, 3);
        EXPECT_NEAR(m->transparency, rm->transparency, 1e-5f);
        EXPECT_STREQ(m->map_name, rm->texture1_map.name);
    }
    int ourMaterials = 0;
    for (Material* m = ours->materials; m; m = m->next) ourMaterials++;
    EXPECT_EQ(ourMaterials, refMaterials);

    /* meshes by name (lib3ds keeps its own order); our extra ones are the
    ** file's cameras and lights, empty */
    std::vector<bool> matched((size_t)ours->mesh_count, false);
    for (Lib3dsMesh* rm = ref->meshes; rm; rm = rm->next) {
        SCOPED_TRACE(rm->name);
        int k = 0;
        while (k < ours->mesh_count && (matched[k] || strcmp(ours->meshes[k].name, rm->name) != 0))
            k++;
        ASSERT_LT(k, ours->mesh_count);
        matched[k] = true;
        const Mesh& mesh = ours->meshes[k];
        ASSERT_EQ((unsigned)mesh.vertex_count, rm->points);
        ASSERT_EQ((unsigned)mesh.face_count, rm->faces);
        ASSERT_EQ((unsigned)mesh.texcoord_count, rm->texels);
        for (unsigned i = 0; i < rm->points; i++) {
            const float* p = rm->pointL[i].pos;
            ASSERT_EQ(mesh.vertices[i].position.x, p[0]) << i;
            ASSERT_EQ(mesh.vertices[i].position.y, p[2]) << i;
            ASSERT_EQ(mesh.vertices[i].position.z, -p[1]) << i;
        }
        for (unsigned i = 0; i < rm->faces; i++) {
            const Lib3dsFace& rf = rm->faceL[i];
            const Face& face = mesh.faces[i];
            for (int c = 0; c < 3; c++) ASSERT_EQ(face.index[c], rf.points[c]) << i;
            if (face.material) ASSERT_STREQ(face.material->name, rf.material) << i;
            else ASSERT_EQ(lib3ds_file_material_by_name(ref, rf.material), nullptr) << i;
        }
    }
    for (int k = 0; k < ours->mesh_count; k++)
        EXPECT_TRUE(matched[k] || ours->meshes[k].vertex_count + ours->meshes[k].face_count == 0) << ours->meshes[k].name;

    HFree3dsScene(ours);
    lib3ds_file_free(ref);
}

/* A keyframer node: its id chunk unless id < 0, a header naming the parent
** unless parent < 0, then `more`. */
Bytes node(int id, int parent, const Bytes& more = Bytes(), unsigned tag = 0xB002)
{
    Bytes b;
    if (id >= 0) append(b, chunk(0xB030, u16((unsigned)id)));
    if (parent >= 0) append(b, chunk(0xB010, str("Box"), u16(0), u16(0), u16((unsigned)parent)));
    return chunk(tag, b, more);
}
Bytes scene(const Bytes& editor, const Bytes& nodes = Bytes())
{
    return chunk(0x4D4D, chunk(0x3D3D, editor), nodes.empty() ? Bytes() : chunk(0xB000, nodes));
}
/* A position track claiming `keys` keys and holding `stored`, each with
** all five spline values or none. */
Bytes track(unsigned keys, unsigned stored, bool spline = false)
{
    Bytes b = cat(u16(0), u32(0), u32(0), u32(keys));
    for (unsigned i = 0; i < stored; i++)
        append(b, u32(i), u16(spline ? 0x1F : 0), spline ? cat(f32(1), f32(0), f32(0), f32(0), f32(0)) : Bytes(),
               f32(1), f32(2), f32(3));
    return chunk(0xB020, b);
}
Bytes chain(int n)
{
    Bytes b;
    for (int i = 0; i < n; i++) append(b, node(i, i == 0 ? 65535 : i - 1));
    return b;
}

}  // namespace

/* Face-list groups, smoothing and two-colour chunks are compared with
** lib3ds on the corpus (Model3dsDiff.CorpusFiles), and so are the empty
** meshes of objects without geometry. */
TEST(Model3dsRead, ShortHandlersLeaveTheirTailToTheEnclosingLoopAndNamesAreCut)
{
    /* The mesh colour chunk declares room for a vertex list after its byte:
    ** the handler reads one byte, so the enclosing loop reads that list,
    ** after a name too long to keep whole. */
    Bytes colourWithTail = chunk(0x4165, byte(42), vertices({{1, 2, 3}, {4, 5, 6}, {7, 8, 9}}));
    Model* m = readBytes(file(object(std::string(80, 'n'), triMesh(colourWithTail))));
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->meshes[0].vertex_count, 3);
    EXPECT_EQ(strlen(m->meshes[0].name), 63u);
    HFree3dsScene(m);
}

TEST(Model3dsRead, GroupsTakeTheLastMaterialOfANameIgnoringCase)
{
    Model* m = readBytes(file(material(matName("paint"), percentInt(10)),
                              material(matName("PAINT"), chunk(0xA050, percentInt(50))), material(matName("other")),
                              triangle("t", group("Paint", {0})), triangle("lamp")));
    ASSERT_NE(m, nullptr);
    ASSERT_NE(m->meshes[0].faces[0].material, nullptr);
    EXPECT_STREQ(m->meshes[0].faces[0].material->name, "PAINT");
    EXPECT_FLOAT_EQ(m->meshes[0].faces[0].material->transparency, 0.5f);
    HFree3dsScene(m);
    m = readBytes(file(material(matName("a")), triangle("t", group("b", {0}))));
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->meshes[0].faces[0].material, nullptr);
    HFree3dsScene(m);
}

TEST(Model3dsRead, MaterialColoursAndPercentages)
{
    Model* m = readBytes(file(
        material(matName("set"), chunk(0xA030, colorF(0x0010, 0.25f, 0.5f, 0.75f), chunk(0x0099, byte(1))),
                 chunk(0xA040, percentInt(50)), chunk(0xA041, percentFloat(0.5f)), chunk(0xA050), chunk(0xA081),
                 chunk(0xA21E, chunk(0xA351, u16(0x99))),   /* another map: skipped whole */
                 matName("set2"))));
    ASSERT_NE(m, nullptr);
    const Material* s = m->materials;
    EXPECT_STREQ(s->name, "set2");   /* the last name chunk wins */
    EXPECT_FLOAT_EQ(s->specular[2], 0.75f);
    EXPECT_FLOAT_EQ(s->shininess, 0.5f);
    EXPECT_FLOAT_EQ(s->shininess_strength, 0.5f);
    EXPECT_EQ(s->two_sided, 1);
    HFree3dsScene(m);
}

/* Each kind of damage: rejected (none) or repaired, never read past. */
TEST(Model3dsRead, DamagedFiles)
{
    Bytes good = file(triangle("t"));
    Bytes nest = triangle("deep");
    for (int i = 0; i < 100; i++) nest = chunk(0x3D3D, nest);
    const Bytes rejected[] = {
        chunk(0x4D4D, chunkWithLength(0x3D3D, 3, Bytes(20, 0))),              /* child length below 6 */
        chunk(0x4D4D, chunkWithLength(0x3D3D, 200, triangle("t"))),           /* child longer than its parent */
        file(object("v", triMesh(chunk(0x4110, u16(5), f32(1))))),            /* a count past its chunk */
        file(material(chunk(0xA000, byte('a'), byte('b')))),                  /* a string without its NUL */
        chunk(0x4D4D, nest),                                                  /* containers nested beyond reason */
        chunk(0x3D3D, triangle("x")),                                         /* not a main chunk */
    };
    for (const Bytes& b : rejected) EXPECT_EQ(readBytes(b), nullptr);
    for (size_t cut = 0; cut < good.size(); cut++)   /* the main chunk runs past the file */
        EXPECT_EQ(readBytes(Bytes(good.begin(), good.begin() + cut)), nullptr) << cut;

    /* bad faces dropped, bad group numbers ignored, group before faces */
    Model* m = readBytes(file(
        material(matName("m")),
        object("f", triMesh(group("m", {0}), vertices({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}),
                            faces({{0, 1, 2, 0}, {0, 3, 1, 0}, {2, 1, 0, 0}}, group("m", {2, 3, 999}))))));
    ASSERT_NE(m, nullptr);
    ASSERT_EQ(m->meshes[0].face_count, 2);
    EXPECT_EQ(m->meshes[0].faces[0].material, nullptr);
    EXPECT_TRUE(m->meshes[0].faces[1].index[0] == 2 && m->meshes[0].faces[1].material == m->materials);
    HFree3dsScene(m);

    /* texture coordinates before the vertices, fewer and more than them */
    m = readBytes(file(object("short", triMesh(texcoords({{0.5f, 0.25f}}), vertices({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}))),
                       object("long", triMesh(vertices({{0, 0, 0}}), texcoords({{1, 1}, {2, 2}, {3, 3}}))),
                       object("none", triMesh(texcoords({{1, 1}})))));
    ASSERT_NE(m, nullptr);
    const Mesh& s = m->meshes[0];
    ASSERT_EQ(s.texcoord_count, 3);
    EXPECT_TRUE(s.texcoords[0].u == 0.5f && s.texcoords[0].v == 0.25f && s.texcoords[2].u == 0.0f);
    EXPECT_EQ(m->meshes[1].texcoord_count, 1);
    EXPECT_TRUE(m->meshes[2].texcoord_count == 0 && m->meshes[2].texcoords == nullptr);
    HFree3dsScene(m);
    HFree3dsScene(nullptr);
}

TEST(Model3dsPrepare, NormalsAverageTheirFaces)
{
    /* faces 0, 1 and 2 meet at right angles in vertex 0 */
    std::vector<P3> ps = {yup(0, 0, 0), yup(0, 0, 1), yup(1, 0, 0), yup(0, 1, 0), yup(9, 9, 9), yup(2, 2, 2), yup(3, 3, 3)};
    Model* m = readBytes(file(
        object("three", triMesh(vertices(ps), faces({{0, 1, 2, 0}, {0, 3, 1, 0}, {0, 2, 3, 0}, {5, 5, 6, 0}})))));
    ASSERT_NE(m, nullptr);
    calculateNormals(m);
    const Mesh& n = m->meshes[0];
    EXPECT_TRUE(vecIs(n.vertices[0].normal, 1.0f / 3.0f, 1.0f / 3.0f, 1.0f / 3.0f));
    EXPECT_TRUE(vecIs(n.vertices[4].normal, 0, 0, 0)) << "unused vertex";
    EXPECT_TRUE(vecIs(n.vertices[0].tangent, 0, 0, 0)) << "no texture coordinates";
    /* the zero-area face 3 stores a zero normal and spoils nothing */
    EXPECT_TRUE(vecIs(n.faces[3].normal, 0, 0, 0) && vecIs(n.vertices[5].normal, 0, 0, 0));
    HFree3dsScene(m);
}

TEST(Model3dsPrepare, TangentFramesTakeTheLastFaceAndCarryOver)
{
    /* the degenerate mesh maps its face onto a line: no frame of its own */
    std::vector<P3> ps = {yup(0, 0, 0), yup(2, 0, 0), yup(0, 3, 0), yup(5, 5, 5),
                          yup(6, 5, 5), yup(5, 6, 5), yup(0, 0, 5), yup(4, 0, 0)};
    Bytes uv = texcoords({{0, 0}, {1, 0}, {0, 1}, {0, 0}, {1, 1}, {2, 2}, {1, 0}, {0, 1}});
    Model* m = readBytes(file(
        object("first", triMesh(vertices(ps), uv, faces({{0, 1, 2, 0}, {3, 4, 5, 0}, {0, 6, 7, 0}}))),
        object("degenerate", triMesh(vertices(ps), uv, faces({{3, 4, 5, 0}})))));
    ASSERT_NE(m, nullptr);
    calculateNormals(m);
    const Vertex* v = m->meshes[0].vertices;
    EXPECT_TRUE(vecIs(v[1].tangent, 1, 0, 0) && vecIs(v[1].binormal, 0, 1, 0));
    EXPECT_TRUE(vecIs(v[3].tangent, 1, 0, 0) && vecIs(v[3].binormal, 0, 1, 0)) << "carried from face 0";
    EXPECT_TRUE(vecIs(v[0].tangent, 0, 0, 1) && vecIs(v[0].binormal, 1, 0, 0)) << "face 2 overwrote, no sum";
    v = m->meshes[1].vertices;
    EXPECT_TRUE(vecIs(v[3].tangent, 0, 0, 1) && vecIs(v[3].binormal, 1, 0, 0)) << "carried across meshes";
    HFree3dsScene(m);
}

TEST(Model3dsPrepare, TransparentFacesSplitAndFacesSortByMaterialName)
{
    Model* m = readBytes(file(
        material(matName("b")), material(matName("A")), material(matName("glass"), chunk(0xA050, percentInt(50))),
        material(matName("clear"), chunk(0xA050, percentFloat(0.0f))),
        object("mixed", triMesh(vertices({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}),
                                faces({{0, 1, 2, 0}, {0, 1, 2, 1}, {0, 1, 2, 2}, {0, 1, 2, 3}, {0, 1, 2, 4}, {0, 1, 2, 5}},
                                      cat(group("b", {0, 2}), group("A", {1, 4}), group("glass", {3, 5}))))),
        object("opaque", triMesh(vertices({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}), faces({{0, 1, 2, 0}}, group("clear", {0}))))));
    ASSERT_NE(m, nullptr);
    reorderFaces(m);
    EXPECT_EQ(m->transparent_mesh_count, 1);
    const Mesh& a = m->meshes[0];
    ASSERT_TRUE(a.face_count == 4 && a.transparent_face_count == 2);
    const char* order[4] = {"A", "A", "b", "b"};
    for (int i = 0; i < 4; i++) EXPECT_STREQ(a.faces[i].material->name, order[i]);
    EXPECT_STREQ(a.transparent_faces[0].material->name, "glass");
    EXPECT_EQ(a.transparent_faces[0].flags + a.transparent_faces[1].flags, 8);
    EXPECT_TRUE(m->meshes[1].face_count == 1 && m->meshes[1].transparent_faces == nullptr);
    Face nomat = {}, other = a.faces[0];
    EXPECT_EQ(compare(&nomat, &other), 0) << "a face without material sorts with any";
    HFree3dsScene(m);
}

/* Maps named in another letter case are found by the scene section's run
** in tests/e2e/scene_test, which shares the lookup. */
TEST(Model3dsLoad, MapsPreferTheExactNameAndModelsAreShared)
{
    TempDir tmp;
    const std::string& dir = tmp.path;
    for (const char* copy : {"exact.PNG", "exact.png"}) ASSERT_TRUE(writeFile(dir + copy, readFile(testdata_path("3ds/test.png"))));
    ASSERT_TRUE(save(dir + "maps.3ds", file(material(matName("none"), chunk(0xA200, mapFile(""))),
                                            material(matName("e"), chunk(0xA200, mapFile("exact.PNG"))), triangle("t"))));
    char path[512];
    model_findMapFile(dir.c_str(), "nothere.png", path, sizeof path);
    EXPECT_EQ(std::string(path), dir + "nothere.png");

    Model* m = model_load(dir.c_str(), "maps.3ds");
    ASSERT_GE(m->materials->texture, 0);
    EXPECT_EQ(std::string(tex_array[m->materials->texture]->name), dir + "exact.PNG");
    EXPECT_EQ(m->materials->next->texture, -1);   /* empty map name */

    /* the cache shares models by path, ignoring case: no second read */
    unlink((dir + "maps.3ds").c_str());
    EXPECT_EQ(model_load(dir.c_str(), "MAPS.3DS"), m);
}

TEST(Model3dsLoadDeathTest, FatalMessages)
{
    TempDir tmp;
    const std::string& dir = tmp.path;
    EXPECT_EXIT(FATAL(model_load(dir.c_str(), "missing.3ds")), testing::ExitedWithCode(1),
                "Error: 3DS: file 'missing.3ds' not found\n\n");
    ASSERT_TRUE(save(dir + "bad.3ds", chunk(0x3D3D, triangle("t"))));
    EXPECT_EXIT(FATAL(model_load(dir.c_str(), "bad.3ds")), testing::ExitedWithCode(1), "Error: 3DS: error loading 'bad.3ds'\n\n");
    for (int i = 0; i < 64; i++) ASSERT_TRUE(save(dir + "m" + std::to_string(i) + ".3ds", file(triangle("t"))));
    EXPECT_EXIT(
        FATAL({
            sceneCount = 0;
            for (int i = 0; i < 63; i++) model_load(dir.c_str(), ("m" + std::to_string(i) + ".3ds").c_str());
            fprintf(stderr, "loaded %d\n", sceneCount);
            model_load(dir.c_str(), "m63.3ds");
        }),
        testing::ExitedWithCode(1), "loaded 63\nError: Too many 3ds scenes\n");
}

TEST(Model3dsDiff, CorpusFiles)
{
    /* a writable copy of the corpus, with a stand-in for the map the
    ** transparent cubes name but the corpus leaves out (the loader
    ** recognises the picture by its content, not its extension) */
    TempDir tmp;
    for (const std::string& name : testdata_list("3ds"))
        ASSERT_TRUE(writeFile(tmp.path + name, readFile(corpus + name))) << name;
    ASSERT_TRUE(writeFile(tmp.path + "BERETTA_.JPG", readFile(testdata_path("3ds/test.png"))));
    int models = 0;
    for (const std::string& n : testdata_list("3ds")) {
        if (n.size() < 4 || strcasecmp(n.c_str() + n.size() - 4, ".3ds") != 0) continue;
        models++;
        compareWithLib3ds(tmp.path, n);
    }
    EXPECT_GE(models, 9);
}

TEST(SceneFile, DamageLib3dsCannotSurviveStopsBeforeIt)
{
    struct { const char* what; Bytes bytes; int sound; } cases[] = {
        { "a zero-length chunk in a colour", scene(chunk(0xAFFF, chunk(0xA010, chunkWithLength(0x11, 0, {})))), 0 },
        { "a point list past its chunk", scene(object("Box", triMesh(chunk(0x4110, u16(3), f32(0))))), 0 },
        { "a face naming a missing point", scene(triangle("Box", {}, {{0, 1, 3, 0}})), 0 },
        { "faces before their points",
          scene(object("Box", triMesh(faces({{0, 1, 2, 0}}), vertices({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}})))), 1 },
        { "a group naming a missing face", scene(triangle("Box", group("Stone", {0, 1}), {{0, 1, 2, 0}})), 0 },
        { "keys with spline values", scene({}, node(0, 65535, track(2, 2, true))), 1 },
        { "more keys than the track holds", scene({}, node(0, 65535, track(1000000, 2))), 0 },
        { "a node that is its own parent", scene({}, node(7, 7)), 0 },
        { "a first node without id and header (both 0)", scene({}, node(-1, -1)), 0 },
        { "a second node without them", scene({}, cat(node(5, 65535), node(-1, -1))), 1 },
        { "a node whose place is its parent", scene({}, cat(node(5, 65535, {}, 0xB001), node(-1, 1))), 0 },
        { "a hierarchy 1024 levels deep", scene({}, chain(1024)), 1 },
        { "a hierarchy 1025 levels deep", scene({}, chain(1025)), 0 },
    };
    for (const auto& c : cases) {
        FILE* f = fmemopen((void*)c.bytes.data(), c.bytes.size(), "rb");
        int sound = model_chunksSound(f);
        rewind(f);
        Lib3dsFile* file = scene_readFile(f);
        fclose(f);
        EXPECT_EQ(sound, c.sound) << c.what;
        EXPECT_EQ(file != nullptr, c.sound == 1) << c.what;
        if (file) lib3ds_file_free(file);
    }
}

/* Cuts at the start and end of entries: SceneSection.PlaysCorpusAndWrittenScenes;
** here the file's form, and overlapping entries, where the first in the file wins. */
TEST(Pickcam, FileFormAndOverlappingEntries)
{
    TempDir tmp;
    ASSERT_TRUE(writeFile(tmp.path + "cuts.cam", "camera Ignored\n; cut at five\n{ wide\nCAMERA Wide\nstart 0\nEnd 5\n}\n\n"
                                                  "{\ncamera Late\nstart 4\nend 12.5\n"));
    Pickcam* list = pickcam_load((tmp.path + "cuts.cam").c_str());
    ASSERT_TRUE(pickcam_find(list, 4.5f) && pickcam_find(list, 5.0f));
    EXPECT_STREQ(pickcam_find(list, 4.5f)->camera, "Wide");
    EXPECT_STREQ(pickcam_find(list, 5.0f)->camera, "Late");
}

TEST(SceneLoadDeathTest, MessagesNameTheSectionAndTheFile)
{
    TempDir tmp;
    const std::string& d = tmp.path;
    ASSERT_TRUE(writeFile(d + "cube.3ds", readFile(testdata_path("3ds/RotatingCube.3DS"))));
    ASSERT_TRUE(writeFile(d + "cam.3ds", readFile(testdata_path("3ds/TargetCameraAnim.3ds"))));
    ASSERT_TRUE(save(d + "damaged.3ds", scene(triangle("Box", {}, {{0, 1, 9, 0}}))));
    std::string pass = "{\nmode color\n}\n", fifteen;
    for (int i = 0; i < 15; i++) fifteen += pass;
    for (const auto& script : { std::make_pair("one.shd", pass), std::make_pair("bad.shd", std::string("{\nmode x\n")),
                                std::make_pair("named.shd", fifteen + "{\nnode box01\n"),
                                std::make_pair("unknown.cam", std::string("{\ncamera A\nlength 5\n")),
                                std::make_pair("nan.cam", std::string("{\ncamera A\nstart 0\nend nan\n")),
                                std::make_pair("unnamed.cam", std::string("{\ncamera A\n}\n; B\n{\nstart 5\n")) })
        ASSERT_TRUE(save(d + script.first, Bytes(script.second.begin(), script.second.end())));

    const std::string own = "scene \\(22, 1.000000 -> 3.000000\\): ";
    struct { std::vector<float> params; std::vector<std::string> strings; std::string message; } cases[] = {
        { { 0 }, { "gone.3ds", "one.shd" }, own + "'" + d + "gone.3ds' not found" },
        { { 0 }, { "damaged.3ds", "one.shd" }, own + "Error loading '" + d + "damaged.3ds'" },
        { { 0 }, { "cam.3ds", "bad.shd" }, "Unknown render mode 'x' \\(shader '" + d + "bad.shd', line 2\\)" },
        { { 1 }, { "cube.3ds", "one.shd" }, own + "no cameras found in '" + d + "cube.3ds'" },
        { { 0 }, { "cam.3ds", "one.shd", "gone.cam" }, "Pickcam: error loading '" + d + "gone.cam'" },
        { { 0 }, { "cam.3ds", "one.shd", "unknown.cam" }, "Unknown pickcam variable" },
        { { 0 }, { "cam.3ds", "one.shd", "nan.cam" }, "Pickcam: invalid end \\(pickcam '" + d + "nan.cam', line 4\\)" },
        { { 0 }, { "cam.3ds", "one.shd", "unnamed.cam" },
          "Pickcam: entry without a camera \\(pickcam '" + d + "unnamed.cam', line 5\\)" },
        { { 0 }, { "cam.3ds", "named.shd" }, own + "more than 15 shaders apply to node 'Box01'" },
    };
    for (const auto& c : cases) {
        std::vector<std::string> paths;
        for (const std::string& rel : c.strings) paths.push_back(d + rel);
        Section s = test_section("scene", c.params, paths, 0, 22, 1, 3);
        EXPECT_EXIT(FATAL(section_load(&s)), testing::ExitedWithCode(1), "^Error: " + c.message + "\n$");
    }
}
