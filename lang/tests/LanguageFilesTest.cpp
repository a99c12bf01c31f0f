// The language files of both programs against what they serve: every key
// the code looks up is translated, every language translates the same keys
// and window lines, translations keep the defaults' format specifiers, line
// breaks and file masks, and every window line names a string property of a
// component in that window's form file. The checks read the files as they
// stand, so a new key or window needs only new lines in the files.

#include <gtest/gtest.h>

#include <set>

#include "KeyCollector.h"
#include "LangFiles.h"
#include "core/Language.h"
#include "platform/classes/ClassRegistry.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/SysUtils.h"

namespace {

const AnsiString kReference = "english.lng";
const AnsiString kBuiltIn = "czech.lng";

std::vector<TLangFile> AllLanguages() {
    std::vector<TLangFile> files;
    for (const AnsiString& name : LanguageNames()) files.push_back(ReadLangFile(LanguageFolder() + name));
    return files;
}

const TLangFile& Named(const std::vector<TLangFile>& Files, const AnsiString& Name) {
    for (const TLangFile& file : Files)
        if (file.Name == Name) return file;
    throw Exception("no language file " + Name);
}

std::vector<TKeyUse> CodeKeys() {
    TKeyCollector collector;
    for (const AnsiString& name : ProgramFiles({".cpp", ".h"}))
        collector.AddSource(name, ReadFileBytes(SourceRoot() + name));
    return collector.Uses();
}

// Key -> text of the "Strings" section, as TLang gives it (CR LF for "\n").
std::map<AnsiString, AnsiString> Strings(const TLangFile& File) {
    std::map<AnsiString, AnsiString> strings;
    TLang lang(LanguageFolder() + File.Name);
    for (const auto& [key, text] : lang.Strings()) strings.emplace(key, text);
    return strings;
}

// "Komu: " is followed by the recipient: the blank belongs to the text.
bool EndsInBlank(const AnsiString& Text) { return !Text.empty() && Text.back() == ' '; }

int LineBreaks(const AnsiString& Text) {
    int count = 0;
    for (size_t i = Text.find("\r\n"); i != AnsiString::npos; i = Text.find("\r\n", i + 2)) ++count;
    return count;
}

// The masks of a dialog filter "Text|*.a|Text|*.b;*.c": every second piece.
std::vector<AnsiString> FilterMasks(const AnsiString& Filter) {
    std::vector<AnsiString> masks;
    size_t start = 0;
    for (int piece = 0;; ++piece) {
        const size_t bar = Filter.find('|', start);
        if (piece % 2 == 1) masks.push_back(Filter.substr(start, bar - start));
        if (bar == AnsiString::npos) break;
        start = bar + 1;
    }
    return masks;
}

TEST(LanguageFilesTest, EveryKeyTheProgramsLookUpIsTranslatedInEnglish) {
    const std::vector<TKeyUse> uses = CodeKeys();
    // The collector must see the program's lookups at all; a handful of them
    // are known to be there.
    std::set<AnsiString> found;
    for (const TKeyUse& use : uses) found.insert(use.Key);
    for (const char* known : {"DlgYes", "ErrDial", "Sign", "TitleTax", "NoUpdate", "WrongEmail"})
        EXPECT_TRUE(found.count(known)) << known << " was not found in the code";

    const std::map<AnsiString, AnsiString> english = Strings(ReadLangFile(LanguageFolder() + kReference));
    for (const TKeyUse& use : uses)
        EXPECT_TRUE(english.count(use.Key)) << use.Where << ": \"" << AnsiToUtf8(use.Key) << "\" is not in "
                                            << kReference;
}

TEST(LanguageFilesTest, EveryLanguageTranslatesTheSameKeysAndWindowLinesOnce) {
    const std::vector<TLangFile> files = AllLanguages();
    for (const char* name : {"czech.lng", "english.lng", "slovak.lng", "polish.lng", "german.lng"})
        EXPECT_NO_THROW(Named(files, name)) << name;
    const TLangFile& reference = Named(files, kReference);

    auto keysOf = [](const TLangFile& File) {
        std::set<AnsiString> keys;
        for (const TLangSection& section : File.Sections)
            for (const TLangLine& line : section.Lines) {
                const AnsiString key = UpperCase(section.Name) + "/" + line.Key;
                EXPECT_TRUE(keys.insert(key).second) << File.Name << ":" << line.Line << ": " << key << " again";
                EXPECT_FALSE(line.Value.empty()) << File.Name << ":" << line.Line << ": " << key << " is empty";
            }
        return keys;
    };
    auto windowKeys = [](std::set<AnsiString> Keys) {
        std::erase_if(Keys, [](const AnsiString& Key) { return Key.rfind("STRINGS/", 0) == 0; });
        return Keys;
    };
    const std::set<AnsiString> referenceKeys = keysOf(reference);
    for (const TLangFile& file : files) {
        ASSERT_TRUE(file.Section("Strings")) << file.Name;
        const std::set<AnsiString> keys = keysOf(file);
        if (file.Name == kBuiltIn) {
            // The built-in texts are Czech; a copy of them here could only
            // drift away from the code.
            EXPECT_TRUE(file.Section("Strings")->Lines.empty()) << file.Name;
            EXPECT_EQ(keys, windowKeys(referenceKeys)) << file.Name;
        } else {
            EXPECT_EQ(keys, referenceKeys) << file.Name;
        }
    }
}

TEST(LanguageFilesTest, TranslationsKeepTheDefaultsSpecifiersLineBreaksTrailingBlanksAndFileMasks) {
    std::map<AnsiString, std::set<AnsiString>> defaults;
    for (const TKeyUse& use : CodeKeys())
        if (!use.Default.empty()) defaults[use.Key].insert(use.Default);
    const std::map<AnsiString, AnsiString> english = Strings(ReadLangFile(LanguageFolder() + kReference));

    // The code's defaults first: English is the reference of the others.
    for (const auto& [key, texts] : defaults) {
        auto translated = english.find(key);
        if (translated == english.end()) continue;  // reported by the key test
        for (const AnsiString& text : texts) {
            EXPECT_EQ(FormatSpecifiers(translated->second), FormatSpecifiers(text)) << key;
            EXPECT_EQ(LineBreaks(translated->second), LineBreaks(text)) << key;
            EXPECT_EQ(EndsInBlank(translated->second), EndsInBlank(text)) << key;
            EXPECT_EQ(FilterMasks(translated->second), FilterMasks(text)) << key;
        }
    }
    for (const TLangFile& file : AllLanguages()) {
        for (const auto& [key, text] : Strings(file)) {
            auto reference = english.find(key);
            if (reference == english.end()) continue;
            EXPECT_EQ(FormatSpecifiers(text), FormatSpecifiers(reference->second)) << file.Name << " " << key;
            EXPECT_EQ(LineBreaks(text), LineBreaks(reference->second)) << file.Name << " " << key;
            EXPECT_EQ(EndsInBlank(text), EndsInBlank(reference->second)) << file.Name << " " << key;
            EXPECT_EQ(FilterMasks(text), FilterMasks(reference->second)) << file.Name << " " << key;
        }
    }
}

TEST(LanguageFilesTest, WindowLinesSetStringPropertiesOfComponentsInTheWindowsFormFile) {
    const std::map<AnsiString, TFormFileEntry> forms = FormFilesByWindow();
    for (const TLangFile& file : AllLanguages()) {
        for (const TLangSection& section : file.Sections) {
            if (SameText(section.Name, "Strings")) continue;
            auto form = forms.find(LowerCase(section.Name));
            if (form == forms.end()) {
                ADD_FAILURE() << file.Name << ": no form file has the window [" << section.Name << "]";
                continue;
            }
            for (const TLangLine& line : section.Lines) {
                const AnsiString where = file.Name + ":" + std::to_string(line.Line) + " " + line.Key;
                // The updater finds the running client by its title; a
                // translated title would hide the client from it.
                EXPECT_FALSE(SameText(line.Key, "fMain.Caption")) << where << ": the client's title stays";
                const size_t dot = line.Key.find('.');
                const AnsiString property = dot == AnsiString::npos ? AnsiString() : line.Key.substr(dot + 1);
                const TFormObject* object =
                    dot == AnsiString::npos ? nullptr : FindFormObject(form->second.Root, line.Key.substr(0, dot));
                if (!object) {
                    ADD_FAILURE() << where << ": no such component in " << form->second.FileName;
                    continue;
                }
                const TClassInfo* info = GetClass(object->ClassName);
                if (!info && object == &form->second.Root) info = GetClass("TForm");
                const TPropInfo* prop = info ? info->FindProp(property) : nullptr;
                EXPECT_TRUE(prop && prop->Kind == tkLString && prop->SetStr)
                    << where << ": " << object->ClassName << " has no text property " << property;
                if (file.Name != kBuiltIn) continue;
                // Back to Czech, a window gets exactly what its form file says.
                const TFormProperty* designed = nullptr;
                for (const TFormProperty& p : object->Properties)
                    if (SameText(p.Name, property)) designed = &p;
                ASSERT_TRUE(designed) << where << ": the form file does not set it";
                EXPECT_EQ(StringReplace(line.Value, "~~", "\r\n", rfReplaceAll), designed->Value.Text) << where;
            }
        }
    }
}

TEST(LanguageFilesTest, AreWindows1250TextWithLineEndsOfOneKind) {
    for (const TLangFile& file : AllLanguages()) {
        const AnsiString& bytes = file.Bytes;
        // A file saved as UTF-8 by mistake still "reads": its letters come
        // out as pairs of odd ones.
        EXPECT_FALSE(Utf8ToAnsi(bytes) != bytes && AnsiToUtf8(Utf8ToAnsi(bytes)) == bytes) << file.Name << " is UTF-8";
        size_t lf = 0, crlf = 0;
        for (size_t i = 0; i < bytes.size(); ++i) {
            const unsigned char c = static_cast<unsigned char>(bytes[i]);
            EXPECT_TRUE(c != 0x81 && c != 0x83 && c != 0x88 && c != 0x90 && c != 0x98)
                << file.Name << ": byte " << int(c) << " is no Windows-1250 letter";
            EXPECT_TRUE(c >= 0x20 || c == '\r' || c == '\n') << file.Name << ": control byte " << int(c);
            if (c == '\n') (i > 0 && bytes[i - 1] == '\r' ? crlf : lf)++;
        }
        EXPECT_TRUE(lf == 0 || crlf == 0) << file.Name << " mixes line ends";
    }
}

}  // namespace
