#include "platform/ui/StdCtrls.h"

#include <QLineEdit>
#include <QProxyStyle>
#include <QPushButton>
#include <QWidget>

#include <climits>
#include <map>

#include "platform/classes/ClassRegistry.h"
#include "platform/ui/DrawText.h"
#include "platform/ui/Forms.h"
#include "platform/ui/UiBridge.h"

using namespace ui_detail;

// ---------------------------------------------------------------------------
// TLabel

TLabel::TLabel(TComponent* AOwner) : TGraphicControl(AOwner) {
    SetBounds(0, 0, 65, 13);
    SetParentColor(true);
}

TLabel::~TLabel() = default;

Cardinal TLabel::DrawFlags() const {
    Cardinal flags = DT_EXPANDTABS;
    if (FWordWrap) flags |= DT_WORDBREAK;
    if (!FShowAccelChar) flags |= DT_NOPREFIX;
    if (FAlignment == taCenter) flags |= DT_CENTER;
    if (FAlignment == taRightJustify) flags |= DT_RIGHT;
    return flags;
}

void TLabel::AdjustBounds() {
    if (!FAutoSize || ComponentState().Contains(csLoading)) return;
    // An empty caption still measures one line, so the label keeps its height.
    AnsiString text = Caption();
    if (text.empty() || (FShowAccelChar && text == "&")) text += ' ';
    TRect r = Rect(0, 0, Width(), 0);
    DrawText(*Font(), text, r, DrawFlags() & ~(DT_CENTER | DT_RIGHT));
    Integer x = Left();
    if (FAlignment == taRightJustify)
        x += Width() - r.Right;
    else if (FAlignment == taCenter)
        x += (Width() - r.Right) / 2;
    SetBounds(x, Top(), r.Right, r.Bottom);
}

void TLabel::Paint() {
    TCanvas* canvas = Canvas();
    canvas->Brush()->SetStyle(bsClear);
    TRect r = ClientRect();
    Cardinal flags = DrawFlags();
    if (FLayout != tlTop) {
        TRect calc = r;
        DrawText(canvas, Caption(), calc, flags | DT_CALCRECT);
        const Integer offset = FLayout == tlBottom ? r.Height() - calc.Height() : (r.Height() - calc.Height()) / 2;
        r.Top += offset;
    }
    if (!Enabled()) {
        TRect shadow = r;
        shadow.Left += 1;
        shadow.Top += 1;
        shadow.Right += 1;
        shadow.Bottom += 1;
        canvas->Font()->SetColor(clBtnHighlight);
        DrawText(canvas, Caption(), shadow, flags);
        canvas->Font()->SetColor(clBtnShadow);
    }
    DrawText(canvas, Caption(), r, flags);
}

void TLabel::TextChanged() {
    AdjustBounds();
    Invalidate();
}

void TLabel::Loaded() {
    TGraphicControl::Loaded();
    AdjustBounds();
}

void TLabel::FontChanged() {
    TGraphicControl::FontChanged();
    AdjustBounds();
}

void TLabel::SetAutoSize(bool Value) {
    if (FAutoSize == Value) return;
    FAutoSize = Value;
    AdjustBounds();
}

void TLabel::SetWordWrap(bool Value) {
    if (FWordWrap == Value) return;
    FWordWrap = Value;
    AdjustBounds();
    Invalidate();
}

void TLabel::SetAlignment(TAlignment Value) {
    if (FAlignment == Value) return;
    FAlignment = Value;
    Invalidate();
}

void TLabel::SetLayout(TTextLayoutKind Value) {
    if (FLayout == Value) return;
    FLayout = Value;
    Invalidate();
}

void TLabel::SetTransparent(bool Value) {
    if (FTransparent == Value) return;
    FTransparent = Value;
    Invalidate();
}

void TLabel::SetShowAccelChar(bool Value) {
    if (FShowAccelChar == Value) return;
    FShowAccelChar = Value;
    AdjustBounds();
    Invalidate();
}

void TLabel::SetFocusControl(TWinControl* Value) {
    if (FFocusControl == Value) return;
    if (FFocusControl) FFocusControl->RemoveFreeNotification(this);
    FFocusControl = Value;
    if (Value) Value->FreeNotification(this);
}

void TLabel::Notification(TComponent* AComponent, TOperation Operation) {
    TGraphicControl::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FFocusControl) FFocusControl = nullptr;
}

// ---------------------------------------------------------------------------
// TButton

