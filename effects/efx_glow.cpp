/*
** efx_glow.cpp -- efxGlow: the bright parts of the frame, blurred, added
** back onto the untouched frame.
*/
#include "dkernel.h"
#include "sectiontypes.h"
#include "effects.h"

#include <GL/gl.h>
#include <stdlib.h>

struct GlowVars {
    float threshold[3];
    int   passes;
    float radius;   /* texels */
};

void preload_efxGlow(void) {}

void check_efxGlow(void)
{
    section_needCounts(count_exactly(5), count_none(), count_none());
}

void load_efxGlow(void)
{
    GlowVars* vars = (GlowVars*)section_allocVars(sizeof(GlowVars));
    for (int c = 0; c < 3; c++) vars->threshold[c] = mySection->params[c];
    vars->passes = efx_toInt(mySection->params[3]);
    vars->radius = mySection->params[4];
}

void init_efxGlow(void) {}

void render_efxGlow(void)
{
    const GlowVars* vars = (const GlowVars*)mySection->vars;
    efx_glowBegin(vars->threshold, vars->passes);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    render_boxblur(demoSystem.rtt_texture, vars->radius);
    efx_glowEnd();
}

void end_efxGlow(void) {}

void free_efxGlow(void) { section_freeVars(); }
