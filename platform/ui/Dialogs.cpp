#include "platform/ui/Dialogs.h"

#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>
#include <QStringList>

#include <algorithm>

#include "platform/classes/ClassRegistry.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/SysUtils.h"
#include "platform/ui/ChoiceCtrls.h"
#include "platform/ui/Containers.h"
#include "platform/ui/DrawText.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Spin.h"
#include "platform/ui/StdCtrls.h"
#include "platform/ui/UiBridge.h"

namespace {

template <class T>
T* Put(TForm* form, const char* name, Integer left, Integer top, Integer width, Integer height) {
    T* c = new T(form);
    if (name && *name) c->SetName(name);
    c->SetParent(form);
    c->SetBounds(left, top, width, height);
    return c;
}

TLabel* PutLabel(TForm* form, const AnsiString& caption, Integer left, Integer top) {
    auto* label = Put<TLabel>(form, "", left, top, 60, 13);
    label->SetCaption(caption);
    return label;
}

TButton* PutButton(TForm* form, const char* name, const AnsiString& caption, TModalResult result, Integer left,
                   Integer top) {
    auto* b = Put<TButton>(form, name, left, top, 75, 25);
    b->SetCaption(caption);
    b->SetModalResult(result);
    return b;
}

TForm* NewDialogForm(const AnsiString& caption, Integer clientWidth, Integer clientHeight) {
    auto* form = new TForm(nullptr);
    form->SetCaption(caption);
    form->SetBorderStyle(bsDialog);
    form->SetBorderIcons(TBorderIcons{biSystemMenu});
    form->SetPosition(poScreenCenter);
    form->SetClientWidth(clientWidth);
    form->SetClientHeight(clientHeight);
    return form;
}

struct TFormFree {
    void operator()(TForm* f) const {
        if (f) f->Free();
    }
};
using TFormPtr = std::unique_ptr<TForm, TFormFree>;

// A question or a notice with the given buttons; returns the answer.
TModalResult AskBox(const AnsiString& caption, const AnsiString& text, bool yesNo) {
    TFont font;
    TRect r = Rect(0, 0, 360, 0);
    DrawText(font, text, r, DT_WORDBREAK | DT_CALCRECT | DT_NOPREFIX);
    const Integer buttons = yesNo ? 2 : 1;
    const Integer width = std::max<Integer>(std::max<Integer>(r.Right + 32, buttons * 83 + 24), 180);
    TFormPtr form(NewDialogForm(caption, width, r.Bottom + 64));
    auto* label = Put<TLabel>(form.get(), "MessageLabel", 16, 14, r.Right, r.Bottom);
    // Measured above: the label keeps that size rather than sizing itself
    // from an empty caption first.
    label->SetAutoSize(false);
    label->SetShowAccelChar(false);
    label->SetWordWrap(true);
    label->SetCaption(text);
    label->SetBounds(16, 14, r.Right + 1, r.Bottom);
    const Integer top = r.Bottom + 28;
    Integer left = (width - (buttons * 75 + (buttons - 1) * 8)) / 2;
    if (yesNo) {
        auto* yes = PutButton(form.get(), "YesButton", "&Ano", mrYes, left, top);
        yes->SetDefault(true);
        auto* no = PutButton(form.get(), "NoButton", "&Ne", mrNo, left + 83, top);
        no->SetCancel(true);
    } else {
        auto* ok = PutButton(form.get(), "OKButton", "OK", mrOk, left, top);
        ok->SetDefault(true);
        ok->SetCancel(true);
    }
    return form->ShowModal();
}

}  // namespace

// ---------------------------------------------------------------------------
// TCommonDialog

TCommonDialog::TCommonDialog(TComponent* AOwner) : TComponent(AOwner) {}
TCommonDialog::~TCommonDialog() = default;

TModalResult TCommonDialog::Run(TForm* Form) {
    TFormPtr form(Form);
    form->OnShow = [this](TObject*) { FireEvent(OnShow, this); };
    const TModalResult result = form->ShowModal();
    FireEvent(OnClose, this);
    return result;
}

