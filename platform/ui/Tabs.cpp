#include "platform/ui/Tabs.h"

#include <QApplication>
#include <QFontMetrics>
#include <QTabBar>
#include <QEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionTab>
#include <QStyleOptionTabWidgetFrame>

#include <algorithm>

#include "platform/classes/ClassRegistry.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/SysUtils.h"
#include "platform/ui/ControlKit.h"
#include "platform/ui/DrawText.h"

using namespace ui_detail;

namespace {

constexpr Integer kTabIndent = 2;    // before the first tab

struct TTabPainter {
    static void Paint(TCustomTabControl* c, Integer count, Integer selected,
                      const std::function<AnsiString(Integer)>& caption, QPainter& p) {
        QWidget* w = WidgetOf(c);
        if (!w) return;
        QStyle* style = w->style();
        p.fillRect(w->rect(), ToQColor(c->Color()));
        QStyleOptionTabWidgetFrame frame;
        frame.initFrom(w);
        const TRect d = c->DisplayRect();
        frame.rect = QRect(0, d.Top - 2, c->Width(), c->Height() - d.Top + 2);
        frame.shape = QTabBar::RoundedNorth;
        frame.lineWidth = 1;
        style->drawPrimitive(QStyle::PE_FrameTabWidget, &frame, &p, w);
        // The chosen tab last, so it overlaps its neighbours.
        for (int pass = 0; pass < 2; ++pass) {
            for (Integer i = 0; i < count; ++i) {
                const bool isSelected = i == selected;
                if ((pass == 0) == isSelected) continue;
                const TRect r = c->TabRect(i);
                QStyleOptionTab tab;
                tab.initFrom(w);
                tab.rect = QRect(r.Left, r.Top, r.Width(), r.Height());
                tab.text = ToQMnemonic(caption(i));
                tab.shape = QTabBar::RoundedNorth;
                tab.position = count == 1       ? QStyleOptionTab::OnlyOneTab
                               : i == 0         ? QStyleOptionTab::Beginning
                               : i == count - 1 ? QStyleOptionTab::End
                                                : QStyleOptionTab::Middle;
                tab.selectedPosition = selected == i - 1   ? QStyleOptionTab::PreviousIsSelected
                                       : selected == i + 1 ? QStyleOptionTab::NextIsSelected
                                                           : QStyleOptionTab::NotAdjacent;
                tab.state &= ~QStyle::State_HasFocus;
                if (isSelected) tab.state |= QStyle::State_Selected;
                if (!c->Enabled()) tab.state &= ~QStyle::State_Enabled;
                style->drawControl(QStyle::CE_TabBarTab, &tab, &p, w);
            }
        }
    }
};

}  // namespace

// ---------------------------------------------------------------------------
// TCustomTabControl

TCustomTabControl::TCustomTabControl(TComponent* AOwner) : TWinControl(AOwner) {
    QWidget* w = NewPaintWidget(nullptr, [this](QPainter& p) {
        TTabPainter::Paint(this, TabCount(), SelectedTab(), [this](Integer i) { return TabCaption(i); }, p);
    });
    w->setFocusPolicy(Qt::StrongFocus);
    AttachWidget(this, w);
    SetTabStop(true);
    SetColor(clBtnFace);
    SetBounds(0, 0, 289, 193);
}

TCustomTabControl::~TCustomTabControl() = default;

namespace {

// A tab's size as the style wants it for its caption (the way Qt's own tab
// bar asks), so that the caption is never cut.
QSize TabSize(const TCustomTabControl* c, const AnsiString& caption) {
    QWidget* w = WidgetOf(c);
    if (!w) return QSize(LayoutText(*c->Font(), StripMnemonics(caption), 0, DT_SINGLELINE).Width + 20, 20);
    QStyle* style = w->style();
    const QFontMetrics fm(w->font());
    QStyleOptionTab opt;
    opt.initFrom(w);
    opt.shape = QTabBar::RoundedNorth;
    opt.text = ToQMnemonic(caption);
    const int hframe = style->pixelMetric(QStyle::PM_TabBarTabHSpace, &opt, w);
    const int vframe = style->pixelMetric(QStyle::PM_TabBarTabVSpace, &opt, w);
    const QSize contents(fm.horizontalAdvance(ToQ(StripMnemonics(caption))) + hframe, fm.height() + vframe);
    return style->sizeFromContents(QStyle::CT_TabBarTab, &opt, contents, w);
}

}  // namespace

Integer TCustomTabControl::TabHeight() const {
    Integer h = TabSize(this, "Ag").height();
    for (Integer i = 0; i < TabCount(); ++i) h = std::max<Integer>(h, TabSize(this, TabCaption(i)).height());
    return h;
}

