#pragma once
// Groups and their members as the database window edits them, on the data
// module's tables and without a window. Contacts are walked and located
// with the controls of Adresa disabled, so that no scroll event shows or
// ticks them, and the current contact is back afterwards.

#include <vector>

#include "client/DatMod.h"

struct TGroupMember {
    AnsiString Name;
    Integer ID = 0;
};

struct TGroupMembers {
    std::vector<TGroupMember> Assigned;
    std::vector<TGroupMember> Unassigned;
};

// Every contact in table order, split by membership of the group; group 0
// counts every contact as assigned.
TGroupMembers ListGroupMembers(TDM& Data, Integer GroupID);

// Adds the group to each contact in turn, stopping at the first that cannot
// be found. A contact whose group list has no room left keeps it as it is;
// the names of those are returned.
std::vector<AnsiString> AddContactsToGroup(TDM& Data, const std::vector<Integer>& ContactIDs, Integer GroupID);
// Removes the group from each contact in turn, stopping at the first that
// cannot be found.
void RemoveContactsFromGroup(TDM& Data, const std::vector<Integer>& ContactIDs, Integer GroupID);

// Takes the current group out of every contact's list and deletes it
// (a failing delete is ignored). Group 0, which stands for every contact, is
// refused: false, nothing changes.
bool DeleteCurrentGroup(TDM& Data);

// Swaps the current group with the one before it (Direction -1) or after it
// (+1) in the order of Poradi, after numbering the groups 0, 1, 2, ... The
// first group does not move up nor the last one down. The moved group stays
// current.
void MoveCurrentGroup(TDM& Data, int Direction);
