/*
** math3d.cpp -- vectors, 4x4 matrices in OpenGL memory order and the
** frustum planes.  Points are row vectors: p' = p * m, so a product
** matrix_mul(a, b) applies a first, then b.  Nothing here allocates or
** checks for degenerate input (a zero vector or singular matrix gives
** non-finite values, as callers expect from plain float math).
*/
#include "math3d.h"

#include <GL/gl.h>
#include <math.h>
#include <string.h>

float m_Frustum[6][4];

static const double DEG_TO_RAD = 0.017453292519943295;

/* sin and cos of an angle in degrees, computed in double and stored as float */
static void sinCos(float angle, float* s, float* c)
{
    double r = angle * DEG_TO_RAD;
    *s = (float)sin(r);
    *c = (float)cos(r);
}

void matrix_id(float* m)
{
    memset(m, 0, 16 * sizeof(float));
    m[0] = m[5] = m[10] = m[15] = 1.0f;
}

void matrix_cpy(float* dst, const float* src)
{
    memcpy(dst, src, 16 * sizeof(float));
}

void matrix_mul(const float* a, const float* b, float* out)
{
    for (int r = 0; r < 3; r++)
        for (int c = 0; c < 3; c++)
            out[4 * r + c] = a[4 * r] * b[c] + a[4 * r + 1] * b[4 + c] + a[4 * r + 2] * b[8 + c];
    for (int c = 0; c < 3; c++)
        out[12 + c] = a[12] * b[c] + a[13] * b[4 + c] + a[14] * b[8 + c] + b[12 + c];
    out[3] = out[7] = out[11] = 0.0f;
    out[15] = 1.0f;
}

/* m = m * r, through a copy because matrix_mul cannot work in place */
static void mulInPlace(float* m, const float* r)
{
    float copy[16];
    matrix_cpy(copy, m);
    matrix_mul(copy, r, m);
}

/* The three axis rotations differ only in the plane they turn, spanned by
** axes a and b; a's row gets -s at b, which fixes the turning sense. */
static void planeRotation(float* m, float angle, int a, int b)
{
    float s, c, r[16];
    sinCos(angle, &s, &c);
    matrix_id(r);
    r[5 * a] = c;
    r[4 * a + b] = -s;
    r[4 * b + a] = s;
    r[5 * b] = c;
    mulInPlace(m, r);
}

void matrix_xrotation(float* m, float angle)
{
    planeRotation(m, angle, 1, 2);
}

void matrix_yrotation(float* m, float angle)
{
    planeRotation(m, angle, 2, 0);
}

void matrix_zrotation(float* m, float angle)
{
    planeRotation(m, angle, 0, 1);
}

void matrix_rotation_matrix(float* m, float ax, float ay, float az)
{
    float s1, c1, s2, c2, s3, c3;
    sinCos(ax, &s1, &c1);
    sinCos(ay, &s2, &c2);
    sinCos(az, &s3, &c3);
    m[0] = c2 * c3;
    m[1] = c2 * s3;
    m[2] = -s2;
    m[3] = 0.0f;
    m[4] = s1 * s2 * c3 - c1 * s3;
    m[5] = s1 * s2 * s3 + c1 * c3;
    m[6] = s1 * c2;
    m[7] = 0.0f;
    m[8] = c1 * s2 * c3 + s1 * s3;
    m[9] = c1 * s2 * s3 - s1 * c3;
    m[10] = c1 * c2;
    m[11] = 0.0f;
    m[12] = m[13] = m[14] = 0.0f;
    m[15] = 1.0f;
}

void matrix_rotation(float* m, float ax, float ay, float az)
{
    float r[16];
    matrix_rotation_matrix(r, ax, ay, az);
    mulInPlace(m, r);
}

void matrix_translate(float* m, float x, float y, float z)
{
    m[12] += x;
    m[13] += y;
    m[14] += z;
}

void matrix_scale(float* m, float x, float y, float z)
{
    for (int i = 0; i < 3; i++) {
        m[i] *= x;
        m[4 + i] *= y;
        m[8 + i] *= z;
    }
}

void matrix_transpose(float* dst, const float* src)
{
    for (int i = 0; i < 4; i++)
        for (int j = 0; j < 4; j++)
            dst[4 * i + j] = src[4 * j + i];
}

