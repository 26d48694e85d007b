/*
** sec_macrobox.cpp -- the `macroBox` section: layers of one skybox picture
** turning at different angles around the current camera, faded by alpha.
*/
#include <GL/gl.h>
#include <stdlib.h>

#include "camera.h"
#include "dkernel.h"
#include "draw.h"
#include "sectiontypes.h"

struct MacroBoxVars {
    Skybox* skybox;
    float   alpha_start;
    float   alpha_end;
    int     layers;
};

void preload_macroBox(void) {}

void check_macroBox(void)
{
    section_needCounts(count_exactly(3), count_exactly(1), count_none());
    section_needFile(mySection->strings[0]);
}

void load_macroBox(void)
{
    MacroBoxVars* vars = (MacroBoxVars*)section_allocVars(sizeof(MacroBoxVars));
    vars->skybox = skybox_make(mySection->strings[0], SKYBOX_FORMAT_JPG, 0);
    if (!vars->skybox)
        section_error("out of memory");
    skybox_upload(vars->skybox);
    vars->layers = draw_count(mySection->params[0], DRAW_MAX_COUNT);
    vars->alpha_start = mySection->params[1];
    vars->alpha_end = mySection->params[2];
}

void init_macroBox(void) {}

void render_macroBox(void)
{
    MacroBoxVars* vars = (MacroBoxVars*)mySection->vars;
    Camera* camera = demoSystem.current_camera;
    if (!camera)
        section_error("no camera");

    draw_beginSection();
    float elapsed = mySection->elapsed;
    float alpha = vars->alpha_start;
    if (mySection->duration > 0.0f)
        alpha += (vars->alpha_end - vars->alpha_start) * elapsed / mySection->duration;
    glColor4f(0.0f, 0.0f, 0.0f, alpha);

    /* Each layer turns the projection, i.e. in eye space, so the boxes spin
    ** around the viewer whatever the camera looks at. */
    for (int i = 0; i < vars->layers; i++) {
        glMatrixMode(GL_PROJECTION);
        glPushMatrix();
        glRotatef((float)i * 26.0f + elapsed, 1.0f, 2.0f, 0.0f);
        skybox_render(vars->skybox, camera);
        glMatrixMode(GL_PROJECTION);
        glPopMatrix();
    }
    camera_glprojection(camera);
    camera_glmatrix(camera);
    draw_endSection();
}

void end_macroBox(void) {}

void free_macroBox(void)
{
    MacroBoxVars* vars = (MacroBoxVars*)mySection->vars;
    if (vars)
        skybox_free(vars->skybox);
    section_freeVars();
}
