#pragma once
// Formatted text as paragraphs of runs: what the RTF reader produces, the
// writer consumes and the rich-edit control exchanges with its document.
// Text is UTF-16, so characters outside Windows-1250 (an RTF \u escape) pass
// through unchanged.

#include <string>
#include <vector>

#include "platform/ui/RichEditFormats.h"

struct TRichRun {
    std::u16string Text;
    // The attributes the run sets; the rest come from the control's default.
    TCharFormat Format;
};

struct TRichParagraph {
    TParaFormat Format;
    std::vector<TRichRun> Runs;

    std::u16string PlainText() const;
    // Appends to the last run when it has the same format.
    void Append(const std::u16string& Text, const TCharFormat& Format);
};

// Paragraphs are separated by one break each; there is always at least one
// (an empty text is one empty paragraph).
struct TRichText {
    std::vector<TRichParagraph> Paragraphs{1};

    // Paragraphs joined with CR (one character per break, as the control
    // counts positions).
    std::u16string PlainText() const;
};

// Windows-1250 <-> UTF-16 for the model's text; a character without a
// Windows-1250 byte becomes '?'.
std::u16string AnsiToUtf16(const AnsiString& Text);
AnsiString Utf16ToAnsi(const std::u16string& Text);