void ShowMessage(const AnsiString& Msg) { AskBox(GetApplication()->Title(), Msg, false); }

// ---------------------------------------------------------------------------
// File dialogs

std::vector<TFileFilter> ParseFileFilter(const AnsiString& Filter) {
    std::vector<AnsiString> parts;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= Filter.size(); ++i)
        if (i == Filter.size() || Filter[i] == '|') {
            parts.push_back(Filter.substr(start, i - start));
            start = i + 1;
        }
    std::vector<TFileFilter> result;
    for (std::size_t i = 0; i + 1 < parts.size(); i += 2) {
        if (Trim(parts[i]).empty() && Trim(parts[i + 1]).empty()) continue;
        result.push_back({parts[i], Trim(parts[i + 1]).empty() ? AnsiString("*") : Trim(parts[i + 1])});
    }
    return result;
}

class TFileDialogForm : public TForm {
public:
    TFileDialogForm(TOpenDialog* dialog, const AnsiString& folder, const AnsiString& name)
        : TForm(nullptr), FDialog(dialog), FFolder(IncludeTrailingPathDelimiter(folder)) {
        const bool save = dialog->IsSave();
        SetCaption(!dialog->Title().empty() ? dialog->Title() : save ? AnsiString("Uložit jako") : AnsiString("Otevřít"));
        SetBorderStyle(bsDialog);
        SetBorderIcons(TBorderIcons{biSystemMenu});
        SetPosition(poScreenCenter);
        SetClientWidth(440);
        SetClientHeight(306);
        PutLabel(this, "Složka:", 8, 11);
        FolderEdit = Put<TEdit>(this, "FolderEdit", 110, 8, 322, 21);
        FileList = Put<TListBox>(this, "FileList", 8, 36, 424, 196);
        PutLabel(this, "Název souboru:", 8, 247);
        FileNameEdit = Put<TEdit>(this, "FileNameEdit", 110, 244, 240, 21);
        FileNameEdit->SetText(name);
        PutLabel(this, "Soubory typu:", 8, 276);
        FilterCombo = Put<TComboBox>(this, "FilterCombo", 110, 273, 240, 21);
        FilterCombo->SetStyle(csDropDownList);
        FFilters = ParseFileFilter(dialog->Filter());
        if (FFilters.empty()) FFilters.push_back({"Všechny soubory (*.*)", "*"});
        for (const TFileFilter& f : FFilters) FilterCombo->Items()->Add(f.Description);
        const Integer index = dialog->FilterIndex();
        FilterCombo->SetItemIndex(index >= 1 && index <= static_cast<Integer>(FFilters.size()) ? index - 1 : 0);
        auto* ok = PutButton(this, "OKButton", save ? "&Uložit" : "&Otevřít", mrOk, 357, 242);
        ok->SetDefault(true);
        auto* cancel = PutButton(this, "CancelButton", "Storno", mrCancel, 357, 271);
        cancel->SetCancel(true);
        FilterCombo->OnChange = [this](TObject*) { Fill(); };
        FileList->OnClick = [this](TObject*) {
            const Integer i = FileList->ItemIndex();
            if (i >= 0 && !FEntries[static_cast<std::size_t>(i)].Folder)
                FileNameEdit->SetText(FEntries[static_cast<std::size_t>(i)].Name);
        };
        FileList->OnDblClick = [this](TObject*) {
            const Integer i = FileList->ItemIndex();
            if (i < 0) return;
            const TEntry e = FEntries[static_cast<std::size_t>(i)];
            if (e.Folder)
                Navigate(e.Name == ".." ? ExtractFilePath(ExcludeTrailing(FFolder)) : FFolder + e.Name + "/");
            else
                SetModalResult(mrOk);
        };
        OnCloseQuery = [this](TObject*, bool& canClose) { canClose = ModalResult() != mrOk || Accept(); };
        Fill();
        SetActiveControl(FileNameEdit);
    }

