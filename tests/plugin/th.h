// Test host for the kestril plug-in: a small check framework, a recording
// implementation of every host routine the plug-in resolves, control
// instances with real windows and bitmap-backed device contexts, and the
// helpers the check groups share.
#pragma once

#include "kst_host.h"
#include "fake_uxtheme.h"
#include <stdio.h>
#include <initializer_list>

struct th_Instance;

extern int th_passed, th_failed;
void th_report(bool ok, const char *file, int line, const char *fmt, ...);
bool th_strEq(const char *a, const char *b);
#define CHECK(c) th_report((c), __FILE__, __LINE__, "%s", #c)
#define CHECK_EQ(a, b)                                                                              \
    do {                                                                                            \
        long long th_a = (long long)(a), th_b = (long long)(b);                                     \
        th_report(th_a == th_b, __FILE__, __LINE__, "%s == %s (%lld vs %lld)", #a, #b, th_a, th_b); \
    } while (0)
#define CHECK_STR(a, b) th_report(th_strEq((a), (b)), __FILE__, __LINE__, "%s == \"%s\" (got \"%s\")", #a, (b), (a) ? (a) : "(null)")
// Pixels of the control as shown, in window coordinates: CHECK_PX(inst,
// {x, y, colour}, ...) checks every probe of the list.
struct th_Probe {
    int x, y;
    COLORREF colour;
};
void th_checkPixels(th_Instance *inst, std::initializer_list<th_Probe> probes, const char *file, int line);
#define CHECK_PX(inst, ...) th_checkPixels((inst), {__VA_ARGS__}, __FILE__, __LINE__)
// One look of a control: applies settings ("Bevel=2 Value=1 enabled=0": 
// properties, and the instance's enabled, visible and tabVisible), clears
// the screen to magenta, redraws and checks the probes.
#define CHECK_LOOK(inst, settings, ...) (th_apply((inst), (settings)), th_redraw(inst), CHECK_PX((inst), __VA_ARGS__))

// Host strings and objects are one record: a string's head is what the
// plug-in reads, and its count is every object's lock count.
enum th_ObjectKind { th_kindString, th_kindPicture, th_kindReceiver, th_kindGraphics, th_kindWindow };
struct th_Object {
    kst_HostString head;
    th_ObjectKind kind;
    uint32_t encoding;         // strings
    char *storage;             // bytes plus two zero bytes
    int id;                    // receivers
    int width, height, transparent;
    COLORREF colour;           // pictures
    bool refuseDescription;
    int descLocks;
    HDC dc;                    // graphics
    th_Object *nextAll;
};
th_Object *th_str(const char *utf8);   // UTF-8 encoded
th_Object *th_strEnc(const void *bytes, int length, uint32_t encoding);
th_Object *th_picture(int w, int h, COLORREF colour, int transparent);
th_Object *th_receiver(int id);
void th_drop(void *o);                 // drop the test's own reference
inline kst_String th_k(th_Object *s) { return s ? &s->head : nullptr; }

struct th_Record {
    int registerVersion;
    kst_ClassDef *classes[16];
    int classCount;
    int underflows;             // locks released more often than taken
    char accelerator[256];
    char log[8192];             // event handler calls, "Name x y;" each
    RECT pictureRect;           // the last picture drawn
    int pictureTransparent;
};
extern th_Record th_rec;
void th_logClear();

struct th_Instance {
    const kst_ClassDef *def;
    RECT bounds;            // window coordinates
    int enabled, visible, tabVisible;
    void *handlers[4];      // by event index
    int mouseDownResult, mouseUpResult;
    int invalidations;
    HWND hwnd;              // the control's own window
    th_Object *window;      // the holding window object
    // The control as shown: a 32-bit bitmap of the control's size whose
    // device context maps window coordinates onto it.
    HBITMAP screenBitmap;
    HDC screenDC;
    th_Object *screenGraphics;
    char *memory;
};
th_Instance *th_create(const char *className, int left, int top, int width, int height);
void th_destroy(th_Instance *inst);
void *th_slot(th_Instance *inst, int slot);     // 1-based
kst_Instance th_kst(th_Instance *inst);
void th_clear(th_Instance *inst, COLORREF c);
void th_apply(th_Instance *inst, const char *settings);   // as CHECK_LOOK
void th_redraw(th_Instance *inst);               // clears, then slot 3 into the screen
COLORREF th_pixel(th_Instance *inst, int x, int y);
// Bounding box of the pixels of one colour inside an area (right <= left
// when none); `count` adds their number.
RECT th_box(th_Instance *inst, COLORREF c, RECT area, int *count = nullptr);
int th_mouseDown(th_Instance *inst, int x, int y);
void th_mouseDrag(th_Instance *inst, int x, int y);
int th_mouseUp(th_Instance *inst, int x, int y);
// Clears the log, presses at (x, y), drags to and releases at (toX, toY);
// returns the log.
const char *th_click(th_Instance *inst, int x, int y, int toX, int toY);
inline const char *th_click(th_Instance *inst, int x, int y) { return th_click(inst, x, y, x, y); }
void th_call(th_Instance *inst, int slot);
void th_set(th_Instance *inst, const char *prop, intptr_t value);
void th_setText(th_Instance *inst, const char *prop, const char *utf8);
intptr_t th_get(th_Instance *inst, const char *prop);
bool th_getText(th_Instance *inst, const char *prop, const char *want);
const kst_Method *th_method(const kst_ClassDef *def, const char *declarationStart);
void th_handle(th_Instance *inst, const char *eventDeclStart, void *handler);

// Event handlers that append to th_rec.log.
int KST_CALL th_onMouseDown(kst_Instance, int, int);
void KST_CALL th_onMouseDrag(kst_Instance, int, int);
int KST_CALL th_onMouseUp(kst_Instance, int, int);
void KST_CALL th_onAction(kst_Instance);
void KST_CALL th_onUp(kst_Instance);
void KST_CALL th_onDown(kst_Instance);

// The holding window and, inside it, a tab-control stand-in.
extern HWND th_mainWindow;
void th_windowsCreate();

// Host strings, objects and picture descriptions still locked, plus the
// locks released more often than taken (0 when everything is balanced).
int th_locked();

// `missing` lists the routines the resolver pretends not to have ("" ends
// the list), or with `allBut` every routine except those.
bool th_loadPlugin(const char *dir, const char *const *missing = nullptr, bool allBut = false);
void th_unloadPlugin();
extern fake_Stats *th_fake;

void th_bevelChecks();
void th_bevelMenuChecks();
void th_smallChecks();
void th_themeChecks();
void th_bareHostChecks(const char *dir);
