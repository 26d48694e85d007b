/*
** sec_ray.cpp -- the `ray` section: lightning bolts between two animated
** points, made of jittered segments drawn as stacked additive lines.
** Every random number comes from the shared generator in a fixed order,
** so a bolt flickers the same way on every run.
*/
#include "sec_ray.h"

#include <GL/gl.h>
#include <math.h>
#include <stdlib.h>
#include <string.h>

#include "dkernel.h"
#include "draw.h"
#include "particle.h"
#include "dk_random.h"
#include "sectiontypes.h"

static float ray_sign(void)
{
    return (myRand() & 1u) ? -1.0f : 1.0f;
}

void recalculateRaySeed(RayVars* ray)
{
    for (int s = 0; s < ray->segments; s++) {
        for (int c = 0; c < 3; c++) {
            /* magnitude first, then sign */
            float magnitude = (float)(myRand() % 1000u);
            float sign = ray_sign();
            ray->offsets[s][c] = magnitude * 0.001f * ray->amplitude * sign;
        }
    }
}

void ray_bolt(RayVars* ray)
{
    if ((float)(myRand() % 1000u) * 0.001f < ray->reseed)
        recalculateRaySeed(ray);
    int n = ray->segments;
    float step[3] = { 0, 0, 0 };
    for (int c = 0; c < 3 && n > 0; c++)
        step[c] = (ray->end[c] - ray->start[c]) / (float)n;
    memcpy(ray->points[0], ray->start, sizeof ray->start);
    for (int s = 0; s < n; s++) {
        float* offset = ray->offsets[s];
        for (int c = 0; c < 3; c++) {
            /* the offsets wander from frame to frame */
            float magnitude = (float)(myRand() % 100u);
            float sign = ray_sign();
            offset[c] += magnitude * 0.001f * ray->amplitude * sign;
        }
        const float* p = ray->points[s];
        float* q = ray->points[s + 1];
        for (int c = 0; c < 3; c++) {
            if (!ray->anchored)
                q[c] = p[c] + offset[c] + step[c];   /* each offset shifts the rest */
            else if (s == n - 1)
                q[c] = ray->end[c];
            else
                q[c] = ray->start[c] + (float)(s + 1) * step[c] + offset[c];
        }
    }
}

int ray_lineStack(float width, float* widths, float* alphas)
{
    if (width > (float)RAY_MAX_LINES)
        width = (float)RAY_MAX_LINES;
    int count = 0;
    for (int k = 1; (float)(k - 1) < width; k++) {
        widths[count] = width - (float)(k - 1);
        alphas[count] = (float)k / width;
        count++;
    }
    return count;
}

void preload_ray(void) {}

void check_ray(void)
{
    section_needCounts(count_exactly(2), count_none(), count_exactly(2));
    section_needChannels(1, 10);
    section_needChannels(2, 3);
}

void load_ray(void)
{
    RayVars* ray = (RayVars*)section_allocVars(sizeof(RayVars));
    /* any value that truncates to nonzero, negative ones too, anchors */
    ray->anchored = fabsf(mySection->params[0]) >= 1.0f;
    ray->segments = draw_count(mySection->params[1], RAY_MAX_SEGMENTS);
    size_t points = (size_t)ray->segments + 1;
    ray->offsets = (float(*)[3])calloc(points, sizeof *ray->offsets);
    ray->points = (float(*)[3])calloc(points, sizeof *ray->points);
    if (!ray->offsets || !ray->points)
        section_error("out of memory");
    recalculateRaySeed(ray);
}

void init_ray(void)
{
    /* Each activation starts from the offsets load left (the amplitude is
    ** 0 then, so all zero): a restart then draws the bolts of the first
    ** start instead of ones that wandered on meanwhile. */
    RayVars* ray = (RayVars*)mySection->vars;
    ray->amplitude = 0.0f;
    memset(ray->offsets, 0, ((size_t)ray->segments + 1) * sizeof *ray->offsets);
}

void render_ray(void)
{
    RayVars* ray = (RayVars*)mySection->vars;
    float path[16] = { 0 };
    float colour[16] = { 1, 1, 1 };
    dkernel_getSpline(0, mySection->elapsed, path);
    dkernel_getSpline(1, mySection->elapsed, colour);
    memcpy(ray->start, path, sizeof ray->start);
    memcpy(ray->end, path + 3, sizeof ray->end);
    memcpy(ray->color, colour, sizeof ray->color);
    ray->amplitude = path[6];
    ray->width = path[7];
    ray->reseed = path[8];
    ray->bolts = draw_count(path[9], RAY_MAX_BOLTS);

    float widths[RAY_MAX_LINES], alphas[RAY_MAX_LINES];
    int lines = ray_lineStack(ray->width, widths, alphas);

    glDisable(GL_TEXTURE_2D);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glEnable(GL_BLEND);
    for (int b = 0; b < ray->bolts; b++) {
        ray_bolt(ray);
        /* One pass per line of the stack over all segments: the lines add
        ** up, so the order they are drawn in does not change the picture,
        ** and a width cannot change between glBegin and glEnd. */
        for (int k = 0; k < lines; k++) {
            glLineWidth(widths[k]);
            glColor4f(ray->color[0], ray->color[1], ray->color[2], alphas[k]);
            glBegin(GL_LINES);
            for (int s = 0; s < ray->segments; s++) {
                glVertex3fv(ray->points[s]);
                glVertex3fv(ray->points[s + 1]);
            }
            glEnd();
        }
    }
    glLineWidth(1.0f);
    glDisable(GL_BLEND);
    glEnable(GL_TEXTURE_2D);
}

void end_ray(void) {}

void free_ray(void)
{
    RayVars* ray = (RayVars*)mySection->vars;
    if (ray) {
        free(ray->offsets);
        free(ray->points);
    }
    section_freeVars();
}
