/*
** dk_config.cpp -- the kernel record, the global configuration keys and
** the playback variables reset at every (re)start.
**
** Configuration comes only from the scripts: defaults are set here first,
** then the driver sets its own, then every script overrides what it names.
*/
#include "dkernel.h"
#include "dk_script.h"
#include "gldrv.h"
#include "tex.h"
#include "dk_random.h"

#include <stdio.h>
#include <unistd.h>

DemoSystem demoSystem;

/* a writable array so the default caption needs no cast; never freed */
static char defaultDemoName[] = "Lumeno Visuals Engine";
static char defaultSyncHost[] = "127.0.0.1";

ScriptCommand scriptCommand[DK_SCRIPT_COMMANDS] = {
    { "demo_name",        DK_KEY_STRING, &demoSystem.demo_name },
    { "config_dialog",    DK_KEY_INT,    &demoSystem.config_dialog },
    { "fps",              DK_KEY_INT,    &demoSystem.fps },
    { "timing",           DK_KEY_INT,    &demoSystem.timing },
    { "debug",            DK_KEY_INT,    &demoSystem.debug },
    { "record",           DK_KEY_INT,    &demoSystem.record },
    { "record_fps",       DK_KEY_FLOAT,  &demoSystem.record_fps },
    { "compress_tga",     DK_KEY_INT,    &demoSystem.compress_tga },
    { "loop",             DK_KEY_INT,    &demoSystem.loop },
    { "sound",            DK_KEY_INT,    &demoSystem.sound },
    { "bpm",              DK_KEY_FLOAT,  &demoSystem.bpm },
    { "bench",            DK_KEY_INT,    &demoSystem.bench },
    { "gamma",            DK_KEY_FLOAT,  &demoSystem.gamma },
    { "display_lists",    DK_KEY_INT,    &demoSystem.display_lists },
    { "demo_start",       DK_KEY_FLOAT,  &demoSystem.demo_start },
    { "demo_end",         DK_KEY_FLOAT,  &demoSystem.demo_end },
    { "gl_fullscreen",    DK_KEY_INT,    &glDriver.fullscreen },
    { "gl_panoramic",     DK_KEY_INT,    &glDriver.panoramic },
    { "gl_info",          DK_KEY_INT,    &glDriver.info },
    { "gl_width",         DK_KEY_INT,    &glDriver.width },
    { "gl_height",        DK_KEY_INT,    &glDriver.height },
    { "gl_bpp",           DK_KEY_INT,    &glDriver.bpp },
    { "gl_zbuffer",       DK_KEY_INT,    &glDriver.zbuffer },
    { "gl_stencil",       DK_KEY_INT,    &glDriver.stencil },
    { "gl_accum",         DK_KEY_INT,    &glDriver.accum },
    { "gl_multisampling", DK_KEY_INT,    &glDriver.multisampling },
    { "gl_rttWidth",      DK_KEY_INT,    &glDriver.rtt_width },
    { "gl_rttHeight",     DK_KEY_INT,    &glDriver.rtt_height },
    { "gl_lowquality",    DK_KEY_INT,    &glDriver.lowquality },
    { "texture_detail",   DK_KEY_INT,    &tex_detail },
    { "beat_source",      DK_KEY_INT,    &demoSystem.beat_source },
    { "live_reload",      DK_KEY_INT,    &demoSystem.live_reload },
    { "rows_per_beat",    DK_KEY_INT,    &demoSystem.rows_per_beat },
    { "sync",             DK_KEY_INT,    &demoSystem.sync },
    { "sync_host",        DK_KEY_STRING, &demoSystem.sync_host },
    { "sync_port",        DK_KEY_INT,    &demoSystem.sync_port },
};

void dkernel_getArguments(int argc, char** argv)
{
    demoSystem.argc = argc;
    demoSystem.argv = argv;
    /* returns only to play; help, version, check and usage errors end there */
    if (kernelHooks.arguments)
        kernelHooks.arguments(argc, argv);
}

/* An empty folder, or the wrong one, would otherwise only show up as a
** missing loading section. */
static void reportNoScript(void)
{
    if (dkernel_collecting()) {
        dkernel_report(nullptr, 0, 0, "no demo script found (a script is a file whose name contains \".lum\")");
        return;
    }
    char folder[4096];
    if (!getcwd(folder, sizeof folder))
        snprintf(folder, sizeof folder, ".");
    fprintf(stderr, "No demo script found in '%s': a script is a file whose name contains \".lum\".\n",
            folder);
}

void dkernel_setDefaults(void)
{
    demoSystem.demo_name = defaultDemoName;
    demoSystem.config_dialog = 0;
    demoSystem.fps = 0;
    demoSystem.timing = 0;
    demoSystem.debug = 0;
    demoSystem.record = 0;
    demoSystem.record_fps = 25.0f;
    demoSystem.compress_tga = 0;
    demoSystem.loop = 0;
    demoSystem.sound = 1;
    demoSystem.bpm = 120.0f;
    demoSystem.bench = 0;
    demoSystem.gamma = 1.0f;
    demoSystem.display_lists = 1;
    demoSystem.demo_start = 0.0f;
    demoSystem.demo_end = 20.0f;
    demoSystem.beat_source = 0;
    demoSystem.live_reload = 1;
    demoSystem.rows_per_beat = 8;
    demoSystem.sync = 0;
    demoSystem.sync_host = defaultSyncHost;
    demoSystem.sync_port = 1338;
    demoSystem.section_list = nullptr;

    gldrv_create();
}

void dkernel_loadScripts(void)
{
    dkernel_setDefaults();
    int before = script_foundCount;
    recurseDirectories(".");
    if (script_foundCount == before)
        reportNoScript();
}

void dkernel_configDialog(void)
{
    /* the config_dialog key is accepted for old scripts and does nothing */
}

void init_control_vars(void)
{
    demoSystem.exit_flag = 0;
    demoSystem.fps_value = 0.0f;
    demoSystem.step = 0.0f;
    demoSystem.time = demoSystem.demo_start;
    demoSystem.frame_time = 0.0f;
    demoSystem.frames = 0;
    demoSystem.fps_frames = 0;
    demoSystem.fps_time = 0.0f;
    /* every (re)start draws the same random sequence */
    rand_seed(0, 0);
}
