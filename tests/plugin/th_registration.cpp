// Checks of what REALPluginMain registers: order, class values, property
// records with their enumerations, methods, events and behaviour slots.
#include "th.h"
#include <stdlib.h>
#include <string.h>

struct th_ClassExpect {
    const char *name;
    unsigned blockSize, flags;
    int pict, pictPressed, width, height, props, methods, events;
    const char *slots;   // 24 characters, 'x' where a slot is filled
};

static const th_ClassExpect th_expect[8] = {
    {"BevelButton", 148, 0xD8, 172, 173, 60, 22, 18, 8, 3, "xxxxxx...xx.x.xxxx.xxx.."},
    {"ChasingArrows", 12, 0xD0, 178, 179, 16, 16, 0, 0, 0, "xxx......xxxx......x.x.."},
    {"LittleArrows", 20, 0xD0, 176, 177, 13, 23, 0, 0, 2, "xxxxxx...xx.x....xxx.x.."},
    {"Placard", 8, 0x58, 186, 187, 64, 64, 1, 0, 3, "..xxxx....x.xx.....x.x.."},
    {"Separator", 4, 0xD0, 180, 181, 64, 4, 0, 0, 0, "xxx......xx.x......x.x.."},
    {"PopupArrow", 12, 0xD0, 184, 185, 10, 10, 1, 0, 3, "..xxxx...xx.x......x.x.."},
    {"DisclosureTriangle", 20, 0xD0, 174, 175, 12, 12, 2, 0, 1, "x.xxxx...xx.x......xxx.."},
    {"ImageWell", 32, 0xD8, 182, 183, 32, 32, 1, 0, 3, ".xxxxx...xx.x......x.x.."},
};

struct th_PropExpect {
    const char *cls, *group, *name, *type;
    int flags;
    char getter, setter;   // 's' standard, 'o' own
    int offset32;          // offset in the 32-bit block, -1 when not used
    const char *enumFirst;
    int enumCount;
};

static const th_PropExpect th_props[] = {
    {"BevelButton", "Appearance", "Caption", "String", 0, 'o', 'o', 4, nullptr, 0},
    {"BevelButton", "Appearance", "CaptionAlign", "Integer", 1, 's', 'o', 24, "=#484", 4},
    {"BevelButton", "Appearance", "CaptionPlacement", "Integer", 1, 's', 'o', 28, "=#488", 6},
    {"BevelButton", "Appearance", "CaptionDelta", "Integer", 1, 's', 'o', 88, nullptr, 0},
    {"BevelButton", "Appearance", "Icon", "Picture", 1, 's', 'o', 76, nullptr, 0},
    {"BevelButton", "Appearance", "IconAlign", "Integer", 1, 's', 'o', 20, "=#474", 10},
    {"BevelButton", "Appearance", "IconDX", "Integer", 1, 's', 'o', 80, nullptr, 0},
    {"BevelButton", "Appearance", "IconDY", "Integer", 1, 's', 'o', 84, nullptr, 0},
    {"BevelButton", "Appearance", "Bevel", "Integer", 1, 's', 's', 92, "=#468", 8},
    {"BevelButton", "Appearance", "HasMenu", "Integer", 1, 's', 's', 12, "=#494", 3},
    {"BevelButton", "Initial State", "Value", "Boolean", 1, 's', 'o', 34, nullptr, 0},
    {"BevelButton", "Initial State", "MenuValue", "Integer", 1, 'o', 'o', -1, nullptr, 0},
    {"BevelButton", "Behavior", "ButtonType", "integer", 1, 's', 's', 108, "=#471", 3},
    {"BevelButton", "Font", "TextFont", "string", 1, 's', 'o', 40, nullptr, 0},
    {"BevelButton", "Font", "TextSize", "integer", 1, 's', 's', 44, nullptr, 0},
    {"BevelButton", "Font", "Bold", "boolean", 1, 's', 's', 48, nullptr, 0},
    {"BevelButton", "Font", "Italic", "boolean", 1, 's', 's', 49, nullptr, 0},
    {"BevelButton", "Font", "Underline", "boolean", 1, 's', 's', 50, nullptr, 0},
    {"DisclosureTriangle", "Initial State", "Value", "Boolean", 0, 's', 'o', 4, nullptr, 0},
    {"DisclosureTriangle", "Appearance", "Facing", "Integer", 1, 's', 's', 8, "=#497", 2},
    {"ImageWell", "Appearance", "Image", "Picture", 1, 's', 'o', 28, nullptr, 0},
    {"PopupArrow", "Appearance", "Facing", "Integer", 1, 's', 's', 4, "=#499", 8},
    {"Placard", "Initial State", "Value", "Boolean", 1, 's', 'o', 4, nullptr, 0},
};

