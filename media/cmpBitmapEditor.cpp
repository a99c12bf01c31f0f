#include "media/cmpBitmapEditor.h"

#include <algorithm>

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
    FModel.OnReleaseCapture = [this](TObject*) { SetMouseCapture(false); };
}

TBitmapEditor::~TBitmapEditor() {
    FModel.BeginDestroy();
    FModel.OnInvalidate = nullptr;
    FModel.OnSizeChange = nullptr;
    FModel.OnCursorChange = nullptr;
    FModel.OnReleaseCapture = nullptr;
}

void TBitmapEditor::SetBorderStyle(TBorderStyle Value) {
    if (Value == FBorderStyle) return;
    const Integer cw = ClientWidth(), ch = ClientHeight();
    FBorderStyle = Value;
    // The client area keeps its size; the border comes around it.
    SetClientWidth(cw);
    SetClientHeight(ch);
    Invalidate();
}

Integer TBitmapEditor::ClientWidth() const { return std::max<Integer>(Width() - 2 * BorderSize(), 0); }
Integer TBitmapEditor::ClientHeight() const { return std::max<Integer>(Height() - 2 * BorderSize(), 0); }
TPoint TBitmapEditor::ClientOffset() const { return Point(BorderSize(), BorderSize()); }

void TBitmapEditor::Forward(const TNotifyEvent& Event) {
    // A copy: the handler may reassign the event it runs from.
    const TNotifyEvent handler = Event;
    if (handler) handler(this);
}

void TBitmapEditor::Paint() {
    const Integer b = BorderSize();
    if (b == 0) {
        FModel.Paint(*Canvas(), ClientWidth(), ClientHeight());
        return;
    }
    // The model paints from the client area's origin: it paints into a
    // bitmap of that size, which goes inside the border.
    TBitmap client;
    client.SetPixelFormat(pf24bit);
    client.SetSize(ClientWidth(), ClientHeight());
    FModel.Paint(*client.Canvas(), ClientWidth(), ClientHeight());
    TCanvas* c = Canvas();
    c->Brush()->SetColor(clBlack);
    c->Brush()->SetStyle(bsSolid);
    c->FrameRect(Rect(0, 0, Width(), Height()));
    c->CopyFromBitmap(Rect(b, b, b + ClientWidth(), b + ClientHeight()), client,
                      Rect(0, 0, ClientWidth(), ClientHeight()));
}

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
