/*
** mdl_3ds.cpp -- the 3DS chunk reader: turns one model file into a Model
** (meshes in the Y-up frame, materials with their first texture map), and
** tells whether a scene file is sound enough to hand to lib3ds.
**
** Every container chunk is walked by the same loop: read a child header,
** dispatch on its id or seek over it, then add to the parent the bytes the
** handler really read.  A handler that reads only the head of its chunk
** (the face list) thus leaves the rest -- the material and smoothing groups
** stored inside it -- to the enclosing loop, which is how those groups reach
** ReadObject.
**
** Damaged files.  The reader never reads outside the chunk it is in, never
** writes outside its arrays and always makes progress (every child is at
** least 6 bytes), so it cannot loop forever.  Per kind of damage:
**  - structural damage rejects the model (HRead3dsScene returns none, which
**    model_load reports as "3DS: error loading"): a chunk length below 6, a
**    chunk running past its parent's end, a main chunk longer than the file,
**    a file ending inside a chunk, a payload (count or string) running past
**    its chunk, containers nested deeper than MAX_DEPTH, no memory;
**  - bad entries are dropped and the rest kept: faces with a vertex index at
**    or past vertex_count are removed once the object has been read (their
**    material was already assigned, so the group numbering stays right);
**    group face numbers at or past face_count are ignored -- which also
**    covers a material group read before its face list;
**  - texture coordinates are made to match the vertices once the object has
**    been read, whatever the order of the two lists: a shorter list is
**    padded with (0, 0), a longer one is cut, so every vertex index of a face
**    is a valid texture-coordinate index;
**  - a list read twice in one object replaces the earlier one;
**  - an empty texture-map name leaves the material without texture.
*/
#include "model.h"
#include "tex.h"

#include <dirent.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>
#include <sys/stat.h>

FILE*       inFile = nullptr;
const char* model_dir = nullptr;

/* Real files nest four or five levels; the bound keeps hostile files from
** exhausting the stack through endless nested containers. */
#define MAX_DEPTH 32

static bool readFailed;   /* damage or end of file seen: stop and reject */
static int  depth;

/* The main chunk is read into memory in one go when the stream can tell its
** size: reading a large model one primitive at a time through stdio cost
** more than everything else of the load.  The primitives read the same
** bytes either way. */
static unsigned char* buffer;
static size_t         bufferSize;
static size_t         bufferPos;

static bool readRaw(void* out, size_t n)
{
    if (!buffer) return fread(out, 1, n, inFile) == n;
    if (bufferSize - bufferPos < n) return false;
    memcpy(out, buffer + bufferPos, n);
    bufferPos += n;
    return true;
}

static bool skipRaw(size_t n)
{
    if (!buffer) return fseek(inFile, (long)n, SEEK_CUR) == 0;
    if (bufferSize - bufferPos < n) return false;
    bufferPos += n;
    return true;
}

/* ---- primitives ---------------------------------------------------------- */

static void fail(void) { readFailed = true; }

/* Reads n bytes of the chunk's payload; refuses to cross the chunk's end. */
static bool readBytes(Chunk* chunk, void* out, unsigned int n)
{
    if (readFailed) return false;
    if (chunk->length - chunk->consumed < n || !readRaw(out, n)) {
        fail();
        return false;
    }
    chunk->consumed += n;
    return true;
}

/* The bytes a payload of n more bytes needs are all inside the chunk. */
static bool payloadFits(const Chunk* chunk, unsigned long n)
{
    if (readFailed) return false;
    if (n > chunk->length - chunk->consumed) {
        fail();
        return false;
    }
    return true;
}

Chunk newChunk(void)
{
    Chunk chunk;
    chunk.id = 0;
    chunk.length = 0;
    chunk.consumed = 0;
    return chunk;
}

/* The header is read whole whatever `length` held before; the caller checks
** the new length against the parent. */
int readChunk(Chunk* chunk)
{
    unsigned char b[6];
    if (readFailed) return 0;
    if (!readRaw(b, 6)) {
        fail();
        return 0;
    }
    chunk->id = (unsigned short)(b[0] | b[1] << 8);
    chunk->length = (unsigned int)b[2] | (unsigned int)b[3] << 8 |
                    (unsigned int)b[4] << 16 | (unsigned int)b[5] << 24;
    chunk->consumed = 6;
    return 1;
}

