/*
** gldrv.cpp -- the OpenGL driver on SDL 1.2: window and context, extension
** checks, default GL state, the viewport rule with its render-to-texture
** targets, and the per-frame begin/end steps and screen quads.
*/
#include "gldrv.h"

#include "dkernel.h"
#include "tex.h"

#include <GL/gl.h>
#include <GL/glext.h>
#include "glproc.h"
#include <GL/glu.h>
#include <SDL/SDL.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

GlDriver glDriver;

void gldrv_create(void)
{
    glDriver.fullscreen = 0;
    glDriver.panoramic = 1;
    glDriver.info = 0;
    glDriver.lowquality = 0;
    glDriver.width = 640;
    glDriver.height = 480;
    glDriver.rtt_width = 1024;
    glDriver.rtt_height = 512;
    glDriver.bpp = 32;
    glDriver.zbuffer = 32;
    glDriver.stencil = 0;
    glDriver.accum = 0;
    glDriver.multisampling = 0;
    glDriver.aspect = 16.0f / 9.0f;
}

/* Whole names only: a plain substring search would report an extension
** present when only a longer one that starts with its name is listed. */
int gldrv_checkEXT(const char* name)
{
    const char* all = (const char*)glGetString(GL_EXTENSIONS);
    size_t len = name ? strlen(name) : 0;
    if (!all || len == 0) return 0;
    for (const char* at = all; (at = strstr(at, name)) != NULL; at += len)
        if ((at == all || at[-1] == ' ') && (at[len] == ' ' || at[len] == '\0')) return 1;
    return 0;
}

static const char* yesNo(int flag)
{
    return flag ? "yes" : "no";
}

void gldrv_initEXT(void)
{
    GlDriver* d = &glDriver;
    d->max_texture_size = 0;
    d->texture_units = 0;
    d->ext_multitexture = d->ext_multisample = d->ext_texture_compression = 0;
    d->ext_cube_map = d->ext_env_add = d->ext_env_combine = d->ext_env_dot3 = 0;
    d->ext_anisotropic = d->ext_compiled_vertex_array = 0;
    d->ext_blend_subtract = d->ext_generate_mipmap = 0;

    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &d->max_texture_size);
    glGetIntegerv(GL_MAX_TEXTURE_UNITS_ARB, &d->texture_units);

    d->ext_multitexture = gldrv_checkEXT("GL_ARB_multitexture");
    d->ext_multisample = gldrv_checkEXT("GL_ARB_multisample");
    d->ext_cube_map = gldrv_checkEXT("GL_ARB_texture_cube_map");
    d->ext_env_add = gldrv_checkEXT("GL_ARB_texture_env_add");
    d->ext_env_combine = gldrv_checkEXT("GL_ARB_texture_env_combine");
    d->ext_env_dot3 = gldrv_checkEXT("GL_ARB_texture_env_dot3");
    d->ext_anisotropic = gldrv_checkEXT("GL_EXT_texture_filter_anisotropic");
    d->ext_compiled_vertex_array = gldrv_checkEXT("GL_EXT_compiled_vertex_array");
    d->ext_blend_subtract = gldrv_checkEXT("GL_EXT_blend_subtract");
    d->ext_generate_mipmap = gldrv_checkEXT("GL_SGIS_generate_mipmap");

    if (demoSystem.debug) {
        printf("\n%s", log_separator);
        printf("Maximum texture size: %d\n", d->max_texture_size);
        printf("Number of TUs: %d\n", d->texture_units);
        printf("\n%s", log_separator);
        printf("GL_ARB_multitexture: %s\n", yesNo(d->ext_multitexture));
        printf("GL_ARB_multisample: %s\n", yesNo(d->ext_multisample));
        printf("GL_ARB_texture_compression: %s\n", yesNo(d->ext_texture_compression));
        printf("GL_ARB_texture_cube_map: %s\n", yesNo(d->ext_cube_map));
        printf("GL_ARB_texture_env_add: %s\n", yesNo(d->ext_env_add));
        printf("GL_ARB_texture_env_combine: %s\n", yesNo(d->ext_env_combine));
        printf("GL_ARB_texture_env_dot3: %s\n", yesNo(d->ext_env_dot3));
        printf("GL_EXT_texture_filter_anisotropic: %s\n", yesNo(d->ext_anisotropic));
        printf("GL_EXT_compiled_vertex_array: %s\n", yesNo(d->ext_compiled_vertex_array));
        printf("GL_EXT_blend_subtract: %s\n", yesNo(d->ext_blend_subtract));
        printf("GL_SGIS_generate_mipmap: %s\n", yesNo(d->ext_generate_mipmap));
    }

    if (!d->ext_multitexture || !d->ext_cube_map || !d->ext_env_add || !d->ext_env_combine ||
        !d->ext_blend_subtract || !d->ext_generate_mipmap)
        dkernel_error("Required extension not available. OpenGL 1.5 required");
    if (const char* missing = glproc_load())
        dkernel_error("Required extension not available. OpenGL 1.5 required (%s is missing)", missing);
}