float matrix_cofactor(const float* m, int row, int col)
{
    /* Out-of-range indices select row/column 0 three times: a minor with
    ** equal rows, whose determinant is 0. */
    int rows[3] = {0, 0, 0}, cols[3] = {0, 0, 0};
    if (row >= 0 && row <= 3 && col >= 0 && col <= 3) {
        for (int i = 0, n = 0; i < 4; i++)
            if (i != row) rows[n++] = i;
        for (int i = 0, n = 0; i < 4; i++)
            if (i != col) cols[n++] = i;
    }
#define E(r, c) m[4 * rows[r] + cols[c]]
    float det = E(0, 0) * (E(1, 1) * E(2, 2) - E(1, 2) * E(2, 1))
              - E(0, 1) * (E(1, 0) * E(2, 2) - E(1, 2) * E(2, 0))
              + E(0, 2) * (E(1, 0) * E(2, 1) - E(1, 1) * E(2, 0));
#undef E
    return ((row + col) & 1) ? -det : det;
}

float matrix_determinant(const float* m)
{
    return m[0] * matrix_cofactor(m, 0, 0) + m[1] * matrix_cofactor(m, 0, 1)
         + m[2] * matrix_cofactor(m, 0, 2) + m[3] * matrix_cofactor(m, 0, 3);
}

void matrix_inverse(float* dst, const float* src)
{
    float d = 1.0f / matrix_determinant(src);
    float out[16];   /* dst may alias src */
    for (int i = 0; i < 4; i++)
        for (int j = 0; j < 4; j++)
            out[4 * i + j] = matrix_cofactor(src, j, i) * d;
    matrix_cpy(dst, out);
}

float vector_magnitude(const Vector* v)
{
    return sqrtf(v->x * v->x + v->y * v->y + v->z * v->z);
}

void vector_normalize(Vector* v)
{
    float k = 1.0f / vector_magnitude(v);
    v->x *= k;
    v->y *= k;
    v->z *= k;
}

float vector_dotproduct(const Vector* a, const Vector* b)
{
    return a->x * b->x + a->y * b->y + a->z * b->z;
}

void vector_crossproduct(const Vector* a, const Vector* b, Vector* out)
{
    Vector r;
    r.x = a->y * b->z - a->z * b->y;
    r.y = a->z * b->x - a->x * b->z;
    r.z = a->x * b->y - a->y * b->x;
    *out = r;
}

void vector_add(const Vector* a, const Vector* b, Vector* out)
{
    out->x = a->x + b->x;
    out->y = a->y + b->y;
    out->z = a->z + b->z;
}

void vector_sub(const Vector* a, const Vector* b, Vector* out)
{
    out->x = b->x - a->x;
    out->y = b->y - a->y;
    out->z = b->z - a->z;
}

void vector_scale(const Vector* a, float s, Vector* out)
{
    out->x = a->x * s;
    out->y = a->y * s;
    out->z = a->z * s;
}

void vector_div(const Vector* a, float s, Vector* out)
{
    vector_scale(a, 1.0f / s, out);
}

float vector_angle(const Vector* a, const Vector* b)
{
    return acosf(vector_dotproduct(a, b) / (vector_magnitude(a) * vector_magnitude(b)));
}

void vector_transform(Vector* v, const float* m)
{
    Vector r;
    r.x = v->x * m[0] + v->y * m[4] + v->z * m[8] + m[12];
    r.y = v->x * m[1] + v->y * m[5] + v->z * m[9] + m[13];
    r.z = v->x * m[2] + v->y * m[6] + v->z * m[10] + m[14];
    *v = r;
}

void NormalizePlane(float frustum[6][4], int i)
{
    float* p = frustum[i];
    float len = sqrtf(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]);
    p[0] /= len;
    p[1] /= len;
    p[2] /= len;
    p[3] /= len;
}

void CalculateFrustum(void)
{
    float p[16], m[16], clip[16];
    glGetFloatv(GL_PROJECTION_MATRIX, p);
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    for (int r = 0; r < 4; r++)
        for (int c = 0; c < 4; c++)
            clip[4 * r + c] = m[4 * r] * p[c] + m[4 * r + 1] * p[4 + c]
                            + m[4 * r + 2] * p[8 + c] + m[4 * r + 3] * p[12 + c];

    /* plane = column 3 + sign * column k, in the order right, left, bottom,
    ** top, far, near */
    static const int   column[6] = {0, 0, 1, 1, 2, 2};
    static const float sign[6] = {-1.0f, 1.0f, 1.0f, -1.0f, -1.0f, 1.0f};
    for (int i = 0; i < 6; i++) {
        int k = column[i];
        for (int e = 0; e < 4; e++)
            m_Frustum[i][e] = clip[4 * e + 3] + sign[i] * clip[4 * e + k];
        NormalizePlane(m_Frustum, i);
    }
}
