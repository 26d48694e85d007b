/*
** sec_scene.cpp -- the `scene` section: plays an animated 3DS scene read by
** lib3ds (its node hierarchy, keyframed cameras and lights, meshes and
** materials), drawing every node's mesh once per shader of a shader script
** and looking through the camera a camera-pick file names for the second.
**
** The scene's private data and what it hangs on the lib3ds records live
** here:
**  - a material's user word: the tex_array index of its first texture map,
**    -1 for a material without one;
**  - a node's user word: its SceneNode -- the shaders that apply to it and,
**    for an object node with a mesh, the mesh and one display list per
**    shader.  The lists belong to the node rather than to the mesh, because
**    nodes that instance one mesh can have different shader lists;
**  - a face's user word: its material, none for a face without a material
**    name.
**
** The section sets the projection and modelview matrices itself (as a
** camera section does) and draws no matter what the player's camera is.
*/
#include <GL/gl.h>
#include <GL/glu.h>
#include <lib3ds/camera.h>
#include <lib3ds/file.h>
#include <lib3ds/light.h>
#include <lib3ds/material.h>
#include <lib3ds/matrix.h>
#include <lib3ds/mesh.h>
#include <lib3ds/node.h>
#include <math.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>
#include <sys/stat.h>

#include "dkernel.h"
#include "gldrv.h"
#include "model.h"
#include "scene.h"
#include "sectiontypes.h"
#include "shader.h"
#include "tex.h"

#define SCENE_NODE_SHADERS 16      /* list entries; the last stays empty */
#define SCENE_NEAR         10.0
#define SCENE_FAR          5000.0
#define SCENE_FPS          30.0f   /* frame rate of param 1 <= 0 */
#define SCENE_FOV          45.0f   /* when neither node nor camera has a usable one */
#define SCENE_DUMMY        "$$$DUMMY"

struct SceneMeshData {
    GLuint lists[SCENE_NODE_SHADERS];   /* one per shader of the node, 0 until compiled */
    int    has_transparent;             /* a face's material is transparent */
};

struct SceneNode {
    Shader*       shaders[SCENE_NODE_SHADERS];   /* ended by an empty entry */
    Lib3dsMesh*   mesh;                          /* none: nothing to draw */
    SceneMeshData data;
};

struct SceneVars {
    const char* camera_name;
    Lib3dsFile* file;
    Shader*     shaders;
    Pickcam*    pickcams;
    float       frame;
    float       frame_rate;
    int         light_count;   /* the lights that drive GL lights */
};

static GLUquadric* lightSphere;   /* the debug spheres of every scene */

/* ---- load ---------------------------------------------------------------- */

void preload_scene(void) {}

void check_scene(void)
{
    section_needCounts(count_exactly(1), count_range(2, 3), count_none());
    for (int i = 0; i < mySection->string_count; i++)
        section_needFile(mySection->strings[i]);
}

/* A missing file is "not found"; one that is there but is no regular file
** (a folder, a pipe that would block the load) or whose chunks are not
** sound cannot be loaded. */
static Lib3dsFile* scene_open(const char* path)
{
    struct stat st;
    if (stat(path, &st) != 0)
        section_error("'%s' not found", path);
    FILE* f = S_ISREG(st.st_mode) ? fopen(path, "rb") : nullptr;
    if (!f && S_ISREG(st.st_mode))
        section_error("'%s' not found", path);
    Lib3dsFile* file = f ? scene_readFile(f) : nullptr;
    if (f)
        fclose(f);
    if (!file)
        section_error("Error loading '%s'", path);
    return file;
}

/* Maps are looked up beside the scene file, as the model reader does. */
static void scene_loadMaps(Lib3dsFile* file, const char* path)
{
    char folder[DK_MAX_PATH];
    const char* slash = strrchr(path, '/');
    int length = slash ? (int)(slash - path + 1) : 0;
    snprintf(folder, sizeof folder, "%.*s", length, path);

    for (Lib3dsMaterial* m = file->materials; m; m = m->next) {
        char name[sizeof m->texture1_map.name + 1];
        snprintf(name, sizeof name, "%.*s", (int)sizeof m->texture1_map.name, m->texture1_map.name);
        if (!name[0])
            continue;
        char map[1024];
        model_findMapFile(folder, name, map, sizeof map);
        int texture = tex_load(map);
        tex_upload(texture);
        m->user.i = texture;
    }
}

