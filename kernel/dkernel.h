/*
** dkernel.h -- the kernel's global records and entry points.
**
** Everything the player shares lives here: the DemoSystem record, the
** Section record the parser fills and the queues move around, the table of
** section types, and the kernel calls that section types use (errors,
** warnings, spline sampling).  Modules include this header and nothing else
** of the kernel's internals.
*/
#ifndef DKERNEL_H
#define DKERNEL_H

#include <stddef.h>
#include <stdio.h>

#define DK_MAX_PATH        256   /* 255 characters plus the terminator */
#define DK_MAX_LINE        256
#define DK_MAX_PARAMS      32
#define DK_MAX_STRINGS     32
#define DK_MAX_SPLINES     32
#define DK_MAX_MODIFIERS   32
#define DK_SECTION_TYPES   37
#define DK_KEYS            256

/* playback state bits */
#define DK_STATE_PAUSED    1
#define DK_STATE_REWIND    2
#define DK_STATE_FFWD      4

struct Spline;   /* kernel/dk_spline.h */
struct Camera;   /* render/camera.h */

struct Modifier {
    int spline;    /* 1-based spline number of the section */
    int channel;   /* 1-based channel of that spline's output */
    int kind;      /* 1: BEAT */
};

/* One param, string, spline or modify line as written, so that what the
** section's type never reads can be pointed out at its line. */
enum { DK_SOURCE_PARAM, DK_SOURCE_STRING, DK_SOURCE_SPLINE, DK_SOURCE_MODIFIER };
struct SectionSource {
    char* text;    /* key and value, as in the script */
    int   line;
    int   kind;    /* DK_SOURCE_... */
    int   first;   /* its items' index in the section's table ... */
    int   count;   /* ... and how many it gave (a param line: one or more) */
    int   warned;  /* the section's check has said its type does not read it */
};

struct Section {
    Section* next;
    Section* ready_next;
    Section* ready_prev;
    Section* run_next;
    Section* run_prev;
    int      type;
    float    start;
    float    end;
    float    duration;
    int      layer;
    float    elapsed;
    int      blend_on;
    int      blend_src;
    int      blend_dst;
    int      alpha_on;
    int      alpha_func;
    float    alpha_ref_start;
    float    alpha_ref_end;
    int      param_count;
    float    params[DK_MAX_PARAMS];
    int      string_count;
    char*    strings[DK_MAX_STRINGS];
    int      spline_count;
    Spline*  splines[DK_MAX_SPLINES];
    char*    spline_files[DK_MAX_SPLINES];
    float    spline_durations[DK_MAX_SPLINES];
    int      modifier_count;
    Modifier modifiers[DK_MAX_MODIFIERS];
    void*    vars;
    const char* script;   /* the script and line of the section head, for messages */
    int      line;
    int      loaded;      /* its load function has run (live reload may keep it) */
    /* every line that gave an item, in script order; at most one per item,
    ** so never more than the four tables hold together */
    SectionSource* sources;
    int      source_count;
};

struct DemoSystem {
    int           argc;
    char**        argv;
    char*         demo_name;
    int           config_dialog;
    int           fps;
    int           timing;
    int           debug;
    int           record;
    float         record_fps;
    int           compress_tga;
    int           loop;
    int           sound;
    float         bpm;
    int           bench;
    float         gamma;
    int           display_lists;
    unsigned char state;
    float         demo_start;
    float         demo_end;
    Section*      section_list;
    Section*      ready_queue;
    Section*      run_queue;
    int           preload_total;
    int           load_total;
    int           loaded_count;
    float         time;
    float         last_ticks;
    float         now_ticks;
    float         step;
    float         frame_time;
    int           frames;
    int           fps_frames;
    float         fps_time;
    float         fps_value;
    int           keys[DK_KEYS];
    unsigned char exit_flag;
    Camera*       current_camera;
    int           rtt_texture;
    int           rtt_texture2;
    float         beat;
    int           beat_source;   /* 0: beat stays 0; 1: a pulse at bpm; 2: the music's onsets */
    int           live_reload;   /* debug mode: reload the demo when its files change */
    int           rows_per_beat; /* rows of the sync grid per beat of bpm */
    int           sync;          /* debug mode: follow a sync editor over TCP */
    char*         sync_host;     /* where the editor listens */
    int           sync_port;
};

