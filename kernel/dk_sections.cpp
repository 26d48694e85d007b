/*
** dk_sections.cpp -- the loading phase, the ready and run queues, and the
** per-frame calls that start, draw and end sections; section errors and
** playback warnings.
**
** ready_queue is ordered by start (earlier-parsed first among equals) and
** run_queue by layer (most recently activated first among equals); both
** are doubly linked through the sections' own links.
*/
#include "dkernel.h"
#include "dk_spline.h"
#include "dk_sync.h"
#include "dk_loop.h"
#include "dk_sections.h"
#include "dk_script.h"
#include "font.h"
#include "gldrv.h"
#include "tex.h"

#include <GL/gl.h>
#include <SDL/SDL.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>

#include <string>

const char log_separator[] = "============================================================\n";

static float loadingSeconds(unsigned int t0)
{
    return (float)(dkernel_ticks() - t0) * 0.001f;
}

static void debugLog(const char* format, ...) __attribute__((format(printf, 1, 2)));
static void debugLog(const char* format, ...)
{
    if (!demoSystem.debug) return;
    va_list ap;
    va_start(ap, format);
    vprintf(format, ap);
    va_end(ap);
    fflush(stdout);
}

/* ---- queue primitives ---- */

/* The selection rule: does the section take part when the demo stands at
   `reference`?  The loading type never plays: it draws only the loading
   phase and frees its pictures at its end. */
int sections_selected(const Section* s, float reference)
{
    if (s->type == 0) return 0;
    return (s->start < demoSystem.demo_end || demoSystem.demo_end == 0.0f) && s->end > reference;
}

/* Both queues are kept the same way and differ only in their links, head
   and sort key; a new section goes before the others with an equal key. */
template <typename Key>
static void queueInsert(Section** head, Section* Section::*next, Section* Section::*prev,
                        Key Section::*key, Section* s)
{
    Section* before = nullptr;
    Section* at = *head;
    while (at && at->*key < s->*key) {
        before = at;
        at = at->*next;
    }
    s->*prev = before;
    s->*next = at;
    if (at) at->*prev = s;
    if (before) before->*next = s;
    else *head = s;
}

static void queueUnlink(Section** head, Section* Section::*next, Section* Section::*prev, Section* s)
{
    if (s->*prev) (s->*prev)->*next = s->*next;
    else *head = s->*next;
    if (s->*next) (s->*next)->*prev = s->*prev;
    s->*next = s->*prev = nullptr;
}

static void readyInsert(Section* s)
{
    queueInsert(&demoSystem.ready_queue, &Section::ready_next, &Section::ready_prev, &Section::start, s);
}

static void readyUnlink(Section* s)
{
    queueUnlink(&demoSystem.ready_queue, &Section::ready_next, &Section::ready_prev, s);
}

static void runInsert(Section* s)
{
    queueInsert(&demoSystem.run_queue, &Section::run_next, &Section::run_prev, &Section::layer, s);
}

static void runUnlink(Section* s)
{
    queueUnlink(&demoSystem.run_queue, &Section::run_next, &Section::run_prev, s);
}

static void callFunction(Section* s, SectionFunc SectionType::*which)
{
    mySection = s;
    SectionFunc f = sectionFunction[s->type].*which;
    if (f) f();
}

/* ---- the loading phase ---- */

void section_load(Section* s)
{
    mySection = s;
    if (s->type >= 0 && s->type < DK_SECTION_TYPES && sectionCheck[s->type]) sectionCheck[s->type]();
    callFunction(s, &SectionType::load);
    s->loaded = 1;
}

static const char* sectionName(const Section* s)
{
    return (s->type >= 0 && s->type < DK_SECTION_TYPES) ? sectionFunction[s->type].name : "?";
}

void section_needFile(const char* path)
{
    /* Loading reports a missing file with the loader's own message; live
    ** reload learns here which files each section depends on, and a
    ** checking run, which opens nothing, looks ahead. */
    if (kernelHooks.fileUsed)
        kernelHooks.fileUsed(mySection, path);
}

