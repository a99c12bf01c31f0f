#include "client/TextImpExp.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "client/DatMod.h"
#include "client/GroupList.h"
#include "core/Language.h"
#include "core/Msgdlg.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/ScopeGuard.h"
#include "platform/rtl/StringList.h"
#include "tables/memdset.h"

namespace {

bool IsTextField(const TField* Field) {
    switch (Field->DataType()) {
    case ftString:
    case ftMemo:
    case ftFmtMemo:
    case ftFixedChar:
    case ftWideString: return true;
    default: return false;
    }
}

// Fields of no column: the key fields, which the import numbers itself, and
// the fields marked by their Tag (pictures).
bool IsLeftOut(const TField* Field) {
    return Field->Name() == "AdresaID" || Field->Name() == "SkupinyID" || Field->Tag() != 0;
}

// The columns the export writes for the table, each marked when its value
// may hold line breaks: the program puts them only into memo fields.
std::vector<bool> ExportColumns(TMemData* Table) {
    std::vector<bool> columns;
    for (int i = 1; i < Table->FieldCount(); ++i)
        if (!IsLeftOut(Table->Fields()[i])) columns.push_back(Table->Fields()[i]->IsBlob());
    return columns;
}

AnsiString Quoted(const AnsiString& Value) {
    AnsiString out = "\"";
    for (char c : Value) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + '"';
}

bool NeedsQuotes(const AnsiString& Value, char Separator) {
    return (!Value.empty() && Value[0] == '"') || Value.find_first_of(AnsiString{Separator, '\r', '\n'}) != AnsiString::npos;
}

bool Editing(TDataSet* Table) { return Table->State() == dsEdit || Table->State() == dsInsert; }

void CancelEditing(TDataSet* Table) {
    try {
        if (Editing(Table)) Table->Cancel();
    } catch (const Exception&) {
    }
}

// The first numbers of the lines, enough to find them in the file.
AnsiString LineList(const std::vector<int>& Lines) {
    constexpr std::size_t kShown = 10;
    AnsiString text;
    for (std::size_t i = 0; i < Lines.size() && i < kShown; ++i) text += (i ? ", " : "") + IntToStr(Lines[i]);
    if (Lines.size() > kShown) text += ", ...";
    return text;
}

// Whether a stored record has exactly this value, also one that a filter
// (the main window's group) hides from the table's view. The row being
// appended is not stored yet, so it never finds itself.
bool StoredValueExists(TMemData* Table, TField* Field, const AnsiString& Value) {
    TMemFields* storage = Table->MemFields();
    const TMemField* desc = storage->FindDescriptor(Field);
    if (!desc || desc->DataType() != ftString) return false;
    for (int pos = 0, n = storage->StoredRecordCount(); pos < n; ++pos) {
        const char* stored = reinterpret_cast<const char*>(desc->ValuePtr(pos));
        if (AnsiString(stored, strnlen(stored, static_cast<std::size_t>(desc->DataSize()))) == Value) return true;
    }
    return false;
}

void ShowError(const AnsiString& Text) { LocalMessageDlg(Text, mtError, TMsgDlgButtons{mbOK}, 0); }

}  // namespace

// ---------------------------------------------------------------------------
// Reading records

TTextRecordReader::TTextRecordReader(const AnsiString& Text, char Separator, std::vector<bool> Columns)
    : FText(Text), FSeparator(Separator), FColumns(std::move(Columns)) {}

bool TTextRecordReader::AtLineEnd() const {
    return FPos >= FText.size() || FText[FPos] == '\r' || FText[FPos] == '\n';
}

void TTextRecordReader::SkipLineBreak() {
    if (FPos >= FText.size()) return;
    if (FText[FPos] == '\r' && FPos + 1 < FText.size() && FText[FPos + 1] == '\n') ++FPos;
    ++FPos;
    ++FLine;
}

