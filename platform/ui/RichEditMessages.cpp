// The window's messages of the rich-edit control: selection, text and
// lines, formats, limits, options, find.
#include "platform/ui/RichEdit.h"

#include <QPalette>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

#include <algorithm>

#include "platform/ui/ControlKit.h"
#include "platform/ui/RichEditImpl.h"

using namespace ui_detail;
using namespace rich_detail;

TCharRange TCustomRichMemo::ExGetSel() {
    HandleNeeded();
    return FEngine->Selection();
}

void TCustomRichMemo::ExSetSel(TCharRange Range) {
    HandleNeeded();
    FEngine->Operate([&] {
        const Integer len = FEngine->Length();
        if (Range.Min == 0 && Range.Max == -1) {
            FEngine->Select(0, len);
        } else if (Range.Min < 0) {
            const Integer end = FEngine->Selection().Max;
            FEngine->Select(end, end);
        } else {
            FEngine->Select(Range.Min, Range.Max < 0 ? len : Range.Max);
        }
    });
}

void TCustomRichMemo::ScrollCaret() {
    HandleNeeded();
    if (auto* e = QtWidget<QTextEdit>(this)) e->ensureCursorVisible();
}

void TCustomRichMemo::ReplaceSel(const AnsiString& Value, bool CanUndo) {
    HandleNeeded();
    FEngine->Operate(
        [&] { FEngine->ReplaceSelection(ToQ(Value), EM_REPLACESEL, CanUndo ? TRichUndo::Step : TRichUndo::None); });
}

AnsiString TCustomRichMemo::GetTextRange(Integer Min, Integer Max) {
    HandleNeeded();
    QTextDocument* d = FEngine->Doc();
    if (!d) return {};
    const Integer len = FEngine->Length();
    Min = std::clamp<Integer>(Min, 0, len);
    Max = Max < 0 ? len : std::clamp<Integer>(Max, 0, len);
    if (Max <= Min) return {};
    QTextCursor c(d);
    c.setPosition(Min);
    c.setPosition(Max, QTextCursor::KeepAnchor);
    QString s = c.selectedText();
    s.replace(QChar::ParagraphSeparator, QChar('\r'));
    return FromQ(s);
}

AnsiString TCustomRichMemo::GetSelText() {
    HandleNeeded();
    const TCharRange r = FEngine->Selection();
    return GetTextRange(r.Min, r.Max);
}

Integer TCustomRichMemo::GetTextLengthEx(Cardinal Flags) {
    HandleNeeded();
    QTextDocument* d = FEngine->Doc();
    if (!d) return 0;
    return FEngine->Length() + ((Flags & GTL_USECRLF) ? d->blockCount() - 1 : 0);
}

Integer TCustomRichMemo::GetLineCount() {
    HandleNeeded();
    QTextDocument* d = FEngine->Doc();
    return d ? d->blockCount() : 0;
}

Integer TCustomRichMemo::LineIndex(Integer Line) {
    HandleNeeded();
    QTextDocument* d = FEngine->Doc();
    if (!d) return -1;
    const QTextBlock b = Line < 0 ? d->findBlock(FEngine->Selection().Max) : d->findBlockByNumber(Line);
    return b.isValid() ? b.position() : -1;
}

Integer TCustomRichMemo::LineLength(Integer CharIndex) {
    HandleNeeded();
    QTextDocument* d = FEngine->Doc();
    if (!d) return 0;
    const Integer pos = CharIndex < 0 ? FEngine->Selection().Max : std::clamp<Integer>(CharIndex, 0, FEngine->Length());
    const QTextBlock b = d->findBlock(pos);
    return b.isValid() ? b.length() - 1 : 0;
}

Integer TCustomRichMemo::LineFromChar(Integer CharIndex) {
    HandleNeeded();
    QTextDocument* d = FEngine->Doc();
    if (!d) return 0;
    const Integer pos = CharIndex < 0 ? FEngine->Selection().Max : std::clamp<Integer>(CharIndex, 0, FEngine->Length());
    return d->findBlock(pos).blockNumber();
}

AnsiString TCustomRichMemo::GetLine(Integer Line) {
    HandleNeeded();
    QTextDocument* d = FEngine->Doc();
    if (!d || Line < 0) return {};
    const QTextBlock b = d->findBlockByNumber(Line);
    if (!b.isValid()) return {};
    return FromQ(b.text()) + (b.next().isValid() ? "\r" : "");
}