static int scene_hasShader(Shader* const* list, const Shader* shader)
{
    for (; *list; list++)
        if (*list == shader)
            return 1;
    return 0;
}

void prepare_node(Lib3dsNode* node, Shader* const* parent_list)
{
    SceneVars* vars = (SceneVars*)mySection->vars;
    SceneNode* data = (SceneNode*)calloc(1, sizeof(SceneNode));
    if (!data)
        section_error("out of memory");
    node->user.p = data;
    int n = 0;
    for (; parent_list && parent_list[n]; n++)
        data->shaders[n] = parent_list[n];
    for (Shader* s = vars->shaders; s; s = s->next) {
        if (s->node && strcasecmp(s->node, node->name) != 0)
            continue;
        if (scene_hasShader(data->shaders, s))
            continue;
        if (n == SCENE_NODE_SHADERS - 1)
            section_error("more than %d shaders apply to node '%s'", SCENE_NODE_SHADERS - 1, node->name);
        data->shaders[n++] = s;
    }
    for (Lib3dsNode* child = node->childs; child; child = child->next)
        prepare_node(child, data->shaders);

    if (node->type != LIB3DS_OBJECT_NODE || strcmp(node->name, SCENE_DUMMY) == 0)
        return;
    Lib3dsMesh* mesh = lib3ds_file_mesh_by_name(vars->file, node->name);
    if (!mesh)
        return;
    data->mesh = mesh;
    for (Lib3dsDword i = 0; i < mesh->faces; i++) {
        Lib3dsFace* face = &mesh->faceL[i];
        Lib3dsMaterial* m = face->material[0] ? lib3ds_file_material_by_name(vars->file, face->material) : nullptr;
        face->user.material = m;
        if (m && m->transparency > 0.0f)
            data->data.has_transparent = 1;
    }
}

void load_scene(void)
{
    const char* path = mySection->strings[0];
    SceneVars* vars = (SceneVars*)section_allocVars(sizeof(SceneVars));

    vars->file = scene_open(path);
    /* no material holds a texture until its map loads */
    for (Lib3dsMaterial* m = vars->file->materials; m; m = m->next)
        m->user.i = -1;
    vars->shaders = shaders_load(mySection->strings[1]);
    /* a section that never plays (end at its start) must not divide by 0 */
    if (mySection->params[0] > 0.0f && mySection->duration > 0.0f)
        vars->frame_rate = (float)vars->file->frames / mySection->duration;
    else
        vars->frame_rate = SCENE_FPS;

    if (!vars->file->cameras)
        section_error("no cameras found in '%s'", path);
    if (mySection->string_count == 3)
        vars->pickcams = pickcam_load(mySection->strings[2]);
    else
        vars->camera_name = vars->file->cameras->name;

    scene_loadMaps(vars->file, path);
    for (Lib3dsNode* node = vars->file->nodes; node; node = node->next)
        prepare_node(node, nullptr);

    /* GL has a fixed number of lights; the scene's lights beyond it stay dark
    ** rather than naming a light GL does not have. */
    GLint max_lights = 8;
    glGetIntegerv(GL_MAX_LIGHTS, &max_lights);
    for (Lib3dsLight* l = vars->file->lights; l && vars->light_count < max_lights; l = l->next)
        vars->light_count++;
}

static void scene_setFrame(SceneVars* vars)
{
    float frame = mySection->elapsed * vars->frame_rate;
    float last = (float)vars->file->frames;
    vars->frame = frame < last ? frame : last;
}

void init_scene(void)
{
    scene_setFrame((SceneVars*)mySection->vars);
}

/* ---- lights ---------------------------------------------------------------- */

