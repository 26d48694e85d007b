// BevelButton checks: construction defaults, classic bevel rings and faces,
// icon and caption placement, the offscreen slot, mouse tracking for the
// three button types, events, receivers, caption constants and accelerators.
#include "th.h"
#include "kst_controls.h"
#include <string.h>

static COLORREF sys(int i) {
    return GetSysColor(i);
}

// Bounding box of the pixels of one colour inside an area (empty when none).
static RECT th_box(th_Instance *inst, COLORREF c, RECT area) {
    RECT box = {100000, 100000, -100000, -100000};
    for (int y = area.top; y < area.bottom; y++)
        for (int x = area.left; x < area.right; x++)
            if (th_pixel(inst, x, y) == c) {
                if (x < box.left) box.left = x;
                if (y < box.top) box.top = y;
                if (x + 1 > box.right) box.right = x + 1;
                if (y + 1 > box.bottom) box.bottom = y + 1;
            }
    return box;
}

static bool th_boxEmpty(RECT b) {
    return b.right <= b.left;
}

static kst_String th_callList(th_Instance *inst, int row) {
    typedef kst_String (KST_CALL *Fn)(kst_Instance, int);
    return ((Fn)th_method(inst->def, "List(")->function)(th_kst(inst), row);
}

static void th_setCaption(th_Instance *inst, const char *text) {
    th_String *s = th_str(text);
    th_set(inst, "Caption", (intptr_t)s);
    th_drop(s);
}

static void th_constructionChecks() {
    th_Instance *b = th_create("BevelButton", 20, 30, 60, 22);
    kst_String caption = (kst_String)th_get(b, "Caption");
    CHECK(caption && strcmp(((th_String *)caption)->storage, "Untitled") == 0);
    th_drop(caption);
    CHECK_EQ(th_get(b, "CaptionPlacement"), 1);
    CHECK_EQ(th_get(b, "CaptionAlign"), 3);
    kst_String font = (kst_String)th_get(b, "TextFont");
    CHECK(font && strcmp(((th_String *)font)->storage, "System") == 0);
    CHECK_EQ(th_get(b, "TextSize"), 11);

    // TextFont is stored without a redraw; slot 16 brings the default back.
    int before = b->invalidations;
    th_String *courier = th_str("Courier");
    th_set(b, "TextFont", (intptr_t)courier);
    th_drop(courier);
    CHECK_EQ(b->invalidations, before);
    kst_String now = (kst_String)th_get(b, "TextFont");
    CHECK(now && strcmp(((th_String *)now)->storage, "Courier") == 0);
    th_set(b, "TextSize", 20);
    th_call(b, 16);
    now = (kst_String)th_get(b, "TextFont");
    CHECK(now && strcmp(((th_String *)now)->storage, "System") == 0);
    CHECK_EQ(th_get(b, "TextSize"), 11);

    // MenuValue: 16 bits, no redraw; the other setters request one.
    th_set(b, "MenuValue", 3);
    CHECK_EQ(th_get(b, "MenuValue"), 3);
    CHECK_EQ(b->invalidations, before);
    th_set(b, "CaptionAlign", 0);
    th_set(b, "Value", 1);
    CHECK_EQ(b->invalidations, before + 2);
    CHECK_EQ(th_get(b, "Value"), 1);

    // Caption constants: the interpreted text becomes the accelerator.
    th_rec.acceleratorCalls = 0;
    th_setCaption(b, "#kOpen");
    CHECK_EQ(th_rec.acceleratorCalls, 1);
    CHECK_STR(th_rec.accelerator, "&Open");
    CHECK(b->invalidations > before + 2);
    // Without a theme, enter and exit change nothing.
    int inv = b->invalidations;
    th_call(b, 17);
    th_call(b, 18);
    CHECK_EQ(b->invalidations, inv);
    CHECK_EQ(((kst_BevelBlock *)th_block(b))->hot, 0);
    th_destroy(b);
}

