/*
** main.cpp -- process entry on Linux.
**
** The player keeps the shell's working folder (scripts and data are found
** relative to it) and hands the command line unchanged to SDL_main.
*/
#include "dkernel.h"

int main(int argc, char** argv)
{
    return SDL_main(argc, argv);
}
