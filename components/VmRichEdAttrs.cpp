// The rich editor's attribute objects: character attributes of the default
// text, the selection and the word at the caret, and paragraph attributes.
#include "components/VmRichEd.h"

#include <algorithm>

#include "platform/gfx/Color.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/SysUtils.h"

// ---------------------------------------------------------------------------
// TVmTextAttributes

TVmTextAttributes::TVmTextAttributes(TVmCustomRichEdit* AOwner, TVmAttributeType AType)
    : FRichEdit(AOwner), FType(AType) {}

Cardinal TVmTextAttributes::Scope() const {
    switch (FType) {
    case atDefaultText: return SCF_DEFAULT;
    case atWord: return SCF_SELECTION | SCF_WORD;
    default: return SCF_SELECTION;
    }
}

TCharFormat TVmTextAttributes::Attributes() const {
    if (!FRichEdit->HandleAllocated()) return TCharFormat{};
    return FRichEdit->GetCharFormat(Scope());
}

void TVmTextAttributes::SetAttributes(const TCharFormat& Format) {
    if (FRichEdit->HandleAllocated()) FRichEdit->SetCharFormat(Scope(), Format);
}

TFontCharset TVmTextAttributes::Charset() const { return Attributes().Charset; }

void TVmTextAttributes::SetCharset(TFontCharset Value) {
    TCharFormat f;
    f.Mask = CFM_CHARSET;
    f.Charset = Value;
    SetAttributes(f);
}

TColor TVmTextAttributes::Color() const {
    const TCharFormat f = Attributes();
    return (f.Effects & CFE_AUTOCOLOR) ? clWindowText : TColor(f.TextColor);
}

void TVmTextAttributes::SetColor(TColor Value) {
    TCharFormat f;
    f.Mask = CFM_COLOR;
    if (Value == clWindowText || Value == clDefault) f.Effects = CFE_AUTOCOLOR;
    else f.TextColor = static_cast<Cardinal>(ColorToRGB(Value));
    SetAttributes(f);
}

AnsiString TVmTextAttributes::Name() const { return Attributes().FaceName; }

void TVmTextAttributes::SetName(const AnsiString& Value) {
    TCharFormat f;
    f.Mask = CFM_FACE;
    f.FaceName = CutFaceName(Value);
    // The face goes with the pitch it already has.
    f.PitchAndFamily = Attributes().PitchAndFamily;
    SetAttributes(f);
}

TFontPitch TVmTextAttributes::Pitch() const {
    switch (Attributes().PitchAndFamily & 0x03) {
    case FIXED_PITCH: return fpFixed;
    case VARIABLE_PITCH: return fpVariable;
    default: return fpDefault;
    }
}

void TVmTextAttributes::SetPitch(TFontPitch Value) {
    const TCharFormat current = Attributes();
    TCharFormat f;
    f.Mask = CFM_FACE;
    f.FaceName = current.FaceName;
    const Byte pitch = Value == fpFixed ? FIXED_PITCH : Value == fpVariable ? VARIABLE_PITCH : DEFAULT_PITCH;
    f.PitchAndFamily = static_cast<Byte>((current.PitchAndFamily & 0xF0) | pitch);
    SetAttributes(f);
}

TFontStyles TVmTextAttributes::Style() const {
    const Cardinal e = Attributes().Effects;
    TFontStyles s;
    if (e & CFE_BOLD) s << fsBold;
    if (e & CFE_ITALIC) s << fsItalic;
    if (e & CFE_UNDERLINE) s << fsUnderline;
    if (e & CFE_STRIKEOUT) s << fsStrikeOut;
    return s;
}

void TVmTextAttributes::SetStyle(TFontStyles Value) {
    TCharFormat f;
    f.Mask = CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE | CFM_STRIKEOUT;
    if (Value.Contains(fsBold)) f.Effects |= CFE_BOLD;
    if (Value.Contains(fsItalic)) f.Effects |= CFE_ITALIC;
    if (Value.Contains(fsUnderline)) f.Effects |= CFE_UNDERLINE;
    if (Value.Contains(fsStrikeOut)) f.Effects |= CFE_STRIKEOUT;
    SetAttributes(f);
}

Integer TVmTextAttributes::Size() const { return Attributes().Height / 20; }

void TVmTextAttributes::SetSize(Integer Value) {
    TCharFormat f;
    f.Mask = CFM_SIZE;
    f.Height = Value * 20;
    SetAttributes(f);
}

bool TVmTextAttributes::Protected() const { return (Attributes().Effects & CFE_PROTECTED) != 0; }

void TVmTextAttributes::SetProtected(bool Value) {
    TCharFormat f;
    f.Mask = CFM_PROTECTED;
    f.Effects = Value ? CFE_PROTECTED : 0;
    SetAttributes(f);
}

void TVmTextAttributes::Assign(TPersistent* Source) {
    if (auto* font = dynamic_cast<TFont*>(Source)) {
        TCharFormat f = FontCharFormat(font);
        f.Mask |= CFM_WEIGHT;
        f.Weight = font->Style().Contains(fsBold) ? 700 : 400;
        SetAttributes(f);
        return;
    }
    if (auto* other = dynamic_cast<TVmTextAttributes*>(Source)) {
        SetAttributes(other->Attributes());
        return;
    }
    TPersistent::Assign(Source);
}

void TVmTextAttributes::AssignTo(TPersistent* Dest) {
    if (auto* font = dynamic_cast<TFont*>(Dest)) {
        font->SetColor(Color());
        font->SetName(Name());
        font->SetCharset(Charset());
        font->SetStyle(Style());
        font->SetSize(Size());
        font->SetPitch(Pitch());
        return;
    }
    TPersistent::AssignTo(Dest);
}

