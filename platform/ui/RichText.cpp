#include "platform/ui/RichText.h"

#include "platform/rtl/CodePage.h"

AnsiString CutFaceName(const AnsiString& Name) { return Name.substr(0, LF_FACESIZE - 1); }

std::u16string TRichParagraph::PlainText() const {
    std::u16string s;
    for (const TRichRun& r : Runs) s += r.Text;
    return s;
}

void TRichParagraph::Append(const std::u16string& Text, const TCharFormat& Format) {
    if (Text.empty()) return;
    if (!Runs.empty() && Runs.back().Format == Format) Runs.back().Text += Text;
    else Runs.push_back({Text, Format});
}

std::u16string TRichText::PlainText() const {
    std::u16string s;
    for (std::size_t i = 0; i < Paragraphs.size(); ++i) {
        if (i) s += u'\r';
        s += Paragraphs[i].PlainText();
    }
    return s;
}

std::u16string AnsiToUtf16(const AnsiString& Text) {
    std::u16string s;
    s.reserve(Text.size());
    for (char c : Text) s += static_cast<char16_t>(AnsiCharToUnicode(c));
    return s;
}

AnsiString Utf16ToAnsi(const std::u16string& Text) {
    AnsiString s;
    s.reserve(Text.size());
    for (std::size_t i = 0; i < Text.size(); ++i) {
        char32_t code = Text[i];
        // A surrogate pair is one character outside Windows-1250 ('?').
        if (code >= 0xD800 && code < 0xDC00 && i + 1 < Text.size() && Text[i + 1] >= 0xDC00 && Text[i + 1] < 0xE000) ++i;
        char c;
        UnicodeCharToAnsi(code, c);
        s += c;
    }
    return s;
}
