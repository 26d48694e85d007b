// Test host for the kestril plug-in: a small check framework, a recording
// implementation of every host routine the plug-in resolves, control
// instances with real windows and DIB-backed device contexts, and the
// helpers the check groups share.
#pragma once

#include "kst_host.h"
#include "fake_uxtheme.h"
#include <stdio.h>
#include <initializer_list>

// ------------------------------------------------------------------ checks
extern int th_passed, th_failed;
void th_report(bool ok, const char *file, int line, const char *fmt, ...);
#define CHECK(c) th_report((c), __FILE__, __LINE__, "%s", #c)
#define CHECK_EQ(a, b)                                                                              \
    do {                                                                                            \
        long long th_a = (long long)(a), th_b = (long long)(b);                                     \
        th_report(th_a == th_b, __FILE__, __LINE__, "%s == %s (%lld vs %lld)", #a, #b, th_a, th_b); \
    } while (0)
#define CHECK_STR(a, b) th_report(th_strEq((a), (b)), __FILE__, __LINE__, "%s == \"%s\" (got \"%s\")", #a, (b), (a) ? (a) : "(null)")
#define CHECK_PX(inst, x, y, colour)                                                                  \
    do {                                                                                              \
        COLORREF th_p = th_pixel((inst), (x), (y)), th_c = (colour);                                  \
        th_report(th_p == th_c, __FILE__, __LINE__, "pixel (%d,%d) = %06lx, want %06lx [%s]", (int)(x), \
                  (int)(y), (unsigned long)th_p, (unsigned long)th_c, #colour);                       \
    } while (0)
bool th_strEq(const char *a, const char *b);

// ------------------------------------------------------- host objects
// Host strings extend the record the plug-in reads.
struct th_String {
    kst_HostString head;
    uint32_t encoding;
    char *storage;   // bytes plus two zero bytes
    th_String *nextAll;
};
th_String *th_str(const char *utf8);                          // UTF-8 encoded
th_String *th_strEnc(const void *bytes, int length, uint32_t encoding);
void th_drop(void *stringOrObject);
inline kst_String th_k(th_String *s) {
    return s ? &s->head : nullptr;
}                          // drop the test's own reference

enum th_ObjectKind { th_kindPicture, th_kindReceiver, th_kindGraphics, th_kindWindow };
struct th_Object {
    int32_t refCount;
    th_ObjectKind kind;
    int id;
    // pictures
    int width, height, transparent;
    COLORREF colour;
    bool refuseDescription;
    int descLocks;
    // graphics
    HDC dc;
    // windows
    HWND hwnd;
    th_Object *nextAll;
};
th_Object *th_picture(int w, int h, COLORREF colour, int transparent);
th_Object *th_receiver(int id);

// Every host call worth asserting on.
struct th_Record {
    int registerVersion;        // value passed, -1 when never called
    int registerVersionCalls;
    kst_ClassDef *classes[16];
    int classCount;
    int resolveCounts[64];      // per routine name index
    int stringUnderflows, objectUnderflows, descUnderflows;
    int interpretCalls;
    int charsetCalls;
    char accelerator[256];
    int acceleratorCalls;
    int foreignEvents;
    char log[8192];             // event handler calls, "Name x y;" each
    int performActionCalls[8];  // per receiver id, in order of calls
    char receiverOrder[64];
    struct {
        th_Object *pic;
        RECT r;
        int transparent;
    } lastPicture;
    int pictureDraws;
};
extern th_Record th_rec;
void th_logClear();

// Routines the resolver pretends not to have ("" ends the list).
void th_setMissing(const char *const *names);
extern const char *const th_routineNames[];
int th_routineIndex(const char *name);

// ---------------------------------------------------------------- instances
struct th_Instance {
    const kst_ClassDef *def;
    int classIndex;
    RECT bounds;            // window coordinates
    int enabled, visible, tabVisible;
    uint32_t background;    // 0xRRGGBB
    void *handlers[4];      // by event index
    int mouseDownResult;
    int mouseUpResult;
    int invalidations;
    HWND hwnd;              // the control's own window
    th_Object *window;      // the holding window object
    // The control as shown: a DIB of the control's size whose device context
    // maps window coordinates onto it.
    HBITMAP screenBitmap;
    uint32_t *screenBits;
    HDC screenDC;
    th_Object *screenGraphics;
    char *memory;
};
th_Instance *th_create(const char *className, int left, int top, int width, int height, bool construct = true);
void th_destroy(th_Instance *inst);
void *th_slot(th_Instance *inst, int slot);     // 1-based
kst_Instance th_kst(th_Instance *inst);
void th_clear(th_Instance *inst, COLORREF c);
void th_redraw(th_Instance *inst);               // slot 3 into the screen
COLORREF th_pixel(th_Instance *inst, int x, int y);
int th_mouseDown(th_Instance *inst, int x, int y);
void th_mouseDrag(th_Instance *inst, int x, int y);
int th_mouseUp(th_Instance *inst, int x, int y);
void th_call(th_Instance *inst, int slot);
const kst_Property *th_property(const kst_ClassDef *def, const char *name);
void th_set(th_Instance *inst, const char *prop, intptr_t value);
intptr_t th_get(th_Instance *inst, const char *prop);
void *th_block(th_Instance *inst);
const kst_Method *th_method(const kst_ClassDef *def, const char *declarationStart);
void th_handle(th_Instance *inst, const char *eventDeclStart, void *handler);
const kst_ClassDef *th_class(const char *name);

// Event handlers that append to th_rec.log.
int KST_CALL th_onMouseDown(kst_Instance, int, int);
void KST_CALL th_onMouseDrag(kst_Instance, int, int);
int KST_CALL th_onMouseUp(kst_Instance, int, int);
void KST_CALL th_onAction(kst_Instance);
void KST_CALL th_onUp(kst_Instance);
void KST_CALL th_onDown(kst_Instance);

// The holding window, its tab-control stand-in and a child for controls.
extern HWND th_mainWindow, th_tabWindow;
void th_windowsCreate();

// Counts of host objects still locked (0 when everything is balanced).
int th_lockedStrings();
int th_lockedObjects();
int th_lockedDescriptions();

// Loading the plug-in.
extern HMODULE th_plugin;
bool th_loadPlugin(const char *dir);
void th_unloadPlugin();

// The stand-in visual-styles library's counters.
extern fake_Stats *th_fake;
bool th_loadFakeTheme(const char *dir);

// Groups.
void th_registrationChecks();
void th_bevelChecks();
void th_bevelMenuChecks();
void th_smallChecks();
void th_littleArrowsRepeatChecks();
void th_badInputChecks();
void th_themeChecks();
void th_bareHostChecks(const char *dir);
