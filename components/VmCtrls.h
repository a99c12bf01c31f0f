#pragma once
// List controls and buttons of our own. TVmCustomListBox, a list box with owner drawing
// through events, a horizontal scroll extent that follows its widest item,
// tab stops, columns and a gray selection, which keeps its items when its
// window is re-created; and TVmCheckListBox on it, a check box (radio
// button, check mark) in front of every item, with three-valued states that
// travel with the items, are kept in the form file and can be kept in the
// settings file through a form storage.
//
// The list window here is the platform's list box; "re-creating the window"
// (which several properties do) empties it and puts the items back, so that
// a Sorted list sorts them and descendants see the protocol a real window
// re-creation gives: WindowDestroyed before the items go, item-data writes
// as they come back, WindowCreated at the end.
//
// TVmSpeedButton is a window-less button with a picture and a caption that
// can be flat, grouped, repeat its click while held and drop down a menu;
// TVmButtonGlyph cuts its picture into state images kept in image lists
// that all glyphs of one size share (the glyph cache).

#include <cstdint>
#include <deque>
#include <memory>

#include "platform/gfx/ImageList.h"
#include "platform/rtl/ScopeGuard.h"
#include "platform/rtl/StringList.h"
#include "platform/ui/Buttons.h"
#include "platform/ui/ChoiceCtrls.h"
#include "platform/ui/Forms.h"

class TFormPlacement;
class TIniFile;
class TIniLink;
class TVmCustomListBox;
class TVmCheckListBox;

using TGetItemWidthEvent = std::function<void(TWinControl* Control, Integer Index, Integer& Width)>;

// The items of a TVmCustomListBox: every operation goes to the list window.
class TVmListBoxStrings : public TStrings {
public:
    explicit TVmListBoxStrings(TVmCustomListBox* AListBox) : FListBox(AListBox) {}

    TVmCustomListBox* ListBox() const { return FListBox; }

    int Count() const override;
    // Texts of any length.
    AnsiString Strings(int Index) const override;
    TObject* Objects(int Index) const override;
    void SetObjects(int Index, TObject* Object) override;
    // A line the list window refuses raises EOutOfResources "Unable to insert a line".
    int Add(const AnsiString& S) override;
    void Insert(int Index, const AnsiString& S) override;
    void Delete(int Index) override;
    void Clear() override;

protected:
    void SetUpdateState(bool Updating) override;
    void CheckIndex(int Index) const;

private:
    TVmCustomListBox* FListBox;
};

class TVmCustomListBox : public TListBox {
public:
    explicit TVmCustomListBox(TComponent* AOwner);
    ~TVmCustomListBox() override;

    // Reads False while Columns is not 0.
    bool AutoScroll() const { return FAutoScroll && FColumns == 0; }
    void SetAutoScroll(bool Value);
    TBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TBorderStyle Value);
    Integer Columns() const { return FColumns; }
    void SetColumns(Integer Value);
    void SetExtendedSelect(bool Value);
    bool GraySelection() const { return FGraySelection; }
    void SetGraySelection(bool Value);
    bool IntegralHeight() const { return FIntegralHeight; }
    void SetIntegralHeight(bool Value);
    // Standard style: the height of the window's items; otherwise the value
    // set (only positive values are taken).
    virtual Integer ItemHeight() const;
    void SetItemHeight(Integer Value);
    void SetMultiSelect(bool Value);
    void SetSorted(bool Value);
    TListBoxStyle Style() const { return FStyle; }
    void SetStyle(TListBoxStyle Value);
    // Tab stop distance in dialog units (a quarter of the width of "0");
    // negative values become 0.
    Integer TabWidth() const { return FTabWidth; }
    void SetTabWidth(Integer Value);
    // Written only when different.
    void SetTopIndex(Integer Value);
    // The width the horizontal scroll bar lets the items show.
    Integer HorizontalExtent() const { return TListBox::HorizontalExtent(); }

    // Outside the client area -1; else the first item from the top index on
    // whose rectangle holds the point; none: -1 when Existing, else Count.
    Integer ItemAtPos(const TPoint& Pos, bool Existing) const;
    // An existing item (or item 0): its rectangle; Count: where a new item
    // would appear below the last; anything else an empty rectangle.
    TRect ItemRect(Integer Index) const;

    TGetItemWidthEvent OnGetItemWidth;

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

