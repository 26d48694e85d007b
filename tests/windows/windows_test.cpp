/*
** windows_test.cpp -- player.exe under wine64 beside the Linux player: the
** DLLs it imports, the frames of a small 3-D demo against the Linux
** player's frames of the same demo second, and the messages and exit
** statuses of bad input.
**
** Every wine run shares one X server and one wine prefix in the build
** tree (made by the first run, which is slow); SDL plays music to its
** dummy driver.
*/
#include "harness.h"
#include "sync_editor.h"

#include <stdlib.h>
#include <string.h>
#include <strings.h>

#include <algorithm>
#include <functional>
#include <sstream>
#include <string>
#include <thread>

namespace {

const std::string source = LUMENO_SOURCE_DIR;

/* Console output of a Windows program ends its lines with CR LF. */
std::string unixLines(std::string text)
{
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    return text;
}

std::string wineDisplay;

class WineEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        setenv("WINEPREFIX", LUMENO_WINE_PREFIX, 1);
        setenv("WINEDEBUG", "-all", 1);
        setenv("WINEDLLOVERRIDES", "mscoree,mshtml=", 1);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        std::string display = wineDisplay = e2e_usePlayer({ LUMENO_WINE64, LUMENO_WIN_PLAYER }, true);
        /* the first start makes the prefix; wine's desktop process starts
        ** here, so it holds no test's output files open */
        e2e_shell("mkdir -p " LUMENO_WINE_PREFIX " && " LUMENO_WINESERVER " -p 20 && DISPLAY=" + display +
           " " LUMENO_WINE64 " " LUMENO_WIN_PLAYER " --version >/dev/null 2>&1");
    }
    void TearDown() override { e2e_shell(LUMENO_WINESERVER " -k 2>/dev/null"); }
};
const auto* wineEnvironment = ::testing::AddGlobalTestEnvironment(new WineEnvironment);

void useWine() { e2e_usePlayer({ LUMENO_WINE64, LUMENO_WIN_PLAYER }, true); }
void useLinux() { e2e_usePlayer({}, false); }

/* The same demo in two folders, played by both players at once. */
struct Both {
    std::string linuxDir, wineDir;
    E2eRun linux, wine;
};

Both playBoth(const std::function<void(const std::string&)>& makeDemo, const std::vector<std::string>& args = {})
{
    Both b;
    b.linuxDir = e2e_makeDemo();
    b.wineDir = e2e_makeDemo();
    makeDemo(b.linuxDir);
    makeDemo(b.wineDir);
    useWine();
    E2eProc w = e2e_start(b.wineDir, args);
    useLinux();
    b.linux = e2e_run(b.linuxDir, 60, args);
    useWine();
    b.wine = e2e_finish(w, 90);
    return b;
}

TEST(Windows, ImportsOnlyDllsEveryWindowsHas)
{
    static const char* const allowed[] = { "KERNEL32", "USER32", "GDI32", "ADVAPI32", "SHELL32", "OPENGL32",
                                           "GLU32", "WINMM", "msvcrt", "ole32", "oleaut32", "imm32",
                                           "version", "setupapi", "SHLWAPI", "WS2_32" };
    int status = 0;
    std::string dump = e2e_shell("x86_64-w64-mingw32-objdump -p " LUMENO_WIN_PLAYER, &status);
    ASSERT_EQ(status, 0);
    std::istringstream lines(dump);
    std::string line;
    int count = 0;
    while (std::getline(lines, line)) {
        size_t at = line.find("DLL Name: ");
        if (at == std::string::npos) continue;
        std::string dll = line.substr(at + 10);
        dll = dll.substr(0, dll.rfind('.'));
        bool ok = false;
        for (const char* a : allowed) ok |= strcasecmp(a, dll.c_str()) == 0;
        EXPECT_TRUE(ok) << "player.exe needs " << dll << ".dll, which Windows does not have by itself";
        count++;
    }
    EXPECT_GE(count, 5);   /* the table was read */
}

