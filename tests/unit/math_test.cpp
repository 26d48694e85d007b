// Vector and matrix math: the row-vector rule, product order, rotations,
// the Euler table, cofactors and inverse, and the vector helpers.
#include "math3d.h"

#include <gtest/gtest.h>

#include "testutil.h"

#include <math.h>

namespace {

Vector transformed(float x, float y, float z, const float* m)
{
    Vector v = {x, y, z};
    vector_transform(&v, m);
    return v;
}

TEST(Matrix, ProductIsAffineAndAppliesTheFirstOperandFirst)
{
    float m[16], id[16], out[16];
    for (int i = 0; i < 16; i++) m[i] = (float)(i + 1);
    matrix_id(id);
    matrix_mul(m, id, out);
    m[3] = m[7] = m[11] = 0.0f;
    m[15] = 1.0f;
    expectNear(out, m);

    float rot[16], move[16], ab[16], ba[16];
    matrix_id(rot);
    matrix_zrotation(rot, 90.0f);   // (1, 0, 0) -> (0, -1, 0) under the row rule
    matrix_id(move);
    matrix_translate(move, 10.0f, 0.0f, 0.0f);
    matrix_mul(rot, move, ab);
    matrix_mul(move, rot, ba);
    Vector p = transformed(1, 0, 0, ab), q = transformed(1, 0, 0, ba);
    EXPECT_NEAR(p.x, 10.0f, 1e-5f);
    EXPECT_NEAR(p.y, -1.0f, 1e-5f);
    EXPECT_NEAR(q.x, 0.0f, 1e-4f);
    EXPECT_NEAR(q.y, -11.0f, 1e-4f);
}

TEST(Matrix, RotationsFollowTheirTables)
{
    float m[16];
    matrix_id(m);
    matrix_xrotation(m, 90.0f);
    EXPECT_FLOAT_EQ(m[6], -1.0f);
    EXPECT_FLOAT_EQ(m[9], 1.0f);
    Vector p = transformed(0, 1, 0, m);
    EXPECT_NEAR(p.y, 0.0f, 1e-6f);
    EXPECT_NEAR(p.z, -1.0f, 1e-6f);

    matrix_rotation_matrix(m, 30.0f, 45.0f, 60.0f);
    double s1 = 0.5, c1 = sqrt(3.0) / 2, s2 = sqrt(0.5), c2 = s2, s3 = c1, c3 = s1;
    float expect[16] = {
        (float)(c2 * c3), (float)(c2 * s3), (float)-s2, 0,
        (float)(s1 * s2 * c3 - c1 * s3), (float)(s1 * s2 * s3 + c1 * c3), (float)(s1 * c2), 0,
        (float)(c1 * s2 * c3 + s1 * s3), (float)(c1 * s2 * s3 - s1 * c3), (float)(c1 * c2), 0,
        0, 0, 0, 1};
    expectNear(m, expect);

    // matrix_translate adds in world terms; matrix_rotation also turns the offset
    float r[16];
    matrix_id(r);
    matrix_translate(r, 1, 2, 3);
    matrix_rotation(r, 30.0f, 45.0f, 60.0f);
    Vector t = transformed(1, 2, 3, m);
    EXPECT_NEAR(r[12], t.x, 1e-5f);
    EXPECT_NEAR(r[14], t.z, 1e-5f);
}

TEST(Matrix, CofactorsDeterminantAndInverse)
{
    float m[16] = {2, 0, 0, 0, 0, 3, 0, 0, 0, 0, 4, 0, 5, 6, 7, 1};
    EXPECT_FLOAT_EQ(matrix_determinant(m), 24.0f);
    EXPECT_FLOAT_EQ(matrix_cofactor(m, 0, 0), 12.0f);
    EXPECT_FLOAT_EQ(matrix_cofactor(m, 0, 3), -60.0f);   // odd row + col negates
    EXPECT_EQ(matrix_cofactor(m, 4, 0), 0.0f);

    float inv[16], prod[16], id[16];
    matrix_id(id);
    matrix_inverse(inv, m);
    EXPECT_FLOAT_EQ(inv[12], -2.5f);
    matrix_mul(m, inv, prod);
    expectNear(prod, id);

    float r[16], rinv[16];
    matrix_rotation_matrix(r, 10.0f, 20.0f, 30.0f);
    matrix_translate(r, -3.0f, 4.0f, 8.0f);
    matrix_inverse(rinv, r);
    matrix_mul(r, rinv, prod);
    expectNear(prod, id);
    matrix_inverse(r, r);   // in place
    expectNear(r, rinv);
}

TEST(Vector, Operations)
{
    Vector a = {1, 0, 0}, b = {3, 0, 0}, y = {0, 1, 0}, out;
    vector_sub(&a, &b, &out);   // from a to b
    EXPECT_EQ(out.x, 2.0f);
    vector_crossproduct(&a, &y, &a);   // output may alias an input
    EXPECT_EQ(a.z, 1.0f);
    EXPECT_EQ(a.x, 0.0f);

    Vector v = {3, 4, 0};
    EXPECT_FLOAT_EQ(vector_magnitude(&v), 5.0f);
    vector_normalize(&v);
    EXPECT_FLOAT_EQ(v.y, 0.8f);
    vector_div(&v, 0.5f, &out);
    EXPECT_FLOAT_EQ(out.x, 1.2f);

    Vector p = {1, 0, 0}, q = {1, 1, 0};
    EXPECT_NEAR(vector_angle(&p, &q), M_PI / 4, 1e-6);
}

}  // namespace
