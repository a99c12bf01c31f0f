#pragma once
// The dialog that asks for a user name and password when the update server
// or the proxy wants them (installed for TAdvHttp by the program block).

#include "platform/ui/Forms.h"
#include "platform/ui/StdCtrls.h"

class TfCredentials : public TForm {
public:
    explicit TfCredentials(TComponent* AOwner);

    TLabel* LabelServer = nullptr;
    TLabel* LabelProxy = nullptr;
    TLabel* LabelAddress = nullptr;
    TEdit* EditUser = nullptr;
    TEdit* EditPassword = nullptr;

    void FormCreate(TObject* Sender);

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }
};

// Shows the dialog modally with the names given; on OK they hold what the
// user typed and the result is true, on Cancel they stay as they were.
bool AskHttpCredentials(const AnsiString& Address, bool Proxy, AnsiString& UserName, AnsiString& Password);
