#pragma once
// Drawing helpers shared by the grids, list controls and buttons: bitmap cells,
// transparent and embossed bitmaps, shortened captions and aligned cell text,
// plus a few small window utilities.

#include <memory>

#include "platform/classes/Alignment.h"
#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Canvas.h"
#include "platform/gfx/Color.h"
#include "platform/gfx/GraphTypes.h"
#include "platform/rtl/System.h"
#include "platform/ui/Controls.h"

class TImageList;

enum TVertAlignment { vaTopJustify, vaCenter, vaBottomJustify };

// The two cursors the components share: an open hand and the hand that
// drags. RegisterSharedCursors puts them into the screen's cursor table.
constexpr TCursor crHand = 14000;
constexpr TCursor crDragHand = 14001;
// Draws the two cursors and registers them under their numbers; the first
// call does it, later ones do nothing. Program blocks call it at start.
void RegisterSharedCursors();

// Makes Dest one cell of Source, a picture of Cols x Rows cells numbered row
// by row. Counts below 1 count as 1, a negative index as 0; an index past the
// last cell gives a white cell.
void CopyBitmapCell(TGraphic* Source, TBitmap* Dest, Integer Cols, Integer Index, Integer Rows);

// Paints into Canvas what the control's parent shows under the control: the
// parent's colour and own painting, then each visible graphic control placed
// before this one that overlaps it, with csPaintCopy in its ControlState
// while it paints.
void PaintParentBackground(TControl* Control, TCanvas* Canvas);

// Stretch-copies the source area leaving out every pixel of TransparentColor.
// The palette is accepted for the callers' sake; canvases here are true colour.
void StretchBltMasked(TCanvas* Dest, Integer X, Integer Y, Integer Width, Integer Height, TCanvas* Source,
                      Integer SrcX, Integer SrcY, Integer SrcW, Integer SrcH, TColor TransparentColor,
                      HPALETTE Palette = nullptr);
// Width or Height below 1: the bitmap's; an empty SrcRect: the whole bitmap.
// clNone copies through the canvas's CopyMode; clDefault takes the bitmap's
// bottom-left pixel; a monochrome bitmap always leaves white out.
void StretchBitmapMasked(TCanvas* Canvas, Integer X, Integer Y, Integer Width, Integer Height, TBitmap* Bitmap,
                         const TRect& SrcRect, TColor TransparentColor);
void StretchBitmapRectTransparent(TCanvas* Canvas, Integer X, Integer Y, Integer Width, Integer Height,
                                  const TRect& SrcRect, TBitmap* Bitmap, TColor TransparentColor);
void DrawBitmapMasked(TCanvas* Canvas, Integer X, Integer Y, TBitmap* Bitmap, TColor TransparentColor);

// The disabled look: a bitmap of the same size in FaceColor with the picture's
// shape (every pixel not of BackColor) in ShadowColor, and in HighlightColor
// one pixel right and down beneath it when UseHighlight.
std::unique_ptr<TBitmap> MakeEmbossedBitmap(TBitmap* Bitmap, TColor BackColor, TColor FaceColor, bool UseHighlight,
                                            TColor ShadowColor, TColor HighlightColor);
std::unique_ptr<TBitmap> MakeEmbossedBitmapDefault(TBitmap* Bitmap, TColor BackColor);
// The same look for one image of an image list, drawn onto the canvas: the
// image's shown pixels that are not white form the shape; the rest of the
// canvas is left as it is. Nothing is drawn for an index out of range.
void DrawImageEmbossed(TImageList* Images, TCanvas* Canvas, Integer X, Integer Y, Integer Index,
                       bool UseHighlight, TColor HighlightColor, TColor ShadowColor);

// The text, or the longest prefix (at most two characters shorter) with
// "..." that fits MaxWidth on the canvas; "..." when nothing fits.
AnsiString FitTextWithEllipsis(const AnsiString& Text, TCanvas* Canvas, Integer MaxWidth);

// Text in a cell rectangle: one line at (Rect.Left + DX, Rect.Top + DY) for
// left alignment, right-aligned 3 pixels in from the right edge or centred;
// word-wrapped or multi-line text is laid out in the rectangle (DX, DY in)
// on the brush, right to left when asked. Nothing leaves the rectangle.
void PaintTextInRect(TCanvas* Canvas, const TRect& Rect, Integer DX, Integer DY, const AnsiString& Text,
                     TAlignment Alignment, bool WordWrap, bool RightToLeft = false);
// Cell text of a grid: 2 pixels in, vertically placed by the layout; centred
// text wraps at word breaks.
void DrawGridCellText(TCustomControl* Grid, Integer Col, Integer Row, const AnsiString& Text, const TRect& Rect,
                      TAlignment Alignment, TVertAlignment VertAlignment, bool RightToLeft);
void DrawGridCellText(TCustomControl* Grid, Integer Col, Integer Row, const AnsiString& Text, const TRect& Rect,
                      TAlignment Alignment, TVertAlignment VertAlignment);

inline Integer WidthOfRect(const TRect& R) { return R.Right - R.Left; }
inline Integer HeightOfRect(const TRect& R) { return R.Bottom - R.Top; }

constexpr TColor PaletteRelativeFlag = 0x02000000;
TColor PaletteRelativeColor(TColor Color);

// Takes one message of that number still waiting for the control out of the
// application's queue (see PostMessage); nothing when none waits.
void DiscardMessage(TControl* Control, Cardinal Msg);
// The default system beep.
void SystemBeep();

// Resets the screen cursor, tells the user "Function not yet implemented" and
// aborts the command silently (raises EAbort).
[[noreturn]] void ShowNotImplemented();

inline AnsiString TextAsIs(const AnsiString& Text) { return Text; }

// True on the user-interface thread while one of its windows is active.
bool ActiveWindowInThisThread();
