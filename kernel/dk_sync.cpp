/*
** dk_sync.cpp -- the sync track store, rows and track files, and the
** splines made of tracks.
**
** The store only grows: a track keeps its index for the whole run, so an
** editor's track numbers stay valid across live reloads.  A track file is
** read when its track is first used, when the editor goes away and when
** live reload sees it change; a file that does not read is refused with a
** warning naming it and the demo plays on.
*/
#include "dk_sync.h"
#include "dk_spline.h"
#include "dk_path.h"
#include "dkernel.h"

#include <errno.h>
#include <fcntl.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

SyncState syncState = { nullptr, 0, 0, 0 };

int sync_wantsEditor(void)
{
    return demoSystem.sync && demoSystem.debug && !demoSystem.record && !kernelHooks.offline;
}

static double rowsPerSecond(void)
{
    if (!(demoSystem.bpm > 0.0f) || demoSystem.rows_per_beat < 1)
        return 0.0;
    return (double)demoSystem.bpm / 60.0 * (double)demoSystem.rows_per_beat;
}

double sync_row(float seconds)
{
    return (double)seconds * rowsPerSecond();
}

float sync_seconds(double row)
{
    double rate = rowsPerSecond();
    if (!(rate > 0.0))
        return 0.0f;
    /* a second rounded to float may sit just before the row: the frame a
    ** seek lands on must see the key on that row, and report that row */
    float seconds = (float)(row / rate);
    for (int i = 0; i < 4 && sync_row(seconds) < row; i++)
        seconds = nextafterf(seconds, INFINITY);
    return seconds;
}

int sync_useTrack(const char* name)
{
    for (int i = 0; i < syncState.track_count; i++)
        if (strcmp(syncState.tracks[i].name, name) == 0)
            return i;
    if (syncState.track_count == syncState.track_capacity) {
        int capacity = syncState.track_capacity ? syncState.track_capacity * 2 : 16;
        Track* grown = (Track*)realloc(syncState.tracks, (size_t)capacity * sizeof(Track));
        if (!grown)
            return -1;
        syncState.tracks = grown;
        syncState.track_capacity = capacity;
    }
    char* copy = strdup(name);
    if (!copy)
        return -1;
    int index = syncState.track_count++;
    Track* track = &syncState.tracks[index];
    memset(track, 0, sizeof *track);
    track->name = copy;
    /* a track that comes while an editor is connected gets its keys from it */
    if (!syncState.live)
        sync_readFile(index);
    return index;
}

/* A refused file: a checking run files it under the section asking, a
** normal run warns and plays on. */
static void refuse(const char* path, const char* why)
{
    const Section* s = mySection;
    if (dkernel_collecting() && s)
        dkernel_report(s->script, s->line, 0, "%s: track file '%s' refused: %s",
                       (s->type >= 0 && s->type < DK_SECTION_TYPES) ? sectionFunction[s->type].name : "?",
                       path, why);
    else
        dkernel_warn("track file '%s' refused: %s", path, why);
}

int sync_readFile(int index)
{
    Track* track = &syncState.tracks[index];
    char path[TRACK_MAX_FILE_NAME];
    track_fileName(track->name, path);

    /* non-blocking: a pipe named like a track file must not stall us */
    bool plain = false;
    int fd = path_openPlain(path, &plain);
    if (fd < 0) {
        /* No file is no keys.  A checking run has reported it already
        ** (section_needFile); a run with an editor has its keys to come. */
        int err = errno;
        track_clear(track);
        if (!dkernel_collecting() && !sync_wantsEditor())
            dkernel_warn("track file '%s' cannot be read (%s): track '%s' stays 0", path, strerror(err),
                         track->name);
        return 0;
    }
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        refuse(path, "not a plain file");
        return 0;
    }
    /* one byte more than the largest sound file shows a larger one */
    size_t limit = 4 + (size_t)TRACK_MAX_KEYS * TRACK_KEY_BYTES + 1;
    size_t want = st.st_size < (off_t)limit ? (size_t)st.st_size + 1 : limit;
    unsigned char* data = (unsigned char*)malloc(want);
    if (!data) {
        close(fd);
        refuse(path, "out of memory");
        return 0;
    }
    size_t size = 0;
    const char* why = nullptr;
    while (size < want) {
        ssize_t n = read(fd, data + size, want - size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            why = "read error";
            break;
        }
        if (n == 0)
            break;
        size += (size_t)n;
    }
    close(fd);
    if (!why && size == limit)
        why = "more keys than a track may hold";
    if (!why)
        why = track_parse(track, data, size);
    free(data);
    if (why) {
        refuse(path, why);
        return 0;
    }
    return 1;
}

void sync_readAllFiles(void)
{
    for (int i = 0; i < syncState.track_count; i++)
        sync_readFile(i);
}

