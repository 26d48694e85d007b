/*
** efx_blackwhite.cpp -- efxBlackWhite: fades the frame drawn so far to grey
** by laying a luminance copy of it over itself.
*/
#include "dkernel.h"
#include "camera.h"
#include "gldrv.h"
#include "tex.h"

#include <GL/gl.h>

/* One luminance render target shared by every efxBlackWhite section. */
static int greyTexture = -1;

void preload_efxBlackWhite(void)
{
    greyTexture = tex_new(glDriver.rtt_width, glDriver.rtt_height, GL_LUMINANCE, 1);
    tex_properties(greyTexture, 3);
    tex_upload(greyTexture);
}

void check_efxBlackWhite(void)
{
    section_needCounts(count_exactly(2), count_none(), count_none());
}

void load_efxBlackWhite(void) {}

void init_efxBlackWhite(void) {}

void render_efxBlackWhite(void)
{
    const Section* s = mySection;
    if (greyTexture < 0) return;
    float t = s->elapsed / s->duration;
    float alpha = s->params[0] + (s->params[1] - s->params[0]) * t;

    glDisable(GL_DEPTH_TEST);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    camera_set2d();

    /* Copying into a luminance texture keeps the red component: that is the grey. */
    tex_bind(greyTexture);
    gldrv_copyColorBuffer();
    glColor4f(1, 1, 1, alpha);
    gldrv_texscreenquad();

    camera_restore();
    glDisable(GL_BLEND);
    glEnable(GL_DEPTH_TEST);
}

void end_efxBlackWhite(void) {}

void free_efxBlackWhite(void) { section_freeVars(); }
