/*
** harness.h -- end-to-end harness: builds a demo folder, runs the real player
** in it (each run on its own X server, killed after its timeout) and reads
** back what it printed and the frames it captured.
**
** Pixel coordinates are screen coordinates: x from the left, y from the TOP
** row, whatever the file's row order; picture arrays are top row first too.
** Interactive tests send xdotool key names to a player from e2e_start.  Its
** standard output is a file: text shows up when the player flushes it.
** With debug 1 the demo pauses at its end instead of exiting: end such runs
** with Escape.  Folders are removed at exit when every test passed;
** LUMENO_E2E_KEEP=1 keeps them (their paths are printed on failure).
*/
#ifndef LUMENO_E2E_HARNESS_H
#define LUMENO_E2E_HARNESS_H

#include <gtest/gtest.h>
#include <array>
#include <initializer_list>
#include <string>
#include <vector>
#include <sys/types.h>

struct E2eImage {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgb;   /* width * height * 3 */
    bool ok() const { return width > 0 && height > 0; }
};

struct E2eRun {
    int status = -1;        /* exit status; -1 when it died by a signal or was killed */
    bool timedOut = false;  /* killed by the harness after the timeout */
    std::string out;        /* standard output */
    std::string err;        /* standard error */
};

struct E2eProc {
    pid_t pid = -1;
    pid_t xvfb = -1;        /* its private server; -1 on the shared one */
    std::string dir;
    std::string display;    /* ":N" of its private X server */
};

/* ---- building a demo folder ---- */
std::string e2e_makeDemo();                           /* temp folder, video/, data/fonts/font.tga */
/* e2e_makeDemo with an 8 x 8 black.tga and demo.lum: the globals, a loading
   section showing black.tga, the sections. */
std::string e2e_demo(const std::string& globals, const std::string& sections);
void e2e_writeFile(const std::string& dir, const std::string& rel, const std::string& text);
void e2e_writeTga(const std::string& dir, const std::string& rel, const E2eImage& img);
E2eImage e2e_solid(int width, int height, int r, int g, int b);
/* `img` with x0 <= x < x1, y0 <= y < y1 (top row 0) painted (r, g, b). */
E2eImage e2e_rect(E2eImage img, int x0, int y0, int x1, int y1, int r, int g, int b);
/* Four quadrants, top row first: red, green / blue, white. */
E2eImage e2e_quadrants(int size);
/* "[type]\nstart S\nend E\n" and the body. */
std::string e2e_section(const std::string& type, float start, float end, const std::string& body);
/* A complete [loading] section (17 params, 2 strings) with invisible bar
   and frame, showing `picture`. */
std::string e2e_loadingSection(const std::string& picture);

/* ---- running the player ---- */
/* args: the player's arguments (none by default: it plays its folder) */
E2eRun e2e_run(const std::string& dir, double timeoutSeconds = 30.0, const std::vector<std::string>& args = {});
/* Any program run from `cwd` with the tests' display, 60 s at most; `env`
   entries "NAME=value" set a variable, a bare "NAME" removes it. */
E2eRun e2e_command(const std::string& cwd, const std::vector<std::string>& args,
                   const std::vector<std::string>& env = {});
/* A shell command line's standard output; its exit status in *status
   (-1 when it did not exit). */
std::string e2e_shell(const std::string& command, int* status = nullptr);
E2eProc e2e_start(const std::string& dir, const std::vector<std::string>& args = {});
/* Later runs start `command` (a program and the words before the player's
   arguments) instead of the Linux player, an empty one the Linux player
   again; with `shared`, all on one X server started now and kept until
   exit (a program like wine keeps state on the first server it meets).
   Returns that server's display. */
std::string e2e_usePlayer(const std::vector<std::string>& command, bool shared);
bool e2e_waitOutput(const E2eProc& p, const std::string& text, double timeoutSeconds = 20.0);
std::string e2e_currentOutput(const E2eProc& p);
bool e2e_key(const E2eProc& p, const std::string& key);
bool e2e_keyDown(const E2eProc& p, const std::string& key);
bool e2e_keyUp(const E2eProc& p, const std::string& key);
E2eRun e2e_finish(E2eProc& p, double timeoutSeconds = 20.0);
/* Polls the top-left 640 x 480 pixels of the private server's screen (the
   player's window sits at the origin; no window manager) until every probe
   {x, y, r, g, b} holds within `tolerance`; fails with the last that did not. */
::testing::AssertionResult e2e_waitScreen(const E2eProc& p, std::initializer_list<std::array<int, 5>> probes,
                                          double timeoutSeconds = 20.0, int tolerance = 3);
void e2e_sleep(double seconds);

/* ---- reading frames ---- */
E2eImage e2e_readTga(const std::string& path);        /* 24-bit, raw or run-length; !ok() on failure */
E2eImage e2e_frame(const std::string& dir, int n);    /* video/%08d.tga */
int e2e_frameCount(const std::string& dir);           /* number of files in video/ */
bool e2e_exists(const std::string& path);
std::string e2e_readFile(const std::string& path);    /* "" when unreadable */
int e2e_count(const std::string& text, const std::string& what);   /* occurrences */
/* One channel value (0 red, 1 green, 2 blue) at screen coordinates. */
int e2e_channel(const E2eImage& img, int x, int y, int c);
::testing::AssertionResult e2e_rgbNear(const E2eImage& img, int x, int y,
                                       int r, int g, int b, int tolerance);

#endif
