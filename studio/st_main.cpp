/*
** st_main.cpp -- the tools' hold on the kernel: which hook does what.
*/
#include "studio.h"
#include "st_args.h"
#include "st_check.h"
#include "st_reload.h"
#include "st_sync.h"

static void noteFile(const Section* section, const char* path)
{
    reload_noteFile(section, path);
    checking_noteFile(section, path);
}

/* first thing of every frame: files changed on disk, then the editor */
static void pollTools(void)
{
    reload_poll();
    syncclient_poll();
}

void studio_install(void)
{
    kernelHooks.arguments = args_parse;
    kernelHooks.poll = pollTools;
    kernelHooks.beat = beat_update;
    kernelHooks.fileUsed = noteFile;
}
