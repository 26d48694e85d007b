// kestril: ImageWell, a sunken white well showing a host picture, centred
// when it fits and anchored at the well's top-left corner when it does not.
#include "kst_controls.h"

static const kst_Event kst_imageWellEvents[3] = {
    {"MouseDown(X As Integer, Y As Integer) As Boolean", 0},
    {"MouseDrag(X As Integer, Y As Integer)", 0},
    {"MouseUp(X As Integer, Y As Integer)", 0},
};

static kst_ImageWellBlock *kst_imageWellBlock(kst_Instance inst) {
    return (kst_ImageWellBlock *)kst_block(inst, &kst_imageWellClass);
}

// Whether the image's description is pinned lives in the block's free word,
// so pinning and unpinning stay balanced when the host refuses a picture.
#define KST_IMAGE_PINNED(b) ((b)->unused0)

static void kst_imageWellDraw(kst_Instance inst, kst_Graphics given, bool windowCoordinates) {
    kst_ImageWellBlock *b = kst_imageWellBlock(inst);
    kst_Canvas canvas;
    RECT r;
    if (!kst_canvasOpenWithBounds(inst, given, &canvas, &r)) return;
    HDC dc = canvas.dc;
    int L = r.left, T = r.top, R = r.right, B = r.bottom;
    POINT grey[3] = {{L, B - 2}, {L, T}, {R - 2, T}};
    POINT white[3] = {{R - 1, T}, {R - 1, B - 1}, {L, B - 1}};
    kst_gdiLine(dc, RGB(0x99, 0x99, 0x99), grey, 3);
    kst_gdiLine(dc, RGB(0xFF, 0xFF, 0xFF), white, 3);
    RECT well = r;
    InflateRect(&well, -1, -1);
    kst_gdiFrame(dc, &well, (HBRUSH)GetStockObject(BLACK_BRUSH));
    InflateRect(&well, -1, -1);
    kst_gdiFill(dc, well.left, well.top, well.right, well.bottom, RGB(0xFF, 0xFF, 0xFF));
    int w = b->imageDesc.width, h = b->imageDesc.height;
    if (b->image && w > 0 && h > 0) {
        int ww = well.right - well.left, wh = well.bottom - well.top;
        int x = w <= ww ? well.left + (ww - w) / 2 : well.left;
        int y = h <= wh ? well.top + (wh - h) / 2 : well.top;
        RECT clip = {x, y, well.right, well.bottom};
        HRGN saved;
        kst_gdiClipPush(dc, &clip, windowCoordinates ? -L : 0, windowCoordinates ? -T : 0, &saved);
        RECT pr = {x, y, x + w, y + h};
        kst_drawPicturePrimitive(b->image, dc, &pr, 0);
        kst_gdiClipPop(dc, saved);
    }
    kst_canvasClose(&canvas);
}

static void KST_CALL kst_imageWellRedraw(kst_Instance inst, kst_Graphics g) {
    kst_imageWellDraw(inst, g, true);
}

static void KST_CALL kst_imageWellDrawOffscreen(kst_Instance inst, kst_Graphics g) {
    kst_imageWellDraw(inst, g, false);
}

static void KST_CALL kst_imageWellDestroy(kst_Instance inst) {
    kst_ImageWellBlock *b = kst_imageWellBlock(inst);
    kst_releasePicture(&b->image, &KST_IMAGE_PINNED(b), &b->imageDesc);
}

static void KST_CALL kst_imageWellSetImage(kst_Instance inst, intptr_t, intptr_t value) {
    kst_ImageWellBlock *b = kst_imageWellBlock(inst);
    kst_replacePicture(&b->image, &KST_IMAGE_PINNED(b), &b->imageDesc, (kst_Object)value);
    kst_invalidateControl(inst);
}

static int KST_CALL kst_imageWellMouseDown(kst_Instance inst, int x, int y) {
    if (!kst_getControlEnabled(inst)) return 0;
    return kst_forwardMouse(inst, &kst_imageWellEvents[0], x, y);
}

static void KST_CALL kst_imageWellMouseDrag(kst_Instance inst, int x, int y) {
    kst_forwardMouse(inst, &kst_imageWellEvents[1], x, y);
}

static int KST_CALL kst_imageWellMouseUp(kst_Instance inst, int x, int y) {
    kst_forwardMouse(inst, &kst_imageWellEvents[2], x, y);
    return 0;
}

static const kst_Property kst_imageWellProperties[] = {
    {"Appearance", "Image", "Picture", 1, KST_STANDARD, (void *)kst_imageWellSetImage,
     (intptr_t)offsetof(kst_ImageWellBlock, image), nullptr, 0, nullptr},
};

static const kst_Behaviour kst_imageWellBehaviour = {{
    nullptr, (void *)kst_imageWellDestroy, (void *)kst_imageWellRedraw,
    (void *)kst_imageWellMouseDown, (void *)kst_imageWellMouseDrag, (void *)kst_imageWellMouseUp,
    nullptr, nullptr, nullptr,
    (void *)kst_doNothing, (void *)kst_locateBlock, nullptr,
    (void *)kst_imageWellDrawOffscreen, nullptr, nullptr,
    nullptr, nullptr, nullptr,
    nullptr, (void *)kst_doNothing, nullptr,
    (void *)kst_returnZero, nullptr, nullptr,
}};

kst_ClassDef kst_imageWellClass = {
    6, "ImageWell", sizeof(kst_ImageWellBlock), 0xD8, 182, 183, 32, 32,
    kst_imageWellProperties, 1, nullptr, 0, kst_imageWellEvents, 3, &kst_imageWellBehaviour,
    0, 0, 0, nullptr, nullptr, 0, 0, 0,
};