protected:
    friend class TVmListBoxStrings;

    // Empties the window and builds it again with the current properties,
    // keeping the items with their objects, the top index and the selected one.
    void RecreateWnd();
    // The window goes: items are still there (descendants save their data).
    virtual void WindowDestroyed() {}
    // The window is back, its items restored.
    virtual void WindowCreated() {}
    // The style the window gets for the Style property.
    virtual TListBoxStyle WindowStyle() const { return FStyle; }

    // The list window's operations with the horizontal extent kept.
    Integer AddString(const AnsiString& S);
    Integer InsertString(Integer Index, const AnsiString& S);
    void DeleteString(Integer Index) override;
    void ResetContent() override;

    // Width of one item for the horizontal extent.
    virtual Integer GetItemWidth(Integer Index);
    void UpdateHorizontalExtent();

    void DrawItemNotify(Integer Index, const TRect& Rect, TOwnerDrawState State) override;
    void DrawItem(Integer Index, const TRect& Rect, TOwnerDrawState State) override;
    // The text of an item in the canvas's font, 2 pixels in from the left,
    // vertically centred by the height of "Wy", with tab stops of TabWidth.
    void DrawItemText(Integer Index, const TRect& Rect);
    Integer TabStopPixels();

    void WndProc(TMessage& Message) override;
    void Resize() override;
    void FontChanged() override;

private:
    void ApplyWindowStyle();
    void ApplyColumnWidth();

    bool FAutoScroll = true;
    TBorderStyle FBorderStyle = bsSingle;
    Integer FColumns = 0;
    bool FExtendedSelect = true;
    bool FGraySelection = false;
    bool FIntegralHeight = false;
    Integer FItemHeight = 16;
    bool FMultiSelect = false;
    bool FSorted = false;
    TListBoxStyle FStyle = lbStandard;
    Integer FTabWidth = 0;
    // The items while the window is being re-created.
    std::unique_ptr<TStringList> FSaveItems;
    Integer FSaveTopIndex = 0;
    Integer FSaveItemIndex = -1;
};

enum TCheckKind { ckCheckBoxes, ckRadioButtons, ckCheckMarks };
const TEnumType& EnumTypeInfo(TCheckKind);

using TCheckListStateEvent = std::function<void(TObject* Sender, Integer Index)>;

// Exchanging and moving items takes their states and enabled flags along.
class TCheckListBoxStrings : public TVmListBoxStrings {
public:
    using TVmListBoxStrings::TVmListBoxStrings;
    void Exchange(int Index1, int Index2) override;
    void Move(int CurIndex, int NewIndex) override;
};

// The data a check list box keeps with each item.
struct TCheckListBoxItem {
    std::intptr_t Data = 0;  // what Items' object holds
    TCheckBoxState State = cbUnchecked;
    bool Enabled = true;
};

class TVmCheckListBox : public TVmCustomListBox {
public:
    // The version the form-file data is written with.
    static constexpr Integer kStreamVersion = 202;

    explicit TVmCheckListBox(TComponent* AOwner);
    ~TVmCheckListBox() override;

    // False unless CheckKind is ckCheckBoxes or ckCheckMarks.
    bool AllowGrayed() const { return FAllowGrayed && FCheckKind != ckRadioButtons; }
    void SetAllowGrayed(bool Value);
    TCheckKind CheckKind() const { return FCheckKind; }
    void SetCheckKind(TCheckKind Value);
    // Radio buttons only: the first checked item (-1 otherwise); writing
    // checks item max(Value, 0).
    Integer CheckedIndex() const;
    void SetCheckedIndex(Integer Value);
    TFormPlacement* IniStorage() const;
    void SetIniStorage(TFormPlacement* Value);

