// BevelButton checks: host defaults, classic bevel rings and faces,
// icon and caption placement, the offscreen slot, mouse tracking for the
// three button types, events, caption constants and accelerators, receivers,
// with the values a careless program hands over mixed in.
#include "th.h"
#include <string>

#define LIGHT GetSysColor(COLOR_BTNHIGHLIGHT)
#define SHADOW GetSysColor(COLOR_BTNSHADOW)
#define FACE GetSysColor(COLOR_BTNFACE)
#define INK GetSysColor(COLOR_BTNTEXT)
static const COLORREF black = RGB(0, 0, 0), magenta = RGB(255, 0, 255), dark = RGB(0x55, 0x55, 0x55);

// The box of one colour inside the face after applying settings and redrawing.
static RECT th_ink(th_Instance *b, const char *settings, COLORREF c = INK, int *count = nullptr) {
    th_apply(b, settings);
    th_redraw(b);
    return th_box(b, c, RECT{22, 32, 118, 58}, count);
}

static void th_captionChecks() {
    th_Instance *b = th_create("BevelButton", 20, 30, 100, 30);
    RECT inner = {22, 32, 118, 58};
    th_setText(b, "Caption", "WWWW");
    RECT box = th_ink(b, "");
    int midX = (box.left + box.right) / 2, midY = (box.top + box.bottom) / 2;
    th_report(midX >= 67 && midX <= 73 && midY >= 42 && midY <= 48, __FILE__, __LINE__, "caption centred at %d, %d",
              midX, midY);
    // The same text in UTF-16 and in an encoding the plug-in does not know
    // (taken as the system's) draws the same.
    const wchar_t wide[] = L"WWWW";
    for (th_Object *same : {th_strEnc(wide, 8, kst_encodingUtf16), th_strEnc("WWWW", 4, 0x0600)}) {
        th_set(b, "Caption", (intptr_t)same);
        th_drop(same);
        RECT again = th_ink(b, "");
        CHECK(EqualRect(&again, &box));
    }
    box = th_ink(b, "CaptionAlign=0 CaptionDelta=10");
    th_report(box.left >= 32 && box.left <= 35, __FILE__, __LINE__, "left caption starts at %ld", box.left);
    box = th_ink(b, "CaptionAlign=1");
    th_report(box.right >= 105 && box.right <= 108, __FILE__, __LINE__, "right caption ends at %ld", box.right);
    // Pressed in the classic look: white text moved by one pixel (the icon
    // moves alike).
    RECT normal = th_ink(b, "CaptionAlign=3 CaptionDelta=0");
    th_mouseDown(b, 70, 45);
    RECT pressed = th_ink(b, "", RGB(255, 255, 255));
    CHECK(pressed.left == normal.left + 1 && pressed.top == normal.top + 1);
    th_mouseUp(b, 70, 45);
    // Disabled: highlight copy one pixel right and down, shadow at the place.
    RECT sh = th_ink(b, "enabled=0", SHADOW), hi = th_box(b, LIGHT, inner);
    CHECK(sh.right > sh.left && hi.left == sh.left + 1 && hi.bottom == sh.bottom + 1);
    int thin = 0, bold = 0;
    th_ink(b, "enabled=1", INK, &thin);
    th_ink(b, "Bold=1", INK, &bold);
    th_report(bold > thin, __FILE__, __LINE__, "bold caption has more ink (%d > %d)", bold, thin);
    // The offscreen slot draws the same picture at window coordinates into a
    // device context (a plain one here) without shifting its origin.
    th_Instance *canvas = th_create("Separator", 0, 0, 140, 80);
    ((kst_DrawFn)th_slot(b, 13))(th_kst(b), canvas->screenGraphics);
    int ink = 0;
    th_box(canvas, INK, inner, &ink);
    CHECK(th_pixel(canvas, 20, 30) == black && ink == bold);
    th_destroy(canvas);
    // "&&" draws one ampersand: wider than without it, and no accelerator;
    // a single "&" is removed before measuring.
    int width[3];
    const char *amps[3] = {"A&&B", "AB", "A&B"};
    for (int i = 0; i < 3; i++) {
        th_setText(b, "Caption", amps[i]);
        box = th_ink(b, "");
        width[i] = box.right - box.left;
    }
    CHECK(width[0] > width[1] + 3 && width[2] == width[1]);
    // Captions a program should not hand over: none, 10 000 characters
    // (the face stays intact), odd UTF-16, bad UTF-8, a lone "&"; fonts of
    // no size or absurd size.
    th_set(b, "Caption", 0);
    th_set(b, "TextFont", 0);
    th_redraw(b);
    th_setText(b, "Caption", std::string(10000, 'W').c_str());
    CHECK_LOOK(b, "CaptionAlign=0", {119, 40, black}, {118, 40, SHADOW});
    for (th_Object *s :
         {th_strEnc(wide, 9, kst_encodingUtf16), th_strEnc("\xff\xfe\xc3", 3, kst_encodingUtf8), th_str("&")}) {
        th_set(b, "Caption", (intptr_t)s);
        th_redraw(b);
        th_drop(s);
    }
    th_setText(b, "TextFont", "smallsystem");
    for (int size : {0, 2000000000, -2000000000}) {
        th_set(b, "TextSize", size);
        th_redraw(b);
    }
    CHECK_PX(b, {20, 30, black});
    th_destroy(b);
}

