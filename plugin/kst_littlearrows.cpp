// kestril: LittleArrows, the up/down arrow pair of a spin control: it sends
// Up or Down at once on a press and, after 400 ms held on the same arrow,
// again at most every 15 ms while the mouse is dragged there.
#include "kst_controls.h"

static const kst_Event kst_littleArrowsEvents[2] = {{"Up", 0}, {"Down", 0}};

DWORD kst_lastRepeat[2] = {0, 0};

static kst_LittleArrowsBlock *kst_littleArrowsBlock(kst_Instance inst) {
    return (kst_LittleArrowsBlock *)kst_block(inst, &kst_littleArrowsClass);
}

static int kst_coarseTick() {
    return (int)(GetTickCount() / 16);
}

// 0 outside the 13 x 23 area, 1 over the upper arrow, 2 over the lower.
static int kst_littleArrowsHit(kst_Instance inst, int x, int y) {
    RECT r;
    kst_getControlBounds(inst, &r);
    if (x < r.left || y < r.top || x >= r.left + 13 || y >= r.top + 23) return 0;
    return y < r.top + 12 ? 1 : 2;
}

static void kst_littleArrowsHalf(HDC dc, int L, int T, bool upper, bool enabled, bool pressed) {
    COLORREF light = GetSysColor(!enabled ? COLOR_BTNFACE : pressed ? COLOR_BTNSHADOW : COLOR_BTNHIGHLIGHT);
    COLORREF dark = GetSysColor(!enabled || pressed ? COLOR_BTNFACE : COLOR_BTNSHADOW);
    HBRUSH arrow = (HBRUSH)GetStockObject(enabled ? BLACK_BRUSH : LTGRAY_BRUSH);
    COLORREF arrowEdge = enabled ? RGB(0, 0, 0) : RGB(0xC0, 0xC0, 0xC0);
    int d = pressed ? 1 : 0;
    if (upper) {
        kst_gdiFill(dc, L + 1, T + 1, L + 12, T + 11, GetSysColor(COLOR_BTNFACE));
        POINT l[3] = {{L + 1, T + 9}, {L + 1, T + 1}, {L + 11, T + 1}};
        POINT k[3] = {{L + 2, T + 10}, {L + 11, T + 10}, {L + 11, T + 1}};
        kst_gdiLine(dc, light, l, 3);
        kst_gdiLine(dc, dark, k, 3);
        kst_gdiTriangle(dc, arrow, arrowEdge, L + 3 + d, T + 7 + d, L + 6 + d, T + 4 + d, L + 9 + d, T + 7 + d);
    } else {
        kst_gdiFill(dc, L + 1, T + 12, L + 12, T + 22, GetSysColor(COLOR_BTNFACE));
        POINT l[3] = {{L + 1, T + 20}, {L + 1, T + 12}, {L + 10, T + 12}};
        POINT k[3] = {{L + 2, T + 21}, {L + 11, T + 21}, {L + 11, T + 13}};
        kst_gdiLine(dc, light, l, 3);
        kst_gdiLine(dc, dark, k, 3);
        kst_gdiTriangle(dc, arrow, arrowEdge, L + 3 + d, T + 15 + d, L + 6 + d, T + 18 + d, L + 9 + d, T + 15 + d);
    }
}

// Draws the pair with `arrow` (0 none, 1 up, 2 down) shown pressed.
static void kst_littleArrowsDraw(kst_Instance inst, kst_Graphics given, int arrow) {
    kst_LittleArrowsBlock *b = kst_littleArrowsBlock(inst);
    kst_Canvas canvas;
    RECT r;
    if (!kst_canvasOpenWithBounds(inst, given, &canvas, &r)) return;
    HDC dc = canvas.dc;
    int L = r.left, T = r.top;
    bool enabled = kst_getControlEnabled(inst) != 0;
    RECT up = {L, T, L + 13, T + 11}, down = {L, T + 12, L + 13, T + 23};
    HANDLE theme = kst_spinTheme.handle;
    if (theme) {
        if (!enabled) {
            kst_themeDrawBackground(theme, dc, 1, 4, &up, nullptr);
            kst_themeDrawBackground(theme, dc, 2, 4, &down, nullptr);
        } else if (arrow == 1) {
            kst_themeDrawBackground(theme, dc, 1, 3, &up, nullptr);
        } else if (arrow == 2) {
            kst_themeDrawBackground(theme, dc, 2, 3, &down, nullptr);
        } else {
            kst_themeDrawBackground(theme, dc, 1, b->hotArrow == 1 ? 2 : 1, &up, nullptr);
            kst_themeDrawBackground(theme, dc, 2, b->hotArrow == 2 ? 2 : 1, &down, nullptr);
        }
    } else {
        RECT frame = {L, T, L + 13, T + 23};
        kst_gdiFrame(dc, &frame, (HBRUSH)GetStockObject(enabled ? BLACK_BRUSH : DKGRAY_BRUSH));
        POINT mid[2] = {{L, T + 11}, {L + 12, T + 11}};
        kst_gdiLine(dc, enabled ? RGB(0, 0, 0) : RGB(0x40, 0x40, 0x40), mid, 2);
        kst_littleArrowsHalf(dc, L, T, true, enabled, arrow == 1);
        kst_littleArrowsHalf(dc, L, T, false, enabled, arrow == 2);
    }
    kst_canvasClose(&canvas);
}

