/*
** sec_light.cpp -- the `light` section: one of the eight GL lights, its
** colours from one spline and its direction from another, lit from its
** first frame until the section ends.
*/
#include <GL/gl.h>
#include <stdlib.h>

#include "dkernel.h"
#include "draw.h"
#include "sectiontypes.h"

#define LIGHT_COUNT 8

struct LightVars {
    GLenum light;
    float  ambient[4];
    float  diffuse[4];
    float  specular[4];
    float  position[4];
};

void preload_light(void) {}

/* The index is truncated toward zero, so 7.9 is light 7 and -0.5 light 0.
** The range is checked on the float itself: converting a value far
** outside the int range is undefined. */
static int light_index(float param)
{
    if (!(param > -1.0f && param < (float)LIGHT_COUNT))
        return -1;
    return (int)param;
}

void check_light(void)
{
    section_needCounts(count_exactly(1), count_none(), count_exactly(2));
    if (light_index(mySection->params[0]) < 0)
        section_error("Invalid light index");
    section_needChannels(1, 9);
    section_needChannels(2, 3);
}

void load_light(void)
{
    LightVars* vars = (LightVars*)section_allocVars(sizeof(LightVars));
    vars->light = GL_LIGHT0 + (GLenum)light_index(mySection->params[0]);
}

void init_light(void) {}

void render_light(void)
{
    LightVars* vars = (LightVars*)mySection->vars;
    float colours[16] = { 0 };
    float direction[16] = { 0, 0, 1 };
    dkernel_getSpline(0, mySection->elapsed, colours);
    dkernel_getSpline(1, mySection->elapsed, direction);
    for (int c = 0; c < 3; c++) {
        vars->ambient[c] = colours[c];
        vars->diffuse[c] = colours[3 + c];
        vars->specular[c] = colours[6 + c];
        vars->position[c] = direction[c];
    }
    vars->ambient[3] = vars->diffuse[3] = vars->specular[3] = 1.0f;
    /* w = 0: a directional light, turned by the camera's matrix of now */
    vars->position[3] = 0.0f;

    glEnable(vars->light);
    glLightfv(vars->light, GL_AMBIENT, vars->ambient);
    glLightfv(vars->light, GL_DIFFUSE, vars->diffuse);
    glLightfv(vars->light, GL_SPECULAR, vars->specular);
    glLightfv(vars->light, GL_POSITION, vars->position);
    AxisDrawing();
}

void end_light(void)
{
    LightVars* vars = (LightVars*)mySection->vars;
    if (vars)
        glDisable(vars->light);
}

void free_light(void) { section_freeVars(); }
