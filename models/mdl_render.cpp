/*
** mdl_render.cpp -- drawing a prepared model: the primitives that send its
** triangles to GL, their display-list step, the per-mode GL state around
** them, dot3 bump mapping and the normalization cube map it needs.
**
** Every primitive draws the opaque faces of each mesh in mesh and face
** order; the reader guarantees that face indices lie inside the mesh and
** that a mesh has either no texture coordinates or one per vertex.
*/
#include "model.h"

#include <GL/gl.h>
#include <GL/glext.h>
#include "glproc.h"
#include <GL/glu.h>
#include <math.h>
#include <stdlib.h>

#include "dkernel.h"
#include "gldrv.h"
#include "tex.h"

int cube_map = -1;

typedef void (*ModelDraw)(Model* model);

/* ---- the display-list step ---------------------------------------------- */

/* A textured list must hold every bind it needs: the texture manager skips
** a bind for the texture it believes bound, so the cache is emptied before
** compiling, and again after each call, since the list's last bind is not
** what the cache remembers when the list is replayed later. */
static void listStep(Model* model, unsigned int* slot, ModelDraw draw, bool textured)
{
    if (!demoSystem.display_lists || !slot) {
        draw(model);
        return;
    }
    if (*slot == 0) {
        GLuint list = glGenLists(1);
        if (list == 0) {          /* no list to be had: still draw this frame */
            draw(model);
            return;
        }
        if (textured)
            tex_reset_bind();
        glNewList(list, GL_COMPILE);
        draw(model);
        glEndList();
        *slot = list;
    }
    glCallList(*slot);
    if (textured)
        tex_reset_bind();
}

void model_releaseLists(unsigned int* slots, int count)
{
    if (demoSystem.debug || demoSystem.loop)
        return;
    model_deleteLists(slots, count);
}

void model_deleteLists(unsigned int* slots, int count)
{
    if (!slots)
        return;
    for (int i = 0; i < count; i++) {
        if (slots[i] != 0)
            glDeleteLists(slots[i], 1);
        slots[i] = 0;
    }
}

/* ---- materials ------------------------------------------------------------ */

static float clampUnit(float v)
{
    return v > 1.0f ? 1.0f : v > 0.0f ? v : 0.0f;
}

/* The alpha of the three colours is the material's opacity, so a
** transparent material blends as see-through also where it is lit. */
static void applyMaterial(const Material* m)
{
    float alpha = clampUnit(1.0f - m->transparency);
    float ambient[4] = { m->ambient[0], m->ambient[1], m->ambient[2], alpha };
    float diffuse[4] = { m->diffuse[0], m->diffuse[1], m->diffuse[2], alpha };
    float specular[4] = { m->specular[0], m->specular[1], m->specular[2], alpha };
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, ambient);
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, diffuse);
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, specular);
    /* the stored fraction, unscaled; GL refuses values outside 0..128 */
    float shininess = m->shininess;
    if (!(shininess >= 0.0f)) shininess = 0.0f;
    if (shininess > 128.0f) shininess = 128.0f;
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, shininess);
}

static void sendFace(const Mesh* mesh, const Face* face, bool smooth)
{
    if (!smooth)
        glNormal3fv(&face->normal.x);
    for (int k = 0; k < 3; k++) {
        const Vertex* v = &mesh->vertices[face->index[k]];
        if (smooth)
            glNormal3fv(&v->normal.x);
        glVertex3fv(&v->position.x);
    }
}

