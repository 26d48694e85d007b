/*
** mdl_cache.cpp -- model_load and the cache of loaded models: every model
** file is read and prepared once, and all sections naming the same path
** (in any letter case) share its Model, counted by users: a model goes when
** its last section lets it go (model_free).  A file that changed while the
** demo plays (live reload) is read again into its own entry, so editing a
** model uses up no entry.
*/
#include "model.h"
#include "dkernel.h"
#include "dk_path.h"

#include <stdlib.h>
#include <string.h>
#include <strings.h>

SceneCacheEntry sceneCache[MODEL_CACHE_SIZE];
int             sceneCount = 0;

/* The model file at path read and prepared; every failure is raised with
** nothing left open or allocated. */
static Model* model_read(const char* path, const char* file)
{
    FILE* f = fopen(path, "rb");
    if (!f) dkernel_error("3DS: file '%s' not found\n", file);
    Model* model;
    try {
        model = HRead3dsScene(f);
    } catch (...) {
        fclose(f);
        throw;
    }
    fclose(f);
    if (!model) dkernel_error("3DS: error loading '%s'\n", file);
    try {
        calculateNormals(model);
        reorderFaces(model);
    } catch (...) {
        HFree3dsScene(model);
        throw;
    }
    model->users = 1;
    return model;
}

Model* model_load(const char* dir, const char* file)
{
    model_dir = dir;

    size_t size = strlen(dir) + strlen(file) + 1;
    char* path = (char*)malloc(size);
    if (!path) dkernel_error("3DS: error loading '%s'\n", file);
    snprintf(path, size, "%s%s", dir, file);

    int again = -1;   /* an entry whose model was let go: read into it anew */
    for (int i = 0; i < sceneCount; i++) {
        if (strcasecmp(sceneCache[i].path, path) == 0) {
            free(path);
            if (!sceneCache[i].model) {
                again = i;
                break;
            }
            sceneCache[i].model->users++;
            return sceneCache[i].model;
        }
    }

    Model* model;
    try {
        model = model_read(again >= 0 ? sceneCache[again].path : path, file);
    } catch (...) {
        if (again < 0) free(path);
        throw;
    }
    if (again >= 0) {
        sceneCache[again].model = model;
        return model;
    }
    if (sceneCount + 1 > MODEL_CACHE_LIMIT) {
        free(path);
        model_free(model);
        dkernel_error("Too many 3ds scenes");
    }
    sceneCache[sceneCount].path = path;
    sceneCache[sceneCount].model = model;
    sceneCount++;
    return model;
}

void model_free(Model* model)
{
    if (!model || --model->users > 0)
        return;
    /* the entry keeps its path, so loading the file again takes no entry */
    for (int i = 0; i < sceneCount; i++)
        if (sceneCache[i].model == model)
            sceneCache[i].model = nullptr;
    HFree3dsScene(model);
}

void model_invalidate(int entry)
{
    /* the old model stays with the sections already holding it, and goes
    ** when the last of them lets it go */
    if (entry >= 0 && entry < sceneCount)
        sceneCache[entry].model = nullptr;
}

int model_usesFile(const char* path)
{
    for (int i = 0; i < sceneCount; i++)
        if (path_same(sceneCache[i].path, path))
            return 1;
    return 0;
}

int model_reloadFile(const char* path)
{
    int count = 0;
    for (int i = 0; i < sceneCount; i++) {
        if (sceneCache[i].model && path_same(sceneCache[i].path, path)) {
            model_invalidate(i);
            count++;
        }
    }
    return count;
}

void model_needFile(const char* dir, const char* file)
{
    char path[2 * DK_MAX_PATH];
    snprintf(path, sizeof path, "%s%s", dir, file);
    section_needFile(path);
}