extern DemoSystem demoSystem;

/* ---- section types (dk_sectiontable.cpp) ---- */
typedef void (*SectionFunc)(void);

struct SectionType {
    const char* name;
    SectionFunc preload;
    SectionFunc load;
    SectionFunc init;
    SectionFunc render;
    SectionFunc end;
};

extern SectionType sectionFunction[DK_SECTION_TYPES];
extern Section*    mySection;

/* Every type also has check_<type>: the load-time checks that need neither
** file contents nor GL (counts of params, strings and splines, param values,
** names such as render modes), in the order its load reports them, and a
** section_needFile call for every file its load will open.  The kernel runs
** it right before load_<type>, so load_<type> can rely on what it checked;
** a checking run calls it alone. */
extern SectionFunc sectionCheck[DK_SECTION_TYPES];

/* And free_<type>: releases everything mySection's load (and playing) made
** and still holds -- its `vars` and what hangs off them, display lists,
** particle systems, its uses of textures and models -- and leaves `vars`
** null.  It runs after the section's end, and also on a load that failed
** half-way, so it copes with private data the load did not finish.  Types
** whose `vars` hold nothing else call section_freeVars. */
extern SectionFunc sectionFree[DK_SECTION_TYPES];

/* name tables shared by the parser and the render modes */
struct NameCode {
    const char* name;
    int         code;
};
extern const NameCode blendFunc[15];
extern const NameCode alphaFunc[8];
extern const NameCode renderMode[11];


/* ---- start-up and configuration (dk_main.cpp, dk_config.cpp) ---- */
int  SDL_main(int argc, char** argv);
void dkernel_getArguments(int argc, char** argv);
void dkernel_loadScripts(void);
/* The first part of dkernel_loadScripts: every key's default, the driver's
** included, and an empty section list; no script is read. */
void dkernel_setDefaults(void);
void dkernel_configDialog(void);
void dkernel_initDemo(void);
void init_control_vars(void);

/* ---- script parser (dk_script.cpp) ---- */
void  recurseDirectories(const char* folder);
void  loadScriptFile(const char* path);
char* my_fgets(char* buffer, int size, FILE* file);
void  getKeyValue(const char* line, char* key, char* value);
int   getFloatVector(const char* text, float* out, int max);
[[noreturn]] void parseError(const char* message, const char* script, int line);
int   getCodeByName(const char* name, const NameCode* table, int count);
int   getBlendCodeByName(const char* name);
int   getAlphaCodeByName(const char* name);
int   getRenderModeByName(const char* name);
int   getSectionByName(const char* name);
/* The name in a table (each entry `stride` bytes after the last, its name
** first) that `word` most likely misspells, or null when none is close. */
const char* script_closestName(const char* word, const void* table, size_t stride, int count);
/* " 'word'" for a message about an unknown name, with ", did you mean
** 'name'?" when the table holds a likely intended one. */
void script_nameHint(char* out, size_t size, const char* word, const void* table, size_t stride,
                     int count);
void script_renderModeHint(char* out, size_t size, const char* word);
/* Frees what the parser keeps of a section's lines (its `sources`). */
void script_freeSources(Section* s);


