/*
** fuzz_kernel.h -- inert stand-ins for what the script module reaches
** beyond itself (driver, authoring hooks, section types), for the targets
** that link the script reader without the rest of the player; the fatal
** path is in fuzz_support.h.
*/
#ifndef FUZZ_KERNEL_H
#define FUZZ_KERNEL_H

#include "dkernel.h"
#include "gldrv.h"
#include "sectiontypes.h"

KernelHooks kernelHooks = {};

void dkernel_report(const char*, int, int, const char*, ...) {}

/* storage the key table points at; the driver itself is not linked */
GlDriver glDriver;
int tex_detail = 5;
void gldrv_create(void) {}

#define FUZZ_SECTION_STUBS(name) \
    void preload_##name(void) {} void load_##name(void) {} void init_##name(void) {} \
    void render_##name(void) {} void end_##name(void) {} void check_##name(void) {} \
    void free_##name(void) {}
DK_SECTION_LIST(FUZZ_SECTION_STUBS)

#endif