/* Flat and smooth drawing: the opaque block, then the transparent faces
** with the material remembered from the opaque block. */
static void drawLit(Model* model, bool smooth)
{
    const Material* last = nullptr;
    glBegin(GL_TRIANGLES);
    for (int m = 0; m < model->mesh_count; m++) {
        const Mesh* mesh = &model->meshes[m];
        for (int i = 0; i < mesh->face_count; i++) {
            const Face* face = &mesh->faces[i];
            if (face->material && face->material != last) {
                applyMaterial(face->material);
                last = face->material;
            }
            sendFace(mesh, face, smooth);
        }
    }
    glEnd();

    if (model->transparent_mesh_count == 0)
        return;
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glBegin(GL_TRIANGLES);
    for (int m = 0; m < model->mesh_count; m++) {
        const Mesh* mesh = &model->meshes[m];
        for (int i = 0; i < mesh->transparent_face_count; i++) {
            const Face* face = &mesh->transparent_faces[i];
            if (face->material != last) {
                glColor4f(0.0f, 0.0f, 0.0f, face->material ? face->material->transparency : 0.0f);
                if (face->material)
                    applyMaterial(face->material);
                last = face->material;
            }
            sendFace(mesh, face, smooth);
        }
    }
    glEnd();
}

/* ---- immediate primitives ------------------------------------------------- */

void render_fast3ds_immediate(Model* model)
{
    glBegin(GL_TRIANGLES);
    for (int m = 0; m < model->mesh_count; m++) {
        const Mesh* mesh = &model->meshes[m];
        for (int i = 0; i < mesh->face_count; i++)
            for (int k = 0; k < 3; k++)
                glVertex3fv(&mesh->vertices[mesh->faces[i].index[k]].position.x);
    }
    glEnd();
}

void render_flat3ds_immediate(Model* model) { drawLit(model, false); }

void render_smooth3ds_immediate(Model* model) { drawLit(model, true); }

static const TexCoord noTexCoord = { 0.0f, 0.0f };

/* A mesh read without texture coordinates maps every vertex to (0, 0). */
static const TexCoord* texCoordOf(const Mesh* mesh, int index)
{
    return index < mesh->texcoord_count ? &mesh->texcoords[index] : &noTexCoord;
}

void render_texture3ds_immediate(Model* model)
{
    int bound = -1;
    glBegin(GL_TRIANGLES);
    for (int m = 0; m < model->mesh_count; m++) {
        const Mesh* mesh = &model->meshes[m];
        for (int i = 0; i < mesh->face_count; i++) {
            const Face* face = &mesh->faces[i];
            if (!face->material || face->material->texture < 0)
                continue;
            if (face->material->texture != bound) {
                glEnd();
                bound = face->material->texture;
                tex_bind(bound);
                glBegin(GL_TRIANGLES);
            }
            for (int k = 0; k < 3; k++) {
                const TexCoord* t = texCoordOf(mesh, face->index[k]);
                glTexCoord2f(t->u, t->v);
                glVertex3fv(&mesh->vertices[face->index[k]].position.x);
            }
        }
    }
    glEnd();
}

void render_normal3ds_immediate(Model* model)
{
    glBegin(GL_TRIANGLES);
    for (int m = 0; m < model->mesh_count; m++) {
        const Mesh* mesh = &model->meshes[m];
        for (int i = 0; i < mesh->face_count; i++)
            for (int k = 0; k < 3; k++) {
                const Vertex* v = &mesh->vertices[mesh->faces[i].index[k]];
                glNormal3fv(&v->normal.x);
                glVertex3fv(&v->position.x);
            }
    }
    glEnd();
}

/* ---- cached primitives ------------------------------------------------------ */

void render_fast3ds(Model* model, unsigned int* slot) { listStep(model, slot, render_fast3ds_immediate, false); }
void render_flat3ds(Model* model, unsigned int* slot) { listStep(model, slot, render_flat3ds_immediate, false); }
void render_smooth3ds(Model* model, unsigned int* slot) { listStep(model, slot, render_smooth3ds_immediate, false); }
void render_texture3ds(Model* model, unsigned int* slot) { listStep(model, slot, render_texture3ds_immediate, true); }
void render_normal3ds(Model* model, unsigned int* slot) { listStep(model, slot, render_normal3ds_immediate, false); }

void render_cellshaded3ds(Model* model, unsigned int* slot)
{
    glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    glEnable(GL_TEXTURE_GEN_S);
    render_normal3ds(model, slot);
    glDisable(GL_TEXTURE_GEN_S);
}

