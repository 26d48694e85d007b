/*
** mdl_scenefile.cpp -- scene files for lib3ds: the soundness check first,
** then lib3ds reads the same stream, then the faces it could still trip on
** are dropped.
**
** lib3ds crashes or hangs on some damaged files instead of refusing them,
** and a damaged scene must not take the player down; model_chunksSound
** (mdl_3ds.cpp) applies our own reader's rules before lib3ds sees a byte.
*/
#include "scene.h"
#include "model.h"

#include <lib3ds/file.h>
#include <lib3ds/io.h>
#include <lib3ds/mesh.h>

static Lib3dsBool io_error(void* self)
{
    return ferror((FILE*)self) != 0;
}

static long io_seek(void* self, long offset, Lib3dsIoSeek origin)
{
    int whence = origin == LIB3DS_SEEK_SET ? SEEK_SET : origin == LIB3DS_SEEK_CUR ? SEEK_CUR : SEEK_END;
    return fseek((FILE*)self, offset, whence);
}

static long io_tell(void* self)
{
    return ftell((FILE*)self);
}

static size_t io_read(void* self, void* buffer, size_t size)
{
    return fread(buffer, 1, size, (FILE*)self);
}

static size_t io_write(void*, const void*, size_t)
{
    return 0;
}

/* The check follows lib3ds's reading of the lists; this keeps a face that
** names a missing point from reaching the normals or the drawing should
** lib3ds ever read a list the check did not expect. */
static void scene_dropBadFaces(Lib3dsFile* file)
{
    for (Lib3dsMesh* mesh = file->meshes; mesh; mesh = mesh->next) {
        Lib3dsDword kept = 0;
        for (Lib3dsDword i = 0; i < mesh->faces; i++) {
            const Lib3dsFace* f = &mesh->faceL[i];
            if (f->points[0] < mesh->points && f->points[1] < mesh->points && f->points[2] < mesh->points)
                mesh->faceL[kept++] = *f;
        }
        mesh->faces = kept;
    }
}

Lib3dsFile* scene_readFile(FILE* stream)
{
    long start = ftell(stream);
    if (start < 0 || !model_chunksSound(stream) || fseek(stream, start, SEEK_SET) != 0)
        return nullptr;

    Lib3dsFile* file = lib3ds_file_new();
    Lib3dsIo* io = lib3ds_io_new(stream, io_error, io_seek, io_tell, io_read, io_write);
    if (!file || !io) {
        if (io) lib3ds_io_free(io);
        if (file) lib3ds_file_free(file);
        return nullptr;
    }
    Lib3dsBool ok = lib3ds_file_read(file, io);
    lib3ds_io_free(io);
    if (!ok) {
        lib3ds_file_free(file);
        return nullptr;
    }
    scene_dropBadFaces(file);
    return file;
}
