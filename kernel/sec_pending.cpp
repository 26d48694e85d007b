/*
** sec_pending.cpp -- section types that are not built yet.
**
** Each one refuses to load, so a script that uses it stops with a clear
** section error instead of playing silently without it.  A type leaves this
** list when its own file lands.
*/
#include "dkernel.h"
#include "sectiontypes.h"

static void pending_load(void) { section_error("section type not implemented yet"); }
static void pending_none(void) {}

#define PENDING(name) \
    void preload_##name(void) { pending_none(); } \
    void load_##name(void) { pending_load(); } \
    void init_##name(void) {} \
    void render_##name(void) {} \
    void end_##name(void) {} \
    void check_##name(void) {}

PENDING(camera)
PENDING(light)
PENDING(object)
PENDING(objectMatrix)
PENDING(objectShader)
PENDING(paintex)
PENDING(particleMatrix)
PENDING(particleObject)
PENDING(particleTex)
PENDING(pathway)
PENDING(ray)
PENDING(scene)
