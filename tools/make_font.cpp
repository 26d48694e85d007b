/*
** make_font.cpp -- renders the debug font picture: a 256 x 256 TGA of
** 16 x 16 cells, white glyphs whose alpha is the glyph coverage, drawn from
** a DejaVu face in the order of the player's debug character map.
**
** usage: make_font <font.ttf> <out.tga>
*/
#include <ft2build.h>
#include FT_FREETYPE_H

#include <stdio.h>
#include <string.h>
#include <vector>

static const int kCell = 16;
static const int kGrid = 16;
static const int kSize = kCell * kGrid;

/* Latin-1 codes of the cells, row by row; must match the player's map. */
static const unsigned char kMap[] = {
    0x20, 0x21, 0x22, 0x23, 0x24, 0x25, 0x26, 0x27, 0x28, 0x29, 0x2A, 0x2B, 0x2C, 0x2D, 0x2E, 0x2F,
    0x30, 0x31, 0x32, 0x33, 0x34, 0x35, 0x36, 0x37, 0x38, 0x39, 0x3A, 0x3B, 0x3C, 0x3D, 0x3E, 0x3F,
    0x40, 0x41, 0x42, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48, 0x49, 0x4A, 0x4B, 0x4C, 0x4D, 0x4E, 0x4F,
    0x50, 0x51, 0x52, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58, 0x59, 0x5A, 0x5B, 0x5C, 0x5D, 0x5E, 0x2D,
    0x60, 0x61, 0x62, 0x63, 0x64, 0x65, 0x66, 0x67, 0x68, 0x69, 0x6A, 0x6B, 0x6C, 0x6D, 0x6E, 0x6F,
    0x70, 0x71, 0x72, 0x73, 0x74, 0x75, 0x76, 0x77, 0x78, 0x79, 0x7A, 0x7B, 0x7C, 0x7D, 0x7E, 0x20,
    0x43, 0xAA, 0x3C, 0xBA, 0x2B, 0x27, 0xBA, 0x27, 0x3E, 0xBF, 0xC0, 0xC1, 0xC2, 0x41, 0x41, 0x41,
    0x41, 0xC7, 0xC8, 0xC9, 0x45, 0x45, 0xCC, 0xCD, 0x49, 0x49, 0xD1, 0xD2, 0xD3, 0x4F, 0x4F, 0x4F,
    0x30, 0xD9, 0xDA, 0x55, 0x55, 0xDD, 0x70, 0x62, 0xE0, 0xE1, 0x61, 0x61, 0x61, 0x61, 0x61, 0xE7,
    0xE8, 0xE9, 0x65, 0x65, 0xEC, 0xED, 0x69, 0x69, 0xF1, 0xF2, 0xF3, 0x6F, 0x6F, 0x6F, 0x6F, 0xF9,
    0xFA, 0x75, 0x75, 0xFD, 0x79, 0x79, 0x20,
};

int main(int argc, char** argv)
{
    if (argc != 3) {
        fprintf(stderr, "usage: %s <font.ttf> <out.tga>\n", argv[0]);
        return 2;
    }
    FT_Library lib;
    FT_Face face;
    if (FT_Init_FreeType(&lib) || FT_New_Face(lib, argv[1], 0, &face)) {
        fprintf(stderr, "cannot open font %s\n", argv[1]);
        return 1;
    }
    /* 13-pixel em: capitals and accents both fit inside a 16-pixel cell. */
    FT_Set_Pixel_Sizes(face, 0, 13);
    int ascender = (int)(face->size->metrics.ascender >> 6);

    std::vector<unsigned char> alpha(kSize * kSize, 0);
    for (size_t i = 0; i < sizeof(kMap); i++) {
        if (kMap[i] == 0x20)
            continue;
        if (FT_Load_Char(face, kMap[i], FT_LOAD_RENDER))
            continue;
        FT_GlyphSlot g = face->glyph;
        int cellX = (int)(i % kGrid) * kCell;
        int cellY = (int)(i / kGrid) * kCell;
        int penX = cellX + (kCell - (int)(g->advance.x >> 6)) / 2 + g->bitmap_left;
        int penY = cellY + 1 + ascender - g->bitmap_top;
        for (unsigned row = 0; row < g->bitmap.rows; row++) {
            for (unsigned col = 0; col < g->bitmap.width; col++) {
                int x = penX + (int)col, y = penY + (int)row;
                /* Clip to the cell so no glyph bleeds into a neighbour. */
                if (x < cellX || x >= cellX + kCell || y < cellY || y >= cellY + kCell)
                    continue;
                unsigned char v = g->bitmap.buffer[row * g->bitmap.pitch + col];
                if (v > alpha[y * kSize + x])
                    alpha[y * kSize + x] = v;
            }
        }
    }
    FT_Done_Face(face);
    FT_Done_FreeType(lib);

    FILE* out = fopen(argv[2], "wb");
    if (!out) {
        fprintf(stderr, "cannot write %s\n", argv[2]);
        return 1;
    }
    /* Uncompressed true-colour TGA, 32 bits, rows from the bottom up (the
    ** layout every TGA reader accepts). */
    unsigned char header[18] = { 0 };
    header[2] = 2;
    header[12] = kSize & 255; header[13] = kSize >> 8;
    header[14] = kSize & 255; header[15] = kSize >> 8;
    header[16] = 32;
    header[17] = 8;
    fwrite(header, 1, sizeof(header), out);
    for (int y = kSize - 1; y >= 0; y--) {
        for (int x = 0; x < kSize; x++) {
            unsigned char bgra[4] = { 255, 255, 255, alpha[y * kSize + x] };
            fwrite(bgra, 1, 4, out);
        }
    }
    fclose(out);
    return 0;
}
