/*
** st_spawn.cpp -- starting, feeding and stopping the encoder, for Linux
** and for Windows.
**
** Linux forks: the frames go down a pipe on the encoder's standard input
** and the music down a second pipe on its descriptor 3.  Windows has no
** descriptors to hand on beyond the standard three, so the music goes
** through a named pipe the encoder opens by name; the player connects to
** it at its first write, waiting for the encoder to open it or to end.
*/
#include "st_spawn.h"
#include "dk_path.h"
#include "dkernel.h"

#include <errno.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
#endif

static void (*interruptFn)(void);

static void onSignal(int sig)
{
    if (interruptFn)
        interruptFn();
    signal(sig, SIG_DFL);
    raise(sig);
}

#ifdef _WIN32

const char* const spawn_missingHint = "put ffmpeg.exe beside player.exe or in a folder on PATH";

static HANDLE child = NULL;
static HANDLE inputs[2] = { INVALID_HANDLE_VALUE, INVALID_HANDLE_VALUE };
static int    connected = 0;      /* the named pipe has its reader */

static bool isProgram(const std::string& path)
{
    DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

char* spawn_findProgram(const char* name)
{
    std::string file = std::string(name) + ".exe";
    std::string beside = path_programFolder();
    if (!beside.empty() && isProgram(beside + "/" + file))
        return strdup((beside + "/" + file).c_str());
    const char* path = getenv("PATH");
    for (const std::string& dir : path_split(path ? path : "", ';'))
        if (!dir.empty() && isProgram(dir + "\\" + file))
            return strdup((dir + "\\" + file).c_str());
    return nullptr;
}

std::string spawn_secondInput(void)
{
    return "\\\\.\\pipe\\lumeno-music-" + std::to_string((unsigned long)GetCurrentProcessId());
}

/* One argument as the program's C runtime splits the command line. */
static std::string quote(const std::string& arg)
{
    if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos)
        return arg;
    std::string out = "\"";
    size_t slashes = 0;
    for (char c : arg) {
        if (c == '\\') {
            slashes++;
            continue;
        }
        out.append(c == '"' ? slashes * 2 + 1 : slashes, '\\');
        slashes = 0;
        out += c;
    }
    out.append(slashes * 2, '\\');
    return out + "\"";
}

static void startFailed(void)
{
    dkernel_error("Cannot start ffmpeg: system error %lu", (unsigned long)GetLastError());
}

void spawn_start(const char* program, const std::vector<std::string>& args, const char* log, int second)
{
    SECURITY_ATTRIBUTES inherit = { sizeof inherit, NULL, TRUE };
    HANDLE frames = NULL;
    if (!CreatePipe(&frames, &inputs[0], &inherit, 1 << 20) ||
        !SetHandleInformation(inputs[0], HANDLE_FLAG_INHERIT, 0))
        startFailed();
    if (second) {
        inputs[1] = CreateNamedPipeA(spawn_secondInput().c_str(), PIPE_ACCESS_OUTBOUND | FILE_FLAG_OVERLAPPED,
                                     PIPE_TYPE_BYTE | PIPE_WAIT, 1, 1 << 20, 0, 0, NULL);
        if (inputs[1] == INVALID_HANDLE_VALUE)
            startFailed();
    }
    HANDLE errors = CreateFileA(log, GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, NULL);
    HANDLE nothing = CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, NULL);
    if (errors == INVALID_HANDLE_VALUE || nothing == INVALID_HANDLE_VALUE)
        startFailed();

    std::string line;
    for (const std::string& a : args)
        line += (line.empty() ? "" : " ") + quote(a);
    STARTUPINFOA start;
    memset(&start, 0, sizeof start);
    start.cb = sizeof start;
    start.dwFlags = STARTF_USESTDHANDLES;
    start.hStdInput = frames;
    start.hStdOutput = nothing;
    start.hStdError = errors;
    PROCESS_INFORMATION info;
    BOOL started = CreateProcessA(program, &line[0], NULL, NULL, TRUE, CREATE_NO_WINDOW, NULL, NULL,
                                  &start, &info);
    CloseHandle(frames);
    CloseHandle(errors);
    CloseHandle(nothing);
    if (!started)
        startFailed();
    CloseHandle(info.hThread);
    child = info.hProcess;
    connected = 0;
}