static void KST_CALL kst_littleArrowsConstruct(kst_Instance inst) {
    kst_littleArrowsBlock(inst)->hotArrow = 0;
    kst_themeAttach(&kst_spinTheme, inst);
}

static void KST_CALL kst_littleArrowsDestroy(kst_Instance) {
    kst_themeDetach(&kst_spinTheme);
}

static void KST_CALL kst_littleArrowsRedraw(kst_Instance inst, kst_Graphics g) {
    kst_LittleArrowsBlock *b = kst_littleArrowsBlock(inst);
    kst_littleArrowsDraw(inst, g, b->pressedArrow);
    b->drawnArrow = b->pressedArrow;
}

static int KST_CALL kst_littleArrowsMouseDown(kst_Instance inst, int x, int y) {
    if (!kst_getControlEnabled(inst)) return 0;
    RECT r;
    kst_getControlBounds(inst, &r);
    if (x >= r.left + 13 || y >= r.top + 23) return 0;
    kst_LittleArrowsBlock *b = kst_littleArrowsBlock(inst);
    b->repeatStart = kst_coarseTick();
    if (y < r.top + 12) {
        kst_forwardPlain(inst, &kst_littleArrowsEvents[0]);
        b->pressedArrow = 1;
    } else {
        kst_forwardPlain(inst, &kst_littleArrowsEvents[1]);
        b->pressedArrow = 2;
    }
    kst_littleArrowsDraw(inst, nullptr, b->pressedArrow);
    b->drawnArrow = b->pressedArrow;
    return 1;
}

static void KST_CALL kst_littleArrowsMouseDrag(kst_Instance inst, int x, int y) {
    kst_LittleArrowsBlock *b = kst_littleArrowsBlock(inst);
    int over = kst_littleArrowsHit(inst, x, y);
    if (b->pressedArrow != 0 && over == b->pressedArrow) {
        if (b->drawnArrow != b->pressedArrow) {
            kst_littleArrowsDraw(inst, nullptr, b->pressedArrow);
            b->drawnArrow = b->pressedArrow;
        }
        if (kst_coarseTick() > b->repeatStart + 25) {
            DWORD now = GetTickCount();
            DWORD *last = &kst_lastRepeat[b->pressedArrow - 1];
            if (now - *last > 15) {
                *last = now;
                kst_forwardPlain(inst, &kst_littleArrowsEvents[b->pressedArrow - 1]);
            }
        }
    } else if (b->drawnArrow != 0) {
        kst_littleArrowsDraw(inst, nullptr, 0);
        b->drawnArrow = 0;
    }
}

static int KST_CALL kst_littleArrowsMouseUp(kst_Instance inst, int, int) {
    kst_LittleArrowsBlock *b = kst_littleArrowsBlock(inst);
    b->pressedArrow = 0;
    kst_littleArrowsDraw(inst, nullptr, 0);
    b->drawnArrow = 0;
    return 0;
}

static void KST_CALL kst_littleArrowsMouseMove(kst_Instance inst, int x, int y) {
    if (!kst_spinTheme.handle) return;
    kst_littleArrowsBlock(inst)->hotArrow = (int8_t)kst_littleArrowsHit(inst, x, y);
    kst_invalidateControl(inst);
}

static void KST_CALL kst_littleArrowsMouseExit(kst_Instance inst) {
    if (!kst_spinTheme.handle) return;
    kst_littleArrowsBlock(inst)->hotArrow = 0;
    kst_invalidateControl(inst);
}

static const kst_Behaviour kst_littleArrowsBehaviour = {{
    (void *)kst_littleArrowsConstruct, (void *)kst_littleArrowsDestroy, (void *)kst_littleArrowsRedraw,
    (void *)kst_littleArrowsMouseDown, (void *)kst_littleArrowsMouseDrag, (void *)kst_littleArrowsMouseUp,
    nullptr, nullptr, nullptr,
    (void *)kst_doNothing, (void *)kst_locateBlock, nullptr,
    (void *)kst_littleArrowsRedraw, nullptr, nullptr,
    nullptr, nullptr, (void *)kst_littleArrowsMouseExit,
    (void *)kst_littleArrowsMouseMove, (void *)kst_doNothing, nullptr,
    (void *)kst_returnZero, nullptr, nullptr,
}};

kst_ClassDef kst_littleArrowsClass = {
    6, "LittleArrows", sizeof(kst_LittleArrowsBlock), 0xD0, 176, 177, 13, 23,
    nullptr, 0, nullptr, 0, kst_littleArrowsEvents, 2, &kst_littleArrowsBehaviour,
    0, 0, 0, nullptr, nullptr, 0, 0, 0,
};
