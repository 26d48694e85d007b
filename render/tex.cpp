/*
** tex.cpp -- the texture table: shared loading by file name, shrinking to
** the detail level, property flags, upload (with mipmaps where asked),
** memory accounting and the bound-texture / environment caches.
*/
#include "tex.h"

#include "dkernel.h"
#include "dk_path.h"
#include "gldrv.h"

#include <GL/gl.h>
#include <GL/glext.h>
#include <GL/glu.h>
#include <SDL/SDL.h>
#ifdef LUMENO_NO_SDL_IMAGE
#include "picture.h"
#else
#include <SDL/SDL_image.h>
#endif
#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>

Texture*  tex_array[TEX_MAX_TEXTURES];
int       tex_count = 0;
int       tex_detail = 5;
const int tex_maxSizes[TEX_DETAIL_LEVELS] = {128, 256, 512, 1024, 2048, 4096};
int       tex_current = -1;
int       env_mode = -1;

/* Pictures are refused before decoding when their header announces more
** than this: the decoder would allocate the full-size surface first, and
** nothing larger than 4096 is ever kept. */
#define TEX_MAX_SIDE   16384
#define TEX_MAX_PIXELS (64L * 1024 * 1024)

static Texture* texAt(int index)
{
    if (index < 0 || index >= tex_count) return NULL;
    return tex_array[index];
}

static const char* texName(const Texture* t)
{
    return t->name ? t->name : "(created)";
}

int tex_maxSize(void)
{
    static int warned = -1;
    int level = tex_detail;
    if (level < 0) level = 0;
    if (level >= TEX_DETAIL_LEVELS) level = TEX_DETAIL_LEVELS - 1;
    if (level != tex_detail && warned != tex_detail) {
        warned = tex_detail;
        dkernel_warn("texture_detail %d out of range 0..%d, using %d",
                     tex_detail, TEX_DETAIL_LEVELS - 1, level);
    }
    return tex_maxSizes[level];
}

int powerOfTwo(int n)
{
    if (n < 0 || n == 1) return 0;
    return (n & (n - 1)) == 0;
}

int getCompressedFormat(const Texture* texture)
{
    if (!glDriver.ext_texture_compression || texture->generated) return texture->components;
    if (texture->components == 3) return GL_COMPRESSED_RGB_ARB;
    if (texture->components == 4) return GL_COMPRESSED_RGBA_ARB;
    return texture->components;
}

int tex_memoryFor(int width, int height, int components, int mipmapped)
{
    if (!mipmapped) return width * height * components;
    int total = 0;
    int w = width, h = height;
    while (w > 1 || h > 1) {
        total += w * h * components;
        if (w > 1) w /= 2;
        if (h > 1) h /= 2;
    }
    return total;
}

/* ---- resampling ---- */

static void scaleTexture(const unsigned char* src, int src_w, int src_h,
                         int dst_w, int dst_h, unsigned char* dst, int bpp)
{
    if (dst_w <= 0 || dst_h <= 0 || src_w <= 0 || src_h <= 0) return;
    uint32_t step = (uint32_t)(((uint64_t)src_w * 65536u) / (uint64_t)dst_w);
    size_t src_row = (size_t)src_w * bpp;
    for (int y = 0; y < dst_h; y++) {
        const unsigned char* row = src + src_row * (size_t)(((int64_t)y * src_h) / dst_h);
        uint32_t acc = step / 2;
        for (int x = 0; x < dst_w; x++, acc += step) {
            const unsigned char* p = row + (size_t)(acc >> 16) * bpp;
            for (int b = 0; b < bpp; b++) *dst++ = p[b];
        }
    }
}

void scale_texture_24(const unsigned char* src, int src_w, int src_h,
                      int dst_w, int dst_h, unsigned char* dst)
{
    scaleTexture(src, src_w, src_h, dst_w, dst_h, dst, 3);
}

void scale_texture_32(const unsigned char* src, int src_w, int src_h,
                      int dst_w, int dst_h, unsigned char* dst)
{
    scaleTexture(src, src_w, src_h, dst_w, dst_h, dst, 4);
}

