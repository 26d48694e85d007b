/*
** fuzz_support.h -- what the fuzz targets of the file readers share: the
** fatal path, the input handed to a reader as a file it opens by name, and
** the files a reader leaves open.
**
** Included by exactly one source of each target, which links with
** -Wl,--wrap=fopen,--wrap=fclose (the Makefile adds it).
*/
#ifndef FUZZ_SUPPORT_H
#define FUZZ_SUPPORT_H

#include <stdarg.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <unistd.h>

#include "dkernel.h"

/* The fatal path raises the same DemoError as the player's; the target
** catches it where the player would end the process, and goes on with the
** next input. */
void dkernel_raise(const char* message, const char* brief)
{
    DemoError error;
    snprintf(error.message, sizeof error.message, "%s", message);
    snprintf(error.brief, sizeof error.brief, "%s", brief);
    throw error;
}

[[noreturn]] static inline void fuzz_fatal(const char* format, va_list ap)
{
    /* format it all the same, so a bad format would still be caught */
    char message[1024];
    vsnprintf(message, sizeof message, format, ap);
    dkernel_raise(message, message);
}

void dkernel_error(const char* format, ...)
{
    va_list ap;
    va_start(ap, format);
    fuzz_fatal(format, ap);
}

void section_error(const char* format, ...)
{
    va_list ap;
    va_start(ap, format);
    fuzz_fatal(format, ap);
}

void dkernel_warn(const char*, ...) {}

/* The input as a file in memory: readers open it by a name, like any file,
** and no disk is touched. */
static inline const char* fuzz_inputFile(const uint8_t* data, size_t size)
{
    static int fd = -1;
    static char path[64];
    if (fd < 0) {
        fd = memfd_create("fuzz-input", 0);
        if (fd < 0) abort();
        snprintf(path, sizeof path, "/proc/self/fd/%d", fd);
    }
    if (ftruncate(fd, 0) != 0 || pwrite(fd, data, size, 0) != (ssize_t)size) abort();
    return path;
}

/* Files opened while a reader runs.  A run that goes on after a fatal
** error (a checking run, live reload, this fuzzer) must not keep them. */
#define FUZZ_MAX_FILES 16
static FILE* fuzzFiles[FUZZ_MAX_FILES];
static int   fuzzWatching;

extern "C" FILE* __real_fopen(const char* path, const char* mode);
extern "C" int   __real_fclose(FILE* file);

extern "C" FILE* __wrap_fopen(const char* path, const char* mode)
{
    FILE* file = __real_fopen(path, mode);
    if (file && fuzzWatching) {
        int i = 0;
        while (i < FUZZ_MAX_FILES && fuzzFiles[i]) i++;
        if (i == FUZZ_MAX_FILES) abort();   /* a reader opening files without end */
        fuzzFiles[i] = file;
    }
    return file;
}

extern "C" int __wrap_fclose(FILE* file)
{
    for (int i = 0; i < FUZZ_MAX_FILES; i++)
        if (fuzzFiles[i] == file) fuzzFiles[i] = nullptr;
    return __real_fclose(file);
}

static inline int fuzz_openFiles(void)
{
    int n = 0;
    for (int i = 0; i < FUZZ_MAX_FILES; i++)
        n += fuzzFiles[i] != nullptr;
    return n;
}

/* Runs one reader call with its files watched; true when it returned,
** false when it left through the fatal path.  A file left open is a
** finding. */
template <typename F>
static inline bool fuzz_run(F&& reader)
{
    bool returned = true;
    fuzzWatching = 1;
    try {
        reader();
    } catch (const DemoError&) {
        returned = false;
    }
    fuzzWatching = 0;
    if (fuzz_openFiles()) {
        fprintf(stderr, "the reader left %d file(s) open\n", fuzz_openFiles());
        abort();
    }
    return returned;
}

#endif
