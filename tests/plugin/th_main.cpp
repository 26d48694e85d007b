// Test host entry: loads kestril.dll from the host's own folder, hands it
// the recording resolver and runs the check groups a mode names:
//   classic  drawing, mouse, menus, small controls, bad input
//   bare     a host that lacks routines
//   xp       the visual-styles path (run under the name wine reports XP to)
#include "th.h"
#include <string.h>

fake_Stats *th_fake = nullptr;

int main(int argc, char **argv) {
    const char *mode = argc > 1 ? argv[1] : "classic";
    setvbuf(stdout, nullptr, _IONBF, 0);
    char dir[MAX_PATH], path[MAX_PATH];
    GetModuleFileNameA(nullptr, dir, MAX_PATH);
    if (char *slash = strrchr(dir, '\\')) *slash = 0;

    th_windowsCreate();
    // The stand-in library is loaded first under its plain name, so that
    // the plug-in's own load by name finds it (its calls are counted).
    snprintf(path, sizeof path, "%s\\fakeux\\uxtheme.dll", dir);
    HMODULE ux = LoadLibraryA(path);
    typedef fake_Stats *(WINAPI * StatsFn)();
    StatsFn stats = ux ? (StatsFn)(void *)GetProcAddress(ux, "fake_stats") : nullptr;
    th_fake = stats ? stats() : nullptr;
    CHECK(th_fake != nullptr);
    if (strcmp(mode, "bare") == 0) {
        th_bareHostChecks(dir);
    } else if (!th_loadPlugin(dir)) {
        printf("cannot load %s\\kestril.dll\n", dir);
        return 2;
    } else if (strcmp(mode, "xp") == 0) {
        th_themeChecks();
    } else {
        CHECK_EQ(th_rec.registerVersion, 6);
        th_bevelChecks();
        th_bevelMenuChecks();
        th_smallChecks();
        // Not Windows XP: the visual-styles library is never touched.
        if (th_fake) CHECK_EQ(th_fake->opens + th_fake->parentDraws + th_fake->badHandleDraws, 0);
        CHECK_EQ(th_locked(), 0);
    }
    printf("%d passed, %d failed\n", th_passed, th_failed);
    return th_failed ? 1 : 0;
}
