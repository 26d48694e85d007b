/*
** cli_test.cpp -- the player's command line run for real: help, version and
** usage errors, --check over a folder full of mistakes (without a display),
** the starter demo played from another folder beside editor leftovers, and
** the message for a folder without scripts.
*/
#include "harness.h"
#include "dk_args.h"

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct CliRun {
    int status = -1;
    std::string out;
    std::string err;
};

std::string slurp(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

/* Runs the player with `args` from the folder `cwd`.  `env` entries are
** "NAME=value" to set or "NAME" to remove.  Killed after 60 seconds. */
CliRun runPlayer(const std::string& cwd, const std::vector<std::string>& args,
                 const std::vector<std::string>& env = {})
{
    static int runs = 0;
    CliRun run;
    const char* tmp = getenv("TMPDIR");
    std::string out = std::string(tmp && *tmp ? tmp : "/tmp") + "/lumeno-cli-" +
                      std::to_string(getpid()) + "-" + std::to_string(runs++) + ".out";
    std::string err = out + ".err";
    pid_t pid = fork();
    if (pid == 0) {
        if (chdir(cwd.c_str()) != 0) _exit(126);
        dup2(open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 1);
        dup2(open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 2);
        dup2(open("/dev/null", O_RDONLY), 0);
        for (const std::string& e : env) {
            size_t eq = e.find('=');
            if (eq == std::string::npos) unsetenv(e.c_str());
            else setenv(e.substr(0, eq).c_str(), e.c_str() + eq + 1, 1);
        }
        std::vector<char*> argv = { (char*)LUMENO_PLAYER };
        for (const std::string& a : args) argv.push_back((char*)a.c_str());
        argv.push_back(nullptr);
        setpgid(0, 0);
        execv(LUMENO_PLAYER, argv.data());
        _exit(127);
    }
    int wstatus = 0;
    for (int waited = 0; waitpid(pid, &wstatus, WNOHANG) == 0; waited++) {
        if (waited > 60 * 200) {
            ADD_FAILURE() << "player killed after 60 s";
            kill(-pid, SIGKILL);
            waitpid(pid, &wstatus, 0);
            break;
        }
        usleep(5000);
    }
    if (WIFEXITED(wstatus)) run.status = WEXITSTATUS(wstatus);
    run.out = slurp(out);
    run.err = slurp(err);
    unlink(out.c_str());
    unlink(err.c_str());
    return run;
}

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> result;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) result.push_back(line);
    return result;
}

int occurrences(const std::string& text, const std::string& part)
{
    int n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) n++;
    return n;
}

