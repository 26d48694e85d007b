/*
** dk_main.cpp -- the player's body: the order in which it starts, runs
** and stops.
*/
#include "dkernel.h"
#include "gldrv.h"
#include "font.h"
#include "dk_random.h"

int SDL_main(int argc, char** argv)
{
    /* a fatal error anywhere below closes the demo and ends with status 1 */
    dkernel_protect([argc, argv] {
        dkernel_getArguments(argc, argv);
        dkernel_loadScripts();
        dkernel_configDialog();
        dkernel_initDemo();
        dkernel_mainLoop();
        dkernel_closeDemo();
    });
    return 0;
}

void dkernel_initDemo(void)
{
    gldrv_init();
    if (demoSystem.sound)
        sound_init();
    init_control_vars();
    init_sectionQueues();
    /* Loading draws random numbers (particle scatter offsets, ray seeds);
    ** playback starts from the seed again, as every restart does, so the
    ** frames after a restart are the frames of the first start. */
    rand_seed(0, 0);
    text_load_font(&debugFont, strDebugFont, 16, 16, FONT_DEBUG_FILE);
    /* last, so that the time spent loading is not demo time */
    init_timer();
}