void section_needChannels(int spline, int channels)
{
    /* A normal run plays a short spline (the channels it lacks keep what
    ** the section put there) but says so at load; a checking run calls it
    ** a mistake in the same words. */
    const Section* s = mySection;
    if (!s || spline < 1 || spline > s->spline_count)
        return;
    Spline* read = s->splines[spline - 1];
    /* tracks have as many channels as the type reads */
    if (read && read->sync_group) {
        sync_attachChannels(read, channels);
        return;
    }
    if (!read || read->channel_count >= channels)
        return;
    char message[DK_MAX_PATH + 128];
    snprintf(message, sizeof message, "%s: spline %d needs %d channels, '%s' has %d",
             sectionName(s), spline, channels, s->spline_files[spline - 1], read->channel_count);
    if (dkernel_collecting())
        dkernel_report(s->script, s->line, 0, "%s", message);
    else
        fprintf(stderr, "Warning: %s:%d: %s\n", s->script ? s->script : "?", s->line, message);
}

/* "1 spline needed, 0 given", "at least 3 strings needed, 2 given",
** "0 or 1 splines needed, 2 given", "1 to 4 params needed, 5 given" */
static void section_checkCount(int count, SectionCount want, const char* one, const char* many)
{
    if (count >= want.min && (want.max == DK_COUNT_ANY || count <= want.max))
        return;
    if (want.message)
        section_error("%s, %d given", want.message, count);
    if (want.max == want.min)
        section_error("%d %s needed, %d given", want.min, want.min == 1 ? one : many, count);
    if (want.max == DK_COUNT_ANY)
        section_error("at least %d %s needed, %d given", want.min, want.min == 1 ? one : many, count);
    section_error("%d %s %d %s needed, %d given", want.min, want.max == want.min + 1 ? "or" : "to",
                  want.max, many, count);
}

/* ---- lines whose items the type never reads ---- */

/* each kind's one and many, and the keyword that gives it */
static const char* const sourceNoun[][3] = {
    { "param", "params", "param" }, { "string", "strings", "string" },
    { "spline", "splines", "spline" }, { "modifier", "modifiers", "modify" },
};

/* "reads no strings", "reads 1 param", "reads up to 4 splines" */
static void readsText(char* out, size_t size, SectionCount want, int kind)
{
    const char* const* noun = sourceNoun[kind];
    if (want.reads == 0)
        snprintf(out, size, "reads no %s", noun[1]);
    else if (want.reads == want.min)
        snprintf(out, size, "reads %d %s", want.reads, noun[want.reads == 1 ? 0 : 1]);
    else
        snprintf(out, size, "reads up to %d %s", want.reads, noun[want.reads == 1 ? 0 : 1]);
}

/* Warns about the line `src` of the current section, which gives items the
** type does not read: `unread` of them, the first being item `from`
** (1-based; for a modifier, the spline it modifies); `reads` says what the
** type does read. */
static void warnUnread(SectionSource* src, const char* reads, int from, int unread)
{
    /* a type that checks its counts in two calls must not say it twice */
    if (src->warned)
        return;
    src->warned = 1;
    const Section* s = mySection;
    const char* const* noun = sourceNoun[src->kind];
    const char* keyword = noun[2];
    std::string key(src->text, strcspn(src->text, " \t"));
    char message[1024];
    int n = snprintf(message, sizeof message, "%s %s; '%s' ", sectionName(s), reads, src->text);
    char* at = message + (n < (int)sizeof message ? n : (int)sizeof message - 1);
    size_t left = sizeof message - (size_t)(at - message);
    if (strcasecmp(key.c_str(), keyword) == 0) {
        /* the keyword itself: nothing was misread, there is just one too many */
        if (src->kind == DK_SOURCE_MODIFIER)
            snprintf(at, left, "modifies spline %d, which %s", from,
                     from >= 1 && from <= s->spline_count ? "it does not read"
                                                          : "the section does not have");
        else if (unread == 1)
            snprintf(at, left, "gives %s %d, which it does not read", noun[0], from);
        else
            snprintf(at, left, "gives %s %d to %d, which it does not read", noun[1], from,
                     from + unread - 1);
    } else {
        const char* closest = script_closestName(key.c_str(), scriptSectionCommand,
                                              sizeof scriptSectionCommand[0], DK_SECTION_COMMANDS);
        char guess[128] = "";
        if (closest && strcmp(closest, keyword) != 0)
            snprintf(guess, sizeof guess, " \u2014 did you mean '%s'?", closest);
        if (src->count == 1)
            snprintf(at, left, "was read as a %s%s", noun[0], guess);
        else
            snprintf(at, left, "was read as %d %s%s", src->count, noun[1], guess);
    }
    if (dkernel_collecting())
        dkernel_report(s->script, src->line, 1, "%s", message);
    else
        fprintf(stderr, "Warning: %s:%d: %s\n", s->script ? s->script : "?", src->line, message);
}

