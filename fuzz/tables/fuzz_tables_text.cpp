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

#include "platform/rtl/FileUtils.h"
#include "tables/memdset.h"

namespace {

template <class F>
F* Add(TComponent* owner, TMemData* t, const char* name, int size = 0) {
    auto* f = new F(owner);
    if (size) f->SetSize(size);
    f->SetFieldName(name);
    f->SetDataSet(t);
    return f;
}

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
    auto owner = std::make_unique<TComponent>(nullptr);
    auto* t = new TMemData(owner.get());
    Add<TStringField>(owner.get(), t, "S", 10);
    Add<TIntegerField>(owner.get(), t, "I");
    Add<TBooleanField>(owner.get(), t, "B");
    Add<TFloatField>(owner.get(), t, "F");
    Add<TDateTimeField>(owner.get(), t, "D");
    Add<TWideStringField>(owner.get(), t, "W", 6);
    Add<TMemoField>(owner.get(), t, "M");
    t->SetSortedField("S");
    t->Open();
    t->SetOnFilterRecord([](TDataSet* ds, bool& accept) { accept = ds->FieldByName("I")->AsInteger() % 2 == 0; });
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