unsigned char readByte(Chunk* chunk)
{
    unsigned char b = 0;
    readBytes(chunk, &b, 1);
    return b;
}

unsigned short readWord(Chunk* chunk)
{
    unsigned char b[2] = {0, 0};
    readBytes(chunk, b, 2);
    return (unsigned short)(b[0] | b[1] << 8);
}

unsigned int readDWord(Chunk* chunk)
{
    unsigned char b[4] = {0, 0, 0, 0};
    readBytes(chunk, b, 4);
    return (unsigned int)b[0] | (unsigned int)b[1] << 8 |
           (unsigned int)b[2] << 16 | (unsigned int)b[3] << 24;
}

float readFloat(Chunk* chunk)
{
    unsigned int bits = readDWord(chunk);
    float value;
    memcpy(&value, &bits, sizeof value);
    return value;
}

/* Reads through the terminating NUL; keeps the first 63 characters.  A
** string with no NUL before its chunk's end is damage. */
int readString(Chunk* chunk, char* out)
{
    int count = 0;
    for (;;) {
        unsigned char c;
        if (!readBytes(chunk, &c, 1)) {
            out[count < MODEL_NAME_SIZE ? count : MODEL_NAME_SIZE - 1] = '\0';
            return count;
        }
        if (count < MODEL_NAME_SIZE - 1) out[count] = (char)c;
        else out[MODEL_NAME_SIZE - 1] = '\0';
        count++;
        if (c == 0) return count;
    }
}

/* ---- the container loop ---------------------------------------------------- */

/* Reads the next child header of parent into child; false at the parent's
** end or on damage. */
static bool nextChild(Chunk* parent, Chunk* child)
{
    if (readFailed || parent->consumed >= parent->length) return false;
    *child = newChunk();
    if (parent->length - parent->consumed < 6 || !readChunk(child)) {
        fail();
        return false;
    }
    if (child->length < 6 || child->length > parent->length - parent->consumed) {
        fail();
        return false;
    }
    return true;
}

static void skipChunk(Chunk* chunk)
{
    if (!skipRaw(chunk->length - chunk->consumed)) fail();
    chunk->consumed = chunk->length;
}

static bool enterContainer(void)
{
    if (++depth > MAX_DEPTH) {
        fail();
        return false;
    }
    return true;
}

/* ---- colours and percentages -------------------------------------------- */

void readColor(Chunk* chunk, float* rgb)
{
    Chunk child;
    rgb[0] = rgb[1] = rgb[2] = 0.0f;
    while (nextChild(chunk, &child)) {
        switch (child.id) {
        case 0x0010:
        case 0x0013:
            for (int i = 0; i < 3; i++) rgb[i] = readFloat(&child);
            break;
        case 0x0011:
        case 0x0012:
            for (int i = 0; i < 3; i++) rgb[i] = (float)(readByte(&child) / 255.0);
            break;
        default:
            skipChunk(&child);
        }
        chunk->consumed += child.consumed;
    }
}

float readPercentage(Chunk* chunk)
{
    Chunk child;
    float value = 0.0f;
    while (nextChild(chunk, &child)) {
        switch (child.id) {
        case 0x0030: value = (float)(readWord(&child) / 100.0); break;
        case 0x0031: value = readFloat(&child); break;
        default: skipChunk(&child);
        }
        chunk->consumed += child.consumed;
    }
    return value;
}

/* ---- records ----------------------------------------------------------------- */

/* The array grows to the next power of two, so reading n objects copies
** O(n) meshes rather than O(n^2). */
Mesh* GetMeshObj(Model* model)
{
    int n = model->mesh_count;
    if (n == 0 || (n & (n - 1)) == 0) {
        int capacity = n == 0 ? 1 : 2 * n;
        Mesh* grown = (Mesh*)realloc(model->meshes, (size_t)capacity * sizeof(Mesh));
        if (!grown) return nullptr;
        model->meshes = grown;
    }
    Mesh* mesh = &model->meshes[n];
    memset(mesh, 0, sizeof *mesh);
    model->mesh_count = n + 1;
    return mesh;
}

