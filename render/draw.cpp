/*
** draw.cpp -- skybox, Rect3D / Rect2D rectangles, debug axes and the
** blend/alpha bracket that drawing sections put around their drawing.
*/
#include "draw.h"

#include <GL/gl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "camera.h"
#include "dkernel.h"
#include "gldrv.h"
#include "tex.h"

const char skyboxSuffixes[] = "rtlfbkftupdn";

void add_vertex(Skybox* sky, int i, float x, float y, float z)
{
    sky->vertices[i][0] = x;
    sky->vertices[i][1] = y;
    sky->vertices[i][2] = z;
}

void add_quad(Skybox* sky, int f, int i0, int i1, int i2, int i3, int texture,
              float s0, float t0, float s1, float t1,
              float s2, float t2, float s3, float t3)
{
    SkyFace* face = &sky->faces[f];
    face->indices[0] = i0;
    face->indices[1] = i1;
    face->indices[2] = i2;
    face->indices[3] = i3;
    face->texture = texture;
    face->u[0] = s0; face->v[0] = t0;
    face->u[1] = s1; face->v[1] = t1;
    face->u[2] = s2; face->v[2] = t2;
    face->u[3] = s3; face->v[3] = t3;
}

void skybox_geometry(Skybox* sky)
{
    const float s = SKYBOX_HALF_SIZE;
    add_vertex(sky, 0,  s, -s,  s);
    add_vertex(sky, 1,  s, -s, -s);
    add_vertex(sky, 2, -s, -s, -s);
    add_vertex(sky, 3, -s, -s,  s);
    add_vertex(sky, 4,  s,  s,  s);
    add_vertex(sky, 5,  s,  s, -s);
    add_vertex(sky, 6, -s,  s, -s);
    add_vertex(sky, 7, -s,  s,  s);

    /* Modelled z-up; skybox_render turns it so the up face lies at +y. */
    static const int corners[6][4] = {
        { 2, 1, 0, 3 },   /* y = -10, rt */
        { 5, 6, 7, 4 },   /* y = +10, lf */
        { 6, 2, 3, 7 },   /* x = -10, bk */
        { 1, 5, 4, 0 },   /* x = +10, ft */
        { 0, 4, 7, 3 },   /* z = +10, up */
        { 2, 6, 5, 1 },   /* z = -10, dn */
    };
    for (int f = 0; f < 6; f++)
        add_quad(sky, f, corners[f][0], corners[f][1], corners[f][2], corners[f][3], f,
                 1.0f, 1.0f, 0.0f, 1.0f, 0.0f, 0.0f, 1.0f, 0.0f);
}

void skybox_faceName(char* out, int size, const char* name, int format, int face)
{
    /* Only three formats have an extension; any other gets none, so the
    ** face files are tried by their bare suffixed names. */
    const char* ext = format == SKYBOX_FORMAT_PCX ? ".pcx"
                    : format == SKYBOX_FORMAT_TGA ? ".tga"
                    : format == SKYBOX_FORMAT_JPG ? ".jpg" : "";
    snprintf(out, size, "%s%c%c%s", name, skyboxSuffixes[face * 2],
             skyboxSuffixes[face * 2 + 1], ext);
}

Skybox* skybox_make(const char* name, int format, int multi)
{
    if (!name)
        return nullptr;
    Skybox* sky = (Skybox*)calloc(1, sizeof(Skybox));
    if (!sky)
        return nullptr;
    skybox_geometry(sky);
    sky->multi = multi;
    for (int f = 0; f < 6; f++)
        sky->faces[f].texture = -1;

    /* a face picture that does not load takes the box and the faces loaded
    ** before it along with its error */
    try {
        if (!multi) {
            int texture = tex_load(name);
            tex_properties(texture, 3);
            for (int f = 0; f < 6; f++)
                sky->faces[f].texture = texture;
            return sky;
        }
        for (int f = 0; f < 6; f++) {
            char file[DK_MAX_PATH + 8];
            skybox_faceName(file, sizeof(file), name, format, f);
            sky->faces[f].texture = tex_load(file);
            tex_properties(sky->faces[f].texture, 3);
        }
    } catch (...) {
        skybox_free(sky);
        throw;
    }
    return sky;
}

void skybox_upload(Skybox* sky)
{
    int count = sky->multi ? 6 : 1;
    for (int f = 0; f < count; f++)
        tex_upload(sky->faces[f].texture);
}

void skybox_render(Skybox* sky, Camera* cam)
{
    glDepthMask(GL_FALSE);
    /* The box belongs to the model-view stack even when the caller has the
    ** projection selected (macroBox turns the projection per layer). */
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glTranslatef(cam->position.x, cam->position.y, cam->position.z);
    glRotatef(270.0f, 1.0f, 0.0f, 0.0f);
    if (!sky->multi)
        tex_bind(sky->faces[0].texture);
    for (int f = 0; f < 6; f++) {
        const SkyFace* face = &sky->faces[f];
        if (sky->multi)
            tex_bind(face->texture);
        glBegin(GL_QUADS);
        for (int k = 0; k < 4; k++) {
            glTexCoord2f(face->u[k], face->v[k]);
            glVertex3fv(sky->vertices[face->indices[k]]);
        }
        glEnd();
    }
    glPopMatrix();
    glDepthMask(GL_TRUE);
}