    // Every per-item read and write raises EStringListError "List index out
    // of bounds (%d)" for an index outside the items. Radio buttons report
    // only cbChecked; every other state reads cbUnchecked.
    TCheckBoxState State(Integer Index) const;
    void SetState(Integer Index, TCheckBoxState Value);
    bool Checked(Integer Index) const { return State(Index) == cbChecked; }
    void SetChecked(Integer Index, bool Value) { SetState(Index, Value ? cbChecked : cbUnchecked); }
    bool ItemEnabled(Integer Index) const;
    void SetItemEnabled(Integer Index, bool Value);
    // Check boxes and check marks: every item (or every enabled one).
    void SetAllStates(TCheckBoxState Value, bool EnabledOnly);
    // The user's toggle: nothing for a disabled item or an index outside
    // the items; then ClickCheck.
    void ToggleItem(Integer Index);
    // Copies the strings with their objects; from another check list box's
    // items, each item also takes the source's state and enabled flag.
    void SetItems(TStrings* Value);

    // The states in a settings-file section: "Count", then "Item0",
    // "Item1", ... holding 0, 1 or 2 (the section is emptied first).
    void SaveStatesToIni(TIniFile* IniFile, const AnsiString& Section);
    // At most as many items as the list has; a stored state outside 0..2
    // reads as unchecked; a radio list stops after the item stored checked.
    void LoadStatesFromIni(TIniFile* IniFile, const AnsiString& Section);

    // The version number the form file's data was read with (0 when absent).
    Integer StreamVersion() const { return FStreamVersion; }
    void SetStreamVersion(Integer Value) { FStreamVersion = Value; }

    // The items' data of the form file (its own property "Strings"), read
    // and written through a filer's value calls (ReadListBegin, EndOfList,
    // ReadString, ReadInteger, ReadBoolean, ReadListEnd and their Write
    // counterparts). Per item: since version 202 the text, the state (0, 1,
    // 2) and the enabled flag; before, the text, a checked flag, the enabled
    // flag and (above version 0) the state. A state outside 0..2 reads as
    // unchecked. Reading replaces the items and applies the radio rule.
    template <class Reader>
    void ReadStrings(Reader& R);
    template <class Writer>
    void WriteStrings(Writer& W) const;
    // Whether the items are worth writing: some items and no ancestor, or
    // an ancestor whose items differ in count, text (ignoring case), state
    // or enabled flag.
    bool StringsDiffer(const TVmCheckListBox* Ancestor) const;
    // Standard style, or owner-drawn fixed without OnDrawItem: the height
    // the window's items have (the text's or the check's, the larger).
    Integer ItemHeight() const override;
    // The check area beside each item: the cell width plus 2.
    Integer CheckWidth() const;

    TNotifyEvent OnClickCheck;
    TCheckListStateEvent OnStateChange;

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

    // The form file keeps the items through these, not through Items:
    // "InternalVersion" and "Strings" (see ReadStrings).
    void DefineProperties(TFiler* Filer) override;

    // The shared picture of the checks: 6 columns by 3 rows of 16 x 13 cells
    // (check boxes, radio buttons, check marks by row; unchecked, checked,
    // grayed, then the same disabled).
    static TBitmap* CheckImage();

protected:
    virtual void ClickCheck();
    virtual void StateChange(Integer Index);
    void Loaded() override;

    std::intptr_t GetItemData(Integer Index) const override;
    void SetItemData(Integer Index, std::intptr_t Data) override;
    void DeleteString(Integer Index) override;
    void ResetContent() override;

