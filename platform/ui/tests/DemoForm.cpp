#include "DemoForm.h"

#include "platform/classes/FormFiles.h"

VEMLOR_PUBLISHED(TfDemo, TForm) {
    Field("StatusBar1", &TfDemo::StatusBar1);
    Field("ListLog", &TfDemo::ListLog);
    Field("ImageLogo", &TfDemo::ImageLogo);
    Method("FormCreate", &TfDemo::FormCreate);
    Method("StatusBar1DrawPanel", &TfDemo::StatusBar1DrawPanel);
}

TfDemo::TfDemo(TComponent* AOwner) : TForm(AOwner) {
    InitInheritedComponent(this);
}

void TfDemo::FormCreate(TObject*) {
    const char* rows[][2] = {{"10:00", "Spojení navázáno"}, {"10:01", "Odesláno 3 SMS"}, {"10:02", "Zavěšeno"}};
    for (auto& row : rows) {
        TListItem* item = ListLog->Items()->Add();
        item->SetCaption(row[0]);
        item->SubItems()->Add(row[1]);
    }
    ListLog->Items()->Item(1)->SetSelected(true);

    TCanvas* c = ImageLogo->Canvas();
    c->Brush()->SetColor(RGB(0x6B, 0xBE, 0x7B));
    c->FillRect(Rect(0, 0, 96, 60));
    c->Pen()->SetColor(clBlack);
    c->Ellipse(20, 10, 76, 50);
}

void TfDemo::StatusBar1DrawPanel(TStatusBar* StatusBar, TStatusPanel*, const TRect& Rect) {
    TCanvas* c = StatusBar->Canvas();
    c->Brush()->SetColor(RGB(0x6B, 0xBE, 0x7B));
    c->FillRect(::Rect(Rect.Left + 2, Rect.Top + 2, Rect.Left + 14, Rect.Bottom - 2));
    c->Brush()->SetStyle(bsClear);
    c->TextOut(Rect.Left + 18, Rect.Top + 1, "GSM");
}
