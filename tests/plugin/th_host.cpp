// Test host: the recording implementation of every host routine the
// plug-in resolves by name, the resolver itself, host strings and objects
// with their lock counts, and control instances drawn into 32-bit bitmaps.
#include "th.h"
#include <stdarg.h>
#include <stdlib.h>
#include <string.h>

int th_passed = 0, th_failed = 0;
th_Record th_rec;
static HMODULE th_plugin = nullptr;
HWND th_mainWindow = nullptr;
static HWND th_tabWindow = nullptr;

void th_report(bool ok, const char *file, int line, const char *fmt, ...) {
    if (ok) {
        th_passed++;
        return;
    }
    th_failed++;
    printf("FAIL %s:%d: ", file, line);
    va_list ap;
    va_start(ap, fmt);
    vprintf(fmt, ap);
    va_end(ap);
    printf("\n");
}

bool th_strEq(const char *a, const char *b) { return a && b && strcmp(a, b) == 0; }

void th_checkPixels(th_Instance *inst, std::initializer_list<th_Probe> probes, const char *file, int line) {
    for (const th_Probe &p : probes) {
        COLORREF got = th_pixel(inst, p.x, p.y);
        th_report(got == p.colour, file, line, "pixel (%d,%d) = %06lx, want %06lx", p.x, p.y, (unsigned long)got,
                  (unsigned long)p.colour);
    }
}

RECT th_box(th_Instance *inst, COLORREF c, RECT area, int *count) {
    RECT box = {100000, 100000, -100000, -100000};
    for (int y = area.top; y < area.bottom; y++)
        for (int x = area.left; x < area.right; x++)
            if (th_pixel(inst, x, y) == c) {
                box = RECT{x < box.left ? x : box.left, y < box.top ? y : box.top, x + 1 > box.right ? x + 1 : box.right,
                           y + 1 > box.bottom ? y + 1 : box.bottom};
                if (count) ++*count;
            }
    return box;
}

void th_apply(th_Instance *inst, const char *settings) {
    char name[64];
    int value, used;
    for (const char *p = settings; sscanf(p, " %63[^= ]=%d%n", name, &value, &used) == 2; p += used) {
        int *field = !strcmp(name, "enabled") ? &inst->enabled : !strcmp(name, "visible") ? &inst->visible
                   : !strcmp(name, "tabVisible") ? &inst->tabVisible : nullptr;
        if (field) *field = value;
        else th_set(inst, name, value);
    }
}

static th_Object *th_allObjects = nullptr;

static th_Object *th_object(th_ObjectKind kind) {
    th_Object *o = (th_Object *)calloc(1, sizeof(th_Object));
    o->head.refCount = 1;
    o->kind = kind;
    o->nextAll = th_allObjects;
    th_allObjects = o;
    return o;
}

th_Object *th_strEnc(const void *bytes, int length, uint32_t encoding) {
    th_Object *s = th_object(th_kindString);
    s->storage = (char *)calloc(1, length + 2);
    if (length > 0) memcpy(s->storage, bytes, length);
    s->head.bytes = s->storage;
    s->head.length = length;
    s->encoding = encoding;
    return s;
}

th_Object *th_str(const char *utf8) { return th_strEnc(utf8, (int)strlen(utf8), kst_encodingUtf8); }

void th_drop(void *p) {
    if (p && --*(int32_t *)p < 0) th_rec.underflows++;
}

th_Object *th_picture(int w, int h, COLORREF colour, int transparent) {
    th_Object *o = th_object(th_kindPicture);
    o->width = w;
    o->height = h;
    o->colour = colour;
    o->transparent = transparent;
    return o;
}

th_Object *th_receiver(int id) {
    th_Object *o = th_object(th_kindReceiver);
    o->id = id;
    return o;
}

int th_locked() {
    int n = 0;
    for (th_Object *o = th_allObjects; o; o = o->nextAll) n += (o->kind != th_kindWindow && o->head.refCount) + (o->descLocks != 0);
    return n + th_rec.underflows;
}

void th_logClear() { th_rec.log[0] = 0; }

static void th_logf(const char *fmt, ...) {
    size_t n = strlen(th_rec.log);
    va_list ap;
    va_start(ap, fmt);
    vsnprintf(th_rec.log + n, sizeof th_rec.log - n, fmt, ap);
    va_end(ap);
}

enum { th_headerSize = 64 };

static th_Instance *th_fromKst(kst_Instance k) { return k ? *(th_Instance **)k : nullptr; }
kst_Instance th_kst(th_Instance *inst) { return inst->memory; }
static void *th_block(th_Instance *inst) { return inst->memory + inst->def->blockOffset; }

