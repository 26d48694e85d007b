/*
** font.h -- the bitmap font and the debug overlay (frame counter and
** timing lines) drawn over the finished frame.
*/
#ifndef FONT_H
#define FONT_H

#define FONT_DEBUG_FILE "data/fonts/font.tga"
#define FONT_LINE_SIZE  256    /* 255 characters plus the terminator */

struct Font {
    const char* file;       /* not copied */
    const char* charmap;    /* not copied: character of each grid cell */
    int         texture;
    int         columns;
    int         rows;
    float       x;          /* pen, window pixels from the left */
    float       y;          /* pen, window pixels from the top */
    float       size;       /* glyph width and height on screen */
    float       spacing;    /* advance as a multiple of size */
    float       red, green, blue, alpha;
};

extern Font        debugFont;
extern const char  strDebugFont[];      /* the 167-cell map of the debug font */
extern const char* stateStr[6];

void text_load_font(Font* font, const char* charmap, int columns, int rows, const char* file);

void glDrawChar(Font font, char c);
void glPrintf(Font font, const char* format, ...) __attribute__((format(printf, 2, 3)));

/* The playback state text for the kernel's state bits. */
const char* text_stateString(unsigned char state);
void drawFps(void);
void drawTiming(void);

#endif
