#include "platform/classes/Alignment.h"

const TEnumType& EnumTypeInfo(TAlignment) {
    static const TEnumType t{"TAlignment", {"taLeftJustify", "taRightJustify", "taCenter"}};
    return t;
}