Material* GetMaterial(void)
{
    Material* m = (Material*)calloc(1, sizeof(Material));
    if (!m) return nullptr;
    m->texture = -1;
    m->diffuse[0] = m->diffuse[1] = m->diffuse[2] = 1.0f;
    m->shininess = 1.0f;
    m->u_scale = 1.0f;
    m->v_scale = 1.0f;
    return m;
}

static Material* findMaterial(Model* model, const char* name)
{
    for (Material* m = model->materials; m; m = m->next)
        if (strcasecmp(m->name, name) == 0) return m;
    return nullptr;
}

/* ---- texture maps ------------------------------------------------------------ */

static bool fileExists(const char* path)
{
    struct stat st;
    return stat(path, &st) == 0 && S_ISREG(st.st_mode);
}

void model_findMapFile(const char* dir, const char* name, char* out, size_t size)
{
    if (!dir) dir = "";
    snprintf(out, size, "%s%s", dir, name);
    if (fileExists(out)) return;

    /* Maps are usually named in DOS upper case (TEST.PNG) beside lower-case
    ** files: look for the name in its folder ignoring case.  Of several
    ** matches the smallest name is taken, so the choice does not depend on
    ** the order the folder lists its files. */
    char folder[1024];
    const char* base = strrchr(name, '/');
    if (base) {
        snprintf(folder, sizeof folder, "%s%.*s", dir, (int)(base - name + 1), name);
        base++;
    } else {
        snprintf(folder, sizeof folder, "%s", dir);
        base = name;
    }
    DIR* d = opendir(folder[0] ? folder : ".");
    if (!d) return;
    char best[256] = "";
    while (struct dirent* e = readdir(d)) {
        if (strcasecmp(e->d_name, base) != 0) continue;
        if (best[0] && strcmp(e->d_name, best) >= 0) continue;
        char candidate[1280];
        snprintf(candidate, sizeof candidate, "%s%s", folder, e->d_name);
        if (!fileExists(candidate)) continue;
        snprintf(best, sizeof best, "%s", e->d_name);
    }
    closedir(d);
    if (best[0]) snprintf(out, size, "%s%s", folder, best);
}

/* ---- objects ------------------------------------------------------------------- */

static void readVertices(Chunk* chunk, Mesh* mesh)
{
    unsigned int count = readWord(chunk);
    if (!payloadFits(chunk, (unsigned long)count * 12)) return;
    free(mesh->vertices);
    mesh->vertices = nullptr;
    mesh->vertex_count = 0;
    if (count == 0) return;
    Vertex* v = (Vertex*)calloc(count, sizeof(Vertex));
    if (!v) return fail();
    for (unsigned int i = 0; i < count; i++) {
        float x = readFloat(chunk), y = readFloat(chunk), z = readFloat(chunk);
        v[i].position.x = x;
        v[i].position.y = z;
        v[i].position.z = -y;
    }
    mesh->vertices = v;
    mesh->vertex_count = (int)count;
}

static void readFaces(Chunk* chunk, Mesh* mesh)
{
    unsigned int count = readWord(chunk);
    if (!payloadFits(chunk, (unsigned long)count * 8)) return;
    free(mesh->faces);
    mesh->faces = nullptr;
    mesh->face_count = 0;
    if (count == 0) return;
    Face* f = (Face*)calloc(count, sizeof(Face));
    if (!f) return fail();
    for (unsigned int i = 0; i < count; i++) {
        f[i].index[0] = readWord(chunk);
        f[i].index[1] = readWord(chunk);
        f[i].index[2] = readWord(chunk);
        f[i].flags = readWord(chunk);
    }
    mesh->faces = f;
    mesh->face_count = (int)count;
}

