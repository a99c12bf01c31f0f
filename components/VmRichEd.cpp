#include "components/VmRichEd.h"

#include <algorithm>
#include <cstring>

#include "platform/classes/ClassRegistry.h"
#include "platform/rtl/ScopeGuard.h"
#include "platform/rtl/SysUtils.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Printers.h"

namespace {

constexpr Cardinal kLangBits[] = {1, 2, 4, 8};  // rlAutoKeyboard .. rlImeAlwaysSendNotify

std::unique_ptr<TConversion> NewConversion() { return std::make_unique<TConversion>(); }

}  // namespace

// ---------------------------------------------------------------------------
// Converters

LongInt TConversion::ConvertReadStream(TStream* Stream, char* Buffer, LongInt BufSize) {
    return Stream->Read(Buffer, BufSize);
}

LongInt TConversion::ConvertWriteStream(TStream* Stream, const char* Buffer, LongInt BufSize) {
    return Stream->Write(Buffer, BufSize);
}

const std::vector<TRichConversionFormat>& RichConversionFormats() {
    static const std::vector<TRichConversionFormat> formats{
        {"txt", true, &NewConversion},
        {"rtf", false, &NewConversion},
    };
    return formats;
}

// ---------------------------------------------------------------------------
// TVmCustomRichEdit

TVmCustomRichEdit::TVmCustomRichEdit(TComponent* AOwner)
    : TCustomRichMemo(AOwner),
      FSelAttributes(std::make_unique<TVmTextAttributes>(this, atSelected)),
      FDefAttributes(std::make_unique<TVmTextAttributes>(this, atDefaultText)),
      FWordAttributes(std::make_unique<TVmTextAttributes>(this, atWord)),
      FParagraph(std::make_unique<TVmParaAttributes>(this)),
      FLines(std::make_unique<TRichEditStrings>(this)),
      FDefaultConverter(&NewConversion) {
    SetTabStop(true);
    SetBounds(Left(), Top(), 185, 89);
    SetScrollBars(ssBoth);
    FScreenLogPixels = Screen ? Screen->PixelsPerInch() : 96;
}

TVmCustomRichEdit::~TVmCustomRichEdit() {
    // The window goes first, while this class can still answer its
    // notifications; what it held is not kept.
    FDestroying = true;
    DestroyHandle();
}

void TVmCustomRichEdit::Clear() {
    TCustomRichMemo::Clear();
    SetModified(false);
}

void TVmCustomRichEdit::SelectRange(Integer StartPos, Integer EndPos, bool Scroll) {
    ExSetSel({StartPos, EndPos});
    if (Scroll) ScrollCaret();
}

void TVmCustomRichEdit::SetSelStart(Integer Value) { SelectRange(Value, Value, false); }

void TVmCustomRichEdit::SetSelLength(Integer Value) {
    const Integer start = ExGetSel().Min;
    SelectRange(start, start + std::max<Integer>(Value, 0), true);
}

void TVmCustomRichEdit::SetSelText(const AnsiString& Value) {
    const Integer start = ExGetSel().Min;
    const bool canUndo = FUndoLimit > 1 && RichEditLevel >= 2 && !FLinesUpdating;
    ReplaceSel(Value, canUndo);
    if (FLinesUpdating) return;
    // The inserted text is what lies between the start and the caret now: a
    // CR LF counts once and the text limit may have cut it, so the length
    // of Value would reach past it.
    SelectRange(start, ExGetSel().Max, true);
}

Integer TVmCustomRichEdit::GetSelTextBuf(char* Buffer, Integer BufSize) {
    if (!Buffer || BufSize <= 0) return 0;
    const AnsiString text = SelText();
    const Integer n = std::min<Integer>(static_cast<Integer>(text.size()), BufSize - 1);
    std::memcpy(Buffer, text.data(), static_cast<std::size_t>(n));
    Buffer[n] = '\0';
    return n;
}

AnsiString TVmCustomRichEdit::TextInRange(Integer StartPos, Integer EndPos) {
    const Integer len = GetTextLengthEx(GTL_DEFAULT);
    StartPos = std::clamp<Integer>(StartPos, 0, len);
    EndPos = std::clamp<Integer>(EndPos, 0, len);
    if (EndPos <= StartPos) return {};
    return GetTextRange(StartPos, EndPos);
}

