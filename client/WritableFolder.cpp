#include "client/WritableFolder.h"

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FileUtils.h"

AnsiString FolderWriteProblem(const AnsiString& Folder) {
    try {
        // Hidden and starting ".~" as the writers' temporaries do: one left
        // by a run killed right here matches none of the program's masks.
        DeleteFile(CreateFreshFile(Folder, ".~write-test-"));
        return AnsiString();
    } catch (const EFCreateError& E) {
        return FileErrorReason(E.Message());
    }
}
