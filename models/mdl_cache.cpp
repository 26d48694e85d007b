/*
** mdl_cache.cpp -- model_load and the cache of loaded models: every model
** file is read and prepared once, and all sections naming the same path
** (in any letter case) share its Model for the life of the process.  A
** file that changed while the demo plays (live reload) is read again into
** its own entry, so editing a model uses up no entry.
*/
#include "model.h"
#include "dkernel.h"
#include "dk_path.h"

#include <stdlib.h>
#include <string.h>
#include <strings.h>

SceneCacheEntry sceneCache[MODEL_CACHE_SIZE];
int             sceneCount = 0;

Model* model_load(const char* dir, const char* file)
{
    model_dir = dir;

    size_t size = strlen(dir) + strlen(file) + 1;
    char* path = (char*)malloc(size);
    if (!path) dkernel_error("3DS: error loading '%s'\n", file);
    snprintf(path, size, "%s%s", dir, file);

    int again = -1;   /* an entry whose file changed: read into it anew */
    for (int i = 0; i < sceneCount; i++) {
        if (strcasecmp(sceneCache[i].path, path) == 0) {
            if (!sceneCache[i].model) {
                again = i;
                break;
            }
            free(path);
            return sceneCache[i].model;
        }
    }

    FILE* f = fopen(path, "rb");
    if (!f) dkernel_error("3DS: file '%s' not found\n", file);
    Model* model = HRead3dsScene(f);
    fclose(f);
    if (!model) dkernel_error("3DS: error loading '%s'\n", file);

    calculateNormals(model);
    reorderFaces(model);

    if (again >= 0) {
        free(path);
        sceneCache[again].model = model;
        return model;
    }
    sceneCache[sceneCount].path = path;
    sceneCache[sceneCount].model = model;
    sceneCount++;
    if (sceneCount > MODEL_CACHE_LIMIT) dkernel_error("Too many 3ds scenes");
    return model;
}

void model_invalidate(int entry)
{
    /* the old model stays with the sections already holding it */
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
