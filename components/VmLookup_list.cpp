// TVmDBLookupList, TVmPopupDataList and TPopupDataWindow: rows, keys,
// mouse tracking, the scroll bar and painting.
#include <algorithm>

#include "components/VCLUtils.h"
#include "platform/classes/ClassRegistry.h"
#include "components/VmLookup.h"
#include "platform/gfx/Bitmap.h"
#include "platform/rtl/ScopeGuard.h"
#include "platform/ui/DrawText.h"
#include "platform/ui/EdgeDraw.h"

namespace {

constexpr Integer kMaxRows = 50;

Integer FontTextHeight(const TFont& Font) { return MeasureText(Font, "Wg").y; }

}  // namespace

TVmDBLookupList::TVmDBLookupList(TComponent* AOwner)
    : TVmLookupControl(AOwner), FTimer(std::make_unique<TTimer>(nullptr)) {
    FTimer->SetEnabled(false);
    FTimer->OnTimer = [this](TObject*) { TrackTimer(); };
    FScrollBar = new TScrollBar(this);
    FScrollBar->SetKind(sbVertical);
    FScrollBar->SetTabStop(false);
    FScrollBar->SetParent(this);
    FScrollBar->SetVisible(false);
    FScrollBar->OnScroll = [this](TObject* Sender, TScrollCode Code, Integer& Pos) { ListScroll(Sender, Code, Pos); };
    SetBounds(Left(), Top(), 121, FrameHeight() + 7 * ItemHeight());
}

TVmDBLookupList::~TVmDBLookupList() {
    Destroying();
    FTimer->SetEnabled(false);
}

// --- geometry

Integer TVmDBLookupList::FrameHeight() const {
    if (FBorderStyle != bsSingle) return 0;
    return FPopup ? 2 : 4;
}

TRect TVmDBLookupList::RowsRect() const {
    const Integer frame = FrameHeight() / 2;
    const Integer bar = FScrollBar && FScrollBar->Visible() ? FScrollBar->Width() : 0;
    return Rect(frame, frame, std::max(frame, Width() - frame - bar), Height() - frame);
}

Integer TVmDBLookupList::ItemHeight() const { return std::max(FontTextHeight(*Font()), FItemHeight); }

void TVmDBLookupList::SetItemHeight(Integer Value) {
    // While the form file is read the font may not be set yet.
    FItemHeight = ComponentState().Contains(csReading) ? Value : std::max(FontTextHeight(*Font()), Value);
    SnapHeight();
}

bool TVmDBLookupList::IsItemHeightStored() const { return FItemHeight > FontTextHeight(*Font()); }

void TVmDBLookupList::SetRowCount(Integer Value) {
    Value = std::clamp<Integer>(Value, 1, kMaxRows);
    SetHeight(FrameHeight() + Value * ItemHeight());
}

void TVmDBLookupList::SetBorderStyle(TBorderStyle Value) {
    if (FBorderStyle == Value) return;
    FBorderStyle = Value;
    SnapHeight();
    Invalidate();
}

void TVmDBLookupList::SnapHeight() { SetBounds(Left(), Top(), Width(), Height()); }

// The height is always the frame and whole rows.
void TVmDBLookupList::SetBounds(Integer ALeft, Integer ATop, Integer AWidth, Integer AHeight) {
    const Integer frame = FrameHeight(), height = ItemHeight();
    FRowCount = std::max<Integer>(1, (AHeight - frame) / height);
    TVmLookupControl::SetBounds(ALeft, ATop, AWidth, frame + FRowCount * height);
    UpdateBufferCount();
}

void TVmDBLookupList::Resize() {
    TVmLookupControl::Resize();
    if (!FScrollBar) return;
    const Integer frame = FrameHeight() / 2;
    const Integer bar = GetSystemMetrics(SM_CXVSCROLL);
    FScrollBar->SetBounds(Width() - frame - bar, frame, bar, Height() - 2 * frame);
}

void TVmDBLookupList::FontChanged() {
    TVmLookupControl::FontChanged();
    SnapHeight();
}

Integer TVmDBLookupList::NaturalWidth() {
    TCanvas* canvas = Canvas();
    canvas->Font()->Assign(Font());
    const Integer m = canvas->TextWidth("M");
    Integer width = GetSystemMetrics(SM_CXVSCROLL);
    for (TField* field : DisplayFields()) width += field->DisplayWidth() * m + 4;
    return std::min<Integer>(width, Screen->Width());
}

