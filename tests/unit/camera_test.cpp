// Camera: the GL projection and model-view against hand-computed matrices;
// frustum planes. The look-at view and the
// 2-D bracket show in every frame of the model and effect end-to-end runs.
#include "camera.h"

#include "gl_window.h"

#include <gtest/gtest.h>

#include "testutil.h"

#include <math.h>

namespace {

class CameraGl : public testing::Test {
protected:
    void SetUp() override { openTestWindow(); }
    static void modelView(float* m) { glGetFloatv(GL_MODELVIEW_MATRIX, m); }
};

TEST_F(CameraGl, ModelViewInAnglesMode)
{
    Camera* c = camera_init(0);
    camera_locate(c, 1, 2, 3);
    camera_angle(c, 0, 90, 0);
    camera_glmatrix(c);
    float m[16];
    modelView(m);
    // eye = Ry(-90) (w - p): x' = -(z - 3), y' = y - 2, z' = x - 1
    float expect[16] = {0, 0, 1, 0, 0, 1, 0, 0, -1, 0, 0, 0, 3, -2, -1, 1};
    expectNear(m, expect);
    const float axes[9] = {1, 0, 0, 0, 1, 0, 0, 0, -1};   // backward, up, right
    expectNear(c->axes, axes, 9);

    camera_angle(c, 0, 0, 0);
    camera_roll(c, 90);
    camera_pan(c, 0, 0, 4);
    camera_glmatrix(c);
    modelView(m);
    EXPECT_NEAR(m[1], -1, 1e-5f);   // roll -90 about z: world x is eye -y
    EXPECT_NEAR(m[14], -7, 1e-5f);  // pan shifts the whole view
    camera_free(c);
}

TEST_F(CameraGl, ProjectionAndFrustumPlanes)
{
    Camera* c = camera_init(0);
    camera_fov_aspect(c, 90, 1);
    camera_zplanes(c, 1, 100);
    camera_glprojection(c);
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_PROJECTION);
    float p[16];
    glGetFloatv(GL_PROJECTION_MATRIX, p);
    EXPECT_NEAR(p[10], -101.0f / 99.0f, 1e-5f);
    EXPECT_NEAR(p[14], -200.0f / 99.0f, 1e-5f);

    camera_glmatrix(c);
    CalculateFrustum();
    const float r = 1.0f / sqrtf(2.0f);
    EXPECT_NEAR(m_Frustum[0][0], -r, 1e-5f);   // right: inside where x < -z
    EXPECT_NEAR(m_Frustum[0][2], -r, 1e-5f);
    EXPECT_NEAR(m_Frustum[1][0], r, 1e-5f);    // left
    EXPECT_NEAR(m_Frustum[3][1], -r, 1e-5f);   // top
    EXPECT_NEAR(m_Frustum[4][2] * -50 + m_Frustum[4][3], 50, 1e-3);   // far
    camera_locate(c, 0, 0, -8);   // the near plane moves to z = -9
    camera_glmatrix(c);
    CalculateFrustum();
    EXPECT_NEAR(m_Frustum[5][2] * -9 + m_Frustum[5][3], 0, 1e-4);
    camera_free(c);
}

}  // namespace