TRect TCustomTabControl::TabRect(Integer Index) const {
    if (Index < 0 || Index >= TabCount()) return TRect{};
    Integer x = kTabIndent;
    const Integer h = TabHeight();
    for (Integer i = 0; i < TabCount(); ++i) {
        const Integer w = TabSize(this, TabCaption(i)).width();
        if (i == Index) {
            // The chosen tab stands out by two pixels on each side.
            if (i == SelectedTab()) return Rect(x - 2, 0, x + w + 2, h);
            return Rect(x, 2, x + w, h);
        }
        x += w;
    }
    return TRect{};
}

TRect TCustomTabControl::DisplayRect() const {
    const Integer top = TabCount() > 0 ? TabHeight() : 0;
    TRect r = Rect(4, top + 2, Width() - 4, Height() - 4);
    if (r.Right < r.Left) r.Right = r.Left;
    if (r.Bottom < r.Top) r.Bottom = r.Top;
    return r;
}

Integer TCustomTabControl::IndexOfTabAt(Integer X, Integer Y) const {
    for (Integer i = 0; i < TabCount(); ++i) {
        TRect r = TabRect(i);
        if (i != SelectedTab()) r.Top = 0;
        if (X >= r.Left && X < r.Right && Y >= r.Top && Y < r.Bottom) return i;
    }
    return -1;
}

bool TCustomTabControl::CanChange() {
    bool allow = true;
    if (OnChanging) {
        TTabChangingEvent handler = OnChanging;
        handler(this, allow);
    }
    return allow;
}

void TCustomTabControl::Change() { FireEvent(OnChange, this); }

void TCustomTabControl::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (Button == mbLeft) {
        const Integer index = IndexOfTabAt(X, Y);
        std::weak_ptr<void> alive = AliveToken();
        if (index >= 0 && index != SelectedTab()) UserSelect(index);
        if (alive.expired()) return;
    }
    TWinControl::MouseDown(Button, Shift, X, Y);
}

void TCustomTabControl::KeyDown(Word& Key, TShiftState Shift) {
    // Ctrl+Tab and Ctrl+Shift+Tab walk the tabs, as the user's choice.
    TWinControl::KeyDown(Key, Shift);
    if (Key == VK_TAB && Shift.Contains(ssCtrl) && TabCount() > 0) {
        const Integer n = TabCount();
        const Integer next = ((SelectedTab() < 0 ? 0 : SelectedTab()) + (Shift.Contains(ssShift) ? n - 1 : 1)) % n;
        UserSelect(next);
        Key = 0;
    }
}

void TCustomTabControl::FontChanged() {
    TWinControl::FontChanged();
    TabsChanged();
}

void TCustomTabControl::TabsChanged() {
    Realign();
    Invalidate();
}

// ---------------------------------------------------------------------------
// TTabControl

TTabControl::TTabControl(TComponent* AOwner) : TCustomTabControl(AOwner), FTabs(std::make_unique<TStringList>()) {
    FTabs->OnChange = [this](TObject*) {
        if (FTabIndex >= FTabs->Count()) FTabIndex = FTabs->Count() - 1;
        TabsChanged();
    };
}

TTabControl::~TTabControl() { FTabs->OnChange = nullptr; }

void TTabControl::SetTabs(TStrings* Value) {
    if (Value) FTabs->Assign(Value);
}

void TTabControl::SetTabIndex(Integer Value) {
    if (Value < -1 || Value >= FTabs->Count()) Value = -1;
    if (FTabIndex == Value) return;
    FTabIndex = Value;
    Invalidate();
}

void TTabControl::UserSelect(Integer Index) {
    std::weak_ptr<void> alive = AliveToken();
    if (!CanChange() || alive.expired()) return;
    SetTabIndex(Index);
    Change();
}

// ---------------------------------------------------------------------------
// TTabSheet

namespace {

// A page's OnShow and OnHide follow whether it is on the screen: it becomes
// the active page of a shown window, or its window is shown while it is
// the active page (and the other way round), as in the class library.
class TSheetWatcher : public QObject {
public:
    TSheetWatcher(QObject* parent, TTabSheet* sheet) : QObject(parent), FSheet(sheet), FAlive(sheet->AliveToken()) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (FAlive.expired() || watched != WidgetOf(FSheet) || event->spontaneous()) return false;
        if (event->type() == QEvent::Show)
            SafeCall(FSheet, [this] { FireEvent(FSheet->OnShow, FSheet); });
        else if (event->type() == QEvent::Hide)
            SafeCall(FSheet, [this] { FireEvent(FSheet->OnHide, FSheet); });
        return false;
    }

private:
    TTabSheet* FSheet;
    std::weak_ptr<void> FAlive;
};

}  // namespace

