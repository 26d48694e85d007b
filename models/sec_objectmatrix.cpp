/*
** sec_objectmatrix.cpp -- the `objectMatrix` section: a chain of copies of
** one model, the first placed by spline 1, each next one by spline 2 applied
** again in the frame of the one before, in color or environment mode.
*/
#include <GL/gl.h>
#include <math.h>
#include <stdlib.h>

#include "dkernel.h"
#include "draw.h"
#include "model.h"
#include "sectiontypes.h"
#include "tex.h"

/* A script asking for an absurd copy count must not stall a frame forever;
** the same cap as the picture chains. */

struct ObjectMatrixVars {
    Model*       model;
    unsigned int list;      /* one list for every copy */
    int          mode;
    int          texture;   /* the environment map, loaded in both modes */
};

void preload_objectMatrix(void) {}

void check_objectMatrix(void)
{
    section_needCounts(count_exactly(5), count_exactly(4), count_exactly(2));
    int mode = getRenderModeByName(mySection->strings[3]);
    if (mode < 0) {
        char hint[DK_MAX_LINE + 64];
        script_renderModeHint(hint, sizeof hint, mySection->strings[3]);
        section_error("unknown render mode%s", hint);
    }
    if (mode != RENDER_COLOR && mode != RENDER_ENVIRONMENT)
        section_error("render mode not implemented yet");
    model_needFile(mySection->strings[1], mySection->strings[2]);
    section_needFile(mySection->strings[0]);
    section_needChannels(1, 9);
    section_needChannels(2, 9);
}

void load_objectMatrix(void)
{
    ObjectMatrixVars* vars = (ObjectMatrixVars*)section_allocVars(sizeof(ObjectMatrixVars));
    vars->mode = getRenderModeByName(mySection->strings[3]);
    vars->texture = -1;
    vars->model = model_load(mySection->strings[1], mySection->strings[2]);
    vars->texture = tex_load(mySection->strings[0]);
    tex_upload(vars->texture);
}

void init_objectMatrix(void) {}

/* The debug axes leave texturing on and their own colour behind; a color
** chain puts its state back before each copy. */
static void objectMatrix_copies(ObjectMatrixVars* vars, int colour)
{
    float copies = mySection->params[0];
    const float* p = mySection->params;
    /* copies i = 0, 1, ... while i < param 1: 2.5 draws three */
    int count = draw_count(ceilf(copies), DRAW_MAX_COUNT);
    for (int i = 0; i < count; i++) {
        AxisDrawing();
        if (colour) {
            glDisable(GL_TEXTURE_2D);
            glColor4f(p[1], p[2], p[3], 1.0f);
            render_fast3ds(vars->model, &vars->list);
        } else {
            tex_bind(vars->texture);
            render_normal3ds(vars->model, &vars->list);
        }
        prepare_object(mySection->elapsed, 1);
    }
}

void render_objectMatrix(void)
{
    ObjectMatrixVars* vars = (ObjectMatrixVars*)mySection->vars;
    draw_beginSection();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    prepare_object(mySection->elapsed, 0);

    if (vars->mode == RENDER_ENVIRONMENT) {
        glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
        glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
        glEnable(GL_TEXTURE_GEN_S);
        glEnable(GL_TEXTURE_GEN_T);
        glEnable(GL_NORMALIZE);
        objectMatrix_copies(vars, 0);
        glDisable(GL_NORMALIZE);
        glDisable(GL_TEXTURE_GEN_S);
        glDisable(GL_TEXTURE_GEN_T);
    } else {
        int no_depth = mySection->params[4] == 1.0f;
        if (no_depth)
            glDisable(GL_DEPTH_TEST);
        objectMatrix_copies(vars, 1);
        if (no_depth)
            glEnable(GL_DEPTH_TEST);
        glEnable(GL_TEXTURE_2D);
    }

    glPopMatrix();
    draw_endSection();
}

void end_objectMatrix(void)
{
    ObjectMatrixVars* vars = (ObjectMatrixVars*)mySection->vars;
    if (vars)
        model_releaseLists(&vars->list, 1);
}

void free_objectMatrix(void)
{
    ObjectMatrixVars* vars = (ObjectMatrixVars*)mySection->vars;
    if (vars) {
        model_deleteLists(&vars->list, 1);
        model_free(vars->model);
        tex_free(vars->texture);
    }
    section_freeVars();
}
