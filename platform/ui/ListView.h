#pragma once
// TListView in report mode: rows of items with a caption and sub-items
// under column headers. (Icon and list views show the same rows.)

#include <functional>
#include <memory>
#include <vector>

#include "platform/rtl/StringList.h"
#include "platform/ui/Controls.h"

class TListView;
class TListItems;

enum TViewStyle { vsIcon, vsSmallIcon, vsList, vsReport };
const TEnumType& EnumTypeInfo(TViewStyle);

class TListColumn : public TObject {
public:
    TListColumn(TListView* Owner) : FOwner(Owner) {}

    static const TClassInfo& StaticClassInfo();

    const AnsiString& Caption() const { return FCaption; }
    void SetCaption(const AnsiString& Value);
    // Follows the user's dragging of the column's edge.
    Integer Width() const;
    void SetWidth(Integer Value);
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment Value);
    Integer Index() const;

private:
    friend class TListView;
    friend class TListColumns;
    TListView* FOwner;
    AnsiString FCaption;
    Integer FWidth = 50;
    TAlignment FAlignment = taLeftJustify;
};

class TListColumns {
public:
    explicit TListColumns(TListView* Owner) : FOwner(Owner) {}
    TListColumn* Add();
    Integer Count() const { return static_cast<Integer>(FItems.size()); }
    // Raises EListError for an index out of range.
    TListColumn* Items(Integer Index) const;
    TListColumn* operator[](Integer Index) const { return Items(Index); }
    void Delete(Integer Index);
    void Clear();

private:
    friend class TListView;
    friend class TListColumn;
    TListView* FOwner;
    std::vector<std::unique_ptr<TListColumn>> FItems;
};

struct TListItemImpl;

class TListItem {
public:
    explicit TListItem(TListItems* Owner);
    ~TListItem();

    const AnsiString& Caption() const { return FCaption; }
    void SetCaption(const AnsiString& Value);
    // The texts of the second and further columns.
    TStrings* SubItems() const { return FSubItems.get(); }
    void* Data() const { return FData; }
    void SetData(void* Value) { FData = Value; }
    Integer ImageIndex() const { return FImageIndex; }
    void SetImageIndex(Integer Value) { FImageIndex = Value; }
    bool Selected() const;
    void SetSelected(bool Value);
    Integer Index() const;
    TListView* ListView() const;
    void Delete();
    void MakeVisible();

private:
    friend class TListItems;
    friend class TListView;
    friend class TListColumn;
    void Apply();

    TListItems* FOwner;
    std::unique_ptr<TListItemImpl> FImpl;
    AnsiString FCaption;
    std::unique_ptr<TStringList> FSubItems;
    void* FData = nullptr;
    Integer FImageIndex = -1;
};

class TListItems {
public:
    explicit TListItems(TListView* Owner) : FOwner(Owner) {}
    ~TListItems();

    TListItem* Add();
    TListItem* Insert(Integer Index);
    Integer Count() const { return static_cast<Integer>(FItems.size()); }
    // Raises EListError for an index out of range.
    TListItem* Item(Integer Index) const;
    TListItem* operator[](Integer Index) const { return Item(Index); }
    void Delete(Integer Index);
    void Clear();
    Integer IndexOf(const TListItem* Item) const;
    void BeginUpdate();
    void EndUpdate();
    TListView* Owner() const { return FOwner; }

private:
    friend class TListItem;
    friend class TListView;
    TListView* FOwner;
    std::vector<std::unique_ptr<TListItem>> FItems;
};

using TLVColumnClickEvent = std::function<void(TObject* Sender, TListColumn* Column)>;
using TLVSelectItemEvent = std::function<void(TObject* Sender, TListItem* Item, bool Selected)>;
using TLVDeletedEvent = std::function<void(TObject* Sender, TListItem* Item)>;

class TListView : public TWinControl {
public:
    explicit TListView(TComponent* AOwner);
    ~TListView() override;

    TListColumns* Columns() { return &FColumns; }
    TListItems* Items() { return &FItems; }
    TViewStyle ViewStyle() const { return FViewStyle; }
    void SetViewStyle(TViewStyle Value);
    // The first selected item, nullptr when none.
    TListItem* Selected() const;
    void SetSelected(TListItem* Value);
    Integer SelCount() const;
    TListItem* ItemFocused() const;
    bool MultiSelect() const { return FMultiSelect; }
    void SetMultiSelect(bool Value);
    bool RowSelect() const { return FRowSelect; }
    void SetRowSelect(bool Value);
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool Value) { FReadOnly = Value; }
    bool GridLines() const { return FGridLines; }
    void SetGridLines(bool Value);
    bool ShowColumnHeaders() const { return FShowColumnHeaders; }
    void SetShowColumnHeaders(bool Value);
    bool HideSelection() const { return FHideSelection; }
    void SetHideSelection(bool Value) { FHideSelection = Value; }
    TListItem* TopItem() const;
    // The item at a client point, nullptr when none.
    TListItem* GetItemAt(Integer X, Integer Y) const;

    TLVColumnClickEvent OnColumnClick;
    TLVSelectItemEvent OnSelectItem;
    TLVDeletedEvent OnDeletion;

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

protected:
    // Any click fires OnClick, on a row or not, after the row is picked.
    bool ClicksOnMouseUp() const override { return true; }
    void WndProc(TMessage& Message) override;

private:
    friend class TListColumn;
    friend class TListColumns;
    friend class TListItem;
    friend class TListItems;
    friend struct TListViewAccess;
    void ApplyColumns();
    void Deleting(TListItem* Item);

    TListColumns FColumns{this};
    TListItems FItems{this};
    TViewStyle FViewStyle = vsIcon;
    bool FMultiSelect = false;
    bool FRowSelect = false;
    bool FReadOnly = false;
    bool FGridLines = false;
    bool FShowColumnHeaders = true;
    bool FHideSelection = true;
    int FUpdating = 0;
};
