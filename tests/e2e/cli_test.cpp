/*
** cli_test.cpp -- the command line run for real: help, version, usage errors
** and a folder without scripts; --check over a folder full of mistakes with
** no display; --check over every example of the reference's gallery; the
** starter demo played from / beside editor leftovers.
*/
#include "dkernel.h"
#include "harness.h"
#include "st_args.h"

#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

namespace {

/* The player with space-separated `args`, run from `cwd`. */
E2eRun runPlayer(const std::string& cwd, const std::string& args, const std::vector<std::string>& env = {})
{
    std::vector<std::string> argv = { LUMENO_PLAYER };
    std::istringstream words(args);
    for (std::string w; words >> w;) argv.push_back(w);
    return e2e_command(cwd, argv, env);
}

const std::vector<std::string> kNoDisplay = { "DISPLAY" };

/* In a folder without scripts, where a form that played would fail. */
TEST(Cli, FormsInAFolderWithoutScripts)
{
    std::string dir = e2e_makeDemo();
    E2eRun help = runPlayer(dir, "--help");
    EXPECT_EQ(help.status, 0) << help.err;
    for (int i = 0; i < argOptionCount; i++)   /* every row of the table, with its help */
        EXPECT_NE(help.out.find(std::string(argOptions[i].name) + " " + argOptions[i].operands +
                                "  "), std::string::npos) << argOptions[i].name;
    EXPECT_EQ(runPlayer(dir, "-h").out, help.out);
    E2eRun version = runPlayer(dir, "--version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, std::string("Lumeno demo player ") + args_version + "\n");

    struct { const char* args; int status; std::string err; } cases[] = {
        { "--frobnicate", 2, "player: unknown option '--frobnicate'\nusage: player [DIR]\n" },
        { "--version now", 2, "player: --version takes no operand\n" },
        { "--check a b", 2, "player: --check: too many operands\n" },
        { "a b", 2, "player: too many operands\n" },
        { "--render", 2, "player: --render: missing operand\n" },
        { "--render x.mp4 --size 12x9", 2, "player: --render: the size must read WIDTHxHEIGHT" },
        { "/nonexistent-demo", 1,
          "Error: Cannot enter the demo folder '/nonexistent-demo': No such file or directory\n" },
    };
    for (const auto& c : cases) {
        E2eRun run = runPlayer(dir, c.args);
        EXPECT_EQ(run.status, c.status) << c.args;
        EXPECT_EQ(run.err.rfind(c.err, 0), 0u) << run.err;
        EXPECT_EQ(run.out, "") << c.args;
    }

    char real[4096];
    ASSERT_TRUE(realpath(dir.c_str(), real));
    E2eRun run = runPlayer(dir, "", { "SDL_AUDIODRIVER=dummy" });
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, std::string("No demo script found in '") + real +
                       "': a script is a file whose name contains \".lum\".\n"
                       "Error: Loading section not found\n");
    /* no display: a clear message and both ways out, not a console driver */
    run = runPlayer(dir, "", { "DISPLAY", "SDL_AUDIODRIVER=dummy" });
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("Error: No display to open the window on: DISPLAY is not set\n"
                           "Hint: to play without a screen, run the player under a virtual one "
                           "(xvfb-run -a player DIR); to make a video without a window, use "
                           "player --render demo.mp4 DIR.\n"), std::string::npos) << run.err;
    run = runPlayer(dir, "--check", kNoDisplay);
    EXPECT_EQ(run.out, ".: no demo script found (a script is a file whose name contains \".lum\")\n"
                       ".: Loading section not found\n.: 2 errors, 0 warnings\n");
}

