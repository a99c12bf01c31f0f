#include "client/vyber.h"

#include <cmath>

#include "components/Placemnt.h"
#include "core/Language.h"
#include "platform/classes/FormFiles.h"
#include "platform/gfx/Graphic.h"
#include "platform/rtl/FileUtils.h"

VEMLOR_PUBLISHED(Tfvyber, TForm) {
    Field("Image1", &Tfvyber::Image1);
    Field("TrackBar1", &Tfvyber::TrackBar1);
    Field("ScrollBox1", &Tfvyber::ScrollBox1);
    Field("FormStorage1", &Tfvyber::FormStorage1);
    Method("FormCreate", &Tfvyber::FormCreate);
    Method("FormShow", &Tfvyber::FormShow);
    Method("FormClose", &Tfvyber::FormClose);
    Method("TrackBar1Change", &Tfvyber::TrackBar1Change);
    Method("Image1MouseMove", &Tfvyber::Image1MouseMove);
    Method("Image1DblClick", &Tfvyber::Image1DblClick);
}

namespace {

Integer RoundTo(double Value) { return static_cast<Integer>(std::lround(Value)); }

}  // namespace

Tfvyber::Tfvyber(TComponent* AOwner) : TForm(AOwner) { InitInheritedComponent(this); }

Tfvyber::~Tfvyber() = default;

void Tfvyber::FormCreate(TObject*) {
    if (TLang* lang = Lang()) lang->TranslateForm(this);
    FormStorage1->SetIniFileName(ProgramFolder() + "Vemlor.ini");
}

void Tfvyber::FormShow(TObject*) {
    FCopy = std::make_unique<TBitmap>();
    FCopy->SetSize(Image1->Picture()->Width(), Image1->Picture()->Height());
    if (TGraphic* graphic = Image1->Picture()->Graphic()) FCopy->Canvas()->Draw(0, 0, graphic);
    FNaturalWidth = Image1->Width();
    FNaturalHeight = Image1->Height();
    Image1->SetAutoSize(false);
    FScale = 1.0;
    FDrawn = TRect{};
    FFollowing = true;
}

void Tfvyber::FormClose(TObject*, TCloseAction&) { FCopy.reset(); }

void Tfvyber::TrackBar1Change(TObject*) {
    const Integer max = TrackBar1->Max();
    FScale = static_cast<double>(max - TrackBar1->Position() + 1) / ((max + 1) / 2);
    Image1->SetBounds(Image1->Left(), Image1->Top(), RoundTo(FNaturalWidth / FScale), RoundTo(FNaturalHeight / FScale));
}

void Tfvyber::Image1MouseMove(TObject*, TShiftState, int X, int Y) {
    if (!FFollowing || !FCopy) return;
    const Integer w = RoundTo(SelWidth * FScale), h = RoundTo(SelHeight * FScale);
    const Integer left = RoundTo(X * FScale) - w / 2, top = RoundTo(Y * FScale) - h / 2;
    FSelection = Rect(left, top, left + w, top + h);
    DrawFrame();
}

void Tfvyber::DrawFrame() {
    TCanvas* canvas = Image1->Canvas();
    if (!FDrawn.IsEmpty()) canvas->CopyRect(FDrawn, FCopy->Canvas(), FDrawn);
    FDrawn = TRect{};
    const TRect clip = canvas->ClipRect();
    const TRect& r = FSelection;
    if (!clip.Contains(r.Left, r.Top) || !clip.Contains(r.Right, r.Bottom)) return;
    FDrawn = Rect(r.Left - 5, r.Top - 5, r.Right + 5, r.Bottom + 5);
    TPen* pen = canvas->Pen();
    pen->SetColor(clBlack);
    pen->SetWidth(1);
    pen->SetStyle(psDot);
    pen->SetMode(pmNotXor);
    canvas->Polyline({Point(r.Left, r.Top), Point(r.Right, r.Top), Point(r.Right, r.Bottom), Point(r.Left, r.Bottom),
                      Point(r.Left, r.Top)});
}

void Tfvyber::Image1DblClick(TObject*) {
    FFollowing = false;
    SetModalResult(mrOk);
}
