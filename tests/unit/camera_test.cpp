// Camera: defaults, the GL projection and model-view it produces (against
// hand-computed matrices), the GL-free camera matrix, the 2-D unit view
// bracket, and frustum planes read back from GL.
#include "camera.h"

#include "gl_window.h"

#include <gtest/gtest.h>

#include <math.h>

namespace {

const float EPS = 1e-5f;

void expectMatrixNear(const float* a, const float* b, float eps = EPS)
{
    for (int i = 0; i < 16; i++) EXPECT_NEAR(a[i], b[i], eps) << "element " << i;
}

void glMatrix(GLenum which, float* m)
{
    glGetFloatv(which, m);
}

class CameraGl : public testing::Test {
protected:
    void SetUp() override
    {
        openTestWindow();
        cam = camera_init(0);
    }
    void TearDown() override { camera_free(cam); }
    Camera* cam = nullptr;
};

TEST(Camera, NewCameraDefaults)
{
    Camera* c = camera_init(1);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->lookat, 1);
    EXPECT_FLOAT_EQ(c->znear, 0.1f);
    EXPECT_FLOAT_EQ(c->zfar, 100.0f);
    EXPECT_EQ(c->fov, 0.0f);
    EXPECT_EQ(c->user_data, nullptr);
    camera_locate(c, 1, 2, 3);
    camera_target(c, 4, 5, 6);
    camera_pan(c, 7, 8, 9);
    camera_angle(c, 10, 11, 12);
    camera_roll(c, 13);
    camera_fov_aspect(c, 60, 2);
    camera_zplanes(c, 0.5f, 50);
    EXPECT_EQ(c->position.z, 3.0f);
    EXPECT_EQ(c->target.x, 4.0f);
    EXPECT_EQ(c->pan.y, 8.0f);
    EXPECT_EQ(c->angles.z, 12.0f);
    EXPECT_EQ(c->roll, 13.0f);
    EXPECT_EQ(c->aspect, 2.0f);
    EXPECT_EQ(c->zfar, 50.0f);
    c->user_data = malloc(16);   // freed with the camera
    camera_free(c);
}

TEST(Camera, LookAtMatrixWithoutGl)
{
    float saved = glDriver.aspect;
    glDriver.aspect = 16.0f / 9.0f;
    Camera* c = camera_init(1);
    camera_locate(c, 0, -5, 0);
    camera_target(c, 0, 0, 0);
    camera_fov_aspect(c, 90, 1);
    camera_matrix(c);
    // right (-1,0,0), up (0,0,1), dir (0,1,0) as columns; then each row's
    // first three elements scaled by (1, -16/9, -1) since cot(45) = 1
    const float k = -16.0f / 9.0f;
    float expect[16] = {-1, 0, 0, 0,
                        0, 0, -1, 0,
                        0, k, 0, 0,
                        0, 0, -5, 1};
    expectMatrixNear(c->matrix, expect);
    float prod[16], id[16];
    matrix_mul(c->matrix, c->inverse, prod);
    matrix_id(id);
    expectMatrixNear(prod, id);
    camera_free(c);
    glDriver.aspect = saved;
}

TEST(Camera, AnglesMatrixWithoutGl)
{
    float saved = glDriver.aspect;
    glDriver.aspect = 1.0f;
    Camera* c = camera_init(0);
    camera_locate(c, 1, 0, 0);
    camera_angle(c, 0, 0, 90);
    camera_fov_aspect(c, 90, 1);
    camera_matrix(c);
    // translate by (-1,0,0), then z rotation: rows (0,-1,0), (1,0,0), (0,0,1),
    // translation (0,1,0); scaled by (1, -1, -1)
    float expect[16] = {0, 1, 0, 0,
                        1, 0, 0, 0,
                        0, 0, -1, 0,
                        0, -1, 0, 1};
    expectMatrixNear(c->matrix, expect);
    const float axes[9] = {0, 0, 1, -1, 0, 0, 0, 1, 0};
    for (int i = 0; i < 9; i++) EXPECT_NEAR(c->axes[i], axes[i], EPS) << i;
    camera_free(c);
    glDriver.aspect = saved;
}

TEST_F(CameraGl, ProjectionIsThePerspectiveAndStaysSelected)
{
    camera_fov_aspect(cam, 90, 2);
    camera_zplanes(cam, 1, 11);
    camera_glprojection(cam);
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_PROJECTION);
    float p[16];
    glMatrix(GL_PROJECTION_MATRIX, p);
    float expect[16] = {0.5f, 0, 0, 0,
                        0, 1, 0, 0,
                        0, 0, -12.0f / 10.0f, -1,
                        0, 0, -22.0f / 10.0f, 0};
    expectMatrixNear(p, expect);
}