static void th_ringChecks() {
    th_Instance *b = th_create("BevelButton", 20, 30, 60, 22);
    th_setCaption(b, "");
    // One ring (Bevel 0): frame, light top-left, dark bottom-right, face.
    th_redraw(b);
    CHECK_PX(b, 20, 30, RGB(0, 0, 0));
    CHECK_PX(b, 79, 51, RGB(0, 0, 0));
    CHECK_PX(b, 21, 40, sys(COLOR_BTNHIGHLIGHT));
    CHECK_PX(b, 50, 31, sys(COLOR_BTNHIGHLIGHT));
    CHECK_PX(b, 50, 50, sys(COLOR_BTNSHADOW));
    CHECK_PX(b, 78, 40, sys(COLOR_BTNSHADOW));
    CHECK_PX(b, 22, 32, sys(COLOR_BTNFACE));
    CHECK_PX(b, 77, 49, sys(COLOR_BTNFACE));
    // Three rings (Bevel 2).
    th_set(b, "Bevel", 2);
    th_clear(b, RGB(255, 0, 255));
    th_redraw(b);
    CHECK_PX(b, 23, 40, sys(COLOR_BTNHIGHLIGHT));
    CHECK_PX(b, 50, 33, sys(COLOR_BTNHIGHLIGHT));
    CHECK_PX(b, 76, 40, sys(COLOR_BTNSHADOW));
    CHECK_PX(b, 50, 48, sys(COLOR_BTNSHADOW));
    CHECK_PX(b, 24, 34, sys(COLOR_BTNFACE));
    // On (Value true): shadow face, the extra dark line over the light one.
    th_set(b, "Bevel", 0);
    th_set(b, "Value", 1);
    th_redraw(b);
    CHECK_PX(b, 21, 40, RGB(0x55, 0x55, 0x55));
    CHECK_PX(b, 50, 31, RGB(0x55, 0x55, 0x55));
    CHECK_PX(b, 21, 51, RGB(0x55, 0x55, 0x55));
    CHECK_PX(b, 50, 50, sys(COLOR_BTNFACE));
    CHECK_PX(b, 30, 40, sys(COLOR_BTNSHADOW));
    // Disabled: dark-grey frame and no rings.
    th_set(b, "Value", 0);
    b->enabled = 0;
    th_redraw(b);
    CHECK_PX(b, 20, 30, RGB(0x40, 0x40, 0x40));
    CHECK_PX(b, 21, 40, sys(COLOR_BTNFACE));
    CHECK_PX(b, 78, 40, sys(COLOR_BTNFACE));
    b->enabled = 1;
    // Bevel 7 turns into a toggle button with Bevel 0; 5 into 0.
    th_set(b, "Bevel", 7);
    th_redraw(b);
    CHECK_EQ(th_get(b, "Bevel"), 0);
    CHECK_EQ(th_get(b, "ButtonType"), 1);
    th_set(b, "Bevel", 5);
    th_redraw(b);
    CHECK_EQ(th_get(b, "Bevel"), 0);
    // The toolbar look without a theme draws one classic ring.
    th_set(b, "Bevel", 4);
    th_redraw(b);
    CHECK_PX(b, 20, 30, RGB(0, 0, 0));
    CHECK_PX(b, 21, 40, sys(COLOR_BTNHIGHLIGHT));
    CHECK_EQ(th_get(b, "Bevel"), 4);
    th_destroy(b);
}

