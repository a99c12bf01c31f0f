#pragma once
// The rich-edit control: a multi-line editor over formatted text with the
// behaviour program code expects of the system's rich-edit window (second
// generation):
//   - a position counts every character once and a paragraph break once;
//     Text gives CR LF per break, ranges and the selection give CR;
//   - character formats (face, height in twips, bold, italic, underline,
//     strike-out, protected, link, colour, character set, pitch, weight,
//     offset) with masks, for the default text, the selection or the word at
//     the caret; paragraph formats (alignment, numbering, indents, 32 tabs);
//   - replacing the selection with or without undo, multi-level undo and
//     redo with a limit, a text limit;
//   - notifications, each only when its bit is in the event mask and always
//     synchronously, through Notify: change, selection change, request-resize,
//     protected text about to change, mouse over a link;
//   - streaming plain text (Windows-1250 or UTF-16) and RTF in and out
//     through a callback that moves one chunk at a time;
//   - find, and formatting a range into a rectangle of a printed page.
//
// The window: the control's "window" is its editing state (document,
// formats, undo, event mask, limits). It is created on first need
// (HandleNeeded), with CreateParams and then CreateWnd, and dropped with
// DestroyWnd; RecreateWnd does both, and what the text held is gone unless a
// subclass kept it (as the class library's rich editors do in DestroyWnd).
//
// Embedded objects do not exist here: the selection type never says object,
// and paste and drop take plain text and RTF only.

#include <cstdint>
#include <functional>
#include <memory>

#include "platform/ui/Controls.h"
#include "platform/ui/RichEditFormats.h"
#include "platform/ui/TextCtrls.h"

class TFont;
class TPrinter;
struct TRichEditImpl;
struct TRichUndoStep;

// Messages that notifications name as their cause.
constexpr Cardinal WM_NOTIFY = 0x004E;
constexpr Cardinal WM_CONTEXTMENU = 0x007B;
constexpr Cardinal WM_CUT = 0x0300;
constexpr Cardinal WM_PASTE = 0x0302;
constexpr Cardinal WM_CLEAR = 0x0303;
constexpr Cardinal EM_REPLACESEL = 0x00C2;
constexpr Cardinal EM_SETCHARFORMAT = WM_USER + 68;
constexpr Cardinal EM_STREAMIN = WM_USER + 73;

// Notification codes.
constexpr Cardinal EN_CHANGE = 0x0300;
constexpr Cardinal EN_REQUESTRESIZE = 0x0701;
constexpr Cardinal EN_SELCHANGE = 0x0702;
constexpr Cardinal EN_PROTECTED = 0x0704;
constexpr Cardinal EN_SAVECLIPBOARD = 0x0708;
constexpr Cardinal EN_LINK = 0x070B;

// Event mask bits.
constexpr Cardinal ENM_NONE = 0;
constexpr Cardinal ENM_CHANGE = 0x00000001;
constexpr Cardinal ENM_REQUESTRESIZE = 0x00040000;
constexpr Cardinal ENM_SELCHANGE = 0x00080000;
constexpr Cardinal ENM_PROTECTED = 0x00200000;
constexpr Cardinal ENM_LINK = 0x04000000;

// Selection types.
constexpr Word SEL_EMPTY = 0;
constexpr Word SEL_TEXT = 1;
constexpr Word SEL_OBJECT = 2;
constexpr Word SEL_MULTICHAR = 4;
constexpr Word SEL_MULTIOBJECT = 8;

// Scopes of a character format.
constexpr Cardinal SCF_DEFAULT = 0;
constexpr Cardinal SCF_SELECTION = 1;
constexpr Cardinal SCF_WORD = 2;

// Stream formats and flags.
constexpr Cardinal SF_TEXT = 0x0001;
constexpr Cardinal SF_RTF = 0x0002;
constexpr Cardinal SF_RTFNOOBJS = 0x0003;
constexpr Cardinal SF_UNICODE = 0x0010;
constexpr Cardinal SFF_PLAINRTF = 0x4000;
constexpr Cardinal SFF_SELECTION = 0x8000;

// Text modes.
constexpr Cardinal TM_PLAINTEXT = 1;
constexpr Cardinal TM_RICHTEXT = 2;
constexpr Cardinal TM_SINGLELEVELUNDO = 4;
constexpr Cardinal TM_MULTILEVELUNDO = 8;

// Options and the ways of setting them.
constexpr Cardinal ECO_AUTOWORDSELECTION = 0x00000001;
constexpr Cardinal ECOOP_SET = 1;
constexpr Cardinal ECOOP_OR = 2;
constexpr Cardinal ECOOP_AND = 3;
constexpr Cardinal ECOOP_XOR = 4;

