/*
** st_linuxonly.cpp -- the authoring tools the Windows player does not have
** yet: packing a release (player --pack, which runs the Linux archivers)
** and following a sync editor over the network.  They say so instead of
** failing in less readable ways; tracks still play from their files.
*/
#include "dkernel.h"
#include "st_pack.h"
#include "st_sync.h"

#include <stdio.h>

SyncClient syncClient;

int pack_option(int, char**)
{
    fprintf(stderr, "Error: --pack makes releases with the Linux player; run it there\n");
    return 1;
}

void syncclient_poll(void)
{
    static int warned = 0;
    if (demoSystem.sync && demoSystem.debug && !warned) {
        warned = 1;
        fprintf(stderr, "Warning: the Windows player does not follow a sync editor; "
                        "tracks play from their files\n");
    }
}
