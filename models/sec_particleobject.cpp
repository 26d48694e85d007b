/*
** sec_particleobject.cpp -- the `particleObject` section: a billboard on
** every vertex of a model, shown inside a window over the vertex list that
** a spline moves; each vertex fades in with the time it has been inside.
*/
#include <GL/gl.h>
#include <stdlib.h>
#include <string.h>

#include "dkernel.h"
#include "model.h"
#include "particle.h"
#include "sectiontypes.h"
#include "tex.h"

struct VertexState {
    int   active;
    float age;        /* seconds inside the window */
};

struct ParticleObjectVars {
    Model*       model;
    long         total;          /* vertices of all meshes */
    VertexState* states;
    float        size;
    int          sprite;
    float        window_start;
    float        window_end;
};

void preload_particleObject(void) {}

void check_particleObject(void)
{
    section_needCounts(count_exactly(1, "1 float needed"), count_exactly(3), count_atLeast(2));
    model_needFile(mySection->strings[0], mySection->strings[1]);
    section_needFile(mySection->strings[2]);
    section_needChannels(1, 9);
    section_needChannels(2, 2);
    for (int k = 3; k <= mySection->spline_count; k++)
        section_needChannels(k, 9);
}

void load_particleObject(void)
{
    ParticleObjectVars* vars = (ParticleObjectVars*)section_allocVars(sizeof(ParticleObjectVars));
    vars->sprite = -1;
    vars->model = model_load(mySection->strings[0], mySection->strings[1]);
    for (int m = 0; m < vars->model->mesh_count; m++)
        vars->total += vars->model->meshes[m].vertex_count;
    vars->states = (VertexState*)calloc(vars->total > 0 ? (size_t)vars->total : 1, sizeof(VertexState));
    if (!vars->states)
        section_error("out of memory");
    vars->size = mySection->params[0];
    vars->sprite = tex_load(mySection->strings[2]);
    tex_properties(vars->sprite, 8);
    tex_upload(vars->sprite);
}

void init_particleObject(void)
{
    /* every activation (and a restart) fades the vertices in afresh, as
    ** on the first one */
    ParticleObjectVars* vars = (ParticleObjectVars*)mySection->vars;
    memset(vars->states, 0, (size_t)vars->total * sizeof(VertexState));
}

void render_particleObject(void)
{
    ParticleObjectVars* vars = (ParticleObjectVars*)mySection->vars;
    float elapsed = mySection->elapsed;

    particle_blendBegin();
    glPushMatrix();
    particle_prepareObject(elapsed, 0);
    float window[16] = { 0.0f, 1.0f };
    dkernel_getSpline(1, elapsed, window);
    vars->window_start = window[0];
    vars->window_end = window[1];
    for (int i = 2; i < mySection->spline_count; i++)
        particle_prepareObject(elapsed, i);

    float right[3], up[3];
    particle_axes(vars->size, right, up);
    glDepthMask(GL_FALSE);
    tex_bind(vars->sprite);
    glBegin(GL_QUADS);
    float start = vars->window_start, end = vars->window_end;
    float width = end - start;
    long g = 0;
    for (int m = 0; m < vars->model->mesh_count; m++) {
        const Mesh* mesh = &vars->model->meshes[m];
        for (int v = 0; v < mesh->vertex_count; v++, g++) {
            VertexState* state = &vars->states[g];
            float f = (float)g / (float)vars->total;
            if (f < start || f > end) {
                state->active = 0;
                continue;
            }
            if (!state->active) {
                state->active = 1;
                state->age = 0.0f;
            } else {
                state->age += demoSystem.frame_time;
            }
            /* a window without width holds at most one place: no ramp */
            float ramp = width > 0.0f ? (f - start) / width : 1.0f;
            glColor4f(1.0f, 1.0f, 1.0f, state->age * ramp);
            const Vector* p = &mesh->vertices[v].position;
            float position[3] = { p->x, p->y, p->z };
            particle_quad(position, right, up);
        }
    }
    glEnd();
    glDepthMask(GL_TRUE);
    glPopMatrix();
    particle_blendEnd();
}

void end_particleObject(void) {}

void free_particleObject(void)
{
    ParticleObjectVars* vars = (ParticleObjectVars*)mySection->vars;
    if (vars) {
        free(vars->states);
        model_free(vars->model);
        tex_free(vars->sprite);
    }
    section_freeVars();
}
