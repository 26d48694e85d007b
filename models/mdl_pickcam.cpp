/*
** mdl_pickcam.cpp -- camera-pick files: which camera of a scene looks
** during which seconds of its section.
**
** The file has the block layout of shader scripts (blockfile_read): each
** '{' opens an entry, and "camera", "start" and "end" lines fill it.
*/
#include "scene.h"
#include "shader.h"

#include <stdlib.h>
#include <string.h>
#include <strings.h>

#include "dkernel.h"
#include "dk_script.h"

struct PickcamReader {
    const char* file;
    Pickcam* first;
    Pickcam* last;
    int      last_line;   /* line of the '{' that opened the last entry */
    int      unnamed_line;   /* first entry left without a camera, 0: none */
};

static void pickcam_close(PickcamReader* r)
{
    if (r->last && !r->last->camera && !r->unnamed_line) r->unnamed_line = r->last_line;
}

static void pickcam_key(void* user, const char* key, const char* value, int line)
{
    PickcamReader* r = (PickcamReader*)user;
    if (!key) {
        pickcam_close(r);
        Pickcam* p = (Pickcam*)calloc(1, sizeof(Pickcam));
        if (!p) dkernel_error("Out of memory");
        if (r->last) r->last->next = p;
        else r->first = p;
        r->last = p;
        r->last_line = line;
        return;
    }
    Pickcam* p = r->last;
    if (strcasecmp(key, "camera") == 0) {
        free(p->camera);
        p->camera = strdup(value);
        if (!p->camera) dkernel_error("Out of memory");
    } else if (strcasecmp(key, "start") == 0 || strcasecmp(key, "end") == 0) {
        /* the scripts' own number rule: a second that is no finite number
        ** fails here, with its line, not when playback reaches the entry */
        int start = strcasecmp(key, "start") == 0;
        if (!script_readNumber(value, DK_KEY_FLOAT, start ? &p->start : &p->end, nullptr))
            dkernel_error("Pickcam: invalid %s (pickcam '%s', line %d)", start ? "start" : "end",
                          r->file, line);
    } else {
        dkernel_error("Unknown pickcam variable");
    }
}

Pickcam* pickcam_load(const char* file)
{
    FILE* f = fopen(file, "rt");
    if (!f) dkernel_error("Pickcam: error loading '%s'", file);
    PickcamReader reader = { file, nullptr, nullptr, 0, 0 };
    /* A run that goes on after the fatal error (a checking run, live
    ** reload) keeps neither the file nor the entries read so far. */
    try {
        blockfile_read(f, pickcam_key, &reader);
    } catch (...) {
        fclose(f);
        pickcam_free(reader.first);
        throw;
    }
    fclose(f);
    /* An entry without a camera would stop the demo at its first second
    ** with an empty name; say so while loading, where the line is known. */
    pickcam_close(&reader);
    if (reader.unnamed_line) {
        pickcam_free(reader.first);
        dkernel_error("Pickcam: entry without a camera (pickcam '%s', line %d)", file,
                      reader.unnamed_line);
    }
    return reader.first;
}

void pickcam_free(Pickcam* list)
{
    while (list) {
        Pickcam* next = list->next;
        free(list->camera);
        free(list);
        list = next;
    }
}

const Pickcam* pickcam_find(const Pickcam* list, float t)
{
    for (; list; list = list->next)
        if (list->start <= t && t < list->end) return list;
    return nullptr;
}