AnsiString TTextRecordReader::ReadValue(std::size_t Column) {
    if (FPos < FText.size() && FText[FPos] == '"') {
        const bool spans = FSpanLines && (FColumns.empty() || (Column < FColumns.size() && FColumns[Column]));
        AnsiString value;
        std::size_t at = FPos + 1;
        int breaks = 0;
        bool closed = false;
        while (at < FText.size()) {
            const char c = FText[at];
            if (c == '"') {
                if (at + 1 < FText.size() && FText[at + 1] == '"') {
                    value += '"';
                    at += 2;
                    continue;
                }
                closed = true;
                break;
            }
            if (!spans && (c == '\r' || c == '\n')) break;
            if (c == '\n' || (c == '\r' && (at + 1 >= FText.size() || FText[at + 1] != '\n'))) ++breaks;
            value += c;
            ++at;
        }
        // Quoted only when the closing quote ends the value; otherwise the
        // quote is part of a value written before values were quoted.
        const std::size_t after = at + 1;
        if (closed &&
            (after >= FText.size() || FText[after] == FSeparator || FText[after] == '\r' || FText[after] == '\n')) {
            FPos = after;
            FLine += breaks;
            if (breaks > 0) FSpanned = true;
            return value;
        }
    }
    const std::size_t start = FPos;
    while (!AtLineEnd() && FText[FPos] != FSeparator) ++FPos;
    return FText.substr(start, FPos - start);
}

void TTextRecordReader::ReadRecord(TTextRecord& Record) {
    Record.Line = FLine;
    Record.Values.clear();
    FSpanned = false;
    for (;;) {
        Record.Values.push_back(ReadValue(Record.Values.size()));
        if (FPos < FText.size() && FText[FPos] == FSeparator) {
            ++FPos;
            continue;
        }
        SkipLineBreak();
        return;
    }
}

bool TTextRecordReader::Next(TTextRecord& Record) {
    if (FPos >= FText.size()) return false;
    const std::size_t start = FPos;
    const int line = FLine;
    FSpanLines = true;
    ReadRecord(Record);
    // The export writes every column of every row, so a record that ran past
    // its line into another number of values held no quoted value: it was an
    // older file's value that begins with a quote, which would otherwise
    // swallow the lines up to the next quote. Its line is read on its own.
    if (FSpanned && !FColumns.empty() && Record.Values.size() != FColumns.size()) {
        FPos = start;
        FLine = line;
        FSpanLines = false;
        ReadRecord(Record);
    }
    return true;
}

// ---------------------------------------------------------------------------
// Export

AnsiString ExportTextValue(const AnsiString& Value, char Separator) {
    return NeedsQuotes(Value, Separator) ? Quoted(Value) : Value;
}

AnsiString ExportTextLine(TMemData* Table, bool Quote, char Separator) {
    AnsiString line;
    bool first = true;
    for (int i = 1; i < Table->FieldCount(); ++i) {
        TField* field = Table->Fields()[i];
        if (IsLeftOut(field)) continue;
        if (!first) line += Separator;
        first = false;
        const AnsiString value = field->AsString();
        line += Quote && IsTextField(field) ? Quoted(value) : ExportTextValue(value, Separator);
    }
    return line;
}

void WriteTextExport(TMemData* Table, const AnsiString& FileName, bool Quote, char Separator) {
    AnsiString text;
    {
        Table->DisableControls();
        const TBookmark mark = Table->GetBookmark();
        auto restore = ScopeExit([&] {
            try {
                if (!mark.empty() && Table->BookmarkValid(mark)) Table->GotoBookmark(mark);
            } catch (const Exception&) {
            }
            Table->EnableControls();
        });
        for (Table->First(); !Table->Eof(); Table->Next()) text += ExportTextLine(Table, Quote, Separator) + "\r\n";
    }
    WriteFileAtomic(FileName, text);
}

void ExportText(TMemData* Table, const AnsiString& FileName, bool Quote, char Separator) {
    try {
        WriteTextExport(Table, FileName, Quote, Separator);
    } catch (const Exception&) {
        ShowError(LangFormat("WriteFialed", "Nepodařilo se zapsat soubor: %s.", FileName));
    }
}

// ---------------------------------------------------------------------------
// Import

