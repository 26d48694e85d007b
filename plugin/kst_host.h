// kestril: the host's records (class definitions, properties, methods,
// events, behaviour and binding tables, strings, picture descriptions) as
// this plug-in declares them, the wrappers that bind host routines by name
// on first use, and every piece of global state of the plug-in.
#pragma once

#include <windows.h>
#include <stdint.h>
#include <stddef.h>

#define KST_CALL __cdecl

// ---------------------------------------------------------------- host types

// A host string: reference count, bytes (not necessarily zero-terminated)
// and their count.  The plug-in only reads it; the host owns its memory.
struct kst_HostString {
    int32_t refCount;
    const char *bytes;
    int32_t length;
};
typedef kst_HostString *kst_String;

typedef void *kst_Object;       // any host object (pictures, receivers, windows)
typedef void *kst_Graphics;     // a host graphics object
typedef void *kst_Instance;     // a control instance; its private block lives inside

// What "lockPictureDescription" fills: the picture pinned for drawing.
struct kst_PictureDesc {
    int32_t kind;
    int32_t handle;
    int32_t width;
    int32_t height;
    int32_t depth;
    int32_t transparent;
};

// "GetControlBounds": four 16-bit values.
struct kst_Bounds {
    int16_t top, left, bottom, right;
};

// Encodings as the host reports them.
enum { kst_encodingUtf16 = 256, kst_encodingUtf8 = 0x08000100 };

// Value of a getter or setter that selects the host's standard accessor.
#define KST_STANDARD ((void *)~(uintptr_t)0)

struct kst_Property {
    const char *group;
    const char *name;
    const char *type;
    int32_t flags;
    void *getter;
    void *setter;
    intptr_t offset;
    void *editor;
    int32_t enumCount;
    const char *const *enumEntries;
};

struct kst_Method {
    void *function;
    void *assign;
    const char *declaration;
};

struct kst_Event {
    const char *declaration;
    intptr_t reserved;
};

struct kst_Binding {
    const char *interfaceName;
    const char *text;
    const char *extra;
};

// The 24 behaviour slots, numbered 1..24 in the host's order.
enum { kst_slotCount = 24 };
struct kst_Behaviour {
    void *slot[kst_slotCount];
};

struct kst_ClassDef {
    int32_t version;
    const char *name;
    uint32_t blockSize;
    uint32_t flags;
    int32_t palettePicture, palettePressedPicture;
    int32_t defaultWidth, defaultHeight;
    const kst_Property *properties;
    int32_t propertyCount;
    const kst_Method *methods;
    int32_t methodCount;
    const kst_Event *events;
    int32_t eventCount;
    const kst_Behaviour *behaviour;
    intptr_t blockOffset;            // written by the host during registration
    intptr_t reserved1, reserved2;
    const char *interfaces;
    const kst_Binding *bindings;
    int32_t bindingCount;
    intptr_t reserved3, reserved4;
};

// Callback shapes of the behaviour slots and of event handlers.
typedef void (KST_CALL *kst_InstanceFn)(kst_Instance);
typedef void (KST_CALL *kst_DrawFn)(kst_Instance, kst_Graphics);
typedef int (KST_CALL *kst_MouseFn)(kst_Instance, int x, int y);
typedef intptr_t (KST_CALL *kst_HandleFn)(kst_Instance);
typedef void (KST_CALL *kst_PerformActionFn)(kst_Object receiver);

typedef void *(KST_CALL *kst_Resolver)(const char *name);