static void th_captionChecks() {
    th_Instance *b = th_create("BevelButton", 20, 30, 100, 30);
    RECT inner = {22, 32, 118, 58};
    COLORREF text = sys(COLOR_BTNTEXT);
    th_setCaption(b, "WWWW");
    th_redraw(b);
    RECT box = th_box(b, text, inner);
    CHECK(!th_boxEmpty(box));
    int mid = (box.left + box.right) / 2;
    th_report(mid >= 67 && mid <= 73, __FILE__, __LINE__, "centred caption at %d", mid);
    th_report((box.top + box.bottom) / 2 >= 42 && (box.top + box.bottom) / 2 <= 48, __FILE__, __LINE__,
              "caption vertically centred (%ld..%ld)", box.top, box.bottom);
    // The same text in UTF-16 and in an encoding the plug-in does not know
    // (taken as the system's) draws the same.
    const wchar_t wide[] = L"WWWW";
    for (th_String *same : {th_strEnc(wide, 8, kst_encodingUtf16), th_strEnc("WWWW", 4, 0x0600)}) {
        th_set(b, "Caption", (intptr_t)same);
        th_drop(same);
        th_clear(b, RGB(255, 0, 255));
        th_redraw(b);
        RECT again = th_box(b, text, inner);
        CHECK(EqualRect(&again, &box));
    }
    // Left and right with CaptionDelta.
    th_set(b, "CaptionAlign", 0);
    th_set(b, "CaptionDelta", 10);
    th_clear(b, RGB(255, 0, 255));
    th_redraw(b);
    box = th_box(b, text, inner);
    th_report(box.left >= 32 && box.left <= 35, __FILE__, __LINE__, "left caption starts at %ld", box.left);
    th_set(b, "CaptionAlign", 1);
    th_redraw(b);
    box = th_box(b, text, inner);
    th_report(box.right >= 105 && box.right <= 108, __FILE__, __LINE__, "right caption ends at %ld", box.right);
    // Pressed in the classic look: white text moved by one pixel.
    th_set(b, "CaptionAlign", 3);
    th_set(b, "CaptionDelta", 0);
    th_redraw(b);
    RECT normal = th_box(b, text, inner);
    ((kst_BevelBlock *)th_block(b))->pressed = true;
    th_redraw(b);
    RECT pressed = th_box(b, RGB(255, 255, 255), inner);
    CHECK(!th_boxEmpty(pressed));
    CHECK_EQ(pressed.left, normal.left + 1);
    CHECK_EQ(pressed.top, normal.top + 1);
    ((kst_BevelBlock *)th_block(b))->pressed = false;
    // Disabled: highlight copy one pixel right and down, shadow at the place.
    b->enabled = 0;
    th_redraw(b);
    RECT hi = th_box(b, sys(COLOR_BTNHIGHLIGHT), inner), sh = th_box(b, sys(COLOR_BTNSHADOW), inner);
    CHECK(!th_boxEmpty(hi) && !th_boxEmpty(sh));
    // The face is one ring larger when disabled: centring may round by one.
    CHECK(sh.left >= normal.left && sh.left <= normal.left + 1);
    CHECK_EQ(hi.left, sh.left + 1);
    CHECK_EQ(hi.bottom, sh.bottom + 1);
    b->enabled = 1;
    // "&&" draws one ampersand: the text is wider than without it, and the
    // caption has no accelerator.
    th_setCaption(b, "A&&B");
    CHECK_STR(th_rec.accelerator, "A&&B");
    th_redraw(b);
    RECT amp = th_box(b, text, inner);
    th_setCaption(b, "AB");
    th_redraw(b);
    RECT plain = th_box(b, text, inner);
    CHECK((amp.right - amp.left) > (plain.right - plain.left) + 3);
    // A single "&" is removed before measuring: same width as without it.
    th_setCaption(b, "A&B");
    th_redraw(b);
    RECT single = th_box(b, text, inner);
    CHECK_EQ(single.right - single.left, plain.right - plain.left);
    // Bold draws wider strokes.
    th_setCaption(b, "WWWW");
    th_redraw(b);
    int thin = 0, bold = 0;
    for (int y = 32; y < 58; y++)
        for (int x = 22; x < 118; x++) thin += th_pixel(b, x, y) == text;
    th_set(b, "Bold", 1);
    th_redraw(b);
    for (int y = 32; y < 58; y++)
        for (int x = 22; x < 118; x++) bold += th_pixel(b, x, y) == text;
    th_report(bold > thin, __FILE__, __LINE__, "bold caption has more ink (%d > %d)", bold, thin);
    CHECK(th_rec.charsetCalls > 0);
    // The offscreen slot draws the same picture without shifting its clip.
    BITMAPINFO bi;
    ZeroMemory(&bi, sizeof bi);
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = 140;
    bi.bmiHeader.biHeight = -80;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void *bits = nullptr;
    HBITMAP bmp = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC dc = CreateCompatibleDC(nullptr);
    SelectObject(dc, bmp);
    memset(bits, 0xff, 140 * 80 * 4);
    th_Object *g = th_picture(0, 0, 0, 0);
    g->kind = th_kindGraphics;
    g->dc = dc;
    ((kst_DrawFn)th_slot(b, 13))(th_kst(b), g);
    GdiFlush();
    uint32_t *px = (uint32_t *)bits;
    CHECK_EQ(px[30 * 140 + 20] & 0xffffff, 0);                        // frame corner
    int ink = 0;
    uint32_t t = (GetRValue(text) << 16) | (GetGValue(text) << 8) | GetBValue(text);
    for (int y = 32; y < 58; y++)
        for (int x = 22; x < 118; x++) ink += (px[y * 140 + x] & 0xffffff) == t;
    CHECK_EQ(ink, bold);
    th_drop(g);
    DeleteDC(dc);
    DeleteObject(bmp);
    th_destroy(b);
}