TCharFormat TCustomRichMemo::GetCharFormat(Cardinal Scope) {
    HandleNeeded();
    TCharFormat result = FEngine->Default;
    result.Mask = CFM_ALL2;
    QTextEdit* e = FEngine->Edit();
    if (Scope == SCF_DEFAULT || !e) return result;
    const QTextCursor c = e->textCursor();
    if (!c.hasSelection()) return EffectiveFormat(e->currentCharFormat(), FEngine->Default);
    return SelectionFormat(e->document(), c.selectionStart(), c.selectionEnd(), FEngine->Default);
}

bool TCustomRichMemo::SetCharFormat(Cardinal Scope, const TCharFormat& Format) {
    HandleNeeded();
    QTextEdit* e = FEngine->Edit();
    if (!e) return false;
    FEngine->Operate([&] {
        if (Scope == SCF_DEFAULT || FEngine->PlainMode()) {
            // Plain text has one format: the default's.
            TCharFormat& def = FEngine->Default;
            QTextCharFormat merged;
            MergeAttributes(merged, Format);
            def = EffectiveFormat(merged, def);
            FEngine->DefaultChanged();
            return;
        }
        QTextCursor c = e->textCursor();
        if ((Scope & SCF_WORD) && !c.hasSelection()) c.select(QTextCursor::WordUnderCursor);
        QTextCharFormat q;
        MergeAttributes(q, Format);
        if (!c.hasSelection()) {
            QTextCharFormat typing = e->currentCharFormat();
            MergeAttributes(typing, Format);
            e->setCurrentCharFormat(WithDisplay(typing, FEngine->Default));
            return;
        }
        const int from = c.selectionStart();
        const int to = c.selectionEnd();
        c.mergeCharFormat(q);
        RefreshDisplay(e->document(), from, to, FEngine->Default);
        FEngine->Modified = true;
        FEngine->PrintLayout.reset();
    });
    return true;
}

TParaFormat TCustomRichMemo::GetParaFormat() {
    HandleNeeded();
    QTextDocument* d = FEngine->Doc();
    if (!d) return TParaFormat{};
    const TCharRange sel = FEngine->Selection();
    QTextBlock b = d->findBlock(sel.Min);
    TParaFormat result = BlockParaFormat(b);
    for (b = b.next(); b.isValid() && b.position() <= sel.Max; b = b.next())
        result.Mask &= ~ParaDifferences(result, BlockParaFormat(b));
    return result;
}

bool TCustomRichMemo::SetParaFormat(const TParaFormat& Format) {
    HandleNeeded();
    QTextDocument* d = FEngine->Doc();
    if (!d) return false;
    FEngine->Operate([&] {
        const TCharRange sel = FEngine->Selection();
        const int first = d->findBlock(sel.Min).blockNumber();
        const int last = d->findBlock(sel.Max).blockNumber();
        for (int i = first; i <= last; ++i) SetBlockParaFormat(d, i, Format);
        FEngine->Modified = true;
        FEngine->PrintLayout.reset();
    });
    return true;
}

Word TCustomRichMemo::SelectionType() {
    HandleNeeded();
    const TCharRange r = FEngine->Selection();
    const Integer n = r.Max - r.Min;
    if (n <= 0) return SEL_EMPTY;
    return n == 1 ? SEL_TEXT : Word(SEL_TEXT | SEL_MULTICHAR);
}

void TCustomRichMemo::ExLimitText(Integer Limit) {
    HandleNeeded();
    FEngine->Limit = Limit <= 0 ? RichEditDefaultLimit : std::min(Limit, RichEditMaxLimit);
}

Integer TCustomRichMemo::GetLimitText() {
    HandleNeeded();
    return FEngine->Limit;
}

Cardinal TCustomRichMemo::GetEventMask() {
    HandleNeeded();
    return FEngine->EventMask;
}

Cardinal TCustomRichMemo::SetEventMask(Cardinal Mask) {
    HandleNeeded();
    const Cardinal old = FEngine->EventMask;
    FEngine->EventMask = Mask;
    return old;
}

void TCustomRichMemo::SetBkgndColor(TColor Value) {
    HandleNeeded();
    if (QTextEdit* e = FEngine->Edit()) {
        QPalette pal = e->palette();
        pal.setColor(QPalette::Base, ToQColor(Value));
        e->setPalette(pal);
    }
}

void TCustomRichMemo::AutoUrlDetect(bool Value) {
    HandleNeeded();
    if (FEngine->AutoUrl == Value) return;
    FEngine->AutoUrl = Value;
    FEngine->Operate([&] {
        if (Value) FEngine->DetectUrls(0, FEngine->Length());
        else ClearUrls(FEngine->Doc(), FEngine->Default);
    });
}

