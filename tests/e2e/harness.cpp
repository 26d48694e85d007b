/*
** harness.cpp -- demo folders, player processes, X servers and TGA frames
** for the end-to-end tests (API and usage in harness.h).
*/
#include "harness.h"

#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

static std::vector<std::string> createdDirs;
static std::vector<pid_t> livePids;     /* players and servers of e2e_start not yet finished */
static std::vector<std::string> playerCommand;   /* empty: the Linux player */
static std::string sharedDisplay;
static pid_t sharedServer = -1;
static std::string sharedFb;

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

std::string e2e_readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

static void cleanupAtExit();
/* Registers the clean-up once, before the first folder or server. */
static void cleanUpLater()
{
    static bool registered = false;
    if (!registered) atexit(cleanupAtExit);
    registered = true;
}

static void cleanupAtExit()
{
    /* a test that stopped early (failed assertion) leaves its processes here */
    for (pid_t x : livePids) { kill(x, SIGKILL); waitpid(x, nullptr, 0); }
    if (sharedServer > 0) {
        kill(sharedServer, SIGTERM);
        waitpid(sharedServer, nullptr, 0);
        std::error_code ignored;
        fs::remove_all(sharedFb, ignored);
    }
    const char* keep = getenv("LUMENO_E2E_KEEP");
    if ((keep && *keep && strcmp(keep, "0")) || !::testing::UnitTest::GetInstance()->Passed()) {
        for (auto& d : createdDirs) fprintf(stderr, "e2e: kept %s\n", d.c_str());
        return;
    }
    std::error_code ignored;
    for (auto& d : createdDirs) fs::remove_all(d, ignored);
}

/* ---- building a demo folder ---- */

std::string e2e_makeDemo()
{
    cleanUpLater();
    const char* tmp = getenv("TMPDIR");
    std::string templ = std::string(tmp && *tmp ? tmp : "/tmp") + "/lumeno-e2e-XXXXXX";
    if (!mkdtemp(&templ[0])) {
        ADD_FAILURE() << "mkdtemp failed: " << strerror(errno);
        return "/nonexistent";
    }
    createdDirs.push_back(templ);
    mkdir((templ + "/video").c_str(), 0755);
    /* the debug font the player loads at start, committed with the example demo */
    std::string font = std::string(LUMENO_SOURCE_DIR) + "/examples/showcase/data/fonts/font.tga";
    if (!e2e_exists(font)) ADD_FAILURE() << "debug font missing: " << font;
    e2e_writeFile(templ, "data/fonts/font.tga", e2e_readFile(font));
    return templ;
}

std::string e2e_demo(const std::string& globals, const std::string& sections)
{
    std::string dir = e2e_makeDemo();
    e2e_writeTga(dir, "black.tga", e2e_solid(8, 8, 0, 0, 0));
    e2e_writeFile(dir, "demo.lum", globals + e2e_loadingSection("black.tga") + sections);
    return dir;
}

void e2e_writeFile(const std::string& dir, const std::string& rel, const std::string& text)
{
    fs::path path = fs::path(dir) / rel;
    std::error_code ignored;
    fs::create_directories(path.parent_path(), ignored);
    std::ofstream out(path, std::ios::binary);
    out << text;
    if (!out) ADD_FAILURE() << "cannot write " << path;
}

void e2e_writeTga(const std::string& dir, const std::string& rel, const E2eImage& img)
{
    std::string data(18, '\0');
    data[2] = 2;
    data[12] = (char)(img.width & 255);
    data[13] = (char)(img.width >> 8);
    data[14] = (char)(img.height & 255);
    data[15] = (char)(img.height >> 8);
    data[16] = 24;   /* bottom-left origin */
    for (int y = img.height - 1; y >= 0; y--) {
        for (int x = 0; x < img.width; x++) {
            size_t i = (size_t)y * img.width + x;
            data += {(char)img.rgb[i * 3 + 2], (char)img.rgb[i * 3 + 1], (char)img.rgb[i * 3]};
        }
    }
    e2e_writeFile(dir, rel, data);
}

