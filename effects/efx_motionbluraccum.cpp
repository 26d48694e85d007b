/*
** efx_motionbluraccum.cpp -- efxMotionBlurAccum: trails through the GL
** accumulation buffer, which keeps a decaying sum of every frame.
*/
#include "dkernel.h"
#include "sectiontypes.h"
#include "gldrv.h"

#include <GL/gl.h>
#include <stdlib.h>

struct MotionBlurAccumVars {
    float decay;
};

void preload_efxMotionBlurAccum(void) {}

void check_efxMotionBlurAccum(void)
{
    if (glDriver.accum == 0) section_error("accum buffer is not active");
    section_needCounts(count_exactly(1), count_none(), count_none());
}

void load_efxMotionBlurAccum(void)
{
    /* gl_accum only asks for the buffer: a visual without one would turn
       every glAccum call into a GL error, frame after frame */
    GLint bits = 0;
    glGetIntegerv(GL_ACCUM_RED_BITS, &bits);
    if (bits <= 0) section_error("accum buffer is not active");
    MotionBlurAccumVars* vars = (MotionBlurAccumVars*)section_allocVars(sizeof(MotionBlurAccumVars));
    vars->decay = mySection->params[0];
}

void init_efxMotionBlurAccum(void)
{
    glClear(GL_ACCUM_BUFFER_BIT);
}

void render_efxMotionBlurAccum(void)
{
    float f = ((const MotionBlurAccumVars*)mySection->vars)->decay;
    glAccum(GL_MULT, f);
    glAccum(GL_ACCUM, 1.0f - f);
    glAccum(GL_RETURN, 1.0f);
}

void end_efxMotionBlurAccum(void) {}

void free_efxMotionBlurAccum(void) { section_freeVars(); }
