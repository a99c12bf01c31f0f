#include "media/ResourceMenus.h"

const TResourceClass& TMenuResource::StaticClass() {
    static const TResourceClass c = MakeResourceClass<TMenuResource>("TMenuResource", 4, false);
    return c;
}

void TMenuResource::DoExport(TStream*) { throw EResourceError("Not yet implemented"); }
