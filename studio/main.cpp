/*
** main.cpp -- process entry on Linux.
**
** The player keeps the shell's working folder (scripts and data are found
** relative to it) and hands the command line unchanged to SDL_main, with
** the authoring tools hooked into the kernel.
*/
#include "studio.h"

int main(int argc, char** argv)
{
    studio_install();
    return SDL_main(argc, argv);
}
