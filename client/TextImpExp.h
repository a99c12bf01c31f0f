#pragma once
// Text export and import of the address book, the history, the templates
// and the country table: one row per line, the values separated by the
// separator character (';' from every caller).
//
// A line holds the text forms of the table's fields in field order, after
// the hidden record number and without the key fields (component names
// "AdresaID" and "SkupinyID") and the fields whose Tag is not 0 (the
// history's picture). Lines end in CR LF; there is no header line.
//
//   Jan Novák;00420603123456;;Ahoj;;True
//   Eva Malá;00420777123456;"1;12;";;;False
//   "Cena; sleva";"Řádek 1<CR LF>řádek 2";"""Citace"" na začátku";Ctrl+Alt+C
//
// A value that holds the separator, a CR or an LF, or that begins with '"',
// is written between double quotes with every quote inside doubled; every
// other value is written as it stands, so files of plain values are the
// same as those of earlier versions. The import takes a value that begins
// with '"' and ends, after its closing quote, at a separator or line end as
// quoted (it may span lines, but only where the export can have written a
// line break: in a memo column, in a record that holds every column); any
// other value, even one beginning with '"', as it stands up to the next
// separator or line end, which is how earlier versions wrote everything.
//
// The quote option wraps every text value (string, memo, fixed-character,
// wide-string field) in quotes, doubling the quotes inside.

#include <vector>

#include "client/PhoneServices.h"
#include "platform/rtl/System.h"

class TMemData;
class TStrings;

// One record of an import text and the line it starts on (1-based).
struct TTextRecord {
    int Line = 0;
    std::vector<AnsiString> Values;
};

// Splits an import text into records. A final line break starts no record;
// an empty line is a record of one empty value. Without Columns a quoted
// value may run over any number of lines. With the columns of an exported
// line (true for those whose values may hold line breaks), it may do so
// only in such a column and in a record of exactly that many values;
// otherwise its line is a record of its own, read as an older file's line,
// and the lines after it are records of their own too.
class TTextRecordReader {
public:
    TTextRecordReader(const AnsiString& Text, char Separator, std::vector<bool> Columns = {});
    bool Next(TTextRecord& Record);

private:
    void ReadRecord(TTextRecord& Record);
    // The value at the position, the Column-th (0-based) of its record.
    AnsiString ReadValue(std::size_t Column);
    // Moves past the line break at the position (CR LF, LF or CR).
    void SkipLineBreak();
    bool AtLineEnd() const;

    const AnsiString& FText;
    char FSeparator;
    std::vector<bool> FColumns;
    std::size_t FPos = 0;
    int FLine = 1;
    bool FSpanLines = true;  // a quoted value may run past its line
    bool FSpanned = false;   // one did, in the record being read
};

// One value as an export line writes it: quoted only when it must be.
AnsiString ExportTextValue(const AnsiString& Value, char Separator);

// One line of the export for the table's current row.
AnsiString ExportTextLine(TMemData* Table, bool Quote, char Separator);

struct TTextImportResult {
    int Rows = 0;               // rows added
    std::vector<int> BadLines;  // lines whose values the table refused
    bool InvalidNumbers = false;
};

// The export: every row of the table in its current order, written through
// a temporary file; the current row and the controls come back also when
// writing fails, which raises.
void WriteTextExport(TMemData* Table, const AnsiString& FileName, bool Quote, char Separator);

// The import without messages. Lines (one record each) or, when nullptr,
// the file; an unreadable file raises EFOpenError before anything changes.
// Rows are appended unsorted, the table's sort field, controls and insert
// handlers put back at the end whatever happens. In the address book
// (Name "Adresa") a row whose name exists already is skipped, new rows get
// the next free IDs, their numbers are normalised and checked through Phones
// and, with a GroupID other than -1, they join that group; a row without a
// number is dropped. A row the table refuses is dropped and its line
// reported; the import goes on with the next one.
TTextImportResult ImportTextRows(TMemData* Table, const AnsiString& FileName, Integer GroupID,
                                 const TStrings* Lines, char Separator, TPhoneNumberServices* Phones);

// The main window's operations: the same with the user told what failed.
void ExportText(TMemData* Table, const AnsiString& FileName, bool Quote, char Separator);
void ImportText(TMemData* Table, const AnsiString& FileName, Integer GroupID, const TStrings* Lines,
                char Separator, TPhoneNumberServices* Phones);
