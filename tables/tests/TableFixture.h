#pragma once
// Builders shared by the table tests: an owner for the field objects (the
// data module's role) and tables with the client's kind of fields.

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "tables/memdset.h"

template <class F>
F* AddField(TComponent* owner, TMemData* table, const AnsiString& name, int size = 0) {
    auto* f = new F(owner);
    if (size > 0) f->SetSize(size);
    f->SetFieldName(name);
    f->SetDataSet(table);
    return f;
}

struct TTableHolder {
    std::unique_ptr<TComponent> Owner = std::make_unique<TComponent>(nullptr);
    TMemData* Table = new TMemData(Owner.get());

    TField* operator[](const char* name) const { return Table->FieldByName(name); }
};

// The groups table: ID integer, Jmeno string 20, Poradi integer.
inline std::unique_ptr<TTableHolder> MakeGroups() {
    auto h = std::make_unique<TTableHolder>();
    h->Table->SetName("Skupiny");
    AddField<TIntegerField>(h->Owner.get(), h->Table, "ID");
    AddField<TStringField>(h->Owner.get(), h->Table, "Jmeno", 20);
    AddField<TIntegerField>(h->Owner.get(), h->Table, "Poradi");
    return h;
}

// A data link showing several rows, as a grid holds one: the data set's
// window then reaches past the current record, so the engine's cursor
// stands on the window's last row after a fetch, not on the active one.
struct TGridWindow {
    TDataSource Source{nullptr};
    TDataLink Link;
    TGridWindow(TMemData* table, int rows) {
        Source.SetDataSet(table);
        Link.SetBufferCount(rows);
        Link.SetDataSource(&Source);
    }
};

inline void AppendGroup(TMemData* t, int id, const AnsiString& name, int order) {
    t->Append();
    t->FieldByName("ID")->SetAsInteger(id);
    t->FieldByName("Jmeno")->SetAsString(name);
    t->FieldByName("Poradi")->SetAsInteger(order);
    t->Post();
}

// One field of every supported kind.
inline std::unique_ptr<TTableHolder> MakeAllTypes() {
    auto h = std::make_unique<TTableHolder>();
    TComponent* o = h->Owner.get();
    TMemData* t = h->Table;
    t->SetName("Vse");
    AddField<TStringField>(o, t, "Str", 10);
    AddField<TSmallintField>(o, t, "Small");
    AddField<TIntegerField>(o, t, "Int");
    AddField<TWordField>(o, t, "Wrd");
    AddField<TBooleanField>(o, t, "Bool");
    AddField<TFloatField>(o, t, "Flt");
    AddField<TCurrencyField>(o, t, "Cur");
    AddField<TBCDField>(o, t, "Bcd");
    AddField<TDateField>(o, t, "Dat");
    AddField<TTimeField>(o, t, "Tim");
    AddField<TDateTimeField>(o, t, "DT");
    AddField<TAutoIncField>(o, t, "Auto");
    AddField<TLargeintField>(o, t, "Big");
    AddField<TWideStringField>(o, t, "Wide", 30);
    AddField<TBlobField>(o, t, "Blob");
    AddField<TMemoField>(o, t, "Memo");
    AddField<TGraphicField>(o, t, "Pic");
    return h;
}

// The files of tests/data/fuzz with the extension, in name order.
inline std::vector<std::string> FuzzInputs(const std::string& Extension) {
    std::vector<std::string> files;
    for (const auto& e : std::filesystem::directory_iterator(std::string(VEMLOR_TEST_DATA) + "/fuzz"))
        if (e.path().extension() == Extension) files.push_back(e.path().string());
    std::sort(files.begin(), files.end());
    return files;
}

inline std::string Bytes(std::initializer_list<int> values) {
    std::string s;
    for (int v : values) s += static_cast<char>(v);
    return s;
}

inline std::string Int32Bytes(std::int32_t v) { return std::string(reinterpret_cast<const char*>(&v), 4); }
inline std::string UInt16Bytes(std::uint16_t v) { return std::string(reinterpret_cast<const char*>(&v), 2); }
inline std::string Descriptor(std::int32_t size, std::uint16_t code, const std::string& name) {
    return Int32Bytes(size) + UInt16Bytes(code) + UInt16Bytes(static_cast<std::uint16_t>(name.size() + 1)) + name +
           std::string(1, '\0');
}
inline std::string StringValue(const std::string& s) {
    return Int32Bytes(static_cast<std::int32_t>(s.size() + 1)) + s + std::string(1, '\0');
}
inline std::string IntValue(std::int32_t v, bool withFlag = true) {
    return (withFlag ? std::string(1, '\1') : std::string()) + Int32Bytes(v);
}
inline const std::string kHeader14 = std::string("Ver") + Bytes({0x66, 0x66, 0x66, 0x66, 0x66, 0x66, 0xF6, 0x3F});
