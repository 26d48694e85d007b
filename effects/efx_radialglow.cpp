/*
** efx_radialglow.cpp -- efxRadialGlow: the bright parts of the frame,
** zoom-blurred towards a moving centre, added back onto the untouched frame.
*/
#include "dkernel.h"
#include "sectiontypes.h"
#include "camera.h"
#include "effects.h"
#include "gldrv.h"
#include "tex.h"

#include <GL/gl.h>
#include <stdlib.h>

struct RadialGlowVars {
    float      threshold[3];
    int        passes;
    RadialZoom zoom;
};

void preload_efxRadialGlow(void) {}

void check_efxRadialGlow(void)
{
    if (mySection->param_count != 14) section_error("14 params needed");
}

void load_efxRadialGlow(void)
{
    RadialGlowVars* vars = (RadialGlowVars*)calloc(1, sizeof(RadialGlowVars));
    mySection->vars = vars;
    for (int c = 0; c < 3; c++) vars->threshold[c] = mySection->params[c];
    vars->passes = efx_toInt(mySection->params[3]);
    efx_loadRadialZoom(&vars->zoom, mySection->params + 4);
}

void init_efxRadialGlow(void) {}

void render_efxRadialGlow(void)
{
    const RadialGlowVars* vars = (const RadialGlowVars*)mySection->vars;
    tex_bind(demoSystem.rtt_texture2);
    gldrv_copyColorBuffer();
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_BLEND);
    camera_set2d();

    /* leaves the thresholded frame on screen and rtt_texture bound on unit 0 */
    render_highpassfilter_ext(demoSystem.rtt_texture, vars->threshold[0], vars->threshold[1],
                              vars->threshold[2], vars->passes);
    if (mySection->blend_on)
        glBlendFunc((GLenum)mySection->blend_src, (GLenum)mySection->blend_dst);
    else
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    efx_radialZoom(&vars->zoom, mySection->elapsed / mySection->duration);

    tex_bind(demoSystem.rtt_texture2);
    glBlendFunc(GL_ONE, GL_ONE);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    gldrv_texscreenquad();

    glClear(GL_DEPTH_BUFFER_BIT);
    camera_restore();
    glDisable(GL_BLEND);
    glEnable(GL_DEPTH_TEST);
}

void end_efxRadialGlow(void) {}
