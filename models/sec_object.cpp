/*
** sec_object.cpp -- the `object` section: one 3DS model in one render mode,
** moved by any number of transform splines, with an optional outline pass
** in cel mode.
*/
#include <GL/gl.h>
#include <stdlib.h>

#include "dkernel.h"
#include "draw.h"
#include "model.h"
#include "sectiontypes.h"
#include "tex.h"

#define OBJECT_LIST_MAIN    0
#define OBJECT_LIST_OUTLINE 1   /* cel mode's outline pass */

struct ObjectVars {
    Model*       model;
    int          list_count;
    unsigned int lists[2];
    int          mode;
    int          texture;   /* environment map or cel ramp */
};

/* Param 2 switches its mode's extra only when it is exactly 1. */
static int object_switch(void)
{
    return mySection->params[1] == 1.0f;
}

static int object_needsTexture(int mode)
{
    return mode == RENDER_ENVIRONMENT || mode == RENDER_CELL;
}

void preload_object(void) {}

void check_object(void)
{
    section_needCounts(count_exactly(7), count_atLeast(3), count_any());
    int mode = getRenderModeByName(mySection->strings[0]);
    if (mode < 0) {
        char hint[DK_MAX_LINE + 64];
        script_renderModeHint(hint, sizeof hint, mySection->strings[0]);
        section_error("unknown render mode%s", hint);
    }
    /* the texture's file is the fourth string, so only these modes take it */
    if (object_needsTexture(mode))
        section_needCounts(count_any(), count_exactly(4), count_any());
    model_needFile(mySection->strings[1], mySection->strings[2]);
    if (object_needsTexture(mode))
        section_needFile(mySection->strings[3]);
    for (int k = 1; k <= mySection->spline_count; k++)
        section_needChannels(k, 9);
}

void load_object(void)
{
    ObjectVars* vars = (ObjectVars*)section_allocVars(sizeof(ObjectVars));
    vars->mode = getRenderModeByName(mySection->strings[0]);
    vars->texture = -1;
    vars->model = model_load(mySection->strings[1], mySection->strings[2]);
    vars->list_count = 1;
    switch (vars->mode) {
    case RENDER_TEXTURE:
        model_upload_tex(vars->model);
        break;
    case RENDER_ENVIRONMENT:
        vars->texture = tex_load(mySection->strings[3]);
        tex_upload(vars->texture);
        break;
    case RENDER_CELL:
        vars->texture = tex_load(mySection->strings[3]);
        /* A one-dimensional ramp -- unless another section has already
        ** uploaded the same picture as a plain one: changing its kind now
        ** would bind it to the wrong target.  A picture one pixel high
        ** shades the same either way. */
        if (tex_array[vars->texture]->gl_id == -1)
            tex_properties(vars->texture, 16);
        tex_upload(vars->texture);
        vars->list_count = 2;
        break;
    default:
        break;
    }
}

void init_object(void) {}

/* Only back faces are drawn as thick lines: where they stick out past the
** filled front faces they form the silhouette, everywhere else the depth
** test hides them. */
static void object_outline(ObjectVars* vars)
{
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_CULL_FACE);
    glCullFace(GL_FRONT);
    glPolygonMode(GL_BACK, GL_LINE);
    glLineWidth(model_validSize(mySection->params[0]));
    render_fast3ds(vars->model, &vars->lists[OBJECT_LIST_OUTLINE]);
    glLineWidth(1.0f);
    glPolygonMode(GL_BACK, GL_FILL);
    glCullFace(GL_BACK);
    glDisable(GL_CULL_FACE);
    glEnable(GL_TEXTURE_2D);
}

static void object_wireframe(ObjectVars* vars, int cull)
{
    glDisable(GL_TEXTURE_2D);
    if (cull) {
        glEnable(GL_CULL_FACE);
        glCullFace(GL_BACK);
    }
    glLineWidth(model_validSize(mySection->params[0]));
    glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
    render_flat3ds(vars->model, &vars->lists[OBJECT_LIST_MAIN]);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glLineWidth(1.0f);
    if (cull)
        glDisable(GL_CULL_FACE);
    glEnable(GL_TEXTURE_2D);
}

static void object_color(ObjectVars* vars, int no_depth)
{
    glDisable(GL_TEXTURE_2D);
    if (no_depth)
        glDisable(GL_DEPTH_TEST);
    render_fast3ds(vars->model, &vars->lists[OBJECT_LIST_MAIN]);
    if (no_depth)
        glEnable(GL_DEPTH_TEST);
    glEnable(GL_TEXTURE_2D);
}

void render_object(void)
{
    ObjectVars* vars = (ObjectVars*)mySection->vars;
    const float* p = mySection->params;

    draw_beginSection();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    /* each spline acts inside the frame the ones before it left */
    for (int k = 0; k < mySection->spline_count; k++)
        draw_imageTransform(k, mySection->elapsed);
    glColor4f(p[2], p[3], p[4], 1.0f);

    unsigned int* slot = &vars->lists[OBJECT_LIST_MAIN];
    switch (vars->mode) {
    case RENDER_WIREFRAME:
        object_wireframe(vars, object_switch());
        break;
    case RENDER_COLOR:
        object_color(vars, object_switch());
        break;
    case RENDER_FLAT:
    case RENDER_SHADED:
    case RENDER_TEXTURE:
    case RENDER_ENVIRONMENT:
        model_render(vars->model, vars->mode, p[0], vars->texture, slot);
        break;
    case RENDER_CELL:
        model_render(vars->model, vars->mode, p[0], vars->texture, slot);
        if (object_switch())
            object_outline(vars);
        break;
    default:   /* vertexes, normals, outline and bump load but draw nothing */
        break;
    }

    glPopMatrix();
    draw_endSection();
}

void end_object(void)
{
    ObjectVars* vars = (ObjectVars*)mySection->vars;
    if (vars)
        model_releaseLists(vars->lists, vars->list_count);
}

void free_object(void)
{
    ObjectVars* vars = (ObjectVars*)mySection->vars;
    if (vars) {
        model_deleteLists(vars->lists, vars->list_count);
        model_free(vars->model);
        tex_free(vars->texture);
    }
    section_freeVars();
}
