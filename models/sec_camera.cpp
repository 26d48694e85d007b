/*
** sec_camera.cpp -- the `camera` section: places the player's camera from a
** spline, or lets the free camera fly it in debug mode when there is none,
** and loads its matrices for the sections drawn after it.
*/
#include <GL/gl.h>
#include <stdlib.h>

#include "camera.h"
#include "dkernel.h"
#include "dk_spline.h"
#include "draw.h"
#include "gldrv.h"
#include "sectiontypes.h"

#define CAMERA_ROLL_CHANNELS 13   /* position, angles, target, fov, near, far, roll */

struct CameraVars {
    Camera* camera;
};

void preload_camera(void) {}

void check_camera(void)
{
    section_needCounts(count_none(), count_none(), count_range(0, 1));
    section_needChannels(1, 12);
}

void load_camera(void)
{
    CameraVars* vars = (CameraVars*)section_allocVars(sizeof(CameraVars));
    vars->camera = camera_init(1);
    if (!vars->camera)
        section_error("out of memory");
    Camera* c = vars->camera;
    camera_locate(c, 0.0f, 0.0f, 0.0f);
    camera_angle(c, 0.0f, 0.0f, 0.0f);
    camera_target(c, 0.0f, 0.0f, -100.0f);
    camera_fov_aspect(c, 90.0f, glDriver.aspect);
    camera_zplanes(c, 0.1f, 500.0f);
    camera_roll(c, 0.0f);
}

void init_camera(void) {}

/* Channels a short spline lacks keep the camera's current values. */
static void camera_fromSpline(Camera* c)
{
    float v[SPLINE_MAX_CHANNELS] = {
        c->position.x, c->position.y, c->position.z,
        c->angles.x, c->angles.y, c->angles.z,
        c->target.x, c->target.y, c->target.z,
        c->fov, c->znear, c->zfar, c->roll,
    };
    dkernel_getSpline(0, mySection->elapsed, v);
    camera_locate(c, v[0], v[1], v[2]);
    camera_angle(c, v[3], v[4], v[5]);
    camera_target(c, v[6], v[7], v[8]);
    camera_fov_aspect(c, v[9], glDriver.aspect);
    camera_zplanes(c, v[10], v[11]);
    const Spline* spline = mySection->splines[0];
    if (spline && spline->channel_count >= CAMERA_ROLL_CHANNELS)
        camera_roll(c, v[12]);
}

void render_camera(void)
{
    CameraVars* vars = (CameraVars*)mySection->vars;
    Camera* c = vars->camera;
    demoSystem.current_camera = c;
    if (mySection->spline_count == 0)
        interactive_mov(c, demoSystem.frame_time);
    else
        camera_fromSpline(c);
    camera_glprojection(c);
    camera_glmatrix(c);
    AxisDrawing();
}

void end_camera(void) {}

void free_camera(void)
{
    CameraVars* vars = (CameraVars*)mySection->vars;
    if (vars) {
        if (demoSystem.current_camera == vars->camera)
            demoSystem.current_camera = nullptr;
        camera_free(vars->camera);
    }
    section_freeVars();
}