static void readMaterialGroup(Chunk* chunk, Model* model, Mesh* mesh)
{
    char name[MODEL_NAME_SIZE];
    readString(chunk, name);
    if (readFailed) return;
    Material* material = findMaterial(model, name);
    unsigned int count = readWord(chunk);
    if (!payloadFits(chunk, (unsigned long)count * 2)) return;
    for (unsigned int i = 0; i < count; i++) {
        unsigned int face = readWord(chunk);
        if ((int)face < mesh->face_count) mesh->faces[face].material = material;
    }
}

static void readTexcoords(Chunk* chunk, Mesh* mesh)
{
    unsigned int count = readWord(chunk);
    if (!payloadFits(chunk, (unsigned long)count * 8)) return;
    free(mesh->texcoords);
    mesh->texcoords = nullptr;
    mesh->texcoord_count = 0;
    if (count == 0) return;
    TexCoord* t = (TexCoord*)calloc(count, sizeof(TexCoord));
    if (!t) return fail();
    for (unsigned int i = 0; i < count; i++) {
        t[i].u = readFloat(chunk);
        t[i].v = readFloat(chunk);
    }
    mesh->texcoords = t;
    mesh->texcoord_count = (int)count;
}

static void ReadObject(Chunk* parent, Model* model, Mesh* mesh)
{
    Chunk child;
    if (!enterContainer()) return;
    while (nextChild(parent, &child)) {
        switch (child.id) {
        case 0x4100: ReadObject(&child, model, mesh); break;
        case 0x4110: readVertices(&child, mesh); break;
        case 0x4120: readFaces(&child, mesh); break;
        case 0x4130: readMaterialGroup(&child, model, mesh); break;
        case 0x4140: readTexcoords(&child, mesh); break;
        case 0x4165: mesh->color_index = readByte(&child); break;
        default: skipChunk(&child);
        }
        parent->consumed += child.consumed;
    }
    depth--;
}

/* Drops faces that name missing vertices and sizes the texture coordinates
** to the vertices, so nothing downstream indexes outside the arrays. */
static void repairMesh(Mesh* mesh)
{
    int kept = 0;
    for (int i = 0; i < mesh->face_count; i++) {
        const Face* f = &mesh->faces[i];
        if (f->index[0] < mesh->vertex_count && f->index[1] < mesh->vertex_count &&
            f->index[2] < mesh->vertex_count)
            mesh->faces[kept++] = *f;
    }
    mesh->face_count = kept;
    if (kept == 0) {
        free(mesh->faces);
        mesh->faces = nullptr;
    }

    if (mesh->texcoord_count == 0 || mesh->texcoord_count == mesh->vertex_count) return;
    if (mesh->vertex_count == 0) {
        free(mesh->texcoords);
        mesh->texcoords = nullptr;
        mesh->texcoord_count = 0;
        return;
    }
    TexCoord* t = (TexCoord*)realloc(mesh->texcoords,
                                     (size_t)mesh->vertex_count * sizeof(TexCoord));
    if (!t) return fail();
    for (int i = mesh->texcoord_count; i < mesh->vertex_count; i++) t[i].u = t[i].v = 0.0f;
    mesh->texcoords = t;
    mesh->texcoord_count = mesh->vertex_count;
}

/* ---- materials ------------------------------------------------------------------ */

static void ReadMaterial(Chunk* parent, Material* m)
{
    Chunk child;
    if (!enterContainer()) return;
    while (nextChild(parent, &child)) {
        switch (child.id) {
        case 0xA000: readString(&child, m->name); break;
        case 0xA010: readColor(&child, m->ambient); break;
        case 0xA020: readColor(&child, m->diffuse); break;
        case 0xA030: readColor(&child, m->specular); break;
        case 0xA040: m->shininess = readPercentage(&child); break;
        case 0xA041: m->shininess_strength = readPercentage(&child); break;
        case 0xA050: m->transparency = readPercentage(&child); break;
        case 0xA081: m->two_sided = 1; break;
        case 0xA200: ReadMaterial(&child, m); break;
        case 0xA300: {
            readString(&child, m->map_name);
            /* an empty name names no picture: the material stays untextured
            ** rather than asking the texture manager to load the folder */
            if (readFailed || !m->map_name[0]) break;
            char path[1024];
            model_findMapFile(model_dir, m->map_name, path, sizeof path);
            m->texture = tex_load(path);
            break;
        }
        case 0xA351: m->tiling = readWord(&child); break;
        case 0xA354: m->u_scale = readFloat(&child); break;
        case 0xA356: m->v_scale = readFloat(&child); break;
        case 0xA358: m->u_offset = readFloat(&child); break;
        case 0xA35A: m->v_offset = readFloat(&child); break;
        case 0xA35C: m->rotation = readFloat(&child); break;
        default: skipChunk(&child);
        }
        parent->consumed += child.consumed;
    }
    depth--;
}

