// make_scene.cpp -- writes the example demo's animated 3DS scene
// (examples/showcase/data/scene/showcase.3ds) with lib3ds's own writer: a
// faceted crystal turning above a round, finely divided floor, a ring of
// round pillars hung below a dummy node that turns the other way, a gold
// and an ice lamp circling, and three target cameras -- wide outside the
// pillars, close inside them, low outside looking up.  Everything is
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

const int kFrames = 240;   // eight seconds at 30 frames a second
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
                 const std::vector<int>& triangles, const char* mat, P centre,
                 const std::vector<int>& groups = {})
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
        /* faces of one smoothing group share their vertex normals; 0: flat */
        m->faceL[i].smoothing = groups.empty() ? 1 : (Lib3dsDword)groups[i];
    }
    lib3ds_matrix_identity(m->matrix);
    lib3ds_matrix_translate_xyz(m->matrix, centre.x, centre.y, centre.z);
    lib3ds_file_insert_mesh(f, m);
    return m;
}

// An upright cylinder of `sides` sides from height 0 to `h`: round sides
// (one smoothing group) and flat caps (their own groups).
P cylinder(Lib3dsFile* f, const char* name, float x, float y, float radius, float h, int sides,
           const char* mat)
{
    std::vector<P> p;
    std::vector<int> t, groups;
    for (int i = 0; i < sides; i++) {
        float a = 2 * kPi * i / sides;
        p.push_back({ x + radius * cosf(a), y + radius * sinf(a), 0 });
        p.push_back({ x + radius * cosf(a), y + radius * sinf(a), h });
    }
    for (int i = 0; i < sides; i++) {
        int a = 2 * i, b = 2 * ((i + 1) % sides);
        t.insert(t.end(), { a, b, b + 1, a, b + 1, a + 1 });
        groups.insert(groups.end(), { 1, 1 });
    }
    int top = (int)p.size();
    p.push_back({ x, y, h });
    for (int i = 0; i < sides; i++) {
        int a = 2 * i + 1, b = 2 * ((i + 1) % sides) + 1;
        t.insert(t.end(), { top, a, b });
        groups.push_back(2);
    }
    P centre = { x, y, h / 2 };
    mesh(f, name, p, t, mat, centre, groups);
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
    /* its facets are the point: no smoothing group */
    mesh(f, name, p, t, mat, c, std::vector<int>(t.size() / 3, 0));
}

// A round floor at height 0, facing up, in `rings` rings of `sides`
// segments: fine enough that the lamps' light spreads smoothly over it.
void floorDisc(Lib3dsFile* f, const char* name, float radius, int rings, int sides, const char* mat)
{
    std::vector<P> p = { { 0, 0, 0 } };
    std::vector<int> t;
    for (int r = 1; r <= rings; r++)
        for (int i = 0; i < sides; i++) {
            float a = 2 * kPi * (i + 0.5f * (r % 2)) / sides, d = radius * r / rings;
            p.push_back({ d * cosf(a), d * sinf(a), 0 });
        }
    for (int i = 0; i < sides; i++) t.insert(t.end(), { 0, 1 + i, 1 + (i + 1) % sides });
    for (int r = 1; r < rings; r++) {
        int in = 1 + (r - 1) * sides, out = 1 + r * sides;
        for (int i = 0; i < sides; i++) {
            int j = (i + 1) % sides;
            if (r % 2) t.insert(t.end(), { in + i, out + i, out + j, in + i, out + j, in + j });
            else t.insert(t.end(), { in + i, out + i, in + j, in + j, out + i, out + j });
        }
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
    material(f, "Stone", 0.55f, 0.47f, 0.72f, 0.3f);
    material(f, "Floor", 0.22f, 0.16f, 0.38f, 0.4f);

    floorDisc(f, "Floor", 170, 14, 48, "Floor");
    objectNode(f, "Floor", 0, LIB3DS_NO_PARENT, { 0, 0, 0 });

    const P core = { 0, 0, 55 };
    crystal(f, "Core", core, 26, 40, 6, "Crystal");
    Lib3dsNode* n = objectNode(f, "Core", 1, LIB3DS_NO_PARENT, core);
    for (int k = 0; k <= 8; k++) {
        key3(&n->data.object.pos_track, k * kFrames / 8, { 0, 0, core.z + (k % 2 ? 8.0f : -8.0f) });
        keyTurn(&n->data.object.rot_track, k * kFrames / 8, { 0, 0, 1 }, k ? 45.0f : 0.0f);
    }

    // The ring turns as a whole: a dummy parent, its pillars below it.
    // Pillars stand 110 to 130 from the middle; no camera goes there.
    Lib3dsNode* ring = objectNode(f, "$$$DUMMY", 2, LIB3DS_NO_PARENT, { 0, 0, 0 });
    strcpy(ring->data.object.instance, "Ring");
    keyTurn(&ring->data.object.rot_track, 0, { 0, 0, 1 }, 0);
    keyTurn(&ring->data.object.rot_track, kFrames, { 0, 0, 1 }, -90);
    for (int i = 0; i < 8; i++) {
        char name[16];
        snprintf(name, sizeof name, "Pillar%d", i + 1);
        float a = 2 * kPi * i / 8;
        float h = 40 + 25 * (i % 3);
        P centre = cylinder(f, name, 120 * cosf(a), 120 * sinf(a), 10, h, 16, "Stone");
        objectNode(f, name, 10 + i, 2, centre);
    }

    // brighter than white: the scene's lights fade by 1 + distance / 100
    lamp(f, "Warm", 30, 1.9f, 1.25f, 0.6f, 90, 100, 0);
    lamp(f, "Cool", 31, 0.6f, 1.0f, 1.9f, 90, 75, kPi);

    // Wide (0-4 s): a third of a turn well outside the pillars, sinking.
    std::vector<std::pair<int, P>> wide;
    for (int k = 0; k <= 4; k++) {
        float a = -kPi / 2 + kPi / 3 * k / 4;
        wide.push_back({ k * kFrames / 16, { 300 * cosf(a), 300 * sinf(a), 160 - 15.0f * k } });
    }
    wide.push_back({ kFrames, { 300 * cosf(-kPi / 6), 300 * sinf(-kPi / 6), 100 } });
    camera(f, "Wide", 40, wide, { { 0, { 0, 0, 45 } } }, 50, 0);
    // Close (4-6 s): inside the ring, 70 from the crystal, sliding round it.
    std::vector<std::pair<int, P>> close;
    for (int k = 0; k <= 4; k++) {
        float a = 0.3f + 0.5f * k / 4;
        close.push_back({ kFrames / 2 + k * kFrames / 16, { 70 * cosf(a), 70 * sinf(a), 40 + 4.0f * k } });
    }
    camera(f, "Close", 42, close, { { 0, { 0, 0, 55 } } }, 60, 10);
    // Top (6-8 s): high above, turning, looking down on the whole ring.
    std::vector<std::pair<int, P>> top;
    for (int k = 0; k <= 4; k++) {
        float a = 1.0f + 0.6f * k / 4;
        top.push_back({ 3 * kFrames / 4 + k * kFrames / 16, { 110 * cosf(a), 110 * sinf(a), 330 - 20.0f * k } });
    }
    camera(f, "Top", 44, top, { { 0, { 0, 0, 30 } } }, 55, 0);

    if (!lib3ds_file_save(f, out)) {
        fprintf(stderr, "make-scene: cannot write %s\n", out);
        return 1;
    }
    lib3ds_file_free(f);
    printf("wrote %s\n", out);
    return 0;
}
