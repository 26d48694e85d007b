/*
** sec_objectshader.cpp -- the `objectShader` section: one 3DS model drawn
** once per block of a shader script, each pass with its own render mode,
** colour, blend function, culling, line width and texture.
*/
#include <GL/gl.h>
#include <stdlib.h>

#include "dkernel.h"
#include "draw.h"
#include "model.h"
#include "sectiontypes.h"
#include "shader.h"

struct ShaderObjectVars {
    Model*        model;
    Shader*       shaders;
    int           shader_count;
    unsigned int* lists;         /* one display-list slot per shader */
    float         clear_depth;   /* 1: every pass starts on a cleared depth buffer */
};

void preload_objectShader(void) {}

void check_objectShader(void)
{
    /* this type reports its strings and splines before its param */
    section_needCounts(count_any(), count_exactly(3), count_atLeast(1));
    section_needCounts(count_range(0, 1, "as much one single param needed"), count_any(), count_any());
    model_needFile(mySection->strings[0], mySection->strings[1]);
    section_needFile(mySection->strings[2]);
    for (int k = 1; k <= mySection->spline_count; k++)
        section_needChannels(k, 9);
}

void load_objectShader(void)
{
    ShaderObjectVars* vars = (ShaderObjectVars*)section_allocVars(sizeof(ShaderObjectVars));
    vars->model = model_load(mySection->strings[0], mySection->strings[1]);
    model_upload_tex(vars->model);
    vars->shaders = shaders_load(mySection->strings[2]);
    vars->clear_depth = mySection->param_count == 1 && mySection->params[0] == 1.0f ? 1.0f : 0.0f;
    vars->shader_count = shader_counter(vars->shaders);
    if (vars->shader_count > 0) {
        vars->lists = (unsigned int*)calloc((size_t)vars->shader_count, sizeof(unsigned int));
        if (!vars->lists)
            section_error("out of memory");
    }
}

void init_objectShader(void) {}

/* Lit passes are lit by light 0 in the pass colour.  The lighting state is
** saved and restored around the pass, so a light section's light 0 keeps
** its colours and stays on for the sections drawn after this one. */
static void objectShader_pass(ShaderObjectVars* vars, const Shader* s, unsigned int* slot)
{
    int lit = s->mode == RENDER_FLAT || s->mode == RENDER_SHADED;
    if (lit) {
        glPushAttrib(GL_LIGHTING_BIT);
        const float ambient[4] = { 0.0f, 0.0f, 0.0f, 1.0f };
        const float colour[4] = { s->color[0], s->color[1], s->color[2], 1.0f };
        glLightfv(GL_LIGHT0, GL_AMBIENT, ambient);
        glLightfv(GL_LIGHT0, GL_DIFFUSE, colour);
        glLightfv(GL_LIGHT0, GL_SPECULAR, colour);
        glEnable(GL_LIGHT0);
        glEnable(GL_LIGHTING);
    }
    model_render(vars->model, s->mode, s->line_width, s->texture, slot);
    if (lit)
        glPopAttrib();
}

void render_objectShader(void)
{
    ShaderObjectVars* vars = (ShaderObjectVars*)mySection->vars;
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    for (int k = 0; k < mySection->spline_count; k++)
        draw_imageTransform(k, mySection->elapsed);

    /* Passes blend with their own functions, the first one included; with
    ** LEQUAL a later pass of the same geometry lands on the earlier one. */
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ZERO);
    glDepthFunc(GL_LEQUAL);
    int k = 0;
    for (const Shader* s = vars->shaders; s; s = s->next, k++) {
        if (vars->clear_depth == 1.0f)
            glClear(GL_DEPTH_BUFFER_BIT);
        if (s->blend_on)
            glBlendFunc((GLenum)s->blend_src, (GLenum)s->blend_dst);
        else
            glBlendFunc(GL_ONE, GL_ZERO);
        glColor4f(s->color[0], s->color[1], s->color[2], s->color[3]);
        if (s->cull_on) {
            glEnable(GL_CULL_FACE);
            glCullFace((GLenum)s->cull_face);
        }
        objectShader_pass(vars, s, &vars->lists[k]);
        if (s->cull_on) {
            glCullFace(GL_BACK);
            glDisable(GL_CULL_FACE);
        }
    }
    glDisable(GL_BLEND);
    glPopMatrix();
}

void end_objectShader(void)
{
    ShaderObjectVars* vars = (ShaderObjectVars*)mySection->vars;
    if (vars)
        model_releaseLists(vars->lists, vars->shader_count);
}

void free_objectShader(void)
{
    ShaderObjectVars* vars = (ShaderObjectVars*)mySection->vars;
    if (vars) {
        model_deleteLists(vars->lists, vars->shader_count);
        free(vars->lists);
        shaders_free(vars->shaders);
        model_free(vars->model);
    }
    section_freeVars();
}
