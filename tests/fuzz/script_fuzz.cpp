/*
** script_fuzz.cpp -- libFuzzer target for the script parser.
**
** Feeds arbitrary bytes to the parser as one script.  Only the parser, the
** key table and the section table are linked; the fuzz headers supply the
** fatal path (the same DemoError the player raises, caught here instead of
** ending the process) and inert stand-ins for the driver and section types.
*/
#include "fuzz_support.h"
#include "fuzz_kernel.h"
#include "dk_script.h"

#include <stdint.h>
#include <stdlib.h>

static void freeSections(void)
{
    Section* s = demoSystem.section_list;
    while (s) {
        Section* next = s->next;
        for (int i = 0; i < s->string_count; i++)
            free(s->strings[i]);
        for (int i = 0; i < s->spline_count; i++)
            free(s->spline_files[i]);
        script_freeSources(s);
        free(s);
        s = next;
    }
    demoSystem.section_list = nullptr;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    FILE* file = fmemopen((void*)data, size, "r");
    if (!file)
        return 0;
    try {
        loadScriptStream(file, "./fuzz.lum");
    } catch (const DemoError&) {
    }
    fclose(file);
    freeSections();
    return 0;
}
