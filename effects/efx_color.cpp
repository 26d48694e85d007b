/*
** efx_color.cpp -- efxColor: sets the current GL colour for the sections
** drawn after it in the same frame; draws nothing itself.
*/
#include "dkernel.h"

#include <GL/gl.h>

void preload_efxColor(void) {}

void load_efxColor(void)
{
    int n = mySection->param_count;
    if (n != 3 && n != 4) section_error("3 or 4 params needed");
}

void init_efxColor(void) {}

void render_efxColor(void)
{
    const float* p = mySection->params;
    /* Three params leave the current alpha as an earlier colour set it. */
    if (mySection->param_count == 3) glColor3f(p[0], p[1], p[2]);
    else glColor4f(p[0], p[1], p[2], p[3]);
}

void end_efxColor(void) {}
