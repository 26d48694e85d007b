// The visual-styles path (wine reports Windows XP to this host's second
// name) against the stand-in library, and hosts that lack routines.
#include "th.h"
#include <string.h>

static const COLORREF magenta = RGB(255, 0, 255);

// The stand-in paints each part in a colour that encodes part and state.
static COLORREF th_partColour(int part, int state) { return RGB(0x10 * part, 0x20 * state, 0xC0); }

// The themed parts one redraw paints, "part.state;" each.
static const char *th_draws(th_Instance *i) {
    th_fake->drawLog[0] = 0;
    th_redraw(i);
    return th_fake->drawLog;
}

static void th_bevelThemeChecks() {
    th_Instance *a = th_create("BevelButton", 20, 30, 60, 22);
    th_Instance *b = th_create("BevelButton", 20, 100, 60, 22);
    CHECK(th_fake->opens == 1 && lstrcmpW(th_fake->lastClass, L"Toolbar") == 0);   // shared by both buttons
    th_setText(a, "Caption", "");
    // Normal state 1: parent background (no tab control), then part 1 into
    // the face, with no black frame.
    CHECK_LOOK(a, "Bevel=4", {20, 30, magenta});
    CHECK(th_fake->parentDraws == 1 && IsRectEmpty(&th_fake->lastParentRect) && th_fake->lastParentHwnd == a->hwnd);
    RECT in = {21, 31, 79, 51};
    CHECK(th_strEq(th_fake->drawLog, "1.1;") && EqualRect(&th_fake->lastRect, &in));
    // Hot (enter, which asks for a redraw), on and hot, on (exit clears hot).
    const struct { int slot; const char *settings, *draws; } steps[] = {{17, "", "1.2;"}, {0, "Value=1", "1.6;"}, {18, "", "1.5;"}};
    for (auto &s : steps) {
        int inv = a->invalidations;
        if (s.slot) th_call(a, s.slot);
        th_apply(a, s.settings);
        CHECK(th_strEq(th_draws(a), s.draws) && a->invalidations > inv);
    }
    th_set(a, "Value", 0);
    // Pressed, keeping the normal text colour.
    th_setText(a, "Caption", "WWW");
    th_mouseDown(a, 50, 40);
    CHECK(strstr(th_fake->drawLog, "1.3;") != nullptr);
    int white = 0, text = 0;
    th_box(a, RGB(255, 255, 255), RECT{22, 32, 78, 50}, &white);
    th_box(a, GetSysColor(COLOR_BTNTEXT), RECT{22, 32, 78, 50}, &text);
    CHECK(text && !white);
    th_mouseUp(a, 50, 40);
    // Menu arrow of the toolbar look: m = 41, triangle (69,40) (73,40) (71,42).
    th_setText(a, "Caption", "");
    CHECK_LOOK(a, "HasMenu=1", {71, 41, RGB(0, 0, 0)}, {71, 44, th_partColour(1, 1)});
    // Disabled toolbar: no frame, no fill.  Other bevels keep the classic
    // look with a theme present.
    th_fake->drawLog[0] = 0;
    CHECK_LOOK(a, "HasMenu=0 enabled=0", {21, 31, magenta});
    CHECK_LOOK(b, "Bevel=1", {20, 100, RGB(0, 0, 0)});
    CHECK_STR(th_fake->drawLog, "");
    a->enabled = 1;
    // Destroying one button leaves the other a valid handle (no draw with
    // a closed one, checked at the end).
    th_destroy(b);
    th_redraw(a);
    // Inside a tab control: the parent background covers the tab's rectangle
    // relative to the button.
    th_Instance *t = th_create("BevelButton", 320, 220, 60, 22);
    CHECK_LOOK(t, "Bevel=4");
    RECT rel = {-20, -20, 280, 180};
    CHECK(EqualRect(&th_fake->lastParentRect, &rel));
    th_destroy(t);
    th_destroy(a);
    // A new button after all were gone opens the class again (the end
    // checks that each was closed).
    a = th_create("BevelButton", 20, 30, 60, 22);
    CHECK_EQ(th_fake->opens, 2);
    th_destroy(a);
}

