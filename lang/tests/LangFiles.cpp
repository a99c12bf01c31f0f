#include "LangFiles.h"

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "platform/rtl/FileUtils.h"
#include "platform/rtl/SysUtils.h"

const char* const kProgramFolders[5] = {"core", "client", "components", "media", "updater"};

AnsiString SourceRoot() { return IncludeTrailingPathDelimiter(VEMLOR_SOURCE_DIR); }

AnsiString LanguageFolder() { return SourceRoot() + "data/run/Lang/"; }

std::vector<AnsiString> LanguageNames() { return ListFiles(LanguageFolder(), "*.lng"); }

std::vector<AnsiString> ProgramFiles(const std::vector<AnsiString>& Extensions) {
    namespace fs = std::filesystem;
    std::vector<AnsiString> files;
    for (const char* folder : kProgramFolders) {
        for (const auto& entry : fs::recursive_directory_iterator(fs::path(SourceRoot()) / folder)) {
            if (!entry.is_regular_file()) continue;
            const std::string relative = fs::relative(entry.path(), fs::path(SourceRoot())).generic_string();
            if (relative.find("/tests/") != std::string::npos) continue;
            if (std::find(Extensions.begin(), Extensions.end(), entry.path().extension().string()) == Extensions.end())
                continue;
            files.push_back(relative);
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

const TLangSection* TLangFile::Section(const AnsiString& SectionName) const {
    for (const TLangSection& section : Sections)
        if (SameText(section.Name, SectionName)) return &section;
    return nullptr;
}

TLangFile ReadLangFile(const AnsiString& FileName) {
    TLangFile file;
    file.Name = ExtractFileName(FileName);
    file.Bytes = ReadFileBytes(FileName);
    int lineNo = 0;
    size_t pos = 0;
    while (pos < file.Bytes.size()) {
        size_t end = file.Bytes.find('\n', pos);
        if (end == AnsiString::npos) end = file.Bytes.size();
        AnsiString line = file.Bytes.substr(pos, end - pos);
        pos = end + 1;
        ++lineNo;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const AnsiString trimmed = Trim(line);
        if (trimmed.empty() || trimmed[0] == ';') continue;
        if (trimmed[0] == '[' && trimmed.find(']') != AnsiString::npos) {
            file.Sections.push_back({Trim(trimmed.substr(1, trimmed.find(']') - 1)), {}});
            continue;
        }
        // Lines before the first section belong to none, as for TLang.
        if (file.Sections.empty()) continue;
        const size_t eq = line.find('=');
        file.Sections.back().Lines.push_back(eq == AnsiString::npos
                                                 ? TLangLine{trimmed, AnsiString(), lineNo}
                                                 : TLangLine{Trim(line.substr(0, eq)), line.substr(eq + 1), lineNo});
    }
    return file;
}

std::map<AnsiString, TFormFileEntry> FormFilesByWindow() {
    std::map<AnsiString, TFormFileEntry> forms;
    for (const AnsiString& name : ProgramFiles({".form"})) {
        TFormObject root = ParseFormText(ReadFileBytes(SourceRoot() + name), name);
        const AnsiString window = LowerCase(root.Name);
        forms.emplace(window, TFormFileEntry{name, std::move(root)});
    }
    return forms;
}

const TFormObject* FindFormObject(const TFormObject& Root, const AnsiString& Name) {
    if (SameText(Root.Name, Name)) return &Root;
    for (const TFormObject& child : Root.Children)
        if (const TFormObject* found = FindFormObject(child, Name)) return found;
    return nullptr;
}

std::vector<AnsiString> FormatSpecifiers(const AnsiString& Text) {
    std::vector<AnsiString> specifiers;
    for (size_t i = 0; i < Text.size(); ++i) {
        if (Text[i] != '%') continue;
        if (i + 1 < Text.size() && Text[i + 1] == '%') {
            ++i;
            continue;
        }
        size_t j = i + 1;
        while (j < Text.size() && std::strchr("0123456789:-.*", Text[j])) ++j;
        specifiers.push_back(Text.substr(i, j + 1 - i));
        i = j;
    }
    return specifiers;
}
