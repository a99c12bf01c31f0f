#include "platform/ui/Printers.h"

#include <QBuffer>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QPrinterInfo>

#include <cstdlib>

#include "platform/rtl/FileUtils.h"
#include "platform/rtl/ScopeGuard.h"
#include "platform/rtl/SysUtils.h"
#include "platform/ui/ChoiceCtrls.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Spin.h"
#include "platform/ui/StdCtrls.h"
#include "platform/ui/UiBridge.h"

using namespace ui_detail;

namespace {

constexpr int kFileResolution = 1200;
const char* const kFilePrinterName = "Tisk do souboru PDF";

QPageLayout PageLayout(TPrinterOrientation orientation) {
    return QPageLayout(QPageSize(QPageSize::A4),
                       orientation == poLandscape ? QPageLayout::Landscape : QPageLayout::Portrait, QMarginsF());
}

}  // namespace

// The open document: a PDF built in memory for the file printer, or a
// system printer's job.
struct TPrinterImpl {
    QByteArray Pdf;
    std::unique_ptr<QBuffer> Buffer;
    std::unique_ptr<QPdfWriter> Writer;
    std::unique_ptr<QPrinter> System;
    std::unique_ptr<QPainter> Painter;

    void Close() {
        Painter.reset();
        Writer.reset();
        Buffer.reset();
        System.reset();
    }
};

TPrinter::TPrinter() : FImpl(std::make_unique<TPrinterImpl>()), FPrinters(std::make_unique<TStringList>()) {
    FPrinters->Add(kFilePrinterName);
    for (const QString& name : QPrinterInfo::availablePrinterNames()) FPrinters->Add(FromQ(name));
    SetPrinterIndex(-1);
}

TPrinter::~TPrinter() {
    if (FPrinting) FImpl->Close();
}

void TPrinter::SetPrinterIndex(Integer Value) {
    if (FPrinting) throw EPrinter("Printing in progress");
    if (Value == -1) {
        const Integer system = FPrinters->IndexOf(FromQ(QPrinterInfo::defaultPrinterName()));
        FPrinterIndex = system > 0 ? system : 0;
        return;
    }
    if (Value < 0 || Value >= FPrinters->Count()) throw EPrinter("Printer index out of range");
    FPrinterIndex = Value;
}

void TPrinter::SetOrientation(TPrinterOrientation Value) {
    if (FPrinting) throw EPrinter("Printing in progress");
    FOrientation = Value;
}

void TPrinter::BeginDoc() {
    if (FPrinting) throw EPrinter("Printing in progress");
    TPrinterImpl& p = *FImpl;
    if (IsFilePrinter()) {
        if (Trim(FFileName).empty()) throw EPrinter("No file given for printing to PDF");
        p.Pdf.clear();
        p.Buffer = std::make_unique<QBuffer>(&p.Pdf);
        p.Buffer->open(QIODevice::WriteOnly);
        p.Writer = std::make_unique<QPdfWriter>(p.Buffer.get());
        p.Writer->setResolution(kFileResolution);
        p.Writer->setPageLayout(PageLayout(FOrientation));
        p.Writer->setTitle(ToQ(FTitle));
        p.Writer->setCreator(QStringLiteral("Vemlor"));
        p.Painter = std::make_unique<QPainter>();
        if (!p.Painter->begin(p.Writer.get())) {
            p.Close();
            throw EPrinter("Cannot start the PDF document");
        }
    } else {
        p.System = std::make_unique<QPrinter>(QPrinter::HighResolution);
        p.System->setPrinterName(ToQ(FPrinters->Strings(FPrinterIndex)));
        p.System->setDocName(ToQ(FTitle));
        p.System->setCopyCount(FCopies);
        p.System->setPageLayout(PageLayout(FOrientation));
        p.Painter = std::make_unique<QPainter>();
        if (!p.Painter->begin(p.System.get())) {
            p.Close();
            throw EPrinter("Cannot start printing on " + FPrinters->Strings(FPrinterIndex));
        }
    }
    FPrinting = true;
    FAborted = false;
    FPageNumber = 1;
}

void TPrinter::EndDoc() {
    if (!FPrinting) throw EPrinter("Printer is not currently printing");
    TPrinterImpl& p = *FImpl;
    FPrinting = false;
    const bool ended = p.Painter->end();
    const bool file = p.Writer != nullptr;
    p.Close();
    if (!ended) throw EPrinter("The document could not be finished");
    if (file) WriteFileAtomic(FFileName, AnsiString(p.Pdf.constData(), static_cast<std::size_t>(p.Pdf.size())));
    p.Pdf.clear();
}

void TPrinter::NewPage() {
    if (!FPrinting) throw EPrinter("Printer is not currently printing");
    TPrinterImpl& p = *FImpl;
    const bool ok = p.Writer ? p.Writer->newPage() : p.System->newPage();
    if (!ok) throw EPrinter("Cannot start a new page");
    ++FPageNumber;
}

void TPrinter::Abort() {
    if (!FPrinting) return;
    FPrinting = false;
    FAborted = true;
    if (FImpl->System) FImpl->System->abort();
    FImpl->Close();
    FImpl->Pdf.clear();
}

Integer TPrinter::PixelsPerInchX() const {
    if (FImpl->System) return FImpl->System->logicalDpiX();
    return kFileResolution;
}

