// Vector and matrix math: row-vector convention, rotations, products,
// cofactors and inverse, and frustum planes from a known GL-free product.
#include "math3d.h"

#include <gtest/gtest.h>

#include <math.h>

namespace {

const float EPS = 1e-5f;

void expectMatrixNear(const float* a, const float* b, float eps = EPS)
{
    for (int i = 0; i < 16; i++) EXPECT_NEAR(a[i], b[i], eps) << "element " << i;
}

Vector vec(float x, float y, float z)
{
    Vector v = {x, y, z};
    return v;
}

TEST(Matrix, ProductWithIdentityForcesTheAffineColumn)
{
    float m[16], id[16], out[16];
    for (int i = 0; i < 16; i++) m[i] = (float)(i + 1);
    matrix_id(id);
    matrix_mul(m, id, out);
    float expect[16];
    matrix_cpy(expect, m);
    expect[3] = expect[7] = expect[11] = 0.0f;
    expect[15] = 1.0f;
    expectMatrixNear(out, expect);
}

TEST(Matrix, ProductAppliesFirstOperandFirst)
{
    // a: rotate 90 degrees about z; b: translate by (10, 0, 0)
    float a[16], b[16], ab[16], ba[16];
    matrix_id(a);
    matrix_zrotation(a, 90.0f);
    matrix_id(b);
    matrix_translate(b, 10.0f, 0.0f, 0.0f);
    matrix_mul(a, b, ab);
    matrix_mul(b, a, ba);

    Vector p = vec(1.0f, 0.0f, 0.0f);
    vector_transform(&p, ab);   // rotate (1,0,0) -> (0,-1,0) under r[1] = -sin, then move
    EXPECT_NEAR(p.x, 10.0f, EPS);
    EXPECT_NEAR(p.y, -1.0f, EPS);

    Vector q = vec(1.0f, 0.0f, 0.0f);
    vector_transform(&q, ba);   // move to (11,0,0), then rotate
    EXPECT_NEAR(q.x, 0.0f, 1e-4f);
    EXPECT_NEAR(q.y, -11.0f, 1e-4f);
}

TEST(Matrix, AxisRotationsFollowTheRowRule)
{
    float m[16];
    matrix_id(m);
    matrix_xrotation(m, 90.0f);
    EXPECT_NEAR(m[5], 0.0f, EPS);
    EXPECT_FLOAT_EQ(m[6], -1.0f);
    EXPECT_FLOAT_EQ(m[9], 1.0f);
    EXPECT_NEAR(m[10], 0.0f, EPS);
    Vector p = vec(0.0f, 1.0f, 0.0f);
    vector_transform(&p, m);
    EXPECT_NEAR(p.x, 0.0f, EPS);
    EXPECT_NEAR(p.y, 0.0f, EPS);
    EXPECT_NEAR(p.z, -1.0f, EPS);

    matrix_id(m);
    matrix_yrotation(m, 30.0f);
    EXPECT_NEAR(m[0], cosf(M_PI / 6), EPS);
    EXPECT_NEAR(m[2], 0.5f, EPS);
    EXPECT_NEAR(m[8], -0.5f, EPS);

    // rotations accumulate: 4 x 90 about z is the identity again
    float id[16];
    matrix_id(id);
    matrix_id(m);
    for (int i = 0; i < 4; i++) matrix_zrotation(m, 90.0f);
    expectMatrixNear(m, id);
}

TEST(Matrix, EulerRotationMatchesItsTable)
{
    float m[16], r[16];
    matrix_rotation_matrix(m, 30.0f, 45.0f, 60.0f);
    double s1 = 0.5, c1 = sqrt(3.0) / 2, s2 = sqrt(0.5), c2 = sqrt(0.5), s3 = sqrt(3.0) / 2, c3 = 0.5;
    float expect[16] = {
        (float)(c2 * c3), (float)(c2 * s3), (float)-s2, 0,
        (float)(s1 * s2 * c3 - c1 * s3), (float)(s1 * s2 * s3 + c1 * c3), (float)(s1 * c2), 0,
        (float)(c1 * s2 * c3 + s1 * s3), (float)(c1 * s2 * s3 - s1 * c3), (float)(c1 * c2), 0,
        0, 0, 0, 1};
    expectMatrixNear(m, expect);

    matrix_id(r);
    matrix_translate(r, 1.0f, 2.0f, 3.0f);
    matrix_rotation(r, 30.0f, 45.0f, 60.0f);   // translation is rotated too
    Vector t = vec(1.0f, 2.0f, 3.0f);
    vector_transform(&t, m);
    EXPECT_NEAR(r[12], t.x, EPS);
    EXPECT_NEAR(r[13], t.y, EPS);
    EXPECT_NEAR(r[14], t.z, EPS);
}

TEST(Matrix, TranslateAddsInWorldTermsAndScaleScalesRows)
{
    float m[16];
    matrix_id(m);
    matrix_zrotation(m, 90.0f);
    matrix_translate(m, 1.0f, 2.0f, 3.0f);
    EXPECT_FLOAT_EQ(m[12], 1.0f);
    EXPECT_FLOAT_EQ(m[13], 2.0f);
    EXPECT_FLOAT_EQ(m[14], 3.0f);

    float s[16];
    for (int i = 0; i < 16; i++) s[i] = 1.0f;
    matrix_scale(s, 2.0f, 3.0f, 4.0f);
    float expect[16] = {2, 2, 2, 1, 3, 3, 3, 1, 4, 4, 4, 1, 1, 1, 1, 1};
    expectMatrixNear(s, expect);

    float t[16], tt[16];
    float src[16];
    for (int i = 0; i < 16; i++) src[i] = (float)i;
    matrix_transpose(t, src);
    EXPECT_EQ(t[1], 4.0f);
    EXPECT_EQ(t[4], 1.0f);
    matrix_transpose(tt, t);
    expectMatrixNear(tt, src, 0.0f);
}

TEST(Matrix, CofactorsDeterminantAndInverse)
{
    float m[16] = {2, 0, 0, 0, 0, 3, 0, 0, 0, 0, 4, 0, 5, 6, 7, 1};
    EXPECT_FLOAT_EQ(matrix_determinant(m), 24.0f);
    EXPECT_FLOAT_EQ(matrix_cofactor(m, 0, 0), 12.0f);
    EXPECT_FLOAT_EQ(matrix_cofactor(m, 1, 0), 0.0f);
    EXPECT_FLOAT_EQ(matrix_cofactor(m, 0, 3), -60.0f);   // odd row + col negates
    EXPECT_EQ(matrix_cofactor(m, 4, 0), 0.0f);
    EXPECT_EQ(matrix_cofactor(m, 0, -1), 0.0f);

    float inv[16], prod[16], id[16];
    matrix_inverse(inv, m);
    matrix_mul(m, inv, prod);
    matrix_id(id);
    expectMatrixNear(prod, id);
    EXPECT_FLOAT_EQ(inv[0], 0.5f);
    EXPECT_FLOAT_EQ(inv[12], -2.5f);

    // a general rotation and translation
    float r[16], rinv[16];
    matrix_rotation_matrix(r, 10.0f, 20.0f, 30.0f);
    matrix_translate(r, -3.0f, 4.0f, 8.0f);
    matrix_inverse(rinv, r);
    matrix_mul(r, rinv, prod);
    expectMatrixNear(prod, id);

    // in place works too
    matrix_inverse(r, r);
    expectMatrixNear(r, rinv);

    float singular[16] = {0};
    matrix_inverse(inv, singular);
    EXPECT_FALSE(std::isfinite(inv[0]));
}

TEST(Vector, BasicOperations)
{
    Vector a = vec(1, 0, 0), b = vec(3, 0, 0), out;
    vector_sub(&a, &b, &out);
    EXPECT_EQ(out.x, 2.0f);
    vector_add(&a, &b, &out);
    EXPECT_EQ(out.x, 4.0f);

    Vector x = vec(1, 0, 0), y = vec(0, 1, 0);
    vector_crossproduct(&x, &y, &out);
    EXPECT_EQ(out.x, 0.0f);
    EXPECT_EQ(out.y, 0.0f);
    EXPECT_EQ(out.z, 1.0f);
    vector_crossproduct(&x, &y, &x);   // output may alias an input
    EXPECT_EQ(x.z, 1.0f);

    Vector v = vec(3, 4, 0);
    EXPECT_FLOAT_EQ(vector_magnitude(&v), 5.0f);
    vector_normalize(&v);
    EXPECT_FLOAT_EQ(v.x, 0.6f);
    EXPECT_FLOAT_EQ(v.y, 0.8f);
    EXPECT_FLOAT_EQ(vector_dotproduct(&v, &v), 1.0f);

    vector_scale(&v, 10.0f, &out);
    EXPECT_FLOAT_EQ(out.y, 8.0f);
    vector_div(&out, 4.0f, &out);
    EXPECT_FLOAT_EQ(out.y, 2.0f);

    Vector p = vec(1, 0, 0), q = vec(1, 1, 0);
    EXPECT_NEAR(vector_angle(&p, &q), M_PI / 4, 1e-6);

    Vector zero = vec(0, 0, 0);
    vector_normalize(&zero);
    EXPECT_FALSE(std::isfinite(zero.x));
}

TEST(Frustum, NormalizePlaneMakesUnitNormals)
{
    float f[6][4] = {{0, 3, 4, 10}};
    NormalizePlane(f, 0);
    EXPECT_FLOAT_EQ(f[0][1], 0.6f);
    EXPECT_FLOAT_EQ(f[0][2], 0.8f);
    EXPECT_FLOAT_EQ(f[0][3], 2.0f);
}

}  // namespace