/* ---- sections and queues (dk_sections.cpp) ---- */
void init_sectionQueues(void);
void process_sectionQueues(void);
void reinit_sectionQueues(void);
/* check_<type> then load_<type> of s, with mySection = s. */
void section_load(Section* s);
/* Names a file the section's load will open (the path as load passes it on).
** Loading itself reports missing files with each loader's own message; a
** checking run (player --check) reports a file that is missing or unreadable. */
void section_needFile(const char* path);
/* Spline number `spline` (1-based) needs at least `channels` channels.  A
** normal run plays a shorter one (the missing channels keep the caller's
** values) and warns once at load; a checking run reports it as an error,
** both as "spline %d needs %d channels".  A spline of tracks (sync:GROUP)
** gets the tracks of that many channels. */
void section_needChannels(int spline, int channels);
/* How many params, strings or splines a section type takes: from min to max
** (DK_COUNT_ANY: no upper bound), and how many it reads (DK_COUNT_ANY: all
** it is given), the rest going unused.  `message` replaces the usual wording
** ("2 params needed", "at least 1 spline needed", "3 or 4 params needed")
** for the few types whose message says it differently. */
#define DK_COUNT_ANY (-1)
struct SectionCount {
    int         min;
    int         max;
    const char* message;
    int         reads;
};
inline SectionCount count_exactly(int n, const char* message = nullptr) { return { n, n, message, n }; }
inline SectionCount count_atLeast(int n, const char* message = nullptr) { return { n, DK_COUNT_ANY, message, DK_COUNT_ANY }; }
inline SectionCount count_range(int min, int max, const char* message = nullptr) { return { min, max, message, max }; }
/* any number, all read (or checked elsewhere) */
inline SectionCount count_any(void) { return { 0, DK_COUNT_ANY, nullptr, DK_COUNT_ANY }; }
/* any number, the first n read and the rest unused: none, for most types */
inline SectionCount count_reads(int n) { return { 0, DK_COUNT_ANY, nullptr, n }; }
inline SectionCount count_none(void) { return count_reads(0); }
/* The counts of the current section, checked in this order (params, strings,
** splines); the first one out of its range is a section error that says how
** many were given.  Before that, every line giving a param, string, spline
** or modifier beyond what the type reads (a modifier of a spline it does
** not read or have) is a warning at that line, saying what
** the line was read as and which keyword it probably meant; a checking run
** files it, a normal run prints it. */
void section_needCounts(SectionCount params, SectionCount strings, SectionCount splines);
/* Zeroed private data of `size` bytes for the current section, stored in
** its `vars`; running out of memory is a section error. */
void* section_allocVars(size_t size);
/* Frees mySection's `vars` and leaves it null: the free_<type> of types
** whose private data owns nothing else. */
void  section_freeVars(void);
/* Everything a section record owns, the record included: what its type
** made (free_<type>), its splines and its script texts.  For a section that
** is off the queues and no longer listed; mySection is left null. */
void  section_free(Section* s);
[[noreturn]] void section_error(const char* format, ...) __attribute__((format(printf, 1, 2)));
void dkernel_warn(const char* format, ...) __attribute__((format(printf, 1, 2)));
/* the debug log's separator line: 60 equals signs and a line feed */
extern const char log_separator[];

/* ---- main loop, clock, playback, fatal path (dk_loop.cpp, dk_timer.cpp) ---- */
union SDL_Event;
void dkernel_mainLoop(void);
void dkernel_doExec(void);
void eventHandler(SDL_Event event);
void dkernel_play(void);
void dkernel_pause(void);
void dkernel_rewind(void);
void dkernel_fastforward(void);
void dkernel_restart(void);
void dkernel_closeDemo(void);
[[noreturn]] void dkernel_error(const char* format, ...) __attribute__((format(printf, 1, 2)));
void init_timer(void);
void process_timer(void);
void pause_timer(void);
void calculate_fps(float seconds);

/* ---- the fatal path (dk_loop.cpp) ---- */
/* What every fatal error raises (dkernel_error, section_error, parseError):
** the text the player prints after "Error: ", and the same problem as a run
** that collects problems files it under a script and line (where the script
** and line already name the section or line, `brief` leaves them out). */
struct DemoError {
    char message[1024];
    char brief[1024];
};
[[noreturn]] void dkernel_raise(const char* message, const char* brief);
/* A line the normal run prints after "Error: ...", for the few errors whose
** way out is not obvious from the message; null for none. */
extern const char* dkernel_errorHint;
/* The end of a normal run that met a fatal error: the demo is closed, the
** message (and hint) printed, and the process exits with status 1. */
[[noreturn]] void dkernel_fail(const DemoError& error);
/* Runs fn; a fatal error inside it ends the process as a normal run does. */
template <typename Fn>
void dkernel_protect(Fn fn)
{
    try {
        fn();
    } catch (const DemoError& error) {
        dkernel_fail(error);
    }
}

