/*
** efx_radialblur.cpp -- efxRadialBlur: a zoom blur of the frame drawn so
** far towards a centre that moves over the section's life.
*/
#include "dkernel.h"
#include "sectiontypes.h"
#include "camera.h"
#include "effects.h"
#include "tex.h"

#include <GL/gl.h>
#include <stdlib.h>

void preload_efxRadialBlur(void) {}

void check_efxRadialBlur(void)
{
    section_needCounts(count_exactly(10), count_none(), count_none());
}

void load_efxRadialBlur(void)
{
    RadialZoom* zoom = (RadialZoom*)section_allocVars(sizeof(RadialZoom));
    efx_loadRadialZoom(zoom, mySection->params);
}

void init_efxRadialBlur(void) {}

void render_efxRadialBlur(void)
{
    const RadialZoom* zoom = (const RadialZoom*)mySection->vars;
    glDisable(GL_DEPTH_TEST);
    /* without a blend setting each quad covers the one before */
    efx_beginBlend();
    camera_set2d();
    tex_bind(demoSystem.rtt_texture);

    efx_radialZoom(zoom, mySection->elapsed / mySection->duration);

    camera_restore();
    glClear(GL_DEPTH_BUFFER_BIT);
    efx_endBlend();
    glEnable(GL_DEPTH_TEST);
}

void end_efxRadialBlur(void) {}

void free_efxRadialBlur(void) { section_freeVars(); }
