#pragma once
// The common dialogs: file open and save, colour and font, and ShowMessage.
//
// The file dialogs are the toolkit's standard file dialog in its widget-based
// form (places, back and up, sizes and dates, sorting, resizable); tests drive
// them through TModalAnswerer's file steps (TestSupport.h). The other dialogs
// are windows of our own (TForm), shown modally, so the test answerer can fill
// and answer them like any other window. Their parts have names a test can
// find with FindComponent:
//   file dialog's  YesButton, NoButton (replace an existing file?), OKButton
//   questions      (a missing file or folder)
//   colour dialog  Swatch0..Swatch47 (shapes), RedEdit, GreenEdit, BlueEdit,
//                  Preview, OKButton, CancelButton
//   font dialog    FontNameList, SizeEdit, BoldCheck, ItalicCheck,
//                  UnderlineCheck, StrikeOutCheck, ColorCombo, Sample,
//                  OKButton, CancelButton
//   ShowMessage    MessageLabel, OKButton

#include <memory>
#include <vector>

#include "platform/classes/Component.h"
#include "platform/classes/Events.h"
#include "platform/classes/Set.h"
#include "platform/classes/TypInfo.h"
#include "platform/gfx/Canvas.h"
#include "platform/rtl/StringList.h"
#include "platform/ui/Controls.h"

class TForm;

class TCommonDialog : public TComponent {
public:
    explicit TCommonDialog(TComponent* AOwner);
    ~TCommonDialog() override;

    // Shows the dialog modally; true when the user confirmed.
    virtual bool Execute() = 0;
    THelpContext HelpContext() const { return FHelpContext; }
    void SetHelpContext(THelpContext Value) { FHelpContext = Value; }

    // The dialog window after it appeared and before it goes.
    TNotifyEvent OnShow;
    TNotifyEvent OnClose;

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

protected:
    // Shows the window modally with OnShow/OnClose around it.
    TModalResult Run(TForm* Form);

private:
    THelpContext FHelpContext = 0;
};

enum TOpenOption {
    ofReadOnly, ofOverwritePrompt, ofHideReadOnly, ofNoChangeDir, ofShowHelp, ofNoValidate, ofAllowMultiSelect,
    ofExtensionDifferent, ofPathMustExist, ofFileMustExist, ofCreatePrompt, ofShareAware, ofNoReadOnlyReturn,
    ofNoTestFileCreate, ofNoNetworkButton, ofNoLongNames, ofOldStyleDialog, ofNoDereferenceLinks,
    ofEnableIncludeNotify, ofEnableSizing
};
using TOpenOptions = TSet<TOpenOption>;
const TEnumType& EnumTypeInfo(TOpenOption);

// One "description|mask" pair of a Filter; a mask may list several
// patterns separated by ";".
struct TFileFilter {
    AnsiString Description;
    AnsiString Mask;
};
// Splits "Obrázky (*.bmp)|*.bmp|Všechny soubory|*.*". A description
// without a mask (an odd number of parts) is dropped; an empty mask means
// every file.
std::vector<TFileFilter> ParseFileFilter(const AnsiString& Filter);

// The settings file in which each file dialog keeps the folder of the last
// file chosen, under [FileDialogs], keyed by its owner's class and its own
// name ("TfMain.OpenDialog1"); empty (the default) keeps nothing. A dialog
// without a name or owner keeps nothing either.
void SetFileDialogSettingsFile(const AnsiString& FileName);

class TOpenDialog : public TCommonDialog {
public:
    explicit TOpenDialog(TComponent* AOwner);
    ~TOpenDialog() override;


    // Opens in the folder of the proposed FileName, else the one it was last
    // confirmed in, else InitialDir, else the current folder.
    bool Execute() override;

    // The chosen file with its folder after Execute; before it, the name
    // (and folder) proposed.
    const AnsiString& FileName() const { return FFileName; }
    void SetFileName(const AnsiString& Value) { FFileName = Value; }
    TStrings* Files() const { return FFiles.get(); }
    const AnsiString& Filter() const { return FFilter; }
    void SetFilter(const AnsiString& Value) { FFilter = Value; }
    // 1-based; out of range shows the first filter. Execute stores the
    // filter chosen.
    Integer FilterIndex() const { return FFilterIndex; }
    void SetFilterIndex(Integer Value) { FFilterIndex = Value; }
    const AnsiString& InitialDir() const { return FInitialDir; }
    void SetInitialDir(const AnsiString& Value) { FInitialDir = Value; }
    // Added (with a dot) to a name typed without an extension.
    const AnsiString& DefaultExt() const { return FDefaultExt; }
    void SetDefaultExt(const AnsiString& Value) { FDefaultExt = Value; }
    const AnsiString& Title() const { return FTitle; }
    void SetTitle(const AnsiString& Value) { FTitle = Value; }
    // Heeded: ofFileMustExist (opening), ofOverwritePrompt (saving); a file's
    // folder must always exist. The others are kept for the form files.
    TOpenOptions Options() const { return FOptions; }
    void SetOptions(TOpenOptions Value) { FOptions = Value; }

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

protected:
    virtual bool IsSave() const { return false; }

private:
    friend class TQtFileDialog;
    AnsiString SettingsKey() const;
    AnsiString FFileName;
    std::unique_ptr<TStringList> FFiles;
    AnsiString FFilter;
    Integer FFilterIndex = 1;
    AnsiString FInitialDir;
    AnsiString FDefaultExt;
    AnsiString FTitle;
    TOpenOptions FOptions{ofHideReadOnly, ofEnableSizing};
};

// Asks before replacing an existing file when Options hold ofOverwritePrompt.
class TSaveDialog : public TOpenDialog {
public:
    explicit TSaveDialog(TComponent* AOwner);
    ~TSaveDialog() override;

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

protected:
    bool IsSave() const override { return true; }
};

class TColorDialog : public TCommonDialog {
public:
    explicit TColorDialog(TComponent* AOwner);
    ~TColorDialog() override;

    bool Execute() override;
    // Starts at this colour; holds the chosen one after a confirmed Execute.
    TColor Color() const { return FColor; }
    void SetColor(TColor Value) { FColor = Value; }
    // "ColorA=RRGGBB" lines, as the class library keeps them (kept as given).
    TStrings* CustomColors() const { return FCustomColors.get(); }

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

private:
    TColor FColor = clBlack;
    std::unique_ptr<TStringList> FCustomColors;
};

class TFontDialog : public TCommonDialog {
public:
    explicit TFontDialog(TComponent* AOwner);
    ~TFontDialog() override;

    bool Execute() override;
    // Starts with this font; holds the chosen one after a confirmed Execute.
    TFont* Font() const { return FFont.get(); }
    void SetFont(TFont* Value);
    // 0 = no limit.
    Integer MinFontSize() const { return FMinFontSize; }
    void SetMinFontSize(Integer Value) { FMinFontSize = Value; }
    Integer MaxFontSize() const { return FMaxFontSize; }
    void SetMaxFontSize(Integer Value) { FMaxFontSize = Value; }

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

private:
    std::unique_ptr<TFont> FFont;
    Integer FMinFontSize = 0;
    Integer FMaxFontSize = 0;
};

// A modal message with an OK button, captioned with the application title.
void ShowMessage(const AnsiString& Msg);