/* ---- the file ---------------------------------------------------------------------- */

static void ChunkReader(Chunk* parent, Model* model)
{
    Chunk child;
    if (!enterContainer()) return;
    while (nextChild(parent, &child)) {
        switch (child.id) {
        case 0x3D3D: ChunkReader(&child, model); break;
        case 0x4000: {
            Mesh* mesh = GetMeshObj(model);
            if (!mesh) {
                fail();
                break;
            }
            readString(&child, mesh->name);
            ReadObject(&child, model, mesh);
            repairMesh(mesh);
            break;
        }
        case 0xAFFF: {
            Material* m = GetMaterial();
            if (!m) {
                fail();
                break;
            }
            m->next = model->materials;
            model->materials = m;
            ReadMaterial(&child, m);
            break;
        }
        default: skipChunk(&child);
        }
        parent->consumed += child.consumed;
    }
    depth--;
}

/* Bytes left in the stream from the current position, or -1 when the
** stream cannot tell. */
static long bytesLeft(FILE* f)
{
    long here = ftell(f);
    if (here < 0 || fseek(f, 0, SEEK_END) != 0) return -1;
    long end = ftell(f);
    if (fseek(f, here, SEEK_SET) != 0) return -1;
    return end - here;
}

static void releaseBuffer(void)
{
    free(buffer);
    buffer = nullptr;
    bufferSize = bufferPos = 0;
}

/* Reads the main chunk's header and, when the stream can tell its size, the
** rest of the main chunk into the buffer; false when the stream holds no
** main chunk that fits it. */
static bool openMain(FILE* stream, Chunk* main)
{
    inFile = stream;
    readFailed = false;
    depth = 0;

    long left = bytesLeft(stream);
    *main = newChunk();
    if (!readChunk(main) || main->id != 0x4D4D) return false;
    if (main->length < 6 || (left >= 0 && (unsigned long)main->length > (unsigned long)left))
        return false;

    if (left >= 0) {
        bufferSize = main->length - 6;
        buffer = (unsigned char*)malloc(bufferSize ? bufferSize : 1);
        if (!buffer) return false;
        bufferPos = 0;
        if (fread(buffer, 1, bufferSize, stream) != bufferSize) {
            releaseBuffer();
            return false;
        }
    }
    return true;
}

Model* HRead3dsScene(FILE* stream)
{
    Chunk main;
    if (!openMain(stream, &main)) return nullptr;

    Model* model = (Model*)calloc(1, sizeof(Model));
    /* a map that does not load raises its error from inside the reader: the
    ** model read so far and the file's bytes go with it */
    try {
        if (model) ChunkReader(&main, model);
    } catch (...) {
        releaseBuffer();
        HFree3dsScene(model);
        throw;
    }
    releaseBuffer();
    if (!model) return nullptr;
    if (readFailed) {
        HFree3dsScene(model);
        return nullptr;
    }
    return model;
}

void HFree3dsScene(Model* model)
{
    if (!model) return;
    for (int i = 0; i < model->mesh_count; i++) {
        Mesh* mesh = &model->meshes[i];
        free(mesh->texcoords);
        free(mesh->faces);
        free(mesh->transparent_faces);
        free(mesh->vertices);
    }
    free(model->meshes);
    for (Material* m = model->materials; m;) {
        Material* next = m->next;
        if (m->texture >= 0) tex_free(m->texture);
        free(m);
        m = next;
    }
    free(model);
}

