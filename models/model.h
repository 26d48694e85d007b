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
/* Never fails: a missing or unreadable file, or a full cache, is fatal. */
Model* model_load(const char* dir, const char* file);

/* ---- the 3DS reader (mdl_3ds.cpp) ---- */
/* Returns none when the stream does not hold a readable model. */
Model* HRead3dsScene(FILE* stream);
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

#endif
