// TVmCheckListBox: states, keys and mouse, drawing, settings-file storage.
#include <algorithm>

#include "components/AppUtils.h"
#include "components/Placemnt.h"
#include "components/VCLUtils.h"
#include "components/VmCtrls.h"
#include "platform/classes/Filer.h"
#include "platform/gfx/Bitmap.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/IniFiles.h"
#include "platform/rtl/ScopeGuard.h"
#include "platform/rtl/SysUtils.h"

namespace {

constexpr Integer kCellWidth = 16;
constexpr Integer kCellHeight = 13;
constexpr Integer kCellColumns = 6;
constexpr Integer kCellRows = 3;
// The colour of the check picture that shows the control's background.
constexpr TColor kCheckBackground = clOlive;

// Check box: a sunken 13 x 13 square. k black, g gray, w white, s silver,
// i the inside (white, silver when disabled).
const char* const kBoxCell[] = {
    "gggggggggggw",  //
    "gkkkkkkkkksw",  //
    "gkiiiiiiiisw",  //
    "gkiiiiiiiisw",  //
    "gkiiiiiiiisw",  //
    "gkiiiiiiiisw",  //
    "gkiiiiiiiisw",  //
    "gkiiiiiiiisw",  //
    "gkiiiiiiiisw",  //
    "gkiiiiiiiisw",  //
    "gssssssssssw",  //
    "wwwwwwwwwwww",  //
};
// Radio button: a sunken circle.
const char* const kRadioCell[] = {
    "....gggg....",  //
    "..ggkkkkgg..",  //
    ".gkkiiiikkw.",  //
    ".gkiiiiiisw.",  //
    "gkiiiiiiiisw",  //
    "gkiiiiiiiisw",  //
    "gkiiiiiiiisw",  //
    "gkiiiiiiiisw",  //
    ".gkiiiiiisw.",  //
    ".wssiiiissw.",  //
    "..wwssssww..",  //
    "....wwww....",  //
};
// The tick, drawn at (3, 3) of a box or check-mark cell.
const char* const kTick[] = {
    "......x",  //
    ".....xx",  //
    "x...xxx",  //
    "xx.xxx.",  //
    "xxxxx..",  //
    ".xxx...",  //
    "..x....",  //
};
// The dot of a chosen radio button, at (4, 4).
const char* const kDot[] = {
    ".xx.",  //
    "xxxx",  //
    "xxxx",  //
    ".xx.",  //
};

void Plot(TBitmap& image, Integer x0, Integer y0, const char* const* rows, int count, TColor inside, TColor mark,
          bool dither) {
    for (int y = 0; y < count; ++y)
        for (int x = 0; rows[y][x]; ++x) {
            TColor c = -1;
            switch (rows[y][x]) {
            case 'k': c = clBlack; break;
            case 'g': c = clGray; break;
            case 'w': c = clWhite; break;
            case 's': c = clSilver; break;
            case 'i': c = inside; break;
            case 'x':
                if (!dither || ((x + y) & 1) == 0) c = mark;
                break;
            default: break;
            }
            if (c != -1) image.SetPixel(x0 + x, y0 + y, c);
        }
}

std::unique_ptr<TBitmap> MakeCheckImage() {
    auto image = std::make_unique<TBitmap>();
    image->SetPixelFormat(pf4bit);
    image->SetSize(kCellWidth * kCellColumns, kCellHeight * kCellRows);
    TCanvas* canvas = image->Canvas();
    canvas->Brush()->SetColor(kCheckBackground);
    canvas->FillRect(Rect(0, 0, image->Width(), image->Height()));
    for (int kind = 0; kind < kCellRows; ++kind)
        for (int cell = 0; cell < kCellColumns; ++cell) {
            const bool enabled = cell < 3;
            const auto state = static_cast<TCheckBoxState>(cell % 3);
            const Integer x = cell * kCellWidth, y = kind * kCellHeight;
            const TColor inside = enabled ? clWhite : clSilver;
            // Checked: black (gray when disabled); grayed: gray, dithered
            // when disabled so that it differs from a disabled tick.
            const TColor mark = enabled && state == cbChecked ? clBlack : clGray;
            const bool dither = !enabled && state == cbGrayed;
            if (kind == ckRadioButtons) {
                Plot(*image, x + 2, y, kRadioCell, 12, inside, mark, false);
                if (state != cbUnchecked) Plot(*image, x + 6, y + 4, kDot, 4, inside, mark, dither);
            } else {
                if (kind == ckCheckBoxes) Plot(*image, x + 2, y, kBoxCell, 12, inside, mark, false);
                if (state != cbUnchecked) Plot(*image, x + 4, y + 2, kTick, 7, inside, mark, dither);
            }
        }
    return image;
}

}  // namespace

