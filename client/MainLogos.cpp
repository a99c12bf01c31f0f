// The "Obrázky" page: an operator logo, a group logo or a picture message
// drawn in the bitmap editor, opened from a picture file or pasted from the
// clipboard, saved as a bitmap file and handed to the queue.
//
// The picture itself (sizes, background colour, turning a picture into a
// logo) is TLogoPicture; this unit keeps it and the editor showing the same
// image: the editor draws on its own copy, and every change is taken back.

#include <memory>

#include "client/LogoPrep.h"
#include "client/Main.h"
#include "client/Queueing.h"
#include "client/vyber.h"
#include "core/Language.h"
#include "core/Msgdlg.h"
#include "media/PictureFormats.h"
#include "platform/gfx/Canvas.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/ScopeGuard.h"
#include "platform/rtl/Streams.h"
#include "platform/ui/Clipbrd.h"

namespace {

void ShowError(const AnsiString& Key, const AnsiString& Default) {
    LocalMessageDlg(LangText(Key, Default), mtError, TMsgDlgButtons{mbOK}, 0);
}

// Any picture as a bitmap of the same content, so that GIF, JPEG and icon
// pictures are cut like bitmaps; see-through parts come out white.
void FlattenPicture(TPicture& Picture) {
    TGraphic* graphic = Picture.Graphic();
    if (!graphic || graphic->Empty()) return;
    TBitmap flat;
    flat.SetPixelFormat(pf24bit);
    flat.SetSize(graphic->Width(), graphic->Height());
    flat.Canvas()->Brush()->SetColor(clWhite);
    flat.Canvas()->FillRect(Rect(0, 0, flat.Width(), flat.Height()));
    flat.Canvas()->Draw(0, 0, graphic);
    Picture.Assign(&flat);
}

}  // namespace

void TfMain::InitLogoPage() {
    // The page's open dialogs offer GIF, icon and metafile pictures besides
    // bitmaps and JPEG.
    RegisterPictureFormats();
    FLogo = std::make_unique<TLogoPicture>();
    BitmapEditor1->SetMagnification(6);
    BitmapEditor1->SetGridLines(5);
    BitmapEditor1->SetDoubleBuffered(true);
    BitmapEditor1->DrawBrush()->SetColor(clBlack);
    BitmapEditor1->SelectDrawingTool(dtPencil);
    Image1->SetTransparent(true);
    ShowLogo();
}

void TfMain::ShowLogo() {
    BitmapEditor1->Picture()->Assign(&FLogo->Image());
    BitmapEditor1->ReloadPicture();
    UpdateLogoPreview();
}

void TfMain::UpdateLogoPreview() {
    TBitmap preview;
    preview.Assign(FLogo->Image());
    preview.SetTransparentColor(LogoBackground);
    preview.SetTransparent(true);
    Image1->Picture()->Assign(&preview);
}

void TfMain::TakeEditorImage() {
    TBitmap* work = BitmapEditor1->WorkBitmap();
    if (!work || work->Empty()) return;
    FLogo->Image().Assign(*work);
    FLogo->Image().SetPixelFormat(pf24bit);
}

void TfMain::ShowLogoKind(TLogoKind Kind) {
    TToolButton* button = Kind == lkPictureMessage ? LogoPicButton : Kind == lkGroupLogo ? LogoGroupButton : LogoOpButton;
    button->SetDown(true);
    Memo1->SetVisible(Kind == lkPictureMessage);
    PictureTextLabel->SetVisible(Kind == lkPictureMessage);
}

void TfMain::SetLogoKind(TLogoKind Kind) {
    TakeEditorImage();
    // The group logo is as large as the operator logo, but the picture still
    // goes through the buffer, as every change of kind does.
    FLogo->SetKind(Kind);
    ShowLogoKind(Kind);
    ShowLogo();
}

void TfMain::LogoOpButtonClick(TObject*) { SetLogoKind(lkOperatorLogo); }

void TfMain::LogoGroupButtonClick(TObject*) { SetLogoKind(lkGroupLogo); }

void TfMain::LogoPicButtonClick(TObject*) { SetLogoKind(lkPictureMessage); }

void TfMain::ResizeLogo(Integer Width, Integer Height) {
    TakeEditorImage();
    FLogo->ResizeLogo(Width, Height);
    ShowLogo();
}

// ---------------------------------------------------------------------------
// Pictures from files and the clipboard

void TfMain::ToolButtonOpenLogoClick(TObject*) {
    OpenPictureDialog1->SetInitialDir(FProgramFolder + "Graphics");
    OpenPictureDialog1->SetFileName("");
    OpenPicture(OpenPictureDialog1, false);
}

void TfMain::ToolButton22Click(TObject*) { OpenPicture(OpenPictureDialog2, true); }

void TfMain::OpenPicture(TOpenDialog* Dialog, bool Stucki) {
    if (!Dialog->Execute()) return;
    const AnsiString file = Dialog->FileName();
    auto* crop = new Tfvyber(this);
    auto release = ScopeExit([crop] { crop->Free(); });
    try {
        crop->Image1->Picture()->LoadFromFile(file);
        FlattenPicture(*crop->Image1->Picture());
        if (crop->Image1->Picture()->Width() <= 0) throw Exception("empty picture");
    } catch (const Exception&) {
        ShowError("BMPOpenFailed", "Obrázek se nepodařilo otevřít.");
        return;
    }
    PictureToLogo(crop, file, Stucki);
    SelectPencil();
}

