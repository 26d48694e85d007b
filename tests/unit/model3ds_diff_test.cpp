/*
** model3ds_diff_test.cpp -- our 3DS reader against lib3ds on every corpus
** file: mesh names, counts, positions (after our Y-up conversion), texture
** coordinates, material names and colours, and the material of every face
** must agree.  What the reader makes of single chunks is pinned by
** model3ds_test with files written chunk by chunk.
*/
#include <gtest/gtest.h>

#include <dirent.h>
#include <lib3ds/file.h>
#include <lib3ds/material.h>
#include <lib3ds/mesh.h>
#include <stdlib.h>
#include <strings.h>

#include <string>
#include <vector>

#include "model.h"
#include "testutil.h"
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
        ASSERT_TRUE(writeFile(dir + name, readFile(corpus + name))) << name;
    ASSERT_TRUE(writeFile(dir + "BERETTA_.JPG", readFile(testdata_path("3ds/test.png"))));
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
        expectNear(m->ambient, rm->ambient, 3);
        expectNear(m->diffuse, rm->diffuse, 3);
        expectNear(m->specular, rm->specular, 3);
        EXPECT_NEAR(m->transparency, rm->transparency, 1e-5f);
        EXPECT_NEAR(m->shininess_strength, rm->shin_strength, 1e-5f);
        EXPECT_STREQ(m->map_name, rm->texture1_map.name);
        EXPECT_EQ(m->two_sided != 0, rm->two_sided != 0);
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
    for (int k = 0; k < ours->mesh_count; k++)
        EXPECT_TRUE(matched[k] || ours->meshes[k].vertex_count + ours->meshes[k].face_count == 0) << ours->meshes[k].name;

    HFree3dsScene(ours);
    lib3ds_file_free(ref);
}

}  // namespace

TEST(Model3dsDiff, CorpusFiles)
{
    TempDir tmp;
    copyCorpus(tmp.path);
    int models = 0;
    for (const std::string& n : testdata_list("3ds")) {
        if (n.size() < 4 || strcasecmp(n.c_str() + n.size() - 4, ".3ds") != 0) continue;
        models++;
        compareWithLib3ds(tmp.path, n);
    }
    EXPECT_GE(models, 9);
}
