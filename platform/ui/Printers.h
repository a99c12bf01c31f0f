#pragma once
// The printer and the print dialog.
//
// TPrinter prints one document at a time to one of its printers: the first
// is a file printer that writes a PDF (so printing works without a printer,
// and in tests), then the system's printers when the system has any. The
// PDF replaces its file only when the document ends (EndDoc); an aborted or
// failed document leaves an existing file as it was.
//
// Sizes are in the printer's pixels; PixelsPerInchX/Y give its resolution.
//
// The print dialog is a window of our own, shown modally, so the test
// answerer can fill and answer it. Its parts: PrinterCombo, FileNameEdit
// (where the file printer writes), CopiesEdit, OKButton, CancelButton.

#include <memory>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/StringList.h"
#include "platform/ui/Dialogs.h"

class QPainter;

VEMLOR_DECLARE_EXCEPTION(EPrinter, Exception);

enum TPrinterOrientation { poPortrait, poLandscape };

struct TPrinterImpl;

class TPrinter : public TObject {
public:
    TPrinter();
    ~TPrinter() override;
    TPrinter(const TPrinter&) = delete;
    TPrinter& operator=(const TPrinter&) = delete;

    // Names of the printers; the file printer is the first.
    TStrings* Printers() const { return FPrinters.get(); }
    Integer PrinterIndex() const { return FPrinterIndex; }
    // Raises EPrinter "Printer index out of range" for an unknown index
    // (-1 chooses the default printer).
    void SetPrinterIndex(Integer Value);
    bool IsFilePrinter() const { return FPrinterIndex == 0; }
    // The PDF the file printer writes (Windows-1250, either separator).
    const AnsiString& FileName() const { return FFileName; }
    void SetFileName(const AnsiString& Value) { FFileName = Value; }
    // The document's name (the print queue's, the PDF's title).
    const AnsiString& Title() const { return FTitle; }
    void SetTitle(const AnsiString& Value) { FTitle = Value; }
    TPrinterOrientation Orientation() const { return FOrientation; }
    void SetOrientation(TPrinterOrientation Value);
    Integer Copies() const { return FCopies; }
    void SetCopies(Integer Value) { FCopies = Value < 1 ? 1 : Value; }

    // Raise EPrinter "Printing in progress" when a document is open already,
    // "Printer is not currently printing" when none is, and a message naming
    // the file when the PDF cannot be written.
    void BeginDoc();
    void EndDoc();
    void NewPage();
    // Drops the document.
    void Abort();
    bool Printing() const { return FPrinting; }
    bool Aborted() const { return FAborted; }
    Integer PageNumber() const { return FPageNumber; }

    Integer PageWidth() const;
    Integer PageHeight() const;
    Integer PixelsPerInchX() const;
    Integer PixelsPerInchY() const;

    // For the layer's own drawing on the page; nullptr when not printing.
    QPainter* Painter() const;

private:
    std::unique_ptr<TPrinterImpl> FImpl;
    std::unique_ptr<TStringList> FPrinters;
    Integer FPrinterIndex = 0;
    AnsiString FFileName;
    AnsiString FTitle;
    TPrinterOrientation FOrientation = poPortrait;
    Integer FCopies = 1;
    bool FPrinting = false;
    bool FAborted = false;
    Integer FPageNumber = 0;
};

// The program's printer, made on first use.
TPrinter* Printer();
// Puts another printer in place (for tests); returns the previous one, which
// the caller then owns. nullptr makes a new one on the next use.
TPrinter* SetPrinter(TPrinter* Value);

class TPrintDialog : public TCommonDialog {
public:
    explicit TPrintDialog(TComponent* AOwner);
    ~TPrintDialog() override;

    // Shows the printers of Printer(); on OK the chosen printer, file and
    // copies go to it.
    bool Execute() override;
    Integer Copies() const { return FCopies; }
    void SetCopies(Integer Value) { FCopies = Value < 1 ? 1 : Value; }

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

private:
    Integer FCopies = 1;
};
