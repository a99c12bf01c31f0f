#pragma once
// Tabbed controls: TTabControl (a row of tabs over one area) and
// TPageControl with its TTabSheet pages.
//
// As in the class library, changing the tab in code (TabIndex,
// ActivePage, ActivePageIndex) fires no OnChanging/OnChange; the user's
// click on a tab and SelectNextPage ask OnChanging (which may refuse) and
// then fire OnChange. A page fires OnShow when it comes on the screen (it
// becomes the active page of a shown window, or the window is shown while
// it is the active page) and OnHide when it leaves the screen.

#include <functional>
#include <memory>
#include <vector>

#include "platform/rtl/StringList.h"
#include "platform/ui/Controls.h"

using TTabChangingEvent = std::function<void(TObject* Sender, bool& AllowChange)>;

// What both tab controls share: the tabs, their layout and painting, and
// the user's clicks on them.
class TCustomTabControl : public TWinControl {
public:
    explicit TCustomTabControl(TComponent* AOwner);
    ~TCustomTabControl() override;

    // The area below the tabs, in client coordinates.
    TRect DisplayRect() const;
    // The tab under a client point, -1 when none.
    Integer IndexOfTabAt(Integer X, Integer Y) const;
    TRect TabRect(Integer Index) const;
    Integer TabHeight() const;

    TTabChangingEvent OnChanging;
    TNotifyEvent OnChange;

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

protected:
    // The tabs as shown (none while the derived class is being built).
    virtual Integer TabCount() const { return 0; }
    virtual AnsiString TabCaption(Integer Index) const {
        (void)Index;
        return {};
    }
    // The tab drawn as chosen, -1 for none.
    virtual Integer SelectedTab() const { return -1; }
    // The user picked the tab: CanChange, the change, Change.
    virtual void UserSelect(Integer Index) { (void)Index; }
    virtual bool CanChange();
    virtual void Change();
    TRect AlignRect() const override { return DisplayRect(); }
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void FontChanged() override;
    bool ClicksOnMouseUp() const override { return false; }
    void TabsChanged();
    void KeyDown(Word& Key, TShiftState Shift) override;
};

class TTabControl : public TCustomTabControl {
public:
    explicit TTabControl(TComponent* AOwner);
    ~TTabControl() override;

    TStrings* Tabs() const { return FTabs.get(); }
    void SetTabs(TStrings* Value);
    // -1 for none; out of range selects none.
    Integer TabIndex() const { return FTabIndex; }
    void SetTabIndex(Integer Value);

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

protected:
    Integer TabCount() const override { return FTabs->Count(); }
    AnsiString TabCaption(Integer Index) const override { return FTabs->Strings(Index); }
    Integer SelectedTab() const override { return FTabIndex; }
    void UserSelect(Integer Index) override;

private:
    std::unique_ptr<TStringList> FTabs;
    Integer FTabIndex = -1;
};

class TPageControl;

class TTabSheet : public TWinControl {
public:
    explicit TTabSheet(TComponent* AOwner);
    ~TTabSheet() override;

    TPageControl* PageControl() const { return FPageControl; }
    // Same as SetParent(Value): the sheet becomes the last page.
    void SetPageControl(TPageControl* Value);
    void SetParent(TWinControl* Value) override;
    // Position among the pages; setting it moves the page.
    Integer PageIndex() const;
    void SetPageIndex(Integer Value);
    // Index among the tabs shown (-1 while the tab is hidden).
    Integer TabIndex() const;
    bool TabVisible() const { return FTabVisible; }
    void SetTabVisible(bool Value);
    Integer ImageIndex() const { return FImageIndex; }
    void SetImageIndex(Integer Value) { FImageIndex = Value; }

    TNotifyEvent OnShow;
    TNotifyEvent OnHide;

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

protected:
    void TextChanged() override;

private:
    friend class TPageControl;
    TPageControl* FPageControl = nullptr;
    bool FTabVisible = true;
    Integer FImageIndex = -1;
};

class TPageControl : public TCustomTabControl {
public:
    explicit TPageControl(TComponent* AOwner);
    ~TPageControl() override;

    Integer PageCount() const { return static_cast<Integer>(FPages.size()); }
    // Raises EListError for an index out of range.
    TTabSheet* Pages(Integer Index) const;
    TTabSheet* ActivePage() const { return FActivePage; }
    // A page of another control is ignored; nullptr shows no page.
    void SetActivePage(TTabSheet* Value);
    Integer ActivePageIndex() const;
    // Out of range shows no page.
    void SetActivePageIndex(Integer Value);
    // The next (or previous) page with a visible tab, wrapping; as the
    // user's choice it asks OnChanging and fires OnChange.
    void SelectNextPage(bool GoForward);
    TTabSheet* FindNextPage(TTabSheet* CurPage, bool GoForward, bool CheckTabVisible) const;

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

protected:
    Integer TabCount() const override;
    AnsiString TabCaption(Integer Index) const override;
    Integer SelectedTab() const override;
    void UserSelect(Integer Index) override;

private:
    friend class TTabSheet;
    void InsertPage(TTabSheet* Page);
    void RemovePage(TTabSheet* Page);
    void MovePage(TTabSheet* Page, Integer Index);
    void ChangeActivePage(TTabSheet* Page);
    TTabSheet* VisiblePage(Integer TabIndex) const;

    std::vector<TTabSheet*> FPages;
    TTabSheet* FActivePage = nullptr;
};
