/*
** dk_freecam.cpp -- the free camera of debug mode: the mouse turns it, keys
** fly it with inertia and change its field of view and roll, and c or the
** left button prints it as a key row to paste into a camera spline.
**
** The arithmetic (freecam_step) reads only the key table and its arguments,
** so it runs without a window; interactive_mov adds the mouse and pointer.
*/
#include "dkernel.h"
#include "camera.h"
#include "gldrv.h"

#include <SDL/SDL.h>
#include <stdio.h>

/* Speeds along the view and side axes, in scene units per second; they
** carry the inertia from one frame to the next. */
static float accel = 0.0f;
static float accel_strafe = 0.0f;

#define FREECAM_DEGREES_PER_PIXEL 0.0625f
#define FREECAM_PUSH              50.0f   /* speed gained per second a key is held */
#define FREECAM_FRICTION          20.0f   /* speed lost per second */
#define FREECAM_MAX_SPEED         15.0f
#define FREECAM_MIN_FOV           1.0f
#define FREECAM_MAX_FOV           179.0f

void camera_axis_mov(Camera* camera, int dx, int dy)
{
    float x = (float)dx * FREECAM_DEGREES_PER_PIXEL;
    float y = (float)dy * FREECAM_DEGREES_PER_PIXEL;
    if (x == 0.0f && y == 0.0f)
        return;
    float pitch = camera->angles.x + y;
    if (pitch > 90.0f) pitch = 90.0f;
    if (pitch < -90.0f) pitch = -90.0f;
    camera->angles.x = pitch;
    camera->angles.y += x;
}

/* The first row of axes is the view's backward direction. */
void camera_front_mov(Camera* camera, float distance)
{
    const float* back = &camera->axes[0];
    Vector step = { -distance * back[0], -distance * back[1], -distance * back[2] };
    vector_add(&camera->position, &step, &camera->position);
    vector_add(&camera->target, &step, &camera->target);
}

/* The third row of axes is the view's right direction. */
void camera_strafe_mov(Camera* camera, float distance)
{
    const float* right = &camera->axes[6];
    Vector step = { distance * right[0], distance * right[1], distance * right[2] };
    vector_add(&camera->position, &step, &camera->position);
    vector_add(&camera->target, &step, &camera->target);
}

void freecam_printRow(const Camera* camera, FILE* out)
{
    fprintf(out, "%f %f %f %f %f %f %f %f %f %f %f %f %f\n",
            (double)camera->position.x, (double)camera->position.y, (double)camera->position.z,
            (double)camera->angles.x, (double)camera->angles.y, (double)camera->angles.z,
            (double)camera->target.x, (double)camera->target.y, (double)camera->target.z,
            (double)camera->fov, (double)camera->znear, (double)camera->zfar,
            (double)camera->roll);
    fflush(out);
}

static int held(int key)
{
    return demoSystem.keys[key] != 0;
}

/* Clamps the speed, moves by it, then lets friction take its share. */
static void glide(float* speed, float dt, Camera* camera, void (*move)(Camera*, float))
{
    if (*speed == 0.0f)
        return;
    if (*speed > FREECAM_MAX_SPEED) *speed = FREECAM_MAX_SPEED;
    if (*speed < -FREECAM_MAX_SPEED) *speed = -FREECAM_MAX_SPEED;
    move(camera, *speed * dt);
    float f = FREECAM_FRICTION * dt;
    if (*speed > f) *speed -= f;
    else if (*speed < -f) *speed += f;
    else *speed = 0.0f;
}

void freecam_step(Camera* camera, float dt, int dx, int dy, int left_button)
{
    if (held(SDLK_c) || left_button) {
        freecam_printRow(camera, stdout);
        demoSystem.keys[SDLK_c] = 0;   /* one line per press of c */
    }
    camera_axis_mov(camera, dx, dy);

    if (held(SDLK_h)) accel += FREECAM_PUSH * dt;
    if (held(SDLK_n)) accel -= FREECAM_PUSH * dt;
    glide(&accel, dt, camera, camera_front_mov);
    if (held(SDLK_b)) accel_strafe -= FREECAM_PUSH * dt;
    if (held(SDLK_m)) accel_strafe += FREECAM_PUSH * dt;
    glide(&accel_strafe, dt, camera, camera_strafe_mov);

    /* per frame, not per second: these are fine adjustments */
    if (held(SDLK_u)) camera->fov += 1.0f;
    if (held(SDLK_j)) camera->fov -= 1.0f;
    /* at 0 or 180 degrees the projection degenerates and the picture is lost */
    if (camera->fov < FREECAM_MIN_FOV) camera->fov = FREECAM_MIN_FOV;
    if (camera->fov > FREECAM_MAX_FOV) camera->fov = FREECAM_MAX_FOV;
    if (held(SDLK_i)) camera->roll -= 1.0f;
    if (held(SDLK_k)) camera->roll += 1.0f;
    if (held(SDLK_r)) {
        camera->roll = 0.0f;
        camera->fov = 90.0f;
    }
}

void interactive_mov(Camera* camera, float dt)
{
    if (!demoSystem.debug)
        return;
    int x = 0, y = 0;
    Uint8 buttons = SDL_GetMouseState(&x, &y);
    int cx = glDriver.width / 2, cy = glDriver.height / 2;
    SDL_WarpMouse((Uint16)cx, (Uint16)cy);
    freecam_step(camera, dt, cx - x, cy - y, (buttons & SDL_BUTTON(SDL_BUTTON_LEFT)) != 0);
}
