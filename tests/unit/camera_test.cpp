// Camera: the GL model-view's turns, roll and pan against hand-computed
// matrices, and the axes the free camera steers by. The projection, the look-at view and the 2-D
// bracket show in every frame of the model and effect end-to-end runs.
#include "camera.h"

#include "gl_window.h"

#include <gtest/gtest.h>

#include "testutil.h"

namespace {

TEST(CameraGl, ModelViewInAnglesMode)
{
    openTestWindow();
    Camera* c = camera_init(0);
    camera_locate(c, 1, 2, 3);
    camera_angle(c, 0, 90, 0);
    camera_glmatrix(c);
    float m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    // eye = Ry(-90) (w - p): x' = -(z - 3), y' = y - 2, z' = x - 1
    float expect[16] = {0, 0, 1, 0, 0, 1, 0, 0, -1, 0, 0, 0, 3, -2, -1, 1};
    expectNear(m, expect);
    const float axes[9] = {1, 0, 0, 0, 1, 0, 0, 0, -1};   // backward, up, right
    expectNear(c->axes, axes, 9);

    camera_angle(c, 0, 0, 0);
    camera_roll(c, 90);
    camera_pan(c, 0, 0, 4);
    camera_glmatrix(c);
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    EXPECT_NEAR(m[1], -1, 1e-5f);   // roll -90 about z: world x is eye -y
    EXPECT_NEAR(m[14], -7, 1e-5f);  // pan shifts the whole view
    camera_free(c);
}

}  // namespace
