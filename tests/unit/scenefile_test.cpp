/*
** scenefile_test.cpp -- scene files and camera-pick files: which scene files
** are sound enough for lib3ds, the pick entries and the second each one
** covers, and the fatal messages of a scene section's load.
*/
#include <gtest/gtest.h>

#include <stdlib.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "dkernel.h"
#include "model.h"
#include "scene.h"
#include "scene_writer.h"
#include "testdata.h"
#include "unit/tds_writer.h"

using namespace tds;
using ::testing::ExitedWithCode;

namespace {

int soundBytes(const Bytes& b)
{
    FILE* f = fmemopen((void*)b.data(), b.size(), "rb");
    int sound = model_chunksSound(f);
    fclose(f);
    return sound;
}

/* A keyframer node: id chunk (unless id < 0), header naming the parent
** (unless parent < 0), and any further chunks. */
Bytes node(unsigned tag, int id, int parent, const Bytes& more = Bytes())
{
    Bytes b;
    if (id >= 0) append(b, chunk(0xB030, u16((unsigned)id)));
    if (parent >= 0) append(b, chunk(0xB010, str("Box"), u16(0), u16(0), u16((unsigned)parent)));
    return chunk(tag, b, more);
}
Bytes keyframer(const Bytes& nodes) { return chunk(0xB000, nodes); }
/* A position track of `keys` keys, holding `stored` of them. */
Bytes posTrack(unsigned keys, unsigned stored, unsigned keyFlags = 0)
{
    Bytes b = cat(u16(0), u32(0), u32(0), u32(keys));
    for (unsigned i = 0; i < stored; i++) {
        append(b, u32(i), u16(keyFlags));
        for (int bit = 0; bit < 5; bit++)
            if (keyFlags & (1u << bit)) append(b, f32(0.5f));
        append(b, f32(1), f32(2), f32(3));
    }
    return chunk(0xB020, b);
}
Bytes scene(const Bytes& editor, const Bytes& keys = Bytes())
{
    return chunk(0x4D4D, chunk(0x3D3D, editor), keys);
}
Bytes triangle(const std::vector<F>& fs, const Bytes& groups = Bytes())
{
    return object("Box", triMesh(vertices({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}), faces(fs, groups)));
}
/* Nodes 0 .. n - 1, each below the one before it. */
Bytes chain(int n)
{
    Bytes b;
    for (int i = 0; i < n; i++) append(b, node(0xB002, i, i == 0 ? 65535 : i - 1));
    return keyframer(b);
}
Bytes nested(int levels)
{
    Bytes b = chunk(0x3D3D);
    for (int i = 0; i < levels; i++) b = chunk(0x3D3D, b);
    return chunk(0x4D4D, b);
}

TEST(SceneFile, CorpusAndWrittenScenesAreSound)
{
    std::vector<std::string> names = testdata_list("3ds");
    ASSERT_FALSE(names.empty());
    for (const std::string& name : names) {
        if (name.find(".3") == std::string::npos) continue;
        SCOPED_TRACE(name);
        FILE* f = fopen(testdata_path("3ds/" + name).c_str(), "rb");
        ASSERT_NE(f, nullptr);
        Lib3dsFile* file = scene_readFile(f);
        fclose(f);
        EXPECT_NE(file, nullptr);
        if (file) lib3ds_file_free(file);
    }

    TempDir tmp;
    Lib3dsFile* f = lib3ds_file_new();
    f->frames = 50;
    sw::wall(f, "Wall", 100, -10, 10, -10, 10);
    sw::objectNode(f, "Wall", 0);
    const float pos[3] = { 0, 0, 0 }, target[3] = { 0, 100, 0 }, lamp[3] = { 0, 50, 0 };
    sw::camera(f, "Cam", 1, pos, target, 45, 30);
    sw::light(f, "Lamp", 3, lamp, 1, 1, 1);
    ASSERT_TRUE(sw::save(f, tmp.path + "w.3ds"));
    FILE* written = fopen((tmp.path + "w.3ds").c_str(), "rb");
    ASSERT_NE(written, nullptr);
    EXPECT_EQ(model_chunksSound(written), 1);
    fclose(written);
}

struct SoundCase {
    const char* what;
    Bytes       bytes;
    int         sound;
};

TEST(SceneFile, DamageLib3dsCannotSurviveIsRefused)
{
    Bytes head = cat(u16(0x4D4D), u32(6 + 12));
    const SoundCase cases[] = {
        { "an empty main chunk", chunk(0x4D4D), 1 },
        { "a file that is no 3DS", chunk(0x3D3D), 0 },
        { "a main chunk longer than the file", cat(head, chunk(0x0002, u32(3))), 0 },
        { "a child running past its parent", chunk(0x4D4D, chunkWithLength(0x3D3D, 40, Bytes(4))), 0 },
        { "a child shorter than its header", chunk(0x4D4D, chunk(0x3D3D, chunkWithLength(0x4000, 0, Bytes()))), 0 },
        { "a zero-length chunk in a material colour",
          scene(chunk(0xAFFF, chunk(0xA010, chunkWithLength(0x0011, 0, Bytes(3))))), 0 },
        { "containers nested too deep", nested(40), 0 },
        { "containers nested as deep as models", nested(20), 1 },
        { "a point list longer than its chunk",
          scene(object("Box", triMesh(chunk(0x4110, u16(3), f32(0), f32(0), f32(0))))), 0 },
        { "a face naming a missing point", scene(triangle({{0, 1, 3, 0}})), 0 },
        { "faces before their points", scene(object("Box", triMesh(faces({{0, 1, 2, 0}}),
                                          vertices({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}})))), 1 },
        { "a material group naming a missing face",
          scene(triangle({{0, 1, 2, 0}}, group("Stone", {0, 1}))), 0 },
        { "a material group naming its face", scene(triangle({{0, 1, 2, 0}}, group("Stone", {0}))), 1 },
        { "a track with all its keys", scene(Bytes(), keyframer(node(0xB002, 0, 65535, posTrack(2, 2)))), 1 },
        { "keys with spline values",
          scene(Bytes(), keyframer(node(0xB002, 0, 65535, posTrack(1, 1, 0x1F)))), 1 },
        { "a key count beyond its track", scene(Bytes(), keyframer(node(0xB002, 0, 65535, posTrack(1000000, 2)))), 0 },
        { "spline values beyond their track",
          scene(Bytes(), keyframer(node(0xB002, 0, 65535, chunk(0xB020, u16(0), u32(0), u32(0), u32(1),
                                                                  u32(0), u16(0x1F), f32(1))))), 0 },
        { "a node that is its own parent", scene(Bytes(), keyframer(node(0xB002, 7, 7))), 0 },
        { "a first node without header or id", scene(Bytes(), keyframer(node(0xB002, -1, -1))), 0 },
        { "a second node without header or id",
          scene(Bytes(), keyframer(cat(node(0xB002, 5, 65535), node(0xB002, -1, -1)))), 1 },
        { "a node whose place is its parent",
          scene(Bytes(), keyframer(cat(node(0xB001, 5, 65535), node(0xB002, -1, 1)))), 0 },
        { "a hierarchy 1024 levels deep", scene(Bytes(), chain(1024)), 1 },
        { "a hierarchy 1025 levels deep", scene(Bytes(), chain(1025)), 0 },
        { "a node whose last id is its parent",
          scene(Bytes(), keyframer(node(0xB002, 3, 4, chunk(0xB030, u16(4))))), 0 },
    };
    for (const SoundCase& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(soundBytes(c.bytes), c.sound);
        FILE* f = fmemopen((void*)c.bytes.data(), c.bytes.size(), "rb");
        Lib3dsFile* file = scene_readFile(f);
        fclose(f);
        if (!c.sound) {
            EXPECT_EQ(file, nullptr);
        }
        if (file) lib3ds_file_free(file);
    }
}

