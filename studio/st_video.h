/*
** st_video.h -- `player --render OUT [DIR]`: the demo played once in record
** mode, its frames and music streamed to an ffmpeg process that writes a
** video file, under a private X server when there is no display.
*/
#ifndef ST_VIDEO_H
#define ST_VIDEO_H

#include "dkernel.h"

#define VIDEO_PRESET_PARTY   0   /* the default: what a party's video archive asks for */
#define VIDEO_PRESET_ARCHIVE 1   /* a master to keep */
#define VIDEO_PRESET_PREVIEW 2   /* small and quick */

struct VideoState {
    int    active;            /* a video is being made: no loading hold, no live reload */
    char*  output;            /* the file asked for, absolute */
    char*  partial;           /* what ffmpeg writes until it has finished: renamed to output */
    char*  log;               /* ffmpeg's messages, shown when it fails */
    int    failed;            /* a write to the encoder failed: it has gone */
    int    frames;            /* frames the video will have */
    int    written;           /* frames handed to the encoder */
    int    preset;            /* VIDEO_PRESET_*: the encoder settings of an .mp4 */
    int    width, height;     /* --size, or 0 for the script's window */
    float  fps;               /* --fps, or 0 for the script's record_fps */
};

extern VideoState videoState;

/* The --render option: args are what follows it.  Makes the video and
** returns the exit status (2 for a wrong number of arguments); fatal
** errors exit with status 1 through dkernel_error. */
int video_option(int count, char** args);

/* ---- the encoder (st_encoder.cpp) ---- */
/* Starts ffmpeg writing videoState.partial from raw frames (and music:
** raw 16-bit stereo at 44100 Hz). */
void video_startEncoder(int width, int height, float fps, int withAudio);
/* The sinks of the frame capture and of record mode's music. */
void video_writeFrame(const unsigned char* bgr, int width, int height);
void video_writeAudio(const short* pcm, int frames);
/* Closes the pipes and waits for ffmpeg; non-zero when it wrote the file. */
int  video_finishEncoder(void);
/* The last lines ffmpeg printed, for an error message. */
const char* video_encoderLog(void);
/* Kills what is still running and removes the partial file; safe in a
** signal handler and at exit, and more than once. */
void video_cleanup(void);

#endif
