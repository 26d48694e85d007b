// kestril: DisclosureTriangle, the small triangle that opens and closes a
// group: it flips its Value on a click released inside and reports Action.
#include "kst_controls.h"

static const kst_Event kst_disclosureEvents[1] = {{"Action", 0}};

static kst_DisclosureBlock *kst_disclosureBlock(kst_Instance inst) {
    return (kst_DisclosureBlock *)kst_block(inst, &kst_disclosureClass);
}

static void kst_disclosureDraw(kst_Instance inst, kst_Graphics given) {
    kst_DisclosureBlock *b = kst_disclosureBlock(inst);
    kst_Canvas canvas;
    RECT r;
    if (!kst_canvasOpenWithBounds(inst, given, &canvas, &r)) return;
    HDC dc = canvas.dc;
    int L = r.left, T = r.top;
    bool enabled = kst_getControlEnabled(inst) != 0;
    HBRUSH fill = CreateSolidBrush(GetSysColor(!enabled || b->pressed ? COLOR_BTNSHADOW : COLOR_BTNFACE));
    COLORREF light = GetSysColor(COLOR_BTNHIGHLIGHT), dark = GetSysColor(COLOR_BTNSHADOW);
    bool raised = enabled && !b->pressed;
    if (!b->value) {
        if (b->facing == 0) {
            kst_gdiTriangle(dc, fill, CLR_INVALID, L + 2, T, L + 7, T + 5, L + 2, T + 10);
            if (raised) {
                POINT hl[2] = {{L + 3, T + 2}, {L + 3, T + 9}}, sh[2] = {{L + 6, T + 5}, {L + 3, T + 8}};
                kst_gdiLine(dc, light, hl, 2);
                kst_gdiLine(dc, dark, sh, 2);
            }
        } else {
            kst_gdiTriangle(dc, fill, CLR_INVALID, L + 7, T, L + 2, T + 5, L + 7, T + 10);
            if (raised) {
                POINT hl[2] = {{L + 6, T + 2}, {L + 6, T + 9}}, sh[2] = {{L + 3, T + 5}, {L + 7, T + 9}};
                kst_gdiLine(dc, light, hl, 2);
                kst_gdiLine(dc, dark, sh, 2);
            }
        }
    } else {
        kst_gdiTriangle(dc, fill, CLR_INVALID, L, T + 2, L + 10, T + 2, L + 5, T + 7);
        if (raised) {
            POINT hl[2] = {{L + 2, T + 3}, {L + 9, T + 3}}, sh[2] = {{L + 8, T + 3}, {L + 5, T + 6}};
            kst_gdiLine(dc, light, hl, 2);
            kst_gdiLine(dc, dark, sh, 2);
        }
    }
    DeleteObject(fill);
    kst_canvasClose(&canvas);
}

static void KST_CALL kst_disclosureConstruct(kst_Instance inst) {
    kst_disclosureBlock(inst)->pressed = false;
}

static void KST_CALL kst_disclosureRedraw(kst_Instance inst, kst_Graphics g) {
    kst_disclosureDraw(inst, g);
}

static bool kst_disclosureInside(kst_Instance inst, int x, int y) {
    RECT r;
    kst_getControlBounds(inst, &r);
    return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

static int KST_CALL kst_disclosureMouseDown(kst_Instance inst, int x, int y) {
    if (!kst_getControlEnabled(inst)) return 1;
    if (!kst_disclosureInside(inst, x, y)) return 0;
    kst_disclosureBlock(inst)->pressed = true;
    kst_disclosureDraw(inst, nullptr);
    return 1;
}

static void KST_CALL kst_disclosureMouseDrag(kst_Instance inst, int x, int y) {
    if (!kst_getControlEnabled(inst)) return;
    kst_DisclosureBlock *b = kst_disclosureBlock(inst);
    bool inside = kst_disclosureInside(inst, x, y);
    if (inside == b->pressed) return;
    b->pressed = inside;
    kst_disclosureDraw(inst, nullptr);
}

static int KST_CALL kst_disclosureMouseUp(kst_Instance inst, int x, int y) {
    if (!kst_getControlEnabled(inst)) return 0;
    kst_DisclosureBlock *b = kst_disclosureBlock(inst);
    if (kst_disclosureInside(inst, x, y)) {
        b->value = !b->value;
        b->pressed = false;
        kst_invalidateControl(inst);
        kst_forwardPlain(inst, &kst_disclosureEvents[0]);
    } else if (b->pressed) {
        // Released outside without a drag to tell us: show it normal again.
        b->pressed = false;
        kst_disclosureDraw(inst, nullptr);
    }
    return 0;
}

static void KST_CALL kst_disclosureSetValue(kst_Instance inst, intptr_t, intptr_t value) {
    kst_disclosureBlock(inst)->value = value != 0;
    kst_forwardPlain(inst, &kst_disclosureEvents[0]);
    kst_invalidateControl(inst);
}

static void KST_CALL kst_disclosurePerformAction(kst_Instance inst) {
    kst_forwardPlain(inst, &kst_disclosureEvents[0]);
}

static const char *const kst_facingEnum[] = {"=#497", "=#498"};

static const kst_Property kst_disclosureProperties[] = {
    {"Initial State", "Value", "Boolean", 0, KST_STANDARD, (void *)kst_disclosureSetValue,
     (intptr_t)offsetof(kst_DisclosureBlock, value), nullptr, 0, nullptr},
    {"Appearance", "Facing", "Integer", 1, KST_STANDARD, KST_STANDARD,
     (intptr_t)offsetof(kst_DisclosureBlock, facing), nullptr, 2, kst_facingEnum},
};

static const kst_Behaviour kst_disclosureBehaviour = {{
    (void *)kst_disclosureConstruct, nullptr, (void *)kst_disclosureRedraw,
    (void *)kst_disclosureMouseDown, (void *)kst_disclosureMouseDrag, (void *)kst_disclosureMouseUp,
    nullptr, nullptr, nullptr,
    (void *)kst_doNothing, (void *)kst_locateBlock, nullptr,
    (void *)kst_disclosureRedraw, nullptr, nullptr,
    nullptr, nullptr, nullptr,
    nullptr, (void *)kst_doNothing, (void *)kst_disclosurePerformAction,
    (void *)kst_returnZero, nullptr, nullptr,
}};

kst_ClassDef kst_disclosureClass = {
    6, "DisclosureTriangle", sizeof(kst_DisclosureBlock), 0xD0, 174, 175, 12, 12,
    kst_disclosureProperties, 2, nullptr, 0, kst_disclosureEvents, 1, &kst_disclosureBehaviour,
    0, 0, 0, nullptr, nullptr, 0, 0, 0,
};
