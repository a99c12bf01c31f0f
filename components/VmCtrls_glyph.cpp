// Button glyphs: the shared image cache, the state images, layout and drawing.
#include <algorithm>

#include "components/VCLUtils.h"
#include "components/VmCtrls.h"
#include "platform/gfx/Bitmap.h"
#include "platform/ui/DrawText.h"

// ---------------------------------------------------------------------------
// TGlyphList, TGlyphCache

TGlyphList::TGlyphList(Integer AWidth, Integer AHeight) : TImageList(nullptr, AWidth, AHeight) {}

TGlyphList::~TGlyphList() = default;

Integer TGlyphList::AddMasked(TBitmap* Image, TColor MaskColor) {
    for (std::size_t i = 0; i < FUsed.size(); ++i)
        if (!FUsed[i]) {
            ReplaceMasked(static_cast<Integer>(i), Image, MaskColor);
            FUsed[i] = true;
            return static_cast<Integer>(i);
        }
    const Integer index = TImageList::AddMasked(Image, MaskColor);
    if (index >= 0) {
        FUsed.resize(static_cast<std::size_t>(Count()), false);
        FUsed[static_cast<std::size_t>(index)] = true;
    }
    return index;
}

void TGlyphList::Delete(Integer Index) {
    if (Index >= 0 && static_cast<std::size_t>(Index) < FUsed.size()) FUsed[static_cast<std::size_t>(Index)] = false;
}

Integer TGlyphList::UsedCount() const { return static_cast<Integer>(std::count(FUsed.begin(), FUsed.end(), true)); }

TGlyphList* TGlyphCache::GetList(Integer AWidth, Integer AHeight) {
    for (const auto& list : FLists)
        if (list->Width() == AWidth && list->Height() == AHeight) return list.get();
    FLists.push_back(std::make_unique<TGlyphList>(AWidth, AHeight));
    return FLists.back().get();
}

void TGlyphCache::ReturnList(TGlyphList* List) {
    if (List && List->UsedCount() == 0)
        std::erase_if(FLists, [List](const std::unique_ptr<TGlyphList>& l) { return l.get() == List; });
}

namespace {

std::unique_ptr<TGlyphCache> gGlyphCache;
int gGlyphCount = 0;

// Every pixel that is neither transparent nor button face becomes the gray
// of its brightness.
void MakeGray(TBitmap& Image, TColor Transparent) {
    const TColor key = ColorToRGB(Transparent) & 0xFFFFFF, face = ColorToRGB(clBtnFace) & 0xFFFFFF;
    for (Integer y = 0; y < Image.Height(); ++y)
        for (Integer x = 0; x < Image.Width(); ++x) {
            const TColor c = Image.GetPixel(x, y) & 0xFFFFFF;
            if (c == key || c == face) continue;
            const int l = (77 * GetRValue(c) + 150 * GetGValue(c) + 29 * GetBValue(c)) / 256;
            Image.SetPixel(x, y, RGB(l, l, l));
        }
}

}  // namespace

TGlyphCache* GlyphCache() { return gGlyphCache.get(); }

// ---------------------------------------------------------------------------
// TVmButtonGlyph

TVmButtonGlyph::TVmButtonGlyph() : FOriginal(std::make_unique<TBitmap>()) {
    if (!gGlyphCache) gGlyphCache = std::make_unique<TGlyphCache>();
    ++gGlyphCount;
    FOriginal->OnChange = [this](TObject*) { GlyphChanged(); };
}

TVmButtonGlyph::~TVmButtonGlyph() {
    FOriginal->OnChange = nullptr;
    Invalidate();
    if (--gGlyphCount == 0 && gGlyphCache && gGlyphCache->ListCount() == 0) gGlyphCache.reset();
}

void TVmButtonGlyph::SetGlyph(TBitmap* Value) {
    if (Value) {
        FOriginal->Assign(*Value);
    } else {
        TBitmap empty;
        FOriginal->Assign(empty);
    }
}

void TVmButtonGlyph::GlyphChanged() {
    Invalidate();
    if (FOriginal->Height() > 0) {
        FTransparentColor = FOriginal->TransparentColor() & ~PaletteRelativeFlag;
        if (FOriginal->Width() % FOriginal->Height() == 0) {
            const Integer count = FOriginal->Width() / FOriginal->Height();
            SetNumGlyphs(count < 6 ? count : 1);
        }
    }
    FireEvent(OnChange, nullptr);
}

void TVmButtonGlyph::SetNumGlyphs(Integer Value) {
    Value = std::clamp<Integer>(Value, 1, 5);
    if (FNumGlyphs == Value) return;
    Invalidate();
    FNumGlyphs = Value;
    FireEvent(OnChange, nullptr);
}

void TVmButtonGlyph::SetAlignment(TAlignment Value) {
    if (FAlignment == Value) return;
    FAlignment = Value;
    FireEvent(OnChange, nullptr);
}

void TVmButtonGlyph::SetWordWrap(bool Value) {
    if (FWordWrap == Value) return;
    FWordWrap = Value;
    FireEvent(OnChange, nullptr);
}

