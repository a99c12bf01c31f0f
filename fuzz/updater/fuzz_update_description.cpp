// Feeds arbitrary bytes to the update-description reader and plans an update
// from what it accepted, then checks what the updater relies on: a refused
// text leaves no section behind, every queued package is a section of the
// description that is neither Setup nor an Info section, an exclusive package
// stands alone in the queue, and every offered package is read without fault.

#include <cstdint>
#include <cstdlib>
#include <string>

#include "updater/UpdateInfo.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    TUpdateDescription description;
    const std::string bytes(reinterpret_cast<const char*>(Data), Size);
    if (!description.Parse(bytes)) {
        if (!description.Sections().empty() || description.Error().empty()) std::abort();
        return 0;
    }
    const TUpdatePlan plan = PlanUpdate(description, [](const AnsiString& Name) {
        return Name.size() % 2 ? AnsiString("1.5") : AnsiString();
    });
    for (const AnsiString& name : plan.Queue) {
        if (!description.SectionExists(name) || name == "Setup" || name.rfind("Info", 0) == 0) std::abort();
        const TUpdatePackage package = ReadPackage(description, name);
        if (package.Exclusive && plan.Queue.size() != 1) std::abort();
        (void)IsPlainFileName(package.FileName);
        (void)IsSafeOutputDir(package.OutputDir);
        (void)JoinUrl(plan.MainURL, package.FileName);
    }
    return 0;
}
