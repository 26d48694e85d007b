// kestril: ChasingArrows, the 16 x 16 busy indicator: two arrows chasing
// each other round the square, one step of eight per idle tick.
#include "kst_controls.h"

// Per frame: a triangle through the pairs 0, 2 and 1, and a polyline
// through the remaining pairs; the second arrow is this one turned by half
// a turn about the square's centre.
static const unsigned char kst_chasingFrames[8][20] = {
    {11, 7, 15, 7, 14, 9, 5, 3, 6, 2, 9, 2, 11, 3, 13, 6, 13, 9},
    {11, 8, 14, 9, 12, 11, 7, 2, 9, 2, 11, 3, 13, 6, 12, 11},
    {11, 10, 13, 12, 10, 12, 9, 2, 11, 3, 13, 6, 12, 11, 10, 12},
    {9, 11, 11, 14, 8, 13, 11, 3, 13, 6, 12, 11, 10, 12, 8, 13},
    {8, 11, 8, 15, 6, 13, 12, 5, 13, 6, 12, 11, 10, 12, 8, 13, 6, 13},
    {6, 14, 7, 11, 4, 12, 13, 7, 12, 11, 10, 12, 8, 13, 6, 13, 4, 12},
    {3, 13, 5, 11, 3, 10, 12, 11, 10, 12, 8, 13, 6, 13, 4, 12, 3, 10},
    {1, 11, 4, 9, 2, 8, 12, 11, 10, 12, 8, 13, 6, 13, 4, 12, 3, 10, 2, 8},
};
static const int kst_chasingFrameBytes[8] = {18, 16, 16, 16, 18, 18, 18, 20};

static void kst_chasingArrow(HDC dc, const unsigned char *p, int bytes, int L, int T, bool turned) {
    POINT pts[10];
    int n = bytes / 2;
    for (int i = 0; i < n; i++) {
        int x = p[2 * i], y = p[2 * i + 1];
        if (turned) {
            x = 15 - x;
            y = 15 - y;
        }
        pts[i].x = L + x;
        pts[i].y = T + y;
    }
    kst_gdiTriangle(dc, (HBRUSH)GetStockObject(BLACK_BRUSH), RGB(0, 0, 0), pts[0].x, pts[0].y, pts[2].x, pts[2].y,
                    pts[1].x, pts[1].y);
    kst_gdiLine(dc, RGB(0, 0, 0), pts + 3, n - 3);
}

static void kst_chasingDraw(kst_Instance inst, kst_Graphics given) {
    kst_ChasingArrowsBlock *b = (kst_ChasingArrowsBlock *)kst_block(inst, &kst_chasingArrowsClass);
    kst_Canvas canvas;
    RECT r;
    if (!kst_canvasOpenWithBounds(inst, given, &canvas, &r)) return;
    HDC dc = canvas.dc;
    int L = r.left, T = r.top;
    // Host colours are 0xRRGGBB; a host that cannot tell leaves the face colour.
    COLORREF face = GetSysColor(COLOR_BTNFACE);
    uint32_t rgb = (GetRValue(face) << 16) | (GetGValue(face) << 8) | GetBValue(face);
    kst_setSpecialBackground(inst, &rgb);
    kst_gdiFill(dc, L, T, L + 16, T + 16, RGB((rgb >> 16) & 0xff, (rgb >> 8) & 0xff, rgb & 0xff));
    if (kst_themeModule) {
        RECT square = {L, T, L + 16, T + 16};
        kst_themeDrawParentBackground(kst_getControlHandle(inst), dc, &square);
    }
    int frame = b->frame & 7;
    kst_chasingArrow(dc, kst_chasingFrames[frame], kst_chasingFrameBytes[frame], L, T, false);
    kst_chasingArrow(dc, kst_chasingFrames[frame], kst_chasingFrameBytes[frame], L, T, true);
    kst_canvasClose(&canvas);
}

static void KST_CALL kst_chasingConstruct(kst_Instance) {
    kst_themeLoad();
}

static void KST_CALL kst_chasingDestroy(kst_Instance) {
    kst_themeFree();
}

static void KST_CALL kst_chasingRedraw(kst_Instance inst, kst_Graphics g) {
    kst_chasingDraw(inst, g);
}

static void KST_CALL kst_chasingIdle(kst_Instance inst) {
    if (!kst_getControlVisible(inst) || !kst_getTabPanelVisible(inst)) return;
    kst_ChasingArrowsBlock *b = (kst_ChasingArrowsBlock *)kst_block(inst, &kst_chasingArrowsClass);
    b->frame = ((b->frame & 7) + 1) % 8;
    kst_chasingDraw(inst, nullptr);
}

static const kst_Behaviour kst_chasingBehaviour = {{
    (void *)kst_chasingConstruct, (void *)kst_chasingDestroy, (void *)kst_chasingRedraw,
    nullptr, nullptr, nullptr,
    nullptr, nullptr, nullptr,
    (void *)kst_doNothing, (void *)kst_locateBlock, (void *)kst_chasingIdle,
    (void *)kst_chasingRedraw, nullptr, nullptr,
    nullptr, nullptr, nullptr,
    nullptr, (void *)kst_doNothing, nullptr,
    (void *)kst_returnZero, nullptr, nullptr,
}};

kst_ClassDef kst_chasingArrowsClass = {
    6, "ChasingArrows", sizeof(kst_ChasingArrowsBlock), 0xD0, 178, 179, 16, 16,
    nullptr, 0, nullptr, 0, nullptr, 0, &kst_chasingBehaviour,
    0, 0, 0, nullptr, nullptr, 0, 0, 0,
};
