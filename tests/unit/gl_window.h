// gl_window.h -- opens the player's own window (through the driver) once
// per test program, so GL tests run on the same set-up the player uses.
// Needs a display: the Makefile runs tests under xvfb-run.
#ifndef GL_WINDOW_H
#define GL_WINDOW_H

#include "dkernel.h"
#include "gldrv.h"

#include <GL/gl.h>

#include <vector>

// Opens a window with the given size and panoramic setting (once).
inline void openTestWindow(int width = 640, int height = 480, int panoramic = 1,
                           int rtt_width = 1024, int rtt_height = 512, int accum = 0)
{
    static bool open = false;
    if (open) return;
    open = true;
    gldrv_create();
    glDriver.width = width;
    glDriver.height = height;
    glDriver.panoramic = panoramic;
    glDriver.rtt_width = rtt_width;
    glDriver.rtt_height = rtt_height;
    glDriver.accum = accum;
    demoSystem.demo_name = (char*)"lumeno test";
    demoSystem.gamma = 1.0f;
    gldrv_init();
}

// The RGB pixel at window position (x, y), y from the bottom.
struct Rgb {
    int r, g, b;
};

inline Rgb readPixel(int x, int y)
{
    unsigned char p[4] = {0, 0, 0, 0};
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, p);
    Rgb c = {p[0], p[1], p[2]};
    return c;
}

#endif
