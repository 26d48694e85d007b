// Checks of what REALPluginMain registers: every class once, in order, with
// a filled behaviour record, plus the few registration details that drawing
// and mouse checks cannot see.
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
}
