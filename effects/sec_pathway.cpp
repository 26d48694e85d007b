/*
** sec_pathway.cpp -- the `pathway` section: particles released along a
** spline path at a fixed rate, each drifting off with its own random
** acceleration, drawn additively.
*/
#include <GL/gl.h>
#include <stdlib.h>

#include "dkernel.h"
#include "draw.h"
#include "particle.h"
#include "dk_random.h"
#include "sectiontypes.h"
#include "tex.h"

/* A rate or section long enough to ask for more is cut here: more
** particles could not be drawn at any useful frame rate. */
#define PATHWAY_MAX_COUNT 100000

struct PathwayVars {
    float           emission[3];   /* the last emission point */
    int             sprite;
    float           previous;      /* elapsed time of the previous frame */
    ParticleSystem* system;
};

void preload_pathway(void) {}

void check_pathway(void)
{
    section_needCounts(count_exactly(5), count_exactly(1), count_exactly(1));
    section_needFile(mySection->strings[0]);
    section_needChannels(1, 3);
}

void load_pathway(void)
{
    PathwayVars* vars = (PathwayVars*)section_allocVars(sizeof(PathwayVars));
    vars->sprite = -1;
    vars->sprite = tex_load(mySection->strings[0]);
    tex_properties(vars->sprite, 8);
    tex_upload(vars->sprite);

    float wanted = mySection->params[0] * (mySection->end - mySection->start);
    int count = draw_count(wanted, PATHWAY_MAX_COUNT);
    ParticleSystem* ps = particlesystem_init(count, mySection->params[1]);
    vars->system = ps;
    ps->textures = (int32_t*)malloc(sizeof(int32_t));
    if (!ps->textures)
        section_error("out of memory");
    ps->textures[0] = vars->sprite;
    ps->textureCount = 1;
}

/* sign, then magnitude: within +-0.198 units per second squared */
static float pathway_drift(void)
{
    float sign = (myRand() & 1u) ? -1.0f : 1.0f;
    return sign * 0.002f * (float)(myRand() % 100u);
}

void init_pathway(void)
{
    PathwayVars* vars = (PathwayVars*)mySection->vars;
    ParticleSystem* ps = vars->system;
    const float* param = mySection->params;
    for (int i = 0; i < ps->count; i++) {
        particle_color(ps, i, param[2], param[3], param[4], 1.0f);
        particle_position(ps, i, 0.0f, 0.0f, 0.0f);
        particle_speed(ps, i, 0.0f, 0.0f, 0.0f);
        float ax = pathway_drift();
        float ay = pathway_drift();
        float az = pathway_drift();
        particle_acceleration(ps, i, ax, ay, az);
        ps->particles[i].active = 0;
        particle_duration(ps, i, 1000.0f);
        ps->particles[i].texture = 0;
    }
    vars->previous = 0.0f;
}

void render_pathway(void)
{
    PathwayVars* vars = (PathwayVars*)mySection->vars;
    ParticleSystem* ps = vars->system;
    float now = mySection->elapsed;
    float rate = mySection->params[0];

    /* particle k leaves the path at k / rate seconds; the step is added
    ** up rather than multiplied, as the release times always were */
    float step = ps->count > 0 ? 1.0f / rate : 0.0f;
    float e = 0.0f;
    for (int k = 0; k < ps->count && e <= now; k++, e += step) {
        float point[16] = { 0 };
        dkernel_getSpline(0, e, point);
        vars->emission[0] = point[0];
        vars->emission[1] = point[1];
        vars->emission[2] = point[2];
        if (!ps->particles[k].active) {
            ps->particles[k].active = 1;
            particle_position(ps, k, point[0], point[1], point[2]);
        }
    }

    AxisDrawing();
    glPushMatrix();
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    particle_update(now - vars->previous, ps);
    particle_render(ps);
    vars->previous = now;
    glDisable(GL_BLEND);
    glPopMatrix();
}

void end_pathway(void) {}

void free_pathway(void)
{
    PathwayVars* vars = (PathwayVars*)mySection->vars;
    if (vars) {
        /* once the system holds the sprite, its end lets the sprite go */
        ParticleSystem* ps = vars->system;
        if (!ps || ps->textureCount == 0)
            tex_free(vars->sprite);
        particlesystem_free(ps);
    }
    section_freeVars();
}
