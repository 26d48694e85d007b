/*
** st_check.cpp -- `player --check`: parse every script, load every
** spline, run every section type's check and report each problem as
** script:line: message, without a window or a display.
**
** The checks themselves are the loading code's own (the parser, the spline
** reader, check_<type>, the selection rule); this module only runs them
** with the fatal paths turned into collected problems, adds the warnings
** about sections that can never play, and prints the report.
*/
#include "dkernel.h"
#include "st_check.h"
#include "dk_path.h"
#include "dk_loop.h"
#include "dk_sections.h"
#include "dk_spline.h"
#include "font.h"

#include <errno.h>
#include <fcntl.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

int checking_on = 0;

struct CheckingProblem {
    char*       script;   /* null: the demo as a whole */
    int         line;
    int         warning;
    int         seq;      /* report order, the last sort key */
    char*       text;
};

static CheckingProblem* problems = nullptr;
static int problemCount = 0;
static int problemCapacity = 0;
static const char* shownFolder = ".";

void checking_report(const char* script, int line, int warning, const char* format, ...)
{
    char text[1024];
    va_list ap;
    va_start(ap, format);
    vsnprintf(text, sizeof text, format, ap);
    va_end(ap);
    /* a message that ends in a line end (a spline row quoted whole) would
    ** break the one-problem-a-line report */
    size_t n = strlen(text);
    while (n > 0 && (text[n - 1] == '\n' || text[n - 1] == '\r'))
        text[--n] = '\0';

    if (problemCount == problemCapacity) {
        int capacity = problemCapacity ? problemCapacity * 2 : 32;
        CheckingProblem* grown = (CheckingProblem*)realloc(problems, capacity * sizeof *problems);
        if (!grown) {
            fprintf(stderr, "Error: Out of memory\n");
            exit(1);
        }
        problems = grown;
        problemCapacity = capacity;
    }
    /* the script name may live in a caller's buffer: keep a copy */
    CheckingProblem* p = &problems[problemCount];
    p->script = script ? strdup(script) : nullptr;
    p->line = line;
    p->warning = warning;
    p->seq = problemCount;
    p->text = strdup(text);
    if (!p->text || (script && !p->script)) {
        fprintf(stderr, "Error: Out of memory\n");
        exit(1);
    }
    problemCount++;
}

const char* checking_unreadable(const char* path)
{
    if (!path || !*path)
        return "no file name";
    /* non-blocking, so that a pipe named like a picture cannot stall us */
    bool plain = false;
    int fd = path_openPlain(path, &plain);
    if (fd < 0)
        return strerror(errno);
    close(fd);
    return plain ? nullptr : "not a plain file";
}

/* ---- the checks of one section ---- */

/* Each spline file is read once; the result stays on the section so that
** check_<type> can ask for channel counts (section_needChannels). */
static void checkSplines(Section* s)
{
    for (int i = 0; i < s->spline_count; i++) {
        const char* path = s->spline_files[i];
        if (motion_isSync(path)) {
            /* tracks: their files are named (and packed) as the type asks
            ** for channels */
            dkernel_guard(s->script, s->line, [s, i, path] { s->splines[i] = motion_open(path); });
            continue;
        }
        if (checking_fileSink)
            checking_fileSink(s, path);
        const char* why = checking_unreadable(path);
        if (why) {
            checking_report(s->script, s->line, 0, "Spline: error loading '%s' (%s)", path, why);
            continue;
        }
        dkernel_guard(s->script, s->line, [s, i, path] { s->splines[i] = motion_load(path); });
    }
}

/* The selection rule decides what plays; say why a section falls out. */
static void checkPlays(const Section* s)
{
    const char* name = sectionFunction[s->type].name;
    if (s->end <= s->start)
        checking_report(s->script, s->line, 1, "%s never plays: it has no end after its start", name);
    else if (s->end <= demoSystem.demo_start)
        checking_report(s->script, s->line, 1, "%s never plays: it ends at second %g, before demo_start %g",
                        name, (double)s->end, (double)demoSystem.demo_start);
    else if (!sections_selected(s, demoSystem.demo_start))
        checking_report(s->script, s->line, 1, "%s never plays: it starts at second %g, after demo_end %g",
                        name, (double)s->start, (double)demoSystem.demo_end);
}

