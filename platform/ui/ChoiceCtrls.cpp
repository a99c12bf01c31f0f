#include "platform/ui/ChoiceCtrls.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPointer>
#include <QRadioButton>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QVariant>

#include <climits>

#include "platform/classes/ClassRegistry.h"
#include "platform/gfx/Bitmap.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/SysUtils.h"
#include "platform/ui/ControlKit.h"
#include "platform/ui/EdgeDraw.h"

using namespace ui_detail;

namespace {

constexpr int kObjectRole = Qt::UserRole + 1;

QVariant ObjectData(TObject* object) { return QVariant::fromValue<void*>(object); }
TObject* DataObject(const QVariant& v) { return static_cast<TObject*>(v.value<void*>()); }

// Where a string goes in a sorted list: after its equals, as the class
// library's sorted list boxes insert.
template <class CountFn, class TextFn>
int SortedPosition(const AnsiString& s, CountFn count, TextFn text) {
    int lo = 0, hi = count();
    while (lo < hi) {
        const int mid = (lo + hi) / 2;
        if (AnsiCompareText(text(mid), s) <= 0)
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo;
}

}  // namespace

// ---------------------------------------------------------------------------
// TCheckBox

TCheckBox::TCheckBox(TComponent* AOwner) : TWinControl(AOwner) {
    auto* box = new QCheckBox();
    box->setTristate(false);
    AttachWidget(this, box);
    QObject::connect(box, &QCheckBox::clicked, box, [this] { SafeCall(this, [this] { Toggle(); }); });
    SetTabStop(true);
    SetParentColor(true);
    SetBounds(0, 0, 97, 17);
}

TCheckBox::~TCheckBox() = default;

void TCheckBox::Toggle() {
    switch (FState) {
    case cbUnchecked: SetState(FAllowGrayed ? cbGrayed : cbChecked); break;
    case cbChecked: SetState(cbUnchecked); break;
    case cbGrayed: SetState(cbChecked); break;
    }
    // Qt toggled the box its own way; the state decided above wins.
    if (auto* box = QtWidget<QCheckBox>(this)) {
        const Qt::CheckState want = FState == cbChecked ? Qt::Checked : FState == cbGrayed ? Qt::PartiallyChecked
                                                                                             : Qt::Unchecked;
        if (box->checkState() != want) {
            const QSignalBlocker block(box);
            box->setTristate(FState == cbGrayed);
            box->setCheckState(want);
        }
    }
}

void TCheckBox::SetState(TCheckBoxState Value) {
    if (FState == Value) return;
    FState = Value;
    if (auto* box = QtWidget<QCheckBox>(this)) {
        const QSignalBlocker block(box);
        box->setTristate(Value == cbGrayed || FAllowGrayed);
        box->setCheckState(Value == cbChecked ? Qt::Checked : Value == cbGrayed ? Qt::PartiallyChecked : Qt::Unchecked);
    }
    Click();
}

void TCheckBox::SetAlignment(TAlignment Value) {
    if (Value == taCenter) Value = taRightJustify;
    if (FAlignment == Value) return;
    FAlignment = Value;
    if (QWidget* w = WidgetOf(this)) w->setLayoutDirection(Value == taLeftJustify ? Qt::RightToLeft : Qt::LeftToRight);
}

void TCheckBox::TextChanged() {
    if (auto* box = QtWidget<QCheckBox>(this)) box->setText(ToQMnemonic(Caption()));
}

// ---------------------------------------------------------------------------
// TRadioButton

TRadioButton::TRadioButton(TComponent* AOwner) : TWinControl(AOwner) {
    auto* radio = new QRadioButton();
    // Siblings are unchecked here, not by Qt, so that the order of the
    // changes and the events is ours.
    radio->setAutoExclusive(false);
    AttachWidget(this, radio);
    QObject::connect(radio, &QRadioButton::clicked, radio, [this] {
        SafeCall(this, [this] {
            if (auto* r = QtWidget<QRadioButton>(this); r && !r->isChecked() && FChecked) {
                // A click on the checked button leaves it checked.
                const QSignalBlocker block(r);
                r->setChecked(true);
            }
            SetChecked(true);
        });
    });
    SetParentColor(true);
    SetBounds(0, 0, 113, 17);
}

TRadioButton::~TRadioButton() = default;

void TRadioButton::SetChecked(bool Value) {
    if (FChecked == Value) return;
    FChecked = Value;
    SetTabStop(Value);
    if (auto* r = QtWidget<QRadioButton>(this)) {
        const QSignalBlocker block(r);
        r->setChecked(Value);
    }
    if (!Value) return;
    if (TWinControl* parent = Parent()) {
        for (int i = 0; i < parent->ControlCount(); ++i)
            if (auto* sibling = dynamic_cast<TRadioButton*>(parent->Controls(i)); sibling && sibling != this)
                sibling->SetChecked(false);
    }
    Click();
}

void TRadioButton::SetAlignment(TAlignment Value) {
    if (Value == taCenter) Value = taRightJustify;
    if (FAlignment == Value) return;
    FAlignment = Value;
    if (QWidget* w = WidgetOf(this)) w->setLayoutDirection(Value == taLeftJustify ? Qt::RightToLeft : Qt::LeftToRight);
}

void TRadioButton::TextChanged() {
    if (auto* r = QtWidget<QRadioButton>(this)) r->setText(ToQMnemonic(Caption()));
}

// ---------------------------------------------------------------------------
// TComboBox

namespace {

class TQtComboBox : public QComboBox {
public:
    std::function<void()> BeforePopup;

protected:
    void showPopup() override {
        QPointer<QComboBox> self(this);
        if (BeforePopup) BeforePopup();
        if (self) QComboBox::showPopup();
    }
};

}  // namespace

struct TComboAccess {
    static bool Sorted(const TComboBox* c) { return c->FSorted; }
};

namespace {

// The combo box's items live in the Qt widget, as the class library keeps
// them in the window.
class TComboStrings : public TStrings {
public:
    explicit TComboStrings(TComboBox* owner) : FOwner(owner) {}

