/*
** harness.cpp -- demo folders, player processes, X servers and TGA frames
** for the end-to-end tests (API and usage in harness.h).
*/
#include "harness.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#ifndef LUMENO_PLAYER
#define LUMENO_PLAYER "player"
#endif
#ifndef LUMENO_SOURCE_DIR
#define LUMENO_SOURCE_DIR "."
#endif

static std::vector<std::string> createdDirs;
static std::vector<pid_t> sharedXvfb;   /* our own server when DISPLAY was unset */
static std::vector<pid_t> livePids;     /* players and servers of e2e_start not yet finished */

static double nowSeconds()
{
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec + ts.tv_nsec * 1e-9;
}

void e2e_sleep(double seconds)
{
    if (seconds > 0) usleep((useconds_t)(seconds * 1e6));
}

bool e2e_exists(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

static std::string readWhole(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

static void removeTree(const std::string& path)
{
    DIR* d = opendir(path.c_str());
    if (d) {
        while (struct dirent* e = readdir(d)) {
            if (!strcmp(e->d_name, ".") || !strcmp(e->d_name, "..")) continue;
            removeTree(path + "/" + e->d_name);
        }
        closedir(d);
        rmdir(path.c_str());
    } else {
        unlink(path.c_str());
    }
}

static void cleanupAtExit()
{
    /* a test that stopped early (failed assertion) leaves its processes here */
    for (pid_t x : livePids) { kill(x, SIGKILL); waitpid(x, nullptr, 0); }
    for (pid_t x : sharedXvfb) { kill(x, SIGTERM); waitpid(x, nullptr, 0); }
    const char* keep = getenv("LUMENO_E2E_KEEP");
    bool passed = ::testing::UnitTest::GetInstance()->Passed();
    if ((keep && *keep && strcmp(keep, "0")) || !passed) {
        for (auto& d : createdDirs) fprintf(stderr, "e2e: kept %s\n", d.c_str());
        return;
    }
    for (auto& d : createdDirs) removeTree(d);
}

static void mkdirs(const std::string& path)
{
    for (size_t i = 1; i <= path.size(); i++)
        if (i == path.size() || path[i] == '/') mkdir(path.substr(0, i).c_str(), 0755);
}

/* Starts Xvfb on a free display number and returns its pid; display gets ":N".
   -displayfd makes the server pick the number and tell us once it is ready. */
static pid_t startXvfb(std::string& display, const std::string& fbdir = "")
{
    int fds[2];
    if (pipe(fds) != 0) return -1;
    pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        int devnull = open("/dev/null", O_RDWR);
        dup2(devnull, 1);
        dup2(devnull, 2);
        char fdText[16];
        snprintf(fdText, sizeof fdText, "%d", fds[1]);
        /* -noreset: a server that resets when its last client leaves would
           refuse the player while a short-lived xdotool just disconnected. */
        if (fbdir.empty())
            execlp("Xvfb", "Xvfb", "-displayfd", fdText, "-screen", "0", "1280x1024x24",
                   "-nolisten", "tcp", "-noreset", (char*)nullptr);
        else
            execlp("Xvfb", "Xvfb", "-displayfd", fdText, "-screen", "0", "1280x1024x24",
                   "-nolisten", "tcp", "-noreset", "-fbdir", fbdir.c_str(), (char*)nullptr);
        _exit(127);
    }
    close(fds[1]);
    char buf[32] = {0};
    size_t got = 0;
    double until = nowSeconds() + 15;
    fcntl(fds[0], F_SETFL, O_NONBLOCK);
    while (nowSeconds() < until && got < sizeof buf - 1) {
        ssize_t n = read(fds[0], buf + got, sizeof buf - 1 - got);
        if (n > 0) { got += n; if (strchr(buf, '\n')) break; }
        else if (n == 0) break;
        else usleep(10000);
    }
    close(fds[0]);
    if (!got) { kill(pid, SIGKILL); waitpid(pid, nullptr, 0); return -1; }
    display = std::string(":") + std::to_string(atoi(buf));
    return pid;
}

static void ensureDisplay()
{
    static bool done = false;
    if (done) return;
    done = true;
    const char* d = getenv("DISPLAY");
    if (d && *d) return;
    std::string display;
    pid_t x = startXvfb(display);
    if (x > 0) {
        sharedXvfb.push_back(x);
        setenv("DISPLAY", display.c_str(), 1);
    }
}

/* The debug font: committed with the example demo, or elsewhere in the tree. */
static std::string findFont()
{
    const char* candidates[] = {
        "examples/showcase/data/fonts/font.tga", "data/fonts/font.tga",
        "tests/data/fonts/font.tga", "tests/e2e/data/fonts/font.tga",
    };
    for (const char* c : candidates) {
        std::string p = std::string(LUMENO_SOURCE_DIR) + "/" + c;
        if (e2e_exists(p)) return p;
    }
    return "";
}

std::string e2e_makeDemo()
{
    static bool registered = false;
    if (!registered) { atexit(cleanupAtExit); registered = true; }
    const char* tmp = getenv("TMPDIR");
    std::string templ = std::string(tmp && *tmp ? tmp : "/tmp") + "/lumeno-e2e-XXXXXX";
    std::vector<char> buf(templ.begin(), templ.end());
    buf.push_back(0);
    if (!mkdtemp(buf.data())) {
        ADD_FAILURE() << "mkdtemp failed: " << strerror(errno);
        return "/nonexistent";
    }
    std::string dir = buf.data();
    createdDirs.push_back(dir);
    mkdir((dir + "/video").c_str(), 0755);
    std::string font = findFont();
    if (!font.empty()) e2e_writeFile(dir, "data/fonts/font.tga", readWhole(font));
    return dir;
}

void e2e_writeFile(const std::string& dir, const std::string& rel, const std::string& text)
{
    std::string path = dir + "/" + rel;
    size_t slash = path.rfind('/');
    mkdirs(path.substr(0, slash));
    std::ofstream out(path, std::ios::binary);
    out << text;
    if (!out) ADD_FAILURE() << "cannot write " << path;
}

void e2e_writeTga(const std::string& dir, const std::string& rel, const E2eImage& img)
{
    bool withAlpha = img.alpha.size() == (size_t)img.width * img.height;
    std::string data(18, '\0');
    data[2] = 2;
    data[12] = (char)(img.width & 255);
    data[13] = (char)(img.width >> 8);
    data[14] = (char)(img.height & 255);
    data[15] = (char)(img.height >> 8);
    data[16] = withAlpha ? 32 : 24;
    data[17] = withAlpha ? 8 : 0;   /* bottom-left origin, alpha bits */
    for (int y = img.height - 1; y >= 0; y--) {
        for (int x = 0; x < img.width; x++) {
            size_t i = (size_t)y * img.width + x;
            data += (char)img.rgb[i * 3 + 2];
            data += (char)img.rgb[i * 3 + 1];
            data += (char)img.rgb[i * 3 + 0];
            if (withAlpha) data += (char)img.alpha[i];
        }
    }
    e2e_writeFile(dir, rel, data);
}

E2eImage e2e_solid(int width, int height, int r, int g, int b)
{
    E2eImage img;
    img.width = width;
    img.height = height;
    img.rgb.resize((size_t)width * height * 3);
    for (size_t i = 0; i < (size_t)width * height; i++) {
        img.rgb[i * 3] = (unsigned char)r;
        img.rgb[i * 3 + 1] = (unsigned char)g;
        img.rgb[i * 3 + 2] = (unsigned char)b;
    }
    return img;
}

std::string e2e_loadingSection(const std::string& picture1, const std::string& picture2)
{
    return "[loading]\nstart 0\nend 1\n"
           "param 0 0 0 0 0.1 0.1 0.9 0.2\n"
           "param 0 0 0 0 0.1 0.1 0.9 0.2 0\n"
           "string " + picture1 + "\nstring " + (picture2.empty() ? picture1 : picture2) + "\n";
}

/* ---- processes ---- */

/* Start-up failures of the X server rather than of the player: a server
   that refused the connection (resetting, or a display number just being
   released) or came up without GLX for this client. */
static bool displayRefused(const std::string& err)
{
    return err.find("Couldn't open X11 display") != std::string::npos ||
           err.find("OpenGL not available") != std::string::npos;
}

static pid_t spawnPlayer(const std::string& dir, const char* display)
{
    std::string out = dir + ".stdout", err = dir + ".stderr";
    pid_t pid = fork();
    if (pid == 0) {
        if (chdir(dir.c_str()) != 0) _exit(126);
        int o = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int e = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(o, 1);
        dup2(e, 2);
        int devnull = open("/dev/null", O_RDONLY);
        dup2(devnull, 0);
        if (display) setenv("DISPLAY", display, 1);
        setpgid(0, 0);
        execl(LUMENO_PLAYER, LUMENO_PLAYER, (char*)nullptr);
        _exit(127);
    }
    return pid;
}

static void collect(E2eRun& run, const std::string& dir, int wstatus)
{
    if (WIFEXITED(wstatus)) run.status = WEXITSTATUS(wstatus);
    else if (WIFSIGNALED(wstatus)) run.signal = WTERMSIG(wstatus);
    run.out = readWhole(dir + ".stdout");
    run.err = readWhole(dir + ".stderr");
    unlink((dir + ".stdout").c_str());
    unlink((dir + ".stderr").c_str());
}

/* A run that keeps recording (debug mode pauses at the end instead of
   exiting, and still captures every frame) would fill the disk before the
   timeout: more frames than any test needs count as a timeout too. */
static const int maxFrames = 3000;

static int waitWithTimeout(pid_t pid, double timeoutSeconds, bool& timedOut, const std::string& dir)
{
    int wstatus = 0;
    double until = nowSeconds() + timeoutSeconds;
    double nextCount = nowSeconds() + 0.5;
    timedOut = false;
    for (;;) {
        pid_t r = waitpid(pid, &wstatus, WNOHANG);
        if (r == pid) return wstatus;
        if (r < 0) return 0;
        bool tooMany = false;
        if (nowSeconds() > nextCount) {
            tooMany = e2e_frameCount(dir) > maxFrames;
            nextCount = nowSeconds() + 0.5;
        }
        if (tooMany || nowSeconds() > until) {
            timedOut = true;
            kill(-pid, SIGKILL);
            kill(pid, SIGKILL);
            waitpid(pid, &wstatus, 0);
            return wstatus;
        }
        usleep(5000);
    }
}

E2eRun e2e_run(const std::string& dir, double timeoutSeconds)
{
    ensureDisplay();
    E2eRun run;
    /* An X server started without -noreset (xvfb-run) resets when its last
       client leaves and refuses connections meanwhile: try again then. */
    for (int attempt = 0; attempt < 5; attempt++) {
        run = E2eRun();
        pid_t pid = spawnPlayer(dir, nullptr);
        if (pid < 0) { ADD_FAILURE() << "fork failed"; return run; }
        int wstatus = waitWithTimeout(pid, timeoutSeconds, run.timedOut, dir);
        collect(run, dir, wstatus);
        if (run.timedOut || !displayRefused(run.err)) break;
        e2e_sleep(0.2);
    }
    if (run.timedOut) {
        run.status = -1;
        ADD_FAILURE() << "player killed after " << timeoutSeconds << " s or " << maxFrames
                      << " frames in " << dir;
    }
    return run;
}

static bool windowShown(const std::string& display)
{
    std::string cmd = "DISPLAY=" + display +
                      " timeout 5 xdotool search --onlyvisible --name . >/dev/null 2>&1";
    return system(cmd.c_str()) == 0;
}

static void stopServer(E2eProc& p)
{
    kill(p.xvfb, SIGTERM);
    waitpid(p.xvfb, nullptr, 0);
    removeTree(p.dir + ".fb");
    p.xvfb = -1;
}

/* Returns once the player's window is up, or the player has already ended
   (then e2e_finish reports how).  A player that could not reach its fresh
   server at all is started again on a new one. */
E2eProc e2e_start(const std::string& dir)
{
    E2eProc p;
    p.dir = dir;
    for (int attempt = 0; attempt < 3; attempt++) {
        mkdir((dir + ".fb").c_str(), 0755);
        p.xvfb = startXvfb(p.display, dir + ".fb");
        if (p.xvfb < 0) { ADD_FAILURE() << "cannot start Xvfb"; return p; }
        p.pid = spawnPlayer(dir, p.display.c_str());
        if (p.pid < 0) { ADD_FAILURE() << "fork failed"; stopServer(p); return p; }
        bool ended = false;
        double until = nowSeconds() + 30;
        while (nowSeconds() < until) {
            siginfo_t info;
            info.si_pid = 0;
            if (waitid(P_PID, p.pid, &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == p.pid) {
                ended = true;
                break;
            }
            if (windowShown(p.display)) break;
            usleep(20000);
        }
        if (ended && displayRefused(readWhole(dir + ".stderr"))) {
            waitpid(p.pid, nullptr, 0);
            stopServer(p);
            continue;
        }
        break;
    }
    if (p.xvfb > 0) livePids.push_back(p.xvfb);
    if (p.pid > 0) livePids.push_back(p.pid);
    return p;
}

std::string e2e_currentOutput(const E2eProc& p)
{
    return readWhole(p.dir + ".stdout");
}

bool e2e_waitOutput(const E2eProc& p, const std::string& text, double timeoutSeconds)
{
    double until = nowSeconds() + timeoutSeconds;
    while (nowSeconds() < until) {
        if (e2e_currentOutput(p).find(text) != std::string::npos) return true;
        if (waitpid(p.pid, nullptr, WNOHANG) != 0) break;   /* gone (or reaped) */
        usleep(10000);
    }
    return e2e_currentOutput(p).find(text) != std::string::npos;
}

/* Runs xdotool against the player's private server: the window is focused
   first so that the XTEST key events reach it.  The player's frame window is
   the only one with a name there (its caption). */
static bool xdotool(const E2eProc& p, const char* action, const std::string& key)
{
    std::string cmd = "DISPLAY=" + p.display +
                      " timeout 10 xdotool search --onlyvisible --name . windowfocus %1 >/dev/null 2>&1;"
                      " DISPLAY=" + p.display + " timeout 10 xdotool " + action + " " + key + " >/dev/null 2>&1";
    int rc = system(cmd.c_str());
    return rc == 0;
}

bool e2e_key(const E2eProc& p, const std::string& key) { return xdotool(p, "key", key); }
bool e2e_keyDown(const E2eProc& p, const std::string& key) { return xdotool(p, "keydown", key); }
bool e2e_keyUp(const E2eProc& p, const std::string& key) { return xdotool(p, "keyup", key); }

static void forget(pid_t pid)
{
    for (size_t i = 0; i < livePids.size(); i++)
        if (livePids[i] == pid) { livePids.erase(livePids.begin() + i); return; }
}

E2eRun e2e_finish(E2eProc& p, double timeoutSeconds)
{
    E2eRun run;
    if (p.pid > 0) {
        int wstatus = waitWithTimeout(p.pid, timeoutSeconds, run.timedOut, p.dir);
        collect(run, p.dir, wstatus);
        if (run.timedOut) {
            run.status = -1;
            ADD_FAILURE() << "player killed after " << timeoutSeconds << " s or " << maxFrames
                          << " frames in " << p.dir;
        }
        forget(p.pid);
        p.pid = -1;
    }
    if (p.xvfb > 0) {
        forget(p.xvfb);
        stopServer(p);
    }
    return run;
}

/* ---- the screen of a private server ---- */

static unsigned int be32(const unsigned char* b)
{
    return (unsigned)b[0] << 24 | (unsigned)b[1] << 16 | (unsigned)b[2] << 8 | b[3];
}

/* Xvfb keeps its framebuffer as an XWD file in -fbdir: header of 25 big-
   endian words, the window name, the colour map, then the pixel rows. */
E2eImage e2e_screen(const E2eProc& p, int width, int height)
{
    E2eImage img;
    int fd = open((p.dir + ".fb/Xvfb_screen0").c_str(), O_RDONLY);
    if (fd < 0) return img;
    unsigned char h[100];
    std::vector<unsigned char> rows;
    if (pread(fd, h, sizeof h, 0) == (ssize_t)sizeof h) {
        unsigned headerSize = be32(h), byteOrder = be32(h + 28), bpp = be32(h + 44);
        unsigned stride = be32(h + 48), ncolors = be32(h + 76);
        unsigned sw = be32(h + 16), sh = be32(h + 20);
        off_t pixels = headerSize + (off_t)ncolors * 12;
        rows.resize((size_t)stride * height);
        if (bpp == 32 && width <= (int)sw && height <= (int)sh &&
            pread(fd, rows.data(), rows.size(), pixels) == (ssize_t)rows.size()) {
            img.width = width;
            img.height = height;
            img.rgb.resize((size_t)width * height * 3);
            for (int y = 0; y < height; y++)
                for (int x = 0; x < width; x++) {
                    const unsigned char* q = &rows[(size_t)y * stride + (size_t)x * 4];
                    unsigned v = byteOrder == 0 ? (q[0] | q[1] << 8 | q[2] << 16 | (unsigned)q[3] << 24)
                                                : be32(q);
                    size_t i = ((size_t)y * width + x) * 3;
                    img.rgb[i] = (v >> 16) & 255;
                    img.rgb[i + 1] = (v >> 8) & 255;
                    img.rgb[i + 2] = v & 255;
                }
        }
    }
    close(fd);
    return img;
}

/* ---- TGA frames ---- */

E2eImage e2e_readTga(const std::string& path)
{
    E2eImage img;
    std::string d = readWhole(path);
    if (d.size() < 18) return img;
    const unsigned char* b = (const unsigned char*)d.data();
    int type = b[2], bpp = b[16], desc = b[17];
    int w = b[12] | b[13] << 8, h = b[14] | b[15] << 8;
    if ((type != 2 && type != 10) || (bpp != 24 && bpp != 32) || w <= 0 || h <= 0 || b[1] != 0)
        return img;
    int bytes = bpp / 8;
    size_t count = (size_t)w * h, pos = 18 + b[0];
    std::vector<unsigned char> px(count * bytes);
    if (type == 2) {
        if (d.size() < pos + px.size()) return img;
        memcpy(px.data(), b + pos, px.size());
    } else {
        size_t done = 0;
        while (done < count) {
            if (pos >= d.size()) return img;
            int head = b[pos++];
            size_t n = (size_t)(head & 127) + 1;
            if (done + n > count) return img;
            if (head & 128) {
                if (pos + bytes > d.size()) return img;
                for (size_t i = 0; i < n; i++) memcpy(&px[(done + i) * bytes], b + pos, bytes);
                pos += bytes;
            } else {
                if (pos + n * bytes > d.size()) return img;
                memcpy(&px[done * bytes], b + pos, n * bytes);
                pos += n * bytes;
            }
            done += n;
        }
    }
    bool topFirst = desc & 0x20;
    img.width = w;
    img.height = h;
    img.rgb.resize(count * 3);
    if (bytes == 4) img.alpha.resize(count);
    for (int y = 0; y < h; y++) {
        int srcRow = topFirst ? y : h - 1 - y;
        for (int x = 0; x < w; x++) {
            const unsigned char* s = &px[((size_t)srcRow * w + x) * bytes];
            size_t i = (size_t)y * w + x;
            img.rgb[i * 3] = s[2];
            img.rgb[i * 3 + 1] = s[1];
            img.rgb[i * 3 + 2] = s[0];
            if (bytes == 4) img.alpha[i] = s[3];
        }
    }
    return img;
}

E2eImage e2e_frame(const std::string& dir, int n)
{
    char name[32];
    snprintf(name, sizeof name, "video/%08d.tga", n);
    return e2e_readTga(dir + "/" + name);
}

int e2e_frameCount(const std::string& dir)
{
    int n = 0;
    DIR* d = opendir((dir + "/video").c_str());
    if (!d) return 0;
    while (struct dirent* e = readdir(d))
        if (strstr(e->d_name, ".tga")) n++;
    closedir(d);
    return n;
}

int e2e_channel(const E2eImage& img, int x, int y, int c)
{
    if (x < 0 || y < 0 || x >= img.width || y >= img.height || c < 0 || c > 2) return -1;
    return img.rgb[((size_t)y * img.width + x) * 3 + c];
}

::testing::AssertionResult e2e_rgbNear(const E2eImage& img, int x, int y,
                                       int r, int g, int b, int tolerance)
{
    if (!img.ok()) return ::testing::AssertionFailure() << "no image";
    if (x < 0 || y < 0 || x >= img.width || y >= img.height)
        return ::testing::AssertionFailure() << "(" << x << ", " << y << ") outside "
                                             << img.width << " x " << img.height;
    int got[3] = { e2e_channel(img, x, y, 0), e2e_channel(img, x, y, 1), e2e_channel(img, x, y, 2) };
    int want[3] = { r, g, b };
    for (int c = 0; c < 3; c++)
        if (abs(got[c] - want[c]) > tolerance)
            return ::testing::AssertionFailure()
                   << "pixel (" << x << ", " << y << ") is (" << got[0] << ", " << got[1] << ", "
                   << got[2] << "), expected (" << r << ", " << g << ", " << b << ") +-" << tolerance;
    return ::testing::AssertionSuccess();
}