std::string writeText(const std::string& text)
{
    char path[] = "/tmp/lumeno_pickcam_XXXXXX";
    int fd = mkstemp(path);
    EXPECT_GE(fd, 0);
    EXPECT_EQ(write(fd, text.data(), text.size()), (ssize_t)text.size());
    close(fd);
    return path;
}

TEST(Pickcam, EntriesInFileOrderAndTheSecondsTheyCover)
{
    std::string path = writeText(
        "camera Ignored before any entry\n"
        "; cut to the close-up at five\n"
        "{ wide\n"
        "CAMERA Wide01\n"
        "start 0\n"
        "End 5\n"
        "}\n"
        "\n"
        "{\n"
        "camera Close01\n"
        "start 5\n"
        "end 10\n"
        "{\n"
        "camera Late\n"
        "start 4\n"
        "end 12.5\n");
    Pickcam* list = pickcam_load(path.c_str());
    unlink(path.c_str());
    ASSERT_NE(list, nullptr);
    ASSERT_NE(list->next, nullptr);
    ASSERT_NE(list->next->next, nullptr);
    EXPECT_EQ(list->next->next->next, nullptr);
    EXPECT_STREQ(list->camera, "Wide01");
    EXPECT_FLOAT_EQ(list->end, 5.0f);
    EXPECT_FLOAT_EQ(list->next->next->end, 12.5f);

    struct { float t; const char* camera; } seconds[] = {
        { -0.01f, nullptr }, { 0.0f, "Wide01" }, { 4.99f, "Wide01" }, { 5.0f, "Close01" },
        { 9.99f, "Close01" }, { 10.0f, "Late" }, { 12.5f, nullptr },
    };
    for (const auto& s : seconds) {
        SCOPED_TRACE(s.t);
        const Pickcam* p = pickcam_find(list, s.t);
        EXPECT_STREQ(p ? p->camera : nullptr, s.camera);
    }
}