TButton::TButton(TComponent* AOwner) : TWinControl(AOwner) {
    auto* button = new QPushButton();
    button->setAutoDefault(false);
    AttachWidget(this, button);
    QObject::connect(button, &QPushButton::clicked, button, [this] { SafeCall(this, [this] { Click(); }); });
    SetTabStop(true);
    SetColor(clBtnFace);
    SetBounds(0, 0, 75, 25);
}

TButton::~TButton() = default;

void TButton::SetDefault(bool Value) {
    if (FDefault == Value) return;
    FDefault = Value;
    if (auto* b = static_cast<QPushButton*>(WidgetOf(this))) b->setDefault(Value);
}

void TButton::Click() {
    if (TForm* form = GetParentForm(this)) form->SetModalResult(FModalResult);
    TWinControl::Click();
}

void TButton::TextChanged() {
    if (auto* b = static_cast<QPushButton*>(WidgetOf(this))) b->setText(ToQMnemonic(Caption()));
}

// ---------------------------------------------------------------------------
// TEdit

namespace {
QLineEdit* LineEdit(const TEdit* e) { return static_cast<QLineEdit*>(WidgetOf(e)); }
}  // namespace

TEdit::TEdit(TComponent* AOwner) : TWinControl(AOwner) {
    auto* edit = new QLineEdit();
    edit->setMaxLength(INT_MAX);
    AttachWidget(this, edit);
    QObject::connect(edit, &QLineEdit::textChanged, edit, [this] { SafeCall(this, [this] { Change(); }); });
    SetTabStop(true);
    SetColor(clWindow);
    SetBounds(0, 0, 121, 21);
}

TEdit::~TEdit() = default;

AnsiString TEdit::Text() const {
    QLineEdit* e = LineEdit(this);
    return e ? FromQ(e->text()) : AnsiString();
}

void TEdit::SetText(const AnsiString& Value) {
    QLineEdit* e = LineEdit(this);
    if (!e) return;
    const AnsiString before = Text();
    if (before == Value) return;
    // Signals from setText reach OnChange through Change(); a handler that
    // throws must reach the caller, as a change made in code would.
    e->blockSignals(true);
    e->setText(ToQ(Value));
    e->blockSignals(false);
    // Compared with what the edit holds, not with Value: a text cut to
    // MaxLength set again is no change.
    if (Text() != before) Change();
}

void TEdit::SetMaxLength(Integer Value) {
    if (Value < 0) Value = 0;
    if (FMaxLength == Value) return;
    FMaxLength = Value;
    if (QLineEdit* e = LineEdit(this)) {
        const AnsiString before = Text();
        e->blockSignals(true);
        e->setMaxLength(Value == 0 ? INT_MAX : Value);
        e->blockSignals(false);
        if (Text() != before) Change();
    }
}

void TEdit::SetReadOnly(bool Value) {
    if (FReadOnly == Value) return;
    FReadOnly = Value;
    if (QLineEdit* e = LineEdit(this)) e->setReadOnly(Value);
}

void TEdit::SetPasswordChar(char Value) {
    if (FPasswordChar == Value) return;
    FPasswordChar = Value;
    if (QLineEdit* e = LineEdit(this)) e->setEchoMode(Value ? QLineEdit::Password : QLineEdit::Normal);
}

bool TEdit::Modified() const {
    QLineEdit* e = LineEdit(this);
    return e && e->isModified();
}

void TEdit::SetModified(bool Value) {
    if (QLineEdit* e = LineEdit(this)) e->setModified(Value);
}

Integer TEdit::SelStart() const {
    QLineEdit* e = LineEdit(this);
    if (!e) return 0;
    return e->hasSelectedText() ? e->selectionStart() : e->cursorPosition();
}

void TEdit::SetSelStart(Integer Value) {
    if (QLineEdit* e = LineEdit(this)) {
        e->deselect();
        e->setCursorPosition(std::max<Integer>(Value, 0));
    }
}

Integer TEdit::SelLength() const {
    QLineEdit* e = LineEdit(this);
    return e && e->hasSelectedText() ? e->selectionLength() : 0;
}

void TEdit::SetSelLength(Integer Value) {
    QLineEdit* e = LineEdit(this);
    if (!e) return;
    const int start = SelStart();
    const int length = std::clamp<int>(Value, 0, static_cast<int>(e->text().size()) - start);
    if (length > 0)
        e->setSelection(start, length);
    else
        e->deselect();
}

AnsiString TEdit::SelText() const {
    QLineEdit* e = LineEdit(this);
    return e ? FromQ(e->selectedText()) : AnsiString();
}

void TEdit::SetSelText(const AnsiString& Value) {
    QLineEdit* e = LineEdit(this);
    if (!e) return;
    const AnsiString before = Text();
    e->blockSignals(true);
    e->insert(ToQ(Value));
    e->blockSignals(false);
    if (Text() != before) Change();
}

