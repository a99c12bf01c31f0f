#pragma once
// Horizontal text alignment, shared by fields (their display alignment) and
// controls, so a data-aware control can hand one to the other.

#include "platform/classes/TypInfo.h"

enum TAlignment { taLeftJustify, taRightJustify, taCenter };
const TEnumType& EnumTypeInfo(TAlignment);
