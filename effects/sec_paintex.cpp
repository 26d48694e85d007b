/*
** sec_paintex.cpp -- the `paintex` section: a picture painted onto its
** rectangle from left to right over the section's time, with a column of
** brush particles at the painting edge in the picture's colours.
*/
#include <GL/gl.h>
#include <stdlib.h>

#include "dkernel.h"
#include "draw.h"
#include "particle.h"
#include "sectiontypes.h"
#include "tex.h"

struct PaintexVars {
    ParticleSystem* brush;       /* one particle per picture row */
    Rect3D          rect;
    ParticlePicture picture;
};

void preload_paintex(void) {}

void check_paintex(void)
{
    section_needCounts(count_exactly(1), count_exactly(2), count_exactly(1));
    section_needFile(mySection->strings[0]);
    section_needFile(mySection->strings[1]);
    section_needChannels(1, 9);
}

void load_paintex(void)
{
    PaintexVars* vars = (PaintexVars*)section_allocVars(sizeof(PaintexVars));
    /* linear, clamped, replacing: the picture shows as it is */
    particle_loadPicture(&vars->picture, mySection->strings[0], 3);

    ParticleSystem* ps = particlesystem_init(vars->picture.height, mySection->params[0]);
    vars->brush = ps;
    ps->textures = (int32_t*)malloc(sizeof(int32_t));
    if (!ps->textures)
        section_error("out of memory");
    ps->textures[0] = tex_load(mySection->strings[1]);
    ps->textureCount = 1;
    /* linear without mipmaps, repeating, tinted by the particle colours */
    tex_properties(ps->textures[0], 9);
    for (int i = 0; i < ps->count; i++) {
        ps->particles[i].active = 1;
        ps->particles[i].texture = 0;
    }
    particlesystem_load(ps);
}

void init_paintex(void)
{
    PaintexVars* vars = (PaintexVars*)mySection->vars;
    rect3d_init(&vars->rect, vars->picture.texture, (float)vars->picture.width,
                (float)vars->picture.height);
}

void render_paintex(void)
{
    PaintexVars* vars = (PaintexVars*)mySection->vars;
    ParticleSystem* ps = vars->brush;
    float t = mySection->duration > 0.0f ? mySection->elapsed / mySection->duration : 1.0f;
    float w = (float)vars->picture.width;
    float h = (float)vars->picture.height;

    glDisable(GL_DEPTH_TEST);
    draw_beginSection();

    /* the right-hand corners follow the painting edge, and so does the
    ** right edge of the texture window */
    float x = -w * 0.5f + w * t;
    vars->rect.corners[1][0] = x;
    vars->rect.corners[2][0] = x;
    vars->rect.texcoords[1][0] = t;
    vars->rect.texcoords[2][0] = t;

    glColor4f(0.0f, 0.0f, 0.0f, 1.0f);
    glPushMatrix();
    particle_prepareObject(mySection->elapsed, 0);
    rect3d_render(&vars->rect);

    /* the brush takes the colours of the column being painted; at the
    ** very end that is the last column, not one past it */
    int column = (int)(t * w);
    for (int i = 0; i < ps->count; i++) {
        const unsigned char* rgb = particle_pixel(&vars->picture, column, i);
        particle_position(ps, i, x, h - (float)i - h * 0.5f, 0.0f);
        particle_color(ps, i, rgb[0] / 255.0f, rgb[1] / 255.0f, rgb[2] / 255.0f, 0.3f);
        ps->particles[i].active = 1;
    }
    particle_render(ps);

    glPopMatrix();
    draw_endSection();
    glEnable(GL_DEPTH_TEST);
}

void end_paintex(void) {}

void free_paintex(void)
{
    PaintexVars* vars = (PaintexVars*)mySection->vars;
    if (vars) {
        particlesystem_free(vars->brush);
        particle_freePicture(&vars->picture);
    }
    section_freeVars();
}