    int Count() const override { return Box() ? Box()->count() : 0; }
    AnsiString Strings(int index) const override {
        Check(index);
        return FromQ(Box()->itemText(index));
    }
    void SetStrings(int index, const AnsiString& s) override {
        Check(index);
        Box()->setItemText(index, ToQ(s));
    }
    TObject* Objects(int index) const override {
        Check(index);
        return DataObject(Box()->itemData(index, kObjectRole));
    }
    void SetObjects(int index, TObject* object) override {
        Check(index);
        Box()->setItemData(index, ObjectData(object), kObjectRole);
    }
    void Insert(int index, const AnsiString& s) override { InsertObject(index, s, nullptr); }
    void InsertObject(int index, const AnsiString& s, TObject* object) override {
        QComboBox* box = Box();
        if (!box) return;
        if (index < 0 || index > box->count()) Error("List index out of bounds (%d)", index);
        Keep keep(box);
        box->insertItem(index, ToQ(s));
        box->setItemData(index, ObjectData(object), kObjectRole);
        keep.Restore(index, 1);
    }
    int Add(const AnsiString& s) override { return AddObject(s, nullptr); }
    int AddObject(const AnsiString& s, TObject* object) override {
        const int index = TComboAccess::Sorted(FOwner)
                              ? SortedPosition(s, [this] { return Count(); }, [this](int i) { return Strings(i); })
                              : Count();
        InsertObject(index, s, object);
        return index;
    }
    void Delete(int index) override {
        Check(index);
        QComboBox* box = Box();
        Keep keep(box);
        const bool wasCurrent = box->currentIndex() == index;
        box->removeItem(index);
        keep.Restore(index, -1, wasCurrent);
    }
    void Clear() override {
        if (QComboBox* box = Box()) {
            const QSignalBlocker block(box);
            const QString text = box->isEditable() ? box->currentText() : QString();
            box->clear();
            if (box->isEditable()) box->setEditText(text);
        }
    }

private:
    // Qt selects the first item put into an empty list and moves the
    // selection when the chosen item goes; the class library does neither.
    struct Keep {
        explicit Keep(QComboBox* b) : box(b), block(b), index(b->currentIndex()), text(b->currentText()) {}
        void Restore(int changed, int delta, bool removedCurrent = false) {
            int want = index;
            if (removedCurrent)
                want = -1;
            else if (want >= 0 && want >= changed)
                want += delta;
            if (box->currentIndex() != want) box->setCurrentIndex(want);
            if (box->isEditable() && box->currentText() != text) box->setEditText(text);
        }
        QComboBox* box;
        QSignalBlocker block;
        int index;
        QString text;
    };

    QComboBox* Box() const { return QtWidget<QComboBox>(FOwner); }
    void Check(int index) const {
        if (index < 0 || index >= Count()) Error("List index out of bounds (%d)", index);
    }