TBitmap* TVmCheckListBox::CheckImage() {
    static const std::unique_ptr<TBitmap> image = MakeCheckImage();
    return image.get();
}

// ---------------------------------------------------------------------------
// TCheckListBoxStrings

void TCheckListBoxStrings::Exchange(int Index1, int Index2) {
    auto* box = static_cast<TVmCheckListBox*>(ListBox());
    const TCheckBoxState state1 = box->State(Index1), state2 = box->State(Index2);
    const bool enabled1 = box->ItemEnabled(Index1), enabled2 = box->ItemEnabled(Index2);
    TVmListBoxStrings::Exchange(Index1, Index2);
    box->SetState(Index1, state2);
    box->SetItemEnabled(Index1, enabled2);
    box->SetState(Index2, state1);
    box->SetItemEnabled(Index2, enabled1);
}

void TCheckListBoxStrings::Move(int CurIndex, int NewIndex) {
    auto* box = static_cast<TVmCheckListBox*>(ListBox());
    const TCheckBoxState state = box->State(CurIndex);
    const bool enabled = box->ItemEnabled(CurIndex);
    TVmListBoxStrings::Move(CurIndex, NewIndex);
    box->SetState(NewIndex, state);
    box->SetItemEnabled(NewIndex, enabled);
}

// ---------------------------------------------------------------------------
// TVmCheckListBox

TVmCheckListBox::TVmCheckListBox(TComponent* AOwner)
    : TVmCustomListBox(AOwner), FCell(std::make_unique<TBitmap>()), FIniLink(std::make_unique<TIniLink>()) {
    ReplaceItems(std::make_unique<TCheckListBoxStrings>(this));
    FIniLink->OnSave = [this](TObject* Sender) { IniSave(Sender); };
    FIniLink->OnLoad = [this](TObject* Sender) { IniLoad(Sender); };
    RecreateWnd();
}

TVmCheckListBox::~TVmCheckListBox() {
    FIniLink.reset();
    ListResetContent();
}

// Every check list draws its own items.
TListBoxStyle TVmCheckListBox::WindowStyle() const {
    return Style() == lbStandard ? lbOwnerDrawFixed : Style();
}

Integer TVmCheckListBox::CheckWidth() const { return CheckImage()->Width() / kCellColumns + 2; }

TCheckListBoxItem* TVmCheckListBox::Record(Integer Index) const {
    // The window answers -1 for an index it does not have, 0 for an item
    // without a record yet.
    const std::intptr_t data = ListItemData(Index);
    return data == -1 ? nullptr : reinterpret_cast<TCheckListBoxItem*>(data);
}

TCheckListBoxItem* TVmCheckListBox::NeedRecord(Integer Index) {
    if (TCheckListBoxItem* item = Record(Index)) return item;
    FRecords.push_back(std::make_unique<TCheckListBoxItem>());
    TCheckListBoxItem* item = FRecords.back().get();
    ListSetItemData(Index, reinterpret_cast<std::intptr_t>(item));
    return item;
}