TEST(Cli, HelpVersionAndUsageErrors)
{
    std::string dir = e2e_makeDemo();   /* no script: a form that played would fail */
    CliRun help = runPlayer(dir, { "--help" });
    EXPECT_EQ(help.status, 0) << help.err;
    for (int i = 0; i < argOptionCount; i++) {
        EXPECT_NE(help.out.find(argOptions[i].help), std::string::npos) << argOptions[i].help;
        EXPECT_NE(help.out.find(std::string(argOptions[i].name) + " " + argOptions[i].operands),
                  std::string::npos) << argOptions[i].name;
    }
    CliRun version = runPlayer(dir, { "--version" });
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, std::string("Lumeno demo player ") + args_version + "\n");

    struct { std::vector<std::string> args; int status; std::string err; } cases[] = {
        { { "--frobnicate" }, 2, "player: unknown option '--frobnicate'\nusage: player [DIR]\n" },
        { { "-x", "." }, 2, "player: unknown option '-x'\n" },
        { { "--version", "now" }, 2, "player: --version takes no operand\n" },
        { { "--check", "a", "b" }, 2, "player: --check: too many operands\n" },
        { { "a", "b" }, 2, "player: too many operands\n" },
        { { "/nonexistent-demo" }, 1,
          "Error: Cannot enter the demo folder '/nonexistent-demo': No such file or directory\n" },
        { { "--check", "/nonexistent-demo" }, 1, "Error: Cannot enter the demo folder" },
    };
    for (const auto& c : cases) {
        CliRun run = runPlayer(dir, c.args);
        SCOPED_TRACE(c.args[0]);
        EXPECT_EQ(run.status, c.status);
        EXPECT_EQ(run.err.rfind(c.err, 0), 0u) << run.err;
        EXPECT_EQ(run.out, "");
    }
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
    e2e_writeFile(dir, ".demo.lum.swp", "\x01\x02 swap\n");
    e2e_writeFile(dir, "demo.lum",
        "demo_edn 10\n"                                   /* 1 */
        "sound 0\n"
        "[loading]\n"                                     /* 3 */
        "start 0\nend 1\n"
        "param 0 0 0 0 0.1 0.1 0.9 0.2 0 0 0 0 0.1 0.1 0.9 0.2 0\n"
        "string pic.tga\nstring pic.tga\n"
        "[image]\n"                                       /* 9 */
        "start 0\nend 5\nstring missing.tga\nspline short.spl\n"
        "[image]\n"                                       /* 14 */
        "start 1\nennd 4\nstring pic.tga\nspline nothere.spl\n"
        "[imagePart]\n"                                   /* 19 */
        "start 0\nend 2\nparam 0 0\nstring pic.tga\nspline ragged.spl\nspline short.spl\n"
        "[objects]\n"                                     /* 26 */
        "start 0\nend 4\n"
        "[efxFader]\n"                                    /* 29 */
        "start 30\nend 31\nparam 1 2 3\nblend ONE TWO\n"
        "[efxInverse]\n"                                  /* 34 */
        "start 0\nend 5\nlayer x\n");
    const std::string d = dir + "/";
    std::vector<std::string> expected = {
        d + ".demo.lum.swp: warning: editor leftover, not read as a script",
        d + "demo.lum:1: Unknown variable",
        d + "demo.lum:9: image: spline 1 needs 9 channels, 'short.spl' has 3",
        d + "demo.lum:9: image: cannot read 'missing.tga' (No such file or directory)",
        d + "demo.lum:14: Spline: error loading 'nothere.spl' (No such file or directory)",
        d + "demo.lum:14: warning: image never plays: it has no end after its start",
        d + "demo.lum:16: Unknown section variable",
        d + "demo.lum:19: Spline: incorrect channel in 'ragged.spl'",
        d + "demo.lum:19: imagePart: spline 2 needs 4 channels, 'short.spl' has 3",
        d + "demo.lum:26: Unknown section",
        d + "demo.lum:29: efxFader: 8 params needed",
        d + "demo.lum:29: warning: efxFader never plays: it starts at second 30, after demo_end 20",
        d + "demo.lum:33: Invalid blend factor",
        d + "demo.lum:37: Invalid layer",
        d + "demo.lum~: warning: editor leftover, not read as a script",
        dir + ": 11 errors, 4 warnings",
    };
    CliRun run = runPlayer("/", { "--check", dir }, { "DISPLAY" });
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_EQ(lines(run.out), expected);
    EXPECT_EQ(run.err, "");

    /* the folder given relative to where the checker runs names it so too */
    std::string parent = dir.substr(0, dir.rfind('/'));
    std::string base = dir.substr(dir.rfind('/') + 1);
    run = runPlayer(parent, { "--check", base }, { "DISPLAY" });
    EXPECT_EQ(lines(run.out).at(1), base + "/demo.lum:1: Unknown variable");

    /* the starter demo is clean */
    std::string tpl = std::string(LUMENO_SOURCE_DIR) + "/examples/template";
    run = runPlayer("/", { "--check", tpl }, { "DISPLAY" });
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, tpl + ": no problems found\n");
}

