// kestril: Separator, a sunken line across the longer side of its bounds.
// It holds the "Toolbar" theme while it lives, although it draws classically.
#include "kst_controls.h"

static void kst_separatorDraw(kst_Instance inst, kst_Graphics given) {
    kst_Canvas canvas;
    RECT r;
    if (!kst_canvasOpenWithBounds(inst, given, &canvas, &r)) return;
    HDC dc = canvas.dc;
    COLORREF dark = GetSysColor(COLOR_BTNSHADOW), light = GetSysColor(COLOR_BTNHIGHLIGHT);
    if (r.bottom - r.top < r.right - r.left) {
        int m = (r.top + r.bottom) / 2;
        POINT a[2] = {{r.left, m}, {r.right, m}}, b[2] = {{r.left, m + 1}, {r.right, m + 1}};
        kst_gdiLine(dc, dark, a, 2);
        kst_gdiLine(dc, light, b, 2);
    } else {
        int c = (r.left + r.right) / 2;
        POINT a[2] = {{c, r.top}, {c, r.bottom}}, b[2] = {{c + 1, r.top}, {c + 1, r.bottom}};
        kst_gdiLine(dc, dark, a, 2);
        kst_gdiLine(dc, light, b, 2);
    }
    kst_canvasClose(&canvas);
}

static void KST_CALL kst_separatorConstruct(kst_Instance inst) {
    kst_themeAttach(&kst_separatorTheme, inst);
}

static void KST_CALL kst_separatorDestroy(kst_Instance) {
    kst_themeDetach(&kst_separatorTheme);
}

static void KST_CALL kst_separatorRedraw(kst_Instance inst, kst_Graphics g) {
    kst_separatorDraw(inst, g);
}

static const kst_Behaviour kst_separatorBehaviour = {{
    (void *)kst_separatorConstruct, (void *)kst_separatorDestroy, (void *)kst_separatorRedraw,
    nullptr, nullptr, nullptr,
    nullptr, nullptr, nullptr,
    (void *)kst_doNothing, (void *)kst_locateBlock, nullptr,
    (void *)kst_separatorRedraw, nullptr, nullptr,
    nullptr, nullptr, nullptr,
    nullptr, (void *)kst_doNothing, nullptr,
    (void *)kst_returnZero, nullptr, nullptr,
}};

kst_ClassDef kst_separatorClass = {
    6, "Separator", sizeof(kst_SeparatorBlock), 0xD0, 180, 181, 64, 4,
    nullptr, 0, nullptr, 0, nullptr, 0, &kst_separatorBehaviour,
    0, 0, 0, nullptr, nullptr, 0, 0, 0,
};
