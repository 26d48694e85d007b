/*
** sec_particletex.cpp -- the `particleTex` section: a picture broken into
** one billboard per bright pixel, scattering away from the picture or
** gathering into it over the section's time.
*/
#include <GL/gl.h>
#include <limits.h>
#include <math.h>
#include <stdint.h>
#include <stdlib.h>

#include "dkernel.h"
#include "draw.h"
#include "particle.h"
#include "dk_random.h"
#include "sectiontypes.h"
#include "tex.h"

/* A pixel counts when its red + green + blue exceeds this. */
#define PARTICLETEX_THRESHOLD 152
/* More billboards than this cannot be drawn at any useful frame rate; a
** picture that would yield them is refused at load. */
#define PARTICLETEX_MAX_COUNT (1 << 20)

struct TexParticle {
    float          position[3];
    float          scatter[3];
    uint16_t       column;
    uint16_t       row;
    unsigned char  color[4];
};

struct ParticleTexVars {
    TexParticle*    particles;
    int             count;
    ParticlePicture picture;       /* its pixels only while loading */
    int             sprite;
    float           size;
    float           half_width;
    float           half_height;
    float           spacing_x;     /* per copied column */
    float           spacing_y;     /* per copied row */
};

/* An alpha in 0..1 as a colour byte; out-of-range values saturate. */
static unsigned char particleTex_alphaByte(float alpha)
{
    float v = alpha * 255.0f;
    if (!(v > 0.0f))
        return 0;
    if (v >= 255.0f)
        return 255;
    return (unsigned char)(int)v;
}

/* sign, then magnitude: each component within +-(range - 1) */
static float particleTex_scatter(uint32_t range)
{
    float sign = (myRand() & 1u) ? -1.0f : 1.0f;
    return sign * (float)(myRand() % range);
}

void preload_particleTex(void) {}

void check_particleTex(void)
{
    section_needCounts(count_exactly(9), count_exactly(2), count_none());
    /* the range is a modulus: below 1 it would divide by zero */
    if (!(mySection->params[2] >= 1.0f))
        section_error("invalid scatter range");
    section_needFile(mySection->strings[0]);
    section_needFile(mySection->strings[1]);
}

void load_particleTex(void)
{
    const float* param = mySection->params;
    ParticleTexVars* vars = (ParticleTexVars*)section_allocVars(sizeof(ParticleTexVars));

    vars->sprite = -1;
    ParticlePicture& pic = vars->picture;
    particle_loadPicture(&pic, mySection->strings[0], -1);
    vars->sprite = tex_load(mySection->strings[1]);
    tex_properties(vars->sprite, 8);
    tex_upload(vars->sprite);

    vars->size = param[1];
    vars->half_width = (float)pic.width * param[0] * 0.5f;
    vars->half_height = (float)pic.height * param[0] * 0.5f;
    vars->spacing_x = param[0] * (float)pic.width / (float)pic.data_width;
    vars->spacing_y = param[0] * (float)pic.height / (float)pic.data_height;

    size_t pixels = (size_t)pic.data_width * (size_t)pic.data_height;
    int count = 0;
    for (size_t i = 0; i < pixels; i++) {
        const unsigned char* p = pic.rgb + i * 3;
        count += p[0] + p[1] + p[2] > PARTICLETEX_THRESHOLD;
        if (count > PARTICLETEX_MAX_COUNT)
            section_error("too many particles (more than %d bright pixels)", PARTICLETEX_MAX_COUNT);
    }
    vars->count = count;
    vars->particles = (TexParticle*)calloc(count > 0 ? (size_t)count : 1, sizeof(TexParticle));
    if (!vars->particles)
        section_error("out of memory");

    uint32_t range = (uint32_t)draw_count(param[2], INT_MAX);
    unsigned char alpha = particleTex_alphaByte(param[6]);
    TexParticle* tp = vars->particles;
    for (int row = 0; row < pic.data_height; row++) {
        for (int column = 0; column < pic.data_width; column++) {
            const unsigned char* p = pic.rgb + ((size_t)row * pic.data_width + column) * 3;
            if (p[0] + p[1] + p[2] <= PARTICLETEX_THRESHOLD)
                continue;
            tp->column = (uint16_t)column;
            tp->row = (uint16_t)row;
            tp->color[0] = p[0];
            tp->color[1] = p[1];
            tp->color[2] = p[2];
            tp->color[3] = alpha;
            for (int k = 0; k < 3; k++)
                tp->scatter[k] = particleTex_scatter(range);
            tp++;
        }
    }
    /* the particles hold their colours: the pixels are not needed again */
    free(pic.rgb);
    pic.rgb = nullptr;
}

void init_particleTex(void) {}

void render_particleTex(void)
{
    ParticleTexVars* vars = (ParticleTexVars*)mySection->vars;
    if (vars->count == 0)
        return;
    const float* param = mySection->params;
    float elapsed = mySection->elapsed;
    float duration = mySection->duration;
    float t = duration > 0.0f ? elapsed / duration : 1.0f;
    float u = param[8] == 0.0f ? 1.0f - t : t;
    /* k runs 0 -> 1 while scattering and 1 -> 0 while gathering, easing
    ** in and out */
    float k = 0.5f + 0.5f * cosf((float)M_PI * u);
    float alpha = duration > 0.0f ? param[6] + elapsed * (param[7] - param[6]) / duration : param[7];
    unsigned char alpha_byte = particleTex_alphaByte(alpha);

    for (int i = 0; i < vars->count; i++) {
        TexParticle* p = &vars->particles[i];
        p->position[0] = p->scatter[0] * k + vars->spacing_y * (float)p->row - vars->half_height;
        p->position[1] = p->scatter[1] * k + vars->spacing_x * (float)p->column - vars->half_width;
        p->position[2] = p->scatter[2] * k;
        p->color[3] = alpha_byte;
    }

    particle_blendBegin();
    glPushMatrix();
    glTranslatef(param[3], param[4], param[5]);
    /* rows become the vertical axis (row 0 highest), columns the
    ** horizontal one */
    glRotatef(-90.0f, 0.0f, 0.0f, 1.0f);
    float right[3], up[3];
    particle_axes(vars->size, right, up);
    glDepthMask(GL_FALSE);
    tex_bind(vars->sprite);
    glBegin(GL_QUADS);
    for (int i = 0; i < vars->count; i++) {
        glColor4ubv(vars->particles[i].color);
        particle_quad(vars->particles[i].position, right, up);
    }
    glEnd();
    glDepthMask(GL_TRUE);
    glPopMatrix();
    particle_blendEnd();
}

void end_particleTex(void) {}

void free_particleTex(void)
{
    ParticleTexVars* vars = (ParticleTexVars*)mySection->vars;
    if (vars) {
        free(vars->particles);
        particle_freePicture(&vars->picture);
        tex_free(vars->sprite);
    }
    section_freeVars();
}
