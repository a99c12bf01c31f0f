#pragma once
// The classic three-dimensional look, drawn on our TCanvas so that what a
// grid or a list shows is exact to the pixel: edges of buttons and frames,
// the dotted focus rectangle, the check-box glyph, and the sizes of the
// system's standard parts.

#include "platform/gfx/Canvas.h"
#include "platform/gfx/GraphTypes.h"
#include "platform/rtl/System.h"

// Edge kinds: the outer and inner line of a raised or sunken border.
constexpr Cardinal BDR_RAISEDOUTER = 0x0001;
constexpr Cardinal BDR_SUNKENOUTER = 0x0002;
constexpr Cardinal BDR_RAISEDINNER = 0x0004;
constexpr Cardinal BDR_SUNKENINNER = 0x0008;
constexpr Cardinal EDGE_RAISED = BDR_RAISEDOUTER | BDR_RAISEDINNER;
constexpr Cardinal EDGE_SUNKEN = BDR_SUNKENOUTER | BDR_SUNKENINNER;
constexpr Cardinal EDGE_ETCHED = BDR_SUNKENOUTER | BDR_RAISEDINNER;
constexpr Cardinal EDGE_BUMP = BDR_RAISEDOUTER | BDR_SUNKENINNER;

// Which sides are drawn, and what happens to the rectangle.
constexpr Cardinal BF_LEFT = 0x0001;
constexpr Cardinal BF_TOP = 0x0002;
constexpr Cardinal BF_RIGHT = 0x0004;
constexpr Cardinal BF_BOTTOM = 0x0008;
constexpr Cardinal BF_TOPLEFT = BF_TOP | BF_LEFT;
constexpr Cardinal BF_BOTTOMRIGHT = BF_BOTTOM | BF_RIGHT;
constexpr Cardinal BF_RECT = BF_LEFT | BF_TOP | BF_RIGHT | BF_BOTTOM;
constexpr Cardinal BF_MIDDLE = 0x0800;  // fill the inside with the button face
constexpr Cardinal BF_FLAT = 0x4000;    // shadow lines only, no highlight
constexpr Cardinal BF_ADJUST = 0x2000;  // shrink the rectangle by the lines drawn

// Draws the edge inside Rect: the outer line on its outermost pixels, the
// inner line one pixel in. Right and bottom lines lie on Right - 1 and
// Bottom - 1. With BF_ADJUST the rectangle is left as the area inside.
void DrawEdge(TCanvas* Canvas, TRect& Rect, Cardinal Edge, Cardinal Flags);

// The dotted focus frame: every other pixel of the rectangle's outline is
// inverted, starting with its top-left corner, so drawing it twice at the
// same place takes it away again.
void DrawFocusRect(TCanvas* Canvas, const TRect& Rect);

// The 13 x 13 check box centred in Rect: a sunken frame, a white face
// (button face when disabled) and, when checked, the tick.
constexpr Integer CheckBoxGlyphSize = 13;
void DrawCheckBoxGlyph(TCanvas* Canvas, const TRect& Rect, bool Checked, bool Enabled = true);

// Sizes of the system's parts, in pixels.
constexpr int SM_CXVSCROLL = 2;
constexpr int SM_CYHSCROLL = 3;
constexpr int SM_CXBORDER = 5;
constexpr int SM_CYBORDER = 6;
constexpr int SM_CXEDGE = 45;
constexpr int SM_CYEDGE = 46;
constexpr int SM_CXMENUCHECK = 71;
constexpr int SM_CYMENUCHECK = 72;
// 0 for a metric it does not know.
int GetSystemMetrics(int Index);
