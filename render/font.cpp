/*
** font.cpp -- bitmap font drawing and the debug overlay.
**
** A font is a texture holding a grid of square glyphs plus a map string that
** names the character of each cell.  Text is added onto the finished frame
** in window pixels, y growing downwards.
*/
#include "font.h"

#include <GL/gl.h>
#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#include "dkernel.h"
#include "gldrv.h"
#include "tex.h"

Font debugFont;

/* Cell i of the debug font holds character strDebugFont[i] (Latin-1).  Cells
** that repeat an earlier character are never drawn: lookup stops at the
** first match. */
const char strDebugFont[] = {
    '\x20', '\x21', '\x22', '\x23', '\x24', '\x25', '\x26', '\x27', '\x28', '\x29', '\x2A', '\x2B', '\x2C', '\x2D', '\x2E', '\x2F',
    '\x30', '\x31', '\x32', '\x33', '\x34', '\x35', '\x36', '\x37', '\x38', '\x39', '\x3A', '\x3B', '\x3C', '\x3D', '\x3E', '\x3F',
    '\x40', '\x41', '\x42', '\x43', '\x44', '\x45', '\x46', '\x47', '\x48', '\x49', '\x4A', '\x4B', '\x4C', '\x4D', '\x4E', '\x4F',
    '\x50', '\x51', '\x52', '\x53', '\x54', '\x55', '\x56', '\x57', '\x58', '\x59', '\x5A', '\x5B', '\x5C', '\x5D', '\x5E', '\x2D',
    '\x60', '\x61', '\x62', '\x63', '\x64', '\x65', '\x66', '\x67', '\x68', '\x69', '\x6A', '\x6B', '\x6C', '\x6D', '\x6E', '\x6F',
    '\x70', '\x71', '\x72', '\x73', '\x74', '\x75', '\x76', '\x77', '\x78', '\x79', '\x7A', '\x7B', '\x7C', '\x7D', '\x7E', '\x20',
    '\x43', '\xAA', '\x3C', '\xBA', '\x2B', '\x27', '\xBA', '\x27', '\x3E', '\xBF', '\xC0', '\xC1', '\xC2', '\x41', '\x41', '\x41',
    '\x41', '\xC7', '\xC8', '\xC9', '\x45', '\x45', '\xCC', '\xCD', '\x49', '\x49', '\xD1', '\xD2', '\xD3', '\x4F', '\x4F', '\x4F',
    '\x30', '\xD9', '\xDA', '\x55', '\x55', '\xDD', '\x70', '\x62', '\xE0', '\xE1', '\x61', '\x61', '\x61', '\x61', '\x61', '\xE7',
    '\xE8', '\xE9', '\x65', '\x65', '\xEC', '\xED', '\x69', '\x69', '\xF1', '\xF2', '\xF3', '\x6F', '\x6F', '\x6F', '\x6F', '\xF9',
    '\xFA', '\x75', '\x75', '\xFD', '\x79', '\x79', '\x20',
    '\0'
};

static_assert(sizeof(strDebugFont) == 168, "the debug font map has 167 cells");

const char* stateStr[6] = {
    "play", "play - RW", "play - FF", "paused", "paused - RW", "paused - FF",
};

void text_load_font(Font* font, const char* charmap, int columns, int rows, const char* file)
{
    font->file = file;
    font->charmap = charmap;
    font->texture = tex_load(file);
    tex_properties(font->texture, 3);   /* no mipmaps, clamped, replace */
    tex_upload(font->texture);
    font->columns = columns;
    font->rows = rows;
    font->x = 0.0f;
    font->y = 0.0f;
    /* The glyph size follows the texture as loaded, so a font shrunk by the
    ** detail level draws smaller glyphs. */
    font->size = (float)tex_array[font->texture]->width / (float)columns;
    font->spacing = 1.0f;
    font->red = font->green = font->blue = font->alpha = 1.0f;
}

void glDrawChar(Font font, char c)
{
    if (c == '\0' || !font.charmap || font.columns <= 0 || font.rows <= 0)
        return;
    const char* hit = strchr(font.charmap, c);
    if (!hit)
        return;
    int i = (int)(hit - font.charmap);
    int column = i % font.columns;
    int row = (i / font.columns) % font.rows;
    float u0 = (float)column / (float)font.columns;
    float u1 = u0 + 1.0f / (float)font.columns;
    float t0 = (float)row / (float)font.rows;
    float t1 = t0 + 1.0f / (float)font.rows;

    glPushMatrix();
    glTranslatef(font.x, font.y, 0.0f);
    glBegin(GL_QUADS);
    glTexCoord2f(u0, t0); glVertex2f(0.0f, 0.0f);
    glTexCoord2f(u0, t1); glVertex2f(0.0f, font.size);
    glTexCoord2f(u1, t1); glVertex2f(font.size, font.size);
    glTexCoord2f(u1, t0); glVertex2f(font.size, 0.0f);
    glEnd();
    glPopMatrix();
}

void glPrintf(Font font, const char* format, ...)
{
    if (!format)
        return;
    char text[FONT_LINE_SIZE];
    va_list args;
    va_start(args, format);
    vsnprintf(text, sizeof(text), format, args);
    va_end(args);

    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    tex_bind(font.texture);

    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0.0, (double)glDriver.width, (double)glDriver.height, 0.0, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glColor4f(font.red, font.green, font.blue, font.alpha);

    for (const char* p = text; *p; p++) {
        if (*p == '\n') {
            font.y += font.size;
            font.x = -font.size;
        }
        glDrawChar(font, *p);
        font.x += font.size * font.spacing;
    }

    glDisable(GL_BLEND);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
}

const char* text_stateString(unsigned char state)
{
    int base = (state & DK_STATE_PAUSED) ? 3 : 0;
    if (state & DK_STATE_REWIND)
        return stateStr[base + 1];
    if (state & DK_STATE_FFWD)
        return stateStr[base + 2];
    return stateStr[base];
}

void drawFps(void)
{
    glPrintf(debugFont, "fps %.0f", demoSystem.fps_value);
}

void drawTiming(void)
{
    glPrintf(debugFont, "fps %.0f\n%d - %.1f/%.1f\nsound %0.1f%% chan %d\ntexmem %.2fM\n%s",
             demoSystem.fps_value, demoSystem.frames, demoSystem.time, demoSystem.demo_end,
             sound_cpu(), sound_channels(),
             (double)tex_get_used_memory() / 1048576.0,
             text_stateString(demoSystem.state));
}
