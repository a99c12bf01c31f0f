#pragma once
// The bitmap editor's model: the edited image, the drawing tools, zoom, the
// grid, the selection and the one-step undo and redo. It knows nothing of
// windows; the editor control feeds it mouse positions in client pixels,
// lets it paint on the control's canvas and follows it through the view
// events (OnInvalidate, OnSizeChange, OnCursorChange).
//
// Colour $7BBE6B (the paper colour) stands for an unset pixel: the empty
// image, the eraser, the right-button pencil, the hole a moved selection
// leaves and the text background use it.

#include "platform/classes/Events.h"
#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Canvas.h"
#include "platform/gfx/Graphic.h"
#include "platform/gfx/GraphicsObjects.h"

enum TDrawingTool {
    dtNone, dtPencil, dtLine, dtFrameRect, dtFillRect, dtRect, dtFloodFill, dtFrameRoundRect, dtFillRoundRect,
    dtRoundRect, dtFrameEllipse, dtFillEllipse, dtEllipse, dtMagnifier, dtBrush, dtSelectRect, dtSelectArea,
    dtDropper, dtText, dtEraser
};

// The mouse cursor a tool shows; the control maps the custom ones to the
// cursor table numbers 1 to 5.
enum TEditorCursor { ecArrow, ecCross, ecSizeAll, ecNone, ecPencil, ecPotoPaint, ecMagnifier, ecDotCross, ecDropper };

enum TEditorButton { ebLeft, ebRight, ebMiddle };

constexpr TColor BitmapEditorPaperColor = 0x7BBE6B;

TEditorCursor DrawingToolCursor(TDrawingTool Tool);

class TBitmapEditorModel : public TObject {
public:
    // Sender is what the events report (the control); nullptr: the model.
    explicit TBitmapEditorModel(TObject* Sender = nullptr);
    ~TBitmapEditorModel() override;
    TBitmapEditorModel(const TBitmapEditorModel&) = delete;
    TBitmapEditorModel& operator=(const TBitmapEditorModel&) = delete;

    TPicture* Picture() { return &FPicture; }
    // Copies the picture and reloads.
    void SetPicture(TPicture* Value);
    TColor TransparentColor() const { return FTransparentColor; }
    void SetTransparentColor(TColor Value);
    Integer Magnification() const { return FMagnification; }
    // Values below 1 become 1 (a zero would divide mouse positions by zero).
    void SetMagnification(Integer Value);
    Integer GridLines() const { return FGridLines; }
    void SetGridLines(Integer Value);
    TDrawingTool DrawingTool() const { return FDrawingTool; }
    void SetDrawingTool(TDrawingTool Value) { SelectDrawingTool(Value); }
    TPen* DrawPen() { return &FDrawPen; }
    void SetDrawPen(TPen* Value) { FDrawPen.Assign(Value); }
    TBrush* DrawBrush() { return &FDrawBrush; }
    void SetDrawBrush(TBrush* Value) { FDrawBrush.Assign(Value); }

    TBitmap* WorkBitmap() { return &FWork; }
    AnsiString InsertText = "Text";
    bool PlaceTextOnMove = false;
    bool Drawing = false;

    void ReloadPicture();
    void SelectDrawingTool(TDrawingTool Tool);
    void UndoLastChange();
    void RedoLastChange();
    void ZoomIn();
    void ZoomOut();

    // The selection in image pixels, corners as the user dragged them;
    // Right or Bottom -1: no extent.
    TRect Selection() const { return FSel; }
    bool HasSelection() const { return FSel.Right != -1 && FSel.Bottom != -1; }
    bool MovingSelection() const { return FMoving; }

    // The client size the control should have.
    Integer ClientWidth() const { return FClientWidth; }
    Integer ClientHeight() const { return FClientHeight; }
    TEditorCursor Cursor() const { return FCursor; }

    // Positions are client pixels.
    void MouseDown(TEditorButton Button, Integer X, Integer Y);
    void MouseMove(Integer X, Integer Y);
    void MouseUp(TEditorButton Button, Integer X, Integer Y);

    // Draws the magnified image, the grid and the selection outline.
    void Paint(TCanvas& Canvas, Integer Width, Integer Height);

    // The control is going away: changes no longer fire OnChange.
    void BeginDestroy() { FDestroying = true; }

    TNotifyEvent OnChange;
    TNotifyEvent OnEndChange;
    TNotifyEvent OnDrawToolChange;
    // For the view only.
    TNotifyEvent OnInvalidate;
    TNotifyEvent OnSizeChange;
    TNotifyEvent OnCursorChange;
    // The control should let go of the mouse: a new picture was loaded, or
    // the mouse left the image with no button held.
    TNotifyEvent OnReleaseCapture;

private:
    void LoadWorkBitmap();
    void UpdateSize();
    void Invalidate();
    void Change();
    void Fire(const TNotifyEvent& Event);
    void SetCursor(TEditorCursor Value);
    TRect NormalSelection() const;
    void PenLine(TPoint From, TPoint To, TColor Color);
    void DrawShape(TPoint To);
    void MoveSelection(TPoint Cell);
    void WriteText(TPoint Cell);
    TPoint CellAt(Integer X, Integer Y) const { return Point(X / FMagnification, Y / FMagnification); }

    TObject* FSender;
    TPicture FPicture;
    TColor FTransparentColor = clTeal;
    Integer FMagnification = 4;
    Integer FGridLines = 4;
    TDrawingTool FDrawingTool = dtNone;
    TDrawingTool FPrevTool = dtNone;
    TPen FDrawPen;
    TBrush FDrawBrush;
    TBitmap FWork;
    TBitmap FStrokeBase;
    TBitmap FUndo;
    TBitmap FRedo;
    bool FUndoAvailable = false;
    bool FRedoAvailable = false;
    bool FUndone = false;
    TPoint FLastCell;
    // Where the mouse was last seen while drawing; a line or shape keeps
    // FLastCell on its pressed cell, so it follows the mouse by this one.
    TPoint FMouseCell;
    TRect FSel{0, 0, -1, -1};
    bool FMoving = false;
    bool FLifted = false;
    bool FRightDown = false;
    bool FStroke = false;
    bool FDestroying = false;
    Integer FClientWidth = 128;
    Integer FClientHeight = 128;
    TEditorCursor FCursor = ecArrow;
};
