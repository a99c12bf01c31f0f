#include "platform/ui/Dialogs.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QSet>
#include <QStandardPaths>
#include <QStringList>
#include <QTimer>
#include <QTreeView>
#include <QUrl>

#include <algorithm>

#include "platform/classes/ClassRegistry.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/IniFiles.h"
#include "platform/rtl/SysUtils.h"
#include "platform/ui/ChoiceCtrls.h"
#include "platform/ui/Containers.h"
#include "platform/ui/DrawText.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Spin.h"
#include "platform/ui/StdCtrls.h"
#include "platform/ui/TestSupport.h"
#include "platform/ui/UiBridge.h"

using ui_detail::CallFileDialogHook;
using ui_detail::FromQ;
using ui_detail::ToQ;

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

namespace {

AnsiString gFileDialogSettings;
const char* const kFileDialogSection = "FileDialogs";

// File names cross to the toolkit as the system spells them and come back as
// our text.
QString ToQPath(const AnsiString& path) { return QString::fromStdString(SysFileName(path)); }

AnsiString FromQPath(const QString& path) {
    const QByteArray utf8 = path.toUtf8();
    return Utf8ToAnsi(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
}

// A mask as the toolkit matches it: blank-separated, and "*.*" means every
// file as it does where the masks come from, not only names with a dot.
QString ToQMasks(const AnsiString& masks) {
    QStringList patterns;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= masks.size(); ++i)
        if (i == masks.size() || masks[i] == ';') {
            const AnsiString m = Trim(masks.substr(start, i - start));
            start = i + 1;
            if (!m.empty()) patterns << (m == "*.*" ? QStringLiteral("*") : ToQ(m));
        }
    return patterns.isEmpty() ? QStringLiteral("*") : patterns.join(u' ');
}

}  // namespace

void SetFileDialogSettingsFile(const AnsiString& FileName) { gFileDialogSettings = FileName; }

namespace {

// The program's own labels and titles are Czech; in another language the
// toolkit's translation (or its English) words them instead.
bool CzechLabels() {
    const AnsiString& language = Application->ToolkitLanguage();
    return language.empty() || language == "cs";
}

}  // namespace

class TQtFileDialog : public QFileDialog {
public:
    TQtFileDialog(TOpenDialog* owner, QWidget* parent) : QFileDialog(parent), FOwner(owner) {
        setOption(DontUseNativeDialog);
        // The descriptions already name their masks.
        setOption(HideNameFilterDetails);
        // Asked in accept, by a window the test answerer sees.
        setOption(DontConfirmOverwrite);
        setAcceptMode(owner->IsSave() ? AcceptSave : AcceptOpen);
        setFileMode(AnyFile);
        setViewMode(Detail);
        setSizeGripEnabled(true);
        if (CzechLabels()) {
            setLabelText(LookIn, ToQ("Složka:"));
            setLabelText(FileName, ToQ("Název souboru:"));
            setLabelText(FileType, ToQ("Soubory typu:"));
            setLabelText(Accept, ToQ(owner->IsSave() ? "&Uložit" : "&Otevřít"));
            setLabelText(Reject, ToQ("Storno"));
        }
        Model = findChild<QFileSystemModel*>();
        if (Model)
            connect(Model, &QFileSystemModel::directoryLoaded, this,
                    [this](const QString& path) { Loaded.insert(QDir::cleanPath(path)); });
    }

