/*
** st_notice.cpp -- fatal errors in a message box, for a Windows player
** that has no console to print them to (started by a double-click or a
** shortcut): without it the demo would just vanish.
*/
#include "st_win.h"

#include <windows.h>

void notice_fatal(const char* text)
{
    MessageBoxA(NULL, text, "Lumeno demo player", MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
}
