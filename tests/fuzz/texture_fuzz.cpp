/*
** texture_fuzz.cpp -- libFuzzer target for the picture path of the texture
** manager: a surface as an image decoder may deliver it (any size, row
** pitch, depth and channel masks, any pixels) is refused through the fatal
** path or becomes texture pixels, shrunk to the detail level, uploaded,
** reloaded and freed, without crash, leak or access outside the surface.
**
** The decoder and the GL are stand-ins: IMG_Load hands out the surface the
** input describes, and every upload reads each byte the GL would read with
** the unpack alignment in force, so a buffer shorter than its announced
** size or layout is an out-of-bounds read.
*/
#include "fuzz_support.h"
#include "gldrv.h"
#include "tex.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <SDL/SDL.h>
#include <string.h>

/* ---- the input: a 10-byte header, then pixels repeated to fill ---- */

struct Picture {
    int      width, height, depth, pitch;
    Uint32   masks[4];
    const uint8_t* pixels;
    size_t   pixel_bytes;
};

static Picture picture;

static Uint32 readMask(const uint8_t* p)
{
    return p[0] | p[1] << 8 | p[2] << 16 | (Uint32)p[3] << 24;
}

/* Channel orders real decoders deliver, and one read from the input. */
static void chooseMasks(int depth, int choice, const uint8_t* extra, size_t extra_size)
{
    static const Uint32 orders[][4] = {
        { 0x0000FF, 0x00FF00, 0xFF0000, 0 },                      /* RGB bytes */
        { 0xFF0000, 0x00FF00, 0x0000FF, 0 },                      /* BGR bytes */
        { 0x000000FF, 0x0000FF00, 0x00FF0000, 0xFF000000 },       /* RGBA bytes */
        { 0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000 },       /* BGRA bytes */
        { 0x0000FF00, 0x00FF0000, 0xFF000000, 0x000000FF },       /* ARGB bytes */
        { 0x7C00, 0x03E0, 0x001F, 0 },                            /* 15-bit */
    };
    const int count = sizeof orders / sizeof orders[0];
    if (choice % (count + 1) < count) {
        memcpy(picture.masks, orders[choice % (count + 1)], sizeof picture.masks);
    } else {
        for (int i = 0; i < 4; i++)
            picture.masks[i] = extra_size >= 16 ? readMask(extra + 4 * i) : 0;
    }
    if (depth < 32)
        for (Uint32& m : picture.masks) m &= (1u << depth) - 1;
}

extern "C" SDL_Surface* IMG_Load(const char*)
{
    int bpp = (picture.depth + 7) / 8;
    size_t bytes = (size_t)picture.pitch * picture.height;
    uint8_t* pixels = (uint8_t*)malloc(bytes);
    if (!pixels) abort();
    for (size_t i = 0; i < bytes; i += picture.pixel_bytes) {
        size_t n = bytes - i < picture.pixel_bytes ? bytes - i : picture.pixel_bytes;
        memcpy(pixels + i, picture.pixels, n);
    }
    SDL_Surface* s = SDL_CreateRGBSurfaceFrom(pixels, picture.width, picture.height, picture.depth,
                                              picture.pitch, picture.masks[0], picture.masks[1],
                                              picture.masks[2], picture.masks[3]);
    if (!s) {
        free(pixels);
        return nullptr;
    }
    if (s->format->BytesPerPixel != bpp) abort();
    /* the surface owns its pixels, as a decoder's does */
    s->flags &= ~SDL_PREALLOC;
    return s;
}

/* ---- the GL: uploads read every byte of their source ---- */

GlDriver glDriver;
static int unpackAlignment = 4;
static int npot;
static GLuint nextName = 1;
static volatile unsigned sink;

int gldrv_checkEXT(const char*) { return 0; }

static int formatBytes(GLenum format)
{
    switch (format) {
    case GL_RGB: case GL_BGR: return 3;
    case GL_RGBA: case GL_BGRA: return 4;
    case GL_LUMINANCE: case GL_ALPHA: return 1;
    case GL_LUMINANCE_ALPHA: return 2;
    }
    abort();   /* a layout the GL does not know */
}

