/*
** effects.h -- the effects module: the full-screen pass helpers every
** post-processing section builds on (offset quads, box blurs, high-pass
** filters, the radial zoom passes) and the small conversions the effect
** sections share.  The module keeps no global state of its own; each effect
** section keeps its data in its section's vars.
*/
#ifndef EFFECTS_H
#define EFFECTS_H

/* Quads drawn by one pass are capped: a script asking for an absurd count
** must not stall a frame for minutes.  Far below the cap an additive or
** alpha-weighted pile of full-screen quads has long stopped changing the
** 8-bit frame. */
#define EFX_MAX_QUADS 1000

/* Beyond this many texels a blur tap lies outside any render target, so a
** larger radius would only add passes that change nothing. */
#define EFX_MAX_BLUR_RADIUS 32768.0f

/* ---- offset quads (efx_pass.cpp); inside glBegin(GL_QUADS) ... glEnd ---- */

/* Full-screen quad showing the texel at x + dx, weighted by alpha. */
void drawOffsetQuad(float dx, float dy, float alpha);
/* Full-screen quad with unit 0 shifted by (+dx, +dy) and unit 1 by (-dx, -dy). */
void drawOffsetQuadMulti(float dx, float dy);
/* Full-screen quad whose vertices, not texture coordinates, are shifted. */
void drawOffsetQuad_old(float dx, float dy, float alpha);

/* ---- blurs and filters (efx_pass.cpp); in the 2-D unit view, blending on ---- */

/* Separable three-tap blur at 1, 2, 4 ... texels and a last pass at radius;
** the caller has set (GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA). */
void render_boxblur(int texture, float radius);
/* The same schedule with the two taps averaged by two texture units. */
void render_boxblur_ext(int texture, float radius);
/* max(0, frame - (r, g, b)), amplified to 1 + passes times. */
void render_highpassfilter(int texture, float r, float g, float b, int passes);
/* max(0, frame - (r, g, b)), amplified to 1 + 2 * (passes / 2) times; the
** texture receives the thresholded frame only when passes is 2 or more. */
void render_highpassfilter_ext(int texture, float r, float g, float b, int passes);

/* The two glows' bracket: efx_glowBegin keeps the frame in rtt_texture2,
** enters the 2-D unit view with blending on and leaves the frame's bright
** parts (render_highpassfilter_ext into rtt_texture) on screen;
** efx_glowEnd adds the kept frame back onto what the glow made of them and
** returns to the state the effects start from. */
void efx_glowBegin(const float threshold[3], int passes);
void efx_glowEnd(void);

/* ---- radial zoom passes (efx_zoom.cpp), shared by efxRadialBlur and efxRadialGlow ---- */

struct RadialZoom {
    int   count;          /* quads, quad 0 being the frame itself */
    int   accumulate;     /* nonzero: every quad zooms the result of the ones before */
    float alpha[2];       /* start, end */
    float spread[2];
    float centre_x[2];    /* screen units, 0 left .. 1 right */
    float centre_y[2];    /* screen units, 0 top .. 1 bottom */
};

/* Fills the record from the ten zoom params starting at p (count first). */
void efx_loadRadialZoom(RadialZoom* zoom, const float* p);
/* The zoom of quad i at progress t: how far the quad reaches past every
** screen edge and its texture shift (extents included). */
void efx_radialQuad(const RadialZoom* zoom, int i, float t, float* size, float* shift_s, float* shift_t);
/* Copies the frame into the bound texture and draws the zoomed quads with
** the current blending; the caller is in the 2-D unit view. */
void efx_radialZoom(const RadialZoom* zoom, float t);

/* ---- the render mesh's formulas (efx_rendermesh.cpp) ---- */

/* Texture position (a, b), in screen units, of mesh point (i, j) of 21 x 21
** in mode `mode` at section time T and tempo B; a value that is not a
** finite number comes back undistorted (i / 20 or j / 20). */
void efx_meshCoord(int mode, int i, int j, float T, float B, double* a, double* b);

/* ---- conversions and the blend convention (efx_pass.cpp) ---- */

/* A param truncated toward zero; out-of-range values clamp and a value that
** is not a number gives 0, so no conversion is ever undefined. */
int efx_toInt(float value);
/* A flag param is on only when it is exactly 1. */
int efx_flag(float value);
/* The section's blend setting, when it has one, for the grid and feedback
** effects (they ignore the alpha test). */
void efx_beginBlend(void);
void efx_endBlend(void);
/* alpha start + elapsed * (end - start) / duration of mySection. */
float efx_fade(float start, float end);

#endif