static void th_iconChecks() {
    th_Instance *b = th_create("BevelButton", 20, 30, 60, 40);
    th_setCaption(b, "");
    th_Object *icon = th_picture(16, 16, RGB(0, 200, 0), 1);
    th_set(b, "Icon", (intptr_t)icon);
    CHECK_EQ(icon->refCount, 2);
    CHECK_EQ(icon->descLocks, 1);
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
        th_rec.pictureDraws = 0;
        th_redraw(b);
        CHECK_EQ(th_rec.pictureDraws, 1);
        RECT r = th_rec.lastPicture.r;
        th_report(EqualRect(&r, &c.want), __FILE__, __LINE__, "icon align %d at (%ld,%ld,%ld,%ld)", c.align, r.left,
                  r.top, r.right, r.bottom);
        CHECK_EQ(th_rec.lastPicture.transparent, 1);
    }
    // Pressed moves the icon by (1, 1).
    th_set(b, "IconAlign", 1);
    ((kst_BevelBlock *)th_block(b))->pressed = true;
    th_redraw(b);
    CHECK_EQ(th_rec.lastPicture.r.left, 43);
    CHECK_EQ(th_rec.lastPicture.r.top, 43);
    CHECK_PX(b, 43, 43, RGB(0, 200, 0));
    ((kst_BevelBlock *)th_block(b))->pressed = false;
    // Caption placed right of a left-aligned icon.
    th_set(b, "IconAlign", 0);
    th_set(b, "IconDX", 0);
    th_set(b, "CaptionPlacement", 2);
    th_set(b, "CaptionDelta", 3);
    th_setCaption(b, "WW");
    th_redraw(b);
    RECT box = th_box(b, GetSysColor(COLOR_BTNTEXT), RECT{22, 32, 78, 68});
    th_report(box.left >= 41 && box.left <= 43, __FILE__, __LINE__, "caption right of icon at %ld", box.left);
    // Replacing the icon releases the old one completely.
    th_Object *other = th_picture(8, 8, RGB(0, 0, 200), 0);
    th_set(b, "Icon", (intptr_t)other);
    CHECK_EQ(icon->refCount, 1);
    CHECK_EQ(icon->descLocks, 0);
    th_set(b, "Icon", 0);
    CHECK_EQ(other->refCount, 1);
    CHECK_EQ(other->descLocks, 0);
    th_set(b, "Icon", (intptr_t)icon);
    th_destroy(b);
    CHECK_EQ(icon->refCount, 1);
    CHECK_EQ(icon->descLocks, 0);
    th_drop(icon);
    th_drop(other);
}

