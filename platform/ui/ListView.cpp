#include "platform/ui/ListView.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QTreeWidget>

#include <algorithm>

#include "platform/classes/ClassRegistry.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/SysUtils.h"
#include "platform/ui/ControlKit.h"

using namespace ui_detail;

namespace {

constexpr int kItemRole = Qt::UserRole + 7;

QTreeWidget* Tree(const TListView* v) { return QtWidget<QTreeWidget>(v); }

Qt::Alignment AlignmentOf(TAlignment a) {
    return (a == taCenter ? Qt::AlignHCenter : a == taRightJustify ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter;
}

[[noreturn]] void IndexError(Integer index) {
    throw EListError("List index out of bounds (" + IntToStr(index) + ")");
}

}  // namespace

struct TListItemImpl {
    QTreeWidgetItem* Item = nullptr;
};

struct TListViewAccess {
    static TListItem* ItemOf(const QTreeWidgetItem* q) {
        return q ? static_cast<TListItem*>(q->data(0, kItemRole).value<void*>()) : nullptr;
    }
    static void SelectionChanged(TListView* v, const QItemSelection& selected, const QItemSelection& deselected) {
        QTreeWidget* tree = Tree(v);
        if (!tree || !v->OnSelectItem) return;
        auto fire = [v, tree](const QItemSelection& sel, bool on) {
            for (const QModelIndex& index : sel.indexes()) {
                if (index.column() != 0) continue;
                TListItem* item = ItemOf(tree->topLevelItem(index.row()));
                if (item) FireEvent(v->OnSelectItem, v, item, on);
            }
        };
        std::weak_ptr<void> alive = v->AliveToken();
        fire(deselected, false);
        if (!alive.expired()) fire(selected, true);
    }
};

// ---------------------------------------------------------------------------
// Columns

void TListColumn::SetCaption(const AnsiString& Value) {
    if (FCaption == Value) return;
    FCaption = Value;
    FOwner->ApplyColumns();
}

Integer TListColumn::Width() const {
    QTreeWidget* tree = Tree(FOwner);
    const int index = Index();
    if (tree && index >= 0 && index < tree->columnCount()) return tree->header()->sectionSize(index);
    return FWidth;
}

void TListColumn::SetWidth(Integer Value) {
    if (Value < 0) Value = 0;
    FWidth = Value;
    QTreeWidget* tree = Tree(FOwner);
    const int index = Index();
    if (tree && index >= 0 && index < tree->columnCount()) tree->header()->resizeSection(index, Value);
}

void TListColumn::SetAlignment(TAlignment Value) {
    if (FAlignment == Value) return;
    FAlignment = Value;
    FOwner->ApplyColumns();
    for (Integer i = 0; i < FOwner->FItems.Count(); ++i) FOwner->FItems.Item(i)->Apply();
}

Integer TListColumn::Index() const {
    const auto& items = FOwner->FColumns.FItems;
    for (std::size_t i = 0; i < items.size(); ++i)
        if (items[i].get() == this) return static_cast<Integer>(i);
    return -1;
}

TListColumn* TListColumns::Add() {
    FItems.push_back(std::make_unique<TListColumn>(FOwner));
    FOwner->ApplyColumns();
    return FItems.back().get();
}

TListColumn* TListColumns::Items(Integer Index) const {
    if (Index < 0 || Index >= Count()) IndexError(Index);
    return FItems[static_cast<std::size_t>(Index)].get();
}

void TListColumns::Delete(Integer Index) {
    Items(Index);
    // The widths shown now are kept for the columns that stay.
    for (auto& c : FItems) c->FWidth = c->Width();
    FItems.erase(FItems.begin() + Index);
    FOwner->ApplyColumns();
}

void TListColumns::Clear() {
    FItems.clear();
    FOwner->ApplyColumns();
}

// ---------------------------------------------------------------------------
// Items

TListItem::TListItem(TListItems* Owner)
    : FOwner(Owner), FImpl(std::make_unique<TListItemImpl>()), FSubItems(std::make_unique<TStringList>()) {
    FImpl->Item = new QTreeWidgetItem();
    FImpl->Item->setData(0, kItemRole, QVariant::fromValue<void*>(this));
    FSubItems->OnChange = [this](TObject*) { Apply(); };
}

TListItem::~TListItem() {
    FSubItems->OnChange = nullptr;
    if (FImpl->Item) {
        if (QTreeWidget* tree = FImpl->Item->treeWidget()) {
            const int index = tree->indexOfTopLevelItem(FImpl->Item);
            if (index >= 0) tree->takeTopLevelItem(index);
        }
        delete FImpl->Item;
    }
}

void TListItem::Apply() {
    QTreeWidgetItem* q = FImpl->Item;
    if (!q) return;
    const Integer columns = std::max<Integer>(FOwner->FOwner->FColumns.Count(), 1);
    q->setText(0, ToQ(FCaption));
    for (Integer c = 1; c < columns; ++c)
        q->setText(c, c - 1 < FSubItems->Count() ? ToQ(FSubItems->Strings(c - 1)) : QString());
    for (Integer c = 0; c < FOwner->FOwner->FColumns.Count(); ++c)
        q->setTextAlignment(c, AlignmentOf(FOwner->FOwner->FColumns.Items(c)->Alignment()));
}

void TListItem::SetCaption(const AnsiString& Value) {
    if (FCaption == Value) return;
    FCaption = Value;
    Apply();
}

bool TListItem::Selected() const { return FImpl->Item && FImpl->Item->isSelected(); }

void TListItem::SetSelected(bool Value) {
    if (!FImpl->Item) return;
    QTreeWidget* tree = FImpl->Item->treeWidget();
    if (Value && tree && !ListView()->MultiSelect()) {
        tree->setCurrentItem(FImpl->Item);
        return;
    }
    FImpl->Item->setSelected(Value);
}

Integer TListItem::Index() const { return FOwner->IndexOf(this); }
TListView* TListItem::ListView() const { return FOwner->FOwner; }
void TListItem::Delete() { FOwner->Delete(Index()); }

void TListItem::MakeVisible() {
    if (FImpl->Item && FImpl->Item->treeWidget()) FImpl->Item->treeWidget()->scrollToItem(FImpl->Item);
}

TListItems::~TListItems() { FItems.clear(); }

TListItem* TListItems::Add() { return Insert(Count()); }

TListItem* TListItems::Insert(Integer Index) {
    if (Index < 0 || Index > Count()) IndexError(Index);
    auto item = std::make_unique<TListItem>(this);
    TListItem* raw = item.get();
    FItems.insert(FItems.begin() + Index, std::move(item));
    if (QTreeWidget* tree = Tree(FOwner)) tree->insertTopLevelItem(Index, raw->FImpl->Item);
    raw->Apply();
    return raw;
}

TListItem* TListItems::Item(Integer Index) const {
    if (Index < 0 || Index >= Count()) IndexError(Index);
    return FItems[static_cast<std::size_t>(Index)].get();
}

void TListItems::Delete(Integer Index) {
    TListItem* item = Item(Index);
    FOwner->Deleting(item);
    auto it = std::find_if(FItems.begin(), FItems.end(), [item](const auto& p) { return p.get() == item; });
    if (it != FItems.end()) FItems.erase(it);
}

void TListItems::Clear() {
    BeginUpdate();
    while (!FItems.empty()) Delete(Count() - 1);
    EndUpdate();
}

Integer TListItems::IndexOf(const TListItem* Item) const {
    for (std::size_t i = 0; i < FItems.size(); ++i)
        if (FItems[i].get() == Item) return static_cast<Integer>(i);
    return -1;
}

void TListItems::BeginUpdate() {
    if (FOwner->FUpdating++ == 0)
        if (QTreeWidget* tree = Tree(FOwner)) tree->setUpdatesEnabled(false);
}

void TListItems::EndUpdate() {
    if (FOwner->FUpdating > 0 && --FOwner->FUpdating == 0)
        if (QTreeWidget* tree = Tree(FOwner)) tree->setUpdatesEnabled(true);
}

// ---------------------------------------------------------------------------
// TListView

TListView::TListView(TComponent* AOwner) : TWinControl(AOwner) {
    auto* tree = new QTreeWidget();
    tree->setRootIsDecorated(false);
    tree->setItemsExpandable(false);
    tree->setUniformRowHeights(true);
    tree->setAllColumnsShowFocus(false);
    tree->header()->setSectionsClickable(true);
    tree->header()->setStretchLastSection(false);
    tree->header()->setSectionsMovable(false);
    AttachWidget(this, tree);
    QObject::connect(tree->header(), &QHeaderView::sectionClicked, tree, [this](int section) {
        SafeCall(this, [this, section] {
            if (section >= 0 && section < FColumns.Count()) FireEvent(OnColumnClick, this, FColumns.Items(section));
        });
    });
    QObject::connect(tree->selectionModel(), &QItemSelectionModel::selectionChanged, tree,
                     [this](const QItemSelection& selected, const QItemSelection& deselected) {
                         SafeCall(this, [&] { TListViewAccess::SelectionChanged(this, selected, deselected); });
                     });
    RouteChildInput(this, tree->viewport(), false, true);
    SetTabStop(true);
    SetColor(clWindow);
    SetBounds(0, 0, 250, 150);
    ApplyColumns();
    SetMultiSelect(false);
}

TListView::~TListView() {
    OnSelectItem = nullptr;
    OnDeletion = nullptr;
    FItems.FItems.clear();
}

void TListView::ApplyColumns() {
    QTreeWidget* tree = Tree(this);
    if (!tree) return;
    const int count = std::max<Integer>(FColumns.Count(), 1);
    tree->setColumnCount(count);
    QStringList labels;
    for (Integer i = 0; i < FColumns.Count(); ++i) labels << ToQ(FColumns.Items(i)->Caption());
    if (labels.isEmpty()) labels << QString();
    tree->setHeaderLabels(labels);
    for (Integer i = 0; i < FColumns.Count(); ++i) {
        TListColumn* c = FColumns.Items(i);
        tree->header()->resizeSection(i, c->FWidth);
        tree->headerItem()->setTextAlignment(i, AlignmentOf(c->Alignment()));
    }
    tree->setHeaderHidden(FViewStyle != vsReport || !FShowColumnHeaders);
}

void TListView::Deleting(TListItem* Item) { FireEvent(OnDeletion, this, Item); }

void TListView::SetViewStyle(TViewStyle Value) {
    if (FViewStyle == Value) return;
    FViewStyle = Value;
    ApplyColumns();
}

TListItem* TListView::Selected() const {
    QTreeWidget* tree = Tree(this);
    if (!tree) return nullptr;
    for (Integer i = 0; i < FItems.Count(); ++i)
        if (FItems.Item(i)->Selected()) return FItems.Item(i);
    return nullptr;
}

void TListView::SetSelected(TListItem* Value) {
    QTreeWidget* tree = Tree(this);
    if (!tree) return;
    tree->clearSelection();
    if (Value) Value->SetSelected(true);
}

Integer TListView::SelCount() const {
    QTreeWidget* tree = Tree(this);
    return tree ? static_cast<Integer>(tree->selectedItems().size()) : 0;
}

TListItem* TListView::ItemFocused() const {
    QTreeWidget* tree = Tree(this);
    return tree ? TListViewAccess::ItemOf(tree->currentItem()) : nullptr;
}

void TListView::SetMultiSelect(bool Value) {
    FMultiSelect = Value;
    if (QTreeWidget* tree = Tree(this))
        tree->setSelectionMode(Value ? QAbstractItemView::ExtendedSelection : QAbstractItemView::SingleSelection);
}

void TListView::SetRowSelect(bool Value) {
    if (FRowSelect == Value) return;
    FRowSelect = Value;
    if (QTreeWidget* tree = Tree(this)) tree->setAllColumnsShowFocus(Value);
}

void TListView::SetGridLines(bool Value) {
    if (FGridLines == Value) return;
    FGridLines = Value;
    if (QTreeWidget* tree = Tree(this))
        tree->setStyleSheet(Value ? QStringLiteral("QTreeView::item { border-right: 1px solid #c0c0c0; "
                                                   "border-bottom: 1px solid #c0c0c0; }")
                                  : QString());
}

void TListView::SetShowColumnHeaders(bool Value) {
    if (FShowColumnHeaders == Value) return;
    FShowColumnHeaders = Value;
    ApplyColumns();
}

TListItem* TListView::TopItem() const {
    QTreeWidget* tree = Tree(this);
    return tree ? TListViewAccess::ItemOf(tree->itemAt(2, 2)) : nullptr;
}

TListItem* TListView::GetItemAt(Integer X, Integer Y) const {
    QTreeWidget* tree = Tree(this);
    if (!tree) return nullptr;
    const QPoint p = tree->viewport()->mapFrom(tree, QPoint(X, Y));
    return TListViewAccess::ItemOf(tree->itemAt(p));
}

void TListView::WndProc(TMessage& Message) {
    // A button press sent to the list itself (not to its rows or headers)
    // picks the row or clicks the column header under it, as the list's own
    // window would.
    const bool press = Message.Msg == WM_LBUTTONDOWN && !RoutingChildInput();
    const Integer x = LParamX(Message.LParam), y = LParamY(Message.LParam);
    std::weak_ptr<void> alive = AliveToken();
    TWinControl::WndProc(Message);
    if (!press || alive.expired()) return;
    QTreeWidget* tree = Tree(this);
    QHeaderView* header = tree ? tree->header() : nullptr;
    if (header && header->isVisible() && header->geometry().contains(x, y)) {
        const int section = header->logicalIndexAt(header->mapFrom(tree, QPoint(x, y)));
        if (section >= 0 && section < FColumns.Count()) FireEvent(OnColumnClick, this, FColumns.Items(section));
        return;
    }
    if (TListItem* item = GetItemAt(x, y)) {
        if (!FMultiSelect) SetSelected(nullptr);
        item->SetSelected(true);
    }
}

const TEnumType& EnumTypeInfo(TViewStyle) {
    static const TEnumType t{"TViewStyle", {"vsIcon", "vsSmallIcon", "vsList", "vsReport"}};
    return t;
}

VEMLOR_PUBLISHED(TListColumn, TObject) {
    Prop("Alignment", &TListColumn::Alignment, &TListColumn::SetAlignment);
    Prop("Caption", &TListColumn::Caption, &TListColumn::SetCaption);
    Prop("Width", &TListColumn::Width, &TListColumn::SetWidth);
}

VEMLOR_PUBLISHED(TListView, TWinControl) {
    CollectionProp("Columns", &TListView::Columns);
    Prop("GridLines", &TListView::GridLines, &TListView::SetGridLines);
    Prop("HideSelection", &TListView::HideSelection, &TListView::SetHideSelection);
    Prop("MultiSelect", &TListView::MultiSelect, &TListView::SetMultiSelect);
    Prop("ReadOnly", &TListView::ReadOnly, &TListView::SetReadOnly);
    Prop("RowSelect", &TListView::RowSelect, &TListView::SetRowSelect);
    Prop("ShowColumnHeaders", &TListView::ShowColumnHeaders, &TListView::SetShowColumnHeaders);
    Prop("ViewStyle", &TListView::ViewStyle, &TListView::SetViewStyle);
    EventProp("OnColumnClick", &TListView::OnColumnClick);
    EventProp("OnDeletion", &TListView::OnDeletion);
    EventProp("OnSelectItem", &TListView::OnSelectItem);
}
VEMLOR_REGISTER_CLASS(TListView);
