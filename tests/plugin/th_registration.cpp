// Checks of what REALPluginMain registers: order, class values, property
// records with their enumerations, methods, events and behaviour slots.
// Block sizes and field offsets of the shipped 32-bit build are pinned by
// the plug-in's own static assertions; this 64-bit host does not repeat them.
#include "th.h"
#include <string.h>

static const struct {
    const char *name;
    unsigned flags;
    int pict, pictPressed, width, height, props, methods, events;
    const char *slots;   // 24 characters, 'x' where a slot is filled
} th_expect[8] = {
    {"BevelButton", 0xD8, 172, 173, 60, 22, 18, 8, 3, "xxxxxx...xx.x.xxxx.xxx.."},
    {"ChasingArrows", 0xD0, 178, 179, 16, 16, 0, 0, 0, "xxx......xxxx......x.x.."},
    {"LittleArrows", 0xD0, 176, 177, 13, 23, 0, 0, 2, "xxxxxx...xx.x....xxx.x.."},
    {"Placard", 0x58, 186, 187, 64, 64, 1, 0, 3, "..xxxx....x.xx.....x.x.."},
    {"Separator", 0xD0, 180, 181, 64, 4, 0, 0, 0, "xxx......xx.x......x.x.."},
    {"PopupArrow", 0xD0, 184, 185, 10, 10, 1, 0, 3, "..xxxx...xx.x......x.x.."},
    {"DisclosureTriangle", 0xD0, 174, 175, 12, 12, 2, 0, 1, "x.xxxx...xx.x......xxx.."},
    {"ImageWell", 0xD8, 182, 183, 32, 32, 1, 0, 3, ".xxxxx...xx.x......x.x.."},
};

// BevelButton's 18 properties first, in table order; enumerations are
// consecutive host constants "=#N" from enumFirst.
static const struct {
    const char *cls, *group, *name, *type;
    int flags;
    const char *accessors;   // getter and setter: 's' standard, 'o' own
    int enumFirst, enumCount;
} th_props[] = {
    {"BevelButton", "Appearance", "Caption", "String", 0, "oo", 0, 0},
    {"BevelButton", "Appearance", "CaptionAlign", "Integer", 1, "so", 484, 4},
    {"BevelButton", "Appearance", "CaptionPlacement", "Integer", 1, "so", 488, 6},
    {"BevelButton", "Appearance", "CaptionDelta", "Integer", 1, "so", 0, 0},
    {"BevelButton", "Appearance", "Icon", "Picture", 1, "so", 0, 0},
    {"BevelButton", "Appearance", "IconAlign", "Integer", 1, "so", 474, 10},
    {"BevelButton", "Appearance", "IconDX", "Integer", 1, "so", 0, 0},
    {"BevelButton", "Appearance", "IconDY", "Integer", 1, "so", 0, 0},
    {"BevelButton", "Appearance", "Bevel", "Integer", 1, "ss", 468, 8},
    {"BevelButton", "Appearance", "HasMenu", "Integer", 1, "ss", 494, 3},
    {"BevelButton", "Initial State", "Value", "Boolean", 1, "so", 0, 0},
    {"BevelButton", "Initial State", "MenuValue", "Integer", 1, "oo", 0, 0},
    {"BevelButton", "Behavior", "ButtonType", "integer", 1, "ss", 471, 3},
    {"BevelButton", "Font", "TextFont", "string", 1, "so", 0, 0},
    {"BevelButton", "Font", "TextSize", "integer", 1, "ss", 0, 0},
    {"BevelButton", "Font", "Bold", "boolean", 1, "ss", 0, 0},
    {"BevelButton", "Font", "Italic", "boolean", 1, "ss", 0, 0},
    {"BevelButton", "Font", "Underline", "boolean", 1, "ss", 0, 0},
    {"DisclosureTriangle", "Initial State", "Value", "Boolean", 0, "so", 0, 0},
    {"DisclosureTriangle", "Appearance", "Facing", "Integer", 1, "ss", 497, 2},
    {"ImageWell", "Appearance", "Image", "Picture", 1, "so", 0, 0},
    {"PopupArrow", "Appearance", "Facing", "Integer", 1, "ss", 499, 8},
    {"Placard", "Initial State", "Value", "Boolean", 1, "so", 0, 0},
};

// Declarations of methods and events, in table order.
#define TH_MOUSE_EVENTS                                                                            \
    "MouseDown(X As Integer, Y As Integer) As Boolean", "MouseDrag(X As Integer, Y As Integer)", \
        "MouseUp(X As Integer, Y As Integer)"