void TVmButtonGlyph::Invalidate() {
    for (Integer& index : FIndexs) {
        if (index >= 0 && FGlyphList) FGlyphList->Delete(index);
        index = -1;
    }
    if (FGlyphList && gGlyphCache) gGlyphCache->ReturnList(FGlyphList);
    FGlyphList = nullptr;
}

TPoint TVmButtonGlyph::GlyphSize() const {
    if (FOriginal->Empty()) return Point(0, 0);
    return Point(FOriginal->Width() / FNumGlyphs, FOriginal->Height());
}

Integer TVmButtonGlyph::CreateButtonGlyph(TVmButtonState State) {
    if (State == vbsDown && FNumGlyphs < 3) State = vbsUp;
    Integer& cached = FIndexs[State];
    if (cached != -1) return cached;
    const TPoint size = GlyphSize();
    if (size.x <= 0 || size.y <= 0) return -1;
    if (!FGlyphList) FGlyphList = gGlyphCache->GetList(size.x, size.y);
    const Integer cell = static_cast<Integer>(State) < FNumGlyphs ? static_cast<Integer>(State) : 0;
    TBitmap image;
    image.SetPixelFormat(pf24bit);
    image.SetSize(size.x, size.y);
    image.Canvas()->CopyFromBitmap(Rect(0, 0, size.x, size.y), *FOriginal, Bounds(cell * size.x, 0, size.x, size.y));
    if (State == vbsDisabled && FNumGlyphs < 2) {
        // The picture's own transparent colour counts as empty, so that only
        // the picture itself shows embossed.
        const std::unique_ptr<TBitmap> embossed = MakeEmbossedBitmapDefault(&image, FTransparentColor);
        cached = FGlyphList->AddMasked(embossed.get(), clBtnFace);
    } else {
        if (State == vbsInactive && FNumGlyphs < 5) MakeGray(image, FTransparentColor);
        cached = FGlyphList->AddMasked(&image, FTransparentColor);
    }
    return cached;
}

// --- layout

TVmButtonGlyph::TLayoutResult TVmButtonGlyph::CalcButtonLayout(TCanvas* Canvas, const TRect& Client,
                                                               const TPoint& Offset, const AnsiString& Caption,
                                                               TButtonLayout Layout, Integer Margin,
                                                               Integer Spacing, bool DropDownMark) {
    TLayoutResult result;
    const bool horizontal = Layout == blGlyphLeft || Layout == blGlyphRight;
    const TPoint client = Point(Client.Width(), Client.Height());
    TPoint glyph = GlyphSize();

    // Room for the caption along the layout.
    Integer room = (horizontal ? client.x - glyph.x : client.y - glyph.y);
    if (Margin != -1) room -= Margin;
    if (Spacing != -1) room -= Spacing;
    if (horizontal && DropDownMark) room -= 9;
    const Integer roomX = horizontal ? room : client.x, roomY = horizontal ? client.y : room;

    AnsiString text = Caption;
    if (!FWordWrap) {
        // Each line shortened to the room, without trailing blanks.
        AnsiString fitted;
        std::size_t from = 0;
        while (from <= text.size()) {
            std::size_t end = text.find_first_of("\r\n", from);
            AnsiString line = text.substr(from, end == AnsiString::npos ? AnsiString::npos : end - from);
            line = FitTextWithEllipsis(line, Canvas, roomX);
            while (!line.empty() && line.back() == ' ') line.pop_back();
            fitted += line;
            if (end == AnsiString::npos) break;
            std::size_t next = end + 1;
            if (text[end] == '\r' && next < text.size() && text[next] == '\n') ++next;
            fitted += text.substr(end, next - end);
            from = next;
        }
        text = fitted;
    }
    TPoint textSize{0, 0};
    if (!text.empty()) {
        TRect r = Rect(0, 0, std::max<Integer>(roomX, 0), 0);
        const Cardinal align = FAlignment == taLeftJustify ? DT_LEFT : FAlignment == taRightJustify ? DT_RIGHT : DT_CENTER;
        DrawText(Canvas, text, r, DT_CALCRECT | DT_CENTER | DT_VCENTER | (FWordWrap ? DT_WORDBREAK : 0) | align);
        textSize = Point(std::min(r.Width(), std::max<Integer>(roomX, 0)), std::min(r.Height(), std::max<Integer>(roomY, 0)));
    }
    if (DropDownMark) {
        if (glyph.x == 0 || Layout == blGlyphLeft)
            textSize.x += 9;
        else
            glyph.x += 6;
    }

    // Across the layout both parts are centred.
    TPoint glyphPos, textPos;
    if (horizontal) {
        glyphPos.y = (client.y - glyph.y + 1) / 2;
        textPos.y = (client.y - textSize.y + 1) / 2;
    } else {
        glyphPos.x = (client.x - glyph.x + 1) / 2;
        textPos.x = (client.x - textSize.x + 1) / 2;
    }
    // Along it margin and spacing decide.
    const Integer along = horizontal ? client.x : client.y;
    const Integer glyphAlong = horizontal ? glyph.x : glyph.y, textAlong = horizontal ? textSize.x : textSize.y;
    if (textAlong == 0 || glyphAlong == 0) Spacing = 0;
    if (Margin == -1 && Spacing == -1) {
        Margin = Spacing = (along - glyphAlong - textAlong) / 3;
    } else if (Margin == -1) {
        Margin = (along - glyphAlong - Spacing - textAlong) / 2;
    } else if (Spacing == -1) {
        Spacing = (along - Margin - glyphAlong - textAlong) / 2;
    }
    Integer glyphAt = 0, textAt = 0;
    switch (Layout) {
    case blGlyphLeft:
    case blGlyphTop:
        glyphAt = Margin;
        textAt = glyphAt + glyphAlong + Spacing;
        break;
    case blGlyphRight:
    case blGlyphBottom:
        glyphAt = along - Margin - glyphAlong;
        textAt = glyphAt - Spacing - textAlong;
        break;
    }
    (horizontal ? glyphPos.x : glyphPos.y) = glyphAt;
    (horizontal ? textPos.x : textPos.y) = textAt;

    const Integer dx = Client.Left + Offset.x, dy = Client.Top + Offset.y;
    result.Text = text;
    result.GlyphPos = Point(glyphPos.x + dx, glyphPos.y + dy);
    result.TextBounds = Bounds(textPos.x + dx, textPos.y + dy, textSize.x, textSize.y);
    if (DropDownMark) {
        const TPoint real = GlyphSize();
        if (real.x > 0 && Layout != blGlyphLeft) {
            result.MarkPos = Point(result.GlyphPos.x + real.x + 1, result.GlyphPos.y + real.y / 2);
        } else {
            // The caption's rectangle holds the mark's 9 pixels at its right.
            const TRect full = result.TextBounds;
            result.TextBounds.Right -= 9;
            const Integer y = (full.Top + full.Bottom) / 2;
            result.MarkPos = text.empty() ? Point((full.Left + full.Right - 7) / 2, y)
                                          : Point(result.TextBounds.Right + 3, y);
        }
    }
    return result;
}

