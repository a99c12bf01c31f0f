// The rich editor's line list and its loading and saving.
#include "components/VmRichEd.h"

#include <algorithm>
#include <string>
#include <vector>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/ScopeGuard.h"
#include "platform/rtl/SysUtils.h"

namespace {

// Feeds the control one chunk at a time from the converter. Plain text in
// Windows-1250 has its line breaks made CR LF on the way; a CR that ends a
// chunk waits for the next one, which may start with its LF. UTF-16 text and
// RTF pass unchanged (the control joins 16-bit units split across chunks).
class TLoadFeed {
public:
    TLoadFeed(TConversion* conversion, TStream* stream, bool ansiText)
        : FConversion(conversion), FStream(stream), FAnsiText(ansiText) {}

    Cardinal operator()(Byte* buffer, Integer size, Integer& done) {
        done = 0;
        try {
            if (!FAnsiText) {
                done = std::max<LongInt>(0, FConversion->ConvertReadStream(FStream, reinterpret_cast<char*>(buffer), size));
                return 0;
            }
            // Every byte may double (a lone CR or LF becomes CR LF), and a
            // held-back CR comes first: half the buffer less one is safe.
            const LongInt want = std::max<LongInt>(size / 2 - 1, 1);
            std::vector<char> in(static_cast<std::size_t>(want));
            const LongInt got = std::max<LongInt>(0, FConversion->ConvertReadStream(FStream, in.data(), want));
            std::string out;
            out.reserve(static_cast<std::size_t>(got) * 2 + 2);
            bool cr = FPendingCR;
            FPendingCR = false;
            for (LongInt i = 0; i < got; ++i) {
                const char c = in[static_cast<std::size_t>(i)];
                if (cr) {
                    out += "\r\n";
                    cr = false;
                    if (c == '\n') continue;
                }
                if (c == '\r') cr = true;
                else if (c == '\n') out += "\r\n";
                else out += c;
            }
            if (cr) {
                if (got > 0) FPendingCR = true;  // its LF may open the next chunk
                else out += "\r\n";              // the end of the data
            }
            std::copy(out.begin(), out.end(), reinterpret_cast<char*>(buffer));
            done = static_cast<Integer>(out.size());
            return 0;
        } catch (const Exception&) {
            return 1;
        }
    }

private:
    TConversion* FConversion;
    TStream* FStream;
    bool FAnsiText;
    bool FPendingCR = false;
};

const TRichConversionFormat* FindConversionFormat(const AnsiString& fileName) {
    AnsiString ext = LowerCase(ExtractFileExt(fileName));
    if (!ext.empty() && ext[0] == '.') ext.erase(0, 1);
    for (const TRichConversionFormat& f : RichConversionFormats())
        if (f.Extension == ext) return &f;
    return nullptr;
}

}  // namespace

TRichEditStrings::TRichEditStrings(TVmCustomRichEdit* AOwner) : FRichEdit(AOwner) {}
TRichEditStrings::~TRichEditStrings() = default;

int TRichEditStrings::Count() const {
    Integer n = FRichEdit->GetLineCount();
    if (n > 0 && FRichEdit->LineLength(FRichEdit->LineIndex(n - 1)) == 0) --n;
    return n;
}

AnsiString TRichEditStrings::Strings(int Index) const {
    // The whole line, however long.
    AnsiString s = FRichEdit->GetLine(Index);
    if (s.size() >= 2 && s.compare(s.size() - 2, 2, "\r\n") == 0) s.resize(s.size() - 2);
    else if (!s.empty() && s.back() == '\r') s.pop_back();
    return s;
}

void TRichEditStrings::ReplaceLineRange(Integer Start, Integer End, const AnsiString& S) const {
    FRichEdit->ExSetSel({Start, End});
    FRichEdit->FLinesUpdating = true;
    auto done = ScopeExit([this] { FRichEdit->FLinesUpdating = false; });
    FRichEdit->SetSelText(S);
}

void TRichEditStrings::SetStrings(int Index, const AnsiString& S) {
    if (Index < 0) return;
    const Integer start = FRichEdit->LineIndex(Index);
    if (start < 0) return;
    ReplaceLineRange(start, start + FRichEdit->LineLength(start), S);
}

void TRichEditStrings::Insert(int Index, const AnsiString& S) {
    if (Index < 0) return;
    Integer p = FRichEdit->LineIndex(Index);
    AnsiString text;
    if (p >= 0) {
        text = S + "\r";
    } else {
        p = FRichEdit->LineIndex(Index - 1);
        if (p < 0) return;
        const Integer length = FRichEdit->LineLength(p);
        if (length == 0) return;
        p += length;
        text = "\r" + S;
    }
    ReplaceLineRange(p, p, text);
}

void TRichEditStrings::Delete(int Index) {
    if (Index < 0) return;
    const Integer start = FRichEdit->LineIndex(Index);
    if (start < 0) return;
    const Integer next = FRichEdit->LineIndex(Index + 1);
    ReplaceLineRange(start, next >= 0 ? next : start + FRichEdit->LineLength(start), "");
}

void TRichEditStrings::Clear() { FRichEdit->Clear(); }

