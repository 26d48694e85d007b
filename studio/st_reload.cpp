/*
** st_reload.cpp -- live reload: watching the demo folder, deciding when a
** change matters, and swapping in the demo read again.
**
** A reload parses every script into a fresh section list while the old one
** keeps playing.  Sections that read the same as before and whose files did
** not change keep their loaded record, so textures, models and private data
** are not made again on every save; only new or edited sections and those
** whose files changed are loaded.  Changed pictures are read again into
** their own texture slot and changed models into their own cache entry.
** The records a reload replaces are released with everything they hold, so
** an afternoon of edits does not grow the player.
** Any error on the way (a script, spline, picture or model that does not
** load) raises the kernel's DemoError, caught here: the message is printed,
** what the new demo had loaded is released, and the settings and sections
** of the demo that was playing are put back.
*/
#include "st_reload.h"
#include "dk_loop.h"
#include "dk_path.h"
#include "dk_script.h"
#include "dk_sections.h"
#include "dk_spline.h"
#include "dk_sync.h"
#include "st_video.h"
#include "gldrv.h"
#include "model.h"
#include "tex.h"

#include "st_watch.h"

#include <SDL/SDL.h>
#include <ctype.h>
#include <errno.h>
#include <limits.h>
#ifdef __GLIBC__
#include <malloc.h>
#endif
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>
#include <sys/stat.h>

ReloadState reloadState = { 0, 0, {}, 0, 0, 0, 0, {}, 0 };

/* how long the files must be quiet before a reload: editors write a file
** in several steps (a backup, the file, its attributes) */
#define RELOAD_SETTLE_MS 150

/* ---- paths ---- */

/* File names compare without regard to case, as textures are shared. */
static int samePath(const char* a, const std::string& normalized)
{
    return path_same(a, normalized.c_str());
}

static int isChanged(const char* path)
{
    for (const std::string& c : reloadState.changed)
        if (samePath(path, c))
            return 1;
    return 0;
}

static int isScript(const std::string& path)
{
    size_t slash = path.rfind('/');
    return path.find(".lum", slash == std::string::npos ? 0 : slash) != std::string::npos;
}

