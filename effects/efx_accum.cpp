/*
** efx_accum.cpp -- efxAccum: draws the frame drawn so far over itself a
** number of times with the section's blend, for example to brighten it.
*/
#include "dkernel.h"
#include "sectiontypes.h"
#include "camera.h"
#include "effects.h"
#include "gldrv.h"
#include "tex.h"

#include <GL/gl.h>
#include <stdlib.h>

struct AccumVars {
    int   count;
    float alpha[2];   /* start, end */
};

void preload_efxAccum(void) {}

void check_efxAccum(void)
{
    section_needCounts(count_exactly(3), count_none(), count_none());
}

void load_efxAccum(void)
{
    AccumVars* vars = (AccumVars*)section_allocVars(sizeof(AccumVars));
    int count = efx_toInt(mySection->params[0]);
    vars->count = count > EFX_MAX_QUADS ? EFX_MAX_QUADS : count;
    vars->alpha[0] = mySection->params[1];
    vars->alpha[1] = mySection->params[2];
}

void init_efxAccum(void) {}

void render_efxAccum(void)
{
    const AccumVars* vars = (const AccumVars*)mySection->vars;
    glClear(GL_DEPTH_BUFFER_BIT);
    glDisable(GL_DEPTH_TEST);
    efx_beginBlend();
    camera_set2d();

    glColor4f(1.0f, 1.0f, 1.0f, efx_fade(vars->alpha[0], vars->alpha[1]));
    tex_bind(demoSystem.rtt_texture);
    gldrv_copyColorBuffer();
    for (int i = 0; i < vars->count; i++) gldrv_texscreenquad();

    camera_restore();
    efx_endBlend();
    glEnable(GL_DEPTH_TEST);
}

void end_efxAccum(void) {}

void free_efxAccum(void) { section_freeVars(); }
