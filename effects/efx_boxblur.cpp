/*
** efx_boxblur.cpp -- efxBoxBlur: blurs the frame drawn so far with the
** two-unit box blur, by a fixed radius or one that follows a spline.
*/
#include "dkernel.h"
#include "sectiontypes.h"
#include "camera.h"
#include "effects.h"

#include <GL/gl.h>
#include <stdlib.h>

struct BoxBlurVars {
    float radius;   /* texels */
};

void preload_efxBoxBlur(void) {}

void check_efxBoxBlur(void)
{
    section_needCounts(count_reads(1), count_none(), count_reads(1));
    /* either count may be right, which no range of each alone expresses */
    if (mySection->param_count != 1 && mySection->spline_count != 1)
        section_error("1 param or spline needed");
    if (mySection->param_count != 1)
        section_needChannels(1, 1);
}

void load_efxBoxBlur(void)
{
    BoxBlurVars* vars = (BoxBlurVars*)section_allocVars(sizeof(BoxBlurVars));
    /* one param wins even when a spline is named too */
    if (mySection->param_count == 1) vars->radius = mySection->params[0];
}

void init_efxBoxBlur(void) {}

void render_efxBoxBlur(void)
{
    BoxBlurVars* vars = (BoxBlurVars*)mySection->vars;
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    camera_set2d();

    if (mySection->param_count != 1) {
        float radius[16] = { vars->radius };
        dkernel_getSpline(0, mySection->elapsed, radius);
        vars->radius = radius[0];
    }
    render_boxblur_ext(demoSystem.rtt_texture, vars->radius);

    camera_restore();
    glClear(GL_DEPTH_BUFFER_BIT);
    glDisable(GL_BLEND);
    glEnable(GL_DEPTH_TEST);
}

void end_efxBoxBlur(void) {}

void free_efxBoxBlur(void) { section_freeVars(); }