/* One folder holding many mistakes at once: --check reports every one of
** them, sorted by script and line, and needs no display. */
TEST(Cli, CheckReportsEveryMistakeWithScriptAndLine)
{
    std::string dir = e2e_makeDemo();
    e2e_writeTga(dir, "pic.tga", e2e_solid(8, 8, 200, 0, 0));
    e2e_writeFile(dir, "short.spl", "1 1 1\n2 2 2\n");
    e2e_writeFile(dir, "ragged.spl", "1 1 1 0 0 0 0 0 0\n1 2\n");
    e2e_writeFile(dir, "demo.lum~", "[nonsense]\n");
    ASSERT_EQ(mkfifo((dir + "/pipe.spl").c_str(), 0644), 0);   /* must not stall the check */
    e2e_writeFile(dir, "demo.lum",
        "demo_edn 10\nsound 0\n"                                           /* 1 */
        "[loading]\nstart 0\nend 1\n"                                      /* 3 */
        "param 0 0 0 0 0.1 0.1 0.9 0.2 0 0 0 0 0.1 0.1 0.9 0.2 0\n"
        "string pic.tga\nstring pic.tga\n"
        "[image]\nstart 0\nend 5\nstring missing.tga\nspline short.spl\n"  /* 9 */
        "[image]\nstart 1\nennd 4\nstring data\nspline nothere.spl\n"      /* 14 */
        "[imagePart]\nstart 0\nend 2\nparam 0 0\nstring pic.tga\n"         /* 19 */
        "spline ragged.spl\nspline short.spl\n"
        "[objects]\nstart 0\nend 4\n"                                      /* 26 */
        "[efxFader]\nstart 30\nend 31\nparam 1 2 3\nblend ONE TWO\n"      /* 29 */
        "[image]\nstart 0\nend 5\nlayer x\nstring pic.tga\nspline pipe.spl\n"      /* 34 */
        "[efxFader]\nstart 0\nend 2\nparam 0 0 0 0 0 0 0 1\nstrat 19\nstring x\n");   /* 40 */
    const std::string d = dir + "/";
    const char* expected[] = {
        "demo.lum:1: Unknown variable 'demo_edn', did you mean 'demo_end'?",
        "demo.lum:9: image: spline 1 needs 9 channels, 'short.spl' has 3",
        "demo.lum:9: image: cannot read 'missing.tga' (No such file or directory)",
        "demo.lum:14: Spline: error loading 'nothere.spl' (No such file or directory)",
        "demo.lum:14: image: cannot read 'data' (not a plain file)",
        "demo.lum:14: warning: image never plays: it has no end after its start",
        "demo.lum:16: Unknown section variable",
        "demo.lum:19: Spline: incorrect channel in 'ragged.spl'",
        "demo.lum:19: imagePart: spline 2 needs 4 channels, 'short.spl' has 3",
        "demo.lum:26: Unknown section 'objects', did you mean 'object'?",
        "demo.lum:29: efxFader: 8 params needed, 3 given",
        "demo.lum:29: warning: efxFader never plays: it starts at second 30, after demo_end 20",
        "demo.lum:33: Invalid blend factor",
        "demo.lum:34: Spline: error loading 'pipe.spl' (not a plain file)",
        "demo.lum:37: Invalid layer",
        "demo.lum:44: warning: efxFader reads no strings; 'strat 19' was read as a string — did you mean 'start'?",
        "demo.lum:45: warning: efxFader reads no strings; 'string x' gives string 2, which it does not read",
        "demo.lum~: warning: editor leftover, not read as a script",
        ": 13 errors, 5 warnings",
    };
    std::string report;
    for (const char* line : expected) report += (line[0] == ':' ? dir : d) + line + "\n";
    E2eRun run = runPlayer("/", "--check " + dir, kNoDisplay);
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_EQ(run.out, report);
    EXPECT_EQ(run.err, "");
}

/* Every section type has an example in the reference's gallery, its still
** beside it, and --check passes the example with the data the build wrote:
** a gallery script that rots (a key renamed, a spline short of channels, a
** picture gone) fails here. */
TEST(Cli, GalleryHoldsACleanExampleOfEverySectionType)
{
    namespace fs = std::filesystem;
    const std::string gallery = std::string(LUMENO_SOURCE_DIR) + "/docs/gallery/";
    for (const SectionType& type : sectionFunction) {
        const std::string name = type.name, src = gallery + name;
        SCOPED_TRACE(name);
        ASSERT_TRUE(e2e_exists(src + "/" + name + ".lum"));
        EXPECT_TRUE(e2e_exists(gallery + name + ".png"));
        EXPECT_NE(e2e_readFile(src + "/" + name + ".lum").find("\n[" + name + "]\n"), std::string::npos);
        std::string dir = e2e_makeDemo();
        fs::remove_all(dir + "/data");
        fs::create_directory_symlink(LUMENO_GALLERY_DATA, dir + "/data");
        fs::copy(src, dir, fs::copy_options::recursive);
        E2eRun run = runPlayer("/", "--check " + dir, kNoDisplay);
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.out, dir + ": no problems found\n");
    }
}

/* The starter demo in record mode, started from / with its folder as the
** argument, beside leftovers that would break or change it if read. */
TEST(Cli, TemplatePlaysFromAnotherFolderBesideEditorLeftovers)
{
    std::string dir = e2e_makeDemo();
    for (const char* f : { "template.lum", "data/pictures/loading.tga", "data/pictures/sky.tga",
                           "data/pictures/plate.tga", "data/splines/plate.spl",
                           "data/splines/camera.spl" })
        e2e_writeFile(dir, f, e2e_readFile(std::string(LUMENO_SOURCE_DIR) + "/examples/template/" + f));
    e2e_writeFile(dir, "record.lum", "record 1\nrecord_fps 2\n");
    const char* leftovers[] = { "template.lum~", "record.lum.bak", "record.lum.SWP",
                                "template.lum.orig", ".template.lum" };
    for (const char* f : leftovers) e2e_writeFile(dir, f, "[nonsense]\nrecord_fps 50\n");
    E2eRun run = runPlayer("/", dir);
    ASSERT_EQ(run.status, 0) << run.err;
    for (std::string f : leftovers) {   /* each named once */
        std::string w = "Warning: editor leftover, not read as a script: './" + f + "'\n";
        EXPECT_TRUE(run.err.find(w) != std::string::npos && run.err.find(w) == run.err.rfind(w)) << f;
    }

    EXPECT_EQ(e2e_frameCount(dir), 17);   /* 8 seconds at 2 frames a second: 0, 0.5 ... 8 */
    EXPECT_TRUE(e2e_rgbNear(e2e_frame(dir, 0), 320, 240, 0, 0, 0, 2));   /* fading in from black */
    /* second 4: the plate rests in the middle (its placement and size:
    ** PictureSections.EachTypeDrawsWhatItsScriptSays) */
    EXPECT_TRUE(e2e_rgbNear(e2e_frame(dir, 8), 320, 240, 240, 200, 40, 4));
}

}  // namespace
