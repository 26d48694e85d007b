/*
** efx_rendermesh.cpp -- efxRenderMesh: redraws the frame drawn so far
** through a 21 x 21 mesh whose texture coordinates one of nine fixed
** formulas distorts, some of them moving with time and the demo's bpm.
**
** The formulas mix double and single precision on purpose: the ripples of
** the fast modes are the rounding of those products, and a demo keeps
** looking the way it always has.
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

#define MESH_SIDE 21

struct MeshPoint {
    float tex[2];      /* s, t: recomputed every frame */
    float vertex[2];   /* x, y: fixed at load */
};

struct RenderMeshVars {
    MeshPoint mesh[MESH_SIDE * MESH_SIDE];   /* point (i, j) at i * 21 + j */
    int       mode;
    float     alpha[2];   /* start, end */
};

static const double PI = 3.14159265358979323846;

void efx_meshCoord(int mode, int i, int j, float T, float B, double* a, double* b)
{
    double u = i / 20.0, v = j / 20.0;
    double di = i, dj = j;
    switch (mode) {
    case 0:
        *a = u + 0.01;
        *b = v + 0.01;
        break;
    case 1:
        *a = u + (di - 10.5) * 0.001;
        *b = v + (dj - 10.5) * 0.001;
        break;
    case 2:
        *a = u * cos(PI * (di + dj - 21.0) / 50.0);
        *b = v * cos(PI * (di - dj) / 100.0);
        break;
    case 3: {
        /* the two angles come from different indices: not a pure rotation */
        double alpha = (di - 10.0) * PI / 32.0 + PI / 32.0;
        double beta = (dj - 10.0) * PI / 32.0 + PI / 32.0;
        double A = u + (di - 10.5) * 0.003 - 0.5, D = v + (dj - 10.5) * 0.003 - 0.5;
        *a = cos(alpha) * A - sin(beta) * D + 0.5;
        *b = sin(beta) * A + cos(alpha) * D + 0.5;
        break;
    }
    case 4: {
        double theta = PI / 64.0 * sqrt((di - 10.5) * (di - 10.5) + (dj - 10.5) * (dj - 10.5));
        *a = cos(theta) * (u - 0.5) - sin(theta) * (v - 0.5) + 0.5;
        *b = sin(theta) * (u - 0.5) + cos(theta) * (v - 0.5) + 0.5;
        break;
    }
    case 5: {
        float P = T * (B / 120.0f) + 100.0f;
        float product = P * 21.0f * (float)i * (float)j;
        *a = u + 0.02 * sin(product / PI);
        *b = v + 0.02 * tan(di * dj * 0.01 * P);
        break;
    }
    case 6: {
        float phi = T * (float)PI * B / 120.0f;
        *a = u + 0.02 * sin(sin(phi) * (double)0.1f * di * PI);
        *b = v + 0.02 * cos(cos(phi) * (double)0.1f * dj * PI);
        break;
    }
    case 7: {
        float Q = T * (B / 120.0f);
        float product = (Q + 100.0f) * 21.0f * (float)i * (float)j;
        *a = u + 0.001 * cos(product / PI);
        *b = v + 0.01 * log(sin(cos(tan(Q))));
        break;
    }
    case 8: {
        float product = (T + 100.0f) * 21.0f * (float)i * (float)j;
        *a = u + 0.01 * cos(product / PI);
        *b = v + 0.01 * cos(log(di * dj + 2.0) * 0.01 * (T + 100.0));
        break;
    }
    default:
        *a = u;
        *b = v;
        break;
    }
    /* Mode 7's logarithm has no value for part of the time (and mode 5's
       tangent may overflow): such a coordinate stays undistorted rather
       than reach the GL. */
    if (!isfinite(*a)) *a = u;
    if (!isfinite(*b)) *b = v;
}

void preload_efxRenderMesh(void) {}

void check_efxRenderMesh(void)
{
    section_needCounts(count_exactly(3), count_none(), count_none());
}

/* The border reaches just past the screen so its edge is never left open. */
static float meshVertex(int k)
{
    if (k == 0) return -0.005f;
    if (k == MESH_SIDE - 1) return 1.005f;
    return (float)k * 0.05f;
}

void load_efxRenderMesh(void)
{
    RenderMeshVars* vars = (RenderMeshVars*)section_allocVars(sizeof(RenderMeshVars));
    vars->mode = efx_toInt(mySection->params[0]);
    vars->alpha[0] = mySection->params[1];
    vars->alpha[1] = mySection->params[2];
    for (int i = 0; i < MESH_SIDE; i++)
        for (int j = 0; j < MESH_SIDE; j++) {
            MeshPoint* p = &vars->mesh[i * MESH_SIDE + j];
            p->vertex[0] = meshVertex(i);
            p->vertex[1] = meshVertex(j);
        }
}

void init_efxRenderMesh(void) {}

static void mesh_send(const MeshPoint* p)
{
    glTexCoord2fv(p->tex);
    glVertex2fv(p->vertex);
}

void render_efxRenderMesh(void)
{
    RenderMeshVars* vars = (RenderMeshVars*)mySection->vars;
    for (int i = 0; i < MESH_SIDE; i++)
        for (int j = 0; j < MESH_SIDE; j++) {
            double a, b;
            efx_meshCoord(vars->mode, i, j, mySection->elapsed, demoSystem.bpm, &a, &b);
            MeshPoint* p = &vars->mesh[i * MESH_SIDE + j];
            p->tex[0] = (float)a * glDriver.rtt_extent_s;
            p->tex[1] = (float)b * glDriver.rtt_extent_t;
        }

    tex_bind(demoSystem.rtt_texture);
    gldrv_copyColorBuffer();
    glDisable(GL_DEPTH_TEST);
    efx_beginBlend();
    camera_set2d();
    glColor4f(1.0f, 1.0f, 1.0f, efx_fade(vars->alpha[0], vars->alpha[1]));

    glBegin(GL_QUADS);
    for (int i = 0; i < MESH_SIDE - 1; i++)
        for (int j = 0; j < MESH_SIDE - 1; j++) {
            mesh_send(&vars->mesh[i * MESH_SIDE + j]);
            mesh_send(&vars->mesh[(i + 1) * MESH_SIDE + j]);
            mesh_send(&vars->mesh[(i + 1) * MESH_SIDE + j + 1]);
            mesh_send(&vars->mesh[i * MESH_SIDE + j + 1]);
        }
    glEnd();

    camera_restore();
    efx_endBlend();
    glEnable(GL_DEPTH_TEST);
}

void end_efxRenderMesh(void) {}

void free_efxRenderMesh(void) { section_freeVars(); }
