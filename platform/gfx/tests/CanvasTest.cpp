#include "platform/gfx/Canvas.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/gfx/Bitmap.h"

namespace {

// A 24-bit white bitmap for drawing tests.
struct Board {
    TBitmap bmp;
    TCanvas* c;
    Board(int w, int h) {
        bmp.SetPixelFormat(pf24bit);
        bmp.SetSize(w, h);
        c = bmp.Canvas();
    }
    // '#' black, 'o' red, 'g' lime, '.' white, '?' anything else.
    std::vector<std::string> Rows() const {
        std::vector<std::string> rows;
        for (int y = 0; y < bmp.Height(); ++y) {
            std::string row;
            for (int x = 0; x < bmp.Width(); ++x) {
                const TColor p = bmp.GetPixel(x, y);
                row += p == clBlack ? '#' : p == clRed ? 'o' : p == clLime ? 'g' : p == clWhite ? '.' : '?';
            }
            rows.push_back(row);
        }
        return rows;
    }
};

using Rows = std::vector<std::string>;

}  // namespace

TEST(TCanvasTest, LinesLeaveOutTheirEndPoint) {
    Board b(6, 4);
    b.c->MoveTo(1, 1);
    b.c->LineTo(5, 1);
    b.c->MoveTo(0, 0);
    b.c->LineTo(0, 0);  // zero length: nothing
    EXPECT_EQ(b.Rows(), (Rows{"......", ".####.", "......", "......"}));
    EXPECT_EQ(b.c->PenPos(), Point(0, 0));

    Board d(5, 4);
    d.c->MoveTo(0, 0);
    d.c->LineTo(4, 2);
    d.c->MoveTo(4, 3);
    d.c->LineTo(1, 0);
    EXPECT_EQ(d.Rows(), (Rows{"#....", ".##..", "...#.", "....#"}));
}

TEST(TCanvasTest, LinesFarOutsideDrawOnlyTheirVisiblePart) {
    Board b(4, 3);
    b.c->MoveTo(-2000000000, 1);
    b.c->LineTo(2000000000, 1);
    b.c->Pen()->SetWidth(3);
    b.c->MoveTo(10, -1000000000);
    b.c->LineTo(10, 1000000000);
    EXPECT_EQ(b.Rows(), (Rows{"....", "####", "...."}));
    b.c->Brush()->SetColor(clRed);
    b.c->Ellipse(-2000000000, -2000000000, 2000000000, 2000000000);
    b.c->RoundRect(-2000000000, -2000000000, 2000000000, 2000000000, 2000000000, 2000000000);
    EXPECT_EQ(b.Rows(), (Rows{"oooo", "oooo", "oooo"}));
}

TEST(TCanvasTest, PolylineJoinsPointsAndKeepsPenPosition) {
    Board b(5, 5);
    b.c->MoveTo(4, 4);
    b.c->Polyline({Point(0, 0), Point(3, 0), Point(3, 3)});
    EXPECT_EQ(b.Rows(), (Rows{"####.", "...#.", "...#.", ".....", "....."}));
    EXPECT_EQ(b.c->PenPos(), Point(4, 4));
}

TEST(TCanvasTest, DottedPenRunsThreeOnThreeOffAcrossSegments) {
    Board b(12, 1);
    b.c->Pen()->SetStyle(psDot);
    b.c->MoveTo(0, 0);
    b.c->LineTo(4, 0);
    b.c->LineTo(12, 0);
    EXPECT_EQ(b.Rows(), (Rows{"###...###..."}));
}

TEST(TCanvasTest, RectangleIsNormalisedWithExclusiveEdges) {
    Board b(6, 5);
    b.c->Brush()->SetColor(clRed);
    b.c->Rectangle(5, 4, 1, 1);
    EXPECT_EQ(b.Rows(), (Rows{"......", ".####.", ".#oo#.", ".####.", "......"}));

    // A clear pen leaves the filled area one pixel smaller.
    Board n(5, 4);
    n.c->Pen()->SetStyle(psClear);
    n.c->Brush()->SetColor(clRed);
    n.c->Rectangle(0, 0, 4, 3);
    EXPECT_EQ(n.Rows(), (Rows{"ooo..", "ooo..", ".....", "....."}));
}

TEST(TCanvasTest, FillAndFrameRectUseTheBrush) {
    Board b(5, 4);
    b.c->Brush()->SetColor(clRed);
    b.c->FillRect(Rect(1, 1, 3, 3));
    b.c->FillRect(Rect(4, 3, 2, 0));  // inverted: nothing
    b.c->Brush()->SetColor(clBlack);
    b.c->FrameRect(Rect(0, 0, 5, 4));
    EXPECT_EQ(b.Rows(), (Rows{"#####", "#oo.#", "#oo.#", "#####"}));
}