void TRichEditStrings::AddStrings(const TStrings* Strings) {
    const TNotifyEvent saved = FRichEdit->OnSelectionChange;
    FRichEdit->OnSelectionChange = nullptr;
    auto restore = ScopeExit([&] { FRichEdit->OnSelectionChange = saved; });
    TStrings::AddStrings(Strings);
}

void TRichEditStrings::SetText(const AnsiString& Text) {
    SetChangeNotification(false);
    auto restore = ScopeExit([this] { SetChangeNotification(true); });
    TStrings::SetText(Text);
}

void TRichEditStrings::SetChangeNotification(bool On) const {
    const Cardinal mask = FRichEdit->GetEventMask();
    FRichEdit->SetEventMask(On ? mask | ENM_CHANGE : mask & ~ENM_CHANGE);
}

void TRichEditStrings::SetUpdateState(bool Updating) {
    if (FRichEdit->Showing()) FRichEdit->SetRedraw(!Updating);
    if (Updating) return;
    FRichEdit->Refresh();
    FRichEdit->Change();
}

Integer TRichEditStrings::Stream(TStream* S, bool Load, TRichStreamFormat Format, TRichStreamModes Mode,
                                 TConversion* Converter) const {
    const bool rich = Format == sfRichText || (Format == sfDefault && !FRichEdit->PlainText());
    Cardinal flags = rich ? SF_RTF : SF_TEXT;
    if (rich && Mode.Contains(smPlainRtf)) flags |= SFF_PLAINRTF;
    if (!rich && Mode.Contains(smUnicode)) flags |= SF_UNICODE;
    if (Mode.Contains(smSelection)) flags |= SFF_SELECTION;
    if (!Load) {
        if (rich && Mode.Contains(smNoObjects)) flags = (flags & ~Cardinal(0x0F)) | SF_RTFNOOBJS;
        TRichStream out;
        out.Callback = [&](Byte* buffer, Integer size, Integer& done) -> Cardinal {
            try {
                done = Converter->ConvertWriteStream(S, reinterpret_cast<const char*>(buffer), size);
                return 0;
            } catch (const Exception&) {
                return 2;
            }
        };
        const Integer n = FRichEdit->StreamOut(flags, out);
        if (out.Error != 0) throw EOutOfResources("Failed to Save Stream");
        return n;
    }
    const Int64 position = S->Position();
    TRichStream in;
    TLoadFeed feed(Converter, S, !rich && !(flags & SF_UNICODE));
    in.Callback = std::ref(feed);
    Integer n = FRichEdit->StreamIn(flags, in);
    if (in.Error != 0) {
        // Data the control refuses in one format is tried once in the other.
        S->SetPosition(position);
        TLoadFeed retry(Converter, S, rich);
        in.Callback = std::ref(retry);
        n = FRichEdit->StreamIn(rich ? SF_TEXT : SF_RTF, in);
        if (in.Error != 0) throw EOutOfResources("Failed to Load Stream");
    }
    FRichEdit->SelectRange(0, 0, true);
    return n;
}

void TRichEditStrings::LoadFromStream(TStream* S) {
    std::unique_ptr<TConversion> temporary;
    if (!FConverter) temporary = FRichEdit->FDefaultConverter();
    Stream(S, true, FFormat, FMode, FConverter ? FConverter.get() : temporary.get());
}

void TRichEditStrings::SaveToStream(TStream* S) const {
    std::unique_ptr<TConversion> temporary;
    if (!FConverter) temporary = FRichEdit->FDefaultConverter();
    Stream(S, false, FFormat, FMode, FConverter ? FConverter.get() : temporary.get());
}

void TRichEditStrings::StreamWhole(TStream* S, bool Load, bool Plain) const {
    std::unique_ptr<TConversion> temporary;
    if (!FConverter) temporary = FRichEdit->FDefaultConverter();
    Stream(S, Load, Plain ? sfPlainText : sfRichText, TRichStreamModes{}, FConverter ? FConverter.get() : temporary.get());
}

void TRichEditStrings::LoadFromFile(const AnsiString& FileName) {
    const TRichConversionFormat* format = FindConversionFormat(FileName);
    const TRichStreamFormat saved = FFormat;
    auto restore = ScopeExit([&] { FFormat = saved; });
    auto dropConverter = ScopeFail([this] { FConverter.reset(); });
    if (!FConverter && format) FConverter = format->ConversionClass();
    if (format) FFormat = format->PlainText ? sfPlainText : sfRichText;
    TFileStream file(FileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(&file);
}

void TRichEditStrings::SaveToFile(const AnsiString& FileName) const {
    const TRichConversionFormat* format = FindConversionFormat(FileName);
    auto* self = const_cast<TRichEditStrings*>(this);
    const TRichStreamFormat saved = FFormat;
    auto restore = ScopeExit([&] { self->FFormat = saved; });
    auto dropConverter = ScopeFail([this] { FConverter.reset(); });
    if (!FConverter && format) FConverter = format->ConversionClass();
    if (format) self->FFormat = format->PlainText ? sfPlainText : sfRichText;
    TMemoryStream content;
    SaveToStream(&content);
    WriteFileAtomic(FileName, AnsiString(static_cast<const char*>(content.Memory()), static_cast<std::size_t>(content.Size())));
}