    TListBoxStyle WindowStyle() const override;
    void WindowDestroyed() override;
    void WindowCreated() override;
    Integer GetItemWidth(Integer Index) override;
    void DrawItemNotify(Integer Index, const TRect& Rect, TOwnerDrawState State) override;
    void DrawItem(Integer Index, const TRect& Rect, TOwnerDrawState State) override;
    void KeyPress(char& Key) override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void FontChanged() override;

private:
    TCheckListBoxItem* Record(Integer Index) const;
    TCheckListBoxItem* NeedRecord(Integer Index);
    void FreeRecord(Integer Index);
    void CheckIndex(Integer Index) const;
    void DrawCheck(const TRect& Area, TCheckBoxState AState, bool AEnabled);
    void InvalidateCheck(Integer Index);
    void ApplyRadioRule();
    void ResetItemHeight();
    bool ItemHeightFollowsText() const;
    void IniSave(TObject* Sender);
    void IniLoad(TObject* Sender);

    bool FAllowGrayed = false;
    TCheckKind FCheckKind = ckCheckBoxes;
    Integer FStreamVersion = 0;
    bool FForceUpdate = false;
    std::unique_ptr<TBitmap> FCell;
    std::unique_ptr<TIniLink> FIniLink;
    std::vector<std::unique_ptr<TCheckListBoxItem>> FRecords;
    // (state, enabled) of each item while the window is re-created.
    std::deque<std::pair<TCheckBoxState, bool>> FSavedStates;
};

// ---------------------------------------------------------------------------
// Speed button and button glyphs

class TPopupMenu;
class TTimer;

// The button's states; inactive is how a flat button looks without the mouse.
enum TVmButtonState { vbsUp, vbsDisabled, vbsDown, vbsExclusive, vbsInactive };
enum TButtonStyle { bsAutoDetect, bsWin31, bsNew };
const TEnumType& EnumTypeInfo(TButtonStyle);
enum TVmDropDownMenuPos { dmpBottom, dmpRight };
const TEnumType& EnumTypeInfo(TVmDropDownMenuPos);

// Told to every control of a parent when a grouped speed button goes down
// (WParam the group index, LParam the button).
constexpr Cardinal CM_BUTTONPRESSED = CM_BASE + 81;

// An image list whose slots are reused: removing an image frees its slot
// (the other images keep their indices) and adding fills the first free one.
class TGlyphList : public TImageList {
public:
    TGlyphList(Integer AWidth, Integer AHeight);
    ~TGlyphList() override;
    Integer AddMasked(TBitmap* Image, TColor MaskColor);
    void Delete(Integer Index);
    Integer UsedCount() const;

private:
    std::vector<bool> FUsed;
};

// The image lists of all button glyphs, one per image size. A list is freed
// when its last image goes; the cache itself when the last glyph goes.
class TGlyphCache {
public:
    TGlyphList* GetList(Integer AWidth, Integer AHeight);
    // Frees the list when no image is left in it.
    void ReturnList(TGlyphList* List);
    int ListCount() const { return static_cast<int>(FLists.size()); }

private:
    std::vector<std::unique_ptr<TGlyphList>> FLists;
};
// The program's cache; nullptr while no glyph exists.
TGlyphCache* GlyphCache();

// A button's picture: up to five images side by side (up, disabled, down,
// exclusive, inactive); missing disabled and inactive images are made from
// the first. Lays out picture, caption and drop-down mark, and draws them.
class TVmButtonGlyph {
public:
    TVmButtonGlyph();
    ~TVmButtonGlyph();
    TVmButtonGlyph(const TVmButtonGlyph&) = delete;
    TVmButtonGlyph& operator=(const TVmButtonGlyph&) = delete;

