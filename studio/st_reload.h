/*
** st_reload.h -- live reload in debug mode: the demo folder watched
** (st_watch.h), and the demo read and loaded again when one of its files
** changes, playing on at the same second in the same window.
*/
#ifndef ST_RELOAD_H
#define ST_RELOAD_H

#include <string>
#include <vector>

#include "dkernel.h"

/* a file a section's load opens, as its check named it */
struct ReloadUse {
    const Section* section;
    std::string    path;      /* normalised: relative to the demo folder */
};

struct ReloadState {
    int                      watching;    /* notifications are coming */
    int                      tried;       /* watching was set up (or failed to be) */
    std::vector<std::string> changed;     /* files changed since the last good reload */
    int                      pending;     /* events came since the last attempt */
    int                      forced;      /* a folder came or went, or events were lost */
    unsigned                 last_event;  /* tick of the newest change */
    int                      failed;      /* the last reload failed: any change retries */
    std::vector<ReloadUse>   uses;
    int                      reloads;     /* successful reloads */
};

extern ReloadState reloadState;

/* Once a frame: takes the file events and, once they have settled,
** reloads the demo when a file it uses changed.  Does nothing unless
** debug and live_reload are on. */
void reload_poll(void);

/* Reads and loads the demo again now and plays on at the current second;
** a failure prints the error and keeps the demo that was playing.  Non-zero
** on success. */
int  reload_demo(void);

/* Called by section_needFile: a file that `section` depends on. */
void reload_noteFile(const Section* section, const char* path);

#endif