// Find flags.
constexpr Cardinal FR_DOWN = 0x0001;
constexpr Cardinal FR_WHOLEWORD = 0x0002;
constexpr Cardinal FR_MATCHCASE = 0x0004;

// Text length flags: default counts a break once, CR LF counts it twice.
constexpr Cardinal GTL_DEFAULT = 0;
constexpr Cardinal GTL_USECRLF = 1;

// Window styles read from CreateParams.
constexpr Cardinal ES_AUTOHSCROLL = 0x0080;
constexpr Cardinal ES_NOHIDESEL = 0x0100;
constexpr Cardinal ES_READONLY = 0x0800;
constexpr Cardinal ES_WANTRETURN = 0x1000;
constexpr Cardinal ES_DISABLENOSCROLL = 0x2000;
constexpr Cardinal ES_SAVESEL = 0x8000;
constexpr Cardinal ES_SELECTIONBAR = 0x01000000;
constexpr Cardinal WS_HSCROLL = 0x00100000;
constexpr Cardinal WS_VSCROLL = 0x00200000;

// The limit a new window has, and the largest a limit may be.
constexpr Integer RichEditDefaultLimit = 32767;
constexpr Integer RichEditMaxLimit = 16777215;

struct TCharRange {
    Integer Min = 0;
    Integer Max = 0;
    bool operator==(const TCharRange&) const = default;
};

// One notification. Result 0 lets a protected change, a link's mouse
// message and the saving of the clipboard go ahead.
struct TRichNotify {
    Cardinal Code = 0;
    TCharRange Range;     // selection, protected range or link range
    Word SelType = 0;     // EN_SELCHANGE
    TMessage Message;     // EN_PROTECTED and EN_LINK: the message behind it
    TRect Rect;           // EN_REQUESTRESIZE: the size the content needs
    Integer Objects = 0;  // EN_SAVECLIPBOARD
    Integer Chars = 0;
    std::intptr_t Result = 0;
};

// Moves one chunk: loading, fills Buffer with up to Size bytes; saving,
// takes Size bytes from it. Sets Done to the bytes moved (0 ends a load) and
// returns 0, or an error code that stops the stream.
using TRichStreamCallback = std::function<Cardinal(Byte* Buffer, Integer Size, Integer& Done)>;

struct TRichStream {
    TRichStreamCallback Callback;
    Cardinal Error = 0;  // the callback's code, or 1 for data the control refused
};

// A range of text formatted into Rect (twips) of a page of Page (twips)
// on the printer; the printer must be printing when the range is rendered.
struct TFormatRange {
    TPrinter* Target = nullptr;
    TRect Rect;
    TRect Page;
    TCharRange Chars;  // Max -1: to the end
};

struct TRichCreateParams {
    Cardinal Style = 0;
};

// The font as a character format (face, size, style, colour, character
// set): the window-text and default colours become the automatic colour.
TCharFormat FontCharFormat(const TFont* Font);

class TCustomRichMemo : public TWinControl {
public:
    explicit TCustomRichMemo(TComponent* AOwner);
    ~TCustomRichMemo() override;

