/*
** sec_sound.cpp -- the `sound` section: a music file held in memory, opened
** as a stream in the loading phase and started at the section's own
** elapsed time whenever the section becomes active while playing.
*/
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>

#include "dkernel.h"
#include "sectiontypes.h"
#include "audio.h"

/* larger images are refused rather than attempted: no music file comes
** near this, and ftell on odd files can report absurd sizes */
#define SOUND_MAX_FILE (1L << 30)

struct SoundStream {
    AudioStream*   stream;
    int            channel;
    unsigned char* data;   /* the file image the stream decodes from */
};

static void soundError(void)
{
    section_error("%s", audio_errorString(audio_getError()));
}

void preload_sound(void) {}

/* With sound off the section loads nothing, so nothing is checked either. */
void check_sound(void)
{
    if (!demoSystem.sound)
        return;
    section_needCounts(count_none(), count_exactly(1), count_none());
    section_needFile(mySection->strings[0]);
}

void load_sound(void)
{
    if (!demoSystem.sound)
        return;
    SoundStream* s = (SoundStream*)section_allocVars(sizeof(SoundStream));
    s->channel = -1;

    const char* path = mySection->strings[0];
    FILE* file = fopen(path, "rb");
    if (!file)
        section_error("file '%s' not found", path);
    /* a folder opens fine for reading but has no bytes to give */
    struct stat info;
    if (fstat(fileno(file), &info) != 0 || !S_ISREG(info.st_mode)) {
        fclose(file);
        section_error("%s", audio_errorString(AUDIO_ERR_FILE_BAD));
    }
    long length = -1;
    if (fseek(file, 0, SEEK_END) == 0)
        length = ftell(file);
    if (length < 0 || fseek(file, 0, SEEK_SET) != 0) {
        fclose(file);
        section_error("%s", audio_errorString(AUDIO_ERR_FILE_BAD));
    }
    if (length > SOUND_MAX_FILE) {
        fclose(file);
        section_error("%s", audio_errorString(AUDIO_ERR_MEMORY));
    }
    s->data = (unsigned char*)malloc(length > 0 ? (size_t)length : 1);
    if (!s->data) {
        fclose(file);
        section_error("%s", audio_errorString(AUDIO_ERR_MEMORY));
    }
    size_t got = fread(s->data, 1, (size_t)length, file);
    fclose(file);
    /* a short read would leave the stream decoding uninitialised bytes */
    if (got != (size_t)length)
        section_error("%s", audio_errorString(AUDIO_ERR_FILE_BAD));

    s->stream = audio_streamOpen(s->data, AUDIO_MODE_NORMAL | AUDIO_MODE_MEMORY | AUDIO_MODE_ACCURATE,
                                 0, (int)length);
    if (!s->stream)
        soundError();
}

void init_sound(void)
{
    /* music starts only while playing; resuming rebuilds the queues and
    ** lands here again at the new position */
    if (!demoSystem.sound || demoSystem.state != 0)
        return;
    SoundStream* s = (SoundStream*)mySection->vars;
    if (!s || !s->stream)
        return;
    if (mySection->elapsed > 0.0f) {
        /* whole milliseconds, truncated; a position past any music is
        ** clamped before the conversion could overflow */
        float ms = mySection->elapsed * 1000.0f;
        if (!audio_streamSetTime(s->stream, ms < 2e9f ? (int)ms : 2000000000))
            soundError();
    }
    s->channel = audio_streamPlay(AUDIO_FREE, s->stream);
    if (s->channel < 0)
        soundError();
}

void render_sound(void) {}

void end_sound(void)
{
    if (!demoSystem.sound)
        return;
    SoundStream* s = (SoundStream*)mySection->vars;
    if (s && s->stream)
        audio_streamStop(s->stream);
}

void free_sound(void)
{
    SoundStream* s = (SoundStream*)mySection->vars;
    if (s) {
        if (s->stream)
            audio_streamClose(s->stream);
        free(s->data);
    }
    section_freeVars();
}