/* The scene's position of a node: the translation of its evaluated matrix. */
static void scene_nodePosition(const Lib3dsNode* node, float* out)
{
    out[0] = node->matrix[3][0];
    out[1] = node->matrix[3][1];
    out[2] = node->matrix[3][2];
}

/* GL wants half the cone, at most 90 degrees; 3DS stores the whole cone. */
static float scene_spotCutoff(const Lib3dsLight* light)
{
    float cutoff = light->fall_off * 0.5f;
    if (!(cutoff >= 0.0f) || cutoff > 90.0f)
        return 90.0f;
    return cutoff;
}

void active_lights(void)
{
    SceneVars* vars = (SceneVars*)mySection->vars;
    Lib3dsFile* file = vars->file;
    glEnable(GL_LIGHTING);
    int i = 0;
    for (Lib3dsLight* l = file->lights; l && i < vars->light_count; l = l->next, i++) {
        GLenum gl = (GLenum)(GL_LIGHT0 + i);
        static const GLfloat ambient[4] = { 0.0f, 0.0f, 0.0f, 1.0f };
        const GLfloat colour[4] = { l->color[0], l->color[1], l->color[2], 1.0f };
        glEnable(gl);
        glLightfv(gl, GL_AMBIENT, ambient);
        glLightfv(gl, GL_DIFFUSE, colour);
        glLightfv(gl, GL_SPECULAR, colour);
        glLightf(gl, GL_CONSTANT_ATTENUATION, 1.0f);
        glLightf(gl, GL_LINEAR_ATTENUATION, 0.01f);
        glLightf(gl, GL_QUADRATIC_ATTENUATION, 0.0f);

        /* The node's matrix already moves to the light's animated place, so
        ** the light sits at the node's origin; without a node it stays where
        ** the file put it. */
        Lib3dsNode* node = lib3ds_file_node_by_name(file, l->name, LIB3DS_LIGHT_NODE);
        float position[3] = { l->position[0], l->position[1], l->position[2] };
        glPushMatrix();
        if (node) {
            glMultMatrixf(&node->matrix[0][0]);
            scene_nodePosition(node, position);
        }
        const GLfloat at[4] = { node ? 0.0f : position[0], node ? 0.0f : position[1],
                                node ? 0.0f : position[2], 1.0f };
        glLightfv(gl, GL_POSITION, at);
        if (demoSystem.debug) {
            if (!lightSphere)
                lightSphere = gluNewQuadric();
            glTranslatef(at[0], at[1], at[2]);
            glDisable(GL_LIGHTING);
            glDisable(GL_TEXTURE_2D);
            glColor4fv(colour);
            if (lightSphere)
                gluSphere(lightSphere, 5.0, 5, 5);
            glEnable(GL_TEXTURE_2D);
            glEnable(GL_LIGHTING);
        }
        glPopMatrix();

        if (l->spot_light) {
            Lib3dsNode* spot = lib3ds_file_node_by_name(file, l->name, LIB3DS_SPOT_NODE);
            float target[3] = { l->spot[0], l->spot[1], l->spot[2] };
            if (spot)
                scene_nodePosition(spot, target);
            const GLfloat direction[3] = { target[0] - position[0], target[1] - position[1],
                                           target[2] - position[2] };
            glLightfv(gl, GL_SPOT_DIRECTION, direction);
            glLightf(gl, GL_SPOT_CUTOFF, scene_spotCutoff(l));
        } else {
            glLightf(gl, GL_SPOT_CUTOFF, 180.0f);
        }
    }
    glDisable(GL_LIGHTING);
}

/* Sections drawn later may use the same GL lights: they get them back off,
** unattenuated and without a cone. */
void deactive_lights(void)
{
    SceneVars* vars = (SceneVars*)mySection->vars;
    for (int i = 0; i < vars->light_count; i++) {
        GLenum gl = (GLenum)(GL_LIGHT0 + i);
        glDisable(gl);
        glLightf(gl, GL_SPOT_CUTOFF, 180.0f);
        glLightf(gl, GL_CONSTANT_ATTENUATION, 1.0f);
        glLightf(gl, GL_LINEAR_ATTENUATION, 0.0f);
    }
    glDisable(GL_LIGHTING);
}

