/*
** sec_background.cpp -- the `background` section: a picture stretched over
** the whole drawing viewport, behind or (blended) over other layers.
*/
#include <GL/gl.h>
#include <stdlib.h>

#include "camera.h"
#include "dkernel.h"
#include "draw.h"
#include "sectiontypes.h"
#include "tex.h"

/* The unit square of camera_set2d, picture's top row at the top. */
struct BackgroundVars {
    Rect2D rect;
};

void preload_background(void) {}

void check_background(void)
{
    section_needCounts(count_none(), count_exactly(1), count_none());
    section_needFile(mySection->strings[0]);
}

void load_background(void)
{
    BackgroundVars* vars = (BackgroundVars*)section_allocVars(sizeof(BackgroundVars));
    Rect2D* r = &vars->rect;
    r->texture = -1;   /* nothing to let go if the picture does not load */
    r->texture = tex_load(mySection->strings[0]);
    tex_properties(r->texture, 2);
    tex_upload(r->texture);

    r->rect[0] = 0.0f; r->rect[1] = 0.0f; r->rect[2] = 1.0f; r->rect[3] = 1.0f;
    static const float corners[4][2] = { { 0, 0 }, { 1, 0 }, { 1, 1 }, { 0, 1 } };
    static const float texcoords[4][2] = { { 0, 1 }, { 1, 1 }, { 1, 0 }, { 0, 0 } };
    for (int k = 0; k < 4; k++) {
        r->corners[k][0] = corners[k][0];
        r->corners[k][1] = corners[k][1];
        r->texcoords[k][0] = texcoords[k][0];
        r->texcoords[k][1] = texcoords[k][1];
    }
}

void init_background(void) {}

void render_background(void)
{
    BackgroundVars* vars = (BackgroundVars*)mySection->vars;
    glDisable(GL_DEPTH_TEST);
    draw_beginSection();
    camera_set2d();
    rect2d_render(&vars->rect);
    camera_restore();
    draw_endSection();
    glEnable(GL_DEPTH_TEST);
}

void end_background(void) {}

void free_background(void)
{
    BackgroundVars* vars = (BackgroundVars*)mySection->vars;
    if (vars)
        tex_free(vars->rect.texture);
    section_freeVars();
}
