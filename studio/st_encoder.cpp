/*
** st_encoder.cpp -- the encoder of a video run: ffmpeg fed raw frames on
** its standard input and raw music on its second input (st_spawn.h starts
** it, and the private X server a run without a display plays on).
**
** video_cleanup is written to be safe inside a signal handler, so an
** interrupted run leaves neither a process nor a half-written file behind.
*/
#include "st_video.h"
#include "st_spawn.h"

#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>
#include <unistd.h>

#include <deque>
#include <string>
#include <vector>

VideoState videoState = { 0, nullptr, nullptr, nullptr, 0, 0, 0, 0, 0, 0, 0.0f };

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
    char* ffmpeg = spawn_findProgram("ffmpeg");
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
                               "-f", "s16le", "-ar", "44100", "-ac", "2", "-i" })
            args.push_back(a);
        args.push_back(spawn_secondInput());
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
    spawn_start(ffmpeg, args, videoState.log, withAudio);
    free(ffmpeg);
    frameLead = withAudio ? (size_t)ceil(1024.0 / (44100.0 / fps)) + 1 : 0;
}

/* All of it, or mark the encoder as gone (it closed its input or died). */
static void writeAll(int input, const void* data, size_t size)
{
    if (!videoState.failed && !spawn_write(input, data, size))
        videoState.failed = 1;
}

void video_writeFrame(const unsigned char* bgr, int width, int height)
{
    size_t size = (size_t)width * (size_t)height * 3;
    heldFrames.emplace_back(bgr, bgr + size);
    while (heldFrames.size() > frameLead) {
        writeAll(0, heldFrames.front().data(), heldFrames.front().size());
        heldFrames.pop_front();
    }
    videoState.written++;
}

void video_writeAudio(const short* pcm, int frames)
{
    writeAll(1, pcm, (size_t)frames * 4);
}

int video_finishEncoder(void)
{
    for (; !heldFrames.empty(); heldFrames.pop_front())
        writeAll(0, heldFrames.front().data(), heldFrames.front().size());
    return spawn_finish() && !videoState.failed;
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
    spawn_kill();
    if (videoState.partial)
        unlink(videoState.partial);
    if (videoState.log)
        unlink(videoState.log);
}
