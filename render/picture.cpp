/*
** picture.cpp -- TGA, PNG (libpng), JPEG (libjpeg) and BMP (SDL) decoding
** into SDL surfaces laid out as SDL_image lays them out.
**
** The whole file is read first through SDL's own file access, so a file
** that cannot be opened reports SDL's usual message.  The format comes
** from the first bytes; TGA has no signature and is taken by its name.
*/
#include "picture.h"

#include <SDL/SDL.h>
#include <jpeglib.h>
#include <png.h>
#include <setjmp.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>

#include <algorithm>
#include <vector>

typedef std::vector<unsigned char> Bytes;

/* Byte masks of a surface whose pixels are stored in the given order. */
static SDL_Surface* newSurface(int w, int h, int bits, bool redFirst, bool alpha)
{
    Uint32 lo = 0x0000FF, hi = 0xFF0000;
    return SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, bits, redFirst ? lo : hi, 0x00FF00,
                                redFirst ? hi : lo, alpha ? 0xFF000000u : 0);
}

/* What the Linux player converts through SDL_image's paletted surfaces. */
static const char notTrueColour[] =
    "only 24 and 32-bit pictures are read by this player: save greyscale, colour-mapped and "
    "15 or 16-bit pictures with 24 or 32 bits";

static SDL_Surface* fail(const char* message)
{
    SDL_SetError("%s", message);
    return nullptr;
}

/* ---- TGA ---- */

static SDL_Surface* decodeTga(const Bytes& d)
{
    if (d.size() < 18) return fail("TGA file too short");
    const unsigned char* b = d.data();
    int type = b[2], bits = b[16], w = b[12] | b[13] << 8, h = b[14] | b[15] << 8;
    bool rle = type >= 9;
    if (w == 0 || h == 0) return fail("TGA picture without pixels");
    if (type == 1 || type == 3 || type == 9 || type == 11 || ((type == 2 || type == 10) && bits != 24 && bits != 32))
        return fail(notTrueColour);
    if (type != 2 && type != 10)
        return fail("Unsupported TGA format");
    int bytes = bits / 8;
    size_t pos = 18 + (size_t)b[0] + (b[1] ? (size_t)(b[5] | b[6] << 8) * ((b[7] + 7) / 8) : 0);
    size_t count = (size_t)w * (size_t)h;
    /* A truncated file reads on as zero bytes, as on Linux: black pixels
    ** where it ends.  No pixel takes more than a packet header and itself. */
    Bytes file(d);
    file.resize(pos + count * (bytes + 1), 0);
    b = file.data();
    Bytes px(count * bytes);
    /* a raw file is one raw packet; a run packet repeats one pixel */
    for (size_t have = 0; have < count;) {
        size_t n = count - have;
        bool run = false;
        if (rle) {
            run = b[pos] & 128;
            n = std::min(n, (size_t)(b[pos] & 127) + 1);
            pos++;
        }
        size_t take = run ? bytes : n * bytes;
        for (size_t i = 0; i < (run ? n : 1); i++)
            memcpy(&px[(have + i) * bytes], b + pos, take);
        have += n;
        pos += take;
    }

    SDL_Surface* s = newSurface(w, h, bits, false, bits == 32);
    if (!s) return nullptr;
    bool topFirst = b[17] & 0x20;
    for (int y = 0; y < h; y++)
        memcpy((unsigned char*)s->pixels + (size_t)s->pitch * y,
               &px[(size_t)(topFirst ? y : h - 1 - y) * w * bytes], (size_t)w * bytes);
    return s;
}

/* ---- PNG ---- */

struct PngSource {
    const Bytes* data;
    size_t       pos;
};

static void pngRead(png_structp png, png_bytep out, png_size_t n)
{
    PngSource* src = (PngSource*)png_get_io_ptr(png);
    if (src->pos + n > src->data->size()) png_error(png, "PNG file truncated");
    memcpy(out, src->data->data() + src->pos, n);
    src->pos += n;
}

static void pngError(png_structp png, png_const_charp message)
{
    SDL_SetError("%s", message);
    png_longjmp(png, 1);
}

static void pngWarning(png_structp, png_const_charp) {}

