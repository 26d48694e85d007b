/*
** model3ds_diff_test.cpp -- our 3DS reader against lib3ds on every corpus
** file and on generated ones: mesh names, counts, positions (after our
** Y-up conversion), texture coordinates, material names and colours, and
** the material of every face must agree.
*/
#include <gtest/gtest.h>

#include <dirent.h>
#include <lib3ds/camera.h>
#include <lib3ds/file.h>
#include <lib3ds/light.h>
#include <lib3ds/material.h>
#include <lib3ds/mesh.h>
#include <stdlib.h>
#include <strings.h>

#include <string>
#include <vector>

#include "model.h"
#include "testdata.h"
#include "unit/tds_writer.h"

using namespace tds;

namespace {

const std::string corpus = std::string(LUMENO_DATA_DIR) + "/3ds/";

/* A writable copy of the corpus, with a stand-in for the map the
** transparent cubes name but the corpus leaves out (the loader recognises
** the picture by its content, not its extension). */
void copyCorpus(const std::string& dir)
{
    for (const std::string& name : testdata_list("3ds"))
        ASSERT_TRUE(copyFile(corpus + name, dir + name)) << name;
    ASSERT_TRUE(copyFile(testdata_path("3ds/test.png"), dir + "BERETTA_.JPG"));
}

std::vector<std::string> corpusModels()
{
    std::vector<std::string> names;
    for (const std::string& n : testdata_list("3ds"))
        if (n.size() > 4 && strcasecmp(n.c_str() + n.size() - 4, ".3ds") == 0) names.push_back(n);
    return names;
}

bool namedIn(const char* name, Lib3dsFile* f)
{
    for (Lib3dsCamera* c = f->cameras; c; c = c->next)
        if (strcmp(c->name, name) == 0) return true;
    for (Lib3dsLight* l = f->lights; l; l = l->next)
        if (strcmp(l->name, name) == 0) return true;
    return false;
}

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
        for (int i = 0; i < 3; i++) {
            EXPECT_NEAR(m->ambient[i], rm->ambient[i], 1e-5f);
            EXPECT_NEAR(m->diffuse[i], rm->diffuse[i], 1e-5f);
            EXPECT_NEAR(m->specular[i], rm->specular[i], 1e-5f);
        }
        EXPECT_NEAR(m->transparency, rm->transparency, 1e-5f);
        EXPECT_NEAR(m->shininess_strength, rm->shin_strength, 1e-5f);
        EXPECT_STREQ(m->map_name, rm->texture1_map.name);
        EXPECT_EQ(m->two_sided != 0, rm->two_sided != 0);
    }
    int ourMaterials = 0;
    for (Material* m = ours->materials; m; m = m->next) ourMaterials++;
    EXPECT_EQ(ourMaterials, refMaterials);

    /* meshes by name (lib3ds keeps its own order); our extra ones are the
    ** file's cameras and lights */
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
        for (unsigned i = 0; i < rm->texels; i++) {
            ASSERT_EQ(mesh.texcoords[i].u, rm->texelL[i][0]) << i;
            ASSERT_EQ(mesh.texcoords[i].v, rm->texelL[i][1]) << i;
        }
        for (unsigned i = 0; i < rm->faces; i++) {
            const Lib3dsFace& rf = rm->faceL[i];
            const Face& face = mesh.faces[i];
            for (int c = 0; c < 3; c++) ASSERT_EQ(face.index[c], rf.points[c]) << i;
            ASSERT_EQ(face.flags, rf.flags) << i;
            if (face.material) ASSERT_STREQ(face.material->name, rf.material) << i;
            else ASSERT_EQ(lib3ds_file_material_by_name(ref, rf.material), nullptr) << i;
        }
    }
    for (int k = 0; k < ours->mesh_count; k++) {
        if (matched[k]) continue;
        EXPECT_TRUE(namedIn(ours->meshes[k].name, ref)) << ours->meshes[k].name;
        EXPECT_EQ(ours->meshes[k].vertex_count, 0);
        EXPECT_EQ(ours->meshes[k].face_count, 0);
    }

    HFree3dsScene(ours);
    lib3ds_file_free(ref);
}

}  // namespace

TEST(Model3dsDiff, CorpusFiles)
{
    TempDir tmp;
    const std::string& dir = tmp.path;
    copyCorpus(dir);
    std::vector<std::string> names = corpusModels();
    ASSERT_GE(names.size(), 9u);
    for (const std::string& n : names) compareWithLib3ds(dir, n);
}

TEST(Model3dsDiff, GeneratedFiles)
{
    TempDir tmp;
    const std::string& dir = tmp.path;
    copyCorpus(dir);
    Bytes mats = cat(
        material(matName("Stone"), chunk(0xA010, color24(0x0011, 10, 20, 30)),
                 chunk(0xA020, colorF(0x0010, 0.5f, 0.25f, 1.0f)),
                 chunk(0xA030, color24(0x0011, 255, 255, 255)),
                 chunk(0xA041, percentInt(30)), chunk(0xA050, percentInt(40)), chunk(0xA081),
                 chunk(0xA200, percentInt(100), mapFile("TEST.PNG"))),
        material(matName("Plain"), chunk(0xA010, colorF(0x0013, 0, 0, 0)),
                 chunk(0xA020, color24(0x0011, 0, 128, 255)),
                 chunk(0xA030, color24(0x0011, 9, 9, 9)), chunk(0xA050, percentFloat(0.0f))));
    std::vector<P3> grid;
    std::vector<std::array<float, 2>> uv;
    std::vector<F> tris;
    for (int y = 0; y < 20; y++)
        for (int x = 0; x < 20; x++) {
            grid.push_back({x * 0.5f, y * -1.25f, (x ^ y) * 0.125f});
            uv.push_back({x / 19.0f, y / 19.0f});
            if (x < 19 && y < 19) {
                unsigned i = (unsigned)(y * 20 + x);
                tris.push_back({i, i + 1, i + 20, 7});
                tris.push_back({i + 1, i + 21, i + 20, 3});
            }
        }
    std::vector<unsigned> stone, plain;
    for (unsigned i = 0; i < tris.size(); i++) (i % 3 ? stone : plain).push_back(i);

    ASSERT_TRUE(save(dir + "gen_grid.3ds",
                     file(mats, object("grid", triMesh(vertices(grid), texcoords(uv),
                                                       faces(tris, cat(group("Stone", stone),
                                                                       group("Plain", plain))))),
                          object("bare", triMesh(vertices({{1, 2, 3}, {4, 5, 6}, {7, 8, 9}}),
                                                 faces({{0, 1, 2, 0}}))))));
    compareWithLib3ds(dir, "gen_grid.3ds");

    ASSERT_TRUE(save(dir + "gen_many.3ds",
                     file(mats, object("a", triMesh(vertices(grid), faces(tris, group("Plain", plain)))),
                          object("b", triMesh(vertices(grid), texcoords(uv), faces(tris))),
                          object("c", triMesh(vertices(grid))))));
    compareWithLib3ds(dir, "gen_many.3ds");
}
