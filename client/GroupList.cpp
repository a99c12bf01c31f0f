#include "client/GroupList.h"

#include "core/midi.h"
#include "platform/rtl/StringList.h"
#include "platform/rtl/SysUtils.h"

bool IsInGroup(const AnsiString& GroupList, Integer GroupID) {
    TStringList pieces;
    SplitString(';', GroupList, &pieces);
    const AnsiString id = IntToStr(GroupID);
    for (int i = 0; i < pieces.Count(); ++i)
        if (pieces[i] == id) return true;
    return false;
}

AnsiString RemoveFromGroupList(const AnsiString& GroupList, Integer GroupID) {
    TStringList pieces;
    SplitString(';', GroupList, &pieces);
    const AnsiString id = IntToStr(GroupID);
    AnsiString kept;
    for (int i = 0; i < pieces.Count(); ++i)
        if (pieces[i] != id) kept += pieces[i] + ";";
    return kept;
}

AnsiString AddToGroupList(const AnsiString& GroupList, Integer GroupID) { return GroupList + IntToStr(GroupID) + ";"; }

bool GroupListFits(const AnsiString& GroupList, Integer GroupID) {
    return AddToGroupList(GroupList, GroupID).size() <= static_cast<std::size_t>(kGroupListSize);
}