    AnsiString Chosen;
    QFileSystemModel* Model = nullptr;
    QSet<QString> Loaded;  // folders read in full

protected:
    void accept() override {
        const AnsiString caption = FromQ(windowTitle());
        auto* nameEdit = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        const QString typed = nameEdit ? nameEdit->text().trimmed() : QString();
        // A pattern typed as the name lists what it matches.
        if (typed.contains(u'*') || typed.contains(u'?')) {
            if (Model) Model->setNameFilters(QStringList{typed.section(u'/', -1)});
            return;
        }
        const QStringList files = selectedFiles();
        if (files.isEmpty() || QFileInfo(files.first()).isDir()) {
            QFileDialog::accept();  // which opens the folder
            return;
        }
        const AnsiString path = FromQPath(files.first());
        if (AnsiToUtf8(path) != files.first().toStdString()) {
            AskBox(caption, "Název " + path + " obsahuje znaky, které program nedokáže zapsat.", false);
            return;
        }
        if (!DirectoryExists(ExtractFilePath(path))) {
            AskBox(caption, "Cesta " + ExtractFilePath(path) + " neexistuje.", false);
            return;
        }
        const TOpenOptions options = FOwner->Options();
        const bool exists = FileExists(path);
        if (!FOwner->IsSave() && options.Contains(ofFileMustExist) && !exists) {
            AskBox(caption, ExtractFileName(path) + "\r\nSoubor nebyl nalezen.", false);
            return;
        }
        if (FOwner->IsSave() && options.Contains(ofOverwritePrompt) && exists &&
            AskBox(caption, ExtractFileName(path) + " již existuje.\r\nChcete jej nahradit?", true) != mrYes)
            return;
        Chosen = path;
        QFileDialog::accept();
    }

private:
    TOpenDialog* FOwner;
};

namespace {

// What a test sees of a file dialog and how it works it (TestSupport.h).
class TFileDialogDriver : public TFileDialogView {
public:
    TFileDialogDriver(TQtFileDialog* dialog, std::vector<AnsiString> filters)
        : FDialog(dialog), FFilters(std::move(filters)) {}

    AnsiString Caption() const override { return FDialog ? FromQ(FDialog->windowTitle()) : AnsiString(); }
    AnsiString Folder() const override {
        return FDialog ? IncludeTrailingPathDelimiter(FromQPath(FDialog->directory().absolutePath())) : AnsiString();
    }
    std::vector<AnsiString> Names() override {
        std::vector<AnsiString> names;
        QAbstractItemView* view = ShownView();
        if (!view) return names;
        const QModelIndex root = view->rootIndex();
        for (int row = 0; row < view->model()->rowCount(root); ++row)
            names.push_back(FromQPath(view->model()->index(row, 0, root).data().toString()));
        return names;
    }
    std::vector<AnsiString> Filters() const override { return FFilters; }
    Integer FilterIndex() const override {
        auto* combo = FDialog ? FDialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo")) : nullptr;
        return combo ? combo->currentIndex() + 1 : 0;
    }
    void ChooseFilter(Integer Index) override {
        auto* combo = FDialog ? FDialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo")) : nullptr;
        if (!combo || Index < 1 || Index > combo->count()) return;
        combo->setCurrentIndex(Index - 1);
        emit combo->activated(Index - 1);
        emit combo->textActivated(combo->currentText());
    }
    AnsiString FileNameText() const override {
        QLineEdit* edit = NameEdit();
        return edit ? FromQ(edit->text()) : AnsiString();
    }
    void TypeFileName(const AnsiString& Text) override {
        QLineEdit* edit = NameEdit();
        if (!edit) return;
        // Typing into the focused box lets go of the entries picked before;
        // offscreen the box has no focus, so that is done here.
        if (auto* list = FDialog->findChild<QAbstractItemView*>(QStringLiteral("listView")))
            list->selectionModel()->clearSelection();
        edit->setText(ToQ(Text));
    }
    void Accept() override {
        auto* box = FDialog ? FDialog->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox")) : nullptr;
        if (!box) return;
        for (QAbstractButton* button : box->buttons())
            if (box->buttonRole(button) == QDialogButtonBox::AcceptRole && button->isEnabled()) {
                button->click();
                return;
            }
    }
    void Cancel() override {
        if (FDialog) FDialog->reject();
    }
    bool DoubleClick(const AnsiString& Name) override {
        QAbstractItemView* view = ShownView();
        if (!view) return false;
        const QModelIndex root = view->rootIndex();
        for (int row = 0; row < view->model()->rowCount(root); ++row) {
            const QModelIndex index = view->model()->index(row, 0, root);
            if (FromQPath(index.data().toString()) != Name) continue;
            view->scrollTo(index);
            QWidget* target = view->viewport();
            const QPoint at = view->visualRect(index).center();
            QPointer<QWidget> alive(target);
            for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease,
                                      QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease}) {
                if (!alive) break;
                const Qt::MouseButtons held =
                    type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(Qt::LeftButton);
                QMouseEvent event(type, QPointF(at), QPointF(target->mapToGlobal(at)), Qt::LeftButton, held,
                                  Qt::NoModifier);
                QApplication::sendEvent(target, &event);
            }
            return true;
        }
        return false;
    }
    AnsiString ColumnTitle(Integer Index) const override {
        auto* tree = FDialog ? FDialog->findChild<QTreeView*>(QStringLiteral("treeView")) : nullptr;
        if (!tree || !tree->model() || Index < 0 || Index >= tree->model()->columnCount()) return "";
        return FromQ(tree->model()->headerData(int(Index), Qt::Horizontal).toString());
    }
    bool Waiting() const override { return FDialog && FDialog->isVisible(); }
    QWidget* Widget() const override { return FDialog; }