void TVmDBLookupList::UpdateBufferCount() {
    if (TLookupSourceLink* link = LookupLink()) link->SetBufferCount(std::max<Integer>(1, BufferedRows()));
    UpdateScrollBar();
}

// Five positions when the records fill the rows: the first record, the
// middle, the last.
void TVmDBLookupList::UpdateScrollBar() {
    if (!FScrollBar || !LookupLink()) return;
    Integer max = 0, pos = 0;
    if (ListActive() && LookupLink()->RecordCount() >= BufferedRows()) {
        max = 4;
        if (!LookupDataSet()->Bof()) pos = LookupDataSet()->Eof() ? 4 : 2;
    }
    FScrollBar->SetParams(pos, 0, max);
    if (FScrollBar->Visible() != (max > 0)) {
        FScrollBar->SetVisible(max > 0);
        Invalidate();
    }
}

// --- values

void TVmDBLookupList::KeyValueChanged() {
    if (ListActive() && !FLockPosition && !LocateKey()) LookupDataSet()->First();
    Invalidate();
    UpdateScrollBar();
}

void TVmDBLookupList::DisplayValueChanged() { Invalidate(); }

void TVmDBLookupList::ListLinkActiveChanged() {
    TVmLookupControl::ListLinkActiveChanged();
    UpdateBufferCount();
    if (ListActive() && !LocateKey()) LookupDataSet()->First();
    UpdateScrollBar();
}

void TVmDBLookupList::ListLinkDataChanged() {
    UpdateScrollBar();
    Invalidate();
}

void TVmDBLookupList::DisplayEmptyChanged() {
    UpdateBufferCount();
    Invalidate();
}

void TVmDBLookupList::SelectEmpty() {
    TVmLookupControl::SelectEmpty();
    UpdateScrollBar();
}

// --- keys

bool TVmDBLookupList::WantsKey(Word Key) const {
    return Key == VK_UP || Key == VK_DOWN || Key == VK_LEFT || Key == VK_RIGHT ||
           TVmLookupControl::WantsKey(Key);
}

void TVmDBLookupList::KeyMove(Integer Delta) {
    ClearSearchText();
    TDataSet* data = LookupDataSet();
    if (ValueIsEmpty(Value())) {
        // From nothing (or the empty row) to the first record shown.
        if (EmptyRowVisible() && Delta < 0)
            SelectEmpty();
        else
            SelectCurrent();
        return;
    }
    if (data->IsEmpty() || KeyField()->AsString() != Value()) {
        // The value was scrolled away: back to it, without moving.
        LocateKey();
        SelectCurrent();
        return;
    }
    const int moved = data->MoveBy(Delta);
    if (EmptyRowVisible() && Delta < 0 && moved != Delta)
        SelectEmpty();
    else
        SelectCurrent();
}

void TVmDBLookupList::KeyDown(Word& Key, TShiftState Shift) {
    TVmLookupControl::KeyDown(Key, Shift);
    if (Key == 0 || !CanModify()) return;
    // A page is the rows less one (and less the empty row), at least one
    // row in the key's direction.
    const Integer page = std::max<Integer>(1, FRowCount - 1 - (EmptyRowVisible() ? 1 : 0));
    switch (Key) {
    case VK_UP:
    case VK_LEFT: KeyMove(-1); break;
    case VK_DOWN:
    case VK_RIGHT: KeyMove(1); break;
    case VK_PRIOR: KeyMove(-page); break;
    case VK_NEXT: KeyMove(page); break;
    case VK_HOME:
    case VK_END:
        ClearSearchText();
        if (Key == VK_HOME)
            LookupDataSet()->First();
        else
            LookupDataSet()->Last();
        SelectCurrent();
        break;
    case VK_TAB:
    case VK_ESCAPE: ClearSearchText(); return;
    default: return;
    }
    UpdateScrollBar();
}

void TVmDBLookupList::KeyPress(char& Key) {
    TVmLookupControl::KeyPress(Key);
    if (Key != 0 && CanModify()) ProcessSearchKey(Key);
}