static const struct {
    const char *cls;
    bool methods;
    const char *decls[8];
} th_decls[] = {
    {"BevelButton", true,
     {"DeleteAllRows", "AddRow(text As String)", "AddSeparator", "RemoveRow(row As Integer)",
      "InsertRow(row As Integer, text As String)", "List(row As Integer) As String",
      "addActionNotificationReceiver(receiver As actionNotificationReceiver)",
      "removeActionNotificationReceiver(receiver As actionNotificationReceiver)"}},
    {"BevelButton", false,
     {"MouseUp(X As Integer, Y As Integer) As Boolean", "MouseDown(X As Integer, Y As Integer) As Boolean", "Action"}},
    {"ImageWell", false, {TH_MOUSE_EVENTS}}, {"PopupArrow", false, {TH_MOUSE_EVENTS}},
    {"Placard", false, {TH_MOUSE_EVENTS}}, {"LittleArrows", false, {"Up", "Down"}},
    {"DisclosureTriangle", false, {"Action"}},
};

void th_registrationChecks() {
    CHECK_EQ(th_rec.registerVersion, 6);
    CHECK_EQ(th_rec.registerVersionCalls, 1);
    CHECK_EQ(th_rec.classCount, 8);
    void *shared[24] = {};   // slots 10, 11 and 20 are one function for all classes
    for (int c = 0; c < 8 && c < th_rec.classCount; c++) {
        const kst_ClassDef *d = th_rec.classes[c];
        const auto &e = th_expect[c];
        CHECK_STR(d->name, e.name);
        CHECK_EQ(d->version, 6);
        CHECK_EQ(d->flags, e.flags);
        CHECK(d->palettePicture == e.pict && d->palettePressedPicture == e.pictPressed);
        CHECK(d->defaultWidth == e.width && d->defaultHeight == e.height);
        CHECK(d->propertyCount == e.props && d->methodCount == e.methods && d->eventCount == e.events);
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
            void *fn = d->behaviour->slot[s];
            th_report((fn != nullptr) == (e.slots[s] == 'x'), __FILE__, __LINE__, "%s slot %d %s", e.name, s + 1,
                      fn ? "filled" : "empty");
            if (fn && (s == 9 || s == 10 || s == 19)) {
                if (!shared[s]) shared[s] = fn;
                CHECK(fn == shared[s]);
            }
        }
        // Slot 22 answers 0 for every class.
        CHECK_EQ(((kst_HandleFn)d->behaviour->slot[21])(nullptr), 0);
        for (int i = 0; i < d->propertyCount; i++) CHECK(d->properties[i].editor == nullptr);
    }

    const kst_ClassDef *bevel = th_class("BevelButton");
    for (int i = 0; i < (int)(sizeof th_props / sizeof th_props[0]); i++) {
        const auto &e = th_props[i];
        const kst_ClassDef *d = th_class(e.cls);
        const kst_Property *p = d ? th_property(d, e.name) : nullptr;
        th_report(p != nullptr, __FILE__, __LINE__, "%s.%s registered", e.cls, e.name);
        if (!p) continue;
        if (d == bevel) CHECK(p == &bevel->properties[i]);
        CHECK_STR(p->group, e.group);
        CHECK_STR(p->type, e.type);
        CHECK_EQ(p->flags, e.flags);
        CHECK((p->getter == KST_STANDARD) == (e.accessors[0] == 's') && p->getter != nullptr);
        CHECK((p->setter == KST_STANDARD) == (e.accessors[1] == 's') && p->setter != nullptr);
        CHECK_EQ(p->enumCount, e.enumCount);
        CHECK((p->enumEntries != nullptr) == (e.enumCount > 0));
        // Bevel's entries are not consecutive: 468 to 470, then 241, 240, 242 to 244.
        static const int bevelEnum[] = {468, 469, 470, 241, 240, 242, 243, 244};
        for (int k = 0; p->enumEntries && k < e.enumCount; k++) {
            char want[16];
            snprintf(want, sizeof want, "=#%d", strcmp(e.name, "Bevel") == 0 ? bevelEnum[k] : e.enumFirst + k);
            CHECK_STR(p->enumEntries[k], want);
        }
    }
    for (const auto &e : th_decls) {
        const kst_ClassDef *d = th_class(e.cls);
        for (int i = 0; d && i < 8 && e.decls[i] && i < (e.methods ? d->methodCount : d->eventCount); i++) {
            if (e.methods) {
                CHECK_STR(d->methods[i].declaration, e.decls[i]);
                CHECK(d->methods[i].function != nullptr);
                CHECK((d->methods[i].assign != nullptr) == (i == 5));   // List( is assignable
            } else {
                CHECK_STR(d->events[i].declaration, e.decls[i]);
                CHECK_EQ(d->events[i].reserved, 0);
            }
        }
    }
    // Registration resolved each routine it used once.
    CHECK_EQ(th_rec.resolveCounts[th_routineIndex("PluginRegisterControl")], 1);
    CHECK_EQ(th_rec.resolveCounts[th_routineIndex("RegisterPluginVersion")], 1);
}
