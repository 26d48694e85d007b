/*
** dk_path.cpp -- normalising and comparing the file names of a demo, and
** the few places where Linux and Windows name files differently.
*/
#include "dk_path.h"

#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#ifdef _WIN32
#include <direct.h>
#include <windows.h>
#endif

static bool isSeparator(char c)
{
#ifdef _WIN32
    return c == '/' || c == '\\';
#else
    return c == '/';
#endif
}

/* A system path with "/" between folders, as the player compares them. */
static std::string systemSlashes(std::string path)
{
#ifdef _WIN32
    for (char& c : path)
        if (c == '\\')
            c = '/';
#endif
    return path;
}

/* The working folder with "/" between folders. */
static std::string workingFolder(void)
{
    char cwd[PATH_MAX];
    if (!getcwd(cwd, sizeof cwd))
        return "";
    return systemSlashes(cwd);
}

std::vector<std::string> path_split(const std::string& list, char separator)
{
    std::vector<std::string> parts;
    size_t from = 0;
    for (;;) {
        size_t to = list.find(separator, from);
        if (to == std::string::npos) {
            parts.push_back(list.substr(from));
            return parts;
        }
        parts.push_back(list.substr(from, to - from));
        from = to + 1;
    }
}

std::string path_normalize(const char* path)
{
    std::string p = systemSlashes(path ? path : "");
    /* an absolute path inside the demo folder is the same file as its
    ** relative name (on Windows without regard to case, as the system) */
    if (path_isAbsolute(p.c_str())) {
        std::string cwd = workingFolder();
        size_t n = cwd.size();
        bool inside = n > 0 && p.size() >= n && (p.size() == n || p[n] == '/') &&
#ifdef _WIN32
                      strncasecmp(p.c_str(), cwd.c_str(), n) == 0;
#else
                      p.compare(0, n, cwd) == 0;
#endif
        if (inside)
            p = p.substr(n);
    }
    std::vector<std::string> parts;
    for (const std::string& part : path_split(p, '/')) {
        if (part == "..") {
            if (!parts.empty() && parts.back() != "..")
                parts.pop_back();
            else
                parts.push_back(part);
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
    }
    std::string out;
    for (const std::string& part : parts)
        out += (out.empty() ? "" : "/") + part;
    return out;
}

int path_same(const char* a, const char* b)
{
    return a && b && strcasecmp(path_normalize(a).c_str(), path_normalize(b).c_str()) == 0;
}

void path_fromScript(char* path)
{
    for (char* p = path; *p; p++)
        if (*p == '\\')
            *p = '/';
}

bool path_isAbsolute(const char* path)
{
    if (isSeparator(path[0]))
        return true;
#ifdef _WIN32
    return ((path[0] | 32) >= 'a' && (path[0] | 32) <= 'z' && path[1] == ':');
#else
    return false;
#endif
}

std::string path_absolute(const char* path)
{
    std::string p = systemSlashes(path);
    if (path_isAbsolute(p.c_str()))
        return p;
    std::string cwd = workingFolder();
    if (cwd.empty())
        return "";
    return cwd + (cwd.back() == '/' ? "" : "/") + p;
}

std::string path_folder(const std::string& path)
{
    size_t end = path.size();
    while (end > 0 && !isSeparator(path[end - 1]))
        end--;
    if (end == 0)
        return "";
    /* the root keeps its separator: "/a" lies in "/", "C:/a" in "C:/" */
    return end == 1 || (end == 3 && path[1] == ':') ? path.substr(0, end) : path.substr(0, end - 1);
}

bool path_folderId(const char* folder, PathId* id)
{
#ifdef _WIN32
    /* the C library's file numbers are all 0 here: ask the file system */
    HANDLE h = CreateFileA(folder, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, NULL);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    BY_HANDLE_FILE_INFORMATION info;
    bool ok = GetFileInformationByHandle(h, &info);
    CloseHandle(h);
    id->volume = info.dwVolumeSerialNumber;
    id->file = (unsigned long long)info.nFileIndexHigh << 32 | info.nFileIndexLow;
    return ok;
#else
    struct stat st;
    if (stat(folder, &st) != 0)
        return false;
    id->volume = (unsigned long long)st.st_dev;
    id->file = (unsigned long long)st.st_ino;
    return true;
#endif
}

bool path_isFolderIn(const char* folder, const char* name)
{
    struct stat st;
#ifdef _WIN32
    return stat((std::string(folder) + "/" + name).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
#else
    int fd = open(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    bool folderInside = fd >= 0 && fstatat(fd, name, &st, 0) == 0 && S_ISDIR(st.st_mode);
    if (fd >= 0)
        close(fd);
    return folderInside;
#endif
}

int path_openPlain(const char* path, bool* plain)
{
#ifdef _WIN32
    int fd = open(path, O_RDONLY | O_BINARY);
#else
    int fd = open(path, O_RDONLY | O_NONBLOCK);
#endif
    struct stat st;
    *plain = fd >= 0 && fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    return fd;
}

bool path_makeFolder(const char* path)
{
#ifdef _WIN32
    return _mkdir(path) == 0 || errno == EEXIST;
#else
    return mkdir(path, 0755) == 0 || errno == EEXIST;
#endif
}

int path_replace(const char* from, const char* to)
{
#ifdef _WIN32
    if (MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING))
        return 0;
    errno = GetLastError() == ERROR_ACCESS_DENIED ? EACCES : EIO;
    return -1;
#else
    return rename(from, to);
#endif
}

std::string path_tempFolder(void)
{
#ifdef _WIN32
    char folder[MAX_PATH + 1];
    DWORD n = GetTempPathA(sizeof folder, folder);
    if (n == 0 || n > MAX_PATH)
        return ".";
    std::string t(folder, n);
    while (t.size() > 3 && isSeparator(t.back()))
        t.pop_back();
    return t;
#else
    return "/tmp";
#endif
}

std::string path_programFolder(void)
{
    std::string self;
#ifdef _WIN32
    char name[MAX_PATH + 1];
    DWORD n = GetModuleFileNameA(NULL, name, sizeof name);
    if (n == 0 || n >= sizeof name)
        return "";
    self = systemSlashes(std::string(name, n));
#else
    char name[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", name, sizeof name - 1);
    if (n <= 0)
        return "";
    self.assign(name, (size_t)n);
#endif
    return path_folder(self);
}
