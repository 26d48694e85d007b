/*
** pickcam_fuzz.cpp -- libFuzzer target for camera-pick files: any byte
** string is read as a list of entries or refused through the fatal path,
** without crash, hang or access outside a line; every entry read names a
** camera, and looking one up at any second stays inside the list.
*/
#include "fuzz_support.h"
#include "fuzz_kernel.h"
#include "scene.h"

#include <math.h>
#include <string.h>

/* the block reader lives beside the shader keys, which load textures */
int tex_load(const char*) { return 0; }
void tex_upload(int) {}
void tex_free(int) {}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const char* path = fuzz_inputFile(data, size);
    Pickcam* list = nullptr;
    if (!fuzz_run([&] { list = pickcam_load(path); }))
        return 0;
    const float seconds[] = { -1.0f, 0.0f, 2.5f, 1e9f, NAN };
    for (float t : seconds) {
        const Pickcam* p = pickcam_find(list, t);
        if (p && (!p->camera || strlen(p->camera) >= DK_MAX_LINE)) abort();
    }
    /* an entry without a camera is refused at load */
    for (const Pickcam* p = list; p; p = p->next)
        if (!p->camera) abort();
    pickcam_free(list);
    return 0;
}
