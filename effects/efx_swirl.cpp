/*
** efx_swirl.cpp -- efxSwirl: redraws the frame drawn so far on a 40 x 40
** grid whose points inside a circle turn about its centre, the more the
** nearer they are to it.
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

#define SWIRL_SIDE 40

struct SwirlPoint {
    float tex[2];      /* s, t: fixed at load */
    float vertex[2];   /* x, y: recomputed every frame */
};

struct SwirlVars {
    SwirlPoint grid[SWIRL_SIDE * SWIRL_SIDE];   /* point (i, j) at i * 40 + j */
    int        clear;
    float      alpha[2];   /* start, end */
    float      centre[2];
    float      radius;
    float      strength;
};

void preload_efxSwirl(void) {}

void check_efxSwirl(void)
{
    section_needCounts(count_exactly(3), count_none(), count_exactly(1));
    section_needChannels(1, 4);
}

void load_efxSwirl(void)
{
    SwirlVars* vars = (SwirlVars*)section_allocVars(sizeof(SwirlVars));
    vars->clear = efx_toInt(mySection->params[0]);
    vars->alpha[0] = mySection->params[1];
    vars->alpha[1] = mySection->params[2];
    for (int i = 0; i < SWIRL_SIDE; i++)
        for (int j = 0; j < SWIRL_SIDE; j++) {
            SwirlPoint* p = &vars->grid[i * SWIRL_SIDE + j];
            p->tex[0] = ((float)i / (SWIRL_SIDE - 1)) * glDriver.rtt_extent_s;
            p->tex[1] = ((float)j / (SWIRL_SIDE - 1)) * glDriver.rtt_extent_t;
        }
}

void init_efxSwirl(void) {}

/* Points inside the circle turn by (radius - d) * strength radians: almost
** radius * strength at the centre, nothing on the circle. */
static void swirl_bend(SwirlVars* vars)
{
    float cx = vars->centre[0], cy = vars->centre[1], radius = vars->radius;
    const float step = 1.0f / (SWIRL_SIDE - 1);
    float x = 0.0f;
    for (int i = 0; i < SWIRL_SIDE; i++, x += step) {
        float y = 0.0f;
        for (int j = 0; j < SWIRL_SIDE; j++, y += step) {
            float* v = vars->grid[i * SWIRL_SIDE + j].vertex;
            float dx = x - cx, dy = y - cy;
            float d = sqrtf(dy * dy + dx * dx);
            if (!(d < radius)) {
                v[0] = x;
                v[1] = y;
                continue;
            }
            float a = (radius - d) * vars->strength + (float)atan2(dy, dx);
            v[0] = cx + d * (float)cos(a);
            v[1] = cy + d * (float)sin(a);
            if (!isfinite(v[0]) || !isfinite(v[1])) {   /* a strength that is not a number */
                v[0] = x;
                v[1] = y;
            }
        }
    }
    /* the border stays on the screen edge, sliding along it at most */
    for (int k = 0; k < SWIRL_SIDE; k++) {
        vars->grid[k].vertex[0] = 0.0f;
        vars->grid[(SWIRL_SIDE - 1) * SWIRL_SIDE + k].vertex[0] = 1.0f;
        vars->grid[k * SWIRL_SIDE].vertex[1] = 0.0f;
        vars->grid[k * SWIRL_SIDE + SWIRL_SIDE - 1].vertex[1] = 1.0f;
    }
}

static void swirl_send(const SwirlPoint* p)
{
    glTexCoord2fv(p->tex);
    glVertex2fv(p->vertex);
}

void render_efxSwirl(void)
{
    SwirlVars* vars = (SwirlVars*)mySection->vars;
    float c[16] = { vars->centre[0], vars->centre[1], vars->radius, vars->strength };
    dkernel_getSpline(0, mySection->elapsed, c);
    vars->centre[0] = c[0];
    vars->centre[1] = c[1];
    vars->radius = c[2];
    vars->strength = c[3];
    swirl_bend(vars);

    glDisable(GL_DEPTH_TEST);
    efx_beginBlend();
    tex_bind(demoSystem.rtt_texture);
    gldrv_copyColorBuffer();
    glClear(vars->clear ? GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT : GL_DEPTH_BUFFER_BIT);
    glColor4f(1.0f, 1.0f, 1.0f, efx_fade(vars->alpha[0], vars->alpha[1]));
    camera_set2d();

    /* one strip per pair of neighbouring rows; the repeated pairs make
       degenerate triangles */
    for (int c0 = 0; c0 < SWIRL_SIDE - 1; c0++) {
        glBegin(GL_TRIANGLE_STRIP);
        for (int i = 0; i < SWIRL_SIDE - 1; i++) {
            swirl_send(&vars->grid[i * SWIRL_SIDE + c0]);
            swirl_send(&vars->grid[i * SWIRL_SIDE + c0 + 1]);
            swirl_send(&vars->grid[(i + 1) * SWIRL_SIDE + c0]);
            swirl_send(&vars->grid[(i + 1) * SWIRL_SIDE + c0 + 1]);
        }
        glEnd();
    }

    camera_restore();
    efx_endBlend();
    glEnable(GL_DEPTH_TEST);
}

void end_efxSwirl(void) {}

void free_efxSwirl(void) { section_freeVars(); }
