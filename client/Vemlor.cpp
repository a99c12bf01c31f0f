// The client program: the main window, then the data module, then the
// settings window, and the event loop. A second copy ends inside the main
// window's creation, having brought the running one forward. It takes no
// command-line arguments.

#include "client/DatMod.h"
#include "client/Main.h"
#include "client/nastaveni.h"
#include "components/VCLUtils.h"
#include "platform/ui/Forms.h"

int main() {
    Application->Initialize();
    Application->SetTitle("SMS Vemlor");
    RegisterSharedCursors();
    Application->CreateForm(fMain);
    Application->CreateForm(DM);
    Application->CreateForm(fnastaveni);
    Application->Run();
    FinalizeApplication();
    return 0;
}
