#pragma once
// Menu resources: kept and undone like any resource; exporting them is not
// implemented.

#include "media/ResourceModule.h"

class TMenuResource : public TWriteableResource {
public:
    using TWriteableResource::TWriteableResource;
    static const TResourceClass& StaticClass();
    const TResourceClass& Class() const override { return StaticClass(); }
    AnsiString TypeName() const override { return "Menu"; }
    int Capabilities() const override { return CanExport; }

protected:
    // Raises "Not yet implemented".
    void DoExport(TStream* Stream) override;
};
