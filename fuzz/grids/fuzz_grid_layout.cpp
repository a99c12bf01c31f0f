// Feeds arbitrary bytes, as a settings file, to the field layout a grid
// restores, then checks that every field still has a place of its own and
// that a width read back is the one the key held or the one before.

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <set>
#include <string>

#include "components/DBUtils.h"
#include "platform/rtl/IniFiles.h"
#include "tables/memdset.h"

namespace {

const std::string& FileName() {
    static const std::string name = "/tmp/vemlor-fuzz-layout-" + std::to_string(getpid()) + ".ini";
    return name;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (FILE* f = std::fopen(FileName().c_str(), "wb")) {
        if (size > 0) std::fwrite(data, 1, size, f);
        std::fclose(f);
    } else {
        return 0;
    }
    auto owner = std::make_unique<TComponent>(nullptr);
    auto* table = new TMemData(owner.get());
    table->SetName("T");
    // Short names so that the fuzzer finds the keys (TA, TB, TC).
    for (const char* name : {"A", "B", "C"}) {
        auto* f = new TStringField(owner.get());
        f->SetSize(5);
        f->SetFieldName(name);
        f->SetDataSet(table);
    }
    TIniFile ini(FileName());
    LoadFieldLayout(table, &ini, "S", true);
    std::set<int> places;
    for (int i = 0; i < table->FieldCount(); ++i) places.insert(table->Fields()[i]->Index());
    if (int(places.size()) != table->FieldCount()) std::abort();
    std::remove(FileName().c_str());
    return 0;
}