TTextImportResult ImportTextRows(TMemData* Table, const AnsiString& FileName, Integer GroupID,
                                 const TStrings* Lines, char Separator, TPhoneNumberServices* Phones) {
    const AnsiString text = Lines ? Lines->Text() : ReadFileBytes(FileName);
    const bool addressBook = Table->Name() == "Adresa";
    TField* key = nullptr;
    TField* name = nullptr;
    TField* number = nullptr;
    TField* groups = nullptr;
    if (addressBook) {
        for (int i = 0; i < Table->FieldCount(); ++i)
            if (Table->Fields()[i]->Name() == "AdresaID") key = Table->Fields()[i];
        name = Table->FindField("Jmeno");
        number = Table->FindField("Cislo");
        groups = Table->FindField("IDSkup");
    }
    Integer nextID = key ? std::max<Integer>(0, TDM::NextValue(Table, key) - 1) : 0;

    TTextImportResult result;
    Table->DisableControls();
    const AnsiString sortedField = Table->SortedField();
    const TDataSetNotifyEvent beforeInsert = Table->BeforeInsert;
    const TDataSetNotifyEvent afterInsert = Table->AfterInsert;
    auto restore = ScopeExit([&] {
        CancelEditing(Table);
        Table->SetSortedField(sortedField);
        Table->BeforeInsert = beforeInsert;
        Table->AfterInsert = afterInsert;
        Table->EnableControls();
    });
    // Appended rows stay where they are put until the end, sorted then.
    Table->SetSortedField("");
    Table->BeforeInsert = nullptr;
    Table->AfterInsert = nullptr;

    TTextRecordReader reader(text, Separator, ExportColumns(Table));
    TTextRecord record;
    while (reader.Next(record)) {
        const Integer firstID = nextID;
        try {
            Table->Append();
            std::size_t value = 0;
            bool known = false;
            for (int i = 1; i < Table->FieldCount() && !known; ++i) {
                TField* field = Table->Fields()[i];
                if (field == key) {
                    field->SetAsInteger(++nextID);
                    continue;
                }
                if (field->Tag() != 0) continue;
                // The line used up, the remaining fields stay empty.
                if (value >= record.Values.size()) continue;
                const AnsiString& given = record.Values[value++];
                // A computed field keeps its column, so that what the export
                // wrote comes back in place, but takes no value.
                if (field->FieldKind() == fkData) field->SetAsString(given);
                // The name is looked for as its column keeps it: a name
                // longer than the column, compared whole, would never be
                // found and would come in again at every import.
                if (field == name) known = StoredValueExists(Table, name, name->AsString());
            }
            if (known) {
                Table->Cancel();
                nextID = firstID;
                continue;
            }
            if (addressBook && number) {
                AnsiString checked = number->AsString();
                if (Phones) {
                    checked = Phones->NormalisePhoneNumber(checked);
                    if (!Phones->ValidatePhoneNumber(checked, false)) result.InvalidNumbers = true;
                }
                if (GroupID != -1 && groups) {
                    groups->SetAsString(AddToGroupList(groups->AsString(), GroupID));
                    if (Phones && !Phones->ValidatePhoneNumber(checked, false)) result.InvalidNumbers = true;
                }
                number->SetAsString(checked);
                if (checked.empty()) {
                    Table->Cancel();
                    continue;
                }
            }
            if (Editing(Table)) Table->Post();
            ++result.Rows;
        } catch (const Exception&) {
            CancelEditing(Table);
            result.BadLines.push_back(record.Line);
        }
    }
    return result;
}

void ImportText(TMemData* Table, const AnsiString& FileName, Integer GroupID, const TStrings* Lines,
                char Separator, TPhoneNumberServices* Phones) {
    TTextImportResult result;
    try {
        result = ImportTextRows(Table, FileName, GroupID, Lines, Separator, Phones);
    } catch (const EFOpenError&) {
        ShowError(LangFormat("ReadFailed", "Nepodařilo se přečíst soubor: %s.", FileName));
        return;
    }
    if (!result.BadLines.empty())
        ShowError(LangFormat("ImportBadLines",
                             "Některé řádky souboru nebylo možné načíst, a proto byly vynechány. Čísla řádků: %s.",
                             LineList(result.BadLines)));
    if (result.InvalidNumbers)
        ShowError(LangText("InvalidImportNum",
                           "Některá z importovaných čísel nesplňují pravidla pro čísla mobilních telefonů a zprávy "
                           "nemusí být doručeny správně."));
}
