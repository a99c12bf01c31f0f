#include "media/cmpBitmapEditor.h"

#include "platform/classes/ClassRegistry.h"

namespace {

// The five cursor shapes, drawn once: 16 x 16, white is see-through.
void RegisterCursors() {
    static bool done = false;
    if (done) return;
    done = true;
    struct Shape {
        TCursor Index;
        int HotX, HotY;
        void (*Draw)(TCanvas& c);
    };
    const Shape shapes[] = {
        {crBitmapEditorPencil, 0, 15,
         [](TCanvas& c) {
             c.MoveTo(0, 15);
             c.LineTo(12, 3);
             c.MoveTo(2, 15);
             c.LineTo(14, 3);
             c.MoveTo(12, 1);
             c.LineTo(15, 4);
         }},
        {crBitmapEditorPotoPaint, 14, 14,
         [](TCanvas& c) {
             c.Rectangle(3, 4, 11, 13);
             c.MoveTo(11, 8);
             c.LineTo(14, 15);
         }},
        {crBitmapEditorMagnifier, 6, 6,
         [](TCanvas& c) {
             c.Ellipse(1, 1, 12, 12);
             c.MoveTo(10, 10);
             c.LineTo(15, 15);
         }},
        {crBitmapEditorDotCross, 7, 7,
         [](TCanvas& c) {
             c.MoveTo(7, 0);
             c.LineTo(7, 6);
             c.MoveTo(7, 9);
             c.LineTo(7, 16);
             c.MoveTo(0, 7);
             c.LineTo(6, 7);
             c.MoveTo(9, 7);
             c.LineTo(16, 7);
             c.SetPixel(7, 7, clBlack);
         }},
        {crBitmapEditorDropper, 0, 15,
         [](TCanvas& c) {
             c.MoveTo(0, 15);
             c.LineTo(10, 5);
             c.Rectangle(10, 1, 15, 6);
         }},
    };
    for (const Shape& s : shapes) {
        TBitmap image;
        image.SetSize(16, 16);
        TCanvas& c = *image.Canvas();
        c.Brush()->SetColor(clWhite);
        c.FillRect(Rect(0, 0, 16, 16));
        c.Brush()->SetStyle(bsClear);
        c.Pen()->SetColor(clBlack);
        s.Draw(c);
        Screen->SetCursors(s.Index, CreateCursorFromBitmap(image, clWhite, s.HotX, s.HotY));
    }
}

}  // namespace

TCursor BitmapEditorCursor(TEditorCursor Cursor) {
    switch (Cursor) {
        case ecArrow: return crArrow;
        case ecCross: return crCross;
        case ecSizeAll: return crSizeAll;
        case ecNone: return crNone;
        case ecPencil: return crBitmapEditorPencil;
        case ecPotoPaint: return crBitmapEditorPotoPaint;
        case ecMagnifier: return crBitmapEditorMagnifier;
        case ecDotCross: return crBitmapEditorDotCross;
        case ecDropper: return crBitmapEditorDropper;
    }
    return crArrow;
}

TBitmapEditor::TBitmapEditor(TComponent* AOwner) : TCustomControl(AOwner), FModel(this) {
    RegisterCursors();
    SetBounds(Left(), Top(), 128, 128);
    SetCursor(crArrow);
    FModel.OnChange = [this](TObject*) { Forward(OnChange); };
    FModel.OnEndChange = [this](TObject*) { Forward(OnEndChange); };
    FModel.OnDrawToolChange = [this](TObject*) { Forward(OnDrawToolChange); };
    FModel.OnInvalidate = [this](TObject*) { Invalidate(); };
    FModel.OnSizeChange = [this](TObject*) {
        SetClientWidth(FModel.ClientWidth());
        SetClientHeight(FModel.ClientHeight());
    };
    FModel.OnCursorChange = [this](TObject*) { SetCursor(BitmapEditorCursor(FModel.Cursor())); };
}

TBitmapEditor::~TBitmapEditor() {
    FModel.BeginDestroy();
    FModel.OnInvalidate = nullptr;
    FModel.OnSizeChange = nullptr;
    FModel.OnCursorChange = nullptr;
}

void TBitmapEditor::Forward(const TNotifyEvent& Event) {
    // A copy: the handler may reassign the event it runs from.
    const TNotifyEvent handler = Event;
    if (handler) handler(this);
}

void TBitmapEditor::Paint() { FModel.Paint(*Canvas(), ClientWidth(), ClientHeight()); }

void TBitmapEditor::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    FModel.MouseDown(Button == mbLeft ? ebLeft : Button == mbRight ? ebRight : ebMiddle, X, Y);
    TCustomControl::MouseDown(Button, Shift, X, Y);
}

void TBitmapEditor::MouseMove(TShiftState Shift, int X, int Y) {
    FModel.MouseMove(X, Y);
    TCustomControl::MouseMove(Shift, X, Y);
}

void TBitmapEditor::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    FModel.MouseUp(Button == mbLeft ? ebLeft : Button == mbRight ? ebRight : ebMiddle, X, Y);
    TCustomControl::MouseUp(Button, Shift, X, Y);
}

VEMLOR_PUBLISHED(TBitmapEditor, TCustomControl) {
    Prop("Picture", &TBitmapEditor::Picture, &TBitmapEditor::SetPicture);
    Prop("TransparentColor", &TBitmapEditor::TransparentColor, &TBitmapEditor::SetTransparentColor)
        .Idents(ColorIdents());
    Prop("Magnification", &TBitmapEditor::Magnification, &TBitmapEditor::SetMagnification);
    Prop("GridLines", &TBitmapEditor::GridLines, &TBitmapEditor::SetGridLines);
    Prop("BorderStyle", &TBitmapEditor::BorderStyle, &TBitmapEditor::SetBorderStyle);
    Prop("DoubleBuffered", &TBitmapEditor::DoubleBuffered, &TBitmapEditor::SetDoubleBuffered);
    EnumProp("DrawingTool", &TBitmapEditor::DrawingTool, &TBitmapEditor::SetDrawingTool,
             {"dtNone", "dtPencil", "dtLine", "dtFrameRect", "dtFillRect", "dtRect", "dtFloodFill", "dtFrameRoundRect",
              "dtFillRoundRect", "dtRoundRect", "dtFrameEllipse", "dtFillEllipse", "dtEllipse", "dtMagnifier",
              "dtBrush", "dtSelectRect", "dtSelectArea", "dtDropper", "dtText", "dtEraser"},
             "TDrawingTool");
    Prop("DrawPen", &TBitmapEditor::DrawPen, &TBitmapEditor::SetDrawPen);
    Prop("DrawBrush", &TBitmapEditor::DrawBrush, &TBitmapEditor::SetDrawBrush);
    EventProp("OnChange", &TBitmapEditor::OnChange);
    EventProp("OnEndChange", &TBitmapEditor::OnEndChange);
    EventProp("OnDrawToolChange", &TBitmapEditor::OnDrawToolChange);
}
VEMLOR_REGISTER_CLASS(TBitmapEditor);
