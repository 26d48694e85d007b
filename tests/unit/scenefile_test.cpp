/*
** scenefile_test.cpp -- which scene files are sound enough for lib3ds, the
** camera-pick entries and the seconds they cover, and the fatal messages
** of a scene section's load.
*/
#include <gtest/gtest.h>

#include <lib3ds/file.h>

#include <string>
#include <vector>

#include "dkernel.h"
#include "model.h"
#include "scene.h"
#include "testutil.h"
#include "unit/tds_writer.h"

using namespace tds;
using ::testing::ExitedWithCode;

namespace {

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
Bytes triangle(const std::vector<F>& fs, const Bytes& groups = Bytes())
{
    return object("Box", triMesh(vertices({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}), faces(fs, groups)));
}
Bytes chain(int n)
{
    Bytes b;
    for (int i = 0; i < n; i++) append(b, node(i, i == 0 ? 65535 : i - 1));
    return b;
}

Lib3dsFile* readScene(const Bytes& b, int* sound)
{
    FILE* f = fmemopen((void*)b.data(), b.size(), "rb");
    *sound = model_chunksSound(f);
    rewind(f);
    Lib3dsFile* file = scene_readFile(f);
    fclose(f);
    return file;
}

TEST(SceneFile, SoundFilesReachLib3dsAndDamageItCannotSurviveDoesNot)
{
    for (const std::string& name : testdata_list("3ds")) {
        if (name.find(".3") == std::string::npos) continue;
        FILE* f = fopen(testdata_path("3ds/" + name).c_str(), "rb");
        Lib3dsFile* file = f ? scene_readFile(f) : nullptr;
        EXPECT_NE(file, nullptr) << name;
        if (file) lib3ds_file_free(file);
        if (f) fclose(f);
    }
    struct { const char* what; Bytes bytes; int sound; } cases[] = {
        { "a child past its parent", chunk(0x4D4D, chunkWithLength(0x3D3D, 40, Bytes(4))), 0 },
        { "a zero-length chunk in a colour", scene(chunk(0xAFFF, chunk(0xA010, chunkWithLength(0x11, 0, {})))), 0 },
        { "a point list past its chunk", scene(object("Box", triMesh(chunk(0x4110, u16(3), f32(0))))), 0 },
        { "a face naming a missing point", scene(triangle({{0, 1, 3, 0}})), 0 },
        { "faces before their points",
          scene(object("Box", triMesh(faces({{0, 1, 2, 0}}), vertices({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}})))), 1 },
        { "a group naming a missing face", scene(triangle({{0, 1, 2, 0}}, group("Stone", {0, 1}))), 0 },
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
        int sound = -1;
        Lib3dsFile* file = readScene(c.bytes, &sound);
        EXPECT_EQ(sound, c.sound) << c.what;
        EXPECT_EQ(file != nullptr, c.sound == 1) << c.what;
        if (file) lib3ds_file_free(file);
    }
}

TEST(Pickcam, EntriesCoverTheirStartButNotTheirEnd)
{
    TempDir tmp;
    std::string text = "camera Ignored\n; cut at five\n{ wide\nCAMERA Wide\nstart 0\nEnd 5\n}\n\n"
                       "{\ncamera Close\nstart 5\nend 10\n{\ncamera Late\nstart 4\nend 12.5\n";
    ASSERT_TRUE(save(tmp.path + "cuts.cam", Bytes(text.begin(), text.end())));
    Pickcam* list = pickcam_load((tmp.path + "cuts.cam").c_str());
    struct { float t; const char* camera; } seconds[] = {
        { -0.01f, nullptr }, { 0, "Wide" }, { 4.99f, "Wide" }, { 5, "Close" }, { 10, "Late" }, { 12.5f, nullptr },
    };
    for (const auto& s : seconds) {
        const Pickcam* p = pickcam_find(list, s.t);
        EXPECT_STREQ(p ? p->camera : nullptr, s.camera) << s.t;
    }
}

TEST(SceneLoadDeathTest, MessagesNameTheSectionAndTheFile)
{
    TempDir tmp;
    const std::string& d = tmp.path;
    ASSERT_TRUE(writeFile(d + "cube.3ds", readFile(testdata_path("3ds/RotatingCube.3DS"))));
    ASSERT_TRUE(writeFile(d + "cam.3ds", readFile(testdata_path("3ds/TargetCameraAnim.3ds"))));
    ASSERT_TRUE(save(d + "damaged.3ds", scene(triangle({{0, 1, 9, 0}}))));
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
        { {}, { "cam.3ds", "one.shd" }, own + "1 param needed, 0 given" },
        { { 0 }, { "cam.3ds" }, own + "2 or 3 strings needed, 1 given" },
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
        EXPECT_EXIT(FATAL(section_load(&s)), ExitedWithCode(1), "^Error: " + c.message + "\n$");
    }
}

}  // namespace