static void th_mouseChecks() {
    th_Instance *b = th_create("BevelButton", 20, 30, 60, 22);
    th_setCaption(b, "");
    th_handle(b, "Action", (void *)th_onAction);
    // Push: pressed look at once, action on release, Value unchanged.
    th_logClear();
    CHECK_EQ(th_mouseDown(b, 50, 40), 1);
    CHECK_PX(b, 21, 40, RGB(0x55, 0x55, 0x55));
    CHECK_EQ(th_mouseUp(b, 50, 40), 0);
    CHECK_STR(th_rec.log, "Action;");
    CHECK_PX(b, 21, 40, GetSysColor(COLOR_BTNHIGHLIGHT));
    CHECK_EQ(th_get(b, "Value"), 0);
    // Toggle and sticky.
    th_set(b, "ButtonType", 1);
    th_mouseDown(b, 50, 40);
    th_mouseUp(b, 50, 40);
    CHECK_EQ(th_get(b, "Value"), 1);
    th_mouseDown(b, 50, 40);
    th_mouseUp(b, 50, 40);
    CHECK_EQ(th_get(b, "Value"), 0);
    th_set(b, "ButtonType", 2);
    for (int i = 0; i < 2; i++) {
        th_mouseDown(b, 50, 40);
        th_mouseUp(b, 50, 40);
        CHECK_EQ(th_get(b, "Value"), 1);
    }
    th_set(b, "Value", 0);
    // Dragging onto the right edge shows the button released, yet a release
    // there still performs the action (without toggling).
    th_set(b, "ButtonType", 1);
    th_logClear();
    th_mouseDown(b, 50, 40);
    th_mouseDrag(b, 79, 40);
    CHECK_PX(b, 21, 40, RGB(0x55, 0x55, 0x55));
    th_mouseDrag(b, 80, 40);
    CHECK_PX(b, 21, 40, GetSysColor(COLOR_BTNHIGHLIGHT));
    th_mouseUp(b, 80, 40);
    CHECK_STR(th_rec.log, "Action;");
    CHECK_EQ(th_get(b, "Value"), 0);
    th_logClear();
    th_mouseDown(b, 50, 40);
    th_mouseDrag(b, 50, 52);
    th_mouseUp(b, 50, 52);
    CHECK_STR(th_rec.log, "Action;");
    th_logClear();
    th_mouseDown(b, 50, 40);
    th_mouseDrag(b, 81, 40);
    th_mouseUp(b, 81, 40);
    th_mouseDown(b, 50, 40);
    th_mouseUp(b, 50, 53);
    CHECK_STR(th_rec.log, "");
    // Back inside: pressed again, and a drag that changes nothing draws nothing.
    th_mouseDown(b, 50, 40);
    th_mouseDrag(b, 90, 40);
    th_mouseDrag(b, 60, 41);
    CHECK_PX(b, 21, 40, RGB(0x55, 0x55, 0x55));
    th_clear(b, RGB(255, 0, 255));
    th_mouseDrag(b, 61, 41);
    CHECK_PX(b, 20, 30, RGB(255, 0, 255));
    th_mouseUp(b, 61, 41);
    th_set(b, "Value", 0);
    th_set(b, "ButtonType", 0);
    // A MouseDown handler that returns true takes over: no pressed look,
    // MouseUp goes to the program with relative positions, no action.
    th_handle(b, "MouseDown", (void *)th_onMouseDown);
    th_handle(b, "MouseUp", (void *)th_onMouseUp);
    b->mouseDownResult = 1;
    b->mouseUpResult = 1;
    th_logClear();
    th_clear(b, RGB(255, 0, 255));
    CHECK_EQ(th_mouseDown(b, 25, 35), 1);
    CHECK_PX(b, 20, 30, RGB(255, 0, 255));
    th_mouseDrag(b, 100, 100);
    CHECK_PX(b, 20, 30, RGB(255, 0, 255));
    CHECK_EQ(th_mouseUp(b, 30, 36), 1);
    CHECK_STR(th_rec.log, "MouseDown 5 5;MouseUp 10 6;");
    // Returning false: the usual click, and MouseUp is not called.
    b->mouseDownResult = 0;
    th_logClear();
    th_mouseDown(b, 21, 31);
    th_mouseUp(b, 21, 31);
    CHECK_STR(th_rec.log, "MouseDown 1 1;Action;");
    // Disabled: nothing at all.
    b->enabled = 0;
    th_logClear();
    CHECK_EQ(th_mouseDown(b, 50, 40), 1);
    th_mouseDrag(b, 50, 40);
    CHECK_EQ(th_mouseUp(b, 50, 40), 0);
    CHECK_STR(th_rec.log, "");
    b->enabled = 1;
    th_destroy(b);
}

