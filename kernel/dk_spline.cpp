/*
** dk_spline.cpp -- motion files, key placement and spline sampling.
**
** Files are read once in the loading phase; sampling runs every frame for
** every animated section, so it only searches and multiplies: no allocation.
*/
#include "dk_spline.h"
#include "dk_sync.h"

#include <stdlib.h>
#include <string.h>

/* The key rows of an open motion file; every fault is fatal. */
static void motion_readKeys(FILE* file, Spline* spline, const char* path)
{
    int capacity = 0;
    char line[DK_MAX_LINE];
    while (my_fgets(line, DK_MAX_LINE, file)) {
        if (line[0] == ';' || line[0] == '\n' || line[0] == '\r')
            continue;
        if (spline->key_count == capacity) {
            capacity = capacity ? capacity * 2 : 16;
            Key* keys = (Key*)realloc(spline->keys, (size_t)capacity * sizeof(Key));
            if (!keys)
                dkernel_error("Spline: out of memory reading '%s'", path);
            spline->keys = keys;
        }
        Key* key = &spline->keys[spline->key_count++];
        memset(key, 0, sizeof(Key));
        /* A row is a float list: a number that is no finite float ends it,
        ** so the row comes out short and fails the format or channel test. */
        int count = getFloatVector(line, key->values, SPLINE_MAX_CHANNELS);
        if (spline->channel_count == 0) {
            if (count == 0)
                dkernel_error("Spline: incorrect format in '%s'", path);
            spline->channel_count = count;
        } else if (count != spline->channel_count) {
            dkernel_error("Spline: incorrect channel in '%s'", path);
        }
    }
}

Spline* motion_load(const char* path)
{
    FILE* file = fopen(path, "r");
    if (!file)
        dkernel_error("Spline: error loading '%s'", path);
    Spline* spline = (Spline*)calloc(1, sizeof(Spline));
    if (!spline) {
        fclose(file);
        dkernel_error("Spline: out of memory reading '%s'", path);
    }
    /* A run that goes on after the fatal error (a checking run, live
    ** reload) keeps neither the file nor the rows read so far. */
    try {
        motion_readKeys(file, spline, path);
    } catch (...) {
        fclose(file);
        motion_free(spline);
        throw;
    }
    fclose(file);
    return spline;
}

void motion_free(Spline* spline)
{
    if (!spline)
        return;
    free(spline->keys);
    free(spline->sync_group);
    free(spline);
}

void motion_setDuration(Spline* spline, float duration)
{
    spline->duration = duration;
    if (spline->key_count < 2) {
        if (spline->key_count == 1)
            spline->keys[0].time = 0.0f;
        return;
    }
    /* Single precision with the division first, so key times match what a
    ** script author computes by hand (8 s over 5 keys: 0, 2, 4, 6, 8). */
    float step = duration / (float)(spline->key_count - 1);
    for (int k = 0; k < spline->key_count; k++)
        spline->keys[k].time = step * (float)k;
}

/* the prefix of a spline line that names tracks instead of a file */
static const char syncPrefix[] = "sync:";

int motion_isSync(const char* name)
{
    return strncmp(name, syncPrefix, sizeof syncPrefix - 1) == 0;
}

Spline* motion_open(const char* name)
{
    if (motion_isSync(name))
        return sync_newSpline(name + sizeof syncPrefix - 1);
    return motion_load(name);
}

void motion_loadSection(Section* section)
{
    for (int i = 0; i < section->spline_count; i++) {
        section->splines[i] = motion_open(section->spline_files[i]);
        motion_setDuration(section->splines[i], section->spline_durations[i]);
    }
}

void MotionCalcStep(const Spline* spline, float* out, float t)
{
    int n = spline->key_count;
    int channels = spline->channel_count;
    if (n == 0)
        return;
    const Key* keys = spline->keys;
    if (n == 1) {
        for (int c = 0; c < channels; c++)
            out[c] = keys[0].values[c];
        return;
    }

    int i = 1;
    while (i < n && t > keys[i].time)
        i++;
    if (i == n) {
        i = n - 1;
        t = keys[i].time;
    }
    const Key* A = &keys[i - 1];
    const Key* B = &keys[i];

    float delta = B->time - A->time;
    /* A spline placed over no time (its script line came before the
    ** section's end) has every key at 0: take the segment's end key rather
    ** than dividing by zero. */
    float u = delta > 0.0f ? (t - A->time) / delta : 1.0f;

    if (B->linear) {
        for (int c = 0; c < channels; c++)
            out[c] = A->values[c] + u * (B->values[c] - A->values[c]);
        return;
    }

    float u2 = u * u;
    float u3 = u2 * u;
    float h1 = 1.0f - 3.0f * u2 + 2.0f * u3;
    float h2 = 3.0f * u2 - 2.0f * u3;
    float h3 = u3 - 2.0f * u2 + u;
    float h4 = u3 - u2;

    float a1 = (1.0f - A->tension) * (1.0f + A->continuity) * (1.0f + A->bias);
    float a2 = (1.0f - A->tension) * (1.0f - A->continuity) * (1.0f - A->bias);
    float b1 = (1.0f - B->tension) * (1.0f - B->continuity) * (1.0f + B->bias);
    float b2 = (1.0f - B->tension) * (1.0f + B->continuity) * (1.0f - B->bias);

    const Key* P = i >= 2 ? &keys[i - 2] : nullptr;
    const Key* N = i + 1 < n ? &keys[i + 1] : nullptr;
    float sA = 0.5f, sB = 0.5f;
    if (P && B->time - P->time > 0.0f)
        sA = delta / (B->time - P->time);
    if (N && N->time - A->time > 0.0f)
        sB = delta / (N->time - A->time);

    for (int c = 0; c < channels; c++) {
        float a = A->values[c];
        float b = B->values[c];
        float chord = b - a;
        float leave = P ? sA * (a1 * (a - P->values[c]) + a2 * chord)
                        : 0.5f * (a1 + a2) * chord;
        float arrive = N ? sB * (b2 * (N->values[c] - b) + b1 * chord)
                         : 0.5f * (b1 + b2) * chord;
        out[c] = h1 * a + h2 * b + h3 * leave + h4 * arrive;
    }
}

void dkernel_getSpline(int index, float t, float* out)
{
    /* A section asking for a spline it does not have keeps its defaults
    ** rather than reading past the table. */
    if (index < 0 || index >= mySection->spline_count || !mySection->splines[index])
        return;
    const Spline* spline = mySection->splines[index];
    if (spline->sync_group) {
        /* Tracks follow the music's grid, not the section's clock: at the
        ** section's own time that is the demo's row now; a type sampling
        ** another moment (a path's trail) gets the row that far away. */
        sync_sampleSpline(spline, sync_row(demoSystem.time + (t - mySection->elapsed)), out);
    } else {
        MotionCalcStep(spline, out, t);
    }
    for (int m = 0; m < mySection->modifier_count; m++) {
        const Modifier* mod = &mySection->modifiers[m];
        if (mod->spline != index + 1 || mod->kind != 1)
            continue;
        if (mod->channel < 1 || mod->channel > spline->channel_count)
            continue;
        out[mod->channel - 1] += demoSystem.beat * 10.0f;
    }
}
