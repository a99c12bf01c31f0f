#pragma once
// The about box: the program's name and version, its maker and the
// messaging technology it works with, each with a link to its web site, and
// the program's picture. The caller creates it, shows it modally and
// releases it.

#include "client/URLLabel.h"
#include "platform/ui/BitBtn.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/Forms.h"

class TfAbout : public TForm {
public:
    explicit TfAbout(TComponent* AOwner);

    TImage* Image1 = nullptr;
    TURLLabel* URLLabel1 = nullptr;  // the maker's site
    TURLLabel* URLLabel2 = nullptr;  // the messaging technology's site
    TURLLabel* URLLabel3 = nullptr;  // the product's site, shown with the window

    void FormCreate(TObject* Sender);
    void FormShow(TObject* Sender);

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }
};

// The product's web site.
extern const char* const kProductSite;