/* Files the player writes itself, and editors' scratch files. */
static int ignored(const std::string& path)
{
    size_t slash = path.rfind('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    size_t n = name.size();
    if (n == 0 || name[0] == '.' || name[n - 1] == '~' || name == "4913")
        return 1;
    if (n > 4 && (name.compare(n - 4, 4, ".swp") == 0 || name.compare(n - 4, 4, ".swx") == 0))
        return 1;
    if (path.compare(0, 6, "video/") == 0 || path == "video")
        return 1;
    /* screenshots land in the demo folder itself */
    return slash == std::string::npos && n == 12 && name.compare(0, 6, "screen") == 0 &&
           isdigit((unsigned char)name[6]) && isdigit((unsigned char)name[7]) &&
           name.compare(8, 4, ".tga") == 0;
}

void reload_noteFile(const Section* section, const char* path)
{
    if (section && path)
        reloadState.uses.push_back({ section, path_normalize(path) });
}

/* ---- watching ---- */

static void startWatching(void)
{
    reloadState.tried = 1;
    int folders = watch_start(ignored);
    reloadState.watching = folders >= 0;
    if (!reloadState.watching)
        return;
    printf("live reload: watching %d folders\n", folders);
    fflush(stdout);
}

static void stopWatching(void)
{
    watch_stop();
    reloadState.watching = 0;
    reloadState.tried = 0;
}

static void noteChange(const std::string& path)
{
    for (const std::string& c : reloadState.changed)
        if (c == path)
            return;
    reloadState.changed.push_back(path);
}

static void takeEvent(const std::string& path, int kind)
{
    /* while an editor holds the tracks their files are its saves */
    if (syncState.live && sync_isTrackFile(path.c_str()))
        return;
    /* scripts may have come or gone with a folder */
    if (kind != WATCH_FILE)
        reloadState.forced = 1;
    if (kind == WATCH_FILE || kind == WATCH_GONE)
        noteChange(path);
    reloadState.last_event = dkernel_ticks();
    reloadState.pending = 1;
}

/* Does any change touch the demo: a script, or a file one of its sections
** or the texture and model tables name? */
static int changeMatters(void)
{
    if (reloadState.failed || reloadState.forced)
        return 1;
    for (const std::string& c : reloadState.changed) {
        if (isScript(c))
            return 1;
        if (tex_usesFile(c.c_str()) || model_usesFile(c.c_str()))
            return 1;
        for (const ReloadUse& u : reloadState.uses)
            if (u.path == c)
                return 1;
        for (const Section* s = demoSystem.section_list; s; s = s->next) {
            for (int i = 0; i < s->string_count; i++)
                if (samePath(s->strings[i], c))
                    return 1;
            for (int i = 0; i < s->spline_count; i++)
                if (samePath(s->spline_files[i], c))
                    return 1;
        }
    }
    return 0;
}

void reload_poll(void)
{
    if (!demoSystem.debug || !demoSystem.live_reload || videoState.active) {
        if (reloadState.tried)
            stopWatching();
        return;
    }
    if (!reloadState.tried)
        startWatching();
    if (!reloadState.watching)
        return;
    watch_read(takeEvent);
    /* a failed reload waits for the next change: the files are as they were */
    if (!reloadState.pending || dkernel_ticks() - reloadState.last_event < RELOAD_SETTLE_MS)
        return;
    reloadState.pending = 0;
    if (changeMatters()) {
        reload_demo();
    } else {
        reloadState.changed.clear();
    }
}

/* ---- reloading ---- */

static int sameStrings(char* const* a, char* const* b, int count)
{
    for (int i = 0; i < count; i++)
        if (strcmp(a[i] ? a[i] : "", b[i] ? b[i] : "") != 0)
            return 0;
    return 1;
}

/* Everything the script says about a section, its position in the
** scripts aside. */
static int sameSection(const Section* a, const Section* b)
{
    if (a->type != b->type || a->start != b->start || a->end != b->end || a->layer != b->layer ||
        a->blend_on != b->blend_on || a->blend_src != b->blend_src || a->blend_dst != b->blend_dst ||
        a->alpha_on != b->alpha_on || a->alpha_func != b->alpha_func ||
        a->alpha_ref_start != b->alpha_ref_start || a->alpha_ref_end != b->alpha_ref_end ||
        a->param_count != b->param_count || a->string_count != b->string_count ||
        a->spline_count != b->spline_count || a->modifier_count != b->modifier_count)
        return 0;
    if (memcmp(a->params, b->params, sizeof(float) * (size_t)a->param_count) != 0)
        return 0;
    if (!sameStrings(a->strings, b->strings, a->string_count) ||
        !sameStrings(a->spline_files, b->spline_files, a->spline_count))
        return 0;
    if (memcmp(a->spline_durations, b->spline_durations, sizeof(float) * (size_t)a->spline_count) != 0)
        return 0;
    for (int i = 0; i < a->modifier_count; i++)
        if (a->modifiers[i].spline != b->modifiers[i].spline ||
            a->modifiers[i].channel != b->modifiers[i].channel ||
            a->modifiers[i].kind != b->modifiers[i].kind)
            return 0;
    return 1;
}

static int usesChangedFile(const Section* s)
{
    for (int i = 0; i < s->string_count; i++)
        if (isChanged(s->strings[i]))
            return 1;
    for (int i = 0; i < s->spline_count; i++)
        if (isChanged(s->spline_files[i]))
            return 1;
    for (const ReloadUse& u : reloadState.uses)
        if (u.section == s && isChanged(u.path.c_str()))
            return 1;
    return 0;
}

/* The pairing of freshly parsed sections with old records they can keep
** using, made by one reload. */
static std::vector<Section*> keptFor;    /* per fresh section in list order: old record or null */
static std::vector<Section*> keptOld;
static int reread;                       /* pictures and models read again */

static Section* findKept(Section* oldList, const Section* fresh)
{
    if (fresh->type == 0 || usesChangedFile(fresh))
        return nullptr;
    int plays = sections_selected(fresh, demoSystem.demo_start);
    for (Section* o = oldList; o; o = o->next) {
        if (o->type == 0 || !sameSection(o, fresh) || usesChangedFile(o) || (plays && !o->loaded))
            continue;
        int taken = 0;
        for (Section* k : keptOld)
            taken |= k == o;
        if (!taken)
            return o;
    }
    return nullptr;
}

static int namedBy(const Section* list, const char* file)
{
    std::string wanted = path_normalize(file);
    for (const Section* s = list; s; s = s->next)
        for (int i = 0; i < s->string_count; i++)
            if (samePath(s->strings[i], wanted))
                return 1;
    return 0;
}

/* Changed pictures are read again in place; a picture that is gone is
** only an error when the new demo still names it. */
static void rereadChangedFiles(const Section* fresh)
{
    reread = 0;
    for (const std::string& c : reloadState.changed) {
        struct stat st;
        if (stat(c.c_str(), &st) == 0 || namedBy(fresh, c.c_str()))
            reread += tex_reloadFile(c.c_str());
        reread += model_reloadFile(c.c_str());
        reread += sync_reloadFile(c.c_str());
    }
}

/* Everything that may fail: parse, read changed files, load what is new.
** Leaves the fresh list in demoSystem.section_list. */
static void loadFreshDemo(Section* oldList)
{
    dkernel_setDefaults();
    recurseDirectories(".");
    Section* fresh = demoSystem.section_list;
    int hasLoading = 0;
    for (const Section* s = fresh; s; s = s->next)
        hasLoading |= s->type == 0;
    if (!hasLoading)
        dkernel_error("Loading section not found");
    timer_checkRate();
    rereadChangedFiles(fresh);

    keptFor.clear();
    keptOld.clear();
    for (Section* s = fresh; s; s = s->next) {
        Section* kept = findKept(oldList, s);
        keptFor.push_back(kept);
        if (kept) {
            keptOld.push_back(kept);
            continue;
        }
        if (s->type == 0 || !sections_selected(s, demoSystem.demo_start))
            continue;
        mySection = s;
        motion_loadSection(s);
        section_load(s);
    }
    mySection = nullptr;
}

/* A section record that is out of the demo, with everything it holds; the
** files it used are forgotten with it. */
static void releaseSection(Section* s)
{
    std::vector<ReloadUse>& uses = reloadState.uses;
    size_t kept = 0;
    for (size_t i = 0; i < uses.size(); i++)
        if (uses[i].section != s)
            uses[kept++] = uses[i];
    uses.resize(kept);
    section_free(s);
}

static void releaseList(Section* list)
{
    while (list) {
        Section* next = list->next;
        releaseSection(list);
        list = next;
    }
}

/* The records of the old list that the joined list does not hold: they are
** off the queues by now (reinit_sectionQueues ended the running ones, and a
** loading section never plays). */
static void releaseReplaced(Section* oldList, const Section* joined)
{
    for (Section* o = oldList; o;) {
        Section* next = o->next;
        int held = 0;
        for (const Section* s = joined; s && !held; s = s->next)
            held = s == o;
        if (!held)
            releaseSection(o);
        o = next;
    }
}

/* The fresh list with kept records in place of their duplicates; true
** when it is the old list exactly (same records in the same order). */
static int joinLists(Section* oldList, Section** joined)
{
    Section* head = nullptr;
    Section** tail = &head;
    size_t i = 0;
    int same = reread == 0;
    const Section* o = oldList;
    for (Section* s = demoSystem.section_list; s; i++) {
        Section* next = s->next;
        Section* keep = keptFor[i] ? keptFor[i] : s;
        while (o && o->type == 0)
            o = o->next;
        if (keep->type != 0) {
            same = same && keep == o;
            if (o)
                o = o->next;
        }
        if (keep != s) {
            keep->script = s->script;
            keep->line = s->line;
            releaseSection(s);
        }
        *tail = keep;
        keep->next = nullptr;
        tail = &keep->next;
        s = next;
    }
    while (o && o->type == 0)
        o = o->next;
    *joined = head;
    return same && !o;
}

/* Window, texture detail, record and sound settings belong to the start:
** they are put back, with a note for the keys a script changed. */
static void keepStartSettings(const DemoSystem* demo, const GlDriver* driver, int detail)
{
    std::string changed;
    for (const ScriptCommand& c : scriptCommand) {
        const char* at = (const char*)c.target;
        const void* before = nullptr;
        if (at >= (const char*)&glDriver && at < (const char*)(&glDriver + 1))
            before = (const char*)driver + (at - (const char*)&glDriver);
        else if (c.target == &tex_detail)
            before = &detail;
        else if (c.target == &demoSystem.sound)
            before = &demo->sound;
        else if (c.target == &demoSystem.record)
            before = &demo->record;
        if (before && memcmp(before, c.target, c.type == DK_KEY_FLOAT ? sizeof(float) : sizeof(int)) != 0)
            changed += (changed.empty() ? "" : ", ") + std::string(c.name);
    }
    glDriver = *driver;
    tex_detail = detail;
    demoSystem.sound = demo->sound;
    demoSystem.record = demo->record;
    if (!changed.empty())
        printf("live reload: %s take effect at the next start\n", changed.c_str());
}

/* A reload lets a whole demo's worth of memory go at once, in blocks spread
** between the ones the new demo took: handed back to the system, they do
** not raise the resident size a little further with every edit. */
static void giveBackMemory(void)
{
#ifdef __GLIBC__
    malloc_trim(0);
#endif
}

int reload_demo(void)
{
    DemoSystem savedDemo = demoSystem;
    GlDriver savedDriver = glDriver;
    int savedDetail = tex_detail;
    Section* oldList = demoSystem.section_list;

    demoSystem.section_list = nullptr;
    try {
        loadFreshDemo(oldList);
    } catch (const DemoError& error) {
        /* the old demo goes on as it was; what the new one had read and
        ** loaded goes (every reader let go of its files as it failed) */
        fprintf(stderr, "Error: %s\n", error.message);
        releaseList(demoSystem.section_list);
        giveBackMemory();
        demoSystem = savedDemo;
        glDriver = savedDriver;
        tex_detail = savedDetail;
        mySection = nullptr;
        reloadState.failed = 1;
        reloadState.forced = 0;
        fprintf(stderr, "live reload: the demo plays on as it was; fix the file to reload it\n");
        init_timer();
        return 0;
    }

    Section* joined = nullptr;
    int same = joinLists(oldList, &joined);
    keepStartSettings(&savedDemo, &savedDriver, savedDetail);
    if (demoSystem.demo_name != savedDemo.demo_name &&
        strcmp(demoSystem.demo_name, savedDemo.demo_name) != 0)
        SDL_WM_SetCaption(demoSystem.demo_name, NULL);
    int loadedAgain = 0, total = 0;
    for (Section* s = joined; s; s = s->next) {
        if (s->type == 0)
            continue;
        total++;
        int kept = 0;
        for (Section* k : keptOld)
            kept |= k == s;
        loadedAgain += !kept && s->loaded;
    }
    demoSystem.section_list = joined;
    /* the sections due now start again at the current second, the music
    ** among them; a save that changed nothing leaves them playing */
    if (!same)
        reinit_sectionQueues();
    releaseReplaced(oldList, joined);
    giveBackMemory();
    reloadState.changed.clear();
    reloadState.forced = 0;
    reloadState.failed = 0;
    reloadState.reloads++;
    init_timer();
    printf("live reload: second %.2f, %d of %d sections loaded again\n", (double)demoSystem.time,
           loadedAgain, total);
    fflush(stdout);
    return 1;
}