/* ---- meshes ------------------------------------------------------------------ */

static void scene_material(const Lib3dsMaterial* current)
{
    if (!current) {
        static const GLfloat ambient[4] = { 0.2f, 0.2f, 0.2f, 1.0f };
        static const GLfloat diffuse[4] = { 0.8f, 0.8f, 0.8f, 1.0f };
        static const GLfloat specular[4] = { 0.0f, 0.0f, 0.0f, 1.0f };
        glMaterialfv(GL_FRONT, GL_AMBIENT, ambient);
        glMaterialfv(GL_FRONT, GL_DIFFUSE, diffuse);
        glMaterialfv(GL_FRONT, GL_SPECULAR, specular);
        return;
    }
    Lib3dsMaterial* m = (Lib3dsMaterial*)current;
    float a = 1.0f - m->transparency;
    if (!(a >= 0.0f))
        a = 0.0f;
    if (a > 1.0f)
        a = 1.0f;
    const GLfloat ambient[4] = { 0.0f, 0.0f, 0.0f, a };
    m->diffuse[3] = a;
    m->specular[3] = a;
    glMaterialfv(GL_FRONT, GL_AMBIENT, ambient);
    glMaterialfv(GL_FRONT, GL_DIFFUSE, m->diffuse);
    glMaterialfv(GL_FRONT, GL_SPECULAR, m->specular);
    float shininess = powf(2.0f, 10.0f * m->shininess);
    if (!(shininess <= 128.0f))
        shininess = 128.0f;
    glMaterialf(GL_FRONT, GL_SHININESS, shininess);
}

static void scene_positionsReversed(const Lib3dsMesh* mesh)
{
    glBegin(GL_TRIANGLES);
    for (Lib3dsDword i = mesh->faces; i-- > 0;)
        for (int j = 0; j < 3; j++)
            glVertex3fv(mesh->pointL[mesh->faceL[i].points[j]].pos);
    glEnd();
}

/* Flat and smooth lighting: face or vertex normals, the material set again
** whenever it changes from one face to the next. */
static void scene_lit(const Lib3dsMesh* mesh, const Lib3dsVector* normals)
{
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_LIGHTING);
    glShadeModel(normals ? GL_SMOOTH : GL_FLAT);
    glBegin(GL_TRIANGLES);
    for (Lib3dsDword i = 0; i < mesh->faces; i++) {
        const Lib3dsFace* face = &mesh->faceL[i];
        if (i == 0 || face->user.material != mesh->faceL[i - 1].user.material) {
            glEnd();
            scene_material(face->user.material);
            glBegin(GL_TRIANGLES);
        }
        if (!normals)
            glNormal3fv(face->normal);
        for (int j = 0; j < 3; j++) {
            if (normals)
                glNormal3fv(normals[3 * i + j]);
            glVertex3fv(mesh->pointL[face->points[j]].pos);
        }
    }
    glEnd();
    glShadeModel(GL_FLAT);
    glDisable(GL_LIGHTING);
    glEnable(GL_TEXTURE_2D);
}

static int scene_faceTexture(const Lib3dsFace* face)
{
    const Lib3dsMaterial* m = face->user.material;
    return m ? m->user.i : -1;
}

/* Faces whose material has no map are drawn untextured in the shader's
** colour rather than with whatever texture the previous face left bound. */
static void scene_textured(const Lib3dsMesh* mesh)
{
    int bound = -2;   /* nothing decided yet */
    glBegin(GL_TRIANGLES);
    for (Lib3dsDword i = 0; i < mesh->faces; i++) {
        const Lib3dsFace* face = &mesh->faceL[i];
        int texture = scene_faceTexture(face);
        if (texture != bound) {
            glEnd();
            if (texture < 0) {
                glDisable(GL_TEXTURE_2D);
            } else {
                glEnable(GL_TEXTURE_2D);
                tex_bind(texture);
            }
            bound = texture;
            glBegin(GL_TRIANGLES);
        }
        for (int j = 0; j < 3; j++) {
            Lib3dsWord p = face->points[j];
            if (p < mesh->texels)
                glTexCoord2fv(mesh->texelL[p]);
            else
                glTexCoord2f(0.0f, 0.0f);
            glVertex3fv(mesh->pointL[p].pos);
        }
    }
    glEnd();
    glEnable(GL_TEXTURE_2D);
}