static void th_iconChecks() {
    th_Instance *b = th_create("BevelButton", 20, 30, 60, 40);
    th_Object *icon = th_picture(16, 16, RGB(0, 200, 0), 1);
    th_set(b, "Icon", (intptr_t)icon);
    CHECK(icon->head.refCount == 2 && icon->descLocks == 1);
    // I after one ring is (22, 32, 78, 68).
    struct {
        int align, dx, dy;
        RECT want;
    } cases[] = {
        {1, 0, 0, {42, 42, 58, 58}}, {0, 2, 0, {24, 42, 40, 58}}, {3, 2, 0, {60, 42, 76, 58}},
        {4, 0, 1, {42, 33, 58, 49}}, {5, 0, 1, {42, 51, 58, 67}}, {6, 3, 1, {25, 33, 41, 49}},
        {9, 2, 1, {60, 51, 76, 67}}, {7, 1, 0, {23, 52, 39, 68}}, {8, 0, 0, {62, 32, 78, 48}},
    };
    for (auto &c : cases) {
        th_set(b, "IconAlign", c.align);
        th_set(b, "IconDX", c.dx);
        th_set(b, "IconDY", c.dy);
        th_redraw(b);
        RECT r = th_rec.pictureRect;
        th_report(EqualRect(&r, &c.want) && th_rec.pictureTransparent == 1, __FILE__,
                  __LINE__, "icon align %d at (%ld,%ld,%ld,%ld)", c.align, r.left, r.top, r.right, r.bottom);
    }
    th_setText(b, "Caption", "WW");
    th_apply(b, "IconAlign=0 IconDX=0 CaptionPlacement=2 CaptionDelta=3");
    th_redraw(b);
    RECT box = th_box(b, INK, RECT{22, 32, 78, 68});
    th_report(box.left >= 41 && box.left <= 43, __FILE__, __LINE__, "caption right of icon at %ld", box.left);
    // Replacing the icon, or dropping it, releases the old one completely;
    // so does a picture whose description the host refuses (the host's
    // final balance of locks tells).
    th_Object *refused = th_picture(10, 10, RGB(1, 2, 3), 0);
    refused->refuseDescription = true;
    th_set(b, "Icon", (intptr_t)refused);
    th_redraw(b);
    th_set(b, "Icon", 0);
    th_set(b, "Icon", (intptr_t)icon);
    th_destroy(b);
    for (th_Object *o : {icon, refused}) th_drop(o);
}

