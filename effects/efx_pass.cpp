/*
** efx_pass.cpp -- the full-screen passes the effect sections are made of:
** offset quads, the two separable box blurs, the two high-pass filters, and
** the conversions and blend convention the effect sections share.
**
** Every pass reads the frame through a render target it overwrites on each
** sub-pass, so nothing may be drawn between a copy and the quads using it.
** The GL calls follow a fixed order: the blurred and filtered frames depend
** on it to the last bit.
*/
#include "effects.h"

#include "camera.h"
#include "dkernel.h"
#include "gldrv.h"
#include "tex.h"

#include <GL/gl.h>
#include <GL/glext.h>
#include "glproc.h"
#include <math.h>

/* ---- conversions and the blend convention ---- */

int efx_toInt(float value)
{
    if (!(value == value)) return 0;
    if (value >= 2147483520.0f) return 2147483647;   /* largest float below 2^31 */
    if (value <= -2147483648.0f) return -2147483647 - 1;
    return (int)value;
}

int efx_flag(float value)
{
    return value == 1.0f;
}

void efx_beginBlend(void)
{
    if (!mySection->blend_on) return;
    glEnable(GL_BLEND);
    glBlendFunc((GLenum)mySection->blend_src, (GLenum)mySection->blend_dst);
}

void efx_endBlend(void)
{
    if (mySection->blend_on) glDisable(GL_BLEND);
}

float efx_fade(float start, float end)
{
    return start + mySection->elapsed * (end - start) / mySection->duration;
}

/* ---- offset quads ---- */

void drawOffsetQuad(float dx, float dy, float alpha)
{
    float s = glDriver.rtt_extent_s, t = glDriver.rtt_extent_t;
    glColor4f(0.0f, 0.0f, 0.0f, alpha);
    glTexCoord2f(dx, dy);         glVertex2f(0.0f, 0.0f);
    glTexCoord2f(s + dx, dy);     glVertex2f(1.0f, 0.0f);
    glTexCoord2f(s + dx, t + dy); glVertex2f(1.0f, 1.0f);
    glTexCoord2f(dx, t + dy);     glVertex2f(0.0f, 1.0f);
}

static void multiCorner(float s, float t, float dx, float dy, float x, float y)
{
    glMultiTexCoord2f(GL_TEXTURE0, s + dx, t + dy);
    glMultiTexCoord2f(GL_TEXTURE1, s - dx, t - dy);
    glVertex2f(x, y);
}

void drawOffsetQuadMulti(float dx, float dy)
{
    float s = glDriver.rtt_extent_s, t = glDriver.rtt_extent_t;
    multiCorner(0.0f, 0.0f, dx, dy, 0.0f, 0.0f);
    multiCorner(s, 0.0f, dx, dy, 1.0f, 0.0f);
    multiCorner(s, t, dx, dy, 1.0f, 1.0f);
    multiCorner(0.0f, t, dx, dy, 0.0f, 1.0f);
}

void drawOffsetQuad_old(float dx, float dy, float alpha)
{
    float s = glDriver.rtt_extent_s, t = glDriver.rtt_extent_t;
    glColor4f(0.0f, 0.0f, 0.0f, alpha);
    glTexCoord2f(0.0f, 0.0f); glVertex2f(dx, dy);
    glTexCoord2f(s, 0.0f);    glVertex2f(1.0f + dx, dy);
    glTexCoord2f(s, t);       glVertex2f(1.0f + dx, 1.0f + dy);
    glTexCoord2f(0.0f, t);    glVertex2f(dx, 1.0f + dy);
}

/* ---- box blurs ---- */

/* The doubling schedule: 1, 2, 4 ... texels and a last pass at exactly the
** radius.  Returns 0 when the pass at `step` was the last; a radius that is
** not a number ends after the first pass. */
static int nextStep(float* step, float radius)
{
    if (!(*step < radius)) return 0;
    *step = 2.0f * *step;
    if (*step > radius) *step = radius;
    return 1;
}

static float clampRadius(float radius)
{
    return radius > EFX_MAX_BLUR_RADIUS ? EFX_MAX_BLUR_RADIUS : radius;
}

void render_boxblur(int texture, float radius)
{
    radius = clampRadius(radius);
    tex_bind(texture);
    float step = 1.0f;
    do {
        float dx = step / (float)glDriver.rtt_width, dy = step / (float)glDriver.rtt_height;
        /* 0.33 F(x+d) + 0.335 F(x-d) + 0.335 F(x): the negative tap first */
        gldrv_copyColorBuffer();
        glBegin(GL_QUADS);
        drawOffsetQuad(-dx, 0.0f, 0.5f);
        drawOffsetQuad(dx, 0.0f, 0.33f);
        glEnd();
        gldrv_copyColorBuffer();
        glBegin(GL_QUADS);
        drawOffsetQuad(0.0f, -dy, 0.5f);
        drawOffsetQuad(0.0f, dy, 0.33f);
        glEnd();
    } while (nextStep(&step, radius));
}

/* Unit 1 averages its tap with unit 0's and hands on alpha 0.5, so the
** caller's alpha blend adds the untouched frame with the other half. */
static void averagingUnits(GLuint name)
{
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);

    glActiveTexture(GL_TEXTURE1);
    glBindTexture(GL_TEXTURE_2D, name);
    const float half[4] = { 0.5f, 0.5f, 0.5f, 0.5f };
    glTexEnvfv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_COLOR, half);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_COMBINE_ARB);
    glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE0_RGB_ARB, GL_PREVIOUS_ARB);
    glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE0_ALPHA_ARB, GL_CONSTANT_ARB);
    glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE1_RGB_ARB, GL_TEXTURE);
    glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE2_RGB_ARB, GL_CONSTANT_ARB);
    glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_RGB_ARB, GL_INTERPOLATE_ARB);
    glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_ALPHA_ARB, GL_REPLACE);
}

