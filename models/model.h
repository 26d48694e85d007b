/*
** model.h -- the player's 3DS models: the Model, Mesh, Face, Vertex and
** Material records, the chunk reader, the model cache and model_load, and
** the load-time preparation (normals, tangent frames, the opaque and
** transparent face lists, texture upload).
*/
#ifndef MODEL_H
#define MODEL_H

#include <stdio.h>
#include <stddef.h>

#include "math3d.h"

#define MODEL_NAME_SIZE   64   /* name fields: 63 characters and the NUL */
#define MODEL_CACHE_SIZE  64
#define MODEL_CACHE_LIMIT 63   /* distinct models a demo may load */

struct Material {
    Material*      next;
    char           name[MODEL_NAME_SIZE];
    char           map_name[MODEL_NAME_SIZE];
    int            texture;              /* tex_array index, -1: no map */
    float          ambient[3];
    float          diffuse[3];
    float          specular[3];
    float          shininess;
    float          shininess_strength;
    float          transparency;         /* 0: opaque */
    unsigned char  two_sided;
    unsigned short tiling;
    float          u_scale;
    float          v_scale;
    float          u_offset;
    float          v_offset;
    float          rotation;
};

struct Face {
    unsigned short index[3];
    unsigned short flags;
    Vector         normal;
    Material*      material;             /* none: drawn without material */
};

struct Vertex {
    Vector position;                     /* Y-up: file (x, y, z) -> (x, z, -y) */
    float  weight;                       /* 1 / faces using it, 0 if unused */
    Vector normal;
    Vector tangent;
    Vector binormal;
    Vector light_vector;                 /* rewritten each frame by bump mode */
};

struct TexCoord {
    float u, v;
};

struct Mesh {
    char          name[MODEL_NAME_SIZE];
    int           face_count;            /* opaque faces once prepared */
    int           vertex_count;
    int           texcoord_count;        /* 0 or vertex_count once read */
    Face*         faces;
    Vertex*       vertices;
    TexCoord*     texcoords;             /* indexed by vertex index */
    int           transparent_face_count;
    Face*         transparent_faces;
    unsigned char color_index;
};

struct Model {
    int       material_count;            /* set by model_upload_tex */
    Material* materials;                 /* the material read last first */
    int       mesh_count;
    Mesh*     meshes;
    int       transparent_mesh_count;
    int       users;                     /* sections holding it (model_load, model_free) */
};

/* A cursor over one chunk while it is read. */
struct Chunk {
    unsigned short id;
    unsigned int   length;               /* whole chunk, header included */
    unsigned int   consumed;             /* bytes read so far */
};

struct SceneCacheEntry {
    char*  path;                         /* owned copy of dir + file */
    Model* model;
};

/* ---- reader state (mdl_3ds.cpp, mdl_cache.cpp) ---- */
extern FILE*           inFile;           /* valid only inside HRead3dsScene */
extern const char*     model_dir;        /* caller's folder of the latest load */
extern SceneCacheEntry sceneCache[MODEL_CACHE_SIZE];
extern int             sceneCount;

/* ---- loading (mdl_cache.cpp) ---- */
/* Never fails: a missing or unreadable file, or a full cache, is fatal.
** Every call adds a user of the model; model_free drops one. */
Model* model_load(const char* dir, const char* file);
/* Drops one user of a model from model_load; the last one frees it (and its
** uses of its maps' textures).  None does nothing. */
void   model_free(Model* model);
/* Forgets the model of a cache entry (its file changed): the next
** model_load of that path reads it again into the same entry. */
void   model_invalidate(int entry);
/* Live reload's way in: is a model of this file in the cache, and forget
** every entry of it (model_invalidate); returns how many were forgotten. */
int    model_usesFile(const char* path);
int    model_reloadFile(const char* path);
/* section_needFile of the path model_load(dir, file) opens. */
void   model_needFile(const char* dir, const char* file);

/* ---- the 3DS reader (mdl_3ds.cpp) ---- */
/* Returns none when the stream does not hold a readable model. */
Model* HRead3dsScene(FILE* stream);
/* The model and its uses of its maps' textures. */
void   HFree3dsScene(Model* model);

/* 1 when the stream holds a 3DS file whose chunks another reader (lib3ds)
** can walk safely: the reader's own structure rules, plus key lists that fit
** their tracks, faces and material groups that name existing points and
** faces, no node that is its own parent and no hierarchy deeper than 1024
** levels; else 0.  Reads from the current position; keeps nothing. */
int    model_chunksSound(FILE* stream);