TEST(TCanvasTest, EllipseFitsItsBoxAndIsSymmetric) {
    Board b(7, 7);
    b.c->Brush()->SetColor(clRed);
    b.c->Ellipse(0, 0, 7, 7);
    const Rows rows = b.Rows();
    EXPECT_EQ(rows, (Rows{"..###..", ".#ooo#.", "#ooooo#", "#ooooo#", "#ooooo#", ".#ooo#.", "..###.."}));

    Board small(4, 3);
    small.c->Ellipse(0, 0, 4, 2);
    EXPECT_EQ(small.Rows(), (Rows{"####", "####", "...."}));
}

TEST(TCanvasTest, RoundRectCutsItsCorners) {
    Board b(8, 6);
    b.c->Brush()->SetColor(clRed);
    b.c->RoundRect(0, 0, 8, 6, 4, 4);
    EXPECT_EQ(b.Rows(), (Rows{".######.", "#oooooo#", "#oooooo#", "#oooooo#", "#oooooo#", ".######."}));
}

TEST(TCanvasTest, FloodFillSurfaceAndBorder) {
    Board b(6, 5);
    b.c->Brush()->SetStyle(bsClear);
    b.c->Rectangle(0, 0, 5, 5);
    b.c->Brush()->SetColor(clRed);
    b.c->FloodFill(2, 2, clWhite, fsSurface);
    EXPECT_EQ(b.Rows(), (Rows{"#####.", "#ooo#.", "#ooo#.", "#ooo#.", "#####."}));

    // Border mode fills everything up to black, the column outside included.
    b.c->Brush()->SetColor(clLime);
    b.c->FloodFill(5, 0, clBlack, fsBorder);
    EXPECT_EQ(b.Rows(), (Rows{"#####g", "#ooo#g", "#ooo#g", "#ooo#g", "#####g"}));

    // Filling an area with its own colour ends at once.
    b.c->FloodFill(2, 2, clLime, fsSurface);
    b.c->Brush()->SetColor(clRed);
    b.c->FloodFill(2, 2, clRed, fsSurface);
    EXPECT_EQ(b.bmp.GetPixel(2, 2), clRed);
}

TEST(TCanvasTest, NotXorPenDrawnTwiceRestoresThePicture) {
    Board b(8, 3);
    b.c->Brush()->SetColor(clRed);
    b.c->FillRect(Rect(0, 0, 3, 3));
    const Rows before = b.Rows();
    b.c->Pen()->SetMode(pmNotXor);
    b.c->Pen()->SetStyle(psDot);
    for (int pass = 0; pass < 2; ++pass) {
        b.c->MoveTo(0, 1);
        b.c->LineTo(8, 1);
        if (pass == 0) {
            // not-xor with black inverts: red -> aqua, white -> black
            EXPECT_EQ(b.bmp.GetPixel(0, 1), clAqua);
            EXPECT_EQ(b.bmp.GetPixel(6, 1), clBlack);
            EXPECT_EQ(b.bmp.GetPixel(4, 1), clWhite);  // the dot's gap
        }
    }
    EXPECT_EQ(b.Rows(), before);

    Board x(2, 1);
    x.c->Pen()->SetMode(pmXor);
    x.c->Pen()->SetColor(clWhite);
    x.c->MoveTo(0, 0);
    x.c->LineTo(2, 0);
    EXPECT_EQ(x.Rows(), (Rows{"##"}));
}

TEST(TCanvasTest, PixelsOutsideReadInvalidAndIgnoreWrites) {
    Board b(2, 2);
    EXPECT_EQ(b.c->Pixel(2, 0), -1);
    EXPECT_EQ(b.c->Pixel(-1, 0), -1);
    b.c->SetPixel(5, 5, clBlack);
    b.c->SetPixel(1, 0, clBlack);
    EXPECT_EQ(b.Rows(), (Rows{".#", ".."}));
}

