/*
** st_pack.h -- `player --pack OUT_DIR [DIR]`: the demo checked as a party
** would and written as a Windows zip and a Linux archive.
*/
#ifndef ST_PACK_H
#define ST_PACK_H

#include <string>

/* The option: makes both archives and returns the exit status. */
int pack_option(int count, char** args);

/* A demo title as a folder and archive name every system takes. */
std::string pack_safeName(const char* title);

/* Whether a library is one every Linux desktop has (not shipped). */
int pack_desktopLibrary(const char* soname);

#endif