/* A model under a camera and a light with a glow after it, written as a
** Windows editor would: CR LF line ends, "\" between folders. */
void modelDemo(const std::string& dir)
{
    for (const char* f : { "torus.3ds", "torus.tga" })
        e2e_writeFile(dir, f, e2e_readFile(source + "/examples/showcase/data/models/" + f));
    e2e_writeFile(dir, "key_light.spl", "0.1 0.09 0.12  1 0.9 0.75  0.8 0.8 0.7\n");
    e2e_writeFile(dir, "key_light_dir.spl", "0.8 0.9 0.6\n0.2 1 0.8\n-0.6 0.8 0.7\n");
    e2e_writeTga(dir, "black.tga", e2e_solid(4, 4, 0, 0, 0));
    e2e_writeFile(dir, "view.spl", "0 2 7  0 0 0  0 0 0  60 0.1 100\n");
    e2e_writeFile(dir, "turn.spl", "1 1 1  0 0 0  0 0 0\n1 1 1  90 45 0  0 0 0\n");
    std::string script = "record 1\nrecord_fps 10\ndemo_end 2\ngl_width 320\ngl_height 240\n" +
                         e2e_loadingSection("black.tga") +
                         "[camera]\nstart 0\nend 2\nlayer 1\nspline view.spl\n"
                         "[light]\nstart 0\nend 2\nlayer 2\nparam 1\nspline key_light.spl\nspline key_light_dir.spl\n"
                         "[object]\nstart 0\nend 2\nlayer 3\nparam 1 0 1 1 1 0 0\nstring shaded\nstring .\\\n"
                         "string torus.3ds\nstring torus.tga\nspline turn.spl\n"
                         "[efxGlow]\nstart 0\nend 2\nlayer 4\nparam 0.45 0.4 0.5 1 1\n";
    std::string crlf;
    for (char c : script) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    e2e_writeFile(dir, "demo.lum", crlf);
}

TEST(Windows, ModelDemoFramesMatchLinux)
{
    Both b = playBoth(modelDemo);
    ASSERT_EQ(b.linux.status, 0) << b.linux.err;
    ASSERT_EQ(b.wine.status, 0) << b.wine.err;
    int frames = e2e_frameCount(b.linuxDir);
    EXPECT_GE(frames, 20);   /* 2 seconds at 10 frames a second */
    EXPECT_EQ(e2e_frameCount(b.wineDir), frames);
    long over = 0, values = 0;
    for (int n = 0; n < frames; n++) {
        E2eImage l = e2e_frame(b.linuxDir, n), w = e2e_frame(b.wineDir, n);
        ASSERT_TRUE(l.ok() && w.ok() && l.rgb.size() == w.rgb.size()) << "frame " << n;
        for (size_t i = 0; i < l.rgb.size(); i++) over += abs(l.rgb[i] - w.rgb[i]) > 8;
        values += (long)l.rgb.size();
    }
    EXPECT_LE(over, values / 1000) << "more than 0.1 % of the values differ by more than 8";
    /* the lit torus fills part of the middle frame */
    E2eImage mid = e2e_frame(b.linuxDir, 10);
    int lit = 0;
    for (unsigned char v : mid.rgb) lit += v > 40;
    EXPECT_GT(lit, (int)mid.rgb.size() / 100);
}

TEST(Windows, BadInputGivesTheLinuxMessageAndStatus)
{
    struct Case {
        const char* what;
        std::string script;
        const char* env;
    };
    const Case cases[] = {
        { "script error", "record 1\ndemo_end 1\r\n[bogus]\r\n", nullptr },
        { "missing picture", "demo_end 1\n" + e2e_loadingSection("data\\none.tga"), nullptr },
        { "OpenGL without what the player needs", "demo_end 1\n" + e2e_loadingSection("black.tga"),
          "MESA_EXTENSION_OVERRIDE=-GL_ARB_texture_env_combine" },
    };
    for (const Case& c : cases) {
        if (c.env) putenv((char*)c.env);
        Both b = playBoth([&](const std::string& dir) {
            e2e_writeTga(dir, "black.tga", e2e_solid(4, 4, 0, 0, 0));
            e2e_writeFile(dir, "demo.lum", c.script);
        });
        if (c.env) unsetenv("MESA_EXTENSION_OVERRIDE");
        EXPECT_EQ(b.linux.status, 1) << c.what;
        EXPECT_EQ(b.wine.status, 1) << c.what;
        EXPECT_NE(b.linux.err.find("Error: "), std::string::npos) << c.what;
        EXPECT_EQ(unixLines(b.wine.err), b.linux.err) << c.what;
    }
}

TEST(Windows, CommandLineFormsAsOnLinux)
{
    /* the same text for help, version and a checking run */
    std::string dir = e2e_makeDemo();
    e2e_writeFile(dir, "demo.lum", "demo_end 1\ngl_width x\n[image]\nstart 0\nend 1\nstring data\\no.tga\n");
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             { "--help" }, { "--version" }, { "--check" }, { "--bogus" } }) {
        useLinux();
        E2eRun l = e2e_run(dir, 30, args);
        useWine();
        E2eRun w = e2e_run(dir, 60, args);
        EXPECT_EQ(w.status, l.status) << args[0];
        EXPECT_EQ(unixLines(w.out), l.out) << args[0];
        EXPECT_EQ(unixLines(w.err), l.err) << args[0];
    }

    /* a demo folder named with a drive letter and backslashes */
    std::string demo = e2e_demo("record 1\nrecord_fps 2\ndemo_end 1\n", "");
    std::string windowsName = "Z:" + demo;
    std::replace(windowsName.begin(), windowsName.end(), '/', '\\');
    E2eRun r = e2e_run(e2e_makeDemo(), 60, { windowsName });
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(e2e_frameCount(demo), 3);

    /* rendering needs an ffmpeg.exe, and says where to put it */
    E2eRun v = e2e_run(demo, 60, { "--render", "out.mp4" });
    EXPECT_EQ(v.status, 1);
    EXPECT_EQ(unixLines(v.err), "Error: Rendering a video needs ffmpeg, which was not found "
                                "(put ffmpeg.exe beside player.exe or in a folder on PATH)\n");
}

