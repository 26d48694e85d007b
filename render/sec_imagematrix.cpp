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

struct ImageMatrixVars {
    Rect3D rect;
    int    texture;
};

/* The object sections' placement order: translate, turn about x, y, z, then
** scale, so each step transform moves the next copy in the frame of the
** previous copy. */
static void imageMatrix_place(int spline, float t)
{
    float c[16] = { 1, 1, 1, 0, 0, 0, 0, 0, 0 };
    dkernel_getSpline(spline, t, c);
    glTranslatef(c[6], c[7], c[8]);
    glRotatef(c[3], 1.0f, 0.0f, 0.0f);
    glRotatef(c[4], 0.0f, 1.0f, 0.0f);
    glRotatef(c[5], 0.0f, 0.0f, 1.0f);
    glScalef(c[0], c[1], c[2]);
}

void preload_imageMatrix(void) {}

void check_imageMatrix(void)
{
    if (mySection->param_count != 3)
        section_error("3 params needed");
    if (mySection->string_count != 1)
        section_error("1 string needed");
    if (mySection->spline_count != 3)
        section_error("3 splines needed");
    float modulation = mySection->params[1];
    if (modulation != 0.0f && modulation != 1.0f)
        section_error("invalid modulation");
    section_needFile(mySection->strings[0]);
}

void load_imageMatrix(void)
{
    float modulation = mySection->params[1];
    ImageMatrixVars* vars = (ImageMatrixVars*)calloc(1, sizeof(ImageMatrixVars));
    mySection->vars = vars;
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
    imageMatrix_place(0, elapsed);
    /* copies i = 0, 1, ... while i < param 1: 2.5 draws three */
    int count = draw_count(ceilf(copies), DRAW_MAX_COUNT);
    for (int i = 0; i < count; i++) {
        AxisDrawing();
        float colour[16] = { 1, 1, 1, 1 };
        dkernel_getSpline(2, (float)i * elapsed / copies, colour);
        glColor4f(colour[0], colour[1], colour[2], colour[3]);
        rect3d_render(&vars->rect);
        imageMatrix_place(1, elapsed);
    }
    glPopMatrix();
    draw_endSection();
    if (no_depth)
        glEnable(GL_DEPTH_TEST);
}

void end_imageMatrix(void) {}
