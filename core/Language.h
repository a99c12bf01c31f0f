#pragma once
// Texts by key with Czech defaults, and translation of whole windows, from a
// language file "Lang\<name>.lng":
//
//   [Strings]
//   DlgYes=&Yes                 key "=" text; "\n" in the text is a line break
//   [fMain]                     one section per window, by its component name
//   Label1.Caption=Two~~lines   Component.Property=Value; "~~" is a line break
//
// The files are read byte for byte (Windows-1250) with rules of their own,
// not those of the settings files: keys match exactly (letter case counts),
// the text is everything after the first "=" as it stands, and of a key
// given twice the first one counts. Sections are found ignoring case, lines
// starting with ';' are comments, lines end in CR LF or LF.

#include <memory>
#include <utility>
#include <vector>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Object.h"
#include "platform/rtl/SysUtils.h"
#include "platform/rtl/System.h"

class TComponent;

class TLang : public TObject {
public:
    // Loads the "Strings" section of fileName. A missing file, or one
    // without that section, leaves every lookup at its default.
    explicit TLang(const AnsiString& fileName);
    ~TLang() override;

    const AnsiString& FileName() const { return FFileName; }

    // The text of the first pair whose key equals key exactly, else the
    // default. An empty key never matches.
    AnsiString GetText(const AnsiString& key, const AnsiString& defaultText) const;

    // Sets the texts listed in the window's section: each component is looked
    // up on the window (the window itself under its own name), then among the
    // application's own components (forms and data modules). Only writable long-string published properties are
    // set; lines naming an unknown component, another kind of property or a
    // nested one ("Font.Name") are skipped, and so is a line whose value the
    // property refuses, so that one bad line does not cost the rest of the
    // window its texts. The file is read again on each call.
    void TranslateForm(TComponent* form) const;

    // Reads the "Strings" pairs again, replacing the loaded ones.
    void LoadStrings();

    // The pairs in file order, duplicates included.
    const std::vector<std::pair<AnsiString, AnsiString>>& Strings() const { return FStrings; }

private:
    AnsiString FFileName;
    std::vector<std::pair<AnsiString, AnsiString>> FStrings;
};

// The program-wide instance: nullptr until the main window has chosen the
// language; the main window replaces it when the language changes. Lookups
// through LangText work without one.
TLang* Lang();
// Replaces (and frees) the instance; nullptr removes it.
void SetLang(std::unique_ptr<TLang> lang);
// Lang()->GetText(key, default), or the default when there is no instance.
AnsiString LangText(const AnsiString& key, const AnsiString& defaultText);

// The text of key used as a format: a translation whose specifiers do not
// fit the arguments falls back to the default, so a faulty language file
// costs a text its translation, never the program.
template <typename... TArgs>
AnsiString LangFormat(const AnsiString& key, const AnsiString& defaultText, const TArgs&... args) {
    try {
        return Format(LangText(key, defaultText), args...);
    } catch (const EConvertError&) {
        return Format(defaultText, args...);
    }
}
