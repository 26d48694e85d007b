/*
** scene_writer.h -- small animated 3DS scenes with exact numbers, built
** with lib3ds's own writer, for the scene tests and benchmark.
** Coordinates are the scene's own (Z up); the file frees every record.
*/
#ifndef LUMENO_SCENE_WRITER_H
#define LUMENO_SCENE_WRITER_H

#include <lib3ds/camera.h>
#include <lib3ds/file.h>
#include <lib3ds/light.h>
#include <lib3ds/material.h>
#include <lib3ds/matrix.h>
#include <lib3ds/mesh.h>
#include <lib3ds/node.h>
#include <string.h>
#include <string>

namespace sw {

inline void key3(Lib3dsLin3Track* track, int frame, const float v[3])
{
    Lib3dsLin3Key* k = lib3ds_lin3_key_new();
    k->tcb.frame = frame;
    memcpy(k->value, v, 3 * sizeof(float));
    lib3ds_lin3_track_insert(track, k);
}

inline void key1(Lib3dsLin1Track* track, float v)
{
    Lib3dsLin1Key* k = lib3ds_lin1_key_new();
    k->value = v;
    lib3ds_lin1_track_insert(track, k);
}

/* A rectangle in the plane y = `y` (x0..x1, z0..z1) facing -y, its points
** stored where it stands with an identity mesh matrix. */
inline void wall(Lib3dsFile* f, const char* name, float y, float x0, float x1, float z0, float z1,
                 const char* material = "")
{
    Lib3dsMesh* m = lib3ds_mesh_new(name);
    lib3ds_mesh_new_point_list(m, 4);
    lib3ds_mesh_new_face_list(m, 2);
    const float p[4][3] = { { x0, y, z0 }, { x1, y, z0 }, { x1, y, z1 }, { x0, y, z1 } };
    for (int i = 0; i < 4; i++) memcpy(m->pointL[i].pos, p[i], sizeof p[i]);
    const Lib3dsWord faces[2][3] = { { 0, 1, 2 }, { 0, 2, 3 } };
    for (int i = 0; i < 2; i++) {
        memcpy(m->faceL[i].points, faces[i], sizeof faces[i]);
        strncpy(m->faceL[i].material, material, 63);
    }
    lib3ds_matrix_identity(m->matrix);
    lib3ds_file_insert_mesh(f, m);
}

inline Lib3dsNode* node(Lib3dsFile* f, Lib3dsNode* n, const char* name, int id, int parent = LIB3DS_NO_PARENT)
{
    strcpy(n->name, name);
    n->node_id = (Lib3dsWord)id;
    n->parent_id = (Lib3dsWord)parent;
    lib3ds_file_insert_node(f, n);
    return n;
}

inline Lib3dsNode* objectNode(Lib3dsFile* f, const char* name, int id, int parent = LIB3DS_NO_PARENT)
{
    Lib3dsNode* n = lib3ds_node_new_object();
    const float zero[3] = { 0, 0, 0 }, one[3] = { 1, 1, 1 };
    key3(&n->data.object.pos_track, 0, zero);
    key3(&n->data.object.scl_track, 0, one);
    return node(f, n, name, id, parent);
}

/* A target camera and its two nodes (ids `id` and `id` + 1). */
inline void camera(Lib3dsFile* f, const char* name, int id, const float pos[3], const float target[3],
                   float fov, float roll)
{
    Lib3dsCamera* c = lib3ds_camera_new(name);
    c->fov = fov;
    lib3ds_file_insert_camera(f, c);
    Lib3dsNode* n = lib3ds_node_new_camera();
    key3(&n->data.camera.pos_track, 0, pos);
    key1(&n->data.camera.fov_track, fov);
    key1(&n->data.camera.roll_track, roll);
    node(f, n, name, id);
    Lib3dsNode* t = lib3ds_node_new_target();
    key3(&t->data.target.pos_track, 0, target);
    node(f, t, name, id + 1);
}

/* An omni light of colour (v, v, v), with a node unless id is negative. */
inline void light(Lib3dsFile* f, const char* name, int id, const float pos[3], float v)
{
    Lib3dsLight* l = lib3ds_light_new(name);
    memcpy(l->position, pos, 3 * sizeof(float));
    l->color[0] = l->color[1] = l->color[2] = v;
    lib3ds_file_insert_light(f, l);
    if (id < 0) return;
    Lib3dsNode* n = lib3ds_node_new_light();
    key3(&n->data.light.pos_track, 0, pos);
    node(f, n, name, id);
}

/* A material of diffuse colour (r, g, b), no ambient or specular. */
inline void material(Lib3dsFile* f, const char* name, float r, float g, float b, float transparency = 0.0f,
                     const char* map = "")
{
    Lib3dsMaterial* m = lib3ds_material_new();
    strcpy(m->name, name);
    const float diffuse[4] = { r, g, b, 1 }, none[4] = { 0, 0, 0, 1 };
    memcpy(m->diffuse, diffuse, sizeof diffuse);
    memcpy(m->ambient, none, sizeof none);
    memcpy(m->specular, none, sizeof none);
    m->shininess = 0.0f;   /* the scene gives GL 2 to the power 10 x this */
    m->transparency = transparency;
    strncpy(m->texture1_map.name, map, 63);
    lib3ds_file_insert_material(f, m);
}

inline bool save(Lib3dsFile* f, const std::string& path)
{
    bool ok = lib3ds_file_save(f, path.c_str());
    lib3ds_file_free(f);
    return ok;
}

}  // namespace sw

#endif