void *th_slot(th_Instance *inst, int slot) {
    return inst->def->behaviour ? inst->def->behaviour->slot[slot - 1] : nullptr;
}

static LRESULT CALLBACK th_windowProc(HWND h, UINT m, WPARAM w, LPARAM l) { return DefWindowProcW(h, m, w, l); }

void th_windowsCreate() {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = th_windowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    // Our own class under the tab control's name: the plug-in only looks at
    // the class name of its ancestors.
    for (const wchar_t *name : {L"KstHostWindow", L"SysTabControl32", L"KstHostControl"}) {
        wc.lpszClassName = name;
        RegisterClassW(&wc);
    }
    th_mainWindow = CreateWindowExW(0, L"KstHostWindow", L"kestril test host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100,
                                    100, 640, 480, nullptr, nullptr, wc.hInstance, nullptr);
    th_tabWindow = CreateWindowExW(0, L"SysTabControl32", L"", WS_CHILD | WS_VISIBLE, 300, 200, 300, 200,
                                   th_mainWindow, nullptr, wc.hInstance, nullptr);
    // Let the windows settle on the display before anything asks where they are.
    DWORD start = GetTickCount();
    MSG m;
    while (GetTickCount() - start < 200) {
        while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&m);
        Sleep(10);
    }
}

th_Instance *th_create(const char *className, int left, int top, int width, int height) {
    th_Instance *inst = (th_Instance *)calloc(1, sizeof(th_Instance));
    for (int i = 0; i < th_rec.classCount && !inst->def; i++)
        if (th_strEq(th_rec.classes[i]->name, className)) inst->def = th_rec.classes[i];
    if (!inst->def) {
        th_report(false, __FILE__, __LINE__, "class %s registered", className);
        free(inst);
        return nullptr;
    }
    inst->bounds = RECT{left, top, left + width, top + height};
    inst->enabled = inst->visible = inst->tabVisible = 1;
    inst->memory = (char *)calloc(1, th_headerSize + inst->def->blockSize + 64);
    *(th_Instance **)inst->memory = inst;
    // Inside the tab-control stand-in when placed there.
    bool inTab = left >= 300 && top >= 200;
    inst->hwnd = CreateWindowExW(0, L"KstHostControl", L"", WS_CHILD | WS_VISIBLE, inTab ? left - 300 : left,
                                 inTab ? top - 200 : top, width, height, inTab ? th_tabWindow : th_mainWindow,
                                 nullptr, GetModuleHandleW(nullptr), nullptr);
    inst->window = th_object(th_kindWindow);

    inst->screenBitmap = CreateBitmap(width > 0 ? width : 1, height > 0 ? height : 1, 1, 32, nullptr);
    inst->screenDC = CreateCompatibleDC(nullptr);
    SelectObject(inst->screenDC, inst->screenBitmap);
    SetWindowOrgEx(inst->screenDC, left, top, nullptr);
    inst->screenGraphics = th_object(th_kindGraphics);
    inst->screenGraphics->dc = inst->screenDC;
    th_clear(inst, RGB(255, 0, 255));
    if (th_slot(inst, 1)) th_call(inst, 1);
    return inst;
}

void th_destroy(th_Instance *inst) {
    if (th_slot(inst, 2)) th_call(inst, 2);
    DeleteDC(inst->screenDC);
    DeleteObject(inst->screenBitmap);
    DestroyWindow(inst->hwnd);
    th_drop(inst->screenGraphics);
    th_drop(inst->window);
    free(inst->memory);
    free(inst);
}

void th_clear(th_Instance *inst, COLORREF c) {
    HBRUSH b = CreateSolidBrush(c);
    FillRect(inst->screenDC, &inst->bounds, b);
    DeleteObject(b);
}

void th_redraw(th_Instance *inst) {
    th_clear(inst, RGB(255, 0, 255));
    if (th_slot(inst, 3)) ((kst_DrawFn)th_slot(inst, 3))(th_kst(inst), inst->screenGraphics);
}

COLORREF th_pixel(th_Instance *inst, int x, int y) {
    GdiFlush();
    return GetPixel(inst->screenDC, x, y);
}

