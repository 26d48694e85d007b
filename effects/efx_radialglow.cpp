/*
** efx_radialglow.cpp -- efxRadialGlow: the bright parts of the frame,
** zoom-blurred towards a moving centre, added back onto the untouched frame.
*/
#include "dkernel.h"
#include "sectiontypes.h"
#include "effects.h"

#include <GL/gl.h>
#include <stdlib.h>

struct RadialGlowVars {
    float      threshold[3];
    int        passes;
    RadialZoom zoom;
};

void preload_efxRadialGlow(void) {}

void check_efxRadialGlow(void)
{
    section_needCounts(count_exactly(14), count_none(), count_none());
}

void load_efxRadialGlow(void)
{
    RadialGlowVars* vars = (RadialGlowVars*)section_allocVars(sizeof(RadialGlowVars));
    for (int c = 0; c < 3; c++) vars->threshold[c] = mySection->params[c];
    vars->passes = efx_toInt(mySection->params[3]);
    efx_loadRadialZoom(&vars->zoom, mySection->params + 4);
}

void init_efxRadialGlow(void) {}

void render_efxRadialGlow(void)
{
    const RadialGlowVars* vars = (const RadialGlowVars*)mySection->vars;
    /* leaves the thresholded frame on screen and rtt_texture bound on unit 0 */
    efx_glowBegin(vars->threshold, vars->passes);
    if (mySection->blend_on)
        glBlendFunc((GLenum)mySection->blend_src, (GLenum)mySection->blend_dst);
    else
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    efx_radialZoom(&vars->zoom, mySection->elapsed / mySection->duration);
    efx_glowEnd();
}

void end_efxRadialGlow(void) {}

void free_efxRadialGlow(void) { section_freeVars(); }
