/*
** st_encoder.cpp -- the child processes of a video run: ffmpeg fed raw
** frames on its standard input and raw music on descriptor 3, and the
** private X server a run without a display plays on.
**
** Both are started and stopped here only; video_cleanup is written to be
** safe inside a signal handler, so an interrupted run leaves neither a
** process nor a half-written file behind.
*/
#include "st_video.h"

#include <errno.h>
#include <math.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <string>
#include <deque>
#include <vector>

VideoState videoState = { 0, nullptr, nullptr, nullptr, -1, -1, -1, 0, -1, 0, 0, 0, 0, 0, 0.0f };

char* video_findProgram(const char* name)
{
    const char* path = getenv("PATH");
    if (!path || !*path)
        return nullptr;
    std::string dirs = path;
    size_t from = 0;
    while (from <= dirs.size()) {
        size_t to = dirs.find(':', from);
        if (to == std::string::npos)
            to = dirs.size();
        std::string dir = dirs.substr(from, to - from);
        std::string candidate = (dir.empty() ? std::string(".") : dir) + "/" + name;
        struct stat st;
        if (stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
            access(candidate.c_str(), X_OK) == 0)
            return strdup(candidate.c_str());
        from = to + 1;
    }
    return nullptr;
}

/* ---- the private X server ---- */

static double nowSeconds(void)
{
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (double)t.tv_sec + (double)t.tv_nsec * 1e-9;
}

void video_startDisplay(int width, int height)
{
    char* server = video_findProgram("Xvfb");
    if (!server)
        dkernel_error("Rendering without a display needs Xvfb, which was not found");
    char screen[64];
    snprintf(screen, sizeof screen, "%dx%dx24", width < 64 ? 64 : width, height < 64 ? 64 : height);

    int fds[2];
    if (pipe(fds) != 0)
        dkernel_error("Cannot start Xvfb: %s", strerror(errno));
    char fdText[16];
    snprintf(fdText, sizeof fdText, "%d", fds[1]);
    pid_t pid = fork();
    if (pid < 0)
        dkernel_error("Cannot start Xvfb: %s", strerror(errno));
    if (pid == 0) {
        close(fds[0]);
        int devnull = open("/dev/null", O_RDWR);
        dup2(devnull, 0);
        dup2(devnull, 1);
        dup2(devnull, 2);
        /* -noreset: the server lives exactly as long as this run */
        execl(server, "Xvfb", "-displayfd", fdText, "-screen", "0", screen, "-nolisten", "tcp",
              "-noreset", (char*)nullptr);
        _exit(127);
    }
    free(server);
    close(fds[1]);
    videoState.display = pid;

    /* the server writes its display number once it accepts clients */
    char number[32] = { 0 };
    size_t got = 0;
    double until = nowSeconds() + 20.0;
    while (got < sizeof number - 1 && !strchr(number, '\n')) {
        double left = until - nowSeconds();
        if (left <= 0)
            break;
        struct pollfd p = { fds[0], POLLIN, 0 };
        if (poll(&p, 1, (int)(left * 1000) + 1) <= 0)
            continue;
        ssize_t n = read(fds[0], number + got, sizeof number - 1 - got);
        if (n <= 0)
            break;
        got += (size_t)n;
    }
    close(fds[0]);
    if (!strchr(number, '\n'))
        dkernel_error("Cannot start Xvfb for rendering without a display");
    char display[40];
    snprintf(display, sizeof display, ":%d", atoi(number));
    setenv("DISPLAY", display, 1);
}

/* ---- ffmpeg ---- */

/* Encoders that default to a full-colour picture most players refuse:
** these containers get the common 4:2:0 layout, whose halved colour
** planes need an even size. */
static int wantsYuv420(const char* path)
{
    static const char* const common[] = { ".mp4", ".m4v", ".mov", ".mkv", ".webm", ".avi", ".flv",
                                          ".ts", ".3gp", ".ogv" };
    const char* dot = strrchr(path, '.');
    if (!dot)
        return 0;
    for (const char* ext : common)
        if (strcasecmp(dot, ext) == 0)
            return 1;
    return 0;
}

