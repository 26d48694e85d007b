// Checks of the seven small controls: their pictures, their mouse handling
// and events, LittleArrows' repeat schedule in real time, ChasingArrows'
// frames and ImageWell's placement and clipping, with the values the form
// editor never offers mixed in.
#include "th.h"
#include <stdlib.h>
#include <string.h>

static const COLORREF black = RGB(0, 0, 0), magenta = RGB(255, 0, 255), white = RGB(255, 255, 255);
#define FACE GetSysColor(COLOR_BTNFACE)
#define SHADOW GetSysColor(COLOR_BTNSHADOW)
#define LIGHT GetSysColor(COLOR_BTNHIGHLIGHT)

static void th_disclosureChecks() {
    th_Instance *d = th_create("DisclosureTriangle", 10, 10, 12, 12);
    th_handle(d, "Action", (void *)th_onAction);
    // No such facing: drawn without fault; facing left; open, pointing
    // down; closed, facing right: the DC's own pen (black) outlines a face
    // fill.
    CHECK_LOOK(d, "Facing=-9");
    CHECK_LOOK(d, "Facing=1", {17, 15, black}, {11, 15, magenta});
    CHECK_LOOK(d, "Facing=0 Value=1", {10, 12, black}, {15, 19, magenta});
    CHECK_LOOK(d, "Value=0", {12, 15, black}, {13, 15, LIGHT}, {16, 15, SHADOW}, {19, 15, magenta});
    // Outside is refused; pressed shows a shadow fill, off the triangle the
    // normal look; a release inside flips Value and reports.
    th_logClear();
    CHECK_EQ(th_mouseDown(d, 22, 15), 0);
    CHECK_EQ(th_mouseDown(d, 14, 15), 1);
    CHECK_PX(d, {13, 15, SHADOW});
    th_mouseDrag(d, 30, 15);
    CHECK_PX(d, {13, 15, LIGHT});
    th_mouseDrag(d, 14, 15);
    int inv = d->invalidations;
    th_mouseUp(d, 14, 15);
    CHECK(th_get(d, "Value") == 1 && d->invalidations == inv + 1);
    CHECK_STR(th_rec.log, "Action;");
    // Released outside: no change, drawn normal again.
    th_mouseDown(d, 14, 15);
    th_mouseUp(d, 40, 40);
    CHECK_EQ(th_get(d, "Value"), 1);
    CHECK_LOOK(d, "", {15, 14, FACE});
    // Value from program code, or slot 21, also reports Action.
    th_logClear();
    th_set(d, "Value", 0);
    th_call(d, 21);
    CHECK_STR(th_rec.log, "Action;Action;");
    CHECK_LOOK(d, "enabled=0", {13, 15, SHADOW});
    CHECK(th_click(d, 14, 15)[0] == 0 && th_get(d, "Value") == 0);
    th_destroy(d);
}

