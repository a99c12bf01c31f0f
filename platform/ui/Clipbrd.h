#pragma once
// The clipboard: text, pictures and binary data of the program's own
// formats. Program text is Windows-1250; the system's clipboard holds
// Unicode, so the text is converted on the way in and out (characters
// Windows-1250 lacks arrive as its replacement). Line ends are left as they
// are. Pictures travel as images, so that other programs of the desktop
// paste what the program copies and the other way round.
//
// Each Set... replaces what the clipboard held. Between Open and Close they
// gather instead and reach the clipboard together at Close, so that one
// copy can offer a picture in several formats.

#include <memory>
#include <vector>

#include "platform/rtl/System.h"

class TBitmap;
class QMimeData;

constexpr Word CF_TEXT = 1;
constexpr Word CF_BITMAP = 2;

class TClipboard {
public:
    AnsiString AsText() const;
    void SetAsText(const AnsiString& Value);
    // CF_TEXT when the clipboard holds text, CF_BITMAP when it holds an image.
    bool HasFormat(Word Format) const;
    // The bitmap as an image.
    void SetAsBitmap(TBitmap& Bitmap);
    // The clipboard's image as a 24-bit bitmap; false (and the bitmap
    // unchanged) when it holds none.
    bool GetAsBitmap(TBitmap& Bitmap) const;
    void Clear();
    // Binary data under a format name of the program's own. Setting it
    // replaces what the clipboard held; reading a format that is not there
    // gives no bytes.
    void SetFormatData(const AnsiString& Format, const std::vector<Byte>& Data);
    std::vector<Byte> FormatData(const AnsiString& Format) const;
    bool HasFormatData(const AnsiString& Format) const;
    // Brackets nest; the outermost Close hands over what was gathered.
    void Open();
    void Close();

    TClipboard();
    ~TClipboard();

private:
    void Put(QMimeData* Data);
    int FOpenCount = 0;
    std::unique_ptr<QMimeData> FPending;
};

// The application's clipboard (created on first use, with the application).
TClipboard* Clipboard();