    TComboBox* FOwner;
};

}  // namespace

TComboBox::TComboBox(TComponent* AOwner) : TWinControl(AOwner) {
    auto* box = new TQtComboBox();
    box->BeforePopup = [this] { SafeCall(this, [this] { DropDown(); }); };
    box->setInsertPolicy(QComboBox::NoInsert);
    box->setMaxVisibleItems(FDropDownCount);
    AttachWidget(this, box);
    FItems = std::make_unique<TComboStrings>(this);
    QObject::connect(box, &QComboBox::activated, box, [this](int) { SafeCall(this, [this] { Select(); }); });
    SetTabStop(true);
    SetColor(clWindow);
    SetBounds(0, 0, 145, 21);
    ApplyStyle();
}

TComboBox::~TComboBox() = default;

void TComboBox::ApplyStyle() {
    auto* box = QtWidget<QComboBox>(this);
    if (!box) return;
    const bool editable = FStyle == csDropDown || FStyle == csSimple;
    if (box->isEditable() == editable) return;
    const QSignalBlocker block(box);
    const int index = box->currentIndex();
    box->setEditable(editable);
    box->setCurrentIndex(index);
    if (!editable) return;
    box->setCompleter(nullptr);
    QLineEdit* edit = box->lineEdit();
    edit->setMaxLength(FMaxLength > 0 ? FMaxLength : 32767);
    if (index < 0) edit->clear();
    QObject::connect(edit, &QLineEdit::textEdited, edit, [this] { SafeCall(this, [this] { Change(); }); });
    RouteChildInput(this, edit, true, false);
}

void TComboBox::SetStyle(TComboBoxStyle Value) {
    if (FStyle == Value) return;
    FStyle = Value;
    ApplyStyle();
}

void TComboBox::SetItems(TStrings* Value) {
    if (Value) FItems->Assign(Value);
}

Integer TComboBox::ItemIndex() const {
    auto* box = QtWidget<QComboBox>(this);
    return box ? box->currentIndex() : -1;
}

void TComboBox::SetItemIndex(Integer Value) {
    auto* box = QtWidget<QComboBox>(this);
    if (!box) return;
    if (Value < -1 || Value >= box->count()) Value = -1;
    const QSignalBlocker block(box);
    box->setCurrentIndex(Value);
    if (Value < 0 && box->isEditable()) box->setEditText(QString());
}

AnsiString TComboBox::Text() const {
    auto* box = QtWidget<QComboBox>(this);
    return box ? FromQ(box->currentText()) : AnsiString();
}

void TComboBox::SetText(const AnsiString& Value) {
    auto* box = QtWidget<QComboBox>(this);
    if (!box) return;
    int match = -1;
    for (int i = 0; i < box->count() && match < 0; ++i)
        if (AnsiSameText(FromQ(box->itemText(i)), Value)) match = i;
    const QSignalBlocker block(box);
    box->setCurrentIndex(match);
    if (box->isEditable()) box->setEditText(ToQ(Value));
}

void TComboBox::SetSorted(bool Value) {
    if (FSorted == Value) return;
    FSorted = Value;
    if (!Value || FItems->Count() < 2) return;
    TStringList copy;
    copy.Assign(FItems.get());
    const AnsiString chosen = ItemIndex() >= 0 ? FItems->Strings(ItemIndex()) : AnsiString();
    const AnsiString text = Text();
    copy.Sort();
    FItems->Assign(&copy);
    if (!chosen.empty()) SetItemIndex(copy.IndexOf(chosen));
    if (FStyle == csDropDown || FStyle == csSimple) SetText(text);
}

void TComboBox::SetDropDownCount(Integer Value) {
    if (Value < 1) Value = 1;
    if (FDropDownCount == Value) return;
    FDropDownCount = Value;
    if (auto* box = QtWidget<QComboBox>(this)) box->setMaxVisibleItems(Value);
}

void TComboBox::SetMaxLength(Integer Value) {
    if (Value < 0) Value = 0;
    if (FMaxLength == Value) return;
    FMaxLength = Value;
    if (auto* box = QtWidget<QComboBox>(this); box && box->lineEdit())
        box->lineEdit()->setMaxLength(Value > 0 ? Value : 32767);
}

bool TComboBox::DroppedDown() const {
    auto* box = QtWidget<QComboBox>(this);
    return box && box->view() && box->view()->isVisible();
}

void TComboBox::SetDroppedDown(bool Value) {
    auto* box = QtWidget<QComboBox>(this);
    if (!box || DroppedDown() == Value) return;
    if (Value)
        box->showPopup();
    else
        box->hidePopup();
}

void TComboBox::Clear() {
    FItems->Clear();
    SetItemIndex(-1);
}

void TComboBox::SelectAll() {
    if (auto* box = QtWidget<QComboBox>(this); box && box->lineEdit()) box->lineEdit()->selectAll();
}

bool TComboBox::WantsKey(Word Key) const { return (Key == VK_RETURN || Key == VK_ESCAPE) && DroppedDown(); }

void TComboBox::Change() { FireEvent(OnChange, this); }

void TComboBox::Select() {
    std::weak_ptr<void> alive = AliveToken();
    Click();
    if (!alive.expired()) Change();
}

void TComboBox::DropDown() { FireEvent(OnDropDown, this); }

// ---------------------------------------------------------------------------
// TListBox

struct TListBoxAccess {
    static bool Sorted(const TListBox* l) { return l->FSorted; }
    static int& Updating(TListBox* l) { return l->FUpdatingSelection; }
    static TListBoxStyle Style(const TListBox* l) { return l->FStyle; }
    static Integer ItemHeight(const TListBox* l) { return l->FItemHeight; }
    static Integer Extent(const TListBox* l) { return l->FHorizontalExtent; }
    static Integer ColumnWidth(const TListBox* l) { return l->FColumnWidth; }
    static void Paint(TListBox* l, QPainter& p) { l->PaintOwnerDrawn(&p); }
    static Integer Count(const TListBox* l) { return l->ListCount(); }
    static AnsiString Text(const TListBox* l, Integer i) { return l->ListText(i); }
    static void SetText(TListBox* l, Integer i, const AnsiString& s) { l->ListSetText(i, s); }
    static Integer Add(TListBox* l, const AnsiString& s) { return l->ListAddString(s); }
    static Integer Insert(TListBox* l, Integer i, const AnsiString& s) { return l->ListInsertString(i, s); }
    static std::intptr_t Data(const TListBox* l, Integer i) { return l->GetItemData(i); }
    static void SetData(TListBox* l, Integer i, std::intptr_t d) { l->SetItemData(i, d); }
    static void Delete(TListBox* l, Integer i) { l->DeleteString(i); }
    static void Reset(TListBox* l) { l->ResetContent(); }
};

struct TListBoxImpl {
    TBitmap Buffer;
    bool Redraw = true;
};

namespace {

constexpr int kHeightRole = Qt::UserRole + 2;

// Owner-drawn lists paint every visible item through the control; the
// toolkit only lays the items out and scrolls.
class TListWidget : public QListWidget {
public:
    using QListWidget::QListWidget;

protected:
    void paintEvent(QPaintEvent* e) override {
        auto* owner = static_cast<TListBox*>(ControlOf(this));
        if (!owner || TListBoxAccess::Style(owner) == lbStandard) {
            QListWidget::paintEvent(e);
            return;
        }
        QPainter p(viewport());
        SafeCall(owner, [&] { TListBoxAccess::Paint(owner, p); });
    }
};

// Item sizes follow the control: the set height (or the measured one of a
// variable list), the column width of a multi-column list, the horizontal
// extent as the least width.
class TListDelegate : public QStyledItemDelegate {
public:
    TListDelegate(QObject* parent, TListBox* owner) : QStyledItemDelegate(parent), FOwner(owner) {}

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        const TListBoxStyle style = TListBoxAccess::Style(FOwner);
        if (style == lbOwnerDrawVariable) {
            const QVariant h = index.data(kHeightRole);
            size.setHeight(h.isValid() ? h.toInt() : TListBoxAccess::ItemHeight(FOwner));
        } else if (style == lbOwnerDrawFixed) {
            size.setHeight(TListBoxAccess::ItemHeight(FOwner));
        }
        if (style != lbStandard) size.setWidth(1);
        if (const Integer column = TListBoxAccess::ColumnWidth(FOwner); column > 0)
            size.setWidth(column);
        else
            size.setWidth(std::max<int>(size.width(), TListBoxAccess::Extent(FOwner)));
        return size;
    }

private:
    TListBox* FOwner;
};

class TListBoxStrings : public TStrings {
public:
    explicit TListBoxStrings(TListBox* owner) : FOwner(owner) {}