/* The demo folder on read-only media (a read-only mount of it, for wine's
** server too): the player plays without writing anything, and record mode
** and the s key say why their pictures are missing.  A plain read-only run:
** PackedZipPlaysReadOnlyFromAnywhereAndQuitsOnEscape (Linux: Release). */
TEST(Windows, ReadOnlyFolder)
{
    struct Case {
        std::string globals;
        const char* key;
        const char* warning;
    };
    const Case cases[] = {
        { "record 1\nrecord_fps 2\ndemo_end 1\n", nullptr, "cannot write record frame 'video/00000000.tga'" },
        { "debug 1\ndemo_end 0\n", "s", "cannot write screenshot 'screen00.tga'" },
    };
    useWine();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.globals);
        std::string dir = e2e_demo(c.globals, "");
        if (system(("mount --bind '" + dir + "' '" + dir + "' 2>/dev/null").c_str()) != 0)
            GTEST_SKIP() << "cannot mount a read-only folder here";
        int ro = system(("mount -o remount,bind,ro '" + dir + "'").c_str());
        std::string before = e2e_shell("cd '" + dir + "' && ls -lR --time-style=+%s");
        E2eProc p = e2e_start(dir);
        if (c.key) {
            e2e_waitOutput(p, "live reload: watching", 40);
            e2e_sleep(0.5);
            e2e_key(p, c.key);
            for (int i = 0; i < 50 && !strstr(e2e_readFile(dir + ".stderr").c_str(), "screenshot"); i++) e2e_sleep(0.1);
            e2e_key(p, "Escape");
        }
        E2eRun r = e2e_finish(p, 60);
        std::string after = e2e_shell("cd '" + dir + "' && ls -lR --time-style=+%s");
        system(("umount '" + dir + "'").c_str());
        ASSERT_EQ(ro, 0);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(after, before) << "the folder changed";
        EXPECT_NE(r.err.find(c.warning), std::string::npos) << r.err;
    }
}

/* The s key in a debug run, and the n-th picture it writes (screen0n.tga). */
E2eImage screenshot(const E2eProc& p, const std::string& dir, int n)
{
    std::string file = dir + "/screen0" + std::to_string(n) + ".tga";
    EXPECT_TRUE(e2e_key(p, "s"));
    for (int i = 0; i < 100 && !e2e_exists(file); i++) e2e_sleep(0.1);
    return e2e_readTga(file);
}

/* Started as a double-click starts it (no standard handles, working folder
** elsewhere), a fatal error comes up in a message box that waits for OK.
** Playing the folder beside it: PackedZipPlaysReadOnlyFromAnywhere. */
TEST(Windows, DoubleClickShowsErrorsInABox)
{
    std::string dir = e2e_makeDemo();
    e2e_writeFile(dir, "demo.lum", "demo_end 1\n[bogus]\n");
    ASSERT_EQ(system(("cp " LUMENO_WIN_PLAYER " '" + dir + "/player.exe'").c_str()), 0);
    std::string start = "cd / && DISPLAY=" + wineDisplay + " timeout 60 " LUMENO_WINE64 " start /wait /unix '" + dir +
                        "/player.exe' </dev/null >/dev/null 2>&1";
    int status = -1;
    std::thread player([&] { e2e_shell(start, &status); });
    std::string find = "DISPLAY=" + wineDisplay + " xdotool search --name 'Lumeno demo player' 2>/dev/null";
    std::string box;
    for (int i = 0; i < 100 && box.empty(); i++, e2e_sleep(0.2)) box = e2e_shell(find);
    EXPECT_FALSE(box.empty()) << "no message box";
    e2e_shell("DISPLAY=" + wineDisplay + " xdotool search --name 'Lumeno demo player' windowfocus --sync %1 key Return");
    player.join();
    EXPECT_EQ(status, 1);
}

