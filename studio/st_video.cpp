/*
** st_video.cpp -- a video run: the demo from demo_start to demo_end in
** record mode, each frame and its share of the music handed to ffmpeg,
** a progress line on the standard error stream, and the finished file put
** in place only when everything went well.
*/
#include "st_video.h"
#include "st_args.h"
#include "st_spawn.h"
#include "dk_loop.h"
#include "dk_path.h"
#include "dk_sections.h"
#include "gldrv.h"

#include <SDL/SDL.h>
#include <errno.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

/* the music section's type in sectionFunction */
#define VIDEO_SOUND_TYPE 36

static void cleanupAtExit(void)
{
    video_cleanup();
}

/* The output as an absolute path, its folder checked before anything is
** played: finding out after a long run that the file cannot be written
** would waste it.  The partial name keeps the extension, which tells
** ffmpeg the format. */
static void chooseOutput(const char* out)
{
    if (!*out)
        dkernel_error("No video file named");
    std::string path = path_absolute(out);
    if (path.empty())
        dkernel_error("Cannot write the video '%s': %s", out, strerror(errno));
    std::string folder = path_folder(path);
    std::string name = path.substr(folder.size() + (folder.back() == '/' ? 0 : 1));
    size_t dot = name.rfind('.');
    if (name.empty() || dot == std::string::npos || dot == 0 || dot + 1 == name.size())
        dkernel_error("Cannot write the video '%s': its extension (.mp4, .mkv ...) chooses the format",
                      out);

    struct stat st;
    if (stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        dkernel_error("Cannot write the video '%s': folder '%s' does not exist", out, folder.c_str());
    if (access(folder.c_str(), W_OK) != 0)
        dkernel_error("Cannot write the video '%s': folder '%s' is not writable", out, folder.c_str());
    if (stat(path.c_str(), &st) == 0 && (!S_ISREG(st.st_mode) || access(path.c_str(), W_OK) != 0))
        dkernel_error("Cannot write the video '%s': it is not a writable file", out);

    std::string partial = folder + (folder.back() == '/' ? "." : "/.") + name.substr(0, dot) +
                          ".rendering-" + std::to_string((long)getpid()) + name.substr(dot);
    videoState.output = strdup(path.c_str());
    videoState.partial = strdup(partial.c_str());
    std::string log = path_tempFolder() + "/lumeno-render-" + std::to_string((long)getpid()) + ".log";
    videoState.log = strdup(log.c_str());
}

/* What record mode would play, and whether it can become a video. */
static void settleDemo(void)
{
    if (demoSystem.demo_end == 0.0f)
        dkernel_error("demo_end is 0: the demo never ends, so it cannot be rendered; "
                      "give it a last second with demo_end");
    if (!(demoSystem.demo_end > demoSystem.demo_start))
        dkernel_error("Nothing to render: demo_end %g is not after demo_start %g",
                      (double)demoSystem.demo_end, (double)demoSystem.demo_start);
    if (!(demoSystem.record_fps > 0.0f) || demoSystem.record_fps > 1000.0f)
        dkernel_error("record_fps must be between 0 and 1000 to render (got %g)",
                      (double)demoSystem.record_fps);
    double frames = floor((double)(demoSystem.demo_end - demoSystem.demo_start) *
                          (double)demoSystem.record_fps + 0.5);
    if (frames < 1 || frames > 10000000)
        dkernel_error("Cannot render %.0f frames", frames);
    videoState.frames = (int)frames;

    /* the frames are what record mode captures; nothing else may step in */
    demoSystem.record = 1;
    demoSystem.loop = 0;
    demoSystem.live_reload = 0;
}

static int hasMusic(void)
{
    if (!demoSystem.sound)
        return 0;
    for (const Section* s = demoSystem.section_list; s; s = s->next)
        if (s->type == VIDEO_SOUND_TYPE && sections_selected(s, demoSystem.demo_start))
            return 1;
    return 0;
}

static void printProgress(double started, int last)
{
    static double shown = -1.0;
    double now = (double)dkernel_ticks() * 0.001;
    int tty = isatty(2);
    /* a terminal gets a line redrawn in place, a log one line a second */
    if (!last && shown >= 0.0 && now - shown < (tty ? 0.25 : 1.0))
        return;
    shown = now;
    int done = videoState.written, total = videoState.frames;
    double wall = now - started;
    double fps = wall > 0.0 ? done / wall : 0.0;
    long left = fps > 0.0 ? lround((total - done) / fps) : 0;
    fprintf(stderr, "%srender: frame %d/%d, second %.2f of %.2f, %.1f fps, %ld:%02ld left%s",
            tty ? "\r" : "", done, total, done / (double)demoSystem.record_fps,
            total / (double)demoSystem.record_fps, fps, left / 60, left % 60,
            tty && !last ? "" : "\n");
    fflush(stderr);
}

static void playFrames(void)
{
    double started = (double)dkernel_ticks() * 0.001;
    while (videoState.written < videoState.frames && !demoSystem.exit_flag && !videoState.failed) {
        SDL_Event event;
        if (SDL_PollEvent(&event)) {
            eventHandler(event);
            continue;
        }
        dkernel_doExec();
        printProgress(started, 0);
    }
    printProgress(started, 1);
}

static int makeVideo(void)
{
    videoState.active = 1;
    kernelHooks.offline = 1;
    atexit(cleanupAtExit);
    spawn_onInterrupt(video_cleanup);

    char* ffmpeg = spawn_findProgram("ffmpeg");
    if (!ffmpeg)
        dkernel_error("Rendering a video needs ffmpeg, which was not found (%s)", spawn_missingHint);
    free(ffmpeg);

    dkernel_loadScripts();
    dkernel_configDialog();
    if (videoState.width > 0) {
        glDriver.width = videoState.width;
        glDriver.height = videoState.height;
    }
    if (videoState.fps > 0.0f)
        demoSystem.record_fps = videoState.fps;
    settleDemo();
    int music = hasMusic();
    spawn_display(glDriver.width, glDriver.height);

    dkernel_initDemo();
    video_startEncoder(glDriver.width, glDriver.height, demoSystem.record_fps, music);
    gldrv_frameSink = video_writeFrame;
    if (music)
        sound_sink = video_writeAudio;

    playFrames();
    gldrv_frameSink = nullptr;
    sound_sink = nullptr;
    if (videoState.written < videoState.frames && !videoState.failed)
        dkernel_error("Rendering stopped at frame %d of %d; no video written", videoState.written,
                      videoState.frames);
    if (!video_finishEncoder())
        dkernel_error("ffmpeg failed to write '%s': %s", videoState.output, video_encoderLog());
    if (path_replace(videoState.partial, videoState.output) != 0)
        dkernel_error("Cannot write the video '%s': %s", videoState.output, strerror(errno));
    dkernel_closeDemo();
    video_cleanup();
    fprintf(stderr, "render: wrote '%s', %d frames, %.2f seconds%s\n", videoState.output,
            videoState.written, videoState.written / (double)demoSystem.record_fps,
            music ? " with music" : " without sound");
    return 0;
}

/* --size WxH and --fps N replace the script's window size and record_fps;
** --preset chooses the encoder settings. */
static int readSettings(void)
{
    const char* size = args_flag("--size");
    const char* fps = args_flag("--fps");
    const char* preset = args_flag("--preset");
    int w = 0, h = 0, used = 0;
    if (size && (sscanf(size, "%dx%d%n", &w, &h, &used) != 2 || size[used] != '\0' || w < 16 ||
                 h < 16 || w > GLDRV_MAX_SIZE || h > GLDRV_MAX_SIZE)) {
        fprintf(stderr, "player: --render: the size must read WIDTHxHEIGHT, each 16 to %d (got '%s')\n",
                GLDRV_MAX_SIZE, size);
        return 0;
    }
    char* end = nullptr;
    double rate = fps ? strtod(fps, &end) : 0.0;
    if (fps && (end == fps || *end != '\0' || !(rate >= 1.0 && rate <= 240.0))) {
        fprintf(stderr, "player: --render: the frame rate must be a number from 1 to 240 (got '%s')\n", fps);
        return 0;
    }
    videoState.preset = VIDEO_PRESET_PARTY;
    if (preset) {
        if (strcmp(preset, "archive") == 0)
            videoState.preset = VIDEO_PRESET_ARCHIVE;
        else if (strcmp(preset, "preview") == 0)
            videoState.preset = VIDEO_PRESET_PREVIEW;
        else if (strcmp(preset, "party") != 0) {
            fprintf(stderr, "player: --render: the preset is party, archive or preview (got '%s')\n", preset);
            return 0;
        }
    }
    videoState.width = w;
    videoState.height = h;
    videoState.fps = (float)rate;
    return 1;
}

int video_option(int count, char** args)
{
    if (count < 1 || count > 2 || !readSettings()) {
        fprintf(stderr, "Usage: player --render OUT [DIR] [--size WxH] [--fps N] [--preset party|archive|preview]\n");
        return 2;
    }
    /* the output is named from where the player was started */
    chooseOutput(args[0]);
    if (count == 2)
        args_enterFolder(args[1]);
    return makeVideo();
}