void scale_texture_8_to_24(const unsigned char* src, int src_w, int src_h,
                           int dst_w, int dst_h, unsigned char* dst,
                           const unsigned char* palette)
{
    if (dst_w <= 0 || dst_h <= 0 || src_w <= 0 || src_h <= 0) return;
    uint32_t step = (uint32_t)(((uint64_t)src_w * 65536u) / (uint64_t)dst_w);
    for (int y = 0; y < dst_h; y++) {
        const unsigned char* row = src + (size_t)src_w * (size_t)(((int64_t)y * src_h) / dst_h);
        uint32_t acc = step / 2;
        for (int x = 0; x < dst_w; x++, acc += step) {
            const unsigned char* rgb = palette + 3 * row[acc >> 16];
            *dst++ = rgb[0];
            *dst++ = rgb[1];
            *dst++ = rgb[2];
        }
    }
}

void load_palette(unsigned char* palette, const char* file)
{
    FILE* f = fopen(file, "rb");
    if (!f) dkernel_error("Error opening '%s'", file);
    size_t got = fread(palette, 1, 768, f);
    if (got < 768) memset(palette + got, 0, 768 - got);   /* short file: black tail */
    fclose(f);
}

/* ---- table slots ---- */

/* The slot a new texture takes: one whose last user let it go, so a session
** that reloads its demo again and again does not run out of slots, else the
** next one; -1 when the table is full. */
static int freeSlot(void)
{
    for (int i = 0; i < tex_count; i++)
        if (!tex_array[i])
            return i;
    return tex_count < TEX_MAX_TEXTURES ? tex_count : -1;
}

int tex_init(void)
{
    int index = freeSlot();
    if (index < 0)
        dkernel_error("Too many textures (limited to %d)", TEX_MAX_TEXTURES);
    Texture* t = (Texture*)calloc(1, sizeof(Texture));
    if (!t) dkernel_error("Out of memory creating a texture");
    t->gl_id = -1;
    t->target = GL_TEXTURE_2D;
    t->min_filter = GL_LINEAR_MIPMAP_LINEAR;
    t->wrap = GL_REPEAT;
    t->env_mode = GL_REPLACE;
    t->users = 1;
    tex_array[index] = t;
    if (index == tex_count)
        tex_count++;
    return index;
}

int tex_new(int width, int height, GLenum format, int components)
{
    if (width <= 0 || height <= 0 || components <= 0)
        dkernel_error("Invalid texture size %d x %d x %d", width, height, components);
    int index = tex_init();
    Texture* t = tex_array[index];
    /* Zeroed, not merely allocated: render targets are uploaded from this
    ** buffer and frame copies fill only part of them, so the rest must be
    ** something defined (black) rather than whatever memory held. */
    t->data = (unsigned char*)calloc((size_t)width * (size_t)height, (size_t)components);
    if (!t->data) dkernel_error("Out of memory creating a %d x %d texture", width, height);
    t->width = t->orig_width = width;
    t->height = t->orig_height = height;
    t->format = format;
    t->components = components;
    t->generated = 1;
    return index;
}

/* ---- loading ---- */

static unsigned readBE(const unsigned char* p, int n)
{
    unsigned v = 0;
    for (int i = 0; i < n; i++) v = (v << 8) | p[i];
    return v;
}

static unsigned readLE(const unsigned char* p, int n)
{
    unsigned v = 0;
    for (int i = n - 1; i >= 0; i--) v = (v << 8) | p[i];
    return v;
}

