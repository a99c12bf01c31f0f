#include "client/ProgramPicture.h"

#include <algorithm>

#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Canvas.h"

namespace {

TColor Blend(TColor From, TColor To, int Step, int Steps) {
    auto channel = [&](int shift) {
        const int a = (From >> shift) & 0xFF, b = (To >> shift) & 0xFF;
        return ((a + (b - a) * Step / std::max(Steps, 1)) & 0xFF) << shift;
    };
    return static_cast<TColor>(channel(0) | channel(8) | channel(16));
}

// The phone in a box of the given height, its left edge at x.
void PaintPhone(TCanvas& C, int X, int Height) {
    const int h = Height * 3 / 4, w = h / 2, top = (Height - h) / 2;
    C.Pen()->SetColor(RGB(0x20, 0x20, 0x20));
    C.Pen()->SetWidth(1);
    C.Brush()->SetColor(RGB(0x40, 0x44, 0x48));
    C.RoundRect(X, top, X + w, top + h, w / 4, w / 4);
    // The screen with the message.
    const TRect screen = Rect(X + w / 8, top + h / 8, X + w - w / 8, top + h / 2);
    C.Brush()->SetColor(RGB(0xC8, 0xE8, 0xB8));
    C.Rectangle(screen);
    C.Font()->SetName("Arial");
    C.Font()->SetStyle(TFontStyles{fsBold});
    C.Font()->SetHeight(-std::max(screen.Height() / 3, 6));
    C.Font()->SetColor(RGB(0x10, 0x40, 0x10));
    C.Brush()->SetStyle(bsClear);
    const TPoint text = C.TextExtent("SMS");
    C.TextOut(screen.Left + (screen.Width() - text.x) / 2, screen.Top + (screen.Height() - text.y) / 2, "SMS");
    // The keypad: three by three keys under the screen.
    C.Brush()->SetStyle(bsSolid);
    C.Brush()->SetColor(RGB(0xB0, 0xB4, 0xB8));
    C.Pen()->SetColor(RGB(0x80, 0x84, 0x88));
    const int keyW = (screen.Width() - 8) / 3, keyH = std::max((top + h - h / 10 - screen.Bottom - 12) / 3, 2);
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 3; ++col) {
            const int kx = screen.Left + col * (keyW + 4), ky = screen.Bottom + 6 + row * (keyH + 3);
            C.Rectangle(kx, ky, kx + keyW, ky + keyH);
        }
}

}  // namespace

void PaintProgramPicture(TBitmap& Picture) {
    TCanvas& c = *Picture.Canvas();
    const int width = Picture.Width(), height = Picture.Height();
    for (int y = 0; y < height; ++y) {
        c.Pen()->SetColor(Blend(RGB(0x6B, 0xBE, 0x7B), RGB(0x2E, 0x7D, 0x4F), y, height));
        c.MoveTo(0, y);
        c.LineTo(width, y);
    }
    const bool wide = width >= 2 * height;
    PaintPhone(c, wide ? height / 4 : (width - height * 3 / 8) / 2, height);
    if (!wide) return;
    // Shown without a window frame, the wide picture draws its own.
    c.Brush()->SetColor(RGB(0x1E, 0x4D, 0x30));
    c.FrameRect(Rect(0, 0, width, height));
    c.Brush()->SetStyle(bsClear);
    c.Font()->SetName("Arial");
    c.Font()->SetStyle(TFontStyles{fsBold});
    c.Font()->SetHeight(-height / 5);
    c.Font()->SetColor(clWhite);
    const int left = height / 4 + height * 3 / 8 + height / 5;
    c.TextOut(left, height / 3, "SMS Vemlor");
    c.Font()->SetStyle(TFontStyles{});
    c.Font()->SetHeight(-height / 14);
    c.TextOut(left, height / 3 + height / 4, "Zprávy z počítače na mobil");
}
