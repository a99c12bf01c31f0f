// Delimited-text export and import of a whole table. The format has no
// quoting: a value holding the delimiter or a line break does not come back
// as it went out.

#include <algorithm>
#include <vector>

#include "platform/rtl/StringList.h"
#include "tables/memdset.h"

namespace {

bool IsTextColumn(const TField* f) {
    return f->FieldKind() != fkCalculated && f->FieldKind() != fkLookup && !f->IsBlob();
}

// Every delimiter ends a piece; the last piece is the rest of the line.
std::vector<AnsiString> SplitLine(const AnsiString& line, char delimiter) {
    std::vector<AnsiString> pieces;
    std::size_t start = 0;
    for (;;) {
        std::size_t at = line.find(delimiter, start);
        if (at == AnsiString::npos) break;
        pieces.push_back(line.substr(start, at - start));
        start = at + 1;
    }
    pieces.push_back(line.substr(start));
    return pieces;
}

}  // namespace

void TMemData::ExportToTextFile(const AnsiString& fileName) {
    if (!Active()) return;
    CheckBrowseMode();
    std::vector<TField*> columns;
    for (int i = 0; i < FieldCount(); ++i)
        if (IsTextColumn(Fields()[i])) columns.push_back(Fields()[i]);
    auto joined = [&](auto text) {
        AnsiString line;
        for (std::size_t i = 0; i < columns.size(); ++i) {
            if (i > 0) line += FDelimiter;
            line += text(columns[i]);
        }
        return line;
    };
    TStringList lines;
    lines.Add(joined([](TField* f) { return f->FieldName(); }));
    TBookmark mark = GetBookmark();
    {
        DisableControls();
        auto enable = ScopeExit([this] { EnableControls(); });
        for (First(); !Eof(); Next()) lines.Add(joined([](TField* f) { return f->Text(); }));
        if (BookmarkValid(mark)) GotoBookmark(mark);
    }
    lines.SaveToFile(fileName);
}

void TMemData::ImportFromTextFile(const AnsiString& fileName) {
    TStringList lines;
    lines.LoadFromFile(fileName);
    try {
        ImportLines(lines);
    } catch (Exception& e) {
        e.SetMessage(e.Message() + " (" + fileName + ")");
        throw;
    }
}

void TMemData::ImportLines(const TStringList& lines) {
    if (lines.Count() == 0) return;
    FBusy = true;
    DisableControls();
    auto enable = ScopeExit([this] { EnableControls(); });
    // The rows before a failing one stay, and the table is left as after a
    // complete import; the error is the one to report, so nothing here adds
    // another.
    auto settle = ScopeFail([this] {
        try {
            if (State() == dsInsert || State() == dsEdit) Cancel();
        } catch (...) {
        }
        FBusy = false;
        try {
            if (Active()) {
                First();
                Resort();
            }
        } catch (...) {
        }
    });
    int lineNo = 1;
    try {
        Close();
        Open();
        std::vector<TField*> columns;
        for (const AnsiString& name : SplitLine(lines.Strings(0), FDelimiter)) {
            TField* f = FindField(name);
            columns.push_back(f && IsTextColumn(f) ? f : nullptr);
        }
        for (lineNo = 2; lineNo <= lines.Count(); ++lineNo) {
            Append();
            std::vector<AnsiString> values = SplitLine(lines.Strings(lineNo - 1), FDelimiter);
            // Values past the header's columns have no field to go to.
            std::size_t n = std::min(values.size(), columns.size());
            for (std::size_t i = 0; i < n; ++i)
                if (columns[i] && !values[i].empty()) columns[i]->SetText(values[i]);
            Post();
        }
    } catch (Exception& e) {
        e.SetMessage(e.Message() + Format(" (line %d)", lineNo));
        throw;
    }
    FBusy = false;
    First();
    Resort();
}