/* The size a picture file announces, for the formats whose header is cheap
** to read; 0 when unknown (the decoder then judges the file). */
static int peekSize(const char* file, long* w, long* h)
{
    FILE* f = fopen(file, "rb");
    if (!f) return 0;
    unsigned char b[32];
    size_t n = fread(b, 1, sizeof b, f);
    int found = 0;
    if (n >= 24 && memcmp(b, "\x89PNG", 4) == 0) {
        *w = readBE(b + 16, 4);
        *h = readBE(b + 20, 4);
        found = 1;
    } else if (n >= 26 && b[0] == 'B' && b[1] == 'M') {
        *w = labs((long)(int32_t)readLE(b + 18, 4));
        *h = labs((long)(int32_t)readLE(b + 22, 4));
        found = 1;
    } else if (n >= 10 && memcmp(b, "GIF8", 4) == 0) {
        *w = readLE(b + 6, 2);
        *h = readLE(b + 8, 2);
        found = 1;
    } else if (n >= 4 && b[0] == 0xFF && b[1] == 0xD8) {
        /* JPEG: walk the markers up to the first start-of-frame */
        fseek(f, 2, SEEK_SET);
        unsigned char m[9];
        while (fread(m, 1, 4, f) == 4 && m[0] == 0xFF) {
            unsigned len = readBE(m + 2, 2);
            int sof = m[1] >= 0xC0 && m[1] <= 0xCF && m[1] != 0xC4 && m[1] != 0xC8 && m[1] != 0xCC;
            if (sof) {
                if (fread(m, 1, 5, f) == 5) {
                    *h = readBE(m + 1, 2);
                    *w = readBE(m + 3, 2);
                    found = 1;
                }
                break;
            }
            if (len < 2 || fseek(f, (long)len - 2, SEEK_CUR) != 0) break;
        }
    } else {
        const char* dot = strrchr(file, '.');
        if (n >= 18 && dot && strcasecmp(dot, ".tga") == 0) {
            *w = readLE(b + 12, 2);
            *h = readLE(b + 14, 2);
            found = 1;
        }
    }
    fclose(f);
    return found;
}

/* Copies the surface's pixels into a packed buffer of width * bpp bytes
** per row: the resampler and the upload both read packed rows, and SDL
** pads 24-bit rows to 4 bytes. */
static unsigned char* packPixels(SDL_Surface* s)
{
    size_t row = (size_t)s->w * s->format->BytesPerPixel;
    unsigned char* out = (unsigned char*)malloc(row * (size_t)s->h);
    if (!out) return NULL;
    for (int y = 0; y < s->h; y++)
        memcpy(out + row * (size_t)y, (unsigned char*)s->pixels + (size_t)s->pitch * (size_t)y, row);
    return out;
}

/* Byte position of a channel within a pixel in memory. */
static int channelByte(Uint8 shift, int bytes)
{
#if SDL_BYTEORDER == SDL_BIG_ENDIAN
    return bytes - 1 - shift / 8;
#else
    (void)bytes;
    return shift / 8;
#endif
}

/* One pixel of a surface row, 1 to 4 bytes, as the integer SDL maps.  Read
** byte-wise: a row pitch need not keep wider pixels aligned. */
static Uint32 pixelAt(const unsigned char* p, int bytes)
{
    Uint16 two;
    Uint32 four;
    switch (bytes) {
    case 1: return *p;
    case 2: memcpy(&two, p, 2); return two;
    case 3:
#if SDL_BYTEORDER == SDL_BIG_ENDIAN
        return (Uint32)p[0] << 16 | (Uint32)p[1] << 8 | p[2];
#else
        return (Uint32)p[2] << 16 | (Uint32)p[1] << 8 | p[0];
#endif
    default: memcpy(&four, p, 4); return four;
    }
}