/* ffmpeg reads its inputs on one thread, in time order, and reads raw
** sound 1024 samples at a time.  Above 43 frames a second a frame's share
** of music is less than that: ffmpeg would wait inside a sound read for
** music the player mixes only after the next frame, while the player waits
** for ffmpeg to take that frame.  Frames are therefore handed over a few
** frames late, so the music written is always a whole read ahead. */
static std::deque<std::vector<unsigned char>> heldFrames;
static size_t frameLead = 0;

/* The H.264 settings an .mp4 (.m4v, .mov) gets: by default what a party's
** video archive asks for (High profile, 4:2:0, a rate well above its
** floor of 3 Mbit/s at 720p and 6 at 1080p, AAC at 192 kbit/s, the index
** up front for streaming); a master to keep; or a small, quick preview. */
static void addMp4Settings(std::vector<std::string>& args, int width, int height, int withAudio)
{
    const char* mp4[] = { ".mp4", ".m4v", ".mov" };
    const char* dot = strrchr(videoState.output, '.');
    int isMp4 = 0;
    for (const char* ext : mp4)
        isMp4 |= dot && strcasecmp(dot, ext) == 0;
    if (!isMp4)
        return;
    const char* rate = (long)width * height > 1280L * 720 ? "12M" : "8M";
    const char* peak = (long)width * height > 1280L * 720 ? "18M" : "12M";
    std::vector<std::string> video, audio;
    switch (videoState.preset) {
    case VIDEO_PRESET_ARCHIVE:
        video = { "-preset", "slow", "-crf", "12" };
        audio = { "-b:a", "320k" };
        break;
    case VIDEO_PRESET_PREVIEW:
        video = { "-preset", "veryfast", "-crf", "30" };
        audio = { "-b:a", "128k" };
        break;
    default:
        video = { "-preset", "slow", "-b:v", rate, "-maxrate", peak, "-bufsize", peak };
        audio = { "-b:a", "192k" };
        break;
    }
    for (const char* a : { "-c:v", "libx264", "-profile:v", "high" })
        args.push_back(a);
    args.insert(args.end(), video.begin(), video.end());
    if (withAudio) {
        args.push_back("-c:a");
        args.push_back("aac");
        args.insert(args.end(), audio.begin(), audio.end());
    }
    args.push_back("-movflags");
    args.push_back("+faststart");
}

