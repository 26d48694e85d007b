/*
** scene.h -- animated 3DS scenes: reading a scene file through lib3ds once
** our own reader has found it sound, and the camera-pick files that say
** which of its cameras looks at which second.
*/
#ifndef SCENE_H
#define SCENE_H

#include <stdio.h>

struct Lib3dsFile;

/* One entry of a camera-pick file: the camera that looks from `start`
** (inclusive) to `end` (exclusive), in seconds of section time. */
struct Pickcam {
    Pickcam* next;        /* file order */
    char*    camera;      /* owned copy of the name */
    float    start;
    float    end;
};

/* Reads a scene from the stream's current position: none when its chunks
** are not sound (model_chunksSound) or lib3ds refuses it.  Faces that name
** missing points are dropped, so nothing indexes outside a mesh. */
Lib3dsFile* scene_readFile(FILE* stream);

/* Reads a camera-pick file; every mistake is fatal. */
Pickcam* pickcam_load(const char* file);
void     pickcam_free(Pickcam* list);
/* The first entry, in file order, with start <= t < end; none if no entry
** holds t. */
const Pickcam* pickcam_find(const Pickcam* list, float t);

#endif
