#pragma once
// The tables the table fuzz targets feed their bytes to. The inputs kept in
// tables/tests/data/fuzz are read by the unit tests with these same tables,
// so a find means the same thing in both places.

#include <memory>

#include "tables/memdset.h"

struct TFuzzTable {
    std::unique_ptr<TComponent> Owner = std::make_unique<TComponent>(nullptr);
    TMemData* Table = new TMemData(Owner.get());

    template <class F>
    F* Add(const char* Name, int Size = 0) {
        auto* f = new F(Owner.get());
        if (Size) f->SetSize(Size);
        f->SetFieldName(Name);
        f->SetDataSet(Table);
        return f;
    }
};

// The file reader's table: a field of every kind, with short names so that
// the fuzzer finds them (the file matches columns by name); sorted by I.
inline std::unique_ptr<TFuzzTable> MakeFuzzFileTable() {
    auto t = std::make_unique<TFuzzTable>();
    t->Add<TStringField>("S", 10);
    t->Add<TSmallintField>("H");
    t->Add<TIntegerField>("I");
    t->Add<TWordField>("W");
    t->Add<TBooleanField>("B");
    t->Add<TFloatField>("F");
    t->Add<TCurrencyField>("C");
    t->Add<TBCDField>("N");
    t->Add<TDateField>("D");
    t->Add<TTimeField>("T");
    t->Add<TDateTimeField>("DT");
    t->Add<TAutoIncField>("A");
    t->Add<TLargeintField>("L");
    t->Add<TWideStringField>("U", 10);
    t->Add<TMemoField>("M");
    t->Add<TGraphicField>("G");
    t->Table->SetSortedField("I");
    return t;
}

// The text import's table: open, sorted by S, showing even I only, with
// fields of the kinds a text can be refused by.
inline std::unique_ptr<TFuzzTable> MakeFuzzTextTable() {
    auto t = std::make_unique<TFuzzTable>();
    t->Add<TStringField>("S", 10);
    t->Add<TIntegerField>("I");
    t->Add<TBooleanField>("B");
    t->Add<TFloatField>("F");
    t->Add<TDateTimeField>("D");
    t->Add<TWideStringField>("W", 6);
    t->Add<TMemoField>("M");
    t->Table->SetSortedField("S");
    t->Table->Open();
    t->Table->SetOnFilterRecord(
        [](TDataSet* ds, bool& accept) { accept = ds->FieldByName("I")->AsInteger() % 2 == 0; });
    return t;
}
