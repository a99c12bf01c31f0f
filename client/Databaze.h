#pragma once
// The database window: the groups of the address book and their members,
// the message templates with their keyboard shortcuts, the melody files,
// the country table and the received notifications, each on a page of its
// own, working directly on the data module's tables.

#include "client/DatMod.h"
#include "components/Placemnt.h"
#include "components/VmCtrls.h"
#include "components/VmDBCtrl.h"
#include "platform/ui/ActnList.h"
#include "platform/ui/BitBtn.h"
#include "platform/ui/Buttons.h"
#include "platform/ui/ComCtrls.h"
#include "platform/ui/DBCtrls.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/Forms.h"
#include "platform/ui/StdCtrls.h"

// What the window needs of the main window, which implements it; tests put
// a fake in its place.
class TDatabaseWindowServices {
public:
    virtual ~TDatabaseWindowServices() = default;
    // The templates menu follows Zprava.
    virtual void BuildTemplatesMenu() = 0;
    // Opens a topic of the help file ("<file>::/groups.html"); false when
    // no viewer took it.
    virtual bool ShowHelp(const AnsiString& TopicPath) = 0;
    // Puts a ring tone into the melody composer and shows its page.
    virtual void EditRingTone(const AnsiString& RingTone) = 0;
    // Fills Melody from the ring-tone files of the "Melody" folder.
    virtual void ScanMelodyFolder() = 0;
    virtual void PlayRingTone(const AnsiString& FileName) = 0;
    virtual void PlayRingToneExternally(const AnsiString& FileName) = 0;
    virtual void StopPlaying() = 0;
    // Moves the grid's data set to the next row holding the edit's text.
    virtual bool FindInGrid(TDBGrid* Grid, TEdit* Edit) = 0;
};

// The pages, in the order of the page control.
enum TDatabasePage { dpGroups, dpTemplates, dpMelodies, dpCountries, dpNotifications };

class TfDatabaze : public TForm {
public:
    TfDatabaze(TComponent* AOwner, TDatabaseWindowServices* Services);

    TActionList* ActionList1 = nullptr;
    TAction* AHelp = nullptr;
    TPageControl* PageControl1 = nullptr;
    TBitBtn* BitBtn1 = nullptr;
    TOpenDialog* OpenDialog1 = nullptr;
    TSaveDialog* SaveDialog1 = nullptr;
    TFormStorage* FormStorage = nullptr;

    // Groups
    TTabSheet* TabSkupiny = nullptr;
    TToolButton* ToolButton20 = nullptr;
    TToolButton* ToolButton34 = nullptr;
    TToolButton* ToolButton64 = nullptr;
    TToolButton* ToolButton65 = nullptr;
    TVmDBGrid* RxDBGrid6 = nullptr;
    TPanel* Panel1 = nullptr;
    TPanel* Panel2 = nullptr;
    TPanel* Panel3 = nullptr;
    TVmCheckListBox* CheckLB1 = nullptr;
    TVmCheckListBox* CheckLB2 = nullptr;
    TSpeedButton* SpeedButton20 = nullptr;
    TSpeedButton* SpeedButton21 = nullptr;

    // Templates
    TTabSheet* TabZpravy = nullptr;
    TToolButton* ToolButton17 = nullptr;
    TToolButton* ToolButton18 = nullptr;
    TToolButton* ToolButton41 = nullptr;
    TToolButton* ToolButton42 = nullptr;
    TVmDBGrid* RxDBGrid4 = nullptr;
    TDBMemo* DBMemo3 = nullptr;

    // Melodies
    TTabSheet* TabMelodie = nullptr;
    TToolButton* ToolButton21 = nullptr;
    TToolButton* ToolButton26 = nullptr;
    TToolButton* ToolButton30 = nullptr;
    TToolButton* ToolButton32 = nullptr;
    TToolButton* ToolButton33 = nullptr;
    TEdit* Edit4 = nullptr;
    TToolButton* ToolButton24 = nullptr;
    TVmDBGrid* RxDBGrid5 = nullptr;

