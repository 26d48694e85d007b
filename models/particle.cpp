/*
** particle.cpp -- particle systems, their update step and billboard
** renderer, and the helpers the particle-based sections share.
*/
#include "particle.h"

#include <GL/gl.h>
#include <GL/glext.h>
#include <stdlib.h>
#include <string.h>

#include "dkernel.h"
#include "draw.h"
#include "tex.h"

/* ---- systems ---- */

ParticleSystem* particlesystem_init(int count, float size)
{
    if (count < 0)
        count = 0;
    ParticleSystem* ps = (ParticleSystem*)calloc(1, sizeof(ParticleSystem));
    Particle* particles = (Particle*)calloc(count > 0 ? (size_t)count : 1, sizeof(Particle));
    if (!ps || !particles) {
        free(ps);
        free(particles);
        dkernel_error("Out of memory creating %d particles", count);
    }
    ps->particles = particles;
    ps->count = count;
    ps->size = size;
    return ps;
}

void particlesystem_load(ParticleSystem* ps)
{
    for (int i = 0; i < ps->textureCount; i++)
        tex_upload(ps->textures[i]);
}

void particlesystem_end(ParticleSystem* ps)
{
    for (int i = 0; i < ps->textureCount; i++)
        tex_free(ps->textures[i]);
    free(ps->textures);
    free(ps->particles);
    ps->textures = nullptr;
    ps->textureCount = 0;
    ps->particles = nullptr;
    ps->count = 0;
}

void particlesystem_free(ParticleSystem* ps)
{
    if (!ps)
        return;
    particlesystem_end(ps);
    free(ps);
}

static void setVector(float* v, float x, float y, float z)
{
    v[0] = x;
    v[1] = y;
    v[2] = z;
}

void particle_position(ParticleSystem* ps, int index, float x, float y, float z)
{
    setVector(ps->particles[index].position, x, y, z);
}

void particle_speed(ParticleSystem* ps, int index, float x, float y, float z)
{
    setVector(ps->particles[index].speed, x, y, z);
}

void particle_acceleration(ParticleSystem* ps, int index, float x, float y, float z)
{
    setVector(ps->particles[index].acceleration, x, y, z);
}

void particle_duration(ParticleSystem* ps, int index, float life)
{
    ps->particles[index].life = life;
}

void particle_color(ParticleSystem* ps, int index, float r, float g, float b, float a)
{
    float* c = ps->particles[index].color;
    c[0] = r;
    c[1] = g;
    c[2] = b;
    c[3] = a;
}

void particle_update(float dt, ParticleSystem* ps)
{
    for (int i = 0; i < ps->count; i++) {
        Particle* p = &ps->particles[i];
        if (!p->active)
            continue;
        /* the position moves with the speed from before this step */
        for (int k = 0; k < 3; k++) {
            p->position[k] += p->speed[k] * dt;
            p->speed[k] += p->acceleration[k] * dt;
        }
        p->life -= dt;
        if (p->life < 0.0f)
            p->active = 0;
        /* The alpha spreads its fade over the remaining life.  A life that
        ** lands exactly on 0 has nothing left to spread over: it is faded
        ** out instead of dividing by zero. */
        if (p->life != 0.0f)
            p->color[3] -= dt / p->life;
        else if (dt != 0.0f)
            p->color[3] = 0.0f;
    }
}

void particle_render(ParticleSystem* ps)
{
    float right[3], up[3];
    particle_axes(ps->size, right, up);
    glDepthMask(GL_FALSE);
    int current = -1;
    int open = 0;
    for (int i = 0; i < ps->count; i++) {
        const Particle* p = &ps->particles[i];
        if (!p->active)
            continue;
        /* one glBegin per run of particles sharing a texture: binding is
        ** not allowed between glBegin and glEnd */
        int texture = ps->textures[p->texture];
        if (!open || texture != current) {
            if (open)
                glEnd();
            tex_bind(texture);
            current = texture;
            glBegin(GL_QUADS);
            open = 1;
        }
        glColor4fv(p->color);
        particle_quad(p->position, right, up);
    }
    if (open)
        glEnd();
    glDepthMask(GL_TRUE);
}

/* ---- billboards ---- */

void particle_axes(float size, float right[3], float up[3])
{
    float m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    /* The rows of the rotation part are the eye's axes seen from the model
    ** (the matrix is orthonormal as long as the transforms do not scale). */
    setVector(right, m[0] * size, m[4] * size, m[8] * size);
    setVector(up, m[1] * size, m[5] * size, m[9] * size);
}

