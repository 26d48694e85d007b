/*
** sec_image.cpp -- the `image` section: a picture standing in the 3-D view,
** sized by the picture file and moved by one transform spline.
*/
#include <GL/gl.h>
#include <stdlib.h>

#include "dkernel.h"
#include "draw.h"
#include "sectiontypes.h"
#include "tex.h"

struct ImageVars {
    Rect3D rect;
    int    texture;
};

void preload_image(void) {}

void check_image(void)
{
    section_needCounts(count_none(), count_exactly(1), count_exactly(1));
    section_needChannels(1, 9);
    section_needFile(mySection->strings[0]);
}

void load_image(void)
{
    ImageVars* vars = (ImageVars*)section_allocVars(sizeof(ImageVars));
    vars->texture = -1;
    vars->texture = rect3d_load(&vars->rect, mySection->strings[0], 2);
}

void init_image(void) {}

void render_image(void)
{
    ImageVars* vars = (ImageVars*)mySection->vars;
    glDisable(GL_DEPTH_TEST);
    draw_beginSection();
    glColor4f(0.0f, 0.0f, 0.0f, 1.0f);
    glPushMatrix();
    draw_imageTransform(0, mySection->elapsed);
    rect3d_render(&vars->rect);
    glPopMatrix();
    draw_endSection();
    glEnable(GL_DEPTH_TEST);
}

void end_image(void) {}

void free_image(void)
{
    ImageVars* vars = (ImageVars*)mySection->vars;
    if (vars)
        tex_free(vars->texture);
    section_freeVars();
}
