/*
** sec_loading.cpp -- the loading section: the screen the kernel draws while
** every other section is preloaded and loaded (background picture, a second
** picture fading in with progress, a frame and a growing progress bar).
*/
#include "dkernel.h"
#include "camera.h"
#include "gldrv.h"
#include "tex.h"

#include <GL/gl.h>
#include <SDL/SDL.h>
#include <stdlib.h>
#include <string.h>

struct LoadingVars {
    int   fadeTexture;        /* string 2 */
    int   backTexture;        /* string 1 */
    float quad[4][2];
    float quadTex[4][2];
    float barColor[4];
    float bar[4];             /* x0, y0, x1, y1 */
    float barWidth;
    float frameColor[4];
    float frame[4];
    float frameWidth;         /* fraction of the window width */
};

static int loadPicture(const char* file)
{
    int index = tex_load(file);
    tex_properties(index, 2);
    tex_upload(index);
    return index;
}

void preload_loading(void) {}
void init_loading(void) {}

void check_loading(void)
{
    Section* s = mySection;
    section_needCounts(count_exactly(17), count_exactly(2), count_none());
    section_needFile(s->strings[0]);
    section_needFile(s->strings[1]);
}

void load_loading(void)
{
    Section* s = mySection;
    LoadingVars* v = (LoadingVars*)section_allocVars(sizeof(LoadingVars));
    v->backTexture = v->fadeTexture = -1;   /* neither held until it loads */
    v->backTexture = loadPicture(s->strings[0]);
    v->fadeTexture = loadPicture(s->strings[1]);

    static const float corners[4][2] = { { 0, 0 }, { 1, 0 }, { 1, 1 }, { 0, 1 } };
    static const float coords[4][2] = { { 0, 1 }, { 1, 1 }, { 1, 0 }, { 0, 0 } };
    memcpy(v->quad, corners, sizeof corners);
    memcpy(v->quadTex, coords, sizeof coords);
    const float* p = s->params;
    memcpy(v->barColor, p + 0, 4 * sizeof(float));
    memcpy(v->bar, p + 4, 4 * sizeof(float));
    v->barWidth = p[6] - p[4];
    memcpy(v->frameColor, p + 8, 4 * sizeof(float));
    memcpy(v->frame, p + 12, 4 * sizeof(float));
    v->frameWidth = p[16];
}

static void drawScreenQuad(const LoadingVars* v)
{
    glBegin(GL_QUADS);
    for (int i = 0; i < 4; i++) {
        glTexCoord2fv(v->quadTex[i]);
        glVertex2fv(v->quad[i]);
    }
    glEnd();
}

void render_loading(void)
{
    const LoadingVars* v = (const LoadingVars*)mySection->vars;
    if (!v) return;
    int steps = demoSystem.preload_total + demoSystem.load_total;
    float p = (demoSystem.loaded_count > 0 && steps > 0) ? (float)demoSystem.loaded_count / (float)steps : 0.0f;

    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    camera_set2d();

    glColor4f(1, 1, 1, 1);
    tex_bind(v->backTexture);
    drawScreenQuad(v);
    glColor4f(1, 1, 1, p);
    tex_bind(v->fadeTexture);
    drawScreenQuad(v);

    glDisable(GL_TEXTURE_2D);
    /* A zero or negative width is not a valid GL line width: no frame then. */
    float lineWidth = v->frameWidth * (float)glDriver.width;
    if (lineWidth > 0.0f) {
        glColor4fv(v->frameColor);
        glLineWidth(lineWidth);
        glBegin(GL_LINE_LOOP);
        glVertex2f(v->frame[0], v->frame[1]);
        glVertex2f(v->frame[0], v->frame[3]);
        glVertex2f(v->frame[2], v->frame[3]);
        glVertex2f(v->frame[2], v->frame[1]);
        glEnd();
        glLineWidth(1.0f);
    }

    float x1 = v->bar[0] + v->barWidth * p;
    glColor4fv(v->barColor);
    glBegin(GL_QUADS);
    glVertex2f(v->bar[0], v->bar[1]);
    glVertex2f(v->bar[0], v->bar[3]);
    glVertex2f(x1, v->bar[3]);
    glVertex2f(x1, v->bar[1]);
    glEnd();

    glEnable(GL_TEXTURE_2D);
    camera_restore();
    glDisable(GL_BLEND);
    glEnable(GL_DEPTH_TEST);
    gldrv_swap();
}

void end_loading(void)
{
    Section* s = mySection;
    LoadingVars* v = (LoadingVars*)s->vars;
    if (v) {
        /* the texture manager keeps a picture other sections hold */
        tex_free(v->backTexture);
        tex_free(v->fadeTexture);
        tex_reset_bind();
        free(v);
        s->vars = nullptr;
    }
    /* a video run has nobody to show the finished screen to */
    if (!demoSystem.debug && !kernelHooks.offline) SDL_Delay(2000);
}

/* The end lets the pictures go already; this is for a load that failed. */
void free_loading(void)
{
    LoadingVars* v = (LoadingVars*)mySection->vars;
    if (v) {
        tex_free(v->backTexture);
        tex_free(v->fadeTexture);
    }
    section_freeVars();
}
