// kestril: BevelButton's picture: the classic bevel rings or the themed
// toolbar look, the icon and caption placed by their alignment properties,
// and the small menu arrow.
#include "kst_controls.h"

// Fonts of the host's other platform mapped to their Windows counterparts.
static const wchar_t *kst_mapFontName(const wchar_t *name, bool *smallSystem) {
    static const struct {
        const wchar_t *from, *to;
    } map[] = {
        {L"System", L"MS Sans Serif"},    {L"Application", L"MS Sans Serif"},
        {L"Geneva", L"MS Sans Serif"},    {L"SmallSystem", L"Times New Roman"},
        {L"Courier", L"Courier New"},     {L"Times", L"Times New Roman"},
        {L"Helvetica", L"Arial"},         {L"Osaka", L"MS UI Gothic"},
    };
    *smallSystem = lstrcmpiW(name, L"SmallSystem") == 0;
    for (const auto &m : map)
        if (lstrcmpiW(name, m.from) == 0) return m.to;
    return name;
}

static HFONT kst_bevelFont(HDC dc, kst_BevelBlock *b) {
    LOGFONTW lf;
    ZeroMemory(&lf, sizeof lf);
    kst_Text face = kst_textFromHost(b->textFont);
    wchar_t name[LF_FACESIZE] = L"";
    if (face.wide) {
        lstrcpynW(name, face.wide, LF_FACESIZE);
    } else if (face.narrow) {
        MultiByteToWideChar(CP_ACP, 0, face.narrow, -1, name, LF_FACESIZE);
        name[LF_FACESIZE - 1] = 0;
    }
    kst_textFree(&face);
    bool smallSystem = false;
    lstrcpynW(lf.lfFaceName, kst_mapFontName(name, &smallSystem), LF_FACESIZE);
    long long height;
    if (smallSystem) {
        long long size = b->textSize == 0 ? 8 : (long long)b->textSize * 2 / 3;
        if (size > 0x7fffffffLL) size = 0x7fffffffLL;
        if (size < -0x7fffffffLL) size = -0x7fffffffLL;
        height = -(long long)MulDiv((int)size, GetDeviceCaps(dc, LOGPIXELSY), 72);
    } else {
        height = b->textSize == 0 ? -12 : -(long long)b->textSize;
    }
    // A nonsense size from program code must not reach the font mapper.
    if (height > 4096) height = 4096;
    if (height < -4096) height = -4096;
    lf.lfHeight = (LONG)height;
    lf.lfWeight = b->bold ? 700 : 400;
    lf.lfItalic = b->italic ? 1 : 0;
    lf.lfUnderline = b->underline ? 1 : 0;
    lf.lfCharSet = (BYTE)kst_getWin32Charset();
    return CreateFontIndirectW(&lf);
}

// The toolbar look in its normal state shows the background behind the
// button: that of an enclosing tab control when there is one.
static void kst_bevelParentBackground(kst_Instance inst, HDC dc, const RECT *bounds) {
    HWND self = kst_getControlHandle(inst);
    HWND tab = nullptr;
    for (HWND p = self ? GetParent(self) : nullptr; p; p = GetParent(p)) {
        wchar_t cls[64];
        if (GetClassNameW(p, cls, 64) && lstrcmpW(cls, L"SysTabControl32") == 0) {
            tab = p;
            break;
        }
    }
    if (!tab) {
        kst_themeDrawParentBackground(self, dc, nullptr);
        return;
    }
    RECT wr;
    GetWindowRect(tab, &wr);
    POINT corners[2] = {{wr.left, wr.top}, {wr.right, wr.bottom}};
    HWND window = kst_getWindowHandle(kst_getControlWindow(inst));
    if (window) {
        ScreenToClient(window, &corners[0]);
        ScreenToClient(window, &corners[1]);
    }
    RECT rel = {corners[0].x - bounds->left, corners[0].y - bounds->top, corners[1].x - bounds->left,
                corners[1].y - bounds->top};
    kst_themeDrawParentBackground(self, dc, &rel);
}