void video_startEncoder(int width, int height, float fps, int withAudio)
{
    char* ffmpeg = video_findProgram("ffmpeg");
    if (!ffmpeg)
        dkernel_error("Rendering a video needs ffmpeg, which was not found");

    char size[32], rate[32];
    snprintf(size, sizeof size, "%dx%d", width, height);
    snprintf(rate, sizeof rate, "%g", (double)fps);
    int yuv = wantsYuv420(videoState.output);
    /* frames arrive bottom row first, as the GL reads them */
    std::string filter = yuv ? "vflip,pad=ceil(iw/2)*2:ceil(ih/2)*2" : "vflip";
    /* Both inputs are described in full, so ffmpeg must not read ahead to
    ** analyse them: it opens them one after the other, and seconds of
    ** music read before the first frame would be music not yet mixed. */
    std::vector<std::string> args = {
        "ffmpeg", "-hide_banner", "-nostdin", "-loglevel", "error", "-y",
        "-probesize", "32", "-analyzeduration", "0", "-thread_queue_size", "64",
        "-f", "rawvideo", "-pix_fmt", "bgr24", "-video_size", size, "-framerate", rate,
        "-i", "pipe:0",
    };
    if (withAudio) {
        for (const char* a : { "-probesize", "32", "-analyzeduration", "0", "-thread_queue_size", "256",
                               "-f", "s16le", "-ar", "44100", "-ac", "2", "-i", "pipe:3" })
            args.push_back(a);
    }
    for (const char* a : { "-map", "0:v" })
        args.push_back(a);
    if (withAudio) {
        args.push_back("-map");
        args.push_back("1:a");
    }
    args.push_back("-vf");
    args.push_back(filter);
    if (yuv) {
        args.push_back("-pix_fmt");
        args.push_back("yuv420p");
    }
    addMp4Settings(args, width, height, withAudio);
    args.push_back(videoState.partial);
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(&a[0]);
    argv.push_back(nullptr);

    int logFd = open(videoState.log, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    int video[2], audio[2] = { -1, -1 };
    if (logFd < 0 || pipe2(video, O_CLOEXEC) != 0 || (withAudio && pipe2(audio, O_CLOEXEC) != 0))
        dkernel_error("Cannot start ffmpeg: %s", strerror(errno));
    pid_t pid = fork();
    if (pid < 0)
        dkernel_error("Cannot start ffmpeg: %s", strerror(errno));
    if (pid == 0) {
        /* dup2 clears close-on-exec on the copies, and only on them */
        dup2(video[0], 0);
        int devnull = open("/dev/null", O_WRONLY);
        dup2(devnull, 1);
        dup2(logFd, 2);
        if (withAudio)
            dup2(audio[0], 3);
        execv(ffmpeg, argv.data());
        _exit(127);
    }
    free(ffmpeg);
    close(logFd);
    close(video[0]);
    videoState.encoder = pid;
    videoState.video_fd = video[1];
    frameLead = withAudio ? (size_t)ceil(1024.0 / (44100.0 / fps)) + 1 : 0;
    if (withAudio) {
        close(audio[0]);
        videoState.audio_fd = audio[1];
    }
}

/* All of it, or mark the encoder as gone (it closed its end or died). */
static void writeAll(int fd, const void* data, size_t size)
{
    const char* p = (const char*)data;
    while (size > 0 && !videoState.failed) {
        ssize_t n = write(fd, p, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            videoState.failed = 1;
            return;
        }
        p += n;
        size -= (size_t)n;
    }
}

void video_writeFrame(const unsigned char* bgr, int width, int height)
{
    if (videoState.video_fd < 0)
        return;
    size_t size = (size_t)width * (size_t)height * 3;
    heldFrames.emplace_back(bgr, bgr + size);
    while (heldFrames.size() > frameLead) {
        writeAll(videoState.video_fd, heldFrames.front().data(), heldFrames.front().size());
        heldFrames.pop_front();
    }
    videoState.written++;
}

void video_writeAudio(const short* pcm, int frames)
{
    if (videoState.audio_fd >= 0)
        writeAll(videoState.audio_fd, pcm, (size_t)frames * 4);
}

int video_finishEncoder(void)
{
    for (; !heldFrames.empty(); heldFrames.pop_front())
        if (videoState.video_fd >= 0)
            writeAll(videoState.video_fd, heldFrames.front().data(), heldFrames.front().size());
    if (videoState.video_fd >= 0)
        close(videoState.video_fd);
    if (videoState.audio_fd >= 0)
        close(videoState.audio_fd);
    videoState.video_fd = videoState.audio_fd = -1;
    if (videoState.encoder < 0)
        return 0;
    int status = 0;
    while (waitpid(videoState.encoder, &status, 0) < 0 && errno == EINTR) {
    }
    videoState.encoder = -1;
    return !videoState.failed && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

const char* video_encoderLog(void)
{
    static char tail[512];
    tail[0] = '\0';
    FILE* f = videoState.log ? fopen(videoState.log, "rb") : nullptr;
    if (!f)
        return tail;
    if (fseek(f, 0, SEEK_END) == 0) {
        long size = ftell(f);
        long from = size > (long)sizeof tail - 1 ? size - (long)sizeof tail + 1 : 0;
        fseek(f, from, SEEK_SET);
        size_t n = fread(tail, 1, sizeof tail - 1, f);
        tail[n] = '\0';
    }
    fclose(f);
    /* one line for the error message: the last thing ffmpeg said */
    size_t n = strlen(tail);
    while (n > 0 && (tail[n - 1] == '\n' || tail[n - 1] == '\r'))
        tail[--n] = '\0';
    char* last = strrchr(tail, '\n');
    return last ? last + 1 : tail;
}

void video_cleanup(void)
{
    /* only calls that are safe in a signal handler */
    if (videoState.encoder > 0) {
        kill(videoState.encoder, SIGKILL);
        waitpid(videoState.encoder, nullptr, 0);
        videoState.encoder = -1;
    }
    if (videoState.partial)
        unlink(videoState.partial);
    if (videoState.log)
        unlink(videoState.log);
    if (videoState.display > 0) {
        kill(videoState.display, SIGTERM);
        waitpid(videoState.display, nullptr, 0);
        videoState.display = -1;
    }
}