Integer TPrinter::PixelsPerInchY() const {
    if (FImpl->System) return FImpl->System->logicalDpiY();
    return kFileResolution;
}

Integer TPrinter::PageWidth() const {
    if (FImpl->System) return FImpl->System->width();
    return PageLayout(FOrientation).fullRectPixels(kFileResolution).width();
}

Integer TPrinter::PageHeight() const {
    if (FImpl->System) return FImpl->System->height();
    return PageLayout(FOrientation).fullRectPixels(kFileResolution).height();
}

QPainter* TPrinter::Painter() const { return FPrinting ? FImpl->Painter.get() : nullptr; }

namespace {
std::unique_ptr<TPrinter>& PrinterSlot() {
    static std::unique_ptr<TPrinter> printer;
    return printer;
}
}  // namespace

TPrinter* Printer() {
    auto& slot = PrinterSlot();
    if (!slot) slot = std::make_unique<TPrinter>();
    return slot.get();
}

TPrinter* SetPrinter(TPrinter* Value) {
    TPrinter* old = PrinterSlot().release();
    PrinterSlot().reset(Value);
    return old;
}

// ---------------------------------------------------------------------------
// TPrintDialog

namespace {

class TPrintDialogForm : public TForm {
public:
    TPrintDialogForm(TPrinter* printer, Integer copies) : TForm(nullptr) {
        SetCaption("Tisk");
        SetBorderStyle(bsDialog);
        SetBorderIcons(TBorderIcons{biSystemMenu});
        SetPosition(poScreenCenter);
        SetClientWidth(380);
        SetClientHeight(150);
        Label("Tiskárna:", 8, 12);
        PrinterCombo = Put<TComboBox>("PrinterCombo", 100, 8, 272, 21);
        PrinterCombo->SetStyle(csDropDownList);
        for (int i = 0; i < printer->Printers()->Count(); ++i) PrinterCombo->Items()->Add(printer->Printers()->Strings(i));
        PrinterCombo->SetItemIndex(printer->PrinterIndex());
        Label("Soubor:", 8, 42);
        FileNameEdit = Put<TEdit>("FileNameEdit", 100, 38, 272, 21);
        const char* home = std::getenv("HOME");
        FileNameEdit->SetText(!printer->FileName().empty() ? printer->FileName()
                              : home                      ? IncludeTrailingPathDelimiter(home) + "tisk.pdf"
                                                          : AnsiString("tisk.pdf"));
        Label("Počet kopií:", 8, 72);
        CopiesEdit = Put<TSpinEdit>("CopiesEdit", 100, 68, 60, 21);
        CopiesEdit->SetMinValue(1);
        CopiesEdit->SetMaxValue(999);
        CopiesEdit->SetValue(copies);
        auto* ok = Put<TButton>("OKButton", 216, 116, 75, 25);
        ok->SetCaption("OK");
        ok->SetModalResult(mrOk);
        ok->SetDefault(true);
        auto* cancel = Put<TButton>("CancelButton", 297, 116, 75, 25);
        cancel->SetCaption("Storno");
        cancel->SetModalResult(mrCancel);
        cancel->SetCancel(true);
        PrinterCombo->OnChange = [this](TObject*) { FileNameEdit->SetEnabled(PrinterCombo->ItemIndex() == 0); };
        FileNameEdit->SetEnabled(PrinterCombo->ItemIndex() == 0);
        OnCloseQuery = [this](TObject*, bool& canClose) {
            // Printing to a file needs a file.
            canClose = ModalResult() != mrOk || PrinterCombo->ItemIndex() != 0 || !Trim(FileNameEdit->Text()).empty();
        };
    }

    TComboBox* PrinterCombo;
    TEdit* FileNameEdit;
    TSpinEdit* CopiesEdit;

private:
    template <class T>
    T* Put(const char* name, Integer left, Integer top, Integer width, Integer height) {
        T* c = new T(this);
        c->SetName(name);
        c->SetParent(this);
        c->SetBounds(left, top, width, height);
        return c;
    }
    void Label(const AnsiString& caption, Integer left, Integer top) {
        auto* l = new TLabel(this);
        l->SetParent(this);
        l->SetBounds(left, top, 90, 13);
        l->SetCaption(caption);
    }
};

}  // namespace

TPrintDialog::TPrintDialog(TComponent* AOwner) : TCommonDialog(AOwner) {}
TPrintDialog::~TPrintDialog() = default;

bool TPrintDialog::Execute() {
    TPrinter* printer = Printer();
    auto* form = new TPrintDialogForm(printer, FCopies);
    auto release = ScopeExit([form] { form->Free(); });
    form->OnShow = [this](TObject*) { FireEvent(OnShow, this); };
    const TModalResult result = form->ShowModal();
    const Integer index = form->PrinterCombo->ItemIndex();
    const AnsiString file = Trim(form->FileNameEdit->Text());
    const Integer copies = form->CopiesEdit->Value();
    FireEvent(OnClose, this);
    if (result != mrOk) return false;
    if (index >= 0) printer->SetPrinterIndex(index);
    if (index == 0) printer->SetFileName(file);
    FCopies = copies;
    printer->SetCopies(copies);
    return true;
}

VEMLOR_PUBLISHED(TPrintDialog, TCommonDialog) {
    Prop("Copies", &TPrintDialog::Copies, &TPrintDialog::SetCopies);
}
