#include "platform/ui/EdgeDraw.h"

#include <QApplication>
#include <QStyle>

#include <algorithm>

#include "platform/gfx/Color.h"

namespace {

void HLine(TCanvas* canvas, Integer x1, Integer x2, Integer y, TColor color) {
    const TColor rgb = ColorToRGB(color);
    for (Integer x = x1; x < x2; ++x) canvas->SetPixel(x, y, rgb);
}

void VLine(TCanvas* canvas, Integer x, Integer y1, Integer y2, TColor color) {
    const TColor rgb = ColorToRGB(color);
    for (Integer y = y1; y < y2; ++y) canvas->SetPixel(x, y, rgb);
}

// One ring of the edge: top-left colour on the left and top sides, the
// other on the right and bottom ones. The corners shared by both colours
// belong to the bottom-right line, as the classic look has it.
void Ring(TCanvas* canvas, TRect& r, TColor topLeft, TColor bottomRight, Cardinal flags) {
    if (r.IsEmpty()) return;
    if (flags & BF_LEFT) VLine(canvas, r.Left, r.Top, r.Bottom - ((flags & BF_BOTTOM) ? 1 : 0), topLeft);
    if (flags & BF_TOP) HLine(canvas, r.Left, r.Right - ((flags & BF_RIGHT) ? 1 : 0), r.Top, topLeft);
    if (flags & BF_RIGHT) VLine(canvas, r.Right - 1, r.Top, r.Bottom, bottomRight);
    if (flags & BF_BOTTOM) HLine(canvas, r.Left, r.Right, r.Bottom - 1, bottomRight);
    if (flags & BF_LEFT) ++r.Left;
    if (flags & BF_TOP) ++r.Top;
    if (flags & BF_RIGHT) --r.Right;
    if (flags & BF_BOTTOM) --r.Bottom;
}

}  // namespace

void DrawEdge(TCanvas* Canvas, TRect& Rect, Cardinal Edge, Cardinal Flags) {
    if (!Canvas) return;
    TRect r = Rect;
    const bool flat = Flags & BF_FLAT;
    if (Edge & (BDR_RAISEDOUTER | BDR_SUNKENOUTER)) {
        if (flat)
            Ring(Canvas, r, clBtnShadow, clBtnShadow, Flags);
        else if (Edge & BDR_RAISEDOUTER)
            Ring(Canvas, r, cl3DLight, cl3DDkShadow, Flags);
        else
            Ring(Canvas, r, clBtnShadow, clBtnHighlight, Flags);
    }
    if (Edge & (BDR_RAISEDINNER | BDR_SUNKENINNER)) {
        if (flat)
            Ring(Canvas, r, clBtnFace, clBtnFace, Flags);
        else if (Edge & BDR_RAISEDINNER)
            Ring(Canvas, r, clBtnHighlight, clBtnShadow, Flags);
        else
            Ring(Canvas, r, cl3DDkShadow, cl3DLight, Flags);
    }
    if (Flags & BF_MIDDLE) {
        for (Integer y = r.Top; y < r.Bottom; ++y) HLine(Canvas, r.Left, r.Right, y, clBtnFace);
    }
    if (Flags & BF_ADJUST) Rect = r;
}

void DrawFocusRect(TCanvas* Canvas, const TRect& Rect) {
    if (!Canvas || Rect.IsEmpty()) return;
    auto invert = [&](Integer x, Integer y) {
        if (((x - Rect.Left) + (y - Rect.Top)) % 2 != 0) return;
        const TColor c = Canvas->Pixel(x, y);
        if (c != -1) Canvas->SetPixel(x, y, c ^ 0xFFFFFF);
    };
    for (Integer x = Rect.Left; x < Rect.Right; ++x) {
        invert(x, Rect.Top);
        if (Rect.Bottom - 1 > Rect.Top) invert(x, Rect.Bottom - 1);
    }
    for (Integer y = Rect.Top + 1; y < Rect.Bottom - 1; ++y) {
        invert(Rect.Left, y);
        if (Rect.Right - 1 > Rect.Left) invert(Rect.Right - 1, y);
    }
}

void DrawCheckBoxGlyph(TCanvas* Canvas, const TRect& Rect, bool Checked, bool Enabled) {
    if (!Canvas) return;
    const Integer size = CheckBoxGlyphSize;
    TRect box = Bounds(Rect.Left + (Rect.Width() - size) / 2, Rect.Top + (Rect.Height() - size) / 2, size, size);
    DrawEdge(Canvas, box, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
    const TColor face = ColorToRGB(Enabled ? clWindow : clBtnFace);
    for (Integer y = box.Top; y < box.Bottom; ++y) HLine(Canvas, box.Left, box.Right, y, face);
    if (!Checked) return;
    // The tick: three pixels tall, falling over two columns, then rising
    // over four, inside the 9 x 9 face.
    const TColor ink = ColorToRGB(Enabled ? clWindowText : clGrayText);
    const Integer x0 = box.Left + 1, y0 = box.Top + 2;
    static const int rise[7] = {2, 3, 4, 3, 2, 1, 0};
    for (int i = 0; i < 7; ++i)
        for (int k = 0; k < 3; ++k) Canvas->SetPixel(x0 + i, y0 + rise[i] + k, ink);
}

int GetSystemMetrics(int Index) {
    switch (Index) {
    case SM_CXVSCROLL:
    case SM_CYHSCROLL: return QApplication::style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    case SM_CXBORDER:
    case SM_CYBORDER: return 1;
    case SM_CXEDGE:
    case SM_CYEDGE: return 2;
    case SM_CXMENUCHECK:
    case SM_CYMENUCHECK: return CheckBoxGlyphSize;
    default: return 0;
    }
}