/* Rewrites any surface SDL_image hands back -- paletted, greyscale (which
** arrives paletted), 15 or 16 bits, colour-keyed, or channels in an order
** the GL has no name for -- as packed RGB, or RGBA when the picture has an
** alpha channel or a key colour (which becomes transparent). */
static void convertPicture(const char* file, SDL_Surface* s, Texture* t)
{
    const SDL_PixelFormat* pf = s->format;
    int bytes = pf->BytesPerPixel;
    if (bytes < 1 || bytes > 4) {
        SDL_FreeSurface(s);
        dkernel_error("Unsupported format in '%s': %d bits per pixel", file, pf->BitsPerPixel);
    }
    int keyed = (s->flags & SDL_SRCCOLORKEY) != 0;
    int components = pf->Amask || keyed ? 4 : 3;
    unsigned char* out = (unsigned char*)malloc((size_t)s->w * (size_t)s->h * (size_t)components);
    if (!out) {
        SDL_FreeSurface(s);
        dkernel_error("Error loading '%s': out of memory", file);
    }
    if (SDL_MUSTLOCK(s)) SDL_LockSurface(s);
    unsigned char* q = out;
    for (int y = 0; y < s->h; y++) {
        const unsigned char* row = (const unsigned char*)s->pixels + (size_t)s->pitch * (size_t)y;
        for (int x = 0; x < s->w; x++) {
            Uint32 pixel = pixelAt(row + (size_t)x * bytes, bytes);
            Uint8 r, g, b, a;
            SDL_GetRGBA(pixel, s->format, &r, &g, &b, &a);
            *q++ = r;
            *q++ = g;
            *q++ = b;
            if (components == 4) *q++ = keyed && pixel == pf->colorkey ? 0 : a;
        }
    }
    if (SDL_MUSTLOCK(s)) SDL_UnlockSurface(s);
    SDL_FreeSurface(s);
    t->surface = NULL;
    t->data = out;
    t->components = components;
    t->format = components == 4 ? GL_RGBA : GL_RGB;
}

/* Reads a picture file into the name, pixel and layout fields of a record
** that is not in the table yet, shrunk to the detail level; every failure
** is fatal and leaves nothing allocated.  Nothing is taken from the table,
** so a failing picture costs no slot. */
static void decodePicture(const char* file, Texture* t)
{
    long fw = 0, fh = 0;
    if (peekSize(file, &fw, &fh) &&
        (fw > TEX_MAX_SIDE || fh > TEX_MAX_SIDE || fw * fh > TEX_MAX_PIXELS))
        dkernel_error("Error loading '%s': picture too large (%ld x %ld)", file, fw, fh);

#ifdef LUMENO_NO_SDL_IMAGE
    SDL_Surface* surface = picture_decode(file);
#else
    SDL_Surface* surface = IMG_Load(file);
#endif
    if (!surface) dkernel_error("Error loading '%s': %s", file, SDL_GetError());

    t->width = t->orig_width = surface->w;
    t->height = t->orig_height = surface->h;
    t->components = surface->format->BytesPerPixel;

    /* 24 and 32 bits whose red and blue sit at either end are kept as
    ** decoded; the GL layout follows where they actually sit in memory
    ** (comparing the mask shifts alone only holds on big-endian machines).
    ** Everything else is converted. */
    const SDL_PixelFormat* pf = surface->format;
    int bits = pf->BitsPerPixel;
    int red = channelByte(pf->Rshift, t->components);
    int blue = channelByte(pf->Bshift, t->components);
    int direct = (bits == 24 || bits == 32) && !pf->palette && !(surface->flags & SDL_SRCCOLORKEY) &&
                 ((red == 0 && blue == 2) || (red == 2 && blue == 0)) &&
                 (bits == 24 || pf->Amask != 0);
    if (!direct) {
        convertPicture(file, surface, t);
    } else {
        t->surface = surface;
        t->data = (unsigned char*)surface->pixels;
        if (red == 0)
            t->format = bits == 24 ? GL_RGB : GL_RGBA;
        else
            t->format = bits == 24 ? GL_BGR : GL_BGRA;
    }

    if (t->surface && surface->pitch != surface->w * t->components) {
        unsigned char* packed = packPixels(surface);
        SDL_FreeSurface(surface);
        t->surface = NULL;
        t->data = packed;
        if (!packed) dkernel_error("Error loading '%s': out of memory", file);
    }

    int max = tex_maxSize();
    int w = t->width < max ? t->width : max;
    int h = t->height < max ? t->height : max;
    if (w != t->width || h != t->height) {
        unsigned char* shrunk = (unsigned char*)malloc((size_t)w * (size_t)h * (size_t)t->components);
        if (shrunk) {
            if (t->components == 3)
                scale_texture_24(t->data, t->width, t->height, w, h, shrunk);
            else
                scale_texture_32(t->data, t->width, t->height, w, h, shrunk);
        }
        if (t->surface)
            SDL_FreeSurface(t->surface);
        else
            free(t->data);
        t->surface = NULL;
        t->data = shrunk;
        t->width = w;
        t->height = h;
        if (!shrunk) dkernel_error("Error loading '%s': out of memory", file);
    }
    /* named last: a refused picture leaves nothing behind */
    t->name = strdup(file);
    if (!t->name) {
        if (t->surface)
            SDL_FreeSurface(t->surface);
        else
            free(t->data);
        dkernel_error("Error loading '%s': out of memory", file);
    }
}

