// kestril: lazy binding of host routines.  Every wrapper resolves its routine
// by name on first use, keeps it for the life of the process and falls back
// to a neutral value when the host does not offer it.
#include "kst_host.h"

kst_Resolver kst_hostResolver = nullptr;

// Fills the cache slot on first use; later calls reuse it.
#define KST_BIND(type, slot, name)                                        \
    static type slot = nullptr;                                           \
    if (!slot && kst_hostResolver) slot = (type)kst_hostResolver(name);

void kst_registerPluginVersion(int version) {
    typedef void (KST_CALL *Fn)(int);
    KST_BIND(Fn, fn, "RegisterPluginVersion");
    if (fn) fn(version);
}

void kst_pluginRegisterControl(kst_ClassDef *def) {
    typedef void (KST_CALL *Fn)(kst_ClassDef *);
    KST_BIND(Fn, fn, "PluginRegisterControl");
    if (fn) fn(def);
}

const char *kst_stringGetCString(kst_String s) {
    typedef const char *(KST_CALL *Fn)(kst_String);
    KST_BIND(Fn, fn, "StringGetCString");
    return fn ? fn(s) : nullptr;
}

// Without the host routine the caption is its own value; it is locked once
// more so that the caller's unlock stays balanced.
kst_String kst_interpretConstantValue(kst_String s) {
    typedef kst_String (KST_CALL *Fn)(kst_String);
    KST_BIND(Fn, fn, "PluginInterpretConstantValue");
    if (fn) return fn(s);
    kst_lockString(s);
    return s;
}

kst_String kst_defaultControlFont() {
    typedef kst_String (KST_CALL *Fn)();
    KST_BIND(Fn, fn, "PluginDefaultControlFont");
    return fn ? fn() : nullptr;
}

kst_String kst_defaultControlCaption() {
    typedef kst_String (KST_CALL *Fn)();
    KST_BIND(Fn, fn, "PluginDefaultControlCaption");
    return fn ? fn() : nullptr;
}

int kst_defaultControlFontSize() {
    typedef int (KST_CALL *Fn)();
    KST_BIND(Fn, fn, "PluginDefaultControlFontSize");
    return fn ? fn() : 0;
}

void kst_lockObject(kst_Object o) {
    typedef void (KST_CALL *Fn)(kst_Object);
    KST_BIND(Fn, fn, "REALLockObject");
    if (fn && o) fn(o);
}

void kst_unlockObject(kst_Object o) {
    typedef void (KST_CALL *Fn)(kst_Object);
    KST_BIND(Fn, fn, "REALUnlockObject");
    if (fn && o) fn(o);
}

void kst_lockString(kst_String s) {
    typedef void (KST_CALL *Fn)(kst_String);
    KST_BIND(Fn, fn, "REALLockString");
    if (fn && s) fn(s);
}

void kst_unlockString(kst_String s) {
    typedef void (KST_CALL *Fn)(kst_String);
    KST_BIND(Fn, fn, "REALUnlockString");
    if (fn && s) fn(s);
}

// Locking first keeps the string alive when it is the one already held.
void kst_replaceString(kst_String *held, kst_String s) {
    kst_lockString(s);
    kst_unlockString(*held);
    *held = s;
}

void *kst_getInterfaceRoutine(kst_Object o, const char *interfaceName, const char *routine) {
    typedef void *(KST_CALL *Fn)(kst_Object, const char *, const char *);
    KST_BIND(Fn, fn, "GetInterfaceRoutine");
    return fn ? fn(o, interfaceName, routine) : nullptr;
}

int kst_lockPictureDescription(kst_Object pic, kst_PictureDesc *desc) {
    typedef int (KST_CALL *Fn)(kst_Object, kst_PictureDesc *);
    KST_BIND(Fn, fn, "lockPictureDescription");
    return fn ? fn(pic, desc) : 0;
}

void kst_unlockPictureDescription(kst_Object pic) {
    typedef void (KST_CALL *Fn)(kst_Object);
    KST_BIND(Fn, fn, "unlockPictureDescription");
    if (fn) fn(pic);
}

void kst_drawPicturePrimitive(kst_Object pic, HDC dc, const RECT *r, int transparent) {
    typedef void (KST_CALL *Fn)(kst_Object, HDC, const RECT *, int);
    KST_BIND(Fn, fn, "drawPicturePrimitive");
    if (fn) fn(pic, dc, r, transparent);
}

void kst_releasePicture(kst_Object *held, int32_t *pinned, kst_PictureDesc *desc) {
    if (*held) {
        if (*pinned) kst_unlockPictureDescription(*held);
        kst_unlockObject(*held);
    }
    *held = nullptr;
    *pinned = 0;
    ZeroMemory(desc, sizeof *desc);
}

// Locking first keeps the picture alive when it is the one already held.
void kst_replacePicture(kst_Object *held, int32_t *pinned, kst_PictureDesc *desc, kst_Object pic) {
    kst_lockObject(pic);
    kst_releasePicture(held, pinned, desc);
    *held = pic;
    if (pic) *pinned = kst_lockPictureDescription(pic, desc) ? 1 : 0;
    if (!*pinned) ZeroMemory(desc, sizeof *desc);
}

void *kst_getEventInstance(kst_Instance inst, const kst_Event *event) {
    typedef void *(KST_CALL *Fn)(kst_Instance, const kst_Event *);
    KST_BIND(Fn, fn, "GetEventInstance");
    return fn ? fn(inst, event) : nullptr;
}