    AnsiString Chosen;
    TEdit* FolderEdit;
    TListBox* FileList;
    TEdit* FileNameEdit;
    TComboBox* FilterCombo;

private:
    struct TEntry {
        AnsiString Name;
        bool Folder;
    };

    static AnsiString ExcludeTrailing(const AnsiString& s) {
        return s.size() > 1 && s.back() == '/' ? s.substr(0, s.size() - 1) : s;
    }

    AnsiString Mask() const {
        if (!FMaskOverride.empty()) return FMaskOverride;
        const Integer i = FilterCombo->ItemIndex();
        return FFilters[static_cast<std::size_t>(i >= 0 ? i : 0)].Mask;
    }

    void Navigate(const AnsiString& folder) {
        FFolder = IncludeTrailingPathDelimiter(ExpandFileName(folder));
        FMaskOverride.clear();
        Fill();
    }

    void Fill() {
        FolderEdit->SetText(FFolder);
        FEntries.clear();
        if (FFolder != "/") FEntries.push_back({"..", true});
        TSearchRec rec;
        std::vector<AnsiString> folders;
        if (FindFirst(FFolder + "*", faDirectory, rec) == 0) {
            do {
                if (rec.Attr & faDirectory) folders.push_back(rec.Name);
            } while (FindNext(rec) == 0);
            FindClose(rec);
        }
        for (const AnsiString& f : folders) FEntries.push_back({f, true});
        std::vector<AnsiString> files;
        AnsiString masks = Mask();
        std::size_t start = 0;
        for (std::size_t i = 0; i <= masks.size(); ++i)
            if (i == masks.size() || masks[i] == ';') {
                const AnsiString m = Trim(masks.substr(start, i - start));
                start = i + 1;
                if (m.empty()) continue;
                for (const AnsiString& f : ListFiles(FFolder, m)) files.push_back(f);
            }
        std::sort(files.begin(), files.end(), [](const AnsiString& a, const AnsiString& b) {
            return AnsiCompareText(a, b) < 0;
        });
        files.erase(std::unique(files.begin(), files.end()), files.end());
        for (const AnsiString& f : files) FEntries.push_back({f, false});
        FileList->Items()->BeginUpdate();
        FileList->Items()->Clear();
        for (const TEntry& e : FEntries) FileList->Items()->Add(e.Folder ? "[" + e.Name + "]" : e.Name);
        FileList->Items()->EndUpdate();
    }

    bool Accept() {
        // A folder typed into the folder box is opened first.
        const AnsiString typedFolder = Trim(FolderEdit->Text());
        if (!typedFolder.empty() && IncludeTrailingPathDelimiter(ExpandFileName(typedFolder)) != FFolder) {
            if (DirectoryExists(typedFolder)) Navigate(typedFolder);
            else AskBox(Caption(), "Složka " + typedFolder + " neexistuje.", false);
            return false;
        }
        const AnsiString name = Trim(FileNameEdit->Text());
        if (name.empty()) return false;
        AnsiString path = (name[0] == '/' || name[0] == '\\') ? NormalizePath(name) : FFolder + NormalizePath(name);
        if (DirectoryExists(path)) {
            Navigate(path);
            FileNameEdit->SetText("");
            return false;
        }
        if (name.find_first_of("*?") != AnsiString::npos) {
            FMaskOverride = ExtractFileName(path);
            Fill();
            return false;
        }
        if (ExtractFileExt(path).empty() && !FDialog->DefaultExt().empty()) {
            AnsiString ext = FDialog->DefaultExt();
            if (ext[0] == '.') ext.erase(0, 1);
            path += "." + ext;
        }
        if (!DirectoryExists(ExtractFilePath(path))) {
            AskBox(Caption(), "Cesta " + ExtractFilePath(path) + " neexistuje.", false);
            return false;
        }
        const TOpenOptions options = FDialog->Options();
        const bool exists = FileExists(path);
        if (!FDialog->IsSave() && options.Contains(ofFileMustExist) && !exists) {
            AskBox(Caption(), ExtractFileName(path) + "\r\nSoubor nebyl nalezen.", false);
            return false;
        }
        if (FDialog->IsSave() && options.Contains(ofOverwritePrompt) && exists &&
            AskBox(Caption(), ExtractFileName(path) + " již existuje.\r\nChcete jej nahradit?", true) != mrYes)
            return false;
        Chosen = path;
        return true;
    }