int th_mouseDown(th_Instance *inst, int x, int y) { return ((kst_MouseFn)th_slot(inst, 4))(th_kst(inst), x, y); }
void th_mouseDrag(th_Instance *inst, int x, int y) { ((kst_MouseFn)th_slot(inst, 5))(th_kst(inst), x, y); }
int th_mouseUp(th_Instance *inst, int x, int y) { return ((kst_MouseFn)th_slot(inst, 6))(th_kst(inst), x, y); }
const char *th_click(th_Instance *inst, int x, int y, int toX, int toY) {
    th_logClear();
    th_mouseDown(inst, x, y);
    th_mouseDrag(inst, toX, toY);
    th_mouseUp(inst, toX, toY);
    return th_rec.log;
}
void th_call(th_Instance *inst, int slot) { ((kst_InstanceFn)th_slot(inst, slot))(th_kst(inst)); }

const kst_Method *th_method(const kst_ClassDef *def, const char *declarationStart) {
    for (int i = 0; i < def->methodCount; i++)
        if (strncmp(def->methods[i].declaration, declarationStart, strlen(declarationStart)) == 0)
            return &def->methods[i];
    return nullptr;
}

// The host's standard accessors read and write the block by the type name
// (pictures and strings always have setters of their own).
typedef void(KST_CALL *th_SetterFn)(kst_Instance, intptr_t, intptr_t);
typedef intptr_t(KST_CALL *th_GetterFn)(kst_Instance, intptr_t);

static const kst_Property *th_need(th_Instance *inst, const char *name) {
    for (int i = 0; i < inst->def->propertyCount; i++)
        if (strcmp(inst->def->properties[i].name, name) == 0) return &inst->def->properties[i];
    th_report(false, __FILE__, __LINE__, "property %s exists", name);
    return nullptr;
}

void th_set(th_Instance *inst, const char *name, intptr_t value) {
    const kst_Property *p = th_need(inst, name);
    if (!p) return;
    if (p->setter != KST_STANDARD) {
        ((th_SetterFn)p->setter)(th_kst(inst), p->offset, value);
        return;
    }
    char *field = (char *)th_block(inst) + p->offset;
    if (lstrcmpiA(p->type, "Boolean") == 0) {
        *(bool *)field = value != 0;
    } else {
        *(int32_t *)field = (int32_t)value;
    }
}

void th_setText(th_Instance *inst, const char *name, const char *utf8) {
    th_Object *s = th_str(utf8);
    th_set(inst, name, (intptr_t)s);
    th_drop(s);
}

intptr_t th_get(th_Instance *inst, const char *name) {
    const kst_Property *p = th_need(inst, name);
    if (!p) return 0;
    if (p->getter != KST_STANDARD) return ((th_GetterFn)p->getter)(th_kst(inst), p->offset);
    char *field = (char *)th_block(inst) + p->offset;
    if (lstrcmpiA(p->type, "String") == 0) return (intptr_t) * (void **)field;
    if (lstrcmpiA(p->type, "Boolean") == 0) return *(bool *)field;
    return *(int32_t *)field;
}

// Whether a string property reads as `want`.  An own getter hands over a
// reference, which is dropped; the standard one reads the field.
bool th_getText(th_Instance *inst, const char *name, const char *want) {
    th_Object *s = (th_Object *)th_get(inst, name);
    bool same = s && th_strEq(s->storage, want);
    if (s && th_need(inst, name)->getter != KST_STANDARD) th_drop(s);
    return same;
}

void th_handle(th_Instance *inst, const char *eventDeclStart, void *handler) {
    for (int i = 0; i < inst->def->eventCount && i < 4; i++) {
        if (strncmp(inst->def->events[i].declaration, eventDeclStart, strlen(eventDeclStart)) == 0) {
            inst->handlers[i] = handler;
            return;
        }
    }
    th_report(false, __FILE__, __LINE__, "event %s of %s exists", eventDeclStart, inst->def->name);
}

int KST_CALL th_onMouseDown(kst_Instance k, int x, int y) {
    th_logf("MouseDown %d %d;", x, y);
    return th_fromKst(k)->mouseDownResult;
}
void KST_CALL th_onMouseDrag(kst_Instance, int x, int y) { th_logf("MouseDrag %d %d;", x, y); }
int KST_CALL th_onMouseUp(kst_Instance k, int x, int y) {
    th_logf("MouseUp %d %d;", x, y);
    return th_fromKst(k)->mouseUpResult;
}
void KST_CALL th_onAction(kst_Instance) { th_logf("Action;"); }
void KST_CALL th_onUp(kst_Instance) { th_logf("Up@%lu;", GetTickCount()); }
void KST_CALL th_onDown(kst_Instance) { th_logf("Down@%lu;", GetTickCount()); }

static void KST_CALL h_registerPluginVersion(int v) {
    th_rec.registerVersion = v;
}

static void KST_CALL h_registerControl(kst_ClassDef *def) {
    if (th_rec.classCount < 16) th_rec.classes[th_rec.classCount++] = def;
    def->blockOffset = th_headerSize;
}