E2eImage e2e_solid(int width, int height, int r, int g, int b)
{
    E2eImage img;
    img.width = width;
    img.height = height;
    for (int i = 0; i < width * height; i++) img.rgb.insert(img.rgb.end(), {(unsigned char)r, (unsigned char)g, (unsigned char)b});
    return img;
}

E2eImage e2e_rect(E2eImage img, int x0, int y0, int x1, int y1, int r, int g, int b)
{
    const unsigned char colour[3] = { (unsigned char)r, (unsigned char)g, (unsigned char)b };
    for (int y = std::max(y0, 0); y < std::min(y1, img.height); y++)
        for (int x = std::max(x0, 0); x < std::min(x1, img.width); x++)
            memcpy(&img.rgb[((size_t)y * img.width + x) * 3], colour, 3);
    return img;
}

E2eImage e2e_quadrants(int size)
{
    int h = size / 2;
    E2eImage img = e2e_rect(e2e_solid(size, size, 255, 255, 255), 0, 0, h, h, 255, 0, 0);
    return e2e_rect(e2e_rect(img, h, 0, size, h, 0, 255, 0), 0, h, h, size, 0, 0, 255);
}

std::string e2e_section(const std::string& type, float start, float end, const std::string& body)
{
    char head[128];
    snprintf(head, sizeof head, "[%s]\nstart %g\nend %g\n", type.c_str(), start, end);
    return head + body;
}