void copyTemplate(const std::string& dir)
{
    const char* files[] = { "template.lum", "data/pictures/loading.tga", "data/pictures/sky.tga",
                            "data/pictures/plate.tga", "data/splines/plate.spl" };
    for (const char* f : files) {
        std::string text = slurp(std::string(LUMENO_SOURCE_DIR) + "/examples/template/" + f);
        ASSERT_FALSE(text.empty()) << f;
        e2e_writeFile(dir, f, text);
    }
}

/* The starter demo in record mode, started from / with its folder as the
** argument, beside leftovers that would break or change it if read. */
TEST(Cli, TemplatePlaysFromAnotherFolderBesideEditorLeftovers)
{
    ASSERT_TRUE(getenv("DISPLAY")) << "run under xvfb-run";
    std::string dir = e2e_makeDemo();
    copyTemplate(dir);
    e2e_writeFile(dir, "record.lum", "record 1\nrecord_fps 2\n");
    e2e_writeFile(dir, "template.lum~", "[nonsense]\n");
    e2e_writeFile(dir, "record.lum.bak", "record_fps 50\n");
    e2e_writeFile(dir, ".template.lum.swp", "\x01 swap\n");
    CliRun run = runPlayer("/", { dir });
    ASSERT_EQ(run.status, 0) << run.err;
    for (const char* f : { "template.lum~", "record.lum.bak", ".template.lum.swp" })
        EXPECT_EQ(occurrences(run.err, "Warning: editor leftover, not read as a script: './" +
                                       std::string(f) + "'\n"), 1) << run.err;

    /* 8 seconds at 2 frames a second, frames at 0, 0.5 ... 8 */
    EXPECT_EQ(e2e_frameCount(dir), 17);
    E2eImage first = e2e_frame(dir, 0);
    ASSERT_TRUE(first.ok());
    EXPECT_TRUE(e2e_rgbNear(first, 320, 240, 0, 0, 0, 2));   /* fading in from black */
    /* second 4: the plate rests in the middle at one window pixel per
    ** picture pixel, 128 x 64 around the centre */
    E2eImage f = e2e_frame(dir, 8);
    ASSERT_TRUE(f.ok());
    EXPECT_TRUE(e2e_rgbNear(f, 320, 240, 240, 200, 40, 4));
    EXPECT_TRUE(e2e_rgbNear(f, 262, 212, 240, 200, 40, 4));
    EXPECT_TRUE(e2e_rgbNear(f, 257, 240, 40, 30, 20, 8));     /* its dark frame */
    for (int y : { 200, 280 }) {   /* above and below it the sky, as elsewhere on the row */
        EXPECT_TRUE(e2e_rgbNear(f, 320, y, e2e_channel(f, 100, y, 0), e2e_channel(f, 100, y, 1),
                                e2e_channel(f, 100, y, 2), 3));
    }
    for (int x : { 250, 390 }) {
        EXPECT_TRUE(e2e_rgbNear(f, x, 240, e2e_channel(f, 100, 240, 0), e2e_channel(f, 100, 240, 1),
                                e2e_channel(f, 100, 240, 2), 3));
    }
}

TEST(Cli, FolderWithoutScriptsIsNamed)
{
    ASSERT_TRUE(getenv("DISPLAY")) << "run under xvfb-run";
    std::string dir = e2e_makeDemo();
    char real[4096];
    ASSERT_TRUE(realpath(dir.c_str(), real));
    CliRun run = runPlayer(dir, {}, { "SDL_AUDIODRIVER=dummy" });
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, std::string("No demo script found in '") + real +
                       "': a script is a file whose name contains \".lum\".\n"
                       "Error: Loading section not found\n");

    run = runPlayer(dir, { "--check" }, { "DISPLAY" });
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, ".: no demo script found (a script is a file whose name contains \".lum\")\n"
                       ".: Loading section not found\n"
                       ".: 2 errors, 0 warnings\n");
}

}  // namespace
