#include "platform/ui/RichEdit.h"

#include <QAbstractTextDocumentLayout>
#include <QClipboard>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QPointer>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextEdit>

#include <algorithm>

#include "platform/rtl/ScopeGuard.h"
#include "platform/ui/ControlKit.h"
#include "platform/ui/RichEditImpl.h"
#include "platform/ui/RtfReader.h"
#include "platform/ui/RtfWriter.h"

using namespace ui_detail;
using namespace rich_detail;

namespace rich_detail {

QString NormaliseBreaks(const QString& s) {
    QString out;
    out.reserve(s.size());
    for (qsizetype i = 0; i < s.size(); ++i) {
        const QChar c = s[i];
        if (c == QChar('\r')) {
            out += QChar('\n');
            if (i + 1 < s.size() && s[i + 1] == QChar('\n')) ++i;
        } else if (c == QChar::ParagraphSeparator || c == QChar::LineSeparator) {
            out += QChar('\n');
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace rich_detail

// One step of the undo history: Length characters at Pos were put there by
// the step, in place of Other. Undoing swaps the two, so the same step then
// redoes.
struct TRichUndoStep {
    Integer Pos = 0;
    Integer Length = 0;
    QTextDocumentFragment Other;
    bool Typing = false;
};

namespace {

const char* const kRtfMimeTypes[] = {"text/rtf", "application/rtf", "text/richtext"};

// Cuts text to n characters without splitting a surrogate pair.
QString CutTo(const QString& s, Integer n) {
    if (n >= s.size()) return s;
    if (n <= 0) return QString();
    qsizetype keep = n;
    if (s[keep - 1].isHighSurrogate()) --keep;
    return s.left(keep);
}

}  // namespace

// The widget: Qt's editor with every change of the text routed through the
// control, so undo, the limit, protection and notifications see all of them.
class TRichTextEdit : public QTextEdit {
public:
    explicit TRichTextEdit(TRichEditImpl* engine) : FEngine(engine) {
        setUndoRedoEnabled(false);
        setTabChangesFocus(true);
        setContextMenuPolicy(Qt::PreventContextMenu);
    }
    void SetSelectionBar(bool on) { setViewportMargins(on ? 8 : 0, 0, 0, 0); }
    QMimeData* SelectionMime() const { return createMimeDataFromSelection(); }
    // The control is gone; the widget may live a little longer (deleted
    // later) and then edits like a plain editor that tells no one.
    void Detach() {
        FEngine = nullptr;
        QObject::disconnect(this, nullptr, this, nullptr);
        QObject::disconnect(document(), nullptr, this, nullptr);
        setReadOnly(true);
    }
    void InsertMime(const QMimeData* source) { insertFromMimeData(source); }

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void inputMethodEvent(QInputMethodEvent* e) override {
        const QString commit = e->commitString();
        if (FEngine && !commit.isEmpty() && !isReadOnly()) {
            FEngine->Operate([&] { FEngine->ReplaceSelection(commit, WM_CHAR, TRichUndo::Typing); });
            QInputMethodEvent rest(e->preeditString(), e->attributes());
            QTextEdit::inputMethodEvent(&rest);
            return;
        }
        QTextEdit::inputMethodEvent(e);
    }
    bool canInsertFromMimeData(const QMimeData* source) const override {
        if (source->hasText()) return true;
        for (const char* type : kRtfMimeTypes)
            if (source->hasFormat(type)) return true;
        return false;
    }
    void insertFromMimeData(const QMimeData* source) override;
    QMimeData* createMimeDataFromSelection() const override;
    void mousePressEvent(QMouseEvent* e) override {
        if (!LinkMouse(e, e->button() == Qt::RightButton ? WM_RBUTTONDOWN : WM_LBUTTONDOWN)) QTextEdit::mousePressEvent(e);
    }
    void mouseReleaseEvent(QMouseEvent* e) override {
        if (!LinkMouse(e, e->button() == Qt::RightButton ? WM_RBUTTONUP : WM_LBUTTONUP)) QTextEdit::mouseReleaseEvent(e);
    }
    void mouseMoveEvent(QMouseEvent* e) override {
        if (!LinkMouse(e, WM_MOUSEMOVE)) QTextEdit::mouseMoveEvent(e);
    }
    void mouseDoubleClickEvent(QMouseEvent* e) override {
        if (!LinkMouse(e, WM_LBUTTONDBLCLK)) QTextEdit::mouseDoubleClickEvent(e);
    }
    bool event(QEvent* e) override {
        // A click sent to the editor itself rather than to its text area
        // (simulated input, say) reaches the links as a real one would.
        const QEvent::Type t = e->type();
        if (t == QEvent::MouseButtonPress || t == QEvent::MouseButtonRelease) {
            const auto* me = static_cast<QMouseEvent*>(e);
            const QPointF at = viewport()->mapFrom(this, me->position().toPoint());
            if (viewport()->rect().contains(at.toPoint())) {
                QMouseEvent mapped(t, at, me->globalPosition(), me->button(), me->buttons(), me->modifiers());
                const bool right = me->button() == Qt::RightButton;
                const Cardinal msg = t == QEvent::MouseButtonPress ? (right ? WM_RBUTTONDOWN : WM_LBUTTONDOWN)
                                                                  : (right ? WM_RBUTTONUP : WM_LBUTTONUP);
                if (LinkMouse(&mapped, msg)) return true;
            }
        }
        return QTextEdit::event(e);
    }
    void changeEvent(QEvent* e) override {
        // The default character format decides the text's font, not the
        // widget's font (which Qt would otherwise push into the document).
        if (e->type() == QEvent::FontChange || e->type() == QEvent::ApplicationFontChange)
            QAbstractScrollArea::changeEvent(e);
        else
            QTextEdit::changeEvent(e);
    }

private:
    bool LinkMouse(QMouseEvent* e, Cardinal msg);

    TRichEditImpl* FEngine;
};

// ---------------------------------------------------------------------------
// TRichEditImpl

TRichEditImpl::TRichEditImpl(TCustomRichMemo* owner) : Owner(owner) {}
TRichEditImpl::~TRichEditImpl() = default;

QTextEdit* TRichEditImpl::Edit() const { return QtWidget<QTextEdit>(Owner); }
QTextDocument* TRichEditImpl::Doc() const {
    QTextEdit* e = Edit();
    return e ? e->document() : nullptr;
}

void TRichEditImpl::Reset() {
    ++Busy;
    auto done = ScopeExit([this] { --Busy; });
    Default = TCharFormat{};
    Default.Mask = CFM_ALL2;
    Default.Effects = CFE_AUTOCOLOR;
    Default.Height = 160;
    Default.FaceName = "MS Sans Serif";
    Default.Charset = 1;
    Default.Weight = 400;
    EventMask = ENM_NONE;
    Limit = RichEditDefaultLimit;
    UndoLimit = 100;
    TextMode = TM_RICHTEXT | TM_MULTILEVELUNDO;
    Options = 0;
    LangOptions = 0;
    AutoUrl = false;
    HideSel = true;
    Redraw = true;
    ClearUndo();
    PrintLayout.reset();
    if (QTextEdit* e = Edit()) {
        e->document()->clear();
        e->document()->setUndoRedoEnabled(false);
        ApplyDefaultDisplay(e, Default);
        e->setCurrentCharFormat(WithDisplay(QTextCharFormat(), Default));
    }
    Modified = false;
    PendingChange = PendingSelection = false;
    LastSelection = TCharRange{};
    LastHeight = -1;
}

Integer TRichEditImpl::Length() const {
    QTextDocument* d = Doc();
    return d ? std::max(0, d->characterCount() - 1) : 0;
}

TCharRange TRichEditImpl::Selection() const {
    QTextEdit* e = Edit();
    if (!e) return {};
    const QTextCursor c = e->textCursor();
    return {c.selectionStart(), c.selectionEnd()};
}

void TRichEditImpl::Select(Integer anchor, Integer caret) {
    QTextEdit* e = Edit();
    if (!e) return;
    const Integer len = Length();
    QTextCursor c = e->textCursor();
    c.setPosition(std::clamp<Integer>(anchor, 0, len));
    c.setPosition(std::clamp<Integer>(caret, 0, len), QTextCursor::KeepAnchor);
    e->setTextCursor(c);
    PendingSelection = true;
}

void TRichEditImpl::Operate(const std::function<void()>& body) {
    ++Busy;
    {
        auto done = ScopeExit([this] { --Busy; });
        body();
    }
    if (Busy == 0) Flush();
}

void TRichEditImpl::Send(TRichNotify& n) { Owner->Notify(n); }

void TRichEditImpl::Flush() {
    // A handler may change the text again or free the control; each round
    // sends what is pending at its start.
    std::weak_ptr<void> alive = Owner->AliveToken();
    for (int round = 0; round < 8 && Busy == 0 && (PendingChange || PendingSelection); ++round) {
        if (PendingChange) {
            PendingChange = false;
            if (EventMask & ENM_CHANGE) {
                TRichNotify n;
                n.Code = EN_CHANGE;
                Send(n);
                if (alive.expired()) return;
            }
            if ((EventMask & ENM_REQUESTRESIZE) && Doc()) {
                const int height = static_cast<int>(Doc()->size().height() + 0.5);
                if (height != LastHeight) {
                    LastHeight = height;
                    TRichNotify n;
                    n.Code = EN_REQUESTRESIZE;
                    n.Rect = Rect(0, 0, Owner->ClientWidth(), height);
                    Send(n);
                    if (alive.expired()) return;
                }
            }
        }
        if (PendingSelection) {
            PendingSelection = false;
            const TCharRange sel = Selection();
            if (!(sel == LastSelection)) {
                LastSelection = sel;
                if (EventMask & ENM_SELCHANGE) {
                    TRichNotify n;
                    n.Code = EN_SELCHANGE;
                    n.Range = sel;
                    n.SelType = Owner->SelectionType();
                    Send(n);
                    if (alive.expired()) return;
                }
            }
        }
    }
}

Integer TRichEditImpl::Room(Integer from, Integer to) const { return Limit - (Length() - (to - from)); }

void TRichEditImpl::ClearUndo() {
    UndoSteps.clear();
    RedoSteps.clear();
    MergeTyping = false;
}

bool TRichEditImpl::Replace(Integer from, Integer to, Integer inserted, const std::function<void(QTextCursor&)>& insert,
                            Cardinal msg, TRichUndo undo) {
    QTextEdit* e = Edit();
    if (!e) return false;
    const Integer len = Length();
    from = std::clamp<Integer>(from, 0, len);
    to = std::clamp<Integer>(to, 0, len);
    if (from > to) std::swap(from, to);
    if ((EventMask & ENM_PROTECTED) && RangeIsProtected(Doc(), from, to, Default)) {
        TRichNotify n;
        n.Code = EN_PROTECTED;
        n.Range = {from, to};
        n.Message = TMessage{msg, 0, 0, 0};
        std::weak_ptr<void> alive = Owner->AliveToken();
        Send(n);
        if (alive.expired() || n.Result != 0) return false;
    }
    // The typing format of the editor's own cursor applies when the range is
    // the selection; any other range takes the format found at its start.
    QTextCursor c = e->textCursor();
    if (c.selectionStart() != from || c.selectionEnd() != to) {
        c.setPosition(from);
        c.setPosition(to, QTextCursor::KeepAnchor);
    }
    const Integer limit = (TextMode & TM_SINGLELEVELUNDO) ? std::min<Integer>(UndoLimit, 1) : UndoLimit;
    if (undo == TRichUndo::None || limit <= 0) {
        ClearUndo();
    } else {
        TRichUndoStep* last = UndoSteps.empty() ? nullptr : UndoSteps.back().get();
        if (undo == TRichUndo::Typing && MergeTyping && last && last->Typing && from == to &&
            last->Pos + last->Length == from) {
            last->Length += inserted;
        } else {
            auto step = std::make_unique<TRichUndoStep>();
            step->Pos = from;
            step->Length = inserted;
            if (from < to) step->Other = c.selection();
            step->Typing = undo == TRichUndo::Typing;
            UndoSteps.push_back(std::move(step));
            while (static_cast<Integer>(UndoSteps.size()) > limit) UndoSteps.pop_front();
        }
        RedoSteps.clear();
        MergeTyping = undo == TRichUndo::Typing;
    }
    c.beginEditBlock();
    if (c.hasSelection()) c.removeSelectedText();
    insert(c);
    c.endEditBlock();
    e->setTextCursor(c);
    Modified = true;
    PendingChange = true;
    PendingSelection = true;
    PrintLayout.reset();
    DetectUrls(from, from + inserted);
    return true;
}

bool TRichEditImpl::ReplaceSelection(const QString& text, Cardinal msg, TRichUndo undo) {
    const TCharRange sel = Selection();
    const QString clean = CutTo(NormaliseBreaks(text), Room(sel.Min, sel.Max));
    if (clean.isEmpty() && sel.Min == sel.Max) return !text.isEmpty() ? false : true;
    const bool plain = PlainMode();
    return Replace(sel.Min, sel.Max, static_cast<Integer>(clean.size()),
                   [&](QTextCursor& c) {
                       if (plain) c.insertText(clean, WithDisplay(QTextCharFormat(), Default));
                       else c.insertText(clean);
                   },
                   msg, undo);
}

bool TRichEditImpl::ReplaceSelectionRich(const TRichText& text, Cardinal msg, TRichUndo undo) {
    const TCharRange sel = Selection();
    TRichText cut = text;
    TruncateRichText(cut, Room(sel.Min, sel.Max));
    const Integer n = RichTextLength(cut);
    if (n == 0 && sel.Min == sel.Max) return RichTextLength(text) == 0;
    return Replace(sel.Min, sel.Max, n,
                   [&](QTextCursor& c) {
                       InsertRichText(Doc(), c, cut, Default, PlainMode(), cut.Paragraphs.size() > 1);
                   },
                   msg, undo);
}

void TRichEditImpl::DetectUrls(Integer from, Integer to) {
    if (AutoUrl && Doc()) MarkUrls(Doc(), from, to, Default);
}

void TRichEditImpl::DefaultChanged() {
    QTextEdit* e = Edit();
    if (!e) return;
    ApplyDefaultDisplay(e, Default);
    RefreshDisplay(e->document(), 0, Length() + 1, Default);
    e->setCurrentCharFormat(WithDisplay(e->textCursor().charFormat(), Default));
    PrintLayout.reset();
}

// ---------------------------------------------------------------------------
// The widget's input

void TRichTextEdit::keyPressEvent(QKeyEvent* e) {
    if (!FEngine) return;
    TCustomRichMemo* owner = FEngine->Owner;
    static const QKeySequence::StandardKey kPassed[] = {
        QKeySequence::MoveToNextChar, QKeySequence::MoveToPreviousChar, QKeySequence::MoveToNextWord,
        QKeySequence::MoveToPreviousWord, QKeySequence::MoveToNextLine, QKeySequence::MoveToPreviousLine,
        QKeySequence::MoveToNextPage, QKeySequence::MoveToPreviousPage, QKeySequence::MoveToStartOfLine,
        QKeySequence::MoveToEndOfLine, QKeySequence::MoveToStartOfBlock, QKeySequence::MoveToEndOfBlock,
        QKeySequence::MoveToStartOfDocument, QKeySequence::MoveToEndOfDocument, QKeySequence::SelectNextChar,
        QKeySequence::SelectPreviousChar, QKeySequence::SelectNextWord, QKeySequence::SelectPreviousWord,
        QKeySequence::SelectNextLine, QKeySequence::SelectPreviousLine, QKeySequence::SelectNextPage,
        QKeySequence::SelectPreviousPage, QKeySequence::SelectStartOfLine, QKeySequence::SelectEndOfLine,
        QKeySequence::SelectStartOfBlock, QKeySequence::SelectEndOfBlock, QKeySequence::SelectStartOfDocument,
        QKeySequence::SelectEndOfDocument, QKeySequence::SelectAll, QKeySequence::Deselect,
    };
    for (QKeySequence::StandardKey k : kPassed)
        if (e->matches(k)) {
            QTextEdit::keyPressEvent(e);
            return;
        }
    e->accept();
    if (e->matches(QKeySequence::Copy)) {
        owner->CopyToClipboard();
        return;
    }
    if (e->matches(QKeySequence::Undo)) {
        if (!isReadOnly()) owner->EditUndo();
        return;
    }
    if (e->matches(QKeySequence::Redo)) {
        if (!isReadOnly()) owner->Redo();
        return;
    }
    if (isReadOnly()) return;
    if (e->matches(QKeySequence::Cut)) {
        owner->CutToClipboard();
        return;
    }
    if (e->matches(QKeySequence::Paste)) {
        owner->PasteFromClipboard();
        return;
    }
    const int key = e->key();
    if (key == Qt::Key_Tab || key == Qt::Key_Backtab) {
        if (!owner->WantTabs() || key == Qt::Key_Backtab || (e->modifiers() & Qt::ControlModifier)) {
            QTextEdit::keyPressEvent(e);
            return;
        }
        FEngine->Operate([&] { FEngine->ReplaceSelection(QStringLiteral("\t"), WM_CHAR, TRichUndo::Typing); });
        return;
    }
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        if (owner->WantReturns() || (e->modifiers() & Qt::ControlModifier))
            FEngine->Operate([&] { FEngine->ReplaceSelection(QStringLiteral("\n"), WM_CHAR, TRichUndo::Typing); });
        return;
    }
    QTextCursor::MoveOperation move = QTextCursor::NoMove;
    if (e->matches(QKeySequence::Delete)) move = QTextCursor::NextCharacter;
    else if (e->matches(QKeySequence::DeleteEndOfWord)) move = QTextCursor::NextWord;
    else if (e->matches(QKeySequence::DeleteStartOfWord)) move = QTextCursor::PreviousWord;
    else if (e->matches(QKeySequence::DeleteEndOfLine)) move = QTextCursor::EndOfBlock;
    else if (key == Qt::Key_Backspace) move = QTextCursor::PreviousCharacter;
    if (move != QTextCursor::NoMove) {
        QTextCursor c = textCursor();
        if (!c.hasSelection()) c.movePosition(move, QTextCursor::KeepAnchor);
        if (!c.hasSelection()) return;
        FEngine->Operate([&] {
            FEngine->Select(c.anchor(), c.position());
            FEngine->ReplaceSelection(QString(), WM_KEYDOWN, TRichUndo::Step);
        });
        return;
    }
    const QString text = e->text();
    const bool printable = !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) { return c.isPrint() || c.isSurrogate(); });
    if (printable && !(e->modifiers() & Qt::ControlModifier))
        FEngine->Operate([&] { FEngine->ReplaceSelection(text, WM_CHAR, TRichUndo::Typing); });
}

void TRichTextEdit::insertFromMimeData(const QMimeData* source) {
    if (!FEngine || isReadOnly() || !source) return;
    for (const char* type : kRtfMimeTypes) {
        if (!source->hasFormat(type)) continue;
        const QByteArray data = source->data(type);
        try {
            const TRichText text = ReadRtf(data.constData(), static_cast<std::size_t>(data.size()));
            FEngine->Operate([&] { FEngine->ReplaceSelectionRich(text, WM_PASTE, TRichUndo::Step); });
            return;
        } catch (const ERtfError&) {
            // Not readable: the plain text of the same data is taken instead.
        }
    }
    if (source->hasText())
        FEngine->Operate([&] { FEngine->ReplaceSelection(source->text(), WM_PASTE, TRichUndo::Step); });
}

QMimeData* TRichTextEdit::createMimeDataFromSelection() const {
    auto* data = new QMimeData;
    const QTextCursor c = textCursor();
    QString text = c.selectedText();
    text.replace(QChar::ParagraphSeparator, QChar('\n'));
    data->setText(text);
    if (!FEngine) return data;
    const AnsiString rtf =
        WriteRtf(DocumentRichText(document(), c.selectionStart(), c.selectionEnd(), FEngine->Default));
    data->setData(kRtfMimeTypes[0], QByteArray(rtf.data(), static_cast<qsizetype>(rtf.size())));
    return data;
}

bool TRichTextEdit::LinkMouse(QMouseEvent* e, Cardinal msg) {
    if (!FEngine || !(FEngine->EventMask & ENM_LINK)) return false;
    const QPointF p = e->position() + QPointF(horizontalScrollBar()->value(), verticalScrollBar()->value());
    const int pos = document()->documentLayout()->hitTest(p, Qt::ExactHit);
    if (pos < 0) return false;
    const TCharRange range = LinkRange(document(), pos, FEngine->Default);
    if (range.Min == range.Max) return false;
    TRichNotify n;
    n.Code = EN_LINK;
    n.Range = range;
    n.Message = TMessage{msg, 0, MakeLParam(static_cast<int>(e->position().x()), static_cast<int>(e->position().y())), 0};
    bool swallow = false;
    SafeCall(FEngine->Owner, [&] {
        FEngine->Send(n);
        swallow = n.Result != 0;
    });
    return swallow;
}

// ---------------------------------------------------------------------------
// TCustomRichMemo: the memo part and the window

TCharFormat FontCharFormat(const TFont* Font) {
    TCharFormat f;
    f.Mask = CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE | CFM_STRIKEOUT | CFM_SIZE | CFM_COLOR | CFM_FACE | CFM_CHARSET;
    if (!Font) return f;
    const TFontStyles style = Font->Style();
    if (style.Contains(fsBold)) f.Effects |= CFE_BOLD;
    if (style.Contains(fsItalic)) f.Effects |= CFE_ITALIC;
    if (style.Contains(fsUnderline)) f.Effects |= CFE_UNDERLINE;
    if (style.Contains(fsStrikeOut)) f.Effects |= CFE_STRIKEOUT;
    f.Height = Font->Size() * 20;
    f.FaceName = CutFaceName(Font->Name());
    f.PitchAndFamily = Font->Pitch() == fpVariable ? VARIABLE_PITCH : Font->Pitch() == fpFixed ? FIXED_PITCH : DEFAULT_PITCH;
    if (Font->Color() == clWindowText || Font->Color() == clDefault) f.Effects |= CFE_AUTOCOLOR;
    else f.TextColor = static_cast<Cardinal>(ColorToRGB(Font->Color()));
    f.Charset = Font->Charset();
    return f;
}

TCustomRichMemo::TCustomRichMemo(TComponent* AOwner)
    : TWinControl(AOwner), FEngine(std::make_unique<TRichEditImpl>(this)) {
    auto* edit = new TRichTextEdit(FEngine.get());
    AttachWidget(this, edit);
    edit->document()->setUndoRedoEnabled(false);
    auto selectionMoved = [this] {
        if (!FHandle || BeingDestroyed(this)) return;
        SafeCall(this, [this] {
            FEngine->PendingSelection = true;
            if (FEngine->Busy == 0) {
                // A move of the caret by the user ends the typing that undo
                // takes back as one step.
                FEngine->MergeTyping = false;
                FEngine->Flush();
            }
        });
    };
    QObject::connect(edit, &QTextEdit::selectionChanged, edit, selectionMoved);
    QObject::connect(edit, &QTextEdit::cursorPositionChanged, edit, selectionMoved);
    QObject::connect(edit->document(), &QTextDocument::contentsChange, edit, [this](int, int removed, int added) {
        if (!FHandle || FEngine->Busy > 0 || BeingDestroyed(this) || (removed == 0 && added == 0)) return;
        // A change Qt made by itself (moving a dragged selection): what the
        // history remembers no longer lies at its positions.
        SafeCall(this, [this] {
            FEngine->ClearUndo();
            FEngine->Modified = true;
            FEngine->PendingChange = true;
            FEngine->Flush();
        });
    });
    RouteChildInput(this, edit->viewport(), false, true);
    SetTabStop(true);
    SetColor(clWindow);
    SetBounds(0, 0, 185, 89);
}

TCustomRichMemo::~TCustomRichMemo() {
    if (auto* e = QtWidget<TRichTextEdit>(this)) e->Detach();
}

void TCustomRichMemo::ApplyVisible() {
    if (Visible() && Parent() && !ComponentState().Contains(csDestroying)) HandleNeeded();
    TWinControl::ApplyVisible();
}

void TCustomRichMemo::HandleNeeded() {
    if (FHandle || FCreating) return;
    FCreating = true;
    auto done = ScopeExit([this] { FCreating = false; });
    FEngine->Reset();
    TRichCreateParams params;
    CreateParams(params);
    ApplyStyle(params);
    FHandle = true;
    CreateWnd();
}

void TCustomRichMemo::DestroyHandle() {
    if (!FHandle) return;
    DestroyWnd();
    FHandle = false;
    FEngine->Reset();
}

void TCustomRichMemo::RecreateWnd() {
    if (!FHandle) return;
    DestroyHandle();
    HandleNeeded();
}

void TCustomRichMemo::CreateParams(TRichCreateParams& Params) {
    Params.Style = ES_SAVESEL;
    if (FScrollBars == ssVertical || FScrollBars == ssBoth) Params.Style |= WS_VSCROLL;
    if (FScrollBars == ssHorizontal || FScrollBars == ssBoth) Params.Style |= WS_HSCROLL;
    if (!FWordWrap) Params.Style |= ES_AUTOHSCROLL;
    if (FReadOnly) Params.Style |= ES_READONLY;
    if (FWantReturns) Params.Style |= ES_WANTRETURN;
}

void TCustomRichMemo::ApplyStyle(const TRichCreateParams& Params) {
    auto* e = QtWidget<TRichTextEdit>(this);
    if (!e) return;
    const bool always = Params.Style & ES_DISABLENOSCROLL;
    e->setVerticalScrollBarPolicy(!(Params.Style & WS_VSCROLL) ? Qt::ScrollBarAlwaysOff
                                  : always                     ? Qt::ScrollBarAlwaysOn
                                                               : Qt::ScrollBarAsNeeded);
    e->setHorizontalScrollBarPolicy(!(Params.Style & WS_HSCROLL) ? Qt::ScrollBarAlwaysOff
                                    : always                     ? Qt::ScrollBarAlwaysOn
                                                                 : Qt::ScrollBarAsNeeded);
    e->setLineWrapMode((Params.Style & ES_AUTOHSCROLL) ? QTextEdit::NoWrap : QTextEdit::WidgetWidth);
    e->setReadOnly(Params.Style & ES_READONLY);
    e->SetSelectionBar(Params.Style & ES_SELECTIONBAR);
    e->setTabChangesFocus(!FWantTabs);
    FEngine->HideSel = !(Params.Style & ES_NOHIDESEL);
}

void TCustomRichMemo::CreateWnd() {
    SetBkgndColor(Color());
    FontChanged();
    ExLimitText(FMaxLength);
}

void TCustomRichMemo::DestroyWnd() {
    // Text this control put on the clipboard outlives it unless the owner
    // says otherwise.
    QClipboard* clip = QGuiApplication::clipboard();
    if (clip && clip->ownsClipboard() && clip->mimeData() && clip->mimeData()->hasFormat(kRtfMimeTypes[0]) &&
        clip->property("vemlor-rich-owner").value<void*>() == this) {
        TRichNotify n;
        n.Code = EN_SAVECLIPBOARD;
        n.Chars = static_cast<Integer>(clip->text().size());
        FEngine->Send(n);
        if (n.Result != 0) clip->clear();
        clip->setProperty("vemlor-rich-owner", QVariant());
    }
}

void TCustomRichMemo::Notify(TRichNotify& Message) {
    if (Message.Code == EN_CHANGE) Change();
}

void TCustomRichMemo::Change() { FireEvent(OnChange, this); }

void TCustomRichMemo::FontChanged() {
    TWinControl::FontChanged();
    if (FHandle) SetCharFormat(SCF_DEFAULT, FontCharFormat(Font()));
}

void TCustomRichMemo::ColorChanged() {
    TWinControl::ColorChanged();
    if (FHandle) SetBkgndColor(Color());
}

bool TCustomRichMemo::WantsKey(Word Key) const {
    if (Key == VK_RETURN) return FWantReturns;
    return false;
}

AnsiString TCustomRichMemo::Text() const {
    QTextDocument* d = FEngine->Doc();
    if (!FHandle || !d) return {};
    AnsiString out;
    out.reserve(static_cast<std::size_t>(d->characterCount()) + static_cast<std::size_t>(d->blockCount()));
    for (QTextBlock b = d->begin(); b.isValid(); b = b.next()) {
        if (b != d->begin()) out += "\r\n";
        out += FromQ(b.text());
    }
    return out;
}

void TCustomRichMemo::SetText(const AnsiString& Value) {
    HandleNeeded();
    FEngine->Operate([&] {
        QTextDocument* d = FEngine->Doc();
        if (!d) return;
        FEngine->Select(0, FEngine->Length());
        const QString text = CutTo(NormaliseBreaks(ToQ(Value)), FEngine->Limit);
        const TCharFormat def = FEngine->Default;
        FEngine->Replace(0, FEngine->Length(), static_cast<Integer>(text.size()),
                         [&](QTextCursor& c) {
                             // The new text starts over in the default formats.
                             TParaFormat plain;
                             plain.Mask = PFM_ALL;
                             SetBlockParaFormat(d, c.blockNumber(), plain);
                             c.insertText(text, WithDisplay(QTextCharFormat(), def));
                         },
                         WM_SETTEXT, TRichUndo::None);
        FEngine->Modified = false;
        FEngine->Select(0, 0);
    });
}

void TCustomRichMemo::SetWordWrap(bool Value) {
    if (FWordWrap == Value) return;
    FWordWrap = Value;
    if (auto* e = QtWidget<QTextEdit>(this)) e->setLineWrapMode(Value ? QTextEdit::WidgetWidth : QTextEdit::NoWrap);
}

void TCustomRichMemo::SetScrollBars(TScrollStyle Value) {
    if (FScrollBars == Value) return;
    FScrollBars = Value;
    if (!FHandle) return;
    TRichCreateParams params;
    CreateParams(params);
    ApplyStyle(params);
}

void TCustomRichMemo::SetReadOnly(bool Value) {
    if (FReadOnly == Value) return;
    FReadOnly = Value;
    if (auto* e = QtWidget<QTextEdit>(this)) e->setReadOnly(Value);
}

void TCustomRichMemo::SetMaxLength(Integer Value) {
    if (Value < 0) Value = 0;
    FMaxLength = Value;
    if (FHandle) ExLimitText(Value);
}

void TCustomRichMemo::SetWantTabs(bool Value) {
    if (FWantTabs == Value) return;
    FWantTabs = Value;
    if (auto* e = QtWidget<QTextEdit>(this)) e->setTabChangesFocus(!Value);
}

bool TCustomRichMemo::Modified() const { return FHandle && FEngine->Modified; }
void TCustomRichMemo::SetModified(bool Value) { FEngine->Modified = Value; }

Integer TCustomRichMemo::SelStart() const { return FHandle ? FEngine->Selection().Min : 0; }

void TCustomRichMemo::SetSelStart(Integer Value) { ExSetSel({Value, Value}); }

Integer TCustomRichMemo::SelLength() const {
    const TCharRange r = FHandle ? FEngine->Selection() : TCharRange{};
    return r.Max - r.Min;
}

void TCustomRichMemo::SetSelLength(Integer Value) {
    const Integer start = SelStart();
    ExSetSel({start, start + std::max<Integer>(Value, 0)});
}

AnsiString TCustomRichMemo::SelText() const { return const_cast<TCustomRichMemo*>(this)->GetSelText(); }

void TCustomRichMemo::SetSelText(const AnsiString& Value) { ReplaceSel(Value, false); }

void TCustomRichMemo::SelectAll() { ExSetSel({0, -1}); }

void TCustomRichMemo::Clear() { SetText(""); }

void TCustomRichMemo::CopyToClipboard() {
    HandleNeeded();
    auto* e = QtWidget<TRichTextEdit>(this);
    if (!e || !e->textCursor().hasSelection()) return;
    QClipboard* clip = QGuiApplication::clipboard();
    clip->setMimeData(e->SelectionMime());
    clip->setProperty("vemlor-rich-owner", QVariant::fromValue<void*>(this));
}

void TCustomRichMemo::CutToClipboard() {
    if (FReadOnly) return;
    HandleNeeded();
    const TCharRange sel = FEngine->Selection();
    if (sel.Min == sel.Max) return;
    CopyToClipboard();
    FEngine->Operate([&] { FEngine->ReplaceSelection(QString(), WM_CUT, TRichUndo::Step); });
}

void TCustomRichMemo::PasteFromClipboard() {
    if (FReadOnly) return;
    HandleNeeded();
    auto* e = QtWidget<TRichTextEdit>(this);
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    if (e && data) e->InsertMime(data);
}

bool TCustomRichMemo::CanUndo() const { return FHandle && !FEngine->UndoSteps.empty(); }

// ---------------------------------------------------------------------------
// TCustomRichMemo: undo and redo

bool TCustomRichMemo::EditUndo() {
    HandleNeeded();
    if (FEngine->UndoSteps.empty()) return false;
    FEngine->Operate([&] {
        std::unique_ptr<TRichUndoStep> step = std::move(FEngine->UndoSteps.back());
        FEngine->UndoSteps.pop_back();
        SwapUndoStep(*step);
        FEngine->RedoSteps.push_back(std::move(step));
    });
    return true;
}

bool TCustomRichMemo::Redo() {
    HandleNeeded();
    if (FEngine->RedoSteps.empty()) return false;
    FEngine->Operate([&] {
        std::unique_ptr<TRichUndoStep> step = std::move(FEngine->RedoSteps.back());
        FEngine->RedoSteps.pop_back();
        SwapUndoStep(*step);
        FEngine->UndoSteps.push_back(std::move(step));
    });
    return true;
}

void TCustomRichMemo::SwapUndoStep(TRichUndoStep& Step) {
    QTextEdit* e = FEngine->Edit();
    if (!e) return;
    QTextCursor c(e->document());
    c.setPosition(std::min(Step.Pos, FEngine->Length()));
    c.setPosition(std::min(Step.Pos + Step.Length, FEngine->Length()), QTextCursor::KeepAnchor);
    const QTextDocumentFragment now = c.selection();
    c.beginEditBlock();
    if (c.hasSelection()) c.removeSelectedText();
    c.insertFragment(Step.Other);
    c.endEditBlock();
    Step.Length = c.position() - Step.Pos;
    Step.Other = now;
    Step.Typing = false;
    FEngine->MergeTyping = false;
    e->setTextCursor(c);
    FEngine->Modified = true;
    FEngine->PendingChange = true;
    FEngine->PendingSelection = true;
    FEngine->PrintLayout.reset();
}

bool TCustomRichMemo::CanRedo() const { return FHandle && !FEngine->RedoSteps.empty(); }

void TCustomRichMemo::EmptyUndoBuffer() {
    if (FHandle) FEngine->ClearUndo();
}

Integer TCustomRichMemo::SetUndoLimit(Integer Limit) {
    HandleNeeded();
    FEngine->UndoLimit = std::max<Integer>(Limit, 0);
    while (static_cast<Integer>(FEngine->UndoSteps.size()) > FEngine->UndoLimit) FEngine->UndoSteps.pop_front();
    if (FEngine->UndoLimit == 0) FEngine->ClearUndo();
    return FEngine->UndoLimit;
}

// ---------------------------------------------------------------------------
// Published properties

VEMLOR_PUBLISHED(TCustomRichMemo, TWinControl) {}
