/*
** sec_particlematrix.cpp -- the `particleMatrix` section: a chain of
** billboards, each placed at a spline-given distance and pair of angles
** from the one before it, all tinted by a colour spline.
*/
#include <GL/gl.h>
#include <math.h>
#include <stdlib.h>

#include "dkernel.h"
#include "draw.h"
#include "particle.h"
#include "sectiontypes.h"
#include "tex.h"

/* A script asking for an absurd chain must not allocate or stall forever. */
#define PARTICLEMATRIX_MAX_COUNT 100000

struct ParticleMatrixVars {
    ParticleSystem* system;
    int             no_depth;
};

void preload_particleMatrix(void) {}

void check_particleMatrix(void)
{
    section_needCounts(count_exactly(4), count_exactly(1), count_exactly(3));
    float modulation = mySection->params[1];
    if (modulation != 0.0f && modulation != 1.0f)
        section_error("invalid modulation");
    section_needFile(mySection->strings[0]);
    section_needChannels(1, 3);
    section_needChannels(2, 3);
    section_needChannels(3, 4);
}

void load_particleMatrix(void)
{
    ParticleMatrixVars* vars = (ParticleMatrixVars*)section_allocVars(sizeof(ParticleMatrixVars));
    vars->no_depth = mySection->params[2] == 1.0f;

    int count = draw_count(mySection->params[0], PARTICLEMATRIX_MAX_COUNT);
    ParticleSystem* ps = particlesystem_init(count, mySection->params[3]);
    vars->system = ps;
    ps->textures = (int32_t*)malloc(sizeof(int32_t));
    if (!ps->textures)
        section_error("out of memory");
    ps->textures[0] = tex_load(mySection->strings[0]);
    ps->textureCount = 1;
    /* modulation: the colour spline tints the texture instead of being
    ** replaced by it */
    if (mySection->params[1] == 1.0f)
        tex_properties(ps->textures[0], 8);
    for (int i = 0; i < count; i++) {
        ps->particles[i].active = 1;
        ps->particles[i].texture = 0;
        particle_color(ps, i, 1.0f, 1.0f, 1.0f, 1.0f);
    }
    particlesystem_load(ps);
}

void init_particleMatrix(void) {}

/* Places the chain at the section's time: particle 0 on spline 1, every
** next one a step of length d away, its direction turned by i times the
** angles a (about y) and b (up from the horizontal). */
static void particleMatrix_layout(ParticleSystem* ps, float elapsed)
{
    float origin[16] = { 0 };
    /* a step spline without a size channel keeps the initial size */
    float step[16] = { 0, 0, 0, ps->size };
    float colour[16] = { 1, 1, 1, 1 };
    dkernel_getSpline(0, elapsed, origin);
    dkernel_getSpline(1, elapsed, step);
    dkernel_getSpline(2, elapsed, colour);
    float d = step[0];
    float a = step[1] * (float)M_PI / 180.0f;
    float b = step[2] * (float)M_PI / 180.0f;

    float x = origin[0], y = origin[1], z = origin[2];
    for (int i = 0; i < ps->count; i++) {
        if (i > 0) {
            float fi = (float)i;
            x += d * cosf(fi * b) * sinf(fi * a);
            y += d * sinf(fi * b);
            z += d * cosf(fi * b) * cosf(fi * a);
        }
        particle_position(ps, i, x, y, z);
        particle_color(ps, i, colour[0], colour[1], colour[2], colour[3]);
    }
    if (ps->count > 0)
        ps->size = step[3];
}

void render_particleMatrix(void)
{
    ParticleMatrixVars* vars = (ParticleMatrixVars*)mySection->vars;
    particleMatrix_layout(vars->system, mySection->elapsed);

    draw_beginSection();
    AxisDrawing();
    if (vars->no_depth)
        glDisable(GL_DEPTH_TEST);
    particle_render(vars->system);
    if (vars->no_depth)
        glEnable(GL_DEPTH_TEST);
    draw_endSection();
}

void end_particleMatrix(void) {}

void free_particleMatrix(void)
{
    ParticleMatrixVars* vars = (ParticleMatrixVars*)mySection->vars;
    if (vars)
        particlesystem_free(vars->system);
    section_freeVars();
}