// -------------------------------------------------- the 32-bit layout pins
#if defined(__i386__)
static_assert(sizeof(void *) == 4, "i686 build");
static_assert(sizeof(kst_HostString) == 12, "host string");
static_assert(sizeof(kst_PictureDesc) == 24, "picture description");
static_assert(sizeof(kst_Bounds) == 8, "bounds");
static_assert(sizeof(kst_Property) == 40, "property record");
static_assert(offsetof(kst_Property, offset) == 24 && offsetof(kst_Property, enumEntries) == 36, "property fields");
static_assert(sizeof(kst_Method) == 12, "method record");
static_assert(sizeof(kst_Event) == 8, "event record");
static_assert(sizeof(kst_Binding) == 12, "binding record");
static_assert(sizeof(kst_Behaviour) == 96, "behaviour table");
static_assert(offsetof(kst_ClassDef, name) == 4 && offsetof(kst_ClassDef, blockSize) == 8 &&
              offsetof(kst_ClassDef, flags) == 12 && offsetof(kst_ClassDef, palettePicture) == 16 &&
              offsetof(kst_ClassDef, defaultWidth) == 24 && offsetof(kst_ClassDef, properties) == 32 &&
              offsetof(kst_ClassDef, methods) == 40 && offsetof(kst_ClassDef, events) == 48 &&
              offsetof(kst_ClassDef, behaviour) == 56 && offsetof(kst_ClassDef, blockOffset) == 60 &&
              offsetof(kst_ClassDef, reserved1) == 64 && offsetof(kst_ClassDef, interfaces) == 72 &&
              offsetof(kst_ClassDef, bindings) == 76 && offsetof(kst_ClassDef, bindingCount) == 80 &&
              offsetof(kst_ClassDef, reserved3) == 84 && sizeof(kst_ClassDef) == 92,
              "class definition record");
#endif

// ------------------------------------------------------------ global state

extern kst_Resolver kst_hostResolver;

// Visual styles: one-shot checks and the library binding.
extern bool kst_themeCheckPending;
extern bool kst_themesAvailable;
extern bool kst_unicodeCheckPending;
extern bool kst_unicodeSystem;
extern HMODULE kst_themeModule;

// One theme class handle shared by all live instances of a control class.
struct kst_SharedTheme {
    const wchar_t *className;
    HANDLE handle;
    int users;
};
extern kst_SharedTheme kst_bevelTheme;      // "Toolbar"
extern kst_SharedTheme kst_separatorTheme;  // "Toolbar"
extern kst_SharedTheme kst_spinTheme;       // "Spin"

// LittleArrows: time of each arrow's last repeat (milliseconds), shared by
// all instances since only one arrow can be held at a time.
extern DWORD kst_lastRepeat[2];

// The class definition records, alive and writable for the whole process.
extern kst_ClassDef kst_bevelButtonClass;
extern kst_ClassDef kst_disclosureClass;
extern kst_ClassDef kst_littleArrowsClass;
extern kst_ClassDef kst_chasingArrowsClass;
extern kst_ClassDef kst_separatorClass;
extern kst_ClassDef kst_imageWellClass;
extern kst_ClassDef kst_popupArrowClass;
extern kst_ClassDef kst_placardClass;

// ------------------------------------------------------- host routine calls

void kst_registerPluginVersion(int version);
void kst_pluginRegisterControl(kst_ClassDef *def);
const char *kst_stringGetCString(kst_String s);
kst_String kst_interpretConstantValue(kst_String s);
kst_String kst_defaultControlFont();
kst_String kst_defaultControlCaption();
int kst_defaultControlFontSize();
void kst_lockObject(kst_Object o);
void kst_unlockObject(kst_Object o);
void kst_lockString(kst_String s);
void kst_unlockString(kst_String s);
// Holds `s` in *held in place of the string held there before.
void kst_replaceString(kst_String *held, kst_String s);
void *kst_getInterfaceRoutine(kst_Object o, const char *interfaceName, const char *routine);
int kst_lockPictureDescription(kst_Object pic, kst_PictureDesc *desc);
void kst_unlockPictureDescription(kst_Object pic);
void kst_drawPicturePrimitive(kst_Object pic, HDC dc, const RECT *r, int transparent);
// A picture a control holds, with its description pinned for drawing only
// when the host agreed; *pinned says so, keeping pin and unpin balanced.
void kst_releasePicture(kst_Object *held, int32_t *pinned, kst_PictureDesc *desc);
void kst_replacePicture(kst_Object *held, int32_t *pinned, kst_PictureDesc *desc, kst_Object pic);
void *kst_getEventInstance(kst_Instance inst, const kst_Event *event);
void kst_getControlBounds(kst_Instance inst, RECT *r);
int kst_getControlVisible(kst_Instance inst);
int kst_getControlEnabled(kst_Instance inst);
kst_Graphics kst_getControlGraphics(kst_Instance inst);
int kst_getWin32Charset();
HDC kst_graphicsDC(kst_Graphics g);
void kst_invalidateControl(kst_Instance inst);
void kst_setSpecialBackground(kst_Instance inst, uint32_t *rgb);
kst_Object kst_getControlWindow(kst_Instance inst);
HWND kst_getWindowHandle(kst_Object window);
void kst_setAccelerator(kst_Instance inst, kst_String s);
int kst_getTabPanelVisible(kst_Instance inst);
HWND kst_getControlHandle(kst_Instance inst);
uint32_t kst_getStringEncoding(kst_String s);