    // A new picture whose width is a multiple of its height sets NumGlyphs
    // (to 1 for six and more images).
    TBitmap* Glyph() const { return FOriginal.get(); }
    void SetGlyph(TBitmap* Value);
    // 1..5 (0 and below are taken as 1).
    Integer NumGlyphs() const { return FNumGlyphs; }
    void SetNumGlyphs(Integer Value);
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment Value);
    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool Value);
    TColor TransparentColor() const { return FTransparentColor; }
    // Lets go of the cached images (they are made again when drawn).
    void Invalidate();

    // The image for a state in GlyphList(), made on first need; -1 without a picture.
    Integer CreateButtonGlyph(TVmButtonState State);
    TGlyphList* GlyphList() const { return FGlyphList; }
    TPoint GlyphSize() const;

    // Where the parts go in Client: the picture's top-left, the caption as
    // shown (each line shortened to the room unless WordWrap) and its
    // rectangle, and the drop-down mark's anchor (with DropDownMark).
    struct TLayoutResult {
        AnsiString Text;
        TPoint GlyphPos;
        TRect TextBounds;
        TPoint MarkPos;
    };
    TLayoutResult CalcButtonLayout(TCanvas* Canvas, const TRect& Client, const TPoint& Offset,
                                   const AnsiString& Caption, TButtonLayout Layout, Integer Margin, Integer Spacing,
                                   bool DropDownMark);
    // Draws picture, caption and mark; returns the caption's rectangle.
    TRect Draw(TCanvas* Canvas, const TRect& Client, const TPoint& Offset, const AnsiString& Caption,
               TButtonLayout Layout, Integer Margin, Integer Spacing, bool DropDownMark, TVmButtonState State);

    TNotifyEvent OnChange;

private:
    void GlyphChanged();
    void DrawButtonText(TCanvas* Canvas, const AnsiString& Caption, TRect TextBounds, TVmButtonState State);
    static void DrawDropDownMark(TCanvas* Canvas, const TPoint& At, TVmButtonState State);

    std::unique_ptr<TBitmap> FOriginal;
    TGlyphList* FGlyphList = nullptr;
    Integer FIndexs[5] = {-1, -1, -1, -1, -1};
    TColor FTransparentColor = clFuchsia;
    Integer FNumGlyphs = 1;
    TAlignment FAlignment = taCenter;
    bool FWordWrap = false;
};

class TVmSpeedButton : public TGraphicControl {
public:
    explicit TVmSpeedButton(TComponent* AOwner);
    ~TVmSpeedButton() override;

    TAlignment Alignment() const { return FGlyph->Alignment(); }
    void SetAlignment(TAlignment Value);
    bool AllowAllUp() const { return FAllowAllUp; }
    void SetAllowAllUp(bool Value);
    bool AllowTimer() const { return FAllowTimer; }
    void SetAllowTimer(bool Value);
    Integer GroupIndex() const { return FGroupIndex; }
    void SetGroupIndex(Integer Value);
    // An ungrouped button never stays down; a down button of a group without
    // AllowAllUp is not released by writing.
    bool Down() const { return FDown; }
    void SetDown(bool Value);
    TPopupMenu* DropDownMenu() const { return FDropDownMenu; }
    void SetDropDownMenu(TPopupMenu* Value);
    TVmDropDownMenuPos MenuPosition() const { return FMenuPosition; }
    void SetMenuPosition(TVmDropDownMenuPos Value) { FMenuPosition = Value; }
    bool Flat() const { return FFlat; }
    void SetFlat(bool Value);
    TBitmap* Glyph() const { return FGlyph->Glyph(); }
    void SetGlyph(TBitmap* Value) { FGlyph->SetGlyph(Value); }
    bool GrayedInactive() const { return FGrayedInactive; }
    void SetGrayedInactive(bool Value);
    Word InitPause() const { return FInitPause; }
    void SetInitPause(Word Value) { FInitPause = Value; }
    TButtonLayout Layout() const { return FLayout; }
    void SetLayout(TButtonLayout Value);
    // Values below -1 are ignored.
    Integer Margin() const { return FMargin; }
    void SetMargin(Integer Value);
    bool MarkDropDown() const { return FMarkDropDown; }
    void SetMarkDropDown(bool Value);
    TModalResult ModalResult() const { return FModalResult; }
    void SetModalResult(TModalResult Value) { FModalResult = Value; }
    // 1..5: values above 5 become 5, below 1 become 1.
    Integer NumGlyphs() const { return FGlyph->NumGlyphs(); }
    void SetNumGlyphs(Integer Value);
    Word RepeatInterval() const { return FRepeatInterval; }
    void SetRepeatInterval(Word Value) { FRepeatInterval = Value; }
    Integer Spacing() const { return FSpacing; }
    void SetSpacing(Integer Value);
    TButtonStyle Style() const { return FStyle; }
    void SetStyle(TButtonStyle Value);
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool Value);
    bool WordWrap() const { return FGlyph->WordWrap(); }
    void SetWordWrap(bool Value);

    TVmButtonState State() const { return FState; }
    bool MouseInControl() const { return FMouseInControl; }
    TVmButtonGlyph* ButtonGlyph() const { return FGlyph.get(); }
    // Gives ModalResult to the parent form, then OnClick.
    void Click() override;
    // Only a button that is down answers double clicks.
    void DblClick() override;
    // Prepares the picture for the new look and repaints.
    void SetEnabled(bool Value) override;

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

