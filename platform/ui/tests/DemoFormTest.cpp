// One window holding one of every standard control, rendered offscreen to
// demo-controls.png in the test output folder for looking at.

#include <gtest/gtest.h>

#include "platform/rtl/FileUtils.h"
#include "platform/rtl/DateUtils.h"
#include "platform/ui/ActnList.h"
#include "platform/ui/BitBtn.h"
#include "platform/ui/Buttons.h"
#include "platform/ui/ChoiceCtrls.h"
#include "platform/ui/ComCtrls.h"
#include "platform/ui/Containers.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Menus.h"
#include "platform/ui/Spin.h"
#include "platform/ui/StdCtrls.h"
#include "platform/ui/TestSupport.h"
#include "platform/ui/TextCtrls.h"

namespace {

template <class T>
T* Put(TForm* form, TWinControl* parent, Integer left, Integer top, Integer width, Integer height) {
    T* c = new T(form);
    c->SetParent(parent);
    c->SetBounds(left, top, width, height);
    return c;
}

class TDemoForm : public TForm {
public:
    explicit TDemoForm(TComponent* owner) : TForm(owner) {
        SetCaption("Ukázka ovládacích prvků");
        SetClientWidth(860);
        SetClientHeight(560);

        auto* menu = new TMainMenu(this);
        for (const char* caption : {"&Soubor", "Ú&pravy", "&Zobrazit", "&Nápověda"}) {
            auto* item = new TMenuItem(this);
            item->SetCaption(caption);
            menu->Items()->Add(item);
        }
        auto* quit = new TMenuItem(this);
        quit->SetCaption("&Ukončit");
        quit->SetShortCut(ShortCut(VK_F4, {ssAlt}));
        menu->Items()->Items(0)->Add(quit);

        auto* actions = new TActionList(this);
        auto* send = new TAction(this);
        send->SetCaption("Poslat ihned");
        send->SetShortCut(ShortCut(VK_RETURN, {ssCtrl}));
        send->SetActionList(actions);

        auto* tools = new TToolBar(this);
        tools->SetParent(this);
        tools->SetShowCaptions(true);
        tools->SetFlat(true);
        for (const char* caption : {"Nová", "Do fronty", "-", "Poslat"}) {
            auto* b = new TToolButton(this);
            b->SetParent(tools);
            if (AnsiString(caption) == "-")
                b->SetStyle(tbsDivider);
            else
                b->SetCaption(caption);
        }
        LinkAction(tools->Buttons(3), send);
        auto* check = new TToolButton(this);
        check->SetParent(tools);
        check->SetStyle(tbsCheck);
        check->SetCaption("Doručenka");
        check->SetDown(true);

        auto* status = new TStatusBar(this);
        status->SetParent(this);
        status->Panels()->Add()->SetWidth(200);
        status->Panels()->Items(0)->SetText("Připraveno");
        TStatusPanel* drawn = status->Panels()->Add();
        drawn->SetWidth(60);
        drawn->SetStyle(psOwnerDraw);
        status->Panels()->Add()->SetText("COM1, 3 zprávy ve frontě");
        status->OnDrawPanel = [](TStatusBar* bar, TStatusPanel*, const TRect& r) {
            TCanvas* c = bar->Canvas();
            c->Brush()->SetColor(RGB(0x6B, 0xBE, 0x7B));
            c->FillRect(Rect(r.Left + 2, r.Top + 2, r.Left + 14, r.Bottom - 2));
            c->Brush()->SetStyle(bsClear);
            c->TextOut(r.Left + 18, r.Top + 1, "GSM");
        };

        auto* groups = new TListBox(this);
        groups->SetParent(this);
        groups->SetAlign(alLeft);
        groups->SetWidth(130);
        groups->Items()->SetCommaText("Všichni,Práce,Rodina,Přátelé,Škola");
        groups->SetItemIndex(1);
        auto* splitter = new TSplitter(this);
        splitter->SetParent(this);
        splitter->SetLeft(140);

        auto* pages = new TPageControl(this);
        pages->SetParent(this);
        pages->SetAlign(alClient);
        TTabSheet* page = nullptr;
        for (const char* caption : {"Ovládací prvky", "Obrázky", "Melodie"}) {
            auto* sheet = new TTabSheet(this);
            sheet->SetCaption(caption);
            sheet->SetPageControl(pages);
            if (!page) page = sheet;
        }
        pages->SetActivePage(page);

        auto* personal = Put<TGroupBox>(this, page, 8, 4, 260, 104);
        personal->SetCaption(" Osobní údaje ");
        auto* nameLabel = Put<TLabel>(this, personal, 10, 24, 60, 13);
        nameLabel->SetCaption("Jméno:");
        Put<TEdit>(this, personal, 90, 20, 160, 21)->SetText("Jan Novák");
        auto* phoneLabel = Put<TLabel>(this, personal, 10, 50, 60, 13);
        phoneLabel->SetCaption("Mobilní tel.:");
        auto* phone = Put<TMaskEdit>(this, personal, 90, 46, 160, 21);
        phone->SetEditMask("0000-000 000 000;1;_");
        phone->SetText("0420-603 123 456");
        auto* nick = Put<TCheckBox>(this, personal, 10, 76, 150, 17);
        nick->SetCaption("Používat přezdívku:");
        nick->SetChecked(true);

        auto* dialling = Put<TGroupBox>(this, page, 8, 112, 260, 64);
        dialling->SetCaption(" Vytáčení ");
        auto* pulse = Put<TRadioButton>(this, dialling, 10, 20, 240, 17);
        pulse->SetCaption("Pulsní (starší linky)");
        auto* tone = Put<TRadioButton>(this, dialling, 10, 40, 240, 17);
        tone->SetCaption("Tónové (nové digitální linky)");
        tone->SetChecked(true);

        auto* port = Put<TComboBox>(this, page, 8, 184, 120, 21);
        port->SetStyle(csDropDownList);
        for (int i = 1; i <= 8; ++i) port->Items()->Add("COM" + std::to_string(i));
        port->SetText("COM2");
        auto* redial = Put<TSpinEdit>(this, page, 136, 184, 60, 22);
        redial->SetMaxValue(10);
        redial->SetValue(3);
        auto* date = Put<TDateTimePicker>(this, page, 8, 212, 120, 21);
        date->SetDateTime(EncodeDateTime(2026, 12, 8, 10, 15, 0, 0));
        auto* time = Put<TDateTimePicker>(this, page, 136, 212, 90, 21);
        time->SetKind(dtkTime);
        time->SetDateTime(EncodeDateTime(2026, 12, 8, 10, 15, 0, 0));

        auto* tabs = Put<TTabControl>(this, page, 8, 242, 260, 70);
        tabs->Tabs()->SetCommaText("Text,Logo,Melodie");
        tabs->SetTabIndex(0);
        auto* inTabs = Put<TLabel>(this, tabs, 12, 36, 200, 13);
        inTabs->SetCaption("Obsah záložky Text");

        auto* memo = Put<TMemo>(this, page, 280, 4, 220, 90);
        memo->SetScrollBars(ssVertical);
        memo->Lines()->Add("Dobrý den,");
        memo->Lines()->Add("zítra v 10:00 u nádraží.");
        memo->Lines()->Add("Petr");
        Put<TScrollBar>(this, page, 280, 100, 220, 16)->SetPosition(30);
        auto* track = Put<TTrackBar>(this, page, 280, 120, 220, 32);
        track->SetMax(20);
        track->SetPosition(12);
        track->SetFrequency(2);
        auto* progress = Put<TProgressBar>(this, page, 280, 158, 220, 16);
        progress->SetMax(160);
        progress->SetPosition(96);

        for (int i = 0; i < 3; ++i) {
            auto* s = Put<TSpeedButton>(this, page, 280 + i * 25, 182, 23, 22);
            s->SetGroupIndex(1);
            s->SetCaption(i == 0 ? "B" : i == 1 ? "I" : "U");
            if (i == 1) s->SetDown(true);
        }
        auto* flat = Put<TSpeedButton>(this, page, 360, 182, 80, 22);
        flat->SetFlat(true);
        flat->SetCaption("Šablony");

        auto* shape = Put<TShape>(this, page, 280, 212, 40, 40);
        shape->SetShape(stCircle);
        shape->Brush()->SetColor(RGB(0x6B, 0xBE, 0x7B));
        auto* bevel = Put<TBevel>(this, page, 330, 212, 80, 40);
        bevel->SetShape(bsFrame);
        auto* panel = Put<TPanel>(this, page, 420, 212, 80, 40);
        panel->SetCaption("Panel");
        panel->SetBevelInner(bvLowered);

        auto* ok = Put<TButton>(this, page, 280, 262, 75, 25);
        ok->SetCaption("&OK");
        ok->SetDefault(true);
        auto* cancel = Put<TBitBtn>(this, page, 362, 262, 90, 25);
        cancel->SetKind(bkCancel);

        auto* box = Put<TScrollBox>(this, page, 512, 200, 190, 110);
        auto* big = Put<TPanel>(this, box, 0, 0, 300, 200);
        big->SetColor(clWindow);
        Put<TLabel>(this, big, 8, 8, 200, 13)->SetCaption("Obsah posuvné oblasti");

        auto* log = Put<TListView>(this, page, 512, 4, 190, 190);
        log->SetViewStyle(vsReport);
        log->SetRowSelect(true);
        log->Columns()->Add()->SetCaption("Čas");
        log->Columns()->Items(0)->SetWidth(50);
        log->Columns()->Add()->SetCaption("Událost");
        log->Columns()->Items(1)->SetWidth(130);
        const char* rows[][2] = {{"10:00", "Spojení navázáno"}, {"10:01", "Odesláno 3 SMS"}, {"10:02", "Zavěšeno"}};
        for (auto& row : rows) {
            TListItem* item = log->Items()->Add();
            item->SetCaption(row[0]);
            item->SubItems()->Add(row[1]);
        }
        log->Items()->Item(1)->SetSelected(true);

        auto* image = Put<TImage>(this, page, 8, 320, 96, 60);
        TCanvas* c = image->Canvas();
        c->Brush()->SetColor(RGB(0x6B, 0xBE, 0x7B));
        c->FillRect(Rect(0, 0, 96, 60));
        c->Pen()->SetColor(clBlack);
        c->Ellipse(20, 10, 76, 50);
        auto* caption = Put<TLabel>(this, page, 112, 340, 300, 13);
        caption->SetCaption("Operátorské logo (obrázek kreslený na plátno)");
    }
};

TEST(DemoFormTest, EveryControlRendersToAPicture) {
    auto* form = new TDemoForm(nullptr);
    form->Show();
    PumpUntilIdle();
    const AnsiString file = AnsiString(VEMLOR_TEST_OUTPUT) + "/demo-controls.png";
    ASSERT_TRUE(SaveControlToPng(form, file));
    EXPECT_TRUE(FileExists(file));
    form->Free();
    PumpUntilIdle();
}

}  // namespace