/* The GL name behind a tex_array index, 0 (no texture) for a bad index. */
static GLuint glName(int texture)
{
    if (texture < 0 || texture >= TEX_MAX_TEXTURES || !tex_array[texture]) return 0;
    int id = tex_array[texture]->gl_id;
    return id < 0 ? 0 : (GLuint)id;
}

void render_boxblur_ext(int texture, float radius)
{
    radius = clampRadius(radius);
    gldrv_enable_multitexture();
    averagingUnits(glName(texture));
    glColor4f(1.0f, 1.0f, 1.0f, 0.33f);
    float step = 1.0f;
    do {
        float dx = step / (float)glDriver.rtt_width, dy = step / (float)glDriver.rtt_height;
        /* 0.25 F(x+d) + 0.5 F(x) + 0.25 F(x-d) per sub-pass */
        gldrv_copyColorBuffer();
        glBegin(GL_QUADS);
        drawOffsetQuadMulti(dx, 0.0f);
        glEnd();
        gldrv_copyColorBuffer();
        glBegin(GL_QUADS);
        drawOffsetQuadMulti(0.0f, dy);
        glEnd();
    } while (nextStep(&step, radius));
    gldrv_disable_multitexture();
}

/* ---- high-pass filters ---- */

static int quadCount(int passes)
{
    return passes > EFX_MAX_QUADS ? EFX_MAX_QUADS : passes;
}

void render_highpassfilter_ext(int texture, float r, float g, float b, int passes)
{
    /* destination - threshold, clamped at 0 by the frame buffer */
    glDisable(GL_TEXTURE_2D);
    glBlendFunc(GL_ONE, GL_ONE);
    glBlendEquation(GL_FUNC_REVERSE_SUBTRACT);
    glColor4f(r, g, b, 0.0f);
    gldrv_screenquad();
    glBlendEquation(GL_FUNC_ADD);

    GLuint name = glName(texture);
    int quads = quadCount(passes / 2);
    gldrv_enable_multitexture();
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, name);
    /* Without a quad to draw nothing here reads the copy; the thresholded
    ** frame stays on screen, where the glows' next pass copies it from. */
    if (quads > 0)
        gldrv_copyColorBuffer();
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);

    /* both units sample the thresholded frame T: each quad adds 2 T */
    glActiveTexture(GL_TEXTURE1);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_COMBINE_ARB);
    glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE0_RGB_ARB, GL_PREVIOUS_ARB);
    glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE1_RGB_ARB, GL_TEXTURE);
    glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_RGB_ARB, GL_ADD);

    glBlendFunc(GL_ONE, GL_ONE);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    float s = glDriver.rtt_extent_s, t = glDriver.rtt_extent_t;
    const float corners[4][4] = {
        { 0.0f, 0.0f, 0.0f, 0.0f }, { s, 0.0f, 1.0f, 0.0f }, { s, t, 1.0f, 1.0f }, { 0.0f, t, 0.0f, 1.0f },
    };
    glBegin(GL_QUADS);
    for (int q = 0; q < quads; q++)
        for (int c = 0; c < 4; c++) {
            glMultiTexCoord2f(GL_TEXTURE0, corners[c][0], corners[c][1]);
            glMultiTexCoord2f(GL_TEXTURE1, corners[c][0], corners[c][1]);
            glVertex2f(corners[c][2], corners[c][3]);
        }
    glEnd();
    gldrv_disable_multitexture();
}

void render_highpassfilter(int texture, float r, float g, float b, int passes)
{
    /* invert, add the threshold, invert again: max(0, F - threshold) */
    glDisable(GL_TEXTURE_2D);
    glBlendFunc(GL_ONE_MINUS_DST_COLOR, GL_ZERO);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    gldrv_screenquad();
    glBlendFunc(GL_ONE, GL_ONE);
    glColor4f(r, g, b, 1.0f);
    gldrv_screenquad();
    glBlendFunc(GL_ONE_MINUS_DST_COLOR, GL_ZERO);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    gldrv_screenquad();

    glEnable(GL_TEXTURE_2D);
    tex_bind(texture);
    gldrv_copyColorBuffer();

    glBlendFunc(GL_ONE, GL_ONE);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    float s = glDriver.rtt_extent_s, t = glDriver.rtt_extent_t;
    int quads = quadCount(passes);
    glBegin(GL_QUADS);
    for (int q = 0; q < quads; q++) {
        glTexCoord2f(0.0f, 0.0f); glVertex2f(0.0f, 0.0f);
        glTexCoord2f(s, 0.0f);    glVertex2f(1.0f, 0.0f);
        glTexCoord2f(s, t);       glVertex2f(1.0f, 1.0f);
        glTexCoord2f(0.0f, t);    glVertex2f(0.0f, 1.0f);
    }
    glEnd();
}

void efx_glowBegin(const float threshold[3], int passes)
{
    /* the second target keeps the frame while the first one is worked on */
    tex_bind(demoSystem.rtt_texture2);
    gldrv_copyColorBuffer();
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_BLEND);
    camera_set2d();
    render_highpassfilter_ext(demoSystem.rtt_texture, threshold[0], threshold[1], threshold[2], passes);
}

void efx_glowEnd(void)
{
    tex_bind(demoSystem.rtt_texture2);
    glBlendFunc(GL_ONE, GL_ONE);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    gldrv_texscreenquad();

    glClear(GL_DEPTH_BUFFER_BIT);
    camera_restore();
    glDisable(GL_BLEND);
    glEnable(GL_DEPTH_TEST);
}
