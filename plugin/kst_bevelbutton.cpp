// kestril: BevelButton's registration, life cycle, property setters and
// mouse tracking (push, toggle and sticky buttons; the popup menu path).
#include "kst_controls.h"

kst_BevelBlock *kst_bevelBlock(kst_Instance inst) {
    return (kst_BevelBlock *)kst_block(inst, &kst_bevelButtonClass);
}

// The icon's description is pinned only when the host agreed to it; the
// flag keeps pinning and unpinning balanced (a free word of the block).
#define KST_ICON_PINNED(b) ((b)->unused96[0])

static void kst_bevelReleaseIcon(kst_BevelBlock *b) {
    kst_releasePicture(&b->icon, &KST_ICON_PINNED(b), &b->iconDesc);
}

static void KST_CALL kst_bevelConstruct(kst_Instance inst) {
    kst_BevelBlock *b = kst_bevelBlock(inst);
    b->caption = kst_defaultControlCaption();
    b->captionPlacement = 1;
    b->captionAlign = 3;
    b->textFont = kst_defaultControlFont();
    b->textSize = kst_defaultControlFontSize();
    b->hot = false;
    b->mouseDownHandled = false;
    kst_themeAttach(&kst_bevelTheme, inst);
}

static void KST_CALL kst_bevelDestroy(kst_Instance inst) {
    kst_BevelBlock *b = kst_bevelBlock(inst);
    kst_unlockString(b->caption);
    b->caption = nullptr;
    kst_unlockString(b->textFont);
    b->textFont = nullptr;
    kst_bevelDeleteRows(b);
    kst_bevelReleaseIcon(b);
    // Receivers are held by the list; a dying button lets them go too.
    kst_bevelDeleteReceivers(b);
    kst_themeDetach(&kst_bevelTheme);
}

static void KST_CALL kst_bevelRedraw(kst_Instance inst, kst_Graphics g) {
    kst_bevelDraw(inst, g, true);
}

static void KST_CALL kst_bevelDrawOffscreen(kst_Instance inst, kst_Graphics g) {
    kst_bevelDraw(inst, g, false);
}

static void kst_bevelDrawNow(kst_Instance inst) {
    kst_bevelDraw(inst, nullptr, true);
}

// The caption's accelerator key as drawn (after constant interpretation).
static unsigned kst_bevelAcceleratorKey(kst_BevelBlock *b) {
    kst_String s = kst_interpretConstantValue(b->caption);
    kst_Text t = kst_textFromHost(s);
    kst_unlockString(s);
    unsigned key = kst_textAccelerator(&t);
    kst_textFree(&t);
    return key;
}

