/*
** gldrv.h -- the OpenGL driver: window, context, capabilities, default GL
** state, the viewport rule (full window, letterbox, low-quality stretch),
** the two render-to-texture targets and the per-frame begin/end steps.
** Frame grabs (gldrv_screenshot, gldrv_capture) live in tga.cpp.
*/
#ifndef GLDRV_H
#define GLDRV_H

/* Sizes beyond this are refused up front: no display or texture unit goes
** that far, and SDL or the GL would fail in less readable ways. */
#define GLDRV_MAX_SIZE 16384

struct GlDriver {
    int           fullscreen;
    int           panoramic;
    int           info;
    int           lowquality;
    int           max_texture_size;
    int           texture_units;
    unsigned char ext_multitexture;
    unsigned char ext_multisample;
    unsigned char ext_texture_compression;
    unsigned char ext_cube_map;
    unsigned char ext_env_add;
    unsigned char ext_env_combine;
    unsigned char ext_env_dot3;
    unsigned char ext_anisotropic;
    unsigned char ext_compiled_vertex_array;
    unsigned char ext_blend_subtract;
    unsigned char ext_generate_mipmap;
    int           width;
    int           height;
    int           vp_width;
    int           vp_height;
    int           vp_y;
    int           lq_height;
    float         rtt_extent_s;
    float         rtt_extent_t;
    int           rtt_width;
    int           rtt_height;
    int           bpp;
    int           zbuffer;
    int           stencil;
    int           accum;
    int           multisampling;
    float         aspect;
};

extern GlDriver glDriver;

/* start-up and shut-down */
void gldrv_create(void);
void gldrv_init(void);
int  gldrv_checkEXT(const char* name);
void gldrv_initEXT(void);
void gldrv_saveInfo(void);
void writeSpacedString(const char* text);
void gldrv_initState(void);
void gldrv_initViewport(void);
void gldrv_close(void);

/* Pure part of the viewport rule: fills lowquality, aspect, vp_*, lq_height
** and the copy extents from the settings fields, touching no GL. */
void gldrv_computeViewport(GlDriver* drv);

/* per frame */
void gldrv_initRender(int clear);
void gldrv_endRender(void);
void gldrv_swap(void);
void gldrv_copyColorBuffer(void);

/* drawing helpers for the 2-D unit view of camera_set2d */
void gldrv_screenquad(void);
void gldrv_texscreenquad(void);
void gldrv_enable_multitexture(void);
void gldrv_disable_multitexture(void);

/* frame grabs (tga.cpp) */
void gldrv_screenshot(void);
/* Record mode's frame: video/%08d.tga, or to gldrv_frameSink when set. */
void gldrv_capture(void);
/* The whole window, bottom row first, 3 bytes a pixel packed: blue, green,
** red with `bgr`, else red, green, blue. */
void gldrv_readFrame(unsigned char* pixels, int bgr);
/* Takes record mode's frames instead of the TGA files (the video writer). */
extern void (*gldrv_frameSink)(const unsigned char* bgr, int width, int height);

#endif
