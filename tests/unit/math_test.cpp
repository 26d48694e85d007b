// Vector and matrix math: the row-vector rule, product order, the inverse,
// and the vector helpers the camera and the model normals use.
#include "math3d.h"

#include <gtest/gtest.h>

#include "testutil.h"

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

TEST(Matrix, XRotationFollowsTheRowRule)
{
    float m[16];
    matrix_id(m);
    matrix_xrotation(m, 90.0f);
    Vector p = transformed(0, 1, 0, m);
    EXPECT_NEAR(p.y, 0.0f, 1e-6f);
    EXPECT_NEAR(p.z, -1.0f, 1e-6f);
}

TEST(Matrix, InverseAlsoInPlace)
{
    float m[16] = {2, 0, 0, 0, 0, 3, 0, 0, 0, 0, 4, 0, 5, 6, 7, 1};
    float inv[16], prod[16], id[16];
    matrix_id(id);
    matrix_inverse(inv, m);
    EXPECT_FLOAT_EQ(inv[12], -2.5f);
    matrix_mul(m, inv, prod);
    expectNear(prod, id);
    matrix_inverse(m, m);
    expectNear(m, inv);
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
}

}  // namespace