TPoint TVmCustomRichEdit::CaretPos() {
    const Integer end = ExGetSel().Max;
    const Integer line = LineFromChar(end);
    return TPoint{end - LineIndex(line), line};
}

void TVmCustomRichEdit::SetMaxLength(Integer Value) {
    TCustomRichMemo::SetMaxLength(Value);
    if (HandleAllocated()) ApplyMaxLength();
}

void TVmCustomRichEdit::ApplyMaxLength() { ExLimitText(MaxLength() == 0 ? RichEditMaxLimit : MaxLength()); }

TRichSelectionKinds TVmCustomRichEdit::SelectedContentKinds() {
    TRichSelectionKinds kinds;
    if (!HandleAllocated()) return kinds;
    const Word bits = SelectionType();
    if (bits & SEL_TEXT) kinds << stText;
    if (bits & SEL_OBJECT) kinds << stObject;
    if (bits & SEL_MULTICHAR) kinds << stMultiChar;
    if (bits & SEL_MULTIOBJECT) kinds << stMultiObject;
    return kinds;
}

void TVmCustomRichEdit::SetLines(TStrings* Value) {
    if (Value) FLines->Assign(Value);
}

bool TVmCustomRichEdit::AutoURLDetect() const {
    if (!HandleAllocated() || ComponentState().Contains(csDesigning)) return FAutoURLDetect;
    return const_cast<TVmCustomRichEdit*>(this)->GetAutoUrlDetect();
}

void TVmCustomRichEdit::SetAutoURLDetect(bool Value) {
    if (FAutoURLDetect == Value) return;
    FAutoURLDetect = Value;
    if (HandleAllocated()) AutoUrlDetect(Value);
}

bool TVmCustomRichEdit::WordSelection() const {
    if (HandleAllocated()) return (const_cast<TVmCustomRichEdit*>(this)->GetOptions() & ECO_AUTOWORDSELECTION) != 0;
    return FWordSelection;
}

void TVmCustomRichEdit::SetWordSelection(bool Value) {
    FWordSelection = Value;
    if (!HandleAllocated()) return;
    const Cardinal options = GetOptions();
    SetOptions(ECOOP_SET, Value ? options | ECO_AUTOWORDSELECTION : options & ~ECO_AUTOWORDSELECTION);
}

TRichLangOptions TVmCustomRichEdit::LangOptions() const {
    if (!HandleAllocated() || ComponentState().Contains(csDesigning)) return FLangOptions;
    const Cardinal bits = const_cast<TVmCustomRichEdit*>(this)->GetLangOptions();
    TRichLangOptions result;
    for (int i = 0; i < 4; ++i)
        if (bits & kLangBits[i]) result << static_cast<TRichLangOption>(i);
    return result;
}

void TVmCustomRichEdit::SetLangOptions(TRichLangOptions Value) {
    FLangOptions = Value;
    if (!HandleAllocated()) return;
    Cardinal bits = 0;
    for (int i = 0; i < 4; ++i)
        if (Value.Contains(static_cast<TRichLangOption>(i))) bits |= kLangBits[i];
    TCustomRichMemo::SetLangOptions(bits);
}

void TVmCustomRichEdit::SetHideSelection(bool Value) {
    if (FHideSelection == Value) return;
    FHideSelection = Value;
    if (HandleAllocated()) TCustomRichMemo::HideSelection(Value, true);
}

void TVmCustomRichEdit::SetHideScrollBars(bool Value) {
    if (FHideScrollBars == Value) return;
    FHideScrollBars = Value;
    RecreateWnd();
}

void TVmCustomRichEdit::SetSelectionBar(bool Value) {
    if (FSelectionBar == Value) return;
    FSelectionBar = Value;
    RecreateWnd();
}

void TVmCustomRichEdit::SetAllowObjects(bool Value) {
    if (FAllowObjects == Value) return;
    FAllowObjects = Value;
    RecreateWnd();
}

