// Feeds arbitrary bytes to the table file reader of a table with a field of
// every kind, reads every value back, and checks that what was loaded is
// stored and loaded again without change.

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

#include "fuzz/tables/FuzzTables.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto table = MakeFuzzFileTable();
    TMemData* t = table->Table;
    t->RestoreFromBytes(std::string_view(reinterpret_cast<const char*>(data), size));
    for (t->First(); !t->Eof(); t->Next()) {
        for (int i = 0; i < t->FieldCount(); ++i) {
            try {
                (void)t->Fields()[i]->DisplayText();
                (void)t->Fields()[i]->AsVariant();
            } catch (const Exception&) {
                // Values the file made up may not convert; that is reported, not fatal.
            }
        }
    }
    // Searching what was loaded: every value found must be found again.
    int probes = 0;
    for (t->First(); !t->Eof() && probes < 8; t->Next(), ++probes) {
        try {
            Variant i = t->FieldByName("I")->AsVariant();
            Variant s = t->FieldByName("S")->AsVariant();
            if (!i.IsNull() && !t->Lookup("I", i, "S").IsEmpty() && !t->Locate("I", i, {})) std::abort();
            if (!s.IsNull()) (void)t->Locate("S", s, TLocateOptions{loPartialKey, loCaseInsensitive});
            (void)t->Locate("I;S", VarArrayOf({i, s}), {});
        } catch (const Exception&) {
        }
    }
    std::string first = t->StoreToBytes();
    auto again = MakeFuzzFileTable();
    again->Table->RestoreFromBytes(first);
    if (again->Table->StoreToBytes() != first) std::abort();
    return 0;
}
