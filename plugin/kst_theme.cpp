// kestril: the Windows visual-styles binding.  Themes are used only on
// Windows XP (NT 5.1); the library is loaded by name at run time and each
// routine is looked up by name, a missing one becoming a neutral no-op.
#include "kst_host.h"

bool kst_themeCheckPending = true;
bool kst_themesAvailable = false;
HMODULE kst_themeModule = nullptr;

kst_SharedTheme kst_bevelTheme = {L"Toolbar", nullptr, 0};
kst_SharedTheme kst_separatorTheme = {L"Toolbar", nullptr, 0};
kst_SharedTheme kst_spinTheme = {L"Spin", nullptr, 0};

typedef HANDLE (WINAPI *kst_OpenThemeDataFn)(HWND, LPCWSTR);
typedef HRESULT (WINAPI *kst_CloseThemeDataFn)(HANDLE);
typedef HRESULT (WINAPI *kst_DrawThemeBackgroundFn)(HANDLE, HDC, int, int, const RECT *, const RECT *);
typedef HRESULT (WINAPI *kst_DrawThemeParentBackgroundFn)(HWND, HDC, const RECT *);

// Resolved by name; the others are looked up too so that a later control
// can use them, and stay unused by the current drawing.
static const char *const kst_themeRoutineNames[] = {
    "OpenThemeData", "CloseThemeData", "GetThemeSysColor", "GetThemeColor", "IsAppThemed",
    "IsThemeActive", "IsThemePartDefined", "DrawThemeBackground", "GetCurrentThemeName",
    "GetThemeMetric", "GetThemePartSize", "GetThemeSysSize", "SetThemeAppProperties",
    "GetThemeRect", "DrawThemeText", "DrawThemeParentBackground", "DrawThemeBorder",
};
enum {
    kst_thOpen, kst_thClose, kst_thSysColor, kst_thColor, kst_thIsAppThemed, kst_thIsActive,
    kst_thPartDefined, kst_thDrawBackground, kst_thCurrentName, kst_thMetric, kst_thPartSize,
    kst_thSysSize, kst_thSetAppProperties, kst_thRect, kst_thDrawText, kst_thDrawParentBackground,
    kst_thDrawBorder, kst_thCount
};
static void *kst_themeRoutines[kst_thCount];

// Extended query first (156 bytes), then the basic one (148 bytes).
void kst_themeCheck() {
    if (!kst_themeCheckPending) return;
    kst_themeCheckPending = false;
    OSVERSIONINFOEXA v;
    ZeroMemory(&v, sizeof v);
    v.dwOSVersionInfoSize = sizeof(OSVERSIONINFOEXA);
    BOOL ok = GetVersionExA((OSVERSIONINFOA *)&v);
    if (!ok) {
        ZeroMemory(&v, sizeof v);
        v.dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
        ok = GetVersionExA((OSVERSIONINFOA *)&v);
    }
    kst_themesAvailable = ok && v.dwPlatformId == VER_PLATFORM_WIN32_NT && v.dwMajorVersion == 5 &&
                          v.dwMinorVersion == 1;
}

// Loads taken by live instances; never more frees than loads.
static int kst_themeLoads = 0;

void kst_themeLoad() {
    kst_themeCheck();
    if (!kst_themesAvailable) return;
    HMODULE m = LoadLibraryA("uxtheme.dll");
    if (!m) return;
    kst_themeLoads++;
    kst_themeModule = m;
    for (int i = 0; i < kst_thCount; i++) kst_themeRoutines[i] = (void *)GetProcAddress(m, kst_themeRoutineNames[i]);
}

// Each load is matched by one free, so the library stays while any
// theme-using instance lives; the routines go with the last reference.
void kst_themeFree() {
    if (!kst_themeModule || kst_themeLoads == 0) return;
    kst_themeLoads--;
    FreeLibrary(kst_themeModule);
    if (kst_themeLoads == 0) {
        kst_themeModule = nullptr;
        for (int i = 0; i < kst_thCount; i++) kst_themeRoutines[i] = nullptr;
    }
}

static HANDLE kst_themeOpen(HWND hwnd, const wchar_t *className) {
    kst_OpenThemeDataFn fn = (kst_OpenThemeDataFn)kst_themeRoutines[kst_thOpen];
    return fn ? fn(hwnd, className) : nullptr;
}

static HRESULT kst_themeClose(HANDLE theme) {
    kst_CloseThemeDataFn fn = (kst_CloseThemeDataFn)kst_themeRoutines[kst_thClose];
    return fn ? fn(theme) : 1;
}

HRESULT kst_themeDrawBackground(HANDLE theme, HDC dc, int part, int state, const RECT *r, const RECT *clip) {
    kst_DrawThemeBackgroundFn fn = (kst_DrawThemeBackgroundFn)kst_themeRoutines[kst_thDrawBackground];
    return fn ? fn(theme, dc, part, state, r, clip) : 1;
}

HRESULT kst_themeDrawParentBackground(HWND hwnd, HDC dc, const RECT *r) {
    kst_DrawThemeParentBackgroundFn fn =
        (kst_DrawThemeParentBackgroundFn)kst_themeRoutines[kst_thDrawParentBackground];
    return fn ? fn(hwnd, dc, r) : 1;
}

// One handle per class, opened by the first live instance and closed by the
// last, so destroying one of several instances leaves the others drawable.
void kst_themeAcquire(kst_SharedTheme *t, HWND hwnd) {
    t->users++;
    if (!t->handle && kst_themeModule) t->handle = kst_themeOpen(hwnd, t->className);
}

void kst_themeRelease(kst_SharedTheme *t) {
    if (t->users > 0) t->users--;
    if (t->users == 0 && t->handle) {
        kst_themeClose(t->handle);
        t->handle = nullptr;
    }
}

void kst_themeAttach(kst_SharedTheme *t, kst_Instance inst) {
    kst_themeLoad();
    if (kst_themeModule) kst_themeAcquire(t, kst_getControlHandle(inst));
}

void kst_themeDetach(kst_SharedTheme *t) {
    if (kst_themeModule) kst_themeRelease(t);
    kst_themeFree();
}
