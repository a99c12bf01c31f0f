#include "client/Languages.h"

#include <memory>

#include "platform/rtl/FileUtils.h"
#include "platform/rtl/SysUtils.h"
#include "platform/rtl/StringList.h"
#include "platform/ui/DBGrids.h"
#include "platform/ui/Forms.h"

namespace {

AnsiString LanguageFolder() { return ProgramFolder() + "Lang/"; }

}  // namespace

void ListLanguageFiles(TStrings* Items) {
    for (const AnsiString& name : ListFiles(LanguageFolder(), "*.lng")) Items->Add(name);
}

void LoadLanguage(const AnsiString& FileName) {
    SetLang(std::make_unique<TLang>(LanguageFolder() + FileName));
    Application->SetToolkitLanguage(ToolkitLanguageOf(FileName));
}

AnsiString ToolkitLanguageOf(const AnsiString& FileName) {
    static const struct {
        const char* Name;
        const char* Code;
    } known[] = {{"czech", "cs"}, {"slovak", "sk"}, {"polish", "pl"}, {"german", "de"}, {"english", "en"}};
    const AnsiString name = ChangeFileExt(ExtractFileName(FileName), "");
    if (name.empty()) return "cs";
    for (const auto& k : known)
        if (SameText(name, k.Name)) return k.Code;
    return "en";
}

void SetColumnTitle(TDBGrid* Grid, const AnsiString& FieldName, const AnsiString& Caption) {
    TDBGridColumns* columns = Grid->Columns();
    for (int i = 0; i < columns->Count(); ++i)
        if (SameText(columns->Items(i)->FieldName(), FieldName)) columns->Items(i)->Title()->SetCaption(Caption);
}
