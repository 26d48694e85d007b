// make_scene.cpp -- writes the example demo's animated 3DS scene
// (examples/showcase/data/scene/showcase.3ds) with lib3ds's own writer: a
// turning crystal above a platform, a ring of pillars hung below a dummy
// node that turns the other way, two coloured lamps circling, and two target
// cameras -- one orbiting wide, one close with a roll.  Everything is
// computed here, so the committed file can be rebuilt byte for byte:
//   make-scene [output.3ds]
#include <lib3ds/camera.h>
#include <lib3ds/file.h>
#include <lib3ds/light.h>
#include <lib3ds/material.h>
#include <lib3ds/matrix.h>
#include <lib3ds/mesh.h>
#include <lib3ds/node.h>

#include <math.h>
#include <stdio.h>
#include <string.h>

#include <vector>

namespace {

const int kFrames = 180;   // six seconds at 30 frames a second
const float kPi = 3.14159265f;

struct P {
    float x, y, z;
};

void key3(Lib3dsLin3Track* track, int frame, P p)
{
    Lib3dsLin3Key* k = lib3ds_lin3_key_new();
    k->tcb.frame = frame;
    k->value[0] = p.x;
    k->value[1] = p.y;
    k->value[2] = p.z;
    lib3ds_lin3_track_insert(track, k);
}

void key1(Lib3dsLin1Track* track, int frame, float v)
{
    Lib3dsLin1Key* k = lib3ds_lin1_key_new();
    k->tcb.frame = frame;
    k->value = v;
    lib3ds_lin1_track_insert(track, k);
}

// Rotation keys hold the turn since the previous key, about `axis`.
void keyTurn(Lib3dsQuatTrack* track, int frame, P axis, float degrees)
{
    Lib3dsQuatKey* k = lib3ds_quat_key_new();
    k->tcb.frame = frame;
    k->axis[0] = axis.x;
    k->axis[1] = axis.y;
    k->axis[2] = axis.z;
    k->angle = degrees * kPi / 180.0f;
    lib3ds_quat_track_insert(track, k);
}

Lib3dsMaterial* material(Lib3dsFile* f, const char* name, float r, float g, float b, float shine)
{
    Lib3dsMaterial* m = lib3ds_material_new();
    strcpy(m->name, name);
    const float diffuse[4] = { r, g, b, 1 }, specular[4] = { 0.6f, 0.6f, 0.6f, 1 }, ambient[4] = { 0, 0, 0, 1 };
    memcpy(m->diffuse, diffuse, sizeof diffuse);
    memcpy(m->specular, specular, sizeof specular);
    memcpy(m->ambient, ambient, sizeof ambient);
    m->shininess = shine;
    lib3ds_file_insert_material(f, m);
    return m;
}

// A mesh from points (stored where the mesh stands, as exporters do) and
// counter-clockwise triangles; `centre` is the mesh matrix's translation,
// which the mesh's node must give back as its position.
Lib3dsMesh* mesh(Lib3dsFile* f, const char* name, const std::vector<P>& points,
                 const std::vector<int>& triangles, const char* mat, P centre)
{
    Lib3dsMesh* m = lib3ds_mesh_new(name);
    lib3ds_mesh_new_point_list(m, (Lib3dsDword)points.size());
    for (size_t i = 0; i < points.size(); i++) {
        m->pointL[i].pos[0] = points[i].x;
        m->pointL[i].pos[1] = points[i].y;
        m->pointL[i].pos[2] = points[i].z;
    }
    lib3ds_mesh_new_face_list(m, (Lib3dsDword)(triangles.size() / 3));
    for (size_t i = 0; i < triangles.size() / 3; i++) {
        for (int j = 0; j < 3; j++) m->faceL[i].points[j] = (Lib3dsWord)triangles[3 * i + j];
        strcpy(m->faceL[i].material, mat);
        m->faceL[i].smoothing = 1;
    }
    lib3ds_matrix_identity(m->matrix);
    lib3ds_matrix_translate_xyz(m->matrix, centre.x, centre.y, centre.z);
    lib3ds_file_insert_mesh(f, m);
    return m;
}

// A box from lo to hi, faces turned outwards; returns its centre, where
// its node has to place it.
P box(Lib3dsFile* f, const char* name, P lo, P hi, const char* mat)
{
    std::vector<P> p;
    for (int i = 0; i < 8; i++)
        p.push_back({ i & 1 ? hi.x : lo.x, i & 2 ? hi.y : lo.y, i & 4 ? hi.z : lo.z });
    const std::vector<int> t = { 0, 2, 3, 0, 3, 1,  4, 5, 7, 4, 7, 6,  0, 1, 5, 0, 5, 4,
                                 2, 6, 7, 2, 7, 3,  0, 4, 6, 0, 6, 2,  1, 3, 7, 1, 7, 5 };
    P centre = { (lo.x + hi.x) / 2, (lo.y + hi.y) / 2, (lo.z + hi.z) / 2 };
    mesh(f, name, p, t, mat, centre);
    return centre;
}

// A double pyramid of `sides` sides around the vertical through `c`.
void crystal(Lib3dsFile* f, const char* name, P c, float radius, float height, int sides, const char* mat)
{
    std::vector<P> p = { { c.x, c.y, c.z + height }, { c.x, c.y, c.z - height } };
    std::vector<int> t;
    for (int i = 0; i < sides; i++) {
        float a = 2 * kPi * i / sides;
        p.push_back({ c.x + radius * cosf(a), c.y + radius * sinf(a), c.z });
    }
    for (int i = 0; i < sides; i++) {
        int a = 2 + i, b = 2 + (i + 1) % sides;
        t.insert(t.end(), { 0, a, b, 1, b, a });
    }
    mesh(f, name, p, t, mat, c);
}

// A flat polygon platform of `sides` sides at height 0, facing up.
void platform(Lib3dsFile* f, const char* name, float radius, int sides, const char* mat)
{
    std::vector<P> p = { { 0, 0, 0 } };
    std::vector<int> t;
    for (int i = 0; i < sides; i++) {
        float a = 2 * kPi * i / sides;
        p.push_back({ radius * cosf(a), radius * sinf(a), 0 });
        t.insert(t.end(), { 0, 1 + i, 1 + (i + 1) % sides });
    }
    mesh(f, name, p, t, mat, { 0, 0, 0 });
}

Lib3dsNode* objectNode(Lib3dsFile* f, const char* name, int id, int parent, P pos)
{
    Lib3dsNode* n = lib3ds_node_new_object();
    strcpy(n->name, name);
    n->node_id = (Lib3dsWord)id;
    n->parent_id = (Lib3dsWord)parent;
    key3(&n->data.object.pos_track, 0, pos);
    key3(&n->data.object.scl_track, 0, { 1, 1, 1 });
    lib3ds_file_insert_node(f, n);
    return n;
}

// A target camera whose eye and target follow the given keys.
void camera(Lib3dsFile* f, const char* name, int id, const std::vector<std::pair<int, P>>& eye,
            const std::vector<std::pair<int, P>>& target, float fov, float roll_end)
{
    Lib3dsCamera* c = lib3ds_camera_new(name);
    memcpy(c->position, &eye[0].second, sizeof(float) * 3);
    memcpy(c->target, &target[0].second, sizeof(float) * 3);
    c->fov = fov;
    lib3ds_file_insert_camera(f, c);
    Lib3dsNode* n = lib3ds_node_new_camera();
    strcpy(n->name, name);
    n->node_id = (Lib3dsWord)id;
    n->parent_id = LIB3DS_NO_PARENT;
    for (const auto& k : eye) key3(&n->data.camera.pos_track, k.first, k.second);
    key1(&n->data.camera.fov_track, 0, fov);
    key1(&n->data.camera.roll_track, 0, 0);
    key1(&n->data.camera.roll_track, kFrames, roll_end);
    lib3ds_file_insert_node(f, n);
    Lib3dsNode* t = lib3ds_node_new_target();
    strcpy(t->name, name);
    t->node_id = (Lib3dsWord)(id + 1);
    t->parent_id = LIB3DS_NO_PARENT;
    for (const auto& k : target) key3(&t->data.target.pos_track, k.first, k.second);
    lib3ds_file_insert_node(f, t);
}

// A lamp circling the crystal at `radius`, starting at angle `phase`.
void lamp(Lib3dsFile* f, const char* name, int id, float r, float g, float b, float radius, float height,
          float phase)
{
    Lib3dsLight* l = lib3ds_light_new(name);
    l->color[0] = r;
    l->color[1] = g;
    l->color[2] = b;
    l->position[0] = radius * cosf(phase);
    l->position[1] = radius * sinf(phase);
    l->position[2] = height;
    lib3ds_file_insert_light(f, l);
    Lib3dsNode* n = lib3ds_node_new_light();
    strcpy(n->name, name);
    n->node_id = (Lib3dsWord)id;
    n->parent_id = LIB3DS_NO_PARENT;
    for (int k = 0; k <= 6; k++) {
        float a = phase + kPi * k / 3.0f;
        key3(&n->data.light.pos_track, k * kFrames / 6, { radius * cosf(a), radius * sinf(a), height });
    }
    key3(&n->data.light.col_track, 0, { r, g, b });
    lib3ds_file_insert_node(f, n);
}

}  // namespace

