/*
** st_pack.cpp -- `player --pack OUT_DIR [DIR]`: a demo made ready for a
** party.  The demo is checked as `--check` checks it, together with what
** a competition refuses (recording or debug keys left on, files outside
** the demo folder, names that clash on Windows); every problem is listed
** at once and nothing is written unless there is none.  Then two archives
** are made, each one top folder with the player under the demo's name,
** the scripts and only the files they use, and a readme: a zip around the
** Windows player, and a tar.gz around this Linux player with every library
** beyond a desktop's own in lib/ (found through the player's $ORIGIN run
** path).  Archives are written under a hidden name and renamed when whole.
*/
#include "studio.h"
#include "st_args.h"
#include "st_check.h"
#include "st_pack.h"
#include "dk_path.h"
#include "gldrv.h"

#include <ctype.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <map>
#include <set>
#include <string>
#include <vector>

/* what the check told of the demo's files: each as the script gave it */
struct PackFile {
    std::string path;
    const char* script;   /* null: the demo as a whole */
    int         line;
};

static std::vector<PackFile> packFiles;

static void noteFile(const Section* s, const char* path)
{
    if (path && *path)
        packFiles.push_back({ path, s ? s->script : nullptr, s ? s->line : 0 });
}

/* ---- names ---- */

/* The archive and top folder are named after the demo: its demo_name when
** a script gives one, else its folder.  Letters a file system or a zip
** refuses become '-', and the names Windows keeps for devices get a tail. */
std::string pack_safeName(const char* title)
{
    std::string name;
    for (const char* p = title; *p; p++) {
        unsigned char c = (unsigned char)*p;
        if (c < 32 || c == 127 || strchr("<>:\"/\\|?*", c) || c == ' ')
            name += '-';
        else
            name += (char)c;
    }
    while (!name.empty() && (name.back() == '.' || name.back() == '-'))
        name.pop_back();
    while (!name.empty() && (name[0] == '.' || name[0] == '-'))
        name.erase(0, 1);
    if (name.size() > 64)
        name.resize(64);
    static const char* const devices[] = { "CON", "PRN", "AUX", "NUL", "COM1", "COM2", "COM3",
                                           "COM4", "LPT1", "LPT2", "LPT3" };
    std::string stem = name.substr(0, name.find('.'));
    for (const char* d : devices)
        if (strcasecmp(stem.c_str(), d) == 0)
            name += "-demo";
    return name.empty() ? "demo" : name;
}

/* A library every Linux desktop has: the C library and its loader, the
** GL dispatch, X and its protocol libraries, the sound server's client, and
** the C++ runtime.  The runtime stays the desktop's own because the one of
** a newer build system asks for a newer C library than the demo itself
** (Debian 12's asks for glibc 2.36, past Ubuntu 22.04's 2.35), while the
** player and its libraries need no newer runtime than those desktops have. */
int pack_desktopLibrary(const char* soname)
{
    static const char* const prefixes[] = { "libc.so", "libm.so", "libdl.so", "libpthread.so",
                                            "librt.so", "ld-linux", "linux-vdso", "libGL.so",
                                            "libGLX.so", "libGLdispatch.so", "libOpenGL.so", "libX",
                                            "libxcb", "libasound.so", "libpulse", "libresolv.so",
                                            "libstdc++.so", "libgcc_s.so" };
    for (const char* p : prefixes)
        if (strncmp(soname, p, strlen(p)) == 0)
            return 1;
    return 0;
}

/* ---- running the archivers and binutils ---- */