// Without the host routine the control is an empty rectangle at the origin.
void kst_getControlBounds(kst_Instance inst, RECT *r) {
    typedef void (KST_CALL *Fn)(kst_Instance, kst_Bounds *);
    KST_BIND(Fn, fn, "GetControlBounds");
    kst_Bounds b = {0, 0, 0, 0};
    if (fn) fn(inst, &b);
    r->left = b.left;
    r->top = b.top;
    r->right = b.right;
    r->bottom = b.bottom;
}

int kst_getControlVisible(kst_Instance inst) {
    typedef int (KST_CALL *Fn)(kst_Instance);
    KST_BIND(Fn, fn, "GetControlVisible");
    return fn ? fn(inst) : 0;
}

int kst_getControlEnabled(kst_Instance inst) {
    typedef int (KST_CALL *Fn)(kst_Instance);
    KST_BIND(Fn, fn, "REALGetControlEnabled");
    return fn ? fn(inst) : 0;
}

kst_Graphics kst_getControlGraphics(kst_Instance inst) {
    typedef kst_Graphics (KST_CALL *Fn)(kst_Instance);
    KST_BIND(Fn, fn, "REALGetControlGraphics");
    return fn ? fn(inst) : nullptr;
}

int kst_getWin32Charset() {
    typedef int (KST_CALL *Fn)();
    KST_BIND(Fn, fn, "REALGetWin32Charset");
    return fn ? fn() : 0;
}

HDC kst_graphicsDC(kst_Graphics g) {
    typedef HDC (KST_CALL *Fn)(kst_Graphics);
    KST_BIND(Fn, fn, "REALGraphicsDC");
    return fn && g ? fn(g) : nullptr;
}

void kst_invalidateControl(kst_Instance inst) {
    typedef void (KST_CALL *Fn)(kst_Instance);
    KST_BIND(Fn, fn, "REALInvalidateControl");
    if (fn) fn(inst);
}

void kst_setSpecialBackground(kst_Instance inst, uint32_t *rgb) {
    typedef void (KST_CALL *Fn)(kst_Instance, uint32_t *);
    KST_BIND(Fn, fn, "REALSetSpecialBackground");
    if (fn) fn(inst, rgb);
}

kst_Object kst_getControlWindow(kst_Instance inst) {
    typedef kst_Object (KST_CALL *Fn)(kst_Instance);
    KST_BIND(Fn, fn, "getControlWindow");
    return fn ? fn(inst) : nullptr;
}

HWND kst_getWindowHandle(kst_Object window) {
    typedef HWND (KST_CALL *Fn)(kst_Object);
    KST_BIND(Fn, fn, "REALGetWindowHandle");
    return fn && window ? fn(window) : nullptr;
}

void kst_setAccelerator(kst_Instance inst, kst_String s) {
    typedef void (KST_CALL *Fn)(kst_Instance, kst_String);
    KST_BIND(Fn, fn, "REALSetAccelerator");
    if (fn) fn(inst, s);
}

int kst_getTabPanelVisible(kst_Instance inst) {
    typedef int (KST_CALL *Fn)(kst_Instance);
    KST_BIND(Fn, fn, "GetTabPanelVisible");
    return fn ? fn(inst) : 0;
}

HWND kst_getControlHandle(kst_Instance inst) {
    typedef HWND (KST_CALL *Fn)(kst_Instance);
    KST_BIND(Fn, fn, "REALGetControlHandle");
    return fn ? fn(inst) : nullptr;
}

uint32_t kst_getStringEncoding(kst_String s) {
    typedef uint32_t (KST_CALL *Fn)(kst_String);
    KST_BIND(Fn, fn, "REALGetStringEncoding");
    return fn && s ? fn(s) : 0;
}

void *kst_block(kst_Instance inst, const kst_ClassDef *def) {
    return (char *)inst + def->blockOffset;
}

int kst_forwardMouse(kst_Instance inst, const kst_Event *event, int x, int y) {
    typedef int (KST_CALL *Handler)(kst_Instance, int, int);
    Handler h = (Handler)kst_getEventInstance(inst, event);
    if (!h) return 0;
    RECT r;
    kst_getControlBounds(inst, &r);
    return h(inst, x - r.left, y - r.top) ? 1 : 0;
}

void kst_forwardPlain(kst_Instance inst, const kst_Event *event) {
    typedef void (KST_CALL *Handler)(kst_Instance);
    Handler h = (Handler)kst_getEventInstance(inst, event);
    if (h) h(inst);
}

kst_Canvas kst_canvasOpen(kst_Instance inst, kst_Graphics given) {
    kst_Canvas c;
    c.owned = given == nullptr;
    c.graphics = given ? given : kst_getControlGraphics(inst);
    c.dc = kst_graphicsDC(c.graphics);
    return c;
}

void kst_canvasClose(kst_Canvas *c) {
    if (c->owned && c->graphics) kst_unlockObject(c->graphics);
    c->graphics = nullptr;
    c->dc = nullptr;
}

bool kst_canvasOpenWithBounds(kst_Instance inst, kst_Graphics given, kst_Canvas *c, RECT *bounds) {
    *c = kst_canvasOpen(inst, given);
    if (!c->dc) {
        kst_canvasClose(c);
        return false;
    }
    kst_getControlBounds(inst, bounds);
    return true;
}