TTabSheet::TTabSheet(TComponent* AOwner) : TWinControl(AOwner) {
    QWidget* w = NewPaintWidget(nullptr, [this](QPainter& p) {
        if (QWidget* self = WidgetOf(this)) p.fillRect(self->rect(), ToQColor(Color()));
    });
    w->installEventFilter(new TSheetWatcher(w, this));
    AttachWidget(this, w);
    TControl::SetVisible(false);
    SetAlign(alClient);
    SetParentColor(true);
}

TTabSheet::~TTabSheet() {
    if (FPageControl) FPageControl->RemovePage(this);
}

void TTabSheet::SetPageControl(TPageControl* Value) { SetParent(Value); }

void TTabSheet::SetParent(TWinControl* Value) {
    if (Value == Parent()) return;
    if (FPageControl) FPageControl->RemovePage(this);
    TWinControl::SetParent(Value);
    if (auto* pc = dynamic_cast<TPageControl*>(Value)) pc->InsertPage(this);
}

Integer TTabSheet::PageIndex() const {
    if (!FPageControl) return -1;
    const auto& pages = FPageControl->FPages;
    return static_cast<Integer>(std::find(pages.begin(), pages.end(), this) - pages.begin());
}

void TTabSheet::SetPageIndex(Integer Value) {
    if (FPageControl) FPageControl->MovePage(this, Value);
}

Integer TTabSheet::TabIndex() const {
    if (!FPageControl || !FTabVisible) return -1;
    Integer index = 0;
    for (TTabSheet* p : FPageControl->FPages) {
        if (p == this) return index;
        if (p->FTabVisible) ++index;
    }
    return -1;
}

void TTabSheet::SetTabVisible(bool Value) {
    if (FTabVisible == Value) return;
    FTabVisible = Value;
    if (FPageControl) FPageControl->TabsChanged();
}

void TTabSheet::TextChanged() {
    if (FPageControl) FPageControl->TabsChanged();
}

// ---------------------------------------------------------------------------
// TPageControl

TPageControl::TPageControl(TComponent* AOwner) : TCustomTabControl(AOwner) {}

TPageControl::~TPageControl() {
    // The pages are freed with the children, after this object is gone.
    for (TTabSheet* p : FPages) p->FPageControl = nullptr;
    FPages.clear();
    FActivePage = nullptr;
}

TTabSheet* TPageControl::Pages(Integer Index) const {
    if (Index < 0 || Index >= PageCount())
        throw EListError("List index out of bounds (" + IntToStr(Index) + ")");
    return FPages[static_cast<std::size_t>(Index)];
}

void TPageControl::InsertPage(TTabSheet* Page) {
    FPages.push_back(Page);
    Page->FPageControl = this;
    TabsChanged();
}

void TPageControl::RemovePage(TTabSheet* Page) {
    auto it = std::find(FPages.begin(), FPages.end(), Page);
    if (it == FPages.end()) return;
    if (Page == FActivePage) {
        TTabSheet* next = FindNextPage(Page, true, true);
        if (next == Page) next = nullptr;
        ChangeActivePage(next);
    }
    FPages.erase(std::find(FPages.begin(), FPages.end(), Page));
    Page->FPageControl = nullptr;
    if (!ComponentState().Contains(csDestroying)) TabsChanged();
}

void TPageControl::MovePage(TTabSheet* Page, Integer Index) {
    auto it = std::find(FPages.begin(), FPages.end(), Page);
    if (it == FPages.end()) return;
    FPages.erase(it);
    Index = std::clamp<Integer>(Index, 0, PageCount());
    FPages.insert(FPages.begin() + Index, Page);
    TabsChanged();
}

Integer TPageControl::ActivePageIndex() const { return FActivePage ? FActivePage->PageIndex() : -1; }

void TPageControl::SetActivePage(TTabSheet* Value) {
    if (Value && Value->FPageControl != this) return;
    ChangeActivePage(Value);
}

void TPageControl::SetActivePageIndex(Integer Value) {
    SetActivePage(Value >= 0 && Value < PageCount() ? FPages[static_cast<std::size_t>(Value)] : nullptr);
}

void TPageControl::ChangeActivePage(TTabSheet* Page) {
    if (FActivePage == Page) return;
    TTabSheet* old = FActivePage;
    FActivePage = Page;
    std::weak_ptr<void> alive = AliveToken();
    // The pages' OnShow and OnHide come from their widgets being shown and hidden.
    if (Page) {
        Page->BringToFront();
        Page->SetVisible(true);
        if (alive.expired()) return;
    }
    if (old && old->FPageControl == this) {
        old->SetVisible(false);
        if (alive.expired()) return;
    }
    Invalidate();
}

