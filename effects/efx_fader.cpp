/*
** efx_fader.cpp -- efxFader: lays a colour that moves from a start to an end
** value over the section's life across the whole screen.
*/
#include "dkernel.h"
#include "camera.h"
#include "gldrv.h"

#include <GL/gl.h>

void preload_efxFader(void) {}

void check_efxFader(void)
{
    section_needCounts(count_exactly(8), count_none(), count_none());
}

void load_efxFader(void) {}

void init_efxFader(void) {}

void render_efxFader(void)
{
    const Section* s = mySection;
    float t = s->elapsed / s->duration;
    float colour[4];
    for (int i = 0; i < 4; i++)
        colour[i] = s->params[i] + (s->params[i + 4] - s->params[i]) * t;

    glDisable(GL_DEPTH_TEST);
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    camera_set2d();

    glColor4fv(colour);
    gldrv_screenquad();

    camera_restore();
    glDisable(GL_BLEND);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_DEPTH_TEST);
}

void end_efxFader(void) {}

void free_efxFader(void) { section_freeVars(); }