// --- mouse

Integer TVmDBLookupList::RowAt(Integer Y) const {
    const TRect rows = RowsRect();
    const Integer y = std::clamp<Integer>(Y - rows.Top, 0, std::max<Integer>(rows.Height() - 1, 0));
    return std::min<Integer>(y / ItemHeight(), FRowCount - 1);
}

void TVmDBLookupList::SelectRow(Integer Row) {
    if (!ListActive()) return;
    if (EmptyRowVisible() && Row == 0) {
        SelectEmpty();
        return;
    }
    const Integer record = std::min<Integer>(Row - (EmptyRowVisible() ? 1 : 0), LookupLink()->RecordCount() - 1);
    if (record < 0) return;
    LookupDataSet()->MoveBy(record - LookupLink()->ActiveRecord());
    SelectCurrent();
}

void TVmDBLookupList::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    std::weak_ptr<void> alive = AliveToken();
    TVmLookupControl::MouseDown(Button, Shift, X, Y);
    if (alive.expired() || Button != mbLeft) return;
    ClearSearchText();
    if (!FPopup) {
        if (CanFocus()) SetFocus();
        if (!Focused()) return;
    }
    if (!CanModify()) return;
    if (Shift.Contains(ssDouble)) {
        const bool onValue = !ValueIsEmpty(Value()) && !LookupDataSet()->IsEmpty() && RowAt(Y) ==
                             LookupLink()->ActiveRecord() + (EmptyRowVisible() ? 1 : 0) &&
                             KeyField()->AsString() == Value();
        if (onValue) FireEvent(OnDblClick, this);
        return;
    }
    FTracking = true;
    FMousePos = Point(X, Y);
    SelectRow(RowAt(Y));
}

void TVmDBLookupList::MouseMove(TShiftState Shift, int X, int Y) {
    std::weak_ptr<void> alive = AliveToken();
    TVmLookupControl::MouseMove(Shift, X, Y);
    if (alive.expired() || !FTracking) return;
    SelectRow(RowAt(Y));
    FMousePos = Point(X, Y);
    TrackTimer();
}

// Above or below the rows the list moves one record, again and again the
// farther the pointer is.
void TVmDBLookupList::TrackTimer() {
    const TRect rows = RowsRect();
    const Integer y = FMousePos.y - rows.Top;
    Integer delta = 0, distance = 0;
    if (y < 0) {
        delta = -1;
        distance = -y;
    } else if (y >= rows.Height()) {
        delta = 1;
        distance = y - rows.Height() + 1;
    }
    if (delta == 0 || !FTracking) {
        FTimer->SetEnabled(false);
        return;
    }
    if (LookupDataSet()->MoveBy(delta) != 0) SelectCurrent();
    FTimer->SetInterval(static_cast<Cardinal>(std::max<Integer>(0, 200 - 15 * distance)));
    FTimer->SetEnabled(true);
    UpdateScrollBar();
}

void TVmDBLookupList::StopTracking() {
    FTimer->SetEnabled(false);
    FTracking = false;
}

void TVmDBLookupList::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    std::weak_ptr<void> alive = AliveToken();
    if (Button == mbLeft && FTracking) {
        StopTracking();
        SelectRow(RowAt(Y));
        if (alive.expired()) return;
    }
    TVmLookupControl::MouseUp(Button, Shift, X, Y);
}

// The wheel scrolls as the bar's arrows do: to the record just past the
// rows shown.
bool TVmDBLookupList::DoMouseWheelDown(TShiftState, TPoint) {
    Integer pos = 0;
    ListScroll(nullptr, scLineDown, pos);
    return true;
}

bool TVmDBLookupList::DoMouseWheelUp(TShiftState, TPoint) {
    Integer pos = 0;
    ListScroll(nullptr, scLineUp, pos);
    return true;
}

void TVmDBLookupList::WndProc(TMessage& Message) {
    if (Message.Msg == CM_CANCELMODE) StopTracking();
    TVmLookupControl::WndProc(Message);
}

// --- scroll bar