static void warnUnreadLines(SectionCount params, SectionCount strings, SectionCount splines)
{
    const Section* s = mySection;
    const SectionCount* want[] = { &params, &strings, &splines, &splines };
    for (int i = 0; i < s->source_count; i++) {
        SectionSource* src = &s->sources[i];
        const SectionCount& w = *want[src->kind];
        char reads[64];
        readsText(reads, sizeof reads, w, src->kind == DK_SOURCE_MODIFIER ? DK_SOURCE_SPLINE : src->kind);
        if (src->kind == DK_SOURCE_MODIFIER) {
            /* a modifier counts only on a spline the type reads and has */
            int spline = s->modifiers[src->first].spline;
            if (spline < 1 || spline > s->spline_count || (w.reads != DK_COUNT_ANY && spline > w.reads))
                warnUnread(src, reads, spline, 1);
            continue;
        }
        if (w.reads == DK_COUNT_ANY || src->first + src->count <= w.reads)
            continue;
        int from = src->first > w.reads ? src->first : w.reads;
        warnUnread(src, reads, from + 1, src->first + src->count - from);
    }
}

void section_needCounts(SectionCount params, SectionCount strings, SectionCount splines)
{
    warnUnreadLines(params, strings, splines);
    section_checkCount(mySection->param_count, params, "param", "params");
    section_checkCount(mySection->string_count, strings, "string", "strings");
    section_checkCount(mySection->spline_count, splines, "spline", "splines");
}

void* section_allocVars(size_t size)
{
    void* vars = calloc(1, size > 0 ? size : 1);
    if (!vars)
        section_error("out of memory");
    mySection->vars = vars;
    return vars;
}

void section_freeVars(void)
{
    free(mySection->vars);
    mySection->vars = nullptr;
}

void section_free(Section* s)
{
    if (!s)
        return;
    mySection = s;
    if (s->type >= 0 && s->type < DK_SECTION_TYPES)
        sectionFree[s->type]();
    else
        section_freeVars();
    mySection = nullptr;
    for (int i = 0; i < s->spline_count; i++) {
        motion_free(s->splines[i]);
        free(s->spline_files[i]);
    }
    for (int i = 0; i < s->string_count; i++)
        free(s->strings[i]);
    script_freeSources(s);
    free(s);
}

/* One event between loading steps, so the window stays responsive and a
   close or Escape ends the player after the current step. */
static void loadingEvent(void)
{
    SDL_Event event;
    if (SDL_PollEvent(&event)) eventHandler(event);
    if (demoSystem.exit_flag) {
        dkernel_closeDemo();
        exit(0);
    }
}

void init_sectionQueues(void)
{
    timer_checkRate();

    debugLog("\n%s", log_separator);
    debugLog("loading: start\n");
    unsigned int t0 = dkernel_ticks();

    Section* loading = nullptr;
    for (Section* s = demoSystem.section_list; s; s = s->next)
        if (s->type == 0) { loading = s; break; }
    if (!loading) dkernel_error("Loading section not found");

    demoSystem.preload_total = 0;
    demoSystem.load_total = 0;
    demoSystem.loaded_count = 0;
    callFunction(loading, &SectionType::preload);
    section_load(loading);
    callFunction(loading, &SectionType::init);
    callFunction(loading, &SectionType::render);

    demoSystem.run_queue = nullptr;
    demoSystem.ready_queue = nullptr;
    debugLog("loading: section setup complete, %.2f seconds\n", loadingSeconds(t0));

    for (Section* s = demoSystem.section_list; s; s = s->next) {
        s->ready_next = s->ready_prev = s->run_next = s->run_prev = nullptr;
        if (!sections_selected(s, demoSystem.demo_start)) continue;
        demoSystem.load_total += 1;
        mySection = s;   /* spline errors name the section being prepared */
        motion_loadSection(s);
        readyInsert(s);
    }
    mySection = loading;

    demoSystem.preload_total += DK_SECTION_TYPES - 1;
    debugLog("loading: build ready queue, %.2f seconds\n", loadingSeconds(t0));
    debugLog("loading: %d sections to be preloaded\n", demoSystem.preload_total);

    for (int type = 1; type < DK_SECTION_TYPES; type++) {
        mySection = loading;
        if (sectionFunction[type].preload) sectionFunction[type].preload();
        demoSystem.loaded_count += 1;
        callFunction(loading, &SectionType::render);
        loadingEvent();
    }

    debugLog("loading: sections preloaded, %.2f seconds\n", loadingSeconds(t0));
    debugLog("loading: %d sections to be loaded\n", demoSystem.load_total);

    for (Section* s = demoSystem.ready_queue; s; s = s->ready_next) {
        section_load(s);
        demoSystem.loaded_count += 1;
        callFunction(loading, &SectionType::render);
        loadingEvent();
    }

    debugLog("\nloading: sections loaded, %.2f seconds\n", loadingSeconds(t0));
    callFunction(loading, &SectionType::end);
}