void render_env3ds(Model* model, unsigned int* slot)
{
    glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    glEnable(GL_TEXTURE_GEN_S);
    glEnable(GL_TEXTURE_GEN_T);
    render_normal3ds(model, slot);
    glDisable(GL_TEXTURE_GEN_S);
    glDisable(GL_TEXTURE_GEN_T);
}

static void lineTo(const Vector* from, const Vector* along)
{
    glVertex3fv(&from->x);
    glVertex3f(from->x + 10.0f * along->x, from->y + 10.0f * along->y, from->z + 10.0f * along->z);
}

void render_normalsIn3ds(Model* model)
{
    glBegin(GL_LINES);
    for (int m = 0; m < model->mesh_count; m++) {
        const Mesh* mesh = &model->meshes[m];
        for (int i = 0; i < mesh->vertex_count; i++) {
            const Vertex* v = &mesh->vertices[i];
            glColor4f(1.0f, 0.0f, 0.0f, 0.0f);
            lineTo(&v->position, &v->tangent);
            glColor4f(0.0f, 1.0f, 0.0f, 0.0f);
            lineTo(&v->position, &v->binormal);
            glColor4f(0.0f, 0.0f, 1.0f, 0.0f);
            lineTo(&v->position, &v->normal);
        }
    }
    glEnd();
}

/* ---- bump mapping ------------------------------------------------------------ */

void model_bumpLight(Model* model, const float* modelview, float time)
{
    /* eye-space light, turned back by the transposed rotation; the
    ** translation is left out */
    const float eye[3] = { 1000.0f * sinf(time), 0.0f, 500.0f };
    Vector light;
    light.x = modelview[0] * eye[0] + modelview[1] * eye[1] + modelview[2] * eye[2];
    light.y = modelview[4] * eye[0] + modelview[5] * eye[1] + modelview[6] * eye[2];
    light.z = modelview[8] * eye[0] + modelview[9] * eye[1] + modelview[10] * eye[2];
    for (int m = 0; m < model->mesh_count; m++) {
        Mesh* mesh = &model->meshes[m];
        for (int i = 0; i < mesh->vertex_count; i++) {
            Vertex* v = &mesh->vertices[i];
            Vector d = { light.x - v->position.x, light.y - v->position.y, light.z - v->position.z };
            float length = vector_magnitude(&d);
            if (length != 0.0f)
                vector_scale(&d, 1.0f / length, &d);
            v->light_vector.x = vector_dotproduct(&d, &v->tangent);
            v->light_vector.y = vector_dotproduct(&d, &v->binormal);
            v->light_vector.z = vector_dotproduct(&d, &v->normal);
        }
    }
}

static void selectUnit(GLenum unit)
{
    glActiveTexture(unit);
    glClientActiveTexture(unit);
}

void render_bump3ds(Model* model, int normal_map)
{
    float modelview[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, modelview);
    model_bumpLight(model, modelview, demoSystem.time);

    /* unit 0 shows the normal map as it is; unit 1 forms its dot product
    ** with the light vector the cube map normalises per pixel */
    int map_id = normal_map >= 0 && normal_map < tex_count && tex_array[normal_map]
                     ? tex_array[normal_map]->gl_id : -1;
    selectUnit(GL_TEXTURE0);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, map_id >= 0 ? (GLuint)map_id : 0);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    selectUnit(GL_TEXTURE1);
    glEnable(GL_TEXTURE_CUBE_MAP);
    glBindTexture(GL_TEXTURE_CUBE_MAP, (GLuint)cube_map);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_COMBINE);
    glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE0_RGB, GL_PREVIOUS);
    glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE1_RGB, GL_TEXTURE);
    glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_RGB, GL_DOT3_RGB);

    glBegin(GL_TRIANGLES);
    for (int m = 0; m < model->mesh_count; m++) {
        const Mesh* mesh = &model->meshes[m];
        for (int i = 0; i < mesh->face_count; i++)
            for (int k = 0; k < 3; k++) {
                int index = mesh->faces[i].index[k];
                const Vertex* v = &mesh->vertices[index];
                const TexCoord* t = texCoordOf(mesh, index);
                glMultiTexCoord2f(GL_TEXTURE0, t->u, t->v);
                glMultiTexCoord3fv(GL_TEXTURE1, &v->light_vector.x);
                glVertex3fv(&v->position.x);
            }
    }
    glEnd();

    /* Unit 1 goes back to the default combiner as well: a later pass that
    ** turns texturing on there must not inherit the dot product. */
    glDisable(GL_TEXTURE_CUBE_MAP);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    selectUnit(GL_TEXTURE0);
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_TEXTURE_2D);
    tex_reset_bind();
}

