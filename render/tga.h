/*
** tga.h -- writing 24-bit TGA files (plain or run-length encoded) and the
** frame grabs built on it: numbered screenshots and record-mode frames.
*/
#ifndef TGA_H
#define TGA_H

#include <stddef.h>
#include <stdio.h>

/* pixels: width x height RGB triples, bottom row first. */
void tga_save(const char* path, unsigned char* pixels, int width, int height, int compress);
void write_tga_header(FILE* file, int width, int height, int compress);
void write_tga_rle_data(FILE* file, const unsigned char* pixels, int width, int height);

/* The greedy packet encoder as a pure function: encodes `count` RGB pixels
** into `out` (which must hold tga_rleBound(count) bytes), returns bytes
** written.  Pixels are written blue, green, red. */
size_t tga_rleBound(size_t count);
size_t tga_rleEncode(const unsigned char* pixels, size_t count, unsigned char* out);

#endif