protected:
    void Paint() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void WndProc(TMessage& Message) override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    void TextChanged() override { Invalidate(); }
    void FontChanged() override { Invalidate(); }
    bool ClicksOnMouseUp() const override { return false; }
    bool PaintsTransparent() const override { return FTransparent; }
    // Where the drop-down menu opens, on the screen.
    TPoint MenuPoint() const;
    bool Inside(int X, int Y) const;

private:
    void DrawFrame(TCanvas* Canvas, TRect& Rect, bool Pressed);
    void UpdateExclusive();
    void ButtonPressed(Integer Group, TVmSpeedButton* Sender);
    void TimerExpired();
    void StopTimer();
    void SetMouseInControl(bool Value);

    std::unique_ptr<TVmButtonGlyph> FGlyph;
    TVmButtonState FState = vbsUp;
    bool FAllowAllUp = false;
    bool FAllowTimer = false;
    Integer FGroupIndex = 0;
    bool FDown = false;
    TPopupMenu* FDropDownMenu = nullptr;
    TVmDropDownMenuPos FMenuPosition = dmpBottom;
    bool FFlat = false;
    bool FGrayedInactive = true;
    Word FInitPause = 500;
    TButtonLayout FLayout = blGlyphTop;
    Integer FMargin = -1;
    bool FMarkDropDown = true;
    TModalResult FModalResult = mrNone;
    Word FRepeatInterval = 100;
    Integer FSpacing = 1;
    TButtonStyle FStyle = bsAutoDetect;
    bool FTransparent = false;
    bool FDragging = false;
    bool FMouseInControl = false;
    bool FMenuTracking = false;
    std::unique_ptr<TTimer> FRepeatTimer;
};

// ---------------------------------------------------------------------------

template <class Reader>
void TVmCheckListBox::ReadStrings(Reader& R) {
    Items()->BeginUpdate();
    auto end = ScopeExit([this] { Items()->EndUpdate(); });
    Items()->Clear();
    R.ReadListBegin();
    while (!R.EndOfList()) {
        const Integer index = Items()->Add(R.ReadString());
        Int64 state = cbUnchecked;
        bool enabled = true;
        if (FStreamVersion >= kStreamVersion) {
            state = R.ReadInteger();
            enabled = R.ReadBoolean();
        } else {
            state = R.ReadBoolean() ? cbChecked : cbUnchecked;
            enabled = R.ReadBoolean();
            if (FStreamVersion > 0) state = R.ReadInteger();
        }
        SetState(index,
                 state >= cbUnchecked && state <= cbGrayed ? static_cast<TCheckBoxState>(state) : cbUnchecked);
        SetItemEnabled(index, enabled);
    }
    R.ReadListEnd();
    ApplyRadioRule();
}

template <class Writer>
void TVmCheckListBox::WriteStrings(Writer& W) const {
    W.WriteListBegin();
    for (Integer i = 0, n = ListCount(); i < n; ++i) {
        W.WriteString(ListText(i));
        W.WriteInteger(static_cast<Integer>(State(i)));
        W.WriteBoolean(ItemEnabled(i));
    }
    W.WriteListEnd();
}
