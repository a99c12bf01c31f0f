#include "core/Nota.h"

#include "platform/gfx/Canvas.h"

namespace {

const char* const Durations[] = {"1", "2", "4", "8", "16"};
const double Lengths[] = {4, 2, 1, 0.5, 0.25};
const char Letters[] = {'H', 'A', 'G', 'F', 'E', 'D', 'C'};

// Copies the whole of Source into Dest (stretched to it), leaving the
// pixels that are white in Source alone.
void CopyWhiteTransparent(TBitmap& Target, const TRect& Dest, const TBitmap& Source) {
    if (Source.Empty()) return;
    Target.Canvas()->CopyTransparent(Dest, Source, Rect(0, 0, Source.Width(), Source.Height()), clWhite);
}

}  // namespace

AnsiString NotePitchName(Integer Line) {
    if (Line < 0 || Line >= NoteLineCount) return "";
    return AnsiString(1, Letters[Line % 7]) + char('0' + 7 - Line / 7);
}

void ReplaceColour(TBitmap& Bitmap, TColor OldColor, TColor NewColor) {
    const TColor from = ColorToRGB(OldColor) & 0xFFFFFF, to = ColorToRGB(NewColor) & 0xFFFFFF;
    for (Integer y = 0; y < Bitmap.Height(); ++y)
        for (Integer x = 0; x < Bitmap.Width(); ++x)
            if ((Bitmap.GetPixel(x, y) & 0xFFFFFF) == from) Bitmap.SetPixel(x, y, to);
}

TNota::TNota(TNoteStaff* Staff) : FStaff(Staff), FLine(Staff->DefaultLine) {}

void TNota::SetNoteType(Integer Value) {
    FType = Value;
    if (Value == 5 || Value == 6) FLine = 13;
    else if (Value >= 7 && Value <= 9) FLine = 15;
    if (IsRest()) {
        FDotted = false;
        FSharp = false;
    }
    if (HasGlyph()) Changed();
}

void TNota::SetLine(Integer Value) {
    if (Value == FLine) return;
    FLine = Value;
    if (HasGlyph()) Changed();
}

AnsiString TNota::RingToneToken() const {
    AnsiString token = FType >= 0 && FType <= 9 ? Durations[FType % 5] : "8";
    if (IsRest()) return token + "P" + (FDotted ? "." : "");
    AnsiString pitch = NotePitchName(FLine);
    if (pitch.empty()) pitch = "E5";
    token += pitch.substr(0, 1);
    if (FSharp) token += "#";
    token += pitch.substr(1);
    if (FDotted) token += ".";
    return token;
}

double TNota::NoteLength() const { return FType >= 0 && FType <= 9 ? Lengths[FType % 5] : 0.5; }

Integer TNota::GlyphTop() const { return FStaff->StaffTop + FStaff->LineSpacing * FLine; }

bool TNota::IsBeyondStaff() const {
    return HasGlyph() && FGlyphLeft > FStaff->StaffLeft + FStaff->StaffWidth - 80;
}

bool TNota::SetSharp() {
    const AnsiString pitch = NotePitchName(FLine);
    if (IsRest() || pitch.find_first_of("EH") != AnsiString::npos) return false;
    FSharp = true;
    RedrawNote();
    return true;
}

void TNota::ClearSharp() {
    FSharp = false;
    RedrawNote();
}

bool TNota::SetDot() {
    if (IsRest()) return false;
    FDotted = true;
    RedrawNote();
    return true;
}

void TNota::ClearDot() {
    FDotted = false;
    RedrawNote();
}

void TNota::SelectNote() {
    FSelected = true;
    RedrawNote();
}

void TNota::DeselectNote() {
    FSelected = false;
    RedrawNote();
}

void TNota::Changed() {
    const TNotifyEvent handler = OnChange;
    if (handler) handler(this);
}

void TNota::RedrawNote() {
    FGlyph.Assign(TBitmap());
    FGlyph.SetPixelFormat(pf24bit);
    const TNoteGlyphImages* images = FStaff->Images;
    const TBitmap* type = images && FType >= 0 && FType <= 9 ? images->Types[FType] : nullptr;
    auto fillWhite = [](TBitmap& b, Integer w, Integer h) {
        b.SetSize(w, h);
        b.Canvas()->Brush()->SetColor(clWhite);
        b.Canvas()->FillRect(Rect(0, 0, w, h));
    };
    if (!FSharp) {
        if (type) FGlyph.Assign(*type);
        FGlyph.SetPixelFormat(pf24bit);
    } else {
        fillWhite(FGlyph, 50, 30);
        if (images && images->SharpBase) CopyWhiteTransparent(FGlyph, Rect(0, 0, 50, 30), *images->SharpBase);
        if (images && images->Sharp) CopyWhiteTransparent(FGlyph, Rect(0, 17, 11, 28), *images->Sharp);
        if (type) {
            // The note goes right of the sign: its image on a 30 x 30 white
            // square, of which the left 18 x 29 pixels fit beside the sign.
            TBitmap square;
            square.SetPixelFormat(pf24bit);
            fillWhite(square, 30, 30);
            square.Canvas()->CopyFromBitmap(Rect(0, 0, type->Width(), type->Height()), *type,
                                            Rect(0, 0, type->Width(), type->Height()));
            FGlyph.Canvas()->CopyTransparent(Rect(12, 0, 30, 29), square, Rect(0, 0, 18, 29), clWhite);
        }
    }
    if (FDotted && images && images->Dot)
        CopyWhiteTransparent(FGlyph, FSharp ? Rect(23, 25, 29, 28) : Rect(12, 25, 18, 28), *images->Dot);
    if (FSelected) ReplaceColour(FGlyph, clBlack, TColor(255));
    FGlyph.SetTransparentColor(clWhite);
    FGlyph.SetTransparent(true);
    if (FGlyphLeft < 0) FGlyphLeft = 0;
    Changed();
}