// The instance's private block, at the offset the host wrote into its class.
void *kst_block(kst_Instance inst, const kst_ClassDef *def);

// ------------------------------------------------------- shared slot helpers
void KST_CALL kst_doNothing(kst_Instance inst);
void KST_CALL kst_locateBlock(kst_Instance inst);
intptr_t KST_CALL kst_returnZero(kst_Instance inst);

// Event forwarding: handler of a declared event, called with the position
// relative to the control.  Returns the handler's result (0 without one).
int kst_forwardMouse(kst_Instance inst, const kst_Event *event, int x, int y);
void kst_forwardPlain(kst_Instance inst, const kst_Event *event);

// A graphics object to draw outside a redraw callback, and its release.
struct kst_Canvas {
    kst_Graphics graphics;
    HDC dc;
    bool owned;
};
kst_Canvas kst_canvasOpen(kst_Instance inst, kst_Graphics given);
void kst_canvasClose(kst_Canvas *c);
// Opens the canvas and reads the control's bounds; false, with the canvas
// already closed, when there is no device context to draw into.
bool kst_canvasOpenWithBounds(kst_Instance inst, kst_Graphics given, kst_Canvas *c, RECT *bounds);

// ------------------------------------------------------------- host text
// Windows text of a host string: UTF-16 on a Unicode system, the system 8-bit
// encoding otherwise.  Always zero-terminated; free with kst_textFree.
struct kst_Text {
    wchar_t *wide;     // Unicode system
    char *narrow;      // other systems
    int length;        // characters, without the terminator
};
void kst_unicodeCheck();
kst_Text kst_textFromHost(kst_String s);
void kst_textFree(kst_Text *t);
void kst_textStripMarkers(kst_Text *t);
unsigned kst_textAccelerator(const kst_Text *t);   // 0 when none
int kst_textDraw(HDC dc, const kst_Text *t, RECT *r, UINT format);
void kst_textExtent(HDC dc, const kst_Text *t, SIZE *size);

// ------------------------------------------------------------ visual styles
void kst_themeCheck();
void kst_themeLoad();
void kst_themeFree();
void kst_themeAcquire(kst_SharedTheme *t, HWND hwnd);
void kst_themeRelease(kst_SharedTheme *t);
// A theme-using instance's share: the library and, while it is loaded, the
// class handle; detaching gives both back.
void kst_themeAttach(kst_SharedTheme *t, kst_Instance inst);
void kst_themeDetach(kst_SharedTheme *t);
HRESULT kst_themeDrawBackground(HANDLE theme, HDC dc, int part, int state, const RECT *r, const RECT *clip);
HRESULT kst_themeDrawParentBackground(HWND hwnd, HDC dc, const RECT *r);

// ------------------------------------------------------------ GDI helpers
void kst_gdiLine(HDC dc, COLORREF c, const POINT *pts, int count);
void kst_gdiFill(HDC dc, int left, int top, int right, int bottom, COLORREF c);
void kst_gdiFrame(HDC dc, const RECT *r, HBRUSH brush);
void kst_gdiTriangle(HDC dc, HBRUSH brush, COLORREF edge, int x0, int y0, int x1, int y1, int x2, int y2);
// Clip to a rectangle given in logical coordinates shifted by (dx, dy);
// the previous clip is kept in *saved (null region when there was none).
void kst_gdiClipPush(HDC dc, const RECT *r, int dx, int dy, HRGN *saved);
void kst_gdiClipPop(HDC dc, HRGN saved);