// --- drawing

void TVmButtonGlyph::DrawButtonText(TCanvas* Canvas, const AnsiString& Caption, TRect TextBounds,
                                    TVmButtonState State) {
    if (Caption.empty()) return;
    const AnsiString text = Caption.substr(0, 255);
    const Cardinal align = FAlignment == taLeftJustify ? DT_LEFT : FAlignment == taRightJustify ? DT_RIGHT : DT_CENTER;
    const Cardinal flags = DT_VCENTER | (FWordWrap ? DT_WORDBREAK : 0) | align;
    Canvas->Brush()->SetStyle(bsClear);
    if (State == vbsDisabled) {
        const TColor saved = Canvas->Font()->Color();
        TRect shadow = TextBounds;
        shadow.Left += 1;
        shadow.Top += 1;
        shadow.Right += 1;
        shadow.Bottom += 1;
        Canvas->Font()->SetColor(clBtnHighlight);
        DrawText(Canvas, text, shadow, flags);
        Canvas->Font()->SetColor(clBtnShadow);
        DrawText(Canvas, text, TextBounds, flags);
        Canvas->Font()->SetColor(saved);
    } else {
        DrawText(Canvas, text, TextBounds, flags);
    }
}

// A triangle of 7, 5, 3 and 1 pixels pointing down, its top row one pixel
// above At.
void TVmButtonGlyph::DrawDropDownMark(TCanvas* Canvas, const TPoint& At, TVmButtonState State) {
    auto triangle = [Canvas](Integer X, Integer Y, TColor Color) {
        const TColor rgb = ColorToRGB(Color);
        for (Integer row = 0; row < 4; ++row)
            for (Integer x = X + row; x < X + 7 - row; ++x) Canvas->SetPixel(x, Y - 1 + row, rgb);
    };
    if (State == vbsDisabled) {
        triangle(At.x + 1, At.y + 1, clBtnHighlight);
        triangle(At.x, At.y, clBtnShadow);
    } else {
        triangle(At.x, At.y, clBtnText);
    }
}

TRect TVmButtonGlyph::Draw(TCanvas* Canvas, const TRect& Client, const TPoint& Offset, const AnsiString& Caption,
                           TButtonLayout Layout, Integer Margin, Integer Spacing, bool DropDownMark,
                           TVmButtonState State) {
    const TLayoutResult layout =
        CalcButtonLayout(Canvas, Client, Offset, Caption, Layout, Margin, Spacing, DropDownMark);
    const Integer index = CreateButtonGlyph(State);
    if (index >= 0) FGlyphList->Draw(Canvas, layout.GlyphPos.x, layout.GlyphPos.y, index);
    DrawButtonText(Canvas, layout.Text, layout.TextBounds, State);
    if (DropDownMark) DrawDropDownMark(Canvas, layout.MarkPos, State);
    return layout.TextBounds;
}
