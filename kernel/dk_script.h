/*
** dk_script.h -- internals of the script parser and the configuration
** tables it fills.
**
** dkernel.h declares the parser's public calls; this header adds the key
** tables and the stream entry that tests and the fuzzer drive directly.
*/
#ifndef DK_SCRIPT_H
#define DK_SCRIPT_H

#include <stdio.h>

/* value types of a global key */
#define DK_KEY_INT    0
#define DK_KEY_FLOAT  1
#define DK_KEY_STRING 2

#define DK_SCRIPT_COMMANDS  36
#define DK_SECTION_COMMANDS 9

struct ScriptCommand {
    const char* name;
    int         type;    /* DK_KEY_INT, DK_KEY_FLOAT or DK_KEY_STRING */
    void*       target;  /* int*, float* or char** by type */
};

/* dk_config.cpp: the global keys, in their fixed order */
extern ScriptCommand scriptCommand[DK_SCRIPT_COMMANDS];

/* dk_script.cpp: the per-section keywords, in their fixed order */
extern const char* const scriptSectionCommand[DK_SECTION_COMMANDS];

/* dk_script.cpp: scripts the search has found so far (leftovers not
** counted), so start-up can say when a folder holds none at all */
extern int script_foundCount;

/* The one reading of a number from script text, for global keys, section
** keys, float lists and spline rows.  After blanks it takes the longest
** decimal number (sign, digits; for DK_KEY_FLOAT also a fraction and an
** exponent), as a formatted read would: "1.5" as an integer is 1, "2x" is 2.
** A number is unreadable when no digit starts it or when its value is not a
** finite number of its type (DK_KEY_INT: int, DK_KEY_FLOAT: float), so
** "nan", "inf", 1e39 and 45-digit integers all are.  Unreadable: returns
** false and leaves *out alone.  Otherwise stores it and, when `end` is
** given, points it past what was read.  Each key decides what an unreadable
** number means: a global key keeps its value; start, end, layer, alpha,
** spline and modify stop with their "Invalid ..." message; in a float list
** (param lines, spline rows) it ends the list. */
bool script_readNumber(const char* text, int type, void* out, const char** end);

/* Parses an already opened script; `path` is only used in messages.
** loadScriptFile is fopen + this + fclose. */
void loadScriptStream(FILE* file, const char* path);

#endif
