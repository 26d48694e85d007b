/*
** st_args.cpp -- the command line: the table of forms, the help and usage
** texts made from it, and the forms that do not play (help, version,
** check).
**
** One option per command line, first; the words after it are its operands.
** A first word that does not begin with "-" is the operand of the plain
** form (the demo folder).  Usage errors end with status 2, so scripts can
** tell them from a demo that failed (1).
*/
#include "dkernel.h"
#include "st_args.h"
#include "st_check.h"
#include "st_video.h"
#include "st_pack.h"
#include "dk_path.h"

#include <dirent.h>

#include <errno.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

const char args_version[] = "0.1.0";

static int argsPlay(int count, char** operands);
static int argsCheck(int count, char** operands);
static int argsHelp(int count, char** operands);
static int argsVersion(int count, char** operands);
static int argsRender(int count, char** operands);
static int argsPack(int count, char** operands);

/* "--size WxH": each setting's name and how its value is shown */
static const char* const renderFlags[] = { "--size WxH", "--fps N", "--preset NAME", nullptr };

const ArgOption argOptions[] = {
    { "", "[DIR]", 0, 1,
      "play the demo in DIR (default: the working folder, or the player's own folder when "
      "it holds the demo's scripts)", nullptr, argsPlay },
    { "--check", "[DIR]", 0, 1,
      "check the demo's scripts, splines and files without playing it (no window needed)",
      nullptr, argsCheck },
    { "--render", "OUT [DIR]", 1, 2,
      "play the demo once and write it with its music to the video file OUT (ffmpeg picks the "
      "format by the extension; no display needed)", renderFlags, argsRender },
    { "--pack", "OUT_DIR [DIR]", 1, 2,
      "check the demo as a party would and write it into OUT_DIR as a Windows zip and a Linux "
      "archive, each with its player", nullptr, argsPack },
    { "--help", "", 0, 0, "show this help (also -h)", nullptr, argsHelp },
    { "--version", "", 0, 0, "show the player's version", nullptr, argsVersion },
};

const int argOptionCount = (int)(sizeof argOptions / sizeof argOptions[0]);

/* the settings given with the form, the last of a name counting */
static const char* flagNames[16];
static const char* flagValues[16];
static int flagCount = 0;

const char* args_flag(const char* name)
{
    for (int i = flagCount - 1; i >= 0; i--)
        if (strcmp(flagNames[i], name) == 0)
            return flagValues[i];
    return nullptr;
}

void args_enterFolder(const char* folder)
{
    if (chdir(folder) != 0)
        dkernel_error("Cannot enter the demo folder '%s': %s", folder, strerror(errno));
}

/* "player --check [DIR]" and the like, one line per form */
static void printForms(FILE* out, const char* first, const char* others, bool withHelp)
{
    for (int i = 0; i < argOptionCount; i++) {
        const ArgOption* o = &argOptions[i];
        char form[128];
        snprintf(form, sizeof form, "player%s%s%s%s", *o->name ? " " : "", o->name,
                 *o->operands ? " " : "", o->operands);
        if (withHelp) {
            fprintf(out, "  %-28s %s\n", form, o->help);
            for (const char* const* f = o->flags; f && *f; f++)
                fprintf(out, "  %-28s   %s\n", "", *f);
        } else
            fprintf(out, "%s%s\n", i == 0 ? first : others, form);
    }
}

[[noreturn]] static void usageError(const char* format, ...) __attribute__((format(printf, 1, 2)));
static void usageError(const char* format, ...)
{
    va_list ap;
    va_start(ap, format);
    fprintf(stderr, "player: ");
    vfprintf(stderr, format, ap);
    fprintf(stderr, "\n");
    va_end(ap);
    printForms(stderr, "usage: ", "       ", false);
    fprintf(stderr, "Try 'player --help' for more.\n");
    exit(ARGS_USAGE_STATUS);
}