    TOpenDialog* FDialog;
    AnsiString FFolder;
    AnsiString FMaskOverride;
    std::vector<TFileFilter> FFilters;
    std::vector<TEntry> FEntries;
};

TOpenDialog::TOpenDialog(TComponent* AOwner) : TCommonDialog(AOwner), FFiles(std::make_unique<TStringList>()) {}
TOpenDialog::~TOpenDialog() = default;

bool TOpenDialog::Execute() {
    // The folder: the proposed name's own, else InitialDir, else the current one.
    AnsiString folder = ExtractFilePath(NormalizePath(FFileName));
    AnsiString name = ExtractFileName(NormalizePath(FFileName));
    if (folder.empty() || !DirectoryExists(folder)) folder = FInitialDir;
    if (folder.empty() || !DirectoryExists(folder)) folder = GetCurrentDir();
    auto* form = new TFileDialogForm(this, ExpandFileName(folder), name);
    AnsiString chosen;
    Integer filter = FFilterIndex;
    form->OnClose = [&](TObject*, TCloseAction&) {
        chosen = form->Chosen;
        filter = form->FilterCombo->ItemIndex() + 1;
    };
    const TModalResult result = Run(form);
    if (result != mrOk || chosen.empty()) return false;
    FFileName = chosen;
    FFilterIndex = filter;
    FFiles->Clear();
    FFiles->Add(chosen);
    return true;
}

TSaveDialog::TSaveDialog(TComponent* AOwner) : TOpenDialog(AOwner) {}
TSaveDialog::~TSaveDialog() = default;

// ---------------------------------------------------------------------------
// TColorDialog

namespace {

// The basic colours of the classic colour dialog, eight to a row.
const TColor kBasicColors[48] = {
    RGB(255, 128, 128), RGB(255, 255, 128), RGB(128, 255, 128), RGB(0, 255, 128),   RGB(128, 255, 255),
    RGB(0, 128, 255),   RGB(255, 128, 192), RGB(255, 128, 255), RGB(255, 0, 0),     RGB(255, 255, 0),
    RGB(128, 255, 0),   RGB(0, 255, 64),    RGB(0, 255, 255),   RGB(0, 128, 192),   RGB(128, 128, 192),
    RGB(255, 0, 255),   RGB(128, 64, 64),   RGB(255, 128, 64),  RGB(0, 255, 0),     RGB(0, 128, 128),
    RGB(0, 64, 128),    RGB(128, 128, 255), RGB(128, 0, 64),    RGB(255, 0, 128),   RGB(128, 0, 0),
    RGB(255, 128, 0),   RGB(0, 128, 0),     RGB(0, 128, 64),    RGB(0, 0, 255),     RGB(0, 0, 160),
    RGB(128, 0, 128),   RGB(128, 0, 255),   RGB(64, 0, 0),      RGB(128, 64, 0),    RGB(0, 64, 0),
    RGB(0, 64, 64),     RGB(0, 0, 128),     RGB(0, 0, 64),      RGB(64, 0, 64),     RGB(64, 0, 128),
    RGB(0, 0, 0),       RGB(128, 128, 0),   RGB(128, 128, 64),  RGB(128, 128, 128), RGB(64, 128, 128),
    RGB(192, 192, 192), RGB(64, 0, 64),     RGB(255, 255, 255)};

}  // namespace

TColorDialog::TColorDialog(TComponent* AOwner)
    : TCommonDialog(AOwner), FCustomColors(std::make_unique<TStringList>()) {}
TColorDialog::~TColorDialog() = default;

