/*
** dk_path.h -- file names as the demo folder sees them.  Textures and
** models are shared by file name, and live reload matches changed files
** against the names scripts give, so every module compares names the
** same way: relative to the demo folder, without "." and ".." steps or
** doubled slashes, and without regard to case.  The differences between
** Linux and Windows file names (drive letters, "\" between folders, the
** temporary folder, the program's own folder) are all kept in here.
*/
#ifndef DK_PATH_H
#define DK_PATH_H

#include <string>
#include <vector>

/* "./data//a/../b.tga" -> "data/b.tga"; an absolute path inside the
** working folder becomes relative to it. */
std::string path_normalize(const char* path);

/* The parts of a list between separators, empty ones included:
** ("a::b", ':') -> "a", "", "b"; an empty list is one empty part. */
std::vector<std::string> path_split(const std::string& list, char separator);

/* Do two names denote the same file of the demo folder? */
int path_same(const char* a, const char* b);

/* A file name as a script gives it: "\" separates folders as "/" does, on
** both systems, so it is turned into "/" in place (Windows reads "/" too). */
void path_fromScript(char* path);

/* Absolute: "/..." on Linux; "C:\...", "C:/...", "\\server\..." and "\..."
** on Windows. */
bool path_isAbsolute(const char* path);

/* The path made absolute against the working folder, "/" between
** folders; empty when the working folder cannot be read. */
std::string path_absolute(const char* path);

/* The folder part of a path ("" for a bare name); either separator counts
** on Windows. */
std::string path_folder(const std::string& path);

/* What tells folders apart: device and file number; two names with the
** same identity are the same folder (a link led back). */
struct PathId {
    unsigned long long volume;
    unsigned long long file;
};
/* False when the folder cannot be looked at. */
bool path_folderId(const char* folder, PathId* id);

/* Is `name` inside `folder` a folder?  For names too long to join. */
bool path_isFolderIn(const char* folder, const char* name);

/* Opens a file for reading without waiting on a pipe named like it: the
** descriptor, with *plain telling whether it is a plain file, or -1 with
** errno set. */
int path_openPlain(const char* path, bool* plain);

/* Makes a folder; true when it exists afterwards. */
bool path_makeFolder(const char* path);

/* Renames `from` to `to`, replacing a file of that name as rename does on
** Linux; 0 on success, -1 with errno set. */
int path_replace(const char* from, const char* to);

/* A folder for scratch files, without a trailing separator. */
std::string path_tempFolder(void);

/* The folder the running program lies in, "/" between folders, or ""
** when it cannot be told. */
std::string path_programFolder(void);

#endif
