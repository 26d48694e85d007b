/*
** st_linuxonly.cpp -- the authoring tool the Windows player does not have:
** packing a release (player --pack), which runs the Linux archivers and
** ships the Linux player beside the Windows one.  It says so instead of
** failing in a less readable way.
*/
#include "st_pack.h"

#include <stdio.h>

int pack_option(int, char**)
{
    fprintf(stderr, "Error: --pack makes releases with the Linux player; run it there\n");
    return 1;
}