void writeSpacedString(const char* text)
{
    if (!text) return;
    char* copy = strdup(text);
    if (!copy) return;
    char* save = NULL;
    for (char* tok = strtok_r(copy, " ,\t\n", &save); tok; tok = strtok_r(NULL, " ,\t\n", &save))
        printf("   %s\n", tok);
    free(copy);
}

void gldrv_saveInfo(void)
{
    printf("\n%sOpenGL driver information\n", log_separator);
    printf("vendor: %s\n", (const char*)glGetString(GL_VENDOR));
    printf("renderer: %s\n", (const char*)glGetString(GL_RENDERER));
    printf("version: %s\n", (const char*)glGetString(GL_VERSION));
    printf("standard extensions:\n");
    writeSpacedString((const char*)glGetString(GL_EXTENSIONS));
}

void gldrv_initState(void)
{
    GLenum error = glGetError();
    if (error != GL_NO_ERROR)
        dkernel_error("Error before init OpenGL state: %s", gluErrorString(error));

    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glDisable(GL_BLEND);
    glDisable(GL_ALPHA_TEST);
    glDisable(GL_LIGHTING);
    glDisable(GL_LIGHT0);
    glDisable(GL_CULL_FACE);
    glEnable(GL_TEXTURE_2D);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glShadeModel(GL_FLAT);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    /* GL starts with multisampling enabled; off unless asked for */
    if (glDriver.ext_multisample) {
        if (glDriver.multisampling)
            glEnable(GL_MULTISAMPLE_ARB);
        else
            glDisable(GL_MULTISAMPLE_ARB);
    }

    error = glGetError();
    if (error != GL_NO_ERROR)
        dkernel_error("Error setting OpenGL default state: %s", gluErrorString(error));
}

/* ceil(width / aspect) in single precision, as an integer */
static int heightForAspect(int width, float aspect)
{
    float h = (float)width / aspect;
    return (int)ceilf(h);
}

void gldrv_computeViewport(GlDriver* d)
{
    if (d->rtt_width < d->width || d->rtt_height < d->height) d->lowquality = 1;
    d->aspect = d->panoramic ? 16.0f / 9.0f : 4.0f / 3.0f;
    if (d->lowquality) {
        d->vp_width = d->rtt_width;
        d->vp_height = d->rtt_height;
        d->vp_y = 0;
        d->lq_height = heightForAspect(d->width, d->aspect);
        d->rtt_extent_s = 1.0f;
        d->rtt_extent_t = 1.0f;
        return;
    }
    d->vp_width = d->width;
    if (d->panoramic) {
        d->vp_height = heightForAspect(d->width, d->aspect);
        d->vp_y = (int)((d->height - d->vp_height) * 0.5);
    } else {
        d->vp_height = d->height;
        d->vp_y = 0;
    }
    d->rtt_extent_s = (float)d->vp_width / (float)d->rtt_width;
    d->rtt_extent_t = (float)d->vp_height / (float)d->rtt_height;
}

static int newRenderTarget(void)
{
    int index = tex_new(glDriver.rtt_width, glDriver.rtt_height, GL_RGB, 3);
    tex_properties(index, 5);
    tex_upload(index);
    return index;
}

void gldrv_initViewport(void)
{
    gldrv_computeViewport(&glDriver);
    demoSystem.rtt_texture = newRenderTarget();
    demoSystem.rtt_texture2 = newRenderTarget();
}

