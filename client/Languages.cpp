#include "client/Languages.h"

#include <memory>

#include "platform/rtl/FileUtils.h"
#include "platform/rtl/StringList.h"

namespace {

AnsiString LanguageFolder() { return ProgramFolder() + "Lang/"; }

}  // namespace

void ListLanguageFiles(TStrings* Items) {
    for (const AnsiString& name : ListFiles(LanguageFolder(), "*.lng")) Items->Add(name);
}

void LoadLanguage(const AnsiString& FileName) {
    SetLang(std::make_unique<TLang>(LanguageFolder() + FileName));
}
