/*
** dk_sync.h -- the demo's sync tracks: the store every synced spline reads,
** the demo's row on the beat grid, and the track files in the demo folder.
**
** Tracks are registered in a fixed order as sections ask for them (their
** index is their place in that order).  They hold what their files say,
** unless an editor is connected (studio/st_sync.cpp): then `live` is set
** and the keys are the editor's.  The release plays from the files alone.
*/
#ifndef DK_SYNC_H
#define DK_SYNC_H

#include "dk_track.h"

struct Spline;

struct SyncState {
    Track* tracks;
    int    track_count;
    int    track_capacity;
    int    live;   /* the keys follow a connected editor: files are not read */
};

extern SyncState syncState;

/* Should this run follow an editor?  `sync 1` in debug mode, never in
** record mode or a video run. */
int sync_wantsEditor(void);

/* The demo's row at a demo second: seconds x bpm / 60 x rows_per_beat
** (0 without a positive tempo). */
double sync_row(float seconds);
/* The earliest demo second whose row is at least `row`. */
float sync_seconds(double row);

/* The index of track `name`, registered (and read from its file unless
** live) on first use; -1 when the store cannot grow. */
int sync_useTrack(const char* name);

/* Reads a track's file into its keys: a missing file leaves the track
** empty, a damaged one is refused with a warning naming it.  Non-zero when
** the file was read. */
int sync_readFile(int index);
/* Every track from its file again (the editor went away). */
void sync_readAllFiles(void);
/* Live reload: the tracks saved as `path` are read again unless live.
** Returns how many were. */
int sync_reloadFile(const char* path);
/* Is `path` the file of a registered track? */
int sync_isTrackFile(const char* path);
/* Writes a track's file into the demo folder; a warning and 0 on failure. */
int sync_writeFile(int index);

/* A spline of the tracks GROUP:1, GROUP:2 ... (fatal error on a name that
** cannot make track files or a grid without rows). */
Spline* sync_newSpline(const char* group);
/* Attaches the tracks of channels up to `channels` and names their files
** to the section being checked (section_needFile). */
void sync_attachChannels(Spline* spline, int channels);
/* Each channel's track at `row` into out. */
void sync_sampleSpline(const Spline* spline, double row, float* out);

#endif
