#include "media/IcoList.h"

#include <algorithm>

#include "media/ResourceGraphics.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/ScopeGuard.h"

TIconList::TIconList() = default;

TIconList::~TIconList() {
    OnChange = nullptr;
    Clear();
}

void TIconList::Changed() {
    if (FUpdateCount == 0) FireEvent(OnChange, this);
}

void TIconList::EndUpdate() {
    if (FUpdateCount > 0 && --FUpdateCount == 0) Changed();
}

void TIconList::CheckIndex(int Index) const {
    if (Index < 0 || Index >= Count()) throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
}

void TIconList::Hook(TIcon* Icon) {
    if (Icon) Icon->OnChange = [this](TObject*) { Changed(); };
}

TIcon* TIconList::Icons(int Index) const {
    CheckIndex(Index);
    return FList[std::size_t(Index)].get();
}

std::unique_ptr<TIcon> TIconList::CopyOf(TGraphic* Source) {
    auto icon = std::make_unique<TIcon>();
    icon->Assign(Source);
    return icon;
}

void TIconList::SetIcons(int Index, TGraphic* Source) {
    BeginUpdate();
    auto end = ScopeExit([this] { EndUpdate(); });
    if (Index == Count()) FList.push_back(nullptr);
    CheckIndex(Index);
    auto& entry = FList[std::size_t(Index)];
    if (!entry) {
        entry = std::make_unique<TIcon>();
        Hook(entry.get());
    }
    entry->Assign(Source);
    Changed();
}

int TIconList::Add(TIcon* Icon) {
    std::unique_ptr<TIcon> copy = CopyOf(Icon);
    Hook(copy.get());
    FList.push_back(std::move(copy));
    Changed();
    return Count() - 1;
}

std::unique_ptr<TIcon> TIconList::LoadResource(TResourceModule* Module, const AnsiString& ResourceName) {
    auto icon = std::make_unique<TIcon>();
    LoadIconGroupResource(Module, ResourceName, icon.get());
    return icon;
}

int TIconList::AddResource(TResourceModule* Module, const AnsiString& ResourceName) {
    std::unique_ptr<TIcon> icon = LoadResource(Module, ResourceName);
    Hook(icon.get());
    FList.push_back(std::move(icon));
    Changed();
    return Count() - 1;
}

void TIconList::Clear() {
    BeginUpdate();
    auto end = ScopeExit([this] { EndUpdate(); });
    for (int i = Count() - 1; i >= 0; --i) Delete(i);
}

void TIconList::Delete(int Index) {
    CheckIndex(Index);
    if (TIcon* icon = FList[std::size_t(Index)].get()) icon->OnChange = nullptr;
    FList.erase(FList.begin() + Index);
    Changed();
}

void TIconList::Exchange(int Index1, int Index2) {
    CheckIndex(Index1);
    CheckIndex(Index2);
    std::swap(FList[std::size_t(Index1)], FList[std::size_t(Index2)]);
    Changed();
}

int TIconList::IndexOf(TIcon* Icon) const {
    for (int i = 0; i < Count(); ++i)
        if (FList[std::size_t(i)].get() == Icon) return i;
    return -1;
}

void TIconList::Insert(int Index, TIcon* Icon) {
    if (Index != Count()) CheckIndex(Index);
    std::unique_ptr<TIcon> copy = CopyOf(Icon);
    Hook(copy.get());
    FList.insert(FList.begin() + Index, std::move(copy));
    Changed();
}

void TIconList::InsertResource(int Index, TResourceModule* Module, const AnsiString& ResourceName) {
    if (Index != Count()) CheckIndex(Index);
    std::unique_ptr<TIcon> icon = LoadResource(Module, ResourceName);
    Hook(icon.get());
    FList.insert(FList.begin() + Index, std::move(icon));
    Changed();
}

void TIconList::Move(int CurIndex, int NewIndex) {
    if (CurIndex == NewIndex) return;
    CheckIndex(CurIndex);
    CheckIndex(NewIndex);
    std::unique_ptr<TIcon> icon = std::move(FList[std::size_t(CurIndex)]);
    FList.erase(FList.begin() + CurIndex);
    FList.insert(FList.begin() + NewIndex, std::move(icon));
    Changed();
}

void TIconList::LoadFromStream(TStream* Stream) {
    BeginUpdate();
    auto end = ScopeExit([this] { EndUpdate(); });
    Clear();
    Integer count = 0;
    Stream->ReadBuffer(&count, 4);
    // Every entry takes at least its 4-byte length.
    if (count < 0 || Int64(count) * 4 > Stream->Size() - Stream->Position())
        throw EReadError("Icon list: count " + std::to_string(count) + " does not fit the " +
                         std::to_string(Stream->Size() - Stream->Position()) + " bytes left");
    for (Integer i = 0; i < count; ++i) {
        Integer size = 0;
        Stream->ReadBuffer(&size, 4);
        if (size <= 0) {
            FList.push_back(nullptr);
            continue;
        }
        if (Int64(size) > Stream->Size() - Stream->Position())
            throw EReadError("Icon list: icon " + std::to_string(i) + " of " + std::to_string(size) +
                             " bytes runs past the end of the data");
        TMemoryStream bytes;
        bytes.CopyFrom(Stream, size);
        bytes.SetPosition(0);
        auto icon = std::make_unique<TIcon>();
        icon->LoadFromStream(&bytes);
        Hook(icon.get());
        FList.push_back(std::move(icon));
    }
}

void TIconList::SaveToStream(TStream* Stream) {
    const Integer count = Count();
    Stream->WriteBuffer(&count, 4);
    for (const auto& icon : FList) {
        if (!icon || icon->Empty()) {
            const Integer none = 0;
            Stream->WriteBuffer(&none, 4);
            continue;
        }
        TMemoryStream bytes;
        icon->SaveToStream(&bytes);
        const Integer size = Integer(bytes.Size());
        Stream->WriteBuffer(&size, 4);
        Stream->WriteBuffer(bytes.Memory(), size);
    }
}

void TIconList::Assign(TPersistent* Source) {
    if (Source == this) return;
    if (Source == nullptr) {
        Clear();
        return;
    }
    if (auto* list = dynamic_cast<TIconList*>(Source)) {
        BeginUpdate();
        auto end = ScopeExit([this] { EndUpdate(); });
        Clear();
        for (int i = 0; i < list->Count(); ++i) Add(list->Icons(i));
        return;
    }
    if (auto* icon = dynamic_cast<TIcon*>(Source)) {
        BeginUpdate();
        auto end = ScopeExit([this] { EndUpdate(); });
        Clear();
        Add(icon);
        return;
    }
    TPersistent::Assign(Source);
}

bool TIconList::ShouldStoreIcons(const TIconList* Ancestor) const {
    if (Ancestor == nullptr) return Count() > 0;
    if (Ancestor->Count() != Count()) return true;
    for (int i = 0; i < Count(); ++i)
        if (Ancestor->FList[std::size_t(i)].get() != FList[std::size_t(i)].get()) return true;
    return false;
}

void TIconList::DefineProperties(TFiler* Filer) {
    Filer->DefineBinaryProperty(
        "Icons", [this](TStream& Stream) { LoadFromStream(&Stream); }, [this](TStream& Stream) { SaveToStream(&Stream); },
        ShouldStoreIcons(nullptr));
}

VEMLOR_PUBLISHED(TIconList, TPersistent) {}