    int Count() const override { return TListBoxAccess::Count(FOwner); }
    AnsiString Strings(int index) const override { return TListBoxAccess::Text(FOwner, index); }
    void SetStrings(int index, const AnsiString& s) override { TListBoxAccess::SetText(FOwner, index, s); }
    TObject* Objects(int index) const override {
        CheckIndex(index);
        return reinterpret_cast<TObject*>(TListBoxAccess::Data(FOwner, index));
    }
    void SetObjects(int index, TObject* object) override {
        CheckIndex(index);
        TListBoxAccess::SetData(FOwner, index, reinterpret_cast<std::intptr_t>(object));
    }
    void Insert(int index, const AnsiString& s) override { InsertObject(index, s, nullptr); }
    void InsertObject(int index, const AnsiString& s, TObject* object) override {
        if (index < 0 || index > Count()) Error("List index out of bounds (%d)", index);
        const Integer at = TListBoxAccess::Insert(FOwner, index, s);
        if (at >= 0 && object) TListBoxAccess::SetData(FOwner, at, reinterpret_cast<std::intptr_t>(object));
    }
    int Add(const AnsiString& s) override { return AddObject(s, nullptr); }
    int AddObject(const AnsiString& s, TObject* object) override {
        const Integer at = TListBoxAccess::Add(FOwner, s);
        if (at >= 0 && object) TListBoxAccess::SetData(FOwner, at, reinterpret_cast<std::intptr_t>(object));
        return at;
    }
    void Delete(int index) override {
        CheckIndex(index);
        TListBoxAccess::Delete(FOwner, index);
    }
    void Clear() override { TListBoxAccess::Reset(FOwner); }

private:
    void CheckIndex(int index) const {
        if (index < 0 || index >= Count()) Error("List index out of bounds (%d)", index);
    }
    TListBox* FOwner;
};

}  // namespace

