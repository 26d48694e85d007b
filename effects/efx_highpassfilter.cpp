/*
** efx_highpassfilter.cpp -- efxHighPassFilter: keeps what is brighter than
** a threshold and amplifies it, darkening everything else to black.
*/
#include "dkernel.h"
#include "sectiontypes.h"
#include "camera.h"
#include "effects.h"

#include <GL/gl.h>
#include <stdlib.h>

struct HighPassVars {
    float threshold[3];
    int   passes;
};

void preload_efxHighPassFilter(void) {}

void check_efxHighPassFilter(void)
{
    section_needCounts(count_exactly(4), count_none(), count_none());
}

void load_efxHighPassFilter(void)
{
    HighPassVars* vars = (HighPassVars*)section_allocVars(sizeof(HighPassVars));
    for (int c = 0; c < 3; c++) vars->threshold[c] = mySection->params[c];
    vars->passes = efx_toInt(mySection->params[3]);
}

void init_efxHighPassFilter(void) {}

void render_efxHighPassFilter(void)
{
    const HighPassVars* vars = (const HighPassVars*)mySection->vars;
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_BLEND);
    camera_set2d();

    render_highpassfilter_ext(demoSystem.rtt_texture, vars->threshold[0], vars->threshold[1],
                              vars->threshold[2], vars->passes);

    camera_restore();
    glDisable(GL_BLEND);
    glEnable(GL_DEPTH_TEST);
}

void end_efxHighPassFilter(void) {}

void free_efxHighPassFilter(void) { section_freeVars(); }