void TVmDBLookupList::ListScroll(TObject*, TScrollCode Code, Integer& Pos) {
    ClearSearchText();
    if (!ListActive()) return;
    TDataSet* data = LookupDataSet();
    const Integer index = LookupLink()->ActiveRecord(), count = LookupLink()->RecordCount();
    auto pageUp = [&] { data->MoveBy(-index - count + 1); };
    auto pageDown = [&] { data->MoveBy(count - index + count - 2); };
    switch (Code) {
    case scLineUp: data->MoveBy(-index - 1); break;
    case scLineDown: data->MoveBy(count - index); break;
    case scPageUp: pageUp(); break;
    case scPageDown: pageDown(); break;
    case scPosition:
        if (Pos == 0) data->First();
        if (Pos == 1) pageUp();
        if (Pos == 3) pageDown();
        if (Pos == 4) data->Last();
        break;
    case scTop: data->First(); break;
    case scBottom: data->Last(); break;
    default: return;
    }
    UpdateScrollBar();
    Pos = FScrollBar->Position();
    Invalidate();
}

// --- painting

void TVmDBLookupList::Paint() {
    TCanvas* canvas = Canvas();
    TRect frame = ClientRect();
    canvas->Brush()->SetStyle(bsSolid);
    canvas->Brush()->SetColor(Color());
    canvas->FillRect(frame);
    if (FBorderStyle == bsSingle) {
        if (FPopup) {
            canvas->Brush()->SetColor(clWindowFrame);
            canvas->FrameRect(frame);
        } else {
            Frame3D(canvas, frame, clBtnShadow, clBtnHighlight, 1);
            Frame3D(canvas, frame, cl3DDkShadow, cl3DLight, 1);
        }
    }
    const TRect rows = RowsRect();
    const Integer height = ItemHeight();
    TLookupSourceLink* link = LookupLink();
    const Integer saved = link->ActiveRecord();
    auto restore = ScopeExit([&] { link->SetActiveRecord(saved); });
    const Integer empty = EmptyRowVisible() ? 1 : 0;
    for (Integer row = 0; row < FRowCount; ++row) {
        const TRect r = Rect(rows.Left, rows.Top + row * height, rows.Right, rows.Top + (row + 1) * height);
        const bool isEmpty = empty && row == 0;
        const Integer record = row - empty;
        if (!isEmpty && (!ListActive() || record >= link->RecordCount())) continue;
        if (!isEmpty) link->SetActiveRecord(record);
        const bool selected = isEmpty ? ValueIsEmpty(Value()) : !ValueIsEmpty(Value()) && KeyField()->AsString() == Value();
        canvas->Font()->Assign(Font());
        canvas->Brush()->SetStyle(bsSolid);
        if (selected) {
            canvas->Brush()->SetColor(clHighlight);
            canvas->Font()->SetColor(clHighlightText);
        } else {
            canvas->Brush()->SetColor(isEmpty ? EmptyItemColor() : Color());
        }
        canvas->FillRect(r);
        Integer margin = 0;
        TRect text = r;
        if (TGraphic* picture = GetPicture(selected, isEmpty, margin)) {
            const Integer x = r.Left + (margin - picture->Width()) / 2, y = r.Top + (height - picture->Height()) / 2;
            if (auto* bitmap = dynamic_cast<TBitmap*>(picture))
                DrawBitmapMasked(canvas, x, y, bitmap, bitmap->TransparentColor());
            else
                canvas->Draw(x, y, picture);
            text.Left += margin;
        }
        DrawItemText(text, selected, isEmpty);
        if (selected && (Focused() || FPopup)) DrawFocusRect(canvas, r);
    }
}