TListBox::TListBox(TComponent* AOwner) : TWinControl(AOwner), FListImpl(std::make_unique<TListBoxImpl>()) {
    FListImpl->Buffer.SetPixelFormat(pf32bit);
    auto* list = new TListWidget();
    list->setUniformItemSizes(true);
    list->setItemDelegate(new TListDelegate(list, this));
    AttachWidget(this, list);
    FItems = std::make_unique<TListBoxStrings>(this);
    // The user's changes of the selection click, as the list's selection
    // notice does; moving the focus rectangle alone (Qt does so when the
    // list gets the focus) does not.
    QObject::connect(list, &QListWidget::itemSelectionChanged, list, [this] {
        if (FUpdatingSelection > 0) return;
        SafeCall(this, [this] { Click(); });
    });
    RouteChildInput(this, list->viewport(), false, true);
    SetTabStop(true);
    SetColor(clWindow);
    SetBounds(0, 0, 121, 97);
    ApplySelectionMode();
}

TListBox::~TListBox() = default;

void TListBox::ReplaceItems(std::unique_ptr<TStrings> Value) {
    if (Value) FItems = std::move(Value);
}

void TListBox::ApplySelectionMode() {
    if (auto* list = QtWidget<QListWidget>(this)) {
        ++FUpdatingSelection;
        list->setSelectionMode(!FMultiSelect     ? QAbstractItemView::SingleSelection
                               : FExtendedSelect ? QAbstractItemView::ExtendedSelection
                                                 : QAbstractItemView::MultiSelection);
        --FUpdatingSelection;
    }
}

void TListBox::SetItems(TStrings* Value) {
    if (Value) FItems->Assign(Value);
}

Integer TListBox::ItemIndex() const {
    auto* list = QtWidget<QListWidget>(this);
    if (!list) return -1;
    if (FMultiSelect) return list->currentRow();
    // A single-select list answers with its selected item, not with the
    // focus rectangle.
    const int row = list->currentRow();
    if (row >= 0 && list->item(row)->isSelected()) return row;
    const QList<QListWidgetItem*> selected = list->selectedItems();
    return selected.isEmpty() ? -1 : list->row(selected.first());
}

void TListBox::SetItemIndex(Integer Value) {
    auto* list = QtWidget<QListWidget>(this);
    if (!list) return;
    if (Value < -1 || Value >= list->count()) Value = -1;
    ++FUpdatingSelection;
    if (Value < 0) {
        list->setCurrentRow(-1);
        if (!FMultiSelect) list->clearSelection();
    } else {
        list->setCurrentRow(Value, FMultiSelect ? QItemSelectionModel::Current : QItemSelectionModel::ClearAndSelect);
        list->scrollToItem(list->item(Value));
    }
    --FUpdatingSelection;
}

void TListBox::SetMultiSelect(bool Value) {
    if (FMultiSelect == Value) return;
    FMultiSelect = Value;
    ApplySelectionMode();
}

void TListBox::SetExtendedSelect(bool Value) {
    if (FExtendedSelect == Value) return;
    FExtendedSelect = Value;
    ApplySelectionMode();
}

bool TListBox::Selected(Integer Index) const {
    auto* list = QtWidget<QListWidget>(this);
    if (!list || Index < 0 || Index >= list->count())
        throw EListError("List index out of bounds (" + IntToStr(Index) + ")");
    return list->item(Index)->isSelected();
}

void TListBox::SetSelected(Integer Index, bool Value) {
    auto* list = QtWidget<QListWidget>(this);
    if (!list || Index < 0 || Index >= list->count())
        throw EListError("List index out of bounds (" + IntToStr(Index) + ")");
    ++FUpdatingSelection;
    if (FMultiSelect)
        list->item(Index)->setSelected(Value);
    else if (Value)
        list->setCurrentRow(Index, QItemSelectionModel::ClearAndSelect);
    else if (list->currentRow() == Index)
        list->setCurrentRow(-1);
    --FUpdatingSelection;
}

Integer TListBox::SelCount() const {
    auto* list = QtWidget<QListWidget>(this);
    if (!list) return 0;
    if (!FMultiSelect) return -1;
    return static_cast<Integer>(list->selectedItems().size());
}

void TListBox::SetSorted(bool Value) {
    if (FSorted == Value) return;
    FSorted = Value;
    if (!Value || FItems->Count() < 2) return;
    TStringList copy;
    copy.Assign(FItems.get());
    copy.Sort();
    FItems->Assign(&copy);
}

Integer TListBox::TopIndex() const {
    auto* list = QtWidget<QListWidget>(this);
    if (!list || list->count() == 0) return 0;
    const QModelIndex top = list->indexAt(QPoint(2, 2));
    return top.isValid() ? top.row() : 0;
}

void TListBox::SetTopIndex(Integer Value) {
    auto* list = QtWidget<QListWidget>(this);
    if (!list || Value < 0 || Value >= list->count()) return;
    list->scrollToItem(list->item(Value), QAbstractItemView::PositionAtTop);
}

Integer TListBox::ItemHeight() const {
    if (FStyle != lbStandard) return FItemHeight;
    auto* list = QtWidget<QListWidget>(this);
    if (!list) return 13;
    const int h = list->count() > 0 ? list->sizeHintForRow(0) : list->fontMetrics().height();
    return h > 0 ? h : 13;
}