/* ---- the normalization cube map ------------------------------------------------ */

void model_cubeTexel(int face, int row, int column, unsigned char* rgb)
{
    float half = CUBE_MAP_SIZE * 0.5f;
    float s = (float)column + 0.5f - half;
    float t = (float)row + 0.5f - half;
    Vector d;
    switch (face) {
    case 0:  d = Vector{ half, -t, -s }; break;
    case 1:  d = Vector{ -half, -t, s }; break;
    case 2:  d = Vector{ s, half, t }; break;
    case 3:  d = Vector{ s, -half, -t }; break;
    case 4:  d = Vector{ s, -t, half }; break;
    default: d = Vector{ -s, -t, -half }; break;
    }
    vector_normalize(&d);
    rgb[0] = (unsigned char)((d.x * 0.5f + 0.5f) * 255.0f);
    rgb[1] = (unsigned char)((d.y * 0.5f + 0.5f) * 255.0f);
    rgb[2] = (unsigned char)((d.z * 0.5f + 0.5f) * 255.0f);
}

void generateNormalizationCubeMap(void)
{
    static const GLenum faces[6] = {
        GL_TEXTURE_CUBE_MAP_POSITIVE_X, GL_TEXTURE_CUBE_MAP_NEGATIVE_X,
        GL_TEXTURE_CUBE_MAP_POSITIVE_Y, GL_TEXTURE_CUBE_MAP_NEGATIVE_Y,
        GL_TEXTURE_CUBE_MAP_POSITIVE_Z, GL_TEXTURE_CUBE_MAP_NEGATIVE_Z,
    };
    unsigned char* data = (unsigned char*)malloc(CUBE_MAP_SIZE * CUBE_MAP_SIZE * 3);
    if (!data)
        return;
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    for (int f = 0; f < 6; f++) {
        unsigned char* p = data;
        for (int i = 0; i < CUBE_MAP_SIZE; i++)
            for (int j = 0; j < CUBE_MAP_SIZE; j++, p += 3)
                model_cubeTexel(f, i, j, p);
        glTexImage2D(faces[f], 0, GL_RGB8, CUBE_MAP_SIZE, CUBE_MAP_SIZE, 0, GL_RGB,
                     GL_UNSIGNED_BYTE, data);
    }
    free(data);
}

/* Leaves cube_map at -1 when the GL has no cube maps or refuses this one;
** the caller turns that into its fatal error. */
void setupNormalizationCubeMap(void)
{
    if (!glDriver.ext_cube_map)
        return;
    /* an error left by earlier drawing is reported, not blamed on the map */
    GLenum earlier = glGetError();
    if (earlier != GL_NO_ERROR)
        dkernel_warn("Error in OpenGL: %s", (const char*)gluErrorString(earlier));

    GLuint id = 0;
    glGenTextures(1, &id);
    if (id == 0)
        return;
    glBindTexture(GL_TEXTURE_CUBE_MAP, id);
    generateNormalizationCubeMap();
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_WRAP_R, GL_CLAMP_TO_EDGE);
    if (glGetError() != GL_NO_ERROR) {
        glDeleteTextures(1, &id);
        return;
    }
    cube_map = (int)id;
}

