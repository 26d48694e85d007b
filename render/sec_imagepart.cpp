/*
** sec_imagepart.cpp -- the `imagePart` section: an animated window of a
** picture on a picture-sized rectangle, tiled or edge-clamped.
*/
#include <GL/gl.h>
#include <stdlib.h>

#include "dkernel.h"
#include "draw.h"
#include "sectiontypes.h"
#include "tex.h"

struct ImagePartVars {
    Rect3D rect;
    int    texture;
    GLint  wrap_s;
    GLint  wrap_t;
    float  window[4];    /* u0, t0, u1, t1 last sampled */
};

void preload_imagePart(void) {}

void check_imagePart(void)
{
    section_needCounts(count_exactly(2), count_exactly(1), count_exactly(2));
    section_needChannels(1, 9);
    section_needChannels(2, 4);
    section_needFile(mySection->strings[0]);
}

void load_imagePart(void)
{
    ImagePartVars* vars = (ImagePartVars*)section_allocVars(sizeof(ImagePartVars));
    vars->texture = -1;
    vars->texture = rect3d_load(&vars->rect, mySection->strings[0], 2);
    vars->wrap_s = mySection->params[0] == 0.0f ? GL_REPEAT : GL_CLAMP;
    vars->wrap_t = mySection->params[1] == 0.0f ? GL_REPEAT : GL_CLAMP;
    vars->window[2] = 1.0f;
    vars->window[3] = 1.0f;
}

void init_imagePart(void) {}

void render_imagePart(void)
{
    ImagePartVars* vars = (ImagePartVars*)mySection->vars;
    glDisable(GL_DEPTH_TEST);
    draw_beginSection();
    glPushMatrix();
    draw_imageTransform(0, mySection->elapsed);

    float window[16] = { vars->window[0], vars->window[1], vars->window[2], vars->window[3] };
    dkernel_getSpline(1, mySection->elapsed, window);
    for (int k = 0; k < 4; k++)
        vars->window[k] = window[k];
    float u0 = window[0], t0 = window[1], u1 = window[2], t1 = window[3];

    /* The wrap modes go onto the shared texture object and stay there for
    ** later users of the same picture. */
    tex_bind(vars->texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, vars->wrap_s);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, vars->wrap_t);

    const float (*c)[3] = vars->rect.corners;
    glBegin(GL_QUADS);
    glTexCoord2f(u0, t0); glVertex3fv(c[0]);
    glTexCoord2f(u1, t0); glVertex3fv(c[1]);
    glTexCoord2f(u1, t1); glVertex3fv(c[2]);
    glTexCoord2f(u0, t1); glVertex3fv(c[3]);
    glEnd();

    glPopMatrix();
    draw_endSection();
    glEnable(GL_DEPTH_TEST);
}

void end_imagePart(void) {}

void free_imagePart(void)
{
    ImagePartVars* vars = (ImagePartVars*)mySection->vars;
    if (vars)
        tex_free(vars->texture);
    section_freeVars();
}
