/*
** efx_fog.cpp -- efxFog: GL fog for everything drawn while the section is
** active, in every layer.  The 2-D passes sit at eye distance 0 and so stay
** clear of it.
*/
#include "dkernel.h"
#include "sectiontypes.h"

#include <GL/gl.h>
#include <stdlib.h>

struct FogVars {
    GLenum mode;
    float  density;
    float  start;
    float  end;
    float  colour[4];
};

void preload_efxFog(void) {}

void check_efxFog(void)
{
    section_needCounts(count_range(6, 7, "invalid number of params"), count_none(), count_none());
    float mode = mySection->params[4];
    if (mode != 0.0f && mode != 1.0f && mode != 2.0f) section_error("invalid fog mode");
    /* the GL refuses a negative density and would keep the last one */
    if (mode != 0.0f && !(mySection->params[5] >= 0.0f)) section_error("invalid fog density");
}

void load_efxFog(void)
{
    const float* p = mySection->params;
    FogVars* vars = (FogVars*)section_allocVars(sizeof(FogVars));
    for (int c = 0; c < 4; c++) vars->colour[c] = p[c];
    static const GLenum modes[3] = { GL_LINEAR, GL_EXP, GL_EXP2 };
    vars->mode = modes[(int)p[4]];
    if (vars->mode == GL_LINEAR) {
        vars->start = p[5];
        vars->end = p[6];   /* 0 with six params: params past the count are zero */
    } else {
        vars->density = p[5];
    }
}

void init_efxFog(void)
{
    const FogVars* vars = (const FogVars*)mySection->vars;
    glEnable(GL_FOG);
    glFogi(GL_FOG_MODE, (GLint)vars->mode);
    glFogfv(GL_FOG_COLOR, vars->colour);
    if (vars->mode == GL_LINEAR) {
        glFogf(GL_FOG_START, vars->start);
        glFogf(GL_FOG_END, vars->end);
    } else {
        glFogf(GL_FOG_DENSITY, vars->density);
    }
}

void render_efxFog(void) {}

/* Fog is one GL switch: when two fog sections overlap, the first to end
** turns it off for both. */
void end_efxFog(void)
{
    glDisable(GL_FOG);
}

void free_efxFog(void) { section_freeVars(); }