/* Moves what decodePicture filled into a record of the table. */
static void takePicture(Texture* t, const Texture* picture)
{
    t->name = picture->name;
    t->surface = picture->surface;
    t->data = picture->data;
    t->width = picture->width;
    t->height = picture->height;
    t->orig_width = picture->orig_width;
    t->orig_height = picture->orig_height;
    t->components = picture->components;
    t->format = picture->format;
}

int tex_load(const char* file)
{
    if (!file || !*file) dkernel_error("Error loading '%s': no file name", file ? file : "");
    for (int i = 0; i < tex_count; i++) {
        if (tex_array[i] && tex_array[i]->name && strcasecmp(tex_array[i]->name, file) == 0) {
            tex_array[i]->users++;
            return i;
        }
    }

    /* a full table is refused before the picture is decoded for nothing */
    if (freeSlot() < 0)
        dkernel_error("Too many textures (limited to %d)", TEX_MAX_TEXTURES);
    Texture picture = {};
    decodePicture(file, &picture);
    int index = tex_init();
    takePicture(tex_array[index], &picture);
    return index;
}

/* ---- properties, upload, binding ---- */

void tex_properties(int index, int flags)
{
    Texture* t = texAt(index);
    if (!t) return;
    t->properties = flags;
    t->target = (flags & 16) ? GL_TEXTURE_1D : GL_TEXTURE_2D;
    t->min_filter = (flags & 1) ? GL_LINEAR : GL_LINEAR_MIPMAP_LINEAR;
    t->wrap = (flags & 2) ? GL_CLAMP : (flags & 4) ? GL_CLAMP_TO_EDGE : GL_REPEAT;
    t->env_mode = (flags & 8) ? GL_MODULATE : GL_REPLACE;
}

void tex_persistent(int index, int keep)
{
    Texture* t = texAt(index);
    if (t) t->keep_data = keep;
}

static int hasNpotTextures(void)
{
    const char* version = (const char*)glGetString(GL_VERSION);
    return (version && atoi(version) >= 2) || gldrv_checkEXT("GL_ARB_texture_non_power_of_two");
}

