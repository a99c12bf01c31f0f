#include "components/VmCtrls.h"

#include <algorithm>
#include <cmath>

#include "platform/classes/ClassRegistry.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/SysUtils.h"
#include "platform/ui/EdgeDraw.h"

// ---------------------------------------------------------------------------
// TVmListBoxStrings

int TVmListBoxStrings::Count() const { return FListBox->ListCount(); }

AnsiString TVmListBoxStrings::Strings(int Index) const { return FListBox->ListText(Index); }

void TVmListBoxStrings::CheckIndex(int Index) const {
    if (Index < 0 || Index >= Count()) Error("List index out of bounds (%d)", Index);
}

// The item's datum may be any value (-1 included); only the index decides
// whether the item exists.
TObject* TVmListBoxStrings::Objects(int Index) const {
    CheckIndex(Index);
    return reinterpret_cast<TObject*>(FListBox->GetItemData(Index));
}

void TVmListBoxStrings::SetObjects(int Index, TObject* Object) {
    CheckIndex(Index);
    FListBox->SetItemData(Index, reinterpret_cast<std::intptr_t>(Object));
}

int TVmListBoxStrings::Add(const AnsiString& S) {
    const Integer index = FListBox->AddString(S);
    if (index < 0) throw EOutOfResources("Unable to insert a line");
    return index;
}

void TVmListBoxStrings::Insert(int Index, const AnsiString& S) {
    if (FListBox->InsertString(Index, S) < 0) throw EOutOfResources("Unable to insert a line");
}

void TVmListBoxStrings::Delete(int Index) {
    CheckIndex(Index);
    FListBox->DeleteString(Index);
}

void TVmListBoxStrings::Clear() { FListBox->ResetContent(); }

void TVmListBoxStrings::SetUpdateState(bool Updating) {
    FListBox->SetRedraw(!Updating);
    if (!Updating) FListBox->Refresh();
}

// ---------------------------------------------------------------------------
// TVmCustomListBox

TVmCustomListBox::TVmCustomListBox(TComponent* AOwner) : TListBox(AOwner) {
    ReplaceItems(std::make_unique<TVmListBoxStrings>(this));
    SetBounds(Left(), Top(), 121, 97);
    SetTabStop(true);
    SetParentColor(false);
    ApplyWindowStyle();
}

TVmCustomListBox::~TVmCustomListBox() = default;

void TVmCustomListBox::ApplyWindowStyle() {
    TListBox::SetSorted(FSorted);
    TListBox::SetMultiSelect(FMultiSelect);
    TListBox::SetExtendedSelect(FExtendedSelect);
    TListBox::SetStyle(WindowStyle());
    TListBox::SetItemHeight(FItemHeight);
    SetBorderVisible(FBorderStyle == bsSingle);
    ApplyColumnWidth();
}

void TVmCustomListBox::ApplyColumnWidth() {
    SetColumnLayout(FColumns > 0 ? (Width() + FColumns - 3) / FColumns : 0);
}

void TVmCustomListBox::RecreateWnd() {
    if (ListCount() > 0) {
        FSaveItems = std::make_unique<TStringList>();
        FSaveItems->Assign(Items());
        FSaveTopIndex = TopIndex();
        FSaveItemIndex = ItemIndex();
    }
    WindowDestroyed();
    TListBox::SetHorizontalExtent(0);
    ListResetContent();
    ApplyWindowStyle();
    if (FSaveItems) {
        // Put back through Items, so that a sorted window sorts them and
        // descendants take their item data back.
        std::unique_ptr<TStringList> saved = std::move(FSaveItems);
        Items()->Assign(saved.get());
        TListBox::SetTopIndex(FSaveTopIndex);
        SetItemIndex(FSaveItemIndex);
    }
    WindowCreated();
    UpdateHorizontalExtent();
    Invalidate();
}

void TVmCustomListBox::SetAutoScroll(bool Value) {
    if (FAutoScroll == Value) return;
    FAutoScroll = Value;
    ScrollToLeftEdge();
    UpdateHorizontalExtent();
}

void TVmCustomListBox::SetBorderStyle(TBorderStyle Value) {
    if (FBorderStyle == Value) return;
    FBorderStyle = Value;
    RecreateWnd();
}

// Between two multi-column layouts only the column width changes; to or
// from a single column the window is built again.
void TVmCustomListBox::SetColumns(Integer Value) {
    Value = std::max<Integer>(Value, 0);
    if (FColumns == Value) return;
    const bool rebuild = (FColumns == 0) != (Value == 0);
    FColumns = Value;
    if (rebuild)
        RecreateWnd();
    else
        ApplyColumnWidth();
}

void TVmCustomListBox::SetExtendedSelect(bool Value) {
    if (FExtendedSelect == Value) return;
    FExtendedSelect = Value;
    RecreateWnd();
}

void TVmCustomListBox::SetGraySelection(bool Value) {
    if (FGraySelection == Value) return;
    FGraySelection = Value;
    if (!Focused()) Invalidate();
}

void TVmCustomListBox::SetIntegralHeight(bool Value) {
    if (FIntegralHeight == Value) return;
    FIntegralHeight = Value;
    RecreateWnd();
}

