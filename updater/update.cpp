// The updater program: its main window, the settings window and the
// progress window, created in this order, and the event loop. It takes no
// command-line arguments.

#include "platform/ui/Forms.h"
#include "updater/Credentials.h"
#include "updater/DownLoad.h"
#include "updater/main.h"
#include "updater/setup.h"
#include "updater/uAdvHttp.h"

int main() {
    Application->Initialize();
    SetHttpCredentialsDialog(AskHttpCredentials);
    Application->CreateForm(fUpdate);
    Application->CreateForm(fSetUpdate);
    Application->CreateForm(fDownLoad);
    Application->Run();
    FinalizeApplication();
    return 0;
}
