/*
** efx_inverse.cpp -- efxInverse: turns every pixel of the frame drawn so far
** into its complement with one blended quad.
*/
#include "dkernel.h"
#include "camera.h"
#include "gldrv.h"

#include <GL/gl.h>

void preload_efxInverse(void) {}
void check_efxInverse(void)
{
    section_needCounts(count_none(), count_none(), count_none());
}
void load_efxInverse(void) {}
void init_efxInverse(void) {}

void render_efxInverse(void)
{
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    /* source 1 * (1 - destination) + destination * 0 */
    glBlendFunc(GL_ONE_MINUS_DST_COLOR, GL_ZERO);
    glColor4f(1, 1, 1, 1);
    camera_set2d();

    gldrv_screenquad();

    camera_restore();
    glDisable(GL_BLEND);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_DEPTH_TEST);
}

void end_efxInverse(void) {}

void free_efxInverse(void) { section_freeVars(); }