/* ---- where the authoring tools (studio/) meet the kernel ---- */
/* The kernel knows nothing of the tools around it; they hook in here, and
** every hook left null does nothing. */
struct KernelHooks {
    /* the command line, read before the scripts; returns only to play */
    void (*arguments)(int argc, char** argv);
    /* first thing of every frame: live reload, the sync editor */
    void (*poll)(void);
    /* sets demoSystem.beat for the frame about to be drawn */
    void (*beat)(void);
    /* a file a section's load opens (section_needFile); a script read,
    ** with a null section */
    void (*fileUsed)(const Section* section, const char* path);
    /* Set while a run collects problems instead of stopping at the first
    ** (player --check): a fatal error inside dkernel_guard is filed here
    ** and the work goes on.  `line` 0 is the script as a whole, a null
    ** script the demo as a whole. */
    void (*report)(const char* script, int line, int warning, const char* message);
    /* frames go to a video file: no pauses meant for a watcher */
    int offline;
    /* a fatal error's whole text, once it is printed: a player without a
    ** console to print to shows it in a message box */
    void (*fatal)(const char* text);
};
extern KernelHooks kernelHooks;

/* Whether problems are being collected rather than ending the run. */
static inline int dkernel_collecting(void) { return kernelHooks.report != nullptr; }
/* Files a problem with the collecting run; does nothing in a normal run. */
void dkernel_report(const char* script, int line, int warning, const char* format, ...)
    __attribute__((format(printf, 4, 5)));
/* Runs fn; while collecting, a fatal error inside it is filed under script
** and line and false is returned.  In a normal run it just calls fn. */
template <typename Fn>
bool dkernel_guard(const char* script, int line, Fn fn)
{
    if (!dkernel_collecting()) {
        fn();
        return true;
    }
    try {
        fn();
        return true;
    } catch (const DemoError& error) {
        kernelHooks.report(script, line, 0, error.brief);
        return false;
    }
}

/* ---- splines (dk_spline.cpp; the Spline record is in dk_spline.h) ---- */
void dkernel_getSpline(int index, float t, float* out);

/* ---- free camera of debug mode (dk_freecam.cpp) ---- */
/* One frame of hand steering: reads the mouse, re-centres the pointer and
** hands both to freecam_step.  Does nothing unless `debug` is set. */
void interactive_mov(Camera* camera, float dt);
/* The steering itself, without the window: (dx, dy) is the pointer's offset
** from the window's centre towards its left and top, left_button whether
** that button is down; keys come from demoSystem.keys. */
void freecam_step(Camera* camera, float dt, int dx, int dy, int left_button);
/* The camera as one key row of a camera spline (13 values and a line feed). */
void freecam_printRow(const Camera* camera, FILE* out);
void camera_axis_mov(Camera* camera, int dx, int dy);
void camera_front_mov(Camera* camera, float distance);
void camera_strafe_mov(Camera* camera, float distance);

/* ---- sound wrapper (dk_sound.cpp) ---- */
void  sound_init(void);
void  sound_play(void);
void  sound_pause(void);
void  sound_update(void);
void  sound_stop(void);
void  sound_end(void);
float sound_cpu(void);
int   sound_channels(void);
/* The music's onset strength (0 ... 1); 0 with sound off. */
float sound_onset(void);
/* In record mode the music is mixed here, 44100 / record_fps frames per
** played frame, in step with the captured pictures; each block goes to
** this sink when one is set (the video writer), else nowhere. */
extern void (*sound_sink)(const short* pcm, int frames);

#endif