/* ---- mode recipes ----------------------------------------------------------------- */

float model_validSize(float size)
{
    return size > 0.0f ? size : 1.0f;
}

/* A ramp is normally loaded one-dimensional; a shader script's texture is
** loaded as a plain picture, which serves as well when it is one pixel high
** (the generated S coordinate picks the shade, any T the only row). */
static GLenum rampTarget(int texture)
{
    if (texture >= 0 && texture < tex_count && tex_array[texture])
        return tex_array[texture]->target;
    return GL_TEXTURE_1D;
}

/* Normals are renormalised in the lit and mapped modes, so a model scaled by
** its splines is lit and mapped as it would be at its own size. */
void model_render(Model* model, int mode, float size, int texture, unsigned int* slot)
{
    switch (mode) {
    case RENDER_VERTEXES:
        glDisable(GL_TEXTURE_2D);
        glPointSize(model_validSize(size));
        glPolygonMode(GL_FRONT_AND_BACK, GL_POINT);
        render_fast3ds(model, slot);
        glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
        glPointSize(1.0f);
        glEnable(GL_TEXTURE_2D);
        break;
    case RENDER_WIREFRAME:
        glDisable(GL_TEXTURE_2D);
        glLineWidth(model_validSize(size));
        glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
        render_flat3ds(model, slot);
        glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
        glLineWidth(1.0f);
        glEnable(GL_TEXTURE_2D);
        break;
    case RENDER_COLOR:
        glDisable(GL_TEXTURE_2D);
        render_fast3ds(model, slot);
        glEnable(GL_TEXTURE_2D);
        break;
    case RENDER_FLAT:
    case RENDER_SHADED:
        glDisable(GL_TEXTURE_2D);
        glEnable(GL_LIGHTING);
        glEnable(GL_NORMALIZE);
        glShadeModel(mode == RENDER_FLAT ? GL_FLAT : GL_SMOOTH);
        if (mode == RENDER_FLAT)
            render_flat3ds(model, slot);
        else
            render_smooth3ds(model, slot);
        glShadeModel(GL_FLAT);
        glDisable(GL_NORMALIZE);
        glDisable(GL_LIGHTING);
        glEnable(GL_TEXTURE_2D);
        break;
    case RENDER_NORMALS:
        glDisable(GL_TEXTURE_2D);
        glLineWidth(model_validSize(size));
        render_normalsIn3ds(model);
        glLineWidth(1.0f);
        glEnable(GL_TEXTURE_2D);
        break;
    case RENDER_TEXTURE:
        render_texture3ds(model, slot);
        break;
    case RENDER_ENVIRONMENT:
        tex_bind(texture);
        glEnable(GL_NORMALIZE);
        render_env3ds(model, slot);
        glDisable(GL_NORMALIZE);
        break;
    case RENDER_CELL:
        glDisable(GL_TEXTURE_2D);
        glEnable(rampTarget(texture));
        glEnable(GL_NORMALIZE);
        tex_reset_bind();
        tex_bind(texture);
        render_cellshaded3ds(model, slot);
        tex_reset_bind();
        glDisable(GL_NORMALIZE);
        glDisable(rampTarget(texture));
        glEnable(GL_TEXTURE_2D);
        break;
    case RENDER_OUTLINE:
        glDisable(GL_TEXTURE_2D);
        glEnable(GL_CULL_FACE);
        glCullFace(GL_FRONT);
        glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
        glLineWidth(model_validSize(size));
        render_fast3ds(model, slot);
        glLineWidth(1.0f);
        glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
        glCullFace(GL_BACK);      /* GL's own default, which others expect */
        glDisable(GL_CULL_FACE);
        glEnable(GL_TEXTURE_2D);
        break;
    case RENDER_BUMP:
        if (cube_map == -1)
            setupNormalizationCubeMap();
        if (cube_map == -1)
            dkernel_error("Unable to create cube map");
        render_bump3ds(model, texture);
        break;
    default:
        break;
    }
}