void TListBox::SetItemHeight(Integer Value) {
    if (Value <= 0 || FItemHeight == Value) return;
    FItemHeight = Value;
    ApplyItemSizes();
}

void TListBox::SetStyle(TListBoxStyle Value) {
    if (FStyle == Value) return;
    FStyle = Value;
    if (auto* list = QtWidget<QListWidget>(this)) {
        list->setUniformItemSizes(Value != lbOwnerDrawVariable);
        if (Value == lbOwnerDrawVariable)
            for (int i = 0; i < list->count(); ++i) ApplyItemSize(i);
    }
    ApplyItemSizes();
}

void TListBox::ApplyItemSize(Integer Index) {
    auto* list = QtWidget<QListWidget>(this);
    if (!list || FStyle != lbOwnerDrawVariable || Index < 0 || Index >= list->count()) return;
    Integer height = FItemHeight;
    MeasureItem(Index, height);
    list->item(Index)->setData(kHeightRole, std::max<int>(height, 1));
}

void TListBox::ApplyItemSizes() {
    if (auto* list = QtWidget<QListWidget>(this)) {
        // The view keeps the size of its first item for uniform lists;
        // switching the mode makes it ask again.
        const bool uniform = list->uniformItemSizes();
        list->setUniformItemSizes(!uniform);
        list->setUniformItemSizes(uniform);
        list->doItemsLayout();
        list->viewport()->update();
    }
}

Integer TListBox::ItemAtPos(const TPoint& Pos, bool Existing) const {
    auto* list = QtWidget<QListWidget>(this);
    if (!list) return -1;
    const QPoint p = list->viewport()->mapFrom(list, QPoint(Pos.x, Pos.y));
    const QModelIndex index = list->indexAt(p);
    if (index.isValid()) return index.row();
    return Existing ? -1 : list->count();
}

TRect TListBox::ItemRect(Integer Index) const { return ListItemRect(Index); }

TRect TListBox::ListItemRect(Integer Index) const {
    auto* list = QtWidget<QListWidget>(this);
    if (!list || Index < 0 || Index >= list->count()) return TRect{};
    QRect r = list->visualItemRect(list->item(Index));
    r.translate(list->viewport()->mapTo(list, QPoint(0, 0)));
    return Rect(r.left(), r.top(), r.left() + r.width(), r.top() + r.height());
}

TRect TListBox::ListClientRect() const {
    auto* list = QtWidget<QListWidget>(this);
    if (!list) return ClientRect();
    const QRect r = list->viewport()->geometry();
    return Rect(r.left(), r.top(), r.left() + r.width(), r.top() + r.height());
}

void TListBox::Clear() { FItems->Clear(); }

TCanvas* TListBox::Canvas() { return FListImpl->Buffer.Canvas(); }

void TListBox::WndProc(TMessage& Message) {
    const bool press = Message.Msg == WM_LBUTTONDOWN && !RoutingChildInput();
    const TPoint pos = Point(LParamX(Message.LParam), LParamY(Message.LParam));
    std::weak_ptr<void> alive = AliveToken();
    TWinControl::WndProc(Message);
    if (!press || alive.expired()) return;
    auto* list = QtWidget<QListWidget>(this);
    const Integer index = ItemAtPos(pos);
    if (!list || index < 0) return;
    if (FMultiSelect)
        list->item(index)->setSelected(!list->item(index)->isSelected());
    else
        list->setCurrentRow(index, QItemSelectionModel::ClearAndSelect);
}

// --- owner drawing

void TListBox::PaintOwnerDrawn(void* Painter) {
    auto& p = *static_cast<QPainter*>(Painter);
    auto* list = QtWidget<QListWidget>(this);
    if (!list || !FListImpl->Redraw) return;
    const QPoint origin = list->viewport()->mapTo(list, QPoint(0, 0));
    const int vw = list->viewport()->width(), vh = list->viewport()->height();
    TBitmap& buffer = FListImpl->Buffer;
    const Integer w = std::max<Integer>(Width(), 1), h = std::max<Integer>(Height(), 1);
    if (buffer.Width() != w || buffer.Height() != h) buffer.SetSize(w, h);
    TCanvas* canvas = buffer.Canvas();
    const TRect view = Rect(origin.x(), origin.y(), origin.x() + vw, origin.y() + vh);
    canvas->ResetClipRect();
    canvas->Brush()->SetStyle(bsSolid);
    canvas->Brush()->SetColor(Color());
    canvas->FillRect(view);
    const bool focused = list->hasFocus();
    const int count = list->count();
    for (int i = 0; i < count; ++i) {
        const QRect q = list->visualItemRect(list->item(i));
        if (!q.intersects(QRect(0, 0, vw, vh))) continue;
        const TRect r = Rect(q.left() + origin.x(), q.top() + origin.y(), q.right() + 1 + origin.x(),
                             q.bottom() + 1 + origin.y());
        TOwnerDrawState state;
        if (list->item(i)->isSelected()) state.Include(odSelected);
        if (focused && list->currentRow() == i) state.Include(odFocused);
        if (!Enabled()) state.Include(odDisabled);
        canvas->SetClipRect(view);
        canvas->SetClipRect(Rect(std::max(r.Left, view.Left), std::max(r.Top, view.Top),
                                 std::min(r.Right, view.Right), std::min(r.Bottom, view.Bottom)));
        DrawItemNotify(i, r, state);
    }
    if (count == 0 && focused) {
        const TRect r = Rect(view.Left, view.Top, view.Right, view.Top + FItemHeight);
        canvas->SetClipRect(view);
        DrawItemNotify(-1, r, TOwnerDrawState{odFocused});
    }
    canvas->ResetClipRect();
    p.drawImage(QPoint(0, 0), OpaqueImage(buffer), QRect(origin.x(), origin.y(), vw, vh));
}

