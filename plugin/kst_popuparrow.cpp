// kestril: PopupArrow, a small black triangle facing one of four directions
// at full or half size, forwarding the mouse to the program.
#include "kst_controls.h"

static const kst_Event kst_popupArrowEvents[3] = {
    {"MouseDown(X As Integer, Y As Integer) As Boolean", 0},
    {"MouseDrag(X As Integer, Y As Integer)", 0},
    {"MouseUp(X As Integer, Y As Integer)", 0},
};

static void kst_popupArrowDraw(kst_Instance inst, kst_Graphics given) {
    kst_PopupArrowBlock *b = (kst_PopupArrowBlock *)kst_block(inst, &kst_popupArrowClass);
    kst_Canvas canvas;
    RECT r;
    if (!kst_canvasOpenWithBounds(inst, given, &canvas, &r)) return;
    HDC dc = canvas.dc;
    int L = r.left, T = r.top;
    // Corners per facing: right, left, up, down, then the same at half size.
    static const int corners[8][6] = {
        {0, 0, 4, 4, 0, 8}, {4, 0, 0, 4, 4, 8}, {0, 4, 4, 0, 8, 4}, {0, 0, 8, 0, 4, 4},
        {0, 0, 2, 2, 0, 4}, {2, 0, 0, 2, 2, 4}, {0, 2, 2, 0, 4, 2}, {0, 0, 4, 0, 2, 2},
    };
    if (b->facing >= 0 && b->facing < 8) {
        const int *c = corners[b->facing];
        kst_gdiTriangle(dc, (HBRUSH)GetStockObject(BLACK_BRUSH), RGB(0, 0, 0), L + c[0], T + c[1], L + c[2],
                        T + c[3], L + c[4], T + c[5]);
    }
    kst_canvasClose(&canvas);
}

static void KST_CALL kst_popupArrowRedraw(kst_Instance inst, kst_Graphics g) {
    kst_popupArrowDraw(inst, g);
}

static int KST_CALL kst_popupArrowMouseDown(kst_Instance inst, int x, int y) {
    return kst_forwardMouse(inst, &kst_popupArrowEvents[0], x, y);
}

static void KST_CALL kst_popupArrowMouseDrag(kst_Instance inst, int x, int y) {
    kst_forwardMouse(inst, &kst_popupArrowEvents[1], x, y);
}

static int KST_CALL kst_popupArrowMouseUp(kst_Instance inst, int x, int y) {
    kst_forwardMouse(inst, &kst_popupArrowEvents[2], x, y);
    return 0;
}

static const char *const kst_popupFacingEnum[] = {"=#499", "=#500", "=#501", "=#502",
                                                  "=#503", "=#504", "=#505", "=#506"};

static const kst_Property kst_popupArrowProperties[] = {
    {"Appearance", "Facing", "Integer", 1, KST_STANDARD, KST_STANDARD,
     (intptr_t)offsetof(kst_PopupArrowBlock, facing), nullptr, 8, kst_popupFacingEnum},
};

static const kst_Behaviour kst_popupArrowBehaviour = {{
    nullptr, nullptr, (void *)kst_popupArrowRedraw,
    (void *)kst_popupArrowMouseDown, (void *)kst_popupArrowMouseDrag, (void *)kst_popupArrowMouseUp,
    nullptr, nullptr, nullptr,
    (void *)kst_doNothing, (void *)kst_locateBlock, nullptr,
    (void *)kst_popupArrowRedraw, nullptr, nullptr,
    nullptr, nullptr, nullptr,
    nullptr, (void *)kst_doNothing, nullptr,
    (void *)kst_returnZero, nullptr, nullptr,
}};

kst_ClassDef kst_popupArrowClass = {
    6, "PopupArrow", sizeof(kst_PopupArrowBlock), 0xD0, 184, 185, 10, 10,
    kst_popupArrowProperties, 1, nullptr, 0, kst_popupArrowEvents, 3, &kst_popupArrowBehaviour,
    0, 0, 0, nullptr, nullptr, 0, 0, 0,
};
