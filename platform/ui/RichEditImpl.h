#pragma once
// The state of a rich-edit window, shared by the .cpp files of the control
// (RichEdit.cpp: text, selection, undo, notifications; RichEditFormat.cpp:
// formats and formatted text; RichEditStream.cpp: streaming;
// RichEditPrint.cpp: formatting for the printer). Qt types are only
// forward-declared here, like everywhere in the layer's headers; not meant
// for program code.

#include <deque>
#include <functional>
#include <memory>

#include "platform/ui/RichEdit.h"
#include "platform/ui/RichText.h"

class QTextEdit;
class QTextDocument;
class QTextCursor;
class QTextCharFormat;
class QTextBlock;
class QString;

struct TRichUndoStep;
struct TRichPrintLayout;
// Defined where the layout is (RichEditPrint.cpp).
struct TRichPrintLayoutDelete {
    void operator()(TRichPrintLayout* Layout) const;
};

// How an edit enters the undo history.
enum class TRichUndo { None, Step, Typing };

struct TRichEditImpl {
    explicit TRichEditImpl(TCustomRichMemo* owner);
    ~TRichEditImpl();

    TCustomRichMemo* Owner;
    QTextEdit* Edit() const;
    QTextDocument* Doc() const;

    // The window's state; Reset gives what a new window has.
    TCharFormat Default;
    Cardinal EventMask = ENM_NONE;
    Integer Limit = RichEditDefaultLimit;
    Integer UndoLimit = 100;
    Cardinal TextMode = TM_RICHTEXT | TM_MULTILEVELUNDO;
    Cardinal Options = 0;
    Cardinal LangOptions = 0;
    bool AutoUrl = false;
    bool HideSel = true;
    bool Modified = false;
    bool Redraw = true;
    std::deque<std::unique_ptr<TRichUndoStep>> UndoSteps;
    std::deque<std::unique_ptr<TRichUndoStep>> RedoSteps;
    bool MergeTyping = false;
    std::unique_ptr<TRichPrintLayout, TRichPrintLayoutDelete> PrintLayout;

    // Notifications are collected while an operation runs and sent when the
    // outermost one ends.
    int Busy = 0;
    bool PendingChange = false;
    bool PendingSelection = false;
    TCharRange LastSelection;
    int LastHeight = -1;

    void Reset();
    bool PlainMode() const { return (TextMode & TM_PLAINTEXT) != 0; }
    Integer Length() const;
    TCharRange Selection() const;
    void Select(Integer Anchor, Integer Caret);

    // Runs an operation; notifications wait until the outermost one ends.
    void Operate(const std::function<void()>& Body);
    void Flush();
    void Send(TRichNotify& Notify);

    // Replaces [From, To) with what Insert puts at the cursor (Inserted
    // characters). Refused (false) when protected text says no; the caller
    // has already cut the insertion to the limit.
    bool Replace(Integer From, Integer To, Integer Inserted, const std::function<void(QTextCursor&)>& Insert,
                 Cardinal Msg, TRichUndo Undo);
    // Plain text typed or replaced at the selection, cut to the limit.
    bool ReplaceSelection(const QString& Text, Cardinal Msg, TRichUndo Undo);
    bool ReplaceSelectionRich(const TRichText& Text, Cardinal Msg, TRichUndo Undo);
    // Room left under the limit when [From, To) is replaced.
    Integer Room(Integer From, Integer To) const;
    void ClearUndo();
    // Marks links in the paragraphs of the range when detection is on.
    void DetectUrls(Integer From, Integer To);
    // The character formats and the display of the whole text after the
    // default format changed.
    void DefaultChanged();
};

namespace rich_detail {

// Line breaks of any kind (CR LF, CR, LF, the paragraph and line
// separators) become the document's one break.
QString NormaliseBreaks(const QString& Text);

// Twips <-> layout pixels (the document is laid out at 96 pixels per inch).
double TwipsToPixels(Integer Twips);

// The attributes of a character: its own where it has them, the default's
// for the rest. Mask holds every attribute.
TCharFormat EffectiveFormat(const QTextCharFormat& Format, const TCharFormat& Default);
// Bits of the attributes that differ.
Cardinal CharDifferences(const TCharFormat& A, const TCharFormat& B);
// Stores the masked attributes of Format in the character format.
void MergeAttributes(QTextCharFormat& Target, const TCharFormat& Format);
// The character format with its display (font, colour) made from its
// attributes over the default.
QTextCharFormat WithDisplay(const QTextCharFormat& Format, const TCharFormat& Default);
// Redoes the display of every fragment in [From, To).
void RefreshDisplay(QTextDocument* Doc, Integer From, Integer To, const TCharFormat& Default);
// Applies the default's display to the document (font, text colour).
void ApplyDefaultDisplay(QTextEdit* Edit, const TCharFormat& Default);

// The attributes shared by all characters of [From, To): Mask says which.
TCharFormat SelectionFormat(QTextDocument* Doc, Integer From, Integer To, const TCharFormat& Default);
// Some character of [From, To) is protected; for an empty range, the text on
// both sides of it is.
bool RangeIsProtected(QTextDocument* Doc, Integer From, Integer To, const TCharFormat& Default);
// The link around a position ({Pos, Pos} when there is none).
TCharRange LinkRange(QTextDocument* Doc, Integer Pos, const TCharFormat& Default);
// Marks the web and mail addresses of the paragraphs of [From, To) as
// links, and unmarks what no longer is one; links set by hand stay.
void MarkUrls(QTextDocument* Doc, Integer From, Integer To, const TCharFormat& Default);
void ClearUrls(QTextDocument* Doc, const TCharFormat& Default);
// Every character back to the default format.
void StripFormats(QTextDocument* Doc, const TCharFormat& Default);

TParaFormat BlockParaFormat(const QTextBlock& Block);
Cardinal ParaDifferences(const TParaFormat& A, const TParaFormat& B);
void SetBlockParaFormat(QTextDocument* Doc, int BlockNumber, const TParaFormat& Format);

// The formatted text of [From, To), every run with all attributes.
TRichText DocumentRichText(QTextDocument* Doc, Integer From, Integer To, const TCharFormat& Default);
// Inserts formatted text at the cursor; paragraph formats are applied to the
// paragraphs it makes when ApplyParagraphs (and never in plain mode, where
// the text takes the default format).
void InsertRichText(QTextDocument* Doc, QTextCursor& Cursor, const TRichText& Text, const TCharFormat& Default,
                    bool Plain, bool ApplyParagraphs);
// Cuts formatted text to its first Chars characters (breaks count one).
void TruncateRichText(TRichText& Text, Integer Chars);
Integer RichTextLength(const TRichText& Text);

}  // namespace rich_detail
