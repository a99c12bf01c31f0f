#pragma once
// The client's language files, "Lang\<name>.lng" in the program folder
// (format in core/Language.h). Which file is in use is the choice of the
// settings window's language list; loading it replaces the program-wide
// TLang.

#include "core/Language.h"

class TDBGrid;
class TStrings;

// Appends the names (with extension, without folder) of the language files
// of the program folder, in name order.
void ListLanguageFiles(TStrings* Items);

// Replaces the program-wide TLang by one read from the named file of the
// "Lang" folder. A missing or unreadable file (or no name) leaves every text
// at its Czech default; nothing is raised. The toolkit's own texts (file
// dialogs) follow: Czech for no name, else the language the file is named
// after.
void LoadLanguage(const AnsiString& FileName);

// The toolkit's code for a language file: "cs" for "czech.lng" or no name,
// "sk", "pl", "de", "en" for the others the program comes with; the
// toolkit's English ("en") for a file it does not know.
AnsiString ToolkitLanguageOf(const AnsiString& FileName);

// Gives the column of the grid that shows the field its title. Columns are
// found by field, not by position: a stored layout may have moved them since
// the window was designed.
void SetColumnTitle(TDBGrid* Grid, const AnsiString& FieldName, const AnsiString& Caption);