bool TCustomRichMemo::GetAutoUrlDetect() {
    HandleNeeded();
    return FEngine->AutoUrl;
}

Cardinal TCustomRichMemo::GetOptions() {
    HandleNeeded();
    return FEngine->Options;
}

Cardinal TCustomRichMemo::SetOptions(Cardinal Operation, Cardinal Options) {
    HandleNeeded();
    Cardinal& o = FEngine->Options;
    switch (Operation) {
    case ECOOP_SET: o = Options; break;
    case ECOOP_OR: o |= Options; break;
    case ECOOP_AND: o &= Options; break;
    case ECOOP_XOR: o ^= Options; break;
    default: break;
    }
    return o;
}

Cardinal TCustomRichMemo::GetLangOptions() {
    HandleNeeded();
    return FEngine->LangOptions;
}

void TCustomRichMemo::SetLangOptions(Cardinal Options) {
    HandleNeeded();
    FEngine->LangOptions = Options;
}

void TCustomRichMemo::HideSelection(bool Hide, bool) {
    HandleNeeded();
    FEngine->HideSel = Hide;
}

Cardinal TCustomRichMemo::GetTextMode() {
    HandleNeeded();
    return FEngine->TextMode;
}

void TCustomRichMemo::SetTextMode(Cardinal Mode) {
    HandleNeeded();
    const bool wasPlain = FEngine->PlainMode();
    FEngine->TextMode = Mode;
    if (FEngine->PlainMode() && !wasPlain)
        FEngine->Operate([&] { StripFormats(FEngine->Doc(), FEngine->Default); });
}

void TCustomRichMemo::SetRedraw(bool Value) {
    HandleNeeded();
    FEngine->Redraw = Value;
    if (QTextEdit* e = FEngine->Edit()) {
        e->setUpdatesEnabled(Value);
        if (Value) e->viewport()->update();
    }
}

Integer TCustomRichMemo::FindText(Cardinal Flags, TCharRange Range, const AnsiString& Value, TCharRange* Found) {
    HandleNeeded();
    QTextDocument* d = FEngine->Doc();
    if (Found) *Found = {-1, -1};
    if (!d || Value.empty()) return -1;
    QString text = d->toRawText();
    text.replace(QChar::ParagraphSeparator, QChar('\n'));
    text.truncate(FEngine->Length());
    const QString needle = NormaliseBreaks(ToQ(Value));
    const Integer len = static_cast<Integer>(text.size());
    const Qt::CaseSensitivity cs = (Flags & FR_MATCHCASE) ? Qt::CaseSensitive : Qt::CaseInsensitive;
    const bool down = Flags & FR_DOWN;
    // Down: a match lies inside [Min, Max]; up: inside [Max, Min], nearest Min first.
    const Integer lo = std::clamp<Integer>(down ? Range.Min : (Range.Max < 0 ? 0 : Range.Max), 0, len);
    const Integer hi = std::clamp<Integer>(down ? (Range.Max < 0 ? len : Range.Max) : Range.Min, 0, len);
    auto isWordChar = [&](Integer i) { return i >= 0 && i < len && (text[i].isLetterOrNumber() || text[i] == QChar('_')); };
    auto accept = [&](Integer at) {
        const Integer end = at + static_cast<Integer>(needle.size());
        if (at < lo || end > hi) return false;
        return !(Flags & FR_WHOLEWORD) || (!isWordChar(at - 1) && !isWordChar(end));
    };
    Integer at = down ? static_cast<Integer>(text.indexOf(needle, lo, cs))
                      : static_cast<Integer>(text.lastIndexOf(needle, hi - static_cast<Integer>(needle.size()), cs));
    while (at >= 0 && !accept(at)) {
        if (down) {
            if (at + needle.size() > hi) return -1;
            at = static_cast<Integer>(text.indexOf(needle, at + 1, cs));
        } else {
            if (at <= lo) return -1;
            at = static_cast<Integer>(text.lastIndexOf(needle, at - 1, cs));
        }
    }
    if (at < 0) return -1;
    if (Found) *Found = {at, at + static_cast<Integer>(needle.size())};
    return at;
}

TPoint TCustomRichMemo::PosFromChar(Integer CharIndex) {
    HandleNeeded();
    QTextEdit* e = FEngine->Edit();
    if (!e) return {};
    QTextCursor c(e->document());
    c.setPosition(std::clamp<Integer>(CharIndex, 0, FEngine->Length()));
    const QRect r = e->cursorRect(c);
    const QPoint p = e->viewport()->mapTo(e, r.topLeft());
    return TPoint{p.x(), p.y()};
}