int main(int argc, char** argv)
{
    const char* out = argc > 1 ? argv[1] : "examples/showcase/data/scene/showcase.3ds";
    Lib3dsFile* f = lib3ds_file_new();
    f->frames = kFrames;
    f->segment_from = 0;
    f->segment_to = kFrames;

    material(f, "Crystal", 0.55f, 0.75f, 1.0f, 0.5f);
    material(f, "Stone", 0.8f, 0.7f, 0.55f, 0.2f);
    material(f, "Floor", 0.25f, 0.28f, 0.4f, 0.1f);

    platform(f, "Floor", 170, 24, "Floor");
    objectNode(f, "Floor", 0, LIB3DS_NO_PARENT, { 0, 0, 0 });

    const P core = { 0, 0, 55 };
    crystal(f, "Core", core, 26, 40, 6, "Crystal");
    Lib3dsNode* n = objectNode(f, "Core", 1, LIB3DS_NO_PARENT, core);
    for (int k = 0; k <= 6; k++) {
        key3(&n->data.object.pos_track, k * kFrames / 6, { 0, 0, core.z + (k % 2 ? 8.0f : -8.0f) });
        keyTurn(&n->data.object.rot_track, k * kFrames / 6, { 0, 0, 1 }, k ? 60.0f : 0.0f);
    }

    // The ring turns as a whole: a dummy parent, its pillars below it.
    Lib3dsNode* ring = objectNode(f, "$$$DUMMY", 2, LIB3DS_NO_PARENT, { 0, 0, 0 });
    strcpy(ring->data.object.instance, "Ring");
    keyTurn(&ring->data.object.rot_track, 0, { 0, 0, 1 }, 0);
    keyTurn(&ring->data.object.rot_track, kFrames, { 0, 0, 1 }, -90);
    for (int i = 0; i < 8; i++) {
        char name[16];
        snprintf(name, sizeof name, "Pillar%d", i + 1);
        float a = 2 * kPi * i / 8, x = 120 * cosf(a), y = 120 * sinf(a);
        float h = 40 + 25 * (i % 3);
        P centre = box(f, name, { x - 9, y - 9, 0 }, { x + 9, y + 9, h }, "Stone");
        objectNode(f, name, 10 + i, 2, centre);
    }

    // brighter than white: the scene's lights fade by 1 + distance / 100
    lamp(f, "Warm", 30, 1.8f, 1.35f, 0.8f, 100, 110, 0);
    lamp(f, "Cool", 31, 0.8f, 1.1f, 1.8f, 100, 80, kPi);

    // Wide: half a turn around the platform, sinking toward the rim.
    std::vector<std::pair<int, P>> wide;
    for (int k = 0; k <= 6; k++) {
        float a = -kPi / 2 + kPi * k / 6;
        wide.push_back({ k * kFrames / 6, { 330 * cosf(a), 330 * sinf(a), 170 - 12.0f * k } });
    }
    camera(f, "Wide", 40, wide, { { 0, { 0, 0, 40 } } }, 50, 0);
    // Close: drifting in on the crystal from low down, rolling a little.
    camera(f, "Close", 42, { { 0, { 150, -80, 20 } }, { kFrames, { 95, -40, 30 } } },
           { { 0, { 0, 0, 60 } }, { kFrames, { 0, 0, 50 } } }, 55, 20);

    if (!lib3ds_file_save(f, out)) {
        fprintf(stderr, "make-scene: cannot write %s\n", out);
        return 1;
    }
    lib3ds_file_free(f);
    printf("wrote %s\n", out);
    return 0;
}
