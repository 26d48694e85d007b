/*
** mdl_cache.cpp -- model_load and the cache of loaded models.
*/
#include "model.h"

SceneCacheEntry sceneCache[MODEL_CACHE_SIZE];
int             sceneCount = 0;

Model* model_load(const char* dir, const char* file)
{
    (void)dir; (void)file;
    return nullptr;
}