static void th_littleArrowsChecks() {
    th_Instance *a = th_create("LittleArrows", 10, 10, 13, 23);
    th_handle(a, "Up", (void *)th_onUp);
    th_handle(a, "Down", (void *)th_onDown);
    CHECK_LOOK(a, "", {10, 10, black}, {15, 21, black}, {11, 15, LIGHT}, {21, 15, SHADOW}, {12, 12, FACE},
               {16, 16, black}, {16, 26, black});
    // Holding the up arrow: one Up at once in the sunken look with the arrow
    // moved by one, none for 400 ms, then at most one every 15 ms while the
    // mouse stays on that arrow; over the other arrow both look normal and
    // nothing repeats.
    th_logClear();
    DWORD t0 = GetTickCount();
    CHECK_EQ(th_mouseDown(a, 15, 12), 1);
    CHECK_PX(a, {11, 15, SHADOW}, {15, 20, FACE}, {17, 17, black}, {11, 26, LIGHT});
    while (GetTickCount() - t0 < 700) {
        th_mouseDrag(a, 15, 13);
        Sleep(1);
    }
    DWORD times[256];
    int n = 0;
    for (const char *p = strstr(th_rec.log, "Up@"); p && n < 256; p = strstr(p + 3, "Up@")) times[n++] = strtoul(p + 3, nullptr, 10);
    CHECK(n >= 6 && strstr(th_rec.log, "Down") == nullptr);
    if (n >= 2) {
        // The upper bound leaves room for a busy machine that stalls a drag.
        th_report(times[0] - t0 <= 50 && times[1] - t0 >= 400 && times[1] - t0 <= 560, __FILE__, __LINE__,
                  "first Up after %lu ms, first repeat after %lu ms", times[0] - t0, times[1] - t0);
        for (int i = 2; i < n; i++)
            th_report(times[i] - times[i - 1] >= 16, __FILE__, __LINE__, "repeat gap %lu ms", times[i] - times[i - 1]);
    }
    th_logClear();
    DWORD t1 = GetTickCount();
    while (GetTickCount() - t1 < 100) {
        th_mouseDrag(a, 15, 25);
        Sleep(1);
    }
    CHECK_STR(th_rec.log, "");
    CHECK_PX(a, {11, 15, LIGHT}, {11, 26, LIGHT});
    th_mouseDrag(a, 15, 12);
    CHECK_PX(a, {11, 15, SHADOW});
    th_mouseUp(a, 15, 12);
    CHECK_PX(a, {11, 15, LIGHT});
    th_logClear();
    th_mouseDown(a, 15, 22);
    CHECK(strncmp(th_rec.log, "Down@", 5) == 0);
    CHECK_PX(a, {11, 26, SHADOW}, {11, 15, LIGHT});
    th_mouseUp(a, 15, 22);
    th_mouseDrag(a, -100, -100);   // with no arrow pressed
    th_mouseUp(a, 0, 0);
    // Outside the 13 x 23 area nothing happens.
    th_logClear();
    CHECK(th_mouseDown(a, 23, 12) == 0 && th_mouseDown(a, 15, 33) == 0);
    CHECK_STR(th_rec.log, "");
    CHECK_LOOK(a, "enabled=0", {10, 10, RGB(0x40, 0x40, 0x40)}, {16, 16, RGB(0xC0, 0xC0, 0xC0)}, {11, 15, FACE});
    CHECK_EQ(th_mouseDown(a, 15, 12), 0);
    th_destroy(a);
}

// The black pixels of the 16 x 16 square; false when there are none.
static bool th_chasingShape(th_Instance *c, bool shape[16][16]) {
    int n = 0;
    for (int y = 0; y < 16; y++)
        for (int x = 0; x < 16; x++) n += shape[y][x] = th_pixel(c, 10 + x, 10 + y) == RGB(0, 0, 0);
    return n > 0;
}

static void th_chasingChecks() {
    th_Instance *c = th_create("ChasingArrows", 10, 10, 16, 16);
    bool shapes[10][16][16];
    // Each of eight steps draws a new picture on the host's background; the
    // ninth starts the round again.
    for (int step = 1; step <= 9; step++) {
        th_clear(c, magenta);
        th_call(c, 12);
        CHECK(th_chasingShape(c, shapes[step]) && th_pixel(c, 10, 10) == RGB(0x33, 0x66, 0x99));
        if (step > 1) CHECK(memcmp(shapes[step], shapes[step - 1], sizeof shapes[0]) != 0);
    }
    CHECK(memcmp(shapes[9], shapes[1], sizeof shapes[0]) == 0);
    // Hidden, or on a hidden tab panel: no drawing, and no step (the redraw
    // below still shows the ninth frame).
    for (int *shown : {&c->visible, &c->tabVisible}) {
        *shown = 0;
        th_clear(c, magenta);
        th_call(c, 12);
        CHECK_PX(c, {10, 10, magenta});
        *shown = 1;
    }
    th_redraw(c);
    th_chasingShape(c, shapes[0]);
    CHECK(memcmp(shapes[0], shapes[9], sizeof shapes[0]) == 0);
    th_destroy(c);
}

