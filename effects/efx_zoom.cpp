/*
** efx_zoom.cpp -- the radial zoom passes of efxRadialBlur and efxRadialGlow:
** a pile of ever larger copies of the frame, centred on a moving point.
*/
#include "effects.h"

#include "gldrv.h"

#include <GL/gl.h>

static float lerp(const float* pair, float t)
{
    return pair[0] + (pair[1] - pair[0]) * t;
}

/* Ten params: count, accumulate, alpha start and end, spread start and
** end, then the centre as two (x, y) pairs, start then end; efxRadialGlow
** has the same ten after its four threshold params.  The count is capped
** at EFX_MAX_QUADS. */
void efx_loadRadialZoom(RadialZoom* zoom, const float* p)
{
    int count = efx_toInt(p[0]);
    zoom->count = count > EFX_MAX_QUADS ? EFX_MAX_QUADS : count;
    zoom->accumulate = efx_flag(p[1]);
    zoom->alpha[0] = p[2];
    zoom->alpha[1] = p[3];
    zoom->spread[0] = p[4];
    zoom->spread[1] = p[5];
    zoom->centre_x[0] = p[6];
    zoom->centre_y[0] = p[7];
    zoom->centre_x[1] = p[8];
    zoom->centre_y[1] = p[9];
}

void efx_radialQuad(const RadialZoom* zoom, int i, float t, float* size, float* shift_s, float* shift_t)
{
    float spread = lerp(zoom->spread, t);
    float cx = zoom->centre_x[0] * (1.0f - t) + zoom->centre_x[1] * t;
    float cy = zoom->centre_y[0] * (1.0f - t) + zoom->centre_y[1] * t;
    /* spread * i^2 / count, grouped so the single-precision value is the
       one the effect has always drawn */
    float s = (float)i / (float)zoom->count * spread * (float)i;
    *size = s;
    *shift_s = s * (cx - 0.5f);
    *shift_t = s * (0.5f - cy);   /* the centre's y runs downwards, texture t upwards */
}

static void zoomQuad(const RadialZoom* zoom, int i, float t)
{
    float s, ds, dt;
    efx_radialQuad(zoom, i, t, &s, &ds, &dt);
    float es = glDriver.rtt_extent_s, et = glDriver.rtt_extent_t;
    glTexCoord2f(ds, et + dt);      glVertex2f(-s, 1.0f + s);
    glTexCoord2f(ds, dt);           glVertex2f(-s, -s);
    glTexCoord2f(es + ds, dt);      glVertex2f(1.0f + s, -s);
    glTexCoord2f(es + ds, et + dt); glVertex2f(1.0f + s, 1.0f + s);
}

void efx_radialZoom(const RadialZoom* zoom, float t)
{
    glColor4f(1.0f, 1.0f, 1.0f, lerp(zoom->alpha, t));
    int count = zoom->count;   /* the sections keep it within EFX_MAX_QUADS */
    if (!zoom->accumulate) {
        /* every quad samples the one copy: one frame copy whatever the count */
        gldrv_copyColorBuffer();
        glBegin(GL_QUADS);
        for (int i = 0; i < count; i++) zoomQuad(zoom, i, t);
        glEnd();
        return;
    }
    for (int i = 0; i < count; i++) {
        gldrv_copyColorBuffer();
        glBegin(GL_QUADS);
        zoomQuad(zoom, i, t);
        glEnd();
    }
}
