/*
** dk_sectiontable.cpp -- the table of section types and the name tables.
**
** The kernel reaches a section type only through `sectionFunction`; the
** parser maps script words to codes through the three name tables.
*/
#include "dkernel.h"
#include "sectiontypes.h"

#define DK_SECTION_ROW(name) \
    { #name, preload_##name, load_##name, init_##name, render_##name, end_##name },

SectionType sectionFunction[DK_SECTION_TYPES] = { DK_SECTION_LIST(DK_SECTION_ROW) };

#define DK_CHECK_ROW(name) check_##name,

SectionFunc sectionCheck[DK_SECTION_TYPES] = { DK_SECTION_LIST(DK_CHECK_ROW) };

#define DK_FREE_ROW(name) free_##name,

SectionFunc sectionFree[DK_SECTION_TYPES] = { DK_SECTION_LIST(DK_FREE_ROW) };

Section* mySection = nullptr;

const NameCode blendFunc[15] = {
    { "ZERO", 0x0000 },
    { "ONE", 0x0001 },
    { "DST_COLOR", 0x0306 },
    { "ONE_MINUS_DST_COLOR", 0x0307 },
    { "SRC_ALPHA", 0x0302 },
    { "ONE_MINUS_SRC_ALPHA", 0x0303 },
    { "DST_ALPHA", 0x0304 },
    { "ONE_MINUS_DST_ALPHA", 0x0305 },
    { "CONSTANT_COLOR", 0x8001 },
    { "ONE_MINUS_CONSTANT_COLOR", 0x8002 },
    { "CONSTANT_ALPHA", 0x8003 },
    { "ONE_MINUS_CONSTANT_ALPHA", 0x8004 },
    { "SRC_ALPHA_SATURATE", 0x0308 },
    { "SRC_COLOR", 0x0300 },
    { "ONE_MINUS_SRC_COLOR", 0x0301 },
};

const NameCode alphaFunc[8] = {
    { "NEVER", 0x0200 }, { "LESS", 0x0201 }, { "EQUAL", 0x0202 }, { "LEQUAL", 0x0203 },
    { "GREATER", 0x0204 }, { "NOTEQUAL", 0x0205 }, { "GEQUAL", 0x0206 }, { "ALWAYS", 0x0207 },
};

const NameCode renderMode[11] = {
    { "vertexes", 1 }, { "wireframe", 2 }, { "color", 3 }, { "flat", 4 },
    { "shaded", 5 }, { "normals", 6 }, { "texture", 7 }, { "environment", 8 },
    { "cell", 9 }, { "outline", 10 }, { "bump", 11 },
};
