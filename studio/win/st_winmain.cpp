/*
** st_winmain.cpp -- process entry on Windows.
**
** The player is a window program: a double-click opens no console.  Its
** standard output and error are then whatever it was given: a file or pipe
** when they were redirected, the console of the command prompt that
** started it (attached here), or nothing at all.  With nothing at all the
** player was started by a double-click or a shortcut: fatal errors then
** also come up in a message box, and without a DIR it plays the demo in
** its own folder, wherever the shortcut started it.
**
** Every file is opened in binary mode, as on Linux: scripts and splines
** read CR LF themselves, and pictures and models must not lose bytes.
*/
#include "studio.h"
#include "dk_path.h"
#include "st_win.h"

#include <fcntl.h>
#include <io.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>
#include <windows.h>

/* Is this standard handle usable: a console, a file or a pipe? */
static bool usable(DWORD which)
{
    HANDLE h = GetStdHandle(which);
    return h && h != INVALID_HANDLE_VALUE && GetFileType(h) != FILE_TYPE_UNKNOWN;
}

/* Points standard output and error at the console of the program that
** started this one, where they are not redirected; false when there is no
** such console. */
static bool attachConsole(void)
{
    bool out = usable(STD_OUTPUT_HANDLE), err = usable(STD_ERROR_HANDLE);
    if (out && err)
        return true;
    if (!AttachConsole(ATTACH_PARENT_PROCESS))
        return out || err;
    if (!out)
        freopen("CONOUT$", "w", stdout);
    if (!err)
        freopen("CONOUT$", "w", stderr);
    return true;
}

int main(int argc, char** argv)
{
    _fmode = _O_BINARY;
    bool console = attachConsole();
    if (!console) {
        kernelHooks.fatal = notice_fatal;
        std::string own = path_programFolder();
        if (argc < 2 && !own.empty() && chdir(own.c_str()) != 0)
            fprintf(stderr, "Warning: cannot enter the player's folder '%s'\n", own.c_str());
    }
    studio_install();
    return SDL_main(argc, argv);
}