    // Countries
    TTabSheet* TabStaty = nullptr;
    TToolButton* ToolButton44 = nullptr;
    TToolButton* ToolButton45 = nullptr;
    TToolButton* ToolButton48 = nullptr;
    TToolButton* ToolButton46 = nullptr;
    TEdit* Edit5 = nullptr;
    TToolButton* ToolButton49 = nullptr;
    TVmDBGrid* RxDBGrid7 = nullptr;

    // Notifications
    TTabSheet* TabNotif = nullptr;
    TVmDBGrid* RxDBGrid8 = nullptr;
    TDBMemo* DBMemo4 = nullptr;
    TEdit* Edit6 = nullptr;
    TToolButton* ToolButton58 = nullptr;

    void FormCreate(TObject* Sender);
    void FormClose(TObject* Sender, TCloseAction& Action);
    void AHelpExecute(TObject* Sender);
    void SpeedButton1Click(TObject* Sender);

    void TabSkupinyShow(TObject* Sender);
    void RxDBGrid6CellClick(TColumn* Column);
    void RxDBGrid6KeyUp(TObject* Sender, Word& Key, TShiftState Shift);
    void Panel1Resize(TObject* Sender);
    void ToolButton20Click(TObject* Sender);
    void ToolButton34Click(TObject* Sender);
    void ToolButton64Click(TObject* Sender);
    void ToolButton65Click(TObject* Sender);
    void SpeedButton20Click(TObject* Sender);
    void SpeedButton21Click(TObject* Sender);

    void ToolButton17Click(TObject* Sender);
    void ToolButton18Click(TObject* Sender);
    void ToolButton41Click(TObject* Sender);
    void ToolButton42Click(TObject* Sender);
    void RxDBGrid4KeyDown(TObject* Sender, Word& Key, TShiftState Shift);
    void RxDBGrid4KeyPress(TObject* Sender, char& Key);
    void RxDBGrid4ColEnter(TObject* Sender);

    void ToolButton21Click(TObject* Sender);
    void ToolButton26Click(TObject* Sender);
    void ToolButton30Click(TObject* Sender);
    void ToolButton32Click(TObject* Sender);
    void ToolButton33Click(TObject* Sender);
    void ToolButton24Click(TObject* Sender);
    void Edit4KeyPress(TObject* Sender, char& Key);

    void ToolButton44Click(TObject* Sender);
    void ToolButton45Click(TObject* Sender);
    void ToolButton48Click(TObject* Sender);
    void ToolButton46Click(TObject* Sender);
    void ToolButton49Click(TObject* Sender);
    void Edit5KeyPress(TObject* Sender, char& Key);

    void ToolButton58Click(TObject* Sender);
    void Edit6KeyPress(TObject* Sender, char& Key);

    // The templates and countries grids: sorting by a title click, and the
    // sort marker.
    void RxDBGrid1TitleBtnClick(TObject* Sender, Integer ACol, TField* Field);
    void RxDBGrid1GetBtnParams(TObject* Sender, TField* Field, TFont* AFont, TColor& Background,
                               TSortMarker& SortMarker, bool IsDown);

    // Refills both member lists for the current group.
    void RefreshGroupLists();

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

private:
    // The file of a melody row: "<program folder>Melody/<Jmeno>.rtl".
    AnsiString MelodyFile() const;
    void ImportInto(TMemData* Table);
    void ExportFrom(TMemData* Table);
    void Search(TVmDBGrid* Grid, TEdit* Edit);

    TDatabaseWindowServices* FServices;
};

// Shows the window modally on a page, its placement kept in the settings
// file "Vemlor.ini" of the program folder, and frees it.
void ShowDatabaseWindow(TComponent* AOwner, TDatabaseWindowServices* Services, TDatabasePage Page);
