// kestril: Placard, a raised (or, with Value, sunken) panel that forwards
// the mouse to the program.
#include "kst_controls.h"

static const kst_Event kst_placardEvents[3] = {
    {"MouseDown(X As Integer, Y As Integer) As Boolean", 0},
    {"MouseDrag(X As Integer, Y As Integer)", 0},
    {"MouseUp(X As Integer, Y As Integer)", 0},
};

static void kst_placardDraw(kst_Instance inst, kst_Graphics given) {
    kst_PlacardBlock *b = (kst_PlacardBlock *)kst_block(inst, &kst_placardClass);
    kst_Canvas canvas;
    RECT r;
    if (!kst_canvasOpenWithBounds(inst, given, &canvas, &r)) return;
    HDC dc = canvas.dc;
    RECT j = r;
    InflateRect(&j, -1, -1);
    if (kst_getControlEnabled(inst)) {
        kst_gdiFrame(dc, &r, (HBRUSH)GetStockObject(BLACK_BRUSH));
        kst_gdiFill(dc, j.left, j.top, j.right, j.bottom, GetSysColor(b->value ? COLOR_BTNSHADOW : COLOR_BTNFACE));
        POINT hl[3] = {{j.left, j.bottom - 2}, {j.left, j.top}, {j.right - 1, j.top}};
        POINT sh[3] = {{j.right - 1, j.top + 1}, {j.right - 1, j.bottom - 1}, {j.left, j.bottom - 1}};
        kst_gdiLine(dc, GetSysColor(COLOR_BTNHIGHLIGHT), hl, 3);
        kst_gdiLine(dc, GetSysColor(b->value ? COLOR_3DDKSHADOW : COLOR_BTNSHADOW), sh, 3);
    } else {
        HBRUSH grey = CreateSolidBrush(RGB(0x99, 0x99, 0x99));
        kst_gdiFrame(dc, &r, grey);
        DeleteObject(grey);
        kst_gdiFill(dc, j.left, j.top, j.right, j.bottom, RGB(0xEE, 0xEE, 0xEE));
    }
    kst_canvasClose(&canvas);
}

static void KST_CALL kst_placardRedraw(kst_Instance inst, kst_Graphics g) {
    kst_placardDraw(inst, g);
}

static int KST_CALL kst_placardMouseDown(kst_Instance inst, int x, int y) {
    return kst_forwardMouse(inst, &kst_placardEvents[0], x, y);
}

static void KST_CALL kst_placardMouseDrag(kst_Instance inst, int x, int y) {
    kst_forwardMouse(inst, &kst_placardEvents[1], x, y);
}

static int KST_CALL kst_placardMouseUp(kst_Instance inst, int x, int y) {
    kst_forwardMouse(inst, &kst_placardEvents[2], x, y);
    return 0;
}

static void KST_CALL kst_placardSetValue(kst_Instance inst, intptr_t, intptr_t value) {
    ((kst_PlacardBlock *)kst_block(inst, &kst_placardClass))->value = value != 0;
    kst_invalidateControl(inst);
}

static const kst_Property kst_placardProperties[] = {
    {"Initial State", "Value", "Boolean", 1, KST_STANDARD, (void *)kst_placardSetValue,
     (intptr_t)offsetof(kst_PlacardBlock, value), nullptr, 0, nullptr},
};

static const kst_Behaviour kst_placardBehaviour = {{
    nullptr, nullptr, (void *)kst_placardRedraw,
    (void *)kst_placardMouseDown, (void *)kst_placardMouseDrag, (void *)kst_placardMouseUp,
    nullptr, nullptr, nullptr,
    nullptr, (void *)kst_locateBlock, nullptr,
    (void *)kst_placardRedraw, (void *)kst_doNothing, nullptr,
    nullptr, nullptr, nullptr,
    nullptr, (void *)kst_doNothing, nullptr,
    (void *)kst_returnZero, nullptr, nullptr,
}};

kst_ClassDef kst_placardClass = {
    6, "Placard", sizeof(kst_PlacardBlock), 0x58, 186, 187, 64, 64,
    kst_placardProperties, 1, nullptr, 0, kst_placardEvents, 3, &kst_placardBehaviour,
    0, 0, 0, nullptr, nullptr, 0, 0, 0,
};