void TVmCheckListBox::FreeRecord(Integer Index) {
    TCheckListBoxItem* item = Record(Index);
    if (!item) return;
    ListSetItemData(Index, 0);
    std::erase_if(FRecords, [item](const std::unique_ptr<TCheckListBoxItem>& r) { return r.get() == item; });
}

void TVmCheckListBox::CheckIndex(Integer Index) const {
    if (Index < 0 || Index >= ListCount())
        throw EStringListError("List index out of bounds (" + IntToStr(Index) + ")");
}

std::intptr_t TVmCheckListBox::GetItemData(Integer Index) const {
    const TCheckListBoxItem* item = Record(Index);
    return item ? item->Data : 0;
}

void TVmCheckListBox::SetItemData(Integer Index, std::intptr_t Data) {
    TCheckListBoxItem* item = NeedRecord(Index);
    item->Data = Data;
    if (!FSavedStates.empty()) {
        // The window is being built again: the items come back in order.
        item->State = FSavedStates.front().first;
        item->Enabled = FSavedStates.front().second;
        FSavedStates.pop_front();
    }
}

void TVmCheckListBox::DeleteString(Integer Index) {
    FreeRecord(Index);
    TVmCustomListBox::DeleteString(Index);
}

void TVmCheckListBox::ResetContent() {
    for (Integer i = 0, n = ListCount(); i < n; ++i) ListSetItemData(i, 0);
    FRecords.clear();
    TVmCustomListBox::ResetContent();
}

void TVmCheckListBox::WindowDestroyed() {
    FSavedStates.clear();
    for (Integer i = 0, n = ListCount(); i < n; ++i) {
        const TCheckListBoxItem* item = Record(i);
        FSavedStates.emplace_back(item ? item->State : cbUnchecked, item ? item->Enabled : true);
        FreeRecord(i);
    }
}

void TVmCheckListBox::WindowCreated() {
    FSavedStates.clear();
    ResetItemHeight();
}

// --- states

TCheckBoxState TVmCheckListBox::State(Integer Index) const {
    CheckIndex(Index);
    const TCheckListBoxItem* item = Record(Index);
    const TCheckBoxState state = item ? item->State : cbUnchecked;
    if (FCheckKind == ckRadioButtons && state != cbChecked) return cbUnchecked;
    return state;
}

void TVmCheckListBox::SetState(Integer Index, TCheckBoxState Value) {
    CheckIndex(Index);
    if (Value == State(Index) && !FForceUpdate) return;
    // A radio list keeps its checked item until another one is checked.
    if (FCheckKind == ckRadioButtons && Value == cbUnchecked && CheckedIndex() == Index) return;
    NeedRecord(Index)->State = Value;
    if (FCheckKind == ckRadioButtons && Value == cbChecked)
        for (Integer i = ListCount() - 1; i >= 0; --i) {
            if (i == Index || State(i) != cbChecked) continue;
            NeedRecord(i)->State = cbUnchecked;
            InvalidateCheck(i);
        }
    InvalidateCheck(Index);
    if (!ComponentState().Contains(csReading)) StateChange(Index);
}

bool TVmCheckListBox::ItemEnabled(Integer Index) const {
    CheckIndex(Index);
    const TCheckListBoxItem* item = Record(Index);
    return item ? item->Enabled : true;
}

void TVmCheckListBox::SetItemEnabled(Integer Index, bool Value) {
    CheckIndex(Index);
    if (ItemEnabled(Index) == Value) return;
    NeedRecord(Index)->Enabled = Value;
    Invalidate();
}

void TVmCheckListBox::SetAllStates(TCheckBoxState Value, bool EnabledOnly) {
    if (FCheckKind == ckRadioButtons) return;
    for (Integer i = 0, n = ListCount(); i < n; ++i)
        if (!EnabledOnly || ItemEnabled(i)) SetState(i, Value);
}

