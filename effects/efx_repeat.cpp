/*
** efx_repeat.cpp -- efxRepeat: runs another section type again and again
** within its own span: for its run length (cut to the period) every period,
** each run starting at the same inner time.
**
** The inner section is a full Section record built from the outer one, so
** the inner type loads, checks and plays exactly as it would on its own.
*/
#include "dkernel.h"
#include "sectiontypes.h"
#include "effects.h"

#include <math.h>
#include <stdlib.h>
#include <string.h>

struct RepeatVars {
    Section inner;
    float   stop;      /* demo second at which the current run ends */
    float   offset;    /* outer elapsed time at which the current run began */
    int     running;
};

/* The inner section as the outer section's params and strings describe it;
** the caller has checked the counts and the type. */
static void repeat_build(Section* inner, const Section* outer)
{
    memset(inner, 0, sizeof *inner);
    inner->type = getSectionByName(outer->strings[0]);
    inner->start = outer->start;
    inner->duration = outer->params[1];
    inner->end = outer->start + outer->params[1];
    inner->layer = outer->layer;
    inner->blend_on = outer->blend_on;
    inner->blend_src = outer->blend_src;
    inner->blend_dst = outer->blend_dst;
    inner->alpha_on = outer->alpha_on;
    inner->alpha_func = outer->alpha_func;
    inner->alpha_ref_start = outer->alpha_ref_start;
    inner->alpha_ref_end = outer->alpha_ref_end;
    inner->elapsed = outer->params[2];
    inner->param_count = outer->param_count - 3;
    memcpy(inner->params, outer->params + 3, sizeof(float) * (size_t)inner->param_count);
    inner->string_count = outer->string_count - 1;
    memcpy(inner->strings, outer->strings + 1, sizeof(char*) * (size_t)inner->string_count);
    inner->spline_count = outer->spline_count;
    memcpy(inner->splines, outer->splines, sizeof inner->splines);
    memcpy(inner->spline_files, outer->spline_files, sizeof inner->spline_files);
    memcpy(inner->spline_durations, outer->spline_durations, sizeof inner->spline_durations);
    inner->modifier_count = outer->modifier_count;
    memcpy(inner->modifiers, outer->modifiers, sizeof inner->modifiers);
    inner->script = outer->script;
    inner->line = outer->line;
}

static void callInner(Section* inner, SectionFunc SectionType::*which)
{
    mySection = inner;
    SectionFunc f = sectionFunction[inner->type].*which;
    if (f) f();
}

void preload_efxRepeat(void) {}

void check_efxRepeat(void)
{
    Section* outer = mySection;
    section_needCounts(count_atLeast(3, "3 float(s) needed"), count_atLeast(1, "1 string(s) needed"), count_any());
    int type = getSectionByName(outer->strings[0]);
    if (type < 0) section_error("unknown section '%s'", outer->strings[0]);
    /* a repeat of a repeat, or of the loading screen, has no sound meaning */
    if (type == 0 || sectionFunction[type].render == render_efxRepeat)
        section_error("cannot repeat section '%s'", outer->strings[0]);
    if (!(outer->params[0] > 0.0f)) section_error("period must be greater than 0");
    if (!(outer->params[1] > 0.0f)) section_error("run length must be greater than 0");

    /* the inner type's own checks, on a copy, naming the inner section */
    Section inner;
    repeat_build(&inner, outer);
    mySection = &inner;
    sectionCheck[type]();
    mySection = outer;
}

void load_efxRepeat(void)
{
    RepeatVars* vars = (RepeatVars*)section_allocVars(sizeof(RepeatVars));
    repeat_build(&vars->inner, mySection);
    section_load(&vars->inner);
}

/* The first inner start whose run has not ended by `time`, stepping by the
** run length from `start`.  A long gap is crossed in one jump, and a step
** too small to move the float ends the walk, so this always returns. */
static float repeat_firstStart(float start, float length, float time)
{
    double gap = ((double)time - start) / length;
    if (gap > 65536.0) start = (float)(start + (floor(gap) - 1.0) * length);
    while (start + length <= time) {
        float next = start + length;
        if (next <= start) break;
        start = next;
    }
    return start;
}

void init_efxRepeat(void)
{
    RepeatVars* vars = (RepeatVars*)mySection->vars;
    Section* inner = &vars->inner;
    inner->start = repeat_firstStart(mySection->start, inner->duration, demoSystem.time);
    inner->end = inner->start + inner->duration;
    vars->running = 0;
    vars->offset = 0.0f;
}

void render_efxRepeat(void)
{
    Section* outer = mySection;
    RepeatVars* vars = (RepeatVars*)outer->vars;
    Section* inner = &vars->inner;
    float period = outer->params[0], time = demoSystem.time;

    if (!vars->running && inner->start <= time) {
        inner->elapsed = outer->params[2];
        callInner(inner, &SectionType::init);
        vars->stop = outer->params[1] > period ? inner->start + period : inner->end;
        vars->running = 1;
        vars->offset = outer->elapsed;
    }
    if (!vars->running) return;
    inner->elapsed = outer->params[2] + outer->elapsed - vars->offset;
    if (vars->stop >= time) {
        callInner(inner, &SectionType::render);
        return;
    }
    /* the run is over: its end balances its init, so state such as fog
       does not outlast the run */
    callInner(inner, &SectionType::end);
    inner->start += period;
    inner->end = inner->start + inner->duration;
    vars->running = 0;
}

void end_efxRepeat(void)
{
    RepeatVars* vars = (RepeatVars*)mySection->vars;
    if (!vars->running) return;
    vars->running = 0;
    callInner(&vars->inner, &SectionType::end);
}

/* The inner section's private data goes with the outer one's; its texts
** and splines are the outer section's own. */
void free_efxRepeat(void)
{
    Section* outer = mySection;
    RepeatVars* vars = (RepeatVars*)outer->vars;
    if (vars) {
        mySection = &vars->inner;
        sectionFree[vars->inner.type]();
        mySection = outer;
    }
    section_freeVars();
}