static void kst_bevelRings(HDC dc, RECT *in, int rings, bool on) {
    COLORREF light = GetSysColor(on ? COLOR_BTNSHADOW : COLOR_BTNHIGHLIGHT);
    COLORREF dark = GetSysColor(on ? COLOR_BTNFACE : COLOR_BTNSHADOW);
    for (int k = 0; k <= rings; k++) {
        POINT lightLine[3] = {{in->left, in->bottom - 1}, {in->left, in->top}, {in->right, in->top}};
        POINT darkLine[3] = {{in->left + 1, in->bottom - 1}, {in->right - 1, in->bottom - 1}, {in->right - 1, in->top}};
        kst_gdiLine(dc, light, lightLine, 3);
        kst_gdiLine(dc, dark, darkLine, 3);
        if (on) {
            POINT extra[3] = {{in->left, in->bottom}, {in->left, in->top}, {in->right, in->top}};
            kst_gdiLine(dc, RGB(0x55, 0x55, 0x55), extra, 3);
        }
        InflateRect(in, -1, -1);
    }
}

static void kst_bevelMenuArrow(HDC dc, const kst_BevelBlock *b, const RECT *in, bool toolbar) {
    HBRUSH black = (HBRUSH)GetStockObject(BLACK_BRUSH);
    int m = (in->top + in->bottom) / 2;
    if (b->hasMenu == 1) {
        if (toolbar) {
            kst_gdiTriangle(dc, black, RGB(0, 0, 0), in->right - 10, m - 1, in->right - 6, m - 1, in->right - 8, m + 1);
        } else {
            int x = in->right - 10, y = in->bottom - 6;
            kst_gdiTriangle(dc, black, RGB(0, 0, 0), x, y, x + 8, y, x + 4, y + 4);
        }
    } else if (b->hasMenu == 2) {
        if (toolbar) {
            kst_gdiTriangle(dc, black, RGB(0, 0, 0), in->right - 8, m - 2, in->right - 6, m, in->right - 8, m + 2);
        } else {
            int x = in->right - 6, y = in->bottom - 10;
            kst_gdiTriangle(dc, black, RGB(0, 0, 0), x, y, x + 4, y + 4, x, y + 8);
        }
    }
}

