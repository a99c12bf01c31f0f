#include "media/ResourceMessages.h"

#include <algorithm>
#include <cstdio>

#include "platform/rtl/ByteFields.h"
#include "platform/rtl/SysUtils.h"

using byte_fields::U16;
using byte_fields::U32;
using byte_fields::Put16;
using byte_fields::Put32;

namespace {

constexpr int StringsPerBlock = 16;

AnsiString Num(Int64 Value) { return std::to_string(Value); }

std::u16string WideAt(const Byte* p, std::size_t Count) {
    std::u16string s(Count, u'\0');
    for (std::size_t i = 0; i < Count; ++i) s[i] = char16_t(U16(p + 2 * i));
    return s;
}

}  // namespace

std::vector<AnsiString> TextFileLines(const std::vector<Byte>& Bytes) {
    std::vector<AnsiString> lines;
    AnsiString line;
    for (std::size_t i = 0; i < Bytes.size(); ++i) {
        const char c = char(Bytes[i]);
        if (c == '\n') {
            lines.push_back(line);
            line.clear();
        } else if (c == '\r' && i + 1 < Bytes.size() && Bytes[i + 1] == '\n') {
            continue;
        } else {
            line += c;
        }
    }
    if (!line.empty()) lines.push_back(line);
    return lines;
}

void TTextResource::DoExport(TStream* Stream) {
    AnsiString text;
    for (const TResourceLine& line : GetLines()) text += line.Text + "\r\n";
    if (!text.empty()) Stream->WriteBuffer(text.data(), LongInt(text.size()));
}

// ---------------------------------------------------------------------------
// TStringsResource

TStringsResource::TStringsResource(TResourceModule* AModule, const TResourceId& AType, const std::vector<Byte>& AData,
                                   const TResourceId& AName)
    : TTextResource(AModule, AType, AData, AName) {
    if (!AName.IsNumber) throw EResourceError("String resources must have numeric IDs");
}

const TResourceClass& TStringsResource::StaticClass() {
    static const TResourceClass c = MakeResourceClass<TStringsResource>("TStringsResource", 6, true);
    return c;
}

AnsiString TStringsResource::DisplayName() const { return Num((Int64(Name().Number) - 1) * StringsPerBlock); }

TResourceId TStringsResource::NameFromText(const AnsiString& Text) const {
    const TResourceId id = TTextResource::NameFromText(Text);
    // The text names the block's first string; the name is the block number.
    return TResourceId::Of(Word(id.Number / StringsPerBlock + 1));
}

void TStringsResource::InitNew() { SetDataQuietly(std::vector<Byte>(2 * StringsPerBlock, 0)); }

std::vector<AnsiString> TStringsResource::Strings() const {
    const std::vector<Byte>& d = Data();
    std::vector<AnsiString> strings(StringsPerBlock);
    std::size_t pos = 0;
    for (int i = 0; i < StringsPerBlock && pos < d.size(); ++i) {
        if (d.size() - pos < 2)
            throw EResourceError("String table " + DisplayName() + ": the length of string " + Num(i) +
                                 " runs past the end of the " + Num(Int64(d.size())) + "-byte data");
        const std::size_t n = U16(d.data() + pos);
        pos += 2;
        if (2 * n > d.size() - pos)
            throw EResourceError("String table " + DisplayName() + ": string " + Num(i) + " of " + Num(Int64(n)) +
                                 " characters runs past the end of the " + Num(Int64(d.size())) + "-byte data");
        strings[std::size_t(i)] = WideToAnsiText(WideAt(d.data() + pos, n));
        pos += 2 * n;
    }
    return strings;
}

void TStringsResource::SetStrings(const std::vector<AnsiString>& Strings, const AnsiString& Description) {
    std::vector<Byte> data;
    for (int i = 0; i < StringsPerBlock; ++i) {
        const std::u16string s = i < int(Strings.size()) ? AnsiToWideText(Strings[std::size_t(i)]) : std::u16string();
        const std::size_t n = std::min<std::size_t>(s.size(), 0xFFFF);
        Put16(data, Cardinal(n));
        for (std::size_t k = 0; k < n; ++k) Put16(data, s[k]);
    }
    ChangeData(Description, std::move(data));
}

std::vector<TResourceLine> TStringsResource::GetLines() const {
    std::vector<TResourceLine> lines;
    const std::vector<AnsiString> strings = Strings();
    const Integer first = (Integer(Name().Number) - 1) * StringsPerBlock;
    for (int i = 0; i < StringsPerBlock; ++i)
        if (!strings[std::size_t(i)].empty()) lines.push_back(TResourceLine{first + i, strings[std::size_t(i)]});
    return lines;
}

void TStringsResource::SetLines(const std::vector<TResourceLine>& Lines) {
    std::vector<AnsiString> strings(StringsPerBlock);
    const Integer first = (Integer(Name().Number) - 1) * StringsPerBlock;
    for (const TResourceLine& line : Lines)
        if (line.Id >= first && line.Id < first + StringsPerBlock) strings[std::size_t(line.Id - first)] = line.Text;
    SetStrings(strings, "change strings");
}

