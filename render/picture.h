/*
** picture.h -- the player's own picture decoder, for builds without
** SDL_image (the Windows player): TGA, PNG, JPEG and BMP files read into
** the SDL surfaces SDL_image would return for them, so the texture loader
** takes them the same way.
*/
#ifndef PICTURE_H
#define PICTURE_H

struct SDL_Surface;

/* The picture in `file`, or null with the reason in SDL_GetError().  True
** colour comes back as 24 or 32 bits (TGA and BMP in their file's
** blue-green-red order, PNG and JPEG red first).  Greyscale,
** colour-mapped and 15/16-bit pictures, which the Linux player converts,
** are refused with a message that says to save them with 24 or 32 bits. */
SDL_Surface* picture_decode(const char* file);

#endif
