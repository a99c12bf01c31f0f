#pragma once
// The clipboard as text. Program text is Windows-1250; the system's
// clipboard holds Unicode, so the text is converted on the way in and out
// (characters Windows-1250 lacks arrive as its replacement). Line ends are
// left as they are.

#include <vector>

#include "platform/rtl/System.h"

constexpr Word CF_TEXT = 1;

class TClipboard {
public:
    AnsiString AsText() const;
    void SetAsText(const AnsiString& Value);
    // Only text is known here: CF_TEXT when the clipboard holds some.
    bool HasFormat(Word Format) const;
    void Clear();
    // Binary data under a format name of the program's own. Setting it
    // replaces what the clipboard held; reading a format that is not there
    // gives no bytes.
    void SetFormatData(const AnsiString& Format, const std::vector<Byte>& Data);
    std::vector<Byte> FormatData(const AnsiString& Format) const;
    bool HasFormatData(const AnsiString& Format) const;
    // Kept for callers that bracket several calls; nothing to do here.
    void Open() {}
    void Close() {}
};

// The application's clipboard (created on first use, with the application).
TClipboard* Clipboard();
