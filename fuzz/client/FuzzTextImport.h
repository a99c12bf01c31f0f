#pragma once
// What the text-import fuzz target does with each input, shared with the
// client's unit tests, which run it on every kept input
// (client/tests/data/import): the input is imported as a file into a table
// shaped like the history and into one shaped like the address book; both
// tables must come out browsing, sorted and with their controls and insert
// handlers back, and the history's export must read back to the same export.

#include <cstdio>
#include <memory>
#include <string>

#include "client/TextImpExp.h"
#include "platform/rtl/FileUtils.h"
#include "tables/memdset.h"

namespace fuzz_text_import {

struct TTable {
    std::unique_ptr<TComponent> Owner = std::make_unique<TComponent>(nullptr);
    TMemData* Table = new TMemData(Owner.get());

    template <class F>
    F* Add(const char* Component, const char* Name, int Size = 0) {
        auto* f = new F(Owner.get());
        if (Size) f->SetSize(Size);
        f->SetName(Component);
        f->SetFieldName(Name);
        f->SetDataSet(Table);
        return f;
    }
};

inline std::unique_ptr<TTable> History() {
    auto t = std::make_unique<TTable>();
    t->Table->SetName("Historie");
    t->Add<TStringField>("HistorieJmeno", "Jmeno", 50);
    t->Add<TMemoField>("HistorieZprava", "Zprava");
    t->Add<TDateTimeField>("HistorieNapsano", "Napsano");
    t->Add<TBooleanField>("HistorieStav", "Stav")->SetDisplayValues("Sent;Failed");
    t->Add<TGraphicField>("HistorieLogo", "Logo")->SetTag(1);
    t->Add<TStringField>("HistorieTyp", "Typ", 5);
    t->Table->SetSortedField("Napsano");
    t->Table->Open();
    return t;
}

inline std::unique_ptr<TTable> AddressBook() {
    auto t = std::make_unique<TTable>();
    t->Table->SetName("Adresa");
    t->Add<TIntegerField>("AdresaID", "ID");
    t->Add<TStringField>("AdresaJmeno", "Jmeno", 50);
    t->Add<TStringField>("AdresaCislo", "Cislo", 20);
    t->Add<TStringField>("AdresaIDSkup", "IDSkup", 255);
    t->Add<TBooleanField>("AdresaVybrany", "Vybrany");
    t->Table->SetSortedField("Jmeno");
    t->Table->Open();
    return t;
}

// Numbers of digits only are valid; a blank-free text is the normal form.
struct TPhones : TPhoneNumberServices {
    AnsiString NormalisePhoneNumber(const AnsiString& Text) override {
        AnsiString out;
        for (char c : Text)
            if (c != ' ') out += c;
        return out;
    }
    bool ValidatePhoneNumber(AnsiString& Number, bool) override {
        for (char c : Number)
            if (c < '0' || c > '9') return false;
        return !Number.empty();
    }
    void PrefillInternationalPrefix(TEdit*) override {}
    void FilterPhoneNumberChars(TEdit*) override {}
};

// "" when all is well, else what went wrong. Folder: where the files go.
inline std::string Check(const std::string& Input, const AnsiString& Folder) {
    const AnsiString in = Folder + "in.txt";
    // A plain write: the atomic writer's flush to disk would slow every run.
    if (FILE* f = std::fopen(SysFileName(in).c_str(), "wb")) {
        if (!Input.empty()) std::fwrite(Input.data(), 1, Input.size(), f);
        std::fclose(f);
    }
    int inserts = 0;
    auto settled = [&inserts](TMemData* T, const char* Sorted) {
        if (!T->Active() || T->State() != dsBrowse || T->ControlsDisabled() || T->SortedField() != Sorted)
            return false;
        const int before = inserts;
        T->Append();
        T->Cancel();
        return inserts == before + 1;
    };
    auto count = [&inserts](TDataSet*) { ++inserts; };

    auto book = AddressBook();
    book->Table->BeforeInsert = count;
    TPhones phones;
    const TTextImportResult added = ImportTextRows(book->Table, in, 7, nullptr, ';', &phones);
    if (!settled(book->Table, "Jmeno")) return "the address book was left unsettled";
    if (added.Rows != book->Table->RecordCount()) return "rows counted wrong";

    auto history = History();
    history->Table->BeforeInsert = count;
    ImportTextRows(history->Table, in, -1, nullptr, ';', nullptr);
    if (!settled(history->Table, "Napsano")) return "the history was left unsettled";
    const AnsiString first = Folder + "first.txt";
    WriteTextExport(history->Table, first, false, ';');
    auto again = History();
    const TTextImportResult back = ImportTextRows(again->Table, first, -1, nullptr, ';', nullptr);
    if (!back.BadLines.empty()) return "an exported line was refused";
    const AnsiString second = Folder + "second.txt";
    WriteTextExport(again->Table, second, false, ';');
    if (ReadFileBytes(first) != ReadFileBytes(second)) return "the export did not read back to itself";
    return "";
}

}  // namespace fuzz_text_import
