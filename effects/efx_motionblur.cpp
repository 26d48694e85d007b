/*
** efx_motionblur.cpp -- efxMotionBlur: lays the previous frame's result
** over the new frame, so moving things leave fading trails.
**
** Each section keeps that result in a texture of its own: rtt_texture is
** overwritten by every other effect of the frame.
*/
#include "dkernel.h"
#include "sectiontypes.h"
#include "camera.h"
#include "effects.h"
#include "gldrv.h"
#include "tex.h"

#include <GL/gl.h>
#include <stdlib.h>

struct MotionBlurVars {
    int   texture;
    float alpha[2];     /* start, end */
    int   first_frame;  /* no trail yet: the texture holds another activation's frame */
};

void preload_efxMotionBlur(void) {}

void check_efxMotionBlur(void)
{
    section_needCounts(count_exactly(2), count_none(), count_none());
}

void load_efxMotionBlur(void)
{
    MotionBlurVars* vars = (MotionBlurVars*)section_allocVars(sizeof(MotionBlurVars));
    vars->texture = -1;
    vars->texture = tex_new(glDriver.rtt_width, glDriver.rtt_height, GL_RGB, 3);
    /* modulate: the colour's alpha weights the old frame */
    tex_properties(vars->texture, 11);
    tex_upload(vars->texture);
    vars->alpha[0] = mySection->params[0];
    vars->alpha[1] = mySection->params[1];
}

void init_efxMotionBlur(void)
{
    ((MotionBlurVars*)mySection->vars)->first_frame = 1;
}

void render_efxMotionBlur(void)
{
    MotionBlurVars* vars = (MotionBlurVars*)mySection->vars;
    glClear(GL_DEPTH_BUFFER_BIT);
    glDisable(GL_DEPTH_TEST);
    efx_beginBlend();
    camera_set2d();

    glColor4f(1.0f, 1.0f, 1.0f, efx_fade(vars->alpha[0], vars->alpha[1]));
    tex_bind(vars->texture);
    if (vars->first_frame)
        vars->first_frame = 0;
    else
        gldrv_texscreenquad();

    camera_restore();
    gldrv_copyColorBuffer();   /* the blended result is the next frame's trail */
    efx_endBlend();
    glEnable(GL_DEPTH_TEST);
}

void end_efxMotionBlur(void) {}

void free_efxMotionBlur(void)
{
    MotionBlurVars* vars = (MotionBlurVars*)mySection->vars;
    if (vars)
        tex_free(vars->texture);
    section_freeVars();
}