private:
    QLineEdit* NameEdit() const {
        return FDialog ? FDialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")) : nullptr;
    }
    // The list or the details, whichever is shown, once its folder is read.
    QAbstractItemView* ShownView() {
        if (!FDialog) return nullptr;
        const QString root = QDir::cleanPath(FDialog->directory().absolutePath());
        if (FDialog->Model && !FDialog->Loaded.contains(root)) {
            QEventLoop loop;
            QObject::connect(FDialog->Model, &QFileSystemModel::directoryLoaded, &loop, [&](const QString& path) {
                if (QDir::cleanPath(path) == root) loop.quit();
            });
            // Only a guard: a folder is read long before.
            QTimer::singleShot(20000, &loop, &QEventLoop::quit);
            loop.exec();
        }
        // The model sorts and filters on a zero timer.
        for (int pass = 0; pass < 5; ++pass) {
            QCoreApplication::sendPostedEvents();
            QCoreApplication::processEvents();
        }
        if (!FDialog) return nullptr;
        for (const char* name : {"treeView", "listView"}) {
            auto* view = FDialog->findChild<QAbstractItemView*>(QString::fromLatin1(name));
            if (view && view->isVisible()) return view;
        }
        return nullptr;
    }

    QPointer<TQtFileDialog> FDialog;
    std::vector<AnsiString> FFilters;
};

// The places beside the folders: the computer, home and the usual folders of
// documents and pictures, and the folder the program suggests.
QList<QUrl> Places(const AnsiString& initialDir) {
    QList<QUrl> urls{QUrl(QStringLiteral("file:")), QUrl::fromLocalFile(QDir::homePath())};
    for (auto location : {QStandardPaths::DesktopLocation, QStandardPaths::DocumentsLocation,
                          QStandardPaths::PicturesLocation, QStandardPaths::MusicLocation,
                          QStandardPaths::DownloadLocation}) {
        const QString path = QStandardPaths::writableLocation(location);
        if (!path.isEmpty() && path != QDir::homePath() && QFileInfo(path).isDir())
            urls << QUrl::fromLocalFile(path);
    }
    if (!initialDir.empty() && DirectoryExists(initialDir)) {
        const QUrl program = QUrl::fromLocalFile(QDir::cleanPath(ToQPath(ExpandFileName(initialDir))));
        if (!urls.contains(program)) urls << program;
    }
    return urls;
}

}  // namespace

TOpenDialog::TOpenDialog(TComponent* AOwner) : TCommonDialog(AOwner), FFiles(std::make_unique<TStringList>()) {}
TOpenDialog::~TOpenDialog() = default;