static void th_littleArrowsThemeChecks() {
    int opens = th_fake->opens;
    th_Instance *a = th_create("LittleArrows", 10, 10, 13, 23);
    CHECK(th_fake->opens == opens + 1 && lstrcmpW(th_fake->lastClass, L"Spin") == 0);
    // Both parts in state 1, with the gap between the arrows left alone.
    CHECK_STR(th_draws(a), "1.1;2.1;");
    CHECK_PX(a, {10, 10, th_partColour(1, 1)}, {10, 22, th_partColour(2, 1)}, {15, 21, magenta});
    int inv = a->invalidations;
    ((kst_MouseFn)th_slot(a, 19))(th_kst(a), 15, 25);   // the mouse moves over the down arrow
    CHECK_EQ(a->invalidations, inv + 1);
    CHECK_STR(th_draws(a), "1.1;2.2;");
    th_call(a, 18);
    CHECK_STR(th_draws(a), "1.1;2.1;");
    // Pressed down: only part 2 in state 3.  Disabled: both in state 4.
    th_fake->drawLog[0] = 0;
    th_mouseDown(a, 15, 25);
    CHECK_STR(th_fake->drawLog, "2.3;");
    th_mouseUp(a, 15, 25);
    a->enabled = 0;
    CHECK_STR(th_draws(a), "1.4;2.4;");
    th_destroy(a);
}

void th_themeChecks() {
    if (!th_fake) return;
    th_bevelThemeChecks();
    th_littleArrowsThemeChecks();
    // ChasingArrows has the parent background (the stand-in's green) drawn
    // into its square.
    th_Instance *c = th_create("ChasingArrows", 10, 10, 16, 16);
    th_redraw(c);
    RECT sq = {10, 10, 26, 26};
    CHECK(EqualRect(&th_fake->lastParentRect, &sq));
    CHECK_PX(c, {10, 10, RGB(0x44, 0x88, 0x22)});
    th_destroy(c);
    // Separator holds a handle while it lives (it draws as in the classic
    // look).
    th_destroy(th_create("Separator", 10, 10, 64, 4));
    // Every handle opened is closed, and none is drawn with after.
    CHECK(th_fake->badHandleDraws == 0 && th_fake->liveHandles == 0 && th_fake->opens == th_fake->closes);
    CHECK_EQ(th_locked(), 0);
}

// Every slot of every class, once.
static void th_exerciseAll() {
    for (int c = 0; c < th_rec.classCount; c++) {
        th_Instance *i = th_create(th_rec.classes[c]->name, 20, 30, 60, 22);
        for (int slot : {3, 13})
            if (th_slot(i, slot)) ((kst_DrawFn)th_slot(i, slot))(th_kst(i), i->screenGraphics);
        for (int slot : {4, 5, 6, 19})
            if (th_slot(i, slot)) ((kst_MouseFn)th_slot(i, slot))(th_kst(i), 25, 35);
        for (int slot : {10, 11, 12, 14, 15, 16, 17, 18, 20, 21})
            if (th_slot(i, slot)) th_call(i, slot);
        th_destroy(i);
    }
}

void th_bareHostChecks(const char *dir) {
    // No string routines: the caption stays its own value and every lock
    // the plug-in takes on it is released.
    static const char *const noStrings[] = {"PluginInterpretConstantValue", "StringGetCString",
                                            "REALGetStringEncoding", "PluginDefaultControlFont",
                                            "PluginDefaultControlCaption", "PluginDefaultControlFontSize", ""};
    CHECK(th_loadPlugin(dir, noStrings));
    th_Instance *b = th_create("BevelButton", 20, 30, 60, 22);
    th_setText(b, "Caption", "Caption");
    CHECK_LOOK(b, "", {20, 30, RGB(0, 0, 0)});
    RECT ink = th_box(b, GetSysColor(COLOR_BTNTEXT), RECT{22, 32, 78, 50});
    CHECK(ink.right > ink.left);
    th_destroy(b);
    th_exerciseAll();
    th_unloadPlugin();

    // Only registration (not even the version): all eight classes, nothing
    // draws, nothing crashes.
    static const char *const onlyRegister[] = {"PluginRegisterControl", ""};
    CHECK(th_loadPlugin(dir, onlyRegister, true));
    CHECK_EQ(th_rec.classCount, 8);
    th_exerciseAll();
    th_unloadPlugin();
    CHECK_EQ(th_locked(), 0);
}