/* ---- one frame ---- */

void sections_advance(void)
{
    float time = demoSystem.time;

    for (Section* s = demoSystem.run_queue; s;) {
        Section* next = s->run_next;
        if (s->end <= time) {
            runUnlink(s);
            callFunction(s, &SectionType::end);
        }
        s = next;
    }

    for (Section* s = demoSystem.ready_queue; s;) {
        if (s->start > time) break;
        Section* next = s->ready_next;
        readyUnlink(s);
        if (s->end > time) {
            s->elapsed = time - s->start;
            callFunction(s, &SectionType::init);
            runInsert(s);
        }
        s = next;
    }
}

void process_sectionQueues(void)
{
    float time = demoSystem.time;
    sections_advance();

    gldrv_initRender(1);
    /* No camera yet this frame, so none of an earlier frame either: what is
       drawn before a camera section sees the identity, and a second looks
       the same after a rewind or restart as it did the first time. */
    demoSystem.current_camera = nullptr;
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    for (Section* s = demoSystem.run_queue; s; s = s->run_next) {
        if (s->end <= time) {
            dkernel_warn("Finished section not detected");
            continue;
        }
        tex_reset_bind();
        callFunction(s, &SectionType::render);
        s->elapsed = time - s->start;
    }
    gldrv_initRender(0);

    /* Only frames of the demo playing forward belong to the video.  A paused,
       rewinding or fast-forwarding debug session would otherwise write the
       same picture again every loop and fill the disk while nobody watches. */
    if (demoSystem.record && demoSystem.state == 0) gldrv_capture();
    gldrv_endRender();

    if (demoSystem.fps) drawFps();
    else if (demoSystem.timing) drawTiming();
    gldrv_swap();
}

void reinit_sectionQueues(void)
{
    demoSystem.ready_queue = nullptr;
    Section* active = demoSystem.run_queue;
    demoSystem.run_queue = nullptr;
    for (Section* s = active; s;) {
        Section* next = s->run_next;
        callFunction(s, &SectionType::end);
        s = next;
    }

    for (Section* s = demoSystem.section_list; s; s = s->next) {
        s->ready_next = s->ready_prev = s->run_next = s->run_prev = nullptr;
        s->elapsed = 0.0f;
        if (sections_selected(s, demoSystem.time)) readyInsert(s);
    }
}

/* ---- errors and warnings ---- */

void section_error(const char* format, ...)
{
    char msg[1024];
    va_list ap;
    va_start(ap, format);
    vsnprintf(msg, sizeof msg, format, ap);
    va_end(ap);
    const Section* s = mySection;
    if (!s) dkernel_error("%s", msg);
    const char* name = sectionName(s);
    /* a collecting run names the section by its script and line instead;
    ** the player says both, so the section can be found in its script */
    char full[2048], brief[2048], where[DK_MAX_PATH + 64] = "";
    if (s->script)
        snprintf(where, sizeof where, " (script '%s', line %d)", s->script, s->line);
    snprintf(full, sizeof full, "%s (%d, %f -> %f): %s%s", name, s->layer, (double)s->start,
             (double)s->end, msg, where);
    snprintf(brief, sizeof brief, "%s: %s", name, msg);
    dkernel_raise(full, brief);
}

void dkernel_warn(const char* format, ...)
{
    char msg[1024];
    va_list ap;
    va_start(ap, format);
    vsnprintf(msg, sizeof msg, format, ap);
    va_end(ap);
    fprintf(stderr, "Warning: second %.2f, message '%s'\n", (double)demoSystem.time, msg);
}