/* ---- soundness for lib3ds ---------------------------------------------------- */

/* The scene section hands its files to lib3ds, which trusts what it reads: a
** child of length 0 keeps its chunk loop on the same header for ever, a key
** count larger than its track makes it read and allocate for ever, a face
** naming a missing point or a material group naming a missing face makes it
** read or write outside its arrays, a node naming itself as its parent
** sends it into endless recursion and a very deep hierarchy overflows its
** stack.  model_chunksSound walks every container such a reader descends
** into, with the container loop and the length, bounds and depth rules of a
** model load, and adds those checks.  Nothing is kept and no texture is
** looked up. */

struct SoundMesh {
    unsigned points;      /* of the latest point list */
    unsigned faces;       /* of the latest face list */
    unsigned highest;     /* highest point index of that face list */
};

static void soundChildren(Chunk* parent);

static void skipBytes(Chunk* chunk, unsigned int n)
{
    if (!payloadFits(chunk, n)) return;
    if (!skipRaw(n)) return fail();
    chunk->consumed += n;
}

static void skipString(Chunk* chunk)
{
    char name[MODEL_NAME_SIZE];
    readString(chunk, name);
}

/* A key list: flags, two words of no interest, the key count, then per key
** its frame, its spline flags with one float per flag bit (tension,
** continuity, bias, ease to, ease from) and its value. */
static void soundTrack(Chunk* chunk, unsigned int valueBytes, bool named)
{
    readWord(chunk);
    readDWord(chunk);
    readDWord(chunk);
    unsigned int keys = readDWord(chunk);
    for (unsigned int k = 0; k < keys && !readFailed; k++) {
        readDWord(chunk);
        unsigned int flags = readWord(chunk);
        for (int bit = 0; bit < 5; bit++)
            if (flags & (1u << bit)) readFloat(chunk);
        if (named) skipString(chunk);
        else skipBytes(chunk, valueBytes);
    }
}

/* The face list, then the material groups stored inside it. */
static void soundFaces(Chunk* chunk, SoundMesh* mesh)
{
    unsigned int count = readWord(chunk);
    if (!payloadFits(chunk, (unsigned long)count * 8)) return;
    mesh->faces = count;
    mesh->highest = 0;
    for (unsigned int i = 0; i < count; i++) {
        for (int j = 0; j < 3; j++) {
            unsigned int index = readWord(chunk);
            if (index > mesh->highest) mesh->highest = index;
        }
        readWord(chunk);
    }
    Chunk child;
    if (!enterContainer()) return;
    while (nextChild(chunk, &child)) {
        if (child.id == 0x4130) {
            skipString(&child);
            unsigned int n = readWord(&child);
            if (!payloadFits(&child, (unsigned long)n * 2)) break;
            for (unsigned int i = 0; i < n; i++)
                if (readWord(&child) >= count) fail();
        }
        skipChunk(&child);
        chunk->consumed += child.consumed;
    }
    depth--;
}

static void soundMesh(Chunk* parent)
{
    SoundMesh mesh = { 0, 0, 0 };
    Chunk child;
    if (!enterContainer()) return;
    while (nextChild(parent, &child)) {
        switch (child.id) {
        case 0x4110: {
            unsigned int count = readWord(&child);
            if (payloadFits(&child, (unsigned long)count * 12)) mesh.points = count;
            break;
        }
        case 0x4111: skipBytes(&child, 2u * readWord(&child)); break;
        case 0x4120: soundFaces(&child, &mesh); break;
        case 0x4140: skipBytes(&child, 8u * readWord(&child)); break;
        }
        if (!readFailed) skipChunk(&child);
        parent->consumed += child.consumed;
    }
    depth--;
    if (mesh.faces > 0 && mesh.highest >= mesh.points) fail();
}

