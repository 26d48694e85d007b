/*
** efx_viewport.cpp -- efxViewport: moves the GL viewport to a rectangle a
** spline animates, for the sections drawn after it in the frame, and can
** fill it with a colour from a second spline.
**
** The viewport is not put back: the driver sets the full one again after
** the frame's last section and at the start of the next frame.
*/
#include "dkernel.h"
#include "sectiontypes.h"
#include "camera.h"
#include "effects.h"
#include "gldrv.h"

#include <GL/gl.h>
#include <stdlib.h>

struct ViewportVars {
    int   rect[4];      /* x, y, width, height in pixels */
    int   coloured;     /* two splines: fill the rectangle */
    float colour[4];
};

void preload_efxViewport(void) {}

void check_efxViewport(void)
{
    section_needCounts(count_none(), count_none(), count_range(1, 2));
    section_needChannels(1, 4);
    section_needChannels(2, 4);
}

void load_efxViewport(void)
{
    ViewportVars* vars = (ViewportVars*)section_allocVars(sizeof(ViewportVars));
    vars->coloured = mySection->spline_count == 2;
}

void init_efxViewport(void) {}

/* A size the GL refuses (below 0) becomes an empty viewport. */
static int viewportSize(int size)
{
    return size - 1 < 0 ? 0 : size - 1;
}

void render_efxViewport(void)
{
    ViewportVars* vars = (ViewportVars*)mySection->vars;
    float f[16] = { 0.0f, 0.0f, 1.0f, 1.0f };
    dkernel_getSpline(0, mySection->elapsed, f);
    float w = (float)glDriver.vp_width, h = (float)glDriver.vp_height;
    vars->rect[0] = efx_toInt(f[0] * w);
    long long y = (long long)efx_toInt(f[1] * h) + glDriver.vp_y;   /* no overflow at the int limits */
    vars->rect[1] = y > 2147483647LL ? 2147483647 : (int)y;
    vars->rect[2] = efx_toInt(f[2] * w);
    vars->rect[3] = efx_toInt(f[3] * h);
    if (vars->coloured) dkernel_getSpline(1, mySection->elapsed, vars->colour);

    /* one pixel less than the computed size, as demos have always had it */
    glViewport(vars->rect[0], vars->rect[1], viewportSize(vars->rect[2]), viewportSize(vars->rect[3]));
    if (vars->coloured) {
        glColor4fv(vars->colour);
        glDisable(GL_TEXTURE_2D);
        camera_set2d();
        gldrv_screenquad();
        camera_restore();
        glEnable(GL_TEXTURE_2D);
    }
    glClear(GL_DEPTH_BUFFER_BIT);
}

void end_efxViewport(void) {}

void free_efxViewport(void) { section_freeVars(); }