/* Runs argv[0] found along PATH, its output to `out` (or /dev/null); its
** exit status, or -1 when it could not be run. */
static int runProgram(const std::vector<std::string>& args, std::string* out, const char* folder)
{
    int fds[2];
    if (pipe(fds) != 0)
        return -1;
    pid_t pid = fork();
    if (pid < 0)
        return -1;
    if (pid == 0) {
        if (folder && chdir(folder) != 0)
            _exit(127);
        dup2(fds[1], 1);
        int devnull = open("/dev/null", O_WRONLY);
        dup2(devnull, 2);
        close(fds[0]);
        std::vector<char*> argv;
        for (const std::string& a : args)
            argv.push_back((char*)a.c_str());
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    close(fds[1]);
    char buffer[4096];
    ssize_t n;
    while ((n = read(fds[0], buffer, sizeof buffer)) > 0)
        if (out)
            out->append(buffer, (size_t)n);
    close(fds[0]);
    int status;
    if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

/* The sonames a binary needs, from its dynamic section. */
static std::vector<std::string> neededBy(const std::string& file)
{
    std::string text;
    std::vector<std::string> names;
    runProgram({ "objdump", "-p", file }, &text, nullptr);
    size_t at = 0;
    while ((at = text.find("NEEDED", at)) != std::string::npos) {
        size_t from = text.find_first_not_of(' ', at + 6);
        size_t to = text.find('\n', from);
        names.push_back(text.substr(from, to - from));
        at = to;
    }
    return names;
}

/* Every library beyond the desktop's that the player loads, found through
** the dynamic loader: soname -> path.  A desktop library's own needs are
** the desktop's business, so the walk does not go below one. */
static std::map<std::string, std::string> bundledLibraries(const std::string& player,
                                                           std::vector<std::string>* missing)
{
    std::string text;
    runProgram({ "ldd", player }, &text, nullptr);
    std::map<std::string, std::string> where;
    for (const std::string& line : path_split(text, '\n')) {
        size_t arrow = line.find(" => ");
        if (arrow != std::string::npos) {
            size_t start = line.find_first_not_of(" \t");
            std::string name = line.substr(start, arrow - start);
            std::string path = line.substr(arrow + 4);
            path = path.substr(0, path.find(" ("));
            where[name] = path == "not found" ? "" : path;
        }
    }
    std::map<std::string, std::string> bundle;
    std::vector<std::string> todo = neededBy(player);
    while (!todo.empty()) {
        std::string name = todo.back();
        todo.pop_back();
        if (pack_desktopLibrary(name.c_str()) || bundle.count(name))
            continue;
        if (where[name].empty()) {
            missing->push_back(name);
            continue;
        }
        bundle[name] = where[name];
        for (const std::string& n : neededBy(where[name]))
            todo.push_back(n);
    }
    return bundle;
}

/* The highest GLIBC_x.y symbol version among the files. */
static std::string highestGlibc(const std::vector<std::string>& files)
{
    int bestMajor = 0, bestMinor = 0;
    for (const std::string& f : files) {
        std::string text;
        runProgram({ "objdump", "-T", f }, &text, nullptr);
        for (size_t at = 0; (at = text.find("GLIBC_", at)) != std::string::npos; at += 6) {
            int major = 0, minor = 0;
            if (sscanf(text.c_str() + at + 6, "%d.%d", &major, &minor) >= 1 &&
                (major > bestMajor || (major == bestMajor && minor > bestMinor))) {
                bestMajor = major;
                bestMinor = minor;
            }
        }
    }
    return bestMajor ? std::to_string(bestMajor) + "." + std::to_string(bestMinor) : "";
}

/* ---- files ---- */

static int copyFile(const std::string& from, const std::string& to, mode_t mode)
{
    int in = open(from.c_str(), O_RDONLY);
    if (in < 0)
        return 0;
    int out = open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC, mode);
    int ok = out >= 0;
    char buffer[65536];
    ssize_t n;
    while (ok && (n = read(in, buffer, sizeof buffer)) > 0)
        ok = write(out, buffer, (size_t)n) == n;
    close(in);
    if (out >= 0 && close(out) != 0)
        ok = 0;
    return ok;
}

/* Makes every folder of `path` below `root`. */
static int makeFolders(const std::string& root, const std::string& path)
{
    for (size_t at = path.find('/'); at != std::string::npos; at = path.find('/', at + 1))
        if (mkdir((root + "/" + path.substr(0, at)).c_str(), 0755) != 0 && errno != EEXIST)
            return 0;
    return 1;
}

static void removeTree(const std::string& path)
{
    runProgram({ "rm", "-rf", "--", path }, nullptr, nullptr);
}

/* ---- the checks a party adds ---- */

/* The script lines that set a global key to something other than 0. */
static void reportKeyLines(const char* key, const char* why)
{
    std::set<std::string> scripts;
    for (const PackFile& f : packFiles)
        if (!f.script && strstr(f.path.c_str(), ".lum"))
            scripts.insert(f.path);
    int found = 0;
    for (const std::string& script : scripts) {
        FILE* in = fopen(script.c_str(), "r");
        if (!in)
            continue;
        char text[DK_MAX_LINE];
        for (int line = 1; fgets(text, sizeof text, in); line++) {
            char name[DK_MAX_LINE], value[DK_MAX_LINE];
            if (text[0] == '[')
                break;   /* global keys stand before the first section */
            if (sscanf(text, "%255s %255s", name, value) == 2 && strcasecmp(name, key) == 0 &&
                atof(value) != 0.0) {
                checking_report(script.c_str(), line, 0, "%s %s %s", key, value, why);
                found = 1;
            }
        }
        fclose(in);
    }
    if (!found)
        checking_report(nullptr, 0, 0, "%s is on %s", key, why);
}

/* Every file once, inside the demo folder, one way of writing each. */
static std::vector<std::string> demoFiles(void)
{
    std::vector<std::string> files;
    std::map<std::string, std::string> byFolded;
    for (const PackFile& f : packFiles) {
        std::string n = path_normalize(f.path.c_str());
        if (n.empty() || n[0] == '/' || n == ".." || n.compare(0, 3, "../") == 0) {
            checking_report(f.script, f.line, 0,
                            "'%s' lies outside the demo folder: a release holds every file it uses, "
                            "so move it inside", f.path.c_str());
            continue;
        }
        std::string folded = n;
        for (char& c : folded)
            c = (char)tolower((unsigned char)c);
        auto known = byFolded.find(folded);
        if (known == byFolded.end()) {
            byFolded[folded] = n;
            files.push_back(n);
        } else if (known->second != n) {
            checking_report(f.script, f.line, 0,
                            "'%s' and '%s' differ only in letter case, which is one file on Windows: "
                            "name it one way", known->second.c_str(), n.c_str());
        }
    }
    return files;
}

/* ---- the archives ---- */

static std::string readme(const std::string& name, const std::string& start, const std::string& glibc)
{
    std::string music;
    for (const Section* s = demoSystem.section_list; s; s = s->next)
        if (strcmp(sectionFunction[s->type].name, "sound") == 0 && s->string_count > 0)
            music += std::string(music.empty() ? "" : ", ") + s->strings[0];
    char text[4096];
    snprintf(text, sizeof text,
             "%s\n\n"
             "How to start it: %s\n"
             "Escape ends it at once.\n\n"
             "Resolution: %d x %d%s\n"
             "Length: %.0f seconds\n"
             "Music: %s\n%s%s%s\n"
             "Made with the Lumeno demo player %s.\n",
             demoSystem.demo_name, start.c_str(), glDriver.width, glDriver.height,
             glDriver.fullscreen ? ", full screen" : ", in a window",
             (double)(demoSystem.demo_end - demoSystem.demo_start),
             music.empty() ? "none" : music.c_str(),
             glibc.empty() ? "" : "Needs glibc ", glibc.c_str(), glibc.empty() ? "" : " or newer.\n",
             args_version);
    (void)name;
    return text;
}

static int writeText(const std::string& path, const std::string& text)
{
    FILE* out = fopen(path.c_str(), "w");
    if (!out)
        return 0;
    int ok = fwrite(text.data(), 1, text.size(), out) == text.size();
    return fclose(out) == 0 && ok;
}

/* One top folder NAME under `stage` with the player and the demo's files. */
static int stageFolder(const std::string& stage, const std::string& name,
                       const std::vector<std::string>& files, const std::string& player,
                       const std::string& playerName, const std::string& text)
{
    std::string top = stage + "/" + name;
    if (mkdir(stage.c_str(), 0755) != 0 || mkdir(top.c_str(), 0755) != 0)
        return 0;
    for (const std::string& f : files)
        if (!makeFolders(top, f) || !copyFile(f, top + "/" + f, 0644))
            return 0;
    return copyFile(player, top + "/" + playerName, 0755) && writeText(top + "/readme.txt", text);
}

/* The Windows player: beside this one, or where `make windows` puts it. */
static std::string windowsPlayer(void)
{
    std::string own = path_programFolder();
    for (const char* rel : { "/player.exe", "/../build-win/player.exe" }) {
        std::string p = own + rel;
        if (access(p.c_str(), R_OK) == 0)
            return p;
    }
    return "";
}

static int fail(const char* format, const char* a, const char* b)
{
    fprintf(stderr, "Error: ");
    fprintf(stderr, format, a, b);
    fprintf(stderr, "\n");
    return 1;
}

int pack_option(int count, char** args)
{
    if (count < 1 || count > 2) {
        fprintf(stderr, "Usage: player --pack OUT_DIR [DIR]\n");
        return 2;
    }
    char out[PATH_MAX], demo[PATH_MAX];
    const char* folder = count == 2 ? args[1] : ".";
    if (!realpath(args[0], out))
        return fail("Cannot pack into '%s': %s", args[0], strerror(errno));
    struct stat st;
    if (stat(out, &st) != 0 || !S_ISDIR(st.st_mode) || access(out, W_OK) != 0)
        return fail("Cannot pack into '%s': %s", args[0], "it is not a writable folder");
    if (!realpath(folder, demo))
        return fail("Cannot enter the demo folder '%s': %s", folder, strerror(errno));
    size_t n = strlen(demo);
    if (strncmp(out, demo, n) == 0 && (out[n] == '/' || out[n] == '\0'))
        return fail("Cannot pack into '%s': %s", args[0],
                    "it lies inside the demo folder, whose files the archives copy");
    args_enterFolder(demo);

    checking_fileSink = noteFile;
    checking_collect(folder);
    checking_fileSink = nullptr;
    checking_on = 1;   /* the pack's own problems join the report */
    std::vector<std::string> files = demoFiles();
    if (demoSystem.record)
        reportKeyLines("record", "records every frame: a competition demo must not");
    if (demoSystem.debug)
        reportKeyLines("debug", "turns the debug keys on: a competition demo must not");
    if (demoSystem.demo_end == 0.0f)
        checking_report(nullptr, 0, 1, "demo_end is 0: the demo never ends by itself");
    if (demoSystem.loop)
        checking_report(nullptr, 0, 1, "loop is on: the demo never ends by itself");
    std::string exe = windowsPlayer();
    if (exe.empty())
        checking_report(nullptr, 0, 0, "the Windows player (player.exe) is missing: build it with "
                                       "make windows, or put it beside this player");
    char self[PATH_MAX];
    ssize_t len = readlink("/proc/self/exe", self, sizeof self - 1);
    self[len > 0 ? len : 0] = '\0';
    std::vector<std::string> unresolved;
    std::map<std::string, std::string> libs = bundledLibraries(self, &unresolved);
    for (const std::string& l : unresolved)
        checking_report(nullptr, 0, 0, "the library %s the player needs was not found", l.c_str());
    if (checking_finish() != 0) {
        fprintf(stderr, "pack: nothing written\n");
        return 1;
    }

    const char* slash = strrchr(demo, '/');
    const char* title = strcmp(demoSystem.demo_name, "Lumeno Visuals Engine") != 0
                            ? demoSystem.demo_name : (slash && slash[1] ? slash + 1 : "demo");
    std::string name = pack_safeName(title);
    std::vector<std::string> binaries = { self };
    for (const auto& l : libs)
        binaries.push_back(l.second);
    std::string glibc = highestGlibc(binaries);

    std::string stage = std::string(out) + "/.pack-" + name + "-" + std::to_string((long)getpid());
    std::string linuxZip = std::string(out) + "/" + name + "-linux-x86_64.tar.gz";
    std::string windowsZip = std::string(out) + "/" + name + "-windows-x64.zip";
    std::string partial = stage + ".part";
    int ok = mkdir(stage.c_str(), 0755) == 0;
    ok = ok && stageFolder(stage + "/linux", name, files, self, name,
                           readme(name, "run ./" + name + " (from any folder)", glibc));
    ok = ok && mkdir((stage + "/linux/" + name + "/lib").c_str(), 0755) == 0;
    for (const auto& l : libs)
        ok = ok && copyFile(l.second, stage + "/linux/" + name + "/lib/" + l.first, 0644);
    ok = ok && runProgram({ "tar", "-czf", partial, "-C", stage + "/linux", name }, nullptr, nullptr) == 0 &&
         rename(partial.c_str(), linuxZip.c_str()) == 0;
    ok = ok && stageFolder(stage + "/windows", name, files, exe, name + ".exe",
                           readme(name, "double-click " + name + ".exe", ""));
    ok = ok && runProgram({ "zip", "-qrX", partial, name }, nullptr, (stage + "/windows").c_str()) == 0 &&
         rename(partial.c_str(), windowsZip.c_str()) == 0;
    removeTree(stage);
    unlink(partial.c_str());
    if (!ok) {
        unlink(linuxZip.c_str());
        unlink(windowsZip.c_str());
        return fail("Packing '%s' failed while writing the archives into '%s'", title, out);
    }
    printf("pack: wrote '%s' and '%s' (%d files of the demo, %d libraries)\n", windowsZip.c_str(),
           linuxZip.c_str(), (int)files.size(), (int)libs.size());
    if (!glibc.empty())
        printf("pack: the Linux player needs glibc %s or newer\n", glibc.c_str());
    fflush(stdout);
    return 0;
}