/* Texture-map lookup: dir + name when that file exists, else the file of
** that folder whose name matches ignoring letter case, else dir + name.
** Writes the path into out (at most size bytes, always terminated). */
void   model_findMapFile(const char* dir, const char* name, char* out, size_t size);

/* Reader primitives: each reads from inFile and adds what it read to the
** chunk's consumed.  Exposed so the byte accounting can be tested. */
Chunk          newChunk(void);
int            readChunk(Chunk* chunk);
unsigned char  readByte(Chunk* chunk);
unsigned short readWord(Chunk* chunk);
unsigned int   readDWord(Chunk* chunk);
float          readFloat(Chunk* chunk);
int            readString(Chunk* chunk, char* out);
void           readColor(Chunk* chunk, float* rgb);
float          readPercentage(Chunk* chunk);
Mesh*          GetMeshObj(Model* model);
Material*      GetMaterial(void);

/* ---- preparation (mdl_prepare.cpp) ---- */
void calculateNormals(Model* model);
/* p: three positions (x, y, z each); t: three texture coordinates (u, v
** each).  Writes both outputs, or neither for a degenerate mapping. */
void tangent_basis(const float* p0, const float* p1, const float* p2,
                   const float* t0, const float* t1, const float* t2,
                   float* tangent_out, float* binormal_out);
void reorderFaces(Model* model);
/* qsort-style order of two Face records: by material name ignoring case,
** 0 when either face has no material. */
int  compare(const void* face_a, const void* face_b);
void model_upload_tex(Model* model);

/* ---- render modes (mdl_render.cpp) ---- */
/* The codes of the renderMode name table. */
enum RenderModeCode {
    RENDER_VERTEXES = 1,
    RENDER_WIREFRAME,
    RENDER_COLOR,
    RENDER_FLAT,
    RENDER_SHADED,
    RENDER_NORMALS,
    RENDER_TEXTURE,
    RENDER_ENVIRONMENT,
    RENDER_CELL,
    RENDER_OUTLINE,
    RENDER_BUMP
};

#define CUBE_MAP_SIZE 32                 /* texels along each face edge */

extern int cube_map;                     /* normalization cube map, -1 until made */

/* A slot is a display-list name the caller keeps (0: nothing compiled yet),
** one per way it draws a model: a compiled list freezes what the primitive
** sent the first time, and `display_lists` 0 leaves the slot alone.  A slot
** pointer of none always draws immediately. */
void render_fast3ds(Model* model, unsigned int* slot);
void render_flat3ds(Model* model, unsigned int* slot);
void render_smooth3ds(Model* model, unsigned int* slot);
void render_texture3ds(Model* model, unsigned int* slot);
void render_normal3ds(Model* model, unsigned int* slot);
void render_cellshaded3ds(Model* model, unsigned int* slot);
void render_env3ds(Model* model, unsigned int* slot);
void render_bump3ds(Model* model, int normal_map);
void render_normalsIn3ds(Model* model);
void render_fast3ds_immediate(Model* model);
void render_flat3ds_immediate(Model* model);
void render_smooth3ds_immediate(Model* model);
void render_texture3ds_immediate(Model* model);
void render_normal3ds_immediate(Model* model);

void setupNormalizationCubeMap(void);
void generateNormalizationCubeMap(void);
/* The colour of texel (row, column) of cube face 0..5 (+x, -x, +y, -y, +z,
** -z): the unit direction through it, mapped from -1..1 to 0..255. */
void model_cubeTexel(int face, int row, int column, unsigned char* rgb);
/* Bump mode's light at demo time `time`, taken into the model's frame by the
** rotation of `modelview`, as a tangent-space direction in every vertex's
** light_vector. */
void model_bumpLight(Model* model, const float* modelview, float time);

/* One model drawn in render mode `mode` with the GL state that mode needs
** around it: `size` is the point size or line width, `texture` the
** environment map, cel ramp or normal map.  Expects and leaves 2-D
** texturing on and texture generation, lighting and culling off.  A code
** outside the table draws nothing. */
void model_render(Model* model, int mode, float size, int texture, unsigned int* slot);
/* A point size or line width GL accepts: one that is not positive (GL
** refuses it every frame) becomes 1. */
float model_validSize(float size);
/* What a model section's end does with its slots: deletes the compiled
** lists, unless `debug` or `loop` may start the section again. */
void model_releaseLists(unsigned int* slots, int count);
/* Deletes the compiled lists of the slots whatever the mode (the section
** holding them goes) and empties the slots; none does nothing. */
void model_deleteLists(unsigned int* slots, int count);

#endif
