/*
** scene_writer.h -- small animated 3DS scenes with exact numbers, built
** with lib3ds's own writer, for the scene tests and benchmark.
**
** Coordinates are the scene's own (Z up).  Every record is handed to the
** Lib3dsFile, which frees it with the file.
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

inline void key3(Lib3dsLin3Track* track, int frame, float x, float y, float z)
{
    Lib3dsLin3Key* k = lib3ds_lin3_key_new();
    k->tcb.frame = frame;
    k->value[0] = x;
    k->value[1] = y;
    k->value[2] = z;
    lib3ds_lin3_track_insert(track, k);
}

inline void key1(Lib3dsLin1Track* track, int frame, float v)
{
    Lib3dsLin1Key* k = lib3ds_lin1_key_new();
    k->tcb.frame = frame;
    k->value = v;
    lib3ds_lin1_track_insert(track, k);
}

/* A turn of `degrees` about the z axis at `frame`. */
inline void keyTurn(Lib3dsQuatTrack* track, int frame, float degrees)
{
    Lib3dsQuatKey* k = lib3ds_quat_key_new();
    k->tcb.frame = frame;
    k->axis[2] = 1.0f;
    k->angle = degrees * 3.14159265f / 180.0f;
    lib3ds_quat_track_insert(track, k);
}

/* An upright rectangle in the plane y = `y`, x from x0 to x1 and z from z0
** to z1, its two faces turned toward -y (a camera on the -y side sees
** their front).  Points are stored where they are, with an identity mesh
** matrix, as exporters do. */
inline Lib3dsMesh* wall(Lib3dsFile* f, const char* name, float y, float x0, float x1, float z0,
                        float z1, const char* material = "")
{
    Lib3dsMesh* m = lib3ds_mesh_new(name);
    lib3ds_mesh_new_point_list(m, 4);
    lib3ds_mesh_new_face_list(m, 2);
    const float p[4][3] = { { x0, y, z0 }, { x1, y, z0 }, { x1, y, z1 }, { x0, y, z1 } };
    for (int i = 0; i < 4; i++) memcpy(m->pointL[i].pos, p[i], sizeof p[i]);
    const Lib3dsWord faces[2][3] = { { 0, 1, 2 }, { 0, 2, 3 } };
    for (int i = 0; i < 2; i++) {
        memcpy(m->faceL[i].points, faces[i], sizeof faces[i]);
        strncpy(m->faceL[i].material, material, sizeof m->faceL[i].material - 1);
    }
    lib3ds_matrix_identity(m->matrix);
    lib3ds_file_insert_mesh(f, m);
    return m;
}

inline Lib3dsNode* objectNode(Lib3dsFile* f, const char* name, int id, int parent = LIB3DS_NO_PARENT)
{
    Lib3dsNode* n = lib3ds_node_new_object();
    strcpy(n->name, name);
    n->node_id = (Lib3dsWord)id;
    n->parent_id = (Lib3dsWord)parent;
    key3(&n->data.object.pos_track, 0, 0, 0, 0);
    key3(&n->data.object.scl_track, 0, 1, 1, 1);
    lib3ds_file_insert_node(f, n);
    return n;
}

/* A target camera and its two nodes (ids `id` and `id` + 1). */
inline void camera(Lib3dsFile* f, const char* name, int id, const float pos[3], const float target[3],
                   float fov = 45.0f, float roll = 0.0f)
{
    Lib3dsCamera* c = lib3ds_camera_new(name);
    memcpy(c->position, pos, 3 * sizeof(float));
    memcpy(c->target, target, 3 * sizeof(float));
    c->fov = fov;
    c->roll = roll;
    lib3ds_file_insert_camera(f, c);
    Lib3dsNode* n = lib3ds_node_new_camera();
    strcpy(n->name, name);
    n->node_id = (Lib3dsWord)id;
    n->parent_id = LIB3DS_NO_PARENT;
    key3(&n->data.camera.pos_track, 0, pos[0], pos[1], pos[2]);
    key1(&n->data.camera.fov_track, 0, fov);
    key1(&n->data.camera.roll_track, 0, roll);
    lib3ds_file_insert_node(f, n);
    Lib3dsNode* t = lib3ds_node_new_target();
    strcpy(t->name, name);
    t->node_id = (Lib3dsWord)(id + 1);
    t->parent_id = LIB3DS_NO_PARENT;
    key3(&t->data.target.pos_track, 0, target[0], target[1], target[2]);
    lib3ds_file_insert_node(f, t);
}

/* An omni light with its node, or without one when id is negative. */
inline void light(Lib3dsFile* f, const char* name, int id, const float pos[3], float r, float g, float b)
{
    Lib3dsLight* l = lib3ds_light_new(name);
    memcpy(l->position, pos, 3 * sizeof(float));
    l->color[0] = r;
    l->color[1] = g;
    l->color[2] = b;
    lib3ds_file_insert_light(f, l);
    if (id < 0) return;
    Lib3dsNode* n = lib3ds_node_new_light();
    strcpy(n->name, name);
    n->node_id = (Lib3dsWord)id;
    n->parent_id = LIB3DS_NO_PARENT;
    key3(&n->data.light.pos_track, 0, pos[0], pos[1], pos[2]);
    key3(&n->data.light.col_track, 0, r, g, b);
    lib3ds_file_insert_node(f, n);
}

inline Lib3dsMaterial* material(Lib3dsFile* f, const char* name, float r, float g, float b,
                                float transparency = 0.0f, const char* map = "")
{
    Lib3dsMaterial* m = lib3ds_material_new();
    strcpy(m->name, name);
    const float diffuse[3] = { r, g, b };
    memcpy(m->diffuse, diffuse, sizeof diffuse);
    memset(m->ambient, 0, sizeof m->ambient);
    memset(m->specular, 0, sizeof m->specular);
    m->shininess = 0.0f;
    m->transparency = transparency;
    strncpy(m->texture1_map.name, map, sizeof m->texture1_map.name - 1);
    lib3ds_file_insert_material(f, m);
    return m;
}

inline bool save(Lib3dsFile* f, const std::string& path)
{
    bool ok = lib3ds_file_save(f, path.c_str());
    lib3ds_file_free(f);
    return ok;
}

}  // namespace sw

#endif