Integer TVmCustomListBox::ItemHeight() const {
    if (FStyle == lbStandard) return TListBox::ItemHeight();
    return FItemHeight;
}

void TVmCustomListBox::SetItemHeight(Integer Value) {
    if (Value <= 0 || FItemHeight == Value) return;
    FItemHeight = Value;
    RecreateWnd();
}

void TVmCustomListBox::SetMultiSelect(bool Value) {
    if (FMultiSelect == Value) return;
    FMultiSelect = Value;
    RecreateWnd();
}

void TVmCustomListBox::SetSorted(bool Value) {
    if (FSorted == Value) return;
    FSorted = Value;
    RecreateWnd();
}

void TVmCustomListBox::SetStyle(TListBoxStyle Value) {
    if (FStyle == Value) return;
    FStyle = Value;
    RecreateWnd();
}

void TVmCustomListBox::SetTabWidth(Integer Value) {
    Value = std::max<Integer>(Value, 0);
    if (FTabWidth == Value) return;
    FTabWidth = Value;
    RecreateWnd();
}

void TVmCustomListBox::SetTopIndex(Integer Value) {
    if (TopIndex() != Value) TListBox::SetTopIndex(Value);
}

Integer TVmCustomListBox::ItemAtPos(const TPoint& Pos, bool Existing) const {
    if (!ClientRect().Contains(Pos.x, Pos.y)) return -1;
    const Integer count = ListCount();
    for (Integer i = TopIndex(); i < count; ++i)
        if (ItemRect(i).Contains(Pos.x, Pos.y)) return i;
    return Existing ? -1 : count;
}

TRect TVmCustomListBox::ItemRect(Integer Index) const {
    const Integer count = ListCount();
    if (Index < 0) return TRect{};
    if (Index < count) return ListItemRect(Index);
    if (Index == 0) {
        // Where the first item of an empty list goes: the top of the item area.
        const TRect area = ListClientRect();
        return Rect(area.Left, area.Top, area.Right, area.Top + TListBox::ItemHeight());
    }
    if (Index == count) {
        TRect r = ListItemRect(Index - 1);
        const Integer h = r.Bottom - r.Top;
        r.Top += h;
        r.Bottom += h;
        return r;
    }
    return TRect{};
}

// --- horizontal extent

Integer TVmCustomListBox::TabStopPixels() {
    TCanvas* canvas = Canvas();
    canvas->Font()->Assign(Font());
    return static_cast<Integer>(std::lround(canvas->TextWidth("0") * FTabWidth / 4.0));
}

Integer TVmCustomListBox::GetItemWidth(Integer Index) {
    Integer width = 0;
    if (FStyle != lbStandard && OnGetItemWidth && OnDrawItem) {
        FireEvent(OnGetItemWidth, this, Index, width);
        return width;
    }
    TCanvas* canvas = Canvas();
    canvas->Font()->Assign(Font());
    const AnsiString text = ListText(Index) + "x";
    if (FTabWidth == 0) return canvas->TextWidth(text);
    const Integer stop = std::max<Integer>(TabStopPixels(), 1);
    for (char c : text) {
        if (c == '\t')
            width = (width / stop + 1) * stop;
        else
            width += canvas->TextWidth(AnsiString(1, c));
    }
    return width;
}

void TVmCustomListBox::UpdateHorizontalExtent() {
    if (!AutoScroll()) {
        TListBox::SetHorizontalExtent(0);
        return;
    }
    Integer widest = 0;
    for (Integer i = 0, n = ListCount(); i < n; ++i) widest = std::max(widest, GetItemWidth(i));
    TListBox::SetHorizontalExtent(widest);
}

Integer TVmCustomListBox::AddString(const AnsiString& S) {
    const Integer index = ListAddString(S);
    if (index >= 0 && AutoScroll())
        TListBox::SetHorizontalExtent(std::max(TListBox::HorizontalExtent(), GetItemWidth(index)));
    return index;
}

Integer TVmCustomListBox::InsertString(Integer Index, const AnsiString& S) {
    const Integer index = Index < -1 ? -1 : ListInsertString(Index, S);
    if (index >= 0 && AutoScroll())
        TListBox::SetHorizontalExtent(std::max(TListBox::HorizontalExtent(), GetItemWidth(index)));
    return index;
}

void TVmCustomListBox::DeleteString(Integer Index) {
    if (!AutoScroll() || Index < 0 || Index >= ListCount() || GetItemWidth(Index) < TListBox::HorizontalExtent()) {
        TListBox::DeleteString(Index);
        return;
    }
    // The widest item goes: the extent shrinks to the next widest.
    ScrollToLeftEdge();
    TListBox::DeleteString(Index);
    UpdateHorizontalExtent();
}

void TVmCustomListBox::ResetContent() {
    if (AutoScroll()) {
        TListBox::SetHorizontalExtent(0);
        ScrollToLeftEdge();
    }
    TListBox::ResetContent();
}

void TVmCustomListBox::FontChanged() {
    TListBox::FontChanged();
    UpdateHorizontalExtent();
}