static void th_checkEnum(const kst_Property *p, const char *first, int count) {
    CHECK_EQ(p->enumCount, count);
    if (!first) {
        CHECK(p->enumEntries == nullptr);
        return;
    }
    if (!p->enumEntries) {
        CHECK(p->enumEntries != nullptr);
        return;
    }
    if (strcmp(p->name, "Bevel") == 0) {
        static const char *const bevel[] = {"=#468", "=#469", "=#470", "=#241", "=#240", "=#242", "=#243", "=#244"};
        for (int i = 0; i < 8; i++) CHECK_STR(p->enumEntries[i], bevel[i]);
        return;
    }
    int n = atoi(first + 2);
    for (int i = 0; i < count; i++) {
        char want[16];
        snprintf(want, sizeof want, "=#%d", n + i);
        CHECK_STR(p->enumEntries[i], want);
    }
}

void th_registrationChecks() {
    CHECK_EQ(th_rec.registerVersion, 6);
    CHECK_EQ(th_rec.registerVersionCalls, 1);
    CHECK_EQ(th_rec.classCount, 8);
    void *slot10 = nullptr, *slot11 = nullptr, *slot20 = nullptr;
    for (int c = 0; c < 8 && c < th_rec.classCount; c++) {
        const kst_ClassDef *d = th_rec.classes[c];
        const th_ClassExpect &e = th_expect[c];
        CHECK_STR(d->name, e.name);
        CHECK_EQ(d->version, 6);
#if defined(__i386__)
        CHECK_EQ(d->blockSize, e.blockSize);
#else
        CHECK(d->blockSize >= e.blockSize);
#endif
        CHECK_EQ(d->flags, e.flags);
        CHECK_EQ(d->palettePicture, e.pict);
        CHECK_EQ(d->palettePressedPicture, e.pictPressed);
        CHECK_EQ(d->defaultWidth, e.width);
        CHECK_EQ(d->defaultHeight, e.height);
        CHECK_EQ(d->propertyCount, e.props);
        CHECK_EQ(d->methodCount, e.methods);
        CHECK_EQ(d->eventCount, e.events);
        CHECK(d->reserved1 == 0 && d->reserved2 == 0 && d->reserved3 == 0 && d->reserved4 == 0);
        if (c == 0) {
            CHECK_STR(d->interfaces, "ActionSource");
            CHECK_EQ(d->bindingCount, 1);
            if (d->bindings) {
                CHECK_STR(d->bindings[0].interfaceName, "ActionSource");
                CHECK_STR(d->bindings[0].text, "%1 pressed");
                CHECK_STR(d->bindings[0].extra, "");
            }
        } else {
            CHECK(d->interfaces == nullptr && d->bindings == nullptr && d->bindingCount == 0);
        }
        CHECK(d->behaviour != nullptr);
        if (!d->behaviour) continue;
        for (int s = 0; s < kst_slotCount; s++) {
            bool filled = d->behaviour->slot[s] != nullptr;
            th_report(filled == (e.slots[s] == 'x'), __FILE__, __LINE__, "%s slot %d %s", e.name, s + 1,
                      filled ? "filled" : "empty");
        }
        if (!slot11) {
            slot11 = d->behaviour->slot[10];
            slot20 = d->behaviour->slot[19];
        }
        CHECK(d->behaviour->slot[10] == slot11);
        CHECK(d->behaviour->slot[19] == slot20);
        if (d->behaviour->slot[9]) {
            if (!slot10) slot10 = d->behaviour->slot[9];
            CHECK(d->behaviour->slot[9] == slot10);
        }
        // Slot 22 answers 0 for every class.
        CHECK_EQ(((kst_HandleFn)d->behaviour->slot[21])(nullptr), 0);
        // Properties fit their block and do not overlap.
        for (int i = 0; i < d->propertyCount; i++) {
            const kst_Property *p = &d->properties[i];
            CHECK(p->editor == nullptr);
            if (p->getter == KST_STANDARD || p->setter == KST_STANDARD) CHECK(p->offset > 0 && p->offset + 1 <= (intptr_t)d->blockSize);
        }
    }

    for (const th_PropExpect &e : th_props) {
        const kst_ClassDef *d = th_class(e.cls);
        if (!d) continue;
        const kst_Property *p = th_property(d, e.name);
        th_report(p != nullptr, __FILE__, __LINE__, "%s.%s registered", e.cls, e.name);
        if (!p) continue;
        CHECK_STR(p->group, e.group);
        CHECK_STR(p->type, e.type);
        CHECK_EQ(p->flags, e.flags);
        CHECK((p->getter == KST_STANDARD) == (e.getter == 's') && p->getter != nullptr);
        CHECK((p->setter == KST_STANDARD) == (e.setter == 's') && p->setter != nullptr);
#if defined(__i386__)
        if (e.offset32 >= 0) CHECK_EQ(p->offset, e.offset32);
#endif
        th_checkEnum(p, e.enumFirst, e.enumCount);
    }
    // Property order in BevelButton's table.
    const kst_ClassDef *bevel = th_class("BevelButton");
    if (bevel) {
        for (int i = 0; i < 18 && i < bevel->propertyCount; i++) CHECK_STR(bevel->properties[i].name, th_props[i].name);
        static const char *const methods[] = {
            "DeleteAllRows", "AddRow(text As String)", "AddSeparator", "RemoveRow(row As Integer)",
            "InsertRow(row As Integer, text As String)", "List(row As Integer) As String",
            "addActionNotificationReceiver(receiver As actionNotificationReceiver)",
            "removeActionNotificationReceiver(receiver As actionNotificationReceiver)"};
        for (int i = 0; i < 8 && i < bevel->methodCount; i++) {
            CHECK_STR(bevel->methods[i].declaration, methods[i]);
            CHECK(bevel->methods[i].function != nullptr);
            CHECK((bevel->methods[i].assign != nullptr) == (i == 5));
        }
        static const char *const events[] = {"MouseUp(X As Integer, Y As Integer) As Boolean",
                                             "MouseDown(X As Integer, Y As Integer) As Boolean", "Action"};
        for (int i = 0; i < 3 && i < bevel->eventCount; i++) {
            CHECK_STR(bevel->events[i].declaration, events[i]);
            CHECK_EQ(bevel->events[i].reserved, 0);
        }
    }
    static const char *const mouseEvents[] = {"MouseDown(X As Integer, Y As Integer) As Boolean",
                                              "MouseDrag(X As Integer, Y As Integer)",
                                              "MouseUp(X As Integer, Y As Integer)"};
    for (const char *cls : {"ImageWell", "PopupArrow", "Placard"}) {
        const kst_ClassDef *d = th_class(cls);
        for (int i = 0; d && i < 3 && i < d->eventCount; i++) CHECK_STR(d->events[i].declaration, mouseEvents[i]);
    }
    const kst_ClassDef *la = th_class("LittleArrows");
    if (la && la->eventCount == 2) {
        CHECK_STR(la->events[0].declaration, "Up");
        CHECK_STR(la->events[1].declaration, "Down");
    }
    const kst_ClassDef *dt = th_class("DisclosureTriangle");
    if (dt && dt->eventCount == 1) CHECK_STR(dt->events[0].declaration, "Action");
    // Registration resolved each routine it used once.
    CHECK_EQ(th_rec.resolveCounts[th_routineIndex("PluginRegisterControl")], 1);
    CHECK_EQ(th_rec.resolveCounts[th_routineIndex("RegisterPluginVersion")], 1);
}
