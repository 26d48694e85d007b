// Stand-in for the visual-styles library, loaded by the test host before
// the plug-in asks for "uxtheme.dll": it exports only the routines the
// plug-in draws with (the rest resolve to nothing), counts calls, hands out
// handles it can tell apart from closed ones, and paints each themed part
// in a colour that encodes part and state so pictures can be checked.
#include <windows.h>
#include <stdio.h>
#include <string.h>
#include "fake_uxtheme.h"

static fake_Stats fake;
// A handle points at its own state word here; closed ones stay readable so
// a draw with one is caught.
static unsigned fake_handles[256];
enum { fake_open = 0x7E3E0001u, fake_closed = 0xDEADu };

extern "C" {
fake_Stats *WINAPI fake_stats() {
    return &fake;
}

HANDLE WINAPI OpenThemeData(HWND, LPCWSTR classes) {
    unsigned *t = &fake_handles[fake.opens++ % 256];
    fake.liveHandles++;
    *t = fake_open;
    if (classes) lstrcpynW(fake.lastClass, classes, 64);
    return (HANDLE)t;
}

HRESULT WINAPI CloseThemeData(HANDLE h) {
    fake.closes++;
    unsigned *t = (unsigned *)h;
    if (t && *t == fake_open) {
        *t = fake_closed;
        fake.liveHandles--;
    }
    return S_OK;
}

HRESULT WINAPI DrawThemeBackground(HANDLE h, HDC dc, int part, int state, const RECT *r, const RECT *) {
    unsigned *t = (unsigned *)h;
    if (!t || *t != fake_open) {
        fake.badHandleDraws++;
        return E_HANDLE;
    }
    if (r) fake.lastRect = *r;
    size_t n = strlen(fake.drawLog);
    snprintf(fake.drawLog + n, sizeof fake.drawLog - n, "%d.%d;", part, state);
    HBRUSH b = CreateSolidBrush(RGB(0x10 * part, 0x20 * state, 0xC0));
    FillRect(dc, r, b);
    DeleteObject(b);
    return S_OK;
}

HRESULT WINAPI DrawThemeParentBackground(HWND hwnd, HDC dc, const RECT *r) {
    fake.parentDraws++;
    fake.lastParentHwnd = hwnd;
    fake.lastParentRect = r ? *r : RECT{0, 0, 0, 0};   // empty: no rectangle given
    if (r) {
        HBRUSH b = CreateSolidBrush(RGB(0x44, 0x88, 0x22));
        FillRect(dc, r, b);
        DeleteObject(b);
    }
    return S_OK;
}
}