AnsiString TOpenDialog::SettingsKey() const {
    if (gFileDialogSettings.empty() || Name().empty() || !Owner()) return "";
    return Owner()->ClassName() + "." + Name();
}

bool TOpenDialog::Execute() {
    AnsiString folder = ExtractFilePath(NormalizePath(FFileName));
    const AnsiString name = ExtractFileName(NormalizePath(FFileName));
    const AnsiString key = SettingsKey();
    AnsiString remembered;
    if (!key.empty()) try {
            remembered = TIniFile(gFileDialogSettings).ReadString(kFileDialogSection, key, "");
        } catch (const Exception&) {
            // A settings file that cannot be read only costs the folder.
        }
    for (const AnsiString& next : {remembered, FInitialDir, GetCurrentDir()})
        if (folder.empty() || !DirectoryExists(folder)) folder = next;

    std::vector<TFileFilter> filters = ParseFileFilter(FFilter);
    if (filters.empty()) filters.push_back({"Všechny soubory (*.*)", "*"});
    QStringList qtFilters;
    std::vector<AnsiString> descriptions;
    for (const TFileFilter& f : filters) {
        // Made unique so that the chosen one names its position.
        QString text = ToQ(f.Description) + " (" + ToQMasks(f.Mask) + ")";
        while (qtFilters.contains(text)) text.prepend(u' ');
        qtFilters << text;
        descriptions.push_back(f.Description);
    }

    QPointer<TQtFileDialog> dialog = new TQtFileDialog(this, QApplication::activeWindow());
    if (!FTitle.empty())
        dialog->setWindowTitle(ToQ(FTitle));
    else if (CzechLabels())
        dialog->setWindowTitle(ToQ(IsSave() ? AnsiString("Uložit jako") : AnsiString("Otevřít")));
    dialog->setSidebarUrls(Places(FInitialDir));
    dialog->setDirectory(ToQPath(ExpandFileName(folder)));
    dialog->setNameFilters(qtFilters);
    dialog->selectNameFilter(
        qtFilters[FFilterIndex >= 1 && FFilterIndex <= qtFilters.size() ? FFilterIndex - 1 : 0]);
    AnsiString ext = FDefaultExt;
    if (!ext.empty() && ext[0] == '.') ext.erase(0, 1);
    dialog->setDefaultSuffix(ToQ(ext));
    if (!name.empty()) dialog->selectFile(ToQ(name));
    dialog->resize(dialog->sizeHint().expandedTo(QSize(720, 460)));

    // The test answerer gets a turn when the dialog appears and as long as
    // it waits.
    TFileDialogDriver driver(dialog, descriptions);
    std::function<void()> turn = [&] {
        if (dialog && dialog->isVisible() && CallFileDialogHook(driver) && dialog && dialog->isVisible())
            QTimer::singleShot(0, dialog, turn);
    };
    QTimer::singleShot(0, dialog, [&] {
        FireEvent(OnShow, this);
        turn();
    });
    const int result = dialog->exec();
    AnsiString chosen;
    Integer filter = FFilterIndex;
    if (dialog) {
        chosen = dialog->Chosen;
        // The selected filter comes back without its masks; the list of types
        // names the position.
        if (auto* combo = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
            combo && combo->currentIndex() >= 0)
            filter = combo->currentIndex() + 1;
        delete dialog;
    }
    FireEvent(OnClose, this);
    if (result != QDialog::Accepted || chosen.empty()) return false;
    FFileName = chosen;
    FFilterIndex = filter;
    FFiles->Clear();
    FFiles->Add(chosen);
    if (!key.empty()) try {
            TIniFile(gFileDialogSettings).WriteString(kFileDialogSection, key, ExtractFilePath(chosen));
        } catch (const Exception&) {
            // The file was chosen; only the folder is not kept.
        }
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