int sync_reloadFile(const char* path)
{
    if (syncState.live)
        return 0;
    int count = 0;
    char name[TRACK_MAX_FILE_NAME];
    for (int i = 0; i < syncState.track_count; i++) {
        track_fileName(syncState.tracks[i].name, name);
        if (path_same(name, path)) {
            sync_readFile(i);
            count++;
        }
    }
    return count;
}

int sync_isTrackFile(const char* path)
{
    char name[TRACK_MAX_FILE_NAME];
    for (int i = 0; i < syncState.track_count; i++) {
        track_fileName(syncState.tracks[i].name, name);
        if (path_same(name, path))
            return 1;
    }
    return 0;
}

/* The folders of a name with '/' in it, made as needed. */
static int makeFolders(const char* path)
{
    char folder[TRACK_MAX_FILE_NAME];
    snprintf(folder, sizeof folder, "%s", path);
    for (char* slash = strchr(folder, '/'); slash; slash = strchr(slash + 1, '/')) {
        *slash = '\0';
        if (!path_makeFolder(folder))
            return 0;
        *slash = '/';
    }
    return 1;
}

int sync_writeFile(int index)
{
    const Track* track = &syncState.tracks[index];
    char path[TRACK_MAX_FILE_NAME];
    track_fileName(track->name, path);
    size_t size = 0;
    unsigned char* data = track_encode(track, &size);
    if (!data) {
        dkernel_warn("cannot save track file '%s': out of memory", path);
        return 0;
    }
    /* written beside the file under a hidden name and then renamed, so a
    ** reader never meets half a file */
    char temp[TRACK_MAX_FILE_NAME + 16];
    const char* slash = strrchr(path, '/');
    int folderLength = slash ? (int)(slash - path) + 1 : 0;
    snprintf(temp, sizeof temp, "%.*s.%s.saving", folderLength, path, path + folderLength);
    const char* why = nullptr;
    FILE* file = nullptr;
    if (!makeFolders(path) || !(file = fopen(temp, "wb")))
        why = strerror(errno);
    else if (fwrite(data, 1, size, file) != size)
        why = strerror(errno);
    if (file && fclose(file) != 0 && !why)
        why = strerror(errno);
    if (!why && rename(temp, path) != 0)
        why = strerror(errno);
    free(data);
    if (why) {
        if (file)
            unlink(temp);
        dkernel_warn("cannot save track file '%s': %s", path, why);
        return 0;
    }
    return 1;
}

/* Why a group cannot name tracks, or null.  '/' in a name makes folders
** of track files: none may leave the demo folder. */
static const char* badGroup(const char* group)
{
    size_t n = strlen(group);
    if (n == 0)
        return "no group name";
    if (n > TRACK_MAX_NAME - 3)
        return "group name too long";
    for (const char* part = group; part;) {
        const char* end = strchr(part, '/');
        size_t length = end ? (size_t)(end - part) : strlen(part);
        if ((length == 1 && part[0] == '.') || (length == 2 && part[0] == '.' && part[1] == '.'))
            return "'.' and '..' cannot be folder names of track files";
        part = end ? end + 1 : nullptr;
    }
    return nullptr;
}

Spline* sync_newSpline(const char* group)
{
    const char* why = badGroup(group);
    if (why)
        dkernel_error("Spline: invalid track group in 'sync:%s' (%s)", group, why);
    if (!(rowsPerSecond() > 0.0))
        dkernel_error("Spline: 'sync:%s' needs bpm above 0 and rows_per_beat of at least 1", group);
    Spline* spline = (Spline*)calloc(1, sizeof(Spline));
    if (!spline || !(spline->sync_group = strdup(group)))
        dkernel_error("Spline: out of memory");
    return spline;
}

void sync_attachChannels(Spline* spline, int channels)
{
    if (channels > SPLINE_MAX_CHANNELS)
        channels = SPLINE_MAX_CHANNELS;
    for (int c = 0; c < channels; c++) {
        char name[TRACK_MAX_NAME + 1];
        snprintf(name, sizeof name, "%s:%d", spline->sync_group, c + 1);
        if (c >= spline->channel_count) {
            int index = sync_useTrack(name);
            if (index < 0)
                dkernel_error("Spline: out of memory");
            spline->tracks[c] = index;
            spline->channel_count = c + 1;
        }
        /* every time: live reload and the checking run learn the files of
        ** each section that reads them */
        char path[TRACK_MAX_FILE_NAME];
        track_fileName(name, path);
        section_needFile(path);
    }
}

void sync_sampleSpline(const Spline* spline, double row, float* out)
{
    for (int c = 0; c < spline->channel_count; c++)
        out[c] = track_value(&syncState.tracks[spline->tracks[c]], row);
}
