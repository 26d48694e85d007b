/*
** dk_path.h -- file names as the demo folder sees them.  Textures and
** models are shared by file name, and live reload matches changed files
** against the names scripts give, so every module compares names the
** same way: relative to the demo folder, without "." and ".." steps or
** doubled slashes, and without regard to case.
*/
#ifndef DK_PATH_H
#define DK_PATH_H

#include <string>

/* "./data//a/../b.tga" -> "data/b.tga"; an absolute path inside the
** working folder becomes relative to it. */
std::string path_normalize(const char* path);

/* Do two names denote the same file of the demo folder? */
int path_same(const char* a, const char* b);

/* The folder the running program lies in, or "" when it cannot be told. */
std::string path_programFolder(void);

#endif
