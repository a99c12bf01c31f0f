#include "components/DBUtils.h"

#include <algorithm>
#include <vector>

#include "components/AppUtils.h"
#include "components/StrUtils.h"
#include "platform/db/Fields.h"
#include "platform/rtl/IniFiles.h"
#include "platform/rtl/ScopeGuard.h"
#include "platform/rtl/SysUtils.h"
#include "platform/ui/Forms.h"

bool DataSetHasNoRecords(TDataSet* DataSet) {
    return !DataSet || !DataSet->Active() || (DataSet->Bof() && DataSet->Eof());
}

bool GotoBookmarkSafe(TDataSet* DataSet, const TBookmark& Bookmark) {
    if (!DataSet || !DataSet->Active() || DataSet->IsEmpty() || Bookmark.empty()) return false;
    if (!DataSet->BookmarkValid(Bookmark)) return false;
    try {
        DataSet->GotoBookmark(Bookmark);
        return true;
    } catch (const Exception&) {
        return false;
    }
}

AnsiString DataSetLayoutSection(TDataSet* DataSet) {
    if (!DataSet) return AnsiString();
    if (auto* form = dynamic_cast<TForm*>(DataSet->Owner())) return DefaultSectionName(form);
    return DataSet->Name();
}

namespace {

const TCharSet& LayoutDelimiters() {
    static const TCharSet set{' ', ','};
    return set;
}

}  // namespace

Integer StoredLayoutWidth(const AnsiString& Text, Integer Current, Integer Limit) {
    const Integer width = StrToIntDef(Text, Current);
    if (width < 1) return Current;
    return std::min(width, Limit);
}

void SaveFieldLayout(TDataSet* DataSet, TIniFile* IniFile, const AnsiString& Section) {
    if (!DataSet || !IniFile) return;
    const AnsiString section = Section.empty() ? DataSetLayoutSection(DataSet) : Section;
    for (int i = 0; i < DataSet->FieldCount(); ++i) {
        TField* field = DataSet->Fields()[i];
        SettingsWriteString(IniFile, section, DataSet->Name() + field->FieldName(),
                            Format("%d,%d,%d", field->Index(), field->DisplayWidth(), field->Visible() ? 1 : 0));
    }
}

void LoadFieldLayout(TDataSet* DataSet, const TIniFile* IniFile, const AnsiString& Section, bool LoadVisible) {
    if (!DataSet || !IniFile) return;
    const AnsiString section = Section.empty() ? DataSetLayoutSection(DataSet) : Section;
    std::vector<std::pair<TField*, Integer>> targets;
    for (int i = 0; i < DataSet->FieldCount(); ++i) {
        TField* field = DataSet->Fields()[i];
        const AnsiString value = SettingsReadString(IniFile, section, DataSet->Name() + field->FieldName(), "");
        Integer target = field->Index();
        if (!value.empty()) {
            target = StrToIntDef(NthWord(1, value, LayoutDelimiters()), target);
            field->SetDisplayWidth(StoredLayoutWidth(NthWord(2, value, LayoutDelimiters()), field->DisplayWidth(),
                                                     kMaxStoredDisplayWidth));
            if (LoadVisible)
                field->SetVisible(StrToIntDef(NthWord(3, value, LayoutDelimiters()), field->Visible() ? 1 : 0) != 0);
        }
        targets.emplace_back(field, target);
    }
    ApplyTargetIndices(targets, [](TField* field, Integer p) { field->SetIndex(p); });
}

// ---------------------------------------------------------------------------
// TLocateObject

TLocateObject::~TLocateObject() = default;

void TLocateObject::CheckFieldType(TField*) {}
void TLocateObject::ActiveChanged() {}
bool TLocateObject::LocateKey() { return false; }
bool TLocateObject::UseKey() const { return false; }

bool TLocateObject::FilterApplicable() const {
    return FLookupField &&
           (FLookupField->FieldKind() == fkData || FLookupField->FieldKind() == fkInternalCalc);
}

bool TLocateObject::MatchesLookup(TField* Field) const {
    AnsiString text = Field->AsString();
    if (!FLookupExact) text = text.substr(0, FLookupValue.size());
    return FCaseSensitive ? text == FLookupValue : AnsiCompareText(text, FLookupValue) == 0;
}

bool TLocateObject::LocateFilter() {
    TLocateOptions options;
    if (!FCaseSensitive) options.Include(loCaseInsensitive);
    if (!FLookupExact) options.Include(loPartialKey);
    const TCursor previous = Screen->Cursor();
    Screen->SetCursor(crHourGlass);
    auto restore = ScopeExit([previous] { Screen->SetCursor(previous); });
    return FDataSet->Locate(FLookupField->FieldName(), Variant(FLookupValue), options);
}

bool TLocateObject::LocateFull() {
    for (FDataSet->First(); !FDataSet->Eof(); FDataSet->Next())
        if (MatchesLookup(FLookupField)) return true;
    return false;
}

bool TLocateObject::Locate(const AnsiString& KeyField, const AnsiString& Value, bool Exact, bool CaseSensitive) {
    FDataSet->CheckBrowseMode();
    FLookupField = FDataSet->FieldByName(KeyField);
    FLookupValue = Value;
    FLookupExact = Exact;
    FCaseSensitive = CaseSensitive || !dynamic_cast<TStringField*>(FLookupField);
    try {
        CheckFieldType(FLookupField);
    } catch (const Exception&) {
        return false;
    }
    FBookmark = FDataSet->GetBookmark();
    FDataSet->DisableControls();
    auto enable = ScopeExit([this] { FDataSet->EnableControls(); });
    if (!FDataSet->IsEmpty() && MatchesLookup(FLookupField)) return true;
    bool found = false;
    if (UseKey())
        found = LocateKey();
    else if (FilterApplicable())
        found = LocateFilter();
    else
        found = LocateFull();
    if (!found) GotoBookmarkSafe(FDataSet, FBookmark);
    return found;
}

namespace {
TCreateLocateObjectHook& HookSlot() {
    static TCreateLocateObjectHook hook;
    return hook;
}
}  // namespace

void SetCreateLocateObjectHook(TCreateLocateObjectHook Hook) { HookSlot() = std::move(Hook); }

std::unique_ptr<TLocateObject> CreateLocateObject(TDataSet* DataSet) {
    if (const TCreateLocateObjectHook& hook = HookSlot())
        if (std::unique_ptr<TLocateObject> made = hook(DataSet)) return made;
    return std::make_unique<TLocateObject>(DataSet);
}

bool LocateByValue(TDataSet* DataSet, const AnsiString& FieldName, const AnsiString& Value, bool Exact,
                   bool CaseSensitive) {
    if (!DataSet) return false;
    return CreateLocateObject(DataSet)->Locate(FieldName, Value, Exact, CaseSensitive);
}
