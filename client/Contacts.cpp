#include "client/Contacts.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <set>
#include <utility>
#include <vector>

#include "client/DatMod.h"
#include "client/GroupList.h"
#include "core/midi.h"
#include "platform/rtl/ScopeGuard.h"
#include "platform/rtl/StringList.h"
#include "platform/rtl/SysUtils.h"

namespace {

// Values of stored contacts, read by position without moving the cursor.
const TMemField* Descriptor(TDM& Data, TField* Field) { return Data.Adresa->MemFields()->FindDescriptor(Field); }

AnsiString StoredText(const TMemField* Desc, int Pos) {
    if (!Desc || Desc->IsNullAt(Pos)) return {};
    const char* text = reinterpret_cast<const char*>(Desc->ValuePtr(Pos));
    return AnsiString(text, strnlen(text, static_cast<std::size_t>(Desc->DataSize())));
}

// -1 for no ID (null).
Integer StoredInteger(const TMemField* Desc, int Pos) {
    if (!Desc || Desc->IsNullAt(Pos)) return -1;
    std::int32_t value = 0;
    std::memcpy(&value, Desc->ValuePtr(Pos), sizeof value);
    return value;
}

bool StoredBoolean(const TMemField* Desc, int Pos) {
    if (!Desc || Desc->IsNullAt(Pos)) return false;
    std::uint16_t value = 0;
    std::memcpy(&value, Desc->ValuePtr(Pos), sizeof value);
    return value != 0;
}

// Every contact shown and walked, whatever group the address book shows, with
// the contact events kept quiet: a repair must not tick or untick anybody.
// The address book shows every contact afterwards; the window filters it by
// its group again.
class TAllContacts {
public:
    explicit TAllContacts(TDM& Data) : FData(Data), FTable(Data.Adresa) {
        FTable->DisableControls();
        FBeforePost = std::exchange(FTable->BeforePost, nullptr);
        FAfterPost = std::exchange(FTable->AfterPost, nullptr);
        FAfterDelete = std::exchange(FTable->AfterDelete, nullptr);
        FPlace = FTable->GetBookmark();
        FData.SetGroupFilter(false);
        FTable->RebuildFilterList();
    }
    ~TAllContacts() {
        try {
            if (FTable->State() == dsEdit || FTable->State() == dsInsert) FTable->Cancel();
            if (!FPlace.empty() && FTable->BookmarkValid(FPlace))
                FTable->GotoBookmark(FPlace);
            else
                FTable->First();
        } catch (const Exception&) {
        }
        FTable->BeforePost = std::move(FBeforePost);
        FTable->AfterPost = std::move(FAfterPost);
        FTable->AfterDelete = std::move(FAfterDelete);
        FTable->EnableControls();
    }
    TAllContacts(const TAllContacts&) = delete;
    TAllContacts& operator=(const TAllContacts&) = delete;

    const TBookmark& Place() const { return FPlace; }

private:
    TDM& FData;
    TMemData* FTable;
    TDataSetNotifyEvent FBeforePost;
    TDataSetNotifyEvent FAfterPost;
    TDataSetNotifyEvent FAfterDelete;
    TBookmark FPlace;
};

void SetContactId(TDM& Data, Integer Id) {
    Data.Adresa->Edit();
    Data.AdresaID->SetAsInteger(Id);
    Data.Adresa->Post();
}

}  // namespace

bool BelongsToGroup(const AnsiString& Groups, Integer Group) { return Group == 0 || IsInGroup(Groups, Group); }

AnsiString NormalisePhoneNumber(const AnsiString& Text) {
    AnsiString number;
    for (char c : Text)
        if (c != ' ' && c != '/' && c != '-' && c != '(' && c != ')') number += c;
    if (!number.empty() && number[0] == '+') number.replace(0, 1, "00");
    return number;
}

