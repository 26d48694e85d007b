/*
** dk_sections.cpp -- loading phase, ready and run queues, per-frame section calls.
*/
#include "dkernel.h"
#include <stdarg.h>
#include <stdio.h>

void init_sectionQueues(void) {}
void process_sectionQueues(void) {}
void reinit_sectionQueues(void) {}

void section_error(const char* format, ...)
{
    char msg[1024];
    va_list ap;
    va_start(ap, format);
    vsnprintf(msg, sizeof msg, format, ap);
    va_end(ap);
    dkernel_error("%s", msg);
}

void dkernel_warn(const char* format, ...)
{
    char msg[1024];
    va_list ap;
    va_start(ap, format);
    vsnprintf(msg, sizeof msg, format, ap);
    va_end(ap);
    fprintf(stderr, "Warning: second %.2f, message '%s'\n", demoSystem.time, msg);
}