static void scene_environment(const Lib3dsMesh* mesh, const Lib3dsVector* normals, int texture)
{
    tex_bind(texture);
    glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    glEnable(GL_TEXTURE_GEN_S);
    glEnable(GL_TEXTURE_GEN_T);
    glBegin(GL_TRIANGLES);
    for (Lib3dsDword i = 0; i < mesh->faces; i++)
        for (int j = 0; j < 3; j++) {
            glNormal3fv(normals[3 * i + j]);
            glVertex3fv(mesh->pointL[mesh->faceL[i].points[j]].pos);
        }
    glEnd();
    glDisable(GL_TEXTURE_GEN_S);
    glDisable(GL_TEXTURE_GEN_T);
}

/* One mesh as one shader draws it, in the node's frame: what a display list
** holds, or what is drawn every frame without display lists. */
static void scene_drawMesh(Lib3dsMesh* mesh, const Shader* shader)
{
    /* the stored points are in the scene's frame: back to the mesh's own */
    Lib3dsMatrix inverse;
    lib3ds_matrix_copy(inverse, mesh->matrix);
    if (lib3ds_matrix_inv(inverse))
        glMultMatrixf(&inverse[0][0]);

    int smooth = shader->mode == RENDER_SHADED || shader->mode == RENDER_ENVIRONMENT;
    Lib3dsVector* normals = nullptr;
    if (smooth && mesh->faces > 0) {
        normals = (Lib3dsVector*)malloc(3 * sizeof(Lib3dsVector) * mesh->faces);
        if (!normals)
            return;
        lib3ds_mesh_calculate_normals(mesh, normals);
    }
    if (shader->cull_on) {
        glEnable(GL_CULL_FACE);
        glCullFace((GLenum)shader->cull_face);
    }
    /* binds recorded into a list must not be skipped for the cache's sake */
    tex_reset_bind();

    switch (shader->mode) {
    case RENDER_WIREFRAME:
        glDisable(GL_TEXTURE_2D);
        /* GL refuses a width of 0 or less, every frame the list runs */
        glLineWidth(shader->line_width > 0.0f ? shader->line_width : 1.0f);
        glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
        scene_positionsReversed(mesh);
        glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
        glLineWidth(1.0f);
        glEnable(GL_TEXTURE_2D);
        break;
    case RENDER_COLOR:
        glDisable(GL_TEXTURE_2D);
        scene_positionsReversed(mesh);
        glEnable(GL_TEXTURE_2D);
        break;
    case RENDER_FLAT:
        scene_lit(mesh, nullptr);
        break;
    case RENDER_SHADED:
        if (normals)
            scene_lit(mesh, normals);
        break;
    case RENDER_TEXTURE:
        scene_textured(mesh);
        break;
    case RENDER_ENVIRONMENT:
        if (normals)
            scene_environment(mesh, normals, shader->texture);
        break;
    default:
        break;   /* the other modes have no scene drawing */
    }

    if (shader->cull_on)
        glDisable(GL_CULL_FACE);
    free(normals);
    tex_reset_bind();
}

void render_node(Lib3dsNode* node, int pass)
{
    for (Lib3dsNode* child = node->childs; child; child = child->next)
        render_node(child, pass);

    SceneNode* data = (SceneNode*)node->user.p;
    if (!data || !data->mesh || data->data.has_transparent != pass)
        return;
    for (int k = 0; data->shaders[k]; k++) {
        const Shader* shader = data->shaders[k];
        GLuint* list = &data->data.lists[k];
        if (demoSystem.display_lists && *list == 0) {
            *list = glGenLists(1);
            if (*list) {
                glNewList(*list, GL_COMPILE);
                scene_drawMesh(data->mesh, shader);
                glEndList();
            }
        }
        if (pass == 0) {
            if (shader->blend_on)
                glBlendFunc((GLenum)shader->blend_src, (GLenum)shader->blend_dst);
            else
                glBlendFunc(GL_ONE, GL_ZERO);
        }
        glColor4fv(shader->color);
        glPushMatrix();
        glMultMatrixf(&node->matrix[0][0]);
        const float* pivot = node->data.object.pivot;
        glTranslatef(-pivot[0], -pivot[1], -pivot[2]);
        if (demoSystem.display_lists && *list)
            glCallList(*list);
        else
            scene_drawMesh(data->mesh, shader);
        glPopMatrix();
    }
}