bool TColorDialog::Execute() {
    TForm* form = NewDialogForm("Barva", 232, 282);
    TColor current = ColorToRGB(FColor) & 0xFFFFFF;
    PutLabel(form, "&Základní barvy:", 8, 6);
    std::vector<TShape*> swatches;
    auto* preview = Put<TShape>(form, "Preview", 8, 174, 60, 70);
    auto* red = Put<TSpinEdit>(form, "RedEdit", 150, 174, 60, 22);
    auto* green = Put<TSpinEdit>(form, "GreenEdit", 150, 198, 60, 22);
    auto* blue = Put<TSpinEdit>(form, "BlueEdit", 150, 222, 60, 22);
    PutLabel(form, "Červená:", 80, 178);
    PutLabel(form, "Zelená:", 80, 202);
    PutLabel(form, "Modrá:", 80, 226);
    bool syncing = false;
    auto show = [&](TColor c) {
        current = c;
        preview->Brush()->SetColor(c);
        syncing = true;
        red->SetValue(GetRValue(c));
        green->SetValue(GetGValue(c));
        blue->SetValue(GetBValue(c));
        syncing = false;
        for (std::size_t i = 0; i < swatches.size(); ++i)
            swatches[i]->Pen()->SetWidth(kBasicColors[i] == c ? 3 : 1);
    };
    for (int i = 0; i < 48; ++i) {
        auto* s = Put<TShape>(form, ("Swatch" + IntToStr(i)).c_str(), 8 + (i % 8) * 27, 24 + (i / 8) * 23, 24, 20);
        s->Brush()->SetColor(kBasicColors[i]);
        const TColor c = kBasicColors[i];
        s->OnMouseDown = [&show, c](TObject*, TMouseButton, TShiftState, int, int) { show(c); };
        s->OnClick = [&show, c](TObject*) { show(c); };
        swatches.push_back(s);
    }
    for (TSpinEdit* e : {red, green, blue}) {
        e->SetMaxValue(255);
        e->OnChange = [&](TObject*) {
            if (!syncing) show(RGB(red->Value(), green->Value(), blue->Value()));
        };
    }
    show(current);
    auto* ok = PutButton(form, "OKButton", "OK", mrOk, 70, 252);
    ok->SetDefault(true);
    auto* cancel = PutButton(form, "CancelButton", "Storno", mrCancel, 151, 252);
    cancel->SetCancel(true);
    form->OnClose = [&](TObject*, TCloseAction&) {
        for (TShape* s : swatches) s->OnMouseDown = nullptr, s->OnClick = nullptr;
        for (TSpinEdit* e : {red, green, blue}) e->OnChange = nullptr;
    };
    if (Run(form) != mrOk) return false;
    FColor = current;
    return true;
}

// ---------------------------------------------------------------------------
// TFontDialog

namespace {

struct TNamedColor {
    TColor Color;
    const char* Name;
};
const TNamedColor kFontColors[16] = {
    {clBlack, "Černá"},  {clMaroon, "Kaštanová"},  {clGreen, "Zelená"}, {clOlive, "Olivová"},
    {clNavy, "Námořnická"}, {clPurple, "Fialová"}, {clTeal, "Modrozelená"}, {clGray, "Šedá"},
    {clSilver, "Stříbrná"}, {clRed, "Červená"},   {clLime, "Limetková"}, {clYellow, "Žlutá"},
    {clBlue, "Modrá"},   {clFuchsia, "Purpurová"}, {clAqua, "Azurová"}, {clWhite, "Bílá"}};

}  // namespace

TFontDialog::TFontDialog(TComponent* AOwner) : TCommonDialog(AOwner), FFont(std::make_unique<TFont>()) {}
TFontDialog::~TFontDialog() = default;

void TFontDialog::SetFont(TFont* Value) {
    if (Value) FFont->Assign(Value);
}

