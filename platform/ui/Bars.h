#pragma once
// TStatusBar (panels with text and width, a simple panel, owner-drawn
// panels) and TToolBar with its TToolButtons.

#include <functional>
#include <memory>
#include <vector>

#include "platform/gfx/ImageList.h"
#include "platform/ui/Controls.h"

class TStatusBar;
class TPopupMenu;
class TMenuItem;
class TBasicAction;

enum TStatusPanelStyle { psText, psOwnerDraw };
const TEnumType& EnumTypeInfo(TStatusPanelStyle);
enum TStatusPanelBevel { pbNone, pbLowered, pbRaised };
const TEnumType& EnumTypeInfo(TStatusPanelBevel);

class TStatusPanel : public TObject {
public:
    explicit TStatusPanel(TStatusBar* Owner) : FOwner(Owner) {}

    static const TClassInfo& StaticClassInfo();

    const AnsiString& Text() const { return FText; }
    void SetText(const AnsiString& Value);
    // The last panel reaches the right edge whatever its width.
    Integer Width() const { return FWidth; }
    void SetWidth(Integer Value);
    TStatusPanelStyle Style() const { return FStyle; }
    void SetStyle(TStatusPanelStyle Value);
    TStatusPanelBevel Bevel() const { return FBevel; }
    void SetBevel(TStatusPanelBevel Value);
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment Value);
    Integer Index() const;

private:
    TStatusBar* FOwner;
    AnsiString FText;
    Integer FWidth = 50;
    TStatusPanelStyle FStyle = psText;
    TStatusPanelBevel FBevel = pbLowered;
    TAlignment FAlignment = taLeftJustify;
};

class TStatusPanels {
public:
    explicit TStatusPanels(TStatusBar* Owner) : FOwner(Owner) {}
    TStatusPanel* Add();
    Integer Count() const { return static_cast<Integer>(FItems.size()); }
    // Raises EListError for an index out of range.
    TStatusPanel* Items(Integer Index) const;
    TStatusPanel* operator[](Integer Index) const { return Items(Index); }
    void Delete(Integer Index);
    void Clear();

private:
    friend class TStatusPanel;
    TStatusBar* FOwner;
    std::vector<std::unique_ptr<TStatusPanel>> FItems;
};

using TDrawPanelEvent = std::function<void(TStatusBar* StatusBar, TStatusPanel* Panel, const TRect& Rect)>;

// Paints itself on its Canvas; an owner-drawn panel is drawn by OnDrawPanel
// on that canvas within the rectangle given.
class TStatusBar : public TCustomControl {
public:
    explicit TStatusBar(TComponent* AOwner);
    ~TStatusBar() override;

    TStatusPanels* Panels() { return &FPanels; }
    // One panel across the whole bar showing SimpleText instead of the panels.
    bool SimplePanel() const { return FSimplePanel; }
    void SetSimplePanel(bool Value);
    const AnsiString& SimpleText() const { return FSimpleText; }
    void SetSimpleText(const AnsiString& Value);
    bool SizeGrip() const { return FSizeGrip; }
    void SetSizeGrip(bool Value);
    // The rectangle a panel is shown in (for a hint or a picture on it).
    TRect PanelRect(Integer Index) const;

    TDrawPanelEvent OnDrawPanel;

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

protected:
    void Paint() override;
    void TextChanged() override { Invalidate(); }

private:
    friend class TStatusPanel;
    friend class TStatusPanels;
    TStatusPanels FPanels{this};
    bool FSimplePanel = false;
    AnsiString FSimpleText;
    bool FSizeGrip = true;
};

enum TToolButtonStyle { tbsButton, tbsCheck, tbsDropDown, tbsSeparator, tbsDivider };
const TEnumType& EnumTypeInfo(TToolButtonStyle);

class TToolBar;

class TToolButton : public TGraphicControl {
public:
    explicit TToolButton(TComponent* AOwner);
    ~TToolButton() override;

    TToolButtonStyle Style() const { return FStyle; }
    void SetStyle(TToolButtonStyle Value);
    // A check button stays down after a click; Grouped check buttons next to
    // each other are down one at a time.
    bool Down() const { return FDown; }
    void SetDown(bool Value);
    bool Grouped() const { return FGrouped; }
    void SetGrouped(bool Value) { FGrouped = Value; }
    bool AllowAllUp() const { return FAllowAllUp; }
    void SetAllowAllUp(bool Value) { FAllowAllUp = Value; }
    Integer ImageIndex() const { return FImageIndex; }
    void SetImageIndex(Integer Value);
    // Clicking a button with a menu item clicks the item; a drop-down
    // button's arrow (or a click on a button without OnClick) drops the menu.
    TMenuItem* MenuItem() const { return FMenuItem; }
    void SetMenuItem(TMenuItem* Value);
    TPopupMenu* DropdownMenu() const { return FDropdownMenu; }
    void SetDropdownMenu(TPopupMenu* Value);
    // Drops the menu down under the button; true when there was one.
    bool CheckMenuDropdown();
    // Runs the button's click: Down for check buttons, the menu item, OnClick.
    void Click() override;
    TToolBar* ToolBar() const;
    void SetParent(TWinControl* Value) override;

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

protected:
    void Paint() override;
    void TextChanged() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void WndProc(TMessage& Message) override;
    bool ClicksOnMouseUp() const override { return false; }
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    void UpdateGroup();

    TToolButtonStyle FStyle = tbsButton;
    bool FDown = false;
    bool FGrouped = false;
    bool FAllowAllUp = false;
    Integer FImageIndex = -1;
    TMenuItem* FMenuItem = nullptr;
    TPopupMenu* FDropdownMenu = nullptr;
    bool FPressed = false;
    bool FMouseInControl = false;
};

// Lines its tool buttons up from the left in their order among its
// children; other controls on it keep their own places.
class TToolBar : public TCustomControl {
public:
    explicit TToolBar(TComponent* AOwner);
    ~TToolBar() override;

    Integer ButtonCount() const;
    // The tool buttons in order; raises EListError out of range.
    TToolButton* Buttons(Integer Index) const;
    Integer ButtonWidth() const { return FButtonWidth; }
    void SetButtonWidth(Integer Value);
    Integer ButtonHeight() const { return FButtonHeight; }
    void SetButtonHeight(Integer Value);
    bool Flat() const { return FFlat; }
    void SetFlat(bool Value);
    bool ShowCaptions() const { return FShowCaptions; }
    void SetShowCaptions(bool Value);
    Integer Indent() const { return FIndent; }
    void SetIndent(Integer Value);
    // The pictures the buttons show by ImageIndex (not owned; a freed list
    // leaves the bar without pictures). The buttons repaint when it changes.
    TImageList* Images() const { return FImages; }
    void SetImages(TImageList* Value);
    // Places the buttons again (done whenever one comes, goes or changes).
    void ArrangeButtons();

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

protected:
    void Paint() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    void ImageListChange(TObject* Sender);

    Integer FButtonWidth = 23;
    Integer FButtonHeight = 22;
    bool FFlat = false;
    bool FShowCaptions = false;
    Integer FIndent = 0;
    bool FArranging = false;
    TImageList* FImages = nullptr;
    TChangeLink FImageChangeLink;
};
