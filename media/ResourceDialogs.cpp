#include "media/ResourceDialogs.h"

#include "platform/rtl/ByteFields.h"

using byte_fields::Put16;
using byte_fields::Put32;

namespace {

constexpr Cardinal DS_SETFONT = 0x40;

void PutText(std::vector<Byte>& Out, const AnsiString& Text) {
    for (char16_t c : AnsiToWideText(Text)) Put16(Out, c);
    Put16(Out, 0);
}

void PutId(std::vector<Byte>& Out, const TResourceId& Id) {
    if (Id.IsNumber) {
        Put16(Out, 0xFFFF);
        Put16(Out, Id.Number);
    } else {
        PutText(Out, Id.Text);
    }
}

// Every read is checked against the data; a short template names what
// was being read.
class TTemplateReader {
public:
    explicit TTemplateReader(const std::vector<Byte>& Data) : FData(Data) {}

    Cardinal U16(const char* What) {
        Need(2, What);
        const Cardinal v = Cardinal(FData[FPos]) | (Cardinal(FData[FPos + 1]) << 8);
        FPos += 2;
        return v;
    }
    Cardinal U32(const char* What) {
        const Cardinal low = U16(What);
        return low | (U16(What) << 16);
    }
    SmallInt I16(const char* What) { return SmallInt(U16(What)); }

    AnsiString Text(const char* What) {
        std::u16string s;
        for (Cardinal c = U16(What); c != 0; c = U16(What)) s += char16_t(c);
        return WideToAnsiText(s);
    }

    TResourceId Id(const char* What) {
        Need(2, What);
        const Cardinal first = Cardinal(FData[FPos]) | (Cardinal(FData[FPos + 1]) << 8);
        if (first == 0xFFFF) {
            FPos += 2;
            return TResourceId::Of(Word(U16(What)));
        }
        return TResourceId::Of(Text(What));
    }

    std::vector<Byte> Bytes(std::size_t Count, const char* What) {
        Need(Count, What);
        std::vector<Byte> b(FData.begin() + std::ptrdiff_t(FPos), FData.begin() + std::ptrdiff_t(FPos + Count));
        FPos += Count;
        return b;
    }

    void Align() { FPos = (FPos + 3) & ~std::size_t(3); }

private:
    void Need(std::size_t Count, const char* What) {
        if (FPos > FData.size() || Count > FData.size() - FPos)
            throw EResourceError(AnsiString("Dialog template: the ") + What + " at byte " + std::to_string(FPos) +
                                 " runs past the end of the " + std::to_string(FData.size()) + "-byte data");
    }
    const std::vector<Byte>& FData;
    std::size_t FPos = 0;
};

}  // namespace

const TResourceClass& TDialogResource::StaticClass() {
    static const TResourceClass c = MakeResourceClass<TDialogResource>("TDialogResource", 5, false);
    return c;
}

void TDialogResource::InitNew() {
    TDialogTemplate t;
    t.Style = 0x50C800C4;
    t.Width = 150;
    t.Height = 100;
    t.PointSize = 8;
    t.FontName = "MS Sans Serif";
    SetDataQuietly(WriteTemplate(t));
}

TDialogTemplate TDialogResource::Template() const {
    const std::vector<Byte>& d = Data();
    if (d.size() >= 4 && d[0] == 1 && d[1] == 0 && d[2] == 0xFF && d[3] == 0xFF)
        throw EResourceError("ExDlgTemplate not supported yet");
    TTemplateReader r(d);
    TDialogTemplate t;
    t.Style = r.U32("style");
    t.ExStyle = r.U32("extended style");
    const Cardinal count = r.U16("item count");
    t.X = r.I16("position");
    t.Y = r.I16("position");
    t.Width = r.I16("size");
    t.Height = r.I16("size");
    t.Menu = r.Id("menu");
    t.ClassId = r.Id("class");
    t.Caption = r.Id("caption");
    if (t.Style & DS_SETFONT) {
        t.PointSize = Word(r.U16("point size"));
        t.FontName = r.Text("font name");
    }
    for (Cardinal i = 0; i < count; ++i) {
        r.Align();
        TDialogResourceControl c;
        c.Style = r.U32("item style");
        c.ExStyle = r.U32("item extended style");
        c.X = r.I16("item position");
        c.Y = r.I16("item position");
        c.Width = r.I16("item size");
        c.Height = r.I16("item size");
        c.Id = Word(r.U16("item id"));
        c.ClassId = r.Id("item class");
        c.Caption = r.Id("item caption");
        c.ExtraData = r.Bytes(r.U16("creation data size"), "creation data");
        t.Controls.push_back(std::move(c));
    }
    return t;
}

std::vector<Byte> TDialogResource::WriteTemplate(const TDialogTemplate& Value) {
    std::vector<Byte> out;
    Put32(out, Value.Style);
    Put32(out, Value.ExStyle);
    Put16(out, Cardinal(Value.Controls.size()));
    for (SmallInt v : {Value.X, Value.Y, Value.Width, Value.Height}) Put16(out, Word(v));
    PutId(out, Value.Menu);
    PutId(out, Value.ClassId);
    PutId(out, Value.Caption);
    if (Value.Style & DS_SETFONT) {
        Put16(out, Value.PointSize);
        PutText(out, Value.FontName);
    }
    for (const TDialogResourceControl& c : Value.Controls) {
        while (out.size() % 4) out.push_back(0);
        Put32(out, c.Style);
        Put32(out, c.ExStyle);
        for (SmallInt v : {c.X, c.Y, c.Width, c.Height}) Put16(out, Word(v));
        Put16(out, c.Id);
        PutId(out, c.ClassId);
        PutId(out, c.Caption);
        Put16(out, Cardinal(c.ExtraData.size()));
        out.insert(out.end(), c.ExtraData.begin(), c.ExtraData.end());
    }
    return out;
}

void TDialogResource::SetTemplate(const TDialogTemplate& Value) { ChangeData("change dialog", WriteTemplate(Value)); }
