#pragma once
// A contact's group membership (Adresa.IDSkup): the group IDs in decimal,
// each followed by ";", e.g. "1;12;". The field holds at most
// kGroupListSize characters; a list that would grow beyond it is refused
// rather than cut, because a cut list loses or corrupts its last group.

#include "platform/rtl/System.h"

constexpr int kGroupListSize = 255;

// Whether one of the ';'-separated pieces is the group's ID ("1;12;" is in
// groups 1 and 12, not in 2). Group 0 is no exception: it is in the list
// only when written there.
bool IsInGroup(const AnsiString& GroupList, Integer GroupID);
// The pieces that differ from the ID, each followed by ";".
AnsiString RemoveFromGroupList(const AnsiString& GroupList, Integer GroupID);
// The list with the ID and ";" at its end.
AnsiString AddToGroupList(const AnsiString& GroupList, Integer GroupID);
// Whether AddToGroupList fits the field.
bool GroupListFits(const AnsiString& GroupList, Integer GroupID);
