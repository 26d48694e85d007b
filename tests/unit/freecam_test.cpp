/*
** freecam_test.cpp -- the free camera's arithmetic on a camera record with
** a fake frame time: inertia, mouse turning, keys and the printed key row;
** and the GL model-view its turns and roll give, with the axes it
** steers by.  The projection and the plain look-at view show in every frame
** of the model and effect end-to-end runs.
*/
#include <gtest/gtest.h>

#include <SDL/SDL.h>
#include <string>

#include "camera.h"
#include "dkernel.h"
#include "gl_window.h"
#include "testutil.h"

namespace {

const float kDt = 0.02f;   /* 50 frames per second */

class FreeCamera : public ::testing::Test {
protected:
    Camera* camera = camera_init(1);

    void SetUp() override
    {
        for (int& k : demoSystem.keys) k = 0;
        demoSystem.debug = 1;
        camera_locate(camera, 1, 2, 3);
        camera_target(camera, 1, 2, -97);
        camera_fov_aspect(camera, 90, 1.333f);
        camera_zplanes(camera, 0.1f, 500);
        /* an unturned view: backward +z, up +y, right +x */
        const float axes[9] = { 0, 0, 1, 0, 1, 0, 1, 0, 0 };
        for (int i = 0; i < 9; i++) camera->axes[i] = axes[i];
    }
    void TearDown() override { camera_free(camera); }

    /* one frame; how far it moved forward (along -z) */
    float frame()
    {
        float z = camera->position.z;
        freecam_step(camera, kDt, 0, 0, 0);
        EXPECT_FLOAT_EQ(camera->target.z - camera->position.z, -100.0f) << "target moves along";
        return z - camera->position.z;
    }
};

TEST_F(FreeCamera, HeldKeyReachesTheSpeedClampAndFrictionStopsIt)
{
    demoSystem.keys[SDLK_h] = 1;
    EXPECT_NEAR(frame(), 1.0f * kDt, 1e-5);   /* +1 this frame, friction after moving */
    int frames = 1;
    while (frame() < 15.0f * kDt - 1e-5f && frames < 100) frames++;
    EXPECT_LT(frames, 50) << "clamped within one second";
    EXPECT_NEAR(frame(), 15.0f * kDt, 1e-5) << "and held there";

    demoSystem.keys[SDLK_h] = 0;
    int coasting = 0;
    while (frame() > 0.0f && coasting < 200) coasting++;
    EXPECT_GE(coasting, 35);   /* 0.4 off 15 per frame: about 0.75 s */
    EXPECT_LE(coasting, 40);
}

TEST_F(FreeCamera, MouseTurnsBySixteenthsOfADegreeWithPitchClamped)
{
    freecam_step(camera, kDt, 160, 8, 0);
    EXPECT_FLOAT_EQ(camera->angles.y, 10.0f);
    EXPECT_FLOAT_EQ(camera->angles.x, 0.5f);
    freecam_step(camera, kDt, 0, 1000000, 0);
    EXPECT_FLOAT_EQ(camera->angles.x, 90.0f);
    freecam_step(camera, kDt, 0, -1000000, 0);
    EXPECT_FLOAT_EQ(camera->angles.x, -90.0f);
}

TEST_F(FreeCamera, FieldOfViewAndRollStepPerFrameAndRResetsThem)
{
    demoSystem.keys[SDLK_u] = demoSystem.keys[SDLK_k] = 1;
    for (int i = 0; i < 3; i++) freecam_step(camera, 1.0f, 0, 0, 0);
    EXPECT_FLOAT_EQ(camera->fov, 93.0f);
    EXPECT_FLOAT_EQ(camera->roll, 3.0f);
    demoSystem.keys[SDLK_r] = 1;
    freecam_step(camera, kDt, 0, 0, 0);
    EXPECT_FLOAT_EQ(camera->fov, 90.0f);
    EXPECT_FLOAT_EQ(camera->roll, 0.0f);
    EXPECT_FLOAT_EQ(camera->position.x, 1.0f);
}

TEST_F(FreeCamera, CPrintsOneKeyRowPerPressTheButtonEveryFrame)
{
    camera->angles = Vector{ 4, 5, 6 };
    camera_roll(camera, -2.5f);
    const std::string row = "1.000000 2.000000 3.000000 4.000000 5.000000 6.000000 "
                            "1.000000 2.000000 -97.000000 90.000000 0.100000 500.000000 -2.500000\n";
    demoSystem.keys[SDLK_c] = 1;
    testing::internal::CaptureStdout();
    freecam_step(camera, kDt, 0, 0, 0);
    freecam_step(camera, kDt, 0, 0, 0);
    freecam_step(camera, kDt, 0, 0, 1);
    freecam_step(camera, kDt, 0, 0, 1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), row + row + row);

    demoSystem.debug = 0;   /* then nothing reads keys or prints */
    demoSystem.keys[SDLK_c] = demoSystem.keys[SDLK_u] = 1;
    testing::internal::CaptureStdout();
    interactive_mov(camera, kDt);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_FLOAT_EQ(camera->fov, 90.0f);
}

TEST_F(FreeCamera, ModelViewTurnsAndRolls)
{
    openTestWindow();
    camera_angle(camera, 0, 90, 0);
    camera_glmatrix(camera);
    float m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    /* eye = Ry(-90) (w - p): x' = -(z - 3), y' = y - 2, z' = x - 1 */
    const float expect[16] = { 0, 0, 1, 0, 0, 1, 0, 0, -1, 0, 0, 0, 3, -2, -1, 1 };
    expectNear(m, expect);
    const float axes[9] = { 1, 0, 0, 0, 1, 0, 0, 0, -1 };   /* backward, up, right */
    expectNear(camera->axes, axes, 9);

    camera_angle(camera, 0, 0, 0);
    camera_roll(camera, 90);
    camera_glmatrix(camera);
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    EXPECT_NEAR(m[1], -1, 1e-5f);    /* roll -90 about z: world x is eye -y */
}

}  // namespace
