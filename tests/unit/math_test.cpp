// Vector and matrix math: the turn about x under the row-vector rule.  The
// look-at view (difference, normalising, cross product), the inverse and
// translate-then-turn are Camera.MatrixWithoutGl's; normals of the lit
// models show in the end-to-end model runs.
#include "math3d.h"

#include <gtest/gtest.h>

namespace {

TEST(Matrix, XRotationFollowsTheRowRule)
{
    float m[16];
    matrix_id(m);
    matrix_xrotation(m, 90.0f);
    Vector p = {0, 1, 0};
    vector_transform(&p, m);
    EXPECT_NEAR(p.y, 0.0f, 1e-6f);
    EXPECT_NEAR(p.z, -1.0f, 1e-6f);
}

}  // namespace