void TVmCustomRichEdit::SetUndoLimit(Integer Value) {
    if (FUndoLimit == Value) return;
    FUndoLimit = Value;
    if (HandleAllocated()) FUndoLimit = TCustomRichMemo::SetUndoLimit(Value);
}

void TVmCustomRichEdit::ApplyTextMode() {
    SetTextMode((FPlainText ? TM_PLAINTEXT : TM_RICHTEXT) | (FUndoLimit > 1 ? TM_MULTILEVELUNDO : TM_SINGLELEVELUNDO));
}

void TVmCustomRichEdit::ApplyPlainText(bool Value) {
    if (FPlainText == Value) return;
    if (HandleAllocated()) {
        TMemoryStream content;
        const bool asPlain = Value || ComponentState().Contains(csDesigning);
        FLines->StreamWhole(&content, false, asPlain);
        content.SetPosition(0);
        FLines->SetChangeNotification(false);
        TCustomRichMemo::SetText("");
        FPlainText = Value;
        ApplyTextMode();
        FLines->SetChangeNotification(true);
        FLines->StreamWhole(&content, true, asPlain);
    }
    FPlainText = Value;
}

void TVmCustomRichEdit::CreateParams(TRichCreateParams& Params) {
    TCustomRichMemo::CreateParams(Params);
    Params.Style &= ~(WS_HSCROLL | WS_VSCROLL);
    Params.Style |= ES_SAVESEL;
    const TScrollStyle bars = ScrollBars();
    if (bars == ssVertical || bars == ssBoth) Params.Style |= WS_VSCROLL;
    if ((bars == ssHorizontal || bars == ssBoth) && !WordWrap()) Params.Style |= WS_HSCROLL;
    if (!FHideScrollBars) Params.Style |= ES_DISABLENOSCROLL;
    if (FSelectionBar) Params.Style |= ES_SELECTIONBAR;
    if (!FHideSelection) Params.Style |= ES_NOHIDESEL;
}

void TVmCustomRichEdit::CreateWnd() {
    TCustomRichMemo::CreateWnd();
    SetEventMask(ENM_CHANGE | ENM_SELCHANGE | ENM_REQUESTRESIZE | ENM_PROTECTED | ENM_LINK);
    SetBkgndColor(Color());
    ApplyMaxLength();
    SetWordSelection(FWordSelection);
    TCustomRichMemo::AutoUrlDetect(FAutoURLDetect);
    FUndoLimit = TCustomRichMemo::SetUndoLimit(FUndoLimit);
    ApplyTextMode();
    SetLangOptions(FLangOptions);
    if (FSavedContent) {
        std::unique_ptr<TMemoryStream> saved = std::move(FSavedContent);
        saved->SetPosition(0);
        Byte plain = 0;
        saved->ReadBuffer(&plain, 1);
        FLines->StreamWhole(saved.get(), true, plain != 0);
    }
    SetModified(FSavedModified);
    FSavedModified = false;
}

void TVmCustomRichEdit::DestroyWnd() {
    if (!FDestroying) {
        // The whole text goes into the saved content, formats included,
        // whatever the line list's own stream mode says: a mode that saves
        // only the selection would lose the rest when the window comes back.
        FSavedModified = Modified();
        auto content = std::make_unique<TMemoryStream>();
        const bool plain = FPlainText || ComponentState().Contains(csDesigning);
        const Byte flag = plain ? 1 : 0;
        content->WriteBuffer(&flag, 1);
        FLines->StreamWhole(content.get(), false, plain);
        FSavedContent = std::move(content);
    }
    TCustomRichMemo::DestroyWnd();
}

void TVmCustomRichEdit::FontChanged() {
    TWinControl::FontChanged();
    if (HandleAllocated()) FDefAttributes->Assign(Font());
}