void TListBox::DrawItemNotify(Integer Index, const TRect& Rect, TOwnerDrawState State) {
    TCanvas* canvas = Canvas();
    canvas->Font()->Assign(Font());
    canvas->Brush()->SetStyle(bsSolid);
    canvas->Brush()->SetColor(Color());
    if (Index >= 0 && Index < ListCount() && State.Contains(odSelected)) {
        canvas->Brush()->SetColor(clHighlight);
        canvas->Font()->SetColor(clHighlightText);
    }
    if (Index >= 0)
        DrawItem(Index, Rect, State);
    else
        canvas->FillRect(Rect);
    if (State.Contains(odFocused)) DrawFocusRect(canvas, Rect);
}

void TListBox::DrawItem(Integer Index, const TRect& Rect, TOwnerDrawState State) {
    if (OnDrawItem) {
        FireEvent(OnDrawItem, this, Index, Rect, State);
        return;
    }
    TCanvas* canvas = Canvas();
    canvas->FillRect(Rect);
    if (Index < ListCount()) canvas->TextOut(Rect.Left + 2, Rect.Top, ListText(Index));
}

void TListBox::MeasureItem(Integer Index, Integer& Height) { FireEvent(OnMeasureItem, this, Index, Height); }

// --- item operations

std::intptr_t TListBox::GetItemData(Integer Index) const { return ListItemData(Index); }
void TListBox::SetItemData(Integer Index, std::intptr_t Data) { ListSetItemData(Index, Data); }
void TListBox::ResetContent() { ListResetContent(); }
void TListBox::DeleteString(Integer Index) { ListDeleteString(Index); }

Integer TListBox::ListCount() const {
    auto* list = QtWidget<QListWidget>(this);
    return list ? list->count() : 0;
}

AnsiString TListBox::ListText(Integer Index) const {
    auto* list = QtWidget<QListWidget>(this);
    if (!list || Index < 0 || Index >= list->count())
        throw EStringListError("List index out of bounds (" + IntToStr(Index) + ")");
    return FromQ(list->item(Index)->text());
}

void TListBox::ListSetText(Integer Index, const AnsiString& S) {
    auto* list = QtWidget<QListWidget>(this);
    if (!list || Index < 0 || Index >= list->count())
        throw EStringListError("List index out of bounds (" + IntToStr(Index) + ")");
    list->item(Index)->setText(ToQ(S));
}

Integer TListBox::ListAddString(const AnsiString& S) {
    const Integer index =
        FSorted ? SortedPosition(S, [this] { return ListCount(); }, [this](int i) { return ListText(i); })
                : ListCount();
    return ListInsertString(index, S);
}

Integer TListBox::ListInsertString(Integer Index, const AnsiString& S) {
    auto* list = QtWidget<QListWidget>(this);
    if (!list) return -1;
    if (Index < 0) Index = list->count();
    if (Index > list->count()) return -1;
    auto* item = new QListWidgetItem(ToQ(S));
    item->setData(kObjectRole, QVariant::fromValue<qlonglong>(0));
    ++FUpdatingSelection;
    list->insertItem(Index, item);
    --FUpdatingSelection;
    ApplyItemSize(Index);
    return Index;
}

void TListBox::ListDeleteString(Integer Index) {
    auto* list = QtWidget<QListWidget>(this);
    if (!list || Index < 0 || Index >= list->count()) return;
    ++FUpdatingSelection;
    const bool wasCurrent = list->currentRow() == Index;
    delete list->takeItem(Index);
    if (wasCurrent) list->setCurrentRow(-1);
    --FUpdatingSelection;
}

void TListBox::ListResetContent() {
    if (auto* list = QtWidget<QListWidget>(this)) {
        ++FUpdatingSelection;
        list->clear();
        --FUpdatingSelection;
    }
}

std::intptr_t TListBox::ListItemData(Integer Index) const {
    auto* list = QtWidget<QListWidget>(this);
    if (!list || Index < 0 || Index >= list->count()) return -1;
    return static_cast<std::intptr_t>(list->item(Index)->data(kObjectRole).toLongLong());
}

