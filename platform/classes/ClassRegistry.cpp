#include "platform/classes/ClassRegistry.h"

const TClassInfo* GetClass(const AnsiString& ClassName) {
    return typinfo_detail::FindRegisteredClass(ClassName);
}

const TClassInfo& FindClass(const AnsiString& ClassName) {
    const TClassInfo* info = GetClass(ClassName);
    if (!info) throw EClassNotFound("Class " + ClassName + " not found");
    return *info;
}