static void th_imageWellChecks() {
    th_Instance *w = th_create("ImageWell", 10, 10, 32, 32);
    const COLORREF grey = RGB(0x99, 0x99, 0x99), red = RGB(200, 0, 0), blue = RGB(0, 0, 200);
    CHECK_LOOK(w, "", {10, 20, grey}, {41, 20, white}, {11, 20, black}, {20, 20, white});
    // A small image is centred in the white area (12, 12, 40, 40).
    th_Object *small = th_picture(10, 8, red, 1), *large = th_picture(50, 40, blue, 0);
    th_set(w, "Image", (intptr_t)small);
    th_redraw(w);
    RECT want = {21, 22, 31, 30};
    CHECK(EqualRect(&th_rec.pictureRect, &want) && th_rec.pictureTransparent == 0);
    // A large one is anchored at the top left and clipped at the well's edge.
    th_set(w, "Image", (intptr_t)large);
    CHECK_LOOK(w, "", {12, 12, blue}, {39, 39, blue}, {40, 39, black}, {39, 40, black});
    CHECK(th_rec.pictureRect.left == 12 && th_rec.pictureRect.top == 12);
    th_handle(w, "MouseDown", (void *)th_onMouseDown);
    th_handle(w, "MouseDrag", (void *)th_onMouseDrag);
    th_handle(w, "MouseUp", (void *)th_onMouseUp);
    w->mouseDownResult = 1;
    CHECK_STR(th_click(w, 15, 16, 60, 2), "MouseDown 5 6;MouseDrag 50 -8;MouseUp 50 -8;");
    w->enabled = 0;
    th_logClear();
    CHECK_EQ(th_mouseDown(w, 15, 16), 0);
    CHECK_STR(th_rec.log, "");
    th_destroy(w);
    // A well smaller than its frame, with a picture larger than the well.
    w = th_create("ImageWell", 10, 10, 3, 3);
    th_set(w, "Image", (intptr_t)large);
    th_redraw(w);
    th_destroy(w);
    for (th_Object *o : {small, large}) th_drop(o);
}

static void th_popupArrowChecks() {
    th_Instance *p = th_create("PopupArrow", 10, 10, 10, 10);
    // The first and last facing of each size, then no such facing: a pixel
    // of the arrow and one left untouched.
    CHECK_LOOK(p, "Facing=0", {11, 14, black}, {13, 11, magenta});
    CHECK_LOOK(p, "Facing=3", {14, 11, black}, {14, 15, magenta});
    CHECK_LOOK(p, "Facing=4", {10, 12, black}, {12, 13, magenta});
    CHECK_LOOK(p, "Facing=7", {12, 10, black}, {12, 13, magenta});
    CHECK_LOOK(p, "Facing=9", {10, 10, magenta});
    // Events even when disabled.
    th_handle(p, "MouseDown", (void *)th_onMouseDown);
    th_handle(p, "MouseUp", (void *)th_onMouseUp);
    p->enabled = 0;
    p->mouseDownResult = 1;
    CHECK_STR(th_click(p, 12, 13), "MouseDown 2 3;MouseUp 2 3;");   // no MouseDrag handler: nothing
    th_destroy(p);
}

static void th_placardChecks() {
    th_Instance *p = th_create("Placard", 10, 10, 64, 64);
    CHECK_LOOK(p, "", {10, 10, black}, {40, 40, FACE}, {11, 40, LIGHT}, {72, 40, SHADOW});
    int inv = p->invalidations;
    CHECK_LOOK(p, "Value=1", {40, 40, SHADOW}, {72, 40, GetSysColor(COLOR_3DDKSHADOW)});
    CHECK_EQ(p->invalidations, inv + 1);
    CHECK_LOOK(p, "enabled=0", {10, 10, RGB(0x99, 0x99, 0x99)}, {11, 40, RGB(0xEE, 0xEE, 0xEE)});
    th_handle(p, "MouseDrag", (void *)th_onMouseDrag);
    CHECK_STR(th_click(p, 20, 20, 21, 22), "MouseDrag 11 12;");
    th_destroy(p);
}

// A line across the middle of the longer side: shadow, then light below
// or right of it.
static void th_separatorChecks() {
    th_Instance *s = th_create("Separator", 10, 10, 64, 4);
    CHECK_LOOK(s, "", {10, 12, SHADOW}, {73, 12, SHADOW}, {40, 13, LIGHT}, {40, 11, magenta});
    th_destroy(s);
    s = th_create("Separator", 10, 10, 4, 64);
    CHECK_LOOK(s, "", {12, 10, SHADOW}, {12, 73, SHADOW}, {13, 40, LIGHT}, {11, 40, magenta});
    th_destroy(s);
}

void th_smallChecks() {
    th_disclosureChecks();
    th_littleArrowsChecks();
    th_chasingChecks();
    th_imageWellChecks();
    th_popupArrowChecks();
    th_placardChecks();
    th_separatorChecks();
}
