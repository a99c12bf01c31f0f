#include "platform/ui/TextCtrls.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextOption>
#include <QValidator>

#include <algorithm>

#include "platform/classes/ClassRegistry.h"
#include "platform/rtl/SysUtils.h"
#include "platform/ui/ControlKit.h"

using namespace ui_detail;

namespace {

QPlainTextEdit* Editor(const TMemo* m) { return QtWidget<QPlainTextEdit>(m); }

// The editor keeps "\n"; the memo's text has CR LF.
AnsiString ToCrLf(const AnsiString& s) {
    AnsiString out;
    out.reserve(s.size() + s.size() / 16);
    for (char c : s) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

AnsiString ToLf(const AnsiString& s) {
    AnsiString out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\r') {
            out += '\n';
            if (i + 1 < s.size() && s[i + 1] == '\n') ++i;
        } else {
            out += s[i];
        }
    }
    return out;
}

// Editor position (one character per line break) <-> memo position (two).
Integer ToMemoPos(const QString& text, int pos) {
    pos = std::clamp<int>(pos, 0, static_cast<int>(text.size()));
    return pos + static_cast<Integer>(text.left(pos).count(QChar('\n')));
}

int ToEditorPos(const QString& text, Integer pos) {
    int q = 0;
    Integer m = 0;
    while (q < text.size() && m < pos) {
        m += text[q] == QChar('\n') ? 2 : 1;
        ++q;
    }
    return q;
}

}  // namespace

struct TMemoAccess {
    static void Put(TMemo* m, const AnsiString& text) { m->SetText(text); }
};

namespace {

// The memo's lines, read from and written to the editor every time, as the
// class library's memo lines are the window's own.
class TMemoStrings : public TStrings {
public:
    explicit TMemoStrings(TMemo* owner) : FOwner(owner) {}

    int Count() const override {
        TStringList l;
        Load(l);
        return l.Count();
    }
    AnsiString Strings(int index) const override {
        TStringList l;
        Load(l);
        return l.Strings(index);
    }
    void SetStrings(int index, const AnsiString& s) override {
        TStringList l;
        Load(l);
        l.SetStrings(index, s);
        Store(l);
    }
    void Insert(int index, const AnsiString& s) override {
        TStringList l;
        Load(l);
        l.Insert(index, s);
        Store(l);
    }
    void Delete(int index) override {
        TStringList l;
        Load(l);
        l.Delete(index);
        Store(l);
    }
    void Clear() override { TMemoAccess::Put(FOwner, ""); }
    void SetText(const AnsiString& text) override { TMemoAccess::Put(FOwner, text); }

private:
    void Load(TStringList& l) const { l.SetText(FOwner->Text()); }
    void Store(const TStringList& l) { TMemoAccess::Put(FOwner, l.Text()); }

    TMemo* FOwner;
};

}  // namespace

// ---------------------------------------------------------------------------
// TMemo

TMemo::TMemo(TComponent* AOwner) : TWinControl(AOwner), FLines(std::make_unique<TMemoStrings>(this)) {
    auto* editor = new QPlainTextEdit();
    editor->setTabChangesFocus(true);
    AttachWidget(this, editor);
    QObject::connect(editor, &QPlainTextEdit::textChanged, editor, [this] {
        SafeCall(this, [this] {
            if (FMaxLength > 0 && !FInMaxLength && static_cast<Integer>(Text().size()) > FMaxLength) {
                // Typing past the limit: the text is cut back to it.
                FInMaxLength = true;
                const Integer keep = SelStart();
                PutText(ToLf(Text().substr(0, static_cast<std::size_t>(FMaxLength))));
                SetSelStart(std::min(keep, FMaxLength));
                FInMaxLength = false;
                return;
            }
            if (!FInMaxLength) Change();
        });
    });
    RouteChildInput(this, editor->viewport(), false, true);
    SetTabStop(true);
    SetColor(clWindow);
    SetBounds(0, 0, 185, 89);
    ApplyWrap();
}

TMemo::~TMemo() = default;

AnsiString TMemo::Text() const {
    QPlainTextEdit* e = Editor(this);
    return e ? ToCrLf(FromQ(e->toPlainText())) : AnsiString();
}