TEST_F(CameraGl, AnglesModeModelViewAndAxes)
{
    camera_locate(cam, 1, 2, 3);
    camera_angle(cam, 0, 90, 0);
    camera_glmatrix(cam);
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
    float m[16];
    glMatrix(GL_MODELVIEW_MATRIX, m);
    // eye = Ry(-90) (w - p): x' = -(z - 3), y' = y - 2, z' = x - 1
    float expect[16] = {0, 0, 1, 0,
                        0, 1, 0, 0,
                        -1, 0, 0, 0,
                        3, -2, -1, 1};
    expectMatrixNear(m, expect);
    // backward +x, up +y, right -z in world terms
    const float axes[9] = {1, 0, 0, 0, 1, 0, 0, 0, -1};
    for (int i = 0; i < 9; i++) EXPECT_NEAR(cam->axes[i], axes[i], EPS) << i;

    // pan moves the whole view, before the rotation
    camera_angle(cam, 0, 0, 0);
    camera_pan(cam, 0, 0, 4);
    camera_roll(cam, 0);
    camera_glmatrix(cam);
    glMatrix(GL_MODELVIEW_MATRIX, m);
    EXPECT_NEAR(m[12], -1, EPS);
    EXPECT_NEAR(m[13], -2, EPS);
    EXPECT_NEAR(m[14], -7, EPS);
}

TEST_F(CameraGl, RollTurnsAboutTheViewingAxis)
{
    camera_roll(cam, 90);
    camera_glmatrix(cam);
    float m[16];
    glMatrix(GL_MODELVIEW_MATRIX, m);
    // rotate by -90 about z: world x becomes eye -y
    EXPECT_NEAR(m[0], 0, EPS);
    EXPECT_NEAR(m[1], -1, EPS);
    EXPECT_NEAR(m[4], 1, EPS);
}

TEST_F(CameraGl, LookAtPanShiftsWithoutTurning)
{
    Camera* c = camera_init(1);
    camera_locate(c, 0, 0, 5);
    camera_target(c, 0, 0, 0);
    camera_glmatrix(c);
    float plain[16], panned[16];
    glMatrix(GL_MODELVIEW_MATRIX, plain);
    float expect[16];
    matrix_id(expect);
    expect[14] = -5;
    expectMatrixNear(plain, expect);

    camera_pan(c, 5, 0, 0);
    camera_glmatrix(c);
    glMatrix(GL_MODELVIEW_MATRIX, panned);
    expect[12] = -5;
    expectMatrixNear(panned, expect);

    // angles turn the view after the look-at, in eye space
    camera_pan(c, 0, 0, 0);
    camera_angle(c, 0, 90, 0);
    camera_glmatrix(c);
    glMatrix(GL_MODELVIEW_MATRIX, panned);
    EXPECT_NEAR(panned[12], 5, EPS);   // Ry(-90) applied to the eye-space (0, 0, -5)
    EXPECT_NEAR(panned[14], 0, EPS);
    camera_free(c);
}

TEST_F(CameraGl, Set2dIsAUnitOrthoAndRestorePopsBoth)
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glTranslatef(3, 0, 0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(0, 7, 0);
    GLint depthP = 0, depthM = 0;
    glGetIntegerv(GL_PROJECTION_STACK_DEPTH, &depthP);
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depthM);

    camera_set2d();
    float p[16], m[16], id[16];
    matrix_id(id);
    glMatrix(GL_PROJECTION_MATRIX, p);
    glMatrix(GL_MODELVIEW_MATRIX, m);
    float ortho[16] = {2, 0, 0, 0, 0, 2, 0, 0, 0, 0, -1, 0, -1, -1, 0, 1};
    expectMatrixNear(p, ortho);
    expectMatrixNear(m, id);
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);

    camera_restore();
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
    glMatrix(GL_PROJECTION_MATRIX, p);
    glMatrix(GL_MODELVIEW_MATRIX, m);
    EXPECT_FLOAT_EQ(p[12], 3);
    EXPECT_FLOAT_EQ(m[13], 7);
    GLint afterP = 0, afterM = 0;
    glGetIntegerv(GL_PROJECTION_STACK_DEPTH, &afterP);
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &afterM);
    EXPECT_EQ(afterP, depthP);
    EXPECT_EQ(afterM, depthM);
    glLoadIdentity();
}

TEST_F(CameraGl, FrustumPlanesFromThePerspective)
{
    camera_fov_aspect(cam, 90, 1);
    camera_zplanes(cam, 1, 100);
    camera_glprojection(cam);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    CalculateFrustum();
    const float r = 1.0f / sqrtf(2.0f);
    // right: x = -z, inside is x < -z
    EXPECT_NEAR(m_Frustum[0][0], -r, EPS);
    EXPECT_NEAR(m_Frustum[0][2], -r, EPS);
    EXPECT_NEAR(m_Frustum[0][3], 0, EPS);
    EXPECT_NEAR(m_Frustum[1][0], r, EPS);    // left
    EXPECT_NEAR(m_Frustum[2][1], r, EPS);    // bottom
    EXPECT_NEAR(m_Frustum[3][1], -r, EPS);   // top
    // far and near: signed distances along the view axis
    EXPECT_NEAR(m_Frustum[4][2] * -50 + m_Frustum[4][3], 50, 1e-3);
    EXPECT_NEAR(m_Frustum[5][2] * -3 + m_Frustum[5][3], 2, 1e-4);

    // moving the camera moves the planes: near plane now at z = -9 in world
    camera_locate(cam, 0, 0, -8);
    camera_glmatrix(cam);
    CalculateFrustum();
    EXPECT_NEAR(m_Frustum[5][2] * -9 + m_Frustum[5][3], 0, 1e-4);
}

}  // namespace