bool TfMain::PastePicture() {
    if (!Clipboard()->HasFormat(CF_BITMAP)) return false;
    auto* crop = new Tfvyber(this);
    auto release = ScopeExit([crop] { crop->Free(); });
    TBitmap pasted;
    if (!Clipboard()->GetAsBitmap(pasted) || pasted.Empty()) return false;
    crop->Image1->Picture()->Assign(&pasted);
    FlattenPicture(*crop->Image1->Picture());
    PictureToLogo(crop, "", true);
    SelectPencil();
    return true;
}

bool TfMain::PictureToLogo(Tfvyber* Crop, const AnsiString& FileName, bool Stucki) {
    FLogo->Content = true;
    // A pasted picture has no file and keeps the name already given.
    if (!FileName.empty()) LogoNameEdit->SetText(ChangeFileExt(ExtractFileName(FileName), ""));
    // The crop window draws its frame into the picture it shows; the logo is
    // cut from the picture as it was loaded.
    TBitmap picture;
    picture.Assign(*Crop->Image1->Picture()->Bitmap());
    TLogoFit fit = FitPicture(picture.Width(), picture.Height(), FLogo->Kind());
    if (fit.Crop) {
        Crop->SelWidth = fit.Width;
        Crop->SelHeight = fit.Height;
        // A click before the frame ever followed the mouse chose nothing.
        if (Crop->ShowModal() != mrOk || Crop->Selection().IsEmpty()) return false;
        fit.Source = Crop->Selection();
    }
    FLogo->TakePicture(picture, fit, Stucki, FileName);
    ShowLogoKind(fit.Kind);
    ShowLogo();
    return true;
}

void TfMain::SelectPencil() {
    tbPencil->SetDown(true);
    BitmapEditor1->SetDrawing(false);
    BitmapEditor1->SelectDrawingTool(dtPencil);
}

void TfMain::ToolButton24Click(TObject*) {
    SavePictureDialog1->SetFileName(LogoNameEdit->Text());
    if (!SavePictureDialog1->Execute()) return;
    TakeEditorImage();
    try {
        FLogo->SaveToFile(SavePictureDialog1->FileName());
    } catch (const Exception&) {
        ShowError("BMPWriteFailed", "Logo se nepodařilo uložit");
    }
}

// ---------------------------------------------------------------------------
// Drawing

void TfMain::BitmapEditor1Change(TObject*) {
    if (!FLogo) return;
    TakeEditorImage();
    UpdateLogoPreview();
    FLogo->Content = true;
}

void TfMain::UndoButtonClick(TObject*) {
    BitmapEditor1->UndoLastChange();
    BitmapEditor1Change(BitmapEditor1);
}

void TfMain::RedoButtonClick(TObject*) {
    BitmapEditor1->RedoLastChange();
    BitmapEditor1Change(BitmapEditor1);
}

void TfMain::tbSelectRectClick(TObject* Sender) {
    auto* button = dynamic_cast<TToolButton*>(Sender);
    if (!button) return;
    BitmapEditor1->SetDrawing(false);
    BitmapEditor1->SelectDrawingTool(TDrawingTool(button->Tag()));
}

void TfMain::ToolButton30Click(TObject* Sender) {
    const AnsiString text =
        LocalInputBox("Text", LangText("WriteText", "Text, který bude vložen do obrázku:"), "Text");
    BitmapEditor1->SetInsertText(text);
    // The text follows the mouse over the picture until a click puts it down.
    BitmapEditor1->SetPlaceTextOnMove(true);
    tbSelectRectClick(Sender);
}

void TfMain::BitmapEditor1DrawToolChange(TObject*) {
    BitmapEditor1->SetDrawing(false);
    for (Integer i = 0; i < ToolBar3->ButtonCount(); ++i) {
        TToolButton* button = ToolBar3->Buttons(i);
        if (button->Tag() == Integer(BitmapEditor1->DrawingTool())) button->SetDown(true);
    }
}

// ---------------------------------------------------------------------------
// The page and the queue

void TfMain::ClearLogoPage() {
    LogoNameEdit->SetText("");
    TBitmap& image = FLogo->Image();
    image.Canvas()->Brush()->SetColor(LogoBackground);
    image.Canvas()->Brush()->SetStyle(bsSolid);
    image.Canvas()->FillRect(Rect(0, 0, image.Width(), image.Height()));
    ShowLogo();
    FLogo->Content = false;
    SelectPencil();
    Memo1->Clear();
}

bool TfMain::LogoChanged() const { return FLogo && FLogo->Content; }

void TfMain::SetLogoChanged(bool Value) { FLogo->Content = Value; }

bool TfMain::ComposedPicture(TComposedMessage& Message) {
    if (!FLogo->Content) return false;
    TakeEditorImage();
    Message.Name = LogoNameEdit->Text();
    TBitmap queued;
    FLogo->QueuedImage(queued);
    TStringStream bytes;
    queued.SaveToStream(&bytes);
    Message.Picture = bytes.DataString();
    if (LogoPicButton->Down()) {
        Message.Type = "picture";
        Message.Text = Memo1->Text();
    } else {
        Message.Type = LogoGroupButton->Down() ? "group" : "logo";
    }
    return true;
}
