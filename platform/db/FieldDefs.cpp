// Field definitions and the field list of a data set. Field names compare
// ignoring case.

#include "platform/db/DataSet.h"
#include "platform/db/Fields.h"
#include "platform/rtl/ScopeGuard.h"

namespace {

bool SameFieldName(const AnsiString& a, const AnsiString& b) { return SameText(a, b); }

}  // namespace

// ---------------------------------------------------------------------------
// TFieldDef, TFieldDefs

TFieldDef::TFieldDef(TFieldDefs* owner, const AnsiString& name, TFieldType type, int size, bool required,
                     int fieldNo)
    : FOwner(owner), FName(name), FDataType(type), FSize(size), FRequired(required), FFieldNo(fieldNo) {}

TField* TFieldDef::CreateField(TComponent* owner) {
    TField* field = CreateFieldOfType(FDataType, owner);
    if (!field) DatabaseErrorFmt(SUnknownFieldType, FOwner->DataSet(), FName);
    auto drop = ScopeFail([field] { delete field; });
    field->SetSize(FSize);
    field->SetFieldName(FName);
    field->SetRequired(FRequired);
    field->SetDataSet(FOwner->DataSet());
    return field;
}

TFieldDef* TFieldDefs::Add(const AnsiString& name, TFieldType type, int size, bool required) {
    if (name.empty()) DatabaseError(SFieldNameMissing, FDataSet);
    if (IndexOf(name) >= 0) DatabaseErrorFmt(SDuplicateFieldName, FDataSet, name);
    FItems.push_back(std::make_unique<TFieldDef>(this, name, type, size, required, Count() + 1));
    return FItems.back().get();
}

TFieldDef* TFieldDefs::Items(int index) const {
    if (index < 0 || index >= Count()) DatabaseError(SFieldIndexError, FDataSet);
    return FItems[static_cast<std::size_t>(index)].get();
}

int TFieldDefs::IndexOf(const AnsiString& name) const {
    for (int i = 0; i < Count(); ++i)
        if (SameFieldName(FItems[static_cast<std::size_t>(i)]->Name(), name)) return i;
    return -1;
}

TFieldDef* TFieldDefs::Find(const AnsiString& name) const {
    int i = IndexOf(name);
    if (i < 0) DatabaseErrorFmt(SFieldNotFound, FDataSet, name);
    return FItems[static_cast<std::size_t>(i)].get();
}

void TFieldDefs::Update() {
    if (FDataSet) FDataSet->InitFieldDefsFromFields();
}

// ---------------------------------------------------------------------------
// TFields

TField* TFields::Fields(int index) const {
    if (index < 0 || index >= Count()) DatabaseError(SFieldIndexError, FDataSet);
    return FList[static_cast<std::size_t>(index)];
}

int TFields::IndexOf(const TField* field) const {
    auto it = std::find(FList.begin(), FList.end(), field);
    return it == FList.end() ? -1 : static_cast<int>(it - FList.begin());
}

TField* TFields::FindField(const AnsiString& name) const {
    for (TField* f : FList)
        if (SameFieldName(f->FieldName(), name)) return f;
    return nullptr;
}

TField* TFields::FieldByName(const AnsiString& name) const {
    TField* f = FindField(name);
    if (!f) DatabaseErrorFmt(SFieldNotFound, FDataSet, name);
    return f;
}

void TFields::Add(TField* field) { FList.push_back(field); }

void TFields::Remove(TField* field) {
    auto it = std::find(FList.begin(), FList.end(), field);
    if (it != FList.end()) FList.erase(it);
}

void TFields::Move(int from, int to) {
    if (from == to) return;
    TField* f = FList[static_cast<std::size_t>(from)];
    FList.erase(FList.begin() + from);
    FList.insert(FList.begin() + to, f);
}
