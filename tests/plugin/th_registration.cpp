// Checks of what REALPluginMain registers: every class once, in order, with
// a filled behaviour record, plus the few registration details that drawing
// and mouse checks cannot see. Block sizes and field offsets of the shipped
// 32-bit build are pinned by the plug-in's own static assertions.
#include "th.h"
#include <string.h>

static const char *const th_classNames[8] = {"BevelButton", "ChasingArrows", "LittleArrows", "Placard",
                                              "Separator",   "PopupArrow",    "DisclosureTriangle", "ImageWell"};

void th_registrationChecks() {
    CHECK_EQ(th_rec.registerVersion, 6);
    CHECK_EQ(th_rec.registerVersionCalls, 1);
    CHECK_EQ(th_rec.classCount, 8);
    void *shared[24] = {};   // slots 10, 11 and 20 are one function for all classes
    for (int c = 0; c < 8 && c < th_rec.classCount; c++) {
        const kst_ClassDef *d = th_rec.classes[c];
        CHECK_STR(d->name, th_classNames[c]);
        CHECK_EQ(d->version, 6);
        CHECK(d->behaviour != nullptr);
        if (!d->behaviour) continue;
        for (int s : {9, 10, 19}) {
            void *fn = d->behaviour->slot[s];
            if (fn && !shared[s]) shared[s] = fn;
            CHECK(fn == nullptr || fn == shared[s]);
        }
        // Slot 22 answers 0 for every class.
        CHECK_EQ(((kst_HandleFn)d->behaviour->slot[21])(nullptr), 0);
        for (int i = 0; i < d->propertyCount; i++)
            CHECK(d->properties[i].getter != nullptr && d->properties[i].setter != nullptr);
    }

    // Only BevelButton is an action source; the host's binding text shows in its editor.
    const kst_ClassDef *bevel = th_class("BevelButton");
    if (bevel && bevel->bindings) {
        CHECK_STR(bevel->interfaces, "ActionSource");
        CHECK_STR(bevel->bindings[0].text, "%1 pressed");
    }
    // Bevel's entries are not consecutive host constants, unlike every other enumeration.
    const kst_Property *p = bevel ? th_property(bevel, "Bevel") : nullptr;
    static const int bevelEnum[] = {468, 469, 470, 241, 240, 242, 243, 244};
    for (int k = 0; p && p->enumEntries && k < 8; k++) {
        char want[16];
        snprintf(want, sizeof want, "=#%d", bevelEnum[k]);
        CHECK_STR(p->enumEntries[k], want);
    }
    // Caption has its own getter (it is kept as a host string); Bevel uses the standard one.
    if (bevel && p) {
        CHECK(th_property(bevel, "Caption")->getter != KST_STANDARD);
        CHECK(p->getter == KST_STANDARD && p->setter == KST_STANDARD);
    }
    // List( is the only assignable method.
    for (int i = 0; bevel && i < bevel->methodCount; i++)
        CHECK((bevel->methods[i].assign != nullptr) == (strncmp(bevel->methods[i].declaration, "List(", 5) == 0));
    // Registration resolved each routine it used once.
    CHECK_EQ(th_rec.resolveCounts[th_routineIndex("PluginRegisterControl")], 1);
    CHECK_EQ(th_rec.resolveCounts[th_routineIndex("RegisterPluginVersion")], 1);
}