// Keys sent as the user would type them; the keyboard messages they queue
// are dropped so no window acts on them.
static void th_keys(UINT vk1, UINT vk2, bool up) {
    INPUT in[2];
    ZeroMemory(in, sizeof in);
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

// Alt plus the caption's accelerator key performs the action at once,
// without the MouseDown event; a menu button opens its menu instead.
static void th_acceleratorChecks() {
    th_Instance *b = th_create("BevelButton", 20, 30, 60, 22);
    th_setCaption(b, "#kOpen");
    th_handle(b, "Action", (void *)th_onAction);
    th_handle(b, "MouseDown", (void *)th_onMouseDown);
    th_logClear();
    CHECK_EQ(th_mouseDown(b, 50, 40), 1);
    th_mouseUp(b, 50, 40);
    CHECK_STR(th_rec.log, "MouseDown 30 10;Action;");
    SetForegroundWindow(th_mainWindow);
    th_keys(VK_MENU, 'O', false);
    bool down = (GetAsyncKeyState(VK_MENU) & 0x8000) && (GetAsyncKeyState('O') & 0x8000);
    th_report(down, __FILE__, __LINE__, "keys reach the asynchronous key state");
    th_logClear();
    th_clear(b, RGB(255, 0, 255));
    CHECK_EQ(th_mouseDown(b, 50, 40), 1);
    CHECK_STR(th_rec.log, "Action;");
    CHECK_PX(b, 20, 30, RGB(255, 0, 255));   // no pressed look drawn
    CHECK_EQ(((kst_BevelBlock *)th_block(b))->pressed, 0);
    th_mouseUp(b, 50, 40);
    CHECK_STR(th_rec.log, "Action;Action;");
    // All ampersands doubled: no accelerator, the usual click.
    th_setCaption(b, "&&Open");
    th_logClear();
    th_mouseDown(b, 50, 40);
    th_mouseUp(b, 50, 40);
    CHECK_STR(th_rec.log, "MouseDown 30 10;Action;");
    th_keys(VK_MENU, 'O', true);
    th_destroy(b);
}

static void th_receiverChecks() {
    th_Instance *b = th_create("BevelButton", 20, 30, 60, 22);
    th_handle(b, "Action", (void *)th_onAction);
    typedef void (KST_CALL *ObjFn)(kst_Instance, kst_Object);
    ObjFn add = (ObjFn)th_method(b->def, "addAction")->function;
    ObjFn remove = (ObjFn)th_method(b->def, "removeAction")->function;
    th_Object *r[3] = {th_receiver(1), th_receiver(2), th_receiver(3)};
    for (th_Object *o : r) add(th_kst(b), o);
    CHECK_EQ(r[0]->refCount, 2);
    th_logClear();
    th_call(b, 21);
    CHECK_STR(th_rec.receiverOrder, "321");
    CHECK_STR(th_rec.log, "Receiver 3;Receiver 2;Receiver 1;Action;");
    remove(th_kst(b), r[1]);
    CHECK_EQ(r[1]->refCount, 1);
    remove(th_kst(b), r[1]);   // not there any more
    CHECK_EQ(r[1]->refCount, 1);
    th_logClear();
    th_mouseDown(b, 50, 40);
    th_mouseUp(b, 50, 40);
    CHECK_STR(th_rec.receiverOrder, "31");
    th_destroy(b);
    for (th_Object *o : r) {
        CHECK_EQ(o->refCount, 1);
        th_drop(o);
    }
}

void th_bevelChecks() {
    th_constructionChecks();
    th_ringChecks();
    th_captionChecks();
    th_iconChecks();
    th_mouseChecks();
    th_acceleratorChecks();
    th_receiverChecks();
    (void)th_callList;
}
