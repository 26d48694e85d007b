/*
** st_args.h -- the player's command line: one table row per form, each
** with its operands, its help text and the function that carries it out.
**
** No argument at all plays the demo in the working folder, as always.  A
** new option is one more row of argOptions (st_args.cpp) and its function;
** the parsing, the help and the usage message follow the table.
*/
#ifndef ST_ARGS_H
#define ST_ARGS_H

/* what an option's function returns to go on and play the demo */
#define ARGS_PLAY (-1)

/* exit status of a command line that cannot be understood */
#define ARGS_USAGE_STATUS 2

struct ArgOption {
    const char* name;          /* "--check"; "" for the form without an option */
    const char* operands;      /* as the help shows them, e.g. "[DIR]" */
    int         min_operands;
    int         max_operands;
    const char* help;          /* one line */
    /* Settings the form takes anywhere among its operands, each with one
    ** value ("--size WxH"), as the help shows them; null for none. */
    const char* const* flags;
    /* Carries the option out: returns ARGS_PLAY to go on playing, or the
    ** exit status the player ends with at once. */
    int (*run)(int count, char** operands);
};

extern const ArgOption argOptions[];
extern const int argOptionCount;

/* The player's version as --version prints it. */
extern const char args_version[];

/* Reads the command line (argv[0] is the program).  Returns when the demo
** is to be played, in the folder the command line named; every other form
** ends the process with its own exit status. */
void args_parse(int argc, char** argv);

/* The value a setting of the form was given ("--size" -> "1280x720"), or
** null when the command line did not name it. */
const char* args_flag(const char* name);

/* Makes `folder` the working folder; a folder that cannot be entered is a
** fatal error.  For options that take a demo folder. */
void args_enterFolder(const char* folder);

#endif
