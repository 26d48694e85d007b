/*
** draw.h -- small drawing building blocks shared by section types: the
** skybox, picture-sized rectangles in 3-D and in window pixels, and the
** debug axes.
*/
#ifndef DRAW_H
#define DRAW_H

struct Camera;

struct SkyFace {
    int   indices[4];    /* corners into Skybox.vertices */
    float u[4];
    float v[4];
    int   texture;       /* tex_array index */
};

struct Skybox {
    float   vertices[8][3];
    SkyFace faces[6];
    int     multi;       /* 0: one texture for all faces; else six */
};

/* Picture-sized rectangle centred on the origin, facing +z. */
struct Rect3D {
    float texcoords[4][2];
    float corners[4][3];
    float rect[4];       /* left, top, right, bottom */
    int   texture;
};

/* Rectangle in window pixels. */
struct Rect2D {
    int   texture;
    float rect[4];       /* left, bottom, right, top */
    float corners[4][2];
    float texcoords[4][2];
};

#define SKYBOX_HALF_SIZE 10.0f
#define SKYBOX_FORMAT_PCX 1
#define SKYBOX_FORMAT_TGA 2
#define SKYBOX_FORMAT_JPG 3

extern const char skyboxSuffixes[];   /* "rtlfbkftupdn": two letters per face */

void    add_vertex(Skybox* sky, int i, float x, float y, float z);
void    add_quad(Skybox* sky, int f, int i0, int i1, int i2, int i3, int texture,
                 float s0, float t0, float s1, float t1,
                 float s2, float t2, float s3, float t3);
void    skybox_geometry(Skybox* sky);
/* Writes the file name of face f of a multi-texture box into out (size bytes). */
void    skybox_faceName(char* out, int size, const char* name, int format, int face);
Skybox* skybox_make(const char* name, int format, int multi);
void    skybox_upload(Skybox* sky);
void    skybox_render(Skybox* sky, Camera* cam);
void    skybox_free(Skybox* sky);

void rect3d_init(Rect3D* rect, int texture, float width, float height);
/* Loads and uploads the picture file with the given tex_properties flags and
** sizes rect to the file's own pixel size; returns the texture index. */
int  rect3d_load(Rect3D* rect, const char* file, int properties);
void rect3d_render(Rect3D* rect);
void rect2d_init(Rect2D* rect, int texture, int width, int height);
void rect2d_render(Rect2D* rect);

void AxisDrawing(void);

/* Per-frame cap of a count a script gives (imageMatrix's copies, macroBox's
** layers): an absurd count must not stall a frame for good. */
#define DRAW_MAX_COUNT 100000

/* A count given as a float param, as a number of passes: truncated toward
** zero, 0 when negative or NaN, at most `cap`.  Converting a float outside
** the int range straight to int would be undefined. */
int draw_count(float value, int cap);

/* The blend and alpha-test convention of drawing sections: draw_beginSection
** enables what mySection asks for, draw_endSection disables it again. */
void draw_beginSection(void);
void draw_endSection(void);

/* The picture and object sections' 9-channel transform of spline `index`
** (0-based) of mySection at time t: glScalef (1-3), glRotatef about x, y, z
** (4-6), then glTranslatef (7-9), so the translation acts in the scaled,
** turned frame.  Channels the spline lacks keep the identity's values. */
void draw_imageTransform(int index, float t);

/* The chain step of the copy sections: spline `spline` (0-based) of
** mySection at `time` as glTranslatef (7-9), glRotatef about x, y, z (4-6),
** then glScalef (1-3) -- the opposite order of draw_imageTransform, so a
** step applied again after each copy moves the next copy in the frame of
** the previous one.  Channels the spline lacks keep the identity's values. */
void prepare_object(float time, int spline);

#endif
