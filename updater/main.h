#pragma once
// The updater's main window: the list of what is new, the status line, the
// update command and the menus. The update run itself is TUpdater's; the
// window shows what it reports, asks what it asks and hands it the settings
// of the settings window (fSetUpdate) and the progress window (fDownLoad).
//
// The window's storage and the settings window's both point at "update.ini"
// from their FormCreate on, and the timer that fetches the description once
// the machine is online starts only at the end of the first showing, so no
// tick can run before the settings are read.

#include <memory>

#include "components/Placemnt.h"
#include "platform/ui/Bars.h"
#include "platform/ui/Buttons.h"
#include "platform/ui/ComCtrls.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Menus.h"
#include "platform/ui/TextCtrls.h"
#include "updater/Updater.h"
#include "updater/uAdvHttp.h"

class TfUpdate : public TForm, private TUpdaterView {
public:
    explicit TfUpdate(TComponent* AOwner);
    ~TfUpdate() override;

    TMemo* Memo1 = nullptr;
    TStatusBar* StatusBar1 = nullptr;
    TSpeedButton* SpeedButton1 = nullptr;
    TMenuItem* ZjistitNovouverzi1 = nullptr;
    TMenuItem* Provstupdate1 = nullptr;
    TMenuItem* Konec1 = nullptr;
    TMenuItem* Pipojit1 = nullptr;
    TMenuItem* Odpojit1 = nullptr;
    TMenuItem* Nastaven1 = nullptr;
    TTimer* Timer1 = nullptr;
    TFormStorage* FormStorage1 = nullptr;
    TAdvHttp* AdvHttp1 = nullptr;

    void FormCreate(TObject* Sender);
    void FormShow(TObject* Sender);
    void FormClose(TObject* Sender, TCloseAction& Action);
    void Timer1Timer(TObject* Sender);
    void Button2Click(TObject* Sender);
    void ZjistitNovouverzi1Click(TObject* Sender);
    void Provstupdate1Click(TObject* Sender);
    void Konec1Click(TObject* Sender);
    void Pipojit1Click(TObject* Sender);
    void Odpojit1Click(TObject* Sender);
    void Nastaven1Click(TObject* Sender);

    // Puts the text into the status bar's one panel.
    void SetStatus(const AnsiString& Text) override;
    // The run behind the window; nullptr before FormCreate.
    TUpdater* Updater() const { return FUpdater.get(); }

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

private:
    void SetLines(const std::vector<AnsiString>& Lines) override;
    void ShowInfo(const AnsiString& Text) override;
    void ShowError(const AnsiString& Text) override;
    bool Confirm(const AnsiString& Text) override;
    void ShowProgress(const AnsiString& FileName) override;
    void Progress(const AnsiString& Text, Integer Position, Integer Max) override;
    void HideProgress() override;
    void CloseMain() override;

    std::unique_ptr<TUpdater> FUpdater;
};

extern TfUpdate* fUpdate;