void kst_bevelDraw(kst_Instance inst, kst_Graphics given, bool windowCoordinates) {
    kst_BevelBlock *b = kst_bevelBlock(inst);
    if (b->bevel == 3 || b->bevel == 5 || b->bevel == 6) b->bevel = 0;
    if (b->bevel == 7) {
        b->bevel = 0;
        b->buttonType = 1;
    }
    int rings = b->bevel == 4 ? 0 : b->bevel;
    if (rings < 0 || rings > 2) rings = 0;   // values no editor offers
    bool toolbar = kst_bevelTheme.handle && b->bevel == 4;

    kst_Canvas canvas = kst_canvasOpen(inst, given);
    HDC dc = canvas.dc;
    if (!dc) {
        kst_canvasClose(&canvas);
        return;
    }
    kst_String captionString = kst_interpretConstantValue(b->caption);
    kst_Text caption = kst_textFromHost(captionString);
    kst_unlockString(captionString);

    RECT bounds;
    kst_getControlBounds(inst, &bounds);
    RECT in = bounds;
    InflateRect(&in, -1, -1);
    bool enabled = kst_getControlEnabled(inst) != 0;
    bool on = b->pressed || b->value;
    HBRUSH face = CreateSolidBrush(GetSysColor(on ? COLOR_BTNSHADOW : COLOR_BTNFACE));

    if (enabled) {
        if (toolbar) {
            int state = b->pressed ? 3 : b->value ? (b->hot ? 6 : 5) : b->hot ? 2 : 1;
            if (state == 1) kst_bevelParentBackground(inst, dc, &bounds);
            kst_themeDrawBackground(kst_bevelTheme.handle, dc, 1, state, &in, nullptr);
        } else {
            kst_gdiFrame(dc, &bounds, (HBRUSH)GetStockObject(BLACK_BRUSH));
            kst_bevelRings(dc, &in, rings, on);
        }
    } else if (!toolbar) {
        kst_gdiFrame(dc, &bounds, (HBRUSH)GetStockObject(DKGRAY_BRUSH));
    }
    if (!toolbar) FillRect(dc, &in, face);

    int dx = windowCoordinates ? -bounds.left : 0, dy = windowCoordinates ? -bounds.top : 0;
    HRGN savedClip;
    kst_gdiClipPush(dc, &in, dx, dy, &savedClip);

    HFONT font = kst_bevelFont(dc, b);
    HGDIOBJ oldFont = SelectObject(dc, font);
    kst_textStripMarkers(&caption);
    SIZE textSize;
    kst_textExtent(dc, &caption, &textSize);
    TEXTMETRICW tm;
    ZeroMemory(&tm, sizeof tm);
    GetTextMetricsW(dc, &tm);
    int textHeight = tm.tmAscent + tm.tmDescent + tm.tmExternalLeading;
    int inWidth = in.right - in.left, inHeight = in.bottom - in.top;

    bool hasIcon = b->icon != nullptr;
    int iconW = b->iconDesc.width, iconH = b->iconDesc.height;
    int iconX = in.left + (inWidth - iconW) / 2, iconY = in.top + (inHeight - iconH) / 2;
    if (hasIcon) {
        switch (b->iconAlign) {
        case 0: case 2: iconX = in.left + b->iconDX; break;
        case 3: iconX = in.right - iconW - b->iconDX; break;
        case 4: iconY = in.top + b->iconDY; break;
        case 5: iconY = in.bottom - iconH - b->iconDY; break;
        case 6: iconX = in.left + b->iconDX; iconY = in.top + b->iconDY; break;
        case 7: iconX = in.left + b->iconDX; iconY = in.bottom - iconH - b->iconDY; break;
        case 8: iconX = in.right - iconW - b->iconDX; iconY = in.top + b->iconDY; break;
        case 9: iconX = in.right - iconW - b->iconDX; iconY = in.bottom - iconH - b->iconDY; break;
        default: break;
        }
        int shift = b->pressed ? 1 : 0;
        RECT ir = {iconX + shift, iconY + shift, iconX + iconW + shift, iconY + iconH + shift};
        kst_drawPicturePrimitive(b->icon, dc, &ir, b->iconDesc.transparent);
    }

    int x = in.left + (inWidth - textSize.cx) / 2, y = in.top + (inHeight - textHeight) / 2;
    bool placed = false;
    if (hasIcon) {
        switch (b->captionPlacement) {
        case 2: x = iconX + iconW + b->captionDelta; placed = true; break;
        case 3: x = iconX - textSize.cx - b->captionDelta; placed = true; break;
        case 4: y = iconY + iconH + 2; break;
        case 5: y = iconY - textHeight - 2; break;
        default: break;
        }
    }
    if (!placed) {
        if (b->captionAlign == 0 || b->captionAlign == 2) x = in.left + b->captionDelta;
        else if (b->captionAlign == 1) x = in.right - textSize.cx - b->captionDelta;
    }

    int oldMode = SetBkMode(dc, TRANSPARENT);
    COLORREF oldColour = GetTextColor(dc);
    UINT format = DT_SINGLELINE | DT_NOCLIP | DT_NOPREFIX;
    int shift = b->pressed ? 1 : 0;
    RECT tr = {x + shift, y + shift, bounds.right, bounds.bottom};
    if (enabled) {
        SetTextColor(dc, b->pressed && !toolbar ? RGB(255, 255, 255) : GetSysColor(COLOR_BTNTEXT));
        kst_textDraw(dc, &caption, &tr, format);
    } else {
        RECT hr = tr;
        OffsetRect(&hr, 1, 1);
        SetTextColor(dc, GetSysColor(COLOR_BTNHIGHLIGHT));
        kst_textDraw(dc, &caption, &hr, format);
        SetTextColor(dc, GetSysColor(COLOR_BTNSHADOW));
        kst_textDraw(dc, &caption, &tr, format);
    }
    SetTextColor(dc, oldColour);
    SetBkMode(dc, oldMode);

    kst_gdiClipPop(dc, savedClip);
    kst_bevelMenuArrow(dc, b, &in, toolbar);

    SelectObject(dc, oldFont);
    DeleteObject(font);
    DeleteObject(face);
    kst_textFree(&caption);
    kst_canvasClose(&canvas);
}