static const char *KST_CALL h_stringGetCString(kst_String s) { return s ? ((th_Object *)s)->storage : nullptr; }

// Captions that start with "#" name a host constant.
static kst_String KST_CALL h_interpret(kst_String s) {
    if (!s) return nullptr;
    th_Object *t = (th_Object *)s;
    if (t->head.length > 1 && t->storage[0] == '#')
        return &th_str(strcmp(t->storage, "#kOpen") == 0 ? "&Open" : "constant")->head;
    t->head.refCount++;
    return s;
}

static kst_String KST_CALL h_defaultFont() { return &th_str("System")->head; }
static kst_String KST_CALL h_defaultCaption() { return &th_str("Untitled")->head; }
static int KST_CALL h_defaultFontSize() { return 11; }
static void KST_CALL h_lockObject(kst_Object o) { if (o) ((th_Object *)o)->head.refCount++; }
static void KST_CALL h_unlockObject(kst_Object o) { th_drop(o); }
static void KST_CALL h_lockString(kst_String s) { if (s) s->refCount++; }
static void KST_CALL h_unlockString(kst_String s) { th_drop(s); }

static void KST_CALL th_performAction(kst_Object o) { th_logf("Receiver %d;", ((th_Object *)o)->id); }

static void *KST_CALL h_getInterfaceRoutine(kst_Object o, const char *iface, const char *routine) {
    th_Object *r = (th_Object *)o;
    bool known = r && r->kind == th_kindReceiver && strcmp(iface, "actionNotificationReceiver") == 0 &&
                 strcmp(routine, "PerformAction") == 0;
    return known ? (void *)th_performAction : nullptr;
}

static int KST_CALL h_lockPictureDescription(kst_Object o, kst_PictureDesc *d) {
    th_Object *p = (th_Object *)o;
    if (!p || p->kind != th_kindPicture || p->refuseDescription) return 0;
    p->descLocks++;
    ZeroMemory(d, sizeof *d);
    d->width = p->width;
    d->height = p->height;
    d->transparent = p->transparent;
    return 1;
}

static void KST_CALL h_unlockPictureDescription(kst_Object o) {
    th_Object *p = (th_Object *)o;
    if (p && --p->descLocks < 0) th_rec.underflows++;
}

static void KST_CALL h_drawPicture(kst_Object o, HDC dc, const RECT *r, int transparent) {
    th_Object *p = (th_Object *)o;
    th_rec.pictureRect = *r;
    th_rec.pictureTransparent = transparent;
    HBRUSH b = CreateSolidBrush(p->colour);
    FillRect(dc, r, b);
    DeleteObject(b);
}

static void *KST_CALL h_getEventInstance(kst_Instance k, const kst_Event *ev) {
    th_Instance *inst = th_fromKst(k);
    if (!inst || !ev) return nullptr;
    ptrdiff_t i = ev - inst->def->events;
    if (i < 0 || i >= inst->def->eventCount || i >= 4) return nullptr;
    return inst->handlers[i];
}

static void KST_CALL h_getControlBounds(kst_Instance k, kst_Bounds *b) {
    const RECT &r = th_fromKst(k)->bounds;
    b->top = (int16_t)r.top, b->left = (int16_t)r.left, b->bottom = (int16_t)r.bottom, b->right = (int16_t)r.right;
}

static int KST_CALL h_getControlVisible(kst_Instance k) { return th_fromKst(k)->visible; }
static int KST_CALL h_getControlEnabled(kst_Instance k) { return th_fromKst(k)->enabled; }
static kst_Graphics KST_CALL h_getControlGraphics(kst_Instance k) {
    th_Object *g = th_fromKst(k)->screenGraphics;
    g->head.refCount++;
    return g;   // handed over with one reference
}
static int KST_CALL h_getWin32Charset() { return DEFAULT_CHARSET; }
static HDC KST_CALL h_graphicsDC(kst_Graphics g) {
    th_Object *o = (th_Object *)g;
    return o && o->kind == th_kindGraphics ? o->dc : nullptr;
}
static void KST_CALL h_invalidateControl(kst_Instance k) { th_fromKst(k)->invalidations++; }
static void KST_CALL h_setSpecialBackground(kst_Instance, uint32_t *rgb) { *rgb = 0x336699; }
static kst_Object KST_CALL h_getControlWindow(kst_Instance k) { return th_fromKst(k)->window; }
static HWND KST_CALL h_getWindowHandle(kst_Object o) {
    th_Object *w = (th_Object *)o;
    return w && w->kind == th_kindWindow ? th_mainWindow : nullptr;
}
static void KST_CALL h_setAccelerator(kst_Instance, kst_String s) {
    lstrcpynA(th_rec.accelerator, s ? ((th_Object *)s)->storage : "(null)", sizeof th_rec.accelerator);
}
static int KST_CALL h_getTabPanelVisible(kst_Instance k) { return th_fromKst(k)->tabVisible; }
static HWND KST_CALL h_getControlHandle(kst_Instance k) { return th_fromKst(k)->hwnd; }
static uint32_t KST_CALL h_getStringEncoding(kst_String s) { return s ? ((th_Object *)s)->encoding : 0; }