/* One node: its id is its last id chunk, else its place in the keyframer;
** its parent is the one its header names, else node 0.  lib3ds would hang
** it below itself when the two are the same. */
static void soundNode(Chunk* parent, unsigned int index, unsigned int* idOut, unsigned int* parentOut)
{
    unsigned int id = index;
    unsigned int parentId = 0;
    Chunk child;
    if (!enterContainer()) return;
    while (nextChild(parent, &child)) {
        switch (child.id) {
        case 0xB010:
            skipString(&child);
            readWord(&child);
            readWord(&child);
            parentId = readWord(&child);
            break;
        case 0xB030: id = readWord(&child); break;
        case 0xB020:
        case 0xB022:
        case 0xB025: soundTrack(&child, 12, false); break;
        case 0xB021: soundTrack(&child, 16, false); break;
        case 0xB023:
        case 0xB024:
        case 0xB027:
        case 0xB028: soundTrack(&child, 4, false); break;
        case 0xB026: soundTrack(&child, 0, true); break;
        case 0xB029: soundTrack(&child, 0, false); break;
        }
        if (!readFailed) skipChunk(&child);
        parent->consumed += child.consumed;
    }
    depth--;
    if (parentId == id) fail();
    *idOut = id;
    *parentOut = parentId;
}

/* lib3ds hangs each node below the node of its parent id read before it,
** and walks the tree it builds recursively: a chain of tens of thousands of
** nodes overflows its stack.  Real hierarchies are a few dozen levels deep.
** Each id keeps the deepest level a node of that id was read at (plus 1, so
** 0 is "no node yet"), which bounds the level lib3ds gives its children. */
#define MAX_NODE_LEVELS 1024
#define NO_PARENT_ID    0xFFFF

static void soundKeyframer(Chunk* parent)
{
    unsigned short* levels = (unsigned short*)calloc(NO_PARENT_ID + 1, sizeof(unsigned short));
    if (!levels) return fail();
    unsigned int nodes = 0;
    Chunk child;
    if (!enterContainer()) {
        free(levels);
        return;
    }
    while (nextChild(parent, &child)) {
        if (child.id >= 0xB001 && child.id <= 0xB007) {
            unsigned int id = 0, parentId = NO_PARENT_ID;
            soundNode(&child, nodes++, &id, &parentId);
            unsigned int level = parentId < NO_PARENT_ID ? levels[parentId] + 1u : 1u;
            if (level > MAX_NODE_LEVELS) fail();
            else if (!readFailed && id <= NO_PARENT_ID && levels[id] < level) levels[id] = (unsigned short)level;
        }
        if (!readFailed) skipChunk(&child);
        parent->consumed += child.consumed;
    }
    depth--;
    free(levels);
}

/* The containers: every chunk lib3ds walks child by child, with the fixed
** fields some of them hold before their children. */
static void soundChild(Chunk* child)
{
    switch (child->id) {
    case 0x3D3D: case 0xAFFF: case 0x1200: case 0x2100:
    case 0xA010: case 0xA020: case 0xA030:
    case 0xA040: case 0xA041: case 0xA050: case 0xA052: case 0xA053: case 0xA084:
    case 0xA200: case 0xA204: case 0xA210: case 0xA220: case 0xA230:
    case 0xA33A: case 0xA33C: case 0xA33D: case 0xA33E: case 0xA340: case 0xA342:
    case 0xA344: case 0xA346: case 0xA348: case 0xA34A: case 0xA34C:
        soundChildren(child);
        break;
    case 0x4000: skipString(child); soundChildren(child); break;
    case 0x4100: soundMesh(child); break;
    case 0x4600: skipBytes(child, 12); soundChildren(child); break;   /* light */
    case 0x4610: skipBytes(child, 20); soundChildren(child); break;   /* spot */
    case 0x4700: skipBytes(child, 32); soundChildren(child); break;   /* camera */
    case 0xB000: soundKeyframer(child); break;
    }
}

static void soundChildren(Chunk* parent)
{
    Chunk child;
    if (!enterContainer()) return;
    while (nextChild(parent, &child)) {
        soundChild(&child);
        if (!readFailed) skipChunk(&child);
        parent->consumed += child.consumed;
    }
    depth--;
}

int model_chunksSound(FILE* stream)
{
    Chunk main;
    if (!openMain(stream, &main)) return 0;
    soundChildren(&main);
    releaseBuffer();
    return !readFailed;
}