    // --- The memo's properties -------------------------------------------
    AnsiString Text() const override;
    // Replaces the whole text (CR LF, CR and LF each break a line) without
    // undo; the modification flag is cleared.
    void SetText(const AnsiString& Value) override;
    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool Value);
    TScrollStyle ScrollBars() const { return FScrollBars; }
    void SetScrollBars(TScrollStyle Value);
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool Value);
    Integer MaxLength() const { return FMaxLength; }
    virtual void SetMaxLength(Integer Value);
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment Value) { FAlignment = Value; }
    bool WantReturns() const { return FWantReturns; }
    void SetWantReturns(bool Value) { FWantReturns = Value; }
    bool WantTabs() const { return FWantTabs; }
    void SetWantTabs(bool Value);
    bool Modified() const;
    void SetModified(bool Value);

    virtual Integer SelStart() const;
    virtual void SetSelStart(Integer Value);
    virtual Integer SelLength() const;
    virtual void SetSelLength(Integer Value);
    virtual AnsiString SelText() const;
    virtual void SetSelText(const AnsiString& Value);
    void SelectAll();
    virtual void Clear();
    void ClearSelection() { SetSelText(""); }
    void CopyToClipboard();
    void CutToClipboard();
    void PasteFromClipboard();
    // What Undo and Redo would do; the memo's Undo is the window's.
    bool CanUndo() const;
    void Undo() { EditUndo(); }
    void ClearUndo() { EmptyUndoBuffer(); }

    TNotifyEvent OnChange;

    // --- The window ------------------------------------------------------------
    bool HandleAllocated() const { return FHandle; }
    void HandleNeeded();
    void RecreateWnd();
    void DestroyHandle();

    // --- The window's messages (each creates the window when needed) ----------
    TCharRange ExGetSel();
    // (0, -1) selects everything; Min -1 removes the selection, leaving the
    // caret at its end; other values are clamped to the text. The caret
    // goes to Max.
    void ExSetSel(TCharRange Range);
    void ScrollCaret();
    // Replaces the selection; CanUndo false also empties the undo history
    // (what came before can no longer be undone at its positions).
    void ReplaceSel(const AnsiString& Value, bool CanUndo);
    // The characters of the range (clamped to the text), CR per break.
    AnsiString GetTextRange(Integer Min, Integer Max);
    AnsiString GetSelText();
    Integer GetTextLengthEx(Cardinal Flags);
    Integer GetLineCount();
    // The first position of the line (-1: the caret's line), or -1 past the last.
    Integer LineIndex(Integer Line);
    // The length of the line holding the position, without its break.
    Integer LineLength(Integer CharIndex);
    Integer LineFromChar(Integer CharIndex);
    // The whole line; a line that is followed by another ends with CR.
    AnsiString GetLine(Integer Line);
    TCharFormat GetCharFormat(Cardinal Scope);
    bool SetCharFormat(Cardinal Scope, const TCharFormat& Format);
    TParaFormat GetParaFormat();
    bool SetParaFormat(const TParaFormat& Format);
    Word SelectionType();
    bool EditUndo();
    bool Redo();
    bool CanRedo() const;
    void EmptyUndoBuffer();
    // 0 switches undo off; returns the limit taken.
    Integer SetUndoLimit(Integer Limit);
    // 0 sets the default limit; larger than RichEditMaxLimit is cut to it.
    void ExLimitText(Integer Limit);
    Integer GetLimitText();
    Cardinal GetEventMask();
    // Returns the previous mask.
    Cardinal SetEventMask(Cardinal Mask);
    void SetBkgndColor(TColor Value);
    void AutoUrlDetect(bool Value);
    bool GetAutoUrlDetect();
    Cardinal GetOptions();
    Cardinal SetOptions(Cardinal Operation, Cardinal Options);
    Cardinal GetLangOptions();
    void SetLangOptions(Cardinal Options);
    void HideSelection(bool Hide, bool ChangeStyle);
    Cardinal GetTextMode();
    void SetTextMode(Cardinal Mode);
    void SetRedraw(bool Value);
    // Returns the characters moved. A load takes everything the callback
    // gives and changes the text only when all of it was read; refused data
    // (RTF that does not read) sets Error 1 and changes nothing.
    Integer StreamIn(Cardinal Format, TRichStream& Stream);
    Integer StreamOut(Cardinal Format, TRichStream& Stream);
    // The first position of the text in the range (Max -1: to the end;
    // without FR_DOWN searching back from Min to Max), or -1; Found gets
    // the range of the match.
    Integer FindText(Cardinal Flags, TCharRange Range, const AnsiString& Value, TCharRange* Found = nullptr);
    // The first position that did not fit (the range's end when all did).
    // Without a range, drops what was laid out for earlier calls.
    Integer FormatRange(const TFormatRange* Range, bool Render);
    // Client coordinates of a character.
    TPoint PosFromChar(Integer CharIndex);

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

protected:
    friend struct TRichEditImpl;

    virtual void CreateParams(TRichCreateParams& Params);
    virtual void CreateWnd();
    virtual void DestroyWnd();
    // A notification of the window, as its parent would get it. The base
    // turns EN_CHANGE into Change.
    virtual void Notify(TRichNotify& Message);
    virtual void Change();
    void FontChanged() override;
    void ColorChanged() override;
    bool WantsKey(Word Key) const override;
    void ApplyVisible() override;

private:
    void ApplyStyle(const TRichCreateParams& Params);
    void SwapUndoStep(TRichUndoStep& Step);

    std::unique_ptr<TRichEditImpl> FEngine;
    bool FHandle = false;
    bool FCreating = false;
    bool FWordWrap = true;
    TScrollStyle FScrollBars = ssNone;
    bool FReadOnly = false;
    Integer FMaxLength = 0;
    TAlignment FAlignment = taLeftJustify;
    bool FWantReturns = true;
    bool FWantTabs = false;
};
