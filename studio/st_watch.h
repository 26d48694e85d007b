/*
** st_watch.h -- the system side of live reload: change notifications for
** the demo folder and everything below it (inotify on Linux,
** ReadDirectoryChangesW on Windows).
*/
#ifndef ST_WATCH_H
#define ST_WATCH_H

#include <string>

/* What a change notification names. */
enum {
    WATCH_FILE,     /* a file was written, made, moved or removed */
    WATCH_FOLDER,   /* a folder came or went: scripts may have come or gone with it */
    WATCH_GONE,     /* an entry went whose kind the system does not tell */
    WATCH_LOST      /* notifications were lost: anything may have changed */
};

/* Paths relative to the working folder, "/" between folders. */
typedef void (*WatchFunc)(const std::string& path, int kind);
/* Leaves a path (and a folder's contents) out; player-written files. */
typedef int (*WatchSkipFunc)(const std::string& path);

/* Starts watching the working folder; the number of folders watched, or
** -1 after a warning on standard error when the system refuses. */
int  watch_start(WatchSkipFunc skip);
void watch_stop(void);
/* Hands every notification that arrived since the last call to fn;
** never waits. */
void watch_read(WatchFunc fn);

#endif
