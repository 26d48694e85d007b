/*
** dk_checking.h -- the checking run of `player --check`: the whole demo is
** parsed and every section checked without a window, and every problem is
** collected instead of ending the process at the first.
**
** The fatal paths (dkernel_error, parseError, section_error) throw a
** CheckingFailure while checking_on is set; checking_guard catches it where
** the work can go on (the next script line, the next spline, the next
** section) and files it under a script and line.  In a normal run nothing
** here is reached and every message, status and order stays as it was.
*/
#ifndef DK_CHECKING_H
#define DK_CHECKING_H

/* non-zero for the whole of a checking run */
extern int checking_on;

/* What a fatal path hands to the nearest guard. */
struct CheckingFailure {
    char message[1024];
};

/* Throws the formatted message as a CheckingFailure; never returns. */
[[noreturn]] void checking_fail(const char* format, ...) __attribute__((format(printf, 1, 2)));

/* Files one problem.  `script` may be null (a problem of the whole demo);
** `line` 0 means the script as a whole. */
void checking_report(const char* script, int line, int warning, const char* format, ...)
    __attribute__((format(printf, 4, 5)));

/* Runs fn; in a checking run a failure inside it is filed under script and
** line and false is returned.  Outside a checking run it just calls fn. */
template <typename Fn>
bool checking_guard(const char* script, int line, Fn fn)
{
    if (!checking_on) {
        fn();
        return true;
    }
    try {
        fn();
        return true;
    } catch (const CheckingFailure& failure) {
        checking_report(script, line, 0, "%s", failure.message);
        return false;
    }
}

/* Why path cannot serve as an input file (missing, unreadable, not a plain
** file), or null when it can.  Never blocks: a pipe is not opened for good. */
const char* checking_unreadable(const char* path);

/* The checking run over the working folder; `shown` is how the folder is
** named in the report.  Returns the exit status: 1 when any error was found. */
int checking_run(const char* shown);

#endif
