/*
** particle.h -- the particle library: fixed-size particle systems with an
** Euler update step and camera-facing textured quads (billboards), and the
** helpers the particle-based sections share: billboard axes, the blend
** bracket, the 9-channel spline transform, count clamping and the pixels
** of a sampled picture.  The random numbers they draw come from
** dk_random.h.
*/
#ifndef PARTICLE_H
#define PARTICLE_H

#include <stdint.h>

struct Particle {
    int32_t active;          /* nonzero: alive and drawn */
    int32_t texture;         /* slot in the system's textures */
    float   position[3];
    float   speed[3];        /* units per second */
    float   acceleration[3]; /* units per second squared */
    float   life;            /* remaining seconds */
    float   color[4];
};

struct ParticleSystem {
    Particle* particles;     /* zero-filled at creation */
    int32_t   count;
    int32_t*  textures;      /* tex_array indices; filled by the creator */
    int32_t   textureCount;
    float     size;          /* half the side of every quad */
};

/* ---- systems (particle.cpp) ---- */
/* A negative count makes an empty system; running out of memory is fatal. */
ParticleSystem* particlesystem_init(int count, float size);
void particlesystem_load(ParticleSystem* ps);
void particlesystem_end(ParticleSystem* ps);
/* particlesystem_end and the system itself; none does nothing. */
void particlesystem_free(ParticleSystem* ps);

/* Setters of one particle; the index is the caller's to keep in range. */
void particle_position(ParticleSystem* ps, int index, float x, float y, float z);
void particle_speed(ParticleSystem* ps, int index, float x, float y, float z);
void particle_acceleration(ParticleSystem* ps, int index, float x, float y, float z);
void particle_duration(ParticleSystem* ps, int index, float life);
void particle_color(ParticleSystem* ps, int index, float r, float g, float b, float a);

void particle_update(float dt, ParticleSystem* ps);
/* Draws the active particles in runs of equal textures; depth writes are
** off while it draws, blending and alpha testing are the caller's. */
void particle_render(ParticleSystem* ps);

/* ---- billboards ---- */
/* The eye's right and up directions in the current model space (rows of
** the model-view matrix), each scaled by size. */
void particle_axes(float size, float right[3], float up[3]);
/* One quad around p, inside glBegin(GL_QUADS): corners -r+u, +r+u, +r-u,
** -r-u with texture coordinates (0,0), (1,0), (1,1), (0,1). */
void particle_quad(const float p[3], const float right[3], const float up[3]);

/* ---- section helpers ---- */
/* The section's blend setting alone (the particle sections ignore alpha). */
void particle_blendBegin(void);
void particle_blendEnd(void);
/* Spline `index` (0-based) of mySection at `time` as scale, turns about x,
** y, z and translation, applied in that order to the model-view matrix. */
void particle_prepareObject(float time, int index);

/* A picture whose pixels a section samples, as packed RGB copied at load.
** Sampling goes through file coordinates, so the picture keeps its file
** size whatever texture detail (or an earlier upload) left of its data. */
struct ParticlePicture {
    int            texture;
    int            width;          /* the file's pixel size */
    int            height;
    int            data_width;     /* the copied pixels' size */
    int            data_height;
    unsigned char* rgb;            /* data_width * data_height * 3, top row first */
};

/* tex_load, tex_properties(flags) unless flags is -1 (the picture is then
** left as other sections set it), copy of the pixels, tex_upload.  The
** copy comes from the loaded data, or back from GL when another section
** had already uploaded the picture and its data is gone. */
void particle_loadPicture(ParticlePicture* pic, const char* file, int properties);
/* The picture's use of its texture and its copied pixels; also after a
** particle_loadPicture that failed half-way. */
void particle_freePicture(ParticlePicture* pic);
/* The RGB of the pixel at file column and row (clamped into the picture). */
const unsigned char* particle_pixel(const ParticlePicture* pic, int column, int row);

#endif