static bool kst_keyDown(unsigned key) {
    int vk;
    if ((key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9')) {
        vk = (int)key;
    } else {
        SHORT scan = VkKeyScanW((WCHAR)key);
        if (scan == -1) return false;
        vk = scan & 0xff;
    }
    return (GetAsyncKeyState(vk) & 0x8000) != 0;
}

static int KST_CALL kst_bevelMouseDown(kst_Instance inst, int x, int y) {
    kst_BevelBlock *b = kst_bevelBlock(inst);
    if (!kst_getControlEnabled(inst)) return 1;
    RECT r;
    kst_getControlBounds(inst, &r);
    unsigned key = kst_bevelAcceleratorKey(b);
    if (key && (GetAsyncKeyState(VK_MENU) & 0x8000) && kst_keyDown(key)) {
        b->mouseDownHandled = false;
        if (b->hasMenu == 0) {
            kst_bevelPerformAction(inst);
            b->pressed = false;
            kst_invalidateControl(inst);
            return 1;
        }
    } else {
        b->mouseDownHandled = kst_forwardMouse(inst, &kst_bevelEvents[1], x, y) != 0;
        if (b->mouseDownHandled) {
            b->pressed = false;
            return 1;
        }
    }
    b->pressed = true;
    kst_bevelDrawNow(inst);
    if (b->hasMenu == 0) return 1;
    int command = kst_bevelTrackMenu(inst, b, &r);
    b->pressed = false;
    kst_bevelDrawNow(inst);
    if (command >= 1000) {
        b->menuValue = (int16_t)(command - 1000);
        kst_bevelPerformAction(inst);
    }
    return 0;
}

static void KST_CALL kst_bevelMouseDrag(kst_Instance inst, int x, int y) {
    kst_BevelBlock *b = kst_bevelBlock(inst);
    if (b->hasMenu != 0 || b->mouseDownHandled || !kst_getControlEnabled(inst)) return;
    RECT r;
    kst_getControlBounds(inst, &r);
    bool inside = x >= r.left && x < r.right && y >= r.top && y < r.bottom;
    if (inside == b->pressed) return;
    b->pressed = inside;
    kst_bevelDrawNow(inst);
}

static int KST_CALL kst_bevelMouseUp(kst_Instance inst, int x, int y) {
    kst_BevelBlock *b = kst_bevelBlock(inst);
    if (!kst_getControlEnabled(inst)) return 0;
    if (b->hasMenu != 0) {
        b->pressed = false;
        b->mouseDownHandled = false;
        kst_bevelDrawNow(inst);
        return 0;
    }
    int result = 0;
    if (b->pressed) {
        b->pressed = false;
        if (b->buttonType == 1) b->value = !b->value;
        else if (b->buttonType == 2) b->value = true;
        kst_bevelDrawNow(inst);
    }
    RECT r;
    kst_getControlBounds(inst, &r);
    if (b->mouseDownHandled) {
        result = kst_forwardMouse(inst, &kst_bevelEvents[0], x, y);
    } else if (x >= r.left && x <= r.right && y >= r.top && y <= r.bottom) {
        kst_bevelPerformAction(inst);
    }
    b->mouseDownHandled = false;
    return result;
}

static void KST_CALL kst_bevelResolveCaption(kst_Instance inst) {
    kst_BevelBlock *b = kst_bevelBlock(inst);
    kst_invalidateControl(inst);
    kst_String s = kst_interpretConstantValue(b->caption);
    kst_setAccelerator(inst, s);
    kst_unlockString(s);
}

static void KST_CALL kst_bevelDefaultFont(kst_Instance inst) {
    kst_BevelBlock *b = kst_bevelBlock(inst);
    kst_String font = kst_defaultControlFont();
    kst_unlockString(b->textFont);
    b->textFont = font;
    b->textSize = kst_defaultControlFontSize();
}

static void KST_CALL kst_bevelMouseEnter(kst_Instance inst) {
    kst_BevelBlock *b = kst_bevelBlock(inst);
    if (!kst_bevelTheme.handle || b->bevel != 4) return;
    b->hot = true;
    kst_invalidateControl(inst);
}

static void KST_CALL kst_bevelMouseExit(kst_Instance inst) {
    kst_BevelBlock *b = kst_bevelBlock(inst);
    if (!kst_bevelTheme.handle || b->bevel != 4) return;
    b->hot = false;
    kst_invalidateControl(inst);
}

// ---------------------------------------------------------------- setters

static intptr_t KST_CALL kst_bevelGetCaption(kst_Instance inst, intptr_t) {
    kst_BevelBlock *b = kst_bevelBlock(inst);
    kst_lockString(b->caption);
    return (intptr_t)b->caption;
}

static void KST_CALL kst_bevelSetCaption(kst_Instance inst, intptr_t, intptr_t value) {
    kst_BevelBlock *b = kst_bevelBlock(inst);
    kst_replaceString(&b->caption, (kst_String)value);
    kst_bevelResolveCaption(inst);
}

static void KST_CALL kst_bevelSetInteger(kst_Instance inst, intptr_t offset, intptr_t value) {
    // The host passes the property's field offset as the parameter.
    kst_BevelBlock *b = kst_bevelBlock(inst);
    int32_t *field = nullptr;
    switch (offset) {
    case offsetof(kst_BevelBlock, captionAlign): field = &b->captionAlign; break;
    case offsetof(kst_BevelBlock, captionPlacement): field = &b->captionPlacement; break;
    case offsetof(kst_BevelBlock, captionDelta): field = &b->captionDelta; break;
    case offsetof(kst_BevelBlock, iconAlign): field = &b->iconAlign; break;
    case offsetof(kst_BevelBlock, iconDX): field = &b->iconDX; break;
    case offsetof(kst_BevelBlock, iconDY): field = &b->iconDY; break;
    default: return;
    }
    *field = (int32_t)value;
    kst_invalidateControl(inst);
}

static void KST_CALL kst_bevelSetValue(kst_Instance inst, intptr_t, intptr_t value) {
    kst_bevelBlock(inst)->value = value != 0;
    kst_invalidateControl(inst);
}

static void KST_CALL kst_bevelSetIcon(kst_Instance inst, intptr_t, intptr_t value) {
    kst_BevelBlock *b = kst_bevelBlock(inst);
    kst_replacePicture(&b->icon, &KST_ICON_PINNED(b), &b->iconDesc, (kst_Object)value);
    kst_invalidateControl(inst);
}

static void KST_CALL kst_bevelSetTextFont(kst_Instance inst, intptr_t, intptr_t value) {
    kst_BevelBlock *b = kst_bevelBlock(inst);
    kst_replaceString(&b->textFont, (kst_String)value);
}

static intptr_t KST_CALL kst_bevelGetMenuValue(kst_Instance inst, intptr_t) {
    return kst_bevelBlock(inst)->menuValue;
}

static void KST_CALL kst_bevelSetMenuValue(kst_Instance inst, intptr_t, intptr_t value) {
    kst_bevelBlock(inst)->menuValue = (int16_t)value;
}

// ----------------------------------------------------------- registration

static const char *const kst_captionAlignEnum[] = {"=#484", "=#485", "=#486", "=#487"};
static const char *const kst_captionPlacementEnum[] = {"=#488", "=#489", "=#490", "=#491", "=#492", "=#493"};
static const char *const kst_iconAlignEnum[] = {"=#474", "=#475", "=#476", "=#477", "=#478",
                                                "=#479", "=#480", "=#481", "=#482", "=#483"};
static const char *const kst_bevelEnum[] = {"=#468", "=#469", "=#470", "=#241",
                                            "=#240", "=#242", "=#243", "=#244"};
static const char *const kst_hasMenuEnum[] = {"=#494", "=#495", "=#496"};
static const char *const kst_buttonTypeEnum[] = {"=#471", "=#472", "=#473"};

#define KST_OFF(f) (intptr_t) offsetof(kst_BevelBlock, f)
static const kst_Property kst_bevelProperties[] = {
    {"Appearance", "Caption", "String", 0, (void *)kst_bevelGetCaption, (void *)kst_bevelSetCaption, KST_OFF(caption), nullptr, 0, nullptr},
    {"Appearance", "CaptionAlign", "Integer", 1, KST_STANDARD, (void *)kst_bevelSetInteger, KST_OFF(captionAlign), nullptr, 4, kst_captionAlignEnum},
    {"Appearance", "CaptionPlacement", "Integer", 1, KST_STANDARD, (void *)kst_bevelSetInteger, KST_OFF(captionPlacement), nullptr, 6, kst_captionPlacementEnum},
    {"Appearance", "CaptionDelta", "Integer", 1, KST_STANDARD, (void *)kst_bevelSetInteger, KST_OFF(captionDelta), nullptr, 0, nullptr},
    {"Appearance", "Icon", "Picture", 1, KST_STANDARD, (void *)kst_bevelSetIcon, KST_OFF(icon), nullptr, 0, nullptr},
    {"Appearance", "IconAlign", "Integer", 1, KST_STANDARD, (void *)kst_bevelSetInteger, KST_OFF(iconAlign), nullptr, 10, kst_iconAlignEnum},
    {"Appearance", "IconDX", "Integer", 1, KST_STANDARD, (void *)kst_bevelSetInteger, KST_OFF(iconDX), nullptr, 0, nullptr},
    {"Appearance", "IconDY", "Integer", 1, KST_STANDARD, (void *)kst_bevelSetInteger, KST_OFF(iconDY), nullptr, 0, nullptr},
    {"Appearance", "Bevel", "Integer", 1, KST_STANDARD, KST_STANDARD, KST_OFF(bevel), nullptr, 8, kst_bevelEnum},
    {"Appearance", "HasMenu", "Integer", 1, KST_STANDARD, KST_STANDARD, KST_OFF(hasMenu), nullptr, 3, kst_hasMenuEnum},
    {"Initial State", "Value", "Boolean", 1, KST_STANDARD, (void *)kst_bevelSetValue, KST_OFF(value), nullptr, 0, nullptr},
    {"Initial State", "MenuValue", "Integer", 1, (void *)kst_bevelGetMenuValue, (void *)kst_bevelSetMenuValue, 0, nullptr, 0, nullptr},
    {"Behavior", "ButtonType", "integer", 1, KST_STANDARD, KST_STANDARD, KST_OFF(buttonType), nullptr, 3, kst_buttonTypeEnum},
    {"Font", "TextFont", "string", 1, KST_STANDARD, (void *)kst_bevelSetTextFont, KST_OFF(textFont), nullptr, 0, nullptr},
    {"Font", "TextSize", "integer", 1, KST_STANDARD, KST_STANDARD, KST_OFF(textSize), nullptr, 0, nullptr},
    {"Font", "Bold", "boolean", 1, KST_STANDARD, KST_STANDARD, KST_OFF(bold), nullptr, 0, nullptr},
    {"Font", "Italic", "boolean", 1, KST_STANDARD, KST_STANDARD, KST_OFF(italic), nullptr, 0, nullptr},
    {"Font", "Underline", "boolean", 1, KST_STANDARD, KST_STANDARD, KST_OFF(underline), nullptr, 0, nullptr},
};
#undef KST_OFF

const kst_Event kst_bevelEvents[3] = {
    {"MouseUp(X As Integer, Y As Integer) As Boolean", 0},
    {"MouseDown(X As Integer, Y As Integer) As Boolean", 0},
    {"Action", 0},
};

static const kst_Binding kst_bevelBindings[] = {{"ActionSource", "%1 pressed", ""}};

static const kst_Behaviour kst_bevelBehaviour = {{
    (void *)kst_bevelConstruct, (void *)kst_bevelDestroy, (void *)kst_bevelRedraw,
    (void *)kst_bevelMouseDown, (void *)kst_bevelMouseDrag, (void *)kst_bevelMouseUp,
    nullptr, nullptr, nullptr,
    (void *)kst_doNothing, (void *)kst_locateBlock, nullptr,
    (void *)kst_bevelDrawOffscreen, nullptr, (void *)kst_bevelResolveCaption,
    (void *)kst_bevelDefaultFont, (void *)kst_bevelMouseEnter, (void *)kst_bevelMouseExit,
    nullptr, (void *)kst_doNothing, (void *)kst_bevelPerformAction,
    (void *)kst_returnZero, nullptr, nullptr,
}};

kst_ClassDef kst_bevelButtonClass = {
    6, "BevelButton", sizeof(kst_BevelBlock), 0xD8, 172, 173, 60, 22,
    kst_bevelProperties, 18, kst_bevelMethods, 8, kst_bevelEvents, 3, &kst_bevelBehaviour,
    0, 0, 0, "ActionSource", kst_bevelBindings, 1, 0, 0,
};
