#include "client/GroupMembers.h"

#include "client/GroupList.h"
#include "platform/rtl/ScopeGuard.h"

namespace {

// Runs Work over Adresa with its controls off and its current contact kept.
template <class F>
void WithContacts(TDM& Data, F Work) {
    TMemData* contacts = Data.Adresa;
    contacts->DisableControls();
    const TBookmark mark = contacts->GetBookmark();
    auto restore = ScopeExit([&] {
        try {
            if (contacts->State() == dsEdit) contacts->Cancel();
            if (!mark.empty() && contacts->BookmarkValid(mark)) contacts->GotoBookmark(mark);
        } catch (const Exception&) {
        }
        contacts->EnableControls();
    });
    Work(contacts);
}

bool LocateContact(TDM& Data, Integer ID) { return Data.Adresa->Locate("ID", Variant(ID), {}); }

void SetGroupList(TDM& Data, const AnsiString& Value) {
    Data.Adresa->Edit();
    Data.AdresaIDSkup->SetAsString(Value);
    Data.Adresa->Post();
}

}  // namespace

TGroupMembers ListGroupMembers(TDM& Data, Integer GroupID) {
    TGroupMembers members;
    WithContacts(Data, [&](TMemData* contacts) {
        for (contacts->First(); !contacts->Eof(); contacts->Next()) {
            TGroupMember member{Data.AdresaJmeno->AsString(), Data.AdresaID->AsInteger()};
            if (GroupID != 0 && !IsInGroup(Data.AdresaIDSkup->AsString(), GroupID))
                members.Unassigned.push_back(member);
            else
                members.Assigned.push_back(member);
        }
    });
    return members;
}

std::vector<AnsiString> AddContactsToGroup(TDM& Data, const std::vector<Integer>& ContactIDs, Integer GroupID) {
    std::vector<AnsiString> refused;
    WithContacts(Data, [&](TMemData*) {
        for (Integer id : ContactIDs) {
            if (!LocateContact(Data, id)) break;
            const AnsiString list = Data.AdresaIDSkup->AsString();
            if (!GroupListFits(list, GroupID)) {
                refused.push_back(Data.AdresaJmeno->AsString());
                continue;
            }
            SetGroupList(Data, AddToGroupList(list, GroupID));
        }
    });
    return refused;
}

void RemoveContactsFromGroup(TDM& Data, const std::vector<Integer>& ContactIDs, Integer GroupID) {
    WithContacts(Data, [&](TMemData*) {
        for (Integer id : ContactIDs) {
            if (!LocateContact(Data, id)) break;
            SetGroupList(Data, RemoveFromGroupList(Data.AdresaIDSkup->AsString(), GroupID));
        }
    });
}

bool DeleteCurrentGroup(TDM& Data) {
    if (Data.Skupiny->IsEmpty()) return false;
    const Integer group = Data.SkupinyID->AsInteger();
    if (group == 0) return false;
    WithContacts(Data, [&](TMemData* contacts) {
        for (contacts->First(); !contacts->Eof(); contacts->Next()) {
            const AnsiString list = Data.AdresaIDSkup->AsString();
            if (IsInGroup(list, group)) SetGroupList(Data, RemoveFromGroupList(list, group));
        }
    });
    try {
        Data.Skupiny->Delete();
    } catch (const Exception&) {
    }
    return true;
}

void MoveCurrentGroup(TDM& Data, int Direction) {
    TMemData* groups = Data.Skupiny;
    if (groups->IsEmpty()) return;
    // A group still being typed in takes its place first.
    groups->CheckBrowseMode();
    const int at = groups->RecNo();
    if (Direction < 0 ? at <= 1 : at >= groups->RecordCount()) return;
    const Variant id(Data.SkupinyID->AsInteger());
    groups->DisableControls();
    auto enable = ScopeExit([&] {
        try {
            if (groups->State() == dsEdit) groups->Cancel();
            groups->SetSortedField("Poradi");
            groups->Locate("ID", id, {});
        } catch (const Exception&) {
        }
        groups->EnableControls();
    });
    auto shift = [&](int By) {
        groups->Edit();
        Data.SkupinyPoradi->SetAsInteger(Data.SkupinyPoradi->AsInteger() + By);
        groups->Post();
    };
    Data.RenumberGroups();
    groups->Locate("ID", id, {});
    groups->MoveBy(Direction);
    shift(-Direction);
    groups->Locate("ID", id, {});
    shift(Direction);
    // The two now have each other's numbers; sort them into place.
    groups->SetSortedField("");
}
