/*
** bench_gl.cpp -- one start-up of the player's window and frame loop for
** the benchmarks that draw.
*/
#include "bench_gl.h"

#include "dkernel.h"
#include "gldrv.h"

#include <string.h>

bool bench_openGL(const char* caption, int flags)
{
    static bool open = false;
    if (open) return false;
    open = true;
    demoSystem = DemoSystem();
    demoSystem.demo_name = strdup(caption);   /* the window keeps it */
    demoSystem.gamma = 1.0f;
    demoSystem.record_fps = 25.0f;
    gldrv_create();
    if (flags & BENCH_GL_NARROW) glDriver.panoramic = 0;
    if (flags & BENCH_GL_ACCUM) glDriver.accum = 1;
    gldrv_init();
    bench_setSections(nullptr);
    return true;
}

void bench_setSections(Section* list)
{
    demoSystem.section_list = list;
    init_control_vars();
    reinit_sectionQueues();
    init_timer();
}