bool TFontDialog::Execute() {
    TForm* form = NewDialogForm("Písmo", 380, 270);
    TFont chosen;
    chosen.Assign(FFont.get());
    PutLabel(form, "&Písmo:", 8, 8);
    auto* names = Put<TListBox>(form, "FontNameList", 8, 24, 180, 140);
    PutLabel(form, "&Velikost:", 196, 8);
    auto* size = Put<TComboBox>(form, "SizeEdit", 196, 24, 70, 21);
    auto* bold = Put<TCheckBox>(form, "BoldCheck", 280, 24, 95, 17);
    auto* italic = Put<TCheckBox>(form, "ItalicCheck", 280, 44, 95, 17);
    auto* underline = Put<TCheckBox>(form, "UnderlineCheck", 280, 64, 95, 17);
    auto* strike = Put<TCheckBox>(form, "StrikeOutCheck", 280, 84, 95, 17);
    bold->SetCaption("&Tučné");
    italic->SetCaption("&Kurzíva");
    underline->SetCaption("Po&dtržené");
    strike->SetCaption("Př&eškrtnuté");
    PutLabel(form, "&Barva:", 196, 56);
    auto* color = Put<TComboBox>(form, "ColorCombo", 196, 72, 78, 21);
    color->SetStyle(csDropDownList);
    auto* sample = Put<TLabel>(form, "Sample", 8, 176, 270, 50);
    sample->SetAutoSize(false);
    sample->SetCaption("AaBbČčŘřŽž");

    // Only what is installed can be offered; a window's classic family name
    // stands for the family its text is drawn with.
    TStringList families;
    families.SetSorted(true);
    for (const QString& f : QFontDatabase::families())
        if (!QFontDatabase::isPrivateFamily(f)) families.Add(ui_detail::FromQ(f));
    names->Items()->Assign(&families);
    const AnsiString screen = ScreenFontFamily(chosen.Name());
    for (const AnsiString& candidate :
         {chosen.Name(), screen, ui_detail::FromQ(QFontInfo(QFont(ui_detail::ToQ(screen))).family())}) {
        const int index = names->Items()->IndexOf(candidate);
        if (index < 0) continue;
        chosen.SetName(names->Items()->Strings(index));
        break;
    }
    for (int s : {8, 9, 10, 11, 12, 14, 16, 18, 20, 22, 24, 26, 28, 36, 48, 72}) size->Items()->Add(IntToStr(s));
    for (const TNamedColor& c : kFontColors) color->Items()->Add(c.Name);

    bool syncing = false;
    auto refresh = [&] {
        sample->Font()->Assign(&chosen);
        syncing = true;
        names->SetItemIndex(names->Items()->IndexOf(chosen.Name()));
        size->SetText(IntToStr(chosen.Size()));
        bold->SetChecked(chosen.Style().Contains(fsBold));
        italic->SetChecked(chosen.Style().Contains(fsItalic));
        underline->SetChecked(chosen.Style().Contains(fsUnderline));
        strike->SetChecked(chosen.Style().Contains(fsStrikeOut));
        Integer colorIndex = -1;
        for (int i = 0; i < 16; ++i)
            if (kFontColors[i].Color == (ColorToRGB(chosen.Color()) & 0xFFFFFF)) colorIndex = i;
        color->SetItemIndex(colorIndex);
        syncing = false;
    };
    auto styleFrom = [&] {
        TFontStyles styles;
        if (bold->Checked()) styles.Include(fsBold);
        if (italic->Checked()) styles.Include(fsItalic);
        if (underline->Checked()) styles.Include(fsUnderline);
        if (strike->Checked()) styles.Include(fsStrikeOut);
        return styles;
    };
    names->OnClick = [&](TObject*) {
        if (syncing || names->ItemIndex() < 0) return;
        chosen.SetName(names->Items()->Strings(names->ItemIndex()));
        refresh();
    };
    size->OnChange = [&](TObject*) {
        if (syncing) return;
        const Integer points = StrToIntDef(Trim(size->Text()), 0);
        if (points > 0 && points <= 1638) {
            chosen.SetSize(points);
            sample->Font()->Assign(&chosen);
        }
    };
    for (TCheckBox* box : {bold, italic, underline, strike})
        box->OnClick = [&](TObject*) {
            if (syncing) return;
            chosen.SetStyle(styleFrom());
            sample->Font()->Assign(&chosen);
        };
    color->OnChange = [&](TObject*) {
        if (syncing || color->ItemIndex() < 0) return;
        chosen.SetColor(kFontColors[color->ItemIndex()].Color);
        sample->Font()->Assign(&chosen);
    };
    refresh();
    auto* ok = PutButton(form, "OKButton", "OK", mrOk, 297, 200);
    ok->SetDefault(true);
    auto* cancel = PutButton(form, "CancelButton", "Storno", mrCancel, 297, 232);
    cancel->SetCancel(true);
    form->OnClose = [&](TObject*, TCloseAction&) {
        names->OnClick = nullptr;
        size->OnChange = nullptr;
        color->OnChange = nullptr;
        for (TCheckBox* box : {bold, italic, underline, strike}) box->OnClick = nullptr;
    };
    if (Run(form) != mrOk) return false;
    Integer points = chosen.Size();
    if (FMinFontSize > 0) points = std::max(points, FMinFontSize);
    if (FMaxFontSize > 0) points = std::min(points, FMaxFontSize);
    if (points != chosen.Size()) chosen.SetSize(points);
    FFont->Assign(&chosen);
    return true;
}

