/*
** make_text.cpp -- sets lines of text in a TrueType font with FreeType and
** writes them as a PNG with an alpha channel: each line centred, filled
** with a vertical gradient, over a soft glow.  The showcase's title, end
** card and greetings are made with it.
**
** usage: make-text OUT.png WIDTH HEIGHT GLOW_RADIUS GLOW_RRGGBBAA
**                  [FONT SIZE BASELINE TRACKING TOP_RRGGBB BOTTOM_RRGGBB TEXT]...
**   SIZE, BASELINE and TRACKING (extra pixels between letters) in pixels;
**   TEXT in UTF-8.  The gradient runs from the capital height to the
**   baseline.
*/
#include <ft2build.h>
#include FT_FREETYPE_H
#include <zlib.h>

#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <vector>

namespace {

struct Colour {
    float r, g, b, a;
};

bool parseColour(const char* hex, Colour& c)
{
    size_t n = strlen(hex);
    if (n != 6 && n != 8) return false;
    unsigned v[4] = { 0, 0, 0, 255 };
    for (size_t i = 0; i < n / 2; i++)
        if (sscanf(hex + 2 * i, "%2x", &v[i]) != 1) return false;
    c = { v[0] / 255.0f, v[1] / 255.0f, v[2] / 255.0f, v[3] / 255.0f };
    return true;
}

/* the code points of a UTF-8 string; a broken sequence becomes '?' */
std::vector<unsigned> decode(const char* s)
{
    std::vector<unsigned> out;
    for (const unsigned char* p = (const unsigned char*)s; *p;) {
        unsigned c = *p, extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
        if (extra) c &= 0x3F >> extra;
        p++;
        for (unsigned k = 0; k < extra; k++, p++) {
            if ((*p & 0xC0) != 0x80) { c = '?'; break; }
            c = (c << 6) | (*p & 0x3F);
        }
        out.push_back(c);
    }
    return out;
}

/* Draws one line into `cover` (0..1 per pixel) and its gradient into `rgb`. */
bool drawLine(FT_Library lib, const char* font, int size, int baseline, int tracking, Colour top,
              Colour bottom, const char* text, int width, int height, std::vector<float>& cover,
              std::vector<float>& rgb)
{
    FT_Face face;
    if (FT_New_Face(lib, font, 0, &face)) {
        fprintf(stderr, "make-text: cannot open font %s\n", font);
        return false;
    }
    FT_Set_Pixel_Sizes(face, 0, (FT_UInt)size);
    std::vector<unsigned> codes = decode(text);
    /* first pass measures, second draws */
    int lineWidth = 0;
    for (int pass = 0; pass < 2; pass++) {
        int pen = pass ? (width - lineWidth) / 2 : 0;
        FT_UInt previous = 0;
        for (size_t i = 0; i < codes.size(); i++) {
            FT_UInt glyph = FT_Get_Char_Index(face, codes[i]);
            if (previous && glyph && FT_HAS_KERNING(face)) {
                FT_Vector k;
                FT_Get_Kerning(face, previous, glyph, FT_KERNING_DEFAULT, &k);
                pen += (int)(k.x >> 6);
            }
            previous = glyph;
            if (FT_Load_Glyph(face, glyph, pass ? FT_LOAD_RENDER : FT_LOAD_DEFAULT)) continue;
            FT_GlyphSlot g = face->glyph;
            if (pass) {
                float capTop = baseline - size * 0.73f;
                for (unsigned row = 0; row < g->bitmap.rows; row++) {
                    for (unsigned col = 0; col < g->bitmap.width; col++) {
                        int x = pen + g->bitmap_left + (int)col, y = baseline - g->bitmap_top + (int)row;
                        if (x < 0 || y < 0 || x >= width || y >= height) continue;
                        float v = g->bitmap.buffer[row * g->bitmap.pitch + col] / 255.0f;
                        size_t at = (size_t)y * width + x;
                        if (v <= cover[at]) continue;
                        float t = fminf(fmaxf((y - capTop) / (baseline - capTop), 0.0f), 1.0f);
                        cover[at] = v;
                        rgb[3 * at] = top.r + (bottom.r - top.r) * t;
                        rgb[3 * at + 1] = top.g + (bottom.g - top.g) * t;
                        rgb[3 * at + 2] = top.b + (bottom.b - top.b) * t;
                    }
                }
            }
            pen += (int)(g->advance.x >> 6) + (i + 1 < codes.size() ? tracking : 0);
        }
        lineWidth = pen;
    }
    FT_Done_Face(face);
    return true;
}

/* three box passes approximate a Gaussian */
std::vector<float> blur(const std::vector<float>& in, int width, int height, int radius)
{
    std::vector<float> a = in, b(in.size());
    for (int pass = 0; pass < 3; pass++) {
        for (int dir = 0; dir < 2; dir++) {
            int len = dir ? height : width, lines = dir ? width : height;
            for (int l = 0; l < lines; l++) {
                float sum = 0;
                auto px = [&](int k) -> float {
                    if (k < 0 || k >= len) return 0.0f;
                    return dir ? a[(size_t)k * width + l] : a[(size_t)l * width + k];
                };
                for (int k = -radius; k <= radius; k++) sum += px(k);
                for (int k = 0; k < len; k++) {
                    (dir ? b[(size_t)k * width + l] : b[(size_t)l * width + k]) = sum / (2 * radius + 1);
                    sum += px(k + radius + 1) - px(k - radius);
                }
            }
            a.swap(b);
        }
    }
    return a;
}

void putBig(std::string& s, unsigned v)
{
    for (int k = 3; k >= 0; k--) s += (char)((v >> (8 * k)) & 255);
}

void chunk(std::string& png, const char* type, const std::string& data)
{
    putBig(png, (unsigned)data.size());
    std::string body = std::string(type, 4) + data;
    png += body;
    putBig(png, (unsigned)crc32(0, (const Bytef*)body.data(), (uInt)body.size()));
}

bool writePng(const char* path, int width, int height, const std::vector<unsigned char>& rgba)
{
    std::string raw;
    for (int y = 0; y < height; y++) {
        raw += '\0';   /* no row filter */
        raw.append((const char*)&rgba[(size_t)y * width * 4], (size_t)width * 4);
    }
    uLongf size = compressBound(raw.size());
    std::string packed(size, '\0');
    if (compress2((Bytef*)&packed[0], &size, (const Bytef*)raw.data(), raw.size(), 9) != Z_OK) return false;
    packed.resize(size);
    std::string png = "\x89PNG\r\n\x1a\n", header;
    putBig(header, (unsigned)width);
    putBig(header, (unsigned)height);
    header += std::string("\x08\x06\x00\x00\x00", 5);   /* 8 bits, RGBA */
    chunk(png, "IHDR", header);
    chunk(png, "IDAT", packed);
    chunk(png, "IEND", "");
    FILE* out = fopen(path, "wb");
    if (!out) return false;
    bool ok = fwrite(png.data(), 1, png.size(), out) == png.size();
    return fclose(out) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv)
{
    Colour glow;
    if (argc < 6 || (argc - 6) % 7 != 0 || !parseColour(argv[5], glow)) {
        fprintf(stderr, "usage: make-text OUT.png WIDTH HEIGHT GLOW_RADIUS GLOW_RRGGBBAA\n"
                        "       [FONT SIZE BASELINE TRACKING TOP_RRGGBB BOTTOM_RRGGBB TEXT]...\n");
        return 2;
    }
    int width = atoi(argv[2]), height = atoi(argv[3]), radius = atoi(argv[4]);
    if (width < 1 || height < 1 || width > 4096 || height > 4096 || radius < 0 || radius > 64) {
        fprintf(stderr, "make-text: size 1 to 4096 and glow radius 0 to 64 pixels\n");
        return 2;
    }
    FT_Library lib;
    if (FT_Init_FreeType(&lib)) return 1;
    std::vector<float> cover((size_t)width * height, 0.0f), rgb((size_t)width * height * 3, 0.0f);
    for (int a = 6; a < argc; a += 7) {
        Colour top, bottom;
        int size = atoi(argv[a + 1]);
        if (size < 1 || size > 1024 || !parseColour(argv[a + 4], top) || !parseColour(argv[a + 5], bottom)) {
            fprintf(stderr, "make-text: bad size or colour in line '%s'\n", argv[a + 6]);
            return 2;
        }
        if (!drawLine(lib, argv[a], size, atoi(argv[a + 2]), atoi(argv[a + 3]), top, bottom, argv[a + 6], width,
                      height, cover, rgb))
            return 1;
    }
    FT_Done_FreeType(lib);

    std::vector<float> halo = radius ? blur(cover, width, height, radius) : std::vector<float>(cover.size(), 0.0f);
    std::vector<unsigned char> rgba((size_t)width * height * 4);
    for (size_t i = 0; i < cover.size(); i++) {
        float ta = cover[i], ga = fminf(halo[i] * 2.0f, 1.0f) * glow.a;
        float a = ta + ga * (1.0f - ta);
        float c[3] = { glow.r, glow.g, glow.b };
        for (int k = 0; k < 3; k++) {
            /* clear pixels keep the glow's colour, so filtering does not darken edges */
            float v = a > 0.0f ? (rgb[3 * i + k] * ta + c[k] * ga * (1.0f - ta)) / a : c[k];
            rgba[4 * i + k] = (unsigned char)lroundf(fminf(fmaxf(v, 0.0f), 1.0f) * 255.0f);
        }
        rgba[4 * i + 3] = (unsigned char)lroundf(a * 255.0f);
    }
    if (!writePng(argv[1], width, height, rgba)) {
        fprintf(stderr, "make-text: cannot write %s\n", argv[1]);
        return 1;
    }
    printf("wrote %s\n", argv[1]);
    return 0;
}
