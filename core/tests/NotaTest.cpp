#include "core/Nota.h"

#include <gtest/gtest.h>

#include "platform/gfx/Canvas.h"

namespace {

// A w x h white picture with one black pixel at (x, y).
void Dot(TBitmap& b, Integer w, Integer h, Integer x, Integer y) {
    b.SetPixelFormat(pf24bit);
    b.SetSize(w, h);
    b.Canvas()->Brush()->SetColor(clWhite);
    b.Canvas()->FillRect(Rect(0, 0, w, h));
    b.SetPixel(x, y, clBlack);
}

struct Glyphs {
    TBitmap types[10], base, sharp, dot;
    TNoteGlyphImages images;
    Glyphs() {
        for (int i = 0; i < 10; ++i) {
            Dot(types[i], 18, 30, i, 20);  // each type marks its own column
            images.Types[i] = &types[i];
        }
        Dot(base, 50, 30, 49, 0);
        Dot(sharp, 11, 11, 5, 5);
        Dot(dot, 6, 3, 2, 1);
        images.SharpBase = &base;
        images.Sharp = &sharp;
        images.Dot = &dot;
    }
};

}  // namespace

TEST(TNotaTest, TokensLengthsAndLines) {
    TNoteStaff staff;
    staff.StaffTop = 100;
    TNota note(&staff);
    EXPECT_EQ(note.Line(), 13);
    note.SetNoteType(2);
    EXPECT_EQ(note.RingToneToken(), "4C6");
    EXPECT_DOUBLE_EQ(note.NoteLength(), 1);
    EXPECT_EQ(note.GlyphTop(), 165);
    EXPECT_TRUE(note.SetSharp());
    EXPECT_TRUE(note.SetDot());
    EXPECT_EQ(note.RingToneToken(), "4C#6.");

    // Lines 0, 20 and 27: H7, C5, C4; E and H lines take no sharp.
    for (auto [line, name] : {std::pair{0, "H7"}, {20, "C5"}, {27, "C4"}, {4, "E7"}}) {
        TNota n(&staff);
        n.SetNoteType(4);
        n.SetLine(line);
        EXPECT_EQ(n.RingToneToken(), AnsiString("16") + name);
        EXPECT_EQ(n.SetSharp(), name[0] != 'H' && name[0] != 'E') << name;
    }
    EXPECT_DOUBLE_EQ(TNota(&staff).NoteLength(), 4);

    // Out of range: pitch "E5", duration "8".
    TNota odd(&staff);
    odd.SetLine(40);
    odd.SetNoteType(12);
    EXPECT_EQ(odd.RingToneToken(), "8E5");

    // A rest of type 7 moves to line 15 and loses sharp and dot.
    note.SetNoteType(7);
    EXPECT_EQ(note.Line(), 15);
    EXPECT_FALSE(note.Sharp());
    EXPECT_FALSE(note.Dotted());
    EXPECT_EQ(note.RingToneToken(), "4P");
    EXPECT_FALSE(note.SetDot());
    note.SetNoteType(5);
    EXPECT_EQ(note.Line(), 13);
}

TEST(TNotaTest, GlyphIsComposedFromTheImagesAndTurnsRedWhenSelected) {
    Glyphs g;
    TNoteStaff staff;
    staff.Images = &g.images;
    TNota note(&staff);
    int changes = 0;
    note.OnChange = [&](TObject*) { ++changes; };
    note.SetNoteType(3);
    note.RedrawNote();
    EXPECT_EQ(note.Glyph().Width(), 18);
    EXPECT_EQ(note.Glyph().GetPixel(3, 20) & 0xFFFFFF, clBlack);
    EXPECT_TRUE(note.Glyph().Transparent());

    note.SetDot();  // the dot's black pixel lands at (12 + 2, 25 + 1)
    EXPECT_EQ(note.Glyph().GetPixel(14, 26) & 0xFFFFFF, clBlack);
    note.SetSharp();  // 50 x 30: sign at (0, 17), note at x 12, dot at (23, 25)
    const TBitmap& sharp = note.Glyph();
    EXPECT_EQ(sharp.Width(), 50);
    EXPECT_EQ(sharp.Height(), 30);
    EXPECT_EQ(sharp.GetPixel(49, 0) & 0xFFFFFF, clBlack);
    EXPECT_EQ(sharp.GetPixel(5, 22) & 0xFFFFFF, clBlack);
    EXPECT_EQ(sharp.GetPixel(12 + 3, 20) & 0xFFFFFF, clBlack);
    EXPECT_EQ(sharp.GetPixel(23 + 2, 26) & 0xFFFFFF, clBlack);
    EXPECT_EQ(sharp.GetPixel(14, 26) & 0xFFFFFF, clWhite);

    note.SelectNote();
    EXPECT_EQ(note.Glyph().GetPixel(12 + 3, 20) & 0xFFFFFF, TColor(255));
    EXPECT_EQ(note.Glyph().GetPixel(0, 0) & 0xFFFFFF, clWhite);
    note.DeselectNote();
    EXPECT_EQ(note.Glyph().GetPixel(12 + 3, 20) & 0xFFFFFF, clBlack);
    EXPECT_GE(changes, 5);
}

TEST(TNotaTest, BeyondTheStaffOnlyWithAGlyphInItsLastEightyPixels) {
    TNoteStaff staff;
    staff.StaffLeft = 10;
    staff.StaffWidth = 400;
    TNota note(&staff);
    EXPECT_FALSE(note.IsBeyondStaff());
    note.SetGlyphLeft(330);
    EXPECT_FALSE(note.IsBeyondStaff());
    note.SetGlyphLeft(331);
    EXPECT_TRUE(note.IsBeyondStaff());
}
