/*
** dk_sections.h -- the queue steps of one frame without the drawing, for
** callers that only need the clock's effect on which sections are active.
*/
#ifndef DK_SECTIONS_H
#define DK_SECTIONS_H

#include "dkernel.h"

/* Retires sections whose end has passed and starts those whose start has
   come (calling their end and init functions); draws nothing. */
void sections_advance(void);

/* The selection rule: does the section play when the demo stands at
   `reference` seconds?  Loading sections never play. */
int sections_selected(const Section* section, float reference);

#endif