std::string e2e_loadingSection(const std::string& picture)
{
    return "[loading]\nstart 0\nend 1\n"
           "param 0 0 0 0 0.1 0.1 0.9 0.2\n"
           "param 0 0 0 0 0.1 0.1 0.9 0.2 0\n"
           "string " + picture + "\nstring " + picture + "\n";
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

/* The player to start (e2e_usePlayer) with its arguments. */
static std::vector<std::string> playerWords(const std::vector<std::string>& args)
{
    std::vector<std::string> words = playerCommand.empty() ? std::vector<std::string>{ LUMENO_PLAYER } : playerCommand;
    words.insert(words.end(), args.begin(), args.end());
    return words;
}

/* Starts `args` in `cwd`, in a process group of its own, with the output
   in `out`.stdout and `out`.stderr and the environment changed by `env`. */
static pid_t spawn(const std::string& cwd, const std::string& out, const std::vector<std::string>& args,
                   const std::vector<std::string>& env)
{
    pid_t pid = fork();
    if (pid == 0) {
        if (chdir(cwd.c_str()) != 0) _exit(126);
        dup2(open((out + ".stdout").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 1);
        dup2(open((out + ".stderr").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 2);
        dup2(open("/dev/null", O_RDONLY), 0);
        for (const std::string& e : env) {
            size_t eq = e.find('=');
            if (eq == std::string::npos) unsetenv(e.c_str());
            else setenv(e.substr(0, eq).c_str(), e.c_str() + eq + 1, 1);
        }
        setpgid(0, 0);
        std::vector<char*> argv;
        for (const std::string& a : args) argv.push_back((char*)a.c_str());
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    return pid;
}

/* A run that keeps recording (debug mode pauses at the end instead of
   exiting, and still captures every frame) would fill the disk before the
   timeout: more frames than any test needs count as a timeout too. */
static const int maxFrames = 3000;

/* Waits for a program started by spawn and collects what it left; kills it
   on time out, or when it recorded too many frames into `dir` (if given). */
static E2eRun finishPlayer(pid_t pid, const std::string& out, const std::string& dir, double timeoutSeconds)
{
    E2eRun run;
    int wstatus = 0;
    double until = nowSeconds() + timeoutSeconds, nextCount = nowSeconds() + 0.5;
    for (;;) {
        pid_t r = waitpid(pid, &wstatus, WNOHANG);
        if (r == pid || r < 0) break;
        bool tooMany = false;
        if (nowSeconds() > nextCount) {
            tooMany = !dir.empty() && e2e_frameCount(dir) > maxFrames;
            nextCount = nowSeconds() + 0.5;
        }
        if (tooMany || nowSeconds() > until) {
            run.timedOut = true;
            kill(-pid, SIGKILL);
            kill(pid, SIGKILL);
            waitpid(pid, &wstatus, 0);
            break;
        }
        usleep(5000);
    }
    if (WIFEXITED(wstatus) && !run.timedOut) run.status = WEXITSTATUS(wstatus);
    run.out = e2e_readFile(out + ".stdout");
    run.err = e2e_readFile(out + ".stderr");
    unlink((out + ".stdout").c_str());
    unlink((out + ".stderr").c_str());
    if (run.timedOut)
        ADD_FAILURE() << "killed after " << timeoutSeconds << " s or " << maxFrames << " frames in " << out;
    return run;
}

E2eRun e2e_command(const std::string& cwd, const std::vector<std::string>& args, const std::vector<std::string>& env)
{
    const char* tmp = getenv("TMPDIR");
    std::string out = std::string(tmp && *tmp ? tmp : "/tmp") + "/lumeno-e2e-cmd-" + std::to_string(getpid());
    return finishPlayer(spawn(cwd, out, args, env), out, "", 60.0);
}

std::string e2e_shell(const std::string& command, int* status)
{
    std::string out;
    FILE* p = popen(command.c_str(), "r");
    char buf[4096];
    size_t n;
    while (p && (n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    int w = p ? pclose(p) : -1;
    if (status) *status = WIFEXITED(w) ? WEXITSTATUS(w) : -1;
    return out;
}

/* Every run has its own X server: keys reach only its player, and no
   server shared with other tests resets under it. */
E2eRun e2e_run(const std::string& dir, double timeoutSeconds, const std::vector<std::string>& args)
{
    E2eProc p = e2e_start(dir, args);
    return e2e_finish(p, timeoutSeconds);
}

/* Starts Xvfb on a free display number, keeping its screen in fbdir; returns
   its pid and sets display to ":N".  -displayfd makes the server pick the
   number and tell us once it is ready; -noreset keeps it from refusing the
   player while a short-lived xdotool has just disconnected. */
static pid_t startXvfb(std::string& display, const std::string& fbdir)
{
    int fds[2];
    if (pipe(fds) != 0) return -1;
    pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        int devnull = open("/dev/null", O_RDWR);
        dup2(devnull, 1);
        dup2(devnull, 2);
        std::string fd = std::to_string(fds[1]);
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x1024x24", "-nolisten", "tcp",
               "-noreset", "-fbdir", fbdir.c_str(), (char*)nullptr);
        _exit(127);
    }
    close(fds[1]);
    char buf[32] = {0};
    size_t got = 0;
    double until = nowSeconds() + 15;
    fcntl(fds[0], F_SETFL, O_NONBLOCK);
    while (nowSeconds() < until && got < sizeof buf - 1 && !strchr(buf, '\n')) {
        ssize_t n = read(fds[0], buf + got, sizeof buf - 1 - got);
        if (n > 0) got += n;
        else if (n == 0) break;
        else usleep(10000);
    }
    close(fds[0]);
    if (!got) { kill(pid, SIGKILL); waitpid(pid, nullptr, 0); return -1; }
    display = ":" + std::to_string(atoi(buf));
    return pid;
}

static void stopServer(E2eProc& p)
{
    kill(p.xvfb, SIGTERM);
    waitpid(p.xvfb, nullptr, 0);
    std::error_code ignored;
    fs::remove_all(p.dir + ".fb", ignored);
    p.xvfb = -1;
}

static bool windowShown(const std::string& display)
{
    return system(("DISPLAY=" + display + " timeout 5 xdotool search --onlyvisible --name . >/dev/null 2>&1").c_str()) == 0;
}

std::string e2e_usePlayer(const std::vector<std::string>& command, bool shared)
{
    cleanUpLater();
    playerCommand = command;
    if (shared && sharedServer < 0) {
        const char* tmp = getenv("TMPDIR");
        sharedFb = std::string(tmp && *tmp ? tmp : "/tmp") + "/lumeno-e2e-fb-" + std::to_string(getpid());
        mkdir(sharedFb.c_str(), 0755);
        sharedServer = startXvfb(sharedDisplay, sharedFb);
        if (sharedServer < 0) ADD_FAILURE() << "cannot start Xvfb";
    }
    return shared ? sharedDisplay : "";
}

/* Returns once the player's window is up, or the player has already ended
   (then e2e_finish reports how).  A player that could not reach its fresh
   server at all is started again on a new one. */
E2eProc e2e_start(const std::string& dir, const std::vector<std::string>& args)
{
    E2eProc p;
    p.dir = dir;
    if (!playerCommand.empty() && sharedServer > 0) {
        p.display = sharedDisplay;
        p.pid = spawn(dir, dir, playerWords(args), { "DISPLAY=" + p.display });
        livePids.push_back(p.pid);
        return p;
    }
    for (int attempt = 0; attempt < 3; attempt++) {
        mkdir((dir + ".fb").c_str(), 0755);
        p.xvfb = startXvfb(p.display, dir + ".fb");
        if (p.xvfb < 0) { ADD_FAILURE() << "cannot start Xvfb"; return p; }
        p.pid = spawn(dir, dir, playerWords(args), { "DISPLAY=" + p.display });
        bool ended = false;
        for (double until = nowSeconds() + 30; nowSeconds() < until && !windowShown(p.display); usleep(20000)) {
            siginfo_t info;
            info.si_pid = 0;
            ended = waitid(P_PID, p.pid, &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == p.pid;
            if (ended) break;
        }
        if (!ended || !displayRefused(e2e_readFile(dir + ".stderr"))) break;
        waitpid(p.pid, nullptr, 0);
        stopServer(p);
    }
    livePids.push_back(p.xvfb);
    livePids.push_back(p.pid);
    return p;
}

std::string e2e_currentOutput(const E2eProc& p)
{
    return e2e_readFile(p.dir + ".stdout");
}

bool e2e_waitOutput(const E2eProc& p, const std::string& text, double timeoutSeconds)
{
    for (double until = nowSeconds() + timeoutSeconds; nowSeconds() < until; usleep(10000)) {
        if (e2e_currentOutput(p).find(text) != std::string::npos) return true;
        if (waitpid(p.pid, nullptr, WNOHANG) != 0) break;   /* gone (or reaped) */
    }
    return e2e_currentOutput(p).find(text) != std::string::npos;
}

/* Runs xdotool against the player's private server: the window is focused
   first so that the XTEST key events reach it.  The player's frame window is
   the only one with a name there (its caption). */
static bool xdotool(const E2eProc& p, const char* action, const std::string& key)
{
    std::string d = "DISPLAY=" + p.display + " timeout 10 xdotool ";
    return system((d + "search --onlyvisible --name . windowfocus %1 >/dev/null 2>&1; " + d + action + " " + key +
                   " >/dev/null 2>&1").c_str()) == 0;
}

bool e2e_key(const E2eProc& p, const std::string& key) { return xdotool(p, "key", key); }
bool e2e_keyDown(const E2eProc& p, const std::string& key) { return xdotool(p, "keydown", key); }
bool e2e_keyUp(const E2eProc& p, const std::string& key) { return xdotool(p, "keyup", key); }

E2eRun e2e_finish(E2eProc& p, double timeoutSeconds)
{
    E2eRun run;
    pid_t pid = p.pid, xvfb = p.xvfb;
    if (pid > 0) run = finishPlayer(pid, p.dir, p.dir, timeoutSeconds);
    if (xvfb > 0) stopServer(p);
    livePids.erase(std::remove_if(livePids.begin(), livePids.end(), [&](pid_t x) { return x == pid || x == xvfb; }),
                   livePids.end());
    p.pid = -1;
    return run;
}

/* ---- the screen of a private server ---- */

static unsigned int be32(const unsigned char* b)
{
    return (unsigned)b[0] << 24 | (unsigned)b[1] << 16 | (unsigned)b[2] << 8 | b[3];
}

/* Xvfb keeps its framebuffer as an XWD file in -fbdir: header of 25 big-
   endian words, the window name, the colour map, then the pixel rows. */
static E2eImage screenOf(const E2eProc& p, int width, int height)
{
    E2eImage img;
    std::ifstream in(p.dir + ".fb/Xvfb_screen0", std::ios::binary);
    unsigned char h[100];
    if (!in.read((char*)h, sizeof h) || be32(h + 44) != 32 || width > (int)be32(h + 16) || height > (int)be32(h + 20))
        return img;
    size_t stride = be32(h + 48);
    bool little = be32(h + 28) == 0;
    std::vector<unsigned char> rows(stride * height);
    if (!in.seekg(be32(h) + (size_t)be32(h + 76) * 12).read((char*)rows.data(), rows.size())) return img;
    img.width = width;
    img.height = height;
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++) {
            const unsigned char* q = &rows[y * stride + x * 4];
            unsigned v = little ? (q[0] | q[1] << 8 | q[2] << 16 | (unsigned)q[3] << 24) : be32(q);
            img.rgb.insert(img.rgb.end(), {(unsigned char)(v >> 16), (unsigned char)(v >> 8), (unsigned char)v});
        }
    return img;
}

::testing::AssertionResult e2e_waitScreen(const E2eProc& p, std::initializer_list<std::array<int, 5>> probes,
                                          double timeoutSeconds, int tolerance)
{
    ::testing::AssertionResult last = ::testing::AssertionFailure() << "no screen";
    for (double until = nowSeconds() + timeoutSeconds; nowSeconds() < until; usleep(10000)) {
        E2eImage img = screenOf(p, 640, 480);
        last = ::testing::AssertionSuccess();
        for (auto& q : probes)
            if (last) last = e2e_rgbNear(img, q[0], q[1], q[2], q[3], q[4], tolerance);
        if (last) break;
    }
    return last;
}

/* ---- TGA frames ---- */

E2eImage e2e_readTga(const std::string& path)
{
    E2eImage img;
    std::string d = e2e_readFile(path);
    if (d.size() < 18) return img;
    const unsigned char* b = (const unsigned char*)d.data();
    const size_t bytes = 3;   /* the player writes 24-bit pictures, bottom row first */
    int type = b[2], w = b[12] | b[13] << 8, h = b[14] | b[15] << 8;
    if ((type != 2 && type != 10) || b[16] != 24 || (b[17] & 0x20) || w <= 0 || h <= 0 || b[1] != 0) return img;
    size_t count = (size_t)w * h, pos = 18 + b[0];
    std::vector<unsigned char> px;
    /* a raw file is one raw packet; run-length packets repeat one pixel */
    while (px.size() < count * bytes) {
        bool run = type == 10 && pos < d.size() && (b[pos] & 128);
        size_t n = type == 2 ? count : pos < d.size() ? (size_t)(b[pos] & 127) + 1 : 0;
        pos += type == 10;
        size_t take = run ? bytes : n * bytes;
        if (n == 0 || pos + take > d.size() || px.size() + n * bytes > count * bytes) return img;
        for (size_t i = 0; i < (run ? n : 1); i++) px.insert(px.end(), b + pos, b + pos + take);
        pos += take;
    }
    img.width = w;
    img.height = h;
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++) {
            const unsigned char* s = &px[((size_t)(h - 1 - y) * w + x) * bytes];
            img.rgb.insert(img.rgb.end(), {s[2], s[1], s[0]});
        }
    return img;
}

int e2e_count(const std::string& text, const std::string& what)
{
    int n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) n++;
    return n;
}

E2eImage e2e_frame(const std::string& dir, int n)
{
    char name[32];
    snprintf(name, sizeof name, "/video/%08d.tga", n);
    return e2e_readTga(dir + name);
}

int e2e_frameCount(const std::string& dir)
{
    std::error_code ignored;
    int n = 0;
    for (const auto& e : fs::directory_iterator(dir + "/video", ignored))
        n += e.path().extension() == ".tga";
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
    int got[3] = { e2e_channel(img, x, y, 0), e2e_channel(img, x, y, 1), e2e_channel(img, x, y, 2) };
    if (got[0] < 0)
        return ::testing::AssertionFailure() << "(" << x << ", " << y << ") outside " << img.width << " x " << img.height;
    if (abs(got[0] - r) > tolerance || abs(got[1] - g) > tolerance || abs(got[2] - b) > tolerance)
        return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << ") is (" << got[0] << ", " << got[1]
                                             << ", " << got[2] << "), expected (" << r << ", " << g << ", " << b
                                             << ") +-" << tolerance;
    return ::testing::AssertionSuccess();
}