void TVmCustomListBox::Resize() {
    TListBox::Resize();
    if (FColumns > 0) ApplyColumnWidth();
}

// --- drawing

void TVmCustomListBox::DrawItemNotify(Integer Index, const TRect& Rect, TOwnerDrawState State) {
    TCanvas* canvas = Canvas();
    canvas->Font()->Assign(Font());
    canvas->Brush()->SetStyle(bsSolid);
    canvas->Brush()->SetColor(Color());
    if (Index >= 0 && Index < ListCount() && State.Contains(odSelected)) {
        // Without the focus a gray selection shows in button colours.
        if (ComponentState().Contains(csDesigning) || !FGraySelection || Focused()) {
            canvas->Brush()->SetColor(clHighlight);
            canvas->Font()->SetColor(clHighlightText);
        } else {
            canvas->Brush()->SetColor(clBtnFace);
            if (canvas->Font()->Color() == clBtnFace) canvas->Font()->SetColor(clBtnText);
        }
    }
    if (Index >= 0)
        DrawItem(Index, Rect, State);
    else
        canvas->FillRect(Rect);
    if (State.Contains(odFocused)) DrawFocusRect(canvas, Rect);
}

void TVmCustomListBox::DrawItem(Integer Index, const TRect& Rect, TOwnerDrawState State) {
    if (OnDrawItem) {
        FireEvent(OnDrawItem, this, Index, Rect, State);
        return;
    }
    Canvas()->FillRect(Rect);
    if (Index < ListCount()) DrawItemText(Index, Rect);
}

void TVmCustomListBox::DrawItemText(Integer Index, const TRect& Rect) {
    TCanvas* canvas = Canvas();
    const Integer top = std::max(Rect.Top, (Rect.Top + Rect.Bottom - canvas->TextHeight("Wy")) / 2);
    const AnsiString text = ListText(Index);
    const TBrushStyle brush = canvas->Brush()->Style();
    canvas->Brush()->SetStyle(bsClear);
    if (FTabWidth == 0) {
        canvas->TextOut(Rect.Left + 2, top, text);
    } else {
        // Tabbed output: each tab moves on to the next multiple of the stop.
        const Integer stop = std::max<Integer>(TabStopPixels(), 1);
        Integer x = 0;
        std::size_t from = 0;
        while (from <= text.size()) {
            const std::size_t tab = text.find('\t', from);
            const AnsiString part = text.substr(from, tab == AnsiString::npos ? AnsiString::npos : tab - from);
            canvas->TextOut(Rect.Left + 2 + x, top, part);
            x += canvas->TextWidth(part);
            if (tab == AnsiString::npos) break;
            x = (x / stop + 1) * stop;
            from = tab + 1;
        }
    }
    canvas->Brush()->SetStyle(brush);
}

void TVmCustomListBox::WndProc(TMessage& Message) {
    // A gray selection of several items looks different with and without
    // the focus.
    if ((Message.Msg == WM_SETFOCUS || Message.Msg == WM_KILLFOCUS) && FGraySelection && FMultiSelect &&
        SelCount() > 1)
        Invalidate();
    TListBox::WndProc(Message);
}

// ---------------------------------------------------------------------------
// Published properties

VEMLOR_PUBLISHED(TVmCustomListBox, TListBox) {
    // Descendants keep their items in form-file data of their own.
    Prop("Items", &TVmCustomListBox::Items, &TVmCustomListBox::SetItems).Stored(false);
    Prop("AutoScroll", &TVmCustomListBox::AutoScroll, &TVmCustomListBox::SetAutoScroll);
    Prop("BorderStyle", &TVmCustomListBox::BorderStyle, &TVmCustomListBox::SetBorderStyle);
    Prop("Columns", &TVmCustomListBox::Columns, &TVmCustomListBox::SetColumns);
    Prop("ExtendedSelect", &TVmCustomListBox::ExtendedSelect, &TVmCustomListBox::SetExtendedSelect);
    Prop("GraySelection", &TVmCustomListBox::GraySelection, &TVmCustomListBox::SetGraySelection);
    Prop("IntegralHeight", &TVmCustomListBox::IntegralHeight, &TVmCustomListBox::SetIntegralHeight);
    Prop("ItemHeight", &TVmCustomListBox::ItemHeight, &TVmCustomListBox::SetItemHeight);
    Prop("MultiSelect", &TVmCustomListBox::MultiSelect, &TVmCustomListBox::SetMultiSelect);
    Prop("Sorted", &TVmCustomListBox::Sorted, &TVmCustomListBox::SetSorted);
    Prop("Style", &TVmCustomListBox::Style, &TVmCustomListBox::SetStyle);
    Prop("TabWidth", &TVmCustomListBox::TabWidth, &TVmCustomListBox::SetTabWidth);
    EventProp("OnDrawItem", &TVmCustomListBox::OnDrawItem);
    EventProp("OnMeasureItem", &TVmCustomListBox::OnMeasureItem);
    EventProp("OnGetItemWidth", &TVmCustomListBox::OnGetItemWidth);
}
VEMLOR_REGISTER_CLASS(TVmCustomListBox);
