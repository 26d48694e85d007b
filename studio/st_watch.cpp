/*
** st_watch.cpp -- change notifications, for Linux and for Windows.
**
** Linux watches each folder with inotify, adding folders as they appear.
** Windows watches the whole tree with one ReadDirectoryChangesW request,
** read without waiting through an event; the request is issued again after
** every batch, and a batch too large for the buffer counts as lost.
*/
#include "st_watch.h"
#include "dk_path.h"
#include "dkernel.h"

#include <errno.h>
#include <stdio.h>
#include <string.h>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <dirent.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

static WatchSkipFunc watchSkip;

#ifdef _WIN32

static HANDLE     watchFolder = INVALID_HANDLE_VALUE;
static OVERLAPPED watchIo;
static DWORD      watchBuffer[16384];     /* DWORD-aligned, as the call needs */

static int issueRead(void)
{
    ResetEvent(watchIo.hEvent);
    DWORD filter = FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME |
                   FILE_NOTIFY_CHANGE_LAST_WRITE | FILE_NOTIFY_CHANGE_SIZE;
    return ReadDirectoryChangesW(watchFolder, watchBuffer, sizeof watchBuffer, TRUE, filter, NULL,
                                 &watchIo, NULL);
}

int watch_start(WatchSkipFunc skip)
{
    watchSkip = skip;
    watchFolder = CreateFileA(".", FILE_LIST_DIRECTORY,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, NULL);
    memset(&watchIo, 0, sizeof watchIo);
    watchIo.hEvent = CreateEventA(NULL, TRUE, FALSE, NULL);
    if (watchFolder == INVALID_HANDLE_VALUE || !watchIo.hEvent || !issueRead()) {
        fprintf(stderr, "Warning: live reload is off: cannot watch the demo folder (system error %lu)\n",
                (unsigned long)GetLastError());
        watch_stop();
        return -1;
    }
    return 1;
}

void watch_stop(void)
{
    if (watchFolder != INVALID_HANDLE_VALUE) {
        CancelIo(watchFolder);
        CloseHandle(watchFolder);
    }
    if (watchIo.hEvent)
        CloseHandle(watchIo.hEvent);
    watchFolder = INVALID_HANDLE_VALUE;
    watchIo.hEvent = NULL;
}

/* The file name in the code page the rest of the player opens files with. */
static std::string narrow(const WCHAR* text, int chars)
{
    int n = WideCharToMultiByte(CP_ACP, 0, text, chars, NULL, 0, NULL, NULL);
    std::string out((size_t)(n > 0 ? n : 0), '\0');
    if (n > 0)
        WideCharToMultiByte(CP_ACP, 0, text, chars, &out[0], n, NULL, NULL);
    return out;
}

void watch_read(WatchFunc fn)
{
    if (watchFolder == INVALID_HANDLE_VALUE)
        return;
    DWORD got = 0;
    while (WaitForSingleObject(watchIo.hEvent, 0) == WAIT_OBJECT_0) {
        if (!GetOverlappedResult(watchFolder, &watchIo, &got, FALSE) || got == 0) {
            fn("", WATCH_LOST);
        } else {
            const char* p = (const char*)watchBuffer;
            for (;;) {
                const FILE_NOTIFY_INFORMATION* e = (const FILE_NOTIFY_INFORMATION*)p;
                std::string path = path_normalize(narrow(e->FileName, (int)(e->FileNameLength / 2)).c_str());
                if (!path.empty() && !watchSkip(path)) {
                    DWORD attributes = GetFileAttributesA(path.c_str());
                    if (attributes == INVALID_FILE_ATTRIBUTES)
                        fn(path, e->Action == FILE_ACTION_REMOVED || e->Action == FILE_ACTION_RENAMED_OLD_NAME
                                     ? WATCH_GONE : WATCH_FILE);
                    else if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
                        /* a folder is "modified" whenever its contents are */
                        if (e->Action != FILE_ACTION_MODIFIED)
                            fn(path, WATCH_FOLDER);
                    }
                    else
                        fn(path, WATCH_FILE);
                }
                if (!e->NextEntryOffset)
                    break;
                p += e->NextEntryOffset;
            }
        }
        if (!issueRead()) {
            fn("", WATCH_LOST);
            watch_stop();
            return;
        }
    }
}

#else

#define WATCH_EVENTS (IN_CLOSE_WRITE | IN_MOVED_TO | IN_MOVED_FROM | IN_CREATE | IN_DELETE)

static int                      watchFd = -1;
static std::vector<int>         watches;     /* watch descriptors ... */
static std::vector<std::string> folders;     /* ... and the folders they watch */

static void watchTree(const std::string& folder)
{
    if (watchFd < 0 || folder.size() >= DK_MAX_PATH)
        return;
    const char* name = folder.empty() ? "." : folder.c_str();
    int wd = inotify_add_watch(watchFd, name, WATCH_EVENTS | IN_ONLYDIR);
    if (wd < 0)
        return;
    watches.push_back(wd);
    folders.push_back(folder);
    DIR* dir = opendir(name);
    if (!dir)
        return;
    while (struct dirent* e = readdir(dir)) {
        std::string child = folder.empty() ? e->d_name : folder + "/" + e->d_name;
        struct stat st;
        /* no links: a link back up the tree would be watched forever */
        if (e->d_name[0] == '.' || watchSkip(child) || lstat(child.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
            continue;
        int known = 0;
        for (const std::string& f : folders)
            known |= f == child;
        if (!known)
            watchTree(child);
    }
    closedir(dir);
}

int watch_start(WatchSkipFunc skip)
{
    watchSkip = skip;
    watchFd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (watchFd < 0) {
        fprintf(stderr, "Warning: live reload is off: cannot watch the demo folder (%s)\n", strerror(errno));
        return -1;
    }
    watchTree("");
    return (int)watches.size();
}

void watch_stop(void)
{
    if (watchFd >= 0)
        close(watchFd);
    watchFd = -1;
    watches.clear();
    folders.clear();
}

void watch_read(WatchFunc fn)
{
    alignas(struct inotify_event) char buffer[8192];
    while (watchFd >= 0) {
        ssize_t n = read(watchFd, buffer, sizeof buffer);
        if (n <= 0)
            return;
        for (char* p = buffer; p < buffer + n;) {
            const struct inotify_event* e = (const struct inotify_event*)p;
            p += sizeof(struct inotify_event) + e->len;
            if (e->mask & IN_Q_OVERFLOW) {
                fn("", WATCH_LOST);
                continue;
            }
            std::string folder;
            int known = 0;
            for (size_t i = 0; i < watches.size(); i++) {
                if (watches[i] != e->wd)
                    continue;
                if (e->mask & IN_IGNORED) {
                    watches.erase(watches.begin() + (long)i);
                    folders.erase(folders.begin() + (long)i);
                } else {
                    folder = folders[i];
                    known = 1;
                }
                break;
            }
            if (!known || e->len == 0)
                continue;
            std::string path = path_normalize((folder + "/" + e->name).c_str());
            if (watchSkip(path))
                continue;
            if (e->mask & IN_ISDIR) {
                if (e->mask & (IN_CREATE | IN_MOVED_TO))
                    watchTree(path);
                fn(path, WATCH_FOLDER);
            } else {
                fn(path, WATCH_FILE);
            }
        }
    }
}

#endif
