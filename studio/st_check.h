/*
** st_check.h -- the checking run of `player --check`: the whole demo is
** parsed and every section checked without a window, and every problem is
** collected instead of ending the process at the first.
**
** While it runs, the kernel's report hook points here: a fatal error
** inside dkernel_guard (the next script line, the next spline, the next
** section) is filed under a script and line and the work goes on.  In a
** normal run nothing here is reached and every message, status and order
** stays as it was.
*/
#ifndef ST_CHECK_H
#define ST_CHECK_H

#include "dkernel.h"

/* non-zero for the whole of a checking run */
extern int checking_on;

/* Files one problem.  `script` may be null (a problem of the whole demo);
** `line` 0 means the script as a whole. */
void checking_report(const char* script, int line, int warning, const char* format, ...)
    __attribute__((format(printf, 4, 5)));

/* Why path cannot serve as an input file (missing, unreadable, not a plain
** file), or null when it can.  Never blocks: a pipe is not opened for good. */
const char* checking_unreadable(const char* path);

/* The file hook of a checking run: reports a file a section needs that
** cannot be read. */
void checking_noteFile(const Section* s, const char* path);

/* While set during a checking run, told of every file the demo reads: the
** scripts (with a null section), every file a section's load opens, every
** spline file and the debug font. */
extern void (*checking_fileSink)(const Section* s, const char* path);

/* The two halves of checking_run, for a tool that adds problems of its own
** between them: the checks themselves, then the report (the exit status). */
void checking_collect(const char* shown);
int  checking_finish(void);

/* The checking run over the working folder; `shown` is how the folder is
** named in the report.  Returns the exit status: 1 when any error was found. */
int checking_run(const char* shown);

#endif