/* A release as a party's machine gets it: the zip `--pack` wrote, unpacked
** into a folder made read-only, started from another working folder, quit
** on Escape long before its end; nothing in the folder changes. */
TEST(Windows, PackedZipPlaysReadOnlyFromAnywhereAndQuitsOnEscape)
{
    std::string root = e2e_makeDemo(), out = root + "/out", demo = root + "/Party Demo";
    int status = -1;
    e2e_shell("mkdir -p '" + root + "/bin' '" + out + "' && cp " LUMENO_PLAYER " '" + root + "/bin/player' && cp "
       LUMENO_WIN_PLAYER " '" + root + "/bin/player.exe' && cp -r '" + source + "/examples/template' '" + demo +
       "' && sed -i -e '/^demo_name/d' -e 's/^demo_end .*/demo_end 60/' '" + demo + "/template.lum'");
    std::string text = e2e_shell("cd / && '" + root + "/bin/player' --pack '" + out + "' '" + demo + "' 2>&1", &status);
    ASSERT_EQ(status, 0) << text;
    std::string top = out + "/zip/Party-Demo";
    e2e_shell("unzip -q -d '" + out + "/zip' '" + out + "/Party-Demo-windows-x64.zip' && chmod -R a-w '" + top + "'",
       &status);
    ASSERT_EQ(status, 0);
    ASSERT_TRUE(e2e_exists(top + "/Party-Demo.exe"));
    std::string before = e2e_shell("cd '" + top + "' && find . -type f -exec md5sum {} + | sort");

    std::thread player([&] {
        e2e_shell("cd / && DISPLAY=" + wineDisplay + " timeout 50 " LUMENO_WINE64 " '" + top +
           "/Party-Demo.exe' </dev/null >/dev/null 2>&1", &status);
    });
    std::string find = "DISPLAY=" + wineDisplay + " xdotool search --onlyvisible --name 'Lumeno' 2>/dev/null";
    std::string window;
    for (int i = 0; i < 150 && window.empty(); i++, e2e_sleep(0.2)) window = e2e_shell(find);
    EXPECT_FALSE(window.empty()) << "no demo window";
    e2e_sleep(1.0);
    e2e_shell("DISPLAY=" + wineDisplay + " xdotool search --onlyvisible --name 'Lumeno' windowfocus --sync %1 key Escape");
    player.join();
    EXPECT_EQ(status, 0) << "124 is the timeout: Escape did not end it";
    EXPECT_EQ(e2e_shell("cd '" + top + "' && find . -type f -exec md5sum {} + | sort"), before);
    e2e_shell("chmod -R u+w '" + out + "'");
}

/* The sync editor's client on Winsock: it greets a stand-in editor, asks
** for its tracks, seeks and pauses on its word, shows a live key on a
** screenshot and saves the track files byte for byte as on Linux.  Once
** the editor has gone, the folder is watched through Windows' change
** notifications: a changed track file is reloaded and shown. */
TEST(Windows, FollowsASyncEditor)
{
    Editor editor;
    listen(editor.listener, 1);
    std::string dir = syncDemo("debug 1\ndemo_end 0\nsync 1\nsync_port " + std::to_string(editor.port) + "\n");
    useWine();
    E2eProc p = e2e_start(dir);
    ASSERT_EQ(editor.accept(40), "fill:1 fill:2 fill:3 fill:4 ") << e2e_currentOutput(p);
    editor.send(std::string("\4\1", 2) + setKey(0, 16, 0.2f, 1) + setKey(0, 32, 0.6f, 0) + setRow(24));
    e2e_sleep(1.0);
    EXPECT_TRUE(editor.rows(0.5).empty()) << "paused";
    /* linear from 0.2 at row 16 to 0.6 at row 32: 0.4 at row 24 */
    EXPECT_TRUE(e2e_rgbNear(screenshot(p, dir, 0), 160, 120, 102, 0, 0, 3));
    editor.send(std::string("\4\0", 2));
    std::vector<uint32_t> rows = editor.rows(1.0);
    ASSERT_GE(rows.size(), 2u) << "playing, it reports its rows";
    EXPECT_GE(rows.front(), 24u);
    editor.send("\5");
    EXPECT_TRUE(e2e_waitOutput(p, "sync: 4 of 4 track files saved", 20)) << e2e_currentOutput(p);
    EXPECT_EQ(e2e_readFile(dir + "/sync_fill-3A1.track"), le32(2) + fileKey(16, 0.2f, 1) + fileKey(32, 0.6f, 0));
    editor.hangUp();
    for (int i = 0; i < 100 && !strstr(e2e_readFile(dir + ".stderr").c_str(), "it closed the connection"); i++)
        e2e_sleep(0.1);
    e2e_writeFile(dir, "sync_fill-3A1.track", le32(1) + fileKey(0, 0.3f, 0));
    EXPECT_TRUE(e2e_waitOutput(p, "live reload: second", 20)) << e2e_currentOutput(p);
    EXPECT_TRUE(e2e_rgbNear(screenshot(p, dir, 1), 160, 120, 77, 0, 0, 3));
    e2e_key(p, "Escape");
    E2eRun r = e2e_finish(p, 30);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(e2e_count(r.err, "it closed the connection;"), 1) << r.err;
}

}  // namespace