void TVmCustomRichEdit::Notify(TRichNotify& Message) {
    switch (Message.Code) {
    case EN_REQUESTRESIZE: DoResizeRequest(Message.Rect); break;
    case EN_SELCHANGE: DoSelectionChange(); break;
    case EN_PROTECTED:
        if (!DoProtectChange(Message.Message, Message.Range.Min, Message.Range.Max)) Message.Result = 1;
        break;
    case EN_SAVECLIPBOARD:
        if (!DoSaveClipboard(Message.Objects, Message.Chars)) Message.Result = 1;
        break;
    case EN_LINK: {
        const Cardinal msg = Message.Message.Msg;
        const bool left = msg == WM_LBUTTONDOWN || msg == WM_LBUTTONUP;
        const TMouseButton button = left ? mbLeft : mbRight;
        if (msg == WM_LBUTTONDOWN || msg == WM_RBUTTONDOWN) {
            FLinkRange = Message.Range;
            FLinkButton = button;
        } else if (msg == WM_LBUTTONUP || msg == WM_RBUTTONUP) {
            const bool same = FLinkRange == Message.Range && FLinkButton == button;
            FLinkRange = {-1, -1};
            if (same) DoURLClick(TextInRange(Message.Range.Min, Message.Range.Max), button);
        }
        break;
    }
    default: TCustomRichMemo::Notify(Message); break;
    }
}

void TVmCustomRichEdit::DoTextNotFound(const AnsiString& FindText) { FireEvent(OnTextNotFound, this, FindText); }
void TVmCustomRichEdit::DoResizeRequest(const TRect& Rect) { FireEvent(OnResizeRequest, this, Rect); }
void TVmCustomRichEdit::DoCloseFindDialog(TCommonDialog* Dialog) { FireEvent(OnCloseFindDialog, this, Dialog); }
void TVmCustomRichEdit::DoSelectionChange() { FireEvent(OnSelectionChange, this); }

bool TVmCustomRichEdit::DoProtectChange(const TMessage& Message, Integer StartPos, Integer EndPos) {
    // Without a handler protected text stays as it is.
    bool allow = false;
    if (OnProtectChangeEx) FireEvent(OnProtectChangeEx, this, Message, StartPos, EndPos, allow);
    else FireEvent(OnProtectChange, this, StartPos, EndPos, allow);
    return allow;
}

bool TVmCustomRichEdit::DoSaveClipboard(Integer NumObjects, Integer NumChars) {
    bool save = true;
    FireEvent(OnSaveClipboard, this, NumObjects, NumChars, save);
    return save;
}

void TVmCustomRichEdit::DoURLClick(const AnsiString& URLText, TMouseButton Button) {
    FireEvent(OnURLClick, this, URLText, Button);
}

void TVmCustomRichEdit::PrintContents(const AnsiString& Caption) {
    TPrinter* printer = Printer();
    printer->SetTitle(Caption);
    printer->BeginDoc();
    auto dropCache = ScopeExit([this] { FormatRange(nullptr, false); });
    auto abort = ScopeFail([printer] { printer->Abort(); });
    const Integer dpiX = printer->PixelsPerInchX();
    const Integer dpiY = printer->PixelsPerInchY();
    TFormatRange range;
    range.Target = printer;
    if (FPrintPageRect.Right <= FPrintPageRect.Left || FPrintPageRect.Bottom <= FPrintPageRect.Top)
        range.Rect = Rect(0, 0, printer->PageWidth() * 1440 / dpiX, printer->PageHeight() * 1440 / dpiY);
    else
        range.Rect = Rect(FPrintPageRect.Left * 1440 / dpiX, FPrintPageRect.Top * 1440 / dpiY,
                          FPrintPageRect.Right * 1440 / dpiX, FPrintPageRect.Bottom * 1440 / dpiY);
    range.Page = range.Rect;
    const Integer length = GetTextLengthEx(GTL_DEFAULT);
    range.Chars = {0, -1};
    FormatRange(nullptr, false);
    Integer answer = 0;
    do {
        range.Chars.Min = answer;
        answer = FormatRange(&range, true);
        if (answer < length && answer != -1) {
            if (answer <= range.Chars.Min)
                throw EPrinter("The text does not fit on the page: nothing could be printed from position " +
                               IntToStr(range.Chars.Min));
            printer->NewPage();
        }
    } while (answer < length && answer != -1);
    printer->EndDoc();
}

// ---------------------------------------------------------------------------
// Published properties

const TEnumType& EnumTypeInfo(TRichStreamFormat) {
    static const TEnumType t{"TRichStreamFormat", {"sfDefault", "sfRichText", "sfPlainText"}};
    return t;
}

