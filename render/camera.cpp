/*
** camera.cpp -- camera records, the GL projection and model-view they
** produce, the GL-free camera matrix and the 2-D unit view.
*/
#include "camera.h"

#include "gldrv.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <math.h>
#include <stdlib.h>

Camera* camera_init(int lookat)
{
    Camera* cam = (Camera*)calloc(1, sizeof(Camera));
    if (!cam) return NULL;
    cam->lookat = (unsigned char)lookat;
    cam->znear = 0.1f;
    cam->zfar = 100.0f;
    return cam;
}

static void setVector(Vector* v, float x, float y, float z)
{
    v->x = x;
    v->y = y;
    v->z = z;
}

void camera_locate(Camera* cam, float x, float y, float z) { setVector(&cam->position, x, y, z); }
void camera_target(Camera* cam, float x, float y, float z) { setVector(&cam->target, x, y, z); }
void camera_roll(Camera* cam, float r) { cam->roll = r; }
void camera_pan(Camera* cam, float x, float y, float z) { setVector(&cam->pan, x, y, z); }
void camera_angle(Camera* cam, float x, float y, float z) { setVector(&cam->angles, x, y, z); }

void camera_fov_aspect(Camera* cam, float fov, float aspect)
{
    cam->fov = fov;
    cam->aspect = aspect;
}

void camera_zplanes(Camera* cam, float znear, float zfar)
{
    cam->znear = znear;
    cam->zfar = zfar;
}

void camera_free(Camera* cam)
{
    if (!cam) return;
    free(cam->user_data);
    free(cam);
}

/* axes rows: backward (column 2), up (column 1), right (column 0) */
static void storeAxes(Camera* cam, const float* m)
{
    float* a = cam->axes;
    a[0] = m[2]; a[1] = m[6]; a[2] = m[10];
    a[3] = m[1]; a[4] = m[5]; a[5] = m[9];
    a[6] = m[0]; a[7] = m[4]; a[8] = m[8];
}

void camera_glprojection(Camera* cam)
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(cam->fov, cam->aspect, cam->znear, cam->zfar);
}

static void rotateAngles(const Camera* cam)
{
    if (cam->roll != 0.0f) glRotatef(-cam->roll, 0.0f, 0.0f, 1.0f);
    glRotatef(-cam->angles.x, 1.0f, 0.0f, 0.0f);
    glRotatef(-cam->angles.z, 0.0f, 0.0f, 1.0f);
    glRotatef(-cam->angles.y, 0.0f, 1.0f, 0.0f);
}

void camera_glmatrix(Camera* cam)
{
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    if (cam->lookat) {
        rotateAngles(cam);
        gluLookAt(cam->position.x + cam->pan.x, cam->position.y + cam->pan.y,
                  cam->position.z + cam->pan.z,
                  cam->target.x + cam->pan.x, cam->target.y + cam->pan.y,
                  cam->target.z + cam->pan.z,
                  0.0, 1.0, 0.0);
    } else {
        glTranslatef(-cam->pan.x, -cam->pan.y, -cam->pan.z);
        rotateAngles(cam);
        glTranslatef(-cam->position.x, -cam->position.y, -cam->position.z);
    }
    float m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    storeAxes(cam, m);
}

void camera_set2d(void)
{
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0.0, 1.0, 0.0, 1.0, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
}

void camera_restore(void)
{
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
}

void camera_matrix_lookeye(Camera* cam)
{
    Vector dir, up = {0.0f, 0.0f, 1.0f}, right, proj;
    vector_sub(&cam->position, &cam->target, &dir);   /* target - position */
    vector_normalize(&dir);
    vector_scale(&dir, vector_dotproduct(&up, &dir), &proj);
    up.x -= proj.x;
    up.y -= proj.y;
    up.z -= proj.z;
    vector_normalize(&up);
    vector_crossproduct(&up, &dir, &right);
    vector_normalize(&right);

    float* m = cam->matrix;
    const Vector* columns[3] = {&right, &up, &dir};
    for (int c = 0; c < 3; c++) {
        m[c] = columns[c]->x;
        m[4 + c] = columns[c]->y;
        m[8 + c] = columns[c]->z;
        m[12 + c] = -vector_dotproduct(&cam->position, columns[c]);
    }
    m[3] = m[7] = m[11] = 0.0f;
    m[15] = 1.0f;
    if (cam->roll != 0.0f) matrix_zrotation(m, cam->roll);
}

void camera_matrix_angles(Camera* cam)
{
    float* m = cam->matrix;
    matrix_id(m);
    matrix_translate(m, -cam->position.x, -cam->position.y, -cam->position.z);
    matrix_zrotation(m, cam->angles.z);
    if (cam->angles.y != 0.0f) matrix_yrotation(m, cam->angles.y);
    matrix_xrotation(m, cam->angles.x + cam->roll);

    float r[16];
    matrix_id(r);
    matrix_zrotation(r, cam->angles.z);
    matrix_xrotation(r, cam->angles.x);
    storeAxes(cam, r);
}

void camera_matrix(Camera* cam)
{
    if (cam->lookat)
        camera_matrix_lookeye(cam);
    else
        camera_matrix_angles(cam);

    /* f is the cotangent of half the field of view */
    float f = (float)tan((cam->fov * -0.5f + 90.0f) * M_PI / 180.0);
    float scale[3] = {f, -cam->aspect * f * glDriver.aspect, -1.0f};
    for (int r = 0; r < 4; r++)
        for (int c = 0; c < 3; c++)
            cam->matrix[4 * r + c] *= scale[c];
    matrix_inverse(cam->inverse, cam->matrix);
}