/* Does the folder itself (not a sub-folder) hold a demo script? */
static bool holdsScript(const char* folder)
{
    DIR* dir = opendir(folder);
    if (!dir)
        return false;
    bool found = false;
    while (struct dirent* e = readdir(dir))
        found |= e->d_name[0] != '.' && strstr(e->d_name, ".lum") != nullptr;
    closedir(dir);
    return found;
}

/* A released demo lies beside its player: started from anywhere (a file
** manager, a shortcut, another folder), it plays its own scripts. */
static int argsPlay(int count, char** operands)
{
    if (count == 1) {
        args_enterFolder(operands[0]);
        return ARGS_PLAY;
    }
    std::string own = path_programFolder();
    if (!own.empty() && holdsScript(own.c_str()))
        args_enterFolder(own.c_str());
    return ARGS_PLAY;
}

static int argsCheck(int count, char** operands)
{
    if (count == 1)
        args_enterFolder(operands[0]);
    return checking_run(count == 1 ? operands[0] : ".");
}

static int argsRender(int count, char** operands)
{
    return video_option(count, operands);
}

static int argsPack(int count, char** operands)
{
    return pack_option(count, operands);
}

static int argsHelp(int, char**)
{
    printf("Lumeno demo player %s\n\n", args_version);
    printf("Plays the demo whose scripts (files whose name contains \".lum\") lie in a\n"
           "folder and its sub-folders; without DIR, the working folder.\n\n");
    printForms(stdout, "", "", true);
    printf("\nThe script language is described in docs/scripts.md of the player's sources.\n");
    fflush(stdout);
    return 0;
}

static int argsVersion(int, char**)
{
    printf("Lumeno demo player %s\n", args_version);
    fflush(stdout);
    return 0;
}

void args_parse(int argc, char** argv)
{
    if (argc < 2) {
        argsPlay(0, nullptr);   /* the demo in the working folder, or beside the player */
        return;
    }

    const char* first = strcmp(argv[1], "-h") == 0 ? "--help" : argv[1];
    const ArgOption* option = nullptr;
    int skip = 1;   /* words before the operands */
    if (first[0] == '-' && first[1] != '\0') {
        for (int i = 0; i < argOptionCount && !option; i++)
            if (*argOptions[i].name && strcmp(first, argOptions[i].name) == 0)
                option = &argOptions[i];
        if (!option)
            usageError("unknown option '%s'", first);
        skip = 2;
    } else {
        for (int i = 0; i < argOptionCount && !option; i++)
            if (!*argOptions[i].name)
                option = &argOptions[i];
    }

    /* The form's settings may stand anywhere among its operands; any other
    ** word that looks like an option is never taken for a folder. */
    static char* operands[64];
    int count = 0;
    for (int i = skip; i < argc; i++) {
        if (argv[i][0] != '-' || argv[i][1] == '\0') {
            if (count == (int)(sizeof operands / sizeof operands[0]))
                usageError("too many operands");
            operands[count++] = argv[i];
            continue;
        }
        const char* const* f = option->flags;
        size_t n = strlen(argv[i]);
        while (f && *f && !(strncmp(*f, argv[i], n) == 0 && (*f)[n] == ' '))
            f++;
        if (!f || !*f)
            usageError("unknown option '%s'", argv[i]);
        if (i + 1 >= argc)
            usageError("%s needs a value", argv[i]);
        if (flagCount < (int)(sizeof flagNames / sizeof flagNames[0])) {
            flagNames[flagCount] = argv[i];
            flagValues[flagCount++] = argv[i + 1];
        }
        i++;
    }

    /* messages name the option; the plain form has none to name */
    const char* name = option->name;
    const char* colon = *name ? ": " : "";
    if (count < option->min_operands)
        usageError("%s%smissing operand", name, colon);
    if (count > option->max_operands && option->max_operands == 0)
        usageError("%s takes no operand", name);
    if (count > option->max_operands)
        usageError("%s%stoo many operands", name, colon);

    int status = option->run(count, operands);
    if (status != ARGS_PLAY)
        exit(status);
}
