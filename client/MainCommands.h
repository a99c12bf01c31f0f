#pragma once
// What the database window, the contact editor and the text import ask of
// the main window, answered by the main window and the settings window.

#include "client/AdrEdit.h"
#include "client/Databaze.h"

class TfMain;

class TMainWindowCommands : public TDatabaseWindowServices, public TContactEditorServices {
public:
    explicit TMainWindowCommands(TfMain& Main) : FMain(Main) {}

    // The database window.
    void BuildTemplatesMenu() override;
    bool ShowHelp(const AnsiString& TopicPath) override;
    void EditRingTone(const AnsiString& RingTone) override;
    void ScanMelodyFolder() override;
    void PlayRingTone(const AnsiString& FileName) override;
    void PlayRingToneExternally(const AnsiString& FileName) override;
    void StopPlaying() override;
    bool FindInGrid(TDBGrid* Grid, TEdit* Edit) override;

    // The contact editor and the text import.
    AnsiString NormalisePhoneNumber(const AnsiString& Text) override;
    bool ValidatePhoneNumber(AnsiString& Number, bool ShowMessages) override;
    void PrefillInternationalPrefix(TEdit* Edit) override;
    void FilterPhoneNumberChars(TEdit* Edit) override;
    AnsiString SalutationText() override;
    AnsiString SignatureText() override;

private:
    TfMain& FMain;
};