static void readSource(int w, int h, GLenum format, GLenum type, const void* data)
{
    if (type != GL_UNSIGNED_BYTE || w <= 0 || h <= 0 || !data) abort();
    size_t row = (size_t)w * formatBytes(format);
    size_t stride = (row + unpackAlignment - 1) / unpackAlignment * unpackAlignment;
    const uint8_t* p = (const uint8_t*)data;
    unsigned sum = 0;
    for (int y = 0; y < h; y++)
        for (size_t x = 0; x < row; x++) sum += p[(size_t)y * stride + x];
    sink = sink + sum;
}

extern "C" {
GLenum glGetError(void) { return GL_NO_ERROR; }
const GLubyte* gluErrorString(GLenum) { return (const GLubyte*)"no error"; }
const GLubyte* glGetString(GLenum) { return (const GLubyte*)(npot ? "2.1" : "1.4"); }
void glGenTextures(GLsizei n, GLuint* names) { for (int i = 0; i < n; i++) names[i] = nextName++; }
void glDeleteTextures(GLsizei, const GLuint*) {}
void glBindTexture(GLenum, GLuint) {}
void glTexParameteri(GLenum, GLenum, GLint) {}
void glTexEnvi(GLenum, GLenum, GLint) {}
void glPixelStorei(GLenum name, GLint value)
{
    if (name == GL_UNPACK_ALIGNMENT) unpackAlignment = value;
}
void glTexImage1D(GLenum, GLint, GLint, GLsizei w, GLint, GLenum format, GLenum type, const void* data)
{
    readSource(w, 1, format, type, data);
}
void glTexImage2D(GLenum, GLint, GLint, GLsizei w, GLsizei h, GLint, GLenum format, GLenum type,
                  const void* data)
{
    readSource(w, h, format, type, data);
}
GLint gluBuild1DMipmaps(GLenum, GLint, GLsizei w, GLenum format, GLenum type, const void* data)
{
    readSource(w, 1, format, type, data);
    return 0;
}
GLint gluBuild2DMipmaps(GLenum, GLint, GLsizei w, GLsizei h, GLenum format, GLenum type,
                        const void* data)
{
    readSource(w, h, format, type, data);
    return 0;
}
}

/* ---- one input ---- */

static void checkTexture(int index)
{
    const Texture* t = tex_array[index];
    if (t->width < 1 || t->height < 1 || t->width > tex_maxSize() || t->height > tex_maxSize()) abort();
    if (t->components != 3 && t->components != 4) abort();
    if (formatBytes(t->format) != t->components) abort();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 11) return 0;
    static const int depths[] = { 8, 15, 16, 24, 32 };
    picture.width = 1 + (data[0] | data[1] << 8) % 320;
    picture.height = 1 + (data[2] | data[3] << 8) % 320;
    picture.depth = depths[data[4] % 5];
    int bpp = (picture.depth + 7) / 8;
    picture.pitch = picture.width * bpp + data[6] % 8;
    chooseMasks(picture.depth, data[5], data + 10, size - 10);
    picture.pixels = data + 10;
    picture.pixel_bytes = size - 10;
    tex_detail = data[7] % 8 - 1;   /* out of range on both sides too */
    int flags = data[8] & 31;
    glDriver.ext_generate_mipmap = data[9] & 1;
    glDriver.ext_texture_compression = (data[9] >> 1) & 1;
    npot = (data[9] >> 2) & 1;
    int keep = (data[9] >> 3) & 1;

    const char* name = "/nonexistent-picture-folder/picture.png";
    int index = -1;
    if (fuzz_run([&] { index = tex_load(name); })) {
        checkTexture(index);
        if (tex_load(name) != index) abort();   /* shared by name */
        tex_properties(index, flags);
        tex_persistent(index, keep);
        fuzz_run([&] { tex_upload(index); });
        tex_bind(index);
        tex_clean(index);
        if (fuzz_run([&] { tex_reload(index); })) checkTexture(index);
        tex_free(index);
        tex_free(index);
        if (tex_array[index]) abort();
    }
    /* slots are never handed out again in a run; this target starts each
    ** input from an empty table */
    tex_count = 0;
    return 0;
}
