/*
** efx_color.cpp -- efxColor: sets the current GL colour for the sections
** drawn after it in the same frame; draws nothing itself.
*/
#include "dkernel.h"

#include <GL/gl.h>

void preload_efxColor(void) {}

void check_efxColor(void)
{
    section_needCounts(count_range(3, 4), count_none(), count_none());
}

void load_efxColor(void) {}

void init_efxColor(void) {}

void render_efxColor(void)
{
    const float* p = mySection->params;
    if (mySection->param_count == 3) {
        /* Three params keep the alpha an earlier colour set; glColor3f would
           reset it to 1, so the current alpha is passed on explicitly. */
        float current[4] = { 1, 1, 1, 1 };
        glGetFloatv(GL_CURRENT_COLOR, current);
        glColor4f(p[0], p[1], p[2], current[3]);
    } else {
        glColor4f(p[0], p[1], p[2], p[3]);
    }
}

void end_efxColor(void) {}

void free_efxColor(void) { section_freeVars(); }
