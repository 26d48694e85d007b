/*
** mdl_prepare.cpp -- load-time preparation of a model: face and vertex
** normals, reciprocal vertex weights, per-vertex tangent frames for bump
** mapping, the split of transparent faces into their own list, the sort by
** material, and the upload of material textures.
**
** Zero-area faces (coincident or collinear corners) get a zero normal: it
** adds nothing to the normals of their vertices (which still count the face
** in their weight), so no invalid number reaches any vertex.
*/
#include "model.h"
#include "tex.h"

#include <math.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>

/* ---- normals -------------------------------------------------------------- */

static void faceNormal(const Mesh* mesh, Face* face)
{
    const Vector* p0 = &mesh->vertices[face->index[0]].position;
    const Vector* p1 = &mesh->vertices[face->index[1]].position;
    const Vector* p2 = &mesh->vertices[face->index[2]].position;
    /* -((P0 - P1) x (P2 - P1)) equals (P1 - P0) x (P2 - P0) */
    Vector a, b, n;
    vector_sub(p1, p0, &a);   /* p0 - p1 */
    vector_sub(p1, p2, &b);   /* p2 - p1 */
    vector_crossproduct(&a, &b, &n);
    float length = vector_magnitude(&n);
    if (length > 0.0f && isfinite(length)) {
        face->normal.x = -n.x / length;
        face->normal.y = -n.y / length;
        face->normal.z = -n.z / length;
    } else {
        face->normal.x = face->normal.y = face->normal.z = 0.0f;
    }
}

static bool faceInMesh(const Face* f, int count)
{
    return f->index[0] < count && f->index[1] < count && f->index[2] < count;
}

static void meshNormals(Mesh* mesh)
{
    for (int i = 0; i < mesh->face_count; i++) {
        Face* face = &mesh->faces[i];
        if (!faceInMesh(face, mesh->vertex_count)) continue;
        faceNormal(mesh, face);
        for (int k = 0; k < 3; k++) {
            Vertex* v = &mesh->vertices[face->index[k]];
            vector_add(&v->normal, &face->normal, &v->normal);
            v->weight += 1.0f;
        }
    }
    for (int i = 0; i < mesh->vertex_count; i++) {
        Vertex* v = &mesh->vertices[i];
        if (v->weight == 0.0f) continue;
        v->weight = 1.0f / v->weight;
        vector_scale(&v->normal, v->weight, &v->normal);
    }
}

/* ---- tangent frames --------------------------------------------------------- */

void tangent_basis(const float* p0, const float* p1, const float* p2,
                   const float* t0, const float* t1, const float* t2,
                   float* tangent_out, float* binormal_out)
{
    float e1[3], e2[3];
    for (int i = 0; i < 3; i++) {
        e1[i] = p1[i] - p0[i];
        e2[i] = p2[i] - p0[i];
    }
    float du1 = t1[0] - t0[0], dv1 = t1[1] - t0[1];
    float du2 = t2[0] - t0[0], dv2 = t2[1] - t0[1];
    float d = du1 * dv2 - dv1 * du2;
    if (!(fabsf(d) > 1e-5f)) return;
    for (int i = 0; i < 3; i++) {
        tangent_out[i] = (dv2 * e1[i] - dv1 * e2[i]) / d;
        binormal_out[i] = (du1 * e2[i] - du2 * e1[i]) / d;
    }
}

static void normalizeIfLong(Vector* v)
{
    if (vector_magnitude(v) != 0.0f) vector_normalize(v);
}

/* tangent and binormal carry over from the last face that produced a frame,
** also into the next mesh: a face with a degenerate mapping reuses them. */
static void meshTangents(Mesh* mesh, float* tangent, float* binormal)
{
    for (int i = 0; i < mesh->face_count; i++) {
        const Face* face = &mesh->faces[i];
        if (!faceInMesh(face, mesh->vertex_count) || !faceInMesh(face, mesh->texcoord_count))
            continue;
        const Vertex* v[3];
        const TexCoord* t[3];
        for (int k = 0; k < 3; k++) {
            v[k] = &mesh->vertices[face->index[k]];
            t[k] = &mesh->texcoords[face->index[k]];
        }
        tangent_basis(&v[0]->position.x, &v[1]->position.x, &v[2]->position.x,
                      &t[0]->u, &t[1]->u, &t[2]->u, tangent, binormal);
        for (int k = 0; k < 3; k++) {
            Vertex* w = &mesh->vertices[face->index[k]];
            w->tangent.x = tangent[0];
            w->tangent.y = tangent[1];
            w->tangent.z = tangent[2];
            w->binormal.x = binormal[0];
            w->binormal.y = binormal[1];
            w->binormal.z = binormal[2];
        }
    }
    for (int i = 0; i < mesh->vertex_count; i++) {
        normalizeIfLong(&mesh->vertices[i].tangent);
        normalizeIfLong(&mesh->vertices[i].binormal);
    }
}

