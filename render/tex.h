/*
** tex.h -- the texture manager: one global table of textures addressed by
** index, shared loading by file name, shrinking to the detail level,
** property flags, upload with mipmaps and the bound-texture caches.
*/
#ifndef TEX_H
#define TEX_H

#include <GL/gl.h>

struct SDL_Surface;

#define TEX_MAX_TEXTURES 256
#define TEX_DETAIL_LEVELS 6

struct Texture {
    char*          name;
    unsigned char* data;
    SDL_Surface*   surface;
    int            gl_id;        /* GL texture name, -1 until uploaded */
    int            memory;
    int            width;
    int            height;
    int            orig_width;
    int            orig_height;
    int            components;
    GLenum         format;
    GLenum         target;
    int            properties;
    GLenum         min_filter;
    GLenum         wrap;
    GLenum         env_mode;
    int            keep_data;
    int            generated;
    int            users;        /* holders of the slot; see tex_free */
};

extern Texture*  tex_array[TEX_MAX_TEXTURES];
extern int       tex_count;
extern int       tex_detail;
extern const int tex_maxSizes[TEX_DETAIL_LEVELS];
extern int       tex_current;   /* GL name last bound, -1: unknown */
extern int       env_mode;      /* environment mode last set, -1: unknown */

int  tex_init(void);
int  tex_new(int width, int height, GLenum format, int components);
int  tex_load(const char* file);
void tex_properties(int index, int flags);
void tex_persistent(int index, int keep);
void tex_upload(int index);
void tex_bind(int index);
void tex_reset_bind(void);
void tex_envmode(GLenum mode);
/* Drops one use of the slot: every tex_load of a name already loaded adds a
** user, so a picture is released only when its last user lets it go. */
void tex_free(int index);
/* Reads a loaded picture's file again into the same slot, keeping its
** properties (and uploading it again when it was uploaded): every user of
** the index sees the new picture.  Failures are fatal as in tex_load and
** leave the old picture in place. */
void tex_reload(int index);
/* Live reload's way in: is a picture of this file loaded (any slot), and
** read every slot of it again (tex_reload); returns how many were read. */
int  tex_usesFile(const char* path);
int  tex_reloadFile(const char* path);
void tex_clean(int index);
int  tex_get_used_memory(void);

/* The largest width or height a loaded picture keeps; tex_detail outside
** 0..5 is clamped (with one warning) rather than indexing past the table. */
int  tex_maxSize(void);
/* Bytes of GL memory an upload of this size counts (mip chain or one level). */
int  tex_memoryFor(int width, int height, int components, int mipmapped);

int  powerOfTwo(int n);
int  getCompressedFormat(const Texture* texture);

/* Nearest-neighbour resampling in 16.16 fixed point; rows packed. */
void scale_texture_24(const unsigned char* src, int src_w, int src_h,
                      int dst_w, int dst_h, unsigned char* dst);
void scale_texture_32(const unsigned char* src, int src_w, int src_h,
                      int dst_w, int dst_h, unsigned char* dst);
void load_palette(unsigned char* palette, const char* file);
void scale_texture_8_to_24(const unsigned char* src, int src_w, int src_h,
                           int dst_w, int dst_h, unsigned char* dst,
                           const unsigned char* palette);

#endif