TEST(PickcamDeathTest, MistakesAreFatal)
{
    std::string unknown = writeText("{\ncamera A\nstart 0\nlength 5\n");
    EXPECT_EXIT(pickcam_load(unknown.c_str()), ExitedWithCode(1), "^Error: Unknown pickcam variable\n$");
    std::string unnamed = writeText("{\ncamera A\n}\n; B\n{\nstart 5\nend 6\n");
    EXPECT_EXIT(pickcam_load(unnamed.c_str()), ExitedWithCode(1),
                "^Error: Pickcam: entry without a camera \\(pickcam '" + unnamed + "', line 5\\)\n$");
    EXPECT_EXIT(pickcam_load("/nonexistent/cuts.cam"), ExitedWithCode(1),
                "^Error: Pickcam: error loading '/nonexistent/cuts.cam'\n$");
    unlink(unknown.c_str());
    unlink(unnamed.c_str());
}

/* ---- the section's load --------------------------------------------------- */

struct LoadCase {
    const char*              what;
    std::vector<float>       params;
    std::vector<std::string> strings;   /* relative to the scratch folder */
    std::string              message;
    bool                     section = true;   /* through section_error */
};

TEST(SceneLoadDeathTest, MessagesNameTheSectionAndTheFile)
{
    TempDir tmp;
    const std::string& d = tmp.path;
    ASSERT_TRUE(copyFile(testdata_path("3ds/RotatingCube.3DS"), d + "cube.3ds"));
    ASSERT_TRUE(copyFile(testdata_path("3ds/TargetCameraAnim.3ds"), d + "cam.3ds"));
    ASSERT_TRUE(save(d + "damaged.3ds", scene(triangle({{0, 1, 9, 0}}))));
    std::string sixteen;
    for (int i = 0; i < 16; i++) sixteen += "{\nmode color\n}\n";
    auto text = [](const std::string& t) { return Bytes(t.begin(), t.end()); };
    ASSERT_TRUE(save(d + "sixteen.shd", text(sixteen)));
    ASSERT_TRUE(save(d + "fifteen.shd", text(sixteen.substr(0, sixteen.size() - 15) + "{\nnode box01\n}\n")));
    ASSERT_TRUE(save(d + "one.shd", text("{\nmode color\n}\n")));
    ASSERT_TRUE(save(d + "bad.shd", text("{\nmode sparkle\n")));

    const LoadCase cases[] = {
        { "no param", {}, { "cam.3ds", "one.shd" }, "1 param needed" },
        { "two params", { 0, 0 }, { "cam.3ds", "one.shd" }, "1 param needed" },
        { "one string", { 0 }, { "cam.3ds" }, "2 or 3 strings needed" },
        { "four strings", { 0 }, { "cam.3ds", "one.shd", "a", "b" }, "2 or 3 strings needed" },
        { "a missing scene", { 0 }, { "gone.3ds", "one.shd" }, "'" + d + "gone.3ds' not found" },
        { "a folder for a scene", { 0 }, { "", "one.shd" }, "Error loading '" + d + "'" },
        { "a damaged scene", { 0 }, { "damaged.3ds", "one.shd" }, "Error loading '" + d + "damaged.3ds'" },
        { "a bad shader script", { 0 }, { "cam.3ds", "bad.shd" },
          "Unknown render mode \\(shader '" + d + "bad.shd', line 2\\)", false },
        { "a scene without cameras", { 1 }, { "cube.3ds", "one.shd" },
          "no cameras found in '" + d + "cube.3ds'" },
        { "a missing pick file", { 0 }, { "cam.3ds", "one.shd", "gone.cam" },
          "Pickcam: error loading '" + d + "gone.cam'", false },
        { "sixteen shaders on a node", { 0 }, { "cam.3ds", "sixteen.shd" },
          "more than 15 shaders apply to node 'Box01'" },
        { "a named sixteenth shader", { 0 }, { "cam.3ds", "fifteen.shd" },
          "more than 15 shaders apply to node 'Box01'" },
    };
    for (const LoadCase& c : cases) {
        SCOPED_TRACE(c.what);
        Section s = Section();
        s.type = getSectionByName("scene");
        s.layer = 22;
        s.start = 1.0f;
        s.end = 3.0f;
        s.duration = 2.0f;
        s.param_count = (int)c.params.size();
        for (size_t i = 0; i < c.params.size(); i++) s.params[i] = c.params[i];
        std::vector<std::string> paths;
        for (const std::string& rel : c.strings) paths.push_back(d + rel);
        s.string_count = (int)paths.size();
        for (size_t i = 0; i < paths.size(); i++) s.strings[i] = (char*)paths[i].c_str();
        std::string expected = c.section ? "scene \\(22, 1.000000 -> 3.000000\\): " + c.message : c.message;
        EXPECT_EXIT(section_load(&s), ExitedWithCode(1), "^Error: " + expected + "\n$");
    }
}

}  // namespace