// ---------------------------------------------------------------------------
// TVmParaAttributes

TVmParaAttributes::TVmParaAttributes(TVmCustomRichEdit* AOwner) : FRichEdit(AOwner) {}

TParaFormat TVmParaAttributes::Attributes() const {
    if (!FRichEdit->HandleAllocated()) return TParaFormat{0, 0, 0, 0, 0, 0, 0, {}};
    return FRichEdit->GetParaFormat();
}

void TVmParaAttributes::SetAttributes(const TParaFormat& Format) {
    FRichEdit->HandleNeeded();
    FRichEdit->SetParaFormat(Format);
}

TAlignment TVmParaAttributes::Alignment() const {
    const Word a = Attributes().Alignment;
    return static_cast<TAlignment>(std::clamp<int>(a, PFA_LEFT, PFA_JUSTIFY) - 1);
}

void TVmParaAttributes::SetAlignment(TAlignment Value) {
    TParaFormat p;
    p.Mask = PFM_ALIGNMENT;
    p.Alignment = static_cast<Word>(std::clamp<int>(Value, taLeftJustify, taJustify) + 1);
    SetAttributes(p);
}

Integer TVmParaAttributes::NumberingStyle() const { return Attributes().Numbering; }

void TVmParaAttributes::SetNumberingStyle(Integer Value) {
    if (Value == 0) SetOffsetIndent(0);
    else if (OffsetIndent() < 10) SetOffsetIndent(10);
    TParaFormat p;
    p.Mask = PFM_NUMBERING;
    p.Numbering = static_cast<Word>(std::clamp<Integer>(Value, 0, PFN_UCROMAN));
    SetAttributes(p);
}

namespace {

// Writes one length of the paragraph format, given in points.
void SetParaLength(TVmParaAttributes* attributes, Cardinal mask, LongInt TParaFormat::*field, Integer points) {
    TParaFormat p;
    p.Mask = mask;
    p.*field = points * 20;
    attributes->SetAttributes(p);
}

}  // namespace

Integer TVmParaAttributes::StartIndent() const { return Attributes().StartIndent / 20; }
void TVmParaAttributes::SetStartIndent(Integer Value) {
    SetParaLength(this, PFM_STARTINDENT, &TParaFormat::StartIndent, Value);
}

Integer TVmParaAttributes::OffsetIndent() const { return Attributes().Offset / 20; }
void TVmParaAttributes::SetOffsetIndent(Integer Value) { SetParaLength(this, PFM_OFFSET, &TParaFormat::Offset, Value); }

Integer TVmParaAttributes::EndIndent() const { return Attributes().RightIndent / 20; }
void TVmParaAttributes::SetEndIndent(Integer Value) {
    SetParaLength(this, PFM_RIGHTINDENT, &TParaFormat::RightIndent, Value);
}

Integer TVmParaAttributes::TabCount() const { return Attributes().TabCount; }

Integer TVmParaAttributes::TabPosition(Integer Index) const {
    if (Index < 0 || Index >= MAX_TAB_STOPS) throw ERangeError("Tab index out of range (" + IntToStr(Index) + ")");
    return Attributes().Tabs[static_cast<std::size_t>(Index)] / 20;
}

void TVmParaAttributes::SetTabPosition(Integer Index, Integer Value) {
    if (Index < 0 || Index >= MAX_TAB_STOPS) throw ERangeError("Tab index out of range (" + IntToStr(Index) + ")");
    TParaFormat p = Attributes();
    p.Mask = PFM_TABSTOPS;
    p.Tabs[static_cast<std::size_t>(Index)] = Value * 20;
    // The tab just set counts, and so does every one before it.
    p.TabCount = static_cast<SmallInt>(std::max<Integer>(p.TabCount, Index + 1));
    SetAttributes(p);
}

void TVmParaAttributes::Assign(TPersistent* Source) {
    if (auto* other = dynamic_cast<TVmParaAttributes*>(Source)) {
        SetAttributes(other->Attributes());
        return;
    }
    TPersistent::Assign(Source);
}

VEMLOR_PUBLISHED(TVmTextAttributes, TPersistent) {
    Prop("Charset", &TVmTextAttributes::Charset, &TVmTextAttributes::SetCharset);
    Prop("Color", &TVmTextAttributes::Color, &TVmTextAttributes::SetColor);
    Prop("Name", &TVmTextAttributes::Name, &TVmTextAttributes::SetName);
    Prop("Pitch", &TVmTextAttributes::Pitch, &TVmTextAttributes::SetPitch);
    Prop("Size", &TVmTextAttributes::Size, &TVmTextAttributes::SetSize);
    Prop("Style", &TVmTextAttributes::Style, &TVmTextAttributes::SetStyle);
}

VEMLOR_PUBLISHED(TVmParaAttributes, TPersistent) {
    Prop("Alignment", &TVmParaAttributes::Alignment, &TVmParaAttributes::SetAlignment);
    Prop("EndIndent", &TVmParaAttributes::EndIndent, &TVmParaAttributes::SetEndIndent);
    Prop("NumberingStyle", &TVmParaAttributes::NumberingStyle, &TVmParaAttributes::SetNumberingStyle);
    Prop("OffsetIndent", &TVmParaAttributes::OffsetIndent, &TVmParaAttributes::SetOffsetIndent);
    Prop("StartIndent", &TVmParaAttributes::StartIndent, &TVmParaAttributes::SetStartIndent);
}