void particle_quad(const float p[3], const float r[3], const float u[3])
{
    glTexCoord2f(0.0f, 0.0f);
    glVertex3f(p[0] - r[0] + u[0], p[1] - r[1] + u[1], p[2] - r[2] + u[2]);
    glTexCoord2f(1.0f, 0.0f);
    glVertex3f(p[0] + r[0] + u[0], p[1] + r[1] + u[1], p[2] + r[2] + u[2]);
    glTexCoord2f(1.0f, 1.0f);
    glVertex3f(p[0] + r[0] - u[0], p[1] + r[1] - u[1], p[2] + r[2] - u[2]);
    glTexCoord2f(0.0f, 1.0f);
    glVertex3f(p[0] - r[0] - u[0], p[1] - r[1] - u[1], p[2] - r[2] - u[2]);
}

/* ---- section helpers ---- */

void particle_blendBegin(void)
{
    if (!mySection->blend_on)
        return;
    glEnable(GL_BLEND);
    glBlendFunc((GLenum)mySection->blend_src, (GLenum)mySection->blend_dst);
}

void particle_blendEnd(void)
{
    if (mySection->blend_on)
        glDisable(GL_BLEND);
}

void particle_prepareObject(float time, int index)
{
    /* the picture sections' order: scale, turns, then the translation in
    ** the scaled and turned frame */
    draw_imageTransform(index, time);
}

/* ---- sampled pictures ---- */

/* Packs the loaded data (3 or 4 bytes a pixel, red first or blue first)
** into RGB. */
static unsigned char* copyData(const Texture* t)
{
    int red = (t->format == GL_BGR || t->format == GL_BGRA) ? 2 : 0;
    int bytes = t->components;
    size_t count = (size_t)t->width * (size_t)t->height;
    unsigned char* rgb = (unsigned char*)malloc(count * 3 + 1);
    if (!rgb)
        return nullptr;
    for (size_t i = 0; i < count; i++) {
        const unsigned char* s = t->data + i * (size_t)bytes;
        rgb[i * 3] = s[red];
        rgb[i * 3 + 1] = s[1];
        rgb[i * 3 + 2] = s[2 - red];
    }
    return rgb;
}

/* The pixels of level 0 as GL holds them. */
static unsigned char* readBack(int index, int* width, int* height)
{
    const Texture* t = tex_array[index];
    tex_bind(index);
    GLint w = 0, h = 0;
    glGetTexLevelParameteriv(t->target, 0, GL_TEXTURE_WIDTH, &w);
    glGetTexLevelParameteriv(t->target, 0, GL_TEXTURE_HEIGHT, &h);
    if (w <= 0 || h <= 0)
        return nullptr;
    unsigned char* rgb = (unsigned char*)malloc((size_t)w * (size_t)h * 3);
    if (!rgb)
        return nullptr;
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(t->target, 0, GL_RGB, GL_UNSIGNED_BYTE, rgb);
    *width = w;
    *height = h;
    return rgb;
}

void particle_loadPicture(ParticlePicture* pic, const char* file, int properties)
{
    pic->texture = -1;
    pic->rgb = nullptr;
    int index = tex_load(file);
    if (properties >= 0)
        tex_properties(index, properties);
    const Texture* t = tex_array[index];
    pic->texture = index;
    pic->width = t->orig_width;
    pic->height = t->orig_height;
    if (t->data && (t->components == 3 || t->components == 4)) {
        pic->rgb = copyData(t);
        pic->data_width = t->width;
        pic->data_height = t->height;
        if (!pic->rgb)
            dkernel_error("Error loading '%s': out of memory", file);
    }
    tex_upload(index);
    if (!pic->rgb)
        pic->rgb = readBack(index, &pic->data_width, &pic->data_height);
    if (!pic->rgb)
        section_error("cannot read the pixels of '%s'", file);
}

void particle_freePicture(ParticlePicture* pic)
{
    tex_free(pic->texture);
    free(pic->rgb);
    pic->texture = -1;
    pic->rgb = nullptr;
}

const unsigned char* particle_pixel(const ParticlePicture* pic, int column, int row)
{
    if (column >= pic->width)
        column = pic->width - 1;
    if (row >= pic->height)
        row = pic->height - 1;
    if (column < 0)
        column = 0;
    if (row < 0)
        row = 0;
    int x = (int)((int64_t)column * pic->data_width / pic->width);
    int y = (int)((int64_t)row * pic->data_height / pic->height);
    return pic->rgb + ((size_t)y * (size_t)pic->data_width + (size_t)x) * 3;
}