void TVmDBLookupList::DrawItemText(const TRect& Rect, bool Selected, bool IsEmpty) {
    (void)Selected;
    TCanvas* canvas = Canvas();
    const TBrushStyle brush = canvas->Brush()->Style();
    const Integer y = Rect.Top + (Rect.Height() - canvas->TextHeight("Xy")) / 2;
    const std::vector<TField*>& fields = DisplayFields();
    if (ListStyle() == lsDelimited || fields.empty()) {
        AnsiString text;
        if (IsEmpty) {
            text = DisplayEmpty();
        } else {
            for (std::size_t i = 0; i < fields.size(); ++i) {
                if (i > 0) text += AnsiString(1, FieldsDelimiter()) + " ";
                text += fields[i]->DisplayText();
            }
        }
        TextRect(canvas, Rect, Rect.Left + 2, y, text);
        return;
    }
    const Integer m = canvas->TextWidth("M");
    const TColor line = Color() == clBtnFace ? clBtnShadow : clBtnFace;
    Integer x = Rect.Left;
    for (std::size_t i = 0; i < fields.size() && x < Rect.Right; ++i) {
        const bool last = i + 1 == fields.size();
        const Integer w = last ? Rect.Right - x : fields[i]->DisplayWidth() * m + 4;
        const AnsiString text = IsEmpty ? (i == 0 ? DisplayEmpty() : AnsiString()) : fields[i]->DisplayText();
        const TAlignment align = IsEmpty ? taLeftJustify : fields[i]->Alignment();
        const Integer tw = canvas->TextWidth(text);
        const Integer tx = align == taLeftJustify ? x + 2 : align == taRightJustify ? x + w - tw - 3 : x + (w - tw) / 2;
        TextRect(canvas, ::Rect(x, Rect.Top, std::min(x + w, Rect.Right), Rect.Bottom), tx, y, text);
        if (!last) {
            canvas->Pen()->SetColor(line);
            canvas->MoveTo(x + w - 1, Rect.Top);
            canvas->LineTo(x + w - 1, Rect.Bottom);
        }
        x += w;
    }
    canvas->Brush()->SetStyle(brush);
}

// ---------------------------------------------------------------------------
// TVmPopupDataList, TPopupDataWindow

TVmPopupDataList::TVmPopupDataList(TComponent* AOwner) : TVmDBLookupList(AOwner) {
    FPopup = true;
    SetTabStop(false);
    SetVisible(false);
    SnapHeight();
}

TVmPopupDataList::~TVmPopupDataList() = default;

VEMLOR_PUBLISHED(TVmDBLookupList, TVmLookupControl) {
    Prop("BorderStyle", &TVmDBLookupList::BorderStyle, &TVmDBLookupList::SetBorderStyle);
    Prop("DataField", &TVmDBLookupList::DataField, &TVmDBLookupList::SetDataField);
    Prop("DataSource", &TVmDBLookupList::DataSource, &TVmDBLookupList::SetDataSource);
    Prop("DisplayEmpty", &TVmDBLookupList::DisplayEmpty, &TVmDBLookupList::SetDisplayEmpty);
    Prop("EmptyItemColor", &TVmDBLookupList::EmptyItemColor, &TVmDBLookupList::SetEmptyItemColor);
    Prop("EmptyValue", &TVmDBLookupList::EmptyValue, &TVmDBLookupList::SetEmptyValue)
        .Stored(&TVmDBLookupList::IsEmptyValueStored);
    Prop("FieldsDelimiter", &TVmDBLookupList::FieldsDelimiter, &TVmDBLookupList::SetFieldsDelimiter);
    Prop("IgnoreCase", &TVmDBLookupList::IgnoreCase, &TVmDBLookupList::SetIgnoreCase);
    Prop("IndexSwitch", &TVmDBLookupList::IndexSwitch, &TVmDBLookupList::SetIndexSwitch);
    Prop("ItemHeight", &TVmDBLookupList::ItemHeight, &TVmDBLookupList::SetItemHeight)
        .Stored(&TVmDBLookupList::IsItemHeightStored);
    Prop("ListStyle", &TVmDBLookupList::ListStyle, &TVmDBLookupList::SetListStyle);
    Prop("LookupDisplay", &TVmDBLookupList::LookupDisplay, &TVmDBLookupList::SetLookupDisplay);
    Prop("LookupDisplayIndex", &TVmDBLookupList::LookupDisplayIndex, &TVmDBLookupList::SetLookupDisplayIndex);
    Prop("LookupField", &TVmDBLookupList::LookupField, &TVmDBLookupList::SetLookupField);
    Prop("LookupSource", &TVmDBLookupList::LookupSource, &TVmDBLookupList::SetLookupSource);
    Prop("ReadOnly", &TVmDBLookupList::ReadOnly, &TVmDBLookupList::SetReadOnly);
    EventProp("OnGetImage", &TVmDBLookupList::OnGetImage);
}

VEMLOR_PUBLISHED(TVmPopupDataList, TVmDBLookupList) {}
VEMLOR_REGISTER_CLASS(TVmDBLookupList);
