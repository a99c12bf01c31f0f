#pragma once
// TBitmapEditor: the window of the bitmap editor. It shows the model's image
// magnified, hands the mouse to the model and follows its view events; all
// drawing, undo and selection logic lives in TBitmapEditorModel.

#include "media/cmpBitmapEditorModel.h"
#include "platform/ui/Controls.h"
#include "platform/ui/Forms.h"

class TBitmapEditor : public TCustomControl {
public:
    explicit TBitmapEditor(TComponent* AOwner);
    ~TBitmapEditor() override;

    TPicture* Picture() { return FModel.Picture(); }
    void SetPicture(TPicture* Value) { FModel.SetPicture(Value); }
    TColor TransparentColor() const { return FModel.TransparentColor(); }
    void SetTransparentColor(TColor Value) { FModel.SetTransparentColor(Value); }
    Integer Magnification() const { return FModel.Magnification(); }
    void SetMagnification(Integer Value) { FModel.SetMagnification(Value); }
    Integer GridLines() const { return FModel.GridLines(); }
    void SetGridLines(Integer Value) { FModel.SetGridLines(Value); }
    // bsSingle: a one-pixel black border around the image; the control is
    // two pixels larger than its client area.
    TBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TBorderStyle Value);
    // Kept for stored windows: the editor always paints through a buffer.
    bool DoubleBuffered() const { return FDoubleBuffered; }
    void SetDoubleBuffered(bool Value) { FDoubleBuffered = Value; }
    TDrawingTool DrawingTool() const { return FModel.DrawingTool(); }
    void SetDrawingTool(TDrawingTool Value) { FModel.SelectDrawingTool(Value); }
    TPen* DrawPen() { return FModel.DrawPen(); }
    void SetDrawPen(TPen* Value) { FModel.SetDrawPen(Value); }
    TBrush* DrawBrush() { return FModel.DrawBrush(); }
    void SetDrawBrush(TBrush* Value) { FModel.SetDrawBrush(Value); }

    TBitmap* WorkBitmap() { return FModel.WorkBitmap(); }
    const AnsiString& InsertText() const { return FModel.InsertText; }
    void SetInsertText(const AnsiString& Value) { FModel.InsertText = Value; }
    bool PlaceTextOnMove() const { return FModel.PlaceTextOnMove; }
    void SetPlaceTextOnMove(bool Value) { FModel.PlaceTextOnMove = Value; }
    bool Drawing() const { return FModel.Drawing; }
    void SetDrawing(bool Value) { FModel.Drawing = Value; }

    void ReloadPicture() { FModel.ReloadPicture(); }
    void SelectDrawingTool(TDrawingTool Tool) { FModel.SelectDrawingTool(Tool); }
    void UndoLastChange() { FModel.UndoLastChange(); }
    void RedoLastChange() { FModel.RedoLastChange(); }

    TBitmapEditorModel& Model() { return FModel; }

    TNotifyEvent OnChange;
    TNotifyEvent OnEndChange;
    TNotifyEvent OnDrawToolChange;

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

    Integer ClientWidth() const override;
    Integer ClientHeight() const override;
    TPoint ClientOffset() const override;

protected:
    void Paint() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;

private:
    void Forward(const TNotifyEvent& Event);
    Integer BorderSize() const { return FBorderStyle == bsSingle ? 1 : 0; }

    TBitmapEditorModel FModel;
    TBorderStyle FBorderStyle = bsSingle;
    bool FDoubleBuffered = false;
};

// The cursor-table numbers of the editor's own cursors.
constexpr TCursor crBitmapEditorPencil = 1;
constexpr TCursor crBitmapEditorPotoPaint = 2;
constexpr TCursor crBitmapEditorMagnifier = 3;
constexpr TCursor crBitmapEditorDotCross = 4;
constexpr TCursor crBitmapEditorDropper = 5;

TCursor BitmapEditorCursor(TEditorCursor Cursor);