void skybox_free(Skybox* sky)
{
    if (!sky)
        return;
    int count = sky->multi ? 6 : 1;
    for (int f = 0; f < count; f++)
        tex_free(sky->faces[f].texture);
    free(sky);
}

void rect3d_init(Rect3D* rect, int texture, float width, float height)
{
    float w = width * 0.5f;
    float h = height * 0.5f;
    static const float tc[4][2] = { { 0, 0 }, { 1, 0 }, { 1, 1 }, { 0, 1 } };
    const float corners[4][3] = { { -w, h, 0 }, { w, h, 0 }, { w, -h, 0 }, { -w, -h, 0 } };
    rect->texture = texture;
    memcpy(rect->texcoords, tc, sizeof(tc));
    memcpy(rect->corners, corners, sizeof(corners));
    rect->rect[0] = -w;
    rect->rect[1] = h;
    rect->rect[2] = w;
    rect->rect[3] = -h;
}

int rect3d_load(Rect3D* rect, const char* file, int properties)
{
    int texture = tex_load(file);
    tex_properties(texture, properties);
    tex_upload(texture);
    /* The file's own size, so the picture keeps its world size whatever
    ** the texture detail shrank it to. */
    const Texture* tex = tex_array[texture];
    rect3d_init(rect, texture, (float)tex->orig_width, (float)tex->orig_height);
    return texture;
}

void rect3d_render(Rect3D* rect)
{
    tex_bind(rect->texture);
    glBegin(GL_QUADS);
    for (int k = 0; k < 4; k++) {
        glTexCoord2fv(rect->texcoords[k]);
        glVertex3fv(rect->corners[k]);
    }
    glEnd();
}

void rect2d_init(Rect2D* rect, int texture, int width, int height)
{
    float W = (float)glDriver.width;
    float H = (float)glDriver.height;
    float left = (W - width) * 0.5f, bottom = (H - height) * 0.5f;
    float right = (W + width) * 0.5f, top = (H + height) * 0.5f;
    rect->texture = texture;
    rect->rect[0] = left;
    rect->rect[1] = bottom;
    rect->rect[2] = right;
    rect->rect[3] = top;
    const float corners[4][2] = { { left, bottom }, { right, bottom }, { right, top }, { left, top } };
    static const float tc[4][2] = { { 0, 1 }, { 1, 1 }, { 1, 0 }, { 0, 0 } };
    memcpy(rect->corners, corners, sizeof(corners));
    memcpy(rect->texcoords, tc, sizeof(tc));
}

void rect2d_render(Rect2D* rect)
{
    tex_bind(rect->texture);
    glBegin(GL_QUADS);
    for (int k = 0; k < 4; k++) {
        glTexCoord2fv(rect->texcoords[k]);
        glVertex2fv(rect->corners[k]);
    }
    glEnd();
}

void AxisDrawing(void)
{
    if (!demoSystem.debug || !demoSystem.timing)
        return;
    glDisable(GL_TEXTURE_2D);
    glLineWidth(3.0f);
    glBegin(GL_LINES);
    glColor3f(1.0f, 0.0f, 0.0f); glVertex3f(0, 0, 0); glVertex3f(1, 0, 0);
    glColor3f(0.0f, 1.0f, 0.0f); glVertex3f(0, 0, 0); glVertex3f(0, 1, 0);
    glColor3f(0.0f, 0.0f, 1.0f); glVertex3f(0, 0, 0); glVertex3f(0, 0, 1);
    glEnd();
    glLineWidth(1.0f);
    glEnable(GL_TEXTURE_2D);
}

int draw_count(float value, int cap)
{
    if (!(value >= 1.0f))   /* also NaN */
        return 0;
    return value < (float)cap ? (int)value : cap;
}

void draw_beginSection(void)
{
    const Section* s = mySection;
    if (s->blend_on) {
        glEnable(GL_BLEND);
        glBlendFunc((GLenum)s->blend_src, (GLenum)s->blend_dst);
    }
    if (s->alpha_on) {
        float ref = s->alpha_ref_start;
        if (s->duration > 0.0f)
            ref += s->elapsed * (s->alpha_ref_end - s->alpha_ref_start) / s->duration;
        glEnable(GL_ALPHA_TEST);
        glAlphaFunc((GLenum)s->alpha_func, ref);
    }
}

void draw_endSection(void)
{
    if (mySection->alpha_on)
        glDisable(GL_ALPHA_TEST);
    if (mySection->blend_on)
        glDisable(GL_BLEND);
}

void draw_imageTransform(int index, float t)
{
    float c[16] = { 1, 1, 1, 0, 0, 0, 0, 0, 0 };
    dkernel_getSpline(index, t, c);
    glScalef(c[0], c[1], c[2]);
    glRotatef(c[3], 1.0f, 0.0f, 0.0f);
    glRotatef(c[4], 0.0f, 1.0f, 0.0f);
    glRotatef(c[5], 0.0f, 0.0f, 1.0f);
    glTranslatef(c[6], c[7], c[8]);
}

void prepare_object(float time, int spline)
{
    float c[16] = { 1, 1, 1, 0, 0, 0, 0, 0, 0 };
    dkernel_getSpline(spline, time, c);
    glTranslatef(c[6], c[7], c[8]);
    glRotatef(c[3], 1.0f, 0.0f, 0.0f);
    glRotatef(c[4], 0.0f, 1.0f, 0.0f);
    glRotatef(c[5], 0.0f, 0.0f, 1.0f);
    glScalef(c[0], c[1], c[2]);
}