AnsiString TStringsResource::DoExportSnippet() {
    AnsiString text = "STRINGTABLE";
    if (Language() != 0) {
        char language[32];
        std::snprintf(language, sizeof language, " LANGUAGE %x,%x", PrimaryLanguage(Language()), SubLanguage(Language()));
        text += language;
    }
    text += "\r\n{\r\n";
    for (const TResourceLine& line : GetLines()) text += "    " + Num(line.Id) + "\t\"" + line.Text + "\"\r\n";
    return text + "}\r\n";
}

void TStringsResource::DoImport(const AnsiString&, const std::vector<Byte>& Bytes) {
    const std::vector<AnsiString> lines = TextFileLines(Bytes);
    const auto block = [&](std::size_t k) {
        const auto from = lines.begin() + std::ptrdiff_t(k * StringsPerBlock);
        const auto to = lines.begin() + std::ptrdiff_t(std::min(lines.size(), (k + 1) * StringsPerBlock));
        return std::vector<AnsiString>(from, to);
    };
    SetStrings(block(0), "import");
    for (std::size_t k = 1; k * StringsPerBlock < lines.size(); ++k) {
        const Word number = Module()->GetUniqueResourceName(StaticClass());
        TWriteableResource* created = StaticClass().CreateNew(Module(), Language(), TResourceId::Of(Word(number + 1)));
        static_cast<TStringsResource*>(created)->SetStrings(block(k), "import");
    }
}

// ---------------------------------------------------------------------------
// TMessagesResource

const TResourceClass& TMessagesResource::StaticClass() {
    static const TResourceClass c = MakeResourceClass<TMessagesResource>("TMessagesResource", 11, false);
    return c;
}

void TMessagesResource::InitNew() { SetDataQuietly(std::vector<Byte>(4, 0)); }

int TMessagesResource::BlockCount() const {
    const std::vector<Byte>& d = Data();
    if (d.size() < 4) return 0;
    const Int64 count = U32(d.data());
    if (4 + 12 * count > Int64(d.size()))
        throw EResourceError("Message table: " + Num(count) + " blocks do not fit the " + Num(Int64(d.size())) +
                             "-byte data");
    return int(count);
}

TMessageBlock TMessagesResource::Block(int Index) const {
    if (Index < 0 || Index >= BlockCount()) throw EResourceError("Invalid block no");
    const Byte* p = Data().data() + 4 + 12 * Index;
    return TMessageBlock{U32(p), U32(p + 4), U32(p + 8)};
}

std::vector<TResourceLine> TMessagesResource::GetLines() const {
    const std::vector<Byte>& d = Data();
    std::vector<TResourceLine> lines;
    for (int b = 0; b < BlockCount(); ++b) {
        const TMessageBlock block = Block(b);
        Int64 pos = block.Offset;
        for (Int64 id = block.LowId; id <= Int64(block.HighId); ++id) {
            if (pos + 4 > Int64(d.size()))
                throw EResourceError("Message table: message " + Num(id) + " starts at byte " + Num(pos) +
                                     ", beyond the " + Num(Int64(d.size())) + "-byte data");
            const Int64 length = U16(d.data() + pos), flags = U16(d.data() + pos + 2);
            if (length < 4 || pos + length > Int64(d.size()))
                throw EResourceError("Message table: message " + Num(id) + " of " + Num(length) +
                                     " bytes does not fit the data");
            const Byte* text = d.data() + pos + 4;
            const std::size_t bytes = std::size_t(length - 4);
            AnsiString s;
            if (flags & 1) {
                std::u16string wide = WideAt(text, bytes / 2);
                s = WideToAnsiText(wide.substr(0, wide.find(u'\0')));
            } else {
                s.assign(reinterpret_cast<const char*>(text), bytes);
                s = s.substr(0, s.find('\0'));
            }
            lines.push_back(TResourceLine{Integer(id), s});
            pos += length;
        }
    }
    return lines;
}

void TMessagesResource::SetLines(const std::vector<TResourceLine>& Lines) {
    std::vector<TResourceLine> sorted = Lines;
    std::stable_sort(sorted.begin(), sorted.end(), [](const TResourceLine& a, const TResourceLine& b) { return a.Id < b.Id; });
    std::vector<std::pair<std::size_t, std::size_t>> runs;  // [first, last] indices into sorted
    for (std::size_t i = 0; i < sorted.size(); ++i) {
        if (!runs.empty() && Int64(sorted[i].Id) == Int64(sorted[runs.back().second].Id) + 1) runs.back().second = i;
        else runs.emplace_back(i, i);
    }
    std::vector<Byte> entries;
    std::vector<Byte> data;
    Put32(data, Cardinal(runs.size()));
    const Cardinal start = Cardinal(4 + 12 * runs.size());
    for (const auto& [first, last] : runs) {
        Put32(data, Cardinal(sorted[first].Id));
        Put32(data, Cardinal(sorted[last].Id));
        Put32(data, Cardinal(start + entries.size()));
        for (std::size_t i = first; i <= last; ++i) {
            const AnsiString& text = sorted[i].Text;
            const std::size_t length = std::min<std::size_t>((4 + text.size() + 1 + 3) / 4 * 4, 0xFFFC);
            Put16(entries, Cardinal(length));
            Put16(entries, 0);
            std::vector<Byte> body(length - 4, 0);
            std::copy_n(text.begin(), std::min(text.size(), length - 5), body.begin());
            entries.insert(entries.end(), body.begin(), body.end());
        }
    }
    data.insert(data.end(), entries.begin(), entries.end());
    ChangeData("change messages", std::move(data));
}