/* Without an X display SDL falls back to console drivers that take the
** terminal over and still have no OpenGL; say what is missing instead, and
** keep SDL on X unless the user chose a driver. */
static void gldrv_needDisplay(void)
{
#if defined(__unix__)
    if (getenv("SDL_VIDEODRIVER"))
        return;
    static const char hint[] =
        "Hint: to play without a screen, run the player under a virtual one "
        "(xvfb-run -a player DIR); to make a video without a window, use "
        "player --render demo.mp4 DIR.";
    /* also for a display that is set but cannot be opened */
    dkernel_errorHint = hint;
    const char* display = getenv("DISPLAY");
    if (!display || !*display)
        dkernel_error("No display to open the window on: DISPLAY is not set");
    setenv("SDL_VIDEODRIVER", "x11", 0);
#endif
}

void gldrv_init(void)
{
    GlDriver* d = &glDriver;
    /* Refuse nonsense sizes before SDL or the GL see them. */
    if (d->width < 1 || d->height < 1 || d->width > GLDRV_MAX_SIZE || d->height > GLDRV_MAX_SIZE)
        dkernel_error("Set video mode failed: invalid window size %d x %d", d->width, d->height);
    if (d->rtt_width < 1 || d->rtt_height < 1 ||
        d->rtt_width > GLDRV_MAX_SIZE || d->rtt_height > GLDRV_MAX_SIZE)
        dkernel_error("Invalid render-to-texture size %d x %d", d->rtt_width, d->rtt_height);

    gldrv_needDisplay();
    if (SDL_Init(SDL_INIT_VIDEO) < 0)
        dkernel_error("Video initialization failed: %s", SDL_GetError());
    const SDL_VideoInfo* info = SDL_GetVideoInfo();
    if (!info) dkernel_error("Get video info failed: %s", SDL_GetError());
    SDL_ShowCursor(0);

    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, d->zbuffer);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, d->stencil);
    if (d->accum) {
        SDL_GL_SetAttribute(SDL_GL_ACCUM_RED_SIZE, 8);
        SDL_GL_SetAttribute(SDL_GL_ACCUM_GREEN_SIZE, 8);
        SDL_GL_SetAttribute(SDL_GL_ACCUM_BLUE_SIZE, 8);
        SDL_GL_SetAttribute(SDL_GL_ACCUM_ALPHA_SIZE, 8);
    }
    if (d->multisampling == 1 || d->multisampling == 2) {
        SDL_GL_SetAttribute(SDL_GL_MULTISAMPLEBUFFERS, 1);
        SDL_GL_SetAttribute(SDL_GL_MULTISAMPLESAMPLES, d->multisampling == 1 ? 2 : 4);
    } else {
        d->multisampling = 0;
    }

    SDL_WM_SetCaption(demoSystem.demo_name, NULL);

    Uint32 flags = SDL_HWSURFACE | SDL_OPENGL;
    if (d->fullscreen)
        flags |= SDL_FULLSCREEN;
    else
        d->bpp = info->vfmt ? info->vfmt->BitsPerPixel : d->bpp;
    if (!SDL_SetVideoMode(d->width, d->height, d->bpp, flags))
        dkernel_error("Set video mode failed: %s", SDL_GetError());
    dkernel_errorHint = nullptr;

    SDL_SetGamma(demoSystem.gamma, demoSystem.gamma, demoSystem.gamma);

    GLbitfield clear = GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_ACCUM_BUFFER_BIT;
    if (d->stencil > 0) clear |= GL_STENCIL_BUFFER_BIT;
    glClear(clear);

    gldrv_initEXT();
    if (d->info) gldrv_saveInfo();
    gldrv_initState();

    /* the render targets must fit what this GL can hold */
    if (d->rtt_width > d->max_texture_size || d->rtt_height > d->max_texture_size)
        dkernel_error("Invalid render-to-texture size %d x %d (largest texture %d)",
                      d->rtt_width, d->rtt_height, d->max_texture_size);
    gldrv_initViewport();
}

