// kestril: the few GDI drawing steps every control shares (lines, fills,
// frames, filled triangles, clip save and restore), each leaving the device
// context's selected objects as it found them.
#include "kst_host.h"

void kst_gdiLine(HDC dc, COLORREF c, const POINT *pts, int count) {
    if (!dc || count < 2) return;
    HPEN pen = CreatePen(PS_SOLID, 1, c);
    HGDIOBJ old = SelectObject(dc, pen);
    MoveToEx(dc, pts[0].x, pts[0].y, nullptr);
    for (int i = 1; i < count; i++) LineTo(dc, pts[i].x, pts[i].y);
    SelectObject(dc, old);
    DeleteObject(pen);
}

void kst_gdiFill(HDC dc, int left, int top, int right, int bottom, COLORREF c) {
    if (!dc) return;
    RECT r = {left, top, right, bottom};
    HBRUSH b = CreateSolidBrush(c);
    FillRect(dc, &r, b);
    DeleteObject(b);
}

void kst_gdiFrame(HDC dc, const RECT *r, HBRUSH brush) {
    if (dc) FrameRect(dc, r, brush);
}

// The outline is drawn in the fill's own colour so the whole triangle,
// edges included, has one colour; CLR_INVALID keeps the current pen.
void kst_gdiTriangle(HDC dc, HBRUSH brush, COLORREF edge, int x0, int y0, int x1, int y1, int x2, int y2) {
    if (!dc) return;
    POINT p[3] = {{x0, y0}, {x1, y1}, {x2, y2}};
    HPEN pen = edge == CLR_INVALID ? nullptr : CreatePen(PS_SOLID, 1, edge);
    HGDIOBJ oldPen = pen ? SelectObject(dc, pen) : nullptr;
    HGDIOBJ oldBrush = SelectObject(dc, brush);
    Polygon(dc, p, 3);
    SelectObject(dc, oldBrush);
    if (pen) {
        SelectObject(dc, oldPen);
        DeleteObject(pen);
    }
}

void kst_gdiClipPush(HDC dc, const RECT *r, int dx, int dy, HRGN *saved) {
    *saved = nullptr;
    if (!dc) return;
    HRGN keep = CreateRectRgn(0, 0, 0, 0);
    if (keep && GetClipRgn(dc, keep) == 1) {
        *saved = keep;
    } else if (keep) {
        DeleteObject(keep);
    }
    HRGN clip = CreateRectRgn(r->left + dx, r->top + dy, r->right + dx, r->bottom + dy);
    SelectClipRgn(dc, clip);
    DeleteObject(clip);
}

void kst_gdiClipPop(HDC dc, HRGN saved) {
    if (!dc) return;
    SelectClipRgn(dc, saved);   // null removes the clipping
    if (saved) DeleteObject(saved);
}
