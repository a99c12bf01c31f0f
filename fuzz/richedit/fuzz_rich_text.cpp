// Feeds arbitrary bytes as a text file loaded into the rich editor's lines.
// The first byte chooses how (bit 0: UTF-16 little-endian, else
// Windows-1250; bit 1: an editor for plain text, else a rich one told the
// file is plain text; bit 2, for the rich one: the file's format is left to
// the editor, which reads it as RTF when it can and as text when not). The
// rest is the file.
//
// Whatever the bytes, the load gives text and saving it the same way and
// loading that again gives the same lines (without control characters when
// the save is RTF). A crash, a hang, an exception or
// other lines are a finding.

#include <cstdint>
#include <cstdlib>
#include <string>

#include "components/VmRichEd.h"
#include "platform/rtl/Streams.h"
#include "platform/ui/Forms.h"

namespace {

TVmRichEdit* Editor(bool Plain) {
    static TForm* form = [] {
        GetApplication();
        auto* f = new TForm(nullptr);
        f->SetBounds(0, 0, 400, 300);
        return f;
    }();
    static TVmRichEdit* editors[2] = {};
    TVmRichEdit*& e = editors[Plain];
    if (!e) {
        e = new TVmRichEdit(form);
        e->SetParent(form);
        e->SetBounds(0, 0, 400, 300);
        e->SetPlainText(Plain);
    }
    return e;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::uint8_t mode = data[0];
    const bool plain = mode & 2;
    TVmRichEdit* editor = Editor(plain);
    editor->SetStreamFormat(!plain && (mode & 4) ? sfDefault : sfPlainText);
    editor->SetStreamMode(mode & 1 ? TRichStreamModes{smUnicode} : TRichStreamModes{});
    editor->Clear();

    TStringStream file(std::string(reinterpret_cast<const char*>(data) + 1, size - 1));
    editor->Lines()->LoadFromStream(&file);
    // RTF keeps no control characters but the tab, so a rich save drops them
    // (and a last line left empty by that is no line).
    const auto normal = [rtf = editor->StreamFormat() == sfDefault](AnsiString Lines) {
        if (!rtf) return Lines;
        std::erase_if(Lines, [](char c) { return Byte(c) < 0x20 && c != '\t' && c != '\r' && c != '\n'; });
        while (!Lines.empty() && (Lines.back() == '\r' || Lines.back() == '\n')) Lines.pop_back();
        return Lines;
    };
    const AnsiString lines = normal(editor->Lines()->Text());

    TStringStream saved(std::string{});
    editor->Lines()->SaveToStream(&saved);
    editor->Clear();
    saved.SetPosition(0);
    editor->Lines()->LoadFromStream(&saved);
    if (normal(editor->Lines()->Text()) != lines) std::abort();
    // The toolkit goes before the statics at exit, as at the end of the
    // program: registered once the first text was laid out, it runs before
    // the font caches made by then are destroyed, which would lose them.
    static const bool finalizing = [] { return std::atexit(FinalizeApplication) == 0; }();
    (void)finalizing;
    return 0;
}