void gldrv_close(void)
{
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

void gldrv_initRender(int clear)
{
    if (glDriver.lowquality)
        glViewport(0, 0, glDriver.rtt_width, glDriver.rtt_height);
    else
        glViewport(0, glDriver.vp_y, glDriver.vp_width, glDriver.vp_height);
    if (clear) {
        GLbitfield bits = GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT;
        if (glDriver.stencil > 0) bits |= GL_STENCIL_BUFFER_BIT;
        glClear(bits);
    }
}

static void orthoFull(double right, double top)
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0.0, right, 0.0, top, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void gldrv_endRender(void)
{
    GlDriver* d = &glDriver;
    GLenum error = glGetError();
    if (error != GL_NO_ERROR) dkernel_warn("Error in OpenGL: %s", gluErrorString(error));

    /* The final quad and lines lie at depth 0.5 over a depth buffer still
    ** holding the scene; the depth test is off while they are drawn so
    ** near geometry cannot hide them. */
    if (d->lowquality) {
        tex_reset_bind();   /* sections may have bound textures behind the cache */
        tex_bind(demoSystem.rtt_texture);
        glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 0, 0, d->rtt_width, d->rtt_height);
        glClear(GL_COLOR_BUFFER_BIT);
        orthoFull(1.0, 1.0);
        if (d->panoramic)
            glViewport(0, (int)((d->height - d->lq_height) * 0.5), d->width, d->lq_height);
        else
            glViewport(0, 0, d->width, d->height);
        glDisable(GL_DEPTH_TEST);
        glBegin(GL_QUADS);
        glTexCoord2f(0.0f, 0.0f); glVertex2f(0.0f, 0.0f);
        glTexCoord2f(1.0f, 0.0f); glVertex2f(1.0f, 0.0f);
        glTexCoord2f(1.0f, 1.0f); glVertex2f(1.0f, 1.0f);
        glTexCoord2f(0.0f, 1.0f); glVertex2f(0.0f, 1.0f);
        glEnd();
        glEnable(GL_DEPTH_TEST);
    } else if (d->panoramic) {
        orthoFull(d->width, d->height);
        glViewport(0, 0, d->width, d->height);
        glDisable(GL_TEXTURE_2D);
        glDisable(GL_DEPTH_TEST);
        glColor4f(0.0f, 0.0f, 0.0f, 0.0f);
        /* Through pixel centres: a line on the integer boundary between two
        ** rows may land on either of them, and one of those lies inside
        ** the picture. */
        float below = d->vp_y - 0.5f, top = d->vp_y + d->vp_height - 0.5f;
        glBegin(GL_LINES);
        glVertex2f(0.0f, below);
        glVertex2f((float)d->vp_width, below);
        glVertex2f(0.0f, top);
        glVertex2f((float)d->vp_width, top);
        glEnd();
        glEnable(GL_DEPTH_TEST);
        glEnable(GL_TEXTURE_2D);
    }
}

void gldrv_swap(void)
{
    glFlush();
    SDL_GL_SwapBuffers();
}

void gldrv_copyColorBuffer(void)
{
    glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 0, glDriver.vp_y, glDriver.vp_width,
                        glDriver.vp_height);
}

void gldrv_screenquad(void)
{
    glBegin(GL_QUADS);
    glVertex2f(-0.005f, -0.005f);
    glVertex2f(1.005f, -0.005f);
    glVertex2f(1.005f, 1.005f);
    glVertex2f(-0.005f, 1.005f);
    glEnd();
}

void gldrv_texscreenquad(void)
{
    float s = glDriver.rtt_extent_s, t = glDriver.rtt_extent_t;
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 0.0f); glVertex2f(0.0f, 0.0f);
    glTexCoord2f(s, 0.0f);    glVertex2f(1.0f, 0.0f);
    glTexCoord2f(s, t);       glVertex2f(1.0f, 1.0f);
    glTexCoord2f(0.0f, t);    glVertex2f(0.0f, 1.0f);
    glEnd();
}

/* The core 1.3 entry points: the ARB-suffixed names are not exported by
** every libGL, and the two share one implementation. */
static void selectUnit(GLenum unit)
{
    glActiveTexture(unit);
    glClientActiveTexture(unit);
}

void gldrv_enable_multitexture(void)
{
    tex_reset_bind();
    selectUnit(GL_TEXTURE0_ARB);
    glEnable(GL_TEXTURE_2D);
    selectUnit(GL_TEXTURE1_ARB);
    glEnable(GL_TEXTURE_2D);
}

void gldrv_disable_multitexture(void)
{
    selectUnit(GL_TEXTURE1_ARB);
    glDisable(GL_TEXTURE_2D);
    selectUnit(GL_TEXTURE0_ARB);
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_TEXTURE_2D);
    tex_reset_bind();
}
