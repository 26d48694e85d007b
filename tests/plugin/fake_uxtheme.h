// The stand-in visual-styles library's counters.  The test host reads them
// through the pointer the library returns, so both sides take the layout
// from here.
#pragma once

#include <windows.h>

struct fake_Stats {
    int opens, closes, parentDraws, badHandleDraws, liveHandles;
    wchar_t lastClass[64];
    RECT lastRect;
    RECT lastParentRect;
    HWND lastParentHwnd;
    char drawLog[256];   // "part.state;" for each draw
};