// Keys sent as the user would type them; the keyboard messages they queue
// are dropped so no window acts on them.
static void th_keys(UINT vk1, UINT vk2, bool up) {
    INPUT in[2] = {};
    in[0].type = in[1].type = INPUT_KEYBOARD;
    in[0].ki.wVk = (WORD)vk1;
    in[1].ki.wVk = (WORD)vk2;
    in[0].ki.dwFlags = in[1].ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    SendInput(2, in, sizeof(INPUT));
    for (int i = 0; i < 50 && ((GetAsyncKeyState(vk1) & 0x8000) != 0) == up; i++) Sleep(10);
    MSG m;
    while (PeekMessageW(&m, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE)) {
    }
}

static void th_buttonChecks() {
    th_Instance *b = th_create("BevelButton", 20, 30, 60, 22);
    // Caption and font default to the host's; slot 16 brings them back.
    CHECK(th_getText(b, "Caption", "Untitled") && th_getText(b, "TextFont", "System"));
    th_setText(b, "TextFont", "Courier");
    th_set(b, "TextSize", 20);
    th_call(b, 16);
    CHECK(th_getText(b, "TextFont", "System") && th_get(b, "TextSize") == 11);
    th_setText(b, "Caption", "");
    // One ring (Bevel 0); three rings (Bevel 2); on (Value true): shadow
    // face and the extra dark line over the light one, which asks for a
    // redraw; disabled: dark-grey frame and no rings; the toolbar look
    // without a theme: one classic ring.
    CHECK_LOOK(b, "", {20, 30, black}, {21, 40, LIGHT}, {78, 40, SHADOW}, {22, 32, FACE});
    CHECK_LOOK(b, "Bevel=2", {23, 40, LIGHT}, {76, 40, SHADOW});
    int before = b->invalidations;
    CHECK_LOOK(b, "Bevel=0 Value=1", {21, 40, dark}, {30, 40, SHADOW});
    CHECK(b->invalidations > before && th_get(b, "Value") == 1);
    CHECK_LOOK(b, "Value=0 enabled=0", {20, 30, RGB(0x40, 0x40, 0x40)}, {21, 40, FACE});
    CHECK_LOOK(b, "enabled=1 Bevel=4", {20, 30, black}, {21, 40, LIGHT});
    // Drawn, Bevel 7 turns into a toggle button with Bevel 0.
    CHECK_LOOK(b, "Bevel=7", {20, 30, black});
    CHECK(th_get(b, "Bevel") == 0 && th_get(b, "ButtonType") == 1);
    // Values the editor never offers still draw a framed button.
    for (const char *v : {"Bevel=-3 IconAlign=-3 CaptionPlacement=-3 ButtonType=-3",
                          "Bevel=100 IconAlign=100 CaptionPlacement=100 ButtonType=100"}) {
        CHECK_LOOK(b, v, {20, 30, black});
        th_click(b, 50, 40);
    }
    th_apply(b, "Bevel=0 ButtonType=0 Value=0");
    th_handle(b, "Action", (void *)th_onAction);
    th_logClear();
    CHECK_EQ(th_mouseDown(b, 50, 40), 1);
    CHECK_EQ(th_mouseUp(b, 50, 40), 0);
    CHECK_STR(th_rec.log, "Action;");
    CHECK_PX(b, {21, 40, LIGHT});
    CHECK_EQ(th_get(b, "Value"), 0);
    // Toggle flips Value, sticky sets it for good.
    const int after[2][2] = {{1, 0}, {1, 1}};
    for (int type = 1; type <= 2; type++) {
        th_set(b, "ButtonType", type);
        for (int i = 0; i < 2; i++) {
            th_click(b, 50, 40);
            CHECK_EQ(th_get(b, "Value"), after[type - 1][i]);
        }
    }
    // Dragged just past the right or bottom edge the toggle button shows
    // released, and pressed again back at the last pixel inside; a release
    // just past the edge still performs the action (without toggling); one
    // pixel further it does not.
    th_apply(b, "Value=0 ButtonType=1");
    const struct { int x, y; const char *log; } releases[] = {
        {80, 40, "Action;"}, {50, 52, "Action;"}, {81, 40, ""}, {50, 53, ""}};
    for (auto &r : releases) {
        th_mouseDown(b, 50, 40);
        th_mouseDrag(b, r.x, r.y);
        CHECK_PX(b, {21, 40, LIGHT});
        th_mouseDrag(b, 79, 51);
        CHECK_PX(b, {21, 40, dark});
        th_mouseDrag(b, r.x, r.y);
        th_logClear();
        th_mouseUp(b, r.x, r.y);
        CHECK_STR(th_rec.log, r.log);
        CHECK_EQ(th_get(b, "Value"), 0);
    }
    th_set(b, "ButtonType", 0);
    // A MouseDown handler that returns true takes over: no pressed look,
    // MouseUp goes to the program with relative positions, no action.
    th_handle(b, "MouseDown", (void *)th_onMouseDown);
    th_handle(b, "MouseUp", (void *)th_onMouseUp);
    b->mouseDownResult = b->mouseUpResult = 1;
    th_clear(b, magenta);
    CHECK_STR(th_click(b, 25, 35, 30, 36), "MouseDown 5 5;MouseUp 10 6;");
    CHECK_PX(b, {20, 30, magenta});
    b->enabled = 0;
    b->mouseDownResult = 0;
    CHECK_STR(th_click(b, 50, 40), "");
    b->enabled = 1;
    // Returning false: the usual click, and MouseUp is not called.  A
    // caption constant's text becomes the host's accelerator; Alt plus its
    // key performs the action at once, without the MouseDown event; with all
    // ampersands doubled there is none.
    th_setText(b, "Caption", "#kOpen");
    CHECK_STR(th_rec.accelerator, "&Open");
    CHECK_STR(th_click(b, 21, 31), "MouseDown 1 1;Action;");
    SetForegroundWindow(th_mainWindow);
    th_keys(VK_MENU, 'O', false);
    th_logClear();
    th_clear(b, magenta);
    CHECK_EQ(th_mouseDown(b, 50, 40), 1);
    CHECK_STR(th_rec.log, "Action;");
    CHECK_PX(b, {20, 30, magenta});   // no pressed look drawn
    th_mouseUp(b, 50, 40);
    CHECK_STR(th_rec.log, "Action;Action;");
    th_setText(b, "Caption", "&&Open");
    CHECK_STR(th_rec.accelerator, "&&Open");
    CHECK_STR(th_click(b, 50, 40), "MouseDown 30 10;Action;");
    th_keys(VK_MENU, 'O', true);
    // Receivers are called newest first, then the Action event; removing one
    // that is not there, or none, changes nothing.
    typedef void(KST_CALL * ObjFn)(kst_Instance, kst_Object);
    ObjFn add = (ObjFn)th_method(b->def, "addAction")->function;
    ObjFn remove = (ObjFn)th_method(b->def, "removeAction")->function;
    th_Object *r[4] = {th_receiver(1), th_receiver(2), th_receiver(3), th_receiver(9)};
    for (int i = 0; i < 3; i++) add(th_kst(b), r[i]);
    add(th_kst(b), nullptr);
    CHECK_EQ(r[0]->head.refCount, 2);
    th_logClear();
    th_call(b, 21);
    CHECK_STR(th_rec.log, "Receiver 3;Receiver 2;Receiver 1;Action;");
    for (th_Object *gone : {r[1], r[1], r[3], (th_Object *)nullptr}) remove(th_kst(b), gone);
    CHECK_STR(th_click(b, 50, 40), "MouseDown 30 10;Receiver 3;Receiver 1;Action;");
    th_destroy(b);
    for (th_Object *o : r) th_drop(o);
}

void th_bevelChecks() {
    th_buttonChecks();
    th_captionChecks();
    th_iconChecks();
}