/* ---- the frame ---------------------------------------------------------------- */

/* The evaluated field of view, else the camera's own, else a usual one: a
** camera node without a field-of-view track evaluates to 0, which no
** projection can use. */
static float scene_fov(Lib3dsFile* file, const Lib3dsNode* camera)
{
    float fov = camera->data.camera.fov;
    if (fov > 0.0f && fov < 180.0f)
        return fov;
    Lib3dsCamera* c = lib3ds_file_camera_by_name(file, camera->name);
    if (c && c->fov > 0.0f && c->fov < 180.0f)
        return c->fov;
    return SCENE_FOV;
}

void render_scene(void)
{
    SceneVars* vars = (SceneVars*)mySection->vars;
    Lib3dsFile* file = vars->file;
    float elapsed = mySection->elapsed;

    lib3ds_file_eval(file, vars->frame);

    if (vars->pickcams) {
        const Pickcam* pick = pickcam_find(vars->pickcams, elapsed);
        if (!pick)
            section_error("no camera defined for second %.2f", (double)elapsed);
        vars->camera_name = pick->camera;
    }
    const char* name = vars->camera_name;
    Lib3dsNode* camera = lib3ds_file_node_by_name(file, name, LIB3DS_CAMERA_NODE);
    Lib3dsNode* target = lib3ds_file_node_by_name(file, name, LIB3DS_TARGET_NODE);
    if (!camera || !target)
        section_error("camera '%s' not found", name);

    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(scene_fov(file, camera), glDriver.aspect, SCENE_NEAR, SCENE_FAR);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    /* the scene is Z-up, GL looks down -Z with Y up */
    glRotatef(-90.0f, 1.0f, 0.0f, 0.0f);
    /* 3DS keeps the roll in degrees; the camera matrix turns by radians */
    Lib3dsMatrix view;
    lib3ds_matrix_camera(view, camera->data.camera.pos, target->data.target.pos,
                         camera->data.camera.roll * (float)(M_PI / 180.0));
    glMultMatrixf(&view[0][0]);

    active_lights();
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ZERO);
    for (Lib3dsNode* node = file->nodes; node; node = node->next)
        render_node(node, 0);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    for (Lib3dsNode* node = file->nodes; node; node = node->next)
        render_node(node, 1);
    glDisable(GL_BLEND);
    deactive_lights();
    /* the lists bound textures behind the texture manager's back; the last
    ** pass's colour would tint what later layers draw without setting one */
    tex_reset_bind();
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);

    scene_setFrame(vars);
}

void end_scene(void) {}

static void scene_freeNodes(Lib3dsNode* node)
{
    for (; node; node = node->next) {
        scene_freeNodes(node->childs);
        SceneNode* data = (SceneNode*)node->user.p;
        if (!data)
            continue;
        for (int k = 0; k < SCENE_NODE_SHADERS; k++)
            if (data->data.lists[k])
                glDeleteLists(data->data.lists[k], 1);
        free(data);
        node->user.p = nullptr;
    }
}

void free_scene(void)
{
    SceneVars* vars = (SceneVars*)mySection->vars;
    if (vars && vars->file) {
        scene_freeNodes(vars->file->nodes);
        for (Lib3dsMaterial* m = vars->file->materials; m; m = m->next)
            tex_free(m->user.i);
        lib3ds_file_free(vars->file);
    }
    if (vars) {
        shaders_free(vars->shaders);
        pickcam_free(vars->pickcams);
    }
    section_freeVars();
}