void TVmCheckListBox::ToggleItem(Integer Index) {
    if (Index < 0 || Index >= ListCount() || !ItemEnabled(Index)) return;
    TCheckBoxState next = cbChecked;
    switch (State(Index)) {
    case cbUnchecked: next = AllowGrayed() ? cbGrayed : cbChecked; break;
    case cbChecked: next = cbUnchecked; break;
    case cbGrayed: next = cbChecked; break;
    }
    SetState(Index, next);
    ClickCheck();
}

Integer TVmCheckListBox::CheckedIndex() const {
    if (FCheckKind != ckRadioButtons) return -1;
    for (Integer i = 0, n = ListCount(); i < n; ++i)
        if (State(i) == cbChecked) return i;
    return -1;
}

void TVmCheckListBox::SetCheckedIndex(Integer Value) {
    if (FCheckKind == ckRadioButtons && ListCount() > 0) SetState(std::max<Integer>(Value, 0), cbChecked);
}

void TVmCheckListBox::SetAllowGrayed(bool Value) {
    if (FAllowGrayed == Value) return;
    FAllowGrayed = Value;
    Invalidate();
}

void TVmCheckListBox::SetCheckKind(TCheckKind Value) {
    if (FCheckKind == Value) return;
    FCheckKind = Value;
    ApplyRadioRule();
    Invalidate();
}

// A radio list ends with exactly one checked item: the checked one, or the first.
void TVmCheckListBox::ApplyRadioRule() {
    if (FCheckKind != ckRadioButtons || ListCount() == 0) return;
    FForceUpdate = true;
    auto reset = ScopeExit([this] { FForceUpdate = false; });
    SetState(std::max<Integer>(CheckedIndex(), 0), cbChecked);
}

void TVmCheckListBox::Loaded() {
    TVmCustomListBox::Loaded();
    ApplyRadioRule();
}

void TVmCheckListBox::ClickCheck() { FireEvent(OnClickCheck, this); }

void TVmCheckListBox::StateChange(Integer Index) { FireEvent(OnStateChange, this, Index); }

void TVmCheckListBox::SetItems(TStrings* Value) {
    if (!Value) return;
    Items()->BeginUpdate();
    auto end = ScopeExit([this] { Items()->EndUpdate(); });
    Items()->Assign(Value);
    if (auto* source = dynamic_cast<TCheckListBoxStrings*>(Value)) {
        auto* other = static_cast<TVmCheckListBox*>(source->ListBox());
        for (Integer i = 0, n = std::min<Integer>(ListCount(), other->ListCount()); i < n; ++i) {
            SetState(i, other->State(i));
            SetItemEnabled(i, other->ItemEnabled(i));
        }
    }
}

// --- keys and mouse

void TVmCheckListBox::KeyPress(char& Key) {
    TVmCustomListBox::KeyPress(Key);
    switch (Key) {
    case ' ':
        ToggleItem(ItemIndex());
        Key = 0;
        break;
    case '+':
        SetAllStates(cbChecked, true);
        ClickCheck();
        break;
    case '-':
        SetAllStates(cbUnchecked, true);
        ClickCheck();
        break;
    default: break;
    }
}

void TVmCheckListBox::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    std::weak_ptr<void> alive = AliveToken();
    TVmCustomListBox::MouseDown(Button, Shift, X, Y);
    if (alive.expired() || Button != mbLeft) return;
    const Integer index = ItemAtPos(Point(X, Y), true);
    if (index != -1 && X - ItemRect(index).Left < CheckWidth()) ToggleItem(index);
}

// --- item height and width

bool TVmCheckListBox::ItemHeightFollowsText() const {
    return Style() == lbStandard || (Style() == lbOwnerDrawFixed && !OnDrawItem);
}

void TVmCheckListBox::ResetItemHeight() {
    if (!ItemHeightFollowsText()) return;
    TCanvas* canvas = Canvas();
    canvas->Font()->Assign(Font());
    Integer height = std::max<Integer>(canvas->TextHeight("Wg"), CheckImage()->Height() / kCellRows);
    if (Style() == lbOwnerDrawFixed) height = std::max(height, TVmCustomListBox::ItemHeight());
    TListBox::SetItemHeight(height);
}

