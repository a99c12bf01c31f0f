#pragma once
// What the language checks read: the language files of the program folder
// (data/run/Lang in the tree), the form files of both programs, and the
// C++ sources that look texts up.

#include <map>
#include <vector>

#include "platform/classes/FormText.h"
#include "platform/rtl/System.h"

// Folders under the tree's root whose sources and form files belong to the
// programs (their tests, benchmarks and fuzzers do not).
extern const char* const kProgramFolders[5];

AnsiString SourceRoot();                // the tree's root, with a trailing "/"
AnsiString LanguageFolder();            // <root>data/run/Lang/
std::vector<AnsiString> LanguageNames();  // "czech.lng", "english.lng", ... in name order

// The program files of kProgramFolders with one of the extensions, relative
// to the root, tests left out, in name order.
std::vector<AnsiString> ProgramFiles(const std::vector<AnsiString>& Extensions);

// A language file as TLang reads it: sections found ignoring case, ';'
// comments, the key trimmed, the value everything after the first "=".
struct TLangLine {
    AnsiString Key;
    AnsiString Value;
    int Line = 0;
};
struct TLangSection {
    AnsiString Name;
    std::vector<TLangLine> Lines;
};
struct TLangFile {
    AnsiString Name;
    AnsiString Bytes;
    std::vector<TLangSection> Sections;
    // nullptr when the file has no such section.
    const TLangSection* Section(const AnsiString& SectionName) const;
};
TLangFile ReadLangFile(const AnsiString& FileName);

// The form files of the programs by the name of their root object (the
// window's component name, which names its language section).
struct TFormFileEntry {
    AnsiString FileName;
    TFormObject Root;
};
std::map<AnsiString, TFormFileEntry> FormFilesByWindow();
// The object of that name in the tree (the root included), ignoring case.
const TFormObject* FindFormObject(const TFormObject& Root, const AnsiString& Name);

// The format specifiers of a text in order ("%d", "%0.2f", "%s"); "%%" is
// text, not a specifier.
std::vector<AnsiString> FormatSpecifiers(const AnsiString& Text);