/* Waits for the pending overlapped call on the named pipe, or for the
** encoder to end first. */
static int waitPipe(OVERLAPPED* io)
{
    HANDLE both[2] = { io->hEvent, child };
    if (WaitForMultipleObjects(2, both, FALSE, INFINITE) != WAIT_OBJECT_0) {
        CancelIo(inputs[1]);
        return 0;
    }
    return 1;
}

int spawn_write(int input, const void* data, size_t size)
{
    HANDLE h = inputs[input];
    if (h == INVALID_HANDLE_VALUE)
        return 0;
    const char* p = (const char*)data;
    if (input == 0) {
        while (size > 0) {
            DWORD n = 0;
            if (!WriteFile(h, p, size > (1u << 30) ? 1u << 30 : (DWORD)size, &n, NULL) || n == 0)
                return 0;
            p += n;
            size -= n;
        }
        return 1;
    }
    OVERLAPPED io;
    memset(&io, 0, sizeof io);
    io.hEvent = CreateEventA(NULL, TRUE, FALSE, NULL);
    int ok = io.hEvent != NULL;
    if (ok && !connected) {
        if (!ConnectNamedPipe(h, &io)) {
            DWORD e = GetLastError();
            ok = e == ERROR_PIPE_CONNECTED || (e == ERROR_IO_PENDING && waitPipe(&io));
        }
        connected = ok;
    }
    while (ok && size > 0) {
        DWORD n = 0;
        ResetEvent(io.hEvent);
        if (!WriteFile(h, p, size > (1u << 30) ? 1u << 30 : (DWORD)size, NULL, &io) &&
            (GetLastError() != ERROR_IO_PENDING || !waitPipe(&io)))
            ok = 0;
        else if (!GetOverlappedResult(h, &io, &n, FALSE) || n == 0)
            ok = 0;
        p += n;
        size -= n;
    }
    if (io.hEvent)
        CloseHandle(io.hEvent);
    return ok;
}

int spawn_finish(void)
{
    for (HANDLE& h : inputs) {
        if (h != INVALID_HANDLE_VALUE)
            CloseHandle(h);
        h = INVALID_HANDLE_VALUE;
    }
    if (!child)
        return 0;
    DWORD status = 1;
    WaitForSingleObject(child, INFINITE);
    GetExitCodeProcess(child, &status);
    CloseHandle(child);
    child = NULL;
    return status == 0;
}

void spawn_kill(void)
{
    if (child) {
        TerminateProcess(child, 1);
        WaitForSingleObject(child, INFINITE);
        CloseHandle(child);
        child = NULL;
    }
}

void spawn_display(int, int)
{
}

void spawn_onInterrupt(void (*fn)(void))
{
    interruptFn = fn;
    signal(SIGINT, onSignal);
    signal(SIGTERM, onSignal);
    signal(SIGBREAK, onSignal);
}

#else

const char* const spawn_missingHint = "install the ffmpeg package";

static pid_t child = -1;
static pid_t display = -1;
static int   inputs[2] = { -1, -1 };

char* spawn_findProgram(const char* name)
{
    const char* path = getenv("PATH");
    if (!path || !*path)
        return nullptr;
    for (const std::string& dir : path_split(path, ':')) {
        std::string candidate = (dir.empty() ? std::string(".") : dir) + "/" + name;
        struct stat st;
        if (stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
            access(candidate.c_str(), X_OK) == 0)
            return strdup(candidate.c_str());
    }
    return nullptr;
}

std::string spawn_secondInput(void)
{
    return "pipe:3";
}