Integer TVmCheckListBox::ItemHeight() const {
    if (ItemHeightFollowsText()) return TListBox::ItemHeight();
    return TVmCustomListBox::ItemHeight();
}

void TVmCheckListBox::FontChanged() {
    TVmCustomListBox::FontChanged();
    ResetItemHeight();
}

Integer TVmCheckListBox::GetItemWidth(Integer Index) {
    return TVmCustomListBox::GetItemWidth(Index) + CheckWidth();
}

// --- drawing

void TVmCheckListBox::DrawItemNotify(Integer Index, const TRect& Rect, TOwnerDrawState State) {
    TRect text = Rect;
    text.Left += CheckWidth();
    TVmCustomListBox::DrawItemNotify(Index, text, State);
}

void TVmCheckListBox::DrawItem(Integer Index, const TRect& Rect, TOwnerDrawState AState) {
    if (Index < ListCount()) {
        const TRect area = ::Rect(Rect.Left - CheckWidth(), Rect.Top, Rect.Left, Rect.Bottom);
        DrawCheck(area, State(Index), ItemEnabled(Index));
        if (!ItemEnabled(Index))
            Canvas()->Font()->SetColor(AState.Contains(odSelected) ? clInactiveCaptionText : clGrayText);
    }
    if (Style() == lbStandard && OnDrawItem) {
        // A standard list draws its text the default way whatever the event says.
        TDrawItemEvent saved = std::move(OnDrawItem);
        OnDrawItem = nullptr;
        auto restore = ScopeExit([&] { OnDrawItem = std::move(saved); });
        TVmCustomListBox::DrawItem(Index, Rect, AState);
    } else {
        TVmCustomListBox::DrawItem(Index, Rect, AState);
    }
}

void TVmCheckListBox::DrawCheck(const TRect& Area, TCheckBoxState AState, bool AEnabled) {
    TBitmap* image = CheckImage();
    const Integer cellW = image->Width() / kCellColumns, cellH = image->Height() / kCellRows;
    const TRect cell = Bounds(Area.Left + (Area.Width() - cellW) / 2, Area.Top + (Area.Height() - cellH) / 2,
                              cellW, cellH);
    const Integer index = static_cast<Integer>(FCheckKind) * kCellColumns + (AEnabled ? 0 : 3) +
                          static_cast<Integer>(AState);
    CopyBitmapCell(image, FCell.get(), kCellColumns, index, kCellRows);
    TCanvas* canvas = Canvas();
    TBrush* brush = canvas->Brush();
    const TColor savedColor = brush->Color();
    const TBrushStyle savedStyle = brush->Style();
    auto restore = ScopeExit([&] {
        brush->SetColor(savedColor);
        brush->SetStyle(savedStyle);
    });
    brush->SetStyle(bsSolid);
    brush->SetColor(Color());
    canvas->BrushCopy(cell, FCell.get(), Rect(0, 0, cellW, cellH),
                      image->TransparentColor() & ~PaletteRelativeFlag);
}

void TVmCheckListBox::InvalidateCheck(Integer Index) {
    if (Index >= 0 && Index < ListCount()) Invalidate();
}

// --- form file

void TVmCheckListBox::DefineProperties(TFiler* Filer) {
    TVmCustomListBox::DefineProperties(Filer);
    Filer->DefineProperty(
        "InternalVersion",
        [this](TReader& Reader) {
            const Int64 version = Reader.ReadInteger();
            FStreamVersion = version < 0 || version > kStreamVersion ? kStreamVersion : Integer(version);
        },
        [](TWriter& Writer) { Writer.WriteInteger(kStreamVersion); }, true);
    Filer->DefineProperty(
        "Strings", [this](TReader& Reader) { ReadStrings(Reader); },
        [this](TWriter& Writer) { WriteStrings(Writer); }, StringsDiffer(nullptr));
}