#define TH_ROUTINE(name, fn) {name, (void *)fn}
static const struct {
    const char *name;
    void *fn;
} th_routines[] = {
    TH_ROUTINE("RegisterPluginVersion", h_registerPluginVersion), TH_ROUTINE("PluginRegisterControl", h_registerControl),
    TH_ROUTINE("StringGetCString", h_stringGetCString), TH_ROUTINE("PluginInterpretConstantValue", h_interpret),
    TH_ROUTINE("PluginDefaultControlFont", h_defaultFont), TH_ROUTINE("PluginDefaultControlCaption", h_defaultCaption),
    TH_ROUTINE("PluginDefaultControlFontSize", h_defaultFontSize), TH_ROUTINE("REALLockObject", h_lockObject),
    TH_ROUTINE("REALUnlockObject", h_unlockObject), TH_ROUTINE("REALLockString", h_lockString),
    TH_ROUTINE("REALUnlockString", h_unlockString), TH_ROUTINE("GetInterfaceRoutine", h_getInterfaceRoutine),
    TH_ROUTINE("lockPictureDescription", h_lockPictureDescription),
    TH_ROUTINE("unlockPictureDescription", h_unlockPictureDescription), TH_ROUTINE("drawPicturePrimitive", h_drawPicture),
    TH_ROUTINE("GetEventInstance", h_getEventInstance), TH_ROUTINE("GetControlBounds", h_getControlBounds),
    TH_ROUTINE("GetControlVisible", h_getControlVisible), TH_ROUTINE("REALGetControlEnabled", h_getControlEnabled),
    TH_ROUTINE("REALGetControlGraphics", h_getControlGraphics), TH_ROUTINE("REALGetWin32Charset", h_getWin32Charset),
    TH_ROUTINE("REALGraphicsDC", h_graphicsDC), TH_ROUTINE("REALInvalidateControl", h_invalidateControl),
    TH_ROUTINE("REALSetSpecialBackground", h_setSpecialBackground), TH_ROUTINE("getControlWindow", h_getControlWindow),
    TH_ROUTINE("REALGetWindowHandle", h_getWindowHandle), TH_ROUTINE("REALSetAccelerator", h_setAccelerator),
    TH_ROUTINE("GetTabPanelVisible", h_getTabPanelVisible), TH_ROUTINE("REALGetControlHandle", h_getControlHandle),
    TH_ROUTINE("REALGetStringEncoding", h_getStringEncoding), {nullptr, nullptr},
};

static const char *const *th_missing = nullptr;
static bool th_missingAllBut = false;

static void *KST_CALL th_resolve(const char *name) {
    int i = 0;
    while (th_routines[i].name && !th_strEq(th_routines[i].name, name)) i++;
    if (!th_routines[i].name) {
        th_report(false, __FILE__, __LINE__, "plug-in asked for an unknown routine %s", name ? name : "(null)");
        return nullptr;
    }
    bool listed = false;
    for (int k = 0; th_missing && th_missing[k][0]; k++) listed = listed || strcmp(th_missing[k], name) == 0;
    return th_missing && listed != th_missingAllBut ? nullptr : th_routines[i].fn;
}

bool th_loadPlugin(const char *dir, const char *const *missing, bool allBut) {
    th_missing = missing;
    th_missingAllBut = allBut;
    char path[MAX_PATH];
    snprintf(path, sizeof path, "%s\\kestril.dll", dir);
    th_plugin = LoadLibraryA(path);
    typedef void(KST_CALL * MainFn)(kst_Resolver);
    MainFn entry = th_plugin ? (MainFn)(void *)GetProcAddress(th_plugin, "REALPluginMain") : nullptr;
    if (!entry) return false;
    ZeroMemory(&th_rec, sizeof th_rec);
    entry(th_resolve);
    return true;
}

void th_unloadPlugin() {
    if (th_plugin) FreeLibrary(th_plugin);
    th_plugin = nullptr;
}
