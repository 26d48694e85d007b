/*
** script_fuzz.cpp -- libFuzzer target for the script parser.
**
** Feeds arbitrary bytes to the parser as one script.  Only the parser, the
** key table and the section table are linked; this program supplies the
** fatal path (the same DemoError the player raises, caught here instead of
** ending the process) and inert stand-ins for the driver and section types.
*/
#include "dkernel.h"
#include "dk_script.h"
#include "gldrv.h"
#include "sectiontypes.h"

#include <stdarg.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>

KernelHooks kernelHooks = {};

void dkernel_raise(const char* message, const char* brief)
{
    DemoError error;
    snprintf(error.message, sizeof error.message, "%s", message);
    snprintf(error.brief, sizeof error.brief, "%s", brief);
    throw error;
}

void dkernel_error(const char* format, ...)
{
    /* format it all the same, so a bad format would still be caught */
    char message[1024];
    va_list ap;
    va_start(ap, format);
    vsnprintf(message, sizeof message, format, ap);
    va_end(ap);
    dkernel_raise(message, message);
}

void dkernel_report(const char*, int, int, const char*, ...) {}

/* storage the key table points at; the driver itself is not linked */
GlDriver glDriver;
int tex_detail = 5;
void gldrv_create(void) {}


#define FUZZ_SECTION_STUBS(name) \
    void preload_##name(void) {} void load_##name(void) {} void init_##name(void) {} \
    void render_##name(void) {} void end_##name(void) {} void check_##name(void) {}
DK_SECTION_LIST(FUZZ_SECTION_STUBS)

static void freeSections(void)
{
    Section* s = demoSystem.section_list;
    while (s) {
        Section* next = s->next;
        for (int i = 0; i < s->string_count; i++)
            free(s->strings[i]);
        for (int i = 0; i < s->spline_count; i++)
            free(s->spline_files[i]);
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
