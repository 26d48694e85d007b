/*
** efx_deform.cpp -- efxDeform: redraws the frame drawn so far on a Bezier
** surface whose control points splines push around, evaluated by GL's
** two-dimensional evaluators.
**
** One camera, shared by every efxDeform section, looks at the plane z = 0
** so that it shows exactly the window's rectangle; the rest grid lies on
** that rectangle and reproduces the frame.
*/
#include "dkernel.h"
#include "sectiontypes.h"
#include "camera.h"
#include "effects.h"
#include "gldrv.h"
#include "tex.h"

#include <GL/gl.h>
#include <math.h>
#include <stdlib.h>

struct DeformVars {
    unsigned char points;    /* control points per side, n */
    unsigned char steps_u;
    unsigned char steps_v;
    short         polygon_mode;
    float*        rest;      /* n * n points of (x, y, z), point (i, j) at i * n + j */
    float*        current;
};

static Camera* deformCamera = NULL;

/* Param 1 kept modulo 256, as the 8-bit field always held it. */
static unsigned char deform_byte(float value)
{
    return (unsigned char)(unsigned)efx_toInt(value);
}

void preload_efxDeform(void)
{
    float w = (float)glDriver.width, h = (float)glDriver.height;
    /* 90 degrees at a distance of h / 2 shows the plane's 0..w x 0..h */
    deformCamera = camera_init(1);
    if (!deformCamera) dkernel_error("Out of memory creating the deform camera");
    camera_target(deformCamera, w / 2, h / 2, 0.0f);
    camera_locate(deformCamera, w / 2, h / 2, h / 2);
    camera_angle(deformCamera, 0.0f, 0.0f, 0.0f);
    camera_roll(deformCamera, 0.0f);
    camera_fov_aspect(deformCamera, 90.0f, w / h);
    /* The plane lies h / 2 away: a fixed far plane of 500 would cut it off
    ** in windows taller than 1000 pixels.  At least as far back again as
    ** the plane is near keeps room for points pushed away from the eye. */
    camera_zplanes(deformCamera, 0.1f, h > 500.0f ? h : 500.0f);
}

void check_efxDeform(void)
{
    section_needCounts(count_exactly(3), count_none(), count_any());
    if (deform_byte(mySection->params[0]) < 2) section_error("at least 2 control points needed");
    if (deform_byte(mySection->params[1]) < 1 || deform_byte(mySection->params[2]) < 1)
        section_error("at least 1 evaluation step needed");
    for (int k = 1; k <= mySection->spline_count; k++)
        section_needChannels(k, 5);
}

void load_efxDeform(void)
{
    int n = deform_byte(mySection->params[0]);
    GLint order = 0;
    glGetIntegerv(GL_MAX_EVAL_ORDER, &order);
    if (n > order) section_error("at most %d control points allowed", (int)order);

    DeformVars* vars = (DeformVars*)section_allocVars(sizeof(DeformVars));
    vars->points = (unsigned char)n;
    vars->steps_u = deform_byte(mySection->params[1]);
    vars->steps_v = deform_byte(mySection->params[2]);
    vars->polygon_mode = GL_FILL;
    size_t floats = (size_t)n * (size_t)n * 3;
    vars->rest = (float*)malloc(floats * sizeof(float));
    vars->current = (float*)malloc(floats * sizeof(float));
    if (!vars->rest || !vars->current) section_error("out of memory");
    float w = (float)glDriver.width, h = (float)glDriver.height;
    for (int i = 0; i < n; i++)
        for (int j = 0; j < n; j++) {
            float* p = &vars->rest[(i * n + j) * 3];
            p[0] = (float)i * w / (float)(n - 1);
            p[1] = (float)j * h / (float)(n - 1);
            p[2] = 0.0f;
        }
    for (size_t k = 0; k < floats; k++) vars->current[k] = vars->rest[k];
}

void init_efxDeform(void) {}

/* Each spline names one control point (channels 1 and 2) and its offset
** from rest (3 to 5).  A point outside the grid is ignored for that frame;
** a point no spline names keeps what it last held.  An offset that is not
** a finite number is ignored too: the evaluators would spread it over the
** whole surface. */
static void deform_movePoints(DeformVars* vars)
{
    int n = vars->points;
    for (int k = 0; k < mySection->spline_count; k++) {
        float c[16] = { 0 };
        dkernel_getSpline(k, mySection->elapsed, c);
        if (!(c[0] >= 0.0f && c[0] < (float)n && c[1] >= 0.0f && c[1] < (float)n)) continue;
        if (!isfinite(c[2]) || !isfinite(c[3]) || !isfinite(c[4])) continue;
        int at = ((int)c[0] * n + (int)c[1]) * 3;
        for (int d = 0; d < 3; d++) vars->current[at + d] = vars->rest[at + d] + c[2 + d];
    }
}

void render_efxDeform(void)
{
    DeformVars* vars = (DeformVars*)mySection->vars;
    int n = vars->points;
    efx_beginBlend();
    tex_bind(demoSystem.rtt_texture);
    gldrv_copyColorBuffer();

    /* The surface lies far behind the 2-D passes' depth: with the depth test
       on, the frame's own depth would hide its deformed copy. */
    GLboolean depth = glIsEnabled(GL_DEPTH_TEST);
    glDisable(GL_DEPTH_TEST);
    /* the camera's matrices are put back afterwards, so the sections drawn
       after this one, in this frame and the next, keep their own */
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    camera_glprojection(deformCamera);
    camera_glmatrix(deformCamera);

    deform_movePoints(vars);
    /* j runs along the first parameter, i along the second.  The surface
       is evaluated over its own domain only, with the copy's extents in
       the texture map: past the domain the polynomial grows without bound
       and would fold whatever lies beyond the copy back over the screen. */
    const float es = glDriver.rtt_extent_s, et = glDriver.rtt_extent_t;
    const float corners[8] = { 0.0f, 0.0f, 0.0f, et, es, 0.0f, es, et };
    glMap2f(GL_MAP2_VERTEX_3, 0.0f, 1.0f, 3, n, 0.0f, 1.0f, 3 * n, n, vars->current);
    glMap2f(GL_MAP2_TEXTURE_COORD_2, 0.0f, 1.0f, 2, 2, 0.0f, 1.0f, 4, 2, corners);
    glEnable(GL_MAP2_TEXTURE_COORD_2);
    glEnable(GL_MAP2_VERTEX_3);
    glMapGrid2f(vars->steps_u, 0.0f, 1.0f, vars->steps_v, 0.0f, 1.0f);
    glEvalMesh2((GLenum)vars->polygon_mode, 0, vars->steps_u, 0, vars->steps_v);
    glDisable(GL_MAP2_VERTEX_3);
    glDisable(GL_MAP2_TEXTURE_COORD_2);

    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    if (depth) glEnable(GL_DEPTH_TEST);
    efx_endBlend();
}

void end_efxDeform(void) {}

void free_efxDeform(void)
{
    DeformVars* vars = (DeformVars*)mySection->vars;
    if (vars) {
        free(vars->rest);
        free(vars->current);
    }
    section_freeVars();
}