void TListBox::ListSetItemData(Integer Index, std::intptr_t Data) {
    auto* list = QtWidget<QListWidget>(this);
    if (!list || Index < 0 || Index >= list->count()) return;
    list->item(Index)->setData(kObjectRole, QVariant::fromValue<qlonglong>(Data));
}

void TListBox::SetHorizontalExtent(Integer Value) {
    Value = std::max<Integer>(Value, 0);
    if (FHorizontalExtent == Value) return;
    FHorizontalExtent = Value;
    ApplyItemSizes();
}

void TListBox::ScrollToLeftEdge() {
    if (auto* list = QtWidget<QListWidget>(this)) list->horizontalScrollBar()->setValue(0);
}

void TListBox::SetColumnLayout(Integer ColumnWidth) {
    ColumnWidth = std::max<Integer>(ColumnWidth, 0);
    if (FColumnWidth == ColumnWidth) return;
    FColumnWidth = ColumnWidth;
    if (auto* list = QtWidget<QListWidget>(this)) {
        list->setFlow(QListView::TopToBottom);
        list->setWrapping(ColumnWidth > 0);
        list->setResizeMode(ColumnWidth > 0 ? QListView::Adjust : QListView::Fixed);
    }
    ApplyItemSizes();
}

void TListBox::SetBorderVisible(bool Value) {
    if (auto* list = QtWidget<QListWidget>(this)) list->setFrameShape(Value ? QFrame::StyledPanel : QFrame::NoFrame);
}

void TListBox::SetRedraw(bool Value) {
    FListImpl->Redraw = Value;
    if (auto* list = QtWidget<QListWidget>(this)) {
        list->setUpdatesEnabled(Value);
        if (Value) list->viewport()->update();
    }
}

// ---------------------------------------------------------------------------
// Published properties

const TEnumType& EnumTypeInfo(TCheckBoxState) {
    static const TEnumType t{"TCheckBoxState", {"cbUnchecked", "cbChecked", "cbGrayed"}};
    return t;
}

const TEnumType& EnumTypeInfo(TListBoxStyle) {
    static const TEnumType t{"TListBoxStyle", {"lbStandard", "lbOwnerDrawFixed", "lbOwnerDrawVariable"}};
    return t;
}

const TEnumType& EnumTypeInfo(TComboBoxStyle) {
    static const TEnumType t{"TComboBoxStyle",
                             {"csDropDown", "csSimple", "csDropDownList", "csOwnerDrawFixed", "csOwnerDrawVariable"}};
    return t;
}

VEMLOR_PUBLISHED(TCheckBox, TWinControl) {
    Prop("Caption", &TCheckBox::Caption, &TCheckBox::SetCaption);
    Prop("Alignment", &TCheckBox::Alignment, &TCheckBox::SetAlignment);
    Prop("AllowGrayed", &TCheckBox::AllowGrayed, &TCheckBox::SetAllowGrayed);
    Prop("Checked", &TCheckBox::Checked, &TCheckBox::SetChecked);
    Prop("State", &TCheckBox::State, &TCheckBox::SetState);
}
VEMLOR_REGISTER_CLASS(TCheckBox);

VEMLOR_PUBLISHED(TRadioButton, TWinControl) {
    Prop("Caption", &TRadioButton::Caption, &TRadioButton::SetCaption);
    Prop("Alignment", &TRadioButton::Alignment, &TRadioButton::SetAlignment);
    Prop("Checked", &TRadioButton::Checked, &TRadioButton::SetChecked);
}
VEMLOR_REGISTER_CLASS(TRadioButton);

VEMLOR_PUBLISHED(TComboBox, TWinControl) {
    Prop("Style", &TComboBox::Style, &TComboBox::SetStyle);
    Prop("DropDownCount", &TComboBox::DropDownCount, &TComboBox::SetDropDownCount);
    Prop("MaxLength", &TComboBox::MaxLength, &TComboBox::SetMaxLength);
    Prop("Sorted", &TComboBox::Sorted, &TComboBox::SetSorted);
    Prop("Items", &TComboBox::Items, &TComboBox::SetItems);
    Prop("ItemIndex", &TComboBox::ItemIndex, &TComboBox::SetItemIndex);
    Prop("Text", &TComboBox::Text, &TComboBox::SetText);
    EventProp("OnChange", &TComboBox::OnChange);
    EventProp("OnDropDown", &TComboBox::OnDropDown);
}
VEMLOR_REGISTER_CLASS(TComboBox);

VEMLOR_PUBLISHED(TListBox, TWinControl) {
    Prop("Items", &TListBox::Items, &TListBox::SetItems);
    Prop("ItemIndex", &TListBox::ItemIndex, &TListBox::SetItemIndex);
    Prop("MultiSelect", &TListBox::MultiSelect, &TListBox::SetMultiSelect);
    Prop("ExtendedSelect", &TListBox::ExtendedSelect, &TListBox::SetExtendedSelect);
    Prop("Sorted", &TListBox::Sorted, &TListBox::SetSorted);
}
VEMLOR_REGISTER_CLASS(TListBox);
