// Feeds arbitrary bytes to the table file reader of a table with a field of
// every kind, reads every value back, and checks that what was loaded is
// stored and loaded again without change.

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

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

struct TTable {
    std::unique_ptr<TComponent> Owner = std::make_unique<TComponent>(nullptr);
    TMemData* T = new TMemData(Owner.get());
    TTable() {
        TComponent* o = Owner.get();
        // Short names so that the fuzzer finds them: the file matches by name.
        Add<TStringField>(o, T, "S", 10);
        Add<TSmallintField>(o, T, "H");
        Add<TIntegerField>(o, T, "I");
        Add<TWordField>(o, T, "W");
        Add<TBooleanField>(o, T, "B");
        Add<TFloatField>(o, T, "F");
        Add<TCurrencyField>(o, T, "C");
        Add<TBCDField>(o, T, "N");
        Add<TDateField>(o, T, "D");
        Add<TTimeField>(o, T, "T");
        Add<TDateTimeField>(o, T, "DT");
        Add<TAutoIncField>(o, T, "A");
        Add<TLargeintField>(o, T, "L");
        Add<TWideStringField>(o, T, "U", 10);
        Add<TMemoField>(o, T, "M");
        Add<TGraphicField>(o, T, "G");
        T->SetSortedField("I");
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TTable table;
    table.T->RestoreFromBytes(std::string_view(reinterpret_cast<const char*>(data), size));
    for (table.T->First(); !table.T->Eof(); table.T->Next()) {
        for (int i = 0; i < table.T->FieldCount(); ++i) {
            try {
                (void)table.T->Fields()[i]->DisplayText();
                (void)table.T->Fields()[i]->AsVariant();
            } catch (const Exception&) {
                // Values the file made up may not convert; that is reported, not fatal.
            }
        }
    }
    // Searching what was loaded: every value found must be found again.
    int probes = 0;
    for (table.T->First(); !table.T->Eof() && probes < 8; table.T->Next(), ++probes) {
        try {
            Variant i = table.T->FieldByName("I")->AsVariant();
            Variant s = table.T->FieldByName("S")->AsVariant();
            if (!i.IsNull() && !table.T->Lookup("I", i, "S").IsEmpty() && !table.T->Locate("I", i, {})) std::abort();
            if (!s.IsNull()) (void)table.T->Locate("S", s, TLocateOptions{loPartialKey, loCaseInsensitive});
            (void)table.T->Locate("I;S", VarArrayOf({i, s}), {});
        } catch (const Exception&) {
        }
    }
    std::string first = table.T->StoreToBytes();
    TTable again;
    again.T->RestoreFromBytes(first);
    if (again.T->StoreToBytes() != first) std::abort();
    return 0;
}