bool TVmCheckListBox::StringsDiffer(const TVmCheckListBox* Ancestor) const {
    const Integer count = ListCount();
    if (!Ancestor) return count > 0;
    if (Ancestor->ListCount() != count) return true;
    for (Integer i = 0; i < count; ++i)
        if (AnsiCompareText(ListText(i), Ancestor->ListText(i)) != 0 || State(i) != Ancestor->State(i) ||
            ItemEnabled(i) != Ancestor->ItemEnabled(i))
            return true;
    return false;
}

// --- settings file

void TVmCheckListBox::SetIniStorage(TFormPlacement* Value) { FIniLink->SetIniObject(Value); }

TFormPlacement* TVmCheckListBox::IniStorage() const { return FIniLink->IniObject(); }

void TVmCheckListBox::SaveStatesToIni(TIniFile* IniFile, const AnsiString& Section) {
    SettingsEraseSection(IniFile, Section);
    SettingsWriteInteger(IniFile, Section, "Count", ListCount());
    for (Integer i = 0, n = ListCount(); i < n; ++i)
        SettingsWriteInteger(IniFile, Section, "Item" + IntToStr(i), static_cast<Integer>(State(i)));
}

void TVmCheckListBox::LoadStatesFromIni(TIniFile* IniFile, const AnsiString& Section) {
    const Integer count = std::min<Integer>(SettingsReadInteger(IniFile, Section, "Count", 0), ListCount());
    for (Integer i = 0; i < count; ++i) {
        const Integer stored = SettingsReadInteger(IniFile, Section, "Item" + IntToStr(i), 0);
        const TCheckBoxState state =
            stored >= cbUnchecked && stored <= cbGrayed ? static_cast<TCheckBoxState>(stored) : cbUnchecked;
        SetState(i, state);
        // A radio list always has a checked item (the first, before its stored
        // one is reached), so the stored value decides where loading stops.
        if (FCheckKind == ckRadioButtons && state == cbChecked) break;
    }
}

void TVmCheckListBox::IniSave(TObject*) {
    if (!Name().empty() && FIniLink->SettingsObject())
        SaveStatesToIni(FIniLink->SettingsObject(), FIniLink->SectionPrefix() + DefaultSectionName(this));
}

void TVmCheckListBox::IniLoad(TObject*) {
    if (!Name().empty() && FIniLink->SettingsObject())
        LoadStatesFromIni(FIniLink->SettingsObject(), FIniLink->SectionPrefix() + DefaultSectionName(this));
}

// ---------------------------------------------------------------------------
// Published properties

const TEnumType& EnumTypeInfo(TCheckKind) {
    static const TEnumType t{"TCheckKind", {"ckCheckBoxes", "ckRadioButtons", "ckCheckMarks"}};
    return t;
}

VEMLOR_PUBLISHED(TVmCheckListBox, TVmCustomListBox) {
    Prop("Items", &TVmCheckListBox::Items, &TVmCheckListBox::SetItems).Stored(false);
    Prop("AllowGrayed", &TVmCheckListBox::AllowGrayed, &TVmCheckListBox::SetAllowGrayed);
    Prop("CheckKind", &TVmCheckListBox::CheckKind, &TVmCheckListBox::SetCheckKind);
    Prop("CheckedIndex", &TVmCheckListBox::CheckedIndex, &TVmCheckListBox::SetCheckedIndex);
    Prop("IniStorage", &TVmCheckListBox::IniStorage, &TVmCheckListBox::SetIniStorage);
    EventProp("OnClickCheck", &TVmCheckListBox::OnClickCheck);
    EventProp("OnStateChange", &TVmCheckListBox::OnStateChange);
}
VEMLOR_REGISTER_CLASS(TVmCheckListBox);
