#pragma once
// Formatted text on our TCanvas: the DrawText of the class library, with line
// breaks at CR/LF, word wrapping, tab expansion, "&" prefixes and alignment.
// Measuring (DT_CALCRECT) and drawing share one layout, and both use the
// graphics layer's text metrics, so what a dialog measures is what a label
// draws.

#include <vector>

#include "platform/gfx/Canvas.h"
#include "platform/gfx/GraphTypes.h"
#include "platform/rtl/System.h"

constexpr Cardinal DT_TOP = 0x00000000;
constexpr Cardinal DT_LEFT = 0x00000000;
constexpr Cardinal DT_CENTER = 0x00000001;
constexpr Cardinal DT_RIGHT = 0x00000002;
constexpr Cardinal DT_VCENTER = 0x00000004;
constexpr Cardinal DT_BOTTOM = 0x00000008;
constexpr Cardinal DT_WORDBREAK = 0x00000010;
constexpr Cardinal DT_SINGLELINE = 0x00000020;
constexpr Cardinal DT_EXPANDTABS = 0x00000040;
constexpr Cardinal DT_TABSTOP = 0x00000080;
constexpr Cardinal DT_NOCLIP = 0x00000100;
constexpr Cardinal DT_EXTERNALLEADING = 0x00000200;
constexpr Cardinal DT_CALCRECT = 0x00000400;
constexpr Cardinal DT_NOPREFIX = 0x00000800;
constexpr Cardinal DT_END_ELLIPSIS = 0x00008000;
// Each line is laid out right to left (see TCanvas::TextFlags); the
// alignment keeps its meaning.
constexpr Cardinal DT_RTLREADING = 0x00020000;

// One laid-out line: its text (prefixes removed, tabs still in) and where it
// starts relative to the rectangle's left edge.
struct TTextLine {
    AnsiString Text;
    Integer X = 0;
    Integer Width = 0;
};

struct TTextLayout {
    std::vector<TTextLine> Lines;
    Integer LineHeight = 0;
    Integer Width = 0;  // of the widest line
    Integer Height() const { return LineHeight * static_cast<Integer>(Lines.size()); }
};

// Lays the text out for a rectangle of the given width. A word wider than
// the width stays whole on its own line (the measured width then exceeds the
// rectangle), as the class library's word break does. DT_END_ELLIPSIS ends
// a line that does not fit with "..." instead.
TTextLayout LayoutText(const TFont& Font, const AnsiString& Text, Integer Width, Cardinal Format);

// The average character width of a font: the width of the 52 letters A-Z,
// a-z divided by 52, rounded to nearest.
Integer AverageCharWidth(const TFont& Font);

// Draws (or with DT_CALCRECT only measures) the text in Rect with the
// canvas's font, brush and clipping. DT_CALCRECT sets Rect's right and
// bottom edges to the text's extent. Returns the text's height; 0 for an
// empty text.
Integer DrawText(TCanvas* Canvas, const AnsiString& Text, TRect& Rect, Cardinal Format);
// Measuring only, for a font without a canvas (DT_CALCRECT is implied).
Integer DrawText(const TFont& Font, const AnsiString& Text, TRect& Rect, Cardinal Format);
// Draws with the canvas's brush through TextOut, clipped to Rect, the text
// vertically at Rect.Top; the class library's TextRect.
void TextRect(TCanvas* Canvas, const TRect& Rect, Integer X, Integer Y, const AnsiString& Text);
