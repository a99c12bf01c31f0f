#include "core/Language.h"

#include "platform/classes/Component.h"
#include "platform/classes/TypInfo.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/SysUtils.h"
#include "platform/ui/Forms.h"

namespace {

struct TLangLine {
    AnsiString Key;    // before the first '=', blanks trimmed; the whole line without one
    AnsiString Value;  // after the first '=', as it stands; empty without one
};

// The key lines of one section, in file order, duplicates included. A file
// that cannot be read has no lines: every text falls back to its default.
std::vector<TLangLine> ReadSectionLines(const AnsiString& fileName, const AnsiString& section) {
    std::vector<TLangLine> result;
    if (fileName.empty() || !FileExists(fileName)) return result;
    AnsiString bytes;
    try {
        bytes = ReadFileBytes(fileName);
    } catch (const Exception&) {
        return result;
    }
    bool inSection = false;
    size_t pos = 0;
    while (pos < bytes.size()) {
        size_t end = bytes.find('\n', pos);
        if (end == AnsiString::npos) end = bytes.size();
        AnsiString line = bytes.substr(pos, end - pos);
        pos = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();

        AnsiString trimmed = Trim(line);
        if (trimmed.empty() || trimmed[0] == ';') continue;
        if (trimmed[0] == '[') {
            size_t close = trimmed.find(']');
            if (close != AnsiString::npos) {
                inSection = SameText(Trim(trimmed.substr(1, close - 1)), section);
                continue;
            }
        }
        if (!inSection) continue;
        size_t eq = line.find('=');
        if (eq == AnsiString::npos)
            result.push_back({trimmed, AnsiString()});
        else
            result.push_back({Trim(line.substr(0, eq)), line.substr(eq + 1)});
    }
    return result;
}

std::unique_ptr<TLang>& Instance() {
    static std::unique_ptr<TLang> instance;
    return instance;
}

}  // namespace

TLang::TLang(const AnsiString& fileName) : FFileName(fileName) {
    LoadStrings();
}

TLang::~TLang() = default;

void TLang::LoadStrings() {
    FStrings.clear();
    for (TLangLine& line : ReadSectionLines(FFileName, "Strings"))
        FStrings.emplace_back(std::move(line.Key), StringReplace(line.Value, "\\n", "\r\n", rfReplaceAll));
}

AnsiString TLang::GetText(const AnsiString& key, const AnsiString& defaultText) const {
    if (key.empty()) return defaultText;
    for (const auto& [pairKey, text] : FStrings)
        if (pairKey == key) return text;
    return defaultText;
}

void TLang::TranslateForm(TComponent* form) const {
    if (!form || form->Name().empty()) return;
    for (const TLangLine& line : ReadSectionLines(FFileName, form->Name())) {
        size_t dot = line.Key.find('.');
        if (dot == AnsiString::npos) continue;
        AnsiString componentName = line.Key.substr(0, dot);
        AnsiString propName = line.Key.substr(dot + 1);

        TComponent* component = form->FindComponent(componentName);
        // The window's own line ("fDetekce.Caption") names the window, also
        // one that nobody owns, as a dialog made for one question is; other
        // windows and data modules belong to the application.
        if (!component && SameText(componentName, form->Name())) component = form;
        if (!component) component = Application->FindComponent(componentName);
        if (!component) continue;

        // A nested name such as "Font.Name" is no property of the component
        // itself, so GetPropInfo does not find it.
        const TPropInfo* prop = GetPropInfo(component, propName);
        if (!prop || prop->Kind != tkLString || !prop->SetStr) continue;
        try {
            SetStrProp(component, *prop, StringReplace(line.Value, "~~", "\r\n", rfReplaceAll));
        } catch (const Exception&) {
            // A value the property refuses (an invalid component name, say)
            // leaves that property as designed.
        }
    }
}

TLang* Lang() {
    return Instance().get();
}

void SetLang(std::unique_ptr<TLang> lang) {
    Instance() = std::move(lang);
}

AnsiString LangText(const AnsiString& key, const AnsiString& defaultText) {
    const TLang* lang = Lang();
    return lang ? lang->GetText(key, defaultText) : defaultText;
}