void TMemo::PutText(const AnsiString& Value) {
    QPlainTextEdit* e = Editor(this);
    if (!e) return;
    const QSignalBlocker block(e);
    e->setPlainText(ToQ(Value));
}

void TMemo::SetText(const AnsiString& Value) {
    AnsiString text = ToLf(Value);
    if (FMaxLength > 0 && static_cast<Integer>(ToCrLf(text).size()) > FMaxLength)
        text = ToLf(ToCrLf(text).substr(0, static_cast<std::size_t>(FMaxLength)));
    if (ToCrLf(text) == Text()) return;
    PutText(text);
    Change();
}

void TMemo::SetLines(TStrings* Value) {
    if (Value) FLines->Assign(Value);
}

void TMemo::ApplyWrap() {
    QPlainTextEdit* e = Editor(this);
    if (!e) return;
    // A memo that wraps never scrolls sideways, as in the class library.
    const bool wrap = FWordWrap && FScrollBars != ssHorizontal && FScrollBars != ssBoth;
    e->setLineWrapMode(wrap ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
    const bool horz = FScrollBars == ssHorizontal || FScrollBars == ssBoth;
    const bool vert = FScrollBars == ssVertical || FScrollBars == ssBoth;
    e->setHorizontalScrollBarPolicy(horz ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    e->setVerticalScrollBarPolicy(vert ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
}

void TMemo::SetWordWrap(bool Value) {
    if (FWordWrap == Value) return;
    FWordWrap = Value;
    ApplyWrap();
}

void TMemo::SetScrollBars(TScrollStyle Value) {
    if (FScrollBars == Value) return;
    FScrollBars = Value;
    ApplyWrap();
}

void TMemo::SetReadOnly(bool Value) {
    if (FReadOnly == Value) return;
    FReadOnly = Value;
    if (QPlainTextEdit* e = Editor(this)) e->setReadOnly(Value);
}

void TMemo::SetMaxLength(Integer Value) {
    if (Value < 0) Value = 0;
    if (FMaxLength == Value) return;
    FMaxLength = Value;
    if (Value > 0 && static_cast<Integer>(Text().size()) > Value) SetText(Text());
}

void TMemo::SetAlignment(TAlignment Value) {
    if (FAlignment == Value) return;
    FAlignment = Value;
    if (QPlainTextEdit* e = Editor(this)) {
        QTextOption option = e->document()->defaultTextOption();
        option.setAlignment(Value == taCenter         ? Qt::AlignHCenter
                            : Value == taRightJustify ? Qt::AlignRight
                                                      : Qt::AlignLeft);
        e->document()->setDefaultTextOption(option);
    }
}

void TMemo::SetWantTabs(bool Value) {
    if (FWantTabs == Value) return;
    FWantTabs = Value;
    if (QPlainTextEdit* e = Editor(this)) e->setTabChangesFocus(!Value);
}

bool TMemo::WantsKey(Word Key) const {
    if (Key == VK_RETURN) return FWantReturns;
    return false;
}

bool TMemo::Modified() const {
    QPlainTextEdit* e = Editor(this);
    return e && e->document()->isModified();
}

void TMemo::SetModified(bool Value) {
    if (QPlainTextEdit* e = Editor(this)) e->document()->setModified(Value);
}

Integer TMemo::SelStart() const {
    QPlainTextEdit* e = Editor(this);
    if (!e) return 0;
    return ToMemoPos(e->toPlainText(), e->textCursor().selectionStart());
}

void TMemo::SetSelStart(Integer Value) {
    QPlainTextEdit* e = Editor(this);
    if (!e) return;
    QTextCursor c = e->textCursor();
    c.setPosition(ToEditorPos(e->toPlainText(), std::max<Integer>(Value, 0)));
    e->setTextCursor(c);
}

Integer TMemo::SelLength() const {
    QPlainTextEdit* e = Editor(this);
    if (!e) return 0;
    const QTextCursor c = e->textCursor();
    const QString text = e->toPlainText();
    return ToMemoPos(text, c.selectionEnd()) - ToMemoPos(text, c.selectionStart());
}

void TMemo::SetSelLength(Integer Value) {
    QPlainTextEdit* e = Editor(this);
    if (!e) return;
    const QString text = e->toPlainText();
    QTextCursor c = e->textCursor();
    const int start = c.selectionStart();
    const int end = ToEditorPos(text, ToMemoPos(text, start) + std::max<Integer>(Value, 0));
    c.setPosition(start);
    c.setPosition(end, QTextCursor::KeepAnchor);
    e->setTextCursor(c);
}

AnsiString TMemo::SelText() const {
    QPlainTextEdit* e = Editor(this);
    if (!e) return {};
    QString s = e->textCursor().selectedText();
    s.replace(QChar::ParagraphSeparator, QChar('\n'));
    return ToCrLf(FromQ(s));
}

void TMemo::SetSelText(const AnsiString& Value) {
    QPlainTextEdit* e = Editor(this);
    if (!e) return;
    const AnsiString before = Text();
    {
        const QSignalBlocker block(e);
        e->textCursor().insertText(ToQ(ToLf(Value)));
    }
    if (FMaxLength > 0 && static_cast<Integer>(Text().size()) > FMaxLength)
        PutText(ToLf(Text().substr(0, static_cast<std::size_t>(FMaxLength))));
    if (Text() != before) Change();
}

void TMemo::SelectAll() {
    if (QPlainTextEdit* e = Editor(this)) e->selectAll();
}

void TMemo::CopyToClipboard() {
    if (QPlainTextEdit* e = Editor(this)) e->copy();
}

void TMemo::CutToClipboard() {
    if (QPlainTextEdit* e = Editor(this); e && !FReadOnly) {
        e->copy();
        SetSelText("");
    }
}

void TMemo::PasteFromClipboard() {
    if (QPlainTextEdit* e = Editor(this); e && !FReadOnly) SetSelText(FromQ(QGuiApplication::clipboard()->text()));
}

void TMemo::Change() { FireEvent(OnChange, this); }

// ---------------------------------------------------------------------------
// TMaskEdit

AnsiString ConvertEditMask(const AnsiString& Mask, bool& SaveLiterals, char& Blank) {
    SaveLiterals = true;
    Blank = '_';
    // The last two ";"-separated fields (when present) are the flags.
    AnsiString body = Mask;
    std::vector<AnsiString> fields;
    {
        std::size_t start = 0;
        for (std::size_t i = 0; i < body.size(); ++i) {
            if (body[i] == '\\') {
                ++i;
                continue;
            }
            if (body[i] == ';') {
                fields.push_back(body.substr(start, i - start));
                start = i + 1;
            }
        }
        fields.push_back(body.substr(start));
    }
    body = fields[0];
    if (fields.size() >= 2 && !fields[1].empty()) SaveLiterals = fields[1][0] != '0';
    if (fields.size() >= 3 && !fields[2].empty()) Blank = fields[2][0];
    static const AnsiString qtSpecial = "AaNnXx90Dd#HhBb><!\\[]{}";
    AnsiString out;
    auto literal = [&out](char c) {
        if (qtSpecial.find(c) != AnsiString::npos) out += '\\';
        out += c;
    };
    for (std::size_t i = 0; i < body.size(); ++i) {
        const char c = body[i];
        switch (c) {
        case '0': out += '9'; break;
        case '9': out += '0'; break;
        case '#': out += '#'; break;
        case 'L': out += 'A'; break;
        case 'l': out += 'a'; break;
        case 'A': out += 'N'; break;
        case 'a': out += 'n'; break;
        case 'C': out += 'X'; break;
        case 'c': out += 'x'; break;
        case '!': break;  // trailing-blank handling has no Qt counterpart
        case '>':
            if (i + 1 < body.size() && body[i + 1] == '<') {
                out += '!';
                ++i;
            } else {
                out += '>';
            }
            break;
        case '<':
            if (i + 1 < body.size() && body[i + 1] == '>') {
                out += '!';
                ++i;
            } else {
                out += '<';
            }
            break;
        case '\\':
            if (i + 1 < body.size()) literal(body[++i]);
            break;
        case '_': literal(' '); break;
        default: literal(c); break;
        }
    }
    out += ';';
    out += Blank;
    return out;
}

namespace {

// Changes the letter case of what is typed before the edit takes it, so
// OnChange sees the converted text only.
class TCaseValidator : public QValidator {
public:
    TCaseValidator(QObject* parent, bool upper) : QValidator(parent), FUpper(upper) {}
    State validate(QString& input, int&) const override {
        input = FUpper ? input.toUpper() : input.toLower();
        return Acceptable;
    }

private:
    bool FUpper;
};

}  // namespace

TMaskEdit::TMaskEdit(TComponent* AOwner) : TEdit(AOwner) {}

TMaskEdit::~TMaskEdit() = default;

void TMaskEdit::SetEditMask(const AnsiString& Value) {
    if (FEditMask == Value) return;
    FEditMask = Value;
    auto* e = QtWidget<QLineEdit>(this);
    if (!e) return;
    const AnsiString before = Text();
    char blank = '_';
    const AnsiString qtMask = Value.empty() ? AnsiString() : ConvertEditMask(Value, FSaveLiterals, blank);
    {
        const QSignalBlocker block(e);
        e->setInputMask(ToQ(qtMask));
    }
    if (Text() != before) Change();
}

AnsiString TMaskEdit::EditText() const {
    auto* e = QtWidget<QLineEdit>(this);
    return e ? FromQ(e->displayText()) : AnsiString();
}

AnsiString TMaskEdit::Text() const {
    auto* e = QtWidget<QLineEdit>(this);
    if (!e) return {};
    if (!IsMasked() || FSaveLiterals) return FromQ(e->text());
    // Literals left out: keep only what the user typed.
    bool save = true;
    char blank = '_';
    const AnsiString mask = ConvertEditMask(FEditMask, save, blank);
    const AnsiString shown = FromQ(e->text());
    AnsiString out;
    std::size_t pos = 0;
    for (std::size_t i = 0; i + 2 <= mask.size() && mask[i] != ';' && pos < shown.size(); ++i) {
        const char m = mask[i];
        if (m == '>' || m == '<' || m == '!') continue;
        if (m == '\\') {
            ++i;
            ++pos;
            continue;
        }
        static const AnsiString input = "AaNnXx90Dd#HhBb";
        if (input.find(m) == AnsiString::npos) {
            ++pos;  // a literal
            continue;
        }
        out += shown[pos++];
    }
    return TrimRight(out);
}

void TMaskEdit::SetCharCase(TEditCharCase Value) {
    if (FCharCase == Value) return;
    FCharCase = Value;
    if (auto* e = QtWidget<QLineEdit>(this)) {
        const QValidator* old = e->validator();
        e->setValidator(Value == ecNormal ? nullptr : new TCaseValidator(e, Value == ecUpperCase));
        delete old;
    }
    if (Value == ecNormal) return;
    const AnsiString text = TEdit::Text();
    SetText(Value == ecUpperCase ? AnsiUpperCase(text) : AnsiLowerCase(text));
}

// ---------------------------------------------------------------------------
// Published properties

const TEnumType& EnumTypeInfo(TScrollStyle) {
    static const TEnumType t{"TScrollStyle", {"ssNone", "ssHorizontal", "ssVertical", "ssBoth"}};
    return t;
}

VEMLOR_PUBLISHED(TMemo, TWinControl) {
    Prop("Alignment", &TMemo::Alignment, &TMemo::SetAlignment);
    Prop("Lines", &TMemo::Lines, &TMemo::SetLines);
    Prop("MaxLength", &TMemo::MaxLength, &TMemo::SetMaxLength);
    Prop("ReadOnly", &TMemo::ReadOnly, &TMemo::SetReadOnly);
    Prop("ScrollBars", &TMemo::ScrollBars, &TMemo::SetScrollBars);
    Prop("WantReturns", &TMemo::WantReturns, &TMemo::SetWantReturns);
    Prop("WantTabs", &TMemo::WantTabs, &TMemo::SetWantTabs);
    Prop("WordWrap", &TMemo::WordWrap, &TMemo::SetWordWrap);
    EventProp("OnChange", &TMemo::OnChange);
}
VEMLOR_REGISTER_CLASS(TMemo);

VEMLOR_PUBLISHED(TMaskEdit, TEdit) {
    Prop("EditMask", &TMaskEdit::EditMask, &TMaskEdit::SetEditMask);
    EnumProp("CharCase", &TMaskEdit::CharCase, &TMaskEdit::SetCharCase, {"ecNormal", "ecUpperCase", "ecLowerCase"},
             "TEditCharCase");
    Prop("Text", &TMaskEdit::Text, &TMaskEdit::SetText);
}
VEMLOR_REGISTER_CLASS(TMaskEdit);