TEST(TCanvasTest, CopyModesCombineSourceAndDestination) {
    TBitmap src;
    src.SetPixelFormat(pf24bit);
    src.SetSize(2, 1);
    src.SetPixel(0, 0, RGB(0xF0, 0x0F, 0xFF));
    src.SetPixel(1, 0, clBlack);
    auto run = [&](TCopyMode mode) {
        Board b(2, 1);
        b.bmp.SetPixel(0, 0, RGB(0x3C, 0x3C, 0x00));
        b.bmp.SetPixel(1, 0, clRed);
        b.c->SetCopyMode(mode);
        b.c->CopyRect(Rect(0, 0, 2, 1), src.Canvas(), Rect(0, 0, 2, 1));
        return std::pair(b.bmp.GetPixel(0, 0), b.bmp.GetPixel(1, 0));
    };
    EXPECT_EQ(run(cmSrcCopy), std::pair(RGB(0xF0, 0x0F, 0xFF), clBlack));
    EXPECT_EQ(run(cmSrcAnd), std::pair(RGB(0x30, 0x0C, 0x00), clBlack));
    EXPECT_EQ(run(cmSrcPaint), std::pair(RGB(0xFC, 0x3F, 0xFF), clRed));
    EXPECT_EQ(run(cmSrcInvert), std::pair(RGB(0xCC, 0x33, 0xFF), clRed));
    EXPECT_EQ(run(cmDstInvert), std::pair(RGB(0xC3, 0xC3, 0xFF), clAqua));
    EXPECT_EQ(run(cmNotSrcCopy), std::pair(RGB(0x0F, 0xF0, 0x00), clWhite));
}

TEST(TCanvasTest, StretchDrawIsNearestNeighbour) {
    TBitmap src;
    src.SetPixelFormat(pf1bit);
    src.SetSize(2, 1);
    src.SetPixel(0, 0, clBlack);
    Board b(4, 2);
    b.c->StretchDraw(Rect(0, 0, 4, 2), &src);
    EXPECT_EQ(b.Rows(), (Rows{"##..", "##.."}));
    Board d(3, 1);
    d.c->Draw(1, 0, &src);
    EXPECT_EQ(d.Rows(), (Rows{".#."}));
}

TEST(TCanvasTest, TransparentMaskedAndBrushCopies) {
    TBitmap src;
    src.SetPixelFormat(pf24bit);
    src.SetSize(3, 1);
    src.SetPixel(0, 0, clRed);
    src.SetPixel(1, 0, clLime);
    src.SetPixel(2, 0, clBlack);

    Board t(3, 1);
    t.c->CopyTransparent(Rect(0, 0, 3, 1), src, Rect(0, 0, 3, 1), clLime);
    EXPECT_EQ(t.Rows(), (Rows{"o.#"}));

    src.SetTransparent(true);
    src.SetTransparentColor(clRed);
    Board d(3, 1);
    d.c->Draw(0, 0, &src);
    EXPECT_EQ(d.Rows(), (Rows{".g#"}));

    TBitmap mask;
    mask.SetPixelFormat(pf1bit);
    mask.SetSize(3, 1);
    mask.SetPixel(0, 0, clBlack);
    mask.SetPixel(1, 0, clWhite);
    mask.SetPixel(2, 0, clBlack);
    Board m(3, 1);
    m.c->CopyMasked(Rect(0, 0, 3, 1), src, Rect(0, 0, 3, 1), mask);
    EXPECT_EQ(m.Rows(), (Rows{"o.#"}));

    Board bc(3, 1);
    bc.c->Brush()->SetColor(clBlack);
    bc.c->BrushCopy(Rect(0, 0, 3, 1), &src, Rect(0, 0, 3, 1), clLime);
    EXPECT_EQ(bc.Rows(), (Rows{"o##"}));
}

TEST(TCanvasTest, DrawingOnPaletteBitmapsUsesIndices) {
    TBitmap b;
    b.SetPixelFormat(pf1bit);
    b.SetSize(4, 1);
    b.Canvas()->Pen()->SetColor(RGB(20, 20, 20));  // nearest is black
    b.Canvas()->MoveTo(0, 0);
    b.Canvas()->LineTo(2, 0);
    EXPECT_EQ(b.ScanLine(0)[0], 0x30);  // padding bits stay 0
    b.Canvas()->Pen()->SetMode(pmNot);
    b.Canvas()->MoveTo(0, 0);
    b.Canvas()->LineTo(4, 0);
    EXPECT_EQ(b.ScanLine(0)[0], 0xC0);
}