void spawn_start(const char* program, const std::vector<std::string>& args, const char* log, int second)
{
    std::vector<std::string> copy = args;
    std::vector<char*> argv;
    for (std::string& a : copy)
        argv.push_back(&a[0]);
    argv.push_back(nullptr);

    int logFd = open(log, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    int video[2], audio[2] = { -1, -1 };
    if (logFd < 0 || pipe2(video, O_CLOEXEC) != 0 || (second && pipe2(audio, O_CLOEXEC) != 0))
        dkernel_error("Cannot start ffmpeg: %s", strerror(errno));
    pid_t pid = fork();
    if (pid < 0)
        dkernel_error("Cannot start ffmpeg: %s", strerror(errno));
    if (pid == 0) {
        /* dup2 clears close-on-exec on the copies, and only on them */
        dup2(video[0], 0);
        int devnull = open("/dev/null", O_WRONLY);
        dup2(devnull, 1);
        dup2(logFd, 2);
        if (second)
            dup2(audio[0], 3);
        execv(program, argv.data());
        _exit(127);
    }
    close(logFd);
    close(video[0]);
    child = pid;
    inputs[0] = video[1];
    if (second) {
        close(audio[0]);
        inputs[1] = audio[1];
    }
}

int spawn_write(int input, const void* data, size_t size)
{
    int fd = inputs[input];
    if (fd < 0)
        return 0;
    const char* p = (const char*)data;
    while (size > 0) {
        ssize_t n = write(fd, p, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return 0;
        p += n;
        size -= (size_t)n;
    }
    return 1;
}

int spawn_finish(void)
{
    for (int& fd : inputs) {
        if (fd >= 0)
            close(fd);
        fd = -1;
    }
    if (child < 0)
        return 0;
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    child = -1;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void spawn_kill(void)
{
    /* only calls that are safe in a signal handler */
    if (child > 0) {
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        child = -1;
    }
    if (display > 0) {
        kill(display, SIGTERM);
        waitpid(display, nullptr, 0);
        display = -1;
    }
}

static double nowSeconds(void)
{
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (double)t.tv_sec + (double)t.tv_nsec * 1e-9;
}

void spawn_display(int width, int height)
{
    const char* given = getenv("DISPLAY");
    if (given && *given)
        return;
    char* server = spawn_findProgram("Xvfb");
    if (!server)
        dkernel_error("Rendering without a display needs Xvfb, which was not found");
    char screen[64];
    snprintf(screen, sizeof screen, "%dx%dx24", width < 64 ? 64 : width, height < 64 ? 64 : height);

    int fds[2];
    if (pipe(fds) != 0)
        dkernel_error("Cannot start Xvfb: %s", strerror(errno));
    char fdText[16];
    snprintf(fdText, sizeof fdText, "%d", fds[1]);
    pid_t pid = fork();
    if (pid < 0)
        dkernel_error("Cannot start Xvfb: %s", strerror(errno));
    if (pid == 0) {
        close(fds[0]);
        int devnull = open("/dev/null", O_RDWR);
        dup2(devnull, 0);
        dup2(devnull, 1);
        dup2(devnull, 2);
        /* -noreset: the server lives exactly as long as this run */
        execl(server, "Xvfb", "-displayfd", fdText, "-screen", "0", screen, "-nolisten", "tcp",
              "-noreset", (char*)nullptr);
        _exit(127);
    }
    free(server);
    close(fds[1]);
    display = pid;

    /* the server writes its display number once it accepts clients */
    char number[32] = { 0 };
    size_t got = 0;
    double until = nowSeconds() + 20.0;
    while (got < sizeof number - 1 && !strchr(number, '\n')) {
        double left = until - nowSeconds();
        if (left <= 0)
            break;
        struct pollfd p = { fds[0], POLLIN, 0 };
        if (poll(&p, 1, (int)(left * 1000) + 1) <= 0)
            continue;
        ssize_t n = read(fds[0], number + got, sizeof number - 1 - got);
        if (n <= 0)
            break;
        got += (size_t)n;
    }
    close(fds[0]);
    if (!strchr(number, '\n'))
        dkernel_error("Cannot start Xvfb for rendering without a display");
    char name[40];
    snprintf(name, sizeof name, ":%d", atoi(number));
    setenv("DISPLAY", name, 1);
}

void spawn_onInterrupt(void (*fn)(void))
{
    interruptFn = fn;
    signal(SIGPIPE, SIG_IGN);
    signal(SIGINT, onSignal);
    signal(SIGTERM, onSignal);
    signal(SIGHUP, onSignal);
}

#endif
