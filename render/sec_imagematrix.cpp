/*
** sec_imagematrix.cpp -- the `imageMatrix` section: a chain of copies of a
** picture, each placed relative to the previous one by a step spline and
** tinted by a colour spline.
*/
#include <GL/gl.h>
#include <math.h>
#include <stdlib.h>

#include "dkernel.h"
#include "draw.h"
#include "sectiontypes.h"
#include "tex.h"

struct ImageMatrixVars {
    Rect3D rect;
    int    texture;
};

void preload_imageMatrix(void) {}

void check_imageMatrix(void)
{
    section_needCounts(count_exactly(3), count_exactly(1), count_exactly(3));
    float modulation = mySection->params[1];
    if (modulation != 0.0f && modulation != 1.0f)
        section_error("invalid modulation");
    section_needChannels(1, 9);
    section_needChannels(2, 9);
    section_needChannels(3, 4);
    section_needFile(mySection->strings[0]);
}

void load_imageMatrix(void)
{
    float modulation = mySection->params[1];
    ImageMatrixVars* vars = (ImageMatrixVars*)section_allocVars(sizeof(ImageMatrixVars));
    vars->texture = -1;
    vars->texture = rect3d_load(&vars->rect, mySection->strings[0], modulation == 1.0f ? 11 : 3);
}

void init_imageMatrix(void) {}

void render_imageMatrix(void)
{
    ImageMatrixVars* vars = (ImageMatrixVars*)mySection->vars;
    float copies = mySection->params[0];
    int no_depth = mySection->params[2] == 1.0f;
    float elapsed = mySection->elapsed;

    if (no_depth)
        glDisable(GL_DEPTH_TEST);
    draw_beginSection();
    glPushMatrix();
    prepare_object(elapsed, 0);
    /* copies i = 0, 1, ... while i < param 1: 2.5 draws three */
    int count = draw_count(ceilf(copies), DRAW_MAX_COUNT);
    for (int i = 0; i < count; i++) {
        AxisDrawing();
        float colour[16] = { 1, 1, 1, 1 };
        dkernel_getSpline(2, (float)i * elapsed / copies, colour);
        glColor4f(colour[0], colour[1], colour[2], colour[3]);
        rect3d_render(&vars->rect);
        prepare_object(elapsed, 1);
    }
    glPopMatrix();
    draw_endSection();
    if (no_depth)
        glEnable(GL_DEPTH_TEST);
}

void end_imageMatrix(void) {}

void free_imageMatrix(void)
{
    ImageMatrixVars* vars = (ImageMatrixVars*)mySection->vars;
    if (vars)
        tex_free(vars->texture);
    section_freeVars();
}
