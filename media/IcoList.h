#pragma once
// TIconList: a list of icons that reports every change, stored in form
// files as raw data:
//
//   OFFSET SIZE DESCRIPTION
//   0      4    icon count n (signed)
//   4      ...  n entries: a byte count c (signed 32 bits), then c bytes of
//               the icon in icon-file form; c <= 0 stands for an empty entry

#include <memory>
#include <vector>

#include "platform/classes/Component.h"
#include "platform/classes/Events.h"
#include "platform/classes/Filer.h"
#include "platform/classes/TypInfo.h"
#include "platform/gfx/Icon.h"
#include "platform/rtl/Streams.h"

class TResourceModule;

class TIconList : public TPersistent {
public:
    TIconList();
    ~TIconList() override;
    TIconList(const TIconList&) = delete;
    TIconList& operator=(const TIconList&) = delete;

    // Fires OnChange unless an update is open.
    virtual void Changed();
    // nullptr for an empty entry. Index errors raise EListError.
    virtual TIcon* Icons(int Index) const;
    virtual int Count() const { return int(FList.size()); }
    // Index Count appends; the entry's icon copies the graphic.
    virtual void SetIcons(int Index, TGraphic* Source);
    // A copy of the icon is appended; returns its index.
    virtual int Add(TIcon* Icon);
    // The icon group resource of that name in the module; returns the index.
    virtual int AddResource(TResourceModule* Module, const AnsiString& ResourceName);
    virtual void Clear();
    virtual void Delete(int Index);
    virtual void Exchange(int Index1, int Index2);
    // By identity; -1 when absent.
    virtual int IndexOf(TIcon* Icon) const;
    virtual void Insert(int Index, TIcon* Icon);
    virtual void InsertResource(int Index, TResourceModule* Module, const AnsiString& ResourceName);
    // The stored form (see the head of this file). Bad counts and lengths
    // raise EReadError; the list then holds what was read before.
    virtual void LoadFromStream(TStream* Stream);
    virtual void Move(int CurIndex, int NewIndex);
    virtual void SaveToStream(TStream* Stream);

    // Nestable; OnChange fires once when the outermost update ends.
    void BeginUpdate() { ++FUpdateCount; }
    void EndUpdate();

    // From nullptr (clears), another list or an icon.
    void Assign(TPersistent* Source) override;

    // Whether the form file needs the "Icons" property: the list differs
    // from its ancestor's (another count or icon object), or, without an
    // ancestor, is not empty.
    bool ShouldStoreIcons(const TIconList* Ancestor) const;
    // Form files keep the list as the binary property "Icons" in its stored form.
    void DefineProperties(TFiler* Filer) override;

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

    TNotifyEvent OnChange;

private:
    void Hook(TIcon* Icon);
    void CheckIndex(int Index) const;
    std::unique_ptr<TIcon> CopyOf(TGraphic* Source);
    std::unique_ptr<TIcon> LoadResource(TResourceModule* Module, const AnsiString& ResourceName);

    std::vector<std::unique_ptr<TIcon>> FList;
    int FUpdateCount = 0;
};