static SDL_Surface* decodePng(const Bytes& d)
{
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, pngError, pngWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return fail("Out of memory decoding a PNG file");
    }
    PngSource src = { &d, 0 };
    SDL_Surface* volatile s = nullptr;
    png_bytep* volatile rows = nullptr;
    if (setjmp(png_jmpbuf(png))) {
        free(rows);
        if (s) SDL_FreeSurface(s);
        png_destroy_read_struct(&png, &info, nullptr);
        return nullptr;
    }
    png_set_read_fn(png, &src, pngRead);
    png_read_info(png, info);
    int type = png_get_color_type(png, info);
    /* the transformations of SDL_image: 8 bits a channel, grey with alpha
    ** as colour; transparency becomes an alpha channel */
    png_set_strip_16(png);
    png_set_packing(png);
    if (type == PNG_COLOR_TYPE_GRAY) png_set_expand(png);
    bool trns = png_get_valid(png, info, PNG_INFO_tRNS);
    if (trns) png_set_expand(png);
    if (type == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(png);
    png_read_update_info(png, info);
    int channels = png_get_channels(png, info);
    int w = (int)png_get_image_width(png, info), h = (int)png_get_image_height(png, info);
    if (channels < 3) {
        png_destroy_read_struct(&png, &info, nullptr);
        return fail(notTrueColour);
    }
    s = newSurface(w, h, channels * 8, true, channels == 4);
    rows = (png_bytep*)malloc(sizeof(png_bytep) * (size_t)h);
    if (!s || !rows) png_error(png, "Out of memory decoding a PNG file");
    for (int y = 0; y < h; y++) rows[y] = (png_bytep)s->pixels + (size_t)s->pitch * y;
    png_read_image(png, rows);
    png_read_end(png, nullptr);
    free(rows);
    png_destroy_read_struct(&png, &info, nullptr);
    return s;
}

/* ---- JPEG ---- */

struct JpegError {
    jpeg_error_mgr base;
    jmp_buf        jump;
};

static void jpegExit(j_common_ptr info)
{
    char text[JMSG_LENGTH_MAX];
    info->err->format_message(info, text);
    SDL_SetError("%s", text);
    longjmp(((JpegError*)info->err)->jump, 1);
}

static void jpegMessage(j_common_ptr) {}

static SDL_Surface* decodeJpeg(const Bytes& d)
{
    jpeg_decompress_struct info;
    JpegError err;
    info.err = jpeg_std_error(&err.base);
    err.base.error_exit = jpegExit;
    err.base.output_message = jpegMessage;
    SDL_Surface* volatile s = nullptr;
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&info);
        if (s) SDL_FreeSurface(s);
        return nullptr;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, d.data(), (unsigned long)d.size());
    jpeg_read_header(&info, TRUE);
    if (info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK) {
        jpeg_destroy_decompress(&info);
        return fail("Unsupported JPEG colour space (CMYK)");
    }
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    s = newSurface((int)info.output_width, (int)info.output_height, 24, true, false);
    if (!s) {
        jpeg_destroy_decompress(&info);
        return nullptr;
    }
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = (JSAMPROW)s->pixels + (size_t)s->pitch * info.output_scanline;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return s;
}

/* ---- the file ---- */

static bool readWhole(const char* file, Bytes& out)
{
    SDL_RWops* rw = SDL_RWFromFile(file, "rb");
    if (!rw) return false;
    unsigned char chunk[65536];
    int n;
    while ((n = SDL_RWread(rw, chunk, 1, sizeof chunk)) > 0) out.insert(out.end(), chunk, chunk + n);
    SDL_RWclose(rw);
    return true;
}

SDL_Surface* picture_decode(const char* file)
{
    Bytes d;
    if (!readWhole(file, d)) return nullptr;
    const unsigned char* b = d.data();
    if (d.size() >= 8 && memcmp(b, "\x89PNG\r\n\x1a\n", 8) == 0) return decodePng(d);
    if (d.size() >= 3 && b[0] == 0xFF && b[1] == 0xD8 && b[2] == 0xFF) return decodeJpeg(d);
    if (d.size() >= 2 && b[0] == 'B' && b[1] == 'M') {
        SDL_RWops* rw = SDL_RWFromConstMem(b, (int)d.size());
        return rw ? SDL_LoadBMP_RW(rw, 1) : nullptr;
    }
    const char* dot = strrchr(file, '.');
    if (dot && strcasecmp(dot, ".tga") == 0) return decodeTga(d);
    return fail("Unsupported image format");
}
