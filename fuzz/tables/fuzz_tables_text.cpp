// Feeds arbitrary bytes to the delimited-text import of a sorted, filtered
// table with fields of the kinds a text can be refused by, then checks that
// whatever happened the table browses, is not busy, has its controls enabled
// and every visible record reads.

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "fuzz/tables/FuzzTables.h"
#include "platform/rtl/FileUtils.h"

namespace {

const std::string& Folder() {
    static const std::string folder = [] {
        std::string f = "/tmp/vemlor-fuzz-text-" + std::to_string(getpid()) + "/";
        ForceDirectories(f);
        return f;
    }();
    return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto table = MakeFuzzTextTable();
    TMemData* t = table->Table;
    std::string in = Folder() + "in.txt";
    // A plain write: the atomic writer's flush to disk would slow every run.
    if (FILE* f = std::fopen(in.c_str(), "wb")) {
        if (size > 0) std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
    try {
        t->ImportFromTextFile(in);
    } catch (const Exception&) {
    }
    if (!t->Active() || t->State() != dsBrowse || t->Busy() || t->ControlsDisabled()) std::abort();
    for (t->First(); !t->Eof(); t->Next())
        for (int i = 0; i < t->FieldCount(); ++i) (void)t->Fields()[i]->Text();
    return 0;
}
