/*
** st_win.h -- what only the Windows player has: its entry
** (st_winmain.cpp) and the message box for fatal errors (st_notice.cpp).
*/
#ifndef ST_WIN_H
#define ST_WIN_H

/* Shows a fatal error's text in a message box and waits for OK. */
void notice_fatal(const char* text);

#endif