void tex_upload(int index)
{
    Texture* t = texAt(index);
    if (!t || t->gl_id != -1) return;

    GLenum error = glGetError();
    if (error != GL_NO_ERROR)
        dkernel_error("Error before upload texture '%s': %s", texName(t), gluErrorString(error));

    int mipmapped = t->min_filter == GL_LINEAR_MIPMAP_LINEAR;
    int is1d = t->properties & 16;
    /* a 1-D texture uploads its first row only */
    t->memory = tex_memoryFor(t->width, is1d ? 1 : t->height, t->components, mipmapped);

    GLuint id = 0;
    glGenTextures(1, &id);
    t->gl_id = (int)id;
    glBindTexture(t->target, id);
    glTexParameteri(t->target, GL_TEXTURE_MIN_FILTER, t->min_filter);
    glTexParameteri(t->target, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(t->target, GL_TEXTURE_WRAP_S, t->wrap);
    glTexParameteri(t->target, GL_TEXTURE_WRAP_T, t->wrap);

    /* every buffer is packed (no row padding) */
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    int pot = powerOfTwo(t->width) && powerOfTwo(t->height);
    if (is1d) {
        /* Without a mip chain a mipmap-filtered 1-D texture is incomplete
        ** and would not texture at all. */
        if (mipmapped && glDriver.ext_generate_mipmap)
            glTexParameteri(GL_TEXTURE_1D, GL_GENERATE_MIPMAP_SGIS, GL_TRUE);
        if (mipmapped && !glDriver.ext_generate_mipmap)
            gluBuild1DMipmaps(GL_TEXTURE_1D, t->components, t->width, t->format,
                              GL_UNSIGNED_BYTE, t->data);
        else
            glTexImage1D(GL_TEXTURE_1D, 0, t->components, t->width, 0, t->format,
                         GL_UNSIGNED_BYTE, t->data);
    } else if ((pot || (t->generated && hasNpotTextures())) && !mipmapped) {
        /* Render targets keep their exact size: frame copies address texels
        ** directly, a rescaled texture would not line up. */
        glTexImage2D(GL_TEXTURE_2D, 0, getCompressedFormat(t), t->width, t->height, 0,
                     t->format, GL_UNSIGNED_BYTE, t->data);
    } else if (pot && glDriver.ext_generate_mipmap) {
        glTexParameteri(GL_TEXTURE_2D, GL_GENERATE_MIPMAP_SGIS, GL_TRUE);
        glTexImage2D(GL_TEXTURE_2D, 0, getCompressedFormat(t), t->width, t->height, 0,
                     t->format, GL_UNSIGNED_BYTE, t->data);
    } else {
        gluBuild2DMipmaps(GL_TEXTURE_2D, t->components, t->width, t->height, t->format,
                          GL_UNSIGNED_BYTE, t->data);
    }

    error = glGetError();
    if (error != GL_NO_ERROR)
        dkernel_error("Error uploading texture '%s': %s", texName(t), gluErrorString(error));

    if (!t->keep_data) {
        if (t->surface) {
            SDL_FreeSurface(t->surface);
            t->surface = NULL;
        } else {
            free(t->data);
        }
        t->data = NULL;
    }
    tex_current = -1;
    env_mode = -1;
}

void tex_bind(int index)
{
    Texture* t = texAt(index);
    if (!t) return;
    if (t->gl_id != tex_current) {
        glBindTexture(t->target, (GLuint)t->gl_id);
        tex_current = t->gl_id;
    }
    if ((int)t->env_mode != env_mode) {
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, t->env_mode);
        env_mode = (int)t->env_mode;
    }
}

void tex_reset_bind(void)
{
    tex_current = -1;
    env_mode = -1;
}

void tex_envmode(GLenum mode)
{
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, mode);
    env_mode = (int)mode;
}

/* The GL texture and the client pixels of a record, which stays. */
static void dropPixels(Texture* t)
{
    if (t->gl_id != -1) {
        GLuint id = (GLuint)t->gl_id;
        glDeleteTextures(1, &id);
        if (tex_current == t->gl_id) tex_current = -1;
        t->gl_id = -1;
    }
    if (t->surface)
        SDL_FreeSurface(t->surface);   /* data pointed into it */
    else
        free(t->data);
    t->surface = NULL;
    t->data = NULL;
}

void tex_free(int index)
{
    Texture* t = texAt(index);
    if (!t || --t->users > 0) return;
    dropPixels(t);
    free(t->name);
    free(t);
    tex_array[index] = NULL;
}

void tex_clean(int index)
{
    Texture* t = texAt(index);
    if (t && t->data) memset(t->data, 0, (size_t)t->width * (size_t)t->height * (size_t)t->components);
}

int tex_get_used_memory(void)
{
    int total = 0;
    for (int i = 0; i < tex_count; i++)
        if (tex_array[i]) total += tex_array[i]->memory;
    return total;
}

void tex_reload(int index)
{
    Texture* t = texAt(index);
    if (!t || !t->name) return;
    Texture picture = {};
    decodePicture(t->name, &picture);
    int uploaded = t->gl_id != -1;
    dropPixels(t);
    free(t->name);
    takePicture(t, &picture);
    if (uploaded) tex_upload(index);
}

int tex_usesFile(const char* path)
{
    for (int i = 0; i < tex_count; i++)
        if (tex_array[i] && path_same(tex_array[i]->name, path))
            return 1;
    return 0;
}

int tex_reloadFile(const char* path)
{
    int count = 0;
    for (int i = 0; i < tex_count; i++) {
        if (tex_array[i] && path_same(tex_array[i]->name, path)) {
            tex_reload(i);
            count++;
        }
    }
    return count;
}
