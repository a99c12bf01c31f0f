#include "media/cmpBitmapEditor.h"

#include "platform/classes/ClassRegistry.h"

namespace {

// The editor's five cursors are cursor resources of the program, loaded and
// put into the application's cursor table once.
void RegisterCursors() {
    static bool done = false;
    if (done) return;
    done = true;
    const struct {
        TCursor Index;
        const char* Name;
    } cursors[] = {{crBitmapEditorPencil, "CR_PENCIL"},
                   {crBitmapEditorPotoPaint, "CR_POTOPAINT"},
                   {crBitmapEditorMagnifier, "CR_MAGNIFIER"},
                   {crBitmapEditorDotCross, "CR_DOTCROSS"},
                   {crBitmapEditorDropper, "CR_DROPPER"}};
    for (const auto& c : cursors) Screen->SetCursors(c.Index, LoadCursor(c.Name));
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