bool IsAllDigits(const AnsiString& Text) {
    return !Text.empty() && std::all_of(Text.begin(), Text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

TRecipientSummary SummariseTickedContacts(TDM& Data, Integer Group) {
    TRecipientSummary summary;
    const TMemField* name = Descriptor(Data, Data.AdresaJmeno);
    const TMemField* groups = Descriptor(Data, Data.AdresaIDSkup);
    const TMemField* salutation = Descriptor(Data, Data.AdresaOsloveni);
    const TMemField* signature = Descriptor(Data, Data.AdresaPodpis);
    const TMemField* ticked = Descriptor(Data, Data.AdresaVybrany);
    const int count = Data.Adresa->MemFields()->StoredRecordCount();
    for (int pos = 0; pos < count; ++pos) {
        if (!StoredBoolean(ticked, pos) || !BelongsToGroup(StoredText(groups, pos), Group)) continue;
        if (summary.Count > 0) summary.Names += ";";
        summary.Names += StoredText(name, pos);
        ++summary.Count;
        const TContactEnding ending{StoredText(salutation, pos), StoredText(signature, pos)};
        auto withBlank = [](const AnsiString& Text) { return Text.empty() ? 0 : Integer(Text.size()) + 1; };
        summary.Reserve = std::max(summary.Reserve, withBlank(ending.Salutation) + withBlank(ending.Signature));
        if (std::find(summary.Endings.begin(), summary.Endings.end(), ending) == summary.Endings.end())
            summary.Endings.push_back(ending);
    }
    return summary;
}

// Whether every stored contact has an ID of its own: the common case, which
// a start with a large address book should find without walking it.
bool StoredIdsAreSound(TDM& Data) {
    const TMemField* id = Descriptor(Data, Data.AdresaID);
    if (!id) return false;
    const int count = Data.Adresa->MemFields()->StoredRecordCount();
    std::vector<Integer> ids;
    ids.reserve(static_cast<std::size_t>(count));
    for (int pos = 0; pos < count; ++pos) {
        const Integer value = StoredInteger(id, pos);
        if (value == -1) return false;
        ids.push_back(value);
    }
    if (ids.empty()) return true;
    const auto [low, high] = std::minmax_element(ids.begin(), ids.end());
    const std::uint64_t span = std::uint64_t(std::int64_t(*high) - *low) + 1;
    // IDs numbered from 1 up fit a table of marks, which a start finds
    // sooner than sorting them.
    if (span > 8 * ids.size()) {
        std::sort(ids.begin(), ids.end());
        return std::adjacent_find(ids.begin(), ids.end()) == ids.end();
    }
    std::vector<bool> seen(span);
    for (const Integer value : ids) {
        auto mark = seen[std::size_t(std::int64_t(value) - *low)];
        if (mark) return false;
        mark = true;
    }
    return true;
}

void NumberContacts(TDM& Data) {
    TMemData* adresa = Data.Adresa;
    if (!adresa->Active() || adresa->IsEmpty() || StoredIdsAreSound(Data)) return;
    TAllContacts all(Data);
    Integer largest = INT_MIN;
    for (adresa->First(); !adresa->Eof(); adresa->Next())
        if (!Data.AdresaID->IsNull() && Data.AdresaID->AsInteger() != -1)
            largest = std::max(largest, Data.AdresaID->AsInteger());
    Integer next = largest == INT_MIN ? 1 : largest + 1;
    std::set<Integer> seen;
    for (adresa->First(); !adresa->Eof(); adresa->Next()) {
        const bool none = Data.AdresaID->IsNull() || Data.AdresaID->AsInteger() == -1;
        if (none || !seen.insert(Data.AdresaID->AsInteger()).second) SetContactId(Data, next++);
    }
}

void FixContactIds(TDM& Data) {
    TMemData* adresa = Data.Adresa;
    if (!adresa->Active()) return;
    Data.ClearContactTicks();
    if (adresa->IsEmpty()) {
        adresa->Refresh();
        return;
    }
    TAllContacts all(Data);
    std::vector<std::pair<Integer, TBookmark>> contacts;
    for (adresa->First(); !adresa->Eof(); adresa->Next())
        contacts.emplace_back(Data.AdresaID->AsInteger(), adresa->GetBookmark());
    std::stable_sort(contacts.begin(), contacts.end(),
                     [](const auto& A, const auto& B) { return A.first < B.first; });
    Integer next = contacts.back().first + 1;
    for (std::size_t i = 0; i + 1 < contacts.size(); ++i) {
        if (contacts[i].first != contacts[i + 1].first) continue;
        adresa->GotoBookmark(contacts[i].second);
        SetContactId(Data, next++);
    }
}

bool IsTemporaryContact(const AnsiString& Name, const AnsiString& TempWord) {
    const AnsiString prefix = TempWord + " ";
    return Name.size() >= prefix.size() && Name.compare(0, prefix.size(), prefix) == 0;
}

Integer DeleteTemporaryContacts(TDM& Data, const AnsiString& TempWord) {
    TMemData* adresa = Data.Adresa;
    if (!adresa->Active() || adresa->IsEmpty()) return 0;
    Integer deleted = 0;
    TAllContacts all(Data);
    adresa->First();
    while (!adresa->Eof()) {
        if (IsTemporaryContact(Data.AdresaJmeno->AsString(), TempWord)) {
            adresa->Delete();
            ++deleted;
        } else {
            adresa->Next();
        }
    }
    return deleted;
}

Integer FindContactByName(TDM& Data, const AnsiString& Text) {
    TMemData* adresa = Data.Adresa;
    if (!adresa->Active() || adresa->IsEmpty() || Text.empty()) return 0;
    const AnsiString wanted = AnsiLowerCase(Text);
    const TBookmark place = adresa->GetBookmark();
    TBookmark containing;
    for (adresa->First(); !adresa->Eof(); adresa->Next()) {
        const AnsiString name = AnsiLowerCase(Data.AdresaJmeno->AsString());
        if (name.compare(0, wanted.size(), wanted) == 0) return 1;
        if (containing.empty() && name.find(wanted) != AnsiString::npos) containing = adresa->GetBookmark();
    }
    adresa->GotoBookmark(containing.empty() ? place : containing);
    return containing.empty() ? 0 : 2;
}

bool FindContactByNumberPart(TDM& Data, const AnsiString& Digits) {
    TMemData* adresa = Data.Adresa;
    if (!adresa->Active() || adresa->IsEmpty() || Digits.empty()) return false;
    const TBookmark place = adresa->GetBookmark();
    for (adresa->First(); !adresa->Eof(); adresa->Next())
        if (Data.AdresaCislo->AsString().find(Digits) != AnsiString::npos) return true;
    adresa->GotoBookmark(place);
    return false;
}

TEveryContactShown::TEveryContactShown(TDM& Data)
    : FData(Data), FFiltered(Data.Adresa->Filtered()), FRow(Data.Adresa->ActiveRecordIndex()) {
    TMemData* adresa = FData.Adresa;
    adresa->DisableControls();
    FPlace = adresa->GetBookmark();
    if (!FFiltered) return;
    FData.SetGroupFilter(false);
    adresa->RebuildFilterList();
}

TEveryContactShown::~TEveryContactShown() {
    TMemData* adresa = FData.Adresa;
    try {
        if (adresa->State() == dsEdit || adresa->State() == dsInsert) adresa->Cancel();
        if (FFiltered) {
            FData.SetGroupFilter(true);
            auto off = ScopeExit([this] { FData.SetGroupFilter(false); });
            adresa->RebuildFilterList();
        }
        if (!FPlace.empty() && adresa->BookmarkValid(FPlace)) {
            adresa->GotoBookmark(FPlace);
            // The contact came back in the middle of the window. Moving
            // past the window's edge by the rows it stood away from its old
            // row, and back, slides the window so that it shows the same
            // rows around it, as far as the table reaches.
            const int row = adresa->ActiveRecordIndex();
            int moved = 0;
            if (row < FRow)
                moved = adresa->MoveBy(-FRow);
            else if (row > FRow)
                moved = adresa->MoveBy(adresa->WindowRecordCount() - 1 - FRow);
            adresa->MoveBy(-moved);
        } else {
            adresa->First();
        }
    } catch (const Exception&) {
    }
    adresa->EnableControls();
}
