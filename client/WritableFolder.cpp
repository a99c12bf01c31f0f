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
        // The file functions end their messages with the reason after the
        // quoted name.
        const AnsiString& message = E.Message();
        const std::size_t quote = message.rfind("\". ");
        return quote == AnsiString::npos ? message : message.substr(quote + 3);
    }
}