void TEdit::SelectAll() {
    if (QLineEdit* e = LineEdit(this)) e->selectAll();
}

void TEdit::ClearSelection() { SetSelText(""); }

void TEdit::Change() { FireEvent(OnChange, this); }

void TEdit::SetTextMargins(Integer ALeft, Integer ATop, Integer ARight, Integer ABottom) {
    if (QLineEdit* e = LineEdit(this))
        e->setTextMargins(std::max<Integer>(ALeft, 0), std::max<Integer>(ATop, 0), std::max<Integer>(ARight, 0),
                          std::max<Integer>(ABottom, 0));
}

void TEdit::SetTextAlignment(TAlignment Value) {
    if (QLineEdit* e = LineEdit(this))
        e->setAlignment((Value == taRightJustify ? Qt::AlignRight : Value == taCenter ? Qt::AlignHCenter : Qt::AlignLeft) |
                        Qt::AlignVCenter);
}

namespace {

// The line edit takes its caret's width from its style.
class TCaretStyle : public QProxyStyle {
public:
    explicit TCaretStyle(int width) : FWidth(width) {}
    int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override {
        if (metric == PM_TextCursorWidth) return FWidth;
        return QProxyStyle::pixelMetric(metric, option, widget);
    }

private:
    int FWidth;
};

// One style per width, kept for the program's life (never destroyed, so no
// widget outlives its style, and none is destroyed after the toolkit).
QStyle* CaretStyle(int width) {
    static auto* styles = new std::map<int, TCaretStyle*>;
    TCaretStyle*& style = (*styles)[width];
    if (!style) style = new TCaretStyle(width);
    return style;
}

}  // namespace

void TEdit::SetCaretWidth(Integer Value) {
    if (QLineEdit* e = LineEdit(this)) e->setStyle(CaretStyle(std::max<Integer>(Value, 1)));
}

Integer TEdit::CaretWidth() const {
    QLineEdit* e = LineEdit(this);
    return e ? e->style()->pixelMetric(QStyle::PM_TextCursorWidth, nullptr, e) : 1;
}

void TEdit::DoEnter() {
    if (FAutoSelect && !FReadOnly) SelectAll();
    TWinControl::DoEnter();
}

// ---------------------------------------------------------------------------
// Published properties

const TEnumType& EnumTypeInfo(TTextLayoutKind) {
    static const TEnumType t{"TTextLayout", {"tlTop", "tlCenter", "tlBottom"}};
    return t;
}

VEMLOR_PUBLISHED(TLabel, TGraphicControl) {
    Prop("Caption", &TLabel::Caption, &TLabel::SetCaption);
    Prop("AutoSize", &TLabel::AutoSize, &TLabel::SetAutoSize);
    Prop("WordWrap", &TLabel::WordWrap, &TLabel::SetWordWrap);
    Prop("Alignment", &TLabel::Alignment, &TLabel::SetAlignment);
    Prop("Layout", &TLabel::Layout, &TLabel::SetLayout);
    Prop("Transparent", &TLabel::Transparent, &TLabel::SetTransparent);
    Prop("ShowAccelChar", &TLabel::ShowAccelChar, &TLabel::SetShowAccelChar);
    Prop("FocusControl", &TLabel::FocusControl, &TLabel::SetFocusControl);
}
VEMLOR_REGISTER_CLASS(TLabel);

VEMLOR_PUBLISHED(TButton, TWinControl) {
    Prop("Caption", &TButton::Caption, &TButton::SetCaption);
    Prop("Default", &TButton::Default, &TButton::SetDefault);
    Prop("Cancel", &TButton::Cancel, &TButton::SetCancel);
    Prop("ModalResult", &TButton::ModalResult, &TButton::SetModalResult);
}
VEMLOR_REGISTER_CLASS(TButton);

VEMLOR_PUBLISHED(TEdit, TWinControl) {
    Prop("Text", &TEdit::Text, &TEdit::SetText);
    Prop("MaxLength", &TEdit::MaxLength, &TEdit::SetMaxLength);
    Prop("ReadOnly", &TEdit::ReadOnly, &TEdit::SetReadOnly);
    Prop("PasswordChar", &TEdit::PasswordChar, &TEdit::SetPasswordChar);
    Prop("AutoSelect", &TEdit::AutoSelect, &TEdit::SetAutoSelect);
    EventProp("OnChange", &TEdit::OnChange);
}
VEMLOR_REGISTER_CLASS(TEdit);
