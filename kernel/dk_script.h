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

#define DK_SCRIPT_COMMANDS  32
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

/* Parses an already opened script; `path` is only used in messages.
** loadScriptFile is fopen + this + fclose. */
void loadScriptStream(FILE* file, const char* path);

#endif