const TEnumType& EnumTypeInfo(TRichStreamMode) {
    static const TEnumType t{"TRichStreamMode", {"smSelection", "smPlainRtf", "smNoObjects", "smUnicode"}};
    return t;
}

const TEnumType& EnumTypeInfo(TRichLangOption) {
    static const TEnumType t{"TRichLangOption",
                             {"rlAutoKeyboard", "rlAutoFont", "rlImeCancelComplete", "rlImeAlwaysSendNotify"}};
    return t;
}

VEMLOR_PUBLISHED(TVmCustomRichEdit, TCustomRichMemo) {}

VEMLOR_PUBLISHED(TVmRichEdit, TVmCustomRichEdit) {
    Prop("Alignment", &TVmRichEdit::Alignment, &TVmRichEdit::SetAlignment);
    Prop("AllowInPlace", &TVmRichEdit::AllowInPlace, &TVmRichEdit::SetAllowInPlace);
    Prop("AllowObjects", &TVmRichEdit::AllowObjects, &TVmRichEdit::SetAllowObjects);
    Prop("AutoURLDetect", &TVmRichEdit::AutoURLDetect, &TVmRichEdit::SetAutoURLDetect);
    Prop("AutoVerbMenu", &TVmRichEdit::AutoVerbMenu, &TVmRichEdit::SetAutoVerbMenu);
    Prop("HideScrollBars", &TVmRichEdit::HideScrollBars, &TVmRichEdit::SetHideScrollBars);
    Prop("HideSelection", &TVmRichEdit::HideSelection, &TVmRichEdit::SetHideSelection);
    Prop("LangOptions", &TVmRichEdit::LangOptions, &TVmRichEdit::SetLangOptions);
    Prop("Lines", &TVmRichEdit::Lines, &TVmRichEdit::SetLines);
    Prop("MaxLength", &TVmRichEdit::MaxLength, &TVmRichEdit::SetMaxLength);
    Prop("PlainText", &TVmRichEdit::PlainText, &TVmRichEdit::SetPlainText);
    Prop("ReadOnly", &TVmRichEdit::ReadOnly, &TVmRichEdit::SetReadOnly);
    Prop("ScrollBars", &TVmRichEdit::ScrollBars, &TVmRichEdit::SetScrollBars);
    Prop("SelectionBar", &TVmRichEdit::SelectionBar, &TVmRichEdit::SetSelectionBar);
    Prop("StreamFormat", &TVmRichEdit::StreamFormat, &TVmRichEdit::SetStreamFormat);
    Prop("StreamMode", &TVmRichEdit::StreamMode, &TVmRichEdit::SetStreamMode);
    Prop("Title", &TVmRichEdit::Title, &TVmRichEdit::SetTitle);
    Prop("UndoLimit", &TVmRichEdit::UndoLimit, &TVmRichEdit::SetUndoLimit);
    Prop("WantReturns", &TVmRichEdit::WantReturns, &TVmRichEdit::SetWantReturns);
    Prop("WantTabs", &TVmRichEdit::WantTabs, &TVmRichEdit::SetWantTabs);
    Prop("WordSelection", &TVmRichEdit::WordSelection, &TVmRichEdit::SetWordSelection);
    Prop("WordWrap", &TVmRichEdit::WordWrap, &TVmRichEdit::SetWordWrap);
    EventProp("OnChange", &TVmRichEdit::OnChange);
    EventProp("OnCloseFindDialog", &TVmRichEdit::OnCloseFindDialog);
    EventProp("OnProtectChange", &TVmRichEdit::OnProtectChange);
    EventProp("OnProtectChangeEx", &TVmRichEdit::OnProtectChangeEx);
    EventProp("OnResizeRequest", &TVmRichEdit::OnResizeRequest);
    EventProp("OnSaveClipboard", &TVmRichEdit::OnSaveClipboard);
    EventProp("OnSelectionChange", &TVmRichEdit::OnSelectionChange);
    EventProp("OnTextNotFound", &TVmRichEdit::OnTextNotFound);
    EventProp("OnURLClick", &TVmRichEdit::OnURLClick);
}
VEMLOR_REGISTER_CLASS(TVmRichEdit);