TTabSheet* TPageControl::FindNextPage(TTabSheet* CurPage, bool GoForward, bool CheckTabVisible) const {
    if (FPages.empty()) return nullptr;
    const Integer n = PageCount();
    Integer start = CurPage ? CurPage->PageIndex() : -1;
    if (start < 0) start = GoForward ? n - 1 : 0;
    Integer i = start;
    for (Integer k = 0; k < n; ++k) {
        i = GoForward ? (i + 1) % n : (i + n - 1) % n;
        TTabSheet* p = FPages[static_cast<std::size_t>(i)];
        if (!CheckTabVisible || p->FTabVisible) return p;
    }
    return nullptr;
}

void TPageControl::SelectNextPage(bool GoForward) {
    TTabSheet* next = FindNextPage(FActivePage, GoForward, true);
    if (!next || next == FActivePage) return;
    std::weak_ptr<void> alive = AliveToken();
    if (!CanChange() || alive.expired()) return;
    ChangeActivePage(next);
    if (!alive.expired()) Change();
}

Integer TPageControl::TabCount() const {
    return static_cast<Integer>(std::count_if(FPages.begin(), FPages.end(), [](TTabSheet* p) { return p->FTabVisible; }));
}

TTabSheet* TPageControl::VisiblePage(Integer TabIndex) const {
    Integer index = 0;
    for (TTabSheet* p : FPages) {
        if (!p->FTabVisible) continue;
        if (index++ == TabIndex) return p;
    }
    return nullptr;
}

AnsiString TPageControl::TabCaption(Integer Index) const {
    TTabSheet* p = VisiblePage(Index);
    return p ? p->Caption() : AnsiString();
}

Integer TPageControl::SelectedTab() const { return FActivePage ? FActivePage->TabIndex() : -1; }

void TPageControl::UserSelect(Integer Index) {
    TTabSheet* page = VisiblePage(Index);
    if (!page || page == FActivePage) return;
    std::weak_ptr<void> alive = AliveToken();
    if (!CanChange() || alive.expired()) return;
    ChangeActivePage(page);
    if (!alive.expired()) Change();
}

// ---------------------------------------------------------------------------
// Published properties

VEMLOR_PUBLISHED(TCustomTabControl, TWinControl) {
    EventProp("OnChange", &TCustomTabControl::OnChange);
    EventProp("OnChanging", &TCustomTabControl::OnChanging);
}

VEMLOR_PUBLISHED(TTabControl, TCustomTabControl) {
    Prop("Tabs", &TTabControl::Tabs, &TTabControl::SetTabs);
    Prop("TabIndex", &TTabControl::TabIndex, &TTabControl::SetTabIndex);
}
VEMLOR_REGISTER_CLASS(TTabControl);

VEMLOR_PUBLISHED(TTabSheet, TWinControl) {
    // The page control places its pages and shows the active one.
    Prop("Left", &TTabSheet::Left, &TTabSheet::SetLeft).Stored(false);
    Prop("Top", &TTabSheet::Top, &TTabSheet::SetTop).Stored(false);
    Prop("Width", &TTabSheet::Width, &TTabSheet::SetWidth).Stored(false);
    Prop("Height", &TTabSheet::Height, &TTabSheet::SetHeight).Stored(false);
    Prop("Visible", &TTabSheet::Visible, &TTabSheet::SetVisible).Stored(false);
    Prop("Caption", &TTabSheet::Caption, &TTabSheet::SetCaption);
    Prop("ImageIndex", &TTabSheet::ImageIndex, &TTabSheet::SetImageIndex);
    // A form file keeps the pages in their order.
    Prop("PageIndex", &TTabSheet::PageIndex, &TTabSheet::SetPageIndex).Stored(false);
    Prop("TabVisible", &TTabSheet::TabVisible, &TTabSheet::SetTabVisible);
    EventProp("OnShow", &TTabSheet::OnShow);
    EventProp("OnHide", &TTabSheet::OnHide);
}
VEMLOR_REGISTER_CLASS(TTabSheet);

VEMLOR_PUBLISHED(TPageControl, TCustomTabControl) {
    Prop("ActivePage", &TPageControl::ActivePage, &TPageControl::SetActivePage);
    // ActivePage says it in a form file, where the pages come after it.
    Prop("ActivePageIndex", &TPageControl::ActivePageIndex, &TPageControl::SetActivePageIndex).Stored(false);
}
VEMLOR_REGISTER_CLASS(TPageControl);
