/*
** shader_fuzz.cpp -- libFuzzer target for shader scripts: any byte string
** is read as a list of shaders or refused through the fatal path, without
** crash, hang or access outside a line; every shader read has a known
** render mode, finite numbers and a readable node name.
**
** The texture manager is replaced by stand-ins, so texture lines need no
** files.
*/
#include "fuzz_support.h"
#include "fuzz_kernel.h"
#include "shader.h"

#include <math.h>
#include <string.h>

int tex_load(const char*) { return 0; }
void tex_upload(int) {}
void tex_free(int) {}

static void checkShader(const Shader* s)
{
    const float numbers[] = { s->color[0], s->color[1], s->color[2], s->color[3],
                              s->line_width, s->alpha_ref1, s->alpha_ref2 };
    for (float v : numbers)
        if (!isfinite(v)) abort();
    if (s->node && strlen(s->node) >= DK_MAX_LINE) abort();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const char* path = fuzz_inputFile(data, size);
    Shader* list = nullptr;
    if (!fuzz_run([&] { list = shaders_load(path); }))
        return 0;
    int count = 0;
    for (const Shader* s = list; s; s = s->next, count++)
        checkShader(s);
    if (count != shader_counter(list)) abort();
    shaders_free(list);
    return 0;
}