// ---------------------------------------------------------------------------
// Published properties

const TEnumType& EnumTypeInfo(TOpenOption) {
    static const TEnumType t{"TOpenOption",
                             {"ofReadOnly", "ofOverwritePrompt", "ofHideReadOnly", "ofNoChangeDir", "ofShowHelp",
                              "ofNoValidate", "ofAllowMultiSelect", "ofExtensionDifferent", "ofPathMustExist",
                              "ofFileMustExist", "ofCreatePrompt", "ofShareAware", "ofNoReadOnlyReturn",
                              "ofNoTestFileCreate", "ofNoNetworkButton", "ofNoLongNames", "ofOldStyleDialog",
                              "ofNoDereferenceLinks", "ofEnableIncludeNotify", "ofEnableSizing"}};
    return t;
}

VEMLOR_PUBLISHED(TCommonDialog, TComponent) {
    Prop("HelpContext", &TCommonDialog::HelpContext, &TCommonDialog::SetHelpContext);
    EventProp("OnClose", &TCommonDialog::OnClose);
    EventProp("OnShow", &TCommonDialog::OnShow);
}

VEMLOR_PUBLISHED(TOpenDialog, TCommonDialog) {
    Prop("DefaultExt", &TOpenDialog::DefaultExt, &TOpenDialog::SetDefaultExt);
    Prop("FileName", &TOpenDialog::FileName, &TOpenDialog::SetFileName);
    Prop("Filter", &TOpenDialog::Filter, &TOpenDialog::SetFilter);
    Prop("FilterIndex", &TOpenDialog::FilterIndex, &TOpenDialog::SetFilterIndex);
    Prop("InitialDir", &TOpenDialog::InitialDir, &TOpenDialog::SetInitialDir);
    Prop("Options", &TOpenDialog::Options, &TOpenDialog::SetOptions);
    Prop("Title", &TOpenDialog::Title, &TOpenDialog::SetTitle);
}
VEMLOR_REGISTER_CLASS(TOpenDialog);

VEMLOR_PUBLISHED(TSaveDialog, TOpenDialog) {}
VEMLOR_REGISTER_CLASS(TSaveDialog);

VEMLOR_PUBLISHED(TColorDialog, TCommonDialog) {
    Prop("Color", &TColorDialog::Color, &TColorDialog::SetColor).Idents(ColorIdents());
}
VEMLOR_REGISTER_CLASS(TColorDialog);

VEMLOR_PUBLISHED(TFontDialog, TCommonDialog) {
    Prop("Font", &TFontDialog::Font, &TFontDialog::SetFont);
    Prop("MaxFontSize", &TFontDialog::MaxFontSize, &TFontDialog::SetMaxFontSize);
    Prop("MinFontSize", &TFontDialog::MinFontSize, &TFontDialog::SetMinFontSize);
}
VEMLOR_REGISTER_CLASS(TFontDialog);