void calculateNormals(Model* model)
{
    for (int m = 0; m < model->mesh_count; m++) meshNormals(&model->meshes[m]);

    /* Before any face has produced a frame, faces store zero vectors, which
    ** the final normalisation leaves alone. */
    float tangent[3] = {0, 0, 0}, binormal[3] = {0, 0, 0};
    for (int m = 0; m < model->mesh_count; m++)
        if (model->meshes[m].texcoord_count != 0)
            meshTangents(&model->meshes[m], tangent, binormal);
}

/* ---- split and sort ------------------------------------------------------------ */

int compare(const void* face_a, const void* face_b)
{
    const Face* a = (const Face*)face_a;
    const Face* b = (const Face*)face_b;
    if (!a->material || !b->material || a->material == b->material) return 0;
    return strcasecmp(a->material->name, b->material->name);
}

static void swapFaces(Face* a, Face* b)
{
    Face t = *a;
    *a = *b;
    *b = t;
}

/* Quicksort with a three-way partition.  Its own rather than qsort: compare
** is not transitive (faces without material equal everything), which some
** library sorts do not survive, and most meshes hold long runs of one
** material, which a two-way partition turns quadratic.  Recursing into the
** smaller part bounds the stack. */
static void sortFaces(Face* faces, int count)
{
    while (count > 1) {
        Face pivot = faces[count / 2];
        int lt = 0, i = 0, gt = count;
        while (i < gt) {
            int c = compare(&faces[i], &pivot);
            if (c < 0) swapFaces(&faces[lt++], &faces[i++]);
            else if (c > 0) swapFaces(&faces[i], &faces[--gt]);
            else i++;
        }
        int right = count - gt;
        if (lt < right) {
            sortFaces(faces, lt);
            faces += gt;
            count = right;
        } else {
            sortFaces(faces + gt, right);
            count = lt;
        }
    }
}

static bool isTransparent(const Face* f)
{
    return f->material && f->material->transparency != 0.0f;
}

/* Returns false when the split lists cannot be allocated; the mesh then
** keeps all its faces in one list, drawn as opaque. */
static bool splitMesh(Mesh* mesh, int transparent)
{
    int opaque = mesh->face_count - transparent;
    Face* solid = opaque ? (Face*)malloc((size_t)opaque * sizeof(Face)) : nullptr;
    Face* clear = (Face*)malloc((size_t)transparent * sizeof(Face));
    if ((opaque && !solid) || !clear) {
        free(solid);
        free(clear);
        return false;
    }
    int s = 0, c = 0;
    for (int i = 0; i < mesh->face_count; i++) {
        if (isTransparent(&mesh->faces[i])) clear[c++] = mesh->faces[i];
        else solid[s++] = mesh->faces[i];
    }
    free(mesh->faces);
    mesh->faces = solid;
    mesh->face_count = opaque;
    free(mesh->transparent_faces);
    mesh->transparent_faces = clear;
    mesh->transparent_face_count = transparent;
    return true;
}

void reorderFaces(Model* model)
{
    for (int m = 0; m < model->mesh_count; m++) {
        Mesh* mesh = &model->meshes[m];
        int transparent = 0;
        for (int i = 0; i < mesh->face_count; i++)
            if (isTransparent(&mesh->faces[i])) transparent++;
        if (transparent && splitMesh(mesh, transparent)) model->transparent_mesh_count++;
        if (mesh->face_count > 0) sortFaces(mesh->faces, mesh->face_count);
        if (mesh->transparent_face_count > 0)
            sortFaces(mesh->transparent_faces, mesh->transparent_face_count);
    }
}

/* ---- textures ------------------------------------------------------------------------ */

void model_upload_tex(Model* model)
{
    int count = 0;
    for (Material* m = model->materials; m; m = m->next) {
        if (m->texture >= 0) tex_upload(m->texture);
        count++;
    }
    model->material_count = count;
}