TEST(TCanvasTest, FillRectStoresTheBrushInEveryPixelFormat) {
    // Odd edges, so that 1- and 4-bit rows start and end inside a byte.
    for (TPixelFormat format : {pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit}) {
        SCOPED_TRACE(PixelFormatBits(format));
        TBitmap b;
        b.SetPixelFormat(format);
        b.SetSize(21, 3);
        b.Canvas()->Brush()->SetColor(clBlack);
        b.Canvas()->FillRect(Rect(3, 1, 18, 2));
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 21; ++x)
                EXPECT_EQ(b.GetPixel(x, y), y == 1 && x >= 3 && x < 18 ? clBlack : clWhite) << x << "," << y;
        if (format == pf32bit) {
            // The fourth byte of a pixel stays 0 whatever the brush.
            b.Canvas()->Brush()->SetColor(TColor(0x00FFFFFF));
            b.Canvas()->FillRect(Rect(0, 0, 21, 3));
            EXPECT_EQ(b.ScanLine(2)[4 * 20 + 3], 0);
            EXPECT_EQ(b.ScanLine(2)[4 * 20 + 2], 0xFF);
        }
    }
}

TEST(TCanvasTest, ClipRectKeepsDrawingInside) {
    Board b(4, 2);
    b.c->SetClipRect(Rect(1, 0, 3, 1));
    EXPECT_EQ(b.c->ClipRect(), Rect(1, 0, 3, 1));
    b.c->Brush()->SetColor(clBlack);
    b.c->FillRect(Rect(0, 0, 4, 2));
    EXPECT_EQ(b.Rows(), (Rows{".##.", "...."}));
    b.c->ResetClipRect();
    EXPECT_EQ(b.c->ClipRect(), Rect(0, 0, 4, 2));
}

TEST(TCanvasTest, ChangesFireCanvasAndBitmapEvents) {
    Board b(2, 2);
    int canvasChanges = 0, bitmapChanges = 0;
    b.c->OnChange = [&](TObject*) { ++canvasChanges; };
    b.bmp.OnChange = [&](TObject*) { ++bitmapChanges; };
    b.c->SetPixel(0, 0, clBlack);
    b.c->FillRect(Rect(0, 0, 1, 1));
    EXPECT_EQ(canvasChanges, 2);
    EXPECT_EQ(bitmapChanges, 2);
    b.c->Lock();
    EXPECT_EQ(b.c->LockCount(), 1);
    b.c->Unlock();
}

TEST(TCanvasTest, TextIsDrawnInTheFontColourOnTheBrush) {
    Board b(60, 20);
    b.c->Font()->SetName("MS Sans Serif");
    b.c->Font()->SetSize(8);
    b.c->Font()->SetColor(clBlack);
    b.c->Brush()->SetColor(clRed);
    const int w = b.c->TextWidth("Ahoj");
    const int h = b.c->TextHeight("Ahoj");
    EXPECT_GT(w, 10);
    EXPECT_GT(h, 8);
    EXPECT_EQ(b.c->TextWidth(""), 0);
    b.c->TextOut(1, 1, "Ahoj");
    EXPECT_EQ(b.c->PenPos(), Point(1 + w, 1));
    int black = 0, red = 0;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 60; ++x) {
            const TColor p = b.bmp.GetPixel(x, y);
            black += p == clBlack;
            red += p == clRed;
            if (p != clWhite) {
                EXPECT_GE(x, 1);
                EXPECT_LT(x, 1 + w);
            }
        }
    EXPECT_GT(black, 10);
    EXPECT_EQ(black + red, w * h);
    // A Windows-1250 literal reaches Qt as the right letter, not as mojibake
    // of two UTF-8 bytes.
    EXPECT_EQ(b.c->TextWidth("š"), b.c->TextWidth("s"));
}

TEST(TCanvasTest, RightToLeftReadingPutsTheEndingPunctuationFirst) {
    // Read right to left, "ab." ends at the left: it looks like ".ab" read
    // left to right. The letters themselves keep their order.
    auto draw = [](const AnsiString& Text, Integer Flags) {
        auto b = std::make_unique<Board>(40, 20);
        b->c->Font()->SetColor(clBlack);
        b->c->Brush()->SetStyle(bsClear);
        b->c->SetTextFlags(Flags);
        b->c->TextOut(2, 2, Text);
        return b->Rows();
    };
    const auto rtl = draw("ab.", ETO_RTLREADING);
    EXPECT_EQ(rtl, draw(".ab", 0));
    EXPECT_NE(rtl, draw("ab.", 0));
    EXPECT_EQ(draw("ab", ETO_RTLREADING), draw("ab", 0));
}

TEST(TFontTest, SizeAndHeightAgree) {
    TFont f;
    EXPECT_EQ(f.Size(), 8);
    EXPECT_EQ(f.Height(), -11);
    f.SetSize(12);
    EXPECT_EQ(f.Height(), -16);
    int changes = 0;
    f.OnChange = [&](TObject*) { ++changes; };
    f.SetStyle(TFontStyles{fsBold});
    f.SetStyle(TFontStyles{fsBold});
    EXPECT_EQ(changes, 1);
}
