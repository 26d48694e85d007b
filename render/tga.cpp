/*
** tga.cpp -- 24-bit TGA writer (plain and run-length encoded), numbered
** screenshots, the record-mode frame capture and the window read-back
** they share.
*/
#include "tga.h"

#include "dkernel.h"
#include "gldrv.h"

#include <GL/gl.h>
#include <GL/glext.h>
#include <errno.h>
#include <stdlib.h>
#include <string.h>

#define TGA_MAX_PACKET 127

static int samePixel(const unsigned char* a, const unsigned char* b)
{
    return a[0] == b[0] && a[1] == b[1] && a[2] == b[2];
}

/* one pixel in file order: blue, green, red */
static unsigned char* putPixel(unsigned char* out, const unsigned char* rgb)
{
    out[0] = rgb[2];
    out[1] = rgb[1];
    out[2] = rgb[0];
    return out + 3;
}

size_t tga_rleBound(size_t count)
{
    /* worst case: raw packets only, one header byte per 127 pixels */
    return count * 3 + (count + TGA_MAX_PACKET - 1) / TGA_MAX_PACKET;
}

size_t tga_rleEncode(const unsigned char* pixels, size_t count, unsigned char* out)
{
    unsigned char* o = out;
    size_t i = 0;
    while (i < count) {
        const unsigned char* cur = pixels + 3 * i;
        size_t run = 1;
        while (i + run < count && run < TGA_MAX_PACKET && samePixel(pixels + 3 * (i + run), cur))
            run++;
        if (run >= 2) {
            *o++ = (unsigned char)(0x80 + run - 1);
            o = putPixel(o, cur);
            i += run;
            continue;
        }
        /* Raw packet: stops before a pixel that starts a run, at 127
        ** pixels, or after the last pixel. */
        unsigned char* header = o++;
        size_t n = 0;
        for (;;) {
            if (i + 1 < count && samePixel(pixels + 3 * i, pixels + 3 * (i + 1))) break;
            if (n == TGA_MAX_PACKET) break;
            o = putPixel(o, pixels + 3 * i);
            n++;
            i++;
            if (i == count) break;
        }
        if (n > 0)
            *header = (unsigned char)(n - 1);
        else
            o = header;
    }
    return (size_t)(o - out);
}

static void putLE16(unsigned char* p, int v)
{
    p[0] = (unsigned char)(v & 0xFF);
    p[1] = (unsigned char)((v >> 8) & 0xFF);
}

static int writeHeader(FILE* file, int width, int height, int compress)
{
    unsigned char h[18];
    memset(h, 0, sizeof h);
    h[2] = compress ? 10 : 2;
    putLE16(h + 12, width);
    putLE16(h + 14, height);
    h[16] = 24;
    return fwrite(h, 1, sizeof h, file) == sizeof h;
}

void write_tga_header(FILE* file, int width, int height, int compress)
{
    writeHeader(file, width, height, compress);
}

static int writeRle(FILE* file, const unsigned char* pixels, int width, int height)
{
    size_t count = (size_t)width * (size_t)height;
    unsigned char* buffer = (unsigned char*)malloc(tga_rleBound(count) + 1);
    if (!buffer) return 0;
    size_t size = tga_rleEncode(pixels, count, buffer);
    int ok = fwrite(buffer, 1, size, file) == size;
    free(buffer);
    return ok;
}

void write_tga_rle_data(FILE* file, const unsigned char* pixels, int width, int height)
{
    writeRle(file, pixels, width, height);
}

/* Writes the file; 1 on success.  A file that could not be written in full
** is removed, so no truncated picture is left behind.  `bgr`: the pixels
** are already in file order (blue, green, red), as a read-back can deliver
** them; they are then written in one go and left untouched. */
static int saveFile(const char* path, unsigned char* pixels, int width, int height, int compress,
                    int bgr)
{
    FILE* file = fopen(path, "wb");
    if (!file) return 0;
    int ok = writeHeader(file, width, height, compress);
    size_t row = (size_t)width * 3;
    if (compress) {
        ok = ok && writeRle(file, pixels, width, height);
    } else if (bgr) {
        size_t size = row * (size_t)height;
        ok = ok && fwrite(pixels, 1, size, file) == size;
    } else {
        for (int y = 0; y < height; y++) {
            unsigned char* p = pixels + row * (size_t)y;
            for (int x = 0; x < width; x++, p += 3) {
                unsigned char t = p[0];
                p[0] = p[2];
                p[2] = t;
            }
            if (ok && fwrite(pixels + row * (size_t)y, 1, row, file) != row) ok = 0;
        }
    }
    if (fclose(file) != 0) ok = 0;
    if (!ok) remove(path);
    return ok;
}

void tga_save(const char* path, unsigned char* pixels, int width, int height, int compress)
{
    saveFile(path, pixels, width, height, compress, 0);
}

void (*gldrv_frameSink)(const unsigned char* bgr, int width, int height) = nullptr;

void gldrv_readFrame(unsigned char* pixels, int bgr)
{
    /* rows of width * 3 bytes, packed: the default 4-byte alignment would
    ** pad them past the buffer for widths not a multiple of 4 */
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, glDriver.width, glDriver.height, bgr ? GL_BGR : GL_RGB, GL_UNSIGNED_BYTE,
                 pixels);
}

/* The window's pixels in a buffer kept from frame to frame; null when
** there is no memory for it. */
static unsigned char* frameBuffer(void)
{
    static unsigned char* pixels = nullptr;
    static size_t size = 0;
    size_t want = (size_t)glDriver.width * (size_t)glDriver.height * 3;
    if (want != size) {
        free(pixels);
        pixels = (unsigned char*)malloc(want);
        size = pixels ? want : 0;
    }
    return pixels;
}

/* Reads the whole window and writes it to path; 1 on success. */
static int grabWindow(const char* path)
{
    unsigned char* pixels = frameBuffer();
    if (!pixels) return 0;
    /* a plain file wants blue first: let the GL order the bytes while it
    ** converts anyway, instead of swapping every pixel afterwards */
    int compress = demoSystem.compress_tga;
    gldrv_readFrame(pixels, !compress);
    return saveFile(path, pixels, glDriver.width, glDriver.height, compress, !compress);
}

void gldrv_screenshot(void)
{
    char name[] = "screen00.tga";
    for (int n = 0; n < 100; n++) {
        name[6] = (char)('0' + n / 10);
        name[7] = (char)('0' + n % 10);
        FILE* existing = fopen(name, "rb");
        if (existing) {
            fclose(existing);
            continue;
        }
        /* a demo on read-only media: say why no picture came */
        errno = 0;
        if (!grabWindow(name))
            dkernel_warn("cannot write screenshot '%s' (%s)", name, errno ? strerror(errno) : "write failed");
        return;
    }
}

void gldrv_capture(void)
{
    if (gldrv_frameSink) {
        unsigned char* pixels = frameBuffer();
        if (!pixels) dkernel_error("Out of memory capturing a frame");
        gldrv_readFrame(pixels, 1);
        gldrv_frameSink(pixels, glDriver.width, glDriver.height);
        return;
    }
    /* Record mode runs unattended: one warning tells the user frames are
    ** being lost, repeating it every frame would bury everything else. */
    static int warned = 0;
    char name[32];
    snprintf(name, sizeof name, "video/%08d.tga", demoSystem.frames);
    errno = 0;
    if (!grabWindow(name) && !warned) {
        warned = 1;
        dkernel_warn("cannot write record frame '%s' (%s); further frames may be lost",
                     name, errno ? strerror(errno) : "write failed");
    }
}