static void checkSections(void)
{
    int count = 0;
    for (Section* s = demoSystem.section_list; s; s = s->next)
        count++;
    /* section_list holds the most recent first; check in script order */
    Section** order = (Section**)calloc(count ? count : 1, sizeof *order);
    if (!order) {
        fprintf(stderr, "Error: Out of memory\n");
        exit(1);
    }
    int k = count;
    for (Section* s = demoSystem.section_list; s; s = s->next)
        order[--k] = s;

    const Section* loading = nullptr;   /* the one parsed last is used */
    for (Section* s = demoSystem.section_list; s && !loading; s = s->next)
        if (s->type == 0)
            loading = s;
    if (!loading)
        checking_report(nullptr, 0, 0, "Loading section not found");

    for (int i = 0; i < count; i++) {
        Section* s = order[i];
        if (s->type < 0 || s->type >= DK_SECTION_TYPES)
            continue;   /* its head was reported as an unknown section */
        mySection = s;
        checkSplines(s);
        if (sectionCheck[s->type])
            dkernel_guard(s->script, s->line, sectionCheck[s->type]);
        if (s->type != 0)
            checkPlays(s);
        else if (s != loading)
            checking_report(s->script, s->line, 1,
                            "loading section not used: the one of %s line %d is parsed later",
                            loading->script, loading->line);
    }
    mySection = nullptr;
    free(order);
}

/* ---- the report ---- */

static int compareProblems(const void* a, const void* b)
{
    const CheckingProblem* p = (const CheckingProblem*)a;
    const CheckingProblem* q = (const CheckingProblem*)b;
    /* problems of the whole demo come last, each script's in line order */
    if (!p->script != !q->script)
        return p->script ? -1 : 1;
    if (p->script && q->script) {
        int c = strcmp(p->script, q->script);
        if (c)
            return c;
        if (p->line != q->line)
            return p->line < q->line ? -1 : 1;
    }
    return p->seq - q->seq;
}

/* Script names are relative to the demo folder ("./demo.lum"); the report
** names them as the user can open them from where the checker was started. */
static void printScriptName(const char* script)
{
    if (strcmp(shownFolder, ".") != 0 && strncmp(script, "./", 2) == 0) {
        size_t n = strlen(shownFolder);
        while (n > 1 && shownFolder[n - 1] == '/')
            n--;
        printf("%.*s%s%s", (int)n, shownFolder, shownFolder[n - 1] == '/' ? "" : "/", script + 2);
    } else {
        printf("%s", script);
    }
}

static int printReport(void)
{
    if (problemCount > 1)   /* a clean demo has no list to sort at all */
        qsort(problems, problemCount, sizeof *problems, compareProblems);
    int errors = 0, warnings = 0;
    for (int i = 0; i < problemCount; i++) {
        const CheckingProblem* p = &problems[i];
        if (p->script) {
            printScriptName(p->script);
            if (p->line > 0)
                printf(":%d", p->line);
        } else {
            printf("%s", shownFolder);
        }
        printf(": %s%s\n", p->warning ? "warning: " : "", p->text);
        if (p->warning)
            warnings++;
        else
            errors++;
    }
    if (errors == 0 && warnings == 0)
        printf("%s: no problems found\n", shownFolder);
    else
        printf("%s: %d error%s, %d warning%s\n", shownFolder, errors, errors == 1 ? "" : "s",
               warnings, warnings == 1 ? "" : "s");
    fflush(stdout);
    return errors ? 1 : 0;
}

static void reportHook(const char* script, int line, int warning, const char* message)
{
    checking_report(script, line, warning, "%s", message);
}

/* Beside what live reload notes, a checking run, which opens nothing, looks
** ahead at every file a section's load would open. */
void (*checking_fileSink)(const Section* s, const char* path) = nullptr;

void checking_noteFile(const Section* s, const char* path)
{
    if (!checking_on)
        return;
    if (checking_fileSink)
        checking_fileSink(s, path);
    if (!s)
        return;
    const char* why = checking_unreadable(path);
    if (why)
        checking_report(s->script, s->line, 0, "%s: cannot read '%s' (%s)",
                        sectionFunction[s->type].name, path ? path : "", why);
}

void checking_collect(const char* shown)
{
    checking_on = 1;
    kernelHooks.report = reportHook;
    shownFolder = shown && *shown ? shown : ".";

    /* defaults, driver defaults and every script, errors collected line by line */
    dkernel_guard(nullptr, 0, [] { dkernel_loadScripts(); });
    dkernel_guard(nullptr, 0, [] { timer_checkRate(); });
    dkernel_guard(nullptr, 0, [] { checkSections(); });
    if (checking_fileSink)
        checking_fileSink(nullptr, FONT_DEBUG_FILE);
    const char* why = checking_unreadable(FONT_DEBUG_FILE);
    if (why)
        checking_report(nullptr, 0, 0, "cannot read the debug font '%s' (%s)", FONT_DEBUG_FILE, why);
    kernelHooks.report = nullptr;
}

int checking_finish(void)
{
    int status = printReport();
    checking_on = 0;
    return status;
}

int checking_run(const char* shown)
{
    checking_collect(shown);
    return checking_finish();
}
