// kestril: the private instance blocks of the eight controls.  The host
// allocates each block at the size registered for its class; on the shipped
// 32-bit build every field sits at the offset the form editor's standard
// accessors use, which the assertions below pin.
#pragma once

#include "kst_host.h"

struct kst_MenuRow {
    kst_MenuRow *next;
    kst_String text;      // held while in the list
    bool separator;
};

struct kst_Receiver {
    kst_Receiver *next;
    kst_Object receiver;  // held while in the list
};

struct kst_BevelBlock {
    int32_t unused0;
    kst_String caption;            // 4
    int32_t unused8;
    int32_t hasMenu;               // 12
    int32_t unused16;
    int32_t iconAlign;             // 20
    int32_t captionAlign;          // 24
    int32_t captionPlacement;      // 28
    int16_t menuValue;             // 32
    bool value;                    // 34
    kst_MenuRow *rows;             // 36
    kst_String textFont;           // 40
    int32_t textSize;              // 44
    bool bold, italic, underline;  // 48..50
    kst_PictureDesc iconDesc;      // 52..75
    kst_Object icon;               // 76
    int32_t iconDX, iconDY;        // 80, 84
    int32_t captionDelta;          // 88
    int32_t bevel;                 // 92
    int32_t unused96[3];
    int32_t buttonType;            // 108
    kst_Receiver *receivers;       // 112
    bool pressed;                  // 116
    bool hot;                      // 117
    bool mouseDownHandled;         // 118
    char unused119[29];
};

struct kst_DisclosureBlock {
    int32_t unused0;
    bool value;        // 4
    int32_t facing;    // 8
    int32_t unused12;
    bool pressed;      // 16
};

struct kst_LittleArrowsBlock {
    int32_t unused0;
    int32_t pressedArrow;   // 4
    int32_t drawnArrow;     // 8
    int32_t repeatStart;    // 12
    int8_t hotArrow;        // 16
};

struct kst_ChasingArrowsBlock {
    int32_t unused0;
    int32_t frame;    // 4
    int32_t unused8;
};

struct kst_SeparatorBlock {
    int32_t unused0;
};

struct kst_ImageWellBlock {
    int32_t unused0;
    kst_PictureDesc imageDesc;   // 4..27
    kst_Object image;            // 28
};

struct kst_PopupArrowBlock {
    int32_t unused0;
    int32_t facing;   // 4
    int32_t unused8;
};

struct kst_PlacardBlock {
    int32_t unused0;
    bool value;       // 4
};

#if defined(__i386__)
static_assert(offsetof(kst_BevelBlock, caption) == 4 && offsetof(kst_BevelBlock, hasMenu) == 12 &&
              offsetof(kst_BevelBlock, iconAlign) == 20 && offsetof(kst_BevelBlock, captionAlign) == 24 &&
              offsetof(kst_BevelBlock, captionPlacement) == 28 && offsetof(kst_BevelBlock, menuValue) == 32 &&
              offsetof(kst_BevelBlock, value) == 34 && offsetof(kst_BevelBlock, rows) == 36 &&
              offsetof(kst_BevelBlock, textFont) == 40 && offsetof(kst_BevelBlock, textSize) == 44 &&
              offsetof(kst_BevelBlock, bold) == 48 && offsetof(kst_BevelBlock, italic) == 49 &&
              offsetof(kst_BevelBlock, underline) == 50 && offsetof(kst_BevelBlock, iconDesc) == 52 &&
              offsetof(kst_BevelBlock, iconDesc.width) == 60 && offsetof(kst_BevelBlock, iconDesc.height) == 64 &&
              offsetof(kst_BevelBlock, iconDesc.transparent) == 72 && offsetof(kst_BevelBlock, icon) == 76 &&
              offsetof(kst_BevelBlock, iconDX) == 80 && offsetof(kst_BevelBlock, iconDY) == 84 &&
              offsetof(kst_BevelBlock, captionDelta) == 88 && offsetof(kst_BevelBlock, bevel) == 92 &&
              offsetof(kst_BevelBlock, buttonType) == 108 && offsetof(kst_BevelBlock, receivers) == 112 &&
              offsetof(kst_BevelBlock, pressed) == 116 && offsetof(kst_BevelBlock, hot) == 117 &&
              offsetof(kst_BevelBlock, mouseDownHandled) == 118 && sizeof(kst_BevelBlock) == 148,
              "BevelButton block");
static_assert(offsetof(kst_DisclosureBlock, value) == 4 && offsetof(kst_DisclosureBlock, facing) == 8 &&
              offsetof(kst_DisclosureBlock, pressed) == 16 && sizeof(kst_DisclosureBlock) == 20,
              "DisclosureTriangle block");
static_assert(offsetof(kst_LittleArrowsBlock, pressedArrow) == 4 && offsetof(kst_LittleArrowsBlock, drawnArrow) == 8 &&
              offsetof(kst_LittleArrowsBlock, repeatStart) == 12 && offsetof(kst_LittleArrowsBlock, hotArrow) == 16 &&
              sizeof(kst_LittleArrowsBlock) == 20,
              "LittleArrows block");
static_assert(offsetof(kst_ChasingArrowsBlock, frame) == 4 && sizeof(kst_ChasingArrowsBlock) == 12, "ChasingArrows block");
static_assert(sizeof(kst_SeparatorBlock) == 4, "Separator block");
static_assert(offsetof(kst_ImageWellBlock, imageDesc) == 4 && offsetof(kst_ImageWellBlock, imageDesc.width) == 12 &&
              offsetof(kst_ImageWellBlock, imageDesc.height) == 16 && offsetof(kst_ImageWellBlock, image) == 28 &&
              sizeof(kst_ImageWellBlock) == 32,
              "ImageWell block");
static_assert(offsetof(kst_PopupArrowBlock, facing) == 4 && sizeof(kst_PopupArrowBlock) == 12, "PopupArrow block");
static_assert(offsetof(kst_PlacardBlock, value) == 4 && sizeof(kst_PlacardBlock) == 8, "Placard block");
#endif

// BevelButton's methods and action, shared by its drawing and menu files.
kst_BevelBlock *kst_bevelBlock(kst_Instance inst);
void KST_CALL kst_bevelPerformAction(kst_Instance inst);
void kst_bevelDeleteRows(kst_BevelBlock *b);
void kst_bevelDeleteReceivers(kst_BevelBlock *b);
void kst_bevelDraw(kst_Instance inst, kst_Graphics given, bool windowCoordinates);
// Shows the popup menu; returns the chosen command or 0.
int kst_bevelTrackMenu(kst_Instance inst, kst_BevelBlock *b, const RECT *bounds);
extern const kst_Method kst_bevelMethods[8];
extern const kst_Event kst_bevelEvents[3];
